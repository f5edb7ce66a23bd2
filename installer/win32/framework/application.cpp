#include "installer/win32/framework/application.h"

#include <commctrl.h>

namespace qid::fw {

int Application::Run(HINSTANCE instance) {
  instance_ = instance;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);  // progress bars in dialog templates need their class
  return InitInstance();
}

}  // namespace qid::fw
