// Starting programs and waiting for them.
//
// Thread use: any thread; a Process handle belongs to the thread that started it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/errors.h"

namespace qid {

constexpr uint32_t kWaitForever = 0xFFFFFFFFu;

class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  // Releases the handle; the process itself goes on running.
  virtual ~Process() = default;

  // Waits up to timeout_ms (kWaitForever: no limit) for the process to end.
  // kSuccess and *exit_code; kErrWaitTimeout while it still runs.
  virtual ErrorCode Wait(uint32_t timeout_ms, uint32_t* exit_code) = 0;
};

class Processes {
 public:
  Processes() = default;
  Processes(const Processes&) = delete;
  Processes& operator=(const Processes&) = delete;
  virtual ~Processes() = default;

  // Starts a program from a command line alone, as CreateProcess with no application name: the
  // first token names the program. The child inherits this process's environment and current
  // folder, no handles, and shows its window normally. The host layer splits the line with
  // the Windows rules and starts the first word through PATH.
  // kSuccess and *process; kErrFileNotFound when the program cannot be found or is no program;
  // kErrAccessDenied; kErrFilenameTooLong.
  virtual ErrorCode StartProcess(const std::string& command_line,
                                 std::unique_ptr<Process>* process) = 0;
};

}  // namespace qid
