// The DCT carrier's encoder: a whole collected 8-bit page re-encoded as baseline JPEG.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imagewriter/pdf/pdf_output.h"
#include "imagewriter/pdf/pdf_page.h"

namespace qid::pdf {

// Encodes info.length rows of info.width × info.samples bytes (samples 1 grey, 3 RGB,
// 4 CMYK) at `quality`, releases `rows` (capacity bytes, so that the page's rows and its JPEG
// are not held longer than needed) and writes the JPEG with PdfWrite. The JPEG is collected in
// a block that starts at capacity / 4 bytes and grows as needed. 0; 1 when memory is short or
// libjpeg refuses the image, in which case nothing is written.
int EncodeDct(PdfOutput& out, MallocArray<uint8_t> rows, size_t capacity, const PageInfo& info,
              int quality);

}  // namespace qid::pdf
