// CSkinDialog: a dialog whose background is a picture. Every background erase composes the
// client area off-screen (background colour, then the picture tiled), copies it to the window
// and hands the composed image to OnPostErase, so transparent children can take the piece
// under themselves. With dragging on, a left-button press on the background moves the window
// as a press on the caption would.
//
// Only tiling (drawing mode 0) and no window shaping are built: the installer uses nothing else.
#pragma once

#include <windows.h>

#include "installer/win32/controls/gdi_picture.h"
#include "installer/win32/framework/dialog.h"

namespace qid::installer::skin {

class CSkinDialog : public fw::Dialog {
 public:
  explicit CSkinDialog(int template_id) : fw::Dialog(template_id) {}

  // The background picture. `region_key` must be kNoRegion: shaping the window to the
  // picture is not built, and asking for it fails.
  static constexpr COLORREF kNoRegion = static_cast<COLORREF>(-1);
  bool SetBitmap(int resource_id, COLORREF region_key = kNoRegion);
  void SetDrag(bool drag) { drag_ = drag; }

 protected:
  // Receives the composed background (a DC holding the whole client area) after each erase.
  virtual void OnPostErase(HDC composed, const RECT& client) {}

  bool OnEraseBackground(HDC dc) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  Bitmap background_;
  bool drag_ = false;
};

}  // namespace qid::installer::skin
