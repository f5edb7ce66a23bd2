#include "platform/host/host_system_control.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/host/host_file_system.h"
#include "platform/host/host_spooler.h"
#include "tests/support/memory_registry.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::ReadHostFile;
using testing::TempDir;
using testing::WriteHostFile;

TEST(ProfileTextTest, SetsOneEntryAndKeepsTheRest) {
  struct Case {
    const char* before;
    const char* after;
  } cases[] = {
      {"", "[rename]\r\nNUL=C:\\x.dll\r\n"},
      {"[Rename]\r\nnul=old\r\n", "[Rename]\r\nNUL=C:\\x.dll\r\n"},  // names ignore case
      {"[rename]\nA=1\n\n[other]\nNUL=keep\n",
       "[rename]\r\nA=1\r\nNUL=C:\\x.dll\r\n\r\n[other]\r\nNUL=keep\r\n"},
      {"; note\r\n[other]\r\nB=2\r\n", "; note\r\n[other]\r\nB=2\r\n[rename]\r\nNUL=C:\\x.dll\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WithProfileEntry(c.before, "rename", "NUL", "C:\\x.dll"), c.after) << c.before;
}

TEST(HostSystemControlTest, ProfileEntriesGoWhereNtKeepsThem) {
  TempDir root;
  HostFileSystem files(root.path());
  MemoryRegistry registry;
  HostSystemControl control(&registry, &files);
  ASSERT_EQ(control.WritePrivateProfileEntry("Wininit.ini", "rename", "NUL", "C:\\a.dll"),
            kSuccess);
  ASSERT_EQ(control.WritePrivateProfileEntry("Wininit.ini", "rename", "NUL", "C:\\b.dll"),
            kSuccess);  // the system's call replaces a key of the same name
  EXPECT_EQ(ReadHostFile(files.HostPath("C:\\windows\\Wininit.ini")),
            "[rename]\r\nNUL=C:\\b.dll\r\n");

  ASSERT_EQ(control.WriteProfileEntryW(u"windows", u"device", u"P,winspool,QID_00:"), kSuccess);
  RegKey key = kNoKey;
  ASSERT_EQ(registry.OpenKey(Hive::kCurrentUser, kHostWindowsKey, false, &key), kSuccess);
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ASSERT_EQ(registry.QueryValue(key, "device", &type, &data, 256), kSuccess);
  EXPECT_EQ(std::string(data.begin(), data.end()), std::string("P,winspool,QID_00:", 19));
  registry.CloseKey(key);

  // The host cannot restart a Windows session and says so.
  EXPECT_EQ(control.RequestRestart(), kErrNotSupported);
}

TEST(HostFileSystemTest, TimesAndReadOnlyAttributeBehaveAsOnWindows) {
  TempDir root;
  HostFileSystem fs(root.path());
  ASSERT_EQ(fs.CreateFolderW(u"C:"), kSuccess);
  WriteHostFile(fs.HostPath("C:\\src.bin"), "abc");

  std::unique_ptr<File> f;
  ASSERT_EQ(fs.OpenFileW(u"C:\\src.bin", FileAccess::kRead, FileDisposition::kOpenExisting,
                         FileShare::kReadWrite, &f),
            kSuccess);
  FileTimes times;
  ASSERT_EQ(f->GetTimes(&times), kSuccess);
  EXPECT_EQ(f->SetTimes(times), kErrAccessDenied);  // opened for reading only
  const FileTimes wanted{0, 131000000000000000ULL, 130000000000000000ULL};  // 2016, 2012
  ASSERT_EQ(fs.OpenFileW(u"C:\\dst.bin", FileAccess::kWrite, FileDisposition::kCreateAlways,
                         FileShare::kReadWrite, &f),
            kSuccess);
  ASSERT_EQ(f->SetTimes(wanted), kSuccess);
  ASSERT_EQ(f->GetTimes(&times), kSuccess);
  EXPECT_EQ(times.last_write, wanted.last_write);
  EXPECT_EQ(times.last_access, wanted.last_access);
  f.reset();

  uint32_t attributes = 0;
  ASSERT_EQ(fs.SetAttributesW(u"C:\\dst.bin", kAttrReadOnly), kSuccess);
  ASSERT_EQ(fs.GetAttributes("C:\\dst.bin", &attributes), kSuccess);
  EXPECT_EQ(attributes, kAttrReadOnly);
  EXPECT_EQ(fs.RemoveFileW(u"C:\\dst.bin"), kErrAccessDenied);
  EXPECT_EQ(fs.OpenFile("C:\\dst.bin", FileAccess::kWrite, FileDisposition::kCreateAlways,
                        FileShare::kNone, &f),
            kErrAccessDenied);
  ASSERT_EQ(fs.SetAttributes("C:\\dst.bin", kAttrNormal), kSuccess);
  EXPECT_EQ(fs.RemoveFileW(u"C:\\dst.bin"), kSuccess);
  EXPECT_EQ(fs.GetAttributesW(u"C:\\dst.bin", &attributes), kErrFileNotFound);
  EXPECT_EQ(fs.GetAttributesW(u"C:", &attributes), kSuccess);
  EXPECT_EQ(attributes, kAttrDirectory);

  // A name the host cannot hold as bytes is refused rather than taken for another file.
  EXPECT_EQ(fs.OpenFileW(u"C:\\\u0416.txt", FileAccess::kWrite, FileDisposition::kCreateAlways,
                         FileShare::kNone, &f),
            kErrInvalidName);
}

}  // namespace
}  // namespace qid
