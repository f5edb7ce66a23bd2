#include "remover/file_names.h"

#include "common/bounded_string.h"

namespace qid {
namespace {

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

std::vector<std::string> DriverFolders(const DriverRecord& record, int os_kind) {
  std::vector<std::string> folders{record.driver_directory};
  if (!Is9xFamily(os_kind)) {
    folders.push_back(record.driver_directory + "\\" + std::to_string(record.version));
  }
  return folders;
}

std::string BareFileName(const std::string& name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) !=
                                                    std::string_view::npos) {
      return std::string();
    }
  }
  size_t keep = name.find_last_not_of(". ");
  return keep == std::string::npos ? std::string() : name.substr(0, keep + 1);
}

bool ResolveFileIn(FileSystem& files, const std::string& folder, const std::string& name,
                   std::string* path) {
  const std::string bare = BareFileName(name);
  if (bare.empty()) return false;
  std::string resolved_folder, resolved;
  if (files.ResolvePath(folder, &resolved_folder) != kSuccess) resolved_folder = folder;
  if (files.ResolvePath(folder + "\\" + bare, &resolved) != kSuccess) return false;
  size_t cut = resolved.find_last_of('\\');
  if (cut == std::string::npos || cut + 1 == resolved.size() ||
      !EqualsIgnoreCase(resolved.substr(0, cut), WithoutTrailingSeparator(resolved_folder))) {
    return false;
  }
  uint32_t attributes = 0;
  if (files.GetAttributes(resolved, &attributes) == kSuccess && (attributes & kAttrDirectory)) {
    return false;
  }
  *path = resolved;
  return true;
}

std::vector<std::string> FileIdentities(FileSystem& files, const DriverRecord& record,
                                        int os_kind, const std::string& name) {
  std::vector<std::string> names;
  const std::string bare = BareFileName(name);
  if (bare.empty()) return names;
  names.push_back(LoweredAscii(bare));
  for (const std::string& folder : DriverFolders(record, os_kind)) {
    std::string path;
    if (ResolveFileIn(files, folder, name, &path)) {
      names.push_back(LoweredAscii(path.substr(path.find_last_of('\\') + 1)));
    }
  }
  return names;
}

}  // namespace qid
