#include "tests/support/memory_dialog_view.h"

#include <algorithm>

namespace qid {

MemoryDialogView::Control& MemoryDialogView::At(int id) {
  auto it = controls.find(id);
  if (it != controls.end()) return it->second;
  unknown_ids.insert(id);
  return controls[id];
}

void MemoryDialogView::SetText(int id, const std::string& text) {
  Control& c = At(id);
  c.text = text;
  c.sel_start = c.sel_end = 0;  // as an edit after WM_SETTEXT
}

std::string MemoryDialogView::GetText(int id, size_t max_chars) {
  const std::string& text = At(id).text;
  return text.substr(0, std::min(max_chars, text.size()));
}

void MemoryDialogView::ListSelect(int id, int index) {
  Control& c = At(id);
  c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
}

void MemoryDialogView::SetSelection(int id, int start, int end) {
  Control& c = At(id);
  int size = static_cast<int>(c.text.size());
  c.sel_start = std::clamp(std::min(start, end), 0, size);
  c.sel_end = std::clamp(std::max(start, end), 0, size);
}

void MemoryDialogView::ReplaceSelection(int id, const std::string& text) {
  Control& c = At(id);
  c.text.replace(c.sel_start, c.sel_end - c.sel_start, text);
  c.sel_start = c.sel_end = c.sel_start + static_cast<int>(text.size());
}

void MemoryDialogView::ListReset(int id) {
  Control& c = At(id);
  c.items.clear();
  c.selection = -1;
  c.selected.clear();
}

std::string MemoryDialogView::ListText(int id, int index) {
  Control& c = At(id);
  return index >= 0 && index < static_cast<int>(c.items.size()) ? c.items[index] : std::string();
}

void MemoryDialogView::ListSetSelected(int id, int index, bool selected) {
  Control& c = At(id);
  const int count = static_cast<int>(c.items.size());
  for (int i = index < 0 ? 0 : index; i < (index < 0 ? count : std::min(index + 1, count)); ++i) {
    if (selected) {
      c.selected.insert(i);
    } else {
      c.selected.erase(i);
    }
  }
}

std::vector<int> MemoryDialogView::ListSelectedItems(int id) {
  const std::set<int>& selected = At(id).selected;
  return std::vector<int>(selected.begin(), selected.end());
}

std::string MemoryDialogView::SelectedItem(int id) {
  Control& c = At(id);
  return c.selection >= 0 ? c.items[c.selection] : std::string();
}

}  // namespace qid
