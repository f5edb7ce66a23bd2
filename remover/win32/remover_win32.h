// PrnWipe's Win32 layer: the dialog view over a dialog window, the host that loads the
// resources and runs the child dialogs, and the three dialog procedures.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/win32_api.h"
#include "remover/remover.h"

namespace qid {

// The controls of one dialog window. The settings dialog's own entries (reset serial, file
// chooser, driver help) belong to Q71File and are refused here.
class RemoverDialogView : public DialogView {
 public:
  explicit RemoverDialogView(HWND dialog) : dialog_(dialog) {}

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

 private:
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  HWND dialog_;
};

class Win32RemoverHost : public RemoverHost {
 public:
  Win32RemoverHost(HINSTANCE instance, HWND main) : instance_(instance), main_(main) {}
  std::string LoadText(int id) override;
  void SetWindowIcons() override;
  int RunConfirmDialog(const std::string& text) override;
  void RunAboutBox() override;

 private:
  HINSTANCE instance_;
  HWND main_;
};

// What the main dialog lives on; made by the program entry, handed to the dialog procedure.
struct PrnWipeApp {
  HINSTANCE instance = nullptr;
  Platform* platform = nullptr;
  RemoverState state;
  std::unique_ptr<RemoverDialogView> view;
  std::unique_ptr<Win32RemoverHost> host;
  std::unique_ptr<Remover> remover;
};

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK ConfirmDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace qid
