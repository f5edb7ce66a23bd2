// The settings dialog's window: its view and the host of what it opens, and the Win32 halves
// of the choosers and the help button.
#pragma once

#include "imagewriter/dialogs/settings_dialog_host.h"
#include "ui/win32/win32_dialog_view.h"

namespace qid {

struct WriterContext;

class Win32SettingsDialog : public Win32DialogView, public SettingsDialogHost {
 public:
  Win32SettingsDialog(WriterContext& ctx, HWND dialog) : Win32DialogView(dialog), ctx_(ctx) {}

  int RunResetSerialDialog() override;
  bool ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) override;
  void ShowDriverHelp() override;

 private:
  WriterContext& ctx_;
};

bool ShowOpenFileDialogWin32(HWND owner, const OpenFileRequest& request, std::string* file);
void ShowDriverHelp(WriterContext& ctx, HWND owner);

}  // namespace qid
