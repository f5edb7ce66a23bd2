// The help button: where the driver's help file lies and which library provides the HTML
// Help entry. The Win32 layer loads the library and calls its entry (export 14, command 1: the
// table of contents).
#pragma once

#include <string>
#include <vector>

namespace qid {

class Environment;
class Registry;
class Spooler;

extern const char kHtmlHelpClassKey[];  // "CLSID\{ADB880A6-...}\InprocServer32" under HKCR

// The help file: the printer driver directory followed by "\3\qid_E.chm" when the spooler
// named one, else "qid_E.chm".
std::string DriverHelpPath(bool have_directory, const std::string& driver_directory);

// The help file for the spooler's printer driver directory (asked for with room for 260
// characters, as the dialog always has).
std::string DriverHelpFile(Spooler& spooler);

// The libraries to try for the HTML Help entry, in order: the one named by the class key's
// default value (environment strings expanded for an expandable value), then "hhctrl.ocx".
std::vector<std::string> HtmlHelpLibraries(Registry& registry, Environment& environment);

// %NAME% replaced by the variable's value; an unknown name or a lone "%" stays as written, as
// the Windows expansion does.
std::string ExpandEnvironmentText(Environment& environment, const std::string& text);

}  // namespace qid
