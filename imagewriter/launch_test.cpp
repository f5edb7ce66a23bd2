#include "imagewriter/launch.h"

#include <gtest/gtest.h>

#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::TestPlatform;

TEST(BuildApplicationCommandLineTest, ApplicationBlankQuotedPath) {
  std::string line;
  ASSERT_TRUE(BuildApplicationCommandLine("C:\\Tools\\view.exe", "C:\\ZEL\\TEST.TIF", &line));
  EXPECT_EQ(line, "C:\\Tools\\view.exe \"C:\\ZEL\\TEST.TIF\"");
  // The application may carry its own arguments.
  ASSERT_TRUE(BuildApplicationCommandLine("print.exe /q", "C:\\a b.pdf", &line));
  EXPECT_EQ(line, "print.exe /q \"C:\\a b.pdf\"");
}

TEST(BuildApplicationCommandLineTest, RefusesOverlongAndEmpty) {
  TestPlatform tp;
  const std::string app = "C:\\Tools\\view.exe";  // 17 + 1 + 2 quotes = 20 around the path
  std::string line = "unchanged";
  ASSERT_TRUE(BuildApplicationCommandLine(app, std::string(kCommandLineCapacity - 20, 'p'),
                                          &line));
  EXPECT_EQ(line.size(), kCommandLineCapacity);
  line = "unchanged";
  EXPECT_FALSE(BuildApplicationCommandLine(app, std::string(kCommandLineCapacity - 19, 'p'),
                                           &line));
  EXPECT_EQ(line, "unchanged");
  EXPECT_TRUE(tp.trace.Contains("exceeds 259 characters"));
  // Without an application the result itself would become the program.
  EXPECT_FALSE(BuildApplicationCommandLine("", "C:\\ZEL\\TEST.TIF", &line));
  EXPECT_EQ(line, "unchanged");
}

TEST(RunOutputApplicationTest, StartsWaitsAndTraces) {
  TestPlatform tp;
  WriterContext ctx(tp.platform());
  ASSERT_TRUE(RunOutputApplication(ctx, "C:\\Tools\\view.exe \"C:\\ZEL\\TEST.TIF\""));
  ASSERT_EQ(tp.processes.started.size(), 1u);
  EXPECT_EQ(tp.processes.started[0], "C:\\Tools\\view.exe \"C:\\ZEL\\TEST.TIF\"");
  EXPECT_TRUE(tp.trace.Contains("RUN02: CreateProcess C:\\Tools\\view.exe \"C:\\ZEL\\TEST.TIF\""));
  EXPECT_TRUE(tp.trace.Contains("RUN02: =>iResult 1"));
}

// Waits with no limit: a process that only ends after a long wait is still waited for.
class SlowProcess : public Process {
 public:
  explicit SlowProcess(uint32_t* seen) : seen_(seen) {}
  ErrorCode Wait(uint32_t timeout_ms, uint32_t* exit_code) override {
    *seen_ = timeout_ms;
    if (timeout_ms != kWaitForever) return kErrWaitTimeout;
    *exit_code = 3;
    return kSuccess;
  }

 private:
  uint32_t* seen_;
};

class SlowProcesses : public Processes {
 public:
  ErrorCode StartProcess(const std::string&, std::unique_ptr<Process>* process) override {
    *process = std::make_unique<SlowProcess>(&timeout);
    return kSuccess;
  }
  uint32_t timeout = 0;
};

TEST(RunOutputApplicationTest, WaitsWithoutTimeLimit) {
  TestPlatform tp;
  SlowProcesses slow;
  tp.platform().processes = &slow;
  WriterContext ctx(tp.platform());
  EXPECT_TRUE(RunOutputApplication(ctx, "slow.exe \"x\""));
  EXPECT_EQ(slow.timeout, kWaitForever);
}

TEST(RunOutputApplicationTest, FailedStartIsOnlyTraced) {
  TestPlatform tp;
  tp.processes.start_result = kErrFileNotFound;
  WriterContext ctx(tp.platform());
  EXPECT_FALSE(RunOutputApplication(ctx, "C:\\Tools\\script.cmd \"C:\\ZEL\\TEST.TIF\""));
  EXPECT_TRUE(tp.trace.Contains("RUN02: =>iResult 0"));
  EXPECT_TRUE(tp.message_boxes.shown.empty());
}

TEST(LaunchOnResultTest, UsesTheSettingAndStartsNothingWhenRefused) {
  TestPlatform tp;
  WriterContext ctx(tp.platform());
  ctx.settings.output_application = "C:\\Tools\\view.exe";
  EXPECT_TRUE(LaunchOnResult(ctx, "C:\\ZEL\\TEST.TIF"));
  ASSERT_EQ(tp.processes.started.size(), 1u);
  EXPECT_EQ(tp.processes.started[0], "C:\\Tools\\view.exe \"C:\\ZEL\\TEST.TIF\"");

  EXPECT_FALSE(LaunchOnResult(ctx, "C:\\" + std::string(300, 'x')));
  ctx.settings.output_application.clear();
  EXPECT_FALSE(LaunchOnResult(ctx, "C:\\ZEL\\TEST.TIF"));
  EXPECT_EQ(tp.processes.started.size(), 1u);
}

}  // namespace
}  // namespace qid
