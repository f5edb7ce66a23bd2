#include "platform/host/host_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/host/host_file_system.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::ReadHostFile;
using testing::TempDir;
using testing::WriteHostFile;

// A program that writes its name and arguments, one a line, to $QID_ARGV_OUT: the variable
// reaches it only through the inherited environment.
constexpr char kRecorder[] =
    "#!/bin/sh\n"
    ": > \"$QID_ARGV_OUT\"\n"
    "for a in \"$0\" \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$QID_ARGV_OUT\"; done\n";

class HostProcessesTest : public ::testing::Test {
 protected:
  HostProcessesTest() : files(tmp.path()), processes(&files) {
    out = tmp.path() + "/argv.txt";
    ::setenv("QID_ARGV_OUT", out.c_str(), 1);
  }
  ~HostProcessesTest() override { ::unsetenv("QID_ARGV_OUT"); }

  std::string Program(const std::string& host_path, const std::string& text, mode_t mode) {
    WriteHostFile(host_path, text);
    ::chmod(host_path.c_str(), mode);
    return host_path;
  }

  // Starts the line and waits for it: the exit code, or ~0u when it did not start or end.
  uint32_t Run(const std::string& line) {
    std::unique_ptr<Process> p;
    ErrorCode err = processes.StartProcess(line, &p);
    EXPECT_EQ(err, kSuccess) << line;
    if (err != kSuccess) return ~0u;
    uint32_t code = ~0u;
    EXPECT_EQ(p->Wait(kWaitForever, &code), kSuccess);
    return code;
  }

  TempDir tmp;
  HostFileSystem files;
  HostProcesses processes;
  std::string out;
};

TEST_F(HostProcessesTest, WindowsProgramPathIsMappedAndArgumentsSplit) {
  std::string host = Program(tmp.path() + "/drive_c/Tools/view.exe", kRecorder, 0755);
  EXPECT_EQ(Run("C:\\Tools\\view.exe \"C:\\ZEL\\TEST.TIF\""), 0u);
  EXPECT_EQ(ReadHostFile(out), "[" + host + "]\n[C:\\ZEL\\TEST.TIF]\n");

  EXPECT_EQ(Run(R"(C:\Tools\view.exe /q "a b" c\\"d e" "x""y")"), 0u);
  EXPECT_EQ(ReadHostFile(out), "[" + host + "]\n[/q]\n[a b]\n[c\\d e]\n[x\"y]\n");
}

TEST_F(HostProcessesTest, HostPathAndPathLookup) {
  std::string host = Program(tmp.path() + "/bin dir/rec", kRecorder, 0755);
  EXPECT_EQ(Run("\"" + host + "\" one"), 0u);
  EXPECT_EQ(ReadHostFile(out), "[" + host + "]\n[one]\n");

  EXPECT_EQ(Run("sh -c \"exit 0\""), 0u) << "a plain name goes through PATH";
  std::string resolved;
  ASSERT_EQ(processes.ResolveProgram("sh", &resolved), kSuccess);
  EXPECT_NE(resolved.find("/sh"), std::string::npos);
}

TEST_F(HostProcessesTest, WaitReportsTheExitCode) {
  EXPECT_EQ(Run("/bin/sh -c \"exit 7\""), 7u);
  EXPECT_EQ(Run("/bin/sh -c \"kill -9 $$\""), 128u + 9u);

  // A second wait gives the same answer.
  std::unique_ptr<Process> p;
  ASSERT_EQ(processes.StartProcess("/bin/sh -c \"exit 3\"", &p), kSuccess);
  uint32_t first = 0, second = 0;
  ASSERT_EQ(p->Wait(kWaitForever, &first), kSuccess);
  ASSERT_EQ(p->Wait(0, &second), kSuccess);
  EXPECT_EQ(first, 3u);
  EXPECT_EQ(second, 3u);
}

TEST_F(HostProcessesTest, WaitTimesOutWhileTheProcessRuns) {
  std::unique_ptr<Process> p;
  ASSERT_EQ(processes.StartProcess("/bin/sh -c \"sleep 0.5\"", &p), kSuccess);
  uint32_t code = 99;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(p->Wait(50, &code), kErrWaitTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  EXPECT_EQ(p->Wait(0, &code), kErrWaitTimeout);
  EXPECT_EQ(code, 99u) << "no exit code while it runs";
  EXPECT_EQ(p->Wait(kWaitForever, &code), kSuccess);
  EXPECT_EQ(code, 0u);
}

TEST_F(HostProcessesTest, ProgramsThatCannotBeStarted) {
  std::unique_ptr<Process> p;
  EXPECT_EQ(processes.StartProcess("qid-no-such-program-x \"a\"", &p), kErrFileNotFound);
  EXPECT_EQ(processes.StartProcess("C:\\Tools\\missing.exe \"C:\\ZEL\\TEST.TIF\"", &p),
            kErrFileNotFound);
  EXPECT_EQ(processes.StartProcess("", &p), kErrFileNotFound);
  EXPECT_EQ(processes.StartProcess(" prog", &p), kErrFileNotFound) << "empty program name";
  // Bytes the system cannot execute are no program, as on Windows.
  Program(tmp.path() + "/drive_c/Tools/data.exe", std::string("II*\0\x08\0\0\0", 8), 0755);
  EXPECT_EQ(processes.StartProcess("C:\\Tools\\data.exe", &p), kErrFileNotFound);
  Program(tmp.path() + "/drive_c/Tools/locked.exe", kRecorder, 0644);
  EXPECT_EQ(processes.StartProcess("C:\\Tools\\locked.exe", &p), kErrAccessDenied);
  EXPECT_EQ(processes.StartProcess("C:\\Tools", &p), kErrAccessDenied);
  EXPECT_EQ(processes.StartProcess("/bin/sh " + std::string(kMaxHostCommandLine, 'a'), &p),
            kErrFilenameTooLong);
  EXPECT_EQ(p, nullptr);
}

TEST_F(HostProcessesTest, ChildGetsNoDescriptorsBeyondTheStandardThree) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);  // inheritable: no close-on-exec
  std::string check = "/bin/sh -c \"test ! -e /proc/self/fd/" + std::to_string(fds[1]) + "\"";
  EXPECT_EQ(Run(check), 0u);
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
}  // namespace qid
