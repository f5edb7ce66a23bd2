// CGenericMFCDlg: the installer window. It owns the skinned controls and the installation
// state, implements the display operations the installation sequence calls (InstallerWindow),
// and hands the user's commands and the copy thread's messages to that sequence (install.h).
#pragma once

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include "installer/copyjob.h"
#include "installer/install.h"
#include "installer/installer_window.h"
#include "installer/win32/controls/clear_static.h"
#include "installer/win32/controls/link_static.h"
#include "installer/win32/controls/skin_button.h"
#include "installer/win32/controls/skin_dialog.h"
#include "installer/win32/controls/skin_list_box.h"
#include "installer/win32/controls/skin_progress.h"
#include "installer/win32/copy_thread.h"
#include "platform/platform.h"

namespace qid::installer {

class CGenericMFCDlg : public skin::CSkinDialog, public InstallerWindow {
 public:
  // `os` must hold every part the sequence uses (spooler and system control included).
  explicit CGenericMFCDlg(Platform& os);
  ~CGenericMFCDlg() override;

  // InstallerWindow
  WindowHandle Handle() override { return reinterpret_cast<WindowHandle>(hwnd()); }
  void SetTitle(const std::u16string& text) override;
  void SetUpControls() override;
  void PlacePackageList() override;
  void SetPhaseText(const std::u16string& text) override;
  void SetDetailText(const std::u16string& text) override;
  void ShowControl(int control_id, bool shown) override;
  void EnableControl(int control_id, bool enabled) override;
  void AddPackageRow(const std::u16string& text, int image) override;
  int SelectedRow() override;
  void SetBarRange(int control_id, int32_t lower, int32_t upper) override;
  void SetBarStep(int control_id, int32_t step) override;
  void SetBarPosition(int control_id, int32_t position) override;
  void StepBar(int control_id) override;
  void RepaintBar(int control_id) override;
  int ShowMessage(const std::u16string& text, const std::u16string& caption,
                  uint32_t style) override;
  void PostToSelf(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  void EndDialog(int result) override;

 protected:
  void DoDataExchange() override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnPostErase(HDC composed, const RECT& client) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  skin::CSkinProgress* Bar(int control_id);
  void SetUpButton(skin::CSkinButton& button, const wchar_t* caption);
  void SetLabelText(int control_id, const std::u16string& text);

  skin::CSkinButton install_;
  skin::CSkinButton close_;
  skin::CLinkStatic reseller_link_;
  skin::CLinkStatic mail_link_;
  skin::CLinkStatic maker_link_;
  skin::CSkinProgress overall_bar_{true};  // both bars have a border in the template
  skin::CSkinProgress file_bar_{true};
  skin::CClearStatic phase_label_{true};
  skin::CClearStatic detail_label_{true};
  skin::CSkinListBox package_list_;
  HFONT bold_font_ = nullptr;
  HICON icon_ = nullptr;
  HICON small_icon_ = nullptr;
  HIMAGELIST images_ = nullptr;

  CopyServices copy_services_;
  Win32CopyRunner copy_runner_;
  InstallerContext ctx_;
};

}  // namespace qid::installer
