// The switches of an unattended run ("/quiet /log FILE ..."), for the GUI programs that read
// a command line. Switches start with "/" or "-" and are matched ignoring letter case; a
// value is the next argument. Arguments are split as the C runtime splits them: blanks
// separate, double quotes group, and backslashes escape a quote only when they precede one.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qid {

// The arguments after the program name of a whole command line (GetCommandLineW), the
// program name itself skipped by its own rule (quoted or up to the first blank).
std::vector<std::u16string> SplitCommandArguments(const std::u16string& command_line);

struct SwitchRule {
  const char16_t* name;  // lower case, without the leading "/"
  bool takes_value;
};

struct ParsedSwitches {
  bool ok = true;
  std::u16string error;                            // why not, for the usage box
  std::map<std::u16string, std::u16string> given;  // lower-case name -> value ("" for a flag)

  bool Has(const char16_t* name) const { return given.count(name) != 0; }
  std::u16string Value(const char16_t* name) const {
    auto it = given.find(name);
    return it == given.end() ? std::u16string() : it->second;
  }
};

// Every argument must be one of `rules` (with its value where it takes one); anything else,
// a repeated switch or a missing value is refused with a message naming it. "/?" is the
// switch "?" when the rules list it.
ParsedSwitches ParseSwitches(const std::vector<std::u16string>& arguments,
                             const std::vector<SwitchRule>& rules);

// True when one of the arguments is the switch `name` (lower case), whatever else is wrong
// with them: a refused "/quiet" command line must still stay silent.
bool MentionsSwitch(const std::vector<std::u16string>& arguments, const char16_t* name);

}  // namespace qid
