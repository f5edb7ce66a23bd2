// One TIFF page as the PDF writer sees it: the tag values it reads and the page size that
// follows from them.
#pragma once

#include <cstdint>

typedef struct tiff TIFF;

namespace qid::pdf {

struct PageInfo {
  uint32_t width = 0;             // ImageWidth
  uint32_t length = 0;            // ImageLength
  uint16_t compression = 1;       // Compression; 1 (none) when absent
  uint16_t samples = 1;           // SamplesPerPixel; 1 when absent or 0
  float x_resolution = 0;         // XResolution; 0 when absent
  float y_resolution = 0;         // YResolution; 0 when absent
  uint16_t photometric = 1;       // PhotometricInterpretation; 1 (black is zero) when absent
  uint16_t resolution_unit = 2;   // ResolutionUnit; 2 (inch) when absent
  uint16_t bits = 1;              // BitsPerSample; 1 when absent or 0
  uint16_t planar = 1;            // PlanarConfiguration; 1 (contiguous) when absent
  bool tiled = false;             // TIFFIsTiled
};

// The tag values of the current directory.
PageInfo ReadPageInfo(TIFF* tif);

// Page size in points. Each pixel is 72 / resolution points wide (high), so the page shows the
// image at its scanned size; a centimetre resolution (ResolutionUnit 3) is not converted and
// gives one point per pixel. A missing, zero or otherwise unusable resolution on one axis takes
// the other axis's; with neither usable the page gets one point per pixel (72 pixels per inch),
// so no page divides by zero.
struct PageGeometry {
  double w = 0;      // the image's width on the page, "cm" matrix
  double h = 0;
  int media_w = 0;   // w and h truncated toward zero, the MediaBox
  int media_h = 0;
};

// False when the page would not fit a PDF number (a width or height of 2^31 points or more).
bool ComputePageGeometry(const PageInfo& info, PageGeometry* geometry);

// Pages wider or longer than this many pixels are refused as damaged.
inline constexpr uint32_t kMaxPageSide = 1u << 20;

}  // namespace qid::pdf
