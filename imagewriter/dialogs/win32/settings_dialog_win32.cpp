// The Win32 dialog procedures: they translate window messages into the dialog logic's calls.
#include <memory>

#include "common/debug_trace.h"
#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/reset_serial.h"
#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/dialogs/win32/win32_dialog_view.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

// What a showing of the settings dialog holds; lives on ShowSettingsDialog's stack.
struct SettingsSession {
  WriterContext* ctx = nullptr;
  std::unique_ptr<Win32DialogView> view;
  SettingsDialogState state;
};

// The widths that the logic reads from the edits; typing stops there too.
void LimitEdits(HWND dialog) {
  const std::pair<int, WPARAM> limits[] = {
      {IDC_OUTPUT_FOLDER, kOutputDirectoryCapacity},   {IDC_OUTPUT_FILE, kOutputFileCapacity},
      {IDC_OUTPUT_APPLICATION, kOutputApplicationCapacity}, {IDC_DOC_PREFIX, kPrefixCapacity},
      {IDC_SERIAL_PREFIX, kPrefixCapacity},
  };
  for (const auto& limit : limits)
    SendDlgItemMessageA(dialog, limit.first, EM_LIMITTEXT, limit.second, 0);
}

template <typename T>
T* Session(HWND dialog) {
  return reinterpret_cast<T*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

}  // namespace

static_assert(kNotifyClicked == BN_CLICKED && kNotifyEditChange == EN_CHANGE &&
                  kNotifyListSelChange == LBN_SELCHANGE,
              "the dialog logic reads the platform's notification codes");

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* session = reinterpret_cast<SettingsSession*>(lparam);
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
      session->view = std::make_unique<Win32DialogView>(*session->ctx, dialog);
      LimitEdits(dialog);
      ResetValues(*session->ctx, *session->view);
      return FALSE;  // ResetValues has set the focus
    }
    case WM_COMMAND: {
      SettingsSession* session = Session<SettingsSession>(dialog);
      if (session == nullptr || !session->view || session->view->InProgramChange()) return FALSE;
      int end_result = 0;
      if (OnSettingsCommand(*session->ctx, *session->view, session->state, LOWORD(wparam),
                            HIWORD(wparam), &end_result))
        EndDialog(dialog, end_result);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK ResetSerialDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      auto* ctx = reinterpret_cast<WriterContext*>(lparam);
      Win32DialogView view(*ctx, dialog);
      InitializeResetSerial(*ctx, view);
      return TRUE;
    }
    case WM_COMMAND: {
      auto* ctx = Session<WriterContext>(dialog);
      if (ctx == nullptr || HIWORD(wparam) != BN_CLICKED) return FALSE;
      if (LOWORD(wparam) == IDOK) {
        Win32DialogView view(*ctx, dialog);
        if (AcceptResetSerial(*ctx, view)) EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

int ShowSettingsDialog(WriterContext& ctx) {
  SettingsSession session;
  session.ctx = &ctx;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS),
                                   nullptr, SettingsDialogProc,
                                   reinterpret_cast<LPARAM>(&session));
  if (result != -1) return result == 1 ? 1 : 0;
  // No dialog could be made (no desktop, no template): that is not the user's Cancel, which
  // would delete the job file. The stored settings are used as they are, as when the dialog
  // is hidden.
  DebugTrace(kDialogTag, "settings dialog not shown, error %lu: stored settings used",
             GetLastError());
  NullDialogView hidden;
  ResetValues(ctx, hidden);
  return 1;
}

}  // namespace qid
