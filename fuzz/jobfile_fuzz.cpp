// libFuzzer target over job files: the header check, the page split (with JPEG export when the
// data mode says 0) and Append in both directions, on arbitrary bytes in a temporary root.
//
// Seeds in fuzz/corpus/jobfile/ are job files in the driver side's layouts, made from crops
// of the fixture pages (tests/fixtures/make_pages.sh): a fax G4 document job with its marker,
// split jobs of grey, 4-bit palette and RGB pages in data modes 0 and 3.
//
// Built with -DQID_FUZZ=ON under clang; ./run test runs it briefly.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "imagewriter/job_layout.h"
#include "imagewriter/job_split.h"
#include "imagewriter/jpegexport.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"
#include "tests/support/imaging/tiff_fixture.h"

namespace {

using qid::testing::TestPlatform;

constexpr char kJob[] = "C:\\spool\\job.tif";
constexpr char kBook[] = "C:\\out\\book.tif";
constexpr char kTarget[] = "C:\\out\\target.tif";
constexpr char kSource[] = "C:\\spool\\source.tif";

TestPlatform& Shared() {
  static TestPlatform platform;  // one root for the whole run, removed at its end
  return platform;
}

void Reset(TestPlatform& tp) {
  std::error_code ec;
  std::filesystem::remove_all(tp.HostPath("C:\\out"), ec);
  std::filesystem::remove_all(tp.HostPath("C:\\spool"), ec);
  std::filesystem::create_directories(tp.HostPath("C:\\out"));
  std::filesystem::create_directories(tp.HostPath("C:\\spool"));
  tp.trace.lines.clear();
  tp.message_boxes.shown.clear();
  tp.processes.started.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TestPlatform& tp = Shared();
  Reset(tp);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string valid = qid::testing::MakeTiff({{}, {}});

  qid::WriterContext ctx(tp.platform());
  ctx.read_window = 61;  // small and odd: markers, IFDs and rebased fields cross window edges
  qid::ImagingStartup(ctx);
  qid::Settings& s = ctx.settings;
  s.output_mode = qid::kModeSerialization;
  s.output_directory = "C:\\out\\";
  s.serial_prefix_string = "Page";
  s.serial_num_digits = 4;

  // The job run's order: header check, then the split.
  qid::testing::WriteHostFile(tp.HostPath(kJob), bytes);
  if (qid::CheckAndFixFileHeader(ctx, kJob)) {
    qid::DetectJobLayout(ctx, kJob);
    qid::SplitJobFile(ctx, kJob);
  }

  // The same pieces onto an Append target that already holds pages.
  s.output_mode = qid::kModeAppend;
  s.output_file = "book.tif";
  ctx.job.data_mode = 0;
  qid::testing::WriteHostFile(tp.HostPath(kBook), valid);
  qid::SplitJobFile(ctx, kJob);

  // The bytes as an Append source, then as an Append destination: a refused splice must leave
  // the destination byte for byte as it was.
  qid::testing::WriteHostFile(tp.HostPath(kTarget), valid);
  if (!qid::AppendTiff(ctx, kJob, kTarget) &&
      qid::testing::ReadHostFile(tp.HostPath(kTarget)) != valid) {
    __builtin_trap();
  }
  qid::testing::WriteHostFile(tp.HostPath(kSource), valid);
  qid::testing::WriteHostFile(tp.HostPath(kJob), bytes);
  if (!qid::AppendTiff(ctx, kSource, kJob) &&
      qid::testing::ReadHostFile(tp.HostPath(kJob)) != bytes) {
    __builtin_trap();
  }

  // Rebasing alone: refused means untouched.
  std::string copy = bytes;
  if (!qid::FixupTiffData(reinterpret_cast<uint8_t*>(copy.data()), copy.size(), 4096) &&
      copy != bytes) {
    __builtin_trap();
  }
  qid::ImagingShutdown(ctx);
  return 0;
}
