/* pgdrv71.dll: the name the package registers as the printer's rendering driver.
 *
 * Jobs reach the image writer through the printer driver side, which comes from outside this
 * package; this DLL is only the placeholder for it. It renders nothing: the graphics entry
 * fails with ERROR_NOT_SUPPORTED, so no caller can mistake it for a working driver. */
#include <windows.h>

BOOL WINAPI DrvEnableDriver(ULONG engine_version, ULONG size, void* driver_enable_data) {
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
