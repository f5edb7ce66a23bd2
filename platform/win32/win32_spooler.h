// The spooler over winspool: ...W calls for drvsetup, ...A calls for Q71File and PrnWipe.
// XcvDataW, SetDefaultPrinterW and GetDefaultPrinterW are bound at run time so that the
// programs still start on NT 4, which lacks them.
#pragma once

#include "platform/spooler.h"

namespace qid {

class Win32Spooler : public Spooler {
 public:
  Win32Spooler() = default;

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
};

}  // namespace qid
