// The rebasing rules of a splice (RebasePlan) and their use on a whole TIFF in memory
// (FixupTiffData).
#include <algorithm>
#include <unordered_set>

#include "common/debug_trace.h"
#include "imagewriter/file_window.h"
#include "imagewriter/tiff_rebase.h"
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

constexpr size_t kEntrySize = 12;

// The header (signature, version, first-IFD field) is not part of what a splice writes, so
// nothing that is rebased may live there.
constexpr uint64_t kFirstDataByte = 8;

bool Fits(uint64_t size, uint64_t at, uint64_t n) { return at <= size && n <= size - at; }

uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void Add32(uint8_t* p, uint32_t base) {
  uint32_t v = Get32(p) + base;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool MakeRebasePlan(ByteSource& source, uint32_t base, RebasePlan* plan) {
  const uint64_t size = source.Size();
  *plan = RebasePlan{};
  plan->base = base;
  std::vector<RebasePlan::Array> regions;  // IFDs and arrays, which must not overlap
  std::unordered_set<uint32_t> seen;
  uint64_t claimed = 0;  // bytes held by IFDs and arrays; beyond `size` they must overlap
  uint64_t link = 4;
  std::vector<uint8_t> table;
  for (;;) {
    uint32_t ifd = 0;
    if (!source.LE32(link, &ifd)) return false;
    if (ifd == 0) break;
    if (ifd < kFirstDataByte || !seen.insert(ifd).second) return false;
    uint16_t count = 0;
    if (!source.LE16(ifd, &count)) return false;
    const uint64_t length = 2 + kEntrySize * count + 4;
    if (!Fits(size, ifd, length)) return false;
    claimed += length;
    if (claimed > size) return false;
    regions.push_back({ifd, ifd + length});
    plan->fields.push_back(link);

    table.resize(kEntrySize * count);
    if (!source.Read(uint64_t(ifd) + 2, table.data(), table.size())) return false;
    for (uint16_t i = 0; i < count; ++i) {
      const uint8_t* e = &table[kEntrySize * i];
      const uint16_t tag = static_cast<uint16_t>(e[0] | (e[1] << 8));
      const uint32_t n = Get32(e + 4), value = Get32(e + 8);
      const uint64_t value_field = uint64_t(ifd) + 2 + kEntrySize * i + 8;
      switch (tag) {
        case kTagBitsPerSample:
        case kTagStripByteCounts:
          if (n > 1) plan->fields.push_back(value_field);
          break;
        case kTagStripOffsets:
          if (n > 1) {
            const uint64_t bytes = 4ull * n;
            if (value < kFirstDataByte || !Fits(size, value, bytes)) return false;
            claimed += bytes;
            if (claimed > size) return false;
            regions.push_back({value, value + bytes});
            plan->arrays.push_back({value, value + bytes});
          }
          plan->fields.push_back(value_field);
          break;
        case kTagXResolution:
        case kTagYResolution:
        case kTagSoftware:
        case kTagColorMap:
          plan->fields.push_back(value_field);
          break;
        default:  // PageNumber and every other tag keep their values
          break;
      }
    }
    link = uint64_t(ifd) + length - 4;
  }
  auto by_start = [](const RebasePlan::Array& a, const RebasePlan::Array& b) {
    return a.start < b.start;
  };
  std::sort(regions.begin(), regions.end(), by_start);
  for (size_t i = 1; i < regions.size(); ++i) {
    if (regions[i].start < regions[i - 1].end) return false;
  }
  std::sort(plan->fields.begin(), plan->fields.end());
  std::sort(plan->arrays.begin(), plan->arrays.end(), by_start);
  return true;
}

bool PlanFitsIn32Bits(ByteSource& source, const RebasePlan& plan, uint32_t* offending) {
  const uint32_t limit = 0xFFFFFFFFu - plan.base;
  *offending = 0;
  for (uint64_t at : plan.fields) {
    uint32_t value = 0;
    if (!source.LE32(at, &value)) return false;
    if (value > limit) {
      *offending = value;
      return false;
    }
  }
  uint8_t block[4096];
  for (const RebasePlan::Array& a : plan.arrays) {
    for (uint64_t at = a.start; at < a.end; at += sizeof block) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof block, a.end - at));
      if (!source.Read(at, block, n)) return false;
      for (size_t i = 0; i < n; i += 4) {
        if (Get32(block + i) > limit) {
          *offending = Get32(block + i);
          return false;
        }
      }
    }
  }
  return true;
}

void RebasePlan::Apply(uint64_t position, uint8_t* bytes, size_t n) const {
  const uint64_t end = position + n;
  auto field = std::lower_bound(fields.begin(), fields.end(), position);
  for (; field != fields.end() && *field + 4 <= end; ++field) Add32(bytes + (*field - position), base);
  auto array = std::lower_bound(arrays.begin(), arrays.end(), position,
                                [](const Array& a, uint64_t at) { return a.end <= at; });
  for (; array != arrays.end() && array->start < end; ++array) {
    // The first entry wholly inside the bytes, then every one that ends inside them.
    uint64_t at = array->start;
    if (at < position) at += (position - at + 3) / 4 * 4;
    for (; at + 4 <= std::min(end, array->end); at += 4) Add32(bytes + (at - position), base);
  }
}

bool PlanFixup(ByteSource& source, uint32_t base, RebasePlan* plan) {
  DebugTrace(kTag, "FixupTiffData: Base %d", int(base));
  if (!MakeRebasePlan(source, base, plan)) {
    DebugTrace(kTag, "FixupTiffData: an offset lies outside the file or overlaps another");
    return false;
  }
  uint32_t offending = 0;
  if (!PlanFitsIn32Bits(source, *plan, &offending)) {
    DebugTrace(kTag, "FixupTiffData: offset %u passes 4 GiB once rebased", offending);
    return false;
  }
  return true;
}

bool FixupTiffData(uint8_t* buffer, size_t size, uint32_t base) {
  MemorySource source(buffer, size);
  RebasePlan plan;
  if (!PlanFixup(source, base, &plan)) return false;
  plan.Apply(0, buffer, size);
  return true;
}

}  // namespace qid
