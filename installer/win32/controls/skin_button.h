// CSkinButton: an owner-drawn push button with two pictures (normal, and hovered or pressed)
// drawn with a transparent colour, its caption drawn over them, and optionally the parent's
// background behind (transparent drawing). Flat buttons track the mouse to show the hover
// picture. A disabled button shows a greyed picture and embossed text.
//
// Built as the installer sets it up: flat, no border, pictures, transparent. Not built: icons,
// check-box behaviour, drop-down menus, link targets, sounds, tooltips, own cursors.
#pragma once

#include <windows.h>

#include "installer/controls/skin_rules.h"
#include "installer/win32/controls/gdi_picture.h"
#include "installer/win32/framework/control.h"

namespace qid::installer::skin {

class CSkinButton : public fw::Control {
 public:
  enum Alignment { kPictureLeft = 0, kPictureAbove = 1, kPictureRight = 2, kTextOverPicture = 3 };
  static constexpr int kColourCount = 6;

  CSkinButton();

  // 0 to 3; false (unchanged) otherwise.
  bool SetAlignment(int alignment);
  // Index 0 to 5: 0/1 background/text while hovering or pressed, 2/3 normally, 4/5 focused.
  // False (unchanged) for another index.
  bool SetColour(int index, COLORREF colour, bool repaint = true);
  void SetDrawBorder(bool draw) { draw_border_ = draw; }
  void SetFlat(bool flat) { flat_ = flat; }
  // Pictures from bitmap resources with their transparent colours; false when one is missing.
  bool SetBitmaps(int hover_id, COLORREF hover_transparent, int normal_id,
                  COLORREF normal_transparent);
  // Resizes the button to its picture (margins 0), keeping its position and z-order.
  void SizeToContent();
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  // Keeps the piece of the parent's composed background that lies under the button.
  void CaptureBackground(HDC composed_parent);

 protected:
  void OnAttached() override;
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  void DrawBackground(HDC dc, const RECT& rect, const ButtonState& state);
  void DrawPicture(HDC dc, const RECT& rect, const ButtonState& state);
  void DrawCaption(HDC dc, const RECT& rect, const ButtonState& state);
  bool CaptureFromParentNow();

  bool flat_ = true;
  bool draw_border_ = true;
  bool transparent_ = false;
  bool hovering_ = false;
  bool was_default_ = false;
  int alignment_ = kPictureLeft;
  int margin_x_ = 3;
  int margin_y_ = 3;
  COLORREF colours_[kColourCount];
  MaskedPicture hover_picture_;
  MaskedPicture normal_picture_;
  MaskedPicture greyed_picture_;
  Bitmap background_;
};

}  // namespace qid::installer::skin
