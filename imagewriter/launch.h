// Starting the Output Application on a result and waiting for it.
#pragma once

#include <string>

namespace qid {

struct WriterContext;

constexpr size_t kCommandLineCapacity = 259;

// Output Application, one blank, the path in double quotes. False with *command_line
// unchanged (traced) when the application is empty, which would make the result itself the
// program, or when the line would exceed 259 characters.
bool BuildApplicationCommandLine(const std::string& application, const std::string& path,
                                 std::string* command_line);

// Creates the process from the command line alone and waits for it without a time limit, so
// the application is done with the result before the job goes on. Returns whether the
// process could be created; callers ignore it (the trace reports it).
bool RunOutputApplication(WriterContext& ctx, const std::string& command_line);

// Tells whoever asked (WriterContext::result_written) that `path` is a complete result.
void ReportResult(WriterContext& ctx, const std::string& path);

// Builds the command line from the Output Application setting for the name other programs
// know `path` by (FileSystem::PathForPrograms) and runs it; a refused command line starts
// nothing and returns false.
bool LaunchOnResult(WriterContext& ctx, const std::string& path);

}  // namespace qid
