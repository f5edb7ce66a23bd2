#include "driver/tiff_pages.h"

#include <gtest/gtest.h>

#include "tests/support/imaging/test_tiff.h"
#include "tests/support/test_platform.h"

namespace qid::driver {
namespace {

using testing::TestPage;
using testing::WriteTestTiff;
using qid::testing::TempDir;
using qid::testing::WriteHostFile;

TEST(TiffPagesTest, EveryPageKeepsItsCodecAndTheTagsItNeeds) {
  TempDir dir;
  const std::string path = dir.path() + "/mixed.tif";
  TestPage fax{.width = 64, .length = 40, .bits = 1, .compression = COMPRESSION_CCITTFAX4,
               .photometric = PHOTOMETRIC_MINISWHITE, .fill_order = FILLORDER_LSB2MSB,
               .rows_per_strip = 40, .x_resolution = 204, .y_resolution = 204, .t6_options = 0};
  TestPage colour{.width = 40, .length = 30, .samples = 3, .compression = COMPRESSION_LZW,
                  .photometric = PHOTOMETRIC_RGB, .predictor = 2, .rows_per_strip = 7, .seed = 2};
  TestPage palette{.width = 40, .length = 30, .bits = 4, .rows_per_strip = 7, .palette = true,
                   .seed = 3};
  ASSERT_TRUE(WriteTestTiff(path, {fax, colour, palette}));

  std::vector<TiffPage> pages;
  std::string error;
  ASSERT_TRUE(LoadTiffPages(path, &pages, &error)) << error;
  ASSERT_EQ(pages.size(), 3u);

  EXPECT_EQ(pages[0].compression, COMPRESSION_CCITTFAX4);
  EXPECT_EQ(pages[0].fill_order, FILLORDER_LSB2MSB);
  EXPECT_EQ(pages[0].photometric, PHOTOMETRIC_MINISWHITE);
  EXPECT_TRUE(pages[0].has_group4_options);
  EXPECT_EQ(pages[0].strips.size(), 1u);
  EXPECT_FLOAT_EQ(pages[0].x_resolution, 204);

  EXPECT_EQ(pages[1].compression, COMPRESSION_LZW);
  EXPECT_EQ(pages[1].predictor, 2);
  EXPECT_EQ(pages[1].samples_per_pixel, 3);
  EXPECT_EQ(pages[1].strips.size(), 5u);  // 30 rows in strips of 7

  EXPECT_EQ(pages[2].photometric, PHOTOMETRIC_PALETTE);
  EXPECT_EQ(pages[2].color_map.size(), 3u * 16);
  EXPECT_EQ(pages[2].color_map[16 + 1], 0xFFFF - 100);  // green run of entry 1
}

TEST(TiffPagesTest, PagesAreAppendedAfterThoseOfEarlierFiles) {
  TempDir dir;
  ASSERT_TRUE(WriteTestTiff(dir.path() + "/a.tif", {TestPage{.width = 40, .length = 30,
                                                             .rows_per_strip = 7},
                                                             TestPage{.width = 40, .length = 30,
                                                             .rows_per_strip = 7, .seed = 2}}));
  ASSERT_TRUE(WriteTestTiff(dir.path() + "/b.tif", {TestPage{.width = 11, .length = 30,
                                                             .rows_per_strip = 7}}));
  std::vector<TiffPage> pages;
  std::string error;
  ASSERT_TRUE(LoadTiffPages(dir.path() + "/a.tif", &pages, &error)) << error;
  ASSERT_TRUE(LoadTiffPages(dir.path() + "/b.tif", &pages, &error)) << error;
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[2].width, 11u);
}

TEST(TiffPagesTest, CodecsThatNeedTablesAreDecodedToPlainStrips) {
  TempDir dir;
  const std::string path = dir.path() + "/jpeg.tif";
  ASSERT_TRUE(WriteTestTiff(path, {TestPage{.width = 32, .length = 32, .samples = 3,
                                            .compression = COMPRESSION_JPEG,
                                            .rows_per_strip = 16}}));
  std::vector<TiffPage> pages;
  std::string error;
  ASSERT_TRUE(LoadTiffPages(path, &pages, &error)) << error;
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].compression, COMPRESSION_NONE);
  EXPECT_EQ(pages[0].photometric, PHOTOMETRIC_RGB);
  size_t bytes = 0;
  for (const auto& strip : pages[0].strips) bytes += strip.size();
  EXPECT_EQ(bytes, 32u * 32 * 3);
}

TEST(TiffPagesTest, BigEndianWideSamplesBecomeLittleEndian) {
  TempDir dir;
  const std::string path = dir.path() + "/be16.tif";
  TestPage page{.width = 5, .length = 2, .bits = 16, .rows_per_strip = 2};
  ASSERT_TRUE(WriteTestTiff(path, {page}, "wb"));
  std::vector<TiffPage> pages;
  std::string error;
  ASSERT_TRUE(LoadTiffPages(path, &pages, &error)) << error;
  // The samples as libtiff hands them out on this (little-endian) host are what the
  // little-endian job file must hold.
  std::vector<uint8_t> pixels = testing::PagePixels(page);
  ASSERT_EQ(pages[0].strips.size(), 1u);
  std::vector<uint8_t> expected(pixels.size());
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(tif, nullptr);
  ASSERT_EQ(TIFFReadEncodedStrip(tif, 0, expected.data(), expected.size()),
            static_cast<tmsize_t>(expected.size()));
  TIFFClose(tif);
  EXPECT_EQ(pages[0].strips[0], expected);
  EXPECT_EQ(pages[0].strips[0][0], pixels[0]);  // the low byte first
}

TEST(TiffPagesTest, InputsThatCannotBecomeJobPagesAreRefusedWithAReason) {
  TempDir dir;
  WriteHostFile(dir.path() + "/notes.txt", "hello, not an image\n");
  WriteHostFile(dir.path() + "/short.tif", std::string("II*\0", 4));
  ASSERT_TRUE(WriteTestTiff(dir.path() + "/tiled.tif", {TestPage{.width = 40, .length = 30,
                                                                 .tile_width = 16,
                                                                 .tile_length = 16}}));
  ASSERT_TRUE(WriteTestTiff(dir.path() + "/grey_alpha.tif",
                              {TestPage{.width = 40, .length = 30, .rows_per_strip = 7},
                                        TestPage{.width = 40, .length = 30, .samples = 2,
                                        .rows_per_strip = 7}}));
  struct Case {
    const char* file;
    const char* reason;
  } cases[] = {
      {"/missing.tif", "No such file"},
      {"/notes.txt", "not a TIFF"},
      {"/short.tif", "cannot read"},
      {"/tiled.tif", "tiled"},
      {"/grey_alpha.tif", "page 2 has 2 samples per pixel"},
  };
  for (const Case& c : cases) {
    std::vector<TiffPage> pages(1);
    std::string error;
    EXPECT_FALSE(LoadTiffPages(dir.path() + c.file, &pages, &error)) << c.file;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.file << ": " << error;
    EXPECT_NE(error.find(c.file + 1), std::string::npos) << "names the file: " << error;
    EXPECT_EQ(pages.size(), 1u) << "nothing added on failure: " << c.file;
  }
}

TEST(TiffPagesTest, InputKindComesFromTheFirstBytes) {
  TempDir dir;
  struct Case {
    std::string bytes;
    InputKind kind;
  } cases[] = {
      {std::string("II*\0\x08\0\0\0", 8), InputKind::kTiff},
      {std::string("MM\0*\0\0\0\x08", 8), InputKind::kTiff},
      {"%PDF-1.5\n", InputKind::kPdf},
      {"%!PS-Adobe-3.0\n", InputKind::kPostScript},
      {"GIF89a", InputKind::kUnknown},
      {"", InputKind::kUnknown},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::string path = dir.path() + "/in" + std::to_string(n++);
    WriteHostFile(path, c.bytes);
    InputKind kind;
    std::string error;
    ASSERT_TRUE(DetectInputKind(path, &kind, &error)) << error;
    EXPECT_EQ(kind, c.kind) << c.bytes;
  }
}

}  // namespace
}  // namespace qid::driver
