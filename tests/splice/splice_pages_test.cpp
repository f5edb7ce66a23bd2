// Real pages through Append, the split and JPEG export, judged by readers we did not write.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "driver/job_file.h"
#include "driver/tiff_pages.h"
#include "imagewriter/job_split.h"
#include "imagewriter/jpegexport.h"
#include "tests/support/imaging/test_tiff.h"
#include "tests/support/imaging/test_jpeg.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::DecodedPage;
using testing::DecodeJpeg;
using testing::DecodeTiffPages;
using testing::ReadHostFile;
using testing::TestPlatform;
using testing::WriteHostFile;

std::string PagesDir() {
  const char* dir = std::getenv("QID_PAGES");
  return dir != nullptr ? dir : "";
}

std::string Page(const std::string& name) { return PagesDir() + "/" + name; }

// Runs a command; its exit status and what it printed (stdout and stderr).
int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) output->append(buf, n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int CountDirectories(const std::string& tiffinfo_output) {
  int n = 0;
  for (size_t at = 0; (at = tiffinfo_output.find("TIFF Directory at offset", at)) !=
                      std::string::npos;
       ++at) {
    ++n;
  }
  return n;
}

// The job file for the pages of these files, in the layout the driver side writes.
std::string JobFor(const std::vector<std::string>& files, uint16_t data_mode,
                   driver::JobLayout layout, bool end_marker) {
  std::vector<driver::TiffPage> pages;
  std::string error;
  for (const std::string& f : files) {
    EXPECT_TRUE(driver::LoadTiffPages(Page(f), &pages, &error)) << error;
  }
  driver::JobSpec job_spec;
  job_spec.data_mode = data_mode;
  job_spec.layout = layout;
  job_spec.end_marker = end_marker;
  std::vector<uint8_t> job;
  EXPECT_TRUE(driver::BuildJobFile(pages, job_spec, &job, &error)) << error;
  return std::string(job.begin(), job.end());
}

void ExpectSamePage(const DecodedPage& got, const DecodedPage& want, const std::string& what) {
  EXPECT_EQ(got.width, want.width) << what;
  EXPECT_EQ(got.length, want.length) << what;
  EXPECT_EQ(got.bits_per_sample, want.bits_per_sample) << what;
  EXPECT_EQ(got.samples_per_pixel, want.samples_per_pixel) << what;
  EXPECT_TRUE(got.pixels == want.pixels) << what << ": pixels differ";
}

// One page of a TIFF as 8-bit RGBA, top row first, through libtiff's reader.
std::vector<uint32_t> RgbaOf(const std::string& path, int page, uint32_t* w, uint32_t* h) {
  std::vector<uint32_t> raster;
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return raster;
  if (TIFFSetDirectory(tiff, uint16_t(page))) {
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, h);
    raster.resize(size_t(*w) * *h);
    if (!TIFFReadRGBAImageOriented(tiff, *w, *h, raster.data(), ORIENTATION_TOPLEFT, 0))
      raster.clear();
  }
  TIFFClose(tiff);
  return raster;
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(PagesDir().empty()) << "QID_PAGES names the rendered fixture pages";
    ASSERT_TRUE(std::filesystem::exists(Page("gray8.tif"))) << PagesDir();
    tp.registry.hive(Hive::kCurrentUser).Create(kSettingsKeyPath, " ", nullptr);
    LoadSettings(ctx);
    Settings& s = ctx.settings;
    s.output_directory = "C:\\out\\";
    s.serial_prefix_string = "Scan";
    s.serial_num_digits = 4;
    s.last_serial_number = 1;
    std::filesystem::create_directories(Host("C:\\out"));
    ImagingStartup(ctx);
  }
  std::string Host(const std::string& p) { return tp.HostPath(p); }
  std::string Serial(int n, const char* ext) {
    char name[64];
    std::snprintf(name, sizeof name, "C:\\out\\Scan%04d.%s", n, ext);
    return name;
  }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
};

TEST_F(PagesTest, ThreeAppendedJobsKeepEveryPageOfEach) {
  const std::vector<std::string> sources = {"fax_g4.tif", "gray8.tif", "palette4.tif"};
  const bool markers[] = {true, false, true};
  const std::string job = "C:\\spool\\job.tif", target = "C:\\out\\book.tif";
  std::vector<DecodedPage> expected;
  for (size_t i = 0; i < sources.size(); ++i) {
    WriteHostFile(Host(job), JobFor({sources[i]}, uint16_t(i + 1),
                                    driver::JobLayout::kDocument, markers[i]));
    ASSERT_TRUE(CheckAndFixFileHeader(ctx, job));
    ASSERT_TRUE(AppendTiff(ctx, job, target)) << sources[i];
    for (DecodedPage& p : DecodeTiffPages(Page(sources[i]))) expected.push_back(std::move(p));
  }
  std::string info;
  EXPECT_EQ(RunCommand("tiffinfo '" + Host(target) + "'", &info), 0) << info;
  EXPECT_EQ(CountDirectories(info), int(expected.size())) << info;
  std::vector<DecodedPage> got = DecodeTiffPages(Host(target));
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) ExpectSamePage(got[i], expected[i], "page " + std::to_string(i));
}

TEST_F(PagesTest, EverySplitPieceIsAValidSinglePageTiff) {
  ctx.settings.output_mode = kModeSerialization;
  ctx.job.data_mode = 5;
  const std::vector<std::string> sources = {"fax_g4_strips.tif", "gray8_wiz.tif", "rgb24.tif",
                                            "palette8.tif"};
  const std::string job = "C:\\spool\\job.tif";
  WriteHostFile(Host(job), JobFor(sources, 5, driver::JobLayout::kSplit, false));
  ASSERT_TRUE(CheckAndFixFileHeader(ctx, job));
  std::vector<DecodedPage> expected;
  for (const std::string& s : sources)
    for (DecodedPage& p : DecodeTiffPages(Page(s))) expected.push_back(std::move(p));

  SplitOutcome outcome;
  ASSERT_EQ(SplitJobFile(ctx, job, &outcome), int(expected.size()));
  EXPECT_TRUE(outcome.complete);
  for (size_t i = 0; i < expected.size(); ++i) {
    std::string piece = Host(Serial(int(i) + 1, "TIF"));
    std::string info;
    EXPECT_EQ(RunCommand("tiffinfo '" + piece + "'", &info), 0) << info;
    EXPECT_EQ(CountDirectories(info), 1) << piece;
    std::vector<DecodedPage> got = DecodeTiffPages(piece);
    ASSERT_EQ(got.size(), 1u) << piece;
    ExpectSamePage(got[0], expected[i], piece);
  }
}

TEST_F(PagesTest, JpegPagesDecodeWithTheSourceDensityAndPixels) {
  ctx.settings.output_mode = kModeSerialization;
  ctx.job.data_mode = 0;
  struct Source {
    std::string file;
    int page;
  };
  const std::vector<Source> sources = {
      {"gray8.tif", 0},    {"gray8.tif", 1},     {"rgb24.tif", 0},     {"rgb24.tif", 1},
      {"palette8.tif", 0}, {"palette8.tif", 1},  {"palette4.tif", 0},  {"palette4.tif", 1},
      {"gray8_wiz.tif", 0}, {"gray8_wiz.tif", 1}, {"fax_g4.tif", 0},   {"fax_g4.tif", 1},
      {"rgb48.tif", 0},    {"rgb48.tif", 1},
  };
  // What each page must become: 1 or 3 components, or 0 for no JPEG (bilevel pages, and any
  // depth other than 4 and 8 bits outside colour pages).
  auto components = [](const DecodedPage& p) {
    if (p.samples_per_pixel >= 3) return 3;
    if (p.bits_per_sample != 4 && p.bits_per_sample != 8) return 0;
    return p.photometric == PHOTOMETRIC_PALETTE ? 3 : 1;
  };
  ASSERT_EQ(DecodeTiffPages(Page("palette4.tif")).at(0).bits_per_sample, 4);
  ASSERT_EQ(DecodeTiffPages(Page("palette8.tif")).at(0).bits_per_sample, 8);
  const std::vector<std::string> files = {"gray8.tif", "rgb24.tif", "palette8.tif",
                                          "palette4.tif", "gray8_wiz.tif", "fax_g4.tif",
                                          "rgb48.tif"};
  const std::string job = "C:\\spool\\job.tif";
  WriteHostFile(Host(job), JobFor(files, 0, driver::JobLayout::kSplit, false));
  ASSERT_TRUE(CheckAndFixFileHeader(ctx, job));
  ASSERT_EQ(ctx.job.data_mode, 0);
  ASSERT_EQ(SplitJobFile(ctx, job), int(sources.size()));

  for (size_t i = 0; i < sources.size(); ++i) {
    const Source& src = sources[i];
    const std::string what = src.file + " page " + std::to_string(src.page);
    std::string jpeg = Host(Serial(int(i) + 1, "jpg"));
    std::string tiff = Host(Serial(int(i) + 1, "TIF"));
    const int expected_components = components(DecodeTiffPages(Page(src.file)).at(src.page));
    if (expected_components == 0) {
      EXPECT_FALSE(std::filesystem::exists(jpeg)) << what;
      EXPECT_EQ(DecodeTiffPages(tiff).size(), 1u) << what << ": the page stays as TIFF";
      continue;
    }
    EXPECT_FALSE(std::filesystem::exists(tiff)) << what;
    std::string output;
    EXPECT_EQ(RunCommand("djpeg -outfile /dev/null '" + jpeg + "'", &output), 0) << output;

    testing::DecodedJpeg j = DecodeJpeg(ReadHostFile(jpeg));
    ASSERT_TRUE(j.ok) << what;
    EXPECT_EQ(j.components, expected_components) << what;
    EXPECT_TRUE(j.jfif && j.jfif_major == 1 && j.jfif_minor == 2) << what;

    TIFF* t = TIFFOpen(Page(src.file).c_str(), "r");
    ASSERT_NE(t, nullptr);
    TIFFSetDirectory(t, uint16_t(src.page));
    float xres = 0, yres = 0;
    uint16_t unit = 2;
    TIFFGetField(t, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(t, TIFFTAG_YRESOLUTION, &yres);
    TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFClose(t);
    EXPECT_EQ(j.density_unit, unit - 1) << what;
    EXPECT_EQ(j.x_density, int(xres)) << what;
    EXPECT_EQ(j.y_density, int(yres)) << what;

    uint32_t w = 0, h = 0;
    std::vector<uint32_t> rgba = RgbaOf(Page(src.file), src.page, &w, &h);
    ASSERT_EQ(j.width, w) << what;
    ASSERT_EQ(j.height, h) << what;
    double squared = 0;
    for (size_t p = 0; p < rgba.size(); ++p) {
      for (int c = 0; c < j.components; ++c) {
        int want = c == 0 ? TIFFGetR(rgba[p]) : c == 1 ? TIFFGetG(rgba[p]) : TIFFGetB(rgba[p]);
        double d = double(j.pixels[p * j.components + c]) - want;
        squared += d * d;
      }
    }
    double mse = squared / (double(rgba.size()) * j.components);
    double psnr = mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
    EXPECT_GT(psnr, 30.0) << what;  // within JPEG tolerance at quality 75
  }
}

}  // namespace
}  // namespace qid
