#include "platform/file_system.h"

#include <new>

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

}  // namespace qid
