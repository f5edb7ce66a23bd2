// What the settings dialog opens besides its own controls: the reset-serial dialog, the
// platform's file-open dialog and the driver's help. The Win32 dialog implements it next to
// its view; tests answer from a script. The hidden dialog opens nothing, so it needs none.
//
// Thread use: the thread that owns the settings dialog.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace qid {

// One showing of the platform's file-open dialog.
struct OpenFileRequest {
  enum class Kind {
    kApplication,      // the file must exist
    kDestinationFile,  // the user is asked before a file that does not exist is chosen
    kFolder,           // the folder-selection template 6048, read-only box hidden
  };
  Kind kind = Kind::kApplication;
  std::string title;                                         // empty: the template's caption
  std::vector<std::pair<std::string, std::string>> filters;  // (description, pattern)
  std::string initial_file;    // the file buffer's starting contents
  size_t file_capacity = 0;    // the file buffer's characters, terminator not counted
  std::string initial_folder;  // empty: the platform's choice
};

class SettingsDialogHost {
 public:
  SettingsDialogHost() = default;
  SettingsDialogHost(const SettingsDialogHost&) = delete;
  SettingsDialogHost& operator=(const SettingsDialogHost&) = delete;
  virtual ~SettingsDialogHost() = default;

  // Runs the reset-serial dialog (template 131) modally, owned by the settings dialog: 1 when
  // a new number was stored, 0 when it was cancelled or could not be shown.
  virtual int RunResetSerialDialog() = 0;
  // Shows the file-open dialog owned by the settings dialog: true and the chosen path in
  // *file, or false (cancelled or failed) with *file unchanged.
  virtual bool ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) = 0;
  // Opens the driver's help file owned by the settings dialog; does nothing when help is
  // missing.
  virtual void ShowDriverHelp() = 0;
};

}  // namespace qid
