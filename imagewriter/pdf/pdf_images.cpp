#include "imagewriter/pdf/pdf_images.h"

#include <tiffio.h>

#include <cstring>

#include "common/debug_trace.h"
#include "imagewriter/pdf/pdf_dct.h"
#include "imagewriter/pdf/pdf_rows.h"
#include "imagewriter/pdf/pdf_writer.h"
#include "imagewriter/tiff_reader.h"

namespace qid::pdf {

void TiffFreeDeleter::operator()(void* p) const { _TIFFfree(p); }
namespace {

constexpr uint32_t kFaxWidth = 1728;  // the PDF's default /Columns
constexpr size_t kDctSlack = 1024;

bool PdfBitDepth(uint16_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
}

// Reads the colour map and scales it to 0..255 (v × 255 / 65535, truncated).
bool LoadPalette(TIFF* tif, const PageInfo& info, PageImage* image) {
  uint16_t* red = nullptr;
  uint16_t* green = nullptr;
  uint16_t* blue = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || red == nullptr ||
      green == nullptr || blue == nullptr) {
    return false;
  }
  const uint16_t* maps[3] = {red, green, blue};
  uint32_t entries = 1u << info.bits;
  for (int c = 0; c < 3; ++c) {
    for (uint32_t i = 0; i < entries; ++i) {
      image->colors[c][i] = static_cast<uint8_t>(maps[c][i] * 255u / 65535u);
    }
  }
  image->palette = true;
  return true;
}

// True when libtiff's rows are the PDF's: every sample of every pixel in order, each row
// starting on a byte. Subsampled YCbCr rows, for one, are packed differently.
bool PlainRows(const PageInfo& info, const PageImage& image) {
  uint64_t plain = (static_cast<uint64_t>(info.width) * info.bits * info.samples + 7) / 8;
  return image.row_size == plain;
}

// The colour entries; 0, 1 or 99 as WriteImageData.
int WriteColorEntries(PdfOutput& out, TIFF* tif, const PageInfo& info, int page_object,
                      PageImage* image) {
  if (info.photometric == PHOTOMETRIC_PALETTE) {
    // An indexed PDF image has one component of at most 8 bits.
    if (info.samples != 1 || info.bits > 8 || !PdfBitDepth(info.bits) ||
        !PlainRows(info, *image)) {
      return kPdfUnsupportedSamples;
    }
    if (!LoadPalette(tif, info, image)) return 1;
    PdfPrint(out, "/BitsPerComponent %d\n", info.bits);
    PdfPrint(out, "/ColorSpace %d 0 R\n", page_object + 5);
    return 0;
  }
  PdfPrint(out, "/BitsPerComponent %d\n", info.bits);
  if (info.samples == 1) {
    PdfPrint(out, "/ColorSpace /DeviceGray\n");
  } else if (info.samples == 3) {
    PdfPrint(out, "/ColorSpace /DeviceRGB\n");
  } else if (info.samples == 4) {
    PdfPrint(out, "/ColorSpace /DeviceCMYK\n");
  } else {
    return kPdfUnsupportedSamples;
  }
  // Samples in separate planes would need interleaving, packed rows unpacking; other depths
  // have no PDF form.
  if (!PdfBitDepth(info.bits) || (info.planar == PLANARCONFIG_SEPARATE && info.samples > 1) ||
      !PlainRows(info, *image)) {
    return kPdfUnsupportedSamples;
  }
  return 0;
}

Carrier ChooseCarrier(TIFF* tif, const PageInfo& info, const PageImage& image, int quality) {
  Carrier carrier = Carrier::kFlate;
  if (info.bits == 8 && quality != 0) {
    // A page too large for baseline JPEG or for holding whole stays with Flate, which streams.
    uint64_t collected = static_cast<uint64_t>(info.length) * image.row_size + kDctSlack;
    if (info.width <= kMaxDctSide && info.length <= kMaxDctSide && collected <= kMaxPageBuffer) {
      carrier = Carrier::kDct;
    }
  }
  if (info.photometric == PHOTOMETRIC_PALETTE) carrier = Carrier::kFlate;
  if (info.compression == COMPRESSION_CCITTFAX4 && !info.tiled && info.bits == 1 &&
      info.samples == 1 && TIFFNumberOfStrips(tif) == 1) {
    // A page without the tag takes the codec's own default: no uncompressed mode.
    uint32_t options = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_GROUP4OPTIONS, &options);
    if ((options & GROUP4OPT_UNCOMPRESSED) == 0) carrier = Carrier::kCcitt;
  }
  return carrier;
}

void WriteFilterEntries(PdfOutput& out, const PageInfo& info, Carrier carrier) {
  if (carrier == Carrier::kFlate) {
    PdfPrint(out, "/Filter /FlateDecode\n");
  } else if (carrier == Carrier::kDct) {
    PdfPrint(out, "/Filter /DCTDecode\n");
  } else {
    PdfPrint(out, "/Filter /CCITTFaxDecode\n");
    PdfPrint(out, "/DecodeParms << /K -1 ");
    if (info.width != kFaxWidth) PdfPrint(out, "/Columns %d ", static_cast<int>(info.width));
    // The Group 4 codes name black and white runs; with black as zero the stored bits mean
    // the opposite of what the decoder's default assumes.
    if (info.photometric == PHOTOMETRIC_MINISBLACK) PdfPrint(out, "/BlackIs1 true ");
    PdfPrint(out, "/Rows %d >>\n", static_cast<int>(info.length));
  }
}

// The single Group 4 strip, unchanged but for the bit order. 0 or 1.
int WriteCcittData(PdfOutput& out, TIFF* tif) {
  uint64_t* counts = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) || counts == nullptr) return 1;
  uint32_t strips = TIFFNumberOfStrips(tif);
  uint64_t largest = 0;
  for (uint32_t s = 0; s < strips; ++s) largest = counts[s] > largest ? counts[s] : largest;
  // A strip said to be longer than its file cannot be read; do not try to hold it.
  uint64_t file_size = TiffFileSize(tif);
  if (largest == 0 || largest > file_size || largest > kMaxPageBuffer) return 1;
  TiffBuffer strip(static_cast<uint8_t*>(_TIFFmalloc(static_cast<tmsize_t>(largest))));
  if (!strip) return 1;
  uint16_t fill_order = FILLORDER_MSB2LSB;
  TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &fill_order);
  for (uint32_t s = 0; s < strips; ++s) {
    tmsize_t got = TIFFReadRawStrip(tif, s, strip.get(), static_cast<tmsize_t>(largest));
    if (got < 0) return 1;
    if (fill_order == FILLORDER_LSB2MSB) TIFFReverseBits(strip.get(), got);
    (void)PdfWrite(out, strip.get(), static_cast<size_t>(got));  // failures stick to `out`
  }
  return 0;
}

int WriteRowData(PdfOutput& out, TIFF* tif, const PageInfo& info, int quality,
                 PageImage* image) {
  if (image->carrier == Carrier::kFlate) {
    for (uint32_t r = 0; r < info.length; ++r) {
      if (out.failed) break;  // the file is lost already; do not decode the rest
      ReadPdfRow(tif, info, image, r, image->row.get());
      FlateAppend(out, image->row.get(), image->row_size);
    }
    FlateFinish(out);
    return 0;
  }
  size_t capacity = static_cast<size_t>(info.length) * image->row_size + kDctSlack;
  MallocArray<uint8_t> rows(static_cast<uint8_t*>(std::malloc(capacity)));
  if (!rows) return 1;
  size_t used = 0;
  for (uint32_t r = 0; r < info.length; ++r) {
    // Rows are read straight into their place; a row past the capacity would be dropped.
    if (used + image->row_size > capacity) break;
    ReadPdfRow(tif, info, image, r, rows.get() + used);
    used += image->row_size;
  }
  return EncodeDct(out, std::move(rows), capacity, info, quality);
}

}  // namespace

int PreparePageImage(TIFF* tif, const PageInfo& info, PageImage* image) {
  return PrepareRows(tif, info, image);
}

int WriteImageData(PdfOutput& out, TIFF* tif, const PageInfo& info, int jpeg_quality,
                   int page_object, PageImage* image, uint64_t* length) {
  int result = WriteColorEntries(out, tif, info, page_object, image);
  if (result != 0) return result;
  image->carrier = ChooseCarrier(tif, info, *image, jpeg_quality);
  WriteFilterEntries(out, info, image->carrier);
  PdfPrint(out, ">>\n");
  PdfPrint(out, "stream\n");
  uint64_t start = PdfTell(out);
  result = image->carrier == Carrier::kCcitt ? WriteCcittData(out, tif)
                                             : WriteRowData(out, tif, info, jpeg_quality, image);
  *length = PdfTell(out) - start;
  return result;
}

int WriteImageTail(PdfOutput& out, const PageImage& image, int page_object) {
  if (!image.palette) {
    // Fillers keep every page at eight objects, so that page i's object is 8 + 8 × i.
    for (int i = 0; i < 3; ++i) {
      int number = PdfBeginObject(out);
      int offset = static_cast<int>(PdfObjectOffset(out, number));
      if (i == 0) DebugTrace(kTagPdf, "=>%d fill [%d]", number, offset);
      if (i == 1) DebugTrace(kTagPdf, "=>%d fill 2 [%d]", number, offset);
      if (i == 2) DebugTrace(kTagPdf, "=>%d fill 3 [%d]", number, offset);
      PdfObjectLine(out);
      PdfPrint(out, "%lu\n", static_cast<unsigned long>(13 + i));
      PdfPrint(out, "endobj\n");
    }
    return 0;
  }
  MallocArray<uint8_t> lookup(static_cast<uint8_t*>(std::malloc(768)));
  if (!lookup) return 1;
  for (int i = 0; i < 256; ++i) {
    for (int c = 0; c < 3; ++c) lookup[3 * i + c] = image.colors[c][i];
  }
  PdfBeginObject(out);
  PdfObjectLine(out);
  PdfPrint(out, "[/Indexed /DeviceRGB 255 %d 0 R]\n", page_object + 6);
  PdfPrint(out, "endobj\n");
  PdfBeginObject(out);
  PdfObjectLine(out);
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Filter /FlateDecode\n");
  PdfPrint(out, "/Length %d 0 R\n", page_object + 7);
  PdfPrint(out, ">>\n");
  PdfPrint(out, "stream\n");
  uint64_t start = PdfTell(out);
  FlateAppend(out, lookup.get(), 768);
  FlateFinish(out);
  uint64_t length = PdfTell(out) - start;
  PdfPrint(out, "\nendstream\n");
  PdfPrint(out, "endobj\n");
  PdfBeginObject(out);
  PdfObjectLine(out);
  PdfPrint(out, "%llu\n", static_cast<unsigned long long>(length));
  PdfPrint(out, "endobj\n");
  return 0;
}

}  // namespace qid::pdf
