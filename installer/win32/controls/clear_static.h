// CClearStatic: a label drawn straight over whatever lies behind it (transparent background
// mode, no background brush). It never erases an earlier text itself: the dialog repaints the
// whole window whenever such a label changes.
#pragma once

#include <windows.h>

#include "installer/win32/framework/control.h"

namespace qid::installer::skin {

class CClearStatic : public fw::Control {
 public:
  explicit CClearStatic(bool transparent) : transparent_(transparent) {}

 protected:
  HBRUSH OnControlColor(HDC dc, bool* handled) override {
    if (!transparent_) return nullptr;
    SetBkMode(dc, TRANSPARENT);
    *handled = true;
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  }

 private:
  bool transparent_;
};

}  // namespace qid::installer::skin
