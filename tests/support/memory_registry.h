// A registry held in memory, with the same rules as the host registry (both are a
// ModelRegistry), for tests that need a registry and no files.
#pragma once

#include <string>
#include <vector>

#include "platform/model_registry.h"

namespace qid {

class MemoryRegistry : public ModelRegistry {
 public:
  // Hives that refuse full access, as a local machine key does for a standard user.
  void SetReadOnly(Hive hive, bool read_only);
  // Direct access for arranging and checking tests. String data there are in stored form:
  // see StoredText.
  RegistryModel& hive(Hive h) { return hives_[static_cast<int>(h)]; }

 protected:
  ErrorCode ReadHive(Hive hive, const Reader& read) override;
  ErrorCode ChangeHive(Hive hive, const Change& change) override;
  bool MayWrite(Hive hive) override;

 private:
  RegistryModel hives_[4];
  bool read_only_[4] = {false, false, false, false};
};

// The stored bytes of an ANSI string as SetValue keeps them (UTF-16, terminator only if
// `text` holds one), for arranging or checking a hive directly.
std::vector<uint8_t> StoredText(const std::string& text);

}  // namespace qid
