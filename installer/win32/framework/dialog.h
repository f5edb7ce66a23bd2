// The dialog base of the installer's small window framework: a modal dialog made from a
// template resource, with virtual initialisation, OK and cancel, controls bound to C++ objects
// by id (DoDataExchange), and reflection of the controls' notifications to those objects.
//
// Message flow for a bound control: WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR* and WM_COMMAND
// from it go to the control object first (Control::On...); whatever it leaves goes to the
// dialog's own handlers. IDOK commands end in OnOK, IDCANCEL (Escape, Alt+F4, the close box,
// the system menu's Close) in OnCancel. Any other message can be taken in OnMessage.
//
// Threads: DoModal and every handler run on the thread that calls DoModal. Other threads reach
// the dialog only with PostMessage/SendMessage to hwnd().
#pragma once

#include <windows.h>

#include <vector>

#include "installer/win32/framework/control.h"

namespace qid::fw {

class Dialog {
 public:
  explicit Dialog(int template_id) : template_id_(template_id) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Shows the dialog modally from the template in `instance` and returns the value given to
  // EndDialog, or -1 when the dialog could not be created (GetLastError tells why).
  INT_PTR DoModal(HINSTANCE instance, HWND parent = nullptr);

  HWND hwnd() const { return hwnd_; }
  HINSTANCE instance() const { return instance_; }
  void EndDialog(INT_PTR result);

 protected:
  // Called first on WM_INITDIALOG: Bind each control id to its object here.
  virtual void DoDataExchange() {}
  // Attaches the dialog's child `id` to `control`; false (and nothing bound) when there is
  // no such child or the control is bound already.
  bool Bind(int id, Control& control);

  // After DoDataExchange. True: let the system give the focus to the first control.
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Commands other than IDOK/IDCANCEL that no bound control took. True when handled.
  virtual bool OnCommand(WORD id, WORD code, HWND control) { return false; }
  // WM_ERASEBKGND. True when the background was painted.
  virtual bool OnEraseBackground(HDC dc) { return false; }
  // Any other message. True when handled; *result is then the message's answer.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    return false;
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // The answer to DialogProc, with `result` stored where the system reads it.
  INT_PTR Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
  Control* BoundControl(HWND window) const;

  int template_id_;
  HWND hwnd_ = nullptr;
  HINSTANCE instance_ = nullptr;
  std::vector<Control*> bound_;
};

}  // namespace qid::fw
