#include "tests/support/imaging/test_tiff.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace qid::testing {
namespace {

// A colour map whose entries differ per channel and seed.
std::vector<uint16_t> GeneratedColormap(uint16_t bits, int seed) {
  size_t n = size_t(1) << bits;
  std::vector<uint16_t> map(3 * n);
  for (size_t i = 0; i < n; ++i) {
    map[i] = static_cast<uint16_t>(i * 257 * 3);
    map[n + i] = static_cast<uint16_t>(0xFFFF - i * 100);
    map[2 * n + i] = static_cast<uint16_t>(i * 1000 + seed);
  }
  return map;
}

void SetCodecFields(TIFF* tif, const TestPage& p) {
  if (p.predictor != 1) TIFFSetField(tif, TIFFTAG_PREDICTOR, p.predictor);
  if (p.compression == COMPRESSION_CCITTFAX3)
    TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS);
  if (p.t6_options >= 0) TIFFSetField(tif, TIFFTAG_GROUP4OPTIONS, uint32_t(p.t6_options));
  if (p.compression == COMPRESSION_JPEG) {
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
    if (p.samples == 3) {
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
      TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
  }
}

bool WriteTiles(TIFF* tif, const TestPage& p, const std::vector<uint8_t>& rows) {
  TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile_width);
  TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile_length);
  size_t line = ScanlineBytes(p);
  size_t tile_line = static_cast<size_t>(p.tile_width) * p.bits * p.samples / 8;
  std::vector<uint8_t> tile(tile_line * p.tile_length);
  bool ok = true;
  for (uint32_t y = 0; y < p.length; y += p.tile_length) {
    for (uint32_t x = 0; x < p.width; x += p.tile_width) {
      std::fill(tile.begin(), tile.end(), 0);
      size_t from = static_cast<size_t>(x) * p.bits * p.samples / 8;
      for (uint32_t i = 0; i < p.tile_length && y + i < p.length; ++i) {
        size_t n = std::min(tile_line, line - from);
        std::memcpy(&tile[i * tile_line], &rows[(y + i) * line + from], n);
      }
      ok = ok && TIFFWriteTile(tif, tile.data(), x, y, 0, 0) >= 0;
    }
  }
  return ok;
}

// libtiff's rows of a subsampled YCbCr page are packed blocks of luma and chroma.
bool WritePackedYcbcr(TIFF* tif, const TestPage& p) {
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
  TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, p.ycbcr_subsampling, p.ycbcr_subsampling);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.length);
  std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(tif)), 0x80);
  return TIFFWriteEncodedStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size())) >= 0;
}

// Separate planes: every plane's row is the start of the pixel row.
bool WritePlanes(TIFF* tif, const TestPage& p, std::vector<uint8_t>* rows) {
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rows_per_strip == 0 ? p.length : p.rows_per_strip);
  size_t line = ScanlineBytes(p);
  bool ok = true;
  for (uint16_t s = 0; s < p.samples; ++s)
    for (uint32_t r = 0; ok && r < p.length; ++r)
      ok = TIFFWriteScanline(tif, rows->data() + r * line, r, s) >= 0;
  return ok;
}

}  // namespace

TestPage FaxPage(uint32_t width, uint32_t length) {
  TestPage p;
  p.width = width;
  p.length = length;
  p.bits = 1;
  p.compression = COMPRESSION_CCITTFAX4;
  p.photometric = PHOTOMETRIC_MINISWHITE;
  p.t6_options = 0;
  p.x_resolution = 204;
  p.y_resolution = 196;
  return p;
}

size_t ScanlineBytes(const TestPage& p) {
  return (static_cast<size_t>(p.width) * p.bits * p.samples + 7) / 8;
}

std::vector<uint8_t> PagePixels(const TestPage& p) {
  if (!p.pixels.empty()) return p.pixels;
  size_t line = ScanlineBytes(p);
  std::vector<uint8_t> rows(line * p.length);
  for (size_t i = 0; i < rows.size(); ++i) {
    size_t x = i % line, y = i / line;
    rows[i] = p.bits == 1 ? (((x + y / 3 + p.seed) % 5) < 2 ? 0xFF : 0x00)
                          : static_cast<uint8_t>((i * 37 + i / 7 + p.seed * 29) & 0xFF);
  }
  return rows;
}

bool WriteTestTiff(const std::string& path, const std::vector<TestPage>& pages,
                   const char* mode) {
  TIFF* tif = TIFFOpen(path.c_str(), mode);
  if (tif == nullptr) return false;
  bool ok = true;
  for (const TestPage& p : pages) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.length);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.palette ? PHOTOMETRIC_PALETTE : p.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
    TIFFSetField(tif, TIFFTAG_FILLORDER, p.fill_order);
    if (p.x_resolution > 0) TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.x_resolution);
    if (p.y_resolution > 0) TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.y_resolution);
    if (p.unit != 0) TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, p.unit);
    if (p.samples == 2) {
      uint16_t extra = EXTRASAMPLE_UNASSALPHA;
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    SetCodecFields(tif, p);
    std::vector<uint16_t> map = p.colormap;
    if (map.empty() && p.palette) map = GeneratedColormap(p.bits, p.seed);
    if (!map.empty()) {
      size_t n = map.size() / 3;
      TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
    }
    std::vector<uint8_t> rows = PagePixels(p);
    if (p.ycbcr_subsampling != 0) {
      ok = ok && WritePackedYcbcr(tif, p);
    } else if (p.planar == PLANARCONFIG_SEPARATE) {
      ok = ok && WritePlanes(tif, p, &rows);
    } else if (p.tile_width != 0) {
      ok = ok && WriteTiles(tif, p, rows);
    } else {
      size_t line = ScanlineBytes(p);
      ok = ok && rows.size() >= line * p.length;
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rows_per_strip == 0 ? p.length : p.rows_per_strip);
      for (uint32_t r = 0; ok && r < p.length; ++r) {
        ok = TIFFWriteScanline(tif, &rows[r * line], r, 0) >= 0;
      }
    }
    ok = ok && TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return ok;
}

std::vector<uint16_t> GreyColormap(uint16_t bits) {
  size_t n = size_t(1) << bits;
  std::vector<uint16_t> map(3 * n);
  for (size_t c = 0; c < 3; ++c)
    for (size_t i = 0; i < n; ++i) map[c * n + i] = static_cast<uint16_t>(i * 65535 / (n - 1));
  return map;
}

std::string RawStrip(const std::string& path, int d, uint32_t s) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif == nullptr) return {};
  std::string bytes;
  if (TIFFSetDirectory(tif, static_cast<tdir_t>(d))) {
    uint64_t* counts = nullptr;
    TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts);
    bytes.resize(counts[s]);
    tmsize_t got = TIFFReadRawStrip(tif, s, bytes.data(), static_cast<tmsize_t>(bytes.size()));
    bytes.resize(got < 0 ? 0 : static_cast<size_t>(got));
  }
  TIFFClose(tif);
  return bytes;
}

bool PatchTag(const std::string& path, uint16_t tag, uint32_t value) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  std::string b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  auto u16 = [&](size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); };
  auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
  if (b.size() < 8 || b[0] != 'I') return false;
  size_t ifd = u32(4);
  uint16_t n = u16(ifd);
  for (uint16_t i = 0; i < n; ++i) {
    size_t e = ifd + 2 + 12 * size_t(i);
    if (u16(e) != tag || u32(e + 4) != 1) continue;
    size_t at = e + 8;
    int width = u16(e + 2) == 3 ? 2 : 4;
    for (int k = 0; k < width; ++k) b[at + k] = static_cast<char>(value >> (8 * k));
    f.seekp(0);
    f.write(b.data(), static_cast<std::streamsize>(b.size()));
    return true;
  }
  return false;
}

std::vector<DecodedPage> DecodeTiffPages(const std::string& path, bool jpeg_as_rgb) {
  std::vector<DecodedPage> pages;
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return pages;
  do {
    DecodedPage page;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (jpeg_as_rgb && compression == COMPRESSION_JPEG)
      TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.length);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &page.bits_per_sample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &page.samples_per_pixel);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &page.photometric);
    tmsize_t line = TIFFScanlineSize(tiff);
    bool ok = line > 0;
    if (ok) page.pixels.resize(size_t(line) * page.length);
    for (uint32_t y = 0; ok && y < page.length; ++y) {
      ok = TIFFReadScanline(tiff, page.pixels.data() + size_t(y) * line, y, 0) >= 0;
    }
    if (!ok) break;
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tiff));
  TIFFClose(tiff);
  return pages;
}

std::vector<std::vector<uint8_t>> DecodedPixels(const std::string& path, bool jpeg_as_rgb) {
  std::vector<std::vector<uint8_t>> pixels;
  for (DecodedPage& page : DecodeTiffPages(path, jpeg_as_rgb)) pixels.push_back(std::move(page.pixels));
  return pixels;
}

}  // namespace qid::testing
