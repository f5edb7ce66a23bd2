// answer_box.exe: answers a message box for the Wine scenarios, as a user would. Waits for a
// top-level dialog window with the given caption, prints "[caption] text" (the texts of its
// static controls) and clicks the named button.
//
//   answer_box.exe --caption CAPTION --button Yes|No|OK|Cancel [--timeout SECONDS]
//
// Exit code 0 once the button was clicked, 1 when no such box appeared in time (default 30 s),
// 2 for a usage error.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: answer_box.exe --caption CAPTION --button Yes|No|OK|Cancel "
               "[--timeout SECONDS]\n");
  return 2;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  char cls[32] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0) {
    char text[1024] = {};
    GetWindowTextA(child, text, sizeof text);
    if (text[0] != 0) {
      auto* all = reinterpret_cast<std::string*>(param);
      if (!all->empty()) all->push_back(' ');
      *all += text;
    }
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  std::string caption;
  int button = 0;
  DWORD timeout_ms = 30000;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i], value = argv[i + 1];
    if (arg == "--caption") {
      caption = value;
    } else if (arg == "--button") {
      if (value == "Yes") button = IDYES;
      else if (value == "No") button = IDNO;
      else if (value == "OK") button = IDOK;
      else if (value == "Cancel") button = IDCANCEL;
      else return Usage();
    } else if (arg == "--timeout") {
      timeout_ms = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10) * 1000);
    } else {
      return Usage();
    }
  }
  if (caption.empty() || button == 0 || argc % 2 == 0) return Usage();

  const DWORD start = GetTickCount();
  for (;;) {
    HWND box = FindWindowA("#32770", caption.c_str());
    HWND target = box != nullptr ? GetDlgItem(box, button) : nullptr;
    if (target != nullptr && IsWindowVisible(box)) {
      std::string text;
      EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&text));
      std::printf("[%s] %s\n", caption.c_str(), text.c_str());
      std::fflush(stdout);
      // The box's own command message, as the button sends it when clicked.
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(target));
      return 0;
    }
    if (GetTickCount() - start > timeout_ms) {
      std::fprintf(stderr, "answer_box: no box [%s] within %lu s\n", caption.c_str(),
                   timeout_ms / 1000);
      return 1;
    }
    Sleep(100);
  }
}
