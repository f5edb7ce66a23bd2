// Pages taken from TIFF files for a job file. Each page keeps its tags and its strips exactly as
// stored, still compressed, so the job carries the driver's pages unchanged. A page whose
// strips cannot travel that way (a codec that needs tables the job file does not carry, or
// big-endian samples wider than a byte inside a codec) is decoded to uncompressed strips
// instead. Tiled pages, sample formats other than unsigned integers and layouts the job file
// cannot describe are refused with a message that says why.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qid::driver {

struct TiffPage {
  uint32_t width = 0;
  uint32_t length = 0;
  uint16_t samples_per_pixel = 1;
  uint16_t bits_per_sample = 1;  // the same for every sample
  uint16_t compression = 1;
  uint16_t photometric = 0;
  uint16_t fill_order = 1;
  uint16_t planar_config = 1;
  uint16_t predictor = 1;        // 1: none (LZW and Deflate pages may use 2 or 3)
  uint32_t rows_per_strip = 0;
  bool has_resolution = false;
  float x_resolution = 0;
  float y_resolution = 0;
  uint16_t resolution_unit = 2;
  bool has_group3_options = false;
  uint32_t group3_options = 0;   // T4Options of a CCITT Group 3 page
  bool has_group4_options = false;
  uint32_t group4_options = 0;   // T6Options of a CCITT Group 4 page
  std::vector<uint16_t> extra_samples;  // at most two, so the values fit in their entry
  std::vector<uint16_t> color_map;      // red, green, blue runs of 2^bits entries each
  std::vector<std::vector<uint8_t>> strips;  // in strip order, as the compression left them
};

// Appends every page of the TIFF file at `path` to *pages. False with *error saying which file
// and why (missing, not a TIFF, damaged, a page that cannot be carried); *pages is then
// unchanged.
bool LoadTiffPages(const std::string& path, std::vector<TiffPage>* pages, std::string* error);

// What the first bytes of a file say it is.
enum class InputKind { kTiff, kPdf, kPostScript, kUnknown };

// Reads the file's first bytes. False with *error when it cannot be read.
bool DetectInputKind(const std::string& path, InputKind* kind, std::string* error);

}  // namespace qid::driver
