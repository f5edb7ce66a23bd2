#include "imagewriter/job.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "imagewriter/writer_context.h"
#include "platform/wrappers.h"
#include "tests/support/test_platform.h"
#include "tests/support/imaging/tiff_fixture.h"

namespace qid {
namespace {

using testing::HostFileExists;
using testing::MakeDocumentJob;
using testing::MakeSplitJob;
using testing::MakeTiff;
using testing::ReadHostFile;
using testing::TestPlatform;
using testing::WriteHostFile;

constexpr char kJob[] = "C:\\spool\\job 1.tif";
constexpr char kMarker[] = "C:\\tmp\\DONE_ZEL.TIF";

std::vector<uint8_t> Dword(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

int CancelDialog(WriterContext&) { return 0; }
int FailIfShown(WriterContext&) {
  ADD_FAILURE() << "the dialog must not be shown";
  return 0;
}

class JobTest : public ::testing::Test {
 protected:
  JobTest() {
    key_ = tp.registry.hive(Hive::kCurrentUser).Create(kSettingsKeyPath, " ", nullptr);
    SetNumber("Disable Dialog", 1);
    SetNumber("AutoGenerate", 0);
    SetNumber("Output Mode", 1);
    SetString("Output Directory", "C:\\ZEL");
    SetString("Output File", "TEST.TIF");
    tp.environment.vars_["TMP"] = "C:\\tmp";
    tp.environment.vars_["VEDIZE_DOCNAME"] = "report.doc";
    tp.environment.vars_["VEDIZE_PAGES"] = "2";
    job_bytes_ = MakeDocumentJob(3, MakeTiff({{}, {}}), false);
    WriteHostFile(Host(kJob), job_bytes_);
    WriteHostFile(Host(kMarker), "old marker");
    std::filesystem::create_directories(Host("C:\\ZEL"));
  }

  void SetNumber(const std::string& name, uint32_t v) { key_->SetValue(name, kRegDword, Dword(v)); }
  void SetString(const std::string& name, const std::string& v) {
    key_->SetValue(name, kRegSz, StoredText(v));
  }
  // The number stored in the user's key, or -1 when absent.
  int64_t Stored(const std::string& name) {
    RegistryValue* v = key_->FindValue(name);
    if (v == nullptr) return -1;
    return v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (int64_t(v->data[3]) << 24);
  }
  std::string Host(const std::string& path) { return tp.HostPath(path); }
  bool JobFileExists() { return HostFileExists(Host(kJob)); }
  // "absent", "old" (untouched) or "created" (empty).
  std::string Marker() {
    if (!HostFileExists(Host(kMarker))) return "absent";
    return ReadHostFile(Host(kMarker)).empty() ? "created" : "old";
  }
  std::string Restored() {  // the job file as the header check leaves it
    return "II" + job_bytes_.substr(2);
  }
  void Run(const char* command_line = kJob, JobHooks hooks = JobHooks{}) {
    RunJob(ctx, command_line, hooks);
  }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
  RegistryKeyNode* key_;
  std::string job_bytes_;
};

TEST_F(JobTest, NoOrEmptyCommandLineTouchesNothing) {
  Run(nullptr);
  Run("");
  EXPECT_TRUE(tp.trace.Contains("QIFILE command line null!!!"));
  EXPECT_TRUE(tp.trace.Contains("QIFILE command line empty!!!"));
  EXPECT_EQ(ReadHostFile(Host(kJob)), job_bytes_);
  EXPECT_EQ(Marker(), "old");
  EXPECT_EQ(Stored("Pages Last"), -1);
}

TEST_F(JobTest, DocumentJobCopiesTheRestoredFileAndStoresTheCounters) {
  SetNumber("Pages Total", 5);
  Run();
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), Restored());
  EXPECT_FALSE(JobFileExists());
  EXPECT_EQ(Marker(), "created");
  EXPECT_EQ(Stored("Pages Last"), 2);
  EXPECT_EQ(Stored("Pages Total"), 7);
  EXPECT_EQ(key_->FindValue("Done File")->data, StoredText(kMarker));
  EXPECT_EQ(Stored("Auto Number Value"), -1);  // AutoGenerate is off
  EXPECT_TRUE(tp.trace.Contains("Copy C:\\spool\\job 1.tif => C:\\ZEL\\TEST.TIF [1]"));
  EXPECT_TRUE(tp.trace.Contains("err = 0 Done C:\\tmp\\DONE_ZEL.TIF"));
  EXPECT_TRUE(tp.processes.started.empty());
}

TEST_F(JobTest, AutoNumberedDocumentsCountUpFromJobToJob) {
  SetNumber("AutoGenerate", 1);
  SetNumber("Auto Number Value", 7);
  SetString("Doc Prefix String", "Inv");
  Run();
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\Inv0007.tif")), Restored());
  EXPECT_EQ(Stored("Auto Number Value"), 8);

  WriteHostFile(Host(kJob), job_bytes_);
  WriterContext next(tp.platform());
  RunJob(next, kJob, JobHooks{});
  EXPECT_TRUE(HostFileExists(Host("C:\\ZEL\\Inv0008.tif")));
  EXPECT_EQ(Stored("Auto Number Value"), 9);
}

TEST_F(JobTest, CancelledDialogDeletesTheJobFileAndWritesNothing) {
  SetNumber("Disable Dialog", 0);
  JobHooks hooks;
  hooks.show_settings_dialog = CancelDialog;
  Run(kJob, hooks);
  EXPECT_FALSE(JobFileExists());
  EXPECT_EQ(Marker(), "old");
  EXPECT_EQ(Stored("Pages Last"), -1);
  EXPECT_TRUE(tp.trace.Contains("return FALSE Deleted C:\\spool\\job 1.tif"));
}

TEST_F(JobTest, QuotedCommandLineFailsTheHeaderCheckAndKeepsTheJobFile) {
  Run("\"C:\\spool\\job 1.tif\"");
  EXPECT_EQ(ReadHostFile(Host(kJob)), job_bytes_);
  EXPECT_EQ(Marker(), "old");
  EXPECT_EQ(Stored("Pages Last"), 2);
  EXPECT_EQ(key_->FindValue("Done File"), nullptr);
  EXPECT_TRUE(tp.trace.Contains("CheckAndFixFileHeader() failed"));
}

TEST_F(JobTest, DeclinedOverwriteKeepsJobAndTargetAndLeavesNoMarker) {
  SetString("Output Application", "viewer.exe");
  WriteHostFile(Host("C:\\ZEL\\TEST.TIF"), "precious");
  Run();  // the test's message boxes answer No
  ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_EQ(tp.message_boxes.shown[0].text,
            "C:\\ZEL\\TEST.TIF\n\nalready exists.  OK to overwrite?");
  EXPECT_EQ(tp.message_boxes.shown[0].caption, "Overwrite");
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), "precious");
  EXPECT_TRUE(JobFileExists());
  EXPECT_EQ(Marker(), "absent");
  EXPECT_EQ(key_->FindValue("Done File")->data, StoredText(kMarker));
  EXPECT_TRUE(tp.processes.started.empty());
}

TEST_F(JobTest, AcceptedOverwriteReplacesTheTargetAndRunsTheApplicationOnce) {
  SetString("Output Application", "C:\\Tools\\view.exe /p");
  WriteHostFile(Host("C:\\ZEL\\TEST.TIF"), "old");
  tp.message_boxes.answers.push_back(kIdYes);
  Run();
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), Restored());
  ASSERT_EQ(tp.processes.started.size(), 1u);
  EXPECT_EQ(tp.processes.started[0], "C:\\Tools\\view.exe /p \"C:\\ZEL\\TEST.TIF\"");
  EXPECT_EQ(Marker(), "created");
}

TEST_F(JobTest, FailedCopyReportsKeepsTheJobFileAndStillEndsTheJob) {
  SetString("Output Directory", "C:\\missing\\folder");
  WriteHostFile(Host("C:\\missing"), "a file where the folder would be");
  SetString("Output Application", "viewer.exe");
  SetNumber("AutoGenerate", 1);
  SetNumber("Auto Number Value", 4);
  Run();
  ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_EQ(tp.message_boxes.shown[0].text,
            "File could not be created : \n\nC:\\missing\\folder\\0004.tif");
  EXPECT_EQ(tp.message_boxes.shown[0].caption, "ERROR - DOCUMENT OUTPUT MODE");
  EXPECT_EQ(tp.message_boxes.shown[0].style, uint32_t(kMbIconError | kMbTaskModal | kMbSetForeground));
  EXPECT_EQ(ReadHostFile(Host(kJob)), Restored());  // the print job is not lost
  EXPECT_EQ(Marker(), "created");                   // and the driver side stops waiting
  EXPECT_EQ(Stored("Auto Number Value"), 4);
  EXPECT_TRUE(tp.processes.started.empty());
}

TEST_F(JobTest, PrintToFileCopiesToExactlyTheChosenNameWithoutAsking) {
  SetNumber("Disable Dialog", 0);
  SetNumber("PDF Output", 1);
  SetNumber("Output Mode", 3);
  tp.environment.vars_["PRINTTOFILE"] = "10";
  tp.environment.vars_["PTF_NAME"] = "C:\\ZEL\\chosen.xyz";
  WriteHostFile(Host("C:\\ZEL\\chosen.xyz"), "old");
  JobHooks hooks;
  hooks.show_settings_dialog = FailIfShown;
  Run(kJob, hooks);
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\chosen.xyz")), Restored());
  EXPECT_TRUE(tp.message_boxes.shown.empty());
  EXPECT_EQ(Stored("Output Mode"), 3);  // the overrides are never saved
  EXPECT_EQ(Marker(), "created");
}

TEST_F(JobTest, PrintToFileWithoutANameRunsANormalJob) {
  tp.environment.vars_["PRINTTOFILE"] = "1";
  tp.environment.vars_["PTF_NAME"] = "";
  Run();
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), Restored());
}

TEST_F(JobTest, PageCountWithoutDigitsCountsZeroPages) {
  EXPECT_EQ(LeadingPageCount("12 pages"), 12u);
  EXPECT_EQ(LeadingPageCount(""), 0u);
  EXPECT_EQ(LeadingPageCount("x1"), 0u);
  SetNumber("Pages Total", 9);
  tp.environment.vars_["VEDIZE_PAGES"] = "many";
  Run();
  EXPECT_EQ(Stored("Pages Last"), 0);
  EXPECT_EQ(Stored("Pages Total"), 9);
  tp.environment.Unset("VEDIZE_PAGES");
  WriteHostFile(Host(kJob), job_bytes_);
  WriterContext next(tp.platform());
  RunJob(next, kJob, JobHooks{});
  EXPECT_EQ(Stored("Pages Last"), 0);
}

TEST_F(JobTest, DocumentNameLosesItsPathForEveryLaterReader) {
  tp.environment.vars_["VEDIZE_DOCNAME"] = "C:\\Docs\\report.doc";
  Run();
  EXPECT_EQ(tp.environment.vars_["VEDIZE_DOCNAME"], "report.doc");
  EXPECT_TRUE(tp.trace.Contains("NEW DOCNAME report.doc"));

  tp.environment.vars_["VEDIZE_DOCNAME"] = "a/b.doc";
  WriterContext next(tp.platform());
  RunJob(next, kJob, JobHooks{});
  EXPECT_EQ(tp.environment.vars_["VEDIZE_DOCNAME"], "a/b.doc");
  EXPECT_TRUE(tp.trace.Contains("DOCNAME CLEAN"));
}

TEST_F(JobTest, OverlongDocumentTitleIsStillCleaned) {
  tp.environment.vars_["VEDIZE_DOCNAME"] = "C:\\" + std::string(300, 'd') + "\\x.doc";
  Run();
  EXPECT_EQ(tp.environment.vars_["VEDIZE_DOCNAME"], "x.doc");
}

TEST_F(JobTest, AppendOntoAMissingTargetCopiesIgnoringPdfAndOverwrite) {
  SetNumber("Output Mode", 3);
  SetNumber("PDF Output", 1);
  SetNumber("Always Overwrite", 1);
  SetString("Output File", "book.dat");
  Run();
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\book.dat")), Restored());
  EXPECT_FALSE(JobFileExists());
}

TEST_F(JobTest, UnknownOutputModeKeepsTheJobFile) {
  SetNumber("Output Mode", 7);
  Run();
  EXPECT_TRUE(JobFileExists());
  EXPECT_EQ(Marker(), "created");
}

TEST_F(JobTest, SerializationWritesOnePieceAPageAndCarriesTheSerialOn) {
  SetNumber("Output Mode", 2);
  SetNumber("Serial Num Digits", 9);  // used as 4 for the split, not saved
  SetNumber("Last Serial Number", 7);
  SetNumber("Serial Init Number", 1);
  SetString("Serial Prefix String", "Scan");
  std::string page = MakeTiff({{}});
  WriteHostFile(Host(kJob), MakeSplitJob(1, {page, page, page}));
  Run();
  for (const char* name : {"Scan0007.TIF", "Scan0008.TIF", "Scan0009.TIF"})
    EXPECT_TRUE(HostFileExists(Host(std::string("C:\\ZEL\\") + name))) << name;
  EXPECT_EQ(Stored("Last Serial Number"), 10);
  EXPECT_EQ(Stored("Serial Init Number"), 10);
  EXPECT_EQ(Stored("Serial Num Digits"), 9);
  EXPECT_FALSE(JobFileExists());
  EXPECT_EQ(Marker(), "created");
}

TEST_F(JobTest, AutoResetStartsEveryJobAtTheInitialNumber) {
  SetNumber("Output Mode", 2);
  SetNumber("Auto Reset Serial Number", 1);
  SetNumber("Serial Init Number", 3);
  SetNumber("Last Serial Number", 40);
  SetString("Serial Prefix String", "P");
  std::string page = MakeTiff({{}});
  WriteHostFile(Host(kJob), MakeSplitJob(1, {page, page}));
  Run();
  EXPECT_TRUE(HostFileExists(Host("C:\\ZEL\\P0003.TIF")));
  EXPECT_TRUE(HostFileExists(Host("C:\\ZEL\\P0004.TIF")));
  EXPECT_EQ(Stored("Last Serial Number"), 5);
  EXPECT_EQ(Stored("Serial Init Number"), 3);  // not rewritten
}

TEST_F(JobTest, SplitThatStopsKeepsTheJobFileButEndsTheJob) {
  SetNumber("Output Mode", 2);
  SetString("Output Directory", "C:\\no\\such\\folder");
  WriteHostFile(Host("C:\\no"), "a file where the folder would be");
  std::string page = MakeTiff({{}});
  WriteHostFile(Host(kJob), MakeSplitJob(1, {page, page}));
  Run();
  ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_EQ(tp.message_boxes.shown[0].caption, "ERROR - SERIALISATION OUTPUT MODE");
  EXPECT_TRUE(JobFileExists());
  EXPECT_EQ(Marker(), "created");
}

// The driver side picks the layout from the stored Output Mode; the dialog (or print-to-file)
// may change the mode afterwards. A job whose layout the chosen path cannot write stays whole.
TEST_F(JobTest, AJobWhoseLayoutDoesNotFitTheModeIsKept) {
  const std::string page = MakeTiff({{}});
  const std::string document = MakeDocumentJob(3, MakeTiff({{}, {}}), true);
  const std::string split = MakeSplitJob(3, {page, page});
  struct Case {
    uint32_t mode;
    std::string job;
    bool print_to_file;
  } cases[] = {
      {2, document, false},                              // Serialization of one TIFF
      {1, MakeDocumentJob(0, MakeTiff({{}}), false), false},  // JPEG pages of one TIFF
      {1, split, false},                                 // Document of pieces
      {3, split, false},                                 // Append of pieces
      {2, split, true},                                  // print-to-file of pieces
  };
  WriteHostFile(Host("C:\\ZEL\\TEST.TIF"), page);  // an Append target that must not change
  for (const Case& c : cases) {
    SetNumber("Output Mode", c.mode);
    if (c.print_to_file) {
      tp.environment.vars_["PRINTTOFILE"] = "1";
      tp.environment.vars_["PTF_NAME"] = "C:\\ZEL\\printed.prn";
    }
    WriteHostFile(Host(kJob), c.job);
    WriteHostFile(Host(kMarker), "old marker");
    WriterContext run(tp.platform());
    RunJob(run, kJob, JobHooks{});
    EXPECT_EQ(ReadHostFile(Host(kJob)), "II" + c.job.substr(2)) << c.mode;
    EXPECT_EQ(Marker(), "created") << c.mode;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("C:\\ZEL")), {}), 1);
    EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), page);
  }
  EXPECT_TRUE(tp.trace.Contains("job holds one TIFF of all pages, Output Mode 2 data mode 3 "
                                "writes one file per page: job file kept"));
  EXPECT_TRUE(tp.trace.Contains("job holds one TIFF per page, Output Mode 3 writes one TIFF of "
                                "all pages: job file kept"));
}

// A job that stays unwritten is told to whoever printed it, with the reason and where the pages
// are; an unattended job (Disable Dialog) only traces it, so that nothing waits for a click.
TEST_F(JobTest, AKeptJobIsToldWithItsReasonAndPlaceUnlessUnattended) {
  SetNumber("Output Mode", 2);  // the job holds one TIFF of all pages
  JobHooks hooks;
  hooks.show_settings_dialog = [](WriterContext&) { return 1; };
  for (uint32_t unattended : {0u, 1u}) {
    SetNumber("Disable Dialog", unattended);
    WriteHostFile(Host(kJob), job_bytes_);
    tp.message_boxes.shown.clear();
    WriterContext run(tp.platform());
    RunJob(run, kJob, hooks);
    EXPECT_TRUE(JobFileExists());
    EXPECT_EQ(Marker(), "created");
    if (unattended) {
      EXPECT_TRUE(tp.message_boxes.shown.empty());
      EXPECT_TRUE(tp.trace.Contains("job kept, user not told: The job was made for a file of all "
                                    "pages, not one file per page => C:\\spool\\job 1.tif"));
      continue;
    }
    ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
    EXPECT_EQ(tp.message_boxes.shown[0].caption, "ERROR - JOB NOT WRITTEN");
    EXPECT_EQ(tp.message_boxes.shown[0].text,
              "The job was made for a file of all pages, not one file per page.\n\nThe printed "
              "pages are kept in the job file:\n\nC:\\spool\\job 1.tif");
    EXPECT_EQ(tp.message_boxes.shown[0].style,
              uint32_t(kMbIconError | kMbTaskModal | kMbSetForeground));
  }
}

// One TIFF of all pages cannot pass 4 GiB (its offsets are 32 bits): such a job is kept with
// the reason, and the Append target keeps its pages. The job file is sparse: no disk is used.
TEST_F(JobTest, ADocumentOrAppendJobPast4GiBIsKept) {
  const std::string book = MakeTiff({{}});
  for (uint32_t mode : {1u, 3u}) {
    SetNumber("Output Mode", mode);
    WriteHostFile(Host("C:\\ZEL\\TEST.TIF"), book);
    WriteHostFile(Host(kJob), job_bytes_);
    std::filesystem::resize_file(Host(kJob), (uint64_t(1) << 32) + 1);
    WriterContext run(tp.platform());
    RunJob(run, kJob, JobHooks{});
    EXPECT_EQ(std::filesystem::file_size(Host(kJob)), (uint64_t(1) << 32) + 1) << mode;
    EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), book) << mode;
    EXPECT_EQ(run.job.kept_reason, "The job is larger than a TIFF file can be (4 GiB)");
    EXPECT_EQ(Marker(), "created");
  }
  EXPECT_TRUE(tp.trace.Contains("passes 4 GiB, more than one TIFF can hold: job file kept"));
  std::filesystem::remove(Host(kJob));
}

TEST_F(JobTest, ASplitJobWhoseLastPageLacksItsMarkerIsKept) {
  SetNumber("Output Mode", 2);
  SetString("Serial Prefix String", "S");
  std::string page = MakeTiff({{}});
  WriteHostFile(Host(kJob), MakeSplitJob(3, {page}) + page);
  Run();
  EXPECT_TRUE(HostFileExists(Host("C:\\ZEL\\S0001.TIF")));
  EXPECT_TRUE(JobFileExists());
  EXPECT_EQ(Marker(), "created");
  EXPECT_TRUE(tp.trace.Contains("bytes after the last page-end marker: job file kept"));
}

// The job run's steps in order, from the dispatch on, for each path (the PDF writer's own
// object trace left out). The Output Application always runs before the job file goes and
// before the done marker exists: whoever waits for the marker must find every result final.
TEST_F(JobTest, EachPathTracesItsStepsInOrderAndMarksTheJobDoneLast) {
  SetString("Output Application", "viewer.exe");
  std::vector<std::string> marker_while_running;
  tp.processes.on_start = [&](const std::string&) { marker_while_running.push_back(Marker()); };
  const std::vector<std::string> kRun = {
      "RUN02: CreateProcess viewer.exe \"C:\\ZEL\\TEST.TIF\"", "RUN02: =>iResult 1"};
  const std::vector<std::string> kEnd = {"QIF01:  Delete Temp File C:\\spool\\job 1.tif 1",
                                         "SEC03:  err = 0 Done C:\\tmp\\DONE_ZEL.TIF"};
  auto join = [](std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const std::vector<std::string> kTarget = {"QIF01:  |...ConstructTargetFileName",
                                            "QIF03:  |......Anfang ConstructFilename ",
                                            "QIF01:  |...Target File C:\\ZEL\\TEST.TIF"};
  const std::vector<std::string> kTerminateDok = {"QIF01 : => terminate",
                                                  "RUN02:  Run (DOK) => C:\\ZEL\\TEST.TIF"};
  struct Path {
    uint32_t mode, pdf;
    bool split;
    std::vector<std::string> steps;
  } paths[] = {
      {1, 0, false,
       join({kTarget,
             {"QIF01:  Anfang DOCUMENT",
              "QIF01:  Copy C:\\spool\\job 1.tif => C:\\ZEL\\TEST.TIF [1]",
              "QIF01:  Ende DOCUMENT "},
             kTerminateDok, kRun, kEnd})},
      {3, 0, false,
       join({kTarget,
             {"QIF01:  Anfang APPEND to C:\\ZEL\\TEST.TIF from C:\\spool\\job 1.tif",
              "QIF02:  AppendTiff: allocate mem 340", "QIF02:  FixupTiffData: Base 332",
              "QIF02:  AppendBufferToFile: Size 336", "QIF01:  Ende APPEND C:\\ZEL\\TEST.TIF "},
             kTerminateDok, kRun, kEnd})},
      {2, 0, true,
       join({{"QIF01:  Anfang SERIALIZATON 0", "QIF03:  |......Anfang ConstructFilename ",
              "QIF03:  FixupFilename[init 1 last 1] C:\\ZEL\\ C:\\ZEL\\0001.TIF",
              "QIF02:  Output File C:\\ZEL\\0001.TIF to open + write",
              "QIF02:  Write Serial C:\\ZEL\\0001.TIF [190]", "QIF02:  File Size [190]",
              "QIF02:  GLOBALS Last Serial 2 bResult 1",
              "RUN02:  Run (MOD 3) => C:\\ZEL\\0001.TIF",
              "RUN02: CreateProcess viewer.exe \"C:\\ZEL\\0001.TIF\"", "RUN02: =>iResult 1",
              "QIF02:  REGISTRY Last Serial 2", "QIF01 : RESET ENDE INIT 1 LAST 2",
              "QIF01:  NO RESET ENDE INIT 2 LAST 2", "QIF01 : => terminate",
              "QIF01:  COMMAND NONDOCUMENT"},
             kEnd})},
      {1, 1, false,
       join({kTarget,
             {"QIF01:  Anfang DOCUMENT",
              "QIF01:  convert C:\\spool\\job 1.tif => C:\\ZEL\\TEST.pdf [0]",
              "QIF01:  Ende DOCUMENT ", "QIF01 : => terminate",
              "RUN02:  Run (DOK) => C:\\ZEL\\TEST.pdf",
              "RUN02: CreateProcess viewer.exe \"C:\\ZEL\\TEST.pdf\"", "RUN02: =>iResult 1"},
             kEnd})},
  };
  for (const Path& p : paths) {
    SetNumber("Output Mode", p.mode);
    SetNumber("PDF Output", p.pdf);
    WriteHostFile(Host(kJob), p.split ? MakeSplitJob(3, {MakeTiff({{}})}) : job_bytes_);
    WriteHostFile(Host(kMarker), "old marker");
    tp.trace.lines.clear();
    marker_while_running.clear();
    WriterContext run(tp.platform());
    RunJob(run, kJob, JobHooks{});
    std::vector<std::string> steps;
    bool dispatched = false;
    for (std::string line : tp.trace.lines) {
      line = line.substr(0, line.find("\r\n"));
      if (dispatched && line.rfind("PDF01", 0) != 0 && line.rfind("TIME", 0) != 0)
        steps.push_back(line);
      dispatched = dispatched || line.find("Delete DONE_ZEL") != std::string::npos;
    }
    EXPECT_EQ(steps, p.steps) << "Output Mode " << p.mode << " PDF " << p.pdf;
    EXPECT_EQ(marker_while_running, std::vector<std::string>{"absent"}) << p.mode;
    EXPECT_EQ(Marker(), "created") << p.mode;
  }
}

TEST_F(JobTest, CapacitiesAreRefusedNeverCut) {
  // A job path over 511 characters is not touched at all.
  std::string long_path = "C:\\" + std::string(520, 'j');
  Run(long_path.c_str());
  EXPECT_TRUE(tp.trace.Contains("longer than 511 characters"));
  EXPECT_EQ(Stored("Pages Last"), -1);

  // A print-to-file name over 259 characters is refused with the document error box.
  tp.environment.vars_["PRINTTOFILE"] = "1";
  tp.environment.vars_["PTF_NAME"] = "C:\\ZEL\\" + std::string(260, 'n');
  WriterContext second(tp.platform());
  RunJob(second, kJob, JobHooks{});
  EXPECT_TRUE(tp.trace.Contains("PTF_NAME longer than 259 characters"));
  ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_EQ(tp.message_boxes.shown[0].caption, "ERROR - DOCUMENT OUTPUT MODE");
  EXPECT_TRUE(JobFileExists());

  // A TMP too long for the marker path: the job is written, no marker is made up elsewhere.
  tp.environment.Unset("PRINTTOFILE");
  tp.environment.vars_["TMP"] = "C:\\" + std::string(200, 't');
  WriterContext third(tp.platform());
  RunJob(third, kJob, JobHooks{});
  EXPECT_TRUE(tp.trace.Contains("TMP longer than 127 characters: no done marker"));
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), Restored());
  EXPECT_FALSE(JobFileExists());
}

// A full disk while the new document is written: the old one stays whole, no partial file
// takes a result's name, and the job file keeps the pages.
class FullDiskCopies : public FileSystemWrapper {
 public:
  using FileSystemWrapper::FileSystemWrapper;
  ErrorCode CopyFileTo(const std::string&, const std::string&, bool) override {
    return kErrDiskFull;
  }
};

TEST_F(JobTest, ReplacingADocumentKeepsTheOldOneUntilTheNewOneIsComplete) {
  SetNumber("Always Overwrite", 1);
  WriteHostFile(Host("C:\\ZEL\\TEST.TIF"), "old tiff");
  FullDiskCopies full(tp.files.get());
  Platform p = tp.platform();
  p.files = &full;
  WriterContext c(p);
  RunJob(c, kJob, JobHooks{});
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.TIF")), "old tiff");
  EXPECT_TRUE(JobFileExists());

  // A PDF the writer cannot finish (no page it can read) leaves the good old PDF.
  SetNumber("PDF Output", 1);
  WriteHostFile(Host("C:\\ZEL\\TEST.pdf"), "%PDF good old");
  WriteHostFile(Host(kJob), "\x67\0*\0" + std::string(40, 'j'));
  WriterContext pdf(tp.platform());
  RunJob(pdf, kJob, JobHooks{});
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\TEST.pdf")), "%PDF good old");
  EXPECT_TRUE(JobFileExists());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("C:\\ZEL")), {}), 2);
}

TEST_F(JobTest, ATitleOrNameNeverLeavesTheOutputDirectory) {
  SetNumber("Use Source Name", 1);
  SetNumber("Always Overwrite", 1);
  tp.environment.vars_["VEDIZE_DOCNAME"] = "../../../victim.doc";
  WriteHostFile(Host("C:\\victim.tif"), "not ours");
  Run();
  EXPECT_EQ(ReadHostFile(Host("C:\\victim.tif")), "not ours");
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\victim.tif")), Restored());

  // A title with no extension of its own keeps its name, not the dots of its path.
  tp.environment.vars_["VEDIZE_DOCNAME"] = "../../../report";
  WriteHostFile(Host(kJob), job_bytes_);
  WriterContext second(tp.platform());
  RunJob(second, kJob, JobHooks{});
  EXPECT_EQ(ReadHostFile(Host("C:\\ZEL\\report.tif")), Restored());
}

TEST_F(JobTest, TheJobFileIsNeverItsOwnTarget) {
  tp.environment.vars_["PRINTTOFILE"] = "1";
  tp.environment.vars_["PTF_NAME"] = kJob;
  Run();
  EXPECT_EQ(ReadHostFile(Host(kJob)), Restored());
  ASSERT_EQ(tp.message_boxes.shown.size(), 1u);
  EXPECT_EQ(tp.message_boxes.shown[0].caption, "ERROR - DOCUMENT OUTPUT MODE");

  tp.environment.Unset("PRINTTOFILE");
  SetNumber("Output Mode", 3);
  SetString("Output Directory", "C:\\SPOOL");
  SetString("Output File", "JOB 1.TIF");  // another case, on Windows the same file
  WriterContext append(tp.platform());
  RunJob(append, kJob, JobHooks{});
  EXPECT_EQ(ReadHostFile(Host(kJob)), Restored());
  EXPECT_TRUE(tp.trace.Contains("C:\\SPOOL\\JOB 1.TIF is the job's own file"));

  // Nor is the done marker, which the end of the job empties, or the job lock in the user's
  // folder, which TMP does not name.
  struct OwnFile { uint32_t mode; const char* folder; const char* file; const char* target; };
  const OwnFile own_files[] = {{1, "C:\\tmp", "done_zel.tif", "C:\\tmp\\done_zel.tif"},
                               {3, "C:\\Profile", "qidjobs.lck", "C:\\Profile\\qidjobs.lck"}};
  for (const OwnFile& own : own_files) {
    SetNumber("Output Mode", own.mode);
    SetString("Output Directory", own.folder);
    SetString("Output File", own.file);
    WriterContext again(tp.platform());
    RunJob(again, kJob, JobHooks{});
    EXPECT_TRUE(tp.trace.Contains(std::string(own.target) + " is the job's own file"))
        << own.target;
    EXPECT_EQ(ReadHostFile(Host(kJob)), Restored()) << own.target;
  }
}

TEST_F(JobTest, AMissingOutputDirectoryIsCreatedWithItsParents) {
  SetString("Output Directory", "C:\\new\\out\\");
  Run();
  EXPECT_EQ(ReadHostFile(Host("C:\\new\\out\\TEST.TIF")), Restored());
  EXPECT_TRUE(tp.trace.Contains("Output Directory: created C:\\new"));
  EXPECT_TRUE(tp.trace.Contains("Output Directory: created C:\\new\\out"));
}

TEST_F(JobTest, CountersSaturateInsteadOfWrapping) {
  SetNumber("Pages Total", 0xFFFFFFF0u);
  SetNumber("AutoGenerate", 1);
  SetNumber("Auto Number Value", 0xFFFFFFFFu);
  tp.environment.vars_["VEDIZE_PAGES"] = "99999999999999999999";  // 20 digits
  Run();
  EXPECT_EQ(Stored("Pages Last"), 0);
  EXPECT_EQ(Stored("Pages Total"), 0xFFFFFFF0);
  EXPECT_TRUE(tp.trace.Contains("VEDIZE_PAGES 99999999999999999999 out of range: counted as 0"));
  EXPECT_EQ(Stored("Auto Number Value"), 0xFFFFFFFF);
  EXPECT_TRUE(tp.trace.Contains("Auto Number Value at its limit 4294967295"));

  tp.environment.vars_["VEDIZE_PAGES"] = "100";
  WriteHostFile(Host(kJob), job_bytes_);
  WriterContext next(tp.platform());
  RunJob(next, kJob, JobHooks{});
  EXPECT_EQ(Stored("Pages Total"), 0xFFFFFFFF);
  EXPECT_TRUE(tp.trace.Contains("Pages Total at its limit 4294967295"));
}

// The job lock is held while results are named and written (the Serialization job's viewer
// runs per piece, mid-job) and given up before a Document job's viewer, which may stay open.
// It lives in the user's own folder, whatever TMP says; in TMP only when there is none.
TEST_F(JobTest, TheJobLockIsHeldWhileResultsAreWritten) {
  SetString("Output Application", "viewer.exe");
  std::vector<bool> free_while_viewing;
  tp.processes.on_start = [&](const std::string&) {
    int fd = ::open(Host("C:\\profile\\QIDJOBS.LCK").c_str(), O_RDWR | O_CLOEXEC);
    free_while_viewing.push_back(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0);
    if (fd >= 0) ::close(fd);
  };
  Run();
  SetNumber("Output Mode", 2);
  WriteHostFile(Host(kJob), MakeSplitJob(3, {MakeTiff({{}})}));
  WriterContext serial(tp.platform());
  RunJob(serial, kJob, JobHooks{});
  EXPECT_EQ(free_while_viewing, (std::vector<bool>{true, false}));
  EXPECT_TRUE(tp.trace.Contains("job lock C:\\profile\\QIDJOBS.LCK"));

  tp.system.user_data.clear();
  WriteHostFile(Host(kJob), MakeSplitJob(3, {MakeTiff({{}})}));
  WriterContext without_profile(tp.platform());
  RunJob(without_profile, kJob, JobHooks{});
  EXPECT_TRUE(tp.trace.Contains("job lock C:\\tmp\\QIDJOBS.LCK"));
}

}  // namespace
}  // namespace qid
