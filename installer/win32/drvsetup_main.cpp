// drvsetup on Windows: CGenericMFCApp builds the installer window, runs it modally and ends
// the program when it closes. With switches it installs unattended or shows its usage.
#include <windows.h>

#include <string>

#include "installer/win32/framework/application.h"
#include "installer/quiet_install.h"
#include "installer/win32/installer_dialog.h"
#include "platform/platform.h"

namespace qid::installer {

class CGenericMFCApp : public fw::Application {
 protected:
  int InitInstance() override {
    Platform& os = SystemPlatform();
    SetTraceSink(os.debug_output);
    const wchar_t* line = GetCommandLineW();
    InstallerCommand command =
        ReadInstallerCommand(std::u16string(line, line + wcslen(line)));
    if (command.kind == InstallerCommand::kUsage) return ShowUsage(command);
    if (command.kind == InstallerCommand::kQuiet) {
      // Without the spooler nothing could be installed, and nobody is there to read a box.
      if (os.spooler == nullptr || os.control == nullptr) return kQuietUnexpected;
      return RunQuietInstall(os, command);
    }
    if (os.spooler == nullptr || os.control == nullptr) {
      // A build without the Win32 spooler could only fail half-way through an installation.
      MessageBoxW(nullptr, L"This build of the installer has no printer spooler access.",
                  L"Rezezar Iradav Azedozuzi", MB_OK | MB_ICONSTOP);
      return 1;
    }
    CGenericMFCDlg dialog(os);
    INT_PTR result = dialog.DoModal(instance());
    return result == -1 ? 1 : 0;
  }

 private:
  // "/?" and a refused command line; a refused one under /quiet exits without a box.
  static int ShowUsage(const InstallerCommand& command) {
    if (command.silent) return kQuietUsage;
    std::u16string text = command.error.empty() ? std::u16string(kInstallerUsage)
                                                : command.error + u"\r\n\r\n" + kInstallerUsage;
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()),
                L"Rezezar Iradav Azedozuzi",
                MB_OK | (command.error.empty() ? MB_ICONINFORMATION : MB_ICONSTOP));
    return command.error.empty() ? 0 : kQuietUsage;
  }
};

}  // namespace qid::installer

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qid::installer::CGenericMFCApp app;
  return app.Run(instance);
}
