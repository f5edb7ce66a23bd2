/* fake_help.dll: stands in for the HTML Help control in the dialog suite. Its entry number 14
 * records each call (the owner, the file and the command) as one line in C:\qidtest\help.txt,
 * so the suite sees whether the Help button opened help, and with which file. */
#include <stdio.h>
#include <windows.h>

__declspec(dllexport) HWND WINAPI FakeHtmlHelp(HWND owner, LPCSTR file, UINT command,
                                               DWORD_PTR data) {
  FILE* log = fopen("C:\\qidtest\\help.txt", "ab");
  (void)data;
  if (log != NULL) {
    fprintf(log, "owner=%s command=%u file=%s\n", owner != NULL ? "dialog" : "none", command,
            file != NULL ? file : "(null)");
    fclose(log);
  }
  return NULL;
}
