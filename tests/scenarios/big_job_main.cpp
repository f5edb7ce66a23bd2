// Writes large job files fast, for the big-job suite and the memory benchmark: uncompressed
// A4 pages at 300 dpi (grey or RGB, 64 rows a strip) written straight to the file, so that no
// big file is ever checked in. Every page's pixels differ, so a page cut at the wrong place
// or copied twice shows.
//
//   big_job split|document|target DATA_MODE PAGES grey|rgb OUT [PIECE]
//
// split: the split layout (24 bytes, then one TIFF per page, each followed by the page-end
// marker); document: one TIFF of all pages with the data mode word; target: the same TIFF with
// "II" (an Append target). With PIECE, only that page's piece of the split layout (its TIFF and
// marker) is written: what Serialization must make of it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kWidth = 2480, kLength = 3508, kRowsPerStrip = 64;
constexpr uint32_t kStrips = (kLength + kRowsPerStrip - 1) / kRowsPerStrip;
constexpr char kMarker[] = "!!end of file!!!";
constexpr uint16_t kEntries = 13;

struct Page {
  uint32_t samples;
  uint64_t pixels() const { return uint64_t(kWidth) * kLength * samples; }
  // Pixels, strip offsets, strip byte counts, bits per sample, resolution, IFD.
  uint64_t size() const { return pixels() + 8ull * kStrips + 8 + 8 + 2 + 12 * kEntries + 4; }
};

struct Out {
  std::FILE* f;
  uint64_t written = 0;
  void Bytes(const void* p, size_t n) {
    if (std::fwrite(p, 1, n, f) != n) {
      std::perror("big_job: write");
      std::exit(1);
    }
    written += n;
  }
  void U16(uint16_t v) { uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)}; Bytes(b, 2); }
  void U32(uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    Bytes(b, 4);
  }
  void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    U16(tag); U16(type); U32(count); U32(value);
  }
};

// One page whose first byte lies at `base` of its TIFF; `next` is the next IFD's offset (0).
void WritePage(Out& out, const Page& page, int index, uint64_t base, uint64_t next) {
  const uint64_t row = uint64_t(kWidth) * page.samples;
  std::vector<uint8_t> block(row * kRowsPerStrip);
  for (uint32_t y = 0; y < kLength; y += kRowsPerStrip) {
    const uint32_t rows = kLength - y < kRowsPerStrip ? kLength - y : kRowsPerStrip;
    for (uint32_t r = 0; r < rows; ++r)
      std::memset(&block[r * row], (index * 37 + y + r) & 0xff, row);
    out.Bytes(block.data(), rows * row);
  }
  const uint64_t offsets = base + page.pixels(), counts = offsets + 4ull * kStrips;
  const uint64_t bits = counts + 4ull * kStrips, resolution = bits + 8;
  for (uint32_t s = 0; s < kStrips; ++s) out.U32(uint32_t(base + uint64_t(s) * kRowsPerStrip * row));
  for (uint32_t s = 0; s < kStrips; ++s) {
    const uint32_t rows = s + 1 < kStrips ? kRowsPerStrip : kLength - s * kRowsPerStrip;
    out.U32(uint32_t(rows * row));
  }
  for (int i = 0; i < 4; ++i) out.U16(8);  // three used by RGB, the fourth pads
  out.U32(300);
  out.U32(1);
  out.U16(kEntries);
  const bool rgb = page.samples == 3;
  out.Entry(254, 4, 1, 0);
  out.Entry(256, 4, 1, kWidth);
  out.Entry(257, 4, 1, kLength);
  out.Entry(258, 3, page.samples, rgb ? uint32_t(bits) : 8);
  out.Entry(259, 3, 1, 1);
  out.Entry(262, 3, 1, rgb ? 2 : 1);
  out.Entry(273, 4, kStrips, uint32_t(offsets));
  out.Entry(277, 3, 1, page.samples);
  out.Entry(278, 4, 1, kRowsPerStrip);
  out.Entry(279, 4, kStrips, uint32_t(counts));
  out.Entry(282, 5, 1, uint32_t(resolution));
  out.Entry(283, 5, 1, uint32_t(resolution));
  out.Entry(296, 3, 1, 2);
  out.U32(uint32_t(next));
}

void WritePiece(Out& out, const Page& page, int index) {
  out.U16(0x4949);
  out.U16(42);
  out.U32(uint32_t(8 + page.size() - (12 * kEntries + 6)));
  WritePage(out, page, index, 8, 0);
  out.Bytes(kMarker, 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: big_job split|document|target DATA_MODE PAGES grey|rgb OUT [PIECE]\n");
    return 2;
  }
  const std::string layout = argv[1];
  const int data_mode = std::atoi(argv[2]), pages = std::atoi(argv[3]);
  const Page page{std::strcmp(argv[4], "rgb") == 0 ? 3u : 1u};
  Out out{std::fopen(argv[5], "wb")};
  if (out.f == nullptr) {
    std::perror(argv[5]);
    return 1;
  }
  if (argc > 6) {
    WritePiece(out, page, std::atoi(argv[6]));
  } else if (layout == "split") {
    out.U16(uint16_t(100 + data_mode));
    out.U16(42);
    for (int i = 0; i < 5; ++i) out.U32(0);
    for (int i = 0; i < pages; ++i) WritePiece(out, page, i);
  } else {
    if (uint64_t(pages) * page.size() + 8 > 0xFFFFFFFFull) {
      std::fprintf(stderr, "big_job: %d pages pass 4 GiB\n", pages);
      return 2;
    }
    const uint64_t ifd_in_page = page.size() - (12 * kEntries + 6);
    out.U16(layout == "target" ? 0x4949 : uint16_t(100 + data_mode));
    out.U16(42);
    out.U32(uint32_t(8 + ifd_in_page));
    for (int i = 0; i < pages; ++i) {
      const uint64_t base = 8 + uint64_t(i) * page.size();
      WritePage(out, page, i, base, i + 1 < pages ? base + page.size() + ifd_in_page : 0);
    }
  }
  if (std::fclose(out.f) != 0) {
    std::perror("big_job: close");
    return 1;
  }
  return 0;
}
