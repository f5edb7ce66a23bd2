#include "tests/contract/dialog_view_contract.h"

#include <vector>

namespace qid::contract {
namespace {

std::string Show(const std::vector<int>& items) {
  std::string text = "{";
  for (int i : items) text += (text.size() > 1 ? "," : "") + std::to_string(i);
  return text + "}";
}

void Equal(Reporter& r, const std::string& what, const std::string& want, const std::string& got) {
  ExpectText(r, what, want, got);
}

void Equal(Reporter& r, const std::string& what, int want, int got) {
  ExpectText(r, what, std::to_string(want), std::to_string(got));
}

void TextsAndBoxes(DialogView& view, Reporter& r) {
  view.SetText(kEdit, "abcdef");
  Equal(r, "text: read back whole", "abcdef", view.GetText(kEdit, 100));
  Equal(r, "text: read up to max_chars", "abc", view.GetText(kEdit, 3));
  view.SetSelection(kEdit, 2, 4);
  Equal(r, "edit: selection start", 2, view.SelectionStart(kEdit));
  view.ReplaceSelection(kEdit, "X");
  Equal(r, "edit: the selection replaced", "abXef", view.GetText(kEdit, 100));
  Equal(r, "edit: caret after the replacement", 3, view.SelectionStart(kEdit));
  view.SetCheck(kCheckBox, true);
  r.Check(view.IsChecked(kCheckBox), "box: checked", "");
  view.SetCheck(kCheckBox, false);
  r.Check(!view.IsChecked(kCheckBox), "box: unchecked", "");
}

void SingleSelectionList(DialogView& view, Reporter& r) {
  Equal(r, "list: add returns the position", 0, view.ListAdd(kList, "zeta"));
  Equal(r, "list: unsorted, a later entry goes last", 1, view.ListAdd(kList, "alpha"));
  view.ListAdd(kList, "mu");
  Equal(r, "list: count", 3, view.ListCount(kList));
  Equal(r, "list: entry text", "alpha", view.ListText(kList, 1));
  Equal(r, "list: no entry past the end", "", view.ListText(kList, 3));
  Equal(r, "list: nothing selected at first", -1, view.ListSelection(kList));
  view.ListSelect(kList, 2);
  Equal(r, "list: selected entry", 2, view.ListSelection(kList));
  view.ListDelete(kList, 0);
  Equal(r, "list: delete moves later entries up", "mu", view.ListText(kList, 1));
  Equal(r, "list: the selection follows its entry", 1, view.ListSelection(kList));
  view.ListSelect(kList, -1);
  Equal(r, "list: selecting -1 clears the selection", -1, view.ListSelection(kList));
  Equal(r, "list: a single-selection list cannot count a selection", -1,
        view.ListSelectedCount(kList));
  view.ListReset(kList);
  Equal(r, "list: reset empties it", 0, view.ListCount(kList));
}

void MultipleSelectionList(DialogView& view, Reporter& r) {
  for (const char* item : {"a", "b", "c", "d"}) view.ListAdd(kMultiList, item);
  Equal(r, "multi: nothing selected at first", "{}", Show(view.ListSelectedItems(kMultiList)));
  view.ListSetSelected(kMultiList, 3, true);
  view.ListSetSelected(kMultiList, 1, true);
  Equal(r, "multi: selected entries ascending", "{1,3}", Show(view.ListSelectedItems(kMultiList)));
  Equal(r, "multi: selected count", 2, view.ListSelectedCount(kMultiList));
  view.ListSetSelected(kMultiList, 3, false);
  Equal(r, "multi: deselect one", "{1}", Show(view.ListSelectedItems(kMultiList)));
  view.ListSetSelected(kMultiList, -1, true);
  Equal(r, "multi: -1 selects every entry", "{0,1,2,3}", Show(view.ListSelectedItems(kMultiList)));
  view.ListSetSelected(kMultiList, -1, false);
  Equal(r, "multi: -1 deselects every entry", "{}", Show(view.ListSelectedItems(kMultiList)));
}

// Ids the template lacks: operations do nothing, reads are those of an empty control.
void MissingControl(DialogView& view, Reporter& r) {
  view.SetText(kMissing, "x");
  view.SetCheck(kMissing, true);
  view.ListSelect(kMissing, 0);
  Equal(r, "missing id: text empty", "", view.GetText(kMissing, 10));
  r.Check(!view.IsChecked(kMissing), "missing id: unchecked", "");
  Equal(r, "missing id: add fails", -1, view.ListAdd(kMissing, "x"));
  Equal(r, "missing id: no entries", 0, view.ListCount(kMissing));
  Equal(r, "missing id: no entry text", "", view.ListText(kMissing, 0));
  Equal(r, "missing id: no selection", -1, view.ListSelection(kMissing));
  Equal(r, "missing id: no selected entries", "{}", Show(view.ListSelectedItems(kMissing)));
  Equal(r, "missing id: no selected count", 0, view.ListSelectedCount(kMissing));
  Equal(r, "missing id: caret at 0", 0, view.SelectionStart(kMissing));
}

}  // namespace

void DialogViewContract(DialogView& view, Reporter& reporter) {
  TextsAndBoxes(view, reporter);
  SingleSelectionList(view, reporter);
  MultipleSelectionList(view, reporter);
  MissingControl(view, reporter);
}

}  // namespace qid::contract
