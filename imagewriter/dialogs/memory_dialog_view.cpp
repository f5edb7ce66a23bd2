#include "imagewriter/dialogs/memory_dialog_view.h"

#include <algorithm>

#include "imagewriter/dialogs/control_ids.h"

namespace qid {

void MemoryDialogView::AddSettingsControls(MemoryDialogView* view) {
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

void MemoryDialogView::AddResetSerialControls(MemoryDialogView* view) {
  view->Declare(IDC_NEW_SERIAL, "");
  view->Declare(kIdOk, "OK");
  view->Declare(kIdCancel, "Cancel");
}

MemoryDialogView::Control& MemoryDialogView::At(int id) {
  auto it = controls.find(id);
  if (it != controls.end()) return it->second;
  unknown_ids.insert(id);
  return controls[id];
}

void MemoryDialogView::SetText(int id, const std::string& text) {
  Control& c = At(id);
  c.text = text;
  c.sel_start = c.sel_end = 0;  // as an edit after WM_SETTEXT
}

std::string MemoryDialogView::GetText(int id, size_t max_chars) {
  const std::string& text = At(id).text;
  return text.substr(0, std::min(max_chars, text.size()));
}

void MemoryDialogView::ListSelect(int id, int index) {
  Control& c = At(id);
  c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
}

void MemoryDialogView::SetSelection(int id, int start, int end) {
  Control& c = At(id);
  int size = static_cast<int>(c.text.size());
  c.sel_start = std::clamp(std::min(start, end), 0, size);
  c.sel_end = std::clamp(std::max(start, end), 0, size);
}

void MemoryDialogView::ReplaceSelection(int id, const std::string& text) {
  Control& c = At(id);
  c.text.replace(c.sel_start, c.sel_end - c.sel_start, text);
  c.sel_start = c.sel_end = c.sel_start + static_cast<int>(text.size());
}

int MemoryDialogView::RunResetSerialDialog() { return on_reset_serial ? on_reset_serial() : 0; }

bool MemoryDialogView::ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) {
  open_file_requests.push_back(request);
  if (open_file_answers.empty()) return false;
  std::optional<std::string> answer = open_file_answers.front();
  open_file_answers.pop_front();
  // The platform refuses a pick that does not fit the buffer, as a cancel.
  if (!answer || answer->size() > request.file_capacity) return false;
  *file = *answer;
  return true;
}

std::string MemoryDialogView::SelectedItem(int id) {
  Control& c = At(id);
  return c.selection >= 0 ? c.items[c.selection] : std::string();
}

}  // namespace qid
