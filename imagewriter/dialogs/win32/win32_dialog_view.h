// The dialog view over a real dialog window. Texts that the program sets raise no change
// notification for the logic: the dialog procedures skip every notification that arrives
// while InProgramChange() is true (an edit sends EN_UPDATE and EN_CHANGE from WM_SETTEXT and
// EM_REPLACESEL synchronously), so only the user's edits reach the logic.
#pragma once

#include "imagewriter/dialogs/dialog_view.h"
#include "platform/win32/win32_api.h"

namespace qid {

struct WriterContext;

class Win32DialogView : public DialogView {
 public:
  Win32DialogView(WriterContext& ctx, HWND dialog) : ctx_(ctx), dialog_(dialog) {}

  void Enable(int id, bool enabled) override;
  void Show(int id, bool visible) override;
  void SetCheck(int id, bool checked) override;
  bool IsChecked(int id) override;
  void SetText(int id, const std::string& text) override;
  std::string GetText(int id, size_t max_chars) override;
  int ListAdd(int id, const std::string& item) override;
  void ListSelect(int id, int index) override;
  int ListSelection(int id) override;
  void ListReset(int id) override;
  void ListDelete(int id, int index) override;
  void ListSetSelected(int id, int index, bool selected) override;
  std::vector<int> ListSelectedItems(int id) override;
  void SetCaption(const std::string& text) override;
  int SelectionStart(int id) override;
  void SetSelection(int id, int start, int end) override;
  void ReplaceSelection(int id, const std::string& text) override;
  void BringToFront() override;
  WindowHandle Window() override { return reinterpret_cast<WindowHandle>(dialog_); }
  int RunResetSerialDialog() override;
  bool ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) override;
  void ShowDriverHelp() override;

  bool InProgramChange() const { return program_change_ > 0; }

 private:
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  WriterContext& ctx_;
  HWND dialog_;
  int program_change_ = 0;
};

// The dialog procedures and the Win32 halves of the choosers and the help button.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK ResetSerialDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
bool ShowOpenFileDialogWin32(HWND owner, const OpenFileRequest& request, std::string* file);
void ShowDriverHelp(WriterContext& ctx, HWND owner);

}  // namespace qid
