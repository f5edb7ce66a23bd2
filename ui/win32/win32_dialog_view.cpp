#include "ui/win32/win32_dialog_view.h"

#include <vector>

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
  if (Item(id) == nullptr) return -1;  // SendDlgItemMessage answers 0 for a missing control
  LRESULT at = Send(id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  return at < 0 ? -1 : static_cast<int>(at);
}

void Win32DialogView::ListReset(int id) { Send(id, LB_RESETCONTENT, 0, 0); }

void Win32DialogView::ListDelete(int id, int index) {
  Send(id, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

int Win32DialogView::ListCount(int id) {
  LRESULT count = Send(id, LB_GETCOUNT, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int>(count);
}

std::string Win32DialogView::ListText(int id, int index) {
  LRESULT length = Send(id, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR || length <= 0) return std::string();
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  LRESULT got = Send(id, LB_GETTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(buffer.data()));
  return got == LB_ERR ? std::string() : std::string(buffer.data(), static_cast<size_t>(got));
}

void Win32DialogView::ListSelect(int id, int index) {
  Send(id, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogView::ListSelection(int id) {
  if (Item(id) == nullptr) return -1;  // SendDlgItemMessage answers 0 for a missing control
  LRESULT selection = Send(id, LB_GETCURSEL, 0, 0);
  return selection == LB_ERR ? -1 : static_cast<int>(selection);
}

void Win32DialogView::ListSetSelected(int id, int index, bool selected) {
  Send(id, LB_SETSEL, selected ? TRUE : FALSE, static_cast<LPARAM>(index));
}

std::vector<int> Win32DialogView::ListSelectedItems(int id) {
  LRESULT count = Send(id, LB_GETSELCOUNT, 0, 0);
  if (count == LB_ERR || count <= 0) return {};
  std::vector<int> items(static_cast<size_t>(count));
  LRESULT got = Send(id, LB_GETSELITEMS, static_cast<WPARAM>(count),
                     reinterpret_cast<LPARAM>(items.data()));
  items.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return items;
}

int Win32DialogView::ListSelectedCount(int id) {
  LRESULT count = Send(id, LB_GETSELCOUNT, 0, 0);
  return count == LB_ERR ? -1 : static_cast<int>(count);
}

int Win32DialogView::SelectionStart(int id) {
  DWORD start = 0, end = 0;
  Send(id, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                      reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void Win32DialogView::SetSelection(int id, int start, int end) {
  Send(id, EM_SETSEL, static_cast<WPARAM>(start), end);
}

void Win32DialogView::ReplaceSelection(int id, const std::string& text) {
  ++program_change_;
  Send(id, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  --program_change_;
}

void Win32DialogView::SetCaption(const std::string& text) {
  SetWindowTextA(dialog_, text.c_str());
}

void Win32DialogView::BringToFront() {
  BringWindowToTop(dialog_);
  SetForegroundWindow(dialog_);
  SetFocus(dialog_);
}

}  // namespace qid
