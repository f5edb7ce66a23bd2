#include "platform/file_system.h"

#include <new>
#include <vector>

namespace qid {

ErrorCode ReadWholeFile(File& file, std::string* bytes) {
  uint64_t size = 0;
  ErrorCode err = file.Size(&size);
  if (err != kSuccess) return err;
  if (size > bytes->max_size()) return kErrNotEnoughMemory;
  err = file.Seek(0);
  if (err != kSuccess) return err;
  std::string buffer;
  try {
    buffer.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return kErrNotEnoughMemory;
  }
  size_t got = 0;
  err = file.Read(buffer.data(), buffer.size(), &got);
  if (err != kSuccess) return err;
  if (got != buffer.size()) return kErrReadFault;
  *bytes = std::move(buffer);
  return kSuccess;
}

std::string NormalizedWindowsPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (;;) {
    size_t end = path.find('\\', at);
    std::string part = path.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();  // never above the drive
    } else if (part != "." || parts.empty()) {
      parts.push_back(part);
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  std::string& last = parts.back();
  size_t keep = last.find_last_not_of(". ");
  if (parts.size() > 1) last.erase(keep == std::string::npos ? 0 : keep + 1);
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
  return out;
}

}  // namespace qid
