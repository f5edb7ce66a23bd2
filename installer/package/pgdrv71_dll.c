/* pgdrv71.dll: the name the package registers as the printer's rendering driver.
 *
 * Jobs reach the image writer through the printer driver side, which comes from outside this
 * package; this DLL is only the placeholder for it. It renders nothing: the graphics entry
 * fails with ERROR_NOT_SUPPORTED, so no caller can mistake it for a working driver, and the
 * first time a program asks it to render it tells the user why the document cannot be
 * printed: many programs report a printer that will not start only as a general failure,
 * or not at all. */
#include <windows.h>

static LONG told_user = 0;

static void TellUserOnce(void) {
  if (InterlockedExchange(&told_user, 1) != 0) return;
  MessageBoxW(NULL,
              L"Quendrel Image Driver 4.0 cannot print this document.\r\n\r\n"
              L"This package holds only a placeholder for the printer's rendering driver, "
              L"which renders nothing. Install the rendering driver that writes the job "
              L"files, then print again.",
              L"Quendrel Image Driver 4.0", MB_OK | MB_ICONSTOP | MB_SETFOREGROUND | MB_TOPMOST);
}

BOOL WINAPI DrvEnableDriver(ULONG engine_version, ULONG size, void* driver_enable_data) {
  TellUserOnce();
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI DrvQueryDriverInfo(DWORD info_kind, void* buffer, DWORD size, DWORD* needed) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
