#include "imagewriter/tiffsplice.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "imagewriter/splice_testing.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"
#include "tests/support/tiff_fixture.h"

namespace qid {
namespace {

using testing::DecodeTiffPages;
using testing::FaultyFiles;
using testing::Get32;
using testing::GreyPage;
using testing::GreyTiffOfSize;
using testing::MakeTiff;
using testing::ReadHostFile;
using testing::TestPlatform;
using testing::WriteHostFile;

using namespace std::string_literals;

constexpr char kJob[] = "C:\\spool\\job.tif";
constexpr char kTarget[] = "C:\\ZEL\\book.tif";
const std::string kMarker(kPageEndMarker, kPageEndMarkerSize);

class SpliceTest : public ::testing::Test {
 protected:
  SpliceTest() { std::filesystem::create_directories(Host("C:\\ZEL")); }
  std::string Host(const std::string& p) { return tp.HostPath(p); }
  std::string Read(const std::string& p) { return ReadHostFile(Host(p)); }
  void Write(const std::string& p, const std::string& bytes) { WriteHostFile(Host(p), bytes); }
  // Every page's fill value as libtiff decodes it.
  std::vector<int> Fills(const std::string& p) {
    std::vector<int> fills;
    for (const auto& page : DecodeTiffPages(Host(p))) {
      fills.push_back(page.pixels.empty() ? -1 : page.pixels[0]);
      for (uint8_t v : page.pixels) EXPECT_EQ(v, page.pixels[0]);
    }
    return fills;
  }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
};

TEST_F(SpliceTest, HeaderCheckReadsTheDataModeAndRestoresTheSignature) {
  struct Case {
    uint16_t word;
    uint16_t mode;
  } cases[] = {{103, 3}, {0x4949, 4}, {100, 0}, {110, 10}, {111, 4}, {99, 4}};
  for (const Case& c : cases) {
    std::string job = MakeTiff({{}});
    job[0] = char(c.word & 0xFF);
    job[1] = char(c.word >> 8);
    Write(kJob, job);
    ctx.job.data_mode = 77;
    ASSERT_TRUE(CheckAndFixFileHeader(ctx, kJob)) << c.word;
    EXPECT_EQ(ctx.job.data_mode, c.mode) << c.word;
    EXPECT_EQ(Read(kJob), "II" + job.substr(2)) << c.word;
  }
  EXPECT_TRUE(tp.trace.Contains("QIFILE open file C:\\spool\\job.tif to read header"));
  EXPECT_TRUE(tp.trace.Contains("QIFILE datamode 3"));
}

TEST_F(SpliceTest, HeaderCheckRefusesMissingShortAndForeignFilesUntouched) {
  EXPECT_FALSE(CheckAndFixFileHeader(ctx, "C:\\spool\\none.tif"));
  EXPECT_TRUE(tp.trace.Contains("SEC03:  QIFILE cannot open file C:\\spool\\none.tif => err "));
  for (std::string bytes : {std::string(), std::string("e"), "e\0*"s, "#!/bin/sh\n"s,
                            "MM\0*"s + std::string(8, 0), "\x67\0\x2a\x01"s}) {
    Write(kJob, bytes);
    EXPECT_FALSE(CheckAndFixFileHeader(ctx, kJob));
    EXPECT_EQ(Read(kJob), bytes);
  }
}

TEST_F(SpliceTest, IsTiffFileKeepsThePosition) {
  Write(kJob, "II*\0rest"s);
  std::unique_ptr<File> f;
  ASSERT_EQ(tp.files->OpenFile(kJob, FileAccess::kRead, FileDisposition::kOpenExisting,
                               FileShare::kRead, &f),
            kSuccess);
  f->Seek(5);
  EXPECT_TRUE(IsTiffFile(*f));
  EXPECT_EQ(f->Tell(), 5u);
  Write("C:\\x.tif", "MM\0*");
  Write("C:\\y.tif", "II");
  for (const char* p : {"C:\\x.tif", "C:\\y.tif"}) {
    ASSERT_EQ(tp.files->OpenFile(p, FileAccess::kRead, FileDisposition::kOpenExisting,
                                 FileShare::kRead, &f),
              kSuccess);
    EXPECT_FALSE(IsTiffFile(*f)) << p;
  }
}

// The size rules of a splice: destination prefix kept, source from byte 4 rebased after it.
TEST_F(SpliceTest, AppendSplicesAtTheLinkOrTheMarker) {
  struct Case {
    bool marker;
    size_t splice;
    int base;
  } cases[] = {{true, 980, 976}, {false, 996, 992}};
  for (const Case& c : cases) {
    std::string dest = GreyTiffOfSize(c.marker ? 984 : 1000, 0x11);
    if (c.marker) dest += kMarker;
    ASSERT_EQ(dest.size(), 1000u);
    std::string source = MakeTiff({{4, 2, 0x22, 300}, {4, 2, 0x33, 300}});
    Write(kTarget, dest);
    Write(kJob, source);
    ASSERT_TRUE(AppendTiff(ctx, kJob, kTarget)) << c.splice;
    std::string result = Read(kTarget);
    ASSERT_EQ(result.size(), c.splice + source.size() - 4);
    EXPECT_EQ(result.substr(0, c.splice), dest.substr(0, c.splice));
    EXPECT_EQ(Get32(result, c.splice), Get32(source, 4) + c.base);  // the link into the job
    EXPECT_TRUE(tp.trace.Contains("FixupTiffData: Base " + std::to_string(c.base)));
    EXPECT_EQ(Fills(kTarget), (std::vector<int>{0x11, 0x22, 0x33}));
    EXPECT_EQ(Read(kJob), source);  // the source file is only read
  }
  EXPECT_TRUE(tp.trace.Contains("AppendBufferToFile: Size "));
}

TEST_F(SpliceTest, AppendOntoAMissingDestinationCopiesExactly) {
  std::string source = MakeTiff({{}, {}}) + kMarker;
  Write(kJob, source);
  ASSERT_TRUE(AppendTiff(ctx, kJob, kTarget));
  EXPECT_EQ(Read(kTarget), source);
}

TEST_F(SpliceTest, SuccessiveJobsWithMarkersChainEveryPage) {
  Write(kTarget, MakeTiff({{4, 2, 1, 200}}) + kMarker);
  for (uint8_t fill : {2, 3, 4}) {
    Write(kJob, MakeTiff({{4, 2, fill, 200}}) + kMarker);
    ASSERT_TRUE(AppendTiff(ctx, kJob, kTarget)) << int(fill);
  }
  std::string result = Read(kTarget);
  EXPECT_EQ(result.substr(result.size() - 16), kMarker);
  EXPECT_EQ(result.find(kMarker), result.size() - 16);  // the inner markers were overwritten
  EXPECT_EQ(Fills(kTarget), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(SpliceTest, AppendRefusesDestinationsItWouldDamage) {
  std::string pixels_after_ifd = "II*\0"s;  // IFD first, pixels after it: ends with data
  testing::Put32(&pixels_after_ifd, 0);
  testing::AppendIfd(&pixels_after_ifd, 4, {{256, 4, 1, 4}, {257, 4, 1, 2}, {273, 4, 1, 26 + 12}});
  pixels_after_ifd.append(8, '\x55');
  const std::string refused[] = {
      "II*\0short"s,                                    // under 16 bytes
      "MM\0*" + std::string(40, '\0'),                  // big-endian
      std::string(40, 'x'),                             // no TIFF
      pixels_after_ifd,                                 // the last bytes are no link
  };
  Write(kJob, MakeTiff({{}}));
  for (const std::string& dest : refused) {
    Write(kTarget, dest);
    EXPECT_FALSE(AppendTiff(ctx, kJob, kTarget));
    EXPECT_EQ(Read(kTarget), dest);
  }
  EXPECT_TRUE(tp.trace.Contains("AppendTiff: C:\\ZEL\\book.tif is too short to extend"));
  EXPECT_TRUE(tp.trace.Contains("AppendTiff: C:\\ZEL\\book.tif is no little-endian TIFF"));
  EXPECT_TRUE(
      tp.trace.Contains("AppendTiff: C:\\ZEL\\book.tif does not end with its last IFD link"));
}

TEST_F(SpliceTest, AppendRefusesDamagedSourcesAndLeavesTheDestination) {
  std::string dest = MakeTiff({{4, 2, 9, 200}});
  std::string good = MakeTiff({{}});
  std::string past_end = good;
  testing::Set32(&past_end, 4, uint32_t(good.size()) + 100);  // first IFD beyond the file
  std::string cut = good.substr(0, good.size() - 6);           // entry table cut short
  std::string not_tiff = "XX" + good.substr(2);
  // Pages that readers stop at, which would hide everything spliced after them.
  auto with = [&](int entry, uint32_t value) {
    std::string t = good;
    testing::Set32(&t, Get32(t, 4) + 2 + 12 * entry + 8, value);
    return t;
  };
  const std::string unreadable[] = {with(1, 0), with(7, 0), with(8, uint32_t(good.size())),
                                    with(5, uint32_t(good.size()) - 2)};
  const std::string missing = "C:\\ZEL\\new.tif";
  for (const std::string& source : {past_end, cut, not_tiff, std::string("II*\0"s),
                                    std::string("II"), unreadable[0], unreadable[1],
                                    unreadable[2], unreadable[3]}) {
    Write(kTarget, dest);
    Write(kJob, source);
    EXPECT_FALSE(AppendTiff(ctx, kJob, kTarget));
    EXPECT_EQ(Read(kTarget), dest);
    EXPECT_FALSE(AppendTiff(ctx, kJob, missing));  // nothing is copied into place either
    EXPECT_FALSE(std::filesystem::exists(Host(missing)));
  }
  EXPECT_FALSE(AppendTiff(ctx, "C:\\spool\\gone.tif", kTarget));
  EXPECT_EQ(Read(kTarget), dest);
  EXPECT_TRUE(tp.trace.Contains("AppendTiff: the source is refused (a page has RowsPerStrip 0)"));
  EXPECT_TRUE(tp.trace.Contains("(a strip lies outside the file), C:\\ZEL\\book.tif left unchanged"));
  EXPECT_TRUE(tp.trace.Contains("(no little-endian TIFF)"));
}

TEST_F(SpliceTest, AppendNeverReplacesADestinationItCannotOpen) {
  std::string dest = MakeTiff({{}});
  Write(kTarget, dest);
  Write(kJob, MakeTiff({{}}));
  FaultyFiles locked(tp.files.get());
  locked.open_error = kErrSharingViolation;
  Platform p = tp.platform();
  p.files = &locked;
  WriterContext c(p);
  EXPECT_FALSE(AppendTiff(c, kJob, kTarget));
  EXPECT_EQ(Read(kTarget), dest);
}

// Every write and every flush of a splice may fail, with or without some of its bytes on disk:
// the destination must come back byte for byte with all its pages.
TEST_F(SpliceTest, AFailedWriteOrFlushLeavesTheDestinationAsItWas) {
  for (bool marker : {false, true}) {
    for (int kind = 0; kind < 3; ++kind) {  // write fails, write fills the disk, flush fails
      int faults_seen = 0;
      for (int n = 1;; ++n) {
        std::string dest = MakeTiff({{4, 2, 1, 200}, {4, 2, 2, 200}}) + (marker ? kMarker : "");
        Write(kTarget, dest);
        Write(kJob, MakeTiff({{4, 2, 3, 200}, {4, 2, 4, 200}}));
        FaultyFiles faulty(tp.files.get());
        if (kind == 2) {
          faulty.fail_flush = n;
        } else {
          faulty.fail_write = n;
          faulty.half_written = kind == 1;
          faulty.write_error = kind == 1 ? kErrDiskFull : kErrWriteFault;
        }
        Platform p = tp.platform();
        p.files = &faulty;
        WriterContext c(p);
        bool ok = AppendTiff(c, kJob, kTarget);
        int calls = kind == 2 ? faulty.flushes : faulty.writes;
        if (calls < n) {  // the fault was never reached: the splice is done
          EXPECT_TRUE(ok);
          EXPECT_EQ(Fills(kTarget), (std::vector<int>{1, 2, 3, 4}));
          break;
        }
        ++faults_seen;
        EXPECT_FALSE(ok) << "fault " << n << " kind " << kind;
        EXPECT_EQ(Read(kTarget), dest) << "fault " << n << " kind " << kind;
        ASSERT_LT(n, 20);
      }
      EXPECT_GE(faults_seen, 2) << "kind " << kind;  // new pages and link are separate steps
    }
  }
}

TEST_F(SpliceTest, AppendBufferWritesNewBytesBeforeTheTail) {
  // Whatever reached the file before the failing call, the old tail is back afterwards.
  std::string dest = "II*\0"s + std::string(12, 'o');
  Write(kTarget, dest);
  FaultyFiles faulty(tp.files.get());
  faulty.fail_write = 2;  // the tail write, after the new bytes went past the old end
  std::unique_ptr<File> f;
  ASSERT_EQ(faulty.OpenFile(kTarget, FileAccess::kReadWrite, FileDisposition::kOpenExisting,
                            FileShare::kNone, &f),
            kSuccess);
  f->Seek(12);
  const uint8_t bytes[10] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'};
  EXPECT_FALSE(AppendBufferToFile(*f, bytes, sizeof bytes));
  f.reset();
  EXPECT_EQ(Read(kTarget), dest);

  FaultyFiles fine(tp.files.get());
  ASSERT_EQ(fine.OpenFile(kTarget, FileAccess::kReadWrite, FileDisposition::kOpenExisting,
                          FileShare::kNone, &f),
            kSuccess);
  f->Seek(12);
  EXPECT_TRUE(AppendBufferToFile(*f, bytes, sizeof bytes));
  f.reset();
  EXPECT_EQ(Read(kTarget), dest.substr(0, 12) + "abcdefghij");
}

}  // namespace
}  // namespace qid
