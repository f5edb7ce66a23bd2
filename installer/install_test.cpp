#include "installer/install.h"
#include "installer/registration.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "platform/wrappers.h"
#include "tests/support/installer_testing.h"

namespace qid::installer {
namespace {

using testing::InstallerHarness;
using testing::ShownBox;

constexpr char16_t kPrinter[] = u"Quendrel Image Driver 4.0";
constexpr uint32_t kStop = kMbOk | kMbIconError;

class InstallTest : public ::testing::Test {
 protected:
  void ExpectBoxes(const std::vector<std::pair<std::u16string, uint32_t>>& expected) {
    ASSERT_EQ(h.window.boxes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(h.window.boxes[i].text, expected[i].first) << i;
      EXPECT_EQ(h.window.boxes[i].style, expected[i].second) << i;
      EXPECT_EQ(h.window.boxes[i].caption, u"Rezezar Iradav Azedozuzi") << i;
    }
  }
  // The window is back in the selection state, may close, and the dialog still runs.
  void ExpectSelectionState() {
    EXPECT_EQ(h.window.labels[IDC_PHASE_LABEL], u"Select printer to install");
    EXPECT_TRUE(h.window.shown[IDC_PACKAGE_LIST]);
    EXPECT_FALSE(h.window.shown[IDC_OVERALL_BAR]);
    EXPECT_FALSE(h.window.shown[IDC_FILE_BAR]);
    EXPECT_FALSE(h.window.shown[IDC_DETAIL_LABEL]);
    EXPECT_EQ(h.window.enabled[IDC_INSTALL], h.window.selected >= 0);
    EXPECT_TRUE(h.window.enabled[IDC_CLOSE]);
    EXPECT_EQ(h.ctx.state.canClose, 1);
    EXPECT_EQ(h.window.ended, 0);
  }
  bool SettingsKeyExists() {
    RegKey key = kNoKey;
    bool found = h.tp.registry.OpenKey(Hive::kCurrentUser, kSettingsKeyPath, false, &key) ==
                 kSuccess;
    if (found) h.tp.registry.CloseKey(key);
    return found;
  }
  std::u16string LogTail(size_t lines) {
    std::u16string log = h.LogText();
    size_t at = log.size();
    for (size_t n = 0; n <= lines && at != std::u16string::npos; ++n)
      at = at == 0 ? std::u16string::npos : log.rfind(u'\n', at - 1);
    return at == std::u16string::npos ? log : log.substr(at + 1);
  }

  // How many recorded calls of the fakes start with `prefix`.
  static int Calls(const std::vector<std::string>& calls, const std::string& prefix) {
    int n = 0;
    for (const std::string& c : calls) n += c.rfind(prefix, 0) == 0;
    return n;
  }
  int Broadcasts(InstallerHarness& x) { return Calls(x.control.calls, "BroadcastSettingChange"); }

  InstallerHarness h;
};

TEST_F(InstallTest, SuccessfulInstallWritesTheExactLogAndClosesTheWindow) {
  // The spooler files the driver under its own version; what was asked for is seen here.
  struct DriverCapture : SpoolerWrapper {
    using SpoolerWrapper::SpoolerWrapper;
    ErrorCode AddDriverW(const DriverInfo3W& driver) override {
      asked = driver;
      return SpoolerWrapper::AddDriverW(driver);
    }
    DriverInfo3W asked;
  } capture(&h.spooler);
  h.tp.platform().spooler = &capture;
  ASSERT_TRUE(StartUp(h.ctx));
  EXPECT_EQ(h.window.title, u"Rezezar Iradav Azedozuzi");
  EXPECT_EQ(h.window.rows, std::vector<std::u16string>{kPrinter});
  EXPECT_EQ(h.window.row_images, std::vector<int>{0});
  EXPECT_EQ(h.window.rows_when_placed, 1) << "the list is placed once it is filled";
  ExpectSelectionState();
  EXPECT_FALSE(h.window.enabled[IDC_INSTALL]);  // nothing selected yet
  h.window.selected = 0;
  SelectionChanged(h.ctx);
  EXPECT_TRUE(h.window.enabled[IDC_INSTALL]);
  RequestInstall(h.ctx);
  h.Pump();

  const std::u16string expected =
      u"Selected to install: Quendrel Image Driver 4.0\r\n"
      u"Start of installation\r\n"
      u"Start copy of file pgdrv71.dll (3000 bytes)\r\n"
      u" +--End copy of file pgdrv71.dll\r\n"
      u"Start copy of file pgui71.dll (10240 bytes)\r\n"
      u" +--End copy of file pgui71.dll\r\n"
      u"Start copy of file pggen.ppd (20481 bytes)\r\n"
      u" +--End copy of file pggen.ppd\r\n"
      u"Start copy of file Q71File.exe (12345 bytes)\r\n"
      u" +--End copy of file Q71File.exe\r\n"
      u"Start copy of file notes.txt (0 bytes)\r\n"
      u" +--End copy of file notes.txt\r\n"
      u"Start copy of file qid_E.chm (500 bytes)\r\n"
      u" +--End copy of file qid_E.chm\r\n"
      u"Installing printer driver\r\n"
      u"Adding printer port\r\n"
      u"Adding printer\r\n"
      u"Configure registry\r\n"
      u"Selected as default printer\r\n"
      u"End of installation\r\n";
  std::vector<uint8_t> bytes = Utf16LeBytes(expected);  // little-endian, no BOM, no NUL
  EXPECT_EQ(h.Log(), std::string(bytes.begin(), bytes.end()));

  ExpectBoxes({{u"Set Quendrel Image Driver 4.0 as default?",
                kMbYesNo | kMbIconQuestion | kMbTaskModal},
               {u"Quendrel Image Driver 4.0 installed!", kMbOk | kMbIconInformation}});
  EXPECT_EQ(h.window.steps[IDC_OVERALL_BAR], 5);
  EXPECT_EQ(h.window.bars[IDC_OVERALL_BAR].percent(), 100);
  EXPECT_EQ(h.window.bars[IDC_FILE_BAR].position(), 500);  // the last file, all of it
  EXPECT_EQ(h.window.repaints[IDC_FILE_BAR], 9);           // one per block
  EXPECT_EQ(h.window.phases,
            (std::vector<std::u16string>{u"Select printer to install", u"Total installation",
                                         u"Installing files", u"Installing printer driver",
                                         u"Adding printer", u"Select printer to install"}));
  EXPECT_EQ(h.window.ended, kIdOk);
  EXPECT_EQ(h.runner.waits, 1);

  EXPECT_EQ(Calls(h.spooler.calls, "AddPortW(Local Port,QID_00:)"), 1);
  ASSERT_EQ(h.spooler.drivers.size(), 1u);
  const DriverInfo3W& d = capture.asked;
  EXPECT_EQ(d.version, 2024u);
  EXPECT_EQ(d.name, kPrinter);
  EXPECT_EQ(d.environment, u"");
  EXPECT_EQ(d.driver_path, u"pgdrv71.dll");
  EXPECT_EQ(d.data_file, u"pggen.ppd");
  EXPECT_EQ(d.config_file, u"pgui71.dll");
  EXPECT_EQ(d.help_file, u"qid_E.chm");
  EXPECT_EQ(d.dependent_files,
            std::u16string(u"pgdrv71.dll\0pgui71.dll\0pggen.ppd\0Q71File.exe\0qid_E.chm\0\0", 56));
  EXPECT_EQ(d.monitor_name, u"");
  ASSERT_EQ(h.spooler.printers.size(), 1u);
  const PrinterInfo2W& p = h.spooler.printers.begin()->second;
  EXPECT_EQ(p.printer_name, kPrinter);
  EXPECT_EQ(p.driver_name, kPrinter);
  EXPECT_EQ(p.port_name, u"QID_00:");
  EXPECT_EQ(p.print_processor, u"WinPrint");
  EXPECT_EQ(p.data_type, u"RAW");
  EXPECT_EQ(p.share_name + p.comment + p.location + p.sep_file + p.parameters, u"");
  EXPECT_EQ(p.attributes + p.priority + p.default_priority + p.start_time + p.until_time, 0u);
  EXPECT_EQ(h.spooler.default_printer, kPrinter);
  EXPECT_EQ(Broadcasts(h), 1);

  auto traced = [&](const std::u16string& line) {
    for (const std::u16string& l : h.tp.trace.wide_lines)
      if (l == line) return true;
    return false;
  };
  EXPECT_TRUE(
      traced(u"INST01 : DEP = pgdrv71.dll*pgui71.dll*pggen.ppd*Q71File.exe*qid_E.chm**\r\n"));
  EXPECT_TRUE(traced(u"INST01 : RM_EXIT wParam = 0  lParam = 0\n\r\n"));
  EXPECT_TRUE(traced(u"INST01 : Ende = OnOK\r\n"));
}

TEST_F(InstallTest, DefaultSettingsHaveExactTypesLengthsAndOrder) {
  h.Install();
  struct Value { const char* name; uint32_t type; std::vector<uint8_t> data; };
  auto dword = [](uint8_t v) { return std::vector<uint8_t>{v, 0, 0, 0}; };
  auto text = [](const char16_t* t) { return Utf16LeBytes(t); };
  const Value expected[] = {
      {"AutoGenerate", kRegDword, dword(1)},       {"Auto Number Value", kRegDword, dword(1)},
      {"Disable Dialog", kRegDword, dword(0)},     {"Serial Init Number", kRegDword, dword(1)},
      {"Output Mode", kRegDword, dword(1)},        {"Always Overwrite", kRegDword, dword(0)},
      {"PDF Output", kRegDword, dword(0)},
      {"Auto Reset Serial Number", kRegDword, dword(0)},
      {"Last Serial Number", kRegDword, dword(1)}, {"Serial Num Digits", kRegDword, dword(4)},
      {"Trim Source Name", kRegDword, dword(0)},   {"Use Source Name", kRegDword, dword(0)},
      {"Output Directory", kRegSz, text(u"C:\\ZEL")},  // 12 bytes, no terminator
      {"Output File", kRegSz, text(u"TEST.TIF")},
      {"Doc Prefix String", kRegSz, {}},           {"Serial Prefix String", kRegSz, {}},
      {"Output Application", kRegSz, {}},          {"Pages Last", kRegDword, dword(0)},
      {"Pages Total", kRegDword, dword(0)},        {"Precmd", kRegSz, {0, 0}},
      {"use 2", kRegDword, dword(0)},
  };
  RegKey key = kNoKey;
  ASSERT_EQ(h.tp.registry.OpenKey(Hive::kCurrentUser, kSettingsKeyPath, false, &key), kSuccess);
  for (uint32_t i = 0; i < 21; ++i) {
    std::string name;
    ASSERT_EQ(h.tp.registry.EnumValue(key, i, &name), kSuccess) << i;
    EXPECT_EQ(name, expected[i].name) << i;
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(h.tp.registry.QueryValueW(key, AnsiToUtf16(name), &type, &data, 4096), kSuccess);
    EXPECT_EQ(type, expected[i].type) << name;
    EXPECT_EQ(data, expected[i].data) << name;
  }
  std::string extra;
  EXPECT_EQ(h.tp.registry.EnumValue(key, 21, &extra), kErrNoMoreItems);
  h.tp.registry.CloseKey(key);

  // The image file writer reads back exactly its own defaults.
  WriterContext writer(h.tp.platform());
  ASSERT_TRUE(LoadSettings(writer));
  Settings defaults;
  SetDefaults(defaults);
  const Settings& s = writer.settings;
  EXPECT_EQ(s.output_directory, "C:\\ZEL");
  EXPECT_EQ(s.output_file, "TEST.TIF");
  EXPECT_EQ(s.output_application + s.doc_prefix_string + s.serial_prefix_string, "");
  const uint32_t Settings::*numbers[] = {
      &Settings::auto_generate, &Settings::auto_number_value, &Settings::disable_dialog,
      &Settings::serial_init_number, &Settings::output_mode, &Settings::always_overwrite,
      &Settings::pdf_output, &Settings::auto_reset_serial_number, &Settings::last_serial_number,
      &Settings::serial_num_digits, &Settings::trim_source_name, &Settings::use_source_name};
  for (auto field : numbers) EXPECT_EQ(s.*field, defaults.*field);
}

TEST_F(InstallTest, AnswerNoLeavesTheDefaultPrinterAndStillSucceeds) {
  h.spooler.default_printer = u"Other";
  h.window.answers = {kIdNo};
  h.Install();
  EXPECT_EQ(h.spooler.default_printer, u"Other");
  EXPECT_EQ(Broadcasts(h), 0);
  EXPECT_EQ(LogTail(2), u"Configure registry\r\nEnd of installation\r\n");
  EXPECT_EQ(h.window.boxes.back().text, u"Quendrel Image Driver 4.0 installed!");
  EXPECT_EQ(h.window.ended, kIdOk);
}

TEST_F(InstallTest, ExistingPortIsNotAddedAgain) {
  h.spooler.ports.push_back(u"QID_00:");
  h.Install();
  EXPECT_EQ(Calls(h.spooler.calls, "AddPortW"), 0);
  EXPECT_EQ(h.spooler.printers.size(), 1u);
  EXPECT_EQ(h.window.ended, kIdOk);
}

TEST_F(InstallTest, RegistrationFailuresReturnToSelectionWithoutSettings) {
  struct Case {
    const char* what;
    std::function<void(qid::testing::FakeSpooler&)> arrange;
    const char16_t* log_line;
    const char16_t* message;
  };
  const Case cases[] = {
      {"printer exists",
       [](auto& s) { s.printers[u"quendrel image driver 4.0"].printer_name = kPrinter; },
       u"Driver has already been installed\r\n", u"Driver has already been installed."},
      {"other printer error", [](auto& s) { s.fail["AddPrinterW"] = kErrUnknownPrintProcessor; },
       u"System error 1798 occured\r\n", u"System error 1798 occured.\r\nConsult Quendrel."},
      {"port refused", [](auto& s) { s.port_status = kErrInvalidName; },
       u"Failed adding printer port (GetLastError = 123)\r\n", u"Failed adding printer port"},
      {"no local monitor", [](auto& s) { s.monitors[0].dll_name = u"other.dll"; },
       u"Failed adding printer port (GetLastError = 1168)\r\n", u"Failed adding printer port"},
      {"driver refused", [](auto& s) { s.fail["AddDriverW"] = kErrAccessDenied; },
       u"Failed adding printer driver (GetLastError = 5)\r\n", u"Failed adding printer driver"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallerHarness fresh;
    c.arrange(fresh.spooler);
    fresh.spooler.default_printer = u"Other";
    fresh.Install();
    std::u16string log = fresh.LogText();
    EXPECT_EQ(log.substr(log.size() - std::u16string(c.log_line).size()), c.log_line);
    ASSERT_EQ(fresh.window.boxes.size(), 1u);
    EXPECT_EQ(fresh.window.boxes[0].text, c.message);
    EXPECT_EQ(fresh.window.boxes[0].style, kStop);
    RegKey key = kNoKey;
    EXPECT_NE(fresh.tp.registry.OpenKey(Hive::kCurrentUser, kSettingsKeyPath, false, &key),
              kSuccess);
    EXPECT_EQ(fresh.spooler.default_printer, u"Other");
    EXPECT_EQ(fresh.ctx.state.canClose, 1);
    EXPECT_EQ(fresh.window.ended, 0);
    EXPECT_TRUE(fresh.window.enabled[IDC_INSTALL]);  // the row stays selected
    EXPECT_TRUE(fresh.window.shown[IDC_PACKAGE_LIST]);
  }
}

TEST_F(InstallTest, MissingPackageFileStopsBeforeCopyingAndNamesTheFullPath) {
  std::filesystem::remove(h.Host(h.SourcePath(3)));
  h.Install();
  EXPECT_EQ(LogTail(1), u"File not found (C:\\setup\\Q71File.exe)\r\n");
  ExpectBoxes({{u"File not found\r\n\r\nC:\\setup\\Q71File.exe", kStop}});
  EXPECT_TRUE(std::filesystem::is_empty(h.Host(h.driver_dir)));
  EXPECT_TRUE(h.sink.messages.empty());
  ExpectSelectionState();
}

TEST_F(InstallTest, AnEmptyProgramOrDllIsRefusedBeforeAnythingIsCopied) {
  for (size_t slot : {size_t{3}, size_t{1}}) {
    SCOPED_TRACE(slot);
    InstallerHarness fresh;
    fresh.WriteFile(fresh.DriverPath(3), "a working Q71File.exe");
    fresh.WriteFile(fresh.SourcePath(slot), "");
    fresh.Install();
    std::u16string path = fresh.SourcePath(slot);
    EXPECT_EQ(fresh.LogText(), u"Selected to install: Quendrel Image Driver 4.0\r\n"
                               u"File is empty (" + path + u")\r\n");
    ASSERT_EQ(fresh.window.boxes.size(), 1u);
    EXPECT_EQ(fresh.window.boxes[0].text, u"File is empty\r\n\r\n" + path);
    EXPECT_EQ(fresh.window.boxes[0].style, kStop);
    EXPECT_EQ(fresh.ReadFile(fresh.DriverPath(3)), "a working Q71File.exe");
    EXPECT_TRUE(fresh.sink.messages.empty());
  }
}

TEST_F(InstallTest, SystemCheckRefusesOnlyTheWindows95Family) {
  struct Case { uint32_t platform, major, minor; ErrorCode query; int32_t index; };
  const Case cases[] = {
      {kPlatformWindows, 4, 0, kSuccess, 4},  {kPlatformWindows, 4, 10, kSuccess, 5},
      {kPlatformNt, 3, 51, kSuccess, 0},      {kPlatformNt, 4, 0, kSuccess, 1},
      {kPlatformNt, 5, 0, kSuccess, 2},       {kPlatformNt, 5, 1, kSuccess, 3},
      {kPlatformNt, 6, 1, kSuccess, -1},      {kPlatformNt, 10, 0, kSuccess, -1},
      {kPlatformWindows, 4, 90, kSuccess, -1}, {kPlatformNt, 5, 0, kErrInvalidFunction, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
    InstallerHarness fresh;
    fresh.tp.system.version = OsVersion{c.major, c.minor, 0, c.platform};
    fresh.tp.system.version_result = c.query;
    bool refused = c.index > 3;
    EXPECT_EQ(StartUp(fresh.ctx), !refused);
    EXPECT_EQ(fresh.ctx.state.system_index, c.index);
    if (refused) {
      EXPECT_EQ(fresh.LogText(), u"Unsupported OS (Found " + AnsiToUtf16(std::to_string(c.index)) +
                                     u")\r\n");
      ASSERT_EQ(fresh.window.boxes.size(), 1u);
      EXPECT_EQ(fresh.window.boxes[0].text, u"This driver requires Windows NT/2000/XP");
      EXPECT_EQ(fresh.window.ended, kIdCancel);
      EXPECT_EQ(fresh.window.set_up, 0);
    } else {
      EXPECT_EQ(fresh.window.set_up, 1);
      EXPECT_TRUE(fresh.window.boxes.empty());
    }
  }
}

TEST_F(InstallTest, UnavailableDriverFolderEndsTheProgram) {
  h.WriteFile(u"C:\\setup\\Installer.log", "an earlier run");
  h.spooler.fail["DriverDirectoryW"] = kErrAccessDenied;
  EXPECT_FALSE(StartUp(h.ctx));
  EXPECT_EQ(h.LogText(), u"Unable to get printer driver(s) directory (GetLastError = 5)\r\n");
  ExpectBoxes({{u"Unable to get printer driver(s) directory", kStop}});
  EXPECT_EQ(h.window.ended, kIdCancel);
}

TEST_F(InstallTest, UnwritableLogDoesNotStopTheInstallation) {
  class NoLog : public FileSystemWrapper {
   public:
    using FileSystemWrapper::FileSystemWrapper;
    ErrorCode OpenFileW(const std::u16string& path, FileAccess access, FileDisposition d,
                        FileShare share, std::unique_ptr<File>* file) override {
      if (path == u"C:\\setup\\Installer.log") return kErrAccessDenied;
      return target()->OpenFileW(path, access, d, share, file);
    }
  } no_log(h.tp.platform().files);
  h.tp.platform().files = &no_log;
  h.Install();
  EXPECT_FALSE(h.Exists(u"C:\\setup\\Installer.log"));
  EXPECT_EQ(h.window.ended, kIdOk);
  EXPECT_EQ(h.spooler.printers.size(), 1u);
}

TEST_F(InstallTest, CloseIsIgnoredWhileInstallingAndWorksAfterACopyFailure) {
  ASSERT_TRUE(StartUp(h.ctx));
  h.window.selected = 0;
  RequestInstall(h.ctx);
  std::filesystem::remove(h.Host(h.SourcePath(2)));  // gone between the check and the copy
  RequestOk(h.ctx);
  RequestCancel(h.ctx);
  EXPECT_EQ(h.window.ended, 0);
  EXPECT_FALSE(h.window.enabled[IDC_CLOSE]);
  h.Pump();
  EXPECT_EQ(LogTail(1), u"Failed copy of file pggen.ppd (GetLastError = 2)\r\n");
  ExpectBoxes({{u"Failed installing\r\n\r\npggen.ppd", kStop}});
  EXPECT_EQ(h.sink.answers, std::vector<intptr_t>{1}) << "RM_ERROR is answered 1: stop";
  ExpectSelectionState();

  // Install again repeats everything from the file check; the log keeps growing.
  h.WriteFile(h.SourcePath(2), "back again");
  RequestInstall(h.ctx);
  h.Pump();
  EXPECT_EQ(h.runner.waits, 2);
  EXPECT_EQ(h.ReadFile(h.DriverPath(2)), "back again");
  EXPECT_EQ(LogTail(1), u"End of installation\r\n");
  EXPECT_EQ(h.LogText().find(u"Selected to install"), 0u);
  EXPECT_NE(h.LogText().find(u"Failed copy of file"), std::u16string::npos);
  EXPECT_EQ(h.window.ended, kIdOk);

  InstallerHarness other;
  ASSERT_TRUE(StartUp(other.ctx));
  RequestCancel(other.ctx);  // Escape, Alt+F4 or the close box in the selection state
  EXPECT_EQ(other.window.ended, kIdCancel);
}

TEST_F(InstallTest, NoSelectionAndThreadFailure) {
  ASSERT_TRUE(StartUp(h.ctx));
  RequestInstall(h.ctx);
  EXPECT_EQ(h.LogText(), u"GetCurSel() returned LB_ERR\r\n");
  EXPECT_TRUE(h.queue.empty());

  h.runner.start_result = kErrNotEnoughMemory;
  h.window.selected = 0;
  RequestInstall(h.ctx);
  h.Pump();
  EXPECT_EQ(LogTail(1), u"Failed starting thread\r\n");
  ExpectBoxes({{u"Failed starting thread.\r\nConsult Quendrel.", kStop}});
  ExpectSelectionState();
}

TEST_F(InstallTest, DefaultPrinterBeforeNt5GoesThroughTheProfile) {
  h.tp.system.version = OsVersion{4, 0, 1381, kPlatformNt};
  h.Install();
  EXPECT_EQ(h.spooler.default_printer, u"");
  EXPECT_EQ(h.control.profiles[""]["windows\\device"],
            "Quendrel Image Driver 4.0,Quendrel Image Driver 4.0,QID_00:");
  EXPECT_EQ(Broadcasts(h), 1);

  // A failing step makes MakeDefaultPrinter answer 0, and nothing is broadcast.
  InstallerHarness failing;
  EXPECT_FALSE(MakeDefaultPrinter(failing.ctx, kPrinter));  // no such printer
  EXPECT_EQ(Broadcasts(failing), 0);
}

}  // namespace
}  // namespace qid::installer
