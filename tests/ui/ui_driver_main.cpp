// ui_driver.exe: drives a dialog of another process for the Wine UI suites. It finds windows
// by caption, reads control state and acts on controls through window messages only, as a
// user's clicks and keystrokes would arrive. Each argument group is one step:
//
//   window CAPTION          wait (20 s) for a top-level window; later steps act on it
//                           ("A|B": whichever of the captions shows first)
//   gone CAPTION            wait (10 s) until no such window is left
//   absent CAPTION MS       no such window appears within MS milliseconds
//   checked ID 0|1   enabled ID 0|1   visible ID 0|1
//   text ID EXPECTED        the control's text ("\n" in EXPECTED is a line break)
//   listsel ID INDEX        the list's selected entry
//   click ID                BM_CLICK
//   settext ID TEXT         WM_SETTEXT (the edit then notifies its dialog of the change)
//   type ID POS TEXT        caret to POS, then EM_REPLACESEL: TEXT typed there
//   select ID INDEX         LB_SETCURSEL and the selection-change notification
//   dblclick ID ENTRY       selects the entry of that text and sends the double-click
//                           notification (the old-style file dialog's folder list)
//   notify ID CODE          the WM_COMMAND notification CODE from control ID (a list's
//                           LBN_SETFOCUS 4, LBN_KILLFOCUS 5), as tabbing through would send
//   msgbox CAPTION TEXT     wait for a message box, compare its text, check that the window
//                           it came from cannot be used meanwhile, press its OK button
//   answer CAPTION TEXT ID  the same, pressing the button ID (6 Yes, 7 No, 1 OK, 2 Cancel)
//   msgboxhas CAPTION TEXT  msgbox for a box whose text holds TEXT (a usage text's line)
//   post MSG WPARAM LPARAM  PostMessage to the window (numbers: decimal or 0x hex), as the
//                           system's own close requests arrive (WM_SYSCOMMAND SC_CLOSE, ...)
//   press ID                a left-button press and release posted at the control's centre
//   hover ID                the mouse pointer moved onto the control's centre
//   shot FILE               the window as it is on the screen, saved as a PPM picture
//   grab ID FILE            the same for one control's client area
//   pick ID ENTRY           adds the entry of that text to a multiple-selection list's
//                           selection and sends the selection-change notification
//   items ID A|B|...        the list holds exactly these entries, in this order ("" for none)
//   contains ID TEXT        the control's text holds TEXT ("\n" a line break, "\t" a tab;
//                           carriage returns are ignored)
//   command ID              WM_COMMAND with ID to the window, as Escape sends 2
//   fits EXE TEMPLATE       every label of the program's dialog TEMPLATE (0: of all its
//                           dialogs) shows its whole text at this system's fonts; the texts
//                           are the window's when one was found, else the template's
//   sleep MS
//
// Steps that may open a modal window (a click, a typed character that brings up a box) do
// not block the driver: each message is sent from a worker thread that the driver waits for
// only briefly. Prints "ok   - ..." or "FAIL - ..." per check; exit code 0 when all passed.
// A missing window ends the run (the later steps would only fail the same way).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "label_fit.h"

namespace {

int g_failed = 0;
HWND g_window = nullptr;
std::vector<HANDLE> g_pending;

void Report(bool ok, const std::string& what, const std::string& detail = std::string()) {
  if (ok) {
    std::printf("ok   - %s\n", what.c_str());
  } else {
    ++g_failed;
    std::printf("FAIL - %s%s%s\n", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  }
  std::fflush(stdout);
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
      out += text[i + 1] == 'n' ? '\n' : '\t';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c != '\r') out += c;
  }
  return out;
}

std::string WindowText(HWND window) {
  char buffer[2048] = {};
  // WM_GETTEXT is marshalled between processes; GetWindowText of another process's control
  // would not ask the control.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

HWND WaitForWindow(const std::string& captions, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    for (size_t from = 0; from <= captions.size();) {
      size_t bar = captions.find('|', from);
      if (bar == std::string::npos) bar = captions.size();
      HWND window = FindWindowA(nullptr, captions.substr(from, bar - from).c_str());
      if (window != nullptr && IsWindowVisible(window)) return window;
      from = bar + 1;
    }
    if (GetTickCount() - start >= timeout_ms) return nullptr;
    Sleep(100);
  }
}

struct CaptionSearch {
  const std::string* caption;
  HWND skip;
  HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<CaptionSearch*>(data);
  if (window == search->skip || !IsWindowVisible(window)) return TRUE;
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  if (*search->caption != text) return TRUE;
  search->found = window;
  return FALSE;
}

// A message box often carries its owner's caption: find a visible top-level window with the
// caption that is not the window the steps act on.
HWND WaitForOtherWindow(const std::string& caption, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    CaptionSearch search = {&caption, g_window, nullptr};
    EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (GetTickCount() - start >= timeout_ms) return nullptr;
    Sleep(100);
  }
}

struct SendJob {
  HWND window;
  UINT message;
  WPARAM wparam;
  std::string text;  // the string argument, kept alive for the worker
  bool text_argument;
  LPARAM lparam;
};

DWORD WINAPI SendWorker(void* argument) {
  auto* job = static_cast<SendJob*>(argument);
  LPARAM lparam = job->text_argument ? reinterpret_cast<LPARAM>(job->text.c_str()) : job->lparam;
  SendMessageA(job->window, job->message, job->wparam, lparam);
  delete job;
  return 0;
}

// Sends from a worker; waits until it is handled or 1.5 s have passed (a modal window opened).
void StartSend(SendJob* job) {
  HANDLE thread = CreateThread(nullptr, 0, SendWorker, job, 0, nullptr);
  if (WaitForSingleObject(thread, 1500) == WAIT_OBJECT_0) CloseHandle(thread);
  else g_pending.push_back(thread);
}

void SendSoon(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  StartSend(new SendJob{window, message, wparam, std::string(), false, lparam});
}

void SendTextSoon(HWND window, UINT message, WPARAM wparam, const std::string& text) {
  StartSend(new SendJob{window, message, wparam, text, true, 0});
}

struct FoundText {
  std::string text;
};

BOOL CALLBACK FindStaticText(HWND child, LPARAM data) {
  char cls[64] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") != 0) return TRUE;
  std::string text = WindowText(child);
  if (text.empty()) return TRUE;
  reinterpret_cast<FoundText*>(data)->text = text;
  return FALSE;
}

HWND Control(int id, const std::string& what) {
  HWND control = g_window ? GetDlgItem(g_window, id) : nullptr;
  if (control == nullptr) Report(false, what, "no control " + std::to_string(id));
  return control;
}

// Writes the screen's pixels inside `rect` (screen coordinates) as a binary PPM.
bool SaveScreenRect(const RECT& rect, const std::string& file) {
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    GdiFlush();
    FILE* out = std::fopen(file.c_str(), "wb");
    ok = out != nullptr;
    if (ok) {
      std::fprintf(out, "P6\n%d %d\n255\n", w, h);
      const auto* pixel = static_cast<const unsigned char*>(bits);
      for (int i = 0; i < w * h; ++i, pixel += 4) {
        unsigned char rgb[3] = {pixel[2], pixel[1], pixel[0]};
        std::fwrite(rgb, 1, 3, out);
      }
      ok = std::fclose(out) == 0;
    }
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// --- the steps: each takes its arguments and returns false when the run cannot go on ------

bool StepWindow(const std::string&, char** args) {
  std::string caption = args[0];
  g_window = WaitForWindow(caption, 20000);
  Report(g_window != nullptr, "window \"" + caption + "\" is shown");
  return g_window != nullptr;
}

bool StepGone(const std::string&, char** args) {
  std::string caption = args[0];
  DWORD start = GetTickCount();
  while (WaitForWindow(caption, 0) != nullptr && GetTickCount() - start < 10000) Sleep(100);
  Report(WaitForWindow(caption, 0) == nullptr, "window \"" + caption + "\" closed");
  return true;
}

bool StepAbsent(const std::string&, char** args) {
  std::string caption = args[0];
  DWORD ms = std::strtoul(args[1], nullptr, 10);
  Report(WaitForWindow(caption, ms) == nullptr, "no window \"" + caption + "\"");
  return true;
}

// checked, enabled, visible
bool StepState(const std::string& step, char** args) {
  int id = std::atoi(args[0]);
  bool want = std::atoi(args[1]) != 0;
  std::string what = std::to_string(id) + (want ? " is " : " is not ") + step;
  HWND control = Control(id, what);
  if (control == nullptr) return true;
  bool got = step == "checked" ? SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED
             : step == "enabled" ? IsWindowEnabled(control) != FALSE
                                 : IsWindowVisible(control) != FALSE;
  Report(got == want, what);
  return true;
}

bool StepText(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  std::string want = Unescape(args[1]);
  std::string what = std::to_string(id) + " shows \"" + Escape(want) + "\"";
  HWND control = Control(id, what);
  if (control == nullptr) return true;
  std::string got = WindowText(control);
  Report(got == want, what, "got \"" + Escape(got) + "\"");
  return true;
}

bool StepListSelection(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  int want = std::atoi(args[1]);
  std::string what = std::to_string(id) + " has entry " + std::to_string(want) + " selected";
  HWND control = Control(id, what);
  if (control == nullptr) return true;
  int got = static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0));
  Report(got == want, what, "got " + std::to_string(got));
  return true;
}

bool StepClick(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  HWND control = Control(id, "click " + std::to_string(id));
  if (control != nullptr) SendSoon(control, BM_CLICK, 0, 0);
  return true;
}

bool StepSetText(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  HWND control = Control(id, "set text of " + std::to_string(id));
  if (control != nullptr) SendTextSoon(control, WM_SETTEXT, 0, args[1]);
  return true;
}

bool StepType(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  int pos = std::atoi(args[1]);
  HWND control = Control(id, "type into " + std::to_string(id));
  if (control == nullptr) return true;
  SendMessageA(control, EM_SETSEL, pos, pos);
  SendTextSoon(control, EM_REPLACESEL, TRUE, args[2]);
  return true;
}

// select (by index), dblclick (by the entry's text)
bool StepSelect(const std::string& step, char** args) {
  int id = std::atoi(args[0]);
  std::string entry = args[1];
  HWND control = Control(id, step + " in " + std::to_string(id));
  if (control == nullptr) return true;
  int index = std::atoi(entry.c_str());
  if (step == "dblclick") {
    index = static_cast<int>(SendMessageA(control, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(entry.c_str())));
    Report(index != LB_ERR, std::to_string(id) + " lists \"" + entry + "\"");
    if (index == LB_ERR) return true;
  }
  SendMessageA(control, LB_SETCURSEL, index, 0);
  WORD code = step == "select" ? LBN_SELCHANGE : LBN_DBLCLK;
  SendSoon(g_window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
  return true;
}

// msgbox and msgboxhas (pressing OK), answer (pressing the button given)
bool StepMessageBox(const std::string& step, char** args) {
  std::string caption = args[0];
  std::string want = Unescape(args[1]);
  int button = step == "answer" ? std::atoi(args[2]) : IDOK;
  HWND box = WaitForOtherWindow(caption, 10000);
  Report(box != nullptr, "message box \"" + caption + "\" is shown");
  if (box == nullptr) return true;
  FoundText found;
  EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&found));
  // The box breaks lines with CR LF; the steps write a line break as "\n".
  if (step == "msgboxhas") {
    Report(Escape(found.text).find(Escape(want)) != std::string::npos,
           "message box holds \"" + Escape(want) + "\"", "got \"" + Escape(found.text) + "\"");
  } else {
    Report(Escape(found.text) == Escape(want), "message box says \"" + Escape(want) + "\"",
           "got \"" + Escape(found.text) + "\"");
  }
  if (g_window != nullptr && IsWindow(g_window))
    Report(!IsWindowEnabled(g_window), "the window under \"" + caption + "\" cannot be used");
  HWND ok = GetDlgItem(box, button);
  if (ok != nullptr) SendSoon(ok, BM_CLICK, 0, 0);
  else PostMessageA(box, WM_COMMAND, button, 0);
  DWORD start = GetTickCount();
  while (IsWindow(box) && GetTickCount() - start < 5000) Sleep(50);
  return true;
}

bool StepPost(const std::string&, char** args) {
  UINT message = std::strtoul(args[0], nullptr, 0);
  WPARAM wparam = std::strtoul(args[1], nullptr, 0);
  LPARAM lparam = static_cast<LPARAM>(std::strtoul(args[2], nullptr, 0));
  if (g_window != nullptr) PostMessageA(g_window, message, wparam, lparam);
  return true;
}

bool StepHover(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  HWND control = Control(id, "hover over " + std::to_string(id));
  if (control == nullptr) return true;
  RECT rect = {};
  GetWindowRect(control, &rect);
  SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  return true;
}

bool StepPress(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  HWND control = Control(id, "press " + std::to_string(id));
  if (control == nullptr) return true;
  RECT rect = {};
  GetClientRect(control, &rect);
  LPARAM at = MAKELPARAM(rect.right / 2, rect.bottom / 2);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(control, WM_LBUTTONUP, 0, at);
  return true;
}

bool StepShot(const std::string&, char** args) {
  std::string file = args[0];
  RECT rect = {};
  bool ok = g_window != nullptr && GetWindowRect(g_window, &rect) && SaveScreenRect(rect, file);
  Report(ok, "picture of the window saved to " + file);
  return true;
}

bool StepGrab(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  std::string file = args[1];
  HWND control = Control(id, "grab " + std::to_string(id));
  if (control == nullptr) return true;
  RECT rect = {};
  GetClientRect(control, &rect);
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  Report(SaveScreenRect(rect, file), "picture of " + std::to_string(id) + " saved to " + file);
  return true;
}

bool StepNotify(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  WORD code = static_cast<WORD>(std::atoi(args[1]));
  HWND control = Control(id, "notify from " + std::to_string(id));
  if (control != nullptr)
    SendSoon(g_window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
  return true;
}

bool StepPick(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  std::string entry = args[1];
  HWND control = Control(id, "pick in " + std::to_string(id));
  if (control == nullptr) return true;
  LRESULT index = SendMessageA(control, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>(entry.c_str()));
  Report(index != LB_ERR, std::to_string(id) + " lists \"" + entry + "\"");
  if (index == LB_ERR) return true;
  SendMessageA(control, LB_SETSEL, TRUE, index);
  SendSoon(g_window, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
  return true;
}

bool StepItems(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  std::string want = args[1];
  std::string what = std::to_string(id) + " lists \"" + want + "\"";
  HWND control = Control(id, what);
  if (control == nullptr) return true;
  std::string got;
  LRESULT count = SendMessageA(control, LB_GETCOUNT, 0, 0);
  for (LRESULT n = 0; n < count; ++n) {
    // Between processes the entry arrives in UTF-16 whichever form is asked for.
    wchar_t item[512] = {};
    char narrow[1024] = {};
    if (SendMessageW(control, LB_GETTEXTLEN, n, 0) < 511) {
      SendMessageW(control, LB_GETTEXT, n, reinterpret_cast<LPARAM>(item));
    }
    WideCharToMultiByte(CP_ACP, 0, item, -1, narrow, sizeof narrow, nullptr, nullptr);
    got += (n ? "|" : "") + std::string(narrow);
  }
  Report(got == want, what, "got \"" + got + "\"");
  return true;
}

bool StepContains(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  std::string want = Unescape(args[1]);
  std::string what = std::to_string(id) + " holds \"" + Escape(want) + "\"";
  HWND control = Control(id, what);
  if (control == nullptr) return true;
  std::string got;
  for (char c : WindowText(control))
    if (c != '\r') got += c;
  Report(got.find(want) != std::string::npos, what, "got \"" + Escape(got) + "\"");
  return true;
}

bool StepCommand(const std::string&, char** args) {
  int id = std::atoi(args[0]);
  if (g_window != nullptr) SendSoon(g_window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  return true;
}

bool StepFits(const std::string&, char** args) {
  int template_id = std::atoi(args[1]);
  ui_driver::LabelReport report = ui_driver::MeasureLabels(args[0], template_id, g_window);
  std::string what = std::string("labels of ") + args[0] + " " + args[1] + " fit";
  if (!report.error.empty()) {
    Report(false, what, report.error);
    return true;
  }
  for (const std::string& cut : report.cut) Report(false, what, cut);
  if (report.cut.empty()) Report(report.measured > 0, what + " (" + std::to_string(report.measured) + " measured)");
  return true;
}

bool StepSleep(const std::string&, char** args) {
  Sleep(std::strtoul(args[0], nullptr, 10));
  return true;
}

struct StepKind {
  const char* name;
  int arguments;
  bool (*run)(const std::string& step, char** args);
};

const StepKind kSteps[] = {
    {"window", 1, StepWindow},   {"gone", 1, StepGone},           {"absent", 2, StepAbsent},
    {"checked", 2, StepState},   {"enabled", 2, StepState},       {"visible", 2, StepState},
    {"text", 2, StepText},       {"listsel", 2, StepListSelection}, {"click", 1, StepClick},
    {"settext", 2, StepSetText}, {"type", 3, StepType},           {"select", 2, StepSelect},
    {"dblclick", 2, StepSelect}, {"notify", 2, StepNotify},       {"msgbox", 2, StepMessageBox},
    {"answer", 3, StepMessageBox}, {"post", 3, StepPost},         {"hover", 1, StepHover},
    {"msgboxhas", 2, StepMessageBox}, {"fits", 2, StepFits},
    {"press", 1, StepPress},     {"shot", 1, StepShot},           {"grab", 2, StepGrab},
    {"pick", 2, StepPick},       {"items", 2, StepItems},         {"contains", 2, StepContains},
    {"command", 1, StepCommand}, {"sleep", 1, StepSleep},
};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string step = argv[i];
    const StepKind* kind = nullptr;
    for (const StepKind& k : kSteps)
      if (step == k.name) kind = &k;
    if (kind == nullptr) {
      std::fprintf(stderr, "ui_driver: unknown step \"%s\"\n", step.c_str());
      return 2;
    }
    if (i + kind->arguments >= argc) {
      std::fprintf(stderr, "ui_driver: %s needs %d argument(s)\n", kind->name, kind->arguments);
      return 2;
    }
    bool go_on = kind->run(step, argv + i + 1);
    i += kind->arguments;
    if (!go_on) break;
  }
  // A worker still blocked sits in a modal loop that a later run closes; do not wait for it.
  for (HANDLE thread : g_pending) CloseHandle(thread);
  return g_failed == 0 ? 0 : 1;
}
