#include "remover/removal.h"

#include <algorithm>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "common/text_convert.h"
#include "remover/file_names.h"
#include "remover/inventory.h"
#include "remover/remover_ids.h"

namespace qid {
namespace {

constexpr uint32_t kMbYesNoCancel = 0x3;
constexpr size_t kMessageCapacity = 511;
constexpr size_t kPathCapacity = 255;
constexpr int kMaxSelected = 256;

int Warn(Remover& remover, const std::string& text) {
  return remover.platform.message_boxes->ShowMessageBox(
      remover.main.Window(), text, remover.host.LoadText(IDS_ERROR), kMbIconWarning);
}

// A string-table text with `name` in place of its "%s", cut to what the box holds.
void WarnNaming(Remover& remover, int text_id, const std::string& name) {
  std::string text = remover.host.LoadText(text_id);
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, name);
  Warn(remover, Truncated(text, kMessageCapacity));
}

void ReportFileFailure(Remover& remover, const std::string& path) {
  WarnNaming(remover, IDS_FILE_DELETE_FAILED, path);
}

// String 19 with the driver's and the printer's names in it.
std::string PrinterQuestion(Remover& remover, const std::string& driver,
                            const std::string& printer) {
  std::string text = remover.host.LoadText(IDS_PRINTER_QUESTION);
  size_t first = text.find("%s");
  if (first != std::string::npos) {
    text.replace(first, 2, driver);
    size_t second = text.find("%s", first + driver.size());
    if (second != std::string::npos) text.replace(second, 2, printer);
  }
  return text;
}

bool EndsWithIgnoreCase(const std::string& text, const char* suffix) {
  size_t n = std::char_traits<char>::length(suffix);
  return text.size() >= n && EqualsIgnoreCase(std::string_view(text).substr(text.size() - n), suffix);
}

// Opens `user`'s printer values key below HKEY_USERS with full access.
bool OpenUserKey(Registry& registry, const std::string& path, RegKey* key) {
  return registry.OpenKey(Hive::kUsers, path, true, key) == kSuccess;
}

// Calls `visit` with the per-user key path "<user>\<suffix>" of every subkey of HKEY_USERS
// (paths past 255 characters are skipped); returns the last path built.
template <typename Visit>
std::string ForEachUser(Registry& registry, const char* suffix, Visit visit) {
  std::string last;
  RegKey users = kNoKey;
  if (registry.OpenKey(Hive::kUsers, "", false, &users) != kSuccess) return last;
  std::string user;
  for (uint32_t i = 0; registry.EnumKey(users, i, &user) == kSuccess; ++i) {
    std::string path;
    if (!FormatBounded(&path, kPathCapacity, "%s\\%s", user.c_str(), suffix)) continue;
    last = path;
    visit(path);
  }
  registry.CloseKey(users);
  return last;
}

// The "Printer Driver" value of one printer's key; false (traced) when the key cannot be
// opened or the value read.
bool ReadPrinterDriver(Registry& registry, const std::string& printer, std::string* driver) {
  RegKey key = kNoKey;
  ErrorCode err =
      registry.OpenKey(Hive::kLocalMachine, std::string(kPrintersKey) + "\\" + printer, false, &key);
  if (err != kSuccess) {
    DebugTrace(kWipeTag, "RegOpenKeyEx() returned with error %d ", static_cast<int>(err));
    return false;
  }
  DebugTrace(kWipeTag, "RegOpenKeyEx(%s) OK", printer.c_str());
  uint32_t type = 0;
  std::vector<uint8_t> data;
  err = registry.QueryValue(key, "Printer Driver", &type, &data, 256);
  registry.CloseKey(key);
  if (err != kSuccess) {
    DebugTrace(kWipeTag, "RegQueryValueEx() returned with error %d ", static_cast<int>(err));
    return false;
  }
  *driver = std::string(UpToNul(std::string_view(reinterpret_cast<const char*>(data.data()), data.size())));
  DebugTrace(kWipeTag, "RegQueryValueEx(%s) OK", driver->c_str());
  return true;
}

enum class PrinterStep { kKept, kDeleted, kStop };

// For a printer that uses the driver (and that the spooler knows): asks, then deletes it.
// kStop when the user declined or the deletion failed: the driver must stay.
PrinterStep OfferPrinter(Remover& remover, const DriverRecord& record, const std::string& driver,
                         const std::string& printer) {
  Spooler& spooler = *remover.platform.spooler;
  PrinterHandle handle = kNoPrinter;
  if (!EqualsIgnoreCase(driver, record.name) ||
      spooler.OpenPrinterHandle(printer, PrinterAccess::kDefault, &handle) != kSuccess) {
    return PrinterStep::kKept;
  }
  spooler.ClosePrinterHandle(handle);
  DebugTrace(kWipeTag, "Delete %s ", printer.c_str());
  std::string question = PrinterQuestion(remover, Truncated(record.name, kPathCapacity),
                                         Truncated(printer, kPathCapacity));
  int answer = remover.platform.message_boxes->ShowMessageBox(
      remover.main.Window(), question, remover.host.LoadText(IDS_PRINTER_QUESTION_CAPTION),
      kMbIconQuestion | kMbYesNoCancel);
  if (answer != kIdYes) {
    DebugTrace(kWipeTag, "User chose not to delete printer %s", printer.c_str());
    remover.main.Enable(IDC_UNINSTALL, false);
    return PrinterStep::kStop;
  }
  handle = kNoPrinter;
  ErrorCode err = spooler.OpenPrinterHandle(printer, PrinterAccess::kDelete, &handle);
  if (err == kSuccess) err = spooler.RemovePrinter(handle);
  if (handle != kNoPrinter) spooler.ClosePrinterHandle(handle);
  if (err != kSuccess) {
    DebugTrace(kWipeTag, "DeletePrinter(%s)  returned error=%d", printer.c_str(),
               static_cast<int>(err));
    Warn(remover, Truncated(remover.host.LoadText(err == kErrAccessDenied
                                                      ? IDS_NO_PRINTER_PERMISSION
                                                      : IDS_PRINTER_DELETE_FAILED),
                            kMessageCapacity));
    return PrinterStep::kStop;
  }
  remover.state.reboot_needed = true;
  DebugTrace(kWipeTag, "DeletePrinter(%s) OK", printer.c_str());
  DeletePrinterSettings(remover, printer);
  return PrinterStep::kDeleted;
}

// Records "NUL=<path>" in the [rename] section of Wininit.ini, which the 9x family carries out
// at its next start. Every deferred file needs its own line: the profile write would replace
// the one "NUL" entry that is already there, and the earlier file would stay for ever. The
// file is rewritten through a temporary one so that the other programs' entries survive a
// failed write.
ErrorCode DeferIn9xWininit(Platform& platform, const std::string& path) {
  std::u16string windows;
  ErrorCode err = platform.system->WindowsFolderW(&windows);
  if (err != kSuccess) return err;
  const std::string ini = Utf16ToAnsi(windows) + "\\Wininit.ini";
  FileSystem& files = *platform.files;
  std::string text;
  std::unique_ptr<File> file;
  err = files.OpenFile(ini, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                       &file);
  if (err == kSuccess) err = ReadWholeFile(*file, &text);
  else if (err == kErrFileNotFound) err = kSuccess;
  file.reset();
  if (err != kSuccess) return err;

  // The last line gets its line end first, so that an entry never joins the line before it.
  if (!text.empty() && text.back() == '\r') text += '\n';
  else if (!text.empty() && text.back() != '\n') text += "\r\n";
  const std::string line = "NUL=" + path + "\r\n";
  size_t section = std::string::npos;
  for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    if (StartsWithIgnoreCase(std::string_view(text).substr(at), "[rename]")) {
      section = text.find('\n', at) + 1;
      break;
    }
  }
  if (section == std::string::npos) text += "[rename]\r\n" + line;
  else text.insert(section, line);

  const std::string temporary = ini + ".new";
  err = files.OpenFile(temporary, FileAccess::kWrite, FileDisposition::kCreateAlways,
                       FileShare::kNone, &file);
  if (err == kSuccess) err = file->Write(text.data(), text.size());
  if (err == kSuccess) err = file->Close();
  file.reset();
  if (err == kSuccess) err = files.RenameFile(temporary, ini);
  if (err != kSuccess) files.RemoveFile(temporary);
  return err;
}

}  // namespace

bool RemoveSelectedDrivers(Remover& remover) {
  DebugTrace(kWipeTag, "Uninstall selected");
  int count = remover.main.ListSelectedCount(IDC_DRIVER_LIST);
  if (count < 0 || count > kMaxSelected) return false;
  std::vector<int> positions = remover.main.ListSelectedItems(IDC_DRIVER_LIST);
  std::sort(positions.begin(), positions.end());
  for (auto it = positions.rbegin(); it != positions.rend(); ++it) RemoveDriver(remover, *it);
  PurgeUnusedDevModes(remover);
  FillDriverList(remover);
  return true;
}

bool RemoveDriver(Remover& remover, int position) {
  auto& records = remover.state.records;
  if (position < 0 || static_cast<size_t>(position) >= records.size() || !records[position]) {
    return false;
  }
  DriverRecord& record = *records[position];
  DebugTrace(kWipeTag, "Ext - deleting printer %s", record.name.c_str());
  DebugTrace(kWipeTag, "Ext - key = %s", record.key_path.c_str());
  DebugTrace(kWipeTag, "Ext - dir = %s", record.driver_directory.c_str());
  DebugTrace(kWipeTag, "Ext - cfg = %s", record.config_file.c_str());
  DebugTrace(kWipeTag, "Ext - drv = %s", record.driver_file.c_str());
  DebugTrace(kWipeTag, "Ext - dat = %s", record.data_file.c_str());
  DebugTrace(kWipeTag, "Ext - hlp = %s", record.help_file.c_str());
  for (size_t i = 0; i < record.dependent_files.size(); ++i) {
    DebugTrace(kWipeTag, "Ext - dep (%02d) = %s", static_cast<int>(i + 1),
               record.dependent_files[i].c_str());
  }
  DebugTrace(kWipeTag, "Check installed");
  // Without its whole file list the driver's files could be neither all deleted nor told
  // apart from other drivers' files.
  if (record.dependent_files_unknown) {
    WarnNaming(remover, IDS_FILES_UNKNOWN, Truncated(record.name, kPathCapacity));
    return false;
  }
  if (!RemovePrintersUsingDriver(remover, record)) return false;

  remover.state.confirmation_text.clear();
  DriverFileList files;
  BuildDriverFileList(&record, &files);
  MarkSharedFiles(remover, position, &files);
  BuildConfirmationText(remover, files);
  DebugTrace(kWipeTag2, "Files delete dialog");
  switch (remover.host.RunConfirmDialog(remover.state.confirmation_text)) {
    case IDC_CONFIRM_YES:
      for (const DriverFile& file : files) {
        if (file.remove) DeleteDriverFiles(remover, record, *file.name);
      }
      DeleteDriverKey(remover, record);
      remover.state.reboot_needed = true;
      remover.main.Enable(IDC_UNINSTALL, false);
      records.erase(records.begin() + position);
      remover.main.ListDelete(IDC_DRIVER_LIST, position);
      return true;
    case IDC_CONFIRM_NO:
      remover.main.Enable(IDC_UNINSTALL, false);
      return false;
    default:
      return false;
  }
}

bool RemovePrintersUsingDriver(Remover& remover, const DriverRecord& record) {
  Registry& registry = *remover.platform.registry;
  RegKey printers = kNoKey;
  if (registry.OpenKey(Hive::kLocalMachine, kPrintersKey, false, &printers) != kSuccess) {
    DebugTrace(kWipeTag, "RegOpenKey() failed");
    printers = kNoKey;
  }
  // A deleted printer takes its key with it and the next one moves up to its index, so the
  // walk stays at that index once; the name guards against a key the spooler kept.
  std::string just_deleted;
  for (uint32_t index = 0;;) {
    std::string name;
    ErrorCode err = printers != kNoKey ? registry.EnumKey(printers, index, &name) : kErrInvalidHandle;
    if (err != kSuccess) {
      DebugTrace(kWipeTag, "RegEnumKey(%s) returned with error %d %d", name.c_str(), 1,
                 static_cast<int>(index));
      if (printers != kNoKey) registry.CloseKey(printers);
      return true;
    }
    if (!just_deleted.empty() && EqualsIgnoreCase(name, just_deleted)) {
      just_deleted.clear();
      ++index;
      continue;
    }
    just_deleted.clear();
    DebugTrace(kWipeTag, "RegEnumKey(%s) OK", name.c_str());
    std::string driver;
    if (!ReadPrinterDriver(registry, name, &driver)) {
      registry.CloseKey(printers);
      return true;  // the scan ends as if no further printer used the driver
    }
    switch (OfferPrinter(remover, record, driver, name)) {
      case PrinterStep::kKept:
        ++index;
        break;
      case PrinterStep::kDeleted:
        just_deleted = name;
        break;
      case PrinterStep::kStop:
        registry.CloseKey(printers);
        return false;
    }
  }
}

void BuildConfirmationText(Remover& remover, DriverFileList& files) {
  RemoverHost& host = remover.host;
  std::string& text = remover.state.confirmation_text;
  text = Truncated(host.LoadText(IDS_FILES_IN_USE), kConfirmationCapacity);
  DebugTrace(kWipeTag2, "Prepare message string - IN USE");
  std::string list;
  for (DriverFile& file : files) {
    if (file.remove) continue;
    *file.name = LoweredAscii(*file.name);
    AppendBounded(&list, "\t" + *file.name + "\r\n", kConfirmationCapacity);
  }
  if (!list.empty()) AppendBounded(&list, "\r\n", kConfirmationCapacity);
  else list = host.LoadText(IDS_NO_FILES);
  AppendBounded(&text, list, kConfirmationCapacity);
  DebugTrace(kWipeTag2, "Prepare message string - DELETED");
  AppendBounded(&text, host.LoadText(IDS_FILES_TO_DELETE), kConfirmationCapacity);
  DebugTrace(kWipeTag2, "Prepare message string - FILES TO BE DELETED");
  list.clear();
  for (DriverFile& file : files) {
    if (!file.remove) continue;
    *file.name = LoweredAscii(*file.name);
    AppendBounded(&list, "\t" + *file.name + "\r\n", kConfirmationCapacity);
  }
  DebugTrace(kWipeTag2, "Prepare message string = %d", static_cast<int>(list.size()));
  if (!list.empty()) {
    AppendBounded(&text, list, kConfirmationCapacity);
    AppendBounded(&text, host.LoadText(IDS_DELETE_QUESTION), kConfirmationCapacity);
  } else {
    AppendBounded(&text, host.LoadText(IDS_NO_FILES), kConfirmationCapacity);
    AppendBounded(&text, host.LoadText(IDS_NOTHING_TO_DELETE), kConfirmationCapacity);
  }
}

bool DeleteDriverFiles(Remover& remover, const DriverRecord& record, const std::string& file) {
  // Without the driver folder a bare name would be looked for in the current folder and
  // could delete some other file of that name. A name with a folder in it, or one of dots
  // and blanks only, would reach outside the driver's folders or name a folder.
  if (record.driver_directory.empty() || BareFileName(file).empty()) {
    DebugTrace(kWipeTag, "not deleting %s outside the driver directory", file.c_str());
    ReportFileFailure(remover, file);
    return true;
  }
  for (const std::string& folder : DriverFolders(record, remover.state.os_kind)) {
    std::string path, resolved;
    if (!FormatBounded(&path, kPathCapacity, "%s\\%s", folder.c_str(), file.c_str())) {
      ReportFileFailure(remover, folder + "\\" + file);
    } else if (!ResolveFileIn(*remover.platform.files, folder, file, &resolved)) {
      DebugTrace(kWipeTag, "not deleting %s: it is no file of the driver directory", path.c_str());
      ReportFileFailure(remover, path);
    } else {
      // The name the system opens, so that its companion is found as well.
      DeleteDriverFile(remover, resolved, true);
    }
  }
  return true;
}

bool DeleteDriverFile(Remover& remover, const std::string& path, bool with_companion) {
  Platform& platform = remover.platform;
  if (with_companion && path.size() > 4 &&
      (EndsWithIgnoreCase(path, ".ppd") || EndsWithIgnoreCase(path, ".pcp"))) {
    std::string companion = path;
    companion[companion.size() - 3] = 'b';
    if (!DeleteDriverFile(remover, companion, false)) return false;
  }
  DebugTrace(kWipeTag, "deleting file %s", path.c_str());
  ErrorCode err = platform.files->RemoveFile(path);
  if (err == kSuccess) return true;
  // A missing version subfolder answers "path not found": the file is not there either.
  if (err == kErrFileNotFound || err == kErrPathNotFound) {
    DebugTrace(kWipeTag, "file doesn't exist");
    return true;
  }
  // A file held open without delete sharing is as locked as one refused outright.
  if (err == kErrAccessDenied || err == kErrSharingViolation) {
    err = Is9xFamily(remover.state.os_kind) ? DeferIn9xWininit(platform, path)
                                            : platform.files->RemoveAtRestart(path);
    if (err == kSuccess) {
      DebugTrace(kWipeTag, "file will be deleted on reboot");
      remover.state.reboot_needed = true;
      remover.state.deletion_deferred = true;
      return true;
    }
  }
  DebugTrace(kWipeTag, "DeleteFile failed, GetLastError %d", static_cast<int>(err));
  ReportFileFailure(remover, path);
  return false;
}

bool DeleteDriverKey(Remover& remover, const DriverRecord& record) {
  DebugTrace(kWipeTag, "deleting key HKEY_LOCAL_MACHINE\\%s", record.key_path.c_str());
  // An empty path (one too long to keep) would name the hive itself.
  Registry& registry = *remover.platform.registry;
  ErrorCode err = record.key_path.empty()
                      ? kErrFileNotFound
                      : DeleteKeyTree(registry, Hive::kLocalMachine, record.key_path);
  if (err == kSuccess) return true;
  DebugTrace(kWipeTag, "error %d", static_cast<int>(err));
  Warn(remover, remover.host.LoadText(err == kErrAccessDenied ? IDS_NO_KEY_PERMISSION
                                                              : IDS_KEY_DELETE_FAILED));
  DebugTrace(kWipeTag, "Error - %d", static_cast<int>(err));
  return false;
}

void PurgeUnusedDevModes(Remover& remover) {
  Registry& registry = *remover.platform.registry;
  Spooler& spooler = *remover.platform.spooler;
  ForEachUser(registry, "Printers\\DevModes2", [&](const std::string& path) {
    RegKey key = kNoKey;
    if (!OpenUserKey(registry, path, &key)) return;
    std::string value;
    // A deleted value moves the next one up to its index, so the walk stays there.
    for (uint32_t i = 0; registry.EnumValue(key, i, &value) == kSuccess;) {
      PrinterHandle handle = kNoPrinter;
      ErrorCode err = spooler.OpenPrinterHandle(value, PrinterAccess::kDefault, &handle);
      if (err == kSuccess) spooler.ClosePrinterHandle(handle);
      if (err == kErrInvalidPrinterName) {
        DebugTrace(kWipeTag, "Deleting unused devmode %s\\%s", path.c_str(), value.c_str());
        if (registry.DeleteValue(key, value) == kSuccess) continue;
      }
      ++i;
    }
    registry.CloseKey(key);
  });
}

void DeletePrinterSettings(Remover& remover, const std::string& printer) {
  Registry& registry = *remover.platform.registry;
  std::string last = ForEachUser(registry, "Printers\\Settings", [&](const std::string& path) {
    RegKey key = kNoKey;
    if (!OpenUserKey(registry, path, &key)) return;
    DebugTrace(kWipeTag, "Deleting Printers Settings %s\\%s", path.c_str(), printer.c_str());
    registry.DeleteValue(key, printer);
    registry.CloseKey(key);
  });
  DebugTrace(kWipeTag, "Settings last %s", last.c_str());
}

void OfferReboot(Remover& remover) {
  Platform& platform = remover.platform;
  WindowHandle window = remover.main.Window();
  int answer = platform.message_boxes->ShowMessageBox(
      window, remover.host.LoadText(IDS_REBOOT_QUESTION), remover.host.LoadText(IDS_REBOOT_CAPTION),
      kMbYesNo);
  if (answer != kIdYes) return;
  std::string text;
  if (platform.system->Version().platform_id == kPlatformNt) {
    if (platform.debug_output != nullptr) platform.debug_output->TraceLine("Setting token");
    ShutdownPrivilegeResult privilege = platform.control->EnableShutdownPrivilege();
    if (privilege.open_token != kSuccess) {
      FormatBounded(&text, 99, "OpenProcessToken Error #%d", static_cast<int>(privilege.open_token));
      platform.message_boxes->ShowMessageBoxSystemCaption(window, text, kMbOk);
    }
    ErrorCode adjust = privilege.lookup != kSuccess ? privilege.lookup : privilege.adjust;
    if (adjust != kSuccess) {
      FormatBounded(&text, 99, "AdjustTokenPrivileges Error #%d", static_cast<int>(adjust));
      platform.message_boxes->ShowMessageBoxSystemCaption(window, text, kMbOk);
    }
  }
  ErrorCode err = platform.control->RequestRestart();
  if (err != kSuccess) {
    FormatBounded(&text, 99, "Error ExitWindows, Error #%d", static_cast<int>(err));
    platform.message_boxes->ShowMessageBoxSystemCaption(window, text, kMbOk);
  }
}

}  // namespace qid
