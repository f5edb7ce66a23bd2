// remover_icons.exe: PrnWipe's window icons (its host over its own resources, linked in here)
// set twice on one window, as every refill of the driver list sets them. Prints "same icons"
// when the second time sets the two icons of the first, else what it found. (Wine answers
// WM_GETICON from another process with 0, so the running PrnWipe cannot be asked.)
#include <windows.h>

#include <cstdio>

#include "remover/win32/remover_win32.h"

int main() {
  HWND window = CreateWindowA("STATIC", "icons", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) {
    std::printf("no window: error %lu\n", GetLastError());
    return 1;
  }
  qid::Win32RemoverHost host(GetModuleHandleA(nullptr), window);
  LRESULT icons[2][2] = {};
  for (auto& set : icons) {
    host.SetWindowIcons();
    set[0] = SendMessageA(window, WM_GETICON, ICON_BIG, 0);
    set[1] = SendMessageA(window, WM_GETICON, ICON_SMALL, 0);
  }
  DestroyWindow(window);
  bool same = icons[0][0] != 0 && icons[0][1] != 0 && icons[0][0] == icons[1][0] &&
              icons[0][1] == icons[1][1];
  if (same) {
    std::printf("same icons\n");
  } else {
    std::printf("first %#lx %#lx, then %#lx %#lx\n", static_cast<unsigned long>(icons[0][0]),
                static_cast<unsigned long>(icons[0][1]), static_cast<unsigned long>(icons[1][0]),
                static_cast<unsigned long>(icons[1][1]));
  }
  return same ? 0 : 1;
}
