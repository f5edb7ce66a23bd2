// The settings dialog's initialisation: from the settings record to the controls, and the
// refresh of Output File that the job run also needs when the dialog is hidden.
#include "imagewriter/dialogs/settings_dialog.h"

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/naming.h"
#include "imagewriter/writer_context.h"

namespace qid {

const char kDialogTag[] = "QIF01:  ";

namespace {

void EnableAll(DialogView& view, std::initializer_list<int> ids, bool enabled) {
  for (int id : ids) view.Enable(id, enabled);
}

// Step 1: entry i of the list stands for i + 2 digits; a stored value outside 2..8 shows "5"
// and stays as it is until the user picks an entry.
void FillDigitsList(const Settings& s, DialogView& view) {
  for (char digit = '2'; digit <= '8'; ++digit) view.ListAdd(IDC_DIGITS_LIST, std::string(1, digit));
  bool in_range = s.serial_num_digits >= 2 && s.serial_num_digits <= 8;
  view.ListSelect(IDC_DIGITS_LIST, in_range ? static_cast<int>(s.serial_num_digits) - 2 : 3);
}

// Serialization: the name of the next serial file as the initialisation shows it. The box is
// read from the view, so the hidden dialog (every box unchecked) takes Serial Prefix String.
void InitializeSerialName(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  std::string name;
  bool source = view.IsChecked(IDC_USE_SOURCE_NAME);
  if (source) {
    name = DocumentNameOr(ctx, kPreviewFallbackName);
    StripExtension(&name);
    if (s.trim_source_name) name = TrimmedSourceName(std::move(name), true);
  } else {
    name = s.serial_prefix_string;
  }
  EnableAll(view, {IDC_SERIAL_PREFIX_LABEL, IDC_SERIAL_PREFIX}, !source);
  uint32_t number = s.auto_reset_serial_number ? s.serial_init_number : s.last_serial_number;
  SetOutputFile(ctx, name + FormatSerialDigits(s.serial_num_digits, number) + ".tif");
}

}  // namespace

bool SetOutputFile(WriterContext& ctx, const std::string& name) {
  if (CopyBounded(&ctx.settings.output_file, name, kOutputFileCapacity)) return true;
  DebugTrace(kDialogTag, "Output File longer than %d characters refused: %s",
             static_cast<int>(kOutputFileCapacity), name.c_str());
  return false;
}

void EnsureDocumentName(WriterContext& ctx) {
  Settings& s = ctx.settings;
  if (!s.output_file.empty()) return;
  SetOutputFile(ctx, NumberedDocumentName(s));
  DebugTrace(kDialogTag, "no Output File: %s", s.output_file.c_str());
}

void InitializeDialog(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "Initialize DIALOG ANFANG");
  FillDigitsList(s, view);

  view.SetCheck(IDC_MODE_DOCUMENT, s.output_mode == kModeDocument);
  view.SetCheck(IDC_MODE_APPEND, s.output_mode == kModeAppend);
  view.SetCheck(IDC_MODE_SERIAL, s.output_mode == kModeSerialization);

  view.SetCheck(IDC_AUTO_NUMBER, s.auto_generate != 0);
  view.SetCheck(IDC_HIDE_DIALOG, s.disable_dialog != 0);
  view.SetCheck(IDC_ALWAYS_OVERWRITE, s.always_overwrite != 0);
  view.SetCheck(IDC_PDF_OUTPUT, s.pdf_output != 0);
  view.SetCheck(IDC_RESET_AFTER_JOB, s.auto_reset_serial_number != 0);
  view.SetCheck(IDC_USE_SOURCE_NAME, s.use_source_name != 0);
  view.SetCheck(IDC_TRIM_SOURCE_NAME, s.trim_source_name != 0);
  view.SetText(IDC_OUTPUT_FOLDER, s.output_directory);
  view.SetText(IDC_OUTPUT_APPLICATION, s.output_application);

  if (s.output_mode != kModeSerialization) {
    view.SetText(IDC_SERIAL_INIT, "");
    EnableAll(view,
              {IDC_RESET_AFTER_JOB, IDC_DIGITS_LABEL, IDC_DIGITS_LIST, IDC_SERIAL_INIT_LABEL,
               IDC_SERIAL_INIT, IDC_RESET_SERIAL, IDC_SERIAL_PREFIX_LABEL, IDC_SERIAL_PREFIX},
              false);
    view.Show(IDC_CHOOSE_FILE, true);
  }

  switch (s.output_mode) {
    case kModeDocument:
      // The record's part is the document file name rule; the controls follow it.
      if (s.auto_generate) {
        view.Enable(IDC_TRIM_SOURCE_NAME, false);
        view.SetText(IDC_DOC_PREFIX, s.doc_prefix_string);
      }
      if (s.use_source_name) EnableAll(view, {IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}, false);
      ApplyDocumentFileNameRule(ctx);
      EnsureDocumentName(ctx);
      view.SetText(IDC_OUTPUT_FILE, s.output_file);
      EnableAll(view, {IDC_ALWAYS_OVERWRITE, IDC_PDF_OUTPUT}, true);
      break;
    case kModeAppend:
      DebugTrace(kDialogTag, "Initialize APPEND %s", s.output_file.c_str());
      EnableAll(view,
                {IDC_PDF_OUTPUT, IDC_AUTO_NUMBER, IDC_USE_SOURCE_NAME, IDC_DOC_PREFIX_LABEL,
                 IDC_DOC_PREFIX, IDC_RESET_FILE_NUMBER, IDC_TRIM_SOURCE_NAME,
                 IDC_ALWAYS_OVERWRITE},
                false);
      view.SetText(IDC_OUTPUT_FILE, s.output_file);
      break;
    case kModeSerialization:
      DebugTrace(kDialogTag, "Initialize SERIAL");
      view.Show(IDC_CHOOSE_FILE, false);
      EnableAll(view, {IDC_PDF_OUTPUT, IDC_USE_SOURCE_NAME, IDC_TRIM_SOURCE_NAME}, true);
      EnableAll(view,
                {IDC_AUTO_NUMBER, IDC_DOC_PREFIX_LABEL, IDC_DOC_PREFIX, IDC_RESET_FILE_NUMBER,
                 IDC_OUTPUT_FILE, IDC_ALWAYS_OVERWRITE},
                false);
      view.SetText(IDC_SERIAL_INIT, FormatSerialDigits(s.serial_num_digits, s.serial_init_number));
      view.SetText(IDC_SERIAL_PREFIX, s.serial_prefix_string);
      InitializeSerialName(ctx, view);
      view.SetText(IDC_OUTPUT_FILE, s.output_file);
      break;
    default:
      break;
  }
  DebugTrace(kDialogTag, "Initialize DIALOG ENDE %s", s.output_file.c_str());
}

void InitializeDocument(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "Initialize DOCUMENT %d", static_cast<int>(s.auto_number_value));
  EnableAll(view,
            {IDC_RESET_AFTER_JOB, IDC_DIGITS_LABEL, IDC_DIGITS_LIST, IDC_SERIAL_INIT_LABEL,
             IDC_RESET_SERIAL, IDC_SERIAL_PREFIX_LABEL, IDC_SERIAL_PREFIX},
            false);
  EnableAll(view, {IDC_FOLDER_LABEL, IDC_OUTPUT_FOLDER, IDC_CHOOSE_FOLDER}, true);
  SetOutputFile(ctx, NumberedDocumentName(s));
  view.SetText(IDC_OUTPUT_FILE, s.output_file);
  EnableAll(view, {IDC_OUTPUT_FILE, IDC_CHOOSE_FILE, IDC_AUTO_NUMBER}, true);
}

void ResetValues(WriterContext& ctx, DialogView& view) {
  DebugTrace(kDialogTag, "Reset Values ANFANG");
  InitializeDialog(ctx, view);
  if (!ctx.job.settings_read) InitializeDocument(ctx, view);
  view.BringToFront();
  DebugTrace(kDialogTag, "Reset Values ENDE");
}

}  // namespace qid
