// drvsetup's command line and its unattended installation ("/quiet"): the same sequence as
// the window's (install.h), driven by a window that shows nothing and answers every question
// as the switches say, with one exit code per way the installation can fail.
#pragma once

#include <string>

#include "platform/platform.h"

namespace qid::installer {

// drvsetup's exit codes; the README's deployment section lists them.
enum QuietInstallExit : int {
  kQuietInstalled = 0,
  kQuietUsage = 1,            // unknown switch, missing value, switch without /quiet
  kQuietRefusedSystem = 2,    // Windows 95 or 98
  kQuietNoDriverFolder = 3,   // the spooler reports no printer driver directory
  kQuietMissingFile = 4,      // a package file is not next to drvsetup.exe, or is empty
  kQuietCopyFailed = 5,       // a file could not be copied (or the copy not started)
  kQuietPortFailed = 6,       // the port "QID_00:" could not be added
  kQuietDriverFailed = 7,     // the printer driver could not be registered
  kQuietPrinterExists = 8,    // the printer exists already
  kQuietPrinterFailed = 9,    // the printer could not be added
  kQuietSettingsFailed = 10,  // the default settings are not in the registry afterwards
  kQuietUnexpected = 11,      // the sequence stopped in a way that has no code of its own
};

extern const char16_t kInstallerUsage[];

struct InstallerCommand {
  enum Kind { kWindow, kUsage, kQuiet } kind = kWindow;
  std::u16string error;      // kUsage: why the command line was refused; "" for "/?"
  bool silent = false;       // kUsage: /quiet was asked for, so no box either
  bool make_default = false;
  std::u16string log_file;   // "" for Installer.log next to drvsetup.exe
};

// The whole command line as GetCommandLineW gives it, program name first.
InstallerCommand ReadInstallerCommand(const std::u16string& command_line);

// Runs the installation of the one package without any window or message box and returns
// its exit code. The copy runs on the calling thread: with no window to keep responsive a
// copy thread would only add a second queue to the same order of events.
int RunQuietInstall(Platform& os, const InstallerCommand& command);

}  // namespace qid::installer
