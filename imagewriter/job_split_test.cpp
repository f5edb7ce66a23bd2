#include <gtest/gtest.h>

#include <filesystem>

#include "imagewriter/job_split.h"
#include "imagewriter/jpegexport.h"
#include "tests/support/faulty_files.h"
#include "tests/support/imaging/test_jpeg.h"
#include "tests/support/imaging/test_tiff.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"
#include "tests/support/imaging/tiff_fixture.h"

namespace qid {
namespace {

using testing::BilevelTiff;
using testing::DecodeTiffPages;
using testing::FaultyFiles;
using testing::HostFileExists;
using testing::MakeSplitJob;
using testing::MakeTiff;
using testing::ReadHostFile;
using testing::TestPlatform;
using testing::WriteHostFile;

using namespace std::string_literals;

constexpr char kJob[] = "C:\\spool\\job.tif";
const std::string kMarker(kPageEndMarker, kPageEndMarkerSize);
const uint32_t kBoxStyle = kMbIconError | kMbTaskModal | kMbSetForeground;

// A split job file as the header check leaves it: "II" in place of the data mode word.
std::string SplitJob(uint16_t data_mode, const std::vector<std::string>& pieces) {
  return "II" + MakeSplitJob(data_mode, pieces).substr(2);
}

std::vector<std::string> GreyPieces(int n) {
  std::vector<std::string> pieces;
  for (int i = 0; i < n; ++i) pieces.push_back(MakeTiff({{4, 2, uint8_t(0x10 * (i + 1)), 200}}));
  return pieces;
}

class SplitTest : public ::testing::Test {
 protected:
  SplitTest() {
    tp.registry.hive(Hive::kCurrentUser).Create(kSettingsKeyPath, " ", nullptr);
    LoadSettings(ctx);
    Settings& s = ctx.settings;
    s.output_mode = kModeSerialization;
    s.output_directory = "C:\\ZEL\\";
    s.serial_prefix_string = "Scan";
    s.serial_num_digits = 4;
    s.last_serial_number = 7;
    s.output_file = "Doc0001.tif";
    ctx.job.data_mode = 3;
    std::filesystem::create_directories(Host("C:\\ZEL"));
  }
  std::string Host(const std::string& p) { return tp.HostPath(p); }
  std::string Read(const std::string& p) { return ReadHostFile(Host(p)); }
  bool Exists(const std::string& p) { return HostFileExists(Host(p)); }
  void WriteJob(const std::string& bytes) { WriteHostFile(Host(kJob), bytes); }
  // The number stored in the user's key, or -1 when absent.
  int64_t Stored(const std::string& name) {
    RegistryValue* v =
        tp.registry.hive(Hive::kCurrentUser).Create(kSettingsKeyPath, " ", nullptr)->FindValue(name);
    if (v == nullptr) return -1;
    return v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (int64_t(v->data[3]) << 24);
  }
  size_t FilesInOutput() {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(Host("C:\\ZEL"))) n += e.is_regular_file();
    return n;
  }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
};

TEST_F(SplitTest, EachPieceBecomesASerialFileEndingWithItsMarker) {
  std::vector<std::string> pieces = GreyPieces(3);
  WriteJob(SplitJob(3, pieces));
  ctx.job.data_mode = 3;
  SplitOutcome outcome;
  EXPECT_EQ(SplitJobFile(ctx, kJob, &outcome), 3);
  EXPECT_TRUE(outcome.complete);
  const char* names[] = {"C:\\ZEL\\Scan0007.TIF", "C:\\ZEL\\Scan0008.TIF", "C:\\ZEL\\Scan0009.TIF"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Read(names[i]), pieces[i] + kMarker);
    EXPECT_EQ(DecodeTiffPages(Host(names[i])).size(), 1u);
  }
  EXPECT_EQ(ctx.settings.last_serial_number, 10u);
  EXPECT_EQ(Stored("Last Serial Number"), 10);
  EXPECT_TRUE(tp.trace.Contains("Output File C:\\ZEL\\Scan0007.TIF to open + write"));
  EXPECT_TRUE(tp.trace.Contains("Write Serial C:\\ZEL\\Scan0008.TIF [" +
                                std::to_string(pieces[1].size() + 16) + "]"));
  EXPECT_TRUE(tp.trace.Contains("GLOBALS Last Serial 9 bResult 1"));
  EXPECT_TRUE(tp.trace.Contains("REGISTRY Last Serial 10"));
  EXPECT_TRUE(tp.message_boxes.shown.empty());
}

// A page whose marker is missing ends no piece; the job file must then stay, since that page
// exists nowhere else. Zero padding after the last marker is no page.
TEST_F(SplitTest, BytesAfterTheLastMarkerKeepTheJobFile) {
  std::vector<std::string> pieces = GreyPieces(1);
  struct Case {
    std::string tail;
    bool complete;
  } cases[] = {{pieces[0], false},
               {pieces[0] + kMarker.substr(0, 15), false},  // a marker cut off
               {"trailing", false},
               {std::string(6, '\0'), true},
               {"", true}};
  for (const Case& c : cases) {
    WriteJob(SplitJob(3, pieces) + c.tail);
    SplitOutcome outcome;
    EXPECT_EQ(SplitJobFile(ctx, kJob, &outcome), 1);
    EXPECT_EQ(outcome.complete, c.complete) << c.tail.size();
    EXPECT_EQ(Read("C:\\ZEL\\Scan0007.TIF"), pieces[0] + kMarker);
    ctx.settings.last_serial_number = 7;
  }
  EXPECT_EQ(FilesInOutput(), 1u);
  EXPECT_TRUE(tp.trace.Contains("split: 8 bytes after the last page-end marker: job file kept"));
}

TEST_F(SplitTest, JobsWithoutAPieceWriteNothingAndStoreNothing) {
  std::string no_marker = SplitJob(3, GreyPieces(1));
  no_marker.resize(no_marker.size() - 16);
  std::string marker_in_header = "II*\0"s + kMarker + std::string(8, '\0');  // before byte 24
  for (const std::string& job : {no_marker, std::string(), std::string("II*\0", 4),
                                 MakeSplitJob(3, GreyPieces(1)),  // no signature
                                 marker_in_header}) {
    WriteJob(job);
    SplitOutcome outcome;
    outcome.pieces = 5;
    EXPECT_EQ(SplitJobFile(ctx, kJob, &outcome), 0);
    EXPECT_EQ(outcome.pieces, 0);
    EXPECT_FALSE(outcome.complete);
  }
  EXPECT_EQ(SplitJobFile(ctx, "C:\\spool\\missing.tif"), 0);
  EXPECT_EQ(FilesInOutput(), 0u);
  EXPECT_EQ(Stored("Last Serial Number"), -1);
  EXPECT_TRUE(tp.message_boxes.shown.empty());
  EXPECT_TRUE(tp.trace.Contains("split: no page-end marker in C:\\spool\\job.tif"));
  EXPECT_TRUE(tp.trace.Contains("split: C:\\spool\\job.tif is no job file"));
}

TEST_F(SplitTest, APieceThatCannotBeCreatedStopsWithABoxAndKeepsTheNumbersTaken) {
  WriteJob(SplitJob(3, GreyPieces(3)));
  std::filesystem::create_directories(Host("C:\\ZEL\\Scan0008.TIF"));  // in the way
  SplitOutcome outcome;
  EXPECT_EQ(SplitJobFile(ctx, kJob, &outcome), 1);
  EXPECT_FALSE(outcome.complete);
  ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_EQ(tp.message_boxes.shown[0].text,
            "Target serial file could not be created : \n\nC:\\ZEL\\Scan0008.TIF");
  EXPECT_EQ(tp.message_boxes.shown[0].caption, "ERROR - SERIALISATION OUTPUT MODE");
  EXPECT_EQ(tp.message_boxes.shown[0].style, kBoxStyle);
  // Scan0007 exists: the next job must not be named over it.
  EXPECT_EQ(Stored("Last Serial Number"), 8);
}

TEST_F(SplitTest, APieceThatCannotBeWrittenIsRemovedAndTheCountKept) {
  for (bool half : {false, true}) {
    std::filesystem::remove_all(Host("C:\\ZEL"));
    std::filesystem::create_directories(Host("C:\\ZEL"));
    ctx.settings.last_serial_number = 7;
    WriteJob(SplitJob(3, GreyPieces(3)));
    FaultyFiles full(tp.files.get());
    full.fail_write = 2;
    full.half_written = half;
    Platform p = tp.platform();
    p.files = &full;
    WriterContext c(p);
    c.settings = ctx.settings;
    c.settings_key = ctx.settings_key;
    c.job.data_mode = 3;
    tp.message_boxes.shown.clear();
    EXPECT_EQ(SplitJobFile(c, kJob), 1);
    ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
    EXPECT_EQ(tp.message_boxes.shown[0].text,
              "Unable to write to temporary file : \n\nC:\\ZEL\\Scan0008.TIF");
    EXPECT_EQ(tp.message_boxes.shown[0].caption, "ERROR - SERIALISATION OUTPUT MODE");
    EXPECT_TRUE(Exists("C:\\ZEL\\Scan0007.TIF"));
    EXPECT_FALSE(Exists("C:\\ZEL\\Scan0008.TIF"));  // no half-written piece
    EXPECT_EQ(Stored("Last Serial Number"), 8);
  }
}

TEST_F(SplitTest, TheOutputApplicationRunsOncePerPiece) {
  ctx.settings.output_application = "viewer.exe";
  ctx.job.data_mode = 3;
  WriteJob(SplitJob(3, GreyPieces(3)));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 3);
  ASSERT_EQ(tp.processes.started.size(), 3u);
  EXPECT_EQ(tp.processes.started[2], "viewer.exe \"C:\\ZEL\\Scan0009.TIF\"");
  EXPECT_TRUE(tp.trace.Contains("RUN02:  Run (MOD 3) => C:\\ZEL\\Scan0007.TIF"));
  EXPECT_FALSE(tp.trace.Contains("COMMAND - NON SERIAL"));
}

TEST_F(SplitTest, SerialJpegPagesReplaceTheirPieces) {
  ctx.settings.output_application = "viewer.exe";
  ctx.job.data_mode = 0;
  WriteJob(SplitJob(0, GreyPieces(2)));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 2);
  EXPECT_TRUE(Exists("C:\\ZEL\\Scan0007.jpg"));
  EXPECT_TRUE(Exists("C:\\ZEL\\Scan0008.jpg"));
  EXPECT_FALSE(Exists("C:\\ZEL\\Scan0007.TIF"));
  EXPECT_EQ(FilesInOutput(), 2u);
  EXPECT_TRUE(tp.trace.Contains("JPG01:  SERIAL => C:\\ZEL\\Scan0008.jpg Result = 0"));
  ASSERT_EQ(tp.processes.started.size(), 2u);
  EXPECT_EQ(tp.processes.started[0], "viewer.exe \"C:\\ZEL\\Scan0007.jpg\"");
  EXPECT_TRUE(tp.trace.Contains("Run (MOD 0) => C:\\ZEL\\Scan0007.jpg"));
}

TEST_F(SplitTest, AJpegPieceOfSeveralPagesStaysATiffWithEveryPage) {
  ctx.job.data_mode = 0;
  WriteJob(SplitJob(0, {MakeTiff({{4, 2, 0x10, 200}, {4, 2, 0x20, 200}})}));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 1);
  EXPECT_EQ(DecodeTiffPages(Host("C:\\ZEL\\Scan0007.TIF")).size(), 2u);
  EXPECT_EQ(FilesInOutput(), 1u);
  EXPECT_TRUE(tp.trace.Contains("piece 0 holds 2 pages: kept as TIFF"));
}

TEST_F(SplitTest, DocumentJpegPagesShareTheOutputFileAndCountTheAutoNumber) {
  Settings& s = ctx.settings;
  s.output_mode = kModeDocument;
  s.auto_generate = 1;
  s.auto_number_value = 5;
  s.output_application = "viewer.exe";
  ctx.job.data_mode = 0;
  WriteJob(SplitJob(0, GreyPieces(3)));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 3);
  for (const char* name : {"C:\\ZEL\\Doc0001.jpg", "C:\\ZEL\\Doc0001_1.jpg", "C:\\ZEL\\Doc0001_2.jpg"})
    EXPECT_TRUE(Exists(name)) << name;
  EXPECT_EQ(FilesInOutput(), 3u);
  EXPECT_EQ(Stored("Auto Number Value"), 8);
  EXPECT_EQ(Stored("Last Serial Number"), 10);
  EXPECT_TRUE(tp.trace.Contains("DOCUMENT => C:\\ZEL\\Doc0001_2.jpg Result = 0"));
  EXPECT_TRUE(tp.trace.Contains("QIF01 : COMMAND - NON SERIAL"));
  EXPECT_EQ(tp.processes.started[1], "viewer.exe \"C:\\ZEL\\Doc0001_1.jpg\"");
}

TEST_F(SplitTest, DocumentPagesWithoutJpegKeepTheirOwnTiffs) {
  ctx.settings.output_mode = kModeDocument;
  ctx.job.data_mode = 0;
  std::vector<std::string> pieces = {BilevelTiff(1), BilevelTiff(2), BilevelTiff(3)};
  WriteJob(SplitJob(0, pieces));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 3);
  EXPECT_EQ(Read("C:\\ZEL\\Doc0001.tif"), pieces[0] + kMarker);
  EXPECT_EQ(Read("C:\\ZEL\\Doc0001_1.tif"), pieces[1] + kMarker);
  EXPECT_EQ(Read("C:\\ZEL\\Doc0001_2.tif"), pieces[2] + kMarker);
  EXPECT_EQ(FilesInOutput(), 3u);
  EXPECT_TRUE(tp.trace.Contains("DOCUMENT => C:\\ZEL\\Doc0001_1.jpg Result = 3"));
}

// The PDF writer reads TIFF only: a JPEG page stays a JPEG; a page that could not become a JPEG
// is still a TIFF piece and becomes a PDF as any other.
TEST_F(SplitTest, PdfOutputLeavesJpegPagesAndConvertsTheTiffsLeft) {
  ctx.settings.pdf_output = 1;
  ctx.settings.output_application = "viewer.exe";
  ctx.job.data_mode = 0;
  WriteJob(SplitJob(0, {GreyPieces(1)[0], BilevelTiff(1)}));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 2);
  EXPECT_TRUE(testing::DecodeJpeg(Read("C:\\ZEL\\Scan0007.jpg")).ok);
  EXPECT_FALSE(Exists("C:\\ZEL\\Scan0007.pdf"));
  EXPECT_GT(Read("C:\\ZEL\\Scan0008.pdf").size(), 500u);
  EXPECT_EQ(FilesInOutput(), 2u);
  ASSERT_EQ(tp.processes.started.size(), 2u);
  EXPECT_EQ(tp.processes.started[0], "viewer.exe \"C:\\ZEL\\Scan0007.jpg\"");
  EXPECT_EQ(tp.processes.started[1], "viewer.exe \"C:\\ZEL\\Scan0008.pdf\"");
}

TEST_F(SplitTest, AppendJpegJobsSplicePiecesOntoTheTarget) {
  Settings& s = ctx.settings;
  s.output_mode = kModeAppend;
  s.output_file = "book.tif";
  s.pdf_output = 1;  // never applied to an Append target
  ctx.job.data_mode = 0;
  WriteHostFile(Host("C:\\ZEL\\book.tif"), MakeTiff({{4, 2, 0x01, 200}}));
  WriteJob(SplitJob(0, GreyPieces(2)));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 2);
  std::vector<int> fills;
  for (const auto& page : DecodeTiffPages(Host("C:\\ZEL\\book.tif"))) fills.push_back(page.pixels[0]);
  EXPECT_EQ(fills, (std::vector<int>{0x01, 0x10, 0x20}));
  EXPECT_EQ(FilesInOutput(), 1u);
  EXPECT_EQ(Stored("Last Serial Number"), 9);
}

TEST_F(SplitTest, PdfOutputReplacesAPieceOnlyOnceItsPdfIsWritten) {
  ctx.settings.pdf_output = 1;
  ctx.settings.output_application = "viewer.exe";
  std::string broken = "II*\0"s + std::string(40, 'j');  // no page the PDF writer can read
  WriteJob(SplitJob(3, {GreyPieces(1)[0], broken}));
  WriteHostFile(Host("C:\\ZEL\\Scan0008.pdf"), "good old pdf");
  EXPECT_EQ(SplitJobFile(ctx, kJob), 2);
  EXPECT_EQ(Read("C:\\ZEL\\Scan0008.pdf"), "good old pdf");  // no partial PDF over it
  EXPECT_EQ(FilesInOutput(), 3u);
  EXPECT_TRUE(Exists("C:\\ZEL\\Scan0007.pdf"));
  EXPECT_FALSE(Exists("C:\\ZEL\\Scan0007.TIF"));
  EXPECT_EQ(Read("C:\\ZEL\\Scan0008.TIF"), broken + kMarker);  // the page is not lost
  EXPECT_TRUE(tp.trace.Contains("convert C:\\ZEL\\Scan0007.TIF => C:\\ZEL\\Scan0007.pdf [0]"));
  EXPECT_TRUE(tp.trace.Contains("... successfully deleted TIFF file => C:\\ZEL\\Scan0007.TIF"));
  EXPECT_TRUE(tp.trace.Contains("... PDF not written, file kept => C:\\ZEL\\Scan0008.TIF"));
  ASSERT_EQ(tp.processes.started.size(), 2u);
  EXPECT_EQ(tp.processes.started[0], "viewer.exe \"C:\\ZEL\\Scan0007.pdf\"");
  EXPECT_EQ(tp.processes.started[1], "viewer.exe \"C:\\ZEL\\Scan0008.TIF\"");
}

// Data mode 0 in Document mode: the pieces never pass through the Output File's name, so an
// earlier document of that name stays, and a JPEG of an earlier job is replaced only as
// Document output replaces (here the question is answered No, then Yes).
TEST_F(SplitTest, DocumentJpegPagesReplaceOnlyWhatTheUserAllows) {
  ctx.settings.output_mode = kModeDocument;
  ctx.job.data_mode = 0;
  WriteHostFile(Host("C:\\ZEL\\Doc0001.tif"), "earlier ten-page document");
  WriteHostFile(Host("C:\\ZEL\\Doc0001_1.jpg"), "earlier jpeg");
  WriteJob(SplitJob(0, GreyPieces(2)));
  SplitOutcome outcome;
  EXPECT_EQ(SplitJobFile(ctx, kJob, &outcome), 1);
  EXPECT_FALSE(outcome.complete);
  ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_EQ(tp.message_boxes.shown[0].text,
            "C:\\ZEL\\Doc0001_1.jpg\n\nalready exists.  OK to overwrite?");
  EXPECT_EQ(Read("C:\\ZEL\\Doc0001_1.jpg"), "earlier jpeg");
  EXPECT_EQ(Read("C:\\ZEL\\Doc0001.tif"), "earlier ten-page document");
  EXPECT_EQ(FilesInOutput(), 3u);  // and Doc0001.jpg; nothing half done

  tp.message_boxes.answers = {kIdYes, kIdYes};  // Doc0001.jpg of the first try, Doc0001_1.jpg
  EXPECT_EQ(SplitJobFile(ctx, kJob, &outcome), 2);
  EXPECT_NE(Read("C:\\ZEL\\Doc0001_1.jpg"), "earlier jpeg");
  EXPECT_EQ(Read("C:\\ZEL\\Doc0001.tif"), "earlier ten-page document");
}

// TEST.JPG and TEST.jpg are one file on Windows: converting one into the other must not
// write the JPEG over the page it is reading.
TEST_F(SplitTest, AJpegNameDifferingOnlyInCaseIsTheSameFile) {
  WriteHostFile(Host("C:\\ZEL\\P.JPG"), GreyPieces(1)[0]);
  std::string jpeg = "C:\\ZEL\\p.jpg";
  EXPECT_EQ(ConvertToJpeg(ctx, &jpeg, "C:\\ZEL\\P.JPG"), kJpegWritten);
  EXPECT_EQ(jpeg, "C:\\ZEL\\p_.jpg");
  EXPECT_TRUE(Exists("C:\\ZEL\\p_.jpg"));

  ctx.settings.output_mode = kModeDocument;
  ctx.settings.output_file = "TEST.JPG";
  ctx.job.data_mode = 0;
  WriteJob(SplitJob(0, GreyPieces(2)));
  EXPECT_EQ(SplitJobFile(ctx, kJob), 2);
  EXPECT_TRUE(Exists("C:\\ZEL\\TEST.jpg"));
  EXPECT_TRUE(Exists("C:\\ZEL\\TEST_1.jpg"));
  EXPECT_EQ(FilesInOutput(), 3u);
}

TEST_F(SplitTest, ASerialNumberAtItsLimitIsNeverReused) {
  ctx.settings.last_serial_number = 0xFFFFFFFEu;
  WriteJob(SplitJob(3, GreyPieces(3)));
  SplitOutcome outcome;
  EXPECT_EQ(SplitJobFile(ctx, kJob, &outcome), 1);
  EXPECT_FALSE(outcome.complete);  // the job file keeps the other pages
  EXPECT_TRUE(Exists("C:\\ZEL\\Scan4294967294.TIF"));
  EXPECT_EQ(FilesInOutput(), 1u);
  EXPECT_EQ(Stored("Last Serial Number"), 0xFFFFFFFF);
  EXPECT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_TRUE(tp.trace.Contains("Last Serial Number at its limit 4294967295"));
}

TEST(FindPageEndTest, FindsOnlyWholeMarkersInsideTheRange) {
  std::string text = "!x!!end of file!!x" + kMarker + "tail";  // the marker at 18
  const uint8_t* b = reinterpret_cast<const uint8_t*>(text.data());
  EXPECT_EQ(FindPageEnd(b, 0, text.size()), 34u);
  EXPECT_EQ(FindPageEnd(b, 0, 33), kNoPageEnd);  // cut by the range
  EXPECT_EQ(FindPageEnd(b, 19, text.size() - 19), kNoPageEnd);
  EXPECT_EQ(FindPageEnd(b, 0, 0), kNoPageEnd);
  EXPECT_EQ(FindPageEnd(b, 18, 16), 34u);
}

}  // namespace
}  // namespace qid
