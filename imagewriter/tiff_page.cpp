#include "imagewriter/tiff_page.h"

#include <tiffio.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "common/debug_trace.h"

namespace qid {
namespace {

constexpr char kTag[] = "JPG01:  ";
constexpr tmsize_t kMaxLibtiffAllocation = tmsize_t(512) << 20;

// --- libtiff over a platform File ------------------------------------------------------------

File* AsFile(thandle_t handle) { return static_cast<File*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t n) {
  if (n < 0) return -1;
  size_t got = 0;
  if (AsFile(handle)->Read(buffer, static_cast<size_t>(n), &got) != kSuccess) return -1;
  return static_cast<tmsize_t>(got);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }  // opened for reading only

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  File* file = AsFile(handle);
  int64_t base = 0;
  if (whence == SEEK_CUR) {
    base = static_cast<int64_t>(file->Tell());
  } else if (whence == SEEK_END) {
    uint64_t size = 0;
    if (file->Size(&size) != kSuccess) return static_cast<toff_t>(-1);
    base = static_cast<int64_t>(size);
  }
  int64_t target = base + static_cast<int64_t>(offset);
  if (target < 0 || file->Seek(static_cast<uint64_t>(target)) != kSuccess) {
    return static_cast<toff_t>(-1);
  }
  return static_cast<toff_t>(target);
}

int CloseProc(thandle_t) { return 0; }  // the File belongs to OpenedTiff

toff_t SizeProc(thandle_t handle) {
  uint64_t size = 0;
  return AsFile(handle)->Size(&size) == kSuccess ? size : 0;
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

void TraceLibtiff(const char* kind, const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  DebugTrace(kTag, "libtiff %s: %s: %s", kind, module != nullptr ? module : "", text);
}

int OnTiffError(TIFF*, void*, const char* module, const char* format, va_list args) {
  TraceLibtiff("error", module, format, args);
  return 1;  // handled: nothing reaches stderr
}

int OnTiffWarning(TIFF*, void*, const char* module, const char* format, va_list args) {
  TraceLibtiff("warning", module, format, args);
  return 1;
}

uint32_t WholeNumber(float value) {
  // 2^32 itself is a float; anything from there up does not fit.
  if (!(value >= 0.0f) || value >= 4294967296.0f) return 0;
  return static_cast<uint32_t>(value);
}

bool AllocatePixels(size_t bytes, PixelBuffer* pixels) {
  pixels->bytes.reset(new (std::nothrow) uint8_t[bytes]);
  pixels->length = pixels->bytes != nullptr ? bytes : 0;
  return pixels->bytes != nullptr;
}

// --- loading ---------------------------------------------------------------------------------

void SetGreyRamp(JpegImage* image) {
  for (int i = 0; i < 256; ++i) {
    image->palette[i][0] = image->palette[i][1] = image->palette[i][2] = uint8_t(i);
  }
  image->grey = true;
}

// Palette pages: the high byte of each 16-bit colour map value. The grey flag is set when the
// colour map is the linear grey ramp of the page's depth.
bool TakePalette(TIFF* tiff, uint16_t bits, JpegImage* image) {
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (!TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue)) return false;
  const int entries = 1 << bits;
  bool ramp = true;
  for (int i = 0; i < entries; ++i) {
    image->palette[i][0] = uint8_t(red[i] >> 8);
    image->palette[i][1] = uint8_t(green[i] >> 8);
    image->palette[i][2] = uint8_t(blue[i] >> 8);
    const uint8_t level = uint8_t(i * 255 / (entries - 1));
    ramp = ramp && image->palette[i][0] == level && image->palette[i][1] == level &&
           image->palette[i][2] == level;
  }
  image->grey = ramp;
  return true;
}

// Pages of one or two samples of 4 or 8 bits, stored in strips: the first sample of each pixel.
bool LoadSmallSamples(TIFF* tiff, const PageDescription& page, JpegImage* image) {
  const bool palette = page.photometric == PHOTOMETRIC_PALETTE;
  const bool inverted = page.photometric == PHOTOMETRIC_MINISWHITE;
  if (palette) {
    if (!TakePalette(tiff, page.bits_per_sample, image)) return false;
  } else {
    SetGreyRamp(image);
  }
  // A widened grey-ramp palette shows its levels directly, so the image stays one component.
  const bool widen_to_levels = page.bits_per_sample == 4 && image->grey;
  std::vector<uint8_t> line;
  try {
    line.resize(static_cast<size_t>(TIFFScanlineSize(tiff)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  const uint32_t step = page.samples_per_pixel;  // samples per pixel
  for (uint32_t y = 0; y < page.length; ++y) {
    if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) return false;
    uint8_t* row = image->pixels.data() + size_t(y) * image->Stride();
    for (uint32_t x = 0; x < page.width; ++x) {
      uint8_t v;
      if (page.bits_per_sample == 8) {
        v = line[size_t(x) * step];
      } else {
        size_t nibble = size_t(x) * step;
        uint8_t byte = line[nibble / 2];
        v = (nibble % 2) ? (byte & 0x0F) : (byte >> 4);
        if (widen_to_levels) v = uint8_t(v * 17);
      }
      row[x] = inverted ? uint8_t(255 - v) : v;
    }
  }
  if (widen_to_levels) SetGreyRamp(image);
  return true;
}

// Contiguous 8-bit RGB (with or without extra samples): straight into the image rows.
bool LoadRgbStrips(TIFF* tiff, const PageDescription& page, JpegImage* image) {
  const size_t stride = image->Stride();
  if (page.samples_per_pixel == 3 && static_cast<size_t>(TIFFScanlineSize(tiff)) == stride) {
    for (uint32_t y = 0; y < page.length; ++y) {
      if (TIFFReadScanline(tiff, image->pixels.data() + size_t(y) * stride, y, 0) < 0) {
        return false;
      }
    }
    return true;
  }
  std::vector<uint8_t> line;
  try {
    line.resize(static_cast<size_t>(TIFFScanlineSize(tiff)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  const size_t step = page.samples_per_pixel;
  for (uint32_t y = 0; y < page.length; ++y) {
    if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) return false;
    uint8_t* row = image->pixels.data() + size_t(y) * stride;
    for (uint32_t x = 0; x < page.width; ++x) {
      row[3 * x] = line[x * step];
      row[3 * x + 1] = line[x * step + 1];
      row[3 * x + 2] = line[x * step + 2];
    }
  }
  return true;
}

// Everything else (tiles, separate planes, CMYK, YCbCr, 16-bit colour, other photometrics):
// libtiff's RGBA reader. Grey images keep one level per pixel.
bool LoadThroughRgba(TIFF* tiff, const PageDescription& page, JpegImage* image) {
  uint64_t count = uint64_t(page.width) * page.length;
  if (count * 4 > kMaxImageBytes) return false;
  uint32_t* raster = static_cast<uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(count * 4)));
  if (raster == nullptr) return false;
  bool ok = TIFFReadRGBAImageOriented(tiff, page.width, page.length, raster,
                                      ORIENTATION_TOPLEFT, 0) != 0;
  if (ok) {
    const bool grey = image->bits_per_pixel == 8;
    if (grey) SetGreyRamp(image);
    uint8_t* out = image->pixels.data();
    for (uint64_t i = 0; i < count; ++i) {
      uint32_t p = raster[i];
      if (grey) {
        *out++ = uint8_t(TIFFGetR(p));
      } else {
        *out++ = uint8_t(TIFFGetR(p));
        *out++ = uint8_t(TIFFGetG(p));
        *out++ = uint8_t(TIFFGetB(p));
      }
    }
  }
  _TIFFfree(raster);
  return ok;
}

}  // namespace

OpenedTiff::~OpenedTiff() {
  if (tiff != nullptr) TIFFClose(tiff);
}

bool OpenTiffForReading(FileSystem& files, const std::string& path, OpenedTiff* opened) {
  ErrorCode err = files.OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting,
                                 FileShare::kRead, &opened->file);
  if (err != kSuccess) {
    DebugTrace(kTag, "cannot open %s => err %d", path.c_str(), int(err));
    return false;
  }
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return false;
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibtiffAllocation);
  // "m": no memory mapping; reads go through the File.
  opened->tiff = TIFFClientOpenExt(path.c_str(), "rm", opened->file.get(), ReadProc, WriteProc,
                                   SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  if (opened->tiff == nullptr) {
    DebugTrace(kTag, "%s is no readable TIFF", path.c_str());
    return false;
  }
  return true;
}

PageDescription ReadPageDescription(TIFF* tiff) {
  PageDescription page;
  uint16_t u16 = 0;
  float f = 0;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.length);
  if (TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &u16)) page.bits_per_sample = u16;
  if (TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &u16)) page.samples_per_pixel = u16;
  if (TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &u16)) page.compression = u16;
  if (TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &u16)) page.planar_config = u16;
  if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &u16)) {
    page.photometric = u16;
  } else {
    page.photometric = page.samples_per_pixel > 2 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  }
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &f)) page.x_resolution = WholeNumber(f);
  if (TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &f)) page.y_resolution = WholeNumber(f);
  if (TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &u16)) page.resolution_unit = u16;
  page.tiled = TIFFIsTiled(tiff) != 0;
  page.bits_per_pixel = page.samples_per_pixel > 2 ? 24 : page.bits_per_sample;
  return page;
}

void TakeDensity(const PageDescription& page, JfifDensity* density) {
  auto fits = [](uint32_t r) { return r >= 1 && r < 65536; };
  if (!fits(page.x_resolution) || !fits(page.y_resolution)) {
    // JFIF has no density 0, and 1 dot per inch would be a false resolution: square pixels
    // of unknown size (units 0, 1 x 1) is what every reader understands.
    *density = JfifDensity{};
    return;
  }
  int units = int(page.resolution_unit) - 1;
  if (units >= 0 && units <= 2) density->units = uint8_t(units);
  density->x = uint16_t(page.x_resolution);
  density->y = uint16_t(page.y_resolution);
}

bool CreateJpegImage(const PageDescription& page, JpegImage* image) {
  uint16_t depth = page.bits_per_pixel;
  if (page.width == 0 || page.length == 0) return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24) return false;
  *image = JpegImage{};
  image->width = page.width;
  image->length = page.length;
  image->bits_per_pixel = depth == 4 ? 8 : depth;
  if (image->bits_per_pixel != 8 && image->bits_per_pixel != 24) return true;  // never encoded
  uint64_t bytes = uint64_t(image->Stride()) * page.length;
  if (bytes > kMaxImageBytes) {
    DebugTrace(kTag, "page of %u x %u too large to hold", page.width, page.length);
    return false;
  }
  if (!AllocatePixels(static_cast<size_t>(bytes), &image->pixels)) {
    DebugTrace(kTag, "no memory for a page of %u x %u", page.width, page.length);
    return false;
  }
  return true;
}

bool LoadFirstPage(TIFF* tiff, const PageDescription& page, JpegImage* image) {
  if (image->pixels.empty()) return false;
  const bool strips = !page.tiled && (page.planar_config == PLANARCONFIG_CONTIG ||
                                      page.samples_per_pixel == 1);
  const bool grey_or_palette = page.photometric == PHOTOMETRIC_MINISBLACK ||
                               page.photometric == PHOTOMETRIC_MINISWHITE ||
                               page.photometric == PHOTOMETRIC_PALETTE;
  if (image->bits_per_pixel == 8 && strips && grey_or_palette &&
      page.samples_per_pixel <= 2 && (page.bits_per_sample == 4 || page.bits_per_sample == 8)) {
    return LoadSmallSamples(tiff, page, image);
  }
  if (image->bits_per_pixel == 24 && strips && page.photometric == PHOTOMETRIC_RGB &&
      page.bits_per_sample == 8) {
    return LoadRgbStrips(tiff, page, image);
  }
  // A palette page read as RGBA comes back in colour: the image then holds RGB.
  if (image->bits_per_pixel == 8 && page.photometric == PHOTOMETRIC_PALETTE) {
    uint64_t bytes = uint64_t(page.width) * page.length * 3;
    if (bytes > kMaxImageBytes || !AllocatePixels(static_cast<size_t>(bytes), &image->pixels)) {
      return false;
    }
    image->bits_per_pixel = 24;
  }
  return LoadThroughRgba(tiff, page, image);
}

}  // namespace qid
