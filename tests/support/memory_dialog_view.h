// An in-memory dialog for tests: each control keeps its enabled, visible, checked, text, list
// and selection state as the Win32 controls would, child dialogs and choosers answer from a
// script, and every use of an id that the dialog's template does not hold is recorded.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "imagewriter/dialogs/dialog_view.h"

namespace qid {

class MemoryDialogView : public DialogView {
 public:
  struct Control {
    bool enabled = true;  // the templates create every control enabled and visible
    bool visible = true;
    bool checked = false;
    std::string text;
    std::vector<std::string> items;
    int selection = -1;
    int sel_start = 0, sel_end = 0;  // edit selection, characters
  };

  // A view holding exactly the controls of the settings dialog (template 6041), or of the
  // reset-serial dialog (template 131), with their template texts.
  static void AddSettingsControls(MemoryDialogView* view);
  static void AddResetSerialControls(MemoryDialogView* view);

  void Enable(int id, bool enabled) override { At(id).enabled = enabled; }
  void Show(int id, bool visible) override { At(id).visible = visible; }
  void SetCheck(int id, bool checked) override { At(id).checked = checked; }
  bool IsChecked(int id) override { return At(id).checked; }
  void SetText(int id, const std::string& text) override;
  std::string GetText(int id, size_t max_chars) override;
  void ListAdd(int id, const std::string& item) override { At(id).items.push_back(item); }
  void ListSelect(int id, int index) override;
  int ListSelection(int id) override { return At(id).selection; }
  int SelectionStart(int id) override { return At(id).sel_start; }
  void SetSelection(int id, int start, int end) override;
  void ReplaceSelection(int id, const std::string& text) override;
  void BringToFront() override { ++brought_to_front; }
  WindowHandle Window() override { return window; }
  int RunResetSerialDialog() override;
  bool ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) override;
  void ShowDriverHelp() override { ++help_shown; }

  // Test side: the control's state (recorded as unknown when the template lacks it).
  Control& At(int id);
  // Types `text` at the caret as a user would (replacing any selection).
  void Type(int id, const std::string& text) { ReplaceSelection(id, text); }
  // Puts the caret at `pos`.
  void PlaceCaret(int id, int pos) { SetSelection(id, pos, pos); }
  // The text of the selected list entry, or "" when none is selected.
  std::string SelectedItem(int id);

  std::map<int, Control> controls;
  std::set<int> unknown_ids;  // ids used that the template does not hold
  WindowHandle window = 0x6041;
  int brought_to_front = 0;
  int help_shown = 0;
  std::function<int()> on_reset_serial;  // null: the dialog is cancelled (0)
  // Answers of the file-open dialog, one per showing; empty or nullopt means cancelled.
  std::deque<std::optional<std::string>> open_file_answers;
  std::vector<OpenFileRequest> open_file_requests;

 private:
  void Declare(int id, const std::string& text) { controls[id].text = text; }
};

}  // namespace qid
