// Append, split and JPEG export against the plain work they cannot avoid:
//   Append of a 100 MB job        vs reading and writing the same bytes
//   split of a 100-page job        vs reading the job and writing the same 100 files
//   ConvertToJpeg of an A4 RGB page at 300 dpi vs libtiff decoding it plus libjpeg at quality 75
// Every case runs in the same temporary folder on the same disk; bench/README.md keeps the
// ratios and the command.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <tiffio.h>

#include "imagewriter/job_split.h"
#include "imagewriter/jpegexport.h"
#include "tests/support/imaging/test_tiff.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"
#include "tests/support/imaging/tiff_fixture.h"

namespace {

using qid::testing::GreyPage;
using qid::testing::TestPlatform;

constexpr char kJob[] = "C:\\bench\\job.tif";
constexpr char kSplitJob[] = "C:\\bench\\split.tif";
constexpr char kTarget[] = "C:\\bench\\book.tif";
constexpr char kCopy[] = "C:\\bench\\copy.tif";
constexpr char kPage[] = "C:\\bench\\a4.tif";
constexpr char kPageWork[] = "C:\\bench\\a4_work.tif";
constexpr char kJpeg[] = "C:\\bench\\a4.jpg";
constexpr int kPages = 100;
constexpr uint32_t kA4Width = 2480, kA4Length = 3508;

struct Bench {
  TestPlatform tp;
  std::string small_target;            // one page, the Append destination
  std::vector<size_t> piece_sizes;     // of the split job, marker included
  Bench() {
    std::filesystem::create_directories(tp.HostPath("C:\\bench"));
    std::filesystem::create_directories(tp.HostPath("C:\\out"));
    // 100 pages of 1 MiB: the 100 MB job.
    std::vector<GreyPage> pages(kPages, GreyPage{1024, 1024, 0x80, 300});
    std::string job = qid::testing::MakeTiff(pages);
    qid::testing::WriteHostFile(tp.HostPath(kJob), job);
    small_target = qid::testing::MakeTiff({GreyPage{}});
    std::vector<std::string> pieces;
    for (int i = 0; i < kPages; ++i) {
      pieces.push_back(qid::testing::MakeTiff({GreyPage{1024, 1024, uint8_t(i), 300}}));
      piece_sizes.push_back(pieces.back().size() + qid::kPageEndMarkerSize);
    }
    std::string split = "II" + qid::testing::MakeSplitJob(3, pieces).substr(2);
    qid::testing::WriteHostFile(tp.HostPath(kSplitJob), split);
    WriteA4Page();
  }
  // Text-like bars over a noisy gradient: sharp edges and fine texture, as scans have.
  void WriteA4Page() {
    qid::testing::TestPage desc;
    desc.width = kA4Width;
    desc.length = kA4Length;
    desc.samples = 3;
    desc.photometric = PHOTOMETRIC_RGB;
    desc.x_resolution = desc.y_resolution = 300;
    desc.unit = RESUNIT_INCH;
    desc.rows_per_strip = 4;
    desc.pixels.resize(size_t(kA4Width) * kA4Length * 3);
    uint8_t* p = desc.pixels.data();
    for (uint32_t y = 0; y < kA4Length; ++y) {
      for (uint32_t x = 0; x < kA4Width; ++x) {
        bool ink = (y / 40) % 3 == 0 && (x / 7) % 5 != 0 && x > 200 && x < 2280;
        uint32_t noise = (x * 2654435761u ^ y * 2246822519u) >> 27;  // 0..31
        *p++ = ink ? uint8_t(20 + noise) : uint8_t(160 + x % 64 + noise);
        *p++ = ink ? uint8_t(20 + noise) : uint8_t(180 + y % 44 + noise);
        *p++ = ink ? uint8_t(60 + noise) : uint8_t(200 + noise);
      }
    }
    qid::testing::WriteTestTiff(tp.HostPath(kPage), {desc});
  }
  std::string Host(const std::string& p) { return tp.HostPath(p); }
};

Bench& Shared() {
  static Bench bench;  // its folder goes when the program ends
  return bench;
}

// The unavoidable part of every case: the bytes read whole and written to a new file.
void ReadAndWrite(qid::FileSystem& files, const std::string& from, const std::string& to,
                  bool flush) {
  std::unique_ptr<qid::File> in, out;
  std::string bytes;
  files.OpenFile(from, qid::FileAccess::kRead, qid::FileDisposition::kOpenExisting,
                 qid::FileShare::kNone, &in);
  qid::ReadWholeFile(*in, &bytes);
  files.OpenFile(to, qid::FileAccess::kReadWrite, qid::FileDisposition::kCreateAlways,
                 qid::FileShare::kNone, &out);
  out->Write(bytes.data(), bytes.size());
  if (flush) out->Flush();
  out->Close();
}

void BM_Append100MB(benchmark::State& state) {
  Bench& b = Shared();
  qid::WriterContext ctx(b.tp.platform());
  for (auto _ : state) {
    state.PauseTiming();
    qid::testing::WriteHostFile(b.Host(kTarget), b.small_target);
    b.tp.trace.lines.clear();
    state.ResumeTiming();
    if (!qid::AppendTiff(ctx, kJob, kTarget)) state.SkipWithError("append failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t(std::filesystem::file_size(b.Host(kJob))));
}
BENCHMARK(BM_Append100MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// Append flushes the new pages before it links them; the baseline is shown both ways.
void BM_ReadWrite100MB(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) ReadAndWrite(*b.tp.files, kJob, kCopy, state.range(0) != 0);
  state.SetBytesProcessed(state.iterations() * int64_t(std::filesystem::file_size(b.Host(kJob))));
}
BENCHMARK(BM_ReadWrite100MB)->Arg(0)->Arg(1)->ArgName("flush")->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Split100Pages(benchmark::State& state) {
  Bench& b = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    qid::WriterContext ctx(b.tp.platform());
    qid::Settings& s = ctx.settings;
    s.output_mode = qid::kModeSerialization;
    s.output_directory = "C:\\out\\";
    s.serial_prefix_string = "Page";
    s.serial_num_digits = 4;
    ctx.job.data_mode = 3;
    b.tp.trace.lines.clear();
    state.ResumeTiming();
    if (qid::SplitJobFile(ctx, kSplitJob) != kPages) state.SkipWithError("split failed");
  }
}
BENCHMARK(BM_Split100Pages)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadAndWrite100Files(benchmark::State& state) {
  Bench& b = Shared();
  qid::FileSystem& files = *b.tp.files;
  for (auto _ : state) {
    std::unique_ptr<qid::File> in;
    std::string bytes;
    files.OpenFile(kSplitJob, qid::FileAccess::kRead, qid::FileDisposition::kOpenExisting,
                   qid::FileShare::kNone, &in);
    qid::ReadWholeFile(*in, &bytes);
    size_t at = 24;
    for (int i = 0; i < kPages; ++i) {
      std::unique_ptr<qid::File> out;
      char name[64];
      std::snprintf(name, sizeof name, "C:\\out\\Plain%04d.TIF", i);
      files.OpenFile(name, qid::FileAccess::kReadWrite, qid::FileDisposition::kCreateAlways,
                     qid::FileShare::kNone, &out);
      out->Write(bytes.data() + at, b.piece_sizes[i]);
      out->Close();
      at += b.piece_sizes[i];
    }
  }
}
BENCHMARK(BM_ReadAndWrite100Files)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertToJpegA4Rgb(benchmark::State& state) {
  Bench& b = Shared();
  qid::WriterContext ctx(b.tp.platform());
  qid::ImagingStartup(ctx);
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::copy_file(b.Host(kPage), b.Host(kPageWork),
                               std::filesystem::copy_options::overwrite_existing);
    b.tp.trace.lines.clear();
    std::string jpeg = kJpeg;
    state.ResumeTiming();
    if (qid::ConvertToJpeg(ctx, &jpeg, kPageWork) != qid::kJpegWritten) {
      state.SkipWithError("conversion failed");
    }
  }
}
BENCHMARK(BM_ConvertToJpegA4Rgb)->Unit(benchmark::kMillisecond)->UseRealTime();

// libtiff decoding the page scanline by scanline, libjpeg encoding it at the export's quality
// to a file.
void BM_DecodeAndEncodeA4Rgb(benchmark::State& state) {
  Bench& b = Shared();
  std::vector<uint8_t> row(size_t(kA4Width) * 3);
  for (auto _ : state) {
    TIFF* tiff = TIFFOpen(b.Host(kPage).c_str(), "r");
    FILE* out = std::fopen(b.Host(kJpeg).c_str(), "wb");
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = kA4Width;
    cinfo.image_height = kA4Length;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, qid::kJpegExportQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (uint32_t y = 0; y < kA4Length; ++y) {
      TIFFReadScanline(tiff, row.data(), y, 0);
      JSAMPROW r = row.data();
      jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
    TIFFClose(tiff);
  }
}
BENCHMARK(BM_DecodeAndEncodeA4Rgb)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
