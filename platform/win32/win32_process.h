// Starting programs with CreateProcessA from a command line alone, and waiting for them.
#pragma once

#include "platform/process.h"

namespace qid {

class Win32Processes : public Processes {
 public:
  Win32Processes() = default;

  // No application name, the command line in a writable copy, no inherited handles, no
  // creation flags, this process's environment and folder; of the start-up fields only the
  // show-window one is in use (shown normally). The thread handle is closed at once.
  ErrorCode StartProcess(const std::string& command_line,
                         std::unique_ptr<Process>* process) override;
};

}  // namespace qid
