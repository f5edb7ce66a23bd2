#include "installer/win32/controls/skin_list_box.h"

#include "installer/controls/skin_rules.h"

namespace qid::installer::skin {
namespace {

constexpr UINT kTextFormat = DT_WORDBREAK | DT_EXPANDTABS;

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect FromRect(const RECT& r) {
  Rect out;
  out.left = r.left;
  out.top = r.top;
  out.right = r.right;
  out.bottom = r.bottom;
  return out;
}

std::wstring RowText(HWND list, int index) {
  LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
  if (length == LB_ERR) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

CSkinListBox::~CSkinListBox() { Detach(); }

void CSkinListBox::SetImageList(HIMAGELIST images) {
  images_ = images;
  image_width_ = image_height_ = 0;
  if (images_ != nullptr) ImageList_GetIconSize(images_, &image_width_, &image_height_);
}

int CSkinListBox::AddString(const std::wstring& text, int image) {
  auto row = std::make_unique<Row>();
  row->image = image;
  // Measuring happens inside LB_ADDSTRING, before the row data could be attached.
  LRESULT index = SendMessageW(hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index == LB_ERR || index == LB_ERRSPACE) return LB_ERR;
  SendMessageW(hwnd(), LB_SETITEMDATA, index, reinterpret_cast<LPARAM>(row.get()));
  rows_.push_back(std::move(row));
  return static_cast<int>(index);
}

void CSkinListBox::EnableRow(int index, bool enabled) {
  auto* row = const_cast<Row*>(RowAt(index));
  if (row == nullptr) return;
  row->enabled = enabled;
  Invalidate();
}

const CSkinListBox::Row* CSkinListBox::RowAt(int index) const {
  LRESULT data = SendMessageW(hwnd(), LB_GETITEMDATA, index, 0);
  if (data == LB_ERR || data == 0) return nullptr;
  return reinterpret_cast<const Row*>(data);
}

LRESULT CSkinListBox::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_LBUTTONDBLCLK) {
    LRESULT hit = SendMessageW(hwnd(), LB_ITEMFROMPOINT, 0, lparam);
    const Row* row = HIWORD(hit) == 0 ? RowAt(LOWORD(hit)) : nullptr;
    if (row != nullptr && !row->enabled) return 0;  // a disabled row is not chosen
  }
  if (message == WM_DESTROY) {
    LRESULT result = Default(message, wparam, lparam);
    rows_.clear();
    return result;
  }
  return Default(message, wparam, lparam);
}

bool CSkinListBox::OnMeasureItem(MEASUREITEMSTRUCT& item) {
  RECT client;
  GetClientRect(hwnd(), &client);
  Rect row_rect;
  row_rect.right = client.right;
  RECT text_rect = ToRect(ListTextRect(row_rect, image_width_));
  int text_height = 0;
  std::wstring text = RowText(hwnd(), static_cast<int>(item.itemID));
  if (text.empty() && item.itemData != 0) text = reinterpret_cast<const wchar_t*>(item.itemData);
  HDC dc = GetDC(hwnd());
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)));
  text_height = DrawTextW(dc, text.c_str(), -1, &text_rect, kTextFormat | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(hwnd(), dc);
  item.itemHeight = static_cast<UINT>(ListRowHeight(text_height, image_height_));
  return true;
}

bool CSkinListBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) {
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
    return true;
  }
  const Row* row = RowAt(static_cast<int>(item.itemID));
  const bool enabled = row == nullptr || row->enabled;
  const bool selected = (item.itemState & ODS_SELECTED) != 0 && enabled;
  SystemColours system;
  system.window = GetSysColor(COLOR_WINDOW);
  system.window_text = GetSysColor(COLOR_WINDOWTEXT);
  system.highlight = GetSysColor(COLOR_HIGHLIGHT);
  system.grey_text = GetSysColor(COLOR_GRAYTEXT);
  RowColours colours = ListRowColours(selected, !enabled, system);

  HDC dc = item.hDC;
  HBRUSH background = CreateSolidBrush(colours.background);
  FillRect(dc, &item.rcItem, background);
  DeleteObject(background);

  const Rect row_rect = FromRect(item.rcItem);
  if (images_ != nullptr && row != nullptr && row->image >= 0) {
    int x = 0, y = 0;
    ListImageOrigin(ListImageArea(row_rect, image_width_), &x, &y);
    ImageList_DrawEx(images_, row->image, dc, x, y, 0, 0, CLR_NONE, CLR_NONE,
                     enabled ? ILD_TRANSPARENT : ILD_BLEND50);
  }
  std::wstring text = RowText(hwnd(), static_cast<int>(item.itemID));
  RECT text_rect = ToRect(ListTextRect(row_rect, image_width_));
  RECT measured = text_rect;
  int text_height = DrawTextW(dc, text.c_str(), -1, &measured,
                              kTextFormat | DT_CALCRECT | (row ? row->extra_format : 0));
  text_rect.top += ((text_rect.bottom - text_rect.top) - text_height) / 2;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colours.text);
  DrawTextW(dc, text.c_str(), -1, &text_rect, kTextFormat | (row ? row->extra_format : 0));
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &item.rcItem);
  return true;
}

}  // namespace qid::installer::skin
