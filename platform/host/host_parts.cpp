#include "platform/host/host_parts.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/bounded_string.h"
#include "common/text_convert.h"
#include "platform/host/host_file_system.h"

namespace qid {

namespace {

// The name of the variable that `name` denotes, letter case ignored; empty when none is set.
std::string SetName(const std::string& name) {
  if (std::getenv(name.c_str()) != nullptr) return name;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* eq = std::strchr(*entry, '=');
    if (eq != nullptr && EqualsIgnoreCase(std::string_view(*entry, eq - *entry), name))
      return std::string(*entry, eq - *entry);
  }
  return "";
}

}  // namespace

bool HostEnvironment::GetVariable(const std::string& name, std::string* value) {
  std::string set = SetName(name);
  const char* v = set.empty() ? nullptr : std::getenv(set.c_str());
  if (v == nullptr) return false;
  *value = v;
  return true;
}

ErrorCode HostEnvironment::SetVariable(const std::string& name, const std::string& value) {
  if (name.empty() || name.find('=') != std::string::npos) return kErrInvalidParameter;
  if (value.size() >= kMaxEnvironmentValue) return kErrInvalidParameter;
  // One variable per name whatever its letter case, as on Windows.
  std::vector<std::string> others;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const char* eq = std::strchr(*entry, '=');
    std::string_view other(*entry, eq != nullptr ? eq - *entry : std::strlen(*entry));
    if (other != name && EqualsIgnoreCase(other, name)) others.emplace_back(other);
  }
  for (const auto& other : others) ::unsetenv(other.c_str());
  return ::setenv(name.c_str(), value.c_str(), 1) == 0 ? kSuccess : kErrNotEnoughMemory;
}

int HostMessageBoxes::ShowMessageBox(WindowHandle, const std::string& text,
                                     const std::string& caption, uint32_t style) {
  int answer = kIdOk;
  uint32_t buttons = style & 0xF;
  if (buttons == kMbYesNo) answer = kIdNo;
  else if (buttons == kMbOkCancel || buttons == 3 /* Yes/No/Cancel */) answer = kIdCancel;
  const char* name = answer == kIdNo ? "No" : answer == kIdCancel ? "Cancel" : "OK";
  std::fprintf(stderr, "[%s] %s\n  -> %s\n", caption.c_str(), text.c_str(), name);
  return answer;
}

int HostMessageBoxes::ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                                      const std::u16string& caption, uint32_t style) {
  return ShowMessageBox(owner, Utf16ToAnsi(text), Utf16ToAnsi(caption), style);
}

HostDebugOutput::HostDebugOutput() {
  const char* target = std::getenv("QID_TRACE");
  if (target == nullptr || *target == 0) return;
  if (std::string(target) == "-") {
    out_ = stderr;
    return;
  }
  out_ = std::fopen(target, "ab");
  owned_ = out_ != nullptr;
}

HostDebugOutput::~HostDebugOutput() {
  if (owned_) std::fclose(out_);
}

void HostDebugOutput::TraceLine(const std::string& line) {
  if (out_ == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fflush(out_);
}

void HostDebugOutput::TraceLineW(const std::u16string& line) { TraceLine(Utf16ToAnsi(line)); }

ErrorCode HostSystemInfo::UserName(size_t capacity, std::string* name) {
  std::string user;
  if (struct passwd* pw = ::getpwuid(::geteuid())) user = pw->pw_name;
  if (user.empty()) {
    const char* env = std::getenv("USER");
    if (env != nullptr) user = env;
  }
  if (user.empty()) return kErrFileNotFound;
  if (user.size() > capacity) return kErrInsufficientBuffer;
  *name = user;
  return kSuccess;
}

OsVersion HostSystemInfo::Version() {
  OsVersion version;
  QueryVersion(&version);
  return version;
}

ErrorCode HostSystemInfo::QueryVersion(OsVersion* version) {
  OsVersion v;
  v.major = 5;
  v.minor = 1;
  v.build = 2600;
  v.platform_id = kPlatformNt;
  v.csd_version = "Service Pack 3";
  v.extended = true;
  v.service_pack_major = 3;
  v.product_type = 1;  // workstation
  *version = v;
  return kSuccess;
}

bool HostSystemInfo::IsWow64() { return false; }  // the presented system is 32-bit

ErrorCode HostSystemInfo::WindowsFolderW(std::u16string* folder) {
  *folder = u"C:\\windows";
  return kSuccess;
}

ErrorCode HostSystemInfo::ProgramFilesFolderW(std::u16string* folder) {
  // A host user may point it elsewhere; otherwise the folder every Windows install has.
  const char* v = std::getenv("ProgramFiles");
  *folder = v != nullptr ? AnsiToUtf16(v) : u"C:\\Program Files";
  return kSuccess;
}

ErrorCode HostSystemInfo::ExecutablePathW(std::u16string* path) {
  std::string buffer(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n < 0) return ErrnoToError(errno);
  if (static_cast<size_t>(n) >= buffer.size()) return kErrInsufficientBuffer;
  buffer.resize(static_cast<size_t>(n));
  *path = AnsiToUtf16(buffer);
  return kSuccess;
}

std::tm HostSystemInfo::LocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  return local;
}

ErrorCode HostSystemInfo::UserDataFolder(std::string* folder) {
  // The user's settings live here too, so a job that may reach them may reach this.
  std::string root = HostRoot();
  struct stat st;
  if (::stat(root.c_str(), &st) != 0) return ErrnoToError(errno);
  *folder = root;
  return kSuccess;
}

std::string HostRootPath() {
  std::string root;
  if (const char* r = std::getenv("QID_ROOT"); r != nullptr && *r != 0) {
    root = r;
  } else if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x != 0) {
    root = std::string(x) + "/qid";
  } else {
    const char* home = std::getenv("HOME");
    root = std::string(home != nullptr ? home : ".") + "/.local/share/qid";
  }
  return root;
}

std::string HostRoot() {
  std::string root = HostRootPath();
  // Make each missing level, as mkdir -p would.
  for (size_t i = 1; i <= root.size(); ++i)
    if (i == root.size() || root[i] == '/') ::mkdir(root.substr(0, i).c_str(), 0777);
  return root;
}

}  // namespace qid
