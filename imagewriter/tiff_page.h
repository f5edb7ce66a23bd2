// Reading the first page of a TIFF file into an image for JPEG export, with libtiff over a
// platform File (so the product's paths and the tests' fault injection apply).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imagewriter/imaging_state.h"
#include "platform/file_system.h"

typedef struct tiff TIFF;

namespace qid {

// A TIFF opened for reading; closes libtiff's handle, then the file.
struct OpenedTiff {
  OpenedTiff() = default;
  OpenedTiff(const OpenedTiff&) = delete;
  OpenedTiff& operator=(const OpenedTiff&) = delete;
  ~OpenedTiff();

  std::unique_ptr<File> file;
  TIFF* tiff = nullptr;
};

// Opens the file through `files` and libtiff ("r"); libtiff's errors and warnings go to the
// trace. False (traced) when either cannot be done.
bool OpenTiffForReading(FileSystem& files, const std::string& path, OpenedTiff* opened);

// What the first image directory says about the page.
struct PageDescription {
  uint32_t width = 0;
  uint32_t length = 0;
  uint16_t bits_per_pixel = 0;   // BitsPerSample, or 24 with more than two samples per pixel
  uint16_t compression = 0;
  uint32_t x_resolution = 0;     // whole numbers; 0 when the tag is absent
  uint32_t y_resolution = 0;
  uint16_t resolution_unit = 2;  // 2 when the tag is absent
  // How the samples are stored, for loading.
  uint16_t samples_per_pixel = 1;
  uint16_t bits_per_sample = 1;
  uint16_t photometric = 1;
  uint16_t planar_config = 1;
  bool tiled = false;
};

PageDescription ReadPageDescription(TIFF* tiff);

// Hands the page's resolution to the encoder's density: units = ResolutionUnit - 1 when that is
// 0, 1 or 2, and both densities, when each is from 1 to 65535. A page without such a
// resolution gets units 0 with density 1 x 1 (square pixels, resolution unknown).
void TakeDensity(const PageDescription& page, JfifDensity* density);

// Pixel memory, left uninitialised: the loader writes every byte before the encoder reads it.
struct PixelBuffer {
  std::unique_ptr<uint8_t[]> bytes;
  size_t length = 0;
  uint8_t* data() { return bytes.get(); }
  const uint8_t* data() const { return bytes.get(); }
  size_t size() const { return length; }
  bool empty() const { return length == 0; }
};

// The image in memory: 8 bits (one palette index per pixel; 4-bit pages are widened) or 24 bits
// (RGB). 1- and 16-bit images are described but carry no pixels, since no JPEG is made of them.
struct JpegImage {
  uint32_t width = 0;
  uint32_t length = 0;
  uint16_t bits_per_pixel = 0;
  uint8_t palette[256][3] = {};
  bool grey = false;  // the palette is the grey ramp: index i shows grey level i
  PixelBuffer pixels;

  size_t Stride() const { return bits_per_pixel == 24 ? size_t(width) * 3 : size_t(width); }
};

// Largest image held in memory; a page beyond it is refused rather than risking the process.
constexpr uint64_t kMaxImageBytes = 512ull << 20;

// Creates the image for the page: false when a dimension is 0, the depth is not 1, 4, 8, 16 or
// 24, or the pixels would pass kMaxImageBytes or cannot be allocated.
bool CreateJpegImage(const PageDescription& page, JpegImage* image);

// Loads the first page into an 8- or 24-bit image: palette pages keep their indices and
// palette; grey pages get the grey ramp (white-is-zero pages are inverted so that they show the
// document; 4-bit values v become 17 v); pages with more than two samples per pixel become RGB
// (CMYK and other colour spaces through libtiff's RGBA reader). False when the page cannot be
// read.
bool LoadFirstPage(TIFF* tiff, const PageDescription& page, JpegImage* image);

}  // namespace qid
