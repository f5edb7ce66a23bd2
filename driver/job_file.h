// The job file that the driver side hands to Q71File, written byte by byte.
//
// Every TIFF written here is little-endian and lays each page out as: its strips, then the
// values that do not fit in their IFD entry, then the IFD. The file therefore ends with the
// last IFD's next-IFD field (0), which Append relies on. The only values stored outside their
// entries are those Append rebases (BitsPerSample and StripByteCounts arrays, StripOffsets,
// X/YResolution, ColorMap), so a job can be spliced onto any earlier output.
//
// Layouts (the data mode word replaces "II" at offset 0 in both):
//   document  one TIFF of all pages, optionally followed by the page-end marker
//   split     24 bytes of no piece (data mode word, 42, zeros), then per page one complete
//             single-page TIFF followed by the page-end marker
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/tiff_pages.h"

namespace qid::driver {

enum class JobLayout { kDocument, kSplit };

constexpr uint16_t kMaxDataMode = 10;  // Q71File reads 100..110 as data modes 0..10

// Q71File cuts a job at its page-end markers exactly when Output Mode is 2 (Serialization) or
// the data mode is 0, so the driver side picks the layout from the same two values. Print-to-
// file is always a Document there, whatever Output Mode is stored.
JobLayout LayoutFor(uint16_t data_mode, uint32_t output_mode, bool print_to_file);

// One little-endian TIFF of the pages, in order. PageNumber of the i-th page is
// (first_number + i, page_total). False with *error when the file would pass 4 GiB or a page
// has no strips.
bool BuildTiff(const std::vector<const TiffPage*>& pages, uint16_t first_number,
               uint16_t page_total, std::vector<uint8_t>* out, std::string* error);

struct JobSpec {
  uint16_t data_mode = 1;
  JobLayout layout = JobLayout::kDocument;
  bool end_marker = false;  // document layout only: the optional trailing page-end marker
};

// The whole job file for the pages. False with *error (no pages, data mode out of range, too
// large).
bool BuildJobFile(const std::vector<TiffPage>& pages, const JobSpec& job_spec,
                  std::vector<uint8_t>* job, std::string* error);

// Writes the bytes to a new file at the host path, replacing one that exists; a partly written
// file is removed. False with *error.
bool WriteBytesToFile(const std::string& host_path, const std::vector<uint8_t>& bytes,
                      std::string* error);

}  // namespace qid::driver
