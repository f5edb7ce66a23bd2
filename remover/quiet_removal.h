// PrnWipe's command line and its unattended removal ("/quiet /driver NAME"): the Uninstall of
// the main dialog for one driver, over a driver list that shows nothing, with the printer
// question and the file confirmation answered Yes and the restart question No.
#pragma once

#include <string>

#include "remover/remover.h"

namespace qid {

// PrnWipe's exit codes under /quiet; the README's deployment section lists them.
enum QuietRemovalExit : int {
  kQuietRemoved = 0,
  kQuietRemoverUsage = 1,     // unknown switch, missing value, switch without /quiet
  kQuietUnknownDriver = 2,    // no installed driver has that name
  kQuietRestartNeeded = 3,    // removed; a file in use goes at the next restart
  kQuietSystemUnknown = 4,    // the system is not recognised: nothing is listed
  kQuietPrinterKept = 5,      // a printer of the driver could not be deleted; the driver stays
  kQuietFileKept = 6,         // a file of the driver could not be deleted
  kQuietKeyKept = 7,          // the driver's registry key could not be deleted
  kQuietRemovalFailed = 8,    // any other message: the removal did not go as planned
};

extern const char kRemoverUsage[];

struct RemoverCommand {
  enum Kind { kWindow, kUsage, kQuiet } kind = kWindow;
  std::string error;   // kUsage: why the command line was refused; "" for "/?"
  bool silent = false; // kUsage: /quiet was asked for, so no box either
  std::string driver;  // kQuiet
};

// The whole command line as GetCommandLineW gives it, program name first.
RemoverCommand ReadRemoverCommand(const std::u16string& command_line);

// Removes the driver named (ignoring letter case) without any window or message box; the
// trace is that of the same removal in the main dialog. `texts` gives the string table.
int RunQuietRemoval(Platform& platform, RemoverHost& texts, const std::string& driver);

}  // namespace qid
