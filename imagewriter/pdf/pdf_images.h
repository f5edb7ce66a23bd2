// How one TIFF page's image is carried into the PDF, and the image's share of the page's
// eight objects.
//
// Three carriers: the Group 4 data of a single-strip fax page is copied unchanged
// (CCITTFaxDecode); 8-bit pages other than palette pages are re-encoded as baseline JPEG
// (DCTDecode); everything else is decoded row by row and compressed with zlib (FlateDecode).
// Palette pages keep their indices and get an indexed colour space with a lookup object.
//
// Beyond the row reader libtiff offers, tiled pages are read a row of tiles at a time and cut
// into rows, so they take the same carriers; JPEG-compressed YCbCr pages are read as RGB.
// Pages the writer does not carry: more than one sample per pixel in separate planes, rows
// packed otherwise than pixel after pixel (subsampled YCbCr), and bit depths a PDF image
// cannot have (other than 1, 2, 4, 8, 16; palettes up to 8).
#pragma once

#include <cstdint>
#include <memory>

#include "imagewriter/pdf/pdf_output.h"
#include "imagewriter/pdf/pdf_page.h"

typedef struct tiff TIFF;

namespace qid::pdf {

enum class Carrier { kFlate, kDct, kCcitt };

struct TiffFreeDeleter {
  void operator()(void* p) const;  // _TIFFfree
};
using TiffBuffer = std::unique_ptr<uint8_t[], TiffFreeDeleter>;

// The per-page state; all of it is released when the page is done.
struct PageImage {
  size_t row_size = 0;        // TIFFScanlineSize
  TiffBuffer row;             // row_size + 16384 bytes
  // Tiled pages: one row of tiles cut into rows, and the tile being read.
  TiffBuffer band;
  TiffBuffer tile;
  uint32_t tile_width = 0;
  uint32_t tile_length = 0;
  size_t tile_size = 0;
  size_t tile_row_size = 0;
  uint32_t band_first_row = 0;
  bool band_loaded = false;
  // Palette pages: the colour map scaled to 0..255; entries past the map stay 0 (black).
  bool palette = false;
  uint8_t colors[3][256] = {};
  Carrier carrier = Carrier::kFlate;
};

// Before the page's first object: computes the row size and allocates the row buffer (and the
// tile band of a tiled page). 0, or 1 when the page is damaged beyond carrying (a zero or
// absurd size, a row or band too large to hold) or memory is short.
int PreparePageImage(TIFF* tif, const PageInfo& info, PageImage* image);

// Inside the image object, after its "/Height" line: the colour and filter entries, ">>",
// "stream" and the image data; *length is the data's byte count. 0; 1 (colour map unreadable,
// memory, a raw strip that cannot be read, JPEG encoding failed); 99 (a page kind the writer
// does not carry: see above; the SamplesPerPixel case follows its "/BitsPerComponent" line).
int WriteImageData(PdfOutput& out, TIFF* tif, const PageInfo& info, int jpeg_quality,
                   int page_object, PageImage* image, uint64_t* length);

// After the image length object: objects N+5 to N+7 (N the page object), the palette's colour
// space and lookup table or three filler objects. 0, or 1 when memory is short.
int WriteImageTail(PdfOutput& out, const PageImage& image, int page_object);

// The largest block the writer holds for one page's rows or tile band, and for the rows of a
// DCT page; a DCT page needing more is carried with Flate instead.
inline constexpr uint64_t kMaxPageBuffer = 256u << 20;
// The largest image side baseline JPEG can carry.
inline constexpr uint32_t kMaxDctSide = 65500;

}  // namespace qid::pdf
