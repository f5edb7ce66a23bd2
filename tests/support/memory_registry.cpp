#include "tests/support/memory_registry.h"

namespace qid {

void MemoryRegistry::SetReadOnly(Hive hive, bool read_only) {
  read_only_[static_cast<int>(hive)] = read_only;
}

ErrorCode MemoryRegistry::ReadHive(Hive hive, const Reader& read) {
  return read(hives_[static_cast<int>(hive)]);
}

ErrorCode MemoryRegistry::ChangeHive(Hive hive, const Change& change) {
  bool changed = false;
  return change(hives_[static_cast<int>(hive)], &changed);
}

bool MemoryRegistry::MayWrite(Hive hive) { return !read_only_[static_cast<int>(hive)]; }

std::vector<uint8_t> StoredText(const std::string& text) {
  return StoredFromAnsi(kRegSz, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace qid
