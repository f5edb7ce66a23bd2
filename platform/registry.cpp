#include "platform/registry.h"

#include "common/little_endian.h"
#include "common/text_convert.h"

namespace qid {

ErrorCode SetDwordValue(Registry& reg, RegKey key, const std::string& name, uint32_t value) {
  uint8_t bytes[4];
  WriteLE32(bytes, sizeof bytes, 0, value);
  return reg.SetValue(key, name, kRegDword, bytes, sizeof bytes);
}

ErrorCode SetDwordValue(Registry& reg, RegKey key, const std::u16string& name, uint32_t value) {
  uint8_t bytes[4];
  WriteLE32(bytes, sizeof bytes, 0, value);
  return reg.SetValueW(key, name, kRegDword, bytes, sizeof bytes);
}

ErrorCode SetStringValue(Registry& reg, RegKey key, const std::string& name,
                         const std::string& text) {
  return reg.SetValue(key, name, kRegSz, text.data(), text.size());
}

ErrorCode SetStringValue(Registry& reg, RegKey key, const std::u16string& name,
                         const std::u16string& text) {
  std::vector<uint8_t> bytes = Utf16LeBytes(text);
  return reg.SetValueW(key, name, kRegSz, bytes.data(), bytes.size());
}

ErrorCode DeleteKeyTree(Registry& reg, Hive hive, const std::string& subkey) {
  RegKey key = kNoKey;
  if (reg.OpenKey(hive, subkey, false, &key) == kSuccess) {
    std::vector<std::string> children;
    std::string child;
    for (uint32_t i = 0; reg.EnumKey(key, i, &child) == kSuccess; ++i) children.push_back(child);
    reg.CloseKey(key);
    for (const std::string& name : children) (void)DeleteKeyTree(reg, hive, subkey + "\\" + name);
  }
  return reg.DeleteKey(hive, subkey);
}

}  // namespace qid
