#include "tests/support/memory_dialog_view.h"

#include <algorithm>
#include <cctype>

namespace qid {

MemoryDialogView::Control& MemoryDialogView::At(int id) {
  auto it = controls.find(id);
  if (it != controls.end()) return it->second;
  unknown_ids.insert(id);
  missing_ = Control{};
  return missing_;
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

int MemoryDialogView::ListAdd(int id, const std::string& item) {
  if (controls.count(id) == 0) {
    unknown_ids.insert(id);
    return -1;
  }
  Control& c = At(id);
  auto lower = [](std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
  };
  size_t at = c.items.size();
  if (c.sorted) {
    at = 0;
    while (at < c.items.size() && lower(c.items[at]) <= lower(item)) ++at;
  }
  c.items.insert(c.items.begin() + at, item);
  c.selected.resize(c.items.size() - 1);
  c.selected.insert(c.selected.begin() + at, false);
  if (c.selection >= static_cast<int>(at)) ++c.selection;
  return static_cast<int>(at);
}

void MemoryDialogView::ListReset(int id) {
  Control& c = At(id);
  c.items.clear();
  c.selected.clear();
  c.selection = -1;
}

void MemoryDialogView::ListDelete(int id, int index) {
  Control& c = At(id);
  if (index < 0 || index >= static_cast<int>(c.items.size())) return;
  c.items.erase(c.items.begin() + index);
  c.selected.resize(c.items.size() + 1);
  c.selected.erase(c.selected.begin() + index);
  if (c.selection == index) {
    c.selection = -1;
  } else if (c.selection > index) {
    --c.selection;
  }
}

std::string MemoryDialogView::ListText(int id, int index) {
  Control& c = At(id);
  return index >= 0 && index < static_cast<int>(c.items.size()) ? c.items[index] : std::string();
}

void MemoryDialogView::ListSetSelected(int id, int index, bool selected) {
  Control& c = At(id);
  c.selected.resize(c.items.size());
  if (index == -1) {
    c.selected.assign(c.items.size(), selected);
  } else if (index >= 0 && index < static_cast<int>(c.items.size())) {
    c.selected[index] = selected;
  }
}

std::vector<int> MemoryDialogView::ListSelectedItems(int id) {
  const Control& c = At(id);
  std::vector<int> out;
  for (size_t i = 0; i < c.selected.size(); ++i) {
    if (c.selected[i]) out.push_back(static_cast<int>(i));
  }
  return out;
}

int MemoryDialogView::ListSelectedCount(int id) {
  if (controls.count(id) == 0) {
    At(id);  // recorded; a missing control answers 0
    return 0;
  }
  return At(id).multiple ? static_cast<int>(ListSelectedItems(id).size()) : -1;
}

std::string MemoryDialogView::SelectedItem(int id) {
  Control& c = At(id);
  return c.selection >= 0 ? c.items[c.selection] : std::string();
}

}  // namespace qid
