#include "installer/install_log.h"

#include <cstdarg>
#include <memory>

#include "common/debug_trace.h"
#include "common/text_convert.h"

namespace qid::installer {
namespace {

constexpr char16_t kTag[] = u"INST01 : ";

}  // namespace

void Trace(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  DebugTraceWV(kTag, format, args);
  va_end(args);
}

bool AppendLog(FileSystem& files, const std::u16string& log_path, const std::u16string& text) {
  std::unique_ptr<File> log;
  if (files.OpenFileW(log_path, FileAccess::kWrite, FileDisposition::kOpenAlways,
                     FileShare::kNone, &log) != kSuccess)
    return false;
  uint64_t end = 0;
  const std::vector<uint8_t> bytes = Utf16LeBytes(text);
  bool written = log->Size(&end) == kSuccess && log->Seek(end) == kSuccess &&
                 log->Write(bytes.data(), bytes.size()) == kSuccess;
  written = log->Close() == kSuccess && written;
  DebugTraceW(kTag, u"%s", text.c_str());
  return written;
}

}  // namespace qid::installer
