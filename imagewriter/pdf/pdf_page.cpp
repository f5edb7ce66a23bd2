#include "imagewriter/pdf/pdf_page.h"

#include <tiffio.h>

#include <cmath>

namespace qid::pdf {
namespace {

bool Usable(float resolution) { return std::isfinite(resolution) && resolution > 0; }

}  // namespace

PageInfo ReadPageInfo(TIFF* tif) {
  PageInfo info;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &info.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &info.length);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &info.compression);
  uint16_t samples = 0;
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  info.samples = samples == 0 ? 1 : samples;
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &info.x_resolution);
  TIFFGetField(tif, TIFFTAG_YRESOLUTION, &info.y_resolution);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &info.photometric);
  TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &info.resolution_unit);
  uint16_t bits = 0;
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  info.bits = bits == 0 ? 1 : bits;
  TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &info.planar);
  info.tiled = TIFFIsTiled(tif) != 0;
  return info;
}

bool ComputePageGeometry(const PageInfo& info, PageGeometry* geometry) {
  double sx = 1;
  double sy = 1;
  if (info.resolution_unit != RESUNIT_CENTIMETER) {
    float x = info.x_resolution;
    float y = info.y_resolution;
    if (!Usable(x)) x = y;
    if (!Usable(y)) y = x;
    if (Usable(x)) {
      sx = 72.0 / x;
      sy = 72.0 / y;
    }
  }
  double w = info.width * sx;
  double h = info.length * sy;
  constexpr double kLimit = 2147483648.0;  // 2^31: the MediaBox holds whole numbers of points
  if (!(w < kLimit) || !(h < kLimit)) return false;
  geometry->w = w;
  geometry->h = h;
  geometry->media_w = static_cast<int>(w);
  geometry->media_h = static_cast<int>(h);
  return true;
}

}  // namespace qid::pdf
