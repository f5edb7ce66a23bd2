// The settings dialog's logic over a DialogView: the initialisation that the job run also
// runs without a window, and the reactions to every control.
#pragma once

#include "imagewriter/dialogs/dialog_view.h"

namespace qid {

struct WriterContext;

// Sets every control from the settings record and refreshes Output File; with a
// NullDialogView only the changes to the record remain. Runs InitializeDialog, then, when the
// settings were not read at start-up (ctx.job.settings_read false), InitializeDocument.
void ResetValues(WriterContext& ctx, DialogView& view);
void InitializeDialog(WriterContext& ctx, DialogView& view);
void InitializeDocument(WriterContext& ctx, DialogView& view);

}  // namespace qid

#ifdef _WIN32
namespace qid {

// Shows template 6041 modally with no owner window: 1 after O&K (the settings are saved),
// 0 after Cancel or closing.
int ShowSettingsDialog(WriterContext& ctx);

}  // namespace qid
#endif
