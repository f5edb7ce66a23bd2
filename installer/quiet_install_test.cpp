#include "installer/quiet_install.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/wrappers.h"
#include "tests/support/installer_testing.h"

namespace qid::installer {
namespace {

using testing::InstallerHarness;

InstallerCommand Quiet(bool make_default, std::u16string log_file = u"") {
  InstallerCommand command;
  command.kind = InstallerCommand::kQuiet;
  command.make_default = make_default;
  command.log_file = std::move(log_file);
  return command;
}

TEST(QuietInstallTest, EachFailureHasItsExitCodeAndNothingAsksOrWaits) {
  // A registry that lets nothing be created: the settings step fails without a word.
  struct NoNewKeys : RegistryWrapper {
    using RegistryWrapper::RegistryWrapper;
    ErrorCode CreateKey(Hive, const std::string&, const std::string&, RegKey*, bool*) override {
      return kErrAccessDenied;
    }
  };
  struct Case {
    const char* what;
    std::function<void(InstallerHarness&)> arrange;
    int exit_code;
  };
  const Case cases[] = {
      {"installed", [](auto&) {}, kQuietInstalled},
      {"Windows 98", [](auto& h) { h.tp.system.version = OsVersion{4, 10, 0, kPlatformWindows}; },
       kQuietRefusedSystem},
      {"no driver folder", [](auto& h) { h.spooler.fail["DriverDirectoryW"] = kErrAccessDenied; },
       kQuietNoDriverFolder},
      {"file missing", [](auto& h) { std::filesystem::remove(h.Host(h.SourcePath(2))); },
       kQuietMissingFile},
      {"empty program", [](auto& h) { h.WriteFile(h.SourcePath(3), ""); }, kQuietMissingFile},
      {"copy fails", [](auto& h) { h.MakeFolder(Utf16ToAnsi(h.DriverPath(5))); }, kQuietCopyFailed},
      {"port", [](auto& h) { h.spooler.port_status = kErrInvalidName; }, kQuietPortFailed},
      {"driver", [](auto& h) { h.spooler.fail["AddDriverW"] = kErrAccessDenied; },
       kQuietDriverFailed},
      {"printer exists",
       [](auto& h) { h.spooler.printers[u"quendrel image driver 4.0"].printer_name = u"x"; },
       kQuietPrinterExists},
      {"printer", [](auto& h) { h.spooler.fail["AddPrinterW"] = kErrUnknownPrintProcessor; },
       kQuietPrinterFailed},
      {"settings", [](auto&) {}, kQuietSettingsFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallerHarness h;
    c.arrange(h);
    NoNewKeys no_new_keys(&h.tp.registry);
    if (c.exit_code == kQuietSettingsFailed) h.tp.platform().registry = &no_new_keys;
    EXPECT_EQ(RunQuietInstall(h.tp.platform(), Quiet(false)), c.exit_code);
    EXPECT_EQ(h.spooler.default_printer, u"");  // the question was answered No
    EXPECT_EQ(h.sleeps, 0);
  }
}

TEST(QuietInstallTest, DefaultAndLogFileAsTheSwitchesSay) {
  InstallerHarness h;
  h.MakeFolder("C:\\logs");
  h.WriteFile(u"C:\\logs\\setup.log", "an earlier run");
  ASSERT_EQ(RunQuietInstall(h.tp.platform(), Quiet(true, u"C:\\logs\\setup.log")),
            kQuietInstalled);
  EXPECT_EQ(h.spooler.default_printer, u"Quendrel Image Driver 4.0");
  EXPECT_FALSE(h.Exists(u"C:\\setup\\Installer.log"));
  std::string bytes = h.ReadFile(u"C:\\logs\\setup.log");
  std::u16string log =
      Utf16FromLeBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  EXPECT_EQ(log.find(u"Selected to install: Quendrel Image Driver 4.0\r\nStart of installation\r\n"
                     u"Start copy of file pgdrv71.dll (3000 bytes)\r\n"),
            0u);
  EXPECT_NE(log.find(u"Configure registry\r\nSelected as default printer\r\nEnd of installation\r\n"),
            std::u16string::npos);
  for (size_t slot = 0; slot < 6; ++slot) {
    if (slot != 4) EXPECT_TRUE(h.Exists(h.DriverPath(slot))) << slot;
  }
}

TEST(QuietInstallTest, CommandLines) {
  struct Case {
    const char16_t* line;
    InstallerCommand::Kind kind;
    bool silent, make_default;
    const char16_t* log_file;
    const char16_t* error;
  };
  using K = InstallerCommand;
  const Case cases[] = {
      {u"drvsetup.exe", K::kWindow, false, false, u"", u""},
      {u"\"C:\\Program Files\\setup\\drvsetup.exe\"  ", K::kWindow, false, false, u"", u""},
      {u"drvsetup /quiet", K::kQuiet, false, false, u"", u""},
      {u"drvsetup -Quiet /DEFAULT /log \"C:\\logs\\a b.log\"", K::kQuiet, false, true,
       u"C:\\logs\\a b.log", u""},
      {u"drvsetup /quiet /log C:\\x\\\"y\\\".log", K::kQuiet, false, false, u"C:\\x\"y\".log", u""},
      {u"drvsetup /?", K::kUsage, false, false, u"", u""},
      {u"drvsetup /quiet /bogus", K::kUsage, true, false, u"", u"Unknown switch: /bogus"},
      {u"drvsetup /bogus", K::kUsage, false, false, u"", u"Unknown switch: /bogus"},
      {u"drvsetup /quiet /log", K::kUsage, true, false, u"", u"Missing value after /log"},
      {u"drvsetup /quiet /log /default", K::kUsage, true, false, u"", u"Missing value after /log"},
      {u"drvsetup /quiet /quiet", K::kUsage, true, false, u"", u"Switch given twice: /quiet"},
      {u"drvsetup /default", K::kUsage, false, false, u"", u"/default and /log need /quiet"},
      {u"drvsetup setup.ini", K::kUsage, false, false, u"", u"Unexpected argument: setup.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToAnsi(c.line));
    InstallerCommand command = ReadInstallerCommand(c.line);
    EXPECT_EQ(command.kind, c.kind);
    EXPECT_EQ(command.silent, c.silent);
    EXPECT_EQ(command.make_default, c.make_default);
    EXPECT_EQ(command.log_file, c.log_file);
    EXPECT_EQ(command.error, c.error);
  }
}

}  // namespace
}  // namespace qid::installer
