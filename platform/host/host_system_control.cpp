#include "platform/host/host_system_control.h"

#include <cctype>
#include <vector>

#include "platform/host/host_file_system.h"
#include "platform/host/host_spooler.h"

namespace qid {
namespace {

constexpr char kWindowsFolder[] = "C:\\windows";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// Writes the whole profile through a temporary and a rename, so a failed write leaves the old one.
ErrorCode ReplaceFile(FileSystem& files, const std::string& path, const std::string& bytes) {
  std::string temp = path + ".qidnew";
  std::unique_ptr<File> file;
  ErrorCode err = files.OpenFile(temp, FileAccess::kWrite, FileDisposition::kCreateAlways,
                                 FileShare::kNone, &file);
  if (err != kSuccess) return err;
  err = file->Write(bytes.data(), bytes.size());
  if (err == kSuccess) err = file->Close();
  if (err == kSuccess) err = files.RenameFile(temp, path);
  if (err != kSuccess) files.RemoveFile(temp);
  return err;
}

}  // namespace

std::string WithProfileEntry(const std::string& text, const std::string& section,
                             const std::string& key, const std::string& value) {
  std::vector<std::string> lines = Lines(text);
  const std::string entry = key + "=" + value;
  const std::string wanted_section = Lower(section), wanted_key = Lower(key);
  bool in_section = false, done = false;
  size_t section_end = std::string::npos;  // where a new entry of the section goes
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string line = Trim(lines[i]);
    if (!line.empty() && line.front() == '[') {
      if (in_section) break;
      size_t close = line.find(']');
      in_section = close != std::string::npos &&
                   Lower(Trim(line.substr(1, close - 1))) == wanted_section;
      if (in_section) section_end = i + 1;
      continue;
    }
    if (!in_section) continue;
    size_t eq = line.find('=');
    if (eq != std::string::npos && Lower(Trim(line.substr(0, eq))) == wanted_key) {
      lines[i] = entry;
      done = true;
    } else if (!line.empty()) {
      section_end = i + 1;
    }
  }
  if (!done) {
    if (section_end == std::string::npos) {
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    } else {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(section_end), entry);
    }
  }
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

ShutdownPrivilegeResult HostSystemControl::EnableShutdownPrivilege() { return {}; }

ErrorCode HostSystemControl::RequestRestart() { return kErrNotSupported; }

ErrorCode HostSystemControl::BroadcastSettingChange() { return kSuccess; }

ErrorCode HostSystemControl::WriteProfileEntryW(const std::u16string& section,
                                                const std::u16string& key,
                                                const std::u16string& value) {
  std::string s, k, v;
  if (!NarrowHostPath(section, &s) || !NarrowHostPath(key, &k) || !NarrowHostPath(value, &v))
    return kErrInvalidParameter;
  if (Lower(s) != "windows") return WritePrivateProfileEntry("win.ini", s, k, v);
  RegKey windows = kNoKey;
  ErrorCode err = registry_->CreateKey(Hive::kCurrentUser, kHostWindowsKey, "", &windows, nullptr);
  if (err != kSuccess) return err;
  err = registry_->SetValue(windows, k, kRegSz, v.c_str(), v.size() + 1);
  registry_->CloseKey(windows);
  return err;
}

ErrorCode HostSystemControl::WritePrivateProfileEntry(const std::string& file_name,
                                                      const std::string& section,
                                                      const std::string& key,
                                                      const std::string& value) {
  if (file_name.empty() || section.empty() || key.empty()) return kErrInvalidParameter;
  std::string path = file_name.find_first_of("\\/:") == std::string::npos
                         ? std::string(kWindowsFolder) + "\\" + file_name
                         : file_name;
  ErrorCode err = kSuccess;
  for (const char* folder : {"C:", kWindowsFolder}) {
    err = files_->CreateFolder(folder);
    if (err != kSuccess && err != kErrAlreadyExists) return err;
  }
  std::string text;
  std::unique_ptr<File> file;
  err = files_->OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting,
                         FileShare::kRead, &file);
  if (err == kSuccess) {
    err = ReadWholeFile(*file, &text);
    file.reset();
    if (err != kSuccess) return err;
  } else if (err != kErrFileNotFound) {
    return err;
  }
  return ReplaceFile(*files_, path, WithProfileEntry(text, section, key, value));
}

}  // namespace qid
