// render_probe.exe: asks a printer driver DLL to render, as the graphics engine does when a
// program opens the printer, twice. Prints each call's result and error code; exit code 0
// when the DLL could be loaded and both calls were made.
//
//   render_probe.exe DLL
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: render_probe DLL\n");
    return 2;
  }
  HMODULE driver = LoadLibraryA(argv[1]);
  using EnableDriver = BOOL(WINAPI*)(ULONG, ULONG, void*);
  auto enable = driver != nullptr
                    ? reinterpret_cast<EnableDriver>(
                          reinterpret_cast<void*>(GetProcAddress(driver, "DrvEnableDriver")))
                    : nullptr;
  if (enable == nullptr) {
    std::printf("no DrvEnableDriver in %s: error %lu\n", argv[1], GetLastError());
    return 1;
  }
  // DRVENABLEDATA: the driver's version, the count of its functions and their table.
  struct { ULONG version, count; void* functions; } data = {};
  for (int call = 1; call <= 2; ++call) {
    SetLastError(0);
    BOOL ok = enable(0x00030000, sizeof data, &data);  // DDI_DRIVER_VERSION_NT5
    std::printf("call %d: %s, error %lu\n", call, ok ? "enabled" : "refused", GetLastError());
    std::fflush(stdout);
  }
  return 0;
}
