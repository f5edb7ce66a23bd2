#include "imagewriter/pdf/pdf_output.h"

#include <gtest/gtest.h>

#include "tests/support/imaging/pdf_reader.h"
#include "platform/wrappers.h"
#include "tests/support/test_platform.h"

namespace qid::pdf {
namespace {

// What the output handed to its file; it outlives the file, which the output closes and frees.
struct Recording {
  std::string bytes;
  int writes = 0;
  int fail_from = 0;  // refuse the writes from this one on; 0: never
  ErrorCode close_result = kSuccess;
};

class RecordingFile : public File {
 public:
  explicit RecordingFile(Recording* r) : r_(r) {}
  ErrorCode Read(void*, size_t, size_t* got) override {
    *got = 0;
    return kErrAccessDenied;
  }
  ErrorCode Write(const void* buffer, size_t n) override {
    ++r_->writes;
    if (r_->fail_from != 0 && r_->writes >= r_->fail_from) return kErrDiskFull;
    r_->bytes.append(static_cast<const char*>(buffer), n);
    return kSuccess;
  }
  ErrorCode Seek(uint64_t) override { return kErrInvalidParameter; }
  uint64_t Tell() override { return r_->bytes.size(); }
  ErrorCode Size(uint64_t* size) override {
    *size = r_->bytes.size();
    return kSuccess;
  }
  ErrorCode Truncate(uint64_t) override { return kErrAccessDenied; }
  ErrorCode Flush() override { return kSuccess; }
  ErrorCode Close() override { return r_->close_result; }

 private:
  Recording* r_;
};

std::string Noise(size_t n) {
  std::string s(n, '\0');
  uint32_t seed = 7;
  for (char& c : s) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

class PdfOutputTest : public ::testing::Test {
 protected:
  PdfOutputTest() {
    out.file = std::make_unique<RecordingFile>(file);
    out.buffer.reset(static_cast<uint8_t*>(std::malloc(kPdfWriteBufferSize)));
  }
  std::string Close() {
    closed_ok = PdfCloseOutput(out);
    return file->bytes;
  }

  Recording recording;
  Recording* file = &recording;
  PdfOutput out;
  bool closed_ok = false;
};

TEST_F(PdfOutputTest, BytesReachTheFileInOrderAndTellCountsThem) {
  std::string big = Noise(3 * kPdfWriteBufferSize + 5);  // passes the buffer by
  PdfPrint(out, "%%PDF-1.5\n");
  EXPECT_EQ(PdfTell(out), 9u);
  EXPECT_EQ(PdfWrite(out, big.data(), big.size()), 0);
  PdfPrint(out, "%d 0 obj\n%f\n", 12, 0.5);
  EXPECT_EQ(PdfTell(out), 9u + big.size() + 18u);
  EXPECT_EQ(Close(), "%PDF-1.5\n" + big + "12 0 obj\n0.500000\n");
  EXPECT_TRUE(closed_ok);
  EXPECT_LE(file->writes, 3);  // a few large writes, not one per piece
}

TEST_F(PdfOutputTest, FlateStreamsRoundTripAndLeaveInChunks) {
  std::string data = Noise(100000);  // compresses to several 16384-byte chunks
  std::string text = "q\n1.0 0.0 0.0 1.0 0.0 0.0 cm\n";
  EXPECT_EQ(FlateAppend(out, data.data(), 60000), 0);
  EXPECT_EQ(FlateAppend(out, data.data() + 60000, 40000), 0);
  EXPECT_EQ(FlateFinish(out), 0);
  uint64_t first = PdfTell(out);
  out.flate_redirect = true;
  PdfPrint(out, "%s", text.c_str());
  FlateFinish(out);
  out.flate_redirect = false;
  std::string bytes = Close();
  EXPECT_EQ(testing::Inflate(bytes.substr(0, first)), data);
  EXPECT_EQ(testing::Inflate(bytes.substr(first)), text);
  EXPECT_EQ(uint8_t(bytes[0]), 0x78);  // zlib format
}

TEST_F(PdfOutputTest, AStreamWithNothingInItIsStillAStream) {
  EXPECT_EQ(FlateFinish(out), 0);
  EXPECT_EQ(testing::Inflate(Close()), "");
}

TEST_F(PdfOutputTest, AFailedWriteStopsTheStreamAndStaysFailed) {
  file->fail_from = 1;
  std::string data = Noise(200000);
  EXPECT_EQ(FlateAppend(out, data.data(), data.size()), 2);
  EXPECT_EQ(out.flate_status, Z_ERRNO);
  EXPECT_EQ(FlateAppend(out, data.data(), 10), 2);
  EXPECT_EQ(FlateFinish(out), 2);
  EXPECT_EQ(PdfWrite(out, "x", 1), 1);
  EXPECT_TRUE(out.failed);
  Close();
  EXPECT_FALSE(closed_ok);
}

TEST_F(PdfOutputTest, AFailedCloseIsAFailure) {
  PdfPrint(out, "x");
  file->close_result = kErrWriteFault;
  EXPECT_EQ(Close(), "x");
  EXPECT_FALSE(closed_ok);
}

TEST_F(PdfOutputTest, ObjectsRecordWhereTheyBeginAndRefuseBeyondTheTable) {
  ASSERT_TRUE(PdfReserveObjects(out, 2));
  PdfPrint(out, "%%PDF-1.5\n");
  EXPECT_EQ(PdfBeginObject(out), 1);
  PdfObjectLine(out);
  EXPECT_EQ(PdfBeginObject(out), 2);
  EXPECT_EQ(PdfObjectOffset(out, 1), 9u);
  EXPECT_EQ(PdfObjectOffset(out, 2), 17u);
  EXPECT_FALSE(out.failed);
  PdfBeginObject(out);  // a third object has no place in the table
  EXPECT_TRUE(out.failed);
  ASSERT_TRUE(PdfReserveObjects(out, 100));
  EXPECT_EQ(PdfObjectOffset(out, 1), 9u);  // kept while the table grows
}

TEST_F(PdfOutputTest, TextLongerThanThePrintBufferIsRefusedNotCut) {
  std::string long_text(kPdfPrintBufferSize, 'a');
  PdfPrint(out, "%s", long_text.c_str());
  EXPECT_TRUE(out.failed);
  EXPECT_EQ(Close(), "");
}

TEST(PdfOpenOutputTest, AFolderThatIsNotThereGivesFalse) {
  testing::TestPlatform tp;
  PdfOutput out;
  EXPECT_FALSE(PdfOpenOutput(*tp.platform().files, tp.root.path() + "/none/x.pdf", &out));
  EXPECT_TRUE(PdfOpenOutput(*tp.platform().files, tp.root.path() + "/x.pdf", &out));
}

}  // namespace
}  // namespace qid::pdf
