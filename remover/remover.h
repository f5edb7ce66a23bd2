// PrnWipe's records and the context its free functions work in: the running system, the
// listed drivers with their registry values, and the process-wide flags of a removal.
//
// The driver list box of the main dialog sorts its entries; `RemoverState::records` mirrors
// it position by position, so every change to the list goes through the functions here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_view.h"
#include "platform/platform.h"

namespace qid {

constexpr char kWipeTag[] = "PRNWIPE: ";
constexpr char kWipeTag2[] = "PRNWIPE02: ";

// The running system. Codes 0 to 5 and 9 are the NT family, 6 to 8 the 9x family.
enum OsKind : int {
  kOsUnknown = -1,
  kOsNt40 = 0,
  kOsNt351 = 1,
  kOsXp = 2,
  kOsVista7 = 3,
  kOs2003 = 4,
  kOs2000 = 5,
  kOs95 = 6,
  kOs98 = 7,
  kOsMe = 8,
  kOs10 = 9,  // NT 10.0 and any later major version
};
constexpr int kOsKindCount = 10;

// The marker for "drivers are direct subkeys of the environment key" (the 9x family).
constexpr char kNoVersionSubkey[] = "?";

inline bool Is9xFamily(int os_kind) { return os_kind >= kOs95 && os_kind <= kOsMe; }
// The system's name as the main dialog shows it; "" for kOsUnknown.
const char* OsKindName(int os_kind);

constexpr char kEnvironmentX86[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers";
constexpr char kEnvironmentX64[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers";
constexpr char kEnvironment9x[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers";
constexpr char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";

// One listed driver, read from its registry key. A value that is missing or too long for its
// field leaves the field empty (0 for the version). File names carry no folder. The dependent
// files are read whole, however long the value: a list cut short would let a removal delete a
// file that this driver still names.
struct DriverRecord {
  std::string name;            // the key name, also the list entry's text (255)
  std::string version_subkey;  // where it was found (79)
  std::string key_path;        // below HKEY_LOCAL_MACHINE (255)
  std::string driver_directory;
  std::string driver_file;
  std::string data_file;
  std::string config_file;
  std::string help_file;
  std::vector<std::string> dependent_files;  // "Dependent Files"
  // The value exists but could not be read: which files the driver uses is unknown.
  bool dependent_files_unknown = false;
  uint32_t version = 0;
};

constexpr size_t kRecordFieldCapacity = 255;
// The first read of "Dependent Files"; a longer value is read again in full, up to the limit.
constexpr size_t kDependentFilesBytes = 1024;
constexpr size_t kDependentFilesLimit = 1 << 20;

// One file of a driver and whether this removal deletes it. `name` points into the record, so
// lowering it for the confirmation text lowers what is deleted.
struct DriverFile {
  std::string* name;
  bool remove;
};
// Every file of the driver.
using DriverFileList = std::vector<DriverFile>;

struct RemoverState {
  int os_kind = kOsUnknown;
  bool reboot_needed = false;
  bool deletion_deferred = false;  // a file goes only at the next restart
  std::string confirmation_text;  // 10240 characters at most
  // One slot per list position; null for an entry without a record.
  std::vector<std::unique_ptr<DriverRecord>> records;
};

constexpr size_t kConfirmationCapacity = 10240;

// What the remover's logic opens beyond the main dialog's controls: its string table, its
// child dialogs and its window icons. The Win32 layer implements it over the resources.
class RemoverHost {
 public:
  RemoverHost() = default;
  RemoverHost(const RemoverHost&) = delete;
  RemoverHost& operator=(const RemoverHost&) = delete;
  virtual ~RemoverHost() = default;

  // String-table text number `id`, at most 255 characters; "" when there is none.
  virtual std::string LoadText(int id) = 0;
  // Sets icon resource 106 as the main dialog's large and small icon.
  virtual void SetWindowIcons() = 0;
  // Runs the confirmation dialog (template 103) modally, owned by the main dialog, showing
  // `text`: 1014 (Yes), 1016 (No), or 2 when it was closed otherwise or could not be shown.
  virtual int RunConfirmDialog(const std::string& text) = 0;
  // Runs the About box (template 102) modally, owned by the main dialog.
  virtual void RunAboutBox() = 0;
};

// Everything one run of the remover works with. Non-owning.
struct Remover {
  Platform& platform;
  DialogView& main;  // the main dialog (template 101)
  RemoverHost& host;
  RemoverState& state;
};

}  // namespace qid
