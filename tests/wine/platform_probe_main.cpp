// platform_probe.exe: proves the Win32 platform parts against the system they run on (the
// Wine suites run it in a throwaway prefix). `platform_probe.exe all` runs the platform
// contract (tests/contract, the same checks the fakes and host parts pass natively) and the
// checks only Windows can answer, and prints one line per check, "ok   - what" or
// "FAIL - what: detail"; platform_test.sh counts them. The other modes are the children that
// the process checks start: those of the contract (child-exit, child-sleep, child-env) and
//
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
#include "tests/contract/contract.h"

namespace {

using namespace qid;

class PrintingReporter : public contract::Reporter {
 public:
  void Check(bool ok, const std::string& what, const std::string& detail) override {
    if (ok) {
      std::printf("ok   - %s\n", what.c_str());
    } else {
      ++failed;
      std::printf("FAIL - %s%s%s\n", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    }
  }
  int failed = 0;
};

PrintingReporter g_report;

void Report(bool ok, const std::string& what, const std::string& detail = "") {
  g_report.Check(ok, what, detail);
}

void ExpectCode(const std::string& what, ErrorCode expected, ErrorCode actual) {
  contract::ExpectCode(g_report, what, expected, actual);
}

void ExpectText(const std::string& what, const std::string& expected, const std::string& actual) {
  contract::ExpectText(g_report, what, expected, actual);
}

std::string SelfPath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// --- registry --------------------------------------------------------------------------------

// What the interface cannot show: the class of a created key, and the terminator habit of the
// bare system call that the layer defeats.
void RegistrySystemChecks(Registry& reg) {
  const char kKey[] = "Software\\QidProbeSystem";
  reg.DeleteKey(Hive::kCurrentUser, kKey);
  RegKey key = kNoKey;
  reg.CreateKey(Hive::kCurrentUser, kKey, " ", &key, nullptr);
  char key_class[16] = {};
  DWORD class_len = sizeof key_class;
  RegQueryInfoKeyA(reinterpret_cast<HKEY>(key), key_class, &class_len, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  ExpectText("registry: a created key has the class given", " ", key_class);
  const wchar_t text[] = L"C:\\ZEL";  // a NUL follows the 12 bytes
  RegSetValueExW(reinterpret_cast<HKEY>(key), L"Bare", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(text), 12);
  DWORD size = 0;
  RegQueryValueExW(reinterpret_cast<HKEY>(key), L"Bare", nullptr, nullptr, nullptr, &size);
  Report(size == 14, "registry: the bare system call adds the terminator the layer keeps out",
         std::to_string(size) + " bytes");
  reg.CloseKey(key);
  reg.DeleteKey(Hive::kCurrentUser, kKey);
}

// --- environment -----------------------------------------------------------------------------

// Values set outside Windows, which only the real system hands over.
void EnvironmentSystemChecks(Environment& env) {
  std::string value;
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

void FileSystemChecks(FileSystem& fs, const std::string& dir) {
  const std::string a = dir + "\\a.bin";
  std::unique_ptr<File> f;
  fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone, &f);
  f.reset();
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

void ProcessSystemChecks(Processes& procs, Environment& env, const std::string& dir) {
  const std::string self = SelfPath();
  std::unique_ptr<Process> p;
  uint32_t code = 12345;
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

  const std::string script = dir + "\\view.vbs";
  HANDLE h = CreateFileA(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, "x = 1\r\n", 7, &written, nullptr);
  CloseHandle(h);
  ExpectCode("processes: a script file is no program", kErrFileNotFound,
             procs.StartProcess(script + " " + Quoted(dir + "\\TEST.TIF"), &p));
  DeleteFileA(script.c_str());
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
  if (mode == "child-startup" && argc > 2) return ChildStartup(argv[2]);
  int child = contract::RunContractChild(argc, argv);
  if (child >= 0) return child;
  if (mode != "all") {
    std::fprintf(stderr, "usage: platform_probe.exe all\n");
    return 2;
  }

  Platform& os = SystemPlatform();
  const std::string dir = "C:\\qid-probe-" + std::to_string(GetCurrentProcessId());
  contract::RegistryContract(*os.registry, g_report);
  RegistrySystemChecks(*os.registry);
  contract::EnvironmentContract(*os.environment, g_report);
  EnvironmentSystemChecks(*os.environment);
  contract::FileContract(*os.files, dir, g_report);
  contract::FileNameCaseContract(*os.files, dir, g_report);
  contract::FileSharingContract(*os.files, dir, g_report);
  FileSystemChecks(*os.files, dir);
  contract::ProcessContract(*os.processes, *os.environment, Quoted(SelfPath()), dir, g_report);
  ProcessSystemChecks(*os.processes, *os.environment, dir);
  SystemChecks(*os.system);
  DebugOutputChecks(os.debug_output);
  RemoveDirectoryA(dir.c_str());
  std::fflush(stdout);
  return g_report.failed == 0 ? 0 : 1;
}
