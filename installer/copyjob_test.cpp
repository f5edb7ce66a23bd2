#include "installer/copyjob.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/wrappers.h"
#include "tests/support/faulty_files.h"
#include "tests/support/installer_testing.h"

namespace qid::installer {
namespace {

using testing::InstallerHarness;
using testing::Message;

constexpr char16_t kReadme[] = u"C:\\Program Files\\ZEL\\notes.txt";

class CopyJobTest : public ::testing::Test {
 protected:
  uint32_t Run() {
    job.keepRunning = 1;
    job.source_dir = &source;
    job.destination_dir = &h.driver_dir;
    return RunCopyJob(job, h.services, sink);
  }
  // The messages a whole file of `slot` gives: BEGIN, a PROGRESS per block, END.
  static std::vector<Message> FileMessages(intptr_t slot, std::vector<uintptr_t> blocks) {
    uintptr_t size = 0;
    for (uintptr_t b : blocks) size += b;
    std::vector<Message> out{{RM_BEGIN, size, slot}};
    for (uintptr_t b : blocks) out.push_back({RM_PROGRESS, b, slot});
    out.push_back({RM_END, 0, slot});
    return out;
  }
  static std::vector<Message> FirstFiles(size_t count) {
    const std::vector<std::vector<uintptr_t>> blocks = {
        {3000}, {10240}, {10240, 10240, 1}, {10240, 2105}, {0}, {500}};
    std::vector<Message> out;
    for (size_t i = 0; i < count; ++i) {
      std::vector<Message> file = FileMessages(static_cast<intptr_t>(i), blocks[i]);
      out.insert(out.end(), file.begin(), file.end());
    }
    return out;
  }

  FileTimes TimesOf(const std::u16string& path) {
    FileTimes times;
    std::unique_ptr<File> f;
    EXPECT_EQ(h.tp.platform().files->OpenFileW(path, FileAccess::kRead,
                                               FileDisposition::kOpenExisting, FileShare::kRead,
                                               &f),
              kSuccess);
    if (f) {
      EXPECT_EQ(f->GetTimes(&times), kSuccess);
    }
    return times;
  }

  InstallerHarness h;
  testing::RecordingSink sink;
  std::u16string source = u"C:\\setup\\";
  CopyJob job;
};

TEST_F(CopyJobTest, CopiesEveryFileInBlocksAndEndsWithExit) {
  EXPECT_EQ(Run(), 0u);
  std::vector<Message> expected = FirstFiles(6);
  expected.push_back({RM_EXIT, 0, 0});
  EXPECT_EQ(sink.messages, expected);
  EXPECT_EQ(job.keepRunning, 0);
  EXPECT_EQ(h.sleeps, 22);  // every step pauses: 3+3+5+4+3+3 file steps and Done
  for (size_t slot : {0, 1, 2, 3, 5})
    EXPECT_EQ(h.ReadFile(h.DriverPath(slot)), h.ReadFile(h.SourcePath(slot))) << slot;
  EXPECT_TRUE(h.Exists(kReadme));  // the empty read-me, in the program folder
  EXPECT_EQ(h.ReadFile(kReadme), "");
  EXPECT_TRUE(h.tp.trace.wide_lines.size() > 0);
  EXPECT_EQ(h.tp.trace.wide_lines[0],
            u"INST01 : readme => C:\\Program Files\\ZEL\\notes.txt\r\n");
}

TEST_F(CopyJobTest, MissingSourceDeletesAnEarlierCopyAndStops) {
  std::filesystem::remove(h.Host(h.SourcePath(2)));
  h.WriteFile(h.DriverPath(2), "left by an earlier installation");
  Run();
  std::vector<Message> expected = FirstFiles(2);
  expected.push_back({RM_ERROR, kErrFileNotFound, 2});
  EXPECT_EQ(sink.messages, expected);
  EXPECT_FALSE(h.Exists(h.DriverPath(2)));
  EXPECT_FALSE(h.Exists(h.DriverPath(3)));
  EXPECT_EQ(job.keepRunning, 0);
}

TEST_F(CopyJobTest, MissingProgramFilesVariableFailsTheReadme) {
  h.tp.system.program_files.clear();  // rather than writing "\ZEL\notes.txt" on some drive
  Run();
  std::vector<Message> expected = FirstFiles(4);
  expected.push_back({RM_ERROR, kErrEnvVarNotFound, 4});
  EXPECT_EQ(sink.messages, expected);
}

TEST_F(CopyJobTest, FailuresReportTheirCodeAndLeaveNoPartialCopy) {
  struct Case {
    const char* what;
    ErrorCode open_error;
    int failing_write;
    ErrorCode write_error;
  };
  const Case cases[] = {
      {"destination cannot be created", kErrAccessDenied, 0, kSuccess},
      {"second write fails", kSuccess, 2, kErrWriteFault},
      {"short write (disk full)", kSuccess, 1, kErrDiskFull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallerHarness fresh;
    // One destination fails its creation, or its Nth write after half the block reached it.
    qid::testing::FaultyFiles faulty(fresh.tp.platform().files);
    faulty.only_wide = fresh.DriverPath(2);
    faulty.open_error = c.open_error;
    faulty.fail_write = c.failing_write;
    faulty.half_written = true;
    faulty.write_error = c.write_error;
    fresh.services.files = &faulty;
    testing::RecordingSink recorded;
    CopyJob failing;
    failing.keepRunning = 1;
    failing.source_dir = &source;
    failing.destination_dir = &fresh.driver_dir;
    RunCopyJob(failing, fresh.services, recorded);

    std::vector<Message> expected = FirstFiles(2);
    if (c.open_error == kSuccess) expected.push_back({RM_BEGIN, 20481, 2});
    if (c.failing_write == 2) expected.push_back({RM_PROGRESS, 10240, 2});
    expected.push_back({RM_ERROR, c.open_error != kSuccess ? c.open_error : c.write_error, 2});
    EXPECT_EQ(recorded.messages, expected);
    EXPECT_FALSE(fresh.Exists(fresh.DriverPath(2)));
    EXPECT_EQ(fresh.ReadFile(fresh.SourcePath(2)).size(), 20481u);
  }
}

TEST_F(CopyJobTest, SourceThatShrinksWhileCopiedFailsInsteadOfSpinning) {
  int steps = 0;
  h.on_sleep = [&] {
    // After slot 2's Open (step 7), the source loses its tail.
    if (++steps == 7) std::filesystem::resize_file(h.Host(h.SourcePath(2)), 15000);
  };
  Run();
  std::vector<Message> expected = FirstFiles(2);
  expected.push_back({RM_BEGIN, 20481, 2});
  expected.push_back({RM_PROGRESS, 10240, 2});
  expected.push_back({RM_PROGRESS, 4760, 2});
  expected.push_back({RM_ERROR, kErrHandleEof, 2});
  EXPECT_EQ(sink.messages, expected);
  EXPECT_FALSE(h.Exists(h.DriverPath(2)));
  EXPECT_EQ(job.keepRunning, 0);
}

TEST_F(CopyJobTest, EveryCopyGetsItsSourcesThreeTimes) {
  // The host keeps no creation time: the sources here report three distinct times and each
  // copy's SetTimes is recorded.
  struct TimedFiles : FileSystemWrapper {
    using FileSystemWrapper::FileSystemWrapper;
    struct Timed : FileWrapper {
      Timed(std::unique_ptr<File> f, TimedFiles* owner) : FileWrapper(std::move(f)), owner(owner) {}
      ErrorCode GetTimes(FileTimes* times) override {
        *times = FileTimes{111, 222, 333};
        return kSuccess;
      }
      ErrorCode SetTimes(const FileTimes& times) override {
        owner->set.push_back(times);
        return kSuccess;
      }
      TimedFiles* owner;
    };
    ErrorCode OpenFileW(const std::u16string& path, FileAccess access, FileDisposition d,
                        FileShare share, std::unique_ptr<File>* file) override {
      ErrorCode err = FileSystemWrapper::OpenFileW(path, access, d, share, file);
      if (err == kSuccess) *file = std::make_unique<Timed>(std::move(*file), this);
      return err;
    }
    std::vector<FileTimes> set;
  } timed(h.services.files);
  h.services.files = &timed;
  Run();
  ASSERT_EQ(timed.set.size(), 6u);
  for (const FileTimes& t : timed.set) {
    EXPECT_EQ(t.creation, 111u);
    EXPECT_EQ(t.last_access, 222u);
    EXPECT_EQ(t.last_write, 333u);
  }
}

TEST_F(CopyJobTest, ReadOnlyDestinationIsOverwrittenAndTimesAreKept) {
  h.WriteFile(h.DriverPath(3), "old");
  ASSERT_EQ(::chmod(h.Host(h.DriverPath(3)).c_str(), 0444), 0);
  // A write time well in the past, so a fresh copy's own time cannot pass for it.
  auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  std::filesystem::last_write_time(h.Host(h.SourcePath(3)), past);
  FileTimes source_times = TimesOf(h.SourcePath(3));  // before the copy reads the source
  Run();
  FileTimes copy_times = TimesOf(h.DriverPath(3));  // before reading the copy moves its access
  EXPECT_EQ(copy_times.last_write, source_times.last_write);
  EXPECT_EQ(copy_times.last_access, source_times.last_access);
  EXPECT_EQ(h.ReadFile(h.DriverPath(3)), h.ReadFile(h.SourcePath(3)));
  uint32_t attributes = 0;
  ASSERT_EQ(h.tp.platform().files->GetAttributesW(h.DriverPath(3), &attributes), kSuccess);
  EXPECT_EQ(attributes & kAttrReadOnly, 0u);
}

}  // namespace
}  // namespace qid::installer
