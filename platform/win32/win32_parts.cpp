#include "platform/win32/win32_parts.h"

#include <cstring>
#include <vector>

#include "common/text_convert.h"
#include "platform/win32/win32_api.h"

namespace qid {
namespace {

// The system's longest environment value, in characters without the terminator.

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 units are wchar_t on Windows");

int DayOfYear(int year, int month, int day) {
  static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int yday = kBefore[(month - 1) % 12] + day - 1;
  if (leap && month > 2) ++yday;
  return yday;
}

bool SameNameIgnoringCase(const char* a, size_t a_len, const std::string& b) {
  if (a_len != b.size()) return false;
  for (size_t i = 0; i < a_len; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The variable's value as the process's environment block holds it. Entries starting with
// "=" are the system's per-drive folders.
bool BlockLookup(const std::string& name, std::string* value) {
  char* block = ::GetEnvironmentStringsA();
  if (block == nullptr) return false;
  bool found = false;
  for (const char* entry = block; *entry != 0;) {
    size_t entry_len = std::strlen(entry);
    const char* eq = entry[0] == '=' ? nullptr : std::strchr(entry, '=');
    if (eq != nullptr && SameNameIgnoringCase(entry, eq - entry, name)) {
      value->assign(eq + 1, entry + entry_len);
      found = true;
      break;
    }
    entry += entry_len + 1;
  }
  ::FreeEnvironmentStringsA(block);
  return found;
}

// What GetEnvironmentVariableA answers, when it answers consistently.
enum class Answer { kAbsent, kValue, kUnreliable };

Answer AskSystem(const std::string& name, std::string* value) {
  std::vector<char> buffer(256);
  for (;;) {
    ::SetLastError(NO_ERROR);
    DWORD n = ::GetEnvironmentVariableA(name.c_str(), buffer.data(),
                                        static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      // 0 is both "absent" and "set to an empty text"; only the last error tells them apart.
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return Answer::kAbsent;
      value->clear();
      return Answer::kValue;
    }
    if (n < buffer.size()) {
      value->assign(buffer.data(), n);
      return Answer::kValue;
    }
    // Too small: n is the room needed, terminator included. The call counts in 16-bit
    // lengths, which values near or past the limit overflow: it may then ask for less than it
    // was given, or hand back a piece of the value.
    if (n > kMaxEnvironmentValue + 1 || n <= buffer.size()) return Answer::kUnreliable;
    buffer.resize(n);
  }
}

}  // namespace

bool Win32Environment::GetVariable(const std::string& name, std::string* value) {
  std::string answer;
  Answer asked = AskSystem(name, &answer);
  if (asked == Answer::kAbsent) return false;
  // The block has the true length: a value past the limit is absent, whatever the call said.
  std::string held;
  bool in_block = BlockLookup(name, &held);
  if (in_block && held.size() > kMaxEnvironmentValue) return false;
  if (asked == Answer::kUnreliable) {
    if (!in_block) return false;
    answer.swap(held);
  }
  *value = answer;
  return true;
}

ErrorCode Win32Environment::SetVariable(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos) return kErrInvalidParameter;
  // The system keeps lengths in 16-bit byte counts: a value of 32767 characters or more
  // overflows them and is stored damaged while the call reports success, so it is refused.
  if (value.size() >= kMaxEnvironmentValue) return kErrInvalidParameter;
  return ::SetEnvironmentVariableA(name.c_str(), value.c_str()) ? kSuccess : LastError();
}

int Win32MessageBoxes::ShowMessageBox(WindowHandle owner, const std::string& text,
                                      const std::string& caption, uint32_t style) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

int Win32MessageBoxes::ShowMessageBoxSystemCaption(WindowHandle owner, const std::string& text,
                                                   uint32_t style) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), nullptr, style);
}

int Win32MessageBoxes::ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                                       const std::u16string& caption, uint32_t style) {
  return ::MessageBoxW(reinterpret_cast<HWND>(owner),
                       reinterpret_cast<const wchar_t*>(text.c_str()),
                       reinterpret_cast<const wchar_t*>(caption.c_str()), style);
}

void Win32DebugOutput::TraceLine(const std::string& line) { ::OutputDebugStringA(line.c_str()); }

void Win32DebugOutput::TraceLineW(const std::u16string& line) {
  ::OutputDebugStringW(reinterpret_cast<const wchar_t*>(line.c_str()));
}

ErrorCode Win32SystemInfo::UserName(size_t capacity, std::string* name) {
  // User names have at most 256 characters (UNLEN); the buffer never needs to be larger.
  size_t room = (capacity < 256 ? capacity : 256) + 1;
  std::vector<char> buffer(room);
  DWORD size = static_cast<DWORD>(room);
  if (!::GetUserNameA(buffer.data(), &size)) {
    return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER ? kErrInsufficientBuffer
                                                         : kErrFileNotFound;
  }
  std::string user(buffer.data());
  if (user.empty()) return kErrFileNotFound;
  if (user.size() > capacity) return kErrInsufficientBuffer;
  *name = user;
  return kSuccess;
}

OsVersion Win32SystemInfo::Version() {
  OsVersion version;
  QueryVersion(&version);
  return version;
}

ErrorCode Win32SystemInfo::QueryVersion(OsVersion* version) {
  OsVersion v;
  OSVERSIONINFOEXA ex = {};
  ex.dwOSVersionInfoSize = sizeof ex;
  if (::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) {
    v.extended = true;
    v.service_pack_major = ex.wServicePackMajor;
    v.service_pack_minor = ex.wServicePackMinor;
    v.suite_mask = ex.wSuiteMask;
    v.product_type = ex.wProductType;
  } else {
    // Systems before NT 4 SP6 know only the 148-byte record.
    std::memset(&ex, 0, sizeof ex);
    ex.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex))) return LastError();
  }
  v.major = ex.dwMajorVersion;
  v.minor = ex.dwMinorVersion;
  v.build = ex.dwBuildNumber;
  v.platform_id = ex.dwPlatformId;
  ex.szCSDVersion[sizeof ex.szCSDVersion - 1] = '\0';
  v.csd_version = ex.szCSDVersion;
  *version = v;
  return kSuccess;
}

bool Win32SystemInfo::IsWow64() {
  using IsWow64Entry = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = ::GetModuleHandleA("kernel32");
  if (kernel == nullptr) return false;
  auto entry = reinterpret_cast<IsWow64Entry>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (entry == nullptr || !entry(::GetCurrentProcess(), &wow64)) return false;
  return wow64 != FALSE;
}

ErrorCode Win32SystemInfo::WindowsFolderW(std::u16string* folder) {
  wchar_t buffer[MAX_PATH + 1];
  UINT n = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (n == 0 && ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
    // The 9x family has only the ANSI call; the remover still needs its Wininit.ini there.
    char ansi[MAX_PATH + 1];
    UINT a = ::GetWindowsDirectoryA(ansi, MAX_PATH + 1);
    if (a == 0) return LastError();
    if (a > MAX_PATH) return kErrInsufficientBuffer;
    *folder = AnsiToUtf16(std::string_view(ansi, a));
    return kSuccess;
  }
  if (n == 0) return LastError();
  if (n > MAX_PATH) return kErrInsufficientBuffer;
  folder->assign(reinterpret_cast<const char16_t*>(buffer), n);
  return kSuccess;
}

ErrorCode Win32SystemInfo::ProgramFilesFolderW(std::u16string* folder) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD n = ::GetEnvironmentVariableW(L"ProgramFiles", buffer.data(),
                                        static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      DWORD err = ::GetLastError();
      // An empty value also answers 0, with no error to tell it from an absent one.
      if (err == ERROR_ENVVAR_NOT_FOUND) return kErrEnvVarNotFound;
      folder->clear();
      return kSuccess;
    }
    if (n < buffer.size()) {
      folder->assign(reinterpret_cast<const char16_t*>(buffer.data()), n);
      return kSuccess;
    }
    if (n > kMaxEnvironmentValue + 1) return kErrInsufficientBuffer;
    buffer.resize(n);
  }
}

ErrorCode Win32SystemInfo::ExecutablePathW(std::u16string* path) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return LastError();
    // A full buffer means the name may have been cut (Windows 2000 does not say so).
    if (n < buffer.size() - 1) {
      path->assign(reinterpret_cast<const char16_t*>(buffer.data()), n);
      return kSuccess;
    }
    if (buffer.size() > kMaxEnvironmentValue) return kErrInsufficientBuffer;
    buffer.resize(buffer.size() * 2);
  }
}

ErrorCode Win32SystemInfo::UserDataFolder(std::string* folder) {
  // The shell's folder of the process's own user, read through its token and profile, not
  // through the environment, which the starting side sets as it likes. Local, not roaming:
  // the folder holds only this machine's state.
  constexpr int kLocalAppData = 0x001c;  // CSIDL_LOCAL_APPDATA
  constexpr int kFlagCreate = 0x8000;    // CSIDL_FLAG_CREATE
  using FolderEntry = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
  HMODULE shell = ::LoadLibraryA("shell32.dll");
  if (shell == nullptr) return LastError();
  auto entry = reinterpret_cast<FolderEntry>(
      reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetFolderPathA")));
  if (entry == nullptr) return kErrProcNotFound;
  char buffer[MAX_PATH + 1] = {};
  HRESULT hr = entry(nullptr, kLocalAppData | kFlagCreate, nullptr, 0, buffer);
  // A system error comes wrapped as 0x8007xxxx; anything else means the folder is not there.
  if (FAILED(hr))
    return (hr & 0xFFFF0000) == 0x80070000 ? ErrorCode(hr & 0xFFFF) : kErrFileNotFound;
  std::string path = buffer;
  if (path.empty()) return kErrFileNotFound;
  if (path.back() != '\\') path += '\\';
  path += "ZEL";
  if (!::CreateDirectoryA(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
    return LastError();
  *folder = path;
  return kSuccess;
}

std::tm Win32SystemInfo::LocalTime() {
  SYSTEMTIME now = {};
  ::GetLocalTime(&now);
  std::tm local = {};
  local.tm_year = now.wYear - 1900;
  local.tm_mon = now.wMonth - 1;
  local.tm_mday = now.wDay;
  local.tm_hour = now.wHour;
  local.tm_min = now.wMinute;
  local.tm_sec = now.wSecond;
  local.tm_wday = now.wDayOfWeek;
  local.tm_yday = DayOfYear(now.wYear, now.wMonth, now.wDay);
  local.tm_isdst = -1;  // the system does not say
  return local;
}

}  // namespace qid
