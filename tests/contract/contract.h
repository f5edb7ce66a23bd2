// The platform contract: what every implementation of a platform interface must do, checked
// the same way on each. Natively the checks run under GoogleTest over the in-memory fakes and
// the host implementations; under Wine the platform probe runs them over the Win32 ones and
// prints one line per check. A fake that passes them behaves as Windows does where the
// product looks, which is what lets the programs' own tests rely on fakes.
#pragma once

#include <string>

#include "platform/platform.h"

namespace qid::contract {

class Reporter {
 public:
  virtual ~Reporter() = default;
  // One check: `what` it proves, and what was seen instead when it failed.
  virtual void Check(bool ok, const std::string& what, const std::string& detail) = 0;
};

void ExpectCode(Reporter& r, const std::string& what, ErrorCode expected, ErrorCode actual);
void ExpectText(Reporter& r, const std::string& what, const std::string& expected,
                const std::string& actual);
// Control characters and bytes past ASCII shown as \xNN, so a stray terminator shows.
std::string Printable(const std::string& bytes);

// Keys under the current user's "Software\QidProbe", removed before and after.
void RegistryContract(Registry& reg, Reporter& r);

// Variables named "QID_PROBE_...".
void EnvironmentContract(Environment& env, Reporter& r);

// Works in the folder `dir` (a product path whose parent exists; created and emptied here).
void FileContract(FileSystem& fs, const std::string& dir, Reporter& r);
// Names that differ only in letter case are one file.
void FileNameCaseContract(FileSystem& fs, const std::string& dir, Reporter& r);
// Share modes between openers of one file.
void FileSharingContract(FileSystem& fs, const std::string& dir, Reporter& r);

// `child` is the command line that starts a contract child (RunContractChild), such as the
// quoted path of the probe; `dir` a folder that exists and holds no "none.exe".
void ProcessContract(Processes& procs, Environment& env, const std::string& child,
                     const std::string& dir, Reporter& r);

// The child side of ProcessContract, for a program's main: with argv[1] one of
//   child-exit N          exits with code N
//   child-sleep MS        sleeps, then exits 0
//   child-env NAME VALUE  0 when the variable NAME holds VALUE, 1 when another text, 2 unset
// it returns the exit code; otherwise -1.
int RunContractChild(int argc, char** argv);

}  // namespace qid::contract
