#include "installer/win32/framework/control.h"

namespace qid::fw {
namespace {
const wchar_t kObjectProperty[] = L"qid.fw.Control";
}  // namespace

Control::~Control() { Detach(); }

bool Control::Attach(HWND window) {
  if (window == nullptr || hwnd_ != nullptr || GetPropW(window, kObjectProperty) != nullptr) {
    return false;
  }
  if (!SetPropW(window, kObjectProperty, this)) return false;
  hwnd_ = window;
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc)));
  OnAttached();
  return true;
}

void Control::Detach() {
  if (hwnd_ == nullptr) return;
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    RemovePropW(hwnd_, kObjectProperty);
  }
  hwnd_ = nullptr;
  original_ = nullptr;
}

void Control::Invalidate(bool erase) const {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE);
}

void Control::Show(bool visible) const {
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

void Control::Enable(bool enabled) const {
  if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

LRESULT Control::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  return Default(message, wparam, lparam);
}

LRESULT Control::Default(UINT message, WPARAM wparam, LPARAM lparam) {
  return CallWindowProcW(original_, hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = static_cast<Control*>(GetPropW(window, kObjectProperty));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // The window goes away: unhook first so nothing reaches a dead binding.
    WNDPROC original = self->original_;
    self->Detach();
    return CallWindowProcW(original, window, message, wparam, lparam);
  }
  return self->WindowProc(message, wparam, lparam);
}

}  // namespace qid::fw
