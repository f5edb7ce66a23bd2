#include "installer/win32/controls/gdi_picture.h"

namespace qid::installer::skin {

bool Bitmap::Load(HINSTANCE instance, int resource_id) {
  Adopt(static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(resource_id), IMAGE_BITMAP, 0, 0,
                                        LR_CREATEDIBSECTION)));
  return !empty();
}

void Bitmap::Adopt(HBITMAP bitmap) {
  Reset();
  bitmap_ = bitmap;
  BITMAP info;
  if (bitmap_ != nullptr && GetObjectW(bitmap_, sizeof info, &info) == sizeof info) {
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  }
}

void Bitmap::Reset() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  width_ = height_ = 0;
}

namespace {

// A 32-bit top-down DIB section copy of `source`, or null.
HBITMAP CopyAs32Bit(HDC screen, HBITMAP source, int width, int height, DWORD** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (copy == nullptr) return nullptr;
  if (GetDIBits(screen, source, 0, height, pixels, &info, DIB_RGB_COLORS) == 0) {
    DeleteObject(copy);
    return nullptr;
  }
  *bits = static_cast<DWORD*>(pixels);
  return copy;
}

}  // namespace

bool MaskedPicture::Load(HINSTANCE instance, int resource_id, COLORREF transparent) {
  if (!picture_.Load(instance, resource_id)) return false;
  const int w = picture_.width(), h = picture_.height();
  mask_.Adopt(CreateBitmap(w, h, 1, 1, nullptr));
  HDC screen = GetDC(nullptr);
  HDC picture_dc = CreateCompatibleDC(screen);
  HDC mask_dc = CreateCompatibleDC(screen);
  HGDIOBJ old_picture = SelectObject(picture_dc, picture_.handle());
  HGDIOBJ old_mask = SelectObject(mask_dc, mask_.handle());
  // Colour to monochrome: pixels of the background colour become white, the rest black.
  SetBkColor(picture_dc, transparent);
  BitBlt(mask_dc, 0, 0, w, h, picture_dc, 0, 0, SRCCOPY);
  // Monochrome to colour maps white to the background and black to the text colour: keep the
  // picture where the mask is black, blacken it where the mask is white.
  SetBkColor(picture_dc, RGB(0, 0, 0));
  SetTextColor(picture_dc, RGB(255, 255, 255));
  BitBlt(picture_dc, 0, 0, w, h, mask_dc, 0, 0, SRCAND);
  SelectObject(mask_dc, old_mask);
  SelectObject(picture_dc, old_picture);
  DeleteDC(mask_dc);
  DeleteDC(picture_dc);
  ReleaseDC(nullptr, screen);
  return !mask_.empty();
}

bool MaskedPicture::MakeGreyedFrom(const MaskedPicture& source) {
  if (source.empty()) return false;
  const int w = source.width(), h = source.height();
  HDC screen = GetDC(nullptr);
  DWORD* bits = nullptr;
  HBITMAP grey = CopyAs32Bit(screen, source.picture_.handle(), w, h, &bits);
  DWORD* mask_bits = nullptr;
  HBITMAP mask_copy = CopyAs32Bit(screen, source.mask_.handle(), w, h, &mask_bits);
  if (grey != nullptr && mask_copy != nullptr) {
    // A light grey by the pixel's brightness; masked pixels stay black so the OR keeps working.
    for (int i = 0; i < w * h; ++i) {
      if ((mask_bits[i] & 0xFFFFFF) != 0) continue;
      DWORD p = bits[i];
      int luma = (((p >> 16) & 255) * 30 + ((p >> 8) & 255) * 59 + (p & 255) * 11) / 100;
      int g = 150 + luma * 95 / 255;
      bits[i] = static_cast<DWORD>((g << 16) | (g << 8) | g);
    }
  }
  ReleaseDC(nullptr, screen);
  if (mask_copy != nullptr) DeleteObject(mask_copy);
  if (grey == nullptr || mask_copy == nullptr) {
    if (grey != nullptr) DeleteObject(grey);
    return false;
  }
  picture_.Adopt(grey);
  mask_.Adopt(static_cast<HBITMAP>(CopyImage(source.mask_.handle(), IMAGE_BITMAP, 0, 0, 0)));
  return !mask_.empty();
}

void MaskedPicture::Draw(HDC dc, int x, int y) const {
  if (empty()) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, mask_.handle());
  COLORREF old_text = SetTextColor(dc, RGB(0, 0, 0));
  COLORREF old_back = SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, x, y, width(), height(), source, 0, 0, SRCAND);
  SelectObject(source, picture_.handle());
  BitBlt(dc, x, y, width(), height(), source, 0, 0, SRCPAINT);
  SetBkColor(dc, old_back);
  SetTextColor(dc, old_text);
  SelectObject(source, old);
  DeleteDC(source);
}

MemoryCanvas::MemoryCanvas(HDC reference, int width, int height) {
  dc_ = CreateCompatibleDC(reference);
  bitmap_ = CreateCompatibleBitmap(reference, width > 0 ? width : 1, height > 0 ? height : 1);
  if (dc_ != nullptr && bitmap_ != nullptr) previous_ = SelectObject(dc_, bitmap_);
}

MemoryCanvas::~MemoryCanvas() {
  if (dc_ != nullptr && previous_ != nullptr) SelectObject(dc_, previous_);
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  if (dc_ != nullptr) DeleteDC(dc_);
}

void TileBitmap(HDC dc, const RECT& rect, HBITMAP tile, int tile_width, int tile_height) {
  if (tile == nullptr || tile_width <= 0 || tile_height <= 0) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, tile);
  for (int y = rect.top; y < rect.bottom; y += tile_height) {
    for (int x = rect.left; x < rect.right; x += tile_width) {
      int w = rect.right - x < tile_width ? rect.right - x : tile_width;
      int h = rect.bottom - y < tile_height ? rect.bottom - y : tile_height;
      BitBlt(dc, x, y, w, h, source, 0, 0, SRCCOPY);
    }
  }
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace qid::installer::skin
