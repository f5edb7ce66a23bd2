#include "installer/registration.h"

#include <string>
#include <vector>

#include "common/text_convert.h"
#include "installer/install_log.h"
#include "installer/package.h"
#include "platform/registry.h"

namespace qid::installer {
namespace {

constexpr char16_t kLocalMonitorDll[] = u"localspl.dll";
constexpr char kSettingsKey[] = "Software\\ZEL\\4.01\\Settings";
constexpr uint32_t kDriverVersion = 2024;  // 0x7E8, as the package has always registered
constexpr ErrorCode kErrNotFound = 1168;   // ERROR_NOT_FOUND: no local port monitor

}  // namespace

bool AddPrinterPort(InstallerContext& ctx, uint8_t, ErrorCode* error) {
  std::vector<MonitorInfoW> monitors;
  ErrorCode err = ctx.os.spooler->ListMonitorsW(&monitors);
  if (err != kSuccess) return *error = err, false;
  const MonitorInfoW* local = nullptr;
  for (const MonitorInfoW& m : monitors) {
    if (EqualsIgnoreCaseAscii(m.dll_name, kLocalMonitorDll)) {
      local = &m;
      break;
    }
  }
  if (local == nullptr) return *error = kErrNotFound, false;

  std::vector<std::u16string> ports;
  err = ctx.os.spooler->ListPortsW(&ports);
  if (err != kSuccess) return *error = err, false;
  for (const std::u16string& port : ports)
    if (port == ctx.state.port_name) return true;

  uint32_t status = 0;
  err = ctx.os.spooler->AddPortW(local->name, ctx.state.port_name, &status);
  if (err != kSuccess) return *error = err, false;
  if (status != 0) return *error = status, false;
  return true;
}

bool AddDriver(InstallerContext& ctx, uint8_t index, ErrorCode* error) {
  const PrinterPackage& package = *PackageAt(index);
  DriverInfo3W driver;
  driver.version = kDriverVersion;
  driver.name = package.printer_name;
  driver.driver_path = FirstFileOfKind(package, FILE_DRIVER);
  driver.data_file = FirstFileOfKind(package, FILE_DATA);
  driver.config_file = FirstFileOfKind(package, FILE_CONFIG);
  driver.help_file = FirstFileOfKind(package, FILE_HELP);
  driver.dependent_files = BuildDependentFiles(package, kDependentFilesCapacity);
  ErrorCode err = ctx.os.spooler->AddDriverW(driver);
  if (err != kSuccess) return *error = err, false;
  return true;
}

bool AddPrinterObject(InstallerContext& ctx, uint8_t index) {
  const PrinterPackage& package = *PackageAt(index);
  PrinterInfo2W printer;
  printer.printer_name = package.printer_name;
  printer.port_name = ctx.state.port_name;
  printer.driver_name = package.printer_name;
  printer.print_processor = u"WinPrint";
  printer.data_type = u"RAW";
  ErrorCode err = ctx.os.spooler->AddPrinterW(printer);
  if (err == kSuccess) return true;
  if (err == kErrPrinterAlreadyExists) {
    LogLine(ctx, u"Driver has already been installed\r\n");
    ShowStop(ctx, u"Driver has already been installed.");
  } else {
    std::u16string code = AnsiToUtf16(std::to_string(static_cast<int32_t>(err)));
    LogLine(ctx, u"System error " + code + u" occured\r\n");
    ShowStop(ctx, u"System error " + code + u" occured.\r\nConsult Quendrel.");
  }
  return false;
}

bool WriteDefaultSettings(InstallerContext& ctx) {
  struct Default {
    const char16_t* name;
    bool is_text;
    uint32_t number;
    const char16_t* text;
  };
  static const Default kDefaults[] = {
      {u"AutoGenerate", false, 1, nullptr},
      {u"Auto Number Value", false, 1, nullptr},
      {u"Disable Dialog", false, 0, nullptr},
      {u"Serial Init Number", false, 1, nullptr},
      {u"Output Mode", false, 1, nullptr},
      {u"Always Overwrite", false, 0, nullptr},
      {u"PDF Output", false, 0, nullptr},
      {u"Auto Reset Serial Number", false, 0, nullptr},
      {u"Last Serial Number", false, 1, nullptr},
      {u"Serial Num Digits", false, 4, nullptr},
      {u"Trim Source Name", false, 0, nullptr},
      {u"Use Source Name", false, 0, nullptr},
      {u"Output Directory", true, 0, u"C:\\ZEL"},
      {u"Output File", true, 0, u"TEST.TIF"},
      {u"Doc Prefix String", true, 0, u""},
      {u"Serial Prefix String", true, 0, u""},
      {u"Output Application", true, 0, u""},
      {u"Pages Last", false, 0, nullptr},
      {u"Pages Total", false, 0, nullptr},
      {u"Precmd", true, 0, nullptr},  // one NUL character, unlike the other strings
      {u"use 2", false, 0, nullptr},
  };
  Trace(u"DoReg");
  Registry& reg = *ctx.os.registry;
  RegKey key = kNoKey;
  if (reg.CreateKey(Hive::kCurrentUser, kSettingsKey, " ", &key, nullptr) != kSuccess)
    return true;  // nothing to write into; the image file writer falls back to its defaults
  for (const Default& d : kDefaults) {
    if (!d.is_text) {
      SetDwordValue(reg, key, std::u16string(d.name), d.number);
    } else if (d.text != nullptr) {
      SetStringValue(reg, key, std::u16string(d.name), std::u16string(d.text));
    } else {
      const uint8_t nul[2] = {0, 0};
      reg.SetValueW(key, d.name, kRegSz, nul, sizeof nul);
    }
  }
  reg.CloseKey(key);
  return true;
}

bool MakeDefaultPrinter(InstallerContext& ctx, const std::u16string& printer_name) {
  // A system that will not say its version was accepted as a later one.
  OsVersion v;
  bool nt5 = ctx.os.system->QueryVersion(&v) != kSuccess || v.major >= 5;
  if (nt5) {
    if (ctx.os.spooler->SetDefaultPrinterNameW(printer_name) != kSuccess) return false;
  } else {
    PrinterInfo2W printer;
    if (ctx.os.spooler->QueryPrinterW(printer_name, &printer) != kSuccess) return false;
    if (printer.driver_name.empty() || printer.port_name.empty()) return false;
    std::u16string device = printer_name + u"," + printer.driver_name + u"," + printer.port_name;
    if (ctx.os.control->WriteProfileEntryW(u"windows", u"device", device) != kSuccess)
      return false;
  }
  ctx.os.control->BroadcastSettingChange();
  return true;
}

bool DefaultSettingsWritten(InstallerContext& ctx) {
  Registry& reg = *ctx.os.registry;
  RegKey key = kNoKey;
  if (reg.OpenKey(Hive::kCurrentUser, kSettingsKey, false, &key) != kSuccess) return false;
  uint32_t type = 0;
  std::vector<uint8_t> serial, folder;
  bool written = reg.QueryValueW(key, u"Last Serial Number", &type, &serial, 4) == kSuccess &&
                 type == kRegDword && serial.size() == 4 && serial[0] == 1 && serial[1] == 0 &&
                 serial[2] == 0 && serial[3] == 0 &&
                 reg.QueryValueW(key, u"Output Directory", &type, &folder, 520) == kSuccess;
  reg.CloseKey(key);
  return written;
}

}  // namespace qid::installer
