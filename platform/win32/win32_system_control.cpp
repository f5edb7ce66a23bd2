#include "platform/win32/win32_system_control.h"

#include "platform/win32/win32_api.h"

namespace qid {
namespace {

constexpr UINT kBroadcastTimeoutMs = 1000;

LPCWSTR Wide(const std::u16string& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

}  // namespace

ShutdownPrivilegeResult Win32SystemControl::EnableShutdownPrivilege() {
  ShutdownPrivilegeResult result;
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    result.open_token = LastError();
    token = nullptr;
  }
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    result.lookup = LastError();
  // Run even without a token, so its failure is reported as the adjustment's own.
  if (!::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr))
    result.adjust = LastError();
  if (token != nullptr) ::CloseHandle(token);
  return result;
}

ErrorCode Win32SystemControl::RequestRestart() {
  return ::ExitWindowsEx(EWX_REBOOT, 0) ? kSuccess : LastError();
}

ErrorCode Win32SystemControl::BroadcastSettingChange() {
  DWORD_PTR answer = 0;
  if (::SendMessageTimeoutW(HWND_BROADCAST, WM_WININICHANGE, 0, 0, SMTO_NORMAL,
                            kBroadcastTimeoutMs, &answer))
    return kSuccess;
  DWORD err = ::GetLastError();
  return err == 0 || err == ERROR_TIMEOUT ? kErrWaitTimeout : static_cast<ErrorCode>(err);
}

ErrorCode Win32SystemControl::WriteProfileEntryW(const std::u16string& section,
                                                 const std::u16string& key,
                                                 const std::u16string& value) {
  return ::WriteProfileStringW(Wide(section), Wide(key), Wide(value)) ? kSuccess : LastError();
}

ErrorCode Win32SystemControl::WritePrivateProfileEntry(const std::string& file_name,
                                                       const std::string& section,
                                                       const std::string& key,
                                                       const std::string& value) {
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                      file_name.c_str())
             ? kSuccess
             : LastError();
}

}  // namespace qid
