// Jobs read through a bounded window give exactly the bytes that reading each file whole gave:
// the split and the splice are run with windows small enough that markers, IFDs, arrays and
// rebased fields all cross window edges, and compared with the whole-file algorithm.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "imagewriter/file_window.h"
#include "imagewriter/job_split.h"
#include "imagewriter/tiff_check.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/writer_context.h"
#include "tests/support/imaging/tiff_fixture.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::AppendIfd;
using testing::Get16;
using testing::Get32;
using testing::Put32;
using testing::ReadHostFile;
using testing::Set32;
using testing::TestPlatform;
using testing::TiffHeader;
using testing::WriteHostFile;

const std::string kMarker(kPageEndMarker, kPageEndMarkerSize);
constexpr size_t kWindows[] = {32, 37, 61, 256, 4096};

// Pages of one strip per row, so that each IFD has StripOffsets and StripByteCounts arrays,
// with 3-sample BitsPerSample, resolutions, Software and a PageNumber that must not move.
std::string StripedTiff(int pages, uint32_t width, uint32_t height) {
  std::string t = TiffHeader();
  size_t link = 4;
  for (int p = 0; p < pages; ++p) {
    std::vector<uint32_t> offsets;
    for (uint32_t y = 0; y < height; ++y) {
      offsets.push_back(uint32_t(t.size()));
      for (uint32_t x = 0; x < width * 3; ++x) t.push_back(char((x * 7 + y + p) & 0xff));
    }
    const uint32_t offsets_at = uint32_t(t.size());
    for (uint32_t o : offsets) Put32(&t, o);
    const uint32_t counts_at = uint32_t(t.size());
    for (uint32_t y = 0; y < height; ++y) Put32(&t, width * 3);
    const uint32_t bits_at = uint32_t(t.size());
    t += std::string("\x08\0\x08\0\x08\0", 6);
    const uint32_t res_at = uint32_t(t.size());
    for (uint32_t v : {300u, 1u}) Put32(&t, v);
    const uint32_t software_at = uint32_t(t.size());
    t += std::string("Q71 test\0", 9);
    link = AppendIfd(&t, link,
                     {{256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 3, bits_at},
                      {262, 3, 1, 2}, {273, 4, height, offsets_at}, {277, 3, 1, 3},
                      {278, 4, 1, 1}, {279, 4, height, counts_at}, {282, 5, 1, res_at},
                      {283, 5, 1, res_at}, {297, 3, 2, uint32_t(p)}, {305, 2, 9, software_at}});
  }
  return t;
}

// The splice as it was made with both files read whole: the destination's first
// (size - tail) bytes, then the source from byte 4 with the listed offsets rebased.
std::string WholeFileSplice(const std::string& dest, std::string src) {
  const bool marked = dest.size() >= 16 && dest.compare(dest.size() - 16, 16, kMarker) == 0;
  const size_t splice = dest.size() - (marked ? 20 : 4);
  const uint32_t base = uint32_t(splice - 4);
  for (size_t link = 4; Get32(src, link) != 0;) {
    const uint32_t ifd = Get32(src, link);
    Set32(&src, link, ifd + base);
    const uint16_t count = Get16(src, ifd);
    for (uint16_t i = 0; i < count; ++i) {
      const size_t e = ifd + 2 + 12 * i;
      const uint16_t tag = Get16(src, e);
      const uint32_t n = Get32(src, e + 4), value = Get32(src, e + 8);
      if (tag == 273 && n > 1)
        for (uint32_t k = 0; k < n; ++k) Set32(&src, value + 4 * k, Get32(src, value + 4 * k) + base);
      if (((tag == 258 || tag == 279) && n > 1) || tag == 273 || tag == 282 || tag == 283 ||
          tag == 305 || tag == 320)
        Set32(&src, e + 8, value + base);
    }
    link = ifd + 2 + 12 * count;
  }
  return dest.substr(0, splice) + src.substr(4);
}

struct WindowTest : ::testing::Test {
  TestPlatform tp;
  WriterContext ctx{tp.platform()};
  WindowTest() {
    tp.registry.hive(Hive::kCurrentUser).Create(kSettingsKeyPath, " ", nullptr);
    LoadSettings(ctx);
    std::filesystem::create_directories(tp.HostPath("C:\\w"));
  }
  std::string Host(const std::string& p) { return tp.HostPath(p); }
  std::unique_ptr<File> Open(const std::string& path) {
    std::unique_ptr<File> f;
    EXPECT_EQ(ctx.os.files->OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting,
                                     FileShare::kRead, &f),
              kSuccess);
    return f;
  }
};

TEST_F(WindowTest, MarkersAreFoundAcrossEveryWindowEdge) {
  // Markers at every distance from each other, half markers and a run of '!' before one.
  std::string bytes(5, 'x');
  for (size_t gap = 0; gap < 70; gap += 3) bytes += kMarker + std::string(gap, '!') + "!!end of";
  bytes += "!!!" + kMarker + "!!end of file!!";  // the last marker is cut by the end
  WriteHostFile(Host("C:\\w\\m"), bytes);
  std::vector<uint64_t> expected;
  for (size_t at = 0; (at = FindPageEnd(reinterpret_cast<const uint8_t*>(bytes.data()), at,
                                        bytes.size() - at)) != kNoPageEnd;)
    expected.push_back(at);
  for (size_t window : kWindows) {
    auto f = Open("C:\\w\\m");
    FileWindow w(*f, bytes.size(), window);
    std::vector<uint64_t> found;
    for (uint64_t at = 0; (at = w.FindPageEnd(at)) != kNoMarker;) found.push_back(at);
    EXPECT_EQ(found, expected) << "window " << window;
    EXPECT_FALSE(w.failed());
  }
}

TEST_F(WindowTest, SplitPiecesAreTheWholeFileCuts) {
  std::vector<std::string> pieces = {StripedTiff(1, 5, 7), StripedTiff(1, 40, 3),
                                     StripedTiff(2, 3, 2), StripedTiff(1, 1, 1)};
  const std::string job = "II" + testing::MakeSplitJob(4, pieces).substr(2);
  Settings& s = ctx.settings;
  s.output_mode = kModeSerialization;
  s.output_directory = "C:\\w\\";
  s.serial_prefix_string = "Scan";
  s.serial_num_digits = 4;
  ctx.job.data_mode = 3;
  for (size_t window : kWindows) {
    WriteHostFile(Host("C:\\w\\job.tif"), job);
    ctx.read_window = window;
    s.last_serial_number = 1;
    SplitOutcome outcome;
    ASSERT_EQ(SplitJobFile(ctx, "C:\\w\\job.tif", &outcome), 4) << "window " << window;
    EXPECT_TRUE(outcome.complete);
    for (int i = 0; i < 4; ++i) {
      const std::string name = "C:\\w\\Scan000" + std::to_string(i + 1) + ".TIF";
      EXPECT_EQ(ReadHostFile(Host(name)), pieces[i] + kMarker) << name << " window " << window;
    }
  }
}

TEST_F(WindowTest, SplicesAreTheWholeFileSplices) {
  const std::string source = StripedTiff(3, 9, 11);
  for (bool marked : {false, true}) {
    const std::string dest = StripedTiff(2, 6, 5) + (marked ? kMarker : "");
    const std::string expected = WholeFileSplice(dest, source);
    for (size_t window : kWindows) {
      WriteHostFile(Host("C:\\w\\src.tif"), source);
      WriteHostFile(Host("C:\\w\\dest.tif"), dest);
      ctx.read_window = window;
      ASSERT_TRUE(AppendTiff(ctx, "C:\\w\\src.tif", "C:\\w\\dest.tif")) << window;
      EXPECT_EQ(ReadHostFile(Host("C:\\w\\dest.tif")), expected) << "window " << window;
    }
  }
}

TEST_F(WindowTest, PageChecksReadTheSameThroughAWindow) {
  const std::string good = StripedTiff(2, 4, 3);
  std::string cut_strip = good, loop = good;
  Set32(&cut_strip, Get32(good, 4) + 2 + 12 * 4 + 8, uint32_t(good.size()));  // StripOffsets array
  Set32(&loop, Get32(good, 4) + 2 + 12 * 12, Get32(good, 4));
  for (const std::string& tiff : {good, cut_strip, loop, good.substr(0, good.size() - 3)}) {
    int pages_in_memory = -1, pages_in_file = -1;
    std::string why_memory, why_file;
    bool in_memory = CheckTiffPages(reinterpret_cast<const uint8_t*>(tiff.data()), tiff.size(),
                                    &pages_in_memory, &why_memory);
    WriteHostFile(Host("C:\\w\\c"), "12345" + tiff + kMarker);
    auto f = Open("C:\\w\\c");
    FileWindow w(*f, tiff.size() + 21, 37);
    RangeSource piece(w, 5, tiff.size());
    EXPECT_EQ(CheckTiffPages(piece, &pages_in_file, &why_file), in_memory) << why_memory;
    EXPECT_EQ(pages_in_file, pages_in_memory);
    EXPECT_EQ(why_file, why_memory);
  }
}

// A split job may pass 4 GiB (each piece is its own TIFF): positions beyond 32 bits are read
// where they are. The file is sparse, so this costs no disk.
TEST_F(WindowTest, PositionsPast4GiBAreReadWhereTheyAre) {
  const uint64_t far = (uint64_t(1) << 32) + 5;
  const std::string piece = StripedTiff(1, 3, 2);
  WriteHostFile(Host("C:\\w\\big"), "");
  std::filesystem::resize_file(Host("C:\\w\\big"), far + piece.size() + 16);
  {
    std::unique_ptr<File> rw;
    ASSERT_EQ(ctx.os.files->OpenFile("C:\\w\\big", FileAccess::kReadWrite,
                                     FileDisposition::kOpenExisting, FileShare::kNone, &rw),
              kSuccess);
    const std::string tail = kMarker + piece + kMarker;  // the first marker straddles 4 GiB
    ASSERT_EQ(rw->Seek(far - 16), kSuccess);
    ASSERT_EQ(rw->Write(tail.data(), tail.size()), kSuccess);
  }
  std::unique_ptr<File> f = Open("C:\\w\\big");
  FileWindow w(*f, far + piece.size() + 16, 4096);
  EXPECT_EQ(w.FindPageEnd(far - 4000), far);
  RangeSource bytes(w, far, piece.size());
  int pages = 0;
  EXPECT_TRUE(CheckTiffPages(bytes, &pages, nullptr));
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(w.FindPageEnd(far), far + piece.size() + 16);
}

}  // namespace
}  // namespace qid
