// The installation sequence: start-up checks, the install request, the copy thread's messages,
// the spooler and registry steps, and when the window may close. The window calls the entry
// functions below from its handlers; everything here runs on the window's thread.
#pragma once

#include <cstdint>
#include <string>

#include "installer/copyjob.h"
#include "installer/installer_window.h"
#include "platform/platform.h"

namespace qid::installer {

extern const char16_t kCaption[];  // "Rezezar Iradav Azedozuzi": window title, box caption

// The installer's state, owned by the dialog and living as long as it.
struct InstallerState {
  std::u16string installer_dir;   // drive and folder of the executable, ends in "\"
  std::u16string log_path;        // installer_dir + "Installer.log", or log_file
  std::u16string log_file;        // the log named on the command line ("/log FILE"), if any
  int32_t system_index = -1;      // RecognizeSystem
  std::u16string driver_dir;      // as the spooler reports it, no trailing "\"
  std::u16string port_name;       // "QID_00:"
  uint8_t selected_package = 0;
  uint32_t file_bytes = 0;        // bytes copied of the current file
  int32_t canClose = 1;           // 0 from the install request until FinishInstall
  CopyJob copy_job;
};

// What the sequence talks to. Non-owning; everything outlives the dialog.
struct InstallerContext {
  // Registry, files, system facts, spooler and system control; message boxes go through the
  // window, which owns them.
  Platform& os;
  InstallerWindow& window;
  CopyRunner& copy_runner;
  InstallerState state;
};

// ---- entries for the window ----

// The dialog's initialisation: title, installer folder and fresh log, system check, printer
// driver directory, port name; then the controls, the package list and the selection state.
// Returns false when a check failed: the message was shown and the dialog ended (EndDialog).
bool StartUp(InstallerContext& ctx);

// Install clicked.
void RequestInstall(InstallerContext& ctx);

// The package list's selection changed: Install is enabled exactly when a row is selected.
void SelectionChanged(InstallerContext& ctx);

// RM_INSTALL ... RM_EXIT arrive here; returns the message's answer (1 for RM_ERROR, else 0).
// Other message numbers are ignored and answer 0.
intptr_t HandleWindowMessage(InstallerContext& ctx, uint32_t message, uintptr_t wparam,
                             intptr_t lparam);

// Close requests. The OK path (the Close button, id IDOK) traces "Ende = OnOK"; both end the
// dialog (IDOK / IDCANCEL) only while canClose is 1 and are otherwise ignored silently.
void RequestOk(InstallerContext& ctx);
void RequestCancel(InstallerContext& ctx);

// ---- the sequence's steps, for tests and the window's start-up ----

// -1 for a system not in the table (and when the version cannot be read), else 0..5.
int32_t RecognizeSystem(SystemInfo& system);
bool CheckPackageFiles(InstallerContext& ctx, uint8_t package);
void FinishInstall(InstallerContext& ctx);
void ShowSelectionState(InstallerContext& ctx);
void ShowProgressState(InstallerContext& ctx);

// One line to "Installer.log" (and the trace); a stop message box owned by the window.
void LogLine(InstallerContext& ctx, const std::u16string& text);
void ShowStop(InstallerContext& ctx, const std::u16string& text);

}  // namespace qid::installer
