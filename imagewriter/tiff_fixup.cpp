// Rebasing a whole TIFF file's offsets for a splice (FixupTiffData).
#include <algorithm>
#include <unordered_set>
#include <vector>

#include "common/debug_trace.h"
#include "common/little_endian.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/trace_tags.h"

namespace qid {
namespace {

constexpr const char* kTag = trace::kFiles;

constexpr uint16_t kTagBitsPerSample = 258;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint16_t kTagXResolution = 282;
constexpr uint16_t kTagYResolution = 283;
constexpr uint16_t kTagSoftware = 305;
constexpr uint16_t kTagColorMap = 320;

// The header (signature, version, first-IFD field) is not part of what a splice writes, so
// nothing that is rebased may live there.
constexpr uint64_t kFirstDataByte = 8;

struct Region {
  uint64_t start, end;
};

// Every 32-bit field that gets the base added, found on the unchanged buffer. False when the
// chain leaves the buffer, loops, or its IFDs and arrays overlap (a damaged file whose
// rebasing would touch the same bytes twice).
bool CollectRebasedFields(const uint8_t* buf, size_t size, std::vector<uint64_t>* fields) {
  std::vector<Region> regions;
  std::unordered_set<uint32_t> seen;
  uint64_t claimed = 0;  // bytes held by IFDs and arrays; beyond `size` they must overlap
  uint64_t link = 4;
  for (;;) {
    uint32_t ifd = 0;
    if (!ReadLE32(buf, size, link, &ifd)) return false;
    if (ifd == 0) break;
    if (ifd < kFirstDataByte || !seen.insert(ifd).second) return false;
    uint16_t count = 0;
    if (!ReadLE16(buf, size, ifd, &count)) return false;
    uint64_t length = 2 + 12ull * count + 4;
    if (!FitsIn(size, ifd, length)) return false;
    claimed += length;
    if (claimed > size) return false;
    regions.push_back({ifd, ifd + length});
    fields->push_back(link);

    for (uint64_t e = uint64_t(ifd) + 2; e < uint64_t(ifd) + 2 + 12ull * count; e += 12) {
      uint16_t tag = 0;
      uint32_t n = 0, value = 0;
      ReadLE16(buf, size, e, &tag);
      ReadLE32(buf, size, e + 4, &n);
      ReadLE32(buf, size, e + 8, &value);
      uint64_t value_field = e + 8;
      switch (tag) {
        case kTagBitsPerSample:
        case kTagStripByteCounts:
          if (n > 1) fields->push_back(value_field);
          break;
        case kTagStripOffsets:
          if (n > 1) {
            uint64_t bytes = 4ull * n;
            if (value < kFirstDataByte || !FitsIn(size, value, bytes)) return false;
            claimed += bytes;
            if (claimed > size) return false;
            regions.push_back({value, value + bytes});
            for (uint64_t i = 0; i < n; ++i) fields->push_back(value + 4 * i);
          }
          fields->push_back(value_field);
          break;
        case kTagXResolution:
        case kTagYResolution:
        case kTagSoftware:
        case kTagColorMap:
          fields->push_back(value_field);
          break;
        default:  // PageNumber and every other tag keep their values
          break;
      }
    }
    link = uint64_t(ifd) + length - 4;
  }
  std::sort(regions.begin(), regions.end(),
            [](const Region& a, const Region& b) { return a.start < b.start; });
  for (size_t i = 1; i < regions.size(); ++i) {
    if (regions[i].start < regions[i - 1].end) return false;
  }
  return true;
}

}  // namespace

bool FixupTiffData(uint8_t* buffer, size_t size, uint32_t base) {
  DebugTrace(kTag, "FixupTiffData: Base %d", int(base));
  std::vector<uint64_t> fields;
  if (!CollectRebasedFields(buffer, size, &fields)) {
    DebugTrace(kTag, "FixupTiffData: an offset lies outside the file or overlaps another");
    return false;
  }
  for (uint64_t at : fields) {
    uint32_t value = 0;
    ReadLE32(buffer, size, at, &value);
    if (value > 0xFFFFFFFFu - base) {
      DebugTrace(kTag, "FixupTiffData: offset %u passes 4 GiB once rebased", value);
      return false;
    }
  }
  for (uint64_t at : fields) {
    uint32_t value = 0;
    ReadLE32(buffer, size, at, &value);
    WriteLE32(buffer, size, at, value + base);
  }
  return true;
}

}  // namespace qid
