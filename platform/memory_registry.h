// A registry held in memory: the model of keys and values that the host registry stores in its
// hive files, usable alone where a test needs a registry and no files.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_model.h"

namespace qid {

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  // Hives that refuse full access, as a local machine key does for a standard user.
  void SetReadOnly(Hive hive, bool read_only);
  // Direct access for arranging and checking tests.
  RegistryModel& hive(Hive h) { return hives_[static_cast<int>(h)]; }

  ErrorCode OpenCurrentUserKey(const std::string& subkey, RegKey* key) override;
  ErrorCode OpenKey(Hive hive, const std::string& subkey, bool write, RegKey* key) override;
  ErrorCode CreateKey(Hive hive, const std::string& subkey, const std::string& key_class,
                      RegKey* key, bool* created) override;
  ErrorCode QueryValue(RegKey key, const std::string& name, uint32_t* type,
                       std::vector<uint8_t>* data, size_t capacity) override;
  ErrorCode SetValue(RegKey key, const std::string& name, uint32_t type, const void* data,
                     size_t size) override;
  ErrorCode DeleteValue(RegKey key, const std::string& name) override;
  ErrorCode DeleteKey(Hive hive, const std::string& subkey) override;
  ErrorCode EnumKey(RegKey key, uint32_t index, std::string* name) override;
  ErrorCode EnumValue(RegKey key, uint32_t index, std::string* name) override;
  void CloseKey(RegKey key) override;

 private:
  struct OpenKeyRecord {
    Hive hive;
    std::string path;
    bool write;
  };
  const OpenKeyRecord* Find(RegKey key) const;
  // The node of an open key; with `write`, only for a key opened with full access.
  ErrorCode Node(RegKey key, bool write, RegistryKeyNode** node);

  RegistryModel hives_[4];
  bool read_only_[4] = {false, false, false, false};
  std::map<RegKey, OpenKeyRecord> open_;
  RegKey next_ = 1;
};

}  // namespace qid
