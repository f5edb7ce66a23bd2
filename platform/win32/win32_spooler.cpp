#include "platform/win32/win32_spooler.h"

#include "platform/win32/win32_api.h"  // <windows.h> before <winspool.h>

#include <winspool.h>

#include <vector>

namespace qid {
namespace {

using XcvDataEntry = BOOL(WINAPI*)(HANDLE, PCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD, PDWORD);
using SetDefaultEntry = BOOL(WINAPI*)(LPCWSTR);
using GetDefaultEntry = BOOL(WINAPI*)(LPWSTR, LPDWORD);

// An export of winspool.drv, or null on a system without it.
template <typename Entry>
Entry SpoolerEntry(const char* name) {
  HMODULE module = ::GetModuleHandleA("winspool.drv");
  if (module == nullptr) module = ::LoadLibraryA("winspool.drv");
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// A text for the system: null for an empty one (the spooler's "none").
LPWSTR Text(const std::u16string& text) {
  if (text.empty()) return nullptr;
  return reinterpret_cast<LPWSTR>(const_cast<char16_t*>(text.c_str()));
}

std::u16string FromSystem(LPCWSTR text) {
  if (text == nullptr) return std::u16string();
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

// Runs one of the size-then-fill enumerations. A first call that fails for any reason other
// than a short buffer, or a second call that fails at all, is the enumeration's failure.
template <typename Call>
ErrorCode Enumerate(Call call, std::vector<BYTE>* buffer, DWORD* count) {
  DWORD needed = 0;
  *count = 0;
  if (call(nullptr, 0, &needed, count)) return kSuccess;  // nothing to list
  DWORD err = ::GetLastError();
  if (err != ERROR_INSUFFICIENT_BUFFER) return static_cast<ErrorCode>(err);
  buffer->assign(needed, 0);
  if (!call(buffer->data(), needed, &needed, count)) return LastError();
  return kSuccess;
}

HANDLE Handle(PrinterHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

ErrorCode Win32Spooler::DriverDirectory(size_t capacity, std::string* directory) {
  if (capacity == 0) return kErrInsufficientBuffer;
  std::vector<char> buffer(capacity, '\0');
  DWORD needed = 0;
  if (!::GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(buffer.data()),
                                    static_cast<DWORD>(capacity), &needed))
    return LastError();
  buffer.back() = '\0';
  *directory = buffer.data();
  return kSuccess;
}

ErrorCode Win32Spooler::DriverDirectoryW(size_t capacity, std::u16string* directory) {
  if (capacity == 0) return kErrInsufficientBuffer;
  std::vector<wchar_t> buffer(capacity, L'\0');
  DWORD needed = 0;
  if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(buffer.data()),
                                    static_cast<DWORD>(capacity * sizeof(wchar_t)), &needed))
    return LastError();
  buffer.back() = L'\0';
  *directory = FromSystem(buffer.data());
  return kSuccess;
}

ErrorCode Win32Spooler::ListMonitorsW(std::vector<MonitorInfoW>* monitors) {
  std::vector<BYTE> buffer;
  DWORD count = 0;
  ErrorCode err = Enumerate(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* n) {
        return ::EnumMonitorsW(nullptr, 2, data, size, needed, n) != FALSE;
      },
      &buffer, &count);
  if (err != kSuccess) return err;
  monitors->clear();
  const auto* info = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count && !buffer.empty(); ++i)
    monitors->push_back({FromSystem(info[i].pName), FromSystem(info[i].pEnvironment),
                         FromSystem(info[i].pDLLName)});
  return kSuccess;
}

ErrorCode Win32Spooler::ListPortsW(std::vector<std::u16string>* names) {
  std::vector<BYTE> buffer;
  DWORD count = 0;
  ErrorCode err = Enumerate(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* n) {
        return ::EnumPortsW(nullptr, 2, data, size, needed, n) != FALSE;
      },
      &buffer, &count);
  if (err != kSuccess) return err;
  names->clear();
  const auto* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < count && !buffer.empty(); ++i)
    names->push_back(FromSystem(info[i].pPortName));
  return kSuccess;
}

ErrorCode Win32Spooler::AddPortW(const std::u16string& monitor_name,
                                 const std::u16string& port_name, uint32_t* status) {
  static const XcvDataEntry xcv_data = SpoolerEntry<XcvDataEntry>("XcvDataW");
  if (xcv_data == nullptr) return kErrProcNotFound;
  std::u16string channel = u",XcvMonitor " + monitor_name;
  PRINTER_DEFAULTSW defaults = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE xcv = nullptr;
  if (!::OpenPrinterW(Text(channel), &xcv, &defaults)) return LastError();
  DWORD needed = 0, answer = 0;
  BOOL sent = xcv_data(xcv, L"AddPort",
                       reinterpret_cast<PBYTE>(const_cast<char16_t*>(port_name.c_str())),
                       static_cast<DWORD>((port_name.size() + 1) * sizeof(char16_t)), nullptr, 0,
                       &needed, &answer);
  ErrorCode result = sent ? kSuccess : LastError();
  ::ClosePrinter(xcv);
  if (result == kSuccess) *status = answer;
  return result;
}

ErrorCode Win32Spooler::AddDriverW(const DriverInfo3W& driver) {
  DRIVER_INFO_3W info = {};
  info.cVersion = driver.version;
  info.pName = Text(driver.name);
  info.pEnvironment = Text(driver.environment);
  info.pDriverPath = Text(driver.driver_path);
  info.pDataFile = Text(driver.data_file);
  info.pConfigFile = Text(driver.config_file);
  info.pHelpFile = Text(driver.help_file);
  info.pDependentFiles = Text(driver.dependent_files);  // c_str's NUL ends the list
  info.pMonitorName = Text(driver.monitor_name);
  info.pDefaultDataType = Text(driver.default_data_type);
  return ::AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&info)) ? kSuccess
                                                                          : LastError();
}

ErrorCode Win32Spooler::AddPrinterW(const PrinterInfo2W& printer) {
  PRINTER_INFO_2W info = {};
  info.pServerName = Text(printer.server_name);
  info.pPrinterName = Text(printer.printer_name);
  info.pShareName = Text(printer.share_name);
  info.pPortName = Text(printer.port_name);
  info.pDriverName = Text(printer.driver_name);
  info.pComment = Text(printer.comment);
  info.pLocation = Text(printer.location);
  info.pSepFile = Text(printer.sep_file);
  info.pPrintProcessor = Text(printer.print_processor);
  info.pDatatype = Text(printer.data_type);
  info.pParameters = Text(printer.parameters);
  info.Attributes = printer.attributes;
  info.Priority = printer.priority;
  info.DefaultPriority = printer.default_priority;
  info.StartTime = printer.start_time;
  info.UntilTime = printer.until_time;
  HANDLE handle = ::AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (handle == nullptr) return LastError();
  ::ClosePrinter(handle);
  return kSuccess;
}

ErrorCode Win32Spooler::QueryPrinterW(const std::u16string& name, PrinterInfo2W* printer) {
  HANDLE handle = nullptr;
  if (!::OpenPrinterW(Text(name), &handle, nullptr)) return LastError();
  std::vector<BYTE> buffer;
  DWORD count = 0;
  ErrorCode err = Enumerate(
      [handle](BYTE* data, DWORD size, DWORD* needed, DWORD* n) {
        *n = 1;
        return ::GetPrinterW(handle, 2, data, size, needed) != FALSE;
      },
      &buffer, &count);
  ::ClosePrinter(handle);
  if (err != kSuccess) return err;
  if (buffer.empty()) return kErrInvalidPrinterName;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  PrinterInfo2W out;
  out.server_name = FromSystem(info->pServerName);
  out.printer_name = FromSystem(info->pPrinterName);
  out.share_name = FromSystem(info->pShareName);
  out.port_name = FromSystem(info->pPortName);
  out.driver_name = FromSystem(info->pDriverName);
  out.comment = FromSystem(info->pComment);
  out.location = FromSystem(info->pLocation);
  out.sep_file = FromSystem(info->pSepFile);
  out.print_processor = FromSystem(info->pPrintProcessor);
  out.data_type = FromSystem(info->pDatatype);
  out.parameters = FromSystem(info->pParameters);
  out.attributes = info->Attributes;
  out.priority = info->Priority;
  out.default_priority = info->DefaultPriority;
  out.start_time = info->StartTime;
  out.until_time = info->UntilTime;
  *printer = out;
  return kSuccess;
}

ErrorCode Win32Spooler::SetDefaultPrinterNameW(const std::u16string& name) {
  static const SetDefaultEntry set_default = SpoolerEntry<SetDefaultEntry>("SetDefaultPrinterW");
  if (set_default == nullptr) return kErrProcNotFound;
  return set_default(reinterpret_cast<LPCWSTR>(name.c_str())) ? kSuccess : LastError();
}

ErrorCode Win32Spooler::DefaultPrinterNameW(std::u16string* name) {
  static const GetDefaultEntry get_default = SpoolerEntry<GetDefaultEntry>("GetDefaultPrinterW");
  if (get_default == nullptr) return kErrProcNotFound;
  DWORD size = 0;
  if (!get_default(nullptr, &size)) {
    DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND) return kErrInvalidPrinterName;  // no default printer
    if (err != ERROR_INSUFFICIENT_BUFFER) return static_cast<ErrorCode>(err);
  }
  std::vector<wchar_t> buffer(size + 1, L'\0');
  size = static_cast<DWORD>(buffer.size());
  if (!get_default(buffer.data(), &size)) {
    DWORD err = ::GetLastError();
    return err == ERROR_FILE_NOT_FOUND ? kErrInvalidPrinterName : static_cast<ErrorCode>(err);
  }
  buffer.back() = L'\0';
  *name = FromSystem(buffer.data());
  return kSuccess;
}

ErrorCode Win32Spooler::OpenPrinterHandle(const std::string& name, PrinterAccess access,
                                          PrinterHandle* handle) {
  std::vector<char> text(name.begin(), name.end());
  text.push_back('\0');
  PRINTER_DEFAULTSA defaults = {nullptr, nullptr, DELETE};
  HANDLE opened = nullptr;
  if (!::OpenPrinterA(text.data(), &opened, access == PrinterAccess::kDelete ? &defaults : nullptr))
    return LastError();
  *handle = reinterpret_cast<PrinterHandle>(opened);
  return kSuccess;
}

ErrorCode Win32Spooler::RemovePrinter(PrinterHandle handle) {
  return ::DeletePrinter(Handle(handle)) ? kSuccess : LastError();
}

ErrorCode Win32Spooler::ClosePrinterHandle(PrinterHandle handle) {
  return ::ClosePrinter(Handle(handle)) ? kSuccess : LastError();
}

}  // namespace qid
