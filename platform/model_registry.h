// The registry rules written once over RegistryModel hives: open keys, access, the ANSI and
// UTF-16 forms of values, enumeration and deletion. Where the hives live is left to the
// subclass: in memory for tests, in ".reg" files for the host.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_model.h"

namespace qid {

class ModelRegistry : public Registry {
 public:
  ErrorCode OpenCurrentUserKey(const std::string& subkey, RegKey* key) override;
  ErrorCode OpenKey(Hive hive, const std::string& subkey, bool write, RegKey* key) override;
  ErrorCode CreateKey(Hive hive, const std::string& subkey, const std::string& key_class,
                      RegKey* key, bool* created) override;
  ErrorCode QueryValue(RegKey key, const std::string& name, uint32_t* type,
                       std::vector<uint8_t>* data, size_t capacity) override;
  ErrorCode SetValue(RegKey key, const std::string& name, uint32_t type, const void* data,
                     size_t size) override;
  ErrorCode QueryValueW(RegKey key, const std::u16string& name, uint32_t* type,
                        std::vector<uint8_t>* data, size_t capacity) override;
  ErrorCode SetValueW(RegKey key, const std::u16string& name, uint32_t type, const void* data,
                      size_t size) override;
  ErrorCode DeleteValue(RegKey key, const std::string& name) override;
  ErrorCode DeleteKey(Hive hive, const std::string& subkey) override;
  ErrorCode EnumKey(RegKey key, uint32_t index, std::string* name) override;
  ErrorCode EnumValue(RegKey key, uint32_t index, std::string* name) override;
  void CloseKey(RegKey key) override;

 protected:
  using Reader = std::function<ErrorCode(const RegistryModel&)>;
  // Edits the hive; sets *changed when there is something to keep.
  using Change = std::function<ErrorCode(RegistryModel&, bool* changed)>;

  // Calls `read` with the hive as it is now and returns its result, or the hive's own error
  // (kErrBadRegistryFile when it cannot be read).
  virtual ErrorCode ReadHive(Hive hive, const Reader& read) = 0;
  // Calls `change` on the hive and keeps the result when it returns kSuccess with *changed
  // set; the change is atomic towards other users of the hive. kErrAccessDenied when the
  // result cannot be kept.
  virtual ErrorCode ChangeHive(Hive hive, const Change& change) = 0;
  // Whether full access to the hive may be granted.
  virtual bool MayWrite(Hive hive) = 0;

 private:
  struct OpenKeyRecord {
    Hive hive;
    std::string path;
    bool write;
  };
  // Reads the value `name` of an open key in its stored form.
  ErrorCode ReadValue(RegKey key, const std::string& name, uint32_t* type,
                      std::vector<uint8_t>* stored);
  ErrorCode WriteValue(RegKey key, const std::string& name, uint32_t type,
                       std::vector<uint8_t> stored);
  // Runs `read` on the node of an open key.
  ErrorCode ReadKey(RegKey key, const std::function<ErrorCode(RegistryKeyNode&)>& read);
  RegKey Remember(Hive hive, const std::string& path, bool write);

  std::map<RegKey, OpenKeyRecord> open_;
  RegKey next_ = 1;
};

}  // namespace qid
