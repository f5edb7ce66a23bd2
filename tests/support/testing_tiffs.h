// Source TIFFs for the driver's tests, written with libtiff so that they are what other
// programs produce (codecs, strips, byte orders), and readers that compare pages decoded by
// libtiff. Test-only; header-only so that no library carries it.
#pragma once

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qid::driver::testing {

struct SourcePage {
  uint32_t width = 40;
  uint32_t length = 30;
  uint16_t samples = 1;
  uint16_t bits = 8;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t fill_order = FILLORDER_MSB2LSB;
  uint16_t predictor = 1;
  uint32_t rows_per_strip = 7;  // several strips, the last one short
  bool palette = false;
  bool tiled = false;
  float dpi = 200;
  int seed = 1;                 // varies the pixels from page to page
};

// Row bytes of a page as libtiff hands them out.
inline size_t RowBytes(const SourcePage& p) {
  return (size_t(p.width) * p.samples * p.bits + 7) / 8;
}

// Pixels that differ per row, column and page, with long runs for the fax codecs.
inline std::vector<uint8_t> PagePixels(const SourcePage& p) {
  size_t row = RowBytes(p);
  std::vector<uint8_t> out(row * p.length);
  for (uint32_t y = 0; y < p.length; ++y)
    for (size_t x = 0; x < row; ++x)
      out[y * row + x] = p.bits == 1 ? (((x + y / 3 + p.seed) % 5) < 2 ? 0xFF : 0x00)
                                     : static_cast<uint8_t>(x * 7 + y * 13 + p.seed * 29);
  return out;
}

// Writes the pages to `path` ("w" little-endian or "wb" big-endian mode). False on a libtiff
// error.
inline bool WriteSourceTiff(const std::string& path, const std::vector<SourcePage>& pages,
                            const char* mode = "w") {
  TIFF* tif = TIFFOpen(path.c_str(), mode);
  if (tif == nullptr) return false;
  bool ok = true;
  for (const SourcePage& p : pages) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.length);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.palette ? PHOTOMETRIC_PALETTE : p.photometric);
    TIFFSetField(tif, TIFFTAG_FILLORDER, p.fill_order);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.dpi);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.dpi);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (p.predictor != 1) TIFFSetField(tif, TIFFTAG_PREDICTOR, p.predictor);
    if (p.compression == COMPRESSION_CCITTFAX4) TIFFSetField(tif, TIFFTAG_GROUP4OPTIONS, 0);
    if (p.compression == COMPRESSION_CCITTFAX3)
      TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS);
    if (p.compression == COMPRESSION_JPEG) {
      TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
      if (p.samples == 3) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
      }
    }
    std::vector<uint16_t> map;
    if (p.palette) {
      size_t n = size_t(1) << p.bits;
      map.resize(3 * n);
      for (size_t i = 0; i < n; ++i) {
        map[i] = static_cast<uint16_t>(i * 257 * 3);
        map[n + i] = static_cast<uint16_t>(0xFFFF - i * 100);
        map[2 * n + i] = static_cast<uint16_t>(i * 1000 + p.seed);
      }
      TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    std::vector<uint8_t> pixels = PagePixels(p);
    size_t row = RowBytes(p);
    if (p.tiled) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
      std::vector<uint8_t> tile(TIFFTileSize(tif), 0);
      for (uint32_t t = 0; t < TIFFNumberOfTiles(tif); ++t)
        ok = ok && TIFFWriteEncodedTile(tif, t, tile.data(), tile.size()) >= 0;
    } else {
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rows_per_strip);
      for (uint32_t y = 0; y < p.length; ++y)
        ok = ok && TIFFWriteScanline(tif, pixels.data() + y * row, y, 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return ok;
}

// Every page of a TIFF file decoded by libtiff, row after row, for comparing pixels. With
// `rgb_jpeg` a YCbCr JPEG page is decoded to RGB. Empty when the file cannot be read.
inline std::vector<std::vector<uint8_t>> DecodedPages(const std::string& path,
                                                      bool rgb_jpeg = false) {
  std::vector<std::vector<uint8_t>> pages;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return pages;
  do {
    uint16_t compression = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (rgb_jpeg && compression == COMPRESSION_JPEG)
      TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    uint32_t length = 0;
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length);
    std::vector<uint8_t> page;
    std::vector<uint8_t> row(TIFFScanlineSize(tif));
    for (uint32_t y = 0; y < length; ++y) {
      if (TIFFReadScanline(tif, row.data(), y, 0) != 1) {
        ADD_FAILURE() << path << ": row " << y << " of page " << pages.size() + 1;
        TIFFClose(tif);
        return {};
      }
      page.insert(page.end(), row.begin(), row.end());
    }
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tif));
  TIFFClose(tif);
  return pages;
}

}  // namespace qid::driver::testing
