// TIFF files and job files built byte by byte, for tests that need exact control over layout:
// little-endian, each page's IFD after its pixels and its out-of-line values, so the file ends
// with the last IFD's next-IFD field (0), as job files do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qid::testing {

// Little-endian values appended to, patched in and read from a byte string.
void Put16(std::string* s, uint16_t v);
void Put32(std::string* s, uint32_t v);
void Set32(std::string* s, size_t at, uint32_t v);
uint16_t Get16(const std::string& s, size_t at);
uint32_t Get32(const std::string& s, size_t at);

struct IfdEntry {
  uint16_t tag, type;
  uint32_t count, value;
};

// "II", 42 and a first-IFD offset of 0, to be linked by AppendIfd(…, 4, …).
std::string TiffHeader();

// Appends an IFD at the end of *tiff (word-aligned), links it from the 4-byte field at
// `link_at` and returns the position of its own next-IFD field (left 0).
size_t AppendIfd(std::string* tiff, size_t link_at, const std::vector<IfdEntry>& entries);

struct GreyPage {
  uint32_t width = 4;
  uint32_t height = 2;
  uint8_t fill = 0x80;     // every pixel's value
  uint32_t dpi = 200;      // X and Y resolution, ResolutionUnit 2
};

// A TIFF of the given uncompressed 8-bit grey pages, in order.
std::string MakeTiff(const std::vector<GreyPage>& pages);

// A one-page 8-bit grey TIFF (4 x 2) padded with filler bytes between its pixels and its
// resolution to exactly `total` bytes (at least 178).
std::string GreyTiffOfSize(size_t total, uint8_t fill = 0x40);

// A one-page 1-bit TIFF (8 x 2, white is zero): no JPEG is made of it.
std::string BilevelTiff(uint8_t pattern = 0xA5);

// A Document/Append job file: the TIFF with its first word replaced by 100 + data mode,
// optionally followed by the page-end marker.
std::string MakeDocumentJob(uint16_t data_mode, const std::string& tiff, bool with_marker);

// A split job file: 24 bytes that belong to no piece (the first word 100 + data mode, then
// 42, then zeros), then each piece followed by the page-end marker.
std::string MakeSplitJob(uint16_t data_mode, const std::vector<std::string>& pieces);

}  // namespace qid::testing
