// TIFF files written and read with libtiff, so that each test controls its tags and judges
// pages with an independent reader: one page description and writer for every test, and one
// decoder.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qid::testing {

// A page for libtiff to write. Fields keep this order, so that designated initializers work.
struct TestPage {
  uint32_t width = 16;
  uint32_t length = 8;
  uint16_t samples = 1;
  uint16_t bits = 8;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t fill_order = FILLORDER_MSB2LSB;
  uint16_t predictor = 1;       // 2: horizontal differencing
  uint32_t rows_per_strip = 0;  // 0: the whole page in one strip
  bool palette = false;         // a palette page with a generated colour map
  uint32_t tile_width = 0;      // tiled when set (with tile_length)
  uint32_t tile_length = 0;
  float x_resolution = 72;      // 0: the tag is left out
  float y_resolution = 72;
  uint16_t unit = RESUNIT_INCH; // 0: the tag is left out
  int seed = 0;                 // varies the generated pixels from page to page
  int t6_options = -1;          // -1: no T6Options tag
  uint16_t planar = PLANARCONFIG_CONTIG;  // separate: each sample's plane of the pixels' rows
  uint16_t ycbcr_subsampling = 0;  // 2: YCbCr 2 x 2 subsampled, strips of packed 0x80 bytes
  std::vector<uint16_t> colormap = {};  // red, green, blue arrays of 2^bits entries each
  std::vector<uint8_t> pixels = {};     // length rows of ScanlineBytes; empty: generated
};

// A Group 4 fax page at 204 x 196 dpi, white is zero, with a T6Options tag of 0.
TestPage FaxPage(uint32_t width = 1728, uint32_t length = 40);

size_t ScanlineBytes(const TestPage& p);

// The page's rows: its pixels, or generated ones that differ per row, column and seed (with
// long runs on 1-bit pages, for the fax codecs).
std::vector<uint8_t> PagePixels(const TestPage& p);

// Writes the pages to `path` ("w" little-endian, "wb" big-endian). False on a libtiff error.
bool WriteTestTiff(const std::string& path, const std::vector<TestPage>& pages,
                   const char* mode = "w");

// A grey ramp colour map: entry i is i × 65535 / (2^bits − 1) in all three colours.
std::vector<uint16_t> GreyColormap(uint16_t bits);

// The raw (still encoded) bytes of strip s of directory d.
std::string RawStrip(const std::string& path, int d, uint32_t s);

// Overwrites the value of a one-value SHORT or LONG tag of the first directory in place
// (little-endian classic TIFF). False when it is not there.
bool PatchTag(const std::string& path, uint16_t tag, uint32_t value);

struct DecodedPage {
  uint32_t width = 0, length = 0;
  uint16_t bits_per_sample = 0, samples_per_pixel = 0, photometric = 0;
  std::vector<uint8_t> pixels;  // the scanlines as libtiff decodes them
};

// Every page of the TIFF at the host path as libtiff reads it; fewer pages than the file
// claims when libtiff stops at a damaged one. With `jpeg_as_rgb` a YCbCr JPEG page is decoded
// to RGB.
std::vector<DecodedPage> DecodeTiffPages(const std::string& path, bool jpeg_as_rgb = false);

// The pixels of each decoded page, for comparing two files page by page.
std::vector<std::vector<uint8_t>> DecodedPixels(const std::string& path, bool jpeg_as_rgb = false);

}  // namespace qid::testing
