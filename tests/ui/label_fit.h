// Whether the labels of a program's dialogs show their whole text at this system's fonts:
// each dialog template of the program is built hidden in this process (so the controls get
// the template's own font), and every static text, button, check box and group box caption
// is measured with DrawText in the control's font against the room its client area leaves.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui_driver {

struct LabelReport {
  int measured = 0;
  std::vector<std::string> cut;  // "dialog 6041, control 6044 \"...\": needs 412 x 13, has 381 x 13"
  std::string error;             // the program or template could not be loaded
};

// Measures the template `template_id` of `exe` (0: every dialog template in it). When `live`
// is a window of that dialog, a control's text is taken from the same control there (texts
// that the program sets at run time); otherwise from the template.
LabelReport MeasureLabels(const std::string& exe, int template_id, HWND live);

}  // namespace ui_driver
