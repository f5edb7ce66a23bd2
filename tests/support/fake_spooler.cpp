#include "tests/support/fake_spooler.h"

#include "common/text_convert.h"

namespace qid::testing {
namespace {

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

std::string Narrow(const std::u16string& text) { return Utf16ToAnsi(text); }

}  // namespace

bool FakeSpooler::Failing(const std::string& method, ErrorCode* code) const {
  auto it = fail.find(method);
  if (it == fail.end()) return false;
  *code = it->second;
  return true;
}

bool FakeSpooler::HasDriver(const std::u16string& name) const {
  return drivers.count(Lower(name)) != 0;
}

bool FakeSpooler::HasPrinter(const std::u16string& name) const {
  return printers.count(Lower(name)) != 0;
}

ErrorCode FakeSpooler::DriverDirectory(size_t capacity, std::string* directory) {
  calls.push_back("DriverDirectory");
  ErrorCode err;
  if (Failing("DriverDirectory", &err)) return err;
  if (driver_directory.size() + 1 > capacity) return kErrInsufficientBuffer;
  *directory = driver_directory;
  return kSuccess;
}

ErrorCode FakeSpooler::DriverDirectoryW(size_t capacity, std::u16string* directory) {
  calls.push_back("DriverDirectoryW");
  ErrorCode err;
  if (Failing("DriverDirectoryW", &err)) return err;
  if (driver_directory.size() + 1 > capacity) return kErrInsufficientBuffer;
  *directory = AnsiToUtf16(driver_directory);
  return kSuccess;
}

ErrorCode FakeSpooler::ListMonitorsW(std::vector<MonitorInfoW>* out) {
  calls.push_back("ListMonitorsW");
  ErrorCode err;
  if (Failing("ListMonitorsW", &err)) return err;
  *out = monitors;
  return kSuccess;
}

ErrorCode FakeSpooler::ListPortsW(std::vector<std::u16string>* names) {
  calls.push_back("ListPortsW");
  ErrorCode err;
  if (Failing("ListPortsW", &err)) return err;
  *names = ports;
  return kSuccess;
}

ErrorCode FakeSpooler::AddPortW(const std::u16string& monitor_name,
                                const std::u16string& port_name, uint32_t* status) {
  calls.push_back("AddPortW(" + Narrow(monitor_name) + "," + Narrow(port_name) + ")");
  ErrorCode err;
  if (Failing("AddPortW", &err)) return err;
  bool known = false;
  for (const MonitorInfoW& m : monitors) known = known || Lower(m.name) == Lower(monitor_name);
  if (!known) return kErrInvalidPrinterName;
  if (port_status) {
    *status = *port_status;
    return kSuccess;
  }
  if (port_name.empty()) {
    *status = kErrInvalidName;
    return kSuccess;
  }
  for (const std::u16string& p : ports) {
    if (Lower(p) == Lower(port_name)) {
      *status = kErrAlreadyExists;
      return kSuccess;
    }
  }
  ports.push_back(port_name);
  *status = kSuccess;
  return kSuccess;
}

ErrorCode FakeSpooler::AddDriverW(const DriverInfo3W& driver) {
  calls.push_back("AddDriverW(" + Narrow(driver.name) + ")");
  ErrorCode err;
  if (Failing("AddDriverW", &err)) return err;
  if (!driver.environment.empty() && Lower(driver.environment) != u"windows nt x86")
    return kErrInvalidEnvironment;
  if (driver.name.empty() || driver.driver_path.empty() || driver.data_file.empty() ||
      driver.config_file.empty())
    return kErrInvalidParameter;
  if (files_ != nullptr) {
    std::vector<std::u16string> named = {driver.driver_path, driver.data_file, driver.config_file};
    if (!driver.help_file.empty()) named.push_back(driver.help_file);
    for (const std::u16string& f : SplitNameList(driver.dependent_files)) named.push_back(f);
    for (const std::u16string& f : named)
      if (!files_->FileExists(driver_directory + "\\" + Narrow(f))) return kErrFileNotFound;
  }
  DriverInfo3W stored = driver;
  stored.version = 3;  // the spooler files it by the driver's real version, not the caller's
  drivers[Lower(driver.name)] = stored;
  return kSuccess;
}

ErrorCode FakeSpooler::AddPrinterW(const PrinterInfo2W& printer) {
  calls.push_back("AddPrinterW(" + Narrow(printer.printer_name) + ")");
  ErrorCode err;
  if (Failing("AddPrinterW", &err)) return err;
  const std::u16string& name = printer.printer_name;
  if (name.empty() || name.find_first_of(u",\\") != std::u16string::npos)
    return kErrInvalidPrinterName;
  if (HasPrinter(name)) return kErrPrinterAlreadyExists;
  if (!HasDriver(printer.driver_name)) return kErrUnknownPrinterDriver;
  bool port_known = false;
  for (const std::u16string& p : ports) port_known = port_known || p == printer.port_name;
  if (!port_known || printer.port_name.empty()) return kErrUnknownPort;
  if (Lower(printer.print_processor) != u"winprint") return kErrUnknownPrintProcessor;
  printers[Lower(name)] = printer;
  return kSuccess;
}

ErrorCode FakeSpooler::QueryPrinterW(const std::u16string& name, PrinterInfo2W* printer) {
  calls.push_back("QueryPrinterW(" + Narrow(name) + ")");
  ErrorCode err;
  if (Failing("QueryPrinterW", &err)) return err;
  auto it = printers.find(Lower(name));
  if (it == printers.end()) return kErrInvalidPrinterName;
  *printer = it->second;
  return kSuccess;
}

ErrorCode FakeSpooler::SetDefaultPrinterNameW(const std::u16string& name) {
  calls.push_back("SetDefaultPrinterNameW(" + Narrow(name) + ")");
  ErrorCode err;
  if (Failing("SetDefaultPrinterNameW", &err)) return err;
  auto it = printers.find(Lower(name));
  if (it == printers.end()) return kErrInvalidPrinterName;
  default_printer = it->second.printer_name;
  return kSuccess;
}

ErrorCode FakeSpooler::DefaultPrinterNameW(std::u16string* name) {
  calls.push_back("DefaultPrinterNameW");
  ErrorCode err;
  if (Failing("DefaultPrinterNameW", &err)) return err;
  if (default_printer.empty() || !HasPrinter(default_printer)) return kErrInvalidPrinterName;
  *name = default_printer;
  return kSuccess;
}

ErrorCode FakeSpooler::OpenPrinterHandle(const std::string& name, PrinterAccess access,
                                         PrinterHandle* handle) {
  calls.push_back("OpenPrinterHandle(" + name +
                  (access == PrinterAccess::kDelete ? ",delete)" : ",default)"));
  ErrorCode err;
  if (Failing("OpenPrinterHandle", &err)) return err;
  if (name.empty() || !HasPrinter(AnsiToUtf16(name))) return kErrInvalidPrinterName;
  *handle = next_handle_++;
  open_printers[*handle] = name;
  return kSuccess;
}

ErrorCode FakeSpooler::RemovePrinter(PrinterHandle handle) {
  calls.push_back("RemovePrinter");
  ErrorCode err;
  if (Failing("RemovePrinter", &err)) return err;
  auto it = open_printers.find(handle);
  if (it == open_printers.end()) return kErrInvalidHandle;
  std::u16string name = AnsiToUtf16(it->second);
  if (!HasPrinter(name)) return kErrInvalidPrinterName;
  printers.erase(Lower(name));
  if (Lower(default_printer) == Lower(name)) default_printer.clear();
  return kSuccess;
}

ErrorCode FakeSpooler::ClosePrinterHandle(PrinterHandle handle) {
  calls.push_back("ClosePrinterHandle");
  ErrorCode err;
  if (Failing("ClosePrinterHandle", &err)) return err;
  return open_printers.erase(handle) == 1 ? kSuccess : kErrInvalidHandle;
}

}  // namespace qid::testing
