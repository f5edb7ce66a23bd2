// PrnWipe's Win32 layer: the host that loads the resources and runs the child dialogs, and
// the three dialog procedures over the shared Win32 dialog view.
#pragma once

#include <memory>
#include <string>

#include "platform/win32/win32_api.h"
#include "remover/remover.h"
#include "ui/win32/win32_dialog_view.h"

namespace qid {

class Win32RemoverHost : public RemoverHost {
 public:
  Win32RemoverHost(HINSTANCE instance, HWND main) : instance_(instance), main_(main) {}
  ~Win32RemoverHost() override;
  std::string LoadText(int id) override;
  void SetWindowIcons() override;
  int RunConfirmDialog(const std::string& text) override;
  void RunAboutBox() override;

 private:
  HINSTANCE instance_;
  HWND main_;
  // Loaded at the first fill and kept: every refill sets the same two icons again.
  HICON large_icon_ = nullptr;
  HICON small_icon_ = nullptr;
};

// What the main dialog lives on; made by the program entry, handed to the dialog procedure.
struct PrnWipeApp {
  HINSTANCE instance = nullptr;
  Platform* platform = nullptr;
  RemoverState state;
  std::unique_ptr<Win32DialogView> view;
  std::unique_ptr<Win32RemoverHost> host;
  std::unique_ptr<Remover> remover;
};

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK ConfirmDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace qid
