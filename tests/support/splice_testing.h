// Test helpers for the splicing, splitting and JPEG tests (header-only, tests and fuzzers only):
// little-endian TIFF bytes built by hand, and a file system that injects write faults.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <tiffio.h>

#include "platform/wrappers.h"

namespace qid::testing {

inline void Put16(std::string* s, uint16_t v) {
  s->push_back(char(v & 0xFF));
  s->push_back(char(v >> 8));
}
inline void Put32(std::string* s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s->push_back(char((v >> (8 * i)) & 0xFF));
}
inline void Set32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[at + i]);
  return v;
}
inline uint16_t Get16(const std::string& s, size_t at) {
  return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
}

struct IfdEntry {
  uint16_t tag, type;
  uint32_t count, value;
};

// Appends an IFD at the end of *tiff (word-aligned), links it from the 4-byte field at
// `link_at` and returns the position of its own next-IFD field (left 0).
inline size_t AppendIfd(std::string* tiff, size_t link_at, const std::vector<IfdEntry>& entries) {
  if (tiff->size() % 2) tiff->push_back(0);
  Set32(tiff, link_at, uint32_t(tiff->size()));
  Put16(tiff, uint16_t(entries.size()));
  for (const IfdEntry& e : entries) {
    Put16(tiff, e.tag);
    Put16(tiff, e.type);
    Put32(tiff, e.count);
    Put32(tiff, e.value);
  }
  size_t link = tiff->size();
  Put32(tiff, 0);
  return link;
}

inline std::string TiffHeader() {
  std::string t = "II";
  Put16(&t, 42);
  Put32(&t, 0);
  return t;
}

// A one-page 8-bit grey TIFF in the job layout (pixels, filler, resolution, then the IFD at the
// end), padded with filler bytes to exactly `total` bytes (at least 178).
inline std::string GreyTiffOfSize(size_t total, uint8_t fill = 0x40) {
  const uint32_t w = 4, h = 2;
  const size_t ifd_size = 2 + 12 * 12 + 4;
  std::string t = TiffHeader();
  uint32_t pixels = uint32_t(t.size());
  t.append(w * h, char(fill));
  size_t filler = total - (t.size() + 8 + ifd_size);
  t.append(filler, '\x7e');
  uint32_t resolution = uint32_t(t.size());
  Put32(&t, 200);
  Put32(&t, 1);
  AppendIfd(&t, 4,
            {{256, 4, 1, w}, {257, 4, 1, h}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
             {273, 4, 1, pixels}, {277, 3, 1, 1}, {278, 4, 1, h}, {279, 4, 1, w * h},
             {282, 5, 1, resolution}, {283, 5, 1, resolution}, {296, 3, 1, 2}});
  return t;
}

// A one-page 1-bit TIFF (8 x 2, white is zero) in the job layout: no JPEG is made of it.
inline std::string BilevelTiff(uint8_t pattern = 0xA5) {
  std::string t = TiffHeader();
  uint32_t pixels = uint32_t(t.size());
  t.append(2, char(pattern));
  AppendIfd(&t, 4,
            {{256, 4, 1, 8}, {257, 4, 1, 2}, {258, 3, 1, 1}, {259, 3, 1, 1}, {262, 3, 1, 0},
             {273, 4, 1, pixels}, {277, 3, 1, 1}, {278, 4, 1, 2}, {279, 4, 1, 2}});
  return t;
}

// Forwards to a target file system and fails chosen calls on the files it opens: the Nth write
// of all (counting from 1), optionally after half of its bytes reached the file (a full disk),
// and the Nth flush. Counters run across every file opened through it.
class FaultyFiles : public FileSystemWrapper {
 public:
  explicit FaultyFiles(FileSystem* target) : FileSystemWrapper(target) {}

  int fail_write = 0;        // 0: never
  bool half_written = false; // the failing write first writes half its bytes
  ErrorCode write_error = kErrDiskFull;
  int fail_flush = 0;
  ErrorCode open_error = kSuccess;  // returned by every OpenFile when set
  int writes = 0, flushes = 0;      // calls seen so far

  ErrorCode OpenFile(const std::string& path, FileAccess access, FileDisposition disposition,
                     FileShare share, std::unique_ptr<File>* file) override {
    if (open_error != kSuccess) return open_error;
    std::unique_ptr<File> real;
    ErrorCode err = FileSystemWrapper::OpenFile(path, access, disposition, share, &real);
    if (err == kSuccess) *file = std::make_unique<Faulty>(std::move(real), this);
    return err;
  }

 private:
  class Faulty : public FileWrapper {
   public:
    Faulty(std::unique_ptr<File> target, FaultyFiles* owner)
        : FileWrapper(std::move(target)), owner_(owner) {}
    ErrorCode Write(const void* buffer, size_t n) override {
      if (++owner_->writes == owner_->fail_write) {
        if (owner_->half_written && n > 1) target().Write(buffer, n / 2);
        return owner_->write_error;
      }
      return target().Write(buffer, n);
    }
    ErrorCode Flush() override {
      if (++owner_->flushes == owner_->fail_flush) return kErrWriteFault;
      return target().Flush();
    }

   private:
    FaultyFiles* owner_;
  };
};

struct DecodedPage {
  uint32_t width = 0, length = 0;
  uint16_t bits_per_sample = 0, samples_per_pixel = 0, photometric = 0;
  std::vector<uint8_t> pixels;  // the scanlines as libtiff decodes them
};

// Every page of the TIFF at the host path as libtiff reads it (an independent reader); fewer
// pages than the file claims when libtiff stops at a damaged one.
inline std::vector<DecodedPage> DecodeTiffPages(const std::string& host_path) {
  std::vector<DecodedPage> pages;
  TIFF* tiff = TIFFOpen(host_path.c_str(), "r");
  if (tiff == nullptr) return pages;
  do {
    DecodedPage page;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.length);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &page.bits_per_sample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &page.samples_per_pixel);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &page.photometric);
    tmsize_t line = TIFFScanlineSize(tiff);
    page.pixels.resize(size_t(line) * page.length);
    bool ok = line > 0;
    for (uint32_t y = 0; ok && y < page.length; ++y) {
      ok = TIFFReadScanline(tiff, page.pixels.data() + size_t(y) * line, y, 0) >= 0;
    }
    if (!ok) break;
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tiff));
  TIFFClose(tiff);
  return pages;
}

// A page for libtiff to write: samples are stored as given, row after row.
struct TiffSpec {
  uint32_t width = 8, length = 8;
  uint16_t samples_per_pixel = 1, bits_per_sample = 8;
  uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t compression = COMPRESSION_NONE;
  std::vector<uint16_t> color_map;  // red, green, blue runs for palette pages
  std::vector<uint8_t> samples;
  float x_resolution = 0, y_resolution = 0;  // 0: tag left out
  uint16_t resolution_unit = 0;              // 0: tag left out
};

inline bool WriteTiffFile(const std::string& host_path, const TiffSpec& desc) {
  TIFF* tiff = TIFFOpen(host_path.c_str(), "w");
  if (tiff == nullptr) return false;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, desc.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, desc.length);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, desc.samples_per_pixel);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, desc.bits_per_sample);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, desc.photometric);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, desc.compression);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 4u);
  if (!desc.color_map.empty()) {
    size_t n = desc.color_map.size() / 3;
    TIFFSetField(tiff, TIFFTAG_COLORMAP, desc.color_map.data(), desc.color_map.data() + n,
                 desc.color_map.data() + 2 * n);
  }
  if (desc.x_resolution > 0) TIFFSetField(tiff, TIFFTAG_XRESOLUTION, desc.x_resolution);
  if (desc.y_resolution > 0) TIFFSetField(tiff, TIFFTAG_YRESOLUTION, desc.y_resolution);
  if (desc.resolution_unit != 0) TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, desc.resolution_unit);
  size_t line = (size_t(desc.width) * desc.samples_per_pixel * desc.bits_per_sample + 7) / 8;
  std::vector<uint8_t> row(line);
  bool ok = desc.samples.size() >= line * desc.length;
  for (uint32_t y = 0; ok && y < desc.length; ++y) {
    std::copy(desc.samples.begin() + y * line, desc.samples.begin() + (y + 1) * line, row.begin());
    ok = TIFFWriteScanline(tiff, row.data(), y, 0) >= 0;
  }
  TIFFClose(tiff);
  return ok;
}

struct JpegSegment {
  uint8_t marker;
  std::string payload;  // without the length field
};

// The segments of a JPEG file up to and including SOS, then EOI when the file ends with it.
// Empty when the file is not a sequence of well-formed segments.
inline std::vector<JpegSegment> JpegSegments(const std::string& jpeg) {
  std::vector<JpegSegment> out;
  if (jpeg.size() < 4 || uint8_t(jpeg[0]) != 0xFF || uint8_t(jpeg[1]) != 0xD8) return {};
  out.push_back({0xD8, ""});
  size_t at = 2;
  for (;;) {
    if (at + 4 > jpeg.size() || uint8_t(jpeg[at]) != 0xFF) return {};
    uint8_t marker = uint8_t(jpeg[at + 1]);
    size_t length = (uint8_t(jpeg[at + 2]) << 8) | uint8_t(jpeg[at + 3]);
    if (length < 2 || at + 2 + length > jpeg.size()) return {};
    out.push_back({marker, jpeg.substr(at + 4, length - 2)});
    at += 2 + length;
    if (marker == 0xDA) break;
  }
  if (uint8_t(jpeg[jpeg.size() - 2]) == 0xFF && uint8_t(jpeg[jpeg.size() - 1]) == 0xD9) {
    out.push_back({0xD9, ""});
  }
  return out;
}

struct DecodedJpeg {
  bool ok = false;
  uint32_t width = 0, height = 0;
  int components = 0;
  bool jfif = false;
  int jfif_major = 0, jfif_minor = 0, density_unit = -1, x_density = 0, y_density = 0;
  std::vector<uint8_t> pixels;  // grey, or RGB for colour files
};

struct JpegErrorJump {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

// Decodes with libjpeg, independently of the encoder under test.
inline DecodedJpeg DecodeJpeg(const std::string& bytes) {
  DecodedJpeg out;
  jpeg_decompress_struct cinfo{};
  JpegErrorJump err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = [](j_common_ptr c) {
    std::longjmp(reinterpret_cast<JpegErrorJump*>(c->err)->jump, 1);
  };
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return DecodedJpeg{};
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  out.components = cinfo.num_components;
  out.jfif = cinfo.saw_JFIF_marker;
  out.jfif_major = cinfo.JFIF_major_version;
  out.jfif_minor = cinfo.JFIF_minor_version;
  out.density_unit = cinfo.density_unit;
  out.x_density = cinfo.X_density;
  out.y_density = cinfo.Y_density;
  jpeg_start_decompress(&cinfo);
  out.width = cinfo.output_width;
  out.height = cinfo.output_height;
  size_t stride = size_t(cinfo.output_width) * cinfo.output_components;
  out.pixels.resize(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.pixels.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  out.ok = true;
  return out;
}

}  // namespace qid::testing
