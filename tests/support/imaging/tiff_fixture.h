// Small TIFF files and job files built byte by byte, for tests that need exact control over
// layout: little-endian, uncompressed 8-bit grey pages, each page's IFD after its pixels and
// its out-of-line values, so the file ends with the last IFD's next-IFD field (0), as job
// files do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qid::testing {

struct GreyPage {
  uint32_t width = 4;
  uint32_t height = 2;
  uint8_t fill = 0x80;     // every pixel's value
  uint32_t dpi = 200;      // X and Y resolution, ResolutionUnit 2
};

// A TIFF of the given pages, in order.
std::string MakeTiff(const std::vector<GreyPage>& pages);

// A Document/Append job file: the TIFF with its first word replaced by 100 + data mode,
// optionally followed by the page-end marker.
std::string MakeDocumentJob(uint16_t data_mode, const std::string& tiff, bool with_marker);

// A split job file: 24 bytes that belong to no piece (the first word 100 + data mode, then
// 42, then zeros), then each piece followed by the page-end marker.
std::string MakeSplitJob(uint16_t data_mode, const std::vector<std::string>& pieces);

}  // namespace qid::testing
