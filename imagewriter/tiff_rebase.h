// The rebasing rules of a splice as a plan: which 32-bit fields of a TIFF get the base added.
// FixupTiffData applies a plan to bytes in memory; Append applies it block by block while the
// source is copied from its file, so both follow one set of rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qid {

class ByteSource;

struct RebasePlan {
  struct Array {
    uint64_t start, end;  // every 32-bit entry of [start, end) is rebased
  };
  uint32_t base = 0;
  std::vector<uint64_t> fields;  // single fields, ascending
  std::vector<Array> arrays;     // StripOffsets arrays of more than one entry, ascending

  // Adds the base to every planned field that lies wholly inside `bytes`, which hold the
  // source's bytes from `position` on.
  void Apply(uint64_t position, uint8_t* bytes, size_t n) const;
};

// The plan for the whole TIFF in `source`: the IFD chain from the first-IFD field at byte 4;
// in each IFD the value fields of XResolution, YResolution, Software and ColorMap, of
// StripOffsets (and every entry of its array when its count is above 1), and of BitsPerSample
// and StripByteCounts when their count is above 1. Only the IFDs and the arrays are read.
// False when an IFD or an array lies outside the source or inside its first 8 bytes, when the
// chain loops, or when IFDs and arrays overlap (rebasing would touch the same bytes twice).
bool MakeRebasePlan(ByteSource& source, uint32_t base, RebasePlan* plan);

// True when no planned field passes 32 bits once rebased; otherwise *offending is the first
// such value. False also when the source cannot be read (*offending is then 0).
bool PlanFitsIn32Bits(ByteSource& source, const RebasePlan& plan, uint32_t* offending);

// Both of the above, as a splice needs them, traced as FixupTiffData traces them.
bool PlanFixup(ByteSource& source, uint32_t base, RebasePlan* plan);

}  // namespace qid
