#include "installer/win32/controls/skin_progress.h"

#include <commctrl.h>

namespace qid::installer::skin {

bool CSkinProgress::SetBitmap(int resource_id, bool repaint) {
  HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(GetParent(hwnd()), GWLP_HINSTANCE));
  bool loaded = fill_.Load(instance, resource_id);
  LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  LONG_PTR ex_style = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  // The dialog manager and the platform's bar turn the border style into a client or static
  // edge when the bar is created; any of them means "with border".
  constexpr LONG_PTR kEdges = WS_EX_STATICEDGE | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE;
  if (loaded && (framed_ || (style & WS_BORDER) != 0 || (ex_style & kEdges) != 0)) {
    // The frame moves into the client area, where Paint draws it with the fill.
    framed_ = true;
    SetWindowLongPtrW(hwnd(), GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_BORDER));
    SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ex_style & ~kEdges);
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  if (repaint) Invalidate();
  return loaded;
}

void CSkinProgress::SetRange(int lower, int upper) {
  model_.SetRange(lower, upper);
  SendMessageW(hwnd(), PBM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
  PositionChanged();
}

void CSkinProgress::SetStep(int step) {
  model_.SetStep(step);
  SendMessageW(hwnd(), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void CSkinProgress::SetPos(int position) {
  model_.SetPosition(position);
  PositionChanged();
}

void CSkinProgress::StepIt() {
  model_.Step();
  PositionChanged();
}

void CSkinProgress::PositionChanged() {
  SendMessageW(hwnd(), PBM_SETPOS, static_cast<WPARAM>(model_.position()), 0);
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
  const bool framed = framed_;
  const bool vertical = (GetWindowLongPtrW(hwnd(), GWL_STYLE) & PBS_VERTICAL) != 0;
  if (framed) FrameRect(canvas.dc(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  Rect outer;
  outer.right = client.right;
  outer.bottom = client.bottom;
  Rect inner = ProgressInnerRect(outer, framed);
  Rect filled = ProgressFillRect(inner, model_.percent(), vertical);
  if (filled.right > filled.left && filled.bottom > filled.top) {
    RECT part = {filled.left, filled.top, filled.right, filled.bottom};
    TileBitmap(canvas.dc(), part, fill_.handle(), fill_.width(), fill_.height());
  }
  RECT inner_rect = {inner.left, inner.top, inner.right, inner.bottom};
  OnDrawText(canvas.dc(), inner_rect);
  BitBlt(dc, 0, 0, client.right, client.bottom, canvas.dc(), 0, 0, SRCCOPY);
}

}  // namespace qid::installer::skin
