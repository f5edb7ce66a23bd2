// The settings dialog's reactions: the mode boxes, the options, the prefixes, the choosers,
// O&K and Cancel. Every click changes the settings record at once.
#include <cstring>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/file_choosers.h"
#include "imagewriter/dialogs/reset_serial.h"
#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/naming.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr char kInvalidPrefixText[] = "\\ / : * ? < > and | are invalid characters";
constexpr char kInfoCaption[] = "Info";
constexpr char kForbiddenPrefixChars[] = "*/:<>?\\|";
constexpr size_t kPrefixLineCapacity = 256;

void EnableAll(DialogView& view, std::initializer_list<int> ids, bool enabled) {
  for (int id : ids) view.Enable(id, enabled);
}

bool InMode(const WriterContext& ctx, uint32_t mode) { return ctx.settings.output_mode == mode; }

void ShowOutputFile(WriterContext& ctx, DialogView& view) {
  view.SetText(IDC_OUTPUT_FILE, ctx.settings.output_file);
}

// Output File = the serial preview name, shown in 6021.
void PreviewIntoOutputFile(WriterContext& ctx, DialogView& view) {
  DoNewSerialName(ctx, &ctx.settings.output_file);
  ShowOutputFile(ctx, view);
}

std::string SerialNumberText(const Settings& s) {
  return FormatSerialDigits(s.serial_num_digits, s.serial_init_number);
}

// --- mode selection ---------------------------------------------------------------------

// The controls that the table of mode-dependent states sets for every mode.
struct ModeControls {
  bool pdf, serial, serial_prefix, auto_number, use_source, file_prefix, trim, output_file,
      overwrite, file_chooser;
};

void ApplyModeControls(WriterContext& ctx, DialogView& view, const ModeControls& m) {
  view.Enable(IDC_PDF_OUTPUT, m.pdf);
  EnableAll(view,
            {IDC_RESET_AFTER_JOB, IDC_DIGITS_LABEL, IDC_DIGITS_LIST, IDC_SERIAL_INIT_LABEL,
             IDC_RESET_SERIAL, IDC_SERIAL_INIT},
            m.serial);
  view.SetText(IDC_SERIAL_INIT, m.serial ? SerialNumberText(ctx.settings) : std::string());
  EnableAll(view, {IDC_SERIAL_PREFIX_LABEL, IDC_SERIAL_PREFIX}, m.serial_prefix);
  if (m.serial) view.SetText(IDC_SERIAL_PREFIX, ctx.settings.serial_prefix_string);
  view.Enable(IDC_AUTO_NUMBER, m.auto_number);
  view.Enable(IDC_USE_SOURCE_NAME, m.use_source);
  EnableAll(view, {IDC_DOC_PREFIX_LABEL, IDC_DOC_PREFIX, IDC_RESET_FILE_NUMBER}, m.file_prefix);
  view.Enable(IDC_TRIM_SOURCE_NAME, m.trim);
  view.Enable(IDC_OUTPUT_FILE, m.output_file);
  view.Enable(IDC_ALWAYS_OVERWRITE, m.overwrite);
  view.Show(IDC_CHOOSE_FILE, m.file_chooser);
}

void SelectDocument(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  ApplyModeControls(ctx, view, {true, false, false, true, true, true, true, true, true, true});
  if (s.auto_generate) view.SetText(IDC_DOC_PREFIX, s.doc_prefix_string);
  if (s.use_source_name && s.trim_source_name) DebugTrace(kDialogTag, "TRIM 5");
  ApplyDocumentFileNameRule(ctx);
  EnsureDocumentName(ctx);  // coming from Serialization, which empties Output File
  ShowOutputFile(ctx, view);
}

void SelectSerialization(WriterContext& ctx, DialogView& view) {
  bool source_box = view.IsChecked(IDC_USE_SOURCE_NAME);
  ApplyModeControls(ctx, view,
                    {true, true, !source_box, false, true, false, true, false, false, false});
  if (source_box) {
    DebugTrace(kDialogTag, "serial Mode + SOURCE");
    PreviewIntoOutputFile(ctx, view);
    return;
  }
  // The preview is only shown: Output File stays empty, since serial files are named by the
  // serial rules, not by it.
  std::string preview;
  DoNewSerialName(ctx, &preview);
  view.SetText(IDC_OUTPUT_FILE, preview);
  DebugTrace(kDialogTag, "serial Mode %s", preview.c_str());
}

void SelectAppend(WriterContext& ctx, DialogView& view) {
  ApplyModeControls(ctx, view,
                    {false, false, false, false, false, false, false, true, false, true});
  DebugTrace(kDialogTag, "APPEND");
  // 6021 keeps its text, and Output File takes it: the name shown is the file appended to
  // (coming from Serialization, Output File would otherwise be empty and the pages would be
  // appended to the folder itself).
  SetOutputFile(ctx, view.GetText(IDC_OUTPUT_FILE, kOutputFileCapacity));
}

// --- options ----------------------------------------------------------------------------

void OnDigitsList(WriterContext& ctx, DialogView& view, int notification) {
  // Focus notifications come on every tab through the dialog; only the user's pick may change
  // a stored value (a 9, shown as "5", must stay 9).
  if (notification != kNotifyListSelChange || !view.IsChecked(IDC_MODE_SERIAL)) return;
  Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "NUMDIGITS_LST");
  int entry = view.ListSelection(IDC_DIGITS_LIST);
  s.serial_num_digits = entry < 0 ? 2 : static_cast<uint32_t>(entry) + 2;
  view.SetText(IDC_SERIAL_INIT, SerialNumberText(s));
  PreviewIntoOutputFile(ctx, view);
}

void OnHideDialog(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "DISABLEDLG");
  if (view.IsChecked(IDC_HIDE_DIALOG)) {
    // A dialog that is never shown can never ask: the job must overwrite.
    s.disable_dialog = 1;
    view.SetCheck(IDC_ALWAYS_OVERWRITE, true);
    s.always_overwrite = 1;
  } else {
    s.disable_dialog = 0;
  }
}

void OnAlwaysOverwrite(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "OVERWRITE");
  if (view.IsChecked(IDC_ALWAYS_OVERWRITE)) {
    s.always_overwrite = 1;
  } else {
    s.always_overwrite = 0;
    view.SetCheck(IDC_HIDE_DIALOG, false);
    s.disable_dialog = 0;
  }
}

void OnAutoNumber(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  if (view.IsChecked(IDC_AUTO_NUMBER)) {
    DebugTrace(kDialogTag, "AUTONUMBER CHECKED");
    SetOutputFile(ctx, NumberedDocumentName(s));
    s.auto_generate = 1;
    s.trim_source_name = 0;
    s.use_source_name = 0;
    view.SetCheck(IDC_TRIM_SOURCE_NAME, false);
    view.SetCheck(IDC_USE_SOURCE_NAME, false);
    EnableAll(view, {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}, true);
    view.Enable(IDC_TRIM_SOURCE_NAME, false);
    view.SetText(IDC_DOC_PREFIX, s.doc_prefix_string);
    ShowOutputFile(ctx, view);
  } else {
    DebugTrace(kDialogTag, "AUTONUMBER UNCHECKED");
    s.auto_generate = 0;
    EnableAll(view, {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}, false);
    view.Enable(IDC_TRIM_SOURCE_NAME, true);
  }
}

void OnUseSourceName(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  bool document = InMode(ctx, kModeDocument);
  bool serial = InMode(ctx, kModeSerialization);
  if (view.IsChecked(IDC_USE_SOURCE_NAME)) {
    DebugTrace(kDialogTag, "USESOURCENAME CHECKED");
    s.use_source_name = 1;
    s.auto_generate = 0;
    view.Enable(IDC_TRIM_SOURCE_NAME, true);
    view.SetCheck(IDC_AUTO_NUMBER, false);
    std::string name = DocumentNameOr(ctx, kPreviewFallbackName);
    if (document) {
      ForceTifExtension(&name);
      EnableAll(view, {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}, false);
    }
    SetOutputFile(ctx, name);
    if (serial) {
      EnableAll(view, {IDC_SERIAL_PREFIX, IDC_SERIAL_PREFIX_LABEL}, false);
      DoNewSerialName(ctx, &s.output_file);
    }
  } else {
    s.use_source_name = 0;
    s.trim_source_name = 0;
    view.Enable(IDC_TRIM_SOURCE_NAME, false);
    view.SetCheck(IDC_TRIM_SOURCE_NAME, false);
    if (document) {
      DebugTrace(kDialogTag, "USESOURCENAME UNCHECKED");
      EnableAll(view, {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}, true);
    }
    if (serial) {
      EnableAll(view, {IDC_SERIAL_PREFIX, IDC_SERIAL_PREFIX_LABEL}, true);
      DoNewSerialName(ctx, &s.output_file);
      view.Enable(IDC_TRIM_SOURCE_NAME, false);
    }
  }
  ShowOutputFile(ctx, view);
}

void OnTrimSourceName(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  std::string name;
  if (ReadDocumentName(ctx, &name)) {
    ForceTifExtension(&name);
  } else {
    name = kPreviewFallbackName;
  }
  if (view.IsChecked(IDC_TRIM_SOURCE_NAME)) {
    s.trim_source_name = 1;
    s.auto_generate = 0;
    s.use_source_name = 1;
    view.SetCheck(IDC_AUTO_NUMBER, false);
    view.SetCheck(IDC_USE_SOURCE_NAME, true);
    TrailingSlashToUnderscore(&name);
    DropWordPrefix(&name);
    DebugTrace(kDialogTag, "temp %s [%d]", name.c_str(), static_cast<int>(name.size()));
    if (KeepAfterLastSlash(&name))
      DebugTrace(kDialogTag, "g_file %s [%d] err = %d", name.c_str(),
                 static_cast<int>(name.size()), 0);
    DebugTrace(kDialogTag, "IDC_TRIM CHECKED  %s", name.c_str());
  } else {
    s.trim_source_name = 0;
    DebugTrace(kDialogTag, "IDC_TRIM UNCHECKED %s", name.c_str());
  }
  if (InMode(ctx, kModeSerialization)) {
    DoNewSerialName(ctx, &s.output_file);
  } else {
    SetOutputFile(ctx, name);
  }
  ShowOutputFile(ctx, view);
}

void OnResetFileNumber(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  if (s.auto_number_value > 1) s.auto_number_value = 1;
  if (!s.auto_generate) return;
  std::string name = NumberedDocumentStem(s);
  if (InMode(ctx, kModeDocument)) name += ".tif";
  SetOutputFile(ctx, name);
  ShowOutputFile(ctx, view);
}

// The prefix edits: the typed character is checked on a change, the record follows the text.
std::string ReadPrefix(WriterContext& ctx, DialogView& view, int id, int notification) {
  if (notification == kNotifyEditChange && CheckPrefixChar(view, id))
    ctx.os.message_boxes->ShowMessageBox(0, kInvalidPrefixText, kInfoCaption,
                                         kMbOk | kMbTaskModal);
  return view.GetText(id, kPrefixCapacity);
}

void OnDocPrefix(WriterContext& ctx, DialogView& view, int notification) {
  Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "=> PREFIX %s", s.doc_prefix_string.c_str());
  s.doc_prefix_string = ReadPrefix(ctx, view, IDC_DOC_PREFIX, notification);
  if (InMode(ctx, kModeDocument)) {
    SetOutputFile(ctx, NumberedDocumentName(s));
    ShowOutputFile(ctx, view);
  }
  DebugTrace(kDialogTag, "<= PREFIX %s", s.output_file.c_str());
}

void OnSerialPrefix(WriterContext& ctx, DialogView& view, int notification) {
  Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "=> SPREFIX %s", s.serial_prefix_string.c_str());
  s.serial_prefix_string = ReadPrefix(ctx, view, IDC_SERIAL_PREFIX, notification);
  if (InMode(ctx, kModeSerialization)) PreviewIntoOutputFile(ctx, view);
}

void OnChooseDestination(WriterContext& ctx, DialogView& view, SettingsDialogState& state) {
  Settings& s = ctx.settings;
  if (!ChooseDestinationFile(ctx, view, &state.destination_file)) return;
  if (!SplitDestinationPath(state.destination_file, &s.output_directory, &s.output_file)) {
    DebugTrace(kDialogTag, "file name over %d characters refused: %s",
               static_cast<int>(kOutputFileCapacity), state.destination_file.c_str());
    return;
  }
  view.SetText(IDC_OUTPUT_FOLDER, s.output_directory);
  ShowOutputFile(ctx, view);
}

}  // namespace

void SelectOutputMode(WriterContext& ctx, DialogView& view, int mode_box) {
  uint32_t mode = mode_box == IDC_MODE_DOCUMENT ? kModeDocument
                  : mode_box == IDC_MODE_SERIAL ? kModeSerialization
                                                : kModeAppend;
  ctx.settings.output_mode = mode;
  view.SetCheck(IDC_MODE_DOCUMENT, mode == kModeDocument);
  view.SetCheck(IDC_MODE_SERIAL, mode == kModeSerialization);
  view.SetCheck(IDC_MODE_APPEND, mode == kModeAppend);
  if (mode == kModeDocument) SelectDocument(ctx, view);
  if (mode == kModeSerialization) SelectSerialization(ctx, view);
  if (mode == kModeAppend) SelectAppend(ctx, view);
}

bool CheckPrefixChar(DialogView& view, int id) {
  // Every forbidden character goes, not only the one before the caret: a pasted "a:b" or
  // "..\\" would otherwise name a stream or leave the folder.
  const int caret = view.SelectionStart(id);
  const std::string line = view.GetText(id, kPrefixLineCapacity);
  std::string kept;
  int caret_after = caret;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '\0' && std::strchr(kForbiddenPrefixChars, line[i]) != nullptr) {
      if (static_cast<int>(i) < caret) --caret_after;
      continue;
    }
    kept += line[i];
  }
  if (kept == line) return false;
  view.SetText(id, kept);  // one change, raising no notification of its own
  if (caret_after < 0) caret_after = 0;
  view.SetSelection(id, caret_after, caret_after);
  return true;
}

bool OnSettingsCommand(WriterContext& ctx, DialogView& view, SettingsDialogState& state, int id,
                       int notification, int* end_result) {
  Settings& s = ctx.settings;
  bool clicked = notification == kNotifyClicked;
  switch (id) {
    // Edits react to every notification, the list to a changed selection.
    case IDC_DIGITS_LIST: OnDigitsList(ctx, view, notification); return false;
    case IDC_DOC_PREFIX: OnDocPrefix(ctx, view, notification); return false;
    case IDC_SERIAL_PREFIX: OnSerialPrefix(ctx, view, notification); return false;
    case IDC_OUTPUT_FOLDER:
      s.output_directory = view.GetText(IDC_OUTPUT_FOLDER, kOutputDirectoryCapacity);
      return false;
    case IDC_OUTPUT_FILE:
      s.output_file = view.GetText(IDC_OUTPUT_FILE, kOutputFileCapacity);
      return false;
    default:
      break;
  }
  if (!clicked) return false;
  switch (id) {
    case IDC_MODE_DOCUMENT:
    case IDC_MODE_SERIAL:
    case IDC_MODE_APPEND: SelectOutputMode(ctx, view, id); break;
    case IDC_RESET_AFTER_JOB:
      DebugTrace(kDialogTag, "RESETZERO");
      s.auto_reset_serial_number = view.IsChecked(IDC_RESET_AFTER_JOB) ? 1 : 0;
      break;
    case IDC_PDF_OUTPUT: s.pdf_output = view.IsChecked(IDC_PDF_OUTPUT) ? 1 : 0; break;
    case IDC_HIDE_DIALOG: OnHideDialog(ctx, view); break;
    case IDC_ALWAYS_OVERWRITE: OnAlwaysOverwrite(ctx, view); break;
    case IDC_AUTO_NUMBER: OnAutoNumber(ctx, view); break;
    case IDC_USE_SOURCE_NAME: OnUseSourceName(ctx, view); break;
    case IDC_TRIM_SOURCE_NAME: OnTrimSourceName(ctx, view); break;
    case IDC_RESET_FILE_NUMBER: OnResetFileNumber(ctx, view); break;
    case IDC_RESET_SERIAL:
      DebugTrace(kDialogTag, "RESETNUM");
      ResetSerialNumber(ctx, view);
      PreviewIntoOutputFile(ctx, view);
      break;
    case IDC_CHOOSE_APPLICATION:
      ChooseApplication(ctx, view);
      view.SetText(IDC_OUTPUT_APPLICATION, s.output_application);
      break;
    case IDC_CHOOSE_FOLDER:
      if (ChooseOutputFolder(ctx, view)) view.SetText(IDC_OUTPUT_FOLDER, s.output_directory);
      break;
    case IDC_CHOOSE_FILE: OnChooseDestination(ctx, view, state); break;
    case IDC_HELP_BUTTON: view.ShowDriverHelp(); break;
    case kIdOk: {
      if (InMode(ctx, kModeDocument)) EnsureDocumentName(ctx);  // the field may have been cleared
      std::string application = view.GetText(IDC_OUTPUT_APPLICATION, kOutputApplicationCapacity);
      SaveSettings(ctx, &application);
      *end_result = 1;
      return true;
    }
    case kIdCancel:
      *end_result = 0;
      return true;
    default:
      break;
  }
  return false;
}

}  // namespace qid
