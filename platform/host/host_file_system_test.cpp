#include "platform/host/host_file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::HostFileExists;
using testing::ReadHostFile;
using testing::TempDir;
using testing::WriteHostFile;

TEST(HostFileSystemTest, MapsProductPathsOntoTheRoot) {
  HostFileSystem fs("/r/");
  EXPECT_EQ(fs.HostPath("C:\\ZEL\\TEST.TIF"), "/r/drive_c/ZEL/TEST.TIF");
  EXPECT_EQ(fs.HostPath("d:\\"), "/r/drive_d/");
  EXPECT_EQ(fs.HostPath("E:rel"), "/r/drive_e/rel");
  EXPECT_EQ(fs.HostPath("/tmp/job 1.tif"), "/tmp/job 1.tif");
  EXPECT_EQ(fs.HostPath("out\\a.tif"), "out/a.tif");
  EXPECT_EQ(fs.HostPath("\"C:\\x\""), "\"C:/x\"");  // quotes are part of the name
}

TEST(HostFileSystemTest, OpenReportsWindowsErrors) {
  TempDir root;
  HostFileSystem fs(root.path());
  std::unique_ptr<File> f;
  EXPECT_EQ(fs.OpenFile("C:\\none.tif", FileAccess::kRead, FileDisposition::kOpenExisting,
                        FileShare::kNone, &f), kErrPathNotFound);  // no drive_c folder yet
  ASSERT_EQ(fs.CreateFolder("C:"), kSuccess);
  EXPECT_EQ(fs.CreateFolder("C:"), kErrAlreadyExists);
  EXPECT_EQ(fs.CreateFolder("D:\\ZEL"), kSuccess);  // a drive is always there, as on Windows
  EXPECT_EQ(fs.OpenFile("C:\\none.tif", FileAccess::kRead, FileDisposition::kOpenExisting,
                        FileShare::kNone, &f), kErrFileNotFound);
  EXPECT_EQ(fs.OpenFile("C:\\no\\x.tif", FileAccess::kWrite, FileDisposition::kCreateAlways,
                        FileShare::kNone, &f), kErrPathNotFound);
  EXPECT_EQ(fs.OpenFile("C:", FileAccess::kRead, FileDisposition::kOpenExisting,
                        FileShare::kNone, &f), kErrAccessDenied);  // a folder
  ASSERT_EQ(fs.OpenFile("C:\\a.tif", FileAccess::kReadWrite, FileDisposition::kCreateNew,
                        FileShare::kNone, &f), kSuccess);
  EXPECT_EQ(f->Write("hello", 5), kSuccess);
  EXPECT_EQ(fs.OpenFile("C:\\a.tif", FileAccess::kReadWrite, FileDisposition::kCreateNew,
                        FileShare::kNone, &f), kErrFileExists);
  f.reset();  // an open file cannot be removed
  EXPECT_EQ(fs.RemoveFile("C:\\a.tif"), kSuccess);
  EXPECT_EQ(fs.RemoveFile("C:\\a.tif"), kErrFileNotFound);
}

TEST(HostFileSystemTest, FileReadsWritesSeeksAndTruncates) {
  TempDir root;
  HostFileSystem fs(root.path());
  std::unique_ptr<File> f;
  ASSERT_EQ(fs.OpenFile(root.path() + "/f", FileAccess::kReadWrite,
                        FileDisposition::kCreateAlways, FileShare::kNone, &f), kSuccess);
  ASSERT_EQ(f->Write("0123456789", 10), kSuccess);
  EXPECT_EQ(f->Seek(2), kSuccess);
  ASSERT_EQ(f->Write("ab", 2), kSuccess);
  EXPECT_EQ(f->Tell(), 4u);
  EXPECT_EQ(f->Truncate(6), kSuccess);
  uint64_t size = 0;
  EXPECT_EQ(f->Size(&size), kSuccess);
  EXPECT_EQ(size, 6u);
  std::string all;
  EXPECT_EQ(ReadWholeFile(*f, &all), kSuccess);
  EXPECT_EQ(all, "01ab45");
  char buf[8];
  size_t got = 99;
  EXPECT_EQ(f->Read(buf, sizeof buf, &got), kSuccess);  // at the end
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(f->Close(), kSuccess);
  EXPECT_EQ(f->Write("x", 1), kErrInvalidHandle);

  ASSERT_EQ(fs.OpenFile(root.path() + "/f", FileAccess::kRead, FileDisposition::kOpenExisting,
                        FileShare::kNone, &f), kSuccess);
  EXPECT_EQ(f->Write("x", 1), kErrAccessDenied);
}

TEST(HostFileSystemTest, FullDiskIsReportedAsSuch) {
  if (!HostFileExists("/dev/full")) GTEST_SKIP();
  HostFileSystem fs("/unused");
  std::unique_ptr<File> f;
  ASSERT_EQ(fs.OpenFile("/dev/full", FileAccess::kWrite, FileDisposition::kOpenExisting,
                        FileShare::kNone, &f), kSuccess);
  EXPECT_EQ(f->Write("x", 1), kErrDiskFull);
}

TEST(HostFileSystemTest, CopyReplacesWholeOrLeavesTheDestinationAlone) {
  TempDir root;
  HostFileSystem fs(root.path());
  std::string src = root.path() + "/src", dst = root.path() + "/dst";
  WriteHostFile(src, std::string(3 << 20, 's'));  // larger than one copy buffer
  WriteHostFile(dst, "old");
  EXPECT_EQ(fs.CopyFileTo(src, dst, true), kErrFileExists);
  EXPECT_EQ(ReadHostFile(dst), "old");
  EXPECT_EQ(fs.CopyFileTo(src, dst, false), kSuccess);
  EXPECT_EQ(ReadHostFile(dst), std::string(3 << 20, 's'));
  EXPECT_EQ(fs.CopyFileTo(root.path() + "/none", dst, false), kErrFileNotFound);
  EXPECT_EQ(fs.CopyFileTo(src, root.path() + "/no/such/dir", false), kErrPathNotFound);
  EXPECT_EQ(fs.RemoveAtRestart("C:\\jobs\\job.tif"), kSuccess);
  EXPECT_EQ(ReadHostFile(root.path() + "/delete-at-restart.txt"),
            root.path() + "/drive_c/jobs/job.tif\n");

  // A read-only destination stays, as MoveFileEx and CopyFile on Windows leave it (Wine
  // replaces it, so only the host can show this).
  ASSERT_EQ(fs.SetAttributes(dst, kAttrReadOnly), kSuccess);
  EXPECT_EQ(fs.RenameFile(src, dst), kErrAccessDenied);
  EXPECT_EQ(fs.CopyFileTo(src, dst, false), kErrAccessDenied);
  EXPECT_EQ(ReadHostFile(dst), std::string(3 << 20, 's'));
  EXPECT_TRUE(fs.FileExists(src));
}


// Windows share modes between handles, also of one process: each row opens a first handle,
// then tries a second one on the same file.
TEST(HostFileSystemTest, ShareModesDecideWhetherASecondHandleOpens) {
  TempDir root;
  HostFileSystem fs(root.path());
  const std::string path = root.path() + "/f";
  WriteHostFile(path, "data");
  struct Row {
    FileAccess first_access;
    FileShare first_share;
    FileAccess second_access;
    FileShare second_share;
    ErrorCode expected;
  };
  const Row rows[] = {
      {FileAccess::kRead, FileShare::kRead, FileAccess::kRead, FileShare::kRead, kSuccess},
      {FileAccess::kRead, FileShare::kRead, FileAccess::kWrite, FileShare::kReadWrite,
       kErrSharingViolation},  // the first refuses writers
      {FileAccess::kReadWrite, FileShare::kReadWrite, FileAccess::kRead, FileShare::kRead,
       kErrSharingViolation},  // the second would refuse the first's writing
      {FileAccess::kReadWrite, FileShare::kNone, FileAccess::kRead, FileShare::kReadWrite,
       kErrSharingViolation},
      {FileAccess::kWrite, FileShare::kReadWrite, FileAccess::kReadWrite, FileShare::kReadWrite,
       kSuccess},
  };
  for (const Row& row : rows) {
    std::unique_ptr<File> first, second;
    ASSERT_EQ(fs.OpenFile(path, row.first_access, FileDisposition::kOpenExisting,
                          row.first_share, &first), kSuccess);
    EXPECT_EQ(fs.OpenFile(path, row.second_access, FileDisposition::kOpenExisting,
                          row.second_share, &second), row.expected);
  }
  // A refused kCreateAlways does not truncate; closing ends the refusal.
  std::unique_ptr<File> held, refused;
  ASSERT_EQ(fs.OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                        &held), kSuccess);
  EXPECT_EQ(fs.OpenFile(path, FileAccess::kWrite, FileDisposition::kCreateAlways,
                        FileShare::kRead, &refused), kErrSharingViolation);
  EXPECT_EQ(ReadHostFile(path), "data");
  EXPECT_EQ(fs.RemoveFile(path), kErrSharingViolation);
  EXPECT_EQ(fs.RenameFile(path, root.path() + "/g"), kErrSharingViolation);
  WriteHostFile(root.path() + "/h", "other");
  EXPECT_EQ(fs.RenameFile(root.path() + "/h", path), kErrSharingViolation);
  EXPECT_EQ(fs.CopyFileTo(root.path() + "/h", path, false), kErrSharingViolation);
  EXPECT_EQ(fs.CopyFileTo(path, path, false), kErrSharingViolation);
  EXPECT_EQ(held->Close(), kSuccess);
  EXPECT_EQ(fs.RenameFile(root.path() + "/h", path), kSuccess);
  EXPECT_EQ(ReadHostFile(path), "other");
  EXPECT_EQ(fs.RemoveFile(path), kSuccess);
  // The table keeps no entry for a file nobody holds.
  EXPECT_TRUE(std::filesystem::is_empty(root.path() + "/open-files"));
}

// The job lock holds between processes and is given up when its holder dies.
TEST(HostFileSystemTest, ExclusiveLockWaitsForAnotherProcess) {
  TempDir root;
  HostFileSystem fs(root.path());
  const std::string lock_path = root.path() + "/job.lck";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  if (child == 0) {
    std::unique_ptr<File> lock;
    if (fs.OpenExclusiveLock(lock_path, &lock) != kSuccess) ::_exit(1);
    ::write(ready[1], "x", 1);
    ::usleep(300 * 1000);
    ::_exit(0);  // dies holding it
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  auto start = std::chrono::steady_clock::now();
  std::unique_ptr<File> lock;
  ASSERT_EQ(fs.OpenExclusiveLock(lock_path, &lock), kSuccess);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace qid
