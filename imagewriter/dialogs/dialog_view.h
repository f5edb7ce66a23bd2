// The controls of a dialog as the dialog logic sees them. The Win32 view works on HWNDs; the
// null view (a hidden dialog) does nothing and reads every box as unchecked and every text as
// empty; the in-memory view records state for tests. One logic serves all three.
#pragma once

#include <cstddef>
#include <string>

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
  virtual void SetText(int id, const std::string& text) = 0;
  // At most max_chars characters of the control's text.
  virtual std::string GetText(int id, size_t max_chars) = 0;
  virtual void ListAdd(int id, const std::string& item) = 0;
  virtual void ListSelect(int id, int index) = 0;
  // The selected entry, or -1.
  virtual int ListSelection(int id) = 0;
  // Top, foreground and focus.
  virtual void BringToFront() = 0;
  // The window as owner of boxes and child dialogs; 0 when there is none.
  virtual WindowHandle Window() = 0;
};

}  // namespace qid

namespace qid {

// The hidden dialog: every operation does nothing; boxes read as unchecked, texts as empty.
class NullDialogView : public DialogView {
 public:
  void Enable(int, bool) override {}
  void Show(int, bool) override {}
  void SetCheck(int, bool) override {}
  bool IsChecked(int) override { return false; }
  void SetText(int, const std::string&) override {}
  std::string GetText(int, size_t) override { return std::string(); }
  void ListAdd(int, const std::string&) override {}
  void ListSelect(int, int) override {}
  int ListSelection(int) override { return -1; }
  void BringToFront() override {}
  WindowHandle Window() override { return 0; }
};

}  // namespace qid
