#include "imagewriter/pdf/pdf_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>

#include "imagewriter/pdf/pdf_page.h"
#include "tests/support/imaging/test_tiff.h"
#include "tests/support/faulty_files.h"
#include "tests/support/imaging/pdf_reader.h"
#include "platform/wrappers.h"
#include "tests/support/test_platform.h"

namespace qid::pdf {
namespace {

using testing::PdfReader;
using testing::TestPage;

class PdfWriterTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return tp.root.path() + "/" + name; }
  std::string Tiff(const std::string& name, const std::vector<TestPage>& pages) {
    std::string path = Path(name);
    EXPECT_TRUE(testing::WriteTestTiff(path, pages)) << path;
    return path;
  }
  int Write(const std::vector<std::string>& sources, int quality = 50) {
    return WritePdf(tp.platform(), Path("out.pdf"), sources, quality);
  }
  std::string Output() const { return testing::ReadHostFile(Path("out.pdf")); }
  size_t Count(const std::string& text, const std::string& what) const {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  testing::TestPlatform tp;
};

TEST_F(PdfWriterTest, OnePageIsSixteenObjectsWithATableThatFindsEachOne) {
  ASSERT_EQ(Write({Tiff("a.tif", {TestPage{}})}), kPdfDone);
  PdfReader pdf(Output());
  EXPECT_EQ(pdf.problems(), "");
  EXPECT_EQ(pdf.bytes().rfind("%PDF-1.5\n1 0 obj\n", 0), 0u);
  EXPECT_EQ(pdf.object_count(), 16u);
  EXPECT_NE(pdf.bytes().find("xref\n0 17\n0000000000 65535 f \n"), std::string::npos);
  EXPECT_EQ(pdf.size(), 17);
  EXPECT_NE(pdf.trailer().find("/Root 1 0 R\n/Info 16 0 R\n"), std::string::npos);
  EXPECT_EQ(pdf.bytes().substr(pdf.bytes().size() - 6), "%%EOF\n");

  EXPECT_EQ(pdf.Object(1), "<<\n/Type /Catalog\n/Pages 3 0 R\n/Outlines 2 0 R\n/Dests 5 0 R\n"
                           "/PageMode /UseNone\n>>\n");
  EXPECT_EQ(pdf.Object(3), "<<\n/Type /Pages\n/Count 1\n/Kids [ 8 0 R ]\n>>\n");
  EXPECT_EQ(pdf.Object(8),
            "<<\n/Type /Page\n/Parent 3 0 R\n/MediaBox [ 0 0 16 8 ]\n"
            "/Resources << /Font << /F1 6 0 R >> /XObject << /Im1 11 0 R >> /ProcSet 4 0 R >>\n"
            "/Annots [ ]\n/Contents 9 0 R\n>>\n");
  EXPECT_EQ(testing::Inflate(pdf.Stream(9)),
            "q\n16.000000 0.0 0.0 8.000000 0.0 0.0 cm\n/Im1 Do\n");
  EXPECT_NE(pdf.Object(11).find("/Length 12 0 R\n/Name /Im1\n/Width 16\n/Height 8\n"),
            std::string::npos);
  // The content stream ends at "endstream"; the image's leading line feed is not counted.
  EXPECT_NE(pdf.Object(9).find(pdf.Stream(9) + "endstream\n"), std::string::npos);
  EXPECT_NE(pdf.Object(11).find(pdf.Stream(11) + "\nendstream\n"), std::string::npos);
  EXPECT_EQ(pdf.Object(13), "13\n");
  EXPECT_EQ(pdf.Object(14), "14\n");
  EXPECT_EQ(pdf.Object(15), "15\n");

  EXPECT_TRUE(tp.trace.Contains("PDF01:  tiff2pdf ANFANG"));
  EXPECT_TRUE(tp.trace.Contains("PDF01:  =>1 Catalog [9]\r\n"));
  EXPECT_TRUE(tp.trace.Contains("PDF01:  Writing 1 PDF pages\n\r\n"));
  EXPECT_TRUE(tp.trace.Contains("PDF01:  =>8 Page 1 ["));
  EXPECT_TRUE(tp.trace.Contains("PDF01:  =>17 xref ["));
  EXPECT_TRUE(tp.trace.Contains("TIME:  D:202612080930"));
  EXPECT_EQ(tp.trace.lines.back(), "PDF01:  tiff2pdf ENDE\r\n");
}

TEST_F(PdfWriterTest, InformationObjectNamesTheUserAndTheMinute) {
  ASSERT_EQ(Write({Tiff("a.tif", {TestPage{}})}), kPdfDone);
  EXPECT_EQ(PdfReader(Output()).Object(16),
            "<<\n/Title ()\n/Subject ()\n/Author (tester)\n/Keywords ()\n"
            "/Creator  (QID Version 4.01)\n/Producer (R2E.DLL ZEL AG)\n"
            "/CreationDate (D:202612080930)\n>>\n");
}

TEST_F(PdfWriterTest, ParenthesesAndBackslashesInTheAuthorAreEscaped) {
  tp.system.user = "o)(no\\";
  ASSERT_EQ(Write({Tiff("a.tif", {TestPage{}})}), kPdfDone);
  EXPECT_NE(Output().find("/Author (o\\)\\(no\\\\)\n"), std::string::npos);
}

TEST_F(PdfWriterTest, AuthorIsLeftEmptyWhenTheNameDoesNotFit64Bytes) {
  std::string tif = Tiff("a.tif", {TestPage{}});
  tp.system.user = std::string(63, 'u');
  ASSERT_EQ(Write({tif}), kPdfDone);
  EXPECT_NE(Output().find("/Author (" + std::string(63, 'u') + ")\n"), std::string::npos);
  tp.system.user = std::string(64, 'u');
  ASSERT_EQ(Write({tif}), kPdfDone);
  EXPECT_NE(Output().find("/Author ()\n"), std::string::npos);
  tp.system.user = "";  // no name to be had
  ASSERT_EQ(Write({tif}), kPdfDone);
  EXPECT_NE(Output().find("/Author ()\n"), std::string::npos);
}

TEST_F(PdfWriterTest, PagesAreGroupsOfEightAndTheInfoObjectFollowsThem) {
  TestPage p;
  ASSERT_EQ(Write({Tiff("a.tif", {p, p, p})}), kPdfDone);
  PdfReader pdf(Output());
  EXPECT_EQ(pdf.problems(), "");
  EXPECT_EQ(pdf.Object(3), "<<\n/Type /Pages\n/Count 3\n/Kids [ 8 0 R 16 0 R 24 0 R ]\n>>\n");
  EXPECT_EQ(pdf.size(), 33);
  EXPECT_NE(pdf.trailer().find("/Info 32 0 R\n"), std::string::npos);
  EXPECT_NE(pdf.Object(32).find("/Creator  (QID Version 4.01)"), std::string::npos);
  for (int page = 0; page < 3; ++page) {
    int n = 8 + 8 * page;
    std::string im = "/Im" + std::to_string(page + 1);
    EXPECT_NE(pdf.Object(n).find("/XObject << " + im + " " + std::to_string(n + 3) + " 0 R >>"),
              std::string::npos);
    EXPECT_NE(pdf.Object(n + 3).find("/Name " + im + "\n"), std::string::npos);
    EXPECT_EQ(testing::Inflate(pdf.Stream(n + 1)),
              "q\n16.000000 0.0 0.0 8.000000 0.0 0.0 cm\n" + im + " Do\n");
    // The fillers hold the same numbers on every page.
    EXPECT_EQ(pdf.Object(n + 5), "13\n");
  }
}

TEST_F(PdfWriterTest, ManyPagesGrowTheObjectTable) {
  TestPage p;
  p.width = 4;
  p.length = 2;
  ASSERT_EQ(Write({Tiff("a.tif", std::vector<TestPage>(60, p))}), kPdfDone);
  PdfReader pdf(Output());
  EXPECT_EQ(pdf.problems(), "");
  EXPECT_EQ(pdf.object_count(), 8u + 8u * 60u);
  EXPECT_NE(pdf.Object(3).find("/Count 60\n"), std::string::npos);
}

TEST_F(PdfWriterTest, TwoSourcesOfTwoPagesGiveFourPagesInOrder) {
  TestPage p;
  std::vector<std::string> sources;
  for (const char* name : {"a.tif", "b.tif"}) {
    std::vector<TestPage> pages(2, p);
    pages[0].width = name[0] == 'a' ? 11 : 21;
    pages[1].width = name[0] == 'a' ? 12 : 22;
    sources.push_back(Tiff(name, pages));
  }
  ASSERT_EQ(Write(sources), kPdfDone);
  PdfReader pdf(Output());
  EXPECT_EQ(pdf.problems(), "");
  EXPECT_NE(pdf.Object(3).find("/Count 4\n/Kids [ 8 0 R 16 0 R 24 0 R 32 0 R ]"),
            std::string::npos);
  int widths[] = {11, 12, 21, 22};
  for (int page = 0; page < 4; ++page) {
    EXPECT_NE(pdf.Object(11 + 8 * page).find("/Width " + std::to_string(widths[page]) + "\n"),
              std::string::npos)
        << "page " << page + 1;
  }
  // The second source is opened when its first page is reached.
  std::vector<std::string> opens;
  for (const auto& line : tp.trace.lines) {
    if (line.find("Image ") != std::string::npos) opens.push_back(line);
    if (line.find("=>24 Page 3") != std::string::npos) opens.push_back("page 3");
  }
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[0], "PDF01:  in Image " + sources[0] + "\r\n");
  EXPECT_EQ(opens[1], "PDF01:  in Image " + sources[1] + "\r\n");
  EXPECT_EQ(opens[2], "page 3");
}

TEST_F(PdfWriterTest, SourceThatIsNoTiffEndsWith3AfterTheFirstTwoObjects) {
  std::string good = Tiff("a.tif", {TestPage{}});
  std::string junk = Path("junk.tif");
  testing::WriteHostFile(junk, "II*\0 this is not an image file");
  for (const std::string& bad : {Path("missing.tif"), junk}) {
    ASSERT_EQ(Write({good, bad}), kPdfSourceNotOpened) << bad;
    std::string out = Output();
    const std::string end = "2 0 obj\n<<\n/Type /Outlines\n/Count 0\n>>\nendobj\n";
    ASSERT_GE(out.size(), end.size());
    EXPECT_EQ(out.substr(out.size() - end.size()), end) << bad;
    EXPECT_EQ(out.find("3 0 obj"), std::string::npos);
  }
}

TEST_F(PdfWriterTest, NoTargetOrNoSourceCreatesNothing) {
  std::string tif = Tiff("a.tif", {TestPage{}});
  EXPECT_EQ(WritePdf(tp.platform(), "", {tif}, 50), kPdfFailed);
  EXPECT_EQ(WritePdf(tp.platform(), Path("out.pdf"), {}, 50), kPdfFailed);
  EXPECT_FALSE(testing::HostFileExists(Path("out.pdf")));
  EXPECT_EQ(WritePdf(tp.platform(), Path("no/such/folder/out.pdf"), {tif}, 50), kPdfFailed);
}

TEST_F(PdfWriterTest, ProductPathsGoThroughThePlatformFiles) {
  TestPage p;
  testing::WriteHostFile(tp.HostPath("C:\\ZEL\\JOB.TIF"), "");  // makes the folder
  ASSERT_TRUE(testing::WriteTestTiff(tp.HostPath("C:\\ZEL\\JOB.TIF"), {p}));
  ASSERT_EQ(WritePdf(tp.platform(), "C:\\ZEL\\JOB.PDF", {"C:\\ZEL\\JOB.TIF"}, 50), kPdfDone);
  EXPECT_EQ(PdfReader(testing::ReadHostFile(tp.HostPath("C:\\ZEL\\JOB.PDF"))).problems(), "");
}

// Page geometry, end to end for the fax and A4 examples, the rest on the rule itself.
TEST_F(PdfWriterTest, PageSizeFollowsTheScannedSize) {
  struct Case {
    uint32_t width, length;
    float x, y;
    const char* media;
    const char* matrix;
  } cases[] = {
      {1728, 2200, 204, 196, "[ 0 0 609 808 ]", "609.882353 0.0 0.0 808.163265 0.0 0.0 cm"},
      {2480, 3508, 300, 300, "[ 0 0 595 841 ]", "595.200000 0.0 0.0 841.920000 0.0 0.0 cm"},
  };
  for (const Case& c : cases) {
    TestPage p;
    p.width = c.width;
    p.length = c.length;
    p.bits = 1;
    p.x_resolution = c.x;
    p.y_resolution = c.y;
    p.compression = COMPRESSION_CCITTFAX4;
    p.photometric = PHOTOMETRIC_MINISWHITE;
    p.pixels.assign(testing::ScanlineBytes(p) * p.length, 0);
    ASSERT_EQ(Write({Tiff("a.tif", {p})}), kPdfDone);
    PdfReader pdf(Output());
    EXPECT_NE(pdf.Object(8).find(std::string("/MediaBox ") + c.media), std::string::npos);
    EXPECT_NE(testing::Inflate(pdf.Stream(9)).find(c.matrix), std::string::npos);
  }
}

TEST(PageGeometryTest, CentimetreAndUnusableResolutionsGiveOnePointPerPixel) {
  PageInfo info;
  info.width = 100;
  info.length = 50;
  PageGeometry g;
  auto size = [&](float x, float y, uint16_t unit) {
    info.x_resolution = x;
    info.y_resolution = y;
    info.resolution_unit = unit;
    EXPECT_TRUE(ComputePageGeometry(info, &g));
    return std::to_string(g.media_w) + "x" + std::to_string(g.media_h);
  };
  EXPECT_EQ(size(80, 80, RESUNIT_CENTIMETER), "100x50");
  EXPECT_EQ(size(0, 0, RESUNIT_INCH), "100x50");      // absent or zero
  EXPECT_EQ(size(-5, NAN, RESUNIT_INCH), "100x50");   // damaged
  EXPECT_EQ(size(144, 0, RESUNIT_INCH), "50x25");     // one axis lends the other its value
  EXPECT_EQ(size(0, 36, RESUNIT_NONE), "200x100");    // no unit: still taken as per inch
  info.x_resolution = info.y_resolution = 1e-30f;     // would overflow the MediaBox
  EXPECT_FALSE(ComputePageGeometry(info, &g));
}

TEST_F(PdfWriterTest, AFailedWriteAnywhereGivesResult1) {
  TestPage p;
  p.width = p.length = 256;  // noise that Flate cannot shrink: several buffers of output
  uint32_t seed = 1;
  for (int i = 0; i < 256 * 256; ++i) {
    seed = seed * 1103515245u + 12345u;
    p.pixels.push_back(static_cast<uint8_t>(seed >> 24));
  }
  std::string tif = Tiff("a.tif", {p, p, p});
  testing::FaultyFiles files(tp.platform().files);
  Platform os = tp.platform();
  os.files = &files;
  ASSERT_EQ(WritePdf(os, Path("out.pdf"), {tif}, 0), kPdfDone);
  int writes = files.writes;
  ASSERT_GE(writes, 3);
  for (int n = 1; n <= writes; ++n) {
    files.writes = 0;
    files.fail_write = n;
    EXPECT_EQ(WritePdf(os, Path("out.pdf"), {tif}, 0), kPdfFailed) << "write " << n;
  }
  files.writes = 0;
  files.fail_write = writes + 1;
  EXPECT_EQ(WritePdf(os, Path("out.pdf"), {tif}, 0), kPdfDone);
  EXPECT_EQ(PdfReader(Output()).problems(), "");
}

TEST_F(PdfWriterTest, AFullDiskGivesResult1) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  EXPECT_EQ(WritePdf(tp.platform(), "/dev/full", {Tiff("a.tif", {TestPage{}})}, 50), kPdfFailed);
}

}  // namespace
}  // namespace qid::pdf
