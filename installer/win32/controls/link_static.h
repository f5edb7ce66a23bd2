// CLinkStatic: a label that opens its target (a web or mail address) with the shell when
// clicked. It shows the hand cursor and a tooltip with the target, turns red while the mouse
// is over it and purple once visited, and underlines by its mode (0 never, 1 always, -1 while
// hovering). When the shell cannot open the target, the browser registered for ".htm" is
// started with it; when that fails too, a beep and a message name the reason.
#pragma once

#include <windows.h>

#include <string>

#include "installer/win32/framework/control.h"

namespace qid::installer::skin {

class CLinkStatic : public fw::Control {
 public:
  ~CLinkStatic() override;

  void SetTarget(const std::wstring& target);
  const std::wstring& target() const { return target_; }
  void SetUnderline(int mode);
  bool visited() const { return visited_; }

 protected:
  void OnAttached() override;
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  HBRUSH OnControlColor(HDC dc, bool* handled) override;
  bool OnCommandNotify(WORD code) override;

 private:
  void MakeFonts();
  void UseFont(bool underlined);
  void FitToText();
  void UpdateTooltip();
  void Repaint();
  void SetHovering(bool hovering);
  void Open();

  std::wstring target_;
  bool visited_ = false;
  bool hovering_ = false;
  int underline_ = -1;
  bool fit_to_text_ = true;
  HFONT normal_font_ = nullptr;
  HFONT underlined_font_ = nullptr;
  HCURSOR hand_ = nullptr;
  HWND tooltip_ = nullptr;
};

}  // namespace qid::installer::skin
