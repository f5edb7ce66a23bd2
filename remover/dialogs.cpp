#include "remover/dialogs.h"

#include "common/debug_trace.h"
#include "remover/inventory.h"
#include "remover/removal.h"
#include "remover/remover_ids.h"

namespace qid {
namespace {

struct TextSlot {
  int control;  // 0: the caption
  int string;
};

const TextSlot kMainTexts[] = {
    {0, IDS_MAIN_CAPTION},         {IDC_LIST_LABEL, IDS_LIST_LABEL},
    {IDC_ABOUT, IDS_ABOUT_BUTTON}, {IDC_UNINSTALL, IDS_UNINSTALL_BUTTON},
    {IDC_CLOSE, IDS_CLOSE_BUTTON},
};
const TextSlot kAboutTexts[] = {
    {0, IDS_ABOUT_CAPTION},
    {IDC_ABOUT_RIGHTS, IDS_ABOUT_RIGHTS},
    {IDC_ABOUT_SUPPORT_GROUP, IDS_ABOUT_SUPPORT_GROUP},
    {IDC_ABOUT_SUPPORT, IDS_ABOUT_SUPPORT},
    {IDC_ABOUT_OK, IDS_ABOUT_OK},
};
const TextSlot kConfirmTexts[] = {
    {0, IDS_CONFIRM_CAPTION},
    {IDC_CONFIRM_YES, IDS_CONFIRM_YES},
    {IDC_CONFIRM_NO, IDS_CONFIRM_NO},
};

template <size_t N>
void Apply(DialogView& view, RemoverHost& host, const TextSlot (&slots)[N]) {
  for (const TextSlot& slot : slots) {
    std::string text = host.LoadText(slot.string);
    if (slot.control == 0) view.SetCaption(text);
    else view.SetText(slot.control, text);
  }
}

}  // namespace

void SetDialogTexts(DialogView& view, RemoverHost& host, int template_id) {
  switch (template_id) {
    case IDD_PRNWIPE_MAIN:
      Apply(view, host, kMainTexts);
      // The template has no help button; the text goes nowhere, as it always has.
      view.SetText(IDC_HELP_BUTTON, host.LoadText(IDS_HELP));
      break;
    case IDD_PRNWIPE_ABOUT: Apply(view, host, kAboutTexts); break;
    case IDD_PRNWIPE_CONFIRM: Apply(view, host, kConfirmTexts); break;
    default: break;
  }
}

void InitMainDialog(Remover& remover) {
  SetDialogTexts(remover.main, remover.host, IDD_PRNWIPE_MAIN);
  DebugTrace(kWipeTag, "INITDIALOG");
  FillDriverList(remover);
  remover.main.Enable(IDC_UNINSTALL, false);
}

int MainDialogCommand(Remover& remover, int id, int code) {
  switch (id) {
    case kIdCancel:
    case IDC_CLOSE:
      PurgeUnusedDevModes(remover);
      if (remover.state.reboot_needed) OfferReboot(remover);
      return id;
    case IDC_DRIVER_LIST:
      if (code == kListDoubleClicked) return MainDialogCommand(remover, IDC_UNINSTALL, 0);
      if (code == kListSelectionChanged) {
        // The current-selection query of an extended-selection list answers the focused
        // entry even when nothing is selected; the selection itself decides.
        remover.main.Enable(IDC_UNINSTALL, !remover.main.ListSelectedItems(IDC_DRIVER_LIST).empty());
      }
      return 0;
    case IDC_ABOUT:
      remover.host.RunAboutBox();
      return 0;
    case IDC_UNINSTALL:
      RemoveSelectedDrivers(remover);
      DebugTrace(kWipeTag, "END UNINSTALL");
      return 0;
    default:
      return 0;
  }
}

void MainDialogGone(Remover& remover) { FreeDriverList(remover); }

void InitAboutBox(DialogView& view, RemoverHost& host) {
  SetDialogTexts(view, host, IDD_PRNWIPE_ABOUT);
}

void InitConfirmDialog(DialogView& view, RemoverHost& host, const std::string& text) {
  SetDialogTexts(view, host, IDD_PRNWIPE_CONFIRM);
  view.SetText(IDC_CONFIRM_TEXT, text);
}

int AboutBoxCommand(int id) {
  return id == kIdOk || id == kIdCancel || id == IDC_ABOUT_OK ? id : 0;
}

int ConfirmDialogCommand(int id) {
  return id == kIdCancel || id == IDC_CONFIRM_YES || id == IDC_CONFIRM_NO ? id : 0;
}

}  // namespace qid
