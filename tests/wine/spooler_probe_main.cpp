// spooler_probe.exe: proves the Win32 spooler, system facts, UTF-16 file calls and system
// control against the system they run on (spooler_test.sh runs it in a throwaway prefix).
// Each mode prints one line per check, "ok   - what" or "FAIL - what: detail", and "note - "
// lines for answers that differ between Wine and Windows; the script checks the registry and
// files that the calls left behind.
//
//   spooler_probe.exe all DIR   every check; DIR is a scratch folder (C:\...) it may fill
//   spooler_probe.exe restart   asks the system to restart (Wine carries out pending renames)
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "platform/platform.h"

namespace {

using namespace qid;

constexpr char16_t kPrinter[] = u"Qid Probe Printer";
int g_failed = 0;

void Report(bool ok, const std::string& what, const std::string& detail = "") {
  if (ok) {
    std::printf("ok   - %s\n", what.c_str());
  } else {
    ++g_failed;
    std::printf("FAIL - %s%s%s\n", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  }
}

void ExpectCode(const std::string& what, ErrorCode expected, ErrorCode actual) {
  Report(expected == actual, what,
         "expected " + std::to_string(expected) + ", got " + std::to_string(actual));
}

void ExpectText(const std::string& what, const std::u16string& expected,
                const std::u16string& actual) {
  Report(expected == actual, what,
         "expected [" + Utf16ToAnsi(expected) + "], got [" + Utf16ToAnsi(actual) + "]");
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

bool Contains(const std::vector<std::u16string>& names, const std::u16string& name) {
  for (const std::u16string& n : names)
    if (n == name) return true;
  return false;
}

bool WriteSmallFile(FileSystem& files, const std::u16string& path, const std::string& bytes) {
  std::unique_ptr<File> file;
  if (files.OpenFileW(path, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone,
                      &file) != kSuccess)
    return false;
  return file->Write(bytes.data(), bytes.size()) == kSuccess && file->Close() == kSuccess;
}

void SpoolerChecks(Spooler& sp, FileSystem& files) {
  std::u16string dir;
  ExpectCode("spooler: driver directory (UTF-16)", kSuccess, sp.DriverDirectoryW(260, &dir));
  ExpectText("spooler: the driver directory is w32x86",
             u"c:\\windows\\system32\\spool\\drivers\\w32x86", Lower(dir));
  std::string ansi;
  ExpectCode("spooler: driver directory (ANSI)", kSuccess, sp.DriverDirectory(260, &ansi));
  ExpectText("spooler: both forms name the same folder", dir, AnsiToUtf16(ansi));
  ExpectCode("spooler: a driver directory without room fails with 122", kErrInsufficientBuffer,
             sp.DriverDirectory(dir.size(), &ansi));

  std::vector<MonitorInfoW> monitors;
  ExpectCode("spooler: monitors listed", kSuccess, sp.ListMonitorsW(&monitors));
  bool local = false;
  for (const MonitorInfoW& m : monitors)
    local = local || (m.name == u"Local Port" && Lower(m.dll_name) == u"localspl.dll");
  Report(local, "spooler: the monitor \"Local Port\" is localspl.dll");

  std::vector<std::u16string> ports;
  ExpectCode("spooler: ports listed", kSuccess, sp.ListPortsW(&ports));
  Report(Contains(ports, u"LPT1:") && !Contains(ports, u"QID_00:"),
         "spooler: LPT1: is listed, QID_00: not yet");
  uint32_t status = 99;
  ExpectCode("spooler: AddPort through the local monitor", kSuccess,
             sp.AddPortW(u"Local Port", u"QID_00:", &status));
  ExpectCode("spooler: AddPort status 0 for a new port", kSuccess, status);
  status = 99;
  ExpectCode("spooler: AddPort again", kSuccess, sp.AddPortW(u"Local Port", u"QID_00:", &status));
  ExpectCode("spooler: AddPort again answers status 183", kErrAlreadyExists, status);
  ExpectCode("spooler: ports listed again", kSuccess, sp.ListPortsW(&ports));
  Report(Contains(ports, u"QID_00:"), "spooler: QID_00: is listed");
  ErrorCode no_monitor = sp.AddPortW(u"No Such Monitor", u"QID_01:", &status);
  Report(no_monitor != kSuccess, "spooler: AddPort through an unknown monitor fails",
         "answered success");

  // Files in the driver folder first, as the installer copies them; the configuration file is
  // not a DLL, which Wine's AddPrinter accepts (a DLL without DrvDocumentPropertySheets would
  // crash it).
  for (const char16_t* f : {u"qprobe.drv", u"qprobe.ppd", u"qprobe.cfg", u"QProbe.chm"})
    Report(WriteSmallFile(files, dir + u"\\" + f, "probe"), "spooler: driver file written");
  DriverInfo3W driver;
  driver.version = 2024;
  driver.name = kPrinter;
  driver.driver_path = u"qprobe.drv";
  driver.data_file = u"qprobe.ppd";
  driver.config_file = u"qprobe.cfg";
  driver.help_file = u"QProbe.chm";
  driver.dependent_files = std::u16string(u"qprobe.drv\0qprobe.ppd\0QProbe.chm\0\0", 35);
  ExpectCode("spooler: AddPrinterDriver level 3, version 2024", kSuccess, sp.AddDriverW(driver));

  PrinterInfo2W printer;
  printer.printer_name = kPrinter;
  printer.port_name = u"QID_00:";
  printer.driver_name = kPrinter;
  printer.print_processor = u"WinPrint";
  printer.data_type = u"RAW";
  ExpectCode("spooler: AddPrinter level 2", kSuccess, sp.AddPrinterW(printer));
  std::printf("note - AddPrinter of an existing printer answers %u (Windows: 1802)\n",
              sp.AddPrinterW(printer));
  PrinterInfo2W read;
  ExpectCode("spooler: the printer's level-2 record", kSuccess, sp.QueryPrinterW(kPrinter, &read));
  ExpectText("spooler: the record names the port", u"QID_00:", read.port_name);
  ExpectText("spooler: the record names the driver", kPrinter, read.driver_name);
  ExpectCode("spooler: the record of an unknown printer: 1801", kErrInvalidPrinterName,
             sp.QueryPrinterW(u"No Such Printer", &read));

  ExpectCode("spooler: SetDefaultPrinter", kSuccess, sp.SetDefaultPrinterNameW(kPrinter));
  std::u16string name;
  ExpectCode("spooler: GetDefaultPrinter", kSuccess, sp.DefaultPrinterNameW(&name));
  ExpectText("spooler: the default printer is the new one", kPrinter, name);
  ExpectCode("spooler: SetDefaultPrinter of an unknown printer: 1801", kErrInvalidPrinterName,
             sp.SetDefaultPrinterNameW(u"No Such Printer"));
}

// The remover's calls, on a second printer so the first stays for the script's checks.
void RemovalChecks(Spooler& sp) {
  PrinterInfo2W printer;
  printer.printer_name = u"Qid Probe Victim";
  printer.port_name = u"QID_00:";
  printer.driver_name = kPrinter;
  printer.print_processor = u"WinPrint";
  printer.data_type = u"RAW";
  ExpectCode("removal: a printer to delete", kSuccess, sp.AddPrinterW(printer));
  PrinterHandle handle = kNoPrinter;
  ExpectCode("removal: opening an unknown printer: 1801", kErrInvalidPrinterName,
             sp.OpenPrinterHandle("No Such Printer", PrinterAccess::kDefault, &handle));
  ExpectCode("removal: open with default access", kSuccess,
             sp.OpenPrinterHandle("Qid Probe Victim", PrinterAccess::kDefault, &handle));
  ExpectCode("removal: close", kSuccess, sp.ClosePrinterHandle(handle));
  ExpectCode("removal: open with the delete right", kSuccess,
             sp.OpenPrinterHandle("Qid Probe Victim", PrinterAccess::kDelete, &handle));
  ExpectCode("removal: DeletePrinter", kSuccess, sp.RemovePrinter(handle));
  ExpectCode("removal: close after deleting", kSuccess, sp.ClosePrinterHandle(handle));
  ExpectCode("removal: the deleted printer no longer opens", kErrInvalidPrinterName,
             sp.OpenPrinterHandle("Qid Probe Victim", PrinterAccess::kDefault, &handle));
}

void SystemChecks(SystemInfo& sys) {
  OsVersion v;
  ExpectCode("system: version record", kSuccess, sys.QueryVersion(&v));
  std::printf("note - version %u.%u.%u platform %u \"%s\" sp %u.%u suite 0x%X type %u\n", v.major,
              v.minor, v.build, v.platform_id, v.csd_version.c_str(), v.service_pack_major,
              v.service_pack_minor, v.suite_mask, v.product_type);
  Report(v.platform_id == kPlatformNt && v.major >= 5 && v.extended,
         "system: an NT version with the extended record");
  OsVersion plain = sys.Version();
  Report(plain.major == v.major && plain.minor == v.minor && plain.build == v.build,
         "system: Version() agrees with the record");
  Report(!sys.IsWow64(), "system: a 32-bit prefix is not WOW64");
  std::u16string folder;
  ExpectCode("system: Windows folder", kSuccess, sys.WindowsFolderW(&folder));
  ExpectText("system: the Windows folder is C:\\windows", u"c:\\windows", Lower(folder));
  ExpectCode("system: ProgramFiles", kSuccess, sys.ProgramFilesFolderW(&folder));
  ExpectText("system: ProgramFiles is C:\\Program Files", u"c:\\program files", Lower(folder));
  ExpectCode("system: the executable's path", kSuccess, sys.ExecutablePathW(&folder));
  Report(Lower(folder).size() > 18 &&
             Lower(folder).substr(Lower(folder).size() - 18) == u"\\spooler_probe.exe",
         "system: the executable's path ends in its name", Utf16ToAnsi(folder));
  std::string own;
  ExpectCode("system: the user's own folder", kSuccess, sys.UserDataFolder(&own));
  DWORD own_attributes = ::GetFileAttributesA(own.c_str());
  Report(own.size() > 4 && own.compare(own.size() - 4, 4, "\\ZEL") == 0 &&
             own_attributes != INVALID_FILE_ATTRIBUTES &&
             (own_attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
         "system: it is a folder \"ZEL\" made for the user", own);
}

void FileChecks(FileSystem& files, const std::u16string& dir) {
  // A name outside every code page's Latin part proves the UTF-16 path reaches the system.
  const std::u16string folder = dir + u"\\\u0416\u03A9";
  ExpectCode("files: folder with a UTF-16 name", kSuccess, files.CreateFolderW(folder));
  ExpectCode("files: creating it again: 183", kErrAlreadyExists, files.CreateFolderW(folder));
  const std::u16string path = folder + u"\\t.bin";
  std::unique_ptr<File> file;
  ExpectCode("files: create through the UTF-16 path", kSuccess,
             files.OpenFileW(path, FileAccess::kWrite, FileDisposition::kCreateAlways,
                             FileShare::kReadWrite, &file));
  const FileTimes wanted{125911584000000000ULL, 126000000000000000ULL, 127000000000000000ULL};
  if (file) {
    ExpectCode("files: set the three times", kSuccess, file->SetTimes(wanted));
    file.reset();
  }
  FileTimes got;
  ExpectCode("files: reopen for reading", kSuccess,
             files.OpenFileW(path, FileAccess::kRead, FileDisposition::kOpenExisting,
                             FileShare::kReadWrite, &file));
  if (file) {
    ExpectCode("files: read the times", kSuccess, file->GetTimes(&got));
    // Wine cannot set a creation time on Linux file systems; Windows keeps all three.
    Report(got.last_access == wanted.last_access && got.last_write == wanted.last_write,
           "files: the access and write times read back as set",
           std::to_string(got.last_access) + " " + std::to_string(got.last_write));
    std::printf("note - creation time %s\n",
                got.creation == wanted.creation ? "kept" : "not kept (Wine)");
    ExpectCode("files: setting times on a read-only handle: 5", kErrAccessDenied,
               file->SetTimes(wanted));
    file.reset();
  }
  uint32_t attributes = 0;
  ExpectCode("files: make it read-only", kSuccess, files.SetAttributesW(path, kAttrReadOnly));
  ExpectCode("files: read the attributes", kSuccess, files.GetAttributesW(path, &attributes));
  Report((attributes & kAttrReadOnly) != 0, "files: the read-only bit is set");
  ExpectCode("files: deleting a read-only file: 5", kErrAccessDenied, files.RemoveFileW(path));
  ExpectCode("files: the normal attribute clears read-only", kSuccess,
             files.SetAttributesW(path, kAttrNormal));
  ExpectCode("files: then it deletes", kSuccess, files.RemoveFileW(path));
  ExpectCode("files: a missing file's attributes: 2", kErrFileNotFound,
             files.GetAttributesW(path, &attributes));
  RemoveDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str()));
}

void ControlChecks(SystemControl& control, FileSystem& files, const std::string& dir) {
  ShutdownPrivilegeResult privilege = control.EnableShutdownPrivilege();
  Report(privilege.ok(), "control: the shutdown privilege is enabled",
         std::to_string(privilege.open_token) + "/" + std::to_string(privilege.lookup) + "/" +
             std::to_string(privilege.adjust));
  ExpectCode("control: WM_WININICHANGE broadcast", kSuccess, control.BroadcastSettingChange());
  ExpectCode("control: win.ini [windows] device", kSuccess,
             control.WriteProfileEntryW(u"windows", u"device",
                                        u"Qid Probe Printer,winspool,QID_00:"));
  ExpectCode("control: Wininit.ini [rename] NUL=", kSuccess,
             control.WritePrivateProfileEntry("Wininit.ini", "rename", "NUL",
                                              "C:\\qid-probe-gone.txt"));
  // A file to delete at the next restart; the script proves the record and the deletion.
  const std::string doomed = dir + "\\doomed.txt";
  std::unique_ptr<File> file;
  files.OpenFile(doomed, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone,
                 &file);
  file.reset();
  ExpectCode("control: a deletion at restart is accepted", kSuccess,
             files.RemoveAtRestart(doomed));
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  Platform& os = SystemPlatform();
  if (mode == "restart") {
    ErrorCode err = os.control->RequestRestart();
    std::printf("restart: %u\n", err);
    return err == kSuccess ? 0 : 1;
  }
  if (mode != "all" || argc < 3) {
    std::fprintf(stderr, "usage: spooler_probe.exe all C:\\DIR | restart\n");
    return 2;
  }
  const std::string dir = argv[2];
  CreateDirectoryA(dir.c_str(), nullptr);
  SpoolerChecks(*os.spooler, *os.files);
  RemovalChecks(*os.spooler);
  SystemChecks(*os.system);
  FileChecks(*os.files, AnsiToUtf16(dir));
  ControlChecks(*os.control, *os.files, dir);
  std::fflush(stdout);
  return g_failed == 0 ? 0 : 1;
}
