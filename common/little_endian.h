// Little-endian reads and writes inside a byte buffer, checked against its size. Job files and
// spliced TIFF files are little-endian whatever the host, and no offset taken from a file may
// reach outside its buffer: each call reports false instead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qid {

inline bool FitsIn(size_t size, uint64_t offset, uint64_t length) {
  return offset <= size && length <= size - offset;
}

inline bool ReadLE16(const uint8_t* buf, size_t size, uint64_t offset, uint16_t* out) {
  if (!FitsIn(size, offset, 2)) return false;
  *out = static_cast<uint16_t>(buf[offset] | (buf[offset + 1] << 8));
  return true;
}

inline bool ReadLE32(const uint8_t* buf, size_t size, uint64_t offset, uint32_t* out) {
  if (!FitsIn(size, offset, 4)) return false;
  *out = static_cast<uint32_t>(buf[offset]) | (static_cast<uint32_t>(buf[offset + 1]) << 8) |
         (static_cast<uint32_t>(buf[offset + 2]) << 16) |
         (static_cast<uint32_t>(buf[offset + 3]) << 24);
  return true;
}

inline bool WriteLE16(uint8_t* buf, size_t size, uint64_t offset, uint16_t value) {
  if (!FitsIn(size, offset, 2)) return false;
  buf[offset] = static_cast<uint8_t>(value);
  buf[offset + 1] = static_cast<uint8_t>(value >> 8);
  return true;
}

inline bool WriteLE32(uint8_t* buf, size_t size, uint64_t offset, uint32_t value) {
  if (!FitsIn(size, offset, 4)) return false;
  for (int i = 0; i < 4; ++i) buf[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  return true;
}

}  // namespace qid
