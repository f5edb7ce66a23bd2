#include "installer/win32/controls/skin_dialog.h"

namespace qid::installer::skin {

bool CSkinDialog::SetBitmap(int resource_id, COLORREF region_key) {
  if (region_key != kNoRegion) return false;
  bool loaded = background_.Load(instance(), resource_id);
  if (hwnd()) InvalidateRect(hwnd(), nullptr, TRUE);
  return loaded;
}

bool CSkinDialog::OnEraseBackground(HDC dc) {
  if (background_.empty()) return false;
  RECT client;
  GetClientRect(hwnd(), &client);
  MemoryCanvas canvas(dc, client.right, client.bottom);
  if (!canvas.ok()) return false;
  FillRect(canvas.dc(), &client, GetSysColorBrush(COLOR_3DFACE));
  TileBitmap(canvas.dc(), client, background_.handle(), background_.width(), background_.height());
  BitBlt(dc, 0, 0, client.right, client.bottom, canvas.dc(), 0, 0, SRCCOPY);
  OnPostErase(canvas.dc(), client);
  return true;
}

bool CSkinDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (!drag_) return false;
      // Let the window manager move the window as if the caption had been pressed.
      ReleaseCapture();
      SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, static_cast<LPARAM>(GetMessagePos()));
      *result = 0;
      return true;
    case WM_SIZE:
      InvalidateRect(hwnd(), nullptr, TRUE);
      return false;
    default:
      return false;
  }
}

}  // namespace qid::installer::skin
