// A complete Platform for native tests: an in-memory registry, an in-memory environment, the
// real host file system rooted in a fresh temporary folder, recording message boxes and
// processes, a fixed system, a fake spooler and system control, and a trace capture. Each test
// builds its own; nothing leaks from one test to the next.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/debug_trace.h"
#include "platform/host/host_file_system.h"
#include "tests/support/memory_registry.h"
#include "platform/platform.h"
#include "platform/wrappers.h"
#include "tests/support/fake_spooler.h"
#include "tests/support/fake_system_control.h"

namespace qid::testing {

// A folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Names ignore letter case, as on Windows.
class MapEnvironment : public Environment {
 public:
  struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  bool GetVariable(const std::string& name, std::string* value) override;
  ErrorCode SetVariable(const std::string& name, const std::string& value) override;
  void Unset(const std::string& name) { vars_.erase(name); }
  std::map<std::string, std::string, NameLess> vars_;
};

// Records each box and answers from a queue (the host's safe default when it is empty).
// UTF-16 boxes are recorded in ANSI form.
class ScriptedMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    std::string text, caption;
    uint32_t style;
    bool system_caption = false;  // shown under the system's own caption
  };
  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                     uint32_t style) override;
  int ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                      const std::u16string& caption, uint32_t style) override;
  int ShowMessageBoxSystemCaption(WindowHandle owner, const std::string& text,
                                  uint32_t style) override {
    int answer = ShowMessageBox(owner, text, "", style);
    shown.back().system_caption = true;
    return answer;
  }
  std::vector<Shown> shown;
  std::deque<int> answers;
};

// Records every command line; runs an optional action in place of the program.
class RecordingProcesses : public Processes {
 public:
  ErrorCode StartProcess(const std::string& command_line,
                         std::unique_ptr<Process>* process) override;
  std::vector<std::string> started;
  ErrorCode start_result = kSuccess;
  std::function<void(const std::string&)> on_start;
};

// A system whose every fact a test may set; version_result fails the version query.
class FixedSystemInfo : public SystemInfo {
 public:
  ErrorCode UserName(size_t capacity, std::string* name) override;
  OsVersion Version() override { return version_result == kSuccess ? version : OsVersion{}; }
  ErrorCode QueryVersion(OsVersion* v) override;
  bool IsWow64() override { return wow64; }
  ErrorCode WindowsFolderW(std::u16string* folder) override;
  ErrorCode ProgramFilesFolderW(std::u16string* folder) override;
  ErrorCode ExecutablePathW(std::u16string* path) override;
  ErrorCode UserDataFolder(std::string* folder) override;
  std::tm LocalTime() override { return time; }
  std::string user = "tester";
  OsVersion version{5, 1, 2600, 2};
  ErrorCode version_result = kSuccess;
  bool wow64 = false;
  std::u16string windows_folder = u"C:\\WINDOWS";
  std::u16string program_files = u"C:\\Program Files";  // empty: the variable is not set
  std::u16string executable = u"C:\\setup\\drvsetup.exe";
  std::string user_data = "C:\\profile";  // made by TestPlatform; empty: there is none
  std::tm time{};  // set by the constructor to 2026-12-08 09:30
  FixedSystemInfo();
};

// Collects trace lines while installed; restores the previous sink when destroyed.
class TraceCapture : public TraceSink {
 public:
  TraceCapture();
  ~TraceCapture() override;
  void TraceLine(const std::string& line) override { lines.push_back(line); }
  void TraceLineW(const std::u16string& line) override { wide_lines.push_back(line); }
  // True when some line contains `text`.
  bool Contains(const std::string& text) const;
  std::vector<std::string> lines;
  std::vector<std::u16string> wide_lines;

 private:
  TraceSink* previous_;
};

// The host files under their product names: other programs are told a result's product path
// ("C:\ZEL\0001.tif"), as on Windows, whose behaviour the unit tests state.
class ProductNamedFiles : public FileSystemWrapper {
 public:
  using FileSystemWrapper::FileSystemWrapper;
  std::string PathForPrograms(const std::string& path) override { return path; }
};

class TestPlatform {
 public:
  TestPlatform();
  Platform& platform() { return platform_; }
  // The host path of a product path such as "C:\ZEL\TEST.TIF".
  std::string HostPath(const std::string& product_path) const;

  TempDir root;
  MemoryRegistry registry;
  MapEnvironment environment;
  std::unique_ptr<HostFileSystem> files;
  ProductNamedFiles product_files{files.get()};  // what the platform hands out
  RecordingProcesses processes;
  ScriptedMessageBoxes message_boxes;
  FixedSystemInfo system;
  FakeSpooler spooler;  // does not check driver files; a test may make one that does
  FakeSystemControl control;
  TraceCapture trace;

 private:
  Platform platform_;
};

// Whole-file helpers on host paths, for arranging and checking test files.
std::string ReadHostFile(const std::string& host_path);
void WriteHostFile(const std::string& host_path, const std::string& bytes);
bool HostFileExists(const std::string& host_path);

}  // namespace qid::testing
