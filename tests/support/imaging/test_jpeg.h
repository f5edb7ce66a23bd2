// JPEG files read back independently of the encoder under test: their segments, and their
// pixels decoded with libjpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qid::testing {

struct JpegSegment {
  uint8_t marker;
  std::string payload;  // without the length field
};

// The segments of a JPEG file up to and including SOS, then EOI when the file ends with it.
// Empty when the file is not a sequence of well-formed segments.
std::vector<JpegSegment> JpegSegments(const std::string& jpeg);

struct DecodedJpeg {
  bool ok = false;
  uint32_t width = 0, height = 0;
  int components = 0;
  bool jfif = false;
  int jfif_major = 0, jfif_minor = 0, density_unit = -1, x_density = 0, y_density = 0;
  std::vector<uint8_t> pixels;  // grey, or RGB for colour files
};

DecodedJpeg DecodeJpeg(const std::string& bytes);

// libjpeg alone, with its own memory destination and default header, at `quality`: the
// reference that the product's encoder is measured against. `pixels` holds height rows of
// width × components bytes (1 grey, 3 RGB).
std::string LibjpegReference(const uint8_t* pixels, uint32_t width, uint32_t height,
                             int components, int quality);

}  // namespace qid::testing
