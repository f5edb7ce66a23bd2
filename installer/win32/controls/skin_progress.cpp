#include "installer/win32/controls/skin_progress.h"

#include <commctrl.h>

#include "installer/controls/drawing_rules.h"

namespace qid::skin {

bool CSkinProgress::SetBitmap(int resource_id, bool repaint) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(GetParent(hwnd()), GWLP_HINSTANCE));
  bool loaded = fill_.Load(instance, resource_id);
  if (repaint) Invalidate();
  return loaded;
}

void CSkinProgress::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  position_ = ClampPosition(position_, lower_, upper_);
  SendMessageW(hwnd(), PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
  Invalidate();
}

void CSkinProgress::SetStep(int step) {
  step_ = step;
  SendMessageW(hwnd(), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void CSkinProgress::SetPos(int position) {
  position_ = ClampPosition(position, lower_, upper_);
  SendMessageW(hwnd(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  Invalidate();
}

void CSkinProgress::StepIt() {
  position_ = StepPosition(position_, step_, lower_, upper_);
  SendMessageW(hwnd(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  Invalidate();
}

LRESULT CSkinProgress::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (fill_.empty()) return Default(message, wparam, lparam);
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;  // Paint fills every pixel, off-screen, so the bar never flickers
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd(), &paint);
      Paint(dc);
      EndPaint(hwnd(), &paint);
      return 0;
    }
    default:
      return Default(message, wparam, lparam);
  }
}

void CSkinProgress::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  MemoryCanvas canvas(dc, client.right, client.bottom);
  if (!canvas.ok()) return;
  // The unfilled part shows the bar's erased background.
  FillRect(canvas.dc(), &client, GetSysColorBrush(COLOR_WINDOW));
  const bool framed = (GetWindowLongPtrW(hwnd(), GWL_STYLE) & WS_BORDER) != 0;
  const bool vertical = (GetWindowLongPtrW(hwnd(), GWL_STYLE) & PBS_VERTICAL) != 0;
  BarRect outer = {client.left, client.top, client.right, client.bottom};
  if (framed) FrameRect(canvas.dc(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  BarRect inner = InnerBarRect(outer, framed);
  BarRect filled = FilledBarRect(inner, FillPercent(position_, lower_, upper_), vertical);
  if (filled.right > filled.left && filled.bottom > filled.top) {
    RECT part = {filled.left, filled.top, filled.right, filled.bottom};
    TileBitmap(canvas.dc(), part, fill_.handle(), fill_.width(), fill_.height());
  }
  RECT inner_rect = {inner.left, inner.top, inner.right, inner.bottom};
  OnDrawText(canvas.dc(), inner_rect);
  BitBlt(dc, 0, 0, client.right, client.bottom, canvas.dc(), 0, 0, SRCCOPY);
}

}  // namespace qid::skin
