#include "platform/registry.h"

namespace qid {

ErrorCode SetDwordValue(Registry& reg, RegKey key, const std::string& name, uint32_t value) {
  uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                      uint8_t(value >> 24)};
  return reg.SetValue(key, name, kRegDword, bytes, sizeof bytes);
}

ErrorCode SetStringValue(Registry& reg, RegKey key, const std::string& name,
                         const std::string& text) {
  return reg.SetValue(key, name, kRegSz, text.data(), text.size());
}

}  // namespace qid
