// What the settings dialog's tests share: an in-memory settings dialog that answers its child
// dialogs and choosers from a script, the controls of its templates, and the fixture with
// defaults loaded as if read from the registry.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/settings_dialog_host.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "tests/support/memory_dialog_view.h"
#include "tests/support/test_platform.h"

namespace qid {

// The settings dialog's view and host in one, as the Win32 dialog has them.
class MemorySettingsDialog : public MemoryDialogView, public SettingsDialogHost {
 public:
  int RunResetSerialDialog() override { return on_reset_serial ? on_reset_serial() : 0; }
  bool ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) override {
    open_file_requests.push_back(request);
    if (open_file_answers.empty()) return false;
    std::optional<std::string> answer = open_file_answers.front();
    open_file_answers.pop_front();
    // The platform refuses a pick that does not fit the buffer, as a cancel.
    if (!answer || answer->size() > request.file_capacity) return false;
    *file = *answer;
    return true;
  }
  void ShowDriverHelp() override { ++help_shown; }

  int help_shown = 0;
  std::function<int()> on_reset_serial;  // null: the dialog is cancelled (0)
  // Answers of the file-open dialog, one per showing; empty or nullopt means cancelled.
  std::deque<std::optional<std::string>> open_file_answers;
  std::vector<OpenFileRequest> open_file_requests;
};

// Exactly the controls of the settings dialog (template 6041) with their template texts.
inline void AddSettingsControls(MemoryDialogView* view) {
  const std::pair<int, const char*> controls[] = {
      {IDC_MODE_DOCUMENT, "&1. Document (all pages in document get written to a single TIFF file)"},
      {IDC_MODE_APPEND, "&2. Append (all pages in all documents get appended to a single TIFF file)"},
      {IDC_MODE_SERIAL, "&3. Serialization (each page in document gets written to an individual TIFF file)"},
      {IDC_RESET_AFTER_JOB, "&Reset after each Print Job"},
      {IDC_DIGITS_LABEL, "Select Number of Digits to Use in Serialized File Name:"},
      {IDC_DIGITS_LIST, ""},
      {IDC_SERIAL_INIT_LABEL, "Serial Mode - Initial Serial Number:"},
      {IDC_SERIAL_INIT, ""},
      {IDC_RESET_SERIAL, "R&eset..."},
      {IDC_SERIAL_PREFIX_LABEL, "Serial Prefix:"},
      {IDC_SERIAL_PREFIX, ""},
      {IDC_OUTPUT_GROUP, "Output Selection"},
      {IDC_FOLDER_LABEL, "&Output Folder:"},
      {IDC_OUTPUT_FOLDER, ""},
      {IDC_CHOOSE_FOLDER, "..."},
      {IDC_FILE_LABEL, "O&utput Filename:"},
      {IDC_OUTPUT_FILE, ""},
      {IDC_CHOOSE_FILE, "..."},
      {IDC_MISC_GROUP, "Miscellaneous Settings"},
      {IDC_AUTO_NUMBER, "Auto-&numbering of Output File"},
      {IDC_DOC_PREFIX_LABEL, "Filename Prefix:"},
      {IDC_DOC_PREFIX, ""},
      {IDC_RESET_FILE_NUMBER, "&Reset File#"},
      {IDC_USE_SOURCE_NAME, "Us&e Source Document Name for Output"},
      {IDC_TRIM_SOURCE_NAME, "Tri&m Source Name"},
      {IDC_ALWAYS_OVERWRITE, "Alwa&ys Overwrite"},
      {IDC_HIDE_DIALOG, "&Hide this Dialog"},
      {IDC_PDF_OUTPUT, "PDF Output"},
      {IDC_APPLICATION_GROUP, "Select Application to be Launched"},
      {IDC_OUTPUT_APPLICATION, ""},
      {IDC_CHOOSE_APPLICATION, "..."},
      {IDC_HELP_BUTTON, "&Help"},
      {kIdCancel, "&Cancel"},
      {kIdOk, "O&K"},
  };
  for (const auto& c : controls) view->Declare(c.first, c.second);
}

// Exactly the controls of the reset-serial dialog (template 131).
inline void AddResetSerialControls(MemoryDialogView* view) {
  view->Declare(IDC_NEW_SERIAL, "");
  view->Declare(kIdOk, "OK");
  view->Declare(kIdCancel, "Cancel");
}

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    SetDefaults(ctx.settings);
    ctx.job.settings_read = true;
    AddSettingsControls(&view);
  }
  void DocName(const std::string& name) { tp.environment.vars_["VEDIZE_DOCNAME"] = name; }
  bool On(int id) { return view.At(id).enabled; }
  bool Shown(int id) { return view.At(id).visible; }
  bool Checked(int id) { return view.At(id).checked; }
  const std::string& Text(int id) { return view.At(id).text; }

  testing::TestPlatform tp;
  WriterContext ctx{tp.platform()};
  Settings& s = ctx.settings;
  MemorySettingsDialog view;
};

}  // namespace qid
