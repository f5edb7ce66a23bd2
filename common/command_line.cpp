#include "common/command_line.h"

namespace qid {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string SwitchName(const std::u16string& argument) {
  std::u16string name;
  for (size_t k = 1; k < argument.size(); ++k) name += Lower(argument[k]);
  return name;
}

bool LooksLikeSwitch(const std::u16string& argument) {
  return argument.size() >= 2 && (argument[0] == u'/' || argument[0] == u'-');
}

}  // namespace

std::vector<std::u16string> SplitCommandArguments(const std::u16string& line) {
  size_t at = 0;
  // The program name: no escapes, a quote only toggles.
  for (bool quoted = false; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
    if (line[at] == u'"') quoted = !quoted;
  }
  std::vector<std::u16string> arguments;
  for (;;) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) return arguments;
    std::u16string argument;
    bool quoted = false;
    while (at < line.size() && (quoted || !IsBlank(line[at]))) {
      size_t backslashes = 0;
      while (at < line.size() && line[at] == u'\\') ++backslashes, ++at;
      if (at < line.size() && line[at] == u'"') {
        argument.append(backslashes / 2, u'\\');
        if (backslashes % 2 == 1) {
          argument += u'"';
        } else if (quoted && at + 1 < line.size() && line[at + 1] == u'"') {
          argument += u'"';  // "" inside quotes is one quote
          ++at;
        } else {
          quoted = !quoted;
        }
        ++at;
      } else {
        argument.append(backslashes, u'\\');
        if (at < line.size() && (quoted || !IsBlank(line[at]))) argument += line[at++];
      }
    }
    arguments.push_back(argument);
  }
}

ParsedSwitches ParseSwitches(const std::vector<std::u16string>& arguments,
                             const std::vector<SwitchRule>& rules) {
  ParsedSwitches parsed;
  auto refuse = [&parsed](const std::u16string& why) {
    parsed.ok = false;
    parsed.error = why;
    parsed.given.clear();
    return parsed;
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::u16string& argument = arguments[i];
    if (!LooksLikeSwitch(argument)) return refuse(u"Unexpected argument: " + argument);
    std::u16string name = SwitchName(argument);
    const SwitchRule* known = nullptr;
    for (const SwitchRule& s : rules) {
      if (name == s.name) known = &s;
    }
    if (known == nullptr) return refuse(u"Unknown switch: " + argument);
    if (parsed.Has(known->name)) return refuse(u"Switch given twice: " + argument);
    std::u16string value;
    if (known->takes_value) {
      // A value never starts with "/": "/log /default" lacks its file.
      if (i + 1 == arguments.size() || arguments[i + 1].empty() || arguments[i + 1][0] == u'/') {
        return refuse(u"Missing value after " + argument);
      }
      value = arguments[++i];
    }
    parsed.given[known->name] = value;
  }
  return parsed;
}

bool MentionsSwitch(const std::vector<std::u16string>& arguments, const char16_t* name) {
  for (const std::u16string& argument : arguments) {
    if (LooksLikeSwitch(argument) && SwitchName(argument) == name) return true;
  }
  return false;
}

}  // namespace qid
