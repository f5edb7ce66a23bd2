// The print spooler: the printer driver directory, port monitors and ports, printer drivers,
// printers and the default printer.
//
// Text form: drvsetup works in UTF-16 and reaches the spooler through the methods whose names
// end in W (std::u16string, over the ...W system calls); Q71File and PrnWipe work in ANSI and
// use the methods that take std::string (over the ...A calls). The spooler itself keeps names
// as the system does; neither form converts the other's texts.
//
// Thread use: one thread at a time (the program's window thread); separate instances and
// separate processes may use the same spooler concurrently, as they may on Windows.
//
// Results are Win32 error codes: the code of the system call that failed, read only after that
// call reported failure. Printer and driver names compare without regard to letter case; port
// names are kept and compared exactly as given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace qid {

// An open printer or monitor channel. 0 is none. Valid until ClosePrinterHandle.
using PrinterHandle = uintptr_t;
constexpr PrinterHandle kNoPrinter = 0;

// The rights asked for when a printer is opened.
enum class PrinterAccess {
  kDefault,  // no defaults given: the system's default access
  kDelete,   // the standard delete right (DELETE), which deleting a printer needs
};

// One port monitor (level 2).
struct MonitorInfoW {
  std::u16string name;         // "Local Port"
  std::u16string environment;  // "Windows NT x86"
  std::u16string dll_name;     // "localspl.dll"
};

// A printer driver's registration (level 3). An empty text is passed to the system as no
// value (a null pointer): an empty environment means the local machine's own.
struct DriverInfo3W {
  uint32_t version = 0;
  std::u16string name;
  std::u16string environment;
  std::u16string driver_path;  // bare file names, already in the printer driver directory
  std::u16string data_file;
  std::u16string config_file;
  std::u16string help_file;
  // The platform's list form: each name followed by a NUL, then one more NUL. Empty: none.
  std::u16string dependent_files;
  std::u16string monitor_name;
  std::u16string default_data_type;
};

// A printer's record (level 2). Device mode and security descriptor are never given (null).
// Empty texts are passed as no value.
struct PrinterInfo2W {
  std::u16string server_name;
  std::u16string printer_name;
  std::u16string share_name;
  std::u16string port_name;
  std::u16string driver_name;
  std::u16string comment;
  std::u16string location;
  std::u16string sep_file;
  std::u16string print_processor;
  std::u16string data_type;
  std::u16string parameters;
  uint32_t attributes = 0;
  uint32_t priority = 0;
  uint32_t default_priority = 0;
  uint32_t start_time = 0;
  uint32_t until_time = 0;
};

// Splits the list form ("a\0b\0\0") into its names; stops at the first empty name.
std::vector<std::u16string> SplitNameList(const std::u16string& list);

class Spooler {
 public:
  Spooler() = default;
  Spooler(const Spooler&) = delete;
  Spooler& operator=(const Spooler&) = delete;
  virtual ~Spooler() = default;

  // ---- the printer driver directory (all three programs) ----

  // The printer driver directory of the local machine for its own environment (level 1), as
  // the spooler reports it: no trailing backslash ("C:\WINDOWS\system32\spool\drivers\w32x86").
  // `capacity` is the caller's buffer in characters, terminator included.
  // kSuccess and *directory; kErrInsufficientBuffer when it does not fit; another system error
  // when the spooler cannot say (the spooler service is not running, for instance).
  virtual ErrorCode DriverDirectory(size_t capacity, std::string* directory) = 0;
  virtual ErrorCode DriverDirectoryW(size_t capacity, std::u16string* directory) = 0;

  // ---- drvsetup: monitors, ports, driver, printer, default printer (UTF-16) ----

  // The installed port monitors (level 2), in the spooler's order. kSuccess and *monitors;
  // a system error (kErrNotEnoughMemory, kErrAccessDenied, ...) otherwise.
  virtual ErrorCode ListMonitorsW(std::vector<MonitorInfoW>* monitors) = 0;

  // The names of the installed ports (level 2), in the spooler's order. kSuccess and *names;
  // a system error otherwise.
  virtual ErrorCode ListPortsW(std::vector<std::u16string>* names) = 0;

  // Asks the port monitor `monitor_name` to add a port: opens ",XcvMonitor <monitor_name>"
  // with the right to administer the server, sends the command "AddPort" with the port name
  // (terminator included) and no output buffer, and closes the channel.
  // kSuccess and *status, the monitor's own answer (0: added; kErrAlreadyExists: the port
  // exists; kErrInvalidName or another code: refused). Otherwise the error of the step that
  // failed: kErrInvalidPrinterName when no such monitor exists; kErrAccessDenied; ...
  virtual ErrorCode AddPortW(const std::u16string& monitor_name, const std::u16string& port_name,
                             uint32_t* status) = 0;

  // Registers a printer driver at level 3 on the local machine. The files must lie in the
  // printer driver directory; the spooler copies them into its version subdirectory and files
  // the driver under "...\Environments\<environment>\Drivers\Version-<n>\<name>". A driver of
  // the same name is replaced. kSuccess; kErrFileNotFound when a named file is missing (the
  // Windows answer; Wine accepts missing files); kErrInvalidEnvironment; kErrAccessDenied.
  virtual ErrorCode AddDriverW(const DriverInfo3W& driver) = 0;

  // Creates a printer at level 2 on the local machine and closes the handle the spooler gives.
  // kSuccess; kErrPrinterAlreadyExists (Windows; Wine answers success again);
  // kErrUnknownPrinterDriver; kErrUnknownPort; kErrUnknownPrintProcessor;
  // kErrInvalidPrinterName for an empty name; kErrAccessDenied.
  virtual ErrorCode AddPrinterW(const PrinterInfo2W& printer) = 0;

  // Reads a printer's level-2 record: opens it with default access, asks for the size, reads,
  // closes. kSuccess and *printer; kErrInvalidPrinterName when no such printer exists.
  virtual ErrorCode QueryPrinterW(const std::u16string& name, PrinterInfo2W* printer) = 0;

  // Makes `name` the user's default printer (SetDefaultPrinterW, bound at run time: Windows
  // 2000 and later). kSuccess; kErrInvalidPrinterName for an unknown printer; kErrProcNotFound
  // on a system without the call (NT 4: the caller writes the profile entry itself).
  virtual ErrorCode SetDefaultPrinterNameW(const std::u16string& name) = 0;

  // The user's default printer (GetDefaultPrinterW, bound at run time). kSuccess and *name;
  // kErrInvalidPrinterName when there is none; kErrProcNotFound on a system without the call.
  virtual ErrorCode DefaultPrinterNameW(std::u16string* name) = 0;

  // ---- PrnWipe: printers by name (ANSI) ----

  // Opens a printer by name. kSuccess and *handle; kErrInvalidPrinterName when no such
  // printer exists; kErrAccessDenied when the access is refused.
  virtual ErrorCode OpenPrinterHandle(const std::string& name, PrinterAccess access,
                                      PrinterHandle* handle) = 0;

  // Deletes the printer behind an open handle (the handle stays open until closed).
  // kSuccess; kErrAccessDenied; kErrInvalidHandle for a handle that is not open;
  // kErrInvalidPrinterName when the printer went meanwhile.
  virtual ErrorCode RemovePrinter(PrinterHandle handle) = 0;

  // Closes a handle from OpenPrinterHandle. kSuccess; kErrInvalidHandle.
  virtual ErrorCode ClosePrinterHandle(PrinterHandle handle) = 0;
};

}  // namespace qid
