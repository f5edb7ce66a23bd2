// The page splitter: a split job file cut at its page-end markers into one file per page
// piece (Output Mode 2 and data mode 0), each converted and handed to the Output Application.
// The byte-level rules of job files are in tiffsplice.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qid {

struct WriterContext;

// Result of one split: how many piece files were written, and whether every piece of the job
// file was written (when not, the job file still holds pages that exist nowhere else).
struct SplitOutcome {
  int pieces = 0;
  bool complete = false;
};

// Cuts the job file at its page-end markers into one named file per piece, converting each to
// JPEG (data mode 0) or PDF (PDF Output) and starting the Output Application on it; returns the
// number of piece files written. "Last Serial Number" is stored at the end, and also when the
// split stops after some pieces were written, so that a later job never reuses their names.
// *outcome (may be null) tells the caller whether the job file may go.
int SplitJobFile(WriterContext& ctx, const std::string& job_path, SplitOutcome* outcome = nullptr);

constexpr size_t kNoPageEnd = static_cast<size_t>(-1);

// The position just after the next page-end marker that lies wholly in
// [start, start + length) of the buffer, or kNoPageEnd.
size_t FindPageEnd(const uint8_t* buffer, size_t start, size_t length);

}  // namespace qid
