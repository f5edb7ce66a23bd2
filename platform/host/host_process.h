// Starting programs on the host: the Windows command line is split with the Windows rules
// (command_line.h) and the program started with posix_spawn.
#pragma once

#include <memory>
#include <string>

#include "platform/process.h"

namespace qid {

class HostFileSystem;

class HostProcesses : public Processes {
 public:
  // `files` maps a program name written as a Windows path ("C:\Tools\view.exe", or any name
  // holding a backslash) onto the host; it is not owned and must outlive this object. With
  // null such a name only has its backslashes turned into slashes. Other names are used as
  // given: one holding "/" as a path, a plain one looked up through PATH.
  explicit HostProcesses(const HostFileSystem* files) : files_(files) {}

  // The child gets the words after the program name as its arguments, verbatim (paths in
  // them are not mapped), this process's environment and current folder, standard input,
  // output and error but no other descriptor, and default signal handling.
  // kSuccess and *process; kErrFileNotFound when the program is missing or no program (not
  // found through PATH, an empty name, a file the system cannot execute); kErrAccessDenied
  // for a file without execute permission or a folder; kErrFilenameTooLong for a line over
  // 32767 characters or an overlong name; another code from the system otherwise.
  // Waiting reports the child's exit status; a child ended by a signal reports 128 + the
  // signal number, as a shell does.
  ErrorCode StartProcess(const std::string& command_line,
                         std::unique_ptr<Process>* process) override;

  // Where the program of a command line's first word would be taken from, as StartProcess
  // resolves it (for tests and diagnostics): kSuccess and *path, or StartProcess's error.
  ErrorCode ResolveProgram(const std::string& program, std::string* path) const;

 private:
  const HostFileSystem* files_;
};

// The longest command line that Windows accepts, and so the host too.
constexpr size_t kMaxHostCommandLine = 32767;

}  // namespace qid
