// The control base of the installer's small window framework: a C++ object bound to one child
// window of a dialog. Attaching subclasses the window, so every message to it reaches
// WindowProc first; the owning Dialog also hands back ("reflects") the notifications the
// control sends to its parent (owner-draw, colours, commands), so a control class can draw and
// react by itself.
//
// Threads: the window's thread only. A Control must outlive its window or be detached first;
// the destructor detaches a window that is still attached.
#pragma once

#include <windows.h>

namespace qid::fw {

class Control {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Subclasses `window` and calls OnAttached. False when the window is null, already bound to
  // another object, or this object is already attached.
  bool Attach(HWND window);
  // Restores the window's own procedure. Harmless when not attached.
  void Detach();

  HWND hwnd() const { return hwnd_; }
  int id() const { return hwnd_ ? GetDlgCtrlID(hwnd_) : 0; }
  void Invalidate(bool erase = true) const;
  void Show(bool visible) const;
  void Enable(bool enabled) const;

  // Reflected notifications: the parent dialog calls these for messages it received from this
  // control. Return true (or set *handled) when the control dealt with the message; the dialog
  // then does not handle it itself.
  virtual bool OnDrawItem(const DRAWITEMSTRUCT& item) { return false; }
  virtual bool OnMeasureItem(MEASUREITEMSTRUCT& item) { return false; }
  // WM_CTLCOLOR*: set *handled and return the brush (null: no background brush).
  virtual HBRUSH OnControlColor(HDC dc, bool* handled) { return nullptr; }
  virtual bool OnCommandNotify(WORD code) { return false; }

 protected:
  virtual void OnAttached() {}
  // Every message to the window; the default passes it to the window's own procedure.
  virtual LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;
};

}  // namespace qid::fw
