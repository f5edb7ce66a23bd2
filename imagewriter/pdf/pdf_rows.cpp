#include "imagewriter/pdf/pdf_rows.h"

#include <tiffio.h>

#include <cstring>

namespace qid::pdf {
namespace {

constexpr size_t kRowSlack = 16384;

// The stored byte that shows white on this page, before the photometric inversion.
uint8_t BlankByte(const PageInfo& info) {
  if (info.photometric == PHOTOMETRIC_PALETTE) return 0x00;
  if (info.samples == 1 && info.photometric == PHOTOMETRIC_MINISWHITE) return 0x00;
  if (info.samples == 4) return 0x00;  // no ink
  return 0xFF;
}

bool HostIsLittleEndian() {
  const uint16_t one = 1;
  uint8_t first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

uint8_t* Allocate(uint64_t n) {
  if (n == 0 || n > kMaxPageBuffer + kRowSlack) return nullptr;
  return static_cast<uint8_t*>(_TIFFmalloc(static_cast<tmsize_t>(n)));
}

int PrepareTiles(TIFF* tif, const PageInfo& info, PageImage* image) {
  uint32_t tw = 0, tl = 0;
  if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &tl) ||
      tw == 0 || tl == 0) {
    return 1;
  }
  // Each tile's part of a row must start on a byte of the row.
  if ((static_cast<uint64_t>(tw) * info.bits * info.samples) % 8 != 0) return 1;
  uint64_t tile_size = TIFFTileSize64(tif);
  uint64_t tile_row = TIFFTileRowSize64(tif);
  if (tile_size == 0 || tile_row == 0) return 1;
  uint64_t band = static_cast<uint64_t>(image->row_size) * (tl < info.length ? tl : info.length);
  if (band > kMaxPageBuffer || tile_size > kMaxPageBuffer) return 1;
  image->band.reset(Allocate(band));
  image->tile.reset(Allocate(tile_size));
  if (!image->band || !image->tile) return 1;
  image->tile_width = tw;
  image->tile_length = tl;
  image->tile_size = static_cast<size_t>(tile_size);
  image->tile_row_size = static_cast<size_t>(tile_row);
  image->band_loaded = false;
  return 0;
}

// Reads the row of tiles that holds row r into the band.
void LoadBand(TIFF* tif, const PageInfo& info, PageImage* image, uint32_t r) {
  uint32_t first = r - r % image->tile_length;
  uint32_t rows = info.length - first < image->tile_length ? info.length - first
                                                           : image->tile_length;
  size_t row_size = image->row_size;
  for (uint32_t x = 0, col = 0; x < info.width; x += image->tile_width, ++col) {
    uint64_t offset = static_cast<uint64_t>(col) * image->tile_row_size;
    if (offset >= row_size) break;
    size_t part = row_size - offset < image->tile_row_size ? static_cast<size_t>(row_size - offset)
                                                           : image->tile_row_size;
    bool read = TIFFReadTile(tif, image->tile.get(), x, first, 0, 0) >= 0;
    for (uint32_t i = 0; i < rows; ++i) {
      uint8_t* to = image->band.get() + static_cast<size_t>(i) * row_size + offset;
      if (read) {
        std::memcpy(to, image->tile.get() + static_cast<size_t>(i) * image->tile_row_size, part);
      } else {
        std::memset(to, BlankByte(info), part);
      }
    }
  }
  image->band_first_row = first;
  image->band_loaded = true;
}

}  // namespace

int PrepareRows(TIFF* tif, const PageInfo& info, PageImage* image) {
  if (info.width == 0 || info.length == 0 || info.width > kMaxPageSide ||
      info.length > kMaxPageSide) {
    return 1;
  }
  if (info.compression == COMPRESSION_JPEG && info.photometric == PHOTOMETRIC_YCBCR) {
    // Let libtiff's JPEG codec deliver RGB rows instead of subsampled YCbCr.
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  uint64_t row_size = TIFFScanlineSize64(tif);
  if (row_size == 0 || row_size > kMaxPageBuffer) return 1;
  image->row_size = static_cast<size_t>(row_size);
  image->row.reset(Allocate(row_size + kRowSlack));
  if (!image->row) return 1;
  if (info.tiled) return PrepareTiles(tif, info, image);
  return 0;
}

void ReadPdfRow(TIFF* tif, const PageInfo& info, PageImage* image, uint32_t r, uint8_t* to) {
  uint8_t* row = to;
  size_t n = image->row_size;
  if (info.tiled) {
    if (!image->band_loaded || r < image->band_first_row ||
        r >= image->band_first_row + image->tile_length) {
      LoadBand(tif, info, image, r);
    }
    std::memcpy(row, image->band.get() + static_cast<size_t>(r - image->band_first_row) * n, n);
  } else if (TIFFReadScanline(tif, row, r, 0) < 0) {
    std::memset(row, BlankByte(info), n);
  }
  if (info.samples == 1 && info.photometric == PHOTOMETRIC_MINISWHITE) {
    for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(~row[i]);
  }
  if (info.bits == 16 && HostIsLittleEndian()) {
    for (size_t i = 0; i + 1 < n; i += 2) {
      uint8_t low = row[i];
      row[i] = row[i + 1];
      row[i + 1] = low;
    }
  }
}

}  // namespace qid::pdf
