#include "driver/host/q71file_run.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_platform.h"

namespace qid::driver {
namespace {

using qid::testing::HostFileExists;
using qid::testing::ReadHostFile;
using qid::testing::TempDir;
using qid::testing::WriteHostFile;

// A stand-in for Q71File: a shell script with the given body.
std::string FakeProgram(const TempDir& dir, const std::string& body) {
  std::string path = dir.path() + "/fake_q71file";
  WriteHostFile(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

// Whether the process is still alive a second on (a zombie that waits to be reaped is not):
// SIGKILL takes effect asynchronously.
bool Running(long pid) {
  for (int i = 0; i < 50; ++i) {
    std::string stat = ReadHostFile("/proc/" + std::to_string(pid) + "/stat");
    size_t paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 2 >= stat.size() || stat[paren + 2] == 'Z')
      return false;
    ::usleep(20 * 1000);
  }
  return true;
}

JobLaunch Launch(const TempDir& dir, const std::string& program) {
  JobLaunch launch;
  launch.program = program;
  launch.job_path = "C:\\spool\\job \"1\".tif";
  launch.done_marker = dir.path() + "/DONE_ZEL.TIF";
  launch.timeout_ms = 10000;
  launch.set_env = {{"VEDIZE_DOCNAME", "C:\\Docs\\report.doc"}, {"TMP", dir.path()}};
  return launch;
}

TEST(Q71FileRunTest, TheJobPathIsTheOneArgumentAndTheJobVariablesAreSet) {
  TempDir dir;
  ::setenv("QID_DRIVER_TEST_UNSET", "visible", 1);
  JobLaunch launch = Launch(dir, FakeProgram(dir,
      "printf '%s\\n' \"$#\" \"$1\" \"$VEDIZE_DOCNAME\" \"$TMP\" "
      "\"${QID_DRIVER_TEST_UNSET-unset}\" > \"$TMP/seen\"\n"
      ": > \"$TMP/DONE_ZEL.TIF\""));
  launch.unset_env = {"QID_DRIVER_TEST_UNSET"};
  JobResult result = RunQ71File(launch);
  ::unsetenv("QID_DRIVER_TEST_UNSET");
  EXPECT_EQ(result.outcome, JobOutcome::kDone) << result.message;
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(ReadHostFile(dir.path() + "/seen"),
            "1\nC:\\spool\\job \"1\".tif\nC:\\Docs\\report.doc\n" + dir.path() + "\nunset\n");
}

TEST(Q71FileRunTest, AnEarlierJobsMarkerDoesNotEndTheWait) {
  TempDir dir;
  JobLaunch launch = Launch(dir, FakeProgram(dir, "exit 0"));
  WriteHostFile(launch.done_marker, "");
  JobResult result = RunQ71File(launch);
  EXPECT_EQ(result.outcome, JobOutcome::kEndedWithoutMarker);
  EXPECT_NE(result.message.find("exited with code 0 without creating the done marker"),
            std::string::npos)
      << result.message;
  EXPECT_FALSE(HostFileExists(launch.done_marker));
}

TEST(Q71FileRunTest, TheWaitCoversTheCleanUpAfterTheMarker) {
  TempDir dir;
  JobLaunch launch = Launch(dir, FakeProgram(dir,
      ": > \"$TMP/DONE_ZEL.TIF\"; sleep 0.3; : > \"$TMP/cleaned\""));
  JobResult result = RunQ71File(launch);
  EXPECT_EQ(result.outcome, JobOutcome::kDone) << result.message;
  EXPECT_TRUE(result.exited);
  EXPECT_TRUE(HostFileExists(dir.path() + "/cleaned"));
}

TEST(Q71FileRunTest, NoMarkerInTimeOrAStopEndsTheProgramAndWhatItStarted) {
  for (bool stop : {false, true}) {
    TempDir dir;
    // The child stands for an Output Application that ignores SIGTERM.
    JobLaunch launch = Launch(dir, FakeProgram(dir,
        "(trap '' TERM; exec sleep 30) & echo $! > \"$TMP/child\"; wait"));
    volatile std::sig_atomic_t stop_signal = 0;
    if (stop) {
      stop_signal = SIGTERM;
      launch.stop = &stop_signal;
      launch.timeout_ms = 10000;
    } else {
      launch.timeout_ms = 300;
    }
    JobResult result = RunQ71File(launch);
    EXPECT_EQ(result.outcome, stop ? JobOutcome::kStopped : JobOutcome::kTimedOut);
    EXPECT_NE(result.message.find(stop ? "stopped by signal 15" : "after 0.3 s"),
              std::string::npos) << result.message;
    EXPECT_NE(result.message.find("were ended"), std::string::npos) << result.message;
    EXPECT_TRUE(result.exited);
    ASSERT_GT(result.pid, 0);
    EXPECT_FALSE(Running(result.pid)) << "the program still runs";
    if (!stop) {
      EXPECT_FALSE(Running(std::stol(ReadHostFile(dir.path() + "/child"))))
          << "what it started still runs";
    }
  }
}

TEST(Q71FileRunTest, AProgramThatCannotStartOrCrashesIsNamed) {
  TempDir dir;
  JobResult missing = RunQ71File(Launch(dir, dir.path() + "/no_such_program"));
  EXPECT_EQ(missing.outcome, JobOutcome::kNotStarted);
  EXPECT_NE(missing.message.find("cannot start " + dir.path() + "/no_such_program"),
            std::string::npos)
      << missing.message;

  JobResult crashed = RunQ71File(Launch(dir, FakeProgram(dir, "kill -SEGV $$")));
  EXPECT_EQ(crashed.outcome, JobOutcome::kEndedWithoutMarker);
  EXPECT_NE(crashed.message.find("killed by signal 11"), std::string::npos) << crashed.message;
}

}  // namespace
}  // namespace qid::driver
