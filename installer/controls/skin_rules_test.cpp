#include "installer/controls/skin_rules.h"

#include <gtest/gtest.h>

namespace qid::installer::skin {
namespace {

TEST(ProgressModel, OverallBarFillsInFifthsAndASixthStepWrapsToOne) {
  ProgressModel bar;
  bar.SetRange(0, 5);
  bar.SetStep(1);
  const int32_t expected_percent[] = {20, 40, 60, 80, 100};
  for (int32_t p : expected_percent) {
    bar.Step();
    EXPECT_EQ(bar.percent(), p);
  }
  bar.Step();
  EXPECT_EQ(bar.position(), 1);
}

TEST(ProgressModel, PositionClampsAndLargeFilesDoNotOverflow) {
  ProgressModel bar;
  bar.SetRange(0, 2000000000);  // a file's byte count: position x 100 needs 64 bits
  bar.SetPosition(1500000000);
  EXPECT_EQ(bar.percent(), 75);
  bar.SetPosition(-5);
  EXPECT_EQ(bar.position(), 0);
  bar.SetPosition(2100000000);
  EXPECT_EQ(bar.position(), 2000000000);
  bar.SetRange(0, 0);  // an empty file: span 1, never a division by zero
  bar.SetPosition(0);
  EXPECT_EQ(bar.span(), 1);
  EXPECT_EQ(bar.percent(), 0);
}

TEST(ProgressPainting, InnerRectAndFillWidth) {
  Rect client{0, 0, 300, 70};
  EXPECT_EQ(ProgressInnerRect(client, true), (Rect{2, 2, 298, 68}));
  EXPECT_EQ(ProgressInnerRect(client, false), (Rect{1, 1, 299, 69}));
  Rect inner{2, 2, 298, 68};  // 296 wide, 66 high
  struct Case { int32_t percent; bool vertical; Rect fill; };
  const Case cases[] = {
      {0, false, {2, 2, 2, 68}},
      {20, false, {2, 2, 61, 68}},     // 296 / 100 x 20 = 59.2
      {33, false, {2, 2, 99, 68}},     // 97.68 truncated
      {100, false, {2, 2, 298, 68}},
      {50, true, {2, 35, 298, 68}},    // from the bottom up: 33 of 66
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgressFillRect(inner, c.percent, c.vertical), c.fill) << c.percent;
  // A percent past 100 would pass the far edge: the fill stops one pixel short of it.
  EXPECT_EQ(ProgressFillRect(inner, 101, false), (Rect{2, 2, 297, 68}));
}

TEST(ButtonRules, PictureColourAndOffsetByState) {
  struct Case { ButtonState s; ButtonPicture picture; int text, background, offset; };
  const Case cases[] = {
      {{}, ButtonPicture::kNormal, 3, 2, 0},
      {{true, false, false, false}, ButtonPicture::kHot, 1, 0, 0},
      {{false, true, false, false}, ButtonPicture::kHot, 1, 0, 1},
      {{false, false, true, false}, ButtonPicture::kNormal, 3, 4, 0},
      {{false, false, false, true}, ButtonPicture::kNormal, 3, 2, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PictureFor(c.s), c.picture);
    EXPECT_EQ(TextColourIndex(c.s), c.text);
    EXPECT_EQ(BackgroundColourIndex(c.s), c.background);
    EXPECT_EQ(PressedOffset(c.s), c.offset);
  }
  EXPECT_TRUE(IsValidAlignment(3));
  EXPECT_FALSE(IsValidAlignment(4));
  EXPECT_FALSE(IsValidAlignment(-1));
  EXPECT_TRUE(IsValidColourIndex(5));
  EXPECT_FALSE(IsValidColourIndex(6));
  EXPECT_EQ(DefaultButtonColour(4, 0xC0C0C0, 0), 0xC0C0C0u);
  EXPECT_EQ(DefaultButtonColour(3, 0xC0C0C0, 0), 0u);
}

TEST(ListRules, RowLayoutAndColours) {
  EXPECT_EQ(ListRowHeight(13, 16), 20);
  EXPECT_EQ(ListRowHeight(26, 16), 26);
  Rect row{0, 40, 300, 60};
  Rect area = ListImageArea(row, 16);
  EXPECT_EQ(area, (Rect{0, 40, 22, 60}));
  int32_t x = 0, y = 0;
  ListImageOrigin(area, &x, &y);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 42);
  EXPECT_EQ(ListTextRect(row, 16), (Rect{22, 40, 300, 60}));

  SystemColours sys{Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(10, 36, 106), Rgb(128, 128, 128)};
  RowColours normal = ListRowColours(false, false, sys);
  RowColours selected = ListRowColours(true, false, sys);
  RowColours disabled = ListRowColours(true, true, sys);
  EXPECT_EQ(normal.background, sys.window);
  EXPECT_EQ(normal.text, sys.window_text);
  EXPECT_EQ(selected.background, sys.highlight);
  EXPECT_EQ(selected.text, Rgb(255, 255, 255));
  EXPECT_EQ(InvertedColour(Rgb(0x12, 0x34, 0x56)), Rgb(0xED, 0xCB, 0xA9));
  EXPECT_EQ(disabled.text, sys.grey_text);
  EXPECT_EQ(disabled.background, sys.window);
}

TEST(LinkRules, ColoursAndUnderline) {
  EXPECT_EQ(LinkTextColour(false, false), Rgb(0, 0, 238));
  EXPECT_EQ(LinkTextColour(false, true), Rgb(85, 26, 139));
  EXPECT_EQ(LinkTextColour(true, true), Rgb(255, 0, 0));
  EXPECT_TRUE(LinkUnderlined(1, false));
  EXPECT_FALSE(LinkUnderlined(0, true));
  EXPECT_FALSE(LinkUnderlined(-1, false));
  EXPECT_TRUE(LinkUnderlined(-1, true));
}

TEST(LinkRules, ErrorTextByShellResult) {
  EXPECT_FALSE(ShellOpenSucceeded(32));
  EXPECT_TRUE(ShellOpenSucceeded(33));
  struct Case { intptr_t result; const char16_t* text; };
  const Case cases[] = {
      {0, u"Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources."},
      {26, u"Unable to open hyperlink:\n\nA sharing violation occurred. "},
      {31, u"Unable to open hyperlink:\n\nThere is no application associated\nwith the given "
           u"filename extension."},
      {32, u"Unable to open hyperlink:\n\nThe specified dynamic-link library was not found."},
      {4, u"Unable to open hyperlink:\n\nUnknown Error (4) occurred."},
  };
  for (const Case& c : cases) EXPECT_EQ(LinkErrorMessage(c.result), c.text) << c.result;
}

TEST(LinkRules, HtmFallbackCutsThePlaceholder) {
  const std::u16string target = u"http://example.invalid/";
  EXPECT_EQ(HtmFallbackCommand(u"\"C:\\b.exe\" -nohome \"%1\" -x", target),
            u"\"C:\\b.exe\" -nohome  http://example.invalid/");
  EXPECT_EQ(HtmFallbackCommand(u"C:\\b.exe %1", target), u"C:\\b.exe  http://example.invalid/");
  EXPECT_EQ(HtmFallbackCommand(u"C:\\b.exe", target), u"C:\\b.exe http://example.invalid/");
}

TEST(BackgroundRules, TilesCoverTheWholeClientArea) {
  std::vector<Rect> tiles = BackgroundTiles(Rect{0, 0, 400, 218}, 64, 64);
  ASSERT_EQ(tiles.size(), 7u * 4u);  // 400/64 -> 7 columns, 218/64 -> 4 rows
  EXPECT_EQ(tiles.front(), (Rect{0, 0, 64, 64}));
  EXPECT_EQ(tiles.back(), (Rect{384, 192, 448, 256}));
  EXPECT_TRUE(BackgroundTiles(Rect{0, 0, 400, 218}, 0, 64).empty());
}

}  // namespace
}  // namespace qid::installer::skin
