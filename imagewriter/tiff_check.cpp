#include "imagewriter/tiff_check.h"

#include <unordered_set>

#include "imagewriter/file_window.h"

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
  explicit Reader(ByteSource& bytes) : bytes_(bytes) {}

  // The index-th value of a SHORT or LONG entry, inline or out of line; false when the entry
  // has another type or the value lies outside the bytes.
  bool Value(const Entry& e, uint32_t index, uint32_t* value) {
    if (!e.present || index >= e.count) return false;
    const uint64_t width = e.type == kTypeShort ? 2 : e.type == kTypeLong ? 4 : 0;
    if (width == 0) return false;
    uint64_t at = e.field;
    if (width * e.count > 4) {
      uint32_t offset = 0;
      if (!bytes_.LE32(e.field, &offset)) return false;
      at = offset;
    }
    at += width * index;
    if (width == 2) {
      uint16_t v = 0;
      if (!bytes_.LE16(at, &v)) return false;
      *value = v;
      return true;
    }
    return bytes_.LE32(at, value);
  }

  // One page's checks; *next is its next-IFD offset.
  bool Page(uint32_t ifd, uint32_t* next, std::string* why) {
    uint16_t count = 0;
    if (!bytes_.LE16(ifd, &count) || count == 0 ||
        !Fits(uint64_t(ifd) + 2, uint64_t(count) * kEntrySize + 4)) {
      *why = "an IFD lies outside the file";
      return false;
    }
    Entry width, length, rows, offsets, counts;
    for (uint16_t i = 0; i < count; ++i) {
      uint64_t at = uint64_t(ifd) + 2 + uint64_t(i) * kEntrySize;
      uint16_t tag = 0;
      Entry e;
      uint8_t raw[kEntrySize];
      if (!bytes_.Read(at, raw, sizeof raw)) {
        *why = "an IFD lies outside the file";
        return false;
      }
      tag = static_cast<uint16_t>(raw[0] | (raw[1] << 8));
      e.type = static_cast<uint16_t>(raw[2] | (raw[3] << 8));
      e.count = uint32_t(raw[4]) | (uint32_t(raw[5]) << 8) | (uint32_t(raw[6]) << 16) |
                (uint32_t(raw[7]) << 24);
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
    if (!bytes_.LE32(uint64_t(ifd) + 2 + uint64_t(count) * kEntrySize, next)) {
      *why = "an IFD lies outside the file";
      return false;
    }
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
          !Fits(offset, bytes)) {
        *why = "a strip lies outside the file";
        return false;
      }
    }
    return true;
  }

 private:
  bool Fits(uint64_t at, uint64_t n) const { return at <= bytes_.Size() && n <= bytes_.Size() - at; }

  ByteSource& bytes_;
};

}  // namespace

bool CheckTiffPages(ByteSource& bytes, int* pages, std::string* why) {
  std::string local_why;
  std::string& reason = why != nullptr ? *why : local_why;
  int found = 0;
  if (pages != nullptr) *pages = 0;
  uint16_t signature = 0, version = 0;
  uint32_t ifd = 0;
  if (!bytes.LE16(0, &signature) || !bytes.LE16(2, &version) || signature != 0x4949 ||
      version != 42 || !bytes.LE32(4, &ifd)) {
    reason = "no little-endian TIFF";
    return false;
  }
  Reader reader(bytes);
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

bool CheckTiffPages(const uint8_t* bytes, size_t size, int* pages, std::string* why) {
  MemorySource source(bytes, size);
  return CheckTiffPages(source, pages, why);
}

}  // namespace qid
