// Q71File on Windows: the printer driver side starts it once per job with the job file's path
// as the whole command line, which WinMain receives verbatim (quotes included).
#include <windows.h>

#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/job.h"
#include "imagewriter/writer_context.h"
#include "platform/platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  qid::Platform& os = qid::SystemPlatform();
  qid::SetTraceSink(os.debug_output);
  qid::WriterContext ctx(os);
  qid::JobHooks hooks;
  hooks.show_settings_dialog = qid::ShowSettingsDialog;
  qid::RunJob(ctx, command_line, hooks);
  return 0;
}
