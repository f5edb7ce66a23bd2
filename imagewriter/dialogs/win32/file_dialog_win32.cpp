// The platform's file-open dialog for the choosers.
#include "imagewriter/dialogs/win32/settings_dialog_win32.h"  // <windows.h> before <commdlg.h>

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "common/debug_trace.h"
#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/settings_dialog.h"

namespace qid {

bool ShowOpenFileDialogWin32(HWND owner, const OpenFileRequest& request, std::string* file) {
  std::string filter;
  for (const auto& pair : request.filters) {
    filter += pair.first;
    filter += '\0';
    filter += pair.second;
    filter += '\0';
  }
  filter += '\0';
  std::vector<char> buffer(request.file_capacity + 1, '\0');
  request.initial_file.copy(buffer.data(), std::min(request.initial_file.size(), request.file_capacity));

  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.hInstance = GetModuleHandleA(nullptr);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
  ofn.lpstrInitialDir = request.initial_folder.empty() ? nullptr : request.initial_folder.c_str();
  switch (request.kind) {
    case OpenFileRequest::Kind::kApplication:
      ofn.Flags = OFN_FILEMUSTEXIST;
      break;
    case OpenFileRequest::Kind::kDestinationFile:
      ofn.Flags = OFN_CREATEPROMPT;
      break;
    case OpenFileRequest::Kind::kFolder:
      // No OFN_EXPLORER: the old-style dialog, whose template keeps only the folder and drive
      // lists visible.
      ofn.Flags = OFN_ENABLETEMPLATE | OFN_HIDEREADONLY;
      ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_FOLDER_SELECTION);
      break;
  }
  if (!GetOpenFileNameA(&ofn)) {
    if (request.kind != OpenFileRequest::Kind::kApplication)
      DebugTrace(kDialogTag, "file dialog ended, extended error %lu", CommDlgExtendedError());
    return false;
  }
  buffer.back() = '\0';
  *file = buffer.data();
  return true;
}

}  // namespace qid
