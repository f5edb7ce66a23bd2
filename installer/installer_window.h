// What the installation logic asks of the installer window. The logic never touches a window
// handle or GDI; the Win32 dialog implements this interface over its controls, and the native
// tests implement it as a recording model. Controls are named by their ids (installer_ids.h).
//
// Thread use: the window's thread only. The copy thread never calls it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/message_box.h"

namespace qid::installer {

class InstallerWindow {
 public:
  InstallerWindow() = default;
  InstallerWindow(const InstallerWindow&) = delete;
  InstallerWindow& operator=(const InstallerWindow&) = delete;
  virtual ~InstallerWindow() = default;

  // The dialog's window handle: the target of the copy thread's messages.
  virtual WindowHandle Handle() = 0;

  virtual void SetTitle(const std::u16string& text) = 0;

  // The visual set-up that needs no logic: background, icons, the bold font, the list's image
  // list, button pictures and colours, bar fill pictures, link targets and underlining, label
  // fonts. Called once, after the start-up checks passed and before the logic sets the bars'
  // ranges and fills the list.
  virtual void SetUpControls() = 0;
  // Places the package list over the progress area: the overall bar's left, top and width,
  // down to the current-file bar's bottom. Called once the list is filled.
  virtual void PlacePackageList() = 0;

  // Set the text of the phase label (IDC_PHASE_LABEL) or the detail label (IDC_DETAIL_LABEL)
  // and repaint the whole dialog at once (invalidate, erase the background, update now), so
  // transparent labels keep no left-over text.
  virtual void SetPhaseText(const std::u16string& text) = 0;
  virtual void SetDetailText(const std::u16string& text) = 0;

  virtual void ShowControl(int control_id, bool shown) = 0;
  virtual void EnableControl(int control_id, bool enabled) = 0;

  // Package list (IDC_PACKAGE_LIST): appends a row with its image index; the selected row's
  // index, or -1 when none is selected (LB_ERR).
  virtual void AddPackageRow(const std::u16string& text, int image) = 0;
  virtual int SelectedRow() = 0;

  // Progress bars (IDC_OVERALL_BAR, IDC_FILE_BAR) with the skinned bar's semantics: set range
  // stores the bounds, set position clamps to them, step adds the step and wraps past the
  // upper bound (installer/controls/progress_rules.h).
  virtual void SetBarRange(int control_id, int32_t lower, int32_t upper) = 0;
  virtual void SetBarStep(int control_id, int32_t step) = 0;
  virtual void SetBarPosition(int control_id, int32_t position) = 0;
  virtual void StepBar(int control_id) = 0;
  // Invalidates the bar with erasing so that it repaints.
  virtual void RepaintBar(int control_id) = 0;

  // A message box owned by this window (MessageBoxW); returns the button chosen (IDOK, IDYES,
  // IDNO, ... as in platform/message_box.h).
  virtual int ShowMessage(const std::u16string& text, const std::u16string& caption,
                          uint32_t style) = 0;

  // Queues a message to this window (PostMessageW); it arrives later through
  // HandleWindowMessage (install.h).
  virtual void PostToSelf(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;

  // Ends the modal dialog with the given result (EndDialog); the program then ends.
  virtual void EndDialog(int result) = 0;
};

}  // namespace qid::installer
