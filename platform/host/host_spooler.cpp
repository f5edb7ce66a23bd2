#include "platform/host/host_spooler.h"

#include "common/bounded_string.h"

#include <cctype>
#include <vector>

#include "common/little_endian.h"
#include "platform/host/host_file_system.h"

namespace qid {

const char kHostDriverDirectory[] = "C:\\windows\\system32\\spool\\drivers\\w32x86";
const char kHostDriversKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers";
const char kHostPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
const char kHostPortsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const char kHostWindowsKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

namespace {

constexpr char kEnvironment[] = "Windows NT x86";
constexpr char kLocalMonitor[] = "Local Port";
constexpr char kVersionKey[] = "Version-3";
constexpr char kVersionFolder[] = "3";  // user-mode drivers of NT 5 and later
constexpr uint32_t kDriverVersion = 3;
constexpr size_t kValueCapacity = 64 * 1024;

// Closes a key when the scope ends.
class KeyHolder {
 public:
  explicit KeyHolder(Registry* registry) : registry_(registry) {}
  ~KeyHolder() {
    if (key != kNoKey) registry_->CloseKey(key);
  }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  RegKey key = kNoKey;

 private:
  Registry* registry_;
};

// The host keeps names as bytes; a UTF-16 name with a unit above 0xFF would become another
// name, so it is refused instead.
bool Narrow(const std::u16string& text, std::string* out) { return NarrowHostPath(text, out); }

std::u16string Widen(const std::string& text) {
  std::u16string out;
  for (char c : text) out.push_back(static_cast<unsigned char>(c));
  return out;
}

// Strings are stored with their terminator, as the spooler's own RegSetValueEx calls do.
ErrorCode SetText(Registry& reg, RegKey key, const std::string& name, const std::string& text) {
  return reg.SetValue(key, name, kRegSz, text.c_str(), text.size() + 1);
}

std::string ReadText(Registry& reg, RegKey key, const std::string& name) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (reg.QueryValue(key, name, &type, &data, kValueCapacity) != kSuccess) return std::string();
  std::string text(data.begin(), data.end());
  size_t end = text.find('\0');
  return end == std::string::npos ? text : text.substr(0, end);
}

uint32_t ReadNumber(Registry& reg, RegKey key, const std::string& name) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  uint32_t number = 0;
  if (reg.QueryValue(key, name, &type, &data, 4) != kSuccess ||
      !ReadLE32(data.data(), data.size(), 0, &number))
    return 0;
  return number;
}

// The last path component: a registration may name a file by its full path.
std::string BareName(const std::string& name) {
  size_t cut = name.find_last_of("\\/");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

// Where a registered file is taken from: a bare name lies in the driver directory.
std::string DriverSource(const std::string& name) {
  if (name.find_first_of("\\/") != std::string::npos) return name;
  return std::string(kHostDriverDirectory) + "\\" + name;
}

}  // namespace

ErrorCode HostSpooler::EnsureDriverDirectory() {
  std::string path;
  std::string dir = kHostDriverDirectory;
  for (size_t i = 0; i <= dir.size(); ++i) {
    if (i < dir.size() && dir[i] != '\\') continue;
    path = dir.substr(0, i);  // from the drive's own folder under the host root down
    ErrorCode err = files_->CreateFolder(path);
    if (err != kSuccess && err != kErrAlreadyExists) return err;
  }
  return kSuccess;
}

ErrorCode HostSpooler::DriverDirectory(size_t capacity, std::string* directory) {
  ErrorCode err = EnsureDriverDirectory();
  if (err != kSuccess) return err;
  std::string dir = kHostDriverDirectory;
  if (dir.size() + 1 > capacity) return kErrInsufficientBuffer;
  *directory = dir;
  return kSuccess;
}

// The host keeps the drivers of one environment only.
ErrorCode HostSpooler::EnvironmentDriverDirectory(const std::string& environment, size_t capacity,
                                                  std::string* directory) {
  if (environment != "Windows NT x86") return kErrInvalidEnvironment;
  return DriverDirectory(capacity, directory);
}

ErrorCode HostSpooler::DriverDirectoryW(size_t capacity, std::u16string* directory) {
  std::string narrow;
  ErrorCode err = DriverDirectory(capacity, &narrow);
  if (err == kSuccess) *directory = Widen(narrow);
  return err;
}

ErrorCode HostSpooler::ListMonitorsW(std::vector<MonitorInfoW>* monitors) {
  *monitors = {MonitorInfoW{Widen(kLocalMonitor), Widen(kEnvironment), u"localspl.dll"}};
  return kSuccess;
}

ErrorCode HostSpooler::ListPortsW(std::vector<std::u16string>* names) {
  names->clear();
  KeyHolder ports(registry_);
  ErrorCode err = registry_->OpenKey(Hive::kLocalMachine, kHostPortsKey, false, &ports.key);
  if (err == kErrFileNotFound) return kSuccess;  // no port yet
  if (err != kSuccess) return err;
  std::string name;
  for (uint32_t i = 0; registry_->EnumValue(ports.key, i, &name) == kSuccess; ++i)
    names->push_back(Widen(name));
  return kSuccess;
}

ErrorCode HostSpooler::AddPortW(const std::u16string& monitor_name,
                                const std::u16string& port_name, uint32_t* status) {
  std::string monitor, port;
  if (!Narrow(monitor_name, &monitor) || !EqualsIgnoreCase(monitor, kLocalMonitor))
    return kErrInvalidPrinterName;  // no such monitor: its channel does not open
  if (!Narrow(port_name, &port) || port.empty()) {
    *status = kErrInvalidName;
    return kSuccess;
  }
  KeyHolder ports(registry_);
  ErrorCode err = registry_->CreateKey(Hive::kLocalMachine, kHostPortsKey, "", &ports.key, nullptr);
  if (err != kSuccess) return err;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  err = registry_->QueryValue(ports.key, port, &type, &data, kValueCapacity);
  if (err == kSuccess || err == kErrMoreData) {
    *status = kErrAlreadyExists;
    return kSuccess;
  }
  err = SetText(*registry_, ports.key, port, "");
  if (err != kSuccess) return err;
  *status = kSuccess;
  return kSuccess;
}

ErrorCode HostSpooler::CopyDriverFile(const std::string& name, const std::string& version_folder) {
  return files_->CopyFileTo(DriverSource(name), version_folder + "\\" + BareName(name), false);
}

ErrorCode HostSpooler::AddDriverW(const DriverInfo3W& driver) {
  std::string name, environment, driver_path, data_file, config_file, help_file, monitor,
      data_type;
  if (!Narrow(driver.name, &name) || !Narrow(driver.environment, &environment) ||
      !Narrow(driver.driver_path, &driver_path) || !Narrow(driver.data_file, &data_file) ||
      !Narrow(driver.config_file, &config_file) || !Narrow(driver.help_file, &help_file) ||
      !Narrow(driver.monitor_name, &monitor) || !Narrow(driver.default_data_type, &data_type))
    return kErrInvalidName;
  if (!environment.empty() && !EqualsIgnoreCase(environment, kEnvironment))
    return kErrInvalidEnvironment;
  // The spooler needs the three files a driver is made of; the name is a key of its own.
  if (name.empty() || name.find('\\') != std::string::npos || driver_path.empty() ||
      data_file.empty() || config_file.empty())
    return kErrInvalidParameter;
  std::vector<std::string> dependents;
  for (const std::u16string& wide : SplitNameList(driver.dependent_files)) {
    std::string narrow;
    if (!Narrow(wide, &narrow)) return kErrInvalidName;
    dependents.push_back(narrow);
  }

  ErrorCode err = EnsureDriverDirectory();
  if (err != kSuccess) return err;
  std::string version_folder = std::string(kHostDriverDirectory) + "\\" + kVersionFolder;
  err = files_->CreateFolder(version_folder);
  if (err != kSuccess && err != kErrAlreadyExists) return err;
  // Every file first, so a missing one registers nothing.
  std::vector<std::string> all = {driver_path, data_file, config_file};
  if (!help_file.empty()) all.push_back(help_file);
  all.insert(all.end(), dependents.begin(), dependents.end());
  for (const std::string& file : all)
    if (!files_->FileExists(DriverSource(file))) return kErrFileNotFound;
  for (const std::string& file : all) {
    err = CopyDriverFile(file, version_folder);
    if (err != kSuccess) return err;
  }

  KeyHolder key(registry_);
  err = registry_->CreateKey(Hive::kLocalMachine,
                             std::string(kHostDriversKey) + "\\" + kVersionKey + "\\" + name, "",
                             &key.key, nullptr);
  if (err != kSuccess) return err;
  std::string list;
  for (const std::string& file : dependents) list += BareName(file) + '\0';
  list += '\0';
  const std::pair<const char*, std::string> texts[] = {
      {"Configuration File", BareName(config_file)},
      {"Data File", BareName(data_file)},
      {"Driver", BareName(driver_path)},
      {"Help File", BareName(help_file)},
      {"Monitor", monitor},
      {"Datatype", data_type},
  };
  for (const auto& [value_name, text] : texts) {
    err = SetText(*registry_, key.key, value_name, text);
    if (err != kSuccess) return err;
  }
  err = registry_->SetValue(key.key, "Dependent Files", kRegMultiSz, list.data(), list.size());
  if (err != kSuccess) return err;
  return SetDwordValue(*registry_, key.key, "Version", kDriverVersion);
}

bool HostSpooler::PrinterExists(const std::string& name) {
  // A printer's name never holds "\\" or ","; such a name would reach into a printer's subkeys.
  if (name.empty() || name.find_first_of(",\\") != std::string::npos) return false;
  KeyHolder key(registry_);
  return registry_->OpenKey(Hive::kLocalMachine, std::string(kHostPrintersKey) + "\\" + name,
                            false, &key.key) == kSuccess;
}

ErrorCode HostSpooler::AddPrinterW(const PrinterInfo2W& printer) {
  std::string name, port, driver, processor;
  if (!Narrow(printer.printer_name, &name) || name.empty() ||
      name.find_first_of(",\\") != std::string::npos)
    return kErrInvalidPrinterName;
  if (!Narrow(printer.port_name, &port) || !Narrow(printer.driver_name, &driver) ||
      !Narrow(printer.print_processor, &processor))
    return kErrInvalidParameter;
  if (PrinterExists(name)) return kErrPrinterAlreadyExists;
  {
    KeyHolder key(registry_);
    if (driver.empty() ||
        registry_->OpenKey(Hive::kLocalMachine,
                           std::string(kHostDriversKey) + "\\" + kVersionKey + "\\" + driver,
                           false, &key.key) != kSuccess)
      return kErrUnknownPrinterDriver;
  }
  std::vector<std::u16string> ports;
  ErrorCode err = ListPortsW(&ports);
  if (err != kSuccess) return err;
  bool port_known = false;
  for (const std::u16string& p : ports) port_known = port_known || p == printer.port_name;
  if (!port_known || port.empty()) return kErrUnknownPort;
  if (!EqualsIgnoreCase(processor, "WinPrint")) return kErrUnknownPrintProcessor;

  KeyHolder key(registry_);
  err = registry_->CreateKey(Hive::kLocalMachine, std::string(kHostPrintersKey) + "\\" + name, "",
                             &key.key, nullptr);
  if (err != kSuccess) return err;
  const std::pair<const char*, const std::u16string*> texts[] = {
      {"Name", &printer.printer_name},      {"Share Name", &printer.share_name},
      {"Port", &printer.port_name},         {"Printer Driver", &printer.driver_name},
      {"Description", &printer.comment},    {"Location", &printer.location},
      {"Separator File", &printer.sep_file}, {"Print Processor", &printer.print_processor},
      {"Datatype", &printer.data_type},     {"Parameters", &printer.parameters},
  };
  for (const auto& [value_name, text] : texts) {
    std::string narrow;
    if (!Narrow(*text, &narrow)) return kErrInvalidParameter;
    err = SetText(*registry_, key.key, value_name, narrow);
    if (err != kSuccess) return err;
  }
  const std::pair<const char*, uint32_t> numbers[] = {
      {"Attributes", printer.attributes},    {"Priority", printer.priority},
      {"Default Priority", printer.default_priority}, {"StartTime", printer.start_time},
      {"UntilTime", printer.until_time},     {"Status", 0},
  };
  for (const auto& [value_name, number] : numbers) {
    err = SetDwordValue(*registry_, key.key, value_name, number);
    if (err != kSuccess) return err;
  }
  return kSuccess;
}

ErrorCode HostSpooler::QueryPrinterW(const std::u16string& name, PrinterInfo2W* printer) {
  std::string narrow;
  if (!Narrow(name, &narrow) || narrow.empty()) return kErrInvalidPrinterName;
  KeyHolder key(registry_);
  if (registry_->OpenKey(Hive::kLocalMachine, std::string(kHostPrintersKey) + "\\" + narrow, false,
                         &key.key) != kSuccess)
    return kErrInvalidPrinterName;
  Registry& r = *registry_;
  PrinterInfo2W out;
  out.printer_name = Widen(ReadText(r, key.key, "Name"));
  out.share_name = Widen(ReadText(r, key.key, "Share Name"));
  out.port_name = Widen(ReadText(r, key.key, "Port"));
  out.driver_name = Widen(ReadText(r, key.key, "Printer Driver"));
  out.comment = Widen(ReadText(r, key.key, "Description"));
  out.location = Widen(ReadText(r, key.key, "Location"));
  out.sep_file = Widen(ReadText(r, key.key, "Separator File"));
  out.print_processor = Widen(ReadText(r, key.key, "Print Processor"));
  out.data_type = Widen(ReadText(r, key.key, "Datatype"));
  out.parameters = Widen(ReadText(r, key.key, "Parameters"));
  out.attributes = ReadNumber(r, key.key, "Attributes");
  out.priority = ReadNumber(r, key.key, "Priority");
  out.default_priority = ReadNumber(r, key.key, "Default Priority");
  out.start_time = ReadNumber(r, key.key, "StartTime");
  out.until_time = ReadNumber(r, key.key, "UntilTime");
  if (out.printer_name.empty()) out.printer_name = Widen(narrow);
  *printer = out;
  return kSuccess;
}

ErrorCode HostSpooler::SetDefaultPrinterNameW(const std::u16string& name) {
  PrinterInfo2W printer;
  ErrorCode err = QueryPrinterW(name, &printer);
  if (err != kSuccess) return err;
  std::string printer_name, port;
  Narrow(printer.printer_name, &printer_name);
  Narrow(printer.port_name, &port);
  KeyHolder key(registry_);
  err = registry_->CreateKey(Hive::kCurrentUser, kHostWindowsKey, "", &key.key, nullptr);
  if (err != kSuccess) return err;
  return SetText(*registry_, key.key, "device", printer_name + ",winspool," + port);
}

ErrorCode HostSpooler::DefaultPrinterNameW(std::u16string* name) {
  KeyHolder key(registry_);
  if (registry_->OpenKey(Hive::kCurrentUser, kHostWindowsKey, false, &key.key) != kSuccess)
    return kErrInvalidPrinterName;
  std::string device = ReadText(*registry_, key.key, "device");
  std::string printer = device.substr(0, device.find(','));
  if (!PrinterExists(printer)) return kErrInvalidPrinterName;
  *name = Widen(printer);
  return kSuccess;
}

ErrorCode HostSpooler::OpenPrinterHandle(const std::string& name, PrinterAccess /*access*/,
                                         PrinterHandle* handle) {
  // The host has no printer security: every open access is granted.
  if (!PrinterExists(name)) return kErrInvalidPrinterName;
  *handle = next_handle_++;
  open_printers_[*handle] = name;
  return kSuccess;
}

ErrorCode HostSpooler::RemovePrinter(PrinterHandle handle) {
  auto it = open_printers_.find(handle);
  if (it == open_printers_.end()) return kErrInvalidHandle;
  const std::string& name = it->second;
  if (!PrinterExists(name)) return kErrInvalidPrinterName;
  ErrorCode err =
      DeleteKeyTree(*registry_, Hive::kLocalMachine, std::string(kHostPrintersKey) + "\\" + name);
  if (err != kSuccess) return err;
  // A deleted printer stops being the default, as on Windows.
  KeyHolder key(registry_);
  if (registry_->OpenKey(Hive::kCurrentUser, kHostWindowsKey, true, &key.key) == kSuccess) {
    std::string device = ReadText(*registry_, key.key, "device");
    if (EqualsIgnoreCase(device.substr(0, device.find(',')), name))
      registry_->DeleteValue(key.key, "device");
  }
  return kSuccess;
}

ErrorCode HostSpooler::ClosePrinterHandle(PrinterHandle handle) {
  return open_printers_.erase(handle) == 1 ? kSuccess : kErrInvalidHandle;
}

}  // namespace qid
