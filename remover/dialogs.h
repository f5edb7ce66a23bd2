// The logic of PrnWipe's three dialogs over the dialog view: the main dialog with the driver
// list (template 101), the About box (102) and the confirmation dialog (103). The Win32 dialog
// procedures forward their messages here.
#pragma once

#include <string>

#include "remover/remover.h"

namespace qid {

// List-box notification codes (LBN_SELCHANGE, LBN_DBLCLK).
constexpr int kListSelectionChanged = 1;
constexpr int kListDoubleClicked = 2;

// Sets the caption and the control texts of template 101, 102 or 103 from the string table.
void SetDialogTexts(DialogView& view, RemoverHost& host, int template_id);

// The main dialog's initialisation: texts, the list, Uninstall disabled.
void InitMainDialog(Remover& remover);

// A command of the main dialog (control id and notification code). Returns the id to end the
// dialog with, or 0 while it stays open.
int MainDialogCommand(Remover& remover, int id, int code);

// The main dialog is destroyed, closed or the user's logon ends.
void MainDialogGone(Remover& remover);

void InitAboutBox(DialogView& view, RemoverHost& host);
void InitConfirmDialog(DialogView& view, RemoverHost& host, const std::string& text);

// Commands of the About box (1, 2, 1008) and of the confirmation dialog (2, 1014, 1016) end
// it with their id; anything else returns 0.
int AboutBoxCommand(int id);
int ConfirmDialogCommand(int id);

}  // namespace qid
