// The controls of a dialog as dialog logic sees them, for every program's dialogs. The Win32
// view (ui/win32/win32_dialog_view.h) works on HWNDs; the null view (a hidden dialog) does
// nothing; tests use an in-memory view (tests/support/memory_dialog_view.h). One logic serves
// all three. Texts are ANSI, as the programs that use a view (Q71File, PrnWipe) are.
//
// Ids the template lacks: every operation on such an id does nothing, and every read gives
// what an empty control gives (unchecked, "", -1 for a selection, 0 for a count or a
// position), as the Win32 calls do on the missing window. The in-memory view records such
// ids, so that a test can fail on them.
//
// Thread use: the thread that owns the dialog.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace qid {

class DialogView {
 public:
  DialogView() = default;
  DialogView(const DialogView&) = delete;
  DialogView& operator=(const DialogView&) = delete;
  virtual ~DialogView() = default;

  virtual void Enable(int id, bool enabled) = 0;
  virtual void Show(int id, bool visible) = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual bool IsChecked(int id) = 0;
  // Sets the text as the program's own change: it raises no change notification.
  virtual void SetText(int id, const std::string& text) = 0;
  // At most max_chars characters of the control's text.
  virtual std::string GetText(int id, size_t max_chars) = 0;

  // List boxes. Adds an entry; returns its position (a sorted list puts it in order), or -1
  // on failure.
  virtual int ListAdd(int id, const std::string& item) = 0;
  // Removes every entry (and with them the selection).
  virtual void ListReset(int id) = 0;
  // Removes the entry at `index`; later entries move up by one.
  virtual void ListDelete(int id, int index) = 0;
  virtual int ListCount(int id) = 0;
  // The text of entry `index`; "" when there is no such entry.
  virtual std::string ListText(int id, int index) = 0;
  // Single-selection lists: selects entry `index`; an index outside the list clears it.
  virtual void ListSelect(int id, int index) = 0;
  // The selected entry (in a multiple-selection list, the one with the focus), or -1.
  virtual int ListSelection(int id) = 0;
  // Multiple-selection lists: selects or deselects entry `index`; -1 stands for every entry.
  virtual void ListSetSelected(int id, int index, bool selected) = 0;
  // Multiple-selection lists: the selected entries in ascending order.
  virtual std::vector<int> ListSelectedItems(int id) = 0;
  // Multiple-selection lists: how many entries are selected; -1 when the list cannot tell
  // (LB_ERR: a single-selection list).
  virtual int ListSelectedCount(int id) = 0;

  // Edits: where the selection (or the caret) starts, in characters from the start of the
  // text; selecting [start, end); replacing the selection (an empty text deletes it).
  virtual int SelectionStart(int id) = 0;
  virtual void SetSelection(int id, int start, int end) = 0;
  virtual void ReplaceSelection(int id, const std::string& text) = 0;

  // The window's own caption.
  virtual void SetCaption(const std::string& text) = 0;
  // Top, foreground and focus.
  virtual void BringToFront() = 0;
  // The window as owner of boxes and child dialogs; 0 when there is none.
  virtual WindowHandle Window() = 0;
};

// The hidden dialog: every operation does nothing; every read is that of an empty control.
class NullDialogView : public DialogView {
 public:
  void Enable(int, bool) override {}
  void Show(int, bool) override {}
  void SetCheck(int, bool) override {}
  bool IsChecked(int) override { return false; }
  void SetText(int, const std::string&) override {}
  std::string GetText(int, size_t) override { return std::string(); }
  int ListAdd(int, const std::string&) override { return -1; }
  void ListReset(int) override {}
  void ListDelete(int, int) override {}
  int ListCount(int) override { return 0; }
  std::string ListText(int, int) override { return std::string(); }
  void ListSelect(int, int) override {}
  int ListSelection(int) override { return -1; }
  void ListSetSelected(int, int, bool) override {}
  std::vector<int> ListSelectedItems(int) override { return {}; }
  int ListSelectedCount(int) override { return 0; }
  int SelectionStart(int) override { return 0; }
  void SetSelection(int, int, int) override {}
  void ReplaceSelection(int, const std::string&) override {}
  void SetCaption(const std::string&) override {}
  void BringToFront() override {}
  WindowHandle Window() override { return 0; }
};

}  // namespace qid
