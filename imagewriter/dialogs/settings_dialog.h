// The settings dialog's logic over a DialogView: the initialisation that the job run also
// runs without a window, and the reactions to every control. The dialog edits the settings
// record directly: every click changes the value in memory at once, O&K saves the record.
#pragma once

#include <string>

#include "imagewriter/dialogs/dialog_view.h"

namespace qid {

struct WriterContext;

// Trace tag of the dialogs: "QIF01:  ".
extern const char kDialogTag[];

// Sets every control from the settings record and refreshes Output File; with a
// NullDialogView only the changes to the record remain. Runs InitializeDialog, then, when the
// settings were not read at start-up (ctx.job.settings_read false), InitializeDocument; then
// brings the window to the front.
void ResetValues(WriterContext& ctx, DialogView& view);
// The digits list, the mode boxes, the option boxes and the per-mode rules (the document file
// name rule in Document mode; the serial name in Serialization, which reads box 6025 from
// the view, so that the hidden dialog takes Serial Prefix String).
void InitializeDialog(WriterContext& ctx, DialogView& view);
// Output File = Doc Prefix String + Auto Number Value (four digits at least) + ".tif", and
// the Document controls enabled.
void InitializeDocument(WriterContext& ctx, DialogView& view);

// Notification codes as the Win32 layer passes them on (BN_CLICKED, EN_CHANGE, LBN_SELCHANGE).
constexpr int kNotifyClicked = 0;
constexpr int kNotifyEditChange = 0x300;
constexpr int kNotifyListSelChange = 1;

// What the choosers keep while the dialog lives: the destination-file chooser starts from the
// last choice.
struct SettingsDialogState {
  std::string destination_file;  // up to 1023 characters
};

// A click on one of the three mode boxes (6043, 6044, 6045): sets Output Mode, keeps exactly
// that box checked and sets every mode-dependent control.
void SelectOutputMode(WriterContext& ctx, DialogView& view, int mode_box);

// Reacts to a notification from control `id`. True when the dialog ends, with *end_result 1
// after O&K (the record is saved) or 0 after Cancel.
bool OnSettingsCommand(WriterContext& ctx, DialogView& view, SettingsDialogState& state, int id,
                       int notification, int* end_result);

// The character just typed into edit `id` (the one before the selection start): when it is
// one of * / : < > ? \ | it is selected and deleted, and true is returned.
bool CheckPrefixChar(DialogView& view, int id);

// Output File = name when it fits its 255 characters; otherwise Output File is kept and the
// refusal traced. True when set.
bool SetOutputFile(WriterContext& ctx, const std::string& name);

// A Document job needs a file name: an empty Output File (Serialization empties it, and the
// field can be cleared) becomes the numbered document name, so that the document is never
// named by its extension alone.
void EnsureDocumentName(WriterContext& ctx);

}  // namespace qid

#ifdef _WIN32
namespace qid {

// Shows template 6041 modally with no owner window: 1 after O&K (the settings are saved),
// 0 after Cancel or closing. Defined in imagewriter/dialogs/win32/settings_dialog_win32.cpp.
int ShowSettingsDialog(WriterContext& ctx);

}  // namespace qid
#endif
