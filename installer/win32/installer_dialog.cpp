#include "installer/win32/installer_dialog.h"

#include <string>

#include "installer/installer_ids.h"

namespace qid::installer {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
// Placeholders in the reserved ".example" domain: the package has no public site or support
// mailbox yet.
const wchar_t kResellerSite[] = L"http://www.reseller.example/";
const wchar_t kMakerSite[] = L"http://www.quendrel.example/";
const wchar_t kSupportMail[] = L"mailto:support@quendrel.example";

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

RECT ChildRect(HWND dialog, int id) {
  RECT rect = {};
  HWND child = GetDlgItem(dialog, id);
  if (child == nullptr) return rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

CGenericMFCDlg::CGenericMFCDlg(Platform& os)
    : skin::CSkinDialog(IDD_INSTALLER),
      copy_services_{os.files, os.system, [](uint32_t ms) { ::Sleep(ms); }},
      copy_runner_(copy_services_),
      ctx_{os, *this, copy_runner_, InstallerState()} {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  icon_ =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_INSTALLER), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  small_icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_INSTALLER), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));
}

CGenericMFCDlg::~CGenericMFCDlg() {
  copy_runner_.WaitUntilIdle();
  if (images_ != nullptr) ImageList_Destroy(images_);
  if (bold_font_ != nullptr) DeleteObject(bold_font_);
  if (icon_ != nullptr) DestroyIcon(icon_);
  if (small_icon_ != nullptr) DestroyIcon(small_icon_);
}

void CGenericMFCDlg::DoDataExchange() {
  Bind(IDC_INSTALL, install_);
  Bind(IDC_CLOSE, close_);
  Bind(IDC_LINK_RESELLER, reseller_link_);
  Bind(IDC_LINK_MAIL, mail_link_);
  Bind(IDC_LINK_MAKER, maker_link_);
  Bind(IDC_OVERALL_BAR, overall_bar_);
  Bind(IDC_FILE_BAR, file_bar_);
  Bind(IDC_PHASE_LABEL, phase_label_);
  Bind(IDC_DETAIL_LABEL, detail_label_);
  Bind(IDC_PACKAGE_LIST, package_list_);
}

bool CGenericMFCDlg::OnInitDialog() {
  StartUp(ctx_);  // on a failed check it has told the user and ended the dialog
  return true;
}

void CGenericMFCDlg::OnOK() { RequestOk(ctx_); }
void CGenericMFCDlg::OnCancel() { RequestCancel(ctx_); }

void CGenericMFCDlg::OnPostErase(HDC composed, const RECT& client) {
  install_.CaptureBackground(composed);
  close_.CaptureBackground(composed);
}

bool CGenericMFCDlg::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_INSTALL && code == BN_CLICKED) {
    RequestInstall(ctx_);
    return true;
  }
  if (id == IDC_PACKAGE_LIST && code == LBN_SELCHANGE) {
    SelectionChanged(ctx_);
    return true;
  }
  return false;
}

bool CGenericMFCDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message >= RM_INSTALL && message <= RM_EXIT) {
    *result = HandleWindowMessage(ctx_, message, wparam, lparam);
    return true;
  }
  return skin::CSkinDialog::OnMessage(message, wparam, lparam, result);
}

// ---- InstallerWindow ----

void CGenericMFCDlg::SetTitle(const std::u16string& text) {
  SetWindowTextW(hwnd(), Wide(text).c_str());
}

void CGenericMFCDlg::SetUpButton(skin::CSkinButton& button, const wchar_t* caption) {
  SendMessageW(button.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_), FALSE);
  SetWindowTextW(button.hwnd(), caption);
  button.SetAlignment(skin::CSkinButton::kTextOverPicture);
  button.SetColour(1, RGB(255, 255, 255));  // text while hovering or pressed
  button.SetColour(3, RGB(0, 0, 0));        // text otherwise
  button.SetDrawBorder(false);
  button.SetBitmaps(IDB_BUTTON_HOT, kMagenta, IDB_BUTTON_NORMAL, kMagenta);
  button.SizeToContent();
  button.SetTransparent(true);
}

void CGenericMFCDlg::SetUpControls() {
  SetBitmap(IDB_BACKGROUND);
  SetDrag(true);
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));

  bold_font_ = CreateFontW(-13, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, L"Verdana");

  HINSTANCE instance = GetModuleHandleW(nullptr);
  images_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 5, 1);
  for (int id : {IDI_LIST_IMAGE0, IDI_LIST_IMAGE1}) {
    HICON icon =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
    if (icon != nullptr) {
      ImageList_AddIcon(images_, icon);
      DestroyIcon(icon);
    }
  }
  package_list_.SetImageList(images_);

  SetUpButton(install_, L"&Install");
  SetUpButton(close_, L"&Close");

  overall_bar_.SetBitmap(IDB_OVERALL_FILL);
  file_bar_.SetBitmap(IDB_FILE_FILL);

  mail_link_.SetTarget(kSupportMail);
  mail_link_.SetUnderline(1);
  SendMessageW(phase_label_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_), FALSE);
  SetPhaseText(u"Total installation");
  SendMessageW(detail_label_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_), FALSE);
  SetDetailText(u"Current file");
  reseller_link_.SetTarget(kResellerSite);
  reseller_link_.SetUnderline(1);
  maker_link_.SetTarget(kMakerSite);
  maker_link_.SetUnderline(1);
}

void CGenericMFCDlg::PlacePackageList() {
  RECT overall = ChildRect(hwnd(), IDC_OVERALL_BAR);
  RECT file = ChildRect(hwnd(), IDC_FILE_BAR);
  SetWindowPos(package_list_.hwnd(), nullptr, overall.left, overall.top,
               overall.right - overall.left, file.bottom - overall.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void CGenericMFCDlg::SetPhaseText(const std::u16string& text) {
  SetLabelText(IDC_PHASE_LABEL, text);
}

void CGenericMFCDlg::SetDetailText(const std::u16string& text) {
  SetLabelText(IDC_DETAIL_LABEL, text);
}

void CGenericMFCDlg::SetLabelText(int control_id, const std::u16string& text) {
  SetDlgItemTextW(hwnd(), control_id, Wide(text).c_str());
  // Transparent labels never erase their old text: repaint everything at once.
  RedrawWindow(hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CGenericMFCDlg::ShowControl(int control_id, bool shown) {
  ShowWindow(GetDlgItem(hwnd(), control_id), shown ? SW_SHOW : SW_HIDE);
}

void CGenericMFCDlg::EnableControl(int control_id, bool enabled) {
  EnableWindow(GetDlgItem(hwnd(), control_id), enabled ? TRUE : FALSE);
}

void CGenericMFCDlg::AddPackageRow(const std::u16string& text, int image) {
  package_list_.AddString(Wide(text), image);
}

int CGenericMFCDlg::SelectedRow() {
  LRESULT row = SendMessageW(package_list_.hwnd(), LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? -1 : static_cast<int>(row);
}

skin::CSkinProgress* CGenericMFCDlg::Bar(int control_id) {
  if (control_id == IDC_OVERALL_BAR) return &overall_bar_;
  if (control_id == IDC_FILE_BAR) return &file_bar_;
  return nullptr;
}

void CGenericMFCDlg::SetBarRange(int control_id, int32_t lower, int32_t upper) {
  if (auto* bar = Bar(control_id)) bar->SetRange(lower, upper);
}

void CGenericMFCDlg::SetBarStep(int control_id, int32_t step) {
  if (auto* bar = Bar(control_id)) bar->SetStep(step);
}

void CGenericMFCDlg::SetBarPosition(int control_id, int32_t position) {
  if (auto* bar = Bar(control_id)) bar->SetPos(position);
}

void CGenericMFCDlg::StepBar(int control_id) {
  if (auto* bar = Bar(control_id)) bar->StepIt();
}

void CGenericMFCDlg::RepaintBar(int control_id) {
  if (auto* bar = Bar(control_id)) bar->Invalidate(true);
}

int CGenericMFCDlg::ShowMessage(const std::u16string& text, const std::u16string& caption,
                                uint32_t style) {
  return MessageBoxW(hwnd(), Wide(text).c_str(), Wide(caption).c_str(), style);
}

void CGenericMFCDlg::PostToSelf(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  PostMessageW(hwnd(), message, wparam, lparam);
}

void CGenericMFCDlg::EndDialog(int result) { skin::CSkinDialog::EndDialog(result); }

}  // namespace qid::installer
