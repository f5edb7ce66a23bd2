// The drawing rules of the installer's skinned controls, as pure functions: what to fill,
// where, with which picture and colour. The Win32 controls call these and do only the GDI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qid::installer::skin {

// A colour as the system keeps it: 0x00BBGGRR.
using Colour = uint32_t;
constexpr Colour Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}

// A rectangle with exclusive right and bottom edges, as the system's RECT.
struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

// ---- progress bar ----

// The bar's numbers. Set range keeps the bounds, set position clamps to them, step adds the
// step and, past the upper bound, wraps back by (upper - lower).
class ProgressModel {
 public:
  void SetRange(int32_t lower, int32_t upper);
  void SetStep(int32_t step) { step_ = step; }
  void SetPosition(int32_t position);
  void Step();
  int32_t lower() const { return lower_; }
  int32_t upper() const { return upper_; }
  int32_t position() const { return position_; }
  // upper - lower, or 1 when the bounds are equal.
  int32_t span() const;
  // The integer part of position x 100 / span (the installer's bars all start at 0), 0..100.
  int32_t percent() const;

 private:
  int32_t lower_ = 0, upper_ = 100, step_ = 10, position_ = 0;
};

// The area inside the bar's frame: one pixel less for the black border when the bar has one,
// and one more all round.
Rect ProgressInnerRect(const Rect& client, bool has_border);

// The filled part for `percent`: from the left edge (a vertical bar: from the bottom) with
// length truncated(inner length / 100 x percent), stopping one pixel short of the far edge
// should it pass it. An empty rectangle at 0 percent.
Rect ProgressFillRect(const Rect& inner, int32_t percent, bool vertical);

// ---- bitmap button ----

struct ButtonState {
  bool hover = false;
  bool pressed = false;
  bool focused = false;
  bool disabled = false;
};

enum class ButtonPicture { kNormal, kHot };  // IDB_BUTTON_NORMAL, IDB_BUTTON_HOT

constexpr int kButtonColourCount = 6;
constexpr int kButtonAlignmentCount = 4;  // 0 picture left, 1 above, 2 right, 3 text over it
constexpr int32_t kPressedOffset = 1;     // picture and text move by (1, 1) while pressed

ButtonPicture PictureFor(const ButtonState& state);
// Index into the six colours: 1 while hovering or pressed, 3 otherwise.
int TextColourIndex(const ButtonState& state);
// For a button that is not transparent: 0 while hovering or pressed, 4 focused, 2 otherwise.
int BackgroundColourIndex(const ButtonState& state);
int32_t PressedOffset(const ButtonState& state);
bool IsValidAlignment(int alignment);
bool IsValidColourIndex(int index);
// The six colours' defaults: the button-face colour at even indexes, button-text at odd.
Colour DefaultButtonColour(int index, Colour button_face, Colour button_text);

// ---- owner-drawn list ----

// max(text height, image height + 4).
int32_t ListRowHeight(int32_t text_height, int32_t image_height);
// The image area at the row's left, image width + 6 wide.
Rect ListImageArea(const Rect& row, int32_t image_width);
// Where the image's top-left corner goes: (3, 2) inside the image area.
void ListImageOrigin(const Rect& image_area, int32_t* x, int32_t* y);
// Right of the image area, the full row height (the text is centred vertically in it).
Rect ListTextRect(const Rect& row, int32_t image_width);

struct SystemColours {
  Colour window = 0, window_text = 0, highlight = 0, grey_text = 0;
};
struct RowColours {
  Colour background = 0, text = 0;
};
// Normal: window / window text. Selected: highlight / the window text with every colour bit
// inverted. Disabled: window / grey text. Highlight mode 0 applies them to the whole row.
RowColours ListRowColours(bool selected, bool disabled, const SystemColours& system);
Colour InvertedColour(Colour colour);

// ---- link label ----

constexpr Colour kLinkColour = Rgb(0, 0, 238);
constexpr Colour kVisitedColour = Rgb(85, 26, 139);
constexpr Colour kHoverColour = Rgb(255, 0, 0);
constexpr uint32_t kLinkHoverTimerId = 100;
constexpr uint32_t kLinkHoverTimerMs = 100;

Colour LinkTextColour(bool hovering, bool visited);
// Underline mode: 0 never, 1 always, -1 while hovering.
bool LinkUnderlined(int underline_mode, bool hovering);
// The shell's result above 32 means it opened the target.
bool ShellOpenSucceeded(intptr_t result);
// The whole message for a failed open: "Unable to open hyperlink:\n\n" and the reason.
std::u16string LinkErrorMessage(intptr_t result);
// The ".htm" class's open command with the placeholder cut away ("\"%1\"" with its quotes,
// else a bare "%1", else nothing), then a blank and the target.
std::u16string HtmFallbackCommand(const std::u16string& open_command,
                                  const std::u16string& target);

// ---- dialog background ----

// Where copies of the background picture go to tile the client area from its top-left
// corner (the installer's drawing mode 0); none for an empty picture.
std::vector<Rect> BackgroundTiles(const Rect& client, int32_t picture_width,
                                  int32_t picture_height);

}  // namespace qid::installer::skin
