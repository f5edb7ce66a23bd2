// The host's spooler: the objects a Windows spooler keeps, stored where Windows keeps them, so
// that the installer and the remover run end to end on the host and the remover finds what
// the installer made. Ports, drivers, printers and the default printer are registry entries
// in the layout of the Windows spooler; driver files lie under
// "C:\windows\system32\spool\drivers\w32x86" (version 3 files in its "3" subfolder).
//
// One environment ("Windows NT x86") and one port monitor ("Local Port", "localspl.dll").
#pragma once

#include <map>
#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace qid {

extern const char kHostDriverDirectory[];  // "C:\windows\system32\spool\drivers\w32x86"
extern const char kHostDriversKey[];   // HKLM "...\Environments\Windows NT x86\Drivers"
extern const char kHostPrintersKey[];  // HKLM "SYSTEM\CurrentControlSet\Control\Print\Printers"
extern const char kHostPortsKey[];     // HKLM "Software\Microsoft\Windows NT\CurrentVersion\Ports"
// HKCU "Software\Microsoft\Windows NT\CurrentVersion\Windows": the default printer's "device"
extern const char kHostWindowsKey[];

class HostSpooler : public Spooler {
 public:
  // Both outlive the spooler.
  HostSpooler(Registry* registry, FileSystem* files) : registry_(registry), files_(files) {}

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

 private:
  ErrorCode EnsureDriverDirectory();
  ErrorCode CopyDriverFile(const std::string& name, const std::string& version_folder);
  bool PrinterExists(const std::string& name);

  Registry* registry_;
  FileSystem* files_;
  std::map<PrinterHandle, std::string> open_printers_;
  PrinterHandle next_handle_ = 1;
};

}  // namespace qid
