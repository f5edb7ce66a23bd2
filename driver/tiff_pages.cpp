#include "driver/tiff_pages.h"

#include <tiffio.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace qid::driver {
namespace {

// libtiff's messages for the file being read, kept so the caller can say what went wrong
// instead of libtiff printing to stderr on its own.
int RememberTiffError(TIFF*, void* user_data, const char* module, const char* format,
                      va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  auto* last = static_cast<std::string*>(user_data);
  *last = module != nullptr && *module != 0 ? std::string(module) + ": " + text : text;
  return 1;
}

int IgnoreTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

class TiffReader {
 public:
  explicit TiffReader(const std::string& path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, RememberTiffError, &last_error_);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreTiffWarning, nullptr);
    tif_ = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
  }
  ~TiffReader() {
    if (tif_ != nullptr) TIFFClose(tif_);
  }
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;

  TIFF* get() const { return tif_; }
  const std::string& last_error() const { return last_error_; }

 private:
  TIFF* tif_ = nullptr;
  std::string last_error_;
};

// Compressions whose strips a reader decodes with nothing beyond the tags a job page carries.
bool TravelsAsStored(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
    case COMPRESSION_LZW:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_PACKBITS:
      return true;
    default:
      return false;
  }
}

bool HostIsLittleEndian() {
  const uint16_t probe = 1;
  uint8_t first;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

void SwapSamples(std::vector<uint8_t>* bytes, uint16_t bits) {
  size_t width = bits / 8;
  for (size_t i = 0; i + width <= bytes->size(); i += width)
    for (size_t a = i, b = i + width - 1; a < b; ++a, --b) std::swap((*bytes)[a], (*bytes)[b]);
}

std::string PageName(const std::string& path, int index) {
  return path + " page " + std::to_string(index + 1);
}

// Reads the current directory into *page. False with *error for a page that cannot be carried.
bool ReadPage(TIFF* tif, const std::string& path, int index, const std::string& last_error,
              TiffPage* page, std::string* error) {
  const std::string name = PageName(path, index);
  if (TIFFIsTiled(tif)) {
    *error = name + " is tiled; job pages are stored in strips (convert it first, e.g. "
             "tiffcp -s IN OUT)";
    return false;
  }
  uint32_t u32 = 0;
  uint16_t u16 = 0;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &page->width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &page->length) || page->width == 0 ||
      page->length == 0) {
    *error = name + " has no image size";
    return false;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &page->samples_per_pixel);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &page->bits_per_sample);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &page->compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_FILLORDER, &page->fill_order);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &page->planar_config);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &page->rows_per_strip);
  if (page->rows_per_strip > page->length) page->rows_per_strip = page->length;
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &page->photometric)) {
    *error = name + " has no PhotometricInterpretation";
    return false;
  }
  // The job file's BitsPerSample entry holds one value or an array the splicer can move: one
  // sample, or three and more (two would sit inside the entry and be moved as if an offset).
  if (page->samples_per_pixel == 2 || page->samples_per_pixel == 0 ||
      page->samples_per_pixel > 4) {
    *error = name + " has " + std::to_string(page->samples_per_pixel) +
             " samples per pixel; job pages carry 1, 3 or 4";
    return false;
  }
  if (TIFFGetField(tif, TIFFTAG_SAMPLEFORMAT, &u16) && u16 != SAMPLEFORMAT_UINT) {
    *error = name + " holds samples that are not unsigned integers";
    return false;
  }
  uint16_t extra_count = 0;
  uint16_t* extra = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra) && extra_count > 0) {
    if (extra_count > 2) {
      *error = name + " has more than two extra samples";
      return false;
    }
    page->extra_samples.assign(extra, extra + extra_count);
  }
  float x = 0, y = 0;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y) &&
      x > 0 && y > 0) {
    page->has_resolution = true;
    page->x_resolution = x;
    page->y_resolution = y;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &page->resolution_unit);
  }
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (page->photometric == PHOTOMETRIC_PALETTE) {
    if (page->bits_per_sample > 16 ||
        !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
      *error = name + " is a palette page without a colour map";
      return false;
    }
    size_t entries = size_t(1) << page->bits_per_sample;
    page->color_map.assign(red, red + entries);
    page->color_map.insert(page->color_map.end(), green, green + entries);
    page->color_map.insert(page->color_map.end(), blue, blue + entries);
  }

  const bool big_endian_file = TIFFIsBigEndian(tif) != 0;
  const bool wide_samples = page->bits_per_sample > 8;
  if (wide_samples && page->bits_per_sample != 16 && page->bits_per_sample != 32) {
    *error = name + " has " + std::to_string(page->bits_per_sample) +
             "-bit samples; job pages carry whole bytes or fewer bits";
    return false;
  }
  bool decode = !TravelsAsStored(page->compression) ||
                (big_endian_file && wide_samples && page->compression != COMPRESSION_NONE);
  if (page->photometric == PHOTOMETRIC_YCBCR) {
    if (page->compression != COMPRESSION_JPEG && page->compression != COMPRESSION_OJPEG) {
      *error = name + " is YCbCr without JPEG compression; convert it to RGB first";
      return false;
    }
    // The JPEG codec hands out RGB; the page then travels as uncompressed RGB.
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    page->photometric = PHOTOMETRIC_RGB;
  }

  if (!decode) {
    if (page->compression == COMPRESSION_CCITTFAX3 && TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &u32)) {
      page->has_group3_options = true;
      page->group3_options = u32;
    }
    if (page->compression == COMPRESSION_CCITTFAX4 && TIFFGetField(tif, TIFFTAG_GROUP4OPTIONS, &u32)) {
      page->has_group4_options = true;
      page->group4_options = u32;
    }
    if (page->compression == COMPRESSION_LZW || page->compression == COMPRESSION_ADOBE_DEFLATE ||
        page->compression == COMPRESSION_DEFLATE)
      TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &page->predictor);
  }

  const uint32_t strips = TIFFNumberOfStrips(tif);
  page->strips.resize(strips);
  for (uint32_t s = 0; s < strips; ++s) {
    std::vector<uint8_t>& strip = page->strips[s];
    if (decode) {
      tmsize_t room = TIFFStripSize(tif);
      if (room <= 0) {
        *error = name + ": cannot size strip " + std::to_string(s);
        return false;
      }
      strip.resize(static_cast<size_t>(room));
      tmsize_t got = TIFFReadEncodedStrip(tif, s, strip.data(), room);
      if (got < 0) {
        *error = name + ": cannot decode strip " + std::to_string(s) +
                 (last_error.empty() ? "" : " (" + last_error + ")");
        return false;
      }
      strip.resize(static_cast<size_t>(got));
      if (wide_samples && !HostIsLittleEndian()) SwapSamples(&strip, page->bits_per_sample);
    } else {
      uint64_t size = TIFFGetStrileByteCount(tif, s);
      if (size == 0 || size > UINT32_MAX) {
        *error = name + ": strip " + std::to_string(s) + " has no data";
        return false;
      }
      strip.resize(static_cast<size_t>(size));
      tmsize_t got = TIFFReadRawStrip(tif, s, strip.data(), static_cast<tmsize_t>(size));
      if (got != static_cast<tmsize_t>(size)) {
        *error = name + ": cannot read strip " + std::to_string(s) +
                 (last_error.empty() ? "" : " (" + last_error + ")");
        return false;
      }
      if (wide_samples && big_endian_file) SwapSamples(&strip, page->bits_per_sample);
    }
  }
  if (decode) {
    page->compression = COMPRESSION_NONE;
    page->fill_order = FILLORDER_MSB2LSB;
    page->predictor = 1;
  }
  return true;
}

}  // namespace

bool DetectInputKind(const std::string& path, InputKind* kind, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  unsigned char head[8] = {};
  size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  *kind = InputKind::kUnknown;
  if (got >= 4 && ((head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) &&
                    head[3] == 0) ||
                   (head[0] == 'M' && head[1] == 'M' && head[2] == 0 &&
                    (head[3] == 42 || head[3] == 43))))
    *kind = InputKind::kTiff;
  else if (got >= 5 && std::memcmp(head, "%PDF-", 5) == 0)
    *kind = InputKind::kPdf;
  else if (got >= 2 && head[0] == '%' && head[1] == '!')
    *kind = InputKind::kPostScript;
  return true;
}

bool LoadTiffPages(const std::string& path, std::vector<TiffPage>* pages, std::string* error) {
  InputKind kind;
  if (!DetectInputKind(path, &kind, error)) return false;
  if (kind != InputKind::kTiff) {
    *error = path + " is not a TIFF file";
    return false;
  }
  TiffReader reader(path);
  if (reader.get() == nullptr) {
    *error = "cannot read " + path + " as TIFF" +
             (reader.last_error().empty() ? "" : ": " + reader.last_error());
    return false;
  }
  std::vector<TiffPage> read;
  int index = 0;
  do {
    TiffPage page;
    if (!ReadPage(reader.get(), path, index, reader.last_error(), &page, error)) return false;
    read.push_back(std::move(page));
    ++index;
  } while (TIFFReadDirectory(reader.get()));
  // TIFFReadDirectory also ends the chain on a damaged directory; libtiff then says so.
  if (!reader.last_error().empty()) {
    *error = path + " page " + std::to_string(index + 1) + " is damaged: " + reader.last_error();
    return false;
  }
  for (TiffPage& page : read) pages->push_back(std::move(page));
  return true;
}

}  // namespace qid::driver
