#include "installer/win32/framework/dialog.h"

namespace qid::fw {

INT_PTR Dialog::DoModal(HINSTANCE instance, HWND parent) {
  instance_ = instance;
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(template_id_), parent, &Dialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void Dialog::EndDialog(INT_PTR result) {
  if (hwnd_) ::EndDialog(hwnd_, result);
}

bool Dialog::Bind(int id, Control& control) {
  HWND child = GetDlgItem(hwnd_, id);
  if (child == nullptr || !control.Attach(child)) return false;
  bound_.push_back(&control);
  return true;
}

Control* Dialog::BoundControl(HWND window) const {
  if (window == nullptr) return nullptr;
  for (Control* control : bound_) {
    if (control->hwnd() == window) return control;
  }
  return nullptr;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Dialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lparam);
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    self->hwnd_ = window;
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT, ...)
  }
  INT_PTR answer = self->Dispatch(message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    for (Control* control : self->bound_) control->Detach();
    self->bound_.clear();
    self->hwnd_ = nullptr;
  }
  return answer;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      DoDataExchange();
      return OnInitDialog() ? TRUE : FALSE;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      Control* control = BoundControl(item->hwndItem);
      if (control != nullptr && control->OnDrawItem(*item)) return TRUE;
      break;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      Control* control = BoundControl(GetDlgItem(hwnd_, static_cast<int>(item->CtlID)));
      if (control != nullptr && control->OnMeasureItem(*item)) return TRUE;
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      Control* control = BoundControl(reinterpret_cast<HWND>(lparam));
      bool handled = false;
      HBRUSH brush =
          control ? control->OnControlColor(reinterpret_cast<HDC>(wparam), &handled) : nullptr;
      // A colour message answers with the brush itself, not through DWLP_MSGRESULT.
      if (handled)
        return brush ? reinterpret_cast<INT_PTR>(brush)
                     : reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
      break;
    }
    case WM_ERASEBKGND:
      if (OnEraseBackground(reinterpret_cast<HDC>(wparam))) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      break;
    case WM_COMMAND: {
      WORD id = LOWORD(wparam), code = HIWORD(wparam);
      HWND from = reinterpret_cast<HWND>(lparam);
      Control* control = BoundControl(from);
      if (control != nullptr && control->OnCommandNotify(code)) return TRUE;
      if (id == IDOK) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      if (OnCommand(id, code, from)) return TRUE;
      break;
    }
    default:
      break;
  }
  LRESULT result = 0;
  if (OnMessage(message, wparam, lparam, &result)) {
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
  }
  return FALSE;
}

}  // namespace qid::fw
