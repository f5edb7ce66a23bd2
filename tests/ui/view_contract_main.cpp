// view_contract.exe: the dialog view's contract (dialog_view_contract.h) over the Win32 view
// of a real dialog, for tests/wine/ui_test.sh. Prints "ok   - ..." or "FAIL - ..." per check;
// exit code 0 when all passed, 2 when the dialog cannot be made.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "tests/contract/dialog_view_contract.h"
#include "ui/win32/win32_dialog_view.h"

namespace {

class PrintingReporter : public qid::contract::Reporter {
 public:
  void Check(bool ok, const std::string& what, const std::string& detail) override {
    if (!ok) ++failed;
    std::printf("%s - %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), ok ? "" : ": ",
                ok ? "" : detail.c_str());
  }
  int failed = 0;
};

// An in-memory dialog template (DLGTEMPLATE and DLGITEMTEMPLATEs, WORD-packed, each item on
// a DWORD boundary) holding the contract's controls.
class Template {
 public:
  explicit Template(WORD items) {
    Dword(WS_POPUP | WS_CAPTION);
    Dword(0);
    words_.insert(words_.end(), {items, 0, 0, 200, 120, 0, 0});  // no menu, default class
    Text(L"view contract");
  }
  void Item(DWORD style, WORD id, WORD class_atom) {
    if (words_.size() % 2) words_.push_back(0);
    Dword(WS_CHILD | WS_VISIBLE | style);
    Dword(0);
    words_.insert(words_.end(), {10, 10, 100, 40, id, 0xFFFF, class_atom, 0, 0});
  }
  LPCDLGTEMPLATEA get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(words_.data()); }

 private:
  void Dword(DWORD v) { words_.insert(words_.end(), {LOWORD(v), HIWORD(v)}); }
  void Text(const wchar_t* text) {
    while (*text) words_.push_back(static_cast<WORD>(*text++));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

int main() {
  using namespace qid::contract;
  constexpr WORD kButton = 0x0080, kEditClass = 0x0081, kListBox = 0x0083;
  Template dialog(4);
  dialog.Item(WS_BORDER | ES_AUTOHSCROLL, kEdit, kEditClass);
  dialog.Item(BS_AUTOCHECKBOX, kCheckBox, kButton);
  dialog.Item(WS_BORDER | LBS_NOTIFY, kList, kListBox);
  dialog.Item(WS_BORDER | LBS_NOTIFY | LBS_EXTENDEDSEL, kMultiList, kListBox);
  HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialog.get(), nullptr,
                                           Quiet, 0);
  if (window == nullptr) {
    std::printf("FAIL - the contract's dialog is made: error %lu\n", GetLastError());
    return 2;
  }
  PrintingReporter reporter;
  {
    qid::Win32DialogView view(window);
    DialogViewContract(view, reporter);
  }
  DestroyWindow(window);
  return reporter.failed == 0 ? 0 : 1;
}
