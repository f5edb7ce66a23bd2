// Control over the running system: the shutdown privilege, the restart request, the settings
// broadcast to every top-level window, and profile entries (win.ini and private .ini files).
//
// Text form: the profile write of drvsetup is UTF-16 (WriteProfileEntryW), the private
// profile write of PrnWipe is ANSI (WritePrivateProfileEntry).
//
// Thread use: the program's window thread.
#pragma once

#include <string>

#include "platform/errors.h"

namespace qid {

// What each step of enabling the shutdown privilege answered. Every step runs even when an
// earlier one failed, so each failure can be reported on its own.
struct ShutdownPrivilegeResult {
  ErrorCode open_token = kSuccess;  // OpenProcessToken (adjust privileges | query)
  ErrorCode lookup = kSuccess;      // LookupPrivilegeValueA(local system, "SeShutdownPrivilege")
  ErrorCode adjust = kSuccess;      // AdjustTokenPrivileges: the one privilege, enabled
  bool ok() const { return open_token == kSuccess && lookup == kSuccess && adjust == kSuccess; }
};

class SystemControl {
 public:
  SystemControl() = default;
  SystemControl(const SystemControl&) = delete;
  SystemControl& operator=(const SystemControl&) = delete;
  virtual ~SystemControl() = default;

  // Enables "SeShutdownPrivilege" in the process token (NT family only; the caller decides).
  // A step's code is its system error after it reported failure (kErrInvalidHandle for the
  // adjustment of a token that could not be opened); kSuccess when it succeeded.
  virtual ShutdownPrivilegeResult EnableShutdownPrivilege() = 0;

  // Asks the system to restart, not forced (ExitWindowsEx with EWX_REBOOT): programs may still
  // refuse. kSuccess when the request was accepted; kErrAccessDenied without the privilege;
  // kErrNotSupported on the host, which cannot restart a Windows session.
  virtual ErrorCode RequestRestart() = 0;

  // Tells every top-level window that the settings changed: WM_WININICHANGE (0x001A) with
  // wParam 0 and lParam 0, sent with SendMessageTimeoutW in normal mode, 1000 ms per window.
  // kSuccess; kErrWaitTimeout when a window did not answer in time; the system's error.
  virtual ErrorCode BroadcastSettingChange() = 0;

  // Writes `key`=`value` into `section` of the system's profile (WriteProfileStringW; on NT
  // the section "windows" lives in the current user's registry). kSuccess; the system's error.
  virtual ErrorCode WriteProfileEntryW(const std::u16string& section, const std::u16string& key,
                                       const std::u16string& value) = 0;

  // Writes `key`=`value` into `section` of the profile file `file_name`
  // (WritePrivateProfileStringA; a bare name such as "Wininit.ini" lies in the Windows
  // folder). kSuccess; the system's error.
  virtual ErrorCode WritePrivateProfileEntry(const std::string& file_name,
                                             const std::string& section, const std::string& key,
                                             const std::string& value) = 0;
};

}  // namespace qid
