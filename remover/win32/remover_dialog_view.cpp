#include <vector>

#include "common/debug_trace.h"
#include "remover/win32/remover_win32.h"

namespace qid {

void RemoverDialogView::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled); }

void RemoverDialogView::Show(int id, bool visible) {
  ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE);
}

void RemoverDialogView::SetCheck(int id, bool checked) {
  CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool RemoverDialogView::IsChecked(int id) {
  return IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void RemoverDialogView::SetText(int id, const std::string& text) {
  SetDlgItemTextA(dialog_, id, text.c_str());
}

std::string RemoverDialogView::GetText(int id, size_t max_chars) {
  std::vector<char> buffer(max_chars + 1, '\0');
  int got = GetDlgItemTextA(dialog_, id, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

int RemoverDialogView::ListAdd(int id, const std::string& item) {
  LRESULT at =
      SendDlgItemMessageA(dialog_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  return at < 0 ? -1 : static_cast<int>(at);
}

void RemoverDialogView::ListSelect(int id, int index) {
  SendDlgItemMessageA(dialog_, id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int RemoverDialogView::ListSelection(int id) {
  LRESULT selection = SendDlgItemMessageA(dialog_, id, LB_GETCURSEL, 0, 0);
  return selection == LB_ERR ? -1 : static_cast<int>(selection);
}

void RemoverDialogView::ListReset(int id) {
  SendDlgItemMessageA(dialog_, id, LB_RESETCONTENT, 0, 0);
}

void RemoverDialogView::ListDelete(int id, int index) {
  SendDlgItemMessageA(dialog_, id, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void RemoverDialogView::ListSetSelected(int id, int index, bool selected) {
  SendDlgItemMessageA(dialog_, id, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

std::vector<int> RemoverDialogView::ListSelectedItems(int id) {
  LRESULT count = SendDlgItemMessageA(dialog_, id, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return {};
  std::vector<int> items(static_cast<size_t>(count));
  LRESULT got = SendDlgItemMessageA(dialog_, id, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                    reinterpret_cast<LPARAM>(items.data()));
  items.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return items;
}

void RemoverDialogView::SetCaption(const std::string& text) {
  SetWindowTextA(dialog_, text.c_str());
}

int RemoverDialogView::SelectionStart(int id) {
  DWORD start = 0, end = 0;
  SendDlgItemMessageA(dialog_, id, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                      reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void RemoverDialogView::SetSelection(int id, int start, int end) {
  SendDlgItemMessageA(dialog_, id, EM_SETSEL, static_cast<WPARAM>(start), end);
}

void RemoverDialogView::ReplaceSelection(int id, const std::string& text) {
  SendDlgItemMessageA(dialog_, id, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void RemoverDialogView::BringToFront() { SetForegroundWindow(dialog_); }

int RemoverDialogView::RunResetSerialDialog() {
  DebugTrace(kWipeTag, "no reset-serial dialog in this program");
  return 0;
}

bool RemoverDialogView::ShowOpenFileDialog(const OpenFileRequest&, std::string*) {
  DebugTrace(kWipeTag, "no file chooser in this program");
  return false;
}

void RemoverDialogView::ShowDriverHelp() { DebugTrace(kWipeTag, "no driver help in this program"); }

}  // namespace qid
