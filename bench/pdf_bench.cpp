// The PDF writer against the work it cannot avoid, in the same run (see bench/README.md):
//   - a 50-page fax job (CCITT pass-through) against reading and writing its strips;
//   - an A4 grey page at 300 dpi carried with DCT against libjpeg alone at quality 50, and
//     carried with Flate against zlib alone at level 6, on the same pixels.
// Pages are synthetic (text-like lines over a noisy gradient), so no fixture is needed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/imaging/test_jpeg.h"
#include "tests/support/imaging/test_tiff.h"
#include "imagewriter/pdf/pdf_writer.h"
#include "tests/support/test_platform.h"

namespace {

using qid::testing::TestPage;
using qid::testing::TestPlatform;

uint32_t Next(uint32_t* seed) {
  *seed = *seed * 1103515245u + 12345u;
  return *seed >> 16;
}

// Lines of "words": dark runs in bands, as a printed letter has them.
bool Ink(uint32_t x, uint32_t y, uint32_t width, uint32_t line_height) {
  uint32_t line = y / line_height, in_line = y % line_height;
  if (in_line < line_height / 4 || in_line > line_height * 3 / 4) return false;
  if (x < width / 10 || x > width * 9 / 10 || line % 9 == 8) return false;
  uint32_t word = (x / 23 + line * 7) % 11;
  return word != 0 && ((x * 2654435761u + y * 40503u) >> 13) % 3 != 0;
}

// An A4 fax page with text-like ink.
TestPage InkedFaxPage() {
  TestPage p = qid::testing::FaxPage(1728, 2292);
  size_t line = qid::testing::ScanlineBytes(p);
  p.pixels.assign(line * p.length, 0);
  for (uint32_t y = 0; y < p.length; ++y)
    for (uint32_t x = 0; x < p.width; ++x)
      if (Ink(x, y, p.width, 40)) p.pixels[y * line + x / 8] |= uint8_t(0x80 >> (x % 8));
  return p;
}

TestPage GreyPage() {
  TestPage p;
  p.width = 2480;
  p.length = 3508;
  p.x_resolution = p.y_resolution = 300;
  p.pixels.resize(size_t(p.width) * p.length);
  uint32_t seed = 5;
  for (uint32_t y = 0; y < p.length; ++y) {
    for (uint32_t x = 0; x < p.width; ++x) {
      int v = 200 + int(x / 50) % 40 - int(Next(&seed) % 24);
      if (Ink(x, y, p.width, 60)) v = 30 + int(Next(&seed) % 40);
      p.pixels[size_t(y) * p.width + x] = uint8_t(v);
    }
  }
  return p;
}

const std::vector<uint8_t>& GreyPixels() {
  static const std::vector<uint8_t> pixels = GreyPage().pixels;
  return pixels;
}

std::string MakeTiff(TestPlatform& tp, const char* name, const std::vector<TestPage>& pages) {
  std::string path = tp.root.path() + "/" + name;
  if (!qid::testing::WriteTestTiff(path, pages)) std::abort();
  return path;
}

void ConvertLoop(benchmark::State& state, TestPlatform& tp, const std::string& tif,
                 int quality) {
  std::string out = tp.root.path() + "/out.pdf";
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(out.c_str());  // the job removes an old target first: both write a new file
    state.ResumeTiming();
    if (qid::pdf::WritePdf(tp.platform(), out, {tif}, quality) != qid::pdf::kPdfDone) {
      state.SkipWithError("WritePdf failed");
      break;
    }
    state.PauseTiming();
    tp.trace.lines.clear();
    state.ResumeTiming();
  }
}

void BM_FaxJob50Pages_WritePdf(benchmark::State& state) {
  TestPlatform tp;
  std::string tif = MakeTiff(tp, "fax.tif", std::vector<TestPage>(50, InkedFaxPage()));
  ConvertLoop(state, tp, tif, qid::pdf::kJobJpegQuality);
}
BENCHMARK(BM_FaxJob50Pages_WritePdf)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: every page's strip read with libtiff and written to a new file.
void BM_FaxJob50Pages_ReadWriteStrips(benchmark::State& state) {
  TestPlatform tp;
  std::string tif = MakeTiff(tp, "fax.tif", std::vector<TestPage>(50, InkedFaxPage()));
  std::string out = tp.root.path() + "/strips";
  std::vector<uint8_t> strip;
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(out.c_str());
    state.ResumeTiming();
    TIFF* t = TIFFOpen(tif.c_str(), "r");
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    do {
      uint64_t* counts = nullptr;
      TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
      strip.resize(counts[0]);
      tmsize_t n = TIFFReadRawStrip(t, 0, strip.data(), tmsize_t(strip.size()));
      if (::write(fd, strip.data(), size_t(n)) != n) std::abort();
    } while (TIFFReadDirectory(t));
    ::close(fd);
    TIFFClose(t);
  }
}
BENCHMARK(BM_FaxJob50Pages_ReadWriteStrips)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GreyPage_WritePdfDct(benchmark::State& state) {
  TestPlatform tp;
  std::string tif = MakeTiff(tp, "grey.tif", {GreyPage()});
  ConvertLoop(state, tp, tif, qid::pdf::kJobJpegQuality);
}
BENCHMARK(BM_GreyPage_WritePdfDct)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: libjpeg alone at the job's quality on the pixels already in memory.
void BM_GreyPage_LibjpegAlone(benchmark::State& state) {
  const std::vector<uint8_t>& pixels = GreyPixels();
  for (auto _ : state) {
    std::string jpeg = qid::testing::LibjpegReference(pixels.data(), 2480, 3508, 1,
                                                      qid::pdf::kJobJpegQuality);
    benchmark::DoNotOptimize(jpeg.size());
  }
}
BENCHMARK(BM_GreyPage_LibjpegAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GreyPage_WritePdfFlate(benchmark::State& state) {
  TestPlatform tp;
  std::string tif = MakeTiff(tp, "grey.tif", {GreyPage()});
  ConvertLoop(state, tp, tif, 0);
}
BENCHMARK(BM_GreyPage_WritePdfFlate)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: zlib at level 6 on the pixels already in memory.
void BM_GreyPage_ZlibAlone(benchmark::State& state) {
  const std::vector<uint8_t>& pixels = GreyPixels();
  std::vector<uint8_t> out(compressBound(uLong(pixels.size())));
  for (auto _ : state) {
    uLongf n = uLongf(out.size());
    compress2(out.data(), &n, pixels.data(), uLong(pixels.size()), 6);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_GreyPage_ZlibAlone)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
