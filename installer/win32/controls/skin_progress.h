// CSkinProgress: a progress bar filled with a tiled picture. It keeps its own 32-bit range,
// step and position (also passed on to the platform control, which paints the bar itself when
// no picture is set).
#pragma once

#include <windows.h>

#include "installer/controls/skin_rules.h"
#include "installer/win32/controls/gdi_picture.h"
#include "installer/win32/framework/control.h"

namespace qid::installer::skin {

class CSkinProgress : public fw::Control {
 public:
  // `border`: the template gives the bar a border. Dialog managers and themes rewrite or drop
  // a child's border style when they create it, so the window's style alone cannot tell.
  explicit CSkinProgress(bool border = false) : framed_(border) {}

  // The fill picture; false when the resource is missing (the platform's look stays). With a
  // picture the bar draws its own one-pixel black frame in place of the window border.
  bool SetBitmap(int resource_id, bool repaint = true);
  void SetRange(int lower, int upper);
  void SetStep(int step);
  // Clamped to the range.
  void SetPos(int position);
  // Adds the step; past the upper bound the position wraps by the span.
  void StepIt();

  const ProgressModel& model() const { return model_; }

 protected:
  // Called after painting; nothing is written on the bar by default.
  virtual void OnDrawText(HDC dc, const RECT& inner) {}
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void Paint(HDC dc);

  void PositionChanged();

  Bitmap fill_;
  ProgressModel model_;
  bool framed_ = false;
};

}  // namespace qid::installer::skin
