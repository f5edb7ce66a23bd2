// An in-memory spooler for native tests of the installer and the remover. It keeps ports,
// drivers, printers and the default printer in plain containers that a test may arrange and
// inspect, follows the same rules as the host spooler (the shared contract test proves it),
// records every call, and fails any call on request.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/spooler.h"

namespace qid::testing {

class FakeSpooler : public Spooler {
 public:
  // With `files`, the driver directory must hold every file a driver names; without, files
  // are not checked.
  explicit FakeSpooler(FileSystem* files = nullptr) : files_(files) {}

  ErrorCode DriverDirectory(size_t capacity, std::string* directory) override;
  ErrorCode DriverDirectoryW(size_t capacity, std::u16string* directory) override;
  ErrorCode ListMonitorsW(std::vector<MonitorInfoW>* monitors) override;
  ErrorCode ListPortsW(std::vector<std::u16string>* names) override;
  ErrorCode AddPortW(const std::u16string& monitor_name, const std::u16string& port_name,
                     uint32_t* status) override;
  ErrorCode AddDriverW(const DriverInfo3W& driver) override;
  ErrorCode AddPrinterW(const PrinterInfo2W& printer) override;
  ErrorCode QueryPrinterW(const std::u16string& name, PrinterInfo2W* printer) override;
  ErrorCode SetDefaultPrinterNameW(const std::u16string& name) override;
  ErrorCode DefaultPrinterNameW(std::u16string* name) override;
  ErrorCode OpenPrinterHandle(const std::string& name, PrinterAccess access,
                              PrinterHandle* handle) override;
  ErrorCode RemovePrinter(PrinterHandle handle) override;
  ErrorCode ClosePrinterHandle(PrinterHandle handle) override;

  // Every call in order, as "Method(arguments)", e.g. "AddPortW(Local Port,QID_00:)".
  std::vector<std::string> calls;
  // A method named here answers with its code and changes nothing (the call is still recorded).
  std::map<std::string, ErrorCode> fail;
  // When set, AddPortW answers with this monitor status instead of its own.
  std::optional<uint32_t> port_status;

  std::string driver_directory = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";
  std::vector<MonitorInfoW> monitors = {{u"Local Port", u"Windows NT x86", u"localspl.dll"}};
  std::vector<std::u16string> ports = {u"COM1:", u"FILE:", u"LPT1:"};
  std::map<std::u16string, DriverInfo3W> drivers;    // by lower-case name
  std::map<std::u16string, PrinterInfo2W> printers;  // by lower-case name
  std::u16string default_printer;
  std::map<PrinterHandle, std::string> open_printers;  // handle -> printer name

  bool HasDriver(const std::u16string& name) const;
  bool HasPrinter(const std::u16string& name) const;

 private:
  bool Failing(const std::string& method, ErrorCode* code) const;

  FileSystem* files_;
  PrinterHandle next_handle_ = 1;
};

}  // namespace qid::testing
