// The small host implementations: environment, message boxes, debug output, system facts.
#pragma once

#include <cstdio>
#include <string>

#include "common/debug_trace.h"
#include "platform/environment.h"
#include "platform/message_box.h"
#include "platform/system_info.h"

namespace qid {

// The process environment (getenv/setenv); children started later inherit it.
class HostEnvironment : public Environment {
 public:
  bool GetVariable(const std::string& name, std::string* value) override;
  ErrorCode SetVariable(const std::string& name, const std::string& value) override;
};

// Writes "caption: text" to stderr and answers with the safe default: No for a Yes/No
// question, Cancel where offered, OK otherwise. The host has no one to ask.
class HostMessageBoxes : public MessageBoxes {
 public:
  int ShowMessageBoxSystemCaption(WindowHandle owner, const std::string& text,
                                  uint32_t style) override {
    return ShowMessageBox(owner, text, "Error", style);
  }
  int ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                      const std::u16string& caption, uint32_t style) override;
  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                     uint32_t style) override;
};

// Trace lines to the file named by $QID_TRACE ("-" for stderr); discarded when unset.
class HostDebugOutput : public TraceSink {
 public:
  HostDebugOutput();
  ~HostDebugOutput() override;
  void TraceLine(const std::string& line) override;
  void TraceLineW(const std::u16string& line) override;

 private:
  std::FILE* out_ = nullptr;
  bool owned_ = false;
};

// The login name; the host presents itself as a 32-bit NT 5.1 system with its Windows folder
// at "C:\windows" and programs under $ProgramFiles, else "C:\Program Files".
class HostSystemInfo : public SystemInfo {
 public:
  ErrorCode UserName(size_t capacity, std::string* name) override;
  OsVersion Version() override;
  ErrorCode QueryVersion(OsVersion* version) override;
  bool IsWow64() override;
  ErrorCode WindowsFolderW(std::u16string* folder) override;
  ErrorCode ProgramFilesFolderW(std::u16string* folder) override;
  ErrorCode ExecutablePathW(std::u16string* path) override;
  ErrorCode UserDataFolder(std::string* folder) override;  // HostRoot()
  std::tm LocalTime() override;
};

// $QID_ROOT, else $XDG_DATA_HOME/qid, else ~/.local/share/qid, as it is.
std::string HostRootPath();

// HostRootPath(), created when missing.
std::string HostRoot();

}  // namespace qid
