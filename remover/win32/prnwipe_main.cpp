// PrnWipe.exe: the printer driver remover. Without switches it shows the main dialog modally
// and returns its result; "/quiet /driver NAME" removes one driver without a window, "/?"
// shows the usage.
#include <string>

#include "remover/quiet_removal.h"
#include "remover/remover_ids.h"
#include "remover/win32/remover_win32.h"

namespace {

// "/?" and a refused command line; a refused one under /quiet exits without a box.
int ShowUsage(qid::RemoverHost& texts, const qid::RemoverCommand& command) {
  if (command.silent) return qid::kQuietRemoverUsage;
  std::string text = command.error.empty() ? std::string(qid::kRemoverUsage)
                                           : command.error + "\r\n\r\n" + qid::kRemoverUsage;
  MessageBoxA(nullptr, text.c_str(), texts.LoadText(IDS_MAIN_CAPTION).c_str(),
              MB_OK | (command.error.empty() ? MB_ICONINFORMATION : MB_ICONSTOP));
  return command.error.empty() ? 0 : qid::kQuietRemoverUsage;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qid::Platform& platform = qid::SystemPlatform();
  qid::SetTraceSink(platform.debug_output);
  const wchar_t* line = GetCommandLineW();
  qid::RemoverCommand command = qid::ReadRemoverCommand(std::u16string(line, line + wcslen(line)));
  if (command.kind != qid::RemoverCommand::kWindow) {
    qid::Win32RemoverHost texts(instance, nullptr);  // the string table only
    if (command.kind == qid::RemoverCommand::kUsage) return ShowUsage(texts, command);
    return qid::RunQuietRemoval(platform, texts, command.driver);
  }
  qid::PrnWipeApp app;
  app.instance = instance;
  app.platform = &platform;
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PRNWIPE_MAIN), nullptr,
                                   qid::MainDialogProc, reinterpret_cast<LPARAM>(&app));
  return static_cast<int>(result);
}
