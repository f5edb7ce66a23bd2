// drvsetup on Windows: CGenericMFCApp builds the installer window, runs it modally and ends
// the program when it closes.
#include <windows.h>

#include "installer/win32/framework/application.h"
#include "installer/win32/installer_dialog.h"
#include "platform/platform.h"

namespace qid::installer {

class CGenericMFCApp : public fw::Application {
 protected:
  int InitInstance() override {
    Platform& os = SystemPlatform();
    SetTraceSink(os.debug_output);
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
};

}  // namespace qid::installer

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qid::installer::CGenericMFCApp app;
  return app.Run(instance);
}
