#include "imagewriter/pdf/pdf_images.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <sys/resource.h>
#include <unistd.h>

#include "imagewriter/pdf/pdf_test_support.h"
#include "imagewriter/pdf/pdf_writer.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::PdfReader;
using testing::TestPage;

struct Jpeg {
  int width = 0, height = 0, components = 0;
  std::string pixels;
};

Jpeg DecodeJpeg(const std::string& data) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), data.size());
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  Jpeg jpeg{int(cinfo.output_width), int(cinfo.output_height), cinfo.output_components, {}};
  std::string row(size_t(jpeg.width) * jpeg.components, '\0');
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW p = reinterpret_cast<JSAMPROW>(row.data());
    jpeg_read_scanlines(&cinfo, &p, 1);
    jpeg.pixels += row;
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return jpeg;
}

// Mean absolute difference per byte.
double MeanDifference(const std::string& a, const std::string& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i])));
  return sum / a.size();
}

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }
std::string Inverted(std::string s) {
  for (char& c : s) c = static_cast<char>(~c);
  return s;
}

// A smooth picture, for JPEG to carry with little loss.
std::vector<uint8_t> Gradient(const TestPage& p) {
  std::vector<uint8_t> rows(testing::ScanlineBytes(p) * p.length);
  size_t line = testing::ScanlineBytes(p);
  for (uint32_t y = 0; y < p.length; ++y)
    for (size_t x = 0; x < line; ++x) rows[y * line + x] = static_cast<uint8_t>(x * 2 + y * 3);
  return rows;
}

TestPage FaxPage(uint32_t width = 1728) {
  TestPage p;
  p.width = width;
  p.length = 40;
  p.bits = 1;
  p.compression = COMPRESSION_CCITTFAX4;
  p.photometric = PHOTOMETRIC_MINISWHITE;
  p.t6_options = 0;
  p.x_resolution = 204;
  p.y_resolution = 196;
  return p;
}

class PdfImagesTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return tp.root.path() + "/" + name; }
  // Writes the pages to a.tif, converts it and returns the result.
  int Convert(const std::vector<TestPage>& pages, int quality = 50) {
    tif = Path("a.tif");
    EXPECT_TRUE(testing::WriteTestTiff(tif, pages));
    return Reconvert(quality);
  }
  int Reconvert(int quality = 50) {
    int result = WritePdf(tp.platform(), Path("out.pdf"), {tif}, quality);
    pdf = std::make_unique<PdfReader>(testing::ReadHostFile(Path("out.pdf")));
    return result;
  }
  // The image object's entries after "/Height", up to ">>".
  std::string Entries(int page = 0) const {
    std::string obj = pdf->Object(11 + 8 * page);
    size_t from = obj.find('\n', obj.find("/Height ")) + 1;
    return obj.substr(from, obj.find(">>\nstream\n") - from);
  }
  std::string Image(int page = 0) const { return pdf->Stream(11 + 8 * page); }

  testing::TestPlatform tp;
  std::string tif;
  std::unique_ptr<PdfReader> pdf;
};

TEST_F(PdfImagesTest, SingleStripFaxPageIsCopiedUnchanged) {
  ASSERT_EQ(Convert({FaxPage()}), kPdfDone);
  EXPECT_EQ(pdf->problems(), "");
  EXPECT_EQ(Entries(),
            "/BitsPerComponent 1\n/ColorSpace /DeviceGray\n/Filter /CCITTFaxDecode\n"
            "/DecodeParms << /K -1 /Rows 40 >>\n");
  EXPECT_EQ(Image(), testing::RawStrip(tif, 0, 0));

  ASSERT_EQ(Convert({FaxPage(2480)}), kPdfDone);
  EXPECT_NE(Entries().find("/DecodeParms << /K -1 /Columns 2480 /Rows 40 >>\n"),
            std::string::npos);
  EXPECT_EQ(Image(), testing::RawStrip(tif, 0, 0));
}

TEST_F(PdfImagesTest, FillOrder2StripIsBitReversed) {
  TestPage p = FaxPage();
  p.fill_order = FILLORDER_LSB2MSB;
  ASSERT_EQ(Convert({p}), kPdfDone);
  std::string raw = testing::RawStrip(tif, 0, 0);
  ASSERT_FALSE(raw.empty());
  TIFFReverseBits(reinterpret_cast<uint8_t*>(raw.data()), static_cast<tmsize_t>(raw.size()));
  EXPECT_EQ(Image(), raw);
  // The same page written in the usual bit order gives the same PDF data.
  ASSERT_EQ(Convert({FaxPage()}), kPdfDone);
  EXPECT_EQ(Image(), raw);
}

TEST_F(PdfImagesTest, BlackIsZeroFaxPageSaysSo) {
  TestPage p = FaxPage();
  p.photometric = PHOTOMETRIC_MINISBLACK;
  ASSERT_EQ(Convert({p}), kPdfDone);
  EXPECT_NE(Entries().find("/DecodeParms << /K -1 /BlackIs1 true /Rows 40 >>\n"),
            std::string::npos);
}

TEST_F(PdfImagesTest, FaxPagesThatCannotBePassedThroughAreDecodedIntoFlate) {
  TestPage p = FaxPage(64);
  std::vector<uint8_t> rows = testing::PagePixels(p);
  TestPage strips = p;
  strips.rows_per_strip = 8;
  TestPage uncompressed_mode = p;
  uncompressed_mode.t6_options = GROUP4OPT_UNCOMPRESSED;
  for (const TestPage& page : {strips, uncompressed_mode}) {
    ASSERT_EQ(Convert({page}), kPdfDone);
    EXPECT_EQ(Entries(), "/BitsPerComponent 1\n/ColorSpace /DeviceGray\n/Filter /FlateDecode\n");
    // White is zero in the fax: inverted so that zero is black, as the PDF grey space has it.
    EXPECT_EQ(testing::Inflate(Image()), Inverted(Bytes(rows)));
  }
  // Without a T6Options tag the codec's default holds: no uncompressed mode, passed through.
  TestPage untagged = p;
  untagged.t6_options = -1;
  ASSERT_EQ(Convert({untagged}), kPdfDone);
  EXPECT_NE(Entries().find("/Filter /CCITTFaxDecode\n"), std::string::npos);
}

TEST_F(PdfImagesTest, UncompressedWhiteIsZeroBilevelIsInverted) {
  TestPage p;
  p.bits = 1;
  p.width = 20;  // rows end in pad bits
  p.photometric = PHOTOMETRIC_MINISWHITE;
  ASSERT_EQ(Convert({p}), kPdfDone);
  EXPECT_EQ(testing::Inflate(Image()), Inverted(Bytes(testing::PagePixels(p))));
}

TEST_F(PdfImagesTest, EightBitGreyIsJpegUnlessQualityIsZero) {
  TestPage p;
  p.width = 64;
  p.length = 48;
  p.pixels = Gradient(p);
  ASSERT_EQ(Convert({p}, 0), kPdfDone);
  EXPECT_EQ(Entries(), "/BitsPerComponent 8\n/ColorSpace /DeviceGray\n/Filter /FlateDecode\n");
  EXPECT_EQ(testing::Inflate(Image()), Bytes(p.pixels));

  ASSERT_EQ(Reconvert(50), kPdfDone);
  EXPECT_EQ(pdf->problems(), "");
  EXPECT_EQ(Entries(), "/BitsPerComponent 8\n/ColorSpace /DeviceGray\n/Filter /DCTDecode\n");
  Jpeg jpeg = DecodeJpeg(Image());
  EXPECT_EQ(jpeg.width, 64);
  EXPECT_EQ(jpeg.height, 48);
  EXPECT_EQ(jpeg.components, 1);
  EXPECT_LT(MeanDifference(jpeg.pixels, Bytes(p.pixels)), 3.0);

  p.photometric = PHOTOMETRIC_MINISWHITE;
  ASSERT_EQ(Convert({p}, 50), kPdfDone);
  EXPECT_LT(MeanDifference(DecodeJpeg(Image()).pixels, Inverted(Bytes(p.pixels))), 3.0);
}

TEST_F(PdfImagesTest, ColourPagesTakeTheirSpaceFromTheSampleCount) {
  TestPage rgb;
  rgb.width = 32;
  rgb.length = 16;
  rgb.samples = 3;
  rgb.photometric = PHOTOMETRIC_RGB;
  rgb.pixels = Gradient(rgb);
  TestPage cmyk = rgb;
  cmyk.samples = 4;
  cmyk.photometric = PHOTOMETRIC_SEPARATED;
  cmyk.pixels = Gradient(cmyk);
  ASSERT_EQ(Convert({rgb, cmyk}), kPdfDone);
  EXPECT_EQ(Entries(0), "/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n/Filter /DCTDecode\n");
  EXPECT_EQ(Entries(1), "/BitsPerComponent 8\n/ColorSpace /DeviceCMYK\n/Filter /DCTDecode\n");
  Jpeg page1 = DecodeJpeg(Image(0));
  EXPECT_EQ(page1.components, 3);
  EXPECT_LT(MeanDifference(page1.pixels, Bytes(rgb.pixels)), 4.0);
  EXPECT_EQ(DecodeJpeg(Image(1)).components, 4);
}

TEST_F(PdfImagesTest, SixteenBitSamplesGoOutMostSignificantByteFirst) {
  TestPage p;
  p.width = 3;
  p.length = 2;
  p.bits = 16;
  p.samples = 3;
  p.photometric = PHOTOMETRIC_RGB;
  std::vector<uint16_t> values = {0x0102, 0xA0B0, 0xFFFE, 1, 2, 3, 4, 5, 6,
                                  0x1234, 0x5678, 0x9ABC, 7, 8, 9, 0x8000, 0x00FF, 0xFF00};
  p.pixels.resize(values.size() * 2);
  std::memcpy(p.pixels.data(), values.data(), p.pixels.size());  // this machine's order
  ASSERT_EQ(Convert({p}), kPdfDone);
  EXPECT_EQ(Entries(), "/BitsPerComponent 16\n/ColorSpace /DeviceRGB\n/Filter /FlateDecode\n");
  std::string expected;
  for (uint16_t v : values) {
    expected.push_back(static_cast<char>(v >> 8));
    expected.push_back(static_cast<char>(v & 0xFF));
  }
  EXPECT_EQ(testing::Inflate(Image()), expected);
}

TEST_F(PdfImagesTest, PalettePageKeepsIndicesAndCarriesItsLookupTable) {
  TestPage p;
  p.photometric = PHOTOMETRIC_PALETTE;
  p.colormap = testing::GreyColormap(8);
  uint16_t* red = p.colormap.data();
  red[0] = 65535;  // 255
  red[1] = 257;    // 1
  red[2] = 256;    // 0: the scaling truncates
  ASSERT_EQ(Convert({p}), kPdfDone);
  EXPECT_EQ(pdf->problems(), "");
  EXPECT_EQ(Entries(), "/BitsPerComponent 8\n/ColorSpace 13 0 R\n/Filter /FlateDecode\n");
  EXPECT_EQ(testing::Inflate(Image()), Bytes(testing::PagePixels(p)));
  EXPECT_EQ(pdf->Object(13), "[/Indexed /DeviceRGB 255 14 0 R]\n");
  EXPECT_NE(pdf->Object(14).find("/Filter /FlateDecode\n/Length 15 0 R\n"), std::string::npos);
  std::string lookup = testing::Inflate(pdf->Stream(14));
  ASSERT_EQ(lookup.size(), 768u);
  EXPECT_EQ(uint8_t(lookup[0]), 255);
  EXPECT_EQ(uint8_t(lookup[3]), 1);
  EXPECT_EQ(uint8_t(lookup[6]), 0);
  EXPECT_EQ(uint8_t(lookup[3 * 200 + 1]), 200);  // green of the ramp
  EXPECT_FALSE(tp.trace.Contains("fill"));

  // Four bits: sixteen entries; the rest of the table is never referred to and stays black.
  p.bits = 4;
  p.colormap = testing::GreyColormap(4);
  ASSERT_EQ(Convert({p}), kPdfDone);
  EXPECT_EQ(Entries(), "/BitsPerComponent 4\n/ColorSpace 13 0 R\n/Filter /FlateDecode\n");
  lookup = testing::Inflate(pdf->Stream(14));
  ASSERT_EQ(lookup.size(), 768u);
  EXPECT_EQ(uint8_t(lookup[3 * 15]), 255);
  EXPECT_EQ(lookup.substr(48), std::string(720, '\0'));
}

TEST_F(PdfImagesTest, TiledPagesAreCutIntoRows) {
  TestPage grey;
  grey.width = 40;  // three tile columns, the last one partly outside
  grey.length = 20;
  grey.tile_width = 16;
  grey.tile_length = 16;
  TestPage bilevel = grey;
  bilevel.bits = 1;
  bilevel.width = 72;
  bilevel.photometric = PHOTOMETRIC_MINISWHITE;
  TestPage palette = grey;
  palette.bits = 4;
  palette.photometric = PHOTOMETRIC_PALETTE;
  palette.colormap = testing::GreyColormap(4);
  ASSERT_EQ(Convert({grey, bilevel, palette}, 0), kPdfDone);
  EXPECT_EQ(pdf->problems(), "");
  EXPECT_EQ(testing::Inflate(Image(0)), Bytes(testing::PagePixels(grey)));
  EXPECT_EQ(testing::Inflate(Image(1)), Inverted(Bytes(testing::PagePixels(bilevel))));
  EXPECT_EQ(testing::Inflate(Image(2)), Bytes(testing::PagePixels(palette)));
}

TEST_F(PdfImagesTest, PageKindsWithoutAPdfFormEndWith99) {
  TestPage alpha;
  alpha.samples = 2;  // grey with alpha
  ASSERT_EQ(Convert({TestPage{}, alpha}), kPdfUnsupportedSamples);
  EXPECT_TRUE(testing::EndsWith(pdf->bytes(), "/Height 8\n/BitsPerComponent 8\n"));

  TestPage odd_bits;
  odd_bits.bits = 3;
  EXPECT_EQ(Convert({odd_bits}), kPdfUnsupportedSamples);
  TestPage deep_palette;
  deep_palette.bits = 16;
  deep_palette.photometric = PHOTOMETRIC_PALETTE;
  deep_palette.colormap = std::vector<uint16_t>(3 * 65536, 0);
  EXPECT_EQ(Convert({deep_palette}), kPdfUnsupportedSamples);
}

TEST_F(PdfImagesTest, RowsInOtherLayoutsEndWith99) {
  // Subsampled YCbCr: libtiff's rows are packed blocks of luma and chroma, not pixels.
  std::string packed = Path("ycbcr.tif");
  TIFF* y = TIFFOpen(packed.c_str(), "w");
  ASSERT_NE(y, nullptr);
  TIFFSetField(y, TIFFTAG_IMAGEWIDTH, 32);
  TIFFSetField(y, TIFFTAG_IMAGELENGTH, 8);
  TIFFSetField(y, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(y, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(y, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
  TIFFSetField(y, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
  TIFFSetField(y, TIFFTAG_ROWSPERSTRIP, 8);
  std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(y)), 0x80);
  ASSERT_GE(TIFFWriteEncodedStrip(y, 0, strip.data(), static_cast<tmsize_t>(strip.size())), 0);
  TIFFClose(y);
  EXPECT_EQ(WritePdf(tp.platform(), Path("out.pdf"), {packed}, 50), kPdfUnsupportedSamples);
  EXPECT_EQ(WritePdf(tp.platform(), Path("out.pdf"), {packed}, 0), kPdfUnsupportedSamples);

  std::string path = Path("planes.tif");
  TIFF* t = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(t, nullptr);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 4);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
  uint8_t row[4] = {1, 2, 3, 4};
  for (uint16_t s = 0; s < 3; ++s)
    for (uint32_t r = 0; r < 2; ++r) TIFFWriteScanline(t, row, r, s);
  TIFFClose(t);
  EXPECT_EQ(WritePdf(tp.platform(), Path("out.pdf"), {path}, 50), kPdfUnsupportedSamples);
}

TEST_F(PdfImagesTest, AbsurdPageSizesEndWith1BeforeThePageIsWritten) {
  TestPage wide;
  wide.bits = 1;
  wide.width = kMaxPageSide + 1;
  wide.length = 1;
  ASSERT_EQ(Convert({wide}), kPdfFailed);
  EXPECT_TRUE(testing::EndsWith(pdf->bytes(), "/Differences [ ]\n>>\nendobj\n"));

  TestPage tiny_dpi;
  tiny_dpi.width = 1000;
  tiny_dpi.x_resolution = tiny_dpi.y_resolution = 1e-5f;  // 7.2e9 points: no PDF number
  EXPECT_EQ(Convert({tiny_dpi}), kPdfFailed);
}

TEST_F(PdfImagesTest, FaxStripLongerThanItsFileEndsWith1) {
  TestPage p = FaxPage();
  tif = Path("a.tif");
  ASSERT_TRUE(testing::WriteTestTiff(tif, {p}));
  ASSERT_TRUE(testing::PatchTag(tif, TIFFTAG_STRIPBYTECOUNTS, 0x7FFFFFFF));
  EXPECT_EQ(Reconvert(), kPdfFailed);
}

TEST_F(PdfImagesTest, RowsThatCannotBeReadAreCarriedWhite) {
  for (uint16_t photometric : {PHOTOMETRIC_MINISBLACK, PHOTOMETRIC_MINISWHITE}) {
    TestPage p;
    p.photometric = photometric;
    tif = Path("a.tif");
    ASSERT_TRUE(testing::WriteTestTiff(tif, {p}));
    ASSERT_TRUE(testing::PatchTag(tif, TIFFTAG_STRIPOFFSETS, 0x10000000));  // past the end
    ASSERT_EQ(Reconvert(0), kPdfDone);
    EXPECT_EQ(testing::Inflate(Image()), std::string(16 * 8, '\xFF'));
  }
}

#if !defined(__SANITIZE_ADDRESS__)
// Converts with the address space capped a little above what the process uses now.
int ConvertWithMemoryLimit(Platform& os, const std::string& target, const std::string& tif) {
  long pages = 0;
  FILE* statm = fopen("/proc/self/statm", "r");
  if (statm == nullptr || fscanf(statm, "%ld", &pages) != 1) return 9;
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = rlim_t(pages) * sysconf(_SC_PAGESIZE) + (24u << 20);
  if (setrlimit(RLIMIT_AS, &limit) != 0) return 9;
  return WritePdf(os, target, {tif}, 50);
}

// With memory short when the page's rows are to be collected for JPEG, the conversion ends
// with result 1 (and the job goes on to its done marker) instead of ending the program.
TEST_F(PdfImagesTest, DctRowsThatCannotBeHeldEndWith1) {
  TestPage p;
  p.width = 6000;
  p.length = 6000;  // 36 MB of rows
  p.compression = COMPRESSION_ADOBE_DEFLATE;
  p.pixels.assign(size_t(p.width) * p.length, 0x80);
  tif = Path("a.tif");
  ASSERT_TRUE(testing::WriteTestTiff(tif, {p}));
  p.pixels.clear();
  std::string target = Path("out.pdf");
  Platform os = tp.platform();
  // A code of its own for "WritePdf returned 1": ending the program with exit(1) would give 1.
  constexpr int kReturnedFailed = 42;
  EXPECT_EXIT(_exit(ConvertWithMemoryLimit(os, target, tif) == kPdfFailed ? kReturnedFailed : 43),
              ::testing::ExitedWithCode(kReturnedFailed), "");
}
#endif

}  // namespace
}  // namespace qid
