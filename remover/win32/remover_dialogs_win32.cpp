#include "common/debug_trace.h"
#include "remover/dialogs.h"
#include "remover/remover_ids.h"
#include "remover/win32/remover_win32.h"

namespace qid {
namespace {

// The text a confirmation dialog shows, handed over with its creation.
struct ConfirmRequest {
  Win32RemoverHost* host;
  const std::string* text;
};

template <typename T>
T* Attached(HWND dialog) {
  return reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Icon 106 in the size the two system metrics give.
HICON ProgramIcon(HINSTANCE instance, int width_metric, int height_metric) {
  HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_PRNWIPE), IMAGE_ICON,
                                             GetSystemMetrics(width_metric),
                                             GetSystemMetrics(height_metric), 0));
  if (icon == nullptr) {
    DebugTrace(kWipeTag, "LoadImage(%d) failed, error %lu", IDI_PRNWIPE, GetLastError());
  }
  return icon;
}

}  // namespace

std::string Win32RemoverHost::LoadText(int id) {
  char buffer[260] = {};
  int got = LoadStringA(instance_, static_cast<UINT>(id), buffer, 256);
  return std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0);
}

Win32RemoverHost::~Win32RemoverHost() {
  if (large_icon_ != nullptr) DestroyIcon(large_icon_);
  if (small_icon_ != nullptr) DestroyIcon(small_icon_);
}

void Win32RemoverHost::SetWindowIcons() {
  if (large_icon_ == nullptr) large_icon_ = ProgramIcon(instance_, SM_CXICON, SM_CYICON);
  if (small_icon_ == nullptr) small_icon_ = ProgramIcon(instance_, SM_CXSMICON, SM_CYSMICON);
  SendMessageA(main_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_));
  SendMessageA(main_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
}

int Win32RemoverHost::RunConfirmDialog(const std::string& text) {
  ConfirmRequest request{this, &text};
  INT_PTR result = DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_PRNWIPE_CONFIRM), main_,
                                   ConfirmDialogProc, reinterpret_cast<LPARAM>(&request));
  if (result == -1) {
    DebugTrace(kWipeTag, "DialogBox(%d) failed, error %lu", IDD_PRNWIPE_CONFIRM, GetLastError());
    return kIdCancel;
  }
  return static_cast<int>(result);
}

void Win32RemoverHost::RunAboutBox() {
  if (DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_PRNWIPE_ABOUT), main_, AboutDialogProc,
                      reinterpret_cast<LPARAM>(this)) == -1) {
    DebugTrace(kWipeTag, "DialogBox(%d) failed, error %lu", IDD_PRNWIPE_ABOUT, GetLastError());
  }
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  PrnWipeApp* app = Attached<PrnWipeApp>(dialog);
  switch (message) {
    case WM_INITDIALOG: {
      app = reinterpret_cast<PrnWipeApp*>(lparam);
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      app->view = std::make_unique<Win32DialogView>(dialog);
      app->host = std::make_unique<Win32RemoverHost>(app->instance, dialog);
      app->remover.reset(new Remover{*app->platform, *app->view, *app->host, app->state});
      InitMainDialog(*app->remover);
      return TRUE;
    }
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_ENDSESSION:
      if (app != nullptr && app->remover) MainDialogGone(*app->remover);
      return FALSE;  // close goes on as the Cancel command
    case WM_HELP:
      return TRUE;  // the program has no help file
    case WM_COMMAND: {
      if (app == nullptr || !app->remover) return FALSE;
      int end = MainDialogCommand(*app->remover, LOWORD(wparam), HIWORD(wparam));
      if (end != 0) EndDialog(dialog, end);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      Win32DialogView view(dialog);
      InitAboutBox(view, *reinterpret_cast<Win32RemoverHost*>(lparam));
      return TRUE;
    }
    case WM_COMMAND: {
      int end = AboutBoxCommand(LOWORD(wparam));
      if (end != 0) EndDialog(dialog, end);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK ConfirmDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* request = reinterpret_cast<ConfirmRequest*>(lparam);
      Win32DialogView view(dialog);
      InitConfirmDialog(view, *request->host, *request->text);
      // The focus starts on Yes, so the text is not shown all selected as an edit with the
      // focus would show it.
      SetFocus(GetDlgItem(dialog, IDC_CONFIRM_YES));
      return FALSE;
    }
    case WM_HELP:
      return TRUE;
    case WM_COMMAND: {
      int end = ConfirmDialogCommand(LOWORD(wparam));
      if (end != 0) EndDialog(dialog, end);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace qid
