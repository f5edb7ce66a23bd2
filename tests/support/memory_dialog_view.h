// An in-memory dialog for tests: each control keeps its enabled, visible, checked, text, list
// and selection state as the Win32 controls would (tests/contract/dialog_view_contract.h proves it).
// An id that the dialog's template does not hold behaves as on Windows (writes vanish, reads
// are those of an empty control) and is recorded, so that a test can fail on it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/dialog_view.h"

namespace qid {

class MemoryDialogView : public DialogView {
 public:
  struct Control {
    bool enabled = true;  // templates create every control enabled and visible
    bool visible = true;
    bool checked = false;
    std::string text;
    std::vector<std::string> items;
    int selection = -1;           // single-selection lists
    bool sorted = false;          // a sorted list box puts new entries in order
    bool multiple = false;        // a multiple-selection list
    std::vector<bool> selected;   // per entry, for a multiple-selection list
    int sel_start = 0, sel_end = 0;  // edit selection, characters
  };

  // Declares a control of the template with its template text.
  void Declare(int id, const std::string& text) { controls[id].text = text; }

  void Enable(int id, bool enabled) override { At(id).enabled = enabled; }
  void Show(int id, bool visible) override { At(id).visible = visible; }
  void SetCheck(int id, bool checked) override { At(id).checked = checked; }
  bool IsChecked(int id) override { return At(id).checked; }
  void SetText(int id, const std::string& text) override;
  std::string GetText(int id, size_t max_chars) override;
  int ListAdd(int id, const std::string& item) override;
  void ListReset(int id) override;
  void ListDelete(int id, int index) override;
  int ListCount(int id) override { return static_cast<int>(At(id).items.size()); }
  std::string ListText(int id, int index) override;
  void ListSelect(int id, int index) override;
  int ListSelection(int id) override { return At(id).selection; }
  void ListSetSelected(int id, int index, bool selected) override;
  std::vector<int> ListSelectedItems(int id) override;
  int ListSelectedCount(int id) override;
  int SelectionStart(int id) override { return At(id).sel_start; }
  void SetSelection(int id, int start, int end) override;
  void ReplaceSelection(int id, const std::string& text) override;
  void SetCaption(const std::string& text) override { caption = text; }
  void BringToFront() override { ++brought_to_front; }
  WindowHandle Window() override { return window; }

  // Test side: the control's state (recorded as unknown when the template lacks it, and then
  // a blank that the next use replaces).
  Control& At(int id);
  // Types `text` at the caret as a user would (replacing any selection).
  void Type(int id, const std::string& text) { ReplaceSelection(id, text); }
  // Puts the caret at `pos`.
  void PlaceCaret(int id, int pos) { SetSelection(id, pos, pos); }
  // The text of the selected list entry, or "" when none is selected.
  std::string SelectedItem(int id);

  std::map<int, Control> controls;
  std::string caption;
  std::set<int> unknown_ids;  // ids used that the template does not hold
  WindowHandle window = 0x6041;
  int brought_to_front = 0;

 private:
  Control missing_;
};

}  // namespace qid
