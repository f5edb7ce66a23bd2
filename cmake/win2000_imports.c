/* Keeps the Windows programs loadable on Windows 2000.
 *
 * The static thread library that libstdc++ (posix thread model) and libgcc's emulated TLS pull
 * into every C++ program imports three kernel32 functions that Windows 2000 lacks:
 * GetTickCount64 (Vista; timeouts of its waits) and Add/RemoveVectoredExceptionHandler (XP;
 * registered at process start to swallow the thread-naming exception a debugger sees). A
 * missing import stops the loader before the program runs. This file defines the import slots
 * (__imp__Name@N) itself, so the linker takes them from here instead of kernel32's import
 * library: each slot points at a function that calls the system's own export when kernel32
 * has one, and otherwise stands in for it.
 *
 * Linked into every program as an object file (never from an archive: nothing would pull it
 * in before the thread library asks for those symbols). */
#include <windows.h>

typedef ULONGLONG(WINAPI *TickCount64Function)(void);
typedef PVOID(WINAPI *AddHandlerFunction)(ULONG, PVECTORED_EXCEPTION_HANDLER);
typedef ULONG(WINAPI *RemoveHandlerFunction)(PVOID);

/* The address of kernel32's export |name|, or NULL. Races between threads only repeat the
 * lookup, which returns the same answer each time. */
static FARPROC Kernel32Export(const char *name) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  return kernel32 != NULL ? GetProcAddress(kernel32, name) : NULL;
}

/* GetTickCount widened to 64 bits by counting its wraps (every 49.7 days). Callers only
 * measure timeouts with it; two threads crossing a wrap at the same instant may see one
 * reading off by a wrap. */
static ULONGLONG WINAPI TickCount64FromTickCount(void) {
  static volatile LONG last_low;
  static volatile LONG wraps;
  DWORD now = GetTickCount();
  DWORD previous = (DWORD)InterlockedExchange(&last_low, (LONG)now);
  if (now < previous && previous - now > 0x80000000u) InterlockedIncrement(&wraps);
  return ((ULONGLONG)(DWORD)wraps << 32) | now;
}

static ULONGLONG WINAPI TickCount64(void) {
  static TickCount64Function system_function;
  if (system_function == NULL) {
    FARPROC found = Kernel32Export("GetTickCount64");
    system_function = found != NULL ? (TickCount64Function)(void *)found : TickCount64FromTickCount;
  }
  return system_function();
}

/* Without vectored handlers (Windows 2000) there is nothing to register: report failure,
 * which the thread library tolerates. */
static PVOID WINAPI AddHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
  FARPROC found = Kernel32Export("AddVectoredExceptionHandler");
  return found != NULL ? ((AddHandlerFunction)(void *)found)(first, handler) : NULL;
}

static ULONG WINAPI RemoveHandler(PVOID handle) {
  FARPROC found = Kernel32Export("RemoveVectoredExceptionHandler");
  return found != NULL && handle != NULL ? ((RemoveHandlerFunction)(void *)found)(handle) : 0;
}

TickCount64Function qid_import_GetTickCount64 __asm__("__imp__GetTickCount64@0") = TickCount64;
AddHandlerFunction qid_import_AddVectoredExceptionHandler
    __asm__("__imp__AddVectoredExceptionHandler@8") = AddHandler;
RemoveHandlerFunction qid_import_RemoveVectoredExceptionHandler
    __asm__("__imp__RemoveVectoredExceptionHandler@4") = RemoveHandler;
