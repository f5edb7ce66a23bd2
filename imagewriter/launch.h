// Starting the Output Application on a result and waiting for it.
#pragma once

#include <string>

namespace qid {

struct WriterContext;

constexpr size_t kCommandLineCapacity = 259;

// Output Application, one blank, the path in double quotes; false (traced) when the result
// would exceed 259 characters.
bool BuildApplicationCommandLine(const std::string& application, const std::string& path,
                                 std::string* command_line);

// Creates the process from the command line and waits for it without a time limit. Returns
// whether the process could be created; callers ignore it.
bool RunOutputApplication(WriterContext& ctx, const std::string& command_line);

// Builds the command line for `path` and runs it; a refused command line starts nothing.
bool LaunchOnResult(WriterContext& ctx, const std::string& path);

}  // namespace qid
