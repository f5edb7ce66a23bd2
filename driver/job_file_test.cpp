#include "driver/job_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "common/little_endian.h"
#include "driver/testing_tiffs.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid::driver {
namespace {

using qid::testing::ReadHostFile;
using qid::testing::TempDir;
using qid::testing::WriteHostFile;
using testing::DecodedPages;
using testing::SourcePage;
using testing::WriteSourceTiff;

const std::string kMarker(kPageEndMarker, kPageEndMarkerSize);

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A varied document: fax G4 with reversed bits, multi-strip LZW colour, a 4-bit palette page.
std::vector<SourcePage> VariedDocument() {
  return {
      SourcePage{.width = 64, .length = 40, .bits = 1, .compression = COMPRESSION_CCITTFAX4,
                 .photometric = PHOTOMETRIC_MINISWHITE, .fill_order = FILLORDER_LSB2MSB,
                 .rows_per_strip = 40, .dpi = 204},
      SourcePage{.samples = 3, .compression = COMPRESSION_LZW, .photometric = PHOTOMETRIC_RGB,
                 .predictor = 2, .seed = 2},
      SourcePage{.bits = 4, .palette = true, .seed = 3},
  };
}

class JobFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = dir_.path() + "/source.tif";
    ASSERT_TRUE(WriteSourceTiff(source_, VariedDocument()));
    std::string error;
    ASSERT_TRUE(LoadTiffPages(source_, &pages_, &error)) << error;
  }

  std::vector<uint8_t> Job(uint16_t data_mode, JobLayout layout, bool marker = false) {
    JobSpec job_spec;
    job_spec.data_mode = data_mode;
    job_spec.layout = layout;
    job_spec.end_marker = marker;
    std::vector<uint8_t> job;
    std::string error;
    EXPECT_TRUE(BuildJobFile(pages_, job_spec, &job, &error)) << error;
    return job;
  }

  // Writes bytes as a TIFF file with "II" restored, as Q71File's header check leaves a job.
  std::string AsTiffFile(std::string bytes, const std::string& name) {
    bytes[0] = 'I';
    bytes[1] = 'I';
    std::string path = dir_.path() + "/" + name;
    WriteHostFile(path, bytes);
    return path;
  }

  TempDir dir_;
  std::string source_;
  std::vector<TiffPage> pages_;
};

// The IFD chain of a little-endian TIFF in `tiff`: each IFD's offset.
std::vector<uint32_t> IfdChain(const std::string& tiff) {
  const uint8_t* b = reinterpret_cast<const uint8_t*>(tiff.data());
  std::vector<uint32_t> chain;
  uint32_t at = 0;
  ReadLE32(b, tiff.size(), 4, &at);
  while (at != 0 && chain.size() < 100) {
    chain.push_back(at);
    uint16_t n = 0;
    if (!ReadLE16(b, tiff.size(), at, &n) || !ReadLE32(b, tiff.size(), at + 2 + 12u * n, &at)) {
      ADD_FAILURE() << "IFD outside the file";
      break;
    }
  }
  return chain;
}

uint32_t IfdEnd(const std::string& tiff, uint32_t ifd) {
  uint16_t n = 0;
  ReadLE16(reinterpret_cast<const uint8_t*>(tiff.data()), tiff.size(), ifd, &n);
  return ifd + 2 + 12u * n + 4;
}

// Append moves only the offsets of these tags; any other value stored outside its entry would
// point into the wrong place once a job is spliced onto another file.
void ExpectOnlyRebasedValuesOutOfLine(const std::string& tiff) {
  static const std::set<uint16_t> kRebased = {258, 273, 279, 282, 283, 305, 320};
  static const std::map<uint16_t, uint32_t> kTypeSize = {{1, 1}, {2, 1}, {3, 2}, {4, 4}, {5, 8}};
  const uint8_t* b = reinterpret_cast<const uint8_t*>(tiff.data());
  for (uint32_t ifd : IfdChain(tiff)) {
    uint16_t n = 0;
    ReadLE16(b, tiff.size(), ifd, &n);
    uint16_t previous_tag = 0;
    for (uint16_t e = 0; e < n; ++e) {
      uint32_t at = ifd + 2 + 12u * e;
      uint16_t tag = 0, type = 0;
      uint32_t count = 0, value = 0;
      ReadLE16(b, tiff.size(), at, &tag);
      ReadLE16(b, tiff.size(), at + 2, &type);
      ReadLE32(b, tiff.size(), at + 4, &count);
      ReadLE32(b, tiff.size(), at + 8, &value);
      EXPECT_GT(tag, previous_tag) << "entries in ascending tag order";
      previous_tag = tag;
      ASSERT_TRUE(kTypeSize.count(type)) << "tag " << tag << " type " << type;
      bool out_of_line = uint64_t(count) * kTypeSize.at(type) > 4;
      if (out_of_line) {
        EXPECT_TRUE(kRebased.count(tag)) << "tag " << tag << " stored outside its entry";
        EXPECT_EQ(value % 2, 0u) << "tag " << tag << " values on a word boundary";
        EXPECT_LE(uint64_t(value) + count * kTypeSize.at(type), ifd) << "values before the IFD";
      }
      // Append moves these fields whenever the count is above 1, so such values must be
      // offsets, never values held in the entry.
      if ((tag == 258 || tag == 279) && count > 1) {
        EXPECT_TRUE(out_of_line) << "tag " << tag << " count " << count;
      }
    }
  }
}

TEST_F(JobFileTest, DocumentLayoutIsOneTiffOfAllPagesEndingWithTheLastIfd) {
  std::string job = Bytes(Job(3, JobLayout::kDocument));
  uint16_t word = 0;
  ReadLE16(reinterpret_cast<const uint8_t*>(job.data()), job.size(), 0, &word);
  EXPECT_EQ(word, 103);
  EXPECT_EQ(job.substr(2, 2), std::string("\x2a\x00", 2));
  EXPECT_EQ(job.substr(job.size() - 4), std::string(4, '\0'));

  std::vector<uint32_t> chain = IfdChain(job);
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(IfdEnd(job, chain.back()), job.size()) << "the last IFD ends the file";
  ExpectOnlyRebasedValuesOutOfLine(job);

  std::string path = AsTiffFile(job, "document.tif");
  EXPECT_EQ(DecodedPages(path), DecodedPages(source_));
}

TEST_F(JobFileTest, DocumentLayoutMayEndWithThePageEndMarker) {
  std::string plain = Bytes(Job(1, JobLayout::kDocument));
  std::string marked = Bytes(Job(1, JobLayout::kDocument, true));
  EXPECT_EQ(marked, plain + kMarker);
  std::string path = AsTiffFile(marked, "marked.tif");
  EXPECT_EQ(DecodedPages(path), DecodedPages(source_));
}

TEST_F(JobFileTest, SplitLayoutHoldsOneCompleteTiffPerPageEachEndedByTheMarker) {
  std::string job = Bytes(Job(0, JobLayout::kSplit));
  std::string head = job.substr(0, 24);
  EXPECT_EQ(head, std::string("\x64\x00\x2a\x00", 4) + std::string(20, '\0'));

  std::vector<std::vector<uint8_t>> source_pages = DecodedPages(source_);
  ASSERT_EQ(source_pages.size(), 3u);
  size_t start = 24;
  for (size_t i = 0; i < 3; ++i) {
    size_t end = job.find(kMarker, start);
    ASSERT_NE(end, std::string::npos) << "marker after piece " << i;
    std::string piece = job.substr(start, end - start);
    EXPECT_EQ(piece.substr(0, 4), std::string("II\x2a\x00", 4));
    std::vector<uint32_t> chain = IfdChain(piece);
    ASSERT_EQ(chain.size(), 1u) << "piece " << i << " is a single page";
    EXPECT_EQ(IfdEnd(piece, chain[0]), piece.size());
    ExpectOnlyRebasedValuesOutOfLine(piece);

    std::string path = dir_.path() + "/piece" + std::to_string(i) + ".tif";
    WriteHostFile(path, piece);
    std::vector<std::vector<uint8_t>> got = DecodedPages(path);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], source_pages[i]) << "pixels of page " << i + 1;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t number = 99, total = 99;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_PAGENUMBER, &number, &total));
    EXPECT_EQ(number, i);
    EXPECT_EQ(total, 3);
    TIFFClose(tif);
    start = end + kMarker.size();
  }
  EXPECT_EQ(start, job.size()) << "nothing after the last marker";
}

TEST_F(JobFileTest, StripsTravelAsStoredWithTheirCompression) {
  std::string path = AsTiffFile(Bytes(Job(1, JobLayout::kDocument)), "raw.tif");
  TIFF* original = TIFFOpen(source_.c_str(), "r");
  TIFF* copy = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(original, nullptr);
  ASSERT_NE(copy, nullptr);
  do {
    ASSERT_EQ(TIFFNumberOfStrips(original), TIFFNumberOfStrips(copy));
    uint16_t a = 0, b = 0;
    TIFFGetField(original, TIFFTAG_COMPRESSION, &a);
    TIFFGetField(copy, TIFFTAG_COMPRESSION, &b);
    EXPECT_EQ(a, b);
    for (uint32_t s = 0; s < TIFFNumberOfStrips(original); ++s) {
      std::vector<uint8_t> x(TIFFGetStrileByteCount(original, s)), y(TIFFGetStrileByteCount(copy, s));
      ASSERT_EQ(x.size(), y.size());
      TIFFReadRawStrip(original, s, x.data(), x.size());
      TIFFReadRawStrip(copy, s, y.data(), y.size());
      EXPECT_EQ(x, y) << "strip " << s;
    }
  } while (TIFFReadDirectory(original) && TIFFReadDirectory(copy));
  TIFFClose(original);
  TIFFClose(copy);
}

TEST_F(JobFileTest, DecodedAndByteSwappedPagesKeepTheirPixels) {
  std::string jpeg = dir_.path() + "/jpeg.tif";
  std::string be16 = dir_.path() + "/be16.tif";
  ASSERT_TRUE(WriteSourceTiff(jpeg, {SourcePage{.width = 32, .length = 24, .samples = 3,
                                                .compression = COMPRESSION_JPEG,
                                                .rows_per_strip = 16}}));
  ASSERT_TRUE(WriteSourceTiff(be16, {SourcePage{.bits = 16},
                                     SourcePage{.bits = 16, .compression = COMPRESSION_LZW,
                                                .predictor = 2, .seed = 5}},
                              "wb"));
  for (const std::string& source : {jpeg, be16}) {
    pages_.clear();
    std::string error;
    ASSERT_TRUE(LoadTiffPages(source, &pages_, &error)) << error;
    std::string path = AsTiffFile(Bytes(Job(1, JobLayout::kDocument)), "out.tif");
    std::vector<std::vector<uint8_t>> want = DecodedPages(source, true);
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(DecodedPages(path), want) << source;
    ExpectOnlyRebasedValuesOutOfLine(ReadHostFile(path));
  }
}

TEST(JobFileLayoutTest, TheLayoutFollowsOutputModeAndDataModeAsQ71FileCutsJobs) {
  EXPECT_EQ(LayoutFor(0, 1, false), JobLayout::kSplit);
  EXPECT_EQ(LayoutFor(0, 3, false), JobLayout::kSplit);
  EXPECT_EQ(LayoutFor(1, 2, false), JobLayout::kSplit);
  EXPECT_EQ(LayoutFor(1, 1, false), JobLayout::kDocument);
  EXPECT_EQ(LayoutFor(10, 3, false), JobLayout::kDocument);
  EXPECT_EQ(LayoutFor(4, 0, false), JobLayout::kDocument);
  // Print-to-file is a Document whatever mode is stored; JPEG pages are still cut.
  EXPECT_EQ(LayoutFor(1, 2, true), JobLayout::kDocument);
  EXPECT_EQ(LayoutFor(0, 2, true), JobLayout::kSplit);
}

TEST_F(JobFileTest, TheFirstWordCarriesTheDataModeWithinItsRange) {
  for (uint16_t mode : {0, 1, 10}) {
    for (JobLayout layout : {JobLayout::kDocument, JobLayout::kSplit}) {
      std::vector<uint8_t> job = Job(mode, layout);
      uint16_t word = 0;
      ASSERT_TRUE(ReadLE16(job.data(), job.size(), 0, &word));
      EXPECT_EQ(word, 100 + mode);
    }
  }
  JobSpec job_spec;
  job_spec.data_mode = 11;
  std::vector<uint8_t> job;
  std::string error;
  EXPECT_FALSE(BuildJobFile(pages_, job_spec, &job, &error));
  EXPECT_NE(error.find("data mode 11"), std::string::npos) << error;
  job_spec.data_mode = 1;
  EXPECT_FALSE(BuildJobFile({}, job_spec, &job, &error));
  EXPECT_NE(error.find("no pages"), std::string::npos) << error;
}

TEST(JobFileWriteTest, WritingReplacesAFileAndReportsAFolderThatIsMissing) {
  TempDir dir;
  std::string path = dir.path() + "/job.tif";
  WriteHostFile(path, std::string(1000, 'x'));
  std::string error;
  ASSERT_TRUE(WriteBytesToFile(path, {1, 2, 3}, &error)) << error;
  EXPECT_EQ(ReadHostFile(path), std::string("\x01\x02\x03", 3));
  EXPECT_FALSE(WriteBytesToFile(dir.path() + "/no/such/folder/job.tif", {1}, &error));
  EXPECT_NE(error.find("no/such/folder"), std::string::npos) << error;
}

}  // namespace
}  // namespace qid::driver
