#include "installer/win32/controls/skin_button.h"

#include <string>

namespace qid::installer::skin {
namespace {
std::wstring Caption(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}
}  // namespace

CSkinButton::CSkinButton() {
  for (int i = 0; i < kColourCount; ++i) {
    colours_[i] = DefaultButtonColour(i, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT));
  }
}

bool CSkinButton::SetAlignment(int alignment) {
  if (!IsValidAlignment(alignment)) return false;
  alignment_ = alignment;
  Invalidate();
  return true;
}

bool CSkinButton::SetColour(int index, COLORREF colour, bool repaint) {
  if (!IsValidColourIndex(index)) return false;
  colours_[index] = colour;
  if (repaint) Invalidate();
  return true;
}

bool CSkinButton::SetBitmaps(int hover_id, COLORREF hover_transparent, int normal_id,
                             COLORREF normal_transparent) {
  HINSTANCE instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(GetParent(hwnd()), GWLP_HINSTANCE));
  bool ok = hover_picture_.Load(instance, hover_id, hover_transparent) &&
            normal_picture_.Load(instance, normal_id, normal_transparent);
  if (ok) greyed_picture_.MakeGreyedFrom(normal_picture_);
  Invalidate();
  return ok;
}

void CSkinButton::SizeToContent() {
  margin_x_ = margin_y_ = 0;
  int w = normal_picture_.width() > hover_picture_.width() ? normal_picture_.width()
                                                           : hover_picture_.width();
  int h = normal_picture_.height() > hover_picture_.height() ? normal_picture_.height()
                                                             : hover_picture_.height();
  if (w > 0 && h > 0) {
    SetWindowPos(hwnd(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  background_.Reset();  // the piece under the button changed size
}

void CSkinButton::CaptureBackground(HDC composed_parent) {
  RECT rect;
  GetWindowRect(hwnd(), &rect);
  MapWindowPoints(nullptr, GetParent(hwnd()), reinterpret_cast<POINT*>(&rect), 2);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  HDC target = CreateCompatibleDC(composed_parent);
  HBITMAP piece = CreateCompatibleBitmap(composed_parent, w, h);
  HGDIOBJ old = SelectObject(target, piece);
  BitBlt(target, 0, 0, w, h, composed_parent, rect.left, rect.top, SRCCOPY);
  SelectObject(target, old);
  DeleteDC(target);
  background_.Adopt(piece);
  Invalidate(false);
}

bool CSkinButton::CaptureFromParentNow() {
  // Before the dialog's first erase has handed over its background: ask the parent to paint
  // its background into a private canvas.
  HWND parent = GetParent(hwnd());
  RECT client;
  GetClientRect(parent, &client);
  HDC screen = GetDC(parent);
  MemoryCanvas canvas(screen, client.right, client.bottom);
  ReleaseDC(parent, screen);
  if (!canvas.ok()) return false;
  SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
  CaptureBackground(canvas.dc());
  return !background_.empty();
}

void CSkinButton::OnAttached() {
  LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  was_default_ = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  SetWindowLongPtrW(hwnd(), GWL_STYLE,
                    (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  Invalidate();
}

LRESULT CSkinButton::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case BM_SETSTYLE:
      // The dialog manager moves the default-button style around; an owner-drawn button must
      // stay owner-drawn, so only the default flag is remembered.
      was_default_ = (wparam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      return Default(message, (wparam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW, lparam);
    case WM_GETDLGCODE: {
      LRESULT code = Default(message, wparam, lparam);
      return code | (was_default_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    }
    case WM_MOUSEMOVE:
      if (flat_ && !hovering_ && (wparam & MK_LBUTTON) == 0) {
        hovering_ = true;
        Invalidate(false);
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, hwnd(), 0};
        TrackMouseEvent(&track);
      }
      break;
    case WM_MOUSELEAVE:
      hovering_ = false;
      Invalidate(false);
      break;
    case WM_ERASEBKGND:
      return TRUE;  // the owner-draw paints every pixel
    default:
      break;
  }
  return Default(message, wparam, lparam);
}

bool CSkinButton::OnDrawItem(const DRAWITEMSTRUCT& item) {
  RECT rect = item.rcItem;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  MemoryCanvas canvas(item.hDC, w, h);
  if (!canvas.ok()) return false;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool focused = (item.itemState & ODS_FOCUS) != 0;
  // A disabled button neither lights up nor moves.
  const ButtonState state{hovering_ && !disabled, pressed && !disabled, focused, disabled};
  RECT local = {0, 0, w, h};
  DrawBackground(canvas.dc(), local, state);
  if (draw_border_ && !flat_) {
    DrawEdge(canvas.dc(), &local, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  }
  DrawPicture(canvas.dc(), local, state);
  DrawCaption(canvas.dc(), local, state);
  if (focused && !flat_) {
    RECT focus = {3, 3, w - 3, h - 3};
    DrawFocusRect(canvas.dc(), &focus);
  }
  BitBlt(item.hDC, rect.left, rect.top, w, h, canvas.dc(), 0, 0, SRCCOPY);
  return true;
}

void CSkinButton::DrawBackground(HDC dc, const RECT& rect, const ButtonState& state) {
  if (transparent_ && (!background_.empty() || CaptureFromParentNow())) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, background_.handle());
    BitBlt(dc, 0, 0, rect.right, rect.bottom, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    return;
  }
  HBRUSH brush = CreateSolidBrush(colours_[BackgroundColourIndex(state)]);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void CSkinButton::DrawPicture(HDC dc, const RECT& rect, const ButtonState& state) {
  const bool hot = PictureFor(state) == ButtonPicture::kHot;
  const MaskedPicture& picture = state.disabled
                                     ? (greyed_picture_.empty() ? normal_picture_ : greyed_picture_)
                                 : hot && !hover_picture_.empty() ? hover_picture_
                                                                  : normal_picture_;
  if (picture.empty()) return;
  int x = margin_x_, y = margin_y_;
  if (alignment_ == kPictureRight) x = rect.right - margin_x_ - picture.width();
  if (alignment_ == kPictureLeft || alignment_ == kPictureRight) {
    y = (rect.bottom - picture.height()) / 2;
  } else if (alignment_ == kPictureAbove) {
    x = (rect.right - picture.width()) / 2;
  }
  x += PressedOffset(state);
  y += PressedOffset(state);
  picture.Draw(dc, x, y);
}

void CSkinButton::DrawCaption(HDC dc, const RECT& rect, const ButtonState& state) {
  std::wstring text = Caption(hwnd());
  if (text.empty()) return;
  HGDIOBJ old_font =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)));
  RECT area = rect;
  const int picture_w = normal_picture_.width() + margin_x_;
  const int picture_h = normal_picture_.height() + margin_y_;
  if (alignment_ == kPictureLeft) area.left += picture_w;
  if (alignment_ == kPictureRight) area.right -= picture_w;
  if (alignment_ == kPictureAbove) area.top += picture_h;
  // Measure with word wrap, then centre the measured block in the area.
  RECT measured = area;
  DrawTextW(dc, text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
  const int text_h = measured.bottom - measured.top;
  RECT place = area;
  place.top = area.top + ((area.bottom - area.top) - text_h) / 2;
  place.bottom = place.top + text_h;
  OffsetRect(&place, PressedOffset(state), PressedOffset(state));
  SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_WORDBREAK | DT_CENTER;
  if (state.disabled) {
    RECT emboss = place;
    OffsetRect(&emboss, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawTextW(dc, text.c_str(), -1, &emboss, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
  } else {
    SetTextColor(dc, colours_[TextColourIndex(state)]);
  }
  DrawTextW(dc, text.c_str(), -1, &place, format);
  SelectObject(dc, old_font);
}

}  // namespace qid::installer::skin
