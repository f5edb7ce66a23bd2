// The host registry: one ".reg" text file per hive under "<root>/registry". Every change is a
// transaction under an exclusive flock on the hive's lock file: read the file afresh, apply
// the change, write a temporary file and rename it into place. Concurrent programs therefore
// never corrupt a hive (the last writer of one value wins, as on Windows); readers need no
// lock because the rename is atomic.
//
// A hive file that does not parse is never overwritten: reads and writes then fail with
// kErrBadRegistryFile, so a damaged file stays for a person to repair.
#pragma once

#include <map>
#include <string>

#include "platform/registry.h"
#include "platform/registry_model.h"

namespace qid {

class HostRegistry : public Registry {
 public:
  explicit HostRegistry(std::string root);

  // The hive file, e.g. "<root>/registry/HKEY_CURRENT_USER.reg".
  std::string HiveFile(Hive hive) const;

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
  class Transaction;

  // Reads the hive into *model (empty when the file does not exist yet).
  ErrorCode Load(Hive hive, RegistryModel* model) const;
  // Whether full access to the hive may be granted (its folder and file are writable).
  bool Writable(Hive hive) const;
  const OpenKeyRecord* Find(RegKey key) const;
  // The hive of an open key, read afresh, and the key's node in it.
  ErrorCode ReadKey(RegKey key, RegistryModel* model, RegistryKeyNode** node) const;
  RegKey Remember(Hive hive, const std::string& path, bool write);

  std::string dir_;
  std::map<RegKey, OpenKeyRecord> open_;
  RegKey next_ = 1;
};

const char* HiveName(Hive hive);

}  // namespace qid
