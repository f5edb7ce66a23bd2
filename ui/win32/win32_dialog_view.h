// The dialog view over a real dialog window. Texts that the program sets raise no change
// notification for the logic: a dialog procedure skips every notification that arrives while
// InProgramChange() is true (an edit sends EN_UPDATE and EN_CHANGE from WM_SETTEXT and
// EM_REPLACESEL synchronously), so only the user's edits reach the logic.
#pragma once

#include "platform/win32/win32_api.h"
#include "ui/dialog_view.h"

namespace qid {

class Win32DialogView : public DialogView {
 public:
  explicit Win32DialogView(HWND dialog) : dialog_(dialog) {}

  void Enable(int id, bool enabled) override;
  void Show(int id, bool visible) override;
  void SetCheck(int id, bool checked) override;
  bool IsChecked(int id) override;
  void SetText(int id, const std::string& text) override;
  std::string GetText(int id, size_t max_chars) override;
  int ListAdd(int id, const std::string& item) override;
  void ListReset(int id) override;
  void ListDelete(int id, int index) override;
  int ListCount(int id) override;
  std::string ListText(int id, int index) override;
  void ListSelect(int id, int index) override;
  int ListSelection(int id) override;
  void ListSetSelected(int id, int index, bool selected) override;
  std::vector<int> ListSelectedItems(int id) override;
  int ListSelectedCount(int id) override;
  int SelectionStart(int id) override;
  void SetSelection(int id, int start, int end) override;
  void ReplaceSelection(int id, const std::string& text) override;
  void SetCaption(const std::string& text) override;
  void BringToFront() override;
  WindowHandle Window() override { return reinterpret_cast<WindowHandle>(dialog_); }

  bool InProgramChange() const { return program_change_ > 0; }
  HWND dialog() const { return dialog_; }

 private:
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  LRESULT Send(int id, UINT message, WPARAM wparam, LPARAM lparam) const {
    return SendDlgItemMessageA(dialog_, id, message, wparam, lparam);
  }

  HWND dialog_;
  int program_change_ = 0;
};

}  // namespace qid
