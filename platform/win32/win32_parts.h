// The small Win32 implementations: environment, message boxes, debug output, system facts.
#pragma once

#include <ctime>
#include <string>

#include "common/debug_trace.h"
#include "platform/environment.h"
#include "platform/message_box.h"
#include "platform/system_info.h"

namespace qid {

// GetEnvironmentVariableA / SetEnvironmentVariableA. A value longer than the system's limit
// of 32767 characters reads as absent (its length is checked in the environment block, since
// the call itself may report such a length wrapped). SetVariable refuses values of 32767
// characters or more, which the system would store damaged.
class Win32Environment : public Environment {
 public:
  bool GetVariable(const std::string& name, std::string* value) override;
  ErrorCode SetVariable(const std::string& name, const std::string& value) override;
};

// MessageBoxA with the caller's owner, texts and style.
class Win32MessageBoxes : public MessageBoxes {
 public:
  int ShowMessageBoxSystemCaption(WindowHandle owner, const std::string& text,
                                  uint32_t style) override;
  int ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                      const std::u16string& caption, uint32_t style) override;
  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                     uint32_t style) override;
};

// The system's debug-string output: OutputDebugStringA for ANSI lines, OutputDebugStringW for
// UTF-16 lines.
class Win32DebugOutput : public TraceSink {
 public:
  void TraceLine(const std::string& line) override;
  void TraceLineW(const std::u16string& line) override;
};

// GetUserNameA, GetVersionExA, IsWow64Process (bound at run time), GetWindowsDirectoryW,
// GetEnvironmentVariableW, GetModuleFileNameW, SHGetFolderPathA (bound at run time) and
// GetLocalTime.
class Win32SystemInfo : public SystemInfo {
 public:
  ErrorCode UserName(size_t capacity, std::string* name) override;
  OsVersion Version() override;
  ErrorCode QueryVersion(OsVersion* version) override;
  bool IsWow64() override;
  ErrorCode WindowsFolderW(std::u16string* folder) override;
  ErrorCode ProgramFilesFolderW(std::u16string* folder) override;
  ErrorCode ExecutablePathW(std::u16string* path) override;
  ErrorCode UserDataFolder(std::string* folder) override;
  std::tm LocalTime() override;
};

}  // namespace qid
