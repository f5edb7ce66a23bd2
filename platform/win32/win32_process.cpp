#include "platform/win32/win32_process.h"

#include <vector>

#include "platform/win32/win32_api.h"

namespace qid {
namespace {

class Win32Process : public Process {
 public:
  explicit Win32Process(HANDLE handle) : handle_(handle) {}
  ~Win32Process() override { ::CloseHandle(handle_); }

  ErrorCode Wait(uint32_t timeout_ms, uint32_t* exit_code) override {
    DWORD wait = ::WaitForSingleObject(handle_, timeout_ms == kWaitForever ? INFINITE
                                                                           : timeout_ms);
    if (wait == WAIT_TIMEOUT) return kErrWaitTimeout;
    if (wait != WAIT_OBJECT_0) return LastError();
    DWORD code = 0;
    if (!::GetExitCodeProcess(handle_, &code)) return LastError();
    if (exit_code != nullptr) *exit_code = code;
    return kSuccess;
  }

 private:
  HANDLE handle_;
};

// The contract's one answer for "that is no program to start".
ErrorCode StartError(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_FORMAT:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_INVALID_EXE_SIGNATURE:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_INVALID_NAME:
      return kErrFileNotFound;
    default:
      return static_cast<ErrorCode>(err);
  }
}

}  // namespace

ErrorCode Win32Processes::StartProcess(const std::string& command_line,
                                       std::unique_ptr<Process>* process) {
  if (command_line.find_first_not_of(" \t") == std::string::npos) return kErrFileNotFound;
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');

  // Only the show-window field is in use: a fill attribute of 0 would give a console program
  // black text on black, and the console size is the system's to choose.
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwXCountChars = 80;
  startup.dwYCountChars = 25;
  startup.wShowWindow = SW_SHOWNORMAL;
  startup.dwFlags = STARTF_USESHOWWINDOW;

  PROCESS_INFORMATION info = {};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return StartError(::GetLastError());
  ::CloseHandle(info.hThread);
  *process = std::make_unique<Win32Process>(info.hProcess);
  return kSuccess;
}

}  // namespace qid
