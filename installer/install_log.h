// The installer's trace and its log file "Installer.log".
#pragma once

#include <string>

#include "platform/file_system.h"

namespace qid::installer {

// One "INST01 : " trace line through the UTF-16 debug-string output (printf conventions of
// DebugTraceW: %s takes a UTF-16 text).
void Trace(const char16_t* format, ...);

// Appends `text` (which carries its own CR LF) to the log as UTF-16 little-endian code units,
// without byte-order mark or terminator, then echoes it unchanged to the trace. The file is
// opened, created when missing, and closed for every line. Returns false when the log cannot
// be opened (nothing is traced then) or written: the line is lost, the installation goes on.
bool AppendLog(FileSystem& files, const std::u16string& log_path, const std::u16string& text);

}  // namespace qid::installer
