#include "imagewriter/file_names.h"

#include <cstring>
#include <vector>

namespace qid {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

size_t LastComponentStart(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? 0 : slash + 1;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// The device a file name opens ("NUL"), or "" for an ordinary name.
std::string DeviceOf(const std::string& name) {
  std::string stem = Upper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$",
                                         "CLOCK$"};
  for (const char* device : kDevices)
    if (stem == device) return stem;
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
      stem[3] >= '1' && stem[3] <= '9')
    return stem;
  return "";
}

// The form under which Windows looks a path up.
std::string PathKey(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (parts.size() > 1) parts.pop_back();
    } else if (part != "." && !(part.empty() && !parts.empty())) {
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
      parts.push_back(Upper(part));
    }
    start = end + 1;
  }
  if (!parts.empty()) {
    std::string device = DeviceOf(parts.back());
    if (!device.empty()) return "\\\\.\\" + device;
  }
  std::string key;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) key += '\\';
    key += parts[i];
  }
  return key;
}

}  // namespace

bool SameFileName(const std::string& a, const std::string& b) { return PathKey(a) == PathKey(b); }

bool IsDeviceName(const std::string& path) {
  return !DeviceOf(path.substr(LastComponentStart(path))).empty();
}

std::string ContainedFileName(const std::string& part) {
  std::string name = part.substr(LastComponentStart(part));
  bool only_dots = !name.empty();
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr(":*?\"<>|", c) != nullptr) c = '_';
    if (c != '.' && c != ' ') only_dots = false;
  }
  if (only_dots) name.assign(name.size(), '_');
  return name;
}

bool AvoidDeviceName(std::string* path) {
  if (!IsDeviceName(*path)) return false;
  path->insert(LastComponentStart(*path), "_");
  return true;
}

}  // namespace qid
