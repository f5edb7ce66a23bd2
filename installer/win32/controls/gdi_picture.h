// Small GDI helpers shared by the skinned controls: a bitmap with its size, a masked copy for
// drawing with a transparent colour, and a memory DC that cleans up after itself.
#pragma once

#include <windows.h>

namespace qid::installer::skin {

// Owns one HBITMAP.
class Bitmap {
 public:
  Bitmap() = default;
  ~Bitmap() { Reset(); }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // Loads a bitmap resource; false (and empty) when it is missing.
  bool Load(HINSTANCE instance, int resource_id);
  // Takes ownership of `bitmap` (may be null).
  void Adopt(HBITMAP bitmap);
  void Reset();

  HBITMAP handle() const { return bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return bitmap_ == nullptr; }

 private:
  HBITMAP bitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// A picture prepared for transparent drawing: the picture with its transparent pixels turned
// black and a monochrome mask in which they are white. Drawing ANDs the mask and ORs the
// picture, so the transparent colour never reaches the screen.
class MaskedPicture {
 public:
  // Loads resource `resource_id` and masks out `transparent`. False when the resource is missing.
  bool Load(HINSTANCE instance, int resource_id, COLORREF transparent);
  // The same picture, greyed (for a disabled control), with the same mask.
  bool MakeGreyedFrom(const MaskedPicture& source);
  void Draw(HDC dc, int x, int y) const;

  int width() const { return picture_.width(); }
  int height() const { return picture_.height(); }
  bool empty() const { return picture_.empty(); }

 private:
  Bitmap picture_;
  Bitmap mask_;
};

// A memory DC compatible with `reference`, holding a bitmap of the given size; selections are
// undone and the objects deleted on destruction.
class MemoryCanvas {
 public:
  MemoryCanvas(HDC reference, int width, int height);
  ~MemoryCanvas();
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;

  HDC dc() const { return dc_; }
  bool ok() const { return dc_ != nullptr && bitmap_ != nullptr; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Fills `rect` of `dc` with copies of `tile`, starting at the rectangle's top-left corner.
void TileBitmap(HDC dc, const RECT& rect, HBITMAP tile, int tile_width, int tile_height);

}  // namespace qid::installer::skin
