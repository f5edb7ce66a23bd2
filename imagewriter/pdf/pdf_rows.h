// The rows of one page as the PDF image wants them, read in order from the top.
#pragma once

#include "imagewriter/pdf/pdf_images.h"
#include "imagewriter/pdf/pdf_page.h"

typedef struct tiff TIFF;

namespace qid::pdf {

// Row size, row buffer and (for tiled pages) the tile band; see PreparePageImage.
int PrepareRows(TIFF* tif, const PageInfo& info, PageImage* image);

// Reads row r into `to` (row_size bytes), rows taken in order 0, 1, ... A row libtiff
// cannot read does not stop the page: it is carried white (index 0 on a palette page).
// Then a one-sample white-is-zero page is inverted, so that zero is black as in the PDF grey
// space, and 16-bit samples are put in the PDF's byte order (most significant first).
void ReadPdfRow(TIFF* tif, const PageInfo& info, PageImage* image, uint32_t r, uint8_t* to);

}  // namespace qid::pdf
