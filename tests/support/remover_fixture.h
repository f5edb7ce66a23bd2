// One fixture for PrnWipe's logic: the test platform with an in-memory registry holding the
// spooler's driver and printer keys, a spooler whose printers are those keys, files that can
// be locked, the main dialog as an in-memory view and a host that answers the child dialogs
// from a script. Texts come from the program's own resource script, so a test that expects a
// literal text also proves the string table.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <functional>
#include <memory>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "common/bounded_string.h"
#include "platform/wrappers.h"
#include "remover/dialogs.h"
#include "remover/remover.h"
#include "remover/remover_ids.h"
#include "tests/support/memory_dialog_view.h"
#include "tests/support/fake_spooler.h"
#include "tests/support/fake_system_control.h"
#include "tests/support/test_platform.h"

namespace qid::testing {

// The STRINGTABLE of resources/prnwipe/prnwipe_strings.rc, with the numbers of the IDS_ names
// in remover/remover_ids.h.
inline std::map<int, std::string> ReadPrnWipeStrings() {
  std::map<std::string, int> ids;
  std::ifstream header(std::string(QID_SOURCE_DIR) + "/remover/remover_ids.h");
  std::string line;
  while (std::getline(header, line)) {
    std::istringstream in(line);
    std::string define, name;
    int number = 0;
    if (in >> define >> name >> number && define == "#define") ids[name] = number;
  }
  std::map<int, std::string> table;
  std::ifstream rc(std::string(QID_SOURCE_DIR) + "/resources/prnwipe/prnwipe_strings.rc");
  while (std::getline(rc, line)) {
    size_t comma = line.find(", \"");
    if (comma == std::string::npos || line.back() != '"') continue;
    std::string name = line.substr(line.find_first_not_of(' '));
    name = name.substr(0, name.find(','));
    std::string raw = line.substr(comma + 3, line.size() - comma - 4), text;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '"' && i + 1 < raw.size() && raw[i + 1] == '"') {
        text += '"';
        ++i;
      } else if (raw[i] == '\\' && i + 1 < raw.size()) {
        char c = raw[++i];
        text += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
      } else {
        text += raw[i];
      }
    }
    if (ids.count(name)) table[ids[name]] = text;
  }
  return table;
}

class ScriptedRemoverHost : public RemoverHost {
 public:
  ScriptedRemoverHost() : strings(ReadPrnWipeStrings()) {}
  std::string LoadText(int id) override {
    auto it = strings.find(id);
    return it == strings.end() ? std::string() : it->second;
  }
  void SetWindowIcons() override { ++icons_set; }
  // Runs the confirmation dialog's own logic on a view, then answers from the script (the
  // dialog closed with Escape when it is empty).
  int RunConfirmDialog(const std::string& text) override {
    confirm_view = std::make_unique<MemoryDialogView>();
    for (int id : {IDC_CONFIRM_LABEL, IDC_CONFIRM_TEXT, IDC_CONFIRM_YES, IDC_CONFIRM_NO}) {
      confirm_view->controls[id];
    }
    InitConfirmDialog(*confirm_view, *this, text);
    confirmations.push_back(confirm_view->At(IDC_CONFIRM_TEXT).text);
    if (on_confirm) on_confirm();
    if (confirm_answers.empty()) return kIdCancel;
    int answer = confirm_answers.front();
    confirm_answers.pop_front();
    return answer;
  }
  void RunAboutBox() override {
    about_view = std::make_unique<MemoryDialogView>();
    for (int id : {IDC_ABOUT_RIGHTS, IDC_ABOUT_SUPPORT_GROUP, IDC_ABOUT_SUPPORT, IDC_ABOUT_OK}) {
      about_view->controls[id];
    }
    InitAboutBox(*about_view, *this);
    ++about_shown;
  }

  std::map<int, std::string> strings;
  int icons_set = 0;
  int about_shown = 0;
  std::deque<int> confirm_answers;
  std::vector<std::string> confirmations;
  std::function<void()> on_confirm;
  std::unique_ptr<MemoryDialogView> confirm_view, about_view;
};

// The in-memory spooler with the system's registry layout of printers: a printer added here
// also has its key under the Printers key, and deleting it takes the key away, as the
// system's spooler does.
class RegistrySpooler : public FakeSpooler {
 public:
  explicit RegistrySpooler(MemoryRegistry& registry) : registry_(registry) {}

  void AddPrinterKey(const std::string& printer, const std::string& driver) {
    PrinterInfo2W info;
    info.printer_name = AnsiToUtf16(printer);
    info.driver_name = AnsiToUtf16(driver);
    printers[AnsiToUtf16(Lowered(printer))] = info;
    RegKey key = kNoKey;
    registry_.CreateKey(Hive::kLocalMachine, std::string(kPrintersKey) + "\\" + printer, "", &key,
                        nullptr);
    registry_.SetValue(key, "Printer Driver", kRegSz, driver.c_str(), driver.size() + 1);
    registry_.CloseKey(key);
  }
  ErrorCode OpenPrinterHandle(const std::string& name, PrinterAccess access,
                              PrinterHandle* handle) override {
    if (access == PrinterAccess::kDelete && delete_open_error != kSuccess) return delete_open_error;
    return FakeSpooler::OpenPrinterHandle(name, access, handle);
  }
  ErrorCode RemovePrinter(PrinterHandle handle) override {
    auto it = open_printers.find(handle);
    std::string name = it == open_printers.end() ? std::string() : it->second;
    ErrorCode err = FakeSpooler::RemovePrinter(handle);
    if (err == kSuccess) {
      deleted.push_back(name);
      registry_.hive(Hive::kLocalMachine).Remove(std::string(kPrintersKey) + "\\" + name);
    }
    return err;
  }

  ErrorCode delete_open_error = kSuccess;
  std::vector<std::string> deleted;

 private:
  static std::string Lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  MemoryRegistry& registry_;
};

// Files whose deletion fails with a chosen error (a lock, a denial, a damaged disk); deletion
// at restart is recorded. Paths resolve as on Windows before they reach the host: trailing dots
// and blanks of the last part are dropped and a short name given in `long_names` opens its
// long one, so "shared.dat." deletes shared.dat here too.
class LockableFiles : public FileSystemWrapper {
 public:
  using FileSystemWrapper::FileSystemWrapper;
  ErrorCode RemoveFile(const std::string& path) override {
    auto it = remove_errors.find(path);
    if (it != remove_errors.end()) return it->second;
    return FileSystemWrapper::RemoveFile(Resolved(path));
  }
  ErrorCode RemoveAtRestart(const std::string& path) override {
    at_restart.push_back(Resolved(path));
    return at_restart_result;
  }
  ErrorCode GetAttributes(const std::string& path, uint32_t* attributes) override {
    return FileSystemWrapper::GetAttributes(Resolved(path), attributes);
  }
  ErrorCode ResolvePath(const std::string& path, std::string* resolved) override {
    *resolved = Resolved(path);
    return kSuccess;
  }
  std::string Resolved(const std::string& path) {
    std::string normal = NormalizedWindowsPath(path);
    size_t cut = normal.find_last_of('\\') + 1;
    auto it = long_names.find(LoweredAscii(normal.substr(cut)));
    return it == long_names.end() ? normal : normal.substr(0, cut) + it->second;
  }
  std::map<std::string, ErrorCode> remove_errors;  // by the product path
  std::map<std::string, std::string> long_names;   // lower-case short name -> long name
  std::vector<std::string> at_restart;
  ErrorCode at_restart_result = kSuccess;
};

// Keys that refuse to open or to be deleted, by their path below the hive.
class FaultyRegistry : public RegistryWrapper {
 public:
  using RegistryWrapper::RegistryWrapper;
  ErrorCode OpenKey(Hive hive, const std::string& subkey, bool write, RegKey* key) override {
    for (const auto& [path, err] : open_errors) {
      if (EqualsIgnoreCase(path, subkey)) return err;
    }
    return RegistryWrapper::OpenKey(hive, subkey, write, key);
  }
  ErrorCode DeleteKey(Hive hive, const std::string& subkey) override {
    for (const auto& [path, err] : delete_errors) {
      if (EqualsIgnoreCase(path, subkey)) return err;
    }
    return RegistryWrapper::DeleteKey(hive, subkey);
  }
  std::map<std::string, ErrorCode> open_errors, delete_errors;
};

struct DriverEntry {
  DriverEntry(std::string name, std::string driver, std::string data = {}, std::string config = {},
             std::string help = {}, std::vector<std::string> dependent = {},
             std::string version_subkey = "Version-3", uint32_t version = 3,
             const char* environment = kEnvironmentX86)
      : name(std::move(name)), driver(std::move(driver)), data(std::move(data)),
        config(std::move(config)), help(std::move(help)), dependent(std::move(dependent)),
        version_subkey(std::move(version_subkey)), version(version), environment(environment) {}
  std::string name;
  std::string driver, data, config, help;
  std::vector<std::string> dependent;
  std::string version_subkey;
  uint32_t version;
  const char* environment;
};

class RemoverFixture : public ::testing::Test {
 protected:
  RemoverFixture() : registry(&tp.registry), spooler(tp.registry), files(tp.files.get()) {
    Platform& p = tp.platform();
    p.registry = &registry;
    p.spooler = &spooler;
    p.files = &files;
    main.window = 0x101;
    for (int id : {IDC_SYSTEM_LINE, IDC_LIST_LABEL, IDC_DRIVER_LIST, IDC_ABOUT, IDC_UNINSTALL,
                   IDC_CLOSE}) {
      main.controls[id];
    }
    main.controls[IDC_DRIVER_LIST].sorted = true;
    main.controls[IDC_DRIVER_LIST].multiple = true;
    tp.system.version = OsVersion{5, 1, 2600, kPlatformNt};
  }

  static constexpr const char* kDir = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";

  // Values go in through the registry's ANSI form, as PrnWipe reads them.
  void AddDriver(const DriverEntry& d) {
    RegKey key = kNoKey;
    ASSERT_EQ(kSuccess, tp.registry.CreateKey(Hive::kLocalMachine,
                                              std::string(d.environment) + "\\" + d.version_subkey +
                                                  (d.version_subkey.empty() ? "" : "\\") + d.name,
                                              "", &key, nullptr));
    auto text = [&](const char* name, const std::string& value) {
      if (!value.empty()) tp.registry.SetValue(key, name, kRegSz, value.c_str(), value.size() + 1);
    };
    text("Driver", d.driver);
    text("Data File", d.data);
    text("Configuration File", d.config);
    text("Help File", d.help);
    std::string list;
    for (const std::string& f : d.dependent) list += f + '\0';
    list += '\0';
    if (!d.dependent.empty()) {
      tp.registry.SetValue(key, "Dependent Files", kRegMultiSz, list.data(), list.size());
    }
    SetDwordValue(tp.registry, key, "Version", d.version);
    tp.registry.CloseKey(key);
  }

  void AddPrinter(const std::string& printer, const std::string& driver) {
    spooler.AddPrinterKey(printer, driver);
  }

  // A file in the driver folder ("x.dll") or below it ("3\\x.dll").
  void AddFile(const std::string& relative) { WriteHostFile(HostFile(relative), "x"); }
  bool FileThere(const std::string& relative) { return HostFileExists(HostFile(relative)); }
  std::string HostFile(const std::string& relative) {
    return tp.HostPath(std::string(kDir) + "\\" + relative);
  }

  bool KeyExists(Hive hive, const std::string& path) {
    return tp.registry.hive(hive).Find(path) != nullptr;
  }

  std::vector<std::string>& Listed() { return main.At(IDC_DRIVER_LIST).items; }
  void Fill() { InitMainDialog(remover); }
  void SelectDriver(const std::string& name) {
    auto& items = Listed();
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] == name) main.ListSetSelected(IDC_DRIVER_LIST, static_cast<int>(i), true);
    }
  }
  // The texts of the message boxes shown, in order.
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const auto& box : tp.message_boxes.shown) texts.push_back(box.text);
    return texts;
  }

  TestPlatform tp;
  FaultyRegistry registry;
  RegistrySpooler spooler;
  FakeSystemControl& control = tp.control;
  LockableFiles files;
  MemoryDialogView main;
  ScriptedRemoverHost host;
  RemoverState state;
  Remover remover{tp.platform(), main, host, state};
};

}  // namespace qid::testing
