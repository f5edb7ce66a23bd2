// PrnWipe.exe: the printer driver remover. Shows the main dialog modally and returns its
// result; the command line is not read.
#include "remover/remover_ids.h"
#include "remover/win32/remover_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qid::Platform& platform = qid::SystemPlatform();
  qid::SetTraceSink(platform.debug_output);
  qid::PrnWipeApp app;
  app.instance = instance;
  app.platform = &platform;
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PRNWIPE_MAIN), nullptr,
                                   qid::MainDialogProc, reinterpret_cast<LPARAM>(&app));
  return static_cast<int>(result);
}
