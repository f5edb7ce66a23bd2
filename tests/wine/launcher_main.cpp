// launcher.exe: starts a Windows program the way the driver side starts Q71File, for the Wine
// suites. Wine rebuilds TMP and TEMP of a Windows process from its own registry and quotes
// every argument that holds a blank, so a test can set neither the job's variables nor a job
// path with blanks from the shell; this launcher does both on the Windows side.
//
//   launcher.exe [--env NAME=VALUE]... [--unset NAME]... [--cwd DIR] [--timeout SECONDS]
//                [--show] (--cmd PROGRAM [ARG]... | --line COMMAND_LINE)
//
// --cmd   the child's command line is PROGRAM (in double quotes when it holds a blank), then
//         each ARG after one blank, unquoted: `--cmd C:\q\Q71File.exe "C:\jobs\job 1.tif"`
//         gives the program the job path "C:\jobs\job 1.tif" verbatim as its command line.
// --line  the child's command line is exactly COMMAND_LINE.
// --show  prints the command line to stderr before starting it.
//
// Exit code: the child's, once it has ended. 120 for a usage error, 121 when the child could
// not be started, 122 when it was still running after --timeout (it is then terminated).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 120;
constexpr int kStartError = 121;
constexpr int kTimedOut = 122;

int Usage(const char* why) {
  std::fprintf(stderr, "launcher: %s\n", why);
  std::fprintf(stderr,
               "usage: launcher.exe [--env NAME=VALUE]... [--unset NAME]... [--cwd DIR]\n"
               "                    [--timeout SECONDS] [--show]\n"
               "                    (--cmd PROGRAM [ARG]... | --line COMMAND_LINE)\n");
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command_line;
  std::string folder;
  DWORD timeout_ms = INFINITE;
  bool show = false;
  bool have_command = false;
  for (int i = 1; i < argc && !have_command; ++i) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    if (arg == "--env" && has_value) {
      std::string assignment = argv[++i];
      size_t eq = assignment.find('=');
      if (eq == std::string::npos || eq == 0) return Usage("--env needs NAME=VALUE");
      std::string name = assignment.substr(0, eq);
      if (!SetEnvironmentVariableA(name.c_str(), assignment.c_str() + eq + 1)) {
        std::fprintf(stderr, "launcher: cannot set %s: error %lu\n", name.c_str(),
                     GetLastError());
        return kUsageError;
      }
    } else if (arg == "--unset" && has_value) {
      SetEnvironmentVariableA(argv[++i], nullptr);
    } else if (arg == "--cwd" && has_value) {
      folder = argv[++i];
    } else if (arg == "--timeout" && has_value) {
      char* end = nullptr;
      unsigned long seconds = std::strtoul(argv[++i], &end, 10);
      if (end == argv[i] || *end != 0 || seconds > 86400) return Usage("bad --timeout");
      timeout_ms = static_cast<DWORD>(seconds * 1000);
    } else if (arg == "--show") {
      show = true;
    } else if (arg == "--line" && has_value) {
      command_line = argv[++i];
      have_command = true;
      if (i + 1 != argc) return Usage("nothing may follow --line COMMAND_LINE");
    } else if (arg == "--cmd" && has_value) {
      std::string program = argv[++i];
      command_line = program.find(' ') != std::string::npos ? "\"" + program + "\"" : program;
      for (++i; i < argc; ++i) {
        command_line += ' ';
        command_line += argv[i];
      }
      have_command = true;
    } else {
      return Usage(("unexpected argument " + arg).c_str());
    }
  }
  if (!have_command) return Usage("no --cmd or --line given");
  if (show) std::fprintf(stderr, "launcher: command line [%s]\n", command_line.c_str());

  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    std::fprintf(stderr, "launcher: cannot start [%s]: error %lu\n", command_line.c_str(),
                 GetLastError());
    return kStartError;
  }
  CloseHandle(info.hThread);
  DWORD wait = WaitForSingleObject(info.hProcess, timeout_ms);
  if (wait == WAIT_TIMEOUT) {
    std::fprintf(stderr, "launcher: [%s] still running after the timeout, terminated\n",
                 command_line.c_str());
    TerminateProcess(info.hProcess, kTimedOut);
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
    return kTimedOut;
  }
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return static_cast<int>(code);
}
