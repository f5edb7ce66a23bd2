#include "label_fit.h"

namespace ui_driver {
namespace {

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::string TextOf(HWND control, HWND live, int id) {
  char buffer[2048] = {};
  HWND source = live != nullptr ? GetDlgItem(live, id) : nullptr;
  if (source != nullptr) {
    // Marshalled between processes, unlike GetWindowText.
    SendMessageTimeoutA(source, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
  } else {
    GetWindowTextA(control, buffer, sizeof buffer);
  }
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

// The room a control leaves its text, and whether the text may wrap there; false for a
// control that shows no text of its own (pictures, frames, lines, owner-drawn ones).
bool TextRoom(HWND control, RECT* room, bool* wraps) {
  char kind[32] = {};
  GetClassNameA(control, kind, sizeof kind);
  LONG style = GetWindowLongA(control, GWL_STYLE);
  GetClientRect(control, room);
  *wraps = false;
  if (lstrcmpiA(kind, "Static") == 0) {
    LONG type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
        type != SS_SIMPLE)
      return false;
    *wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    return true;
  }
  if (lstrcmpiA(kind, "Button") != 0) return false;
  LONG type = style & BS_TYPEMASK;
  *wraps = (style & BS_MULTILINE) != 0;
  UINT dpi = 96;
  HDC screen = GetDC(nullptr);
  dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  switch (type) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
      InflateRect(room, -3, -3);  // frame and focus rectangle
      return true;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
      room->left += MulDiv(13, static_cast<int>(dpi), 96) + 3;  // the box and its gap
      return true;
    case BS_GROUPBOX:
      room->left += 7;  // the frame's corner before the caption, and after it
      room->right -= 7;
      return true;
    default:
      return false;
  }
}

struct Walk {
  HWND live;
  int template_id;
  LabelReport* report;
};

BOOL CALLBACK MeasureOne(HWND control, LPARAM data) {
  Walk& walk = *reinterpret_cast<Walk*>(data);
  int id = GetDlgCtrlID(control);
  // A control that is never shown (hidden in the template, or in the window) shows no text.
  HWND shown = walk.live != nullptr ? GetDlgItem(walk.live, id) : nullptr;
  if (shown != nullptr ? !IsWindowVisible(shown)
                       : (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) == 0)
    return TRUE;
  RECT room;
  bool wraps = false;
  if (!TextRoom(control, &room, &wraps)) return TRUE;
  std::string text = TextOf(control, walk.live, id);
  if (text.empty()) return TRUE;
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  int width = room.right - room.left, height = room.bottom - room.top;
  RECT need = {0, 0, wraps ? width : 0, 0};
  DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  RECT line = {0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), -1, &line, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  ++walk.report->measured;
  int need_width = need.right - need.left, need_height = need.bottom - need.top;
  if (need_width > width || need_height > height) {
    walk.report->cut.push_back("dialog " + std::to_string(walk.template_id) + ", control " +
                               std::to_string(id) + " \"" + text + "\": needs " +
                               std::to_string(need_width) + " x " + std::to_string(need_height) +
                               ", has " + std::to_string(width) + " x " + std::to_string(height) +
                               " (one line: " + std::to_string(line.right) + ")");
  }
  return TRUE;
}

void MeasureTemplate(HMODULE module, int template_id, HWND live, LabelReport* report) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(template_id), RT_DIALOG);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    report->error = "no dialog template " + std::to_string(template_id);
    return;
  }
  // A copy without WS_VISIBLE: measured, never shown. The extended form keeps its style at
  // offset 12, the plain form at 0.
  std::vector<BYTE> copy(static_cast<const BYTE*>(bytes),
                         static_cast<const BYTE*>(bytes) + SizeofResource(module, found));
  const WORD* words = reinterpret_cast<const WORD*>(copy.data());
  DWORD* style = reinterpret_cast<DWORD*>(copy.data() + (words[1] == 0xFFFF ? 12 : 0));
  *style &= ~static_cast<DWORD>(WS_VISIBLE);
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                           reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()),
                                           nullptr, Inert, 0);
  if (dialog == nullptr) {
    report->error = "template " + std::to_string(template_id) + " cannot be built, error " +
                    std::to_string(GetLastError());
    return;
  }
  Walk walk = {live, template_id, report};
  EnumChildWindows(dialog, MeasureOne, reinterpret_cast<LPARAM>(&walk));
  DestroyWindow(dialog);
}

BOOL CALLBACK EachTemplate(HMODULE module, LPCSTR, LPSTR name, LONG_PTR data) {
  if (IS_INTRESOURCE(name)) {
    MeasureTemplate(module, static_cast<int>(reinterpret_cast<ULONG_PTR>(name)), nullptr,
                    reinterpret_cast<LabelReport*>(data));
  }
  return TRUE;
}

}  // namespace

LabelReport MeasureLabels(const std::string& exe, int template_id, HWND live) {
  LabelReport report;
  // The program's own controls (progress bars) need their classes registered here too.
  LoadLibraryA("comctl32.dll");
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    report.error = "cannot load " + exe + ", error " + std::to_string(GetLastError());
    return report;
  }
  if (template_id != 0) {
    MeasureTemplate(module, template_id, live, &report);
  } else {
    EnumResourceNamesA(module, RT_DIALOG, EachTemplate, reinterpret_cast<LONG_PTR>(&report));
  }
  FreeLibrary(module);
  return report;
}

}  // namespace ui_driver
