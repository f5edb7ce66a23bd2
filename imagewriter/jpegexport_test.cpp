#include "imagewriter/jpegexport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "imagewriter/splice_testing.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::DecodedJpeg;
using testing::DecodeJpeg;
using testing::FaultyFiles;
using testing::HostFileExists;
using testing::JpegSegments;
using testing::ReadHostFile;
using testing::TestPlatform;
using testing::TiffSpec;
using testing::WriteTiffFile;

constexpr char kTiff[] = "C:\\in\\page.tif";
constexpr char kJpeg[] = "C:\\in\\page.jpg";

TEST(MakeJpegNameTest, ReplacesOrAppendsThePageSuffix) {
  TestPlatform tp;
  struct Case {
    const char* path;
    int page;
    const char* expected;
  } cases[] = {
      {"C:\\out\\Doc0001.tif", 0, "C:\\out\\Doc0001.jpg"},
      {"C:\\out\\Doc0001.tif", 3, "C:\\out\\Doc0001_3.jpg"},
      {"C:\\out.d\\page", 0, "C:\\out.d\\page.jpg"},
      {"C:\\out\\page", 2, "C:\\out\\page_2.jpg"},
      {"C:\\out\\x.jpg", 0, "C:\\out\\x.jpg"},
      {"C:\\out\\Doc.tif", 100, "C:\\out\\Doc_100.jpg"},
      {"page", 0, "page.jpg"},
  };
  for (const Case& c : cases) {
    std::string path = c.path;
    EXPECT_TRUE(MakeJpegName(&path, c.page));
    EXPECT_EQ(path, c.expected);
  }
  EXPECT_TRUE(tp.trace.Contains("SEC01:  err = 0"));

  std::string full = "C:\\" + std::string(252, 'n');  // 255 characters, no extension
  std::string path = full;
  EXPECT_FALSE(MakeJpegName(&path, 0));
  EXPECT_EQ(path, full);
}

// A smooth test pattern: JPEG keeps it within a few levels.
std::vector<uint8_t> Gradient(uint32_t w, uint32_t h, int channels) {
  std::vector<uint8_t> v;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) v.push_back(uint8_t(x * 3 + y * 2 + c * 40));  // at most 248 on 40 x 24
  return v;
}

// The largest difference between decoded samples and the expected ones.
int MaxError(const std::vector<uint8_t>& decoded, const std::vector<uint8_t>& expected) {
  if (decoded.size() != expected.size()) return 999;
  int worst = 0;
  for (size_t i = 0; i < decoded.size(); ++i)
    worst = std::max(worst, std::abs(int(decoded[i]) - int(expected[i])));
  return worst;
}

class JpegExportTest : public ::testing::Test {
 protected:
  JpegExportTest() {
    std::filesystem::create_directories(Host("C:\\in"));
    ImagingStartup(ctx);
  }
  std::string Host(const std::string& p) { return tp.HostPath(p); }
  // Writes the page, converts it to kJpeg and returns the result code.
  int Convert(const TiffSpec& desc) {
    EXPECT_TRUE(WriteTiffFile(Host(kTiff), desc));
    jpeg_path = kJpeg;
    return ConvertToJpeg(ctx, &jpeg_path, kTiff);
  }
  DecodedJpeg Decoded() { return DecodeJpeg(ReadHostFile(Host(jpeg_path))); }
  bool Exists(const std::string& p) { return HostFileExists(Host(p)); }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
  std::string jpeg_path;
};

TiffSpec GreyPage() {
  TiffSpec s;
  s.width = 40;
  s.length = 24;
  s.samples = Gradient(40, 24, 1);
  s.x_resolution = s.y_resolution = 200;
  s.resolution_unit = RESUNIT_INCH;
  return s;
}

TiffSpec RgbPage() {
  TiffSpec s = GreyPage();
  s.samples_per_pixel = 3;
  s.photometric = PHOTOMETRIC_RGB;
  s.samples = Gradient(40, 24, 3);
  return s;
}

// A palette whose entry i has the given colour, as 16-bit colour map runs.
std::vector<uint16_t> ColourMap(int entries, uint8_t (*colour)(int i, int channel)) {
  std::vector<uint16_t> map;
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < entries; ++i) map.push_back(uint16_t(colour(i, c) * 257));
  return map;
}

TEST_F(JpegExportTest, GreyPageGivesAOneComponentJfifWithItsDensity) {
  EXPECT_EQ(Convert(GreyPage()), kJpegWritten);
  EXPECT_FALSE(Exists(kTiff));
  DecodedJpeg j = Decoded();
  ASSERT_TRUE(j.ok);
  EXPECT_EQ(j.components, 1);
  EXPECT_TRUE(j.jfif);
  EXPECT_EQ(j.jfif_major, 1);
  EXPECT_EQ(j.jfif_minor, 2);
  EXPECT_EQ(j.density_unit, 1);
  EXPECT_EQ(j.x_density, 200);
  EXPECT_EQ(j.y_density, 200);
  EXPECT_LE(MaxError(j.pixels, GreyPage().samples), 12);
  EXPECT_TRUE(tp.trace.Contains("JPG01:  C:\\in\\page.tif => C:\\in\\page.jpg"));
  EXPECT_TRUE(tp.trace.Contains("File = C:\\in\\page.tif => 40 x 24  BMPP = 8 comp = 1)"));
  EXPECT_TRUE(tp.trace.Contains("File = C:\\in\\page.jpg comp = 0  (1)"));
}

TEST_F(JpegExportTest, SegmentsComeInTheJfifBaselineOrder) {
  struct Case {
    TiffSpec desc;
    std::vector<uint8_t> markers;
    std::vector<uint8_t> tables;  // DQT ids, then DHT class/id bytes, in file order
  } cases[] = {
      {GreyPage(), {0xD8, 0xE0, 0xDB, 0xC0, 0xC4, 0xC4, 0xDA, 0xD9}, {0x00, 0x00, 0x10}},
      {RgbPage(),
       {0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA, 0xD9},
       {0x00, 0x01, 0x00, 0x10, 0x01, 0x11}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Convert(c.desc), kJpegWritten);
    std::vector<testing::JpegSegment> segments = JpegSegments(ReadHostFile(Host(jpeg_path)));
    std::vector<uint8_t> markers, tables;
    for (const auto& s : segments) {
      markers.push_back(s.marker);
      if (s.marker == 0xDB || s.marker == 0xC4) {
        // One table per segment: a DQT of 8-bit values holds 1 + 64 bytes.
        if (s.marker == 0xDB) {
          EXPECT_EQ(s.payload.size(), 65u);
        }
        tables.push_back(uint8_t(s.payload[0]));
      }
    }
    EXPECT_EQ(markers, c.markers);
    EXPECT_EQ(tables, c.tables);
    const std::string& app0 = segments[1].payload;
    EXPECT_EQ(app0.size(), 14u);  // segment length 16
    EXPECT_EQ(app0, std::string("JFIF\0\x01\x02\x01\x00\xC8\x00\xC8\x00\x00", 14));
    // Annex K tables at quality 75: the DC entries 16 and 17 become 8 and 9.
    EXPECT_EQ(uint8_t(segments[2].payload[1]), 8);
    if (c.desc.samples_per_pixel == 3) {
      EXPECT_EQ(uint8_t(segments[3].payload[1]), 9);
      const std::string& sof = segments[4].payload;  // 3 components: 4:2:0
      ASSERT_EQ(sof.size(), 15u);
      EXPECT_EQ(uint8_t(sof[7]), 0x22);
      EXPECT_EQ(uint8_t(sof[10]), 0x11);
      EXPECT_EQ(uint8_t(sof[13]), 0x11);
    }
  }
}

TEST_F(JpegExportTest, ResolutionUnitsMapOntoJfifUnits) {
  struct Case {
    uint16_t unit;  // 0: tag absent
    float resolution;
    int units, density;
  } cases[] = {
      {RESUNIT_INCH, 300, 1, 300},
      {RESUNIT_CENTIMETER, 80, 2, 80},
      {RESUNIT_NONE, 2, 0, 2},
      {0, 0, 0, 1},  // no resolution: square pixels of unknown size, never "1 dot per inch"
  };
  for (const Case& c : cases) {
    TiffSpec s = GreyPage();
    s.resolution_unit = c.unit;
    s.x_resolution = s.y_resolution = c.resolution;
    ASSERT_EQ(Convert(s), kJpegWritten);
    DecodedJpeg j = Decoded();
    EXPECT_EQ(j.density_unit, c.units) << c.unit;
    EXPECT_EQ(j.x_density, c.density) << c.unit;
    EXPECT_EQ(j.y_density, c.density) << c.unit;
  }
}

TEST_F(JpegExportTest, TheDensityOfOneSaveDoesNotReachTheNext) {
  TiffSpec first = GreyPage();
  first.resolution_unit = RESUNIT_CENTIMETER;
  first.x_resolution = 300;
  first.y_resolution = 150;
  ASSERT_EQ(Convert(first), kJpegWritten);
  EXPECT_EQ(Decoded().y_density, 150);
  EXPECT_EQ(ctx.imaging.density.units, 0);
  EXPECT_EQ(ctx.imaging.density.x, 1);
  EXPECT_EQ(ctx.imaging.density.y, 1);

  TiffSpec second = GreyPage();
  second.x_resolution = 70000;  // too large for JFIF
  second.y_resolution = 0;      // absent
  ASSERT_EQ(Convert(second), kJpegWritten);
  DecodedJpeg j = Decoded();
  EXPECT_EQ(j.density_unit, 0);
  EXPECT_EQ(j.x_density, 1);
  EXPECT_EQ(j.y_density, 1);
}

TEST_F(JpegExportTest, ColourPagesGiveThreeComponentsCloseToTheSource) {
  ASSERT_EQ(Convert(RgbPage()), kJpegWritten);
  DecodedJpeg j = Decoded();
  EXPECT_EQ(j.components, 3);
  EXPECT_LE(MaxError(j.pixels, RgbPage().samples), 40);  // chroma is subsampled

  // An 8-bit palette page in colour: flat blocks, so subsampling costs little.
  TiffSpec palette = GreyPage();
  palette.photometric = PHOTOMETRIC_PALETTE;
  palette.color_map = ColourMap(256, [](int i, int c) { return uint8_t(c == 0 ? i : 255 - i); });
  std::vector<uint8_t> expected;
  palette.samples.clear();
  for (uint32_t y = 0; y < 24; ++y)
    for (uint32_t x = 0; x < 40; ++x) {
      uint8_t index = x < 24 ? 40 : 200;
      palette.samples.push_back(index);
      for (int c = 0; c < 3; ++c) expected.push_back(c == 0 ? index : 255 - index);
    }
  ASSERT_EQ(Convert(palette), kJpegWritten);
  j = Decoded();
  EXPECT_EQ(j.components, 3);
  // Away from the colour edge the blocks keep their colour.
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(j.pixels[(10 * 40 + 4) * 3 + c], expected[(10 * 40 + 4) * 3 + c], 8);
    EXPECT_NEAR(j.pixels[(10 * 40 + 36) * 3 + c], expected[(10 * 40 + 36) * 3 + c], 8);
  }
}

TEST_F(JpegExportTest, AGreyRampPaletteIsWrittenAsGrey) {
  TiffSpec s = GreyPage();
  s.photometric = PHOTOMETRIC_PALETTE;
  s.color_map = ColourMap(256, [](int i, int) { return uint8_t(i); });
  ASSERT_EQ(Convert(s), kJpegWritten);
  DecodedJpeg j = Decoded();
  EXPECT_EQ(j.components, 1);
  EXPECT_LE(MaxError(j.pixels, GreyPage().samples), 12);
}

TEST_F(JpegExportTest, FourBitPagesAreWidened) {
  TiffSpec s = GreyPage();
  s.bits_per_sample = 4;
  s.photometric = PHOTOMETRIC_PALETTE;
  s.color_map = ColourMap(16, [](int i, int c) { return uint8_t(c == 2 ? 255 : i * 17); });
  s.samples.assign(20 * 24, 0x33);  // index 3 everywhere
  ASSERT_EQ(Convert(s), kJpegWritten);
  DecodedJpeg j = Decoded();
  ASSERT_EQ(j.components, 3);
  EXPECT_NEAR(j.pixels[0], 51, 4);
  EXPECT_NEAR(j.pixels[2], 255, 4);
  EXPECT_TRUE(tp.trace.Contains("BMPP = 4 comp = 1)"));

  // A 4-bit grey page keeps its levels, widened to 8 bits; white-is-zero is inverted.
  s.photometric = PHOTOMETRIC_MINISWHITE;
  s.color_map.clear();
  s.samples.assign(20 * 24, 0x22);
  ASSERT_EQ(Convert(s), kJpegWritten);
  j = Decoded();
  EXPECT_EQ(j.components, 1);
  EXPECT_NEAR(j.pixels[0], 255 - 34, 3);
}

TEST_F(JpegExportTest, WhiteIsZeroGreyShowsTheDocument) {
  TiffSpec s = GreyPage();
  s.photometric = PHOTOMETRIC_MINISWHITE;
  std::vector<uint8_t> inverted;
  for (uint8_t v : s.samples) inverted.push_back(uint8_t(255 - v));
  ASSERT_EQ(Convert(s), kJpegWritten);
  EXPECT_LE(MaxError(Decoded().pixels, inverted), 12);
}

TEST_F(JpegExportTest, OneAndSixteenBitPagesGiveNoJpegAndKeepTheTiff) {
  TiffSpec bilevel = GreyPage();
  bilevel.bits_per_sample = 1;
  bilevel.samples.assign(5 * 24, 0xF0);
  TiffSpec deep = GreyPage();
  deep.bits_per_sample = 16;
  deep.samples.assign(80 * 24, 0x12);
  for (const TiffSpec& s : {bilevel, deep}) {
    EXPECT_EQ(Convert(s), kJpegDepthRefused);
    EXPECT_FALSE(Exists(kJpeg));
    EXPECT_TRUE(Exists(kTiff));
  }
  EXPECT_TRUE(tp.trace.Contains("BMPP = 1 comp = 1)"));
  EXPECT_TRUE(tp.trace.Contains("BMPP = 16 comp = 1)"));
}

TEST_F(JpegExportTest, AJpegNamedLikeTheTiffGetsAnUnderscore) {
  std::string path = "C:\\in\\x.jpg";
  ASSERT_TRUE(WriteTiffFile(Host(path), GreyPage()));
  std::string jpeg = path;
  EXPECT_EQ(ConvertToJpeg(ctx, &jpeg, path), kJpegWritten);
  EXPECT_EQ(jpeg, "C:\\in\\x_.jpg");
  EXPECT_TRUE(DecodeJpeg(ReadHostFile(Host(jpeg))).ok);
  EXPECT_FALSE(Exists(path));
}

TEST_F(JpegExportTest, UnreadableSourcesGiveNoJpeg) {
  testing::WriteHostFile(Host(kTiff), "II*\0 this is no page");
  jpeg_path = kJpeg;
  EXPECT_NE(ConvertToJpeg(ctx, &jpeg_path, kTiff), kJpegWritten);
  EXPECT_TRUE(Exists(kTiff));
  jpeg_path = kJpeg;
  EXPECT_NE(ConvertToJpeg(ctx, &jpeg_path, "C:\\in\\missing.tif"), kJpegWritten);
  EXPECT_FALSE(Exists(kJpeg));
  EXPECT_TRUE(tp.trace.Contains("File = C:\\in\\missing.tif => 0 x 0  BMPP = 0 comp = 0)"));

  // Pixels cut short: the page cannot be loaded.
  TiffSpec s = GreyPage();
  ASSERT_TRUE(WriteTiffFile(Host(kTiff), s));
  std::filesystem::resize_file(Host(kTiff), 200);
  jpeg_path = kJpeg;
  int result = ConvertToJpeg(ctx, &jpeg_path, kTiff);
  EXPECT_NE(result, kJpegWritten);
  EXPECT_FALSE(Exists(kJpeg));
}

TEST_F(JpegExportTest, AJpegThatCannotBeWrittenWholeIsRemoved) {
  TiffSpec big = RgbPage();
  big.width = 600;
  big.length = 400;
  big.samples.resize(600 * 400 * 3);
  for (size_t i = 0; i < big.samples.size(); ++i) big.samples[i] = uint8_t(std::rand());
  for (int n : {1, 2}) {  // the first 64 KiB chunk, and a later one
    ASSERT_TRUE(WriteTiffFile(Host(kTiff), big));
    FaultyFiles full(tp.files.get());
    full.fail_write = n;
    full.half_written = true;
    Platform p = tp.platform();
    p.files = &full;
    WriterContext c(p);
    jpeg_path = kJpeg;
    EXPECT_EQ(ConvertToJpeg(c, &jpeg_path, kTiff), kJpegNotWritten) << n;
    EXPECT_FALSE(Exists(kJpeg)) << n;
    EXPECT_TRUE(Exists(kTiff)) << n;
  }
  jpeg_path = "C:\\nowhere\\page.jpg";
  EXPECT_EQ(ConvertToJpeg(ctx, &jpeg_path, kTiff), kJpegNotCreated);
  EXPECT_TRUE(Exists(kTiff));
}

TEST(ImagingStartupTest, RecordsTheVersionAndDibSectionSupport) {
  struct Case {
    uint32_t major, minor, platform_id, version;
    bool dib;
  } cases[] = {
      {5, 1, 2, 501, true}, {3, 51, 2, 351, true}, {3, 10, 2, 310, false},
      {4, 0, 1, 400, true}, {3, 94, 1, 394, false}, {3, 95, 1, 395, true},
  };
  for (const Case& c : cases) {
    TestPlatform tp;
    tp.system.version = OsVersion{c.major, c.minor, 0, c.platform_id};
    WriterContext ctx(tp.platform());
    ctx.imaging.density.x = 99;
    ImagingStartup(ctx);
    EXPECT_EQ(ctx.imaging.platform_version, c.version);
    EXPECT_EQ(ctx.imaging.dib_sections, c.dib) << c.version;
    EXPECT_EQ(ctx.imaging.density.x, 1);
    ImagingShutdown(ctx);
    EXPECT_FALSE(ctx.imaging.started);
  }
}

}  // namespace
}  // namespace qid
