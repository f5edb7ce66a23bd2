// Test helpers for the PDF writer's unit tests: TIFF pages written with libtiff so that each
// test controls its tags, a small reader for the PDF files the writer makes, and inflate.
#pragma once

#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace qid::testing {

struct TestPage {
  uint32_t width = 16;
  uint32_t length = 8;
  uint16_t bits = 8;
  uint16_t samples = 1;
  uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  uint16_t compression = COMPRESSION_NONE;
  bool resolution = true;  // write XResolution and YResolution
  float x_resolution = 72;
  float y_resolution = 72;
  uint16_t unit = RESUNIT_INCH;
  uint16_t fill_order = FILLORDER_MSB2LSB;
  uint32_t rows_per_strip = 0;  // 0: the whole page in one strip
  uint32_t tile_width = 0;      // tiled when set (with tile_length)
  uint32_t tile_length = 0;
  int t6_options = -1;          // -1: no T6Options tag
  std::vector<uint16_t> colormap;  // red, green, blue arrays of 2^bits entries each
  std::vector<uint8_t> pixels;     // length rows of ScanlineBytes; empty: a fixed pattern
};

inline size_t ScanlineBytes(const TestPage& p) {
  return (static_cast<size_t>(p.width) * p.bits * p.samples + 7) / 8;
}

// The page's rows: its pixels, or a pattern that differs from row to row and byte to byte.
inline std::vector<uint8_t> PagePixels(const TestPage& p) {
  if (!p.pixels.empty()) return p.pixels;
  std::vector<uint8_t> rows(ScanlineBytes(p) * p.length);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>((i * 37 + i / 7) & 0xFF);
  return rows;
}

inline bool WriteTestTiff(const std::string& path, const std::vector<TestPage>& pages) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) return false;
  bool ok = true;
  for (const TestPage& p : pages) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.length);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_FILLORDER, p.fill_order);
    if (p.resolution) {
      TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.x_resolution);
      TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.y_resolution);
      TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, p.unit);
    }
    if (p.samples == 2) {
      uint16_t extra = EXTRASAMPLE_UNASSALPHA;
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (p.t6_options >= 0) TIFFSetField(tif, TIFFTAG_GROUP4OPTIONS, uint32_t(p.t6_options));
    if (!p.colormap.empty()) {
      size_t n = p.colormap.size() / 3;
      TIFFSetField(tif, TIFFTAG_COLORMAP, p.colormap.data(), p.colormap.data() + n,
                   p.colormap.data() + 2 * n);
    }
    std::vector<uint8_t> rows = PagePixels(p);
    size_t line = ScanlineBytes(p);
    if (p.tile_width != 0) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile_width);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile_length);
      size_t tile_line = static_cast<size_t>(p.tile_width) * p.bits * p.samples / 8;
      std::vector<uint8_t> tile(tile_line * p.tile_length);
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
    } else {
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.rows_per_strip == 0 ? p.length : p.rows_per_strip);
      for (uint32_t r = 0; r < p.length; ++r) {
        ok = ok && TIFFWriteScanline(tif, &rows[r * line], r, 0) >= 0;
      }
    }
    ok = ok && TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return ok;
}

// A grey ramp colour map: entry i is i × 65535 / (2^bits − 1) in all three colours.
inline std::vector<uint16_t> GreyColormap(uint16_t bits) {
  size_t n = size_t(1) << bits;
  std::vector<uint16_t> map(3 * n);
  for (size_t c = 0; c < 3; ++c)
    for (size_t i = 0; i < n; ++i) map[c * n + i] = static_cast<uint16_t>(i * 65535 / (n - 1));
  return map;
}

// The raw (still encoded) bytes of strip s of directory d.
inline std::string RawStrip(const std::string& path, int d, uint32_t s) {
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

// Overwrites the value of a one-value SHORT or LONG tag of the first directory in place
// (little-endian classic TIFF, as libtiff writes on this machine). False when it is not there.
inline bool PatchTag(const std::string& path, uint16_t tag, uint32_t value) {
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

inline bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

inline std::string Inflate(const std::string& data) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return "<inflateInit failed>";
  std::string out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  char chunk[65536];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - z.avail_out);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return status == Z_STREAM_END ? out : "<inflate failed>";
}

// The writer's output, read the way a PDF reader finds its objects: by the offsets of the
// cross-reference table, each of which must hold "N 0 obj".
class PdfReader {
 public:
  explicit PdfReader(std::string bytes) : bytes_(std::move(bytes)) { Parse(); }
  const std::string& bytes() const { return bytes_; }
  // Problems found while parsing the table and trailer; empty when the file is sound.
  const std::string& problems() const { return problems_; }
  int size() const { return size_; }                // the trailer's /Size
  const std::string& trailer() const { return trailer_; }
  size_t object_count() const { return offsets_.size(); }

  // The text between "N 0 obj\n" and its "endobj\n" (streams included).
  std::string Object(int n) const {
    auto it = offsets_.find(n);
    if (it == offsets_.end()) return "<no object " + std::to_string(n) + ">";
    size_t start = bytes_.find('\n', it->second) + 1;
    size_t end = FindEndobj(start);
    return bytes_.substr(start, end - start);
  }

  // The stream data of object n, /Length taken from its length object.
  std::string Stream(int n) const {
    std::string obj = Object(n);
    size_t key = obj.find("/Length ");
    if (key == std::string::npos) return "<no /Length>";
    int length_object = std::atoi(obj.c_str() + key + 8);
    long length = std::atol(Object(length_object).c_str());
    size_t start = obj.find("stream\n");
    if (start == std::string::npos) return "<no stream>";
    start += 7;
    if (start + length > obj.size()) return "<stream shorter than /Length>";
    return obj.substr(start, static_cast<size_t>(length));
  }

 private:
  // Stream data may hold anything; the object ends at the "endobj" after its last stream.
  size_t FindEndobj(size_t from) const {
    size_t stream_end = bytes_.find("endstream\n", from);
    size_t next_obj = bytes_.find(" 0 obj\n", from);
    if (stream_end != std::string::npos && (next_obj == std::string::npos || stream_end < next_obj))
      from = stream_end;
    size_t end = bytes_.find("endobj\n", from);
    return end == std::string::npos ? bytes_.size() : end;
  }

  void Problem(const std::string& text) { problems_ += text + "; "; }

  void Parse() {
    size_t sx = bytes_.rfind("startxref\n");
    if (sx == std::string::npos) return Problem("no startxref");
    size_t xref = std::strtoull(bytes_.c_str() + sx + 10, nullptr, 10);
    if (bytes_.compare(xref, 5, "xref\n") != 0) return Problem("startxref does not point at xref");
    size_t pos = xref + 5;
    int first = 0, count = 0;
    if (std::sscanf(bytes_.c_str() + pos, "%d %d", &first, &count) != 2 || first != 0)
      return Problem("bad xref subsection");
    pos = bytes_.find('\n', pos) + 1;
    if (bytes_.compare(pos, 20, "0000000000 65535 f \n") != 0) Problem("bad free entry");
    for (int k = 1; k < count; ++k) {
      std::string entry = bytes_.substr(pos + 20 * size_t(k), 20);
      if (entry.size() != 20 || entry.compare(10, 10, " 00000 n \n") != 0) {
        Problem("bad entry " + std::to_string(k));
        continue;
      }
      size_t offset = std::strtoull(entry.c_str(), nullptr, 10);
      std::string line = std::to_string(k) + " 0 obj\n";
      if (bytes_.compare(offset, line.size(), line) != 0) {
        Problem("entry " + std::to_string(k) + " does not point at its object");
      }
      offsets_[k] = offset;
    }
    size_t t = bytes_.find("trailer\n", pos);
    if (t == std::string::npos) return Problem("no trailer");
    trailer_ = bytes_.substr(t, sx - t);
    size_t s = trailer_.find("/Size ");
    size_ = s == std::string::npos ? -1 : std::atoi(trailer_.c_str() + s + 6);
    if (size_ != count) Problem("/Size differs from the table");
    // Every object in the file is in the table.
    for (size_t at = bytes_.find(" 0 obj\n"); at != std::string::npos;
         at = bytes_.find(" 0 obj\n", at + 1)) {
      size_t line = bytes_.rfind('\n', at);
      int n = std::atoi(bytes_.c_str() + (line == std::string::npos ? 0 : line + 1));
      if (offsets_.count(n) == 0) Problem("object " + std::to_string(n) + " not in the table");
    }
  }

  std::string bytes_;
  std::string problems_;
  std::string trailer_;
  std::map<int, size_t> offsets_;
  int size_ = -1;
};

}  // namespace qid::testing
