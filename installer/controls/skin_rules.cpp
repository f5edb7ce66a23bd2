#include "installer/controls/skin_rules.h"

#include <algorithm>
#include <string>

namespace qid::installer::skin {

// ---- progress bar ----

void ProgressModel::SetRange(int32_t lower, int32_t upper) {
  lower_ = lower;
  upper_ = upper;
}

void ProgressModel::SetPosition(int32_t position) {
  position_ = std::max(lower_, std::min(upper_, position));
}

void ProgressModel::Step() {
  int64_t next = static_cast<int64_t>(position_) + step_;
  if (next > upper_) next -= static_cast<int64_t>(upper_) - lower_;
  next = std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, next));
  position_ = static_cast<int32_t>(next);
}

int32_t ProgressModel::span() const {
  int64_t span = static_cast<int64_t>(upper_) - lower_;
  return span == 0 ? 1 : static_cast<int32_t>(std::min<int64_t>(span, INT32_MAX));
}

int32_t ProgressModel::percent() const {
  // 64 bits: a file's byte count times 100 overflows 32.
  int64_t percent = static_cast<int64_t>(position_) * 100 / span();
  return static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(100, percent)));
}

Rect ProgressInnerRect(const Rect& client, bool has_border) {
  int32_t inset = has_border ? 2 : 1;
  return Rect{client.left + inset, client.top + inset, client.right - inset,
              client.bottom - inset};
}

Rect ProgressFillRect(const Rect& inner, int32_t percent, bool vertical) {
  int32_t extent = vertical ? inner.height() : inner.width();
  int32_t length = static_cast<int32_t>(extent / 100.0 * percent);
  if (length > extent) length = extent - 1;
  if (length < 0) length = 0;
  if (vertical) return Rect{inner.left, inner.bottom - length, inner.right, inner.bottom};
  return Rect{inner.left, inner.top, inner.left + length, inner.bottom};
}

// ---- bitmap button ----

ButtonPicture PictureFor(const ButtonState& s) {
  return s.hover || s.pressed ? ButtonPicture::kHot : ButtonPicture::kNormal;
}

int TextColourIndex(const ButtonState& s) { return s.hover || s.pressed ? 1 : 3; }

int BackgroundColourIndex(const ButtonState& s) {
  if (s.hover || s.pressed) return 0;
  return s.focused ? 4 : 2;
}

int32_t PressedOffset(const ButtonState& s) { return s.pressed ? kPressedOffset : 0; }

bool IsValidAlignment(int alignment) {
  return alignment >= 0 && alignment < kButtonAlignmentCount;
}

bool IsValidColourIndex(int index) { return index >= 0 && index < kButtonColourCount; }

Colour DefaultButtonColour(int index, Colour button_face, Colour button_text) {
  return index % 2 == 0 ? button_face : button_text;
}

// ---- owner-drawn list ----

int32_t ListRowHeight(int32_t text_height, int32_t image_height) {
  return std::max(text_height, image_height + 4);
}

Rect ListImageArea(const Rect& row, int32_t image_width) {
  return Rect{row.left, row.top, row.left + image_width + 6, row.bottom};
}

void ListImageOrigin(const Rect& image_area, int32_t* x, int32_t* y) {
  *x = image_area.left + 3;
  *y = image_area.top + 2;
}

Rect ListTextRect(const Rect& row, int32_t image_width) {
  return Rect{row.left + image_width + 6, row.top, row.right, row.bottom};
}

Colour InvertedColour(Colour colour) { return ~colour & 0x00FFFFFF; }

RowColours ListRowColours(bool selected, bool disabled, const SystemColours& c) {
  if (disabled) return RowColours{c.window, c.grey_text};
  if (selected) return RowColours{c.highlight, InvertedColour(c.window_text)};
  return RowColours{c.window, c.window_text};
}

// ---- link label ----

Colour LinkTextColour(bool hovering, bool visited) {
  if (hovering) return kHoverColour;
  return visited ? kVisitedColour : kLinkColour;
}

bool LinkUnderlined(int underline_mode, bool hovering) {
  return underline_mode == 1 || (underline_mode == -1 && hovering);
}

bool ShellOpenSucceeded(intptr_t result) { return result > 32; }

std::u16string LinkErrorMessage(intptr_t result) {
  const char16_t* reason = nullptr;
  switch (result) {
    case 0: reason = u"The operating system is out\nof memory or resources."; break;
    case 2: reason = u"The specified file was not found."; break;
    case 3: reason = u"The specified path was not found."; break;
    case 5: reason = u"The operating system denied\naccess to the specified file."; break;
    case 8: reason = u"There was not enough memory to complete the operation."; break;
    case 11: reason = u"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."; break;
    case 26: reason = u"A sharing violation occurred. "; break;
    case 27: reason = u"The filename association is\nincomplete or invalid."; break;
    case 28:
      reason = u"The DDE transaction could not\nbe completed because the request timed out.";
      break;
    case 29: reason = u"The DDE transaction failed."; break;
    case 30:
      reason = u"The DDE transaction could not\nbe completed because other DDE transactions\n"
               u"were being processed.";
      break;
    case 31:
      reason = u"There is no application associated\nwith the given filename extension.";
      break;
    case 32: reason = u"The specified dynamic-link library was not found."; break;
  }
  std::u16string text = u"Unable to open hyperlink:\n\n";
  if (reason != nullptr) return text + reason;
  std::string number = std::to_string(static_cast<long long>(result));
  return text + u"Unknown Error (" + std::u16string(number.begin(), number.end()) + u") occurred.";
}

std::u16string HtmFallbackCommand(const std::u16string& open_command,
                                  const std::u16string& target) {
  std::u16string command = open_command;
  size_t cut = command.find(u"\"%1\"");
  if (cut == std::u16string::npos) cut = command.find(u"%1");
  if (cut != std::u16string::npos) command.resize(cut);
  return command + u" " + target;
}

// ---- dialog background ----

std::vector<Rect> BackgroundTiles(const Rect& c, int32_t w, int32_t h) {
  std::vector<Rect> out;
  if (w <= 0 || h <= 0) return out;
  for (int32_t y = c.top; y < c.bottom; y += h)
    for (int32_t x = c.left; x < c.right; x += w) out.push_back(Rect{x, y, x + w, y + h});
  return out;
}

}  // namespace qid::installer::skin
