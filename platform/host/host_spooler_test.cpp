// One contract for the host spooler and the in-memory fake that the installer and remover
// tests stand on: where they must behave alike, the same checks run over both.
#include "platform/host/host_spooler.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "common/little_endian.h"
#include "platform/host/host_file_system.h"
#include "tests/support/memory_registry.h"
#include "tests/support/fake_spooler.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::FakeSpooler;
using testing::TempDir;
using testing::WriteHostFile;

constexpr char16_t kName[] = u"Quendrel Image Driver 4.0";

struct SpoolerUnderTest {
  TempDir root;
  HostFileSystem files{root.path()};
  MemoryRegistry registry;
  std::unique_ptr<Spooler> spooler;
};

using Factory = std::function<void(SpoolerUnderTest*)>;

class SpoolerContract : public ::testing::TestWithParam<Factory> {
 protected:
  void SetUp() override {
    GetParam()(&s_);
    ASSERT_EQ(s_.spooler->DriverDirectory(260, &dir_), kSuccess);
  }
  Spooler& sp() { return *s_.spooler; }

  // The driver's files in the driver directory, then its registration.
  ErrorCode AddDriver(const std::u16string& name = kName, bool with_files = true) {
    if (with_files)
      for (const char* f : {"drv.dll", "ui.dll", "gen.ppd", "help.chm"})
        WriteHostFile(s_.files.HostPath(dir_ + "\\" + f), f);
    DriverInfo3W d;
    d.version = 2024;
    d.name = name;
    d.driver_path = u"drv.dll";
    d.data_file = u"gen.ppd";
    d.config_file = u"ui.dll";
    d.help_file = u"help.chm";
    d.dependent_files = std::u16string(u"drv.dll\0ui.dll\0gen.ppd\0help.chm\0\0", 33);
    return sp().AddDriverW(d);
  }

  ErrorCode AddPrinter(const std::u16string& name, const std::u16string& port = u"QID_00:",
                       const std::u16string& driver = kName) {
    PrinterInfo2W p;
    p.printer_name = name;
    p.port_name = port;
    p.driver_name = driver;
    p.print_processor = u"WinPrint";
    p.data_type = u"RAW";
    return sp().AddPrinterW(p);
  }

  void AddPort() {
    uint32_t status = 99;
    ASSERT_EQ(sp().AddPortW(u"Local Port", u"QID_00:", &status), kSuccess);
    ASSERT_EQ(status, kSuccess);
  }

  SpoolerUnderTest s_;
  std::string dir_;
};

TEST_P(SpoolerContract, DriverDirectoryIsTheX86FolderAndRespectsCapacity) {
  EXPECT_EQ(dir_.substr(dir_.size() - 20), "spool\\drivers\\w32x86");
  std::u16string wide;
  EXPECT_EQ(sp().DriverDirectoryW(260, &wide), kSuccess);
  EXPECT_EQ(wide.size(), dir_.size());
  std::string cut;
  EXPECT_EQ(sp().DriverDirectory(dir_.size(), &cut), kErrInsufficientBuffer);  // no room for NUL
  EXPECT_EQ(sp().DriverDirectory(dir_.size() + 1, &cut), kSuccess);
}

TEST_P(SpoolerContract, LocalPortMonitorAddsAPortOnce) {
  std::vector<MonitorInfoW> monitors;
  ASSERT_EQ(sp().ListMonitorsW(&monitors), kSuccess);
  ASSERT_FALSE(monitors.empty());
  EXPECT_EQ(monitors[0].dll_name, u"localspl.dll");
  uint32_t status = 99;
  EXPECT_EQ(sp().AddPortW(u"No Such Monitor", u"QID_00:", &status), kErrInvalidPrinterName);
  AddPort();
  EXPECT_EQ(sp().AddPortW(u"Local Port", u"QID_00:", &status), kSuccess);
  EXPECT_EQ(status, kErrAlreadyExists);
  std::vector<std::u16string> ports;
  ASSERT_EQ(sp().ListPortsW(&ports), kSuccess);
  EXPECT_EQ(std::count(ports.begin(), ports.end(), u"QID_00:"), 1);
}

TEST_P(SpoolerContract, DriverNeedsItsFilesAndAKnownEnvironment) {
  EXPECT_EQ(AddDriver(kName, /*with_files=*/false), kErrFileNotFound);
  AddPort();
  EXPECT_EQ(AddPrinter(u"P"), kErrUnknownPrinterDriver);  // nothing was registered
  DriverInfo3W odd;
  odd.name = u"X";
  odd.environment = u"Windows IA64";
  odd.driver_path = odd.data_file = odd.config_file = u"drv.dll";
  EXPECT_EQ(sp().AddDriverW(odd), kErrInvalidEnvironment);
  EXPECT_EQ(AddDriver(), kSuccess);
  EXPECT_EQ(AddDriver(), kSuccess);  // a second registration replaces the first
}

TEST_P(SpoolerContract, PrinterNeedsDriverPortAndProcessorAndIsAddedOnce) {
  ASSERT_EQ(AddDriver(), kSuccess);
  EXPECT_EQ(AddPrinter(kName), kErrUnknownPort);
  AddPort();
  EXPECT_EQ(AddPrinter(kName, u"QID_00:", u"Other Driver"), kErrUnknownPrinterDriver);
  EXPECT_EQ(AddPrinter(u""), kErrInvalidPrinterName);
  EXPECT_EQ(AddPrinter(u"a,b"), kErrInvalidPrinterName);
  ASSERT_EQ(AddPrinter(kName), kSuccess);
  EXPECT_EQ(AddPrinter(u"QUENDREL IMAGE DRIVER 4.0"), kErrPrinterAlreadyExists);
  PrinterInfo2W read;
  ASSERT_EQ(sp().QueryPrinterW(kName, &read), kSuccess);
  EXPECT_EQ(read.port_name, u"QID_00:");
  EXPECT_EQ(read.driver_name, kName);
  EXPECT_EQ(sp().QueryPrinterW(u"nobody", &read), kErrInvalidPrinterName);
}

TEST_P(SpoolerContract, DefaultPrinterFollowsThePrinter) {
  std::u16string name;
  EXPECT_EQ(sp().SetDefaultPrinterNameW(kName), kErrInvalidPrinterName);
  EXPECT_EQ(sp().DefaultPrinterNameW(&name), kErrInvalidPrinterName);
  ASSERT_EQ(AddDriver(), kSuccess);
  AddPort();
  ASSERT_EQ(AddPrinter(kName), kSuccess);
  ASSERT_EQ(sp().SetDefaultPrinterNameW(kName), kSuccess);
  ASSERT_EQ(sp().DefaultPrinterNameW(&name), kSuccess);
  EXPECT_EQ(name, kName);
  PrinterHandle h = kNoPrinter;
  ASSERT_EQ(sp().OpenPrinterHandle("Quendrel Image Driver 4.0", PrinterAccess::kDelete, &h),
            kSuccess);
  ASSERT_EQ(sp().RemovePrinter(h), kSuccess);
  EXPECT_EQ(sp().DefaultPrinterNameW(&name), kErrInvalidPrinterName);
  EXPECT_EQ(sp().ClosePrinterHandle(h), kSuccess);
}

TEST_P(SpoolerContract, PrintersOpenDeleteAndClose) {
  PrinterHandle h = kNoPrinter;
  ASSERT_EQ(AddDriver(), kSuccess);
  AddPort();
  ASSERT_EQ(AddPrinter(kName), kSuccess);
  for (const char* unknown : {"nobody", ""})
    EXPECT_EQ(sp().OpenPrinterHandle(unknown, PrinterAccess::kDefault, &h), kErrInvalidPrinterName)
        << unknown;
  PrinterHandle other = kNoPrinter;
  ASSERT_EQ(sp().OpenPrinterHandle("quendrel image driver 4.0", PrinterAccess::kDefault, &other),
            kSuccess);
  ASSERT_EQ(sp().OpenPrinterHandle("Quendrel Image Driver 4.0", PrinterAccess::kDelete, &h),
            kSuccess);
  EXPECT_NE(h, other);
  ASSERT_EQ(sp().RemovePrinter(h), kSuccess);
  PrinterInfo2W read;
  EXPECT_EQ(sp().QueryPrinterW(kName, &read), kErrInvalidPrinterName);
  EXPECT_EQ(sp().RemovePrinter(other), kErrInvalidPrinterName);  // gone meanwhile
  EXPECT_EQ(sp().ClosePrinterHandle(h), kSuccess);
  EXPECT_EQ(sp().ClosePrinterHandle(h), kErrInvalidHandle);
  EXPECT_EQ(sp().RemovePrinter(h), kErrInvalidHandle);
  EXPECT_EQ(sp().ClosePrinterHandle(other), kSuccess);
  EXPECT_EQ(sp().OpenPrinterHandle("Quendrel Image Driver 4.0", PrinterAccess::kDefault, &h),
            kErrInvalidPrinterName);
}

INSTANTIATE_TEST_SUITE_P(
    HostAndFake, SpoolerContract,
    ::testing::Values(
        [](SpoolerUnderTest* s) {
          s->spooler = std::make_unique<HostSpooler>(&s->registry, &s->files);
        },
        [](SpoolerUnderTest* s) {
          auto fake = std::make_unique<FakeSpooler>(&s->files);
          fake->driver_directory = kHostDriverDirectory;
          std::filesystem::create_directories(s->files.HostPath(kHostDriverDirectory));
          s->spooler = std::move(fake);
        }),
    [](const ::testing::TestParamInfo<Factory>& info) {
      return info.index == 0 ? std::string("Host") : std::string("Fake");
    });

// What the remover reads back: the Windows spooler's registry layout and version folder.
TEST(HostSpoolerTest, FilesTheDriverAndPrinterWhereTheRemoverLooks) {
  TempDir root;
  HostFileSystem files(root.path());
  MemoryRegistry registry;
  HostSpooler spooler(&registry, &files);
  std::string dir;
  ASSERT_EQ(spooler.DriverDirectory(260, &dir), kSuccess);
  for (const char* f : {"drv.dll", "ui.dll", "gen.ppd", "Q71File.exe"})
    WriteHostFile(files.HostPath(dir + "\\" + f), f);
  DriverInfo3W d;
  d.version = 2024;
  d.name = kName;
  d.driver_path = u"drv.dll";
  d.data_file = u"gen.ppd";
  d.config_file = u"ui.dll";
  d.dependent_files = std::u16string(u"drv.dll\0Q71File.exe\0\0", 21);
  ASSERT_EQ(spooler.AddDriverW(d), kSuccess);
  EXPECT_EQ(testing::ReadHostFile(files.HostPath(dir + "\\3\\Q71File.exe")), "Q71File.exe");
  EXPECT_TRUE(files.FileExists(dir + "\\Q71File.exe"));  // the original stays

  RegKey key = kNoKey;
  ASSERT_EQ(registry.OpenKey(Hive::kLocalMachine,
                             std::string(kHostDriversKey) +
                                 "\\Version-3\\Quendrel Image Driver 4.0",
                             false, &key),
            kSuccess);
  uint32_t type = 0;
  std::vector<uint8_t> data;
  const std::pair<const char*, std::string> texts[] = {
      {"Driver", std::string("drv.dll", 8)},
      {"Data File", std::string("gen.ppd", 8)},
      {"Configuration File", std::string("ui.dll", 7)},
      {"Help File", std::string("", 1)},
  };
  for (const auto& [name, bytes] : texts) {
    ASSERT_EQ(registry.QueryValue(key, name, &type, &data, 1024), kSuccess) << name;
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(std::string(data.begin(), data.end()), bytes) << name;
  }
  ASSERT_EQ(registry.QueryValue(key, "Dependent Files", &type, &data, 1024), kSuccess);
  EXPECT_EQ(type, kRegMultiSz);
  EXPECT_EQ(std::string(data.begin(), data.end()), std::string("drv.dll\0Q71File.exe\0\0", 21));
  ASSERT_EQ(registry.QueryValue(key, "Version", &type, &data, 4), kSuccess);
  uint32_t version = 0;
  ASSERT_TRUE(ReadLE32(data.data(), data.size(), 0, &version));
  EXPECT_EQ(version, 3u);  // the spooler's version, not the caller's 2024
  registry.CloseKey(key);

  uint32_t status = 0;
  ASSERT_EQ(spooler.AddPortW(u"Local Port", u"QID_00:", &status), kSuccess);
  PrinterInfo2W p;
  p.printer_name = kName;
  p.port_name = u"QID_00:";
  p.driver_name = kName;
  p.print_processor = u"WinPrint";
  ASSERT_EQ(spooler.AddPrinterW(p), kSuccess);
  ASSERT_EQ(registry.OpenKey(Hive::kLocalMachine,
                             std::string(kHostPrintersKey) + "\\Quendrel Image Driver 4.0",
                             false, &key),
            kSuccess);
  ASSERT_EQ(registry.QueryValue(key, "Printer Driver", &type, &data, 1024), kSuccess);
  EXPECT_EQ(std::string(data.begin(), data.end()), std::string("Quendrel Image Driver 4.0", 26));
  registry.CloseKey(key);
}

}  // namespace
}  // namespace qid
