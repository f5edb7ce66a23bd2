#include "imagewriter/dialogs/driver_help.h"

#include <cstdint>

#include "common/bounded_string.h"
#include "platform/environment.h"
#include "platform/registry.h"
#include "platform/spooler.h"

namespace qid {

const char kHtmlHelpClassKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

namespace {
constexpr char kHelpFile[] = "qid_E.chm";
constexpr char kDefaultHelpLibrary[] = "hhctrl.ocx";
constexpr size_t kLibraryPathBytes = 1024;
constexpr size_t kDriverDirectoryChars = 260;
}  // namespace

std::string DriverHelpPath(bool have_directory, const std::string& driver_directory) {
  if (!have_directory) return kHelpFile;
  return driver_directory + "\\3\\" + kHelpFile;
}

std::string DriverHelpFile(Spooler& spooler) {
  std::string directory;
  bool have = spooler.DriverDirectory(kDriverDirectoryChars, &directory) == kSuccess;
  return DriverHelpPath(have, directory);
}

std::vector<std::string> HtmlHelpLibraries(Registry& registry, Environment& environment) {
  std::vector<std::string> libraries;
  RegKey key = kNoKey;
  if (registry.OpenKey(Hive::kClassesRoot, kHtmlHelpClassKey, false, &key) == kSuccess) {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
    if (registry.QueryValue(key, "", &type, &data, kLibraryPathBytes) == kSuccess &&
        (type == kRegSz || type == kRegExpandSz)) {
      std::string name(UpToNul(std::string_view(reinterpret_cast<const char*>(data.data()),
                                                data.size())));
      if (type == kRegExpandSz) name = ExpandEnvironmentText(environment, name);
      if (!name.empty()) libraries.push_back(name);
    }
    registry.CloseKey(key);
  }
  libraries.push_back(kDefaultHelpLibrary);
  return libraries;
}

std::string ExpandEnvironmentText(Environment& environment, const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t open = text.find('%', i);
    if (open == std::string::npos) break;
    size_t close = text.find('%', open + 1);
    if (close == std::string::npos) break;
    out.append(text, i, open - i);
    std::string value;
    std::string name = text.substr(open + 1, close - open - 1);
    if (!name.empty() && environment.GetVariable(name, &value)) {
      out += value;
      i = close + 1;
    } else {
      // Not a variable: keep the first "%" and look again from the second one.
      out.append(text, open, close - open);
      i = close;
    }
  }
  out.append(text, i, std::string::npos);
  return out;
}

}  // namespace qid
