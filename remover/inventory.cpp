#include "remover/inventory.h"

#include <algorithm>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "remover/file_names.h"
#include "remover/remover_ids.h"

namespace qid {
namespace {

const char* const kOsNames[kOsKindCount] = {
    "Windows NT 4.0", "Windows NT 3.51", "Windows XP",         "Windows 7/Vista/2008",
    "Windows Server 2003", "Windows 2000", "Windows 95",       "Windows 98",
    "Windows ME",     "Windows 10/11",
};

int NtKind(uint32_t major, uint32_t minor) {
  if (major == 5 && minor == 2) return kOs2003;
  if (major == 6) {
    DebugTrace(kWipeTag, "Version Major = %d  Minor = %d", static_cast<int>(major),
               static_cast<int>(minor));
    return kOsVista7;
  }
  if (major > 6) return kOs10;
  if (major == 5 && minor == 1) return kOsXp;
  if (major == 5 && minor == 0) return kOs2000;
  if (major == 4 && minor == 0) return kOsNt40;
  if (major == 3 && minor == 51) return kOsNt351;
  return kOsUnknown;
}

int NineXKind(uint32_t minor) {
  switch (minor) {
    case 0: return kOs95;
    case 10: return kOs98;
    case 90: return kOsMe;
    default: return kOsUnknown;
  }
}

// A string value as far as its first NUL; "" when it is missing or longer than the field.
std::string ReadString(Registry& registry, RegKey key, const char* name, size_t capacity) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (registry.QueryValue(key, name, &type, &data, capacity) != kSuccess) return std::string();
  std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
  return std::string(UpToNul(bytes));
}

uint32_t ReadNumber(Registry& registry, RegKey key, const char* name) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (registry.QueryValue(key, name, &type, &data, 4) != kSuccess || data.size() != 4) return 0;
  return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
         static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
}

// Names separated by NULs and ended by an empty name, read whole. False when the value exists
// but could not be read.
bool ReadNameList(Registry& registry, RegKey key, const char* name,
                  std::vector<std::string>* names) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  names->clear();
  ErrorCode err = kErrMoreData;
  for (size_t capacity = kDependentFilesBytes;
       err == kErrMoreData && capacity <= kDependentFilesLimit; capacity *= 2) {
    err = registry.QueryValue(key, name, &type, &data, capacity);
  }
  if (err == kErrFileNotFound) return true;
  if (err != kSuccess) return false;
  std::string_view rest(reinterpret_cast<const char*>(data.data()), data.size());
  while (!rest.empty()) {
    std::string_view one = UpToNul(rest);
    if (one.empty()) break;
    names->emplace_back(one);
    rest.remove_prefix(std::min(rest.size(), one.size() + 1));
  }
  return true;
}

const char* EnvironmentKey(int os_kind, bool wow64) {
  if (Is9xFamily(os_kind)) return kEnvironment9x;
  return wow64 ? kEnvironmentX64 : kEnvironmentX86;
}

void FillRecord(Remover& remover, RegKey environment, RegKey driver_key,
                const std::string& version_subkey, DriverRecord* record) {
  Registry& registry = *remover.platform.registry;
  const int os_kind = remover.state.os_kind;
  const bool nine_x = version_subkey == kNoVersionSubkey;
  const bool wow64 = !nine_x && IsWow64(remover.platform);
  std::string path;
  bool path_fits =
      nine_x ? FormatBounded(&path, kRecordFieldCapacity, "%s\\%s", kEnvironment9x,
                             record->name.c_str())
             : FormatBounded(&path, kRecordFieldCapacity, "%s\\%s\\%s",
                             EnvironmentKey(os_kind, wow64), version_subkey.c_str(),
                             record->name.c_str());
  // A path that does not fit stays empty: its removal then deletes no key rather than a
  // shorter, different one.
  if (path_fits) record->key_path = path;
  // The files of x64 drivers lie in the x64 folder; the folder of this process's own
  // environment holds the 32-bit drivers' files, which may carry the same names.
  std::string directory;
  Spooler& spooler = *remover.platform.spooler;
  ErrorCode err = wow64 ? spooler.EnvironmentDriverDirectory("Windows x64", kRecordFieldCapacity + 1,
                                                             &directory)
                        : spooler.DriverDirectory(kRecordFieldCapacity + 1, &directory);
  if (err == kSuccess && directory.size() <= kRecordFieldCapacity) {
    record->driver_directory = directory;
  }
  record->config_file = ReadString(registry, driver_key, "Configuration File", 256);
  record->data_file = ReadString(registry, driver_key, "Data File", 256);
  record->driver_file = ReadString(registry, driver_key, "Driver", 256);
  record->version = ReadNumber(registry, driver_key, "Version");
  if (nine_x) {
    std::string first;
    if (registry.EnumKey(environment, 0, &first) == kSuccess && first.size() < 80) {
      record->version_subkey = first;
    }
  } else {
    record->version_subkey = version_subkey;
  }
  record->help_file = ReadString(registry, driver_key, "Help File", 256);
  record->dependent_files_unknown =
      !ReadNameList(registry, driver_key, "Dependent Files", &record->dependent_files);
}

void ListDriversOf(Remover& remover, RegKey environment, const std::string& version_path,
                   RegKey version_key, const std::string& version_subkey) {
  Registry& registry = *remover.platform.registry;
  for (uint32_t index = 0;; ++index) {
    std::string name;
    if (registry.EnumKey(version_key, index, &name) != kSuccess) return;
    RegKey driver_key = kNoKey;
    if (registry.OpenKey(Hive::kLocalMachine, version_path + "\\" + name, false,
                         &driver_key) != kSuccess) {
      return;
    }
    int position = remover.main.ListAdd(IDC_DRIVER_LIST, name);
    auto& records = remover.state.records;
    if (position >= 0 && static_cast<size_t>(position) <= records.size()) {
      auto record = std::make_unique<DriverRecord>();
      record->name = Truncated(name, kRecordFieldCapacity);
      FillRecord(remover, environment, driver_key, version_subkey, record.get());
      records.insert(records.begin() + position, std::move(record));
    }
    registry.CloseKey(driver_key);
  }
}

bool SameDirectory(const DriverRecord& a, const DriverRecord& b) {
  return EqualsIgnoreCase(a.driver_directory, b.driver_directory);
}

}  // namespace

const char* OsKindName(int os_kind) {
  return os_kind >= 0 && os_kind < kOsKindCount ? kOsNames[os_kind] : "";
}

int DetectOs(Platform& platform, std::string* version_subkey) {
  version_subkey->clear();
  OsVersion version;
  if (platform.system->QueryVersion(&version) != kSuccess) return kOsUnknown;
  int kind = kOsUnknown;
  if (version.platform_id == kPlatformNt) kind = NtKind(version.major, version.minor);
  else if (version.platform_id == kPlatformWindows) kind = NineXKind(version.minor);
  switch (kind) {
    case kOsUnknown: break;
    case kOsNt40: *version_subkey = "Version-2"; break;
    case kOsNt351: *version_subkey = "Version-1"; break;
    case kOs95: case kOs98: case kOsMe: *version_subkey = kNoVersionSubkey; break;
    default: *version_subkey = "Version-3"; break;
  }
  return kind;
}

bool IsWow64(Platform& platform) { return platform.system->IsWow64(); }

void FreeDriverList(Remover& remover) {
  remover.state.records.clear();
  remover.main.ListReset(IDC_DRIVER_LIST);
}

void FillDriverList(Remover& remover) {
  Platform& platform = remover.platform;
  remover.host.SetWindowIcons();
  FreeDriverList(remover);
  std::string version_subkey;
  remover.state.os_kind = DetectOs(platform, &version_subkey);
  const int os_kind = remover.state.os_kind;
  if (os_kind == kOsUnknown) {
    platform.message_boxes->ShowMessageBox(remover.main.Window(), "Don't know the version number.",
                                           "Warning", kMbIconWarning);
    remover.main.Enable(IDC_DRIVER_LIST, false);
    return;
  }
  std::string line = remover.host.LoadText(IDS_OPERATING_SYSTEM) + " " + OsKindName(os_kind);
  const bool wow64 = !Is9xFamily(os_kind) && IsWow64(platform);
  if (wow64) line += " 64-bit";
  RegKey environment = kNoKey;
  if (platform.registry->OpenKey(Hive::kLocalMachine, EnvironmentKey(os_kind, wow64), false,
                                 &environment) != kSuccess) {
    return;
  }
  remover.main.SetText(IDC_SYSTEM_LINE, line);
  const std::string environment_path = EnvironmentKey(os_kind, wow64);
  EnumerateDrivers(remover, environment, environment_path, version_subkey);
  if (os_kind == kOs2000) EnumerateDrivers(remover, environment, environment_path, "Version-2");
  platform.registry->CloseKey(environment);
}

void EnumerateDrivers(Remover& remover, RegKey environment, const std::string& environment_path,
                      const std::string& version_subkey) {
  Registry& registry = *remover.platform.registry;
  if (version_subkey == kNoVersionSubkey) {
    ListDriversOf(remover, environment, environment_path, environment, version_subkey);
    return;
  }
  for (uint32_t index = 0;; ++index) {
    std::string name;
    if (registry.EnumKey(environment, index, &name) != kSuccess) return;
    if (name != version_subkey) continue;  // exactly, letter case included
    RegKey version_key = kNoKey;
    if (registry.OpenKey(Hive::kLocalMachine, environment_path + "\\" + name, false,
                         &version_key) != kSuccess) {
      return;
    }
    ListDriversOf(remover, environment, environment_path + "\\" + name, version_key,
                  version_subkey);
    registry.CloseKey(version_key);
  }
}

size_t BuildDriverFileList(DriverRecord* record, DriverFileList* files) {
  files->clear();
  for (std::string* name : {&record->driver_file, &record->config_file, &record->data_file,
                            &record->help_file}) {
    if (!name->empty()) files->push_back({name, true});
  }
  for (std::string& dependent : record->dependent_files) {
    bool known = std::any_of(files->begin(), files->end(), [&](const DriverFile& f) {
      return EqualsIgnoreCase(*f.name, dependent);
    });
    if (!known) files->push_back({&dependent, true});
  }
  return files->size();
}

void MarkSharedFiles(Remover& remover, int position, DriverFileList* files) {
  auto& records = remover.state.records;
  if (records.size() < 2 || position < 0 || static_cast<size_t>(position) >= records.size() ||
      !records[position]) {
    return;
  }
  FileSystem& disk = *remover.platform.files;
  const int os_kind = remover.state.os_kind;
  const DriverRecord& own = *records[position];
  // Names are compared by the files they open: "a.dat." and a short name are "a.dat" too.
  std::vector<std::vector<std::string>> mine;
  for (const DriverFile& file : *files) {
    mine.push_back(FileIdentities(disk, own, os_kind, *file.name));
  }
  for (size_t q = 0; q < records.size(); ++q) {
    if (static_cast<int>(q) == position || !records[q] || !SameDirectory(*records[q], own)) continue;
    DriverRecord other = *records[q];  // a copy: its list points into it, and it stays unchanged
    // A driver whose files are unknown may use any of them: none is deleted.
    if (other.dependent_files_unknown) {
      for (DriverFile& file : *files) file.remove = false;
      continue;
    }
    DriverFileList theirs;
    BuildDriverFileList(&other, &theirs);
    std::vector<std::string> their_names;
    for (const DriverFile& their : theirs) {
      for (std::string& name : FileIdentities(disk, other, os_kind, *their.name)) {
        their_names.push_back(std::move(name));
      }
    }
    for (size_t i = 0; i < files->size(); ++i) {
      for (const std::string& name : mine[i]) {
        if (std::find(their_names.begin(), their_names.end(), name) != their_names.end()) {
          (*files)[i].remove = false;
        }
      }
    }
  }
}

}  // namespace qid
