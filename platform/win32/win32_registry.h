// The registry over the Win32 registry calls: the A forms for keys and the ANSI value calls,
// the W forms for the UTF-16 value calls. A RegKey is the HKEY itself; the predefined
// hives map onto HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT and HKEY_USERS.
//
// Errors are the system's own codes, passed through unchanged. Values keep exactly the bytes
// given: a string written without its terminator is stored without one (the bare calls would
// add it). ANSI strings convert through the system's active code page.
#pragma once

#include "platform/registry.h"

namespace qid {

class Win32Registry : public Registry {
 public:
  Win32Registry() = default;

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
};

}  // namespace qid
