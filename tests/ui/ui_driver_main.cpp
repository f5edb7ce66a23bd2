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
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += '\n';
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
void SendSoon(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* job = new SendJob{window, message, wparam, std::string(), false, lparam};
  HANDLE thread = CreateThread(nullptr, 0, SendWorker, job, 0, nullptr);
  if (WaitForSingleObject(thread, 1500) == WAIT_OBJECT_0) CloseHandle(thread);
  else g_pending.push_back(thread);
}

void SendTextSoon(HWND window, UINT message, WPARAM wparam, const std::string& text) {
  auto* job = new SendJob{window, message, wparam, text, true, 0};
  HANDLE thread = CreateThread(nullptr, 0, SendWorker, job, 0, nullptr);
  if (WaitForSingleObject(thread, 1500) == WAIT_OBJECT_0) CloseHandle(thread);
  else g_pending.push_back(thread);
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

bool Need(int argc, int i, int count, const char* step) {
  if (i + count < argc) return true;
  std::fprintf(stderr, "ui_driver: %s needs %d argument(s)\n", step, count);
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string step = argv[i];
    if (step == "window" && Need(argc, i, 1, "window")) {
      std::string caption = argv[++i];
      g_window = WaitForWindow(caption, 20000);
      Report(g_window != nullptr, "window \"" + caption + "\" is shown");
      if (g_window == nullptr) break;
    } else if (step == "gone" && Need(argc, i, 1, "gone")) {
      std::string caption = argv[++i];
      DWORD start = GetTickCount();
      while (WaitForWindow(caption, 0) != nullptr && GetTickCount() - start < 10000) Sleep(100);
      Report(WaitForWindow(caption, 0) == nullptr, "window \"" + caption + "\" closed");
    } else if (step == "absent" && Need(argc, i, 2, "absent")) {
      std::string caption = argv[++i];
      DWORD ms = std::strtoul(argv[++i], nullptr, 10);
      Report(WaitForWindow(caption, ms) == nullptr, "no window \"" + caption + "\"");
    } else if ((step == "checked" || step == "enabled" || step == "visible") &&
               Need(argc, i, 2, "state")) {
      int id = std::atoi(argv[++i]);
      bool want = std::atoi(argv[++i]) != 0;
      std::string what = std::to_string(id) + (want ? " is " : " is not ") +
                         (step == "visible" ? "visible" : step == "enabled" ? "enabled" : "checked");
      HWND control = Control(id, what);
      if (control == nullptr) continue;
      bool got = step == "checked" ? SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED
                 : step == "enabled" ? IsWindowEnabled(control) != FALSE
                                     : IsWindowVisible(control) != FALSE;
      Report(got == want, what);
    } else if (step == "text" && Need(argc, i, 2, "text")) {
      int id = std::atoi(argv[++i]);
      std::string want = Unescape(argv[++i]);
      std::string what = std::to_string(id) + " shows \"" + Escape(want) + "\"";
      HWND control = Control(id, what);
      if (control == nullptr) continue;
      std::string got = WindowText(control);
      Report(got == want, what, "got \"" + Escape(got) + "\"");
    } else if (step == "listsel" && Need(argc, i, 2, "listsel")) {
      int id = std::atoi(argv[++i]);
      int want = std::atoi(argv[++i]);
      std::string what = std::to_string(id) + " has entry " + std::to_string(want) + " selected";
      HWND control = Control(id, what);
      if (control == nullptr) continue;
      int got = static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0));
      Report(got == want, what, "got " + std::to_string(got));
    } else if (step == "click" && Need(argc, i, 1, "click")) {
      int id = std::atoi(argv[++i]);
      HWND control = Control(id, "click " + std::to_string(id));
      if (control != nullptr) SendSoon(control, BM_CLICK, 0, 0);
    } else if (step == "settext" && Need(argc, i, 2, "settext")) {
      int id = std::atoi(argv[++i]);
      std::string text = argv[++i];
      HWND control = Control(id, "set text of " + std::to_string(id));
      if (control != nullptr) SendTextSoon(control, WM_SETTEXT, 0, text);
    } else if (step == "type" && Need(argc, i, 3, "type")) {
      int id = std::atoi(argv[++i]);
      int pos = std::atoi(argv[++i]);
      std::string text = argv[++i];
      HWND control = Control(id, "type into " + std::to_string(id));
      if (control == nullptr) continue;
      SendMessageA(control, EM_SETSEL, pos, pos);
      SendTextSoon(control, EM_REPLACESEL, TRUE, text);
    } else if ((step == "select" || step == "dblclick") && Need(argc, i, 2, "select")) {
      int id = std::atoi(argv[++i]);
      std::string entry = argv[++i];
      HWND control = Control(id, step + " in " + std::to_string(id));
      if (control == nullptr) continue;
      int index = std::atoi(entry.c_str());
      if (step == "dblclick") {
        index = static_cast<int>(SendMessageA(control, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(entry.c_str())));
        Report(index != LB_ERR, std::to_string(id) + " lists \"" + entry + "\"");
        if (index == LB_ERR) continue;
      }
      SendMessageA(control, LB_SETCURSEL, index, 0);
      WORD code = step == "select" ? LBN_SELCHANGE : LBN_DBLCLK;
      SendSoon(g_window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    } else if (step == "msgbox" && Need(argc, i, 2, "msgbox")) {
      std::string caption = argv[++i];
      std::string want = Unescape(argv[++i]);
      HWND box = WaitForWindow(caption, 10000);
      Report(box != nullptr, "message box \"" + caption + "\" is shown");
      if (box == nullptr) continue;
      FoundText found;
      EnumChildWindows(box, FindStaticText, reinterpret_cast<LPARAM>(&found));
      Report(found.text == want, "message box says \"" + Escape(want) + "\"",
             "got \"" + Escape(found.text) + "\"");
      if (g_window != nullptr && IsWindow(g_window))
        Report(!IsWindowEnabled(g_window), "the window under \"" + caption + "\" cannot be used");
      HWND ok = GetDlgItem(box, IDOK);
      if (ok != nullptr) SendSoon(ok, BM_CLICK, 0, 0);
      else PostMessageA(box, WM_COMMAND, IDOK, 0);
      DWORD start = GetTickCount();
      while (IsWindow(box) && GetTickCount() - start < 5000) Sleep(50);
    } else if (step == "notify" && Need(argc, i, 2, "notify")) {
      int id = std::atoi(argv[++i]);
      WORD code = static_cast<WORD>(std::atoi(argv[++i]));
      HWND control = Control(id, "notify from " + std::to_string(id));
      if (control != nullptr)
        SendSoon(g_window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    } else if (step == "sleep" && Need(argc, i, 1, "sleep")) {
      Sleep(std::strtoul(argv[++i], nullptr, 10));
    } else {
      std::fprintf(stderr, "ui_driver: unknown step \"%s\"\n", step.c_str());
      return 2;
    }
  }
  // A worker still blocked sits in a modal loop that a later run closes; do not wait for it.
  for (HANDLE thread : g_pending) CloseHandle(thread);
  return g_failed == 0 ? 0 : 1;
}
