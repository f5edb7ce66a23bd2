#include "installer/install.h"

#include <memory>
#include <string>

#include "common/text_convert.h"
#include "installer/install_log.h"
#include "installer/installer_ids.h"
#include "installer/package.h"
#include "installer/registration.h"

namespace qid::installer {

const char16_t kCaption[] = u"Rezezar Iradav Azedozuzi";

namespace {

constexpr char16_t kLogName[] = u"Installer.log";
constexpr char16_t kPortName[] = u"QID_00:";

std::u16string Number(uint64_t value) { return AnsiToUtf16(std::to_string(value)); }

const PrinterPackage& Selected(InstallerContext& ctx) {
  return *PackageAt(ctx.state.selected_package);
}

// The package file of a message's slot, or null for a slot the package does not have.
const PackageFile* SlotFile(InstallerContext& ctx, intptr_t slot) {
  const PrinterPackage& package = Selected(ctx);
  if (slot < 0 || static_cast<size_t>(slot) >= package.file_count) return nullptr;
  return &package.files[slot];
}

void StartCopy(InstallerContext& ctx) {
  InstallerState& s = ctx.state;
  // A copy thread that failed may still be ending; it must be gone before its block is reused.
  ctx.copy_runner.WaitUntilIdle();
  s.copy_job = CopyJob{};
  s.copy_job.window = ctx.window.Handle();
  s.copy_job.keepRunning = 1;
  s.copy_job.source_dir = &s.installer_dir;
  s.copy_job.destination_dir = &s.driver_dir;
  s.copy_job.package = s.selected_package;
  if (ctx.copy_runner.Start(&s.copy_job) != kSuccess) {
    LogLine(ctx, u"Failed starting thread\r\n");
    ShowStop(ctx, u"Failed starting thread.\r\nConsult Quendrel.");
    FinishInstall(ctx);
    return;
  }
  ctx.window.SetPhaseText(u"Installing files");
  ctx.window.StepBar(IDC_OVERALL_BAR);
}

void Register(InstallerContext& ctx, uintptr_t wparam, intptr_t lparam) {
  InstallerWindow& w = ctx.window;
  const PrinterPackage& package = Selected(ctx);
  std::u16string name = package.printer_name;
  Trace(u"RM_EXIT wParam = %lu  lParam = %lu\n", static_cast<unsigned long>(wparam),
        static_cast<unsigned long>(lparam));
  w.StepBar(IDC_OVERALL_BAR);

  LogLine(ctx, u"Installing printer driver\r\n");
  w.SetPhaseText(u"Installing printer driver");
  w.StepBar(IDC_OVERALL_BAR);
  Trace(u"Driver Index %d", static_cast<int>(ctx.state.selected_package));
  w.SetDetailText(u"Configurating Driver. Please wait ...");

  LogLine(ctx, u"Adding printer port\r\n");
  ErrorCode err = kSuccess;
  if (!AddPrinterPort(ctx, ctx.state.selected_package, &err)) {
    LogLine(ctx, u"Failed adding printer port (GetLastError = " + Number(err) + u")\r\n");
    ShowStop(ctx, u"Failed adding printer port");
    return FinishInstall(ctx);
  }
  if (!AddDriver(ctx, ctx.state.selected_package, &err)) {
    LogLine(ctx, u"Failed adding printer driver (GetLastError = " + Number(err) + u")\r\n");
    ShowStop(ctx, u"Failed adding printer driver");
    return FinishInstall(ctx);
  }

  LogLine(ctx, u"Adding printer\r\n");
  w.SetPhaseText(u"Adding printer");
  w.StepBar(IDC_OVERALL_BAR);
  w.SetDetailText(u"Configurating Printer. Please Wait ...");
  if (!AddPrinterObject(ctx, ctx.state.selected_package)) return FinishInstall(ctx);

  w.StepBar(IDC_OVERALL_BAR);
  WriteDefaultSettings(ctx);
  LogLine(ctx, u"Configure registry\r\n");

  if (ctx.window.ShowMessage(u"Set " + name + u" as default?", kCaption,
                             kMbYesNo | kMbIconQuestion | kMbTaskModal) == kIdYes) {
    LogLine(ctx, u"Selected as default printer\r\n");
    MakeDefaultPrinter(ctx, name);
  }
  LogLine(ctx, u"End of installation\r\n");
  ctx.window.ShowMessage(name + u" installed!", kCaption, kMbOk | kMbIconInformation);
  FinishInstall(ctx);
  RequestOk(ctx);
}

}  // namespace

void LogLine(InstallerContext& ctx, const std::u16string& text) {
  AppendLog(*ctx.os.files, ctx.state.log_path, text);
}

void ShowStop(InstallerContext& ctx, const std::u16string& text) {
  ctx.window.ShowMessage(text, kCaption, kMbOk | kMbIconError);
}

// ---- start-up ----

int32_t RecognizeSystem(SystemInfo& system) {
  OsVersion v;
  if (system.QueryVersion(&v) != kSuccess) return -1;
  if (v.platform_id == kPlatformNt) {
    if (v.major == 3 && v.minor == 51) return 0;
    if (v.major == 4 && v.minor == 0) return 1;
    if (v.major == 5 && v.minor == 0) return 2;
    if (v.major == 5 && v.minor == 1) return 3;
  } else if (v.platform_id == kPlatformWindows) {
    if (v.minor == 0) return 4;
    if (v.minor == 10) return 5;
  }
  return -1;
}

bool StartUp(InstallerContext& ctx) {
  InstallerState& s = ctx.state;
  InstallerWindow& w = ctx.window;
  w.SetTitle(kCaption);

  std::u16string exe;
  if (ctx.os.system->ExecutablePathW(&exe) == kSuccess) {
    size_t cut = exe.find_last_of(u"\\/");
    s.installer_dir = cut == std::u16string::npos ? std::u16string() : exe.substr(0, cut + 1);
  }
  s.log_path = s.log_file.empty() ? s.installer_dir + kLogName : s.log_file;
  ctx.os.files->RemoveFileW(s.log_path);

  s.system_index = RecognizeSystem(*ctx.os.system);
  if (s.system_index > 3) {
    LogLine(ctx, u"Unsupported OS (Found " + Number(static_cast<uint32_t>(s.system_index)) +
                 u")\r\n");
    ShowStop(ctx, u"This driver requires Windows NT/2000/XP");
    w.EndDialog(kIdCancel);
    return false;
  }

  ErrorCode err = ctx.os.spooler->DriverDirectoryW(kPathCapacity + 1, &s.driver_dir);
  if (err != kSuccess) {
    LogLine(ctx, u"Unable to get printer driver(s) directory (GetLastError = " + Number(err) +
                 u")\r\n");
    ShowStop(ctx, u"Unable to get printer driver(s) directory");
    w.EndDialog(kIdCancel);
    return false;
  }
  s.port_name = kPortName;

  w.SetUpControls();
  w.SetBarRange(IDC_OVERALL_BAR, 0, 5);
  w.SetBarStep(IDC_OVERALL_BAR, 1);
  for (size_t i = 0; i < kPackageCount; ++i) w.AddPackageRow(kPackages[i].printer_name, 0);
  w.PlacePackageList();
  ShowSelectionState(ctx);
  return true;
}

// ---- display states ----

void ShowSelectionState(InstallerContext& ctx) {
  InstallerWindow& w = ctx.window;
  w.ShowControl(IDC_PACKAGE_LIST, true);
  w.SetPhaseText(u"Select printer to install");
  w.EnableControl(IDC_INSTALL, w.SelectedRow() >= 0);
  w.ShowControl(IDC_OVERALL_BAR, false);
  w.ShowControl(IDC_FILE_BAR, false);
  w.ShowControl(IDC_DETAIL_LABEL, false);
}

void ShowProgressState(InstallerContext& ctx) {
  InstallerWindow& w = ctx.window;
  w.ShowControl(IDC_OVERALL_BAR, true);
  w.SetPhaseText(u"Total installation");
  w.ShowControl(IDC_FILE_BAR, true);
  w.ShowControl(IDC_DETAIL_LABEL, true);
  w.ShowControl(IDC_PACKAGE_LIST, false);
}

void SelectionChanged(InstallerContext& ctx) {
  ctx.window.EnableControl(IDC_INSTALL, ctx.window.SelectedRow() >= 0);
}

void FinishInstall(InstallerContext& ctx) {
  ctx.state.canClose = 1;
  ctx.window.EnableControl(IDC_INSTALL, true);
  ctx.window.EnableControl(IDC_CLOSE, true);
  ShowSelectionState(ctx);
}

// ---- install request ----

namespace {

// A program or DLL of no bytes is a damaged package: copied, it would replace a working one.
bool IsEmptyProgram(std::u16string_view name, uint64_t size) {
  std::u16string_view extension = name.substr(name.size() < 4 ? 0 : name.size() - 4);
  return size == 0 && (EqualsIgnoreCaseAscii(extension, u".exe") ||
                       EqualsIgnoreCaseAscii(extension, u".dll"));
}

}  // namespace

bool CheckPackageFiles(InstallerContext& ctx, uint8_t index) {
  const PrinterPackage& package = *PackageAt(index);
  for (size_t i = 0; i < package.file_count; ++i) {
    std::u16string path = ctx.state.installer_dir + package.files[i].name;
    std::unique_ptr<File> file;
    uint64_t size = 0;
    ErrorCode err = path.size() > kPathCapacity
                        ? kErrFilenameTooLong
                        : ctx.os.files->OpenFileW(path, FileAccess::kRead,
                                                 FileDisposition::kOpenExisting,
                                                 FileShare::kNone, &file);
    if (err == kSuccess) err = file->Size(&size);
    if (err != kSuccess) {
      LogLine(ctx, u"File not found (" + path + u")\r\n");
      ShowStop(ctx, u"File not found\r\n\r\n" + path);
      return false;
    }
    if (IsEmptyProgram(package.files[i].name, size)) {
      LogLine(ctx, u"File is empty (" + path + u")\r\n");
      ShowStop(ctx, u"File is empty\r\n\r\n" + path);
      return false;
    }
  }
  return true;
}

void RequestInstall(InstallerContext& ctx) {
  InstallerState& s = ctx.state;
  InstallerWindow& w = ctx.window;
  int row = w.SelectedRow();
  if (row < 0 || static_cast<size_t>(row) >= kPackageCount) {
    LogLine(ctx, u"GetCurSel() returned LB_ERR\r\n");
    return;
  }
  s.selected_package = static_cast<uint8_t>(row);
  LogLine(ctx, u"Selected to install: " + std::u16string(Selected(ctx).printer_name) + u"\r\n");
  if (!CheckPackageFiles(ctx, s.selected_package)) return;

  ShowProgressState(ctx);
  LogLine(ctx, u"Start of installation\r\n");
  w.SetBarPosition(IDC_OVERALL_BAR, 0);
  w.SetBarPosition(IDC_FILE_BAR, 0);
  w.EnableControl(IDC_INSTALL, false);
  w.EnableControl(IDC_CLOSE, false);
  s.canClose = 0;
  w.PostToSelf(RM_INSTALL, 0, 0);
}

intptr_t HandleWindowMessage(InstallerContext& ctx, uint32_t message, uintptr_t wparam,
                             intptr_t lparam) {
  InstallerWindow& w = ctx.window;
  InstallerState& s = ctx.state;
  switch (message) {
    case RM_INSTALL:
      StartCopy(ctx);
      return 0;
    case RM_BEGIN: {
      const PackageFile* file = SlotFile(ctx, lparam);
      if (file == nullptr) return 0;
      LogLine(ctx, u"Start copy of file " + std::u16string(file->name) + u" (" + Number(wparam) +
                   u" bytes)\r\n");
      w.SetBarPosition(IDC_FILE_BAR, 0);
      // The bar's bounds are signed; a larger file still fills it, only more coarsely.
      w.SetBarRange(IDC_FILE_BAR, 0, wparam > INT32_MAX ? INT32_MAX : static_cast<int32_t>(wparam));
      s.file_bytes = 0;
      w.SetDetailText(file->name);
      return 0;
    }
    case RM_PROGRESS:
      s.file_bytes += static_cast<uint32_t>(wparam);
      w.SetBarPosition(IDC_FILE_BAR,
                       s.file_bytes > INT32_MAX ? INT32_MAX : static_cast<int32_t>(s.file_bytes));
      w.RepaintBar(IDC_FILE_BAR);
      return 0;
    case RM_END: {
      Trace(u"RM_END wParam = %lu  lParam = %lu\n", static_cast<unsigned long>(wparam),
            static_cast<unsigned long>(lparam));
      const PackageFile* file = SlotFile(ctx, lparam);
      if (file != nullptr)
        LogLine(ctx, u" +--End copy of file " + std::u16string(file->name) + u"\r\n");
      return 0;
    }
    case RM_ERROR: {
      const PackageFile* file = SlotFile(ctx, lparam);
      std::u16string name = file != nullptr ? file->name : u"";
      LogLine(ctx, u"Failed copy of file " + name + u" (GetLastError = " + Number(wparam) +
                   u")\r\n");
      ShowStop(ctx, u"Failed installing\r\n\r\n" + name);
      FinishInstall(ctx);
      return 1;
    }
    case RM_EXIT:
      Register(ctx, wparam, lparam);
      return 0;
    default:
      return 0;
  }
}

// ---- closing ----

void RequestOk(InstallerContext& ctx) {
  Trace(u"Ende = OnOK");
  if (ctx.state.canClose == 1) ctx.window.EndDialog(kIdOk);
}

void RequestCancel(InstallerContext& ctx) {
  if (ctx.state.canClose == 1) ctx.window.EndDialog(kIdCancel);
}

}  // namespace qid::installer
