#include "platform/host/host_registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::ReadHostFile;
using testing::TempDir;
using testing::WriteHostFile;

constexpr char kKey[] = "Software\\ZEL\\4.01\\Settings";

std::string QueryText(Registry& reg, RegKey key, const std::string& name) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (reg.QueryValue(key, name, &type, &data, 4096) != kSuccess) return "<missing>";
  return std::string(data.begin(), data.end());
}

uint32_t QueryDword(Registry& reg, RegKey key, const std::string& name) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (reg.QueryValue(key, name, &type, &data, 4) != kSuccess || data.size() != 4) return ~0u;
  return data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t(data[3]) << 24);
}

TEST(HostRegistryTest, ValuesSurviveInTheHiveFileExactlyAsWritten) {
  TempDir root;
  {
    HostRegistry reg(root.path());
    RegKey key;
    ASSERT_EQ(reg.CreateKey(Hive::kCurrentUser, kKey, " ", &key, nullptr), kSuccess);
    SetStringValue(reg, key, "Output Directory", "C:\\ZEL");
    reg.SetValue(key, "Terminated", kRegSz, "abc\0", 4);
    SetStringValue(reg, key, "Quote \"and\" slash\\", "a \"b\" c\\");
    SetStringValue(reg, key, "Empty", "");
    SetDwordValue(reg, key, "Output Mode", 3);
    reg.SetValue(key, "Short", kRegDword, "\x01\x02", 2);
    reg.SetValue(key, "Control", kRegSz, "line\r\nnext", 10);
    reg.SetValue(key, "Blob", kRegBinary, std::string(100, '\x7f').data(), 100);
  }
  std::string text = ReadHostFile(root.path() + "/registry/HKEY_CURRENT_USER.reg");
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\ZEL\\4.01\\Settings]"), std::string::npos);
  EXPECT_NE(text.find("\"Output Directory\"=\"C:\\\\ZEL\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"Output Mode\"=dword:00000003"), std::string::npos);
  EXPECT_NE(text.find("\"Terminated\"=hex(1):61,00,62,00,63,00,00,00"), std::string::npos);

  HostRegistry again(root.path());  // a second program reading the same file
  RegKey key;
  ASSERT_EQ(again.OpenCurrentUserKey(kKey, &key), kSuccess);
  EXPECT_EQ(QueryText(again, key, "Output Directory"), "C:\\ZEL");
  EXPECT_EQ(QueryText(again, key, "Terminated"), std::string("abc\0", 4));
  EXPECT_EQ(QueryText(again, key, "quote \"AND\" slash\\"), "a \"b\" c\\");
  EXPECT_EQ(QueryText(again, key, "Empty"), "");
  EXPECT_EQ(QueryDword(again, key, "Output Mode"), 3u);
  EXPECT_EQ(QueryText(again, key, "Short"), "\x01\x02");
  EXPECT_EQ(QueryText(again, key, "Control"), "line\r\nnext");
  EXPECT_EQ(QueryText(again, key, "Blob"), std::string(100, '\x7f'));
  uint32_t type;
  std::vector<uint8_t> data;
  EXPECT_EQ(again.QueryValue(key, "Blob", &type, &data, 99), kErrMoreData);
  EXPECT_EQ(type, uint32_t(kRegBinary));
  EXPECT_EQ(again.QueryValue(key, "Absent", &type, &data, 99), kErrFileNotFound);
}

TEST(HostRegistryTest, OpeningMissingKeysFailsAndCreatingReportsWhatIsNew) {
  TempDir root;
  HostRegistry reg(root.path());
  RegKey key;
  EXPECT_EQ(reg.OpenCurrentUserKey(kKey, &key), kErrFileNotFound);
  EXPECT_EQ(reg.OpenKey(Hive::kLocalMachine, kKey, false, &key), kErrFileNotFound);
  bool created = false;
  ASSERT_EQ(reg.CreateKey(Hive::kLocalMachine, kKey, " ", &key, &created), kSuccess);
  EXPECT_TRUE(created);
  ASSERT_EQ(reg.CreateKey(Hive::kLocalMachine, kKey, " ", &key, &created), kSuccess);
  EXPECT_FALSE(created);
  EXPECT_EQ(reg.OpenKey(Hive::kLocalMachine, "software\\zel", false, &key), kSuccess);
  std::string name;
  EXPECT_EQ(reg.EnumKey(key, 0, &name), kSuccess);
  EXPECT_EQ(name, "4.01");
  EXPECT_EQ(reg.EnumKey(key, 1, &name), kErrNoMoreItems);
  EXPECT_EQ(reg.DeleteKey(Hive::kLocalMachine, "Software\\ZEL"), kErrAccessDenied);  // has subkeys
  EXPECT_EQ(reg.DeleteKey(Hive::kLocalMachine, kKey), kSuccess);
  EXPECT_EQ(reg.OpenKey(Hive::kLocalMachine, kKey, false, &key), kErrFileNotFound);
}

TEST(HostRegistryTest, DamagedHiveIsReportedAndNeverOverwritten) {
  TempDir root;
  std::string file = root.path() + "/registry/HKEY_CURRENT_USER.reg";
  WriteHostFile(file, "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:12\n");
  HostRegistry reg(root.path());
  RegKey key;
  EXPECT_EQ(reg.OpenCurrentUserKey("A", &key), kErrBadRegistryFile);
  EXPECT_EQ(reg.CreateKey(Hive::kCurrentUser, "B", " ", &key, nullptr), kErrBadRegistryFile);
  EXPECT_EQ(ReadHostFile(file).find("[HKEY_CURRENT_USER\\B]"), std::string::npos);
}

TEST(HostRegistryTest, ReadOnlyHiveRefusesFullAccessButAllowsReading) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write anything";
  TempDir root;
  HostRegistry reg(root.path());
  RegKey key;
  ASSERT_EQ(reg.CreateKey(Hive::kLocalMachine, kKey, " ", &key, nullptr), kSuccess);
  ::chmod(reg.HiveFile(Hive::kLocalMachine).c_str(), 0444);
  EXPECT_EQ(reg.OpenKey(Hive::kLocalMachine, kKey, true, &key), kErrAccessDenied);
  EXPECT_EQ(reg.OpenKey(Hive::kLocalMachine, kKey, false, &key), kSuccess);
}

// Two programs updating counters in one hive at the same time: the file must stay whole and
// every value that neither touched must survive. (Counters may race, as on Windows.)
TEST(HostRegistryTest, ConcurrentWritersNeverDamageTheHive) {
  TempDir root;
  {
    HostRegistry reg(root.path());
    RegKey key;
    ASSERT_EQ(reg.CreateKey(Hive::kCurrentUser, kKey, " ", &key, nullptr), kSuccess);
    SetStringValue(reg, key, "Output Directory", "C:\\ZEL");
    SetStringValue(reg, key, "Output File", "TEST.TIF");
    SetDwordValue(reg, key, "Output Mode", 2);
  }
  constexpr int kUpdates = 1000;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      HostRegistry reg(root.path());
      RegKey key;
      if (reg.OpenCurrentUserKey(kKey, &key) != kSuccess) ::_exit(2);
      std::string own = c == 0 ? "Counter A" : "Counter B";
      for (int i = 1; i <= kUpdates; ++i) {
        uint32_t last = QueryDword(reg, key, "Last Serial Number");
        if (SetDwordValue(reg, key, "Last Serial Number", last + 1) != kSuccess) ::_exit(3);
        if (SetDwordValue(reg, key, own, i) != kSuccess) ::_exit(4);
      }
      ::_exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  HostRegistry reg(root.path());
  RegKey key;
  ASSERT_EQ(reg.OpenCurrentUserKey(kKey, &key), kSuccess);  // the file still parses
  EXPECT_EQ(QueryText(reg, key, "Output Directory"), "C:\\ZEL");
  EXPECT_EQ(QueryText(reg, key, "Output File"), "TEST.TIF");
  EXPECT_EQ(QueryDword(reg, key, "Output Mode"), 2u);
  // Each program's own value saw every one of its updates land.
  EXPECT_EQ(QueryDword(reg, key, "Counter A"), uint32_t(kUpdates));
  EXPECT_EQ(QueryDword(reg, key, "Counter B"), uint32_t(kUpdates));
  uint32_t shared = QueryDword(reg, key, "Last Serial Number");
  EXPECT_GE(shared, uint32_t(kUpdates));
  EXPECT_LE(shared, uint32_t(2 * kUpdates));
}

}  // namespace
}  // namespace qid
