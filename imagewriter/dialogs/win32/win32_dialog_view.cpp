#include "imagewriter/dialogs/win32/win32_dialog_view.h"

#include <vector>

#include "common/debug_trace.h"
#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/settings_dialog.h"

namespace qid {

void Win32DialogView::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled); }

void Win32DialogView::Show(int id, bool visible) {
  ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE);
}

void Win32DialogView::SetCheck(int id, bool checked) {
  CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32DialogView::IsChecked(int id) { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

void Win32DialogView::SetText(int id, const std::string& text) {
  ++program_change_;
  SetDlgItemTextA(dialog_, id, text.c_str());
  --program_change_;
}

std::string Win32DialogView::GetText(int id, size_t max_chars) {
  std::vector<char> buffer(max_chars + 1, '\0');
  int got = GetDlgItemTextA(dialog_, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

int Win32DialogView::ListAdd(int id, const std::string& item) {
  LRESULT at =
      SendDlgItemMessageA(dialog_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  return at < 0 ? -1 : static_cast<int>(at);
}

void Win32DialogView::ListReset(int id) { SendDlgItemMessageA(dialog_, id, LB_RESETCONTENT, 0, 0); }

void Win32DialogView::ListDelete(int id, int index) {
  SendDlgItemMessageA(dialog_, id, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void Win32DialogView::ListSetSelected(int id, int index, bool selected) {
  SendDlgItemMessageA(dialog_, id, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

std::vector<int> Win32DialogView::ListSelectedItems(int id) {
  LRESULT count = SendDlgItemMessageA(dialog_, id, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return {};
  std::vector<int> items(static_cast<size_t>(count));
  LRESULT got = SendDlgItemMessageA(dialog_, id, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                    reinterpret_cast<LPARAM>(items.data()));
  items.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return items;
}

void Win32DialogView::SetCaption(const std::string& text) { SetWindowTextA(dialog_, text.c_str()); }

void Win32DialogView::ListSelect(int id, int index) {
  SendDlgItemMessageA(dialog_, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogView::ListSelection(int id) {
  LRESULT selection = SendDlgItemMessageA(dialog_, id, LB_GETCURSEL, 0, 0);
  return selection == LB_ERR ? -1 : static_cast<int>(selection);
}

int Win32DialogView::SelectionStart(int id) {
  DWORD start = 0, end = 0;
  SendDlgItemMessageA(dialog_, id, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                      reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void Win32DialogView::SetSelection(int id, int start, int end) {
  SendDlgItemMessageA(dialog_, id, EM_SETSEL, static_cast<WPARAM>(start), end);
}

void Win32DialogView::ReplaceSelection(int id, const std::string& text) {
  ++program_change_;
  SendDlgItemMessageA(dialog_, id, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  --program_change_;
}

void Win32DialogView::BringToFront() {
  BringWindowToTop(dialog_);
  SetForegroundWindow(dialog_);
  SetFocus(dialog_);
}

int Win32DialogView::RunResetSerialDialog() {
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESET_SERIAL),
                                   dialog_, ResetSerialDialogProc,
                                   reinterpret_cast<LPARAM>(&ctx_));
  if (result == -1) {
    DebugTrace(kDialogTag, "reset-serial dialog not shown, error %lu", GetLastError());
    return 0;
  }
  return static_cast<int>(result);
}

bool Win32DialogView::ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) {
  return ShowOpenFileDialogWin32(dialog_, request, file);
}

void Win32DialogView::ShowDriverHelp() { qid::ShowDriverHelp(ctx_, dialog_); }

}  // namespace qid
