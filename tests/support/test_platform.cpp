#include "tests/support/test_platform.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/text_convert.h"

namespace qid::testing {
namespace {

class FinishedProcess : public Process {
 public:
  ErrorCode Wait(uint32_t, uint32_t* exit_code) override {
    *exit_code = 0;
    return kSuccess;
  }
};

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base != nullptr && *base ? base : "/tmp") + "/qid-test-XXXXXX";
  char* made = ::mkdtemp(tmpl.data());
  if (made == nullptr) ADD_FAILURE() << "cannot create a temporary folder";
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

bool MapEnvironment::NameLess::operator()(const std::string& a, const std::string& b) const {
  return ::strcasecmp(a.c_str(), b.c_str()) < 0;
}

bool MapEnvironment::GetVariable(const std::string& name, std::string* value) {
  auto it = vars_.find(name);
  if (it == vars_.end()) return false;
  *value = it->second;
  return true;
}

ErrorCode MapEnvironment::SetVariable(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos) return kErrInvalidParameter;
  if (value.size() >= kMaxEnvironmentValue) return kErrInvalidParameter;
  vars_.erase(name);  // the new letter case of the name wins
  vars_[name] = value;
  return kSuccess;
}

int ScriptedMessageBoxes::ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                                          const std::u16string& caption, uint32_t style) {
  return ShowMessageBox(owner, Utf16ToAnsi(text), Utf16ToAnsi(caption), style);
}

int ScriptedMessageBoxes::ShowMessageBox(WindowHandle, const std::string& text,
                                         const std::string& caption, uint32_t style) {
  shown.push_back(Shown{text, caption, style});
  if (!answers.empty()) {
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  uint32_t buttons = style & 0xF;
  if (buttons == kMbYesNo) return kIdNo;
  if (buttons == kMbOkCancel) return kIdCancel;
  return kIdOk;
}

ErrorCode RecordingProcesses::StartProcess(const std::string& command_line,
                                           std::unique_ptr<Process>* process) {
  started.push_back(command_line);
  if (start_result != kSuccess) return start_result;
  if (on_start) on_start(command_line);
  *process = std::make_unique<FinishedProcess>();
  return kSuccess;
}

FixedSystemInfo::FixedSystemInfo() {
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 8;
  time.tm_hour = 9;
  time.tm_min = 30;
}

ErrorCode FixedSystemInfo::UserName(size_t capacity, std::string* name) {
  if (user.empty()) return kErrFileNotFound;
  if (user.size() > capacity) return kErrInsufficientBuffer;
  *name = user;
  return kSuccess;
}

ErrorCode FixedSystemInfo::QueryVersion(OsVersion* v) {
  if (version_result != kSuccess) return version_result;
  *v = version;
  return kSuccess;
}

ErrorCode FixedSystemInfo::WindowsFolderW(std::u16string* folder) {
  *folder = windows_folder;
  return kSuccess;
}

ErrorCode FixedSystemInfo::ProgramFilesFolderW(std::u16string* folder) {
  if (program_files.empty()) return kErrEnvVarNotFound;
  *folder = program_files;
  return kSuccess;
}

ErrorCode FixedSystemInfo::ExecutablePathW(std::u16string* path) {
  *path = executable;
  return kSuccess;
}

ErrorCode FixedSystemInfo::UserDataFolder(std::string* folder) {
  if (user_data.empty()) return kErrFileNotFound;
  *folder = user_data;
  return kSuccess;
}

TraceCapture::TraceCapture() : previous_(SetTraceSink(this)) {}
TraceCapture::~TraceCapture() { SetTraceSink(previous_); }

bool TraceCapture::Contains(const std::string& text) const {
  for (const auto& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

TestPlatform::TestPlatform() : files(std::make_unique<HostFileSystem>(root.path())) {
  platform_.registry = &registry;
  platform_.environment = &environment;
  platform_.files = &product_files;
  platform_.processes = &processes;
  platform_.message_boxes = &message_boxes;
  platform_.system = &system;
  platform_.debug_output = &trace;
  platform_.spooler = &spooler;
  platform_.control = &control;
  // Drive C: exists, as on any Windows machine, and so does the user's own folder.
  std::filesystem::create_directories(root.path() + "/drive_c/profile");
}

std::string TestPlatform::HostPath(const std::string& product_path) const {
  return files->HostPath(product_path);
}

std::string ReadHostFile(const std::string& host_path) {
  std::ifstream in(host_path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteHostFile(const std::string& host_path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(host_path).parent_path());
  std::ofstream out(host_path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool HostFileExists(const std::string& host_path) { return ::access(host_path.c_str(), F_OK) == 0; }

}  // namespace qid::testing
