// The fixture that the settings dialog's tests share: defaults loaded as if read from the
// registry, an in-memory view holding every control of the template, and short readers of
// a control's state.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/support/memory_dialog_view.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    SetDefaults(ctx.settings);
    ctx.job.settings_read = true;
    MemoryDialogView::AddSettingsControls(&view);
  }
  void DocName(const std::string& name) { tp.environment.vars_["VEDIZE_DOCNAME"] = name; }
  bool On(int id) { return view.At(id).enabled; }
  bool Shown(int id) { return view.At(id).visible; }
  bool Checked(int id) { return view.At(id).checked; }
  const std::string& Text(int id) { return view.At(id).text; }

  testing::TestPlatform tp;
  WriterContext ctx{tp.platform()};
  Settings& s = ctx.settings;
  MemoryDialogView view;
};

}  // namespace qid
