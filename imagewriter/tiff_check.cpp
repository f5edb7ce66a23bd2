#include "imagewriter/tiff_check.h"

#include <unordered_set>

#include "common/little_endian.h"

namespace qid {
namespace {

enum : uint16_t {
  kImageWidth = 256,
  kImageLength = 257,
  kStripOffsets = 273,
  kRowsPerStrip = 278,
  kStripByteCounts = 279,
};
enum : uint16_t { kTypeShort = 3, kTypeLong = 4 };

constexpr size_t kEntrySize = 12;

struct Entry {
  uint16_t type = 0;
  uint32_t count = 0;
  uint64_t field = 0;  // position of the value-or-offset field
  bool present = false;
};

class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  // The index-th value of a SHORT or LONG entry, inline or out of line; false when the entry
  // has another type or the value lies outside the bytes.
  bool Value(const Entry& e, uint32_t index, uint32_t* value) const {
    if (!e.present || index >= e.count) return false;
    const uint64_t width = e.type == kTypeShort ? 2 : e.type == kTypeLong ? 4 : 0;
    if (width == 0) return false;
    uint64_t at = e.field;
    if (width * e.count > 4) {
      uint32_t offset = 0;
      if (!ReadLE32(bytes_, size_, e.field, &offset)) return false;
      at = offset;
    }
    at += width * index;
    if (width == 2) {
      uint16_t v = 0;
      if (!ReadLE16(bytes_, size_, at, &v)) return false;
      *value = v;
      return true;
    }
    return ReadLE32(bytes_, size_, at, value);
  }

  // One page's checks; *next is its next-IFD offset.
  bool Page(uint32_t ifd, uint32_t* next, std::string* why) const {
    uint16_t count = 0;
    if (!ReadLE16(bytes_, size_, ifd, &count) || count == 0 ||
        !FitsIn(size_, uint64_t(ifd) + 2, uint64_t(count) * kEntrySize + 4)) {
      *why = "an IFD lies outside the file";
      return false;
    }
    Entry width, length, rows, offsets, counts;
    for (uint16_t i = 0; i < count; ++i) {
      uint64_t at = uint64_t(ifd) + 2 + uint64_t(i) * kEntrySize;
      uint16_t tag = 0;
      Entry e;
      ReadLE16(bytes_, size_, at, &tag);
      ReadLE16(bytes_, size_, at + 2, &e.type);
      ReadLE32(bytes_, size_, at + 4, &e.count);
      e.field = at + 8;
      e.present = true;
      switch (tag) {
        case kImageWidth: width = e; break;
        case kImageLength: length = e; break;
        case kRowsPerStrip: rows = e; break;
        case kStripOffsets: offsets = e; break;
        case kStripByteCounts: counts = e; break;
        default: break;
      }
    }
    ReadLE32(bytes_, size_, uint64_t(ifd) + 2 + uint64_t(count) * kEntrySize, next);
    uint32_t v = 0;
    if (!Value(width, 0, &v) || v == 0 || !Value(length, 0, &v) || v == 0) {
      *why = "a page has no width or no length";
      return false;
    }
    if (rows.present && (!Value(rows, 0, &v) || v == 0)) {
      *why = "a page has RowsPerStrip 0";
      return false;
    }
    if (!offsets.present || !counts.present || offsets.count == 0 ||
        offsets.count != counts.count) {
      *why = "a page has no strips";
      return false;
    }
    for (uint32_t i = 0; i < offsets.count; ++i) {
      uint32_t offset = 0, bytes = 0;
      if (!Value(offsets, i, &offset) || !Value(counts, i, &bytes) ||
          !FitsIn(size_, offset, bytes)) {
        *why = "a strip lies outside the file";
        return false;
      }
    }
    return true;
  }

 private:
  const uint8_t* bytes_;
  size_t size_;
};

}  // namespace

bool CheckTiffPages(const uint8_t* bytes, size_t size, int* pages, std::string* why) {
  std::string local_why;
  std::string& reason = why != nullptr ? *why : local_why;
  int found = 0;
  if (pages != nullptr) *pages = 0;
  uint16_t signature = 0, version = 0;
  uint32_t ifd = 0;
  if (!ReadLE16(bytes, size, 0, &signature) || !ReadLE16(bytes, size, 2, &version) ||
      signature != 0x4949 || version != 42 || !ReadLE32(bytes, size, 4, &ifd)) {
    reason = "no little-endian TIFF";
    return false;
  }
  Reader reader(bytes, size);
  std::unordered_set<uint32_t> seen;
  while (ifd != 0) {
    if (ifd < 8 || !seen.insert(ifd).second) {
      reason = ifd < 8 ? "an IFD lies inside the header" : "the IFD chain loops";
      return false;
    }
    uint32_t next = 0;
    if (!reader.Page(ifd, &next, &reason)) return false;
    ++found;
    ifd = next;
  }
  if (found == 0) {
    reason = "no page";
    return false;
  }
  if (pages != nullptr) *pages = found;
  return true;
}

}  // namespace qid
