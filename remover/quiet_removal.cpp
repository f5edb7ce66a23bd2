#include "remover/quiet_removal.h"

#include <algorithm>
#include <vector>

#include "common/bounded_string.h"
#include "common/command_line.h"
#include "common/text_convert.h"
#include "remover/dialogs.h"
#include "remover/remover_ids.h"
#include "ui/dialog_view.h"

namespace qid {

const char kRemoverUsage[] =
    "PrnWipe                                    the remover window\r\n"
    "PrnWipe /quiet /driver \"NAME\" [/norestart]\r\n"
    "    removes that printer driver, its printers and files without a window;\r\n"
    "    it never restarts Windows (exit code 3 says a restart is needed)\r\n"
    "PrnWipe /?                                 this text\r\n\r\n"
    "Exit codes: 0 removed, 1 usage error, 2 no such driver, 3 removed and a restart is "
    "needed, 4 system not recognised, 5 a printer could not be deleted, 6 a file could not be "
    "deleted, 7 the registry key could not be deleted, 8 other failure.";

namespace {

constexpr uint32_t kMbButtonMask = 0xF;
constexpr uint32_t kMbYesNoCancel = 0x3;

std::string Lowered(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The main dialog's driver list without a window: a sorted list (as the list box sorts,
// ignoring letter case) with a selection. Every other control does nothing.
class QuietDriverList : public NullDialogView {
 public:
  int ListAdd(int id, const std::string& item) override {
    if (id != IDC_DRIVER_LIST) return -1;
    auto at = std::upper_bound(
        items_.begin(), items_.end(), item,
        [](const std::string& a, const Item& b) { return Lowered(a) < Lowered(b.text); });
    int position = static_cast<int>(at - items_.begin());
    items_.insert(at, Item{item, false});
    return position;
  }
  void ListReset(int id) override {
    if (id == IDC_DRIVER_LIST) items_.clear();
  }
  void ListDelete(int id, int index) override {
    if (id == IDC_DRIVER_LIST && index >= 0 && static_cast<size_t>(index) < items_.size())
      items_.erase(items_.begin() + index);
  }
  int ListCount(int id) override { return id == IDC_DRIVER_LIST ? static_cast<int>(items_.size()) : 0; }
  std::string ListText(int id, int index) override {
    if (id != IDC_DRIVER_LIST || index < 0 || static_cast<size_t>(index) >= items_.size()) return "";
    return items_[index].text;
  }
  void ListSetSelected(int id, int index, bool selected) override {
    if (id != IDC_DRIVER_LIST) return;
    for (size_t i = 0; i < items_.size(); ++i) {
      if (index == -1 || static_cast<size_t>(index) == i) items_[i].selected = selected;
    }
  }
  std::vector<int> ListSelectedItems(int id) override {
    std::vector<int> selected;
    for (size_t i = 0; id == IDC_DRIVER_LIST && i < items_.size(); ++i) {
      if (items_[i].selected) selected.push_back(static_cast<int>(i));
    }
    return selected;
  }

  // The position of the entry of that name, ignoring letter case; -1 when there is none.
  int Find(const std::string& name) const {
    for (size_t i = 0; i < items_.size(); ++i) {
      if (EqualsIgnoreCase(items_[i].text, name)) return static_cast<int>(i);
    }
    return -1;
  }

 private:
  struct Item {
    std::string text;
    bool selected;
  };
  std::vector<Item> items_;
};

// The string table of the program, icons that go nowhere, and the file confirmation
// answered Yes.
class QuietHost : public RemoverHost {
 public:
  explicit QuietHost(RemoverHost& texts) : texts_(texts) {}
  std::string LoadText(int id) override { return texts_.LoadText(id); }
  void SetWindowIcons() override {}
  int RunConfirmDialog(const std::string&) override { return IDC_CONFIRM_YES; }
  void RunAboutBox() override {}

 private:
  RemoverHost& texts_;
};

// Answers the printer question Yes and the restart question No; every warning becomes the
// exit code of the failure it reports (the first one counts).
class QuietBoxes : public MessageBoxes {
 public:
  explicit QuietBoxes(RemoverHost& texts) : texts_(texts) {}

  int ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption,
                     uint32_t style) override {
    if ((style & kMbButtonMask) == kMbYesNoCancel) return kIdYes;  // delete this printer
    if ((style & kMbButtonMask) == kMbYesNo) return kIdNo;          // restart now
    if (exit_code == kQuietRemoved) exit_code = ExitFor(text);
    return kIdOk;
  }
  int ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                      const std::u16string& caption, uint32_t style) override {
    return ShowMessageBox(owner, Utf16ToAnsi(text), Utf16ToAnsi(caption), style);
  }
  int ShowMessageBoxSystemCaption(WindowHandle owner, const std::string& text,
                                  uint32_t style) override {
    return ShowMessageBox(owner, text, std::string(), style);
  }

  int exit_code = kQuietRemoved;

 private:
  int ExitFor(const std::string& text) {
    if (text == "Don't know the version number.") return kQuietSystemUnknown;
    for (int id : {IDS_NO_PRINTER_PERMISSION, IDS_PRINTER_DELETE_FAILED}) {
      if (text == Truncated(texts_.LoadText(id), 511)) return kQuietPrinterKept;
    }
    for (int id : {IDS_NO_KEY_PERMISSION, IDS_KEY_DELETE_FAILED}) {
      if (text == texts_.LoadText(id)) return kQuietKeyKept;
    }
    std::string file_failed = texts_.LoadText(IDS_FILE_DELETE_FAILED);
    file_failed = file_failed.substr(0, file_failed.find("%s"));
    if (!file_failed.empty() && text.compare(0, file_failed.size(), file_failed) == 0)
      return kQuietFileKept;
    return kQuietRemovalFailed;
  }

  RemoverHost& texts_;
};

}  // namespace

RemoverCommand ReadRemoverCommand(const std::u16string& command_line) {
  RemoverCommand command;
  std::vector<std::u16string> arguments = SplitCommandArguments(command_line);
  if (arguments.empty()) return command;
  ParsedSwitches given = ParseSwitches(
      arguments, {{u"quiet", false}, {u"driver", true}, {u"norestart", false}, {u"?", false}});
  command.kind = RemoverCommand::kUsage;
  if (!given.ok) {
    command.error = Utf16ToAnsi(given.error);
    command.silent = MentionsSwitch(arguments, u"quiet");
    return command;
  }
  if (given.Has(u"?")) return command;
  if (!given.Has(u"quiet")) {
    command.error = "/driver and /norestart need /quiet";
    return command;
  }
  if (!given.Has(u"driver")) {
    command.error = "/quiet needs /driver \"NAME\"";
    command.silent = true;
    return command;
  }
  command.kind = RemoverCommand::kQuiet;
  command.driver = Utf16ToAnsi(given.Value(u"driver"));
  return command;
}

int RunQuietRemoval(Platform& platform, RemoverHost& texts, const std::string& driver) {
  QuietBoxes boxes(texts);
  Platform quiet = platform;
  quiet.message_boxes = &boxes;
  QuietDriverList list;
  QuietHost host(texts);
  RemoverState state;
  Remover remover{quiet, list, host, state};

  InitMainDialog(remover);
  int position = list.Find(driver);
  if (boxes.exit_code != kQuietRemoved || position < 0) {
    MainDialogGone(remover);  // nothing was changed: no clean-up of other users' values either
    return boxes.exit_code != kQuietRemoved ? boxes.exit_code : kQuietUnknownDriver;
  }
  list.ListSetSelected(IDC_DRIVER_LIST, position, true);
  MainDialogCommand(remover, IDC_UNINSTALL, 0);
  MainDialogCommand(remover, IDC_CLOSE, 0);
  bool still_listed = list.Find(driver) >= 0;
  MainDialogGone(remover);
  if (boxes.exit_code != kQuietRemoved) return boxes.exit_code;
  if (still_listed) return kQuietRemovalFailed;
  return state.deletion_deferred ? kQuietRestartNeeded : kQuietRemoved;
}

}  // namespace qid
