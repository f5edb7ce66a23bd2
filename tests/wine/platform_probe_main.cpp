// platform_probe.exe: proves the Win32 platform parts against the system they run on (the
// Wine suites run it in a throwaway prefix). `platform_probe.exe all` runs every group and
// prints one line per check, "ok   - what" or "FAIL - what: detail"; platform_test.sh counts
// them. The other modes are the children that the process checks start:
//
//   child-exit N          exits with code N
//   child-sleep MS        sleeps, then exits 0
//   child-env NAME VALUE  exits 0 when the variable NAME holds VALUE, 1 when it holds another
//                         text, 2 when it is not set
//   child-startup DIR     exits 0 when its start-up parameters, inherited variable and current
//                         folder (DIR) are as the parent's StartProcess promises; else a bit
//                         mask of what differed
//
// platform_test.sh sets QID_PROBE_LONG (40000 characters) and QID_PROBE_MAX (32767) in the
// Unix environment that Wine hands to the probe.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/debug_trace.h"
#include "platform/platform.h"

namespace {

using namespace qid;

int g_failed = 0;

void Report(bool ok, const std::string& what, const std::string& detail = "") {
  if (ok) {
    std::printf("ok   - %s\n", what.c_str());
  } else {
    ++g_failed;
    std::printf("FAIL - %s%s%s\n", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  }
}

void ExpectCode(const std::string& what, ErrorCode expected, ErrorCode actual) {
  Report(expected == actual, what,
         "expected " + std::to_string(expected) + ", got " + std::to_string(actual));
}

// Control characters shown as \xNN, so that a stray terminator is visible in the report.
std::string Printable(const std::string& text) {
  std::string out;
  char hex[8];
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

void ExpectText(const std::string& what, const std::string& expected, const std::string& actual) {
  Report(expected == actual, what,
         "expected [" + Printable(expected) + "], got [" + Printable(actual) + "]");
}

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::string SelfPath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// --- registry --------------------------------------------------------------------------------

const char kProbeKey[] = "Software\\QidProbe";

void RegistryChecks(Registry& reg) {
  RegKey key = kNoKey;
  reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf");
  reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub");
  reg.DeleteKey(Hive::kCurrentUser, kProbeKey);

  ExpectCode("registry: OpenKey of a missing key", kErrFileNotFound,
             reg.OpenKey(Hive::kCurrentUser, kProbeKey, false, &key));
  ExpectCode("registry: OpenCurrentUserKey of a missing key", kErrFileNotFound,
             reg.OpenCurrentUserKey(kProbeKey, &key));

  bool created = false;
  ExpectCode("registry: CreateKey makes missing parents", kSuccess,
             reg.CreateKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf", " ", &key,
                           &created));
  Report(created, "registry: CreateKey tells a new key");
  reg.CloseKey(key);
  ExpectCode("registry: CreateKey opens an existing key", kSuccess,
             reg.CreateKey(Hive::kCurrentUser, kProbeKey, " ", &key, &created));
  Report(!created, "registry: CreateKey tells an existing key");

  char key_class[16] = {};
  DWORD class_len = sizeof key_class;
  RegKey leaf = kNoKey;
  reg.OpenKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf", false, &leaf);
  RegQueryInfoKeyA(reinterpret_cast<HKEY>(leaf), key_class, &class_len, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  reg.CloseKey(leaf);
  ExpectText("registry: a created key has the class given", " ", key_class);

  // Strings keep exactly the bytes given, with or without terminator.
  ExpectCode("registry: SetStringValue", kSuccess, SetStringValue(reg, key, "NoNul", "abc"));
  ExpectCode("registry: SetValue of a string with its NUL", kSuccess,
             reg.SetValue(key, "WithNul", kRegSz, "abc", 4));
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ExpectCode("registry: QueryValue of a string", kSuccess,
             reg.QueryValue(key, "NoNul", &type, &data, 256));
  ExpectText("registry: a string written without NUL reads back without one",
             std::string("abc"), Bytes(data));
  Report(type == kRegSz, "registry: the type reads back", std::to_string(type));
  DWORD wide_size = 0;
  RegQueryValueExW(reinterpret_cast<HKEY>(key), L"NoNul", nullptr, nullptr, nullptr,
                   &wide_size);
  Report(wide_size == 6, "registry: the system stores the string without a terminator",
         "UTF-16 bytes " + std::to_string(wide_size));
  reg.QueryValue(key, "WithNul", &type, &data, 256);
  ExpectText("registry: a string written with NUL reads back with it", std::string("abc", 4),
             Bytes(data));

  // Capacity: exactly the value's size fits; one byte less is ERROR_MORE_DATA, data untouched.
  data.assign(3, 'x');
  ExpectCode("registry: a value of exactly the capacity", kSuccess,
             reg.QueryValue(key, "WithNul", &type, &data, 4));
  data.assign(1, 'z');
  type = 0;
  ExpectCode("registry: a value larger than the capacity", kErrMoreData,
             reg.QueryValue(key, "WithNul", &type, &data, 3));
  Report(data.size() == 1 && data[0] == 'z', "registry: ERROR_MORE_DATA leaves the data as it was");
  Report(type == kRegSz, "registry: ERROR_MORE_DATA still tells the type", std::to_string(type));
  reg.SetValue(key, "Empty", kRegSz, "", 0);
  ExpectCode("registry: an empty value fits capacity 0", kSuccess,
             reg.QueryValue(key, "Empty", &type, &data, 0));
  Report(data.empty(), "registry: an empty value reads as no bytes");
  ExpectCode("registry: capacity 0 refuses a non-empty value", kErrMoreData,
             reg.QueryValue(key, "NoNul", &type, &data, 0));
  std::string big(100000, 'q');
  reg.SetValue(key, "Big", kRegBinary, big.data(), big.size());
  ExpectCode("registry: a large capacity reads a large value", kSuccess,
             reg.QueryValue(key, "Big", &type, &data, 1 << 20));
  Report(data.size() == big.size(), "registry: all of a large value arrives",
         std::to_string(data.size()));
  ExpectCode("registry: a small value under a large capacity", kSuccess,
             reg.QueryValue(key, "NoNul", &type, &data, 1 << 20));
  ExpectText("registry: ... reads exactly", "abc", Bytes(data));
  ExpectCode("registry: a missing value", kErrFileNotFound,
             reg.QueryValue(key, "Nope", &type, &data, 16));
  ExpectCode("registry: no key is an invalid handle", kErrInvalidHandle,
             reg.QueryValue(kNoKey, "NoNul", &type, &data, 16));
  ExpectCode("registry: no key refuses a write", kErrInvalidHandle,
             reg.SetValue(kNoKey, "x", kRegSz, "a", 1));

  SetDwordValue(reg, key, "Number", 0x01020304);
  reg.QueryValue(key, "Number", &type, &data, 4);
  Report(type == kRegDword && data == std::vector<uint8_t>{4, 3, 2, 1},
         "registry: a DWORD is 4 little-endian bytes");

  // Enumeration in full, then ERROR_NO_MORE_ITEMS; a long value name comes whole.
  std::string long_name(300, 'n');
  reg.SetValue(key, long_name, kRegSz, "v", 1);
  std::vector<std::string> names;
  std::string name;
  uint32_t index = 0;
  ErrorCode err;
  while ((err = reg.EnumValue(key, index, &name)) == kSuccess) {
    names.push_back(name);
    ++index;
  }
  ExpectCode("registry: EnumValue ends with no more items", kErrNoMoreItems, err);
  Report(names.size() == 6, "registry: EnumValue lists every value",
         std::to_string(names.size()));
  bool long_seen = false;
  for (const auto& n : names) long_seen = long_seen || n == long_name;
  Report(long_seen, "registry: EnumValue gives a 300-character name whole");
  ExpectCode("registry: EnumKey of the first subkey", kSuccess, reg.EnumKey(key, 0, &name));
  ExpectText("registry: ... is its name", "Sub", name);
  ExpectCode("registry: EnumKey past the end", kErrNoMoreItems, reg.EnumKey(key, 1, &name));

  ExpectCode("registry: DeleteValue", kSuccess, reg.DeleteValue(key, "Number"));
  ExpectCode("registry: DeleteValue of a missing value", kErrFileNotFound,
             reg.DeleteValue(key, "Number"));

  RegKey read_only = kNoKey;
  reg.OpenKey(Hive::kCurrentUser, kProbeKey, false, &read_only);
  ExpectCode("registry: a key opened for reading refuses writes", kErrAccessDenied,
             reg.SetValue(read_only, "x", kRegSz, "a", 1));
  reg.CloseKey(read_only);

  RegKey user_key = kNoKey;
  ExpectCode("registry: OpenCurrentUserKey of an existing key", kSuccess,
             reg.OpenCurrentUserKey(kProbeKey, &user_key));
  reg.QueryValue(user_key, "NoNul", &type, &data, 16);
  ExpectText("registry: ... sees the current user's values", "abc", Bytes(data));
  ExpectCode("registry: ... with full access", kSuccess,
             reg.SetValue(user_key, "Written", kRegSz, "w", 1));
  reg.CloseKey(user_key);
  reg.CloseKey(key);

  Report(reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub") != kSuccess,
         "registry: DeleteKey refuses a key with subkeys");
  ExpectCode("registry: DeleteKey of a leaf", kSuccess,
             reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf"));
  ExpectCode("registry: DeleteKey of a missing key", kErrFileNotFound,
             reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf"));
  reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub");
  reg.DeleteKey(Hive::kCurrentUser, kProbeKey);
}

// --- environment -----------------------------------------------------------------------------

void EnvironmentChecks(Environment& env) {
  std::string value = "untouched";
  Report(!env.GetVariable("QID_PROBE_NEVER_SET", &value), "environment: an absent variable");
  ExpectCode("environment: set to an empty text", kSuccess, env.SetVariable("QID_PROBE_E", ""));
  Report(env.GetVariable("QID_PROBE_E", &value) && value.empty(),
         "environment: an empty variable is present and empty");
  std::string long_value(300, 'v');
  env.SetVariable("QID_PROBE_300", long_value);
  Report(env.GetVariable("qid_probe_300", &value) && value == long_value,
         "environment: names ignore case; a value longer than the first buffer comes whole");
  std::string max_value(32766, 'm');
  ExpectCode("environment: a value of 32766 characters is accepted", kSuccess,
             env.SetVariable("QID_PROBE_SETMAX", max_value));
  Report(env.GetVariable("QID_PROBE_SETMAX", &value) && value == max_value,
         "environment: ... and reads back whole", std::to_string(value.size()));
  ExpectCode("environment: a value of 32767 characters is refused (the system would damage it)",
             kErrInvalidParameter, env.SetVariable("QID_PROBE_SETBIG", std::string(32767, 'b')));
  ExpectCode("environment: a name with '=' is refused", kErrInvalidParameter,
             env.SetVariable("A=B", "x"));
  ExpectCode("environment: an empty name is refused", kErrInvalidParameter,
             env.SetVariable("", "x"));

  char probe[2];
  if (GetEnvironmentVariableA("QID_PROBE_LONG", probe, sizeof probe) == 0) {
    Report(false, "environment: the suite set QID_PROBE_LONG");
  } else {
    value = "untouched";
    Report(!env.GetVariable("QID_PROBE_LONG", &value),
           "environment: a value of 40000 characters from outside reads as absent",
           "read " + std::to_string(value.size()) + " characters");
  }
  if (GetEnvironmentVariableA("QID_PROBE_MAX", probe, sizeof probe) == 0) {
    Report(false, "environment: the suite set QID_PROBE_MAX");
  } else {
    Report(env.GetVariable("QID_PROBE_MAX", &value) && value == std::string(32767, 'x'),
           "environment: a value of 32767 characters from outside reads whole",
           std::to_string(value.size()));
  }
}

// --- files -----------------------------------------------------------------------------------

std::string ReadAll(FileSystem& fs, const std::string& path) {
  std::unique_ptr<File> f;
  if (fs.OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                  &f) != kSuccess)
    return "<cannot open>";
  std::string bytes;
  if (ReadWholeFile(*f, &bytes) != kSuccess) return "<cannot read>";
  return bytes;
}

void WriteAll(FileSystem& fs, const std::string& path, const std::string& bytes) {
  std::unique_ptr<File> f;
  if (fs.OpenFile(path, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone,
                  &f) == kSuccess)
    f->Write(bytes.data(), bytes.size());
}

void FileChecks(FileSystem& fs, const std::string& dir) {
  const std::string a = dir + "\\a.bin", b = dir + "\\b.bin", c = dir + "\\c.bin";
  ExpectCode("files: CreateFolder", kSuccess, fs.CreateFolder(dir));
  ExpectCode("files: CreateFolder of an existing folder", kErrAlreadyExists,
             fs.CreateFolder(dir));
  ExpectCode("files: CreateFolder under a missing folder", kErrPathNotFound,
             fs.CreateFolder(dir + "\\no\\such"));
  Report(fs.FileExists(dir), "files: FileExists of a folder");

  std::unique_ptr<File> f;
  ExpectCode("files: OpenExisting of a missing file", kErrFileNotFound,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                         &f));
  ExpectCode("files: a file in a missing folder", kErrPathNotFound,
             fs.OpenFile(dir + "\\no\\x.bin", FileAccess::kWrite,
                         FileDisposition::kCreateAlways, FileShare::kNone, &f));
  ExpectCode("files: an empty path", kErrInvalidName,
             fs.OpenFile("", FileAccess::kRead, FileDisposition::kOpenExisting,
                         FileShare::kRead, &f));
  ExpectCode("files: CreateNew", kSuccess,
             fs.OpenFile(a, FileAccess::kReadWrite, FileDisposition::kCreateNew,
                         FileShare::kNone, &f));
  std::unique_ptr<File> other;
  ExpectCode("files: a file opened without sharing refuses a second opener",
             kErrSharingViolation,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting,
                         FileShare::kReadWrite, &other));

  ExpectCode("files: Write", kSuccess, f->Write("0123456789", 10));
  Report(f->Tell() == 10, "files: Tell after a write", std::to_string(f->Tell()));
  char buf[100];
  size_t got = 0;
  f->Seek(2);
  f->Read(buf, 4, &got);
  ExpectText("files: Seek then Read", "2345", std::string(buf, got));
  ExpectCode("files: a read past the end", kSuccess, f->Read(buf, sizeof buf, &got));
  Report(got == 4, "files: ... gets what is left", std::to_string(got));
  f->Read(buf, sizeof buf, &got);
  Report(got == 0, "files: a read at the end gets nothing", std::to_string(got));
  uint64_t size = 0;
  f->Size(&size);
  Report(size == 10, "files: Size", std::to_string(size));

  f->Seek(7);
  ExpectCode("files: Truncate", kSuccess, f->Truncate(4));
  f->Size(&size);
  Report(size == 4, "files: ... cuts the file", std::to_string(size));
  Report(f->Tell() == 7, "files: ... and keeps the position", std::to_string(f->Tell()));
  f->Seek(1000);
  f->Write("!", 1);
  f->Size(&size);
  Report(size == 1001, "files: a write past the end extends the file", std::to_string(size));

  // Positions and sizes past 4 GiB need the high words of the 32-bit calls.
  const uint64_t five_gib = 5ull << 30;
  ExpectCode("files: Seek past 4 GiB", kSuccess, f->Seek(five_gib));
  Report(f->Tell() == five_gib, "files: Tell past 4 GiB", std::to_string(f->Tell()));
  const uint64_t past_four = (4ull << 30) + 5;
  f->Seek(0);
  ExpectCode("files: Truncate past 4 GiB (sparse)", kSuccess, f->Truncate(past_four));
  f->Size(&size);
  Report(size == past_four, "files: Size past 4 GiB", std::to_string(size));
  f->Truncate(0);
  ExpectCode("files: Flush", kSuccess, f->Flush());
  ExpectCode("files: Close", kSuccess, f->Close());
  ExpectCode("files: Read after Close", kErrInvalidHandle, f->Read(buf, 1, &got));
  ExpectCode("files: Close twice", kErrInvalidHandle, f->Close());
  ExpectCode("files: CreateNew of an existing file", kErrFileExists,
             fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kCreateNew, FileShare::kNone,
                         &f));

  WriteAll(fs, a, "first");
  ExpectCode("files: open for reading", kSuccess,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                         &f));
  ExpectCode("files: a shared reader may open it too", kSuccess,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                         &other));
  other.reset();
  ExpectCode("files: a writer may not while reading is all that is shared",
             kErrSharingViolation,
             fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kOpenExisting,
                         FileShare::kReadWrite, &other));
  ExpectCode("files: Write on a handle opened for reading", kErrAccessDenied,
             f->Write("x", 1));
  ExpectCode("files: Truncate on a handle opened for reading", kErrAccessDenied,
             f->Truncate(0));
  ExpectCode("files: Flush on a handle opened for reading", kSuccess, f->Flush());
  f.reset();
  fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kOpenExisting, FileShare::kNone, &f);
  ExpectCode("files: Read on a handle opened for writing", kErrAccessDenied,
             f->Read(buf, 1, &got));
  f.reset();

  fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone, &f);
  f.reset();
  ExpectText("files: CreateAlways empties an existing file", "", ReadAll(fs, a));
  ExpectCode("files: OpenAlways creates a missing file", kSuccess,
             fs.OpenFile(c, FileAccess::kWrite, FileDisposition::kOpenAlways, FileShare::kNone,
                         &f));
  f.reset();
  Report(fs.FileExists(c), "files: ... which then exists");

  WriteAll(fs, a, "source bytes");
  ExpectCode("files: CopyFileTo a new file", kSuccess, fs.CopyFileTo(a, b, true));
  ExpectText("files: ... copies the bytes", "source bytes", ReadAll(fs, b));
  ExpectCode("files: CopyFileTo refuses an existing file when asked", kErrFileExists,
             fs.CopyFileTo(a, c, true));
  ExpectCode("files: CopyFileTo replaces otherwise", kSuccess, fs.CopyFileTo(a, c, false));
  ExpectText("files: ... with the new bytes", "source bytes", ReadAll(fs, c));
  ExpectCode("files: CopyFileTo from a missing file", kErrFileNotFound,
             fs.CopyFileTo(dir + "\\none", b, false));

  WriteAll(fs, b, "renamed");
  ExpectCode("files: RenameFile onto an existing file", kSuccess, fs.RenameFile(b, c));
  ExpectText("files: ... replaces it", "renamed", ReadAll(fs, c));
  Report(!fs.FileExists(b), "files: ... and the old name is gone");
  ExpectCode("files: RenameFile of a missing file", kErrFileNotFound, fs.RenameFile(b, c));

  ExpectCode("files: RemoveFile", kSuccess, fs.RemoveFile(c));
  ExpectCode("files: RemoveFile of a missing file", kErrFileNotFound, fs.RemoveFile(c));
  Report(!fs.FileExists(c), "files: FileExists of a removed file");

  ExpectCode("files: RemoveAtRestart", kSuccess, fs.RemoveAtRestart(a));
  HKEY session = nullptr;
  std::wstring pending;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                    0, KEY_READ, &session) == ERROR_SUCCESS) {
    DWORD bytes = 0;
    RegQueryValueExW(session, L"PendingFileRenameOperations", nullptr, nullptr, nullptr,
                     &bytes);
    std::vector<wchar_t> text(bytes / 2 + 1);
    RegQueryValueExW(session, L"PendingFileRenameOperations", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(text.data()), &bytes);
    for (wchar_t ch : text) pending.push_back(ch == 0 ? L'|' : ch);
    RegCloseKey(session);
  }
  std::wstring wide_a(a.begin(), a.end());
  Report(pending.find(wide_a) != std::wstring::npos,
         "files: ... records the file with the system for the next restart");
  fs.RemoveFile(a);
}

// --- processes -------------------------------------------------------------------------------

void ProcessChecks(Processes& procs, Environment& env, const std::string& dir) {
  const std::string self = SelfPath();
  std::unique_ptr<Process> p;
  uint32_t code = 12345;
  ExpectCode("processes: StartProcess", kSuccess,
             procs.StartProcess(Quoted(self) + " child-exit 7", &p));
  if (p) {
    ExpectCode("processes: Wait", kSuccess, p->Wait(kWaitForever, &code));
    Report(code == 7, "processes: Wait gives the exit code", std::to_string(code));
  }

  p.reset();
  if (procs.StartProcess(Quoted(self) + " child-sleep 3000", &p) == kSuccess) {
    ExpectCode("processes: Wait with a short limit on a running child", kErrWaitTimeout,
               p->Wait(50, &code));
    ExpectCode("processes: Wait without limit", kSuccess, p->Wait(kWaitForever, &code));
  } else {
    Report(false, "processes: start the sleeping child");
  }

  // The child checks what it was given: start-up parameters, environment, current folder.
  env.SetVariable("QID_PROBE_INHERIT", "yes");
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  p.reset();
  code = 12345;
  if (procs.StartProcess(Quoted(self) + " child-startup " + Quoted(cwd), &p) == kSuccess)
    p->Wait(kWaitForever, &code);
  Report(code == 0,
         "processes: the child gets only a normal window among the start-up fields, the "
         "environment and the current folder",
         "mask " + std::to_string(code));

  // A program in a folder with a blank, named in quotes, as an Output Application may be.
  const std::string blank_dir = dir + "\\with blank";
  CreateDirectoryA(blank_dir.c_str(), nullptr);
  const std::string copy = blank_dir + "\\probe copy.exe";
  CopyFileA(self.c_str(), copy.c_str(), FALSE);
  p.reset();
  code = 12345;
  if (procs.StartProcess(Quoted(copy) + " child-exit 3", &p) == kSuccess)
    p->Wait(kWaitForever, &code);
  Report(code == 3, "processes: a quoted program path with blanks",
         "exit " + std::to_string(code));
  p.reset();
  DeleteFileA(copy.c_str());
  RemoveDirectoryA(blank_dir.c_str());

  ExpectCode("processes: a missing program", kErrFileNotFound,
             procs.StartProcess(dir + "\\none.exe", &p));
  const std::string script = dir + "\\view.vbs";
  HANDLE h = CreateFileA(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, "x = 1\r\n", 7, &written, nullptr);
  CloseHandle(h);
  ExpectCode("processes: a script file is no program", kErrFileNotFound,
             procs.StartProcess(script + " " + Quoted(dir + "\\TEST.TIF"), &p));
  DeleteFileA(script.c_str());
  ExpectCode("processes: an empty command line", kErrFileNotFound,
             procs.StartProcess("  ", &p));
}

int ChildStartup(const char* expected_dir) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  GetStartupInfoA(&si);
  int mask = 0;
  // Only the show-window field: a fill attribute in use would colour a console program's text.
  if (si.dwFlags != STARTF_USESHOWWINDOW) mask |= 1;
  if (si.wShowWindow != SW_SHOWNORMAL) mask |= 8;
  char value[8] = {};
  GetEnvironmentVariableA("QID_PROBE_INHERIT", value, sizeof value);
  if (std::strcmp(value, "yes") != 0) mask |= 16;
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  if (lstrcmpiA(cwd, expected_dir) != 0) mask |= 32;
  return mask;
}

// --- system facts and the debug output -------------------------------------------------------

void SystemChecks(SystemInfo& sys) {
  std::string name;
  ExpectCode("system: UserName", kSuccess, sys.UserName(256, &name));
  Report(!name.empty(), "system: ... is not empty");
  std::string small = "kept";
  ExpectCode("system: UserName longer than the capacity", kErrInsufficientBuffer,
             sys.UserName(0, &small));
  ExpectText("system: ... leaves the name as it was", "kept", small);
  OsVersion v = sys.Version();
  Report(v.platform_id == 2 && v.major >= 5, "system: Version is an NT system of 5.0 or later",
         std::to_string(v.major) + "." + std::to_string(v.minor) + " platform " +
             std::to_string(v.platform_id));
  std::tm now = sys.LocalTime();
  std::tm normal = now;
  std::mktime(&normal);
  Report(now.tm_year >= 120 && now.tm_mon >= 0 && now.tm_mon < 12 && now.tm_mday >= 1,
         "system: LocalTime is a plausible date");
  Report(now.tm_yday == normal.tm_yday && now.tm_wday == normal.tm_wday,
         "system: LocalTime's day of the year and of the week agree with the C library",
         std::to_string(now.tm_yday) + " vs " + std::to_string(normal.tm_yday));
}

// OutputDebugString raises a first-chance exception that a vectored handler sees, with or
// without a debugger; the ANSI code carries a char string, the UTF-16 one a wchar_t string.
std::vector<std::string> g_debug_lines;

LONG CALLBACK CatchDebugString(EXCEPTION_POINTERS* e) {
  const EXCEPTION_RECORD* r = e->ExceptionRecord;
  if (r->ExceptionCode == 0x40010006 && r->NumberParameters >= 2) {  // DBG_PRINTEXCEPTION_C
    g_debug_lines.push_back(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
  } else if (r->ExceptionCode == 0x4001000A && r->NumberParameters >= 2) {  // ..._WIDE_C
    std::string narrow;
    for (const wchar_t* w = reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]); *w;
         ++w)
      narrow.push_back(*w < 0x80 ? static_cast<char>(*w) : '?');
    g_debug_lines.push_back("W:" + narrow);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

void DebugOutputChecks(TraceSink* sink) {
  // AddVectoredExceptionHandler is newer than the headers this build exposes.
  using AddHandler = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
  using RemoveHandler = ULONG(WINAPI*)(PVOID);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  auto add = reinterpret_cast<AddHandler>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "AddVectoredExceptionHandler")));
  auto remove = reinterpret_cast<RemoveHandler>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "RemoveVectoredExceptionHandler")));
  if (add == nullptr || remove == nullptr) {
    Report(false, "debug output: a vectored exception handler can be installed");
    return;
  }
  PVOID handler = add(1, CatchDebugString);
  TraceSink* old = SetTraceSink(sink);
  DebugTrace("PROBE:  ", "ansi %s %d", "line", 1);
  DebugTraceW(u"PROBE:  ", u"wide %hs %d", "line", 2);
  SetTraceSink(old);
  remove(handler);
  bool ansi = false, wide = false;
  for (const auto& line : g_debug_lines) {
    ansi = ansi || line == "PROBE:  ansi line 1\r\n";
    // The system may pass a UTF-16 line on in either form.
    wide = wide || line == "PROBE:  wide line 2\r\n" || line == "W:PROBE:  wide line 2\r\n";
  }
  Report(ansi, "debug output: an ANSI trace line reaches OutputDebugStringA");
  Report(wide, "debug output: a UTF-16 trace line reaches OutputDebugStringW");
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "child-exit" && argc > 2) return std::atoi(argv[2]);
  if (mode == "child-sleep" && argc > 2) {
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    return 0;
  }
  if (mode == "child-startup" && argc > 2) return ChildStartup(argv[2]);
  if (mode == "child-env" && argc > 3) {
    std::string value;
    if (!SystemPlatform().environment->GetVariable(argv[2], &value)) return 2;
    return value == argv[3] ? 0 : 1;
  }
  if (mode != "all") {
    std::fprintf(stderr, "usage: platform_probe.exe all\n");
    return 2;
  }

  Platform& os = SystemPlatform();
  const std::string dir = "C:\\qid-probe-" + std::to_string(GetCurrentProcessId());
  RegistryChecks(*os.registry);
  EnvironmentChecks(*os.environment);
  FileChecks(*os.files, dir);
  ProcessChecks(*os.processes, *os.environment, dir);
  SystemChecks(*os.system);
  DebugOutputChecks(os.debug_output);
  RemoveDirectoryA(dir.c_str());
  std::fflush(stdout);
  return g_failed == 0 ? 0 : 1;
}
