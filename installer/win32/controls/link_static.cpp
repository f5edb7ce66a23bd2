#include "installer/win32/controls/link_static.h"

#include <commctrl.h>
#include <shellapi.h>

#include "installer/controls/skin_rules.h"

namespace qid::installer::skin {
namespace {

constexpr int kHandCursorId = 106;  // in the system's help viewer

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string Utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

std::wstring WindowTextOf(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(window, &text[0], length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

// The default value of HKEY_CLASSES_ROOT\<key>, or empty.
std::wstring ClassesRootDefault(const std::wstring& key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) {
    return std::wstring();
  }
  wchar_t value[1024] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  LONG status =
      RegQueryValueExW(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(handle);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::wstring();
  return value;
}

// The hand cursor of the system's help viewer; the system's own hand where that is missing.
HCURSOR LoadHandCursor() {
  wchar_t windows[MAX_PATH] = {};
  UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  HCURSOR hand = nullptr;
  if (length > 0 && length < MAX_PATH - 14) {
    std::wstring viewer = std::wstring(windows) + L"\\winhlp32.exe";
    HMODULE module = LoadLibraryExW(viewer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module != nullptr) {
      HCURSOR found = LoadCursorW(module, MAKEINTRESOURCEW(kHandCursorId));
      if (found != nullptr) hand = CopyCursor(found);
      FreeLibrary(module);
    }
  }
  if (hand == nullptr) hand = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));  // IDC_HAND
  return hand;
}

}  // namespace

CLinkStatic::~CLinkStatic() {
  Detach();
  if (normal_font_ != nullptr) DeleteObject(normal_font_);
  if (underlined_font_ != nullptr) DeleteObject(underlined_font_);
}

void CLinkStatic::OnAttached() {
  SetWindowLongPtrW(hwnd(), GWL_STYLE, GetWindowLongPtrW(hwnd(), GWL_STYLE) | SS_NOTIFY);
  std::wstring caption = WindowTextOf(hwnd());
  if (target_.empty()) target_ = caption;
  if (caption.empty()) SetWindowTextW(hwnd(), target_.c_str());
  MakeFonts();
  UseFont(LinkUnderlined(underline_, false));
  FitToText();
  hand_ = LoadHandCursor();
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             GetParent(hwnd()), nullptr, nullptr, nullptr);
  if (tooltip_ != nullptr) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(hwnd());
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
    tool.lpszText = const_cast<wchar_t*>(target_.c_str());
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void CLinkStatic::MakeFonts() {
  HFONT current = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  LOGFONTW font = {};
  if (current == nullptr || GetObjectW(current, sizeof font, &font) == 0) {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  }
  font.lfUnderline = FALSE;
  normal_font_ = CreateFontIndirectW(&font);
  font.lfUnderline = TRUE;
  underlined_font_ = CreateFontIndirectW(&font);
}

void CLinkStatic::UseFont(bool underlined) {
  HFONT font = underlined ? underlined_font_ : normal_font_;
  if (font != nullptr) SendMessageW(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void CLinkStatic::SetTarget(const std::wstring& target) {
  target_ = target;
  UpdateTooltip();
  FitToText();
}

void CLinkStatic::SetUnderline(int mode) {
  underline_ = mode;
  UseFont(mode == 1);
  Repaint();
}

void CLinkStatic::UpdateTooltip() {
  if (tooltip_ == nullptr) return;
  TOOLINFOW tool = {};
  tool.cbSize = sizeof tool;
  tool.hwnd = GetParent(hwnd());
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
  tool.lpszText = const_cast<wchar_t*>(target_.c_str());
  SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CLinkStatic::FitToText() {
  if (!fit_to_text_ || hwnd() == nullptr) return;
  std::wstring text = WindowTextOf(hwnd());
  HDC dc = GetDC(hwnd());
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)));
  SIZE extent = {0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(hwnd(), dc);
  RECT rect;
  GetWindowRect(hwnd(), &rect);
  MapWindowPoints(nullptr, GetParent(hwnd()), reinterpret_cast<POINT*>(&rect), 2);
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  int x = rect.left, y = rect.top;
  const LONG_PTR align = style & SS_TYPEMASK;
  if (align == SS_RIGHT) x = rect.right - extent.cx;
  if (align == SS_CENTER) x = rect.left + (width - extent.cx) / 2;
  if (style & SS_CENTERIMAGE) y = rect.top + (height - extent.cy) / 2;
  Repaint();  // the old area shows the background again
  SetWindowPos(hwnd(), nullptr, x, y, extent.cx, extent.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  Repaint();
}

void CLinkStatic::Repaint() {
  // The label is transparent: its parent must redraw the background under it first.
  RECT rect;
  GetWindowRect(hwnd(), &rect);
  MapWindowPoints(nullptr, GetParent(hwnd()), reinterpret_cast<POINT*>(&rect), 2);
  InvalidateRect(GetParent(hwnd()), &rect, TRUE);
}

void CLinkStatic::SetHovering(bool hovering) {
  if (hovering == hovering_) return;
  hovering_ = hovering;
  if (underline_ == -1) UseFont(hovering);
  if (!hovering && underline_ != 1) UseFont(false);
  if (hovering) {
    SetTimer(hwnd(), kLinkHoverTimerId, kLinkHoverTimerMs, nullptr);
  } else {
    KillTimer(hwnd(), kLinkHoverTimerId);
  }
  Repaint();
}

LRESULT CLinkStatic::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETCURSOR:
      if (hand_ != nullptr) {
        SetCursor(hand_);
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      SetHovering(true);
      break;
    case WM_TIMER:
      if (wparam == kLinkHoverTimerId) {
        POINT cursor;
        RECT rect;
        GetCursorPos(&cursor);
        GetWindowRect(hwnd(), &rect);
        if (!PtInRect(&rect, cursor)) SetHovering(false);
        return 0;
      }
      break;
    case WM_DESTROY:
      KillTimer(hwnd(), kLinkHoverTimerId);
      if (tooltip_ != nullptr) DestroyWindow(tooltip_);
      tooltip_ = nullptr;
      break;
    default:
      break;
  }
  return Default(message, wparam, lparam);
}

HBRUSH CLinkStatic::OnControlColor(HDC dc, bool* handled) {
  SetTextColor(dc, LinkTextColour(hovering_, visited_));
  SetBkMode(dc, TRANSPARENT);
  *handled = true;
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool CLinkStatic::OnCommandNotify(WORD code) {
  if (code != STN_CLICKED) return false;
  Open();
  return true;
}

void CLinkStatic::Open() {
  SetHovering(false);
  HWND owner = GetParent(hwnd());
  intptr_t result = reinterpret_cast<intptr_t>(
      ShellExecuteW(owner, L"open", target_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (!ShellOpenSucceeded(result)) {
    // No handler for the target itself: hand it to the program that opens web pages.
    std::wstring html_class = ClassesRootDefault(L".htm");
    std::wstring command = html_class.empty()
                               ? std::wstring()
                               : ClassesRootDefault(html_class + L"\\shell\\open\\command");
    if (!command.empty()) {
      std::wstring line = Wide(HtmFallbackCommand(Utf16(command), Utf16(target_)));
      STARTUPINFOW startup = {};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESHOWWINDOW;
      startup.wShowWindow = SW_SHOWNORMAL;
      PROCESS_INFORMATION process = {};
      if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        result = 33;  // started: any value above 32 means success
      } else {
        result = static_cast<intptr_t>(GetLastError());
      }
    }
  }
  if (ShellOpenSucceeded(result)) {
    visited_ = true;
    Repaint();
    return;
  }
  MessageBeep(MB_ICONEXCLAMATION);
  wchar_t caption[256] = {};
  GetWindowTextW(owner, caption, 256);
  MessageBoxW(owner, Wide(LinkErrorMessage(result)).c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace qid::installer::skin
