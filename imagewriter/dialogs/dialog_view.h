// The controls of a dialog as the dialog logic sees them, and the few things its window can
// open (a child dialog, the file-open dialog, the help file). The Win32 view works on HWNDs;
// the null view (a hidden dialog) does nothing and reads every box as unchecked and every
// text as empty; the in-memory view (memory_dialog_view.h) records state for tests. One logic
// serves all three.
//
// Thread use: the thread that owns the dialog (Q71File has only one).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/message_box.h"

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

class DialogView {
 public:
  DialogView() = default;
  DialogView(const DialogView&) = delete;
  DialogView& operator=(const DialogView&) = delete;
  virtual ~DialogView() = default;

  virtual void Enable(int id, bool enabled) = 0;
  virtual void Show(int id, bool visible) = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual bool IsChecked(int id) = 0;
  // Sets the text as the program's own change: it raises no change notification.
  virtual void SetText(int id, const std::string& text) = 0;
  // At most max_chars characters of the control's text.
  virtual std::string GetText(int id, size_t max_chars) = 0;
  // Adds an entry; returns its position (a sorted list puts it in order), or -1 on failure.
  virtual int ListAdd(int id, const std::string& item) = 0;
  virtual void ListSelect(int id, int index) = 0;
  // The selected entry (in a multiple-selection list, the one with the focus), or -1.
  virtual int ListSelection(int id) = 0;
  // Removes every entry.
  virtual void ListReset(int id) = 0;
  // Removes the entry at `index`; later entries move up by one.
  virtual void ListDelete(int id, int index) = 0;
  // Multiple-selection lists: selects or deselects entry `index`; -1 stands for every entry.
  virtual void ListSetSelected(int id, int index, bool selected) = 0;
  // Multiple-selection lists: the selected entries in ascending order.
  virtual std::vector<int> ListSelectedItems(int id) = 0;

  // The window's own caption.
  virtual void SetCaption(const std::string& text) = 0;

  // Edits: where the selection (or the caret) starts, in characters from the start of the
  // text; selecting [start, end); replacing the selection (an empty text deletes it).
  virtual int SelectionStart(int id) = 0;
  virtual void SetSelection(int id, int start, int end) = 0;
  virtual void ReplaceSelection(int id, const std::string& text) = 0;

  // Top, foreground and focus.
  virtual void BringToFront() = 0;
  // The window as owner of boxes and child dialogs; 0 when there is none.
  virtual WindowHandle Window() = 0;

  // Runs the reset-serial dialog (template 131) modally, owned by this window: 1 when a new
  // number was stored, 0 when it was cancelled or could not be shown.
  virtual int RunResetSerialDialog() = 0;
  // Shows the file-open dialog owned by this window: true and the chosen path in *file, or
  // false (cancelled or failed) with *file unchanged.
  virtual bool ShowOpenFileDialog(const OpenFileRequest& request, std::string* file) = 0;
  // Opens the driver's help file owned by this window; does nothing when help is missing.
  virtual void ShowDriverHelp() = 0;
};

// The hidden dialog: every operation does nothing; boxes read as unchecked, texts as empty,
// child dialogs and choosers as cancelled.
class NullDialogView : public DialogView {
 public:
  void Enable(int, bool) override {}
  void Show(int, bool) override {}
  void SetCheck(int, bool) override {}
  bool IsChecked(int) override { return false; }
  void SetText(int, const std::string&) override {}
  std::string GetText(int, size_t) override { return std::string(); }
  int ListAdd(int, const std::string&) override { return -1; }
  void ListSelect(int, int) override {}
  int ListSelection(int) override { return -1; }
  void ListReset(int) override {}
  void ListDelete(int, int) override {}
  void ListSetSelected(int, int, bool) override {}
  std::vector<int> ListSelectedItems(int) override { return {}; }
  void SetCaption(const std::string&) override {}
  int SelectionStart(int) override { return 0; }
  void SetSelection(int, int, int) override {}
  void ReplaceSelection(int, const std::string&) override {}
  void BringToFront() override {}
  WindowHandle Window() override { return 0; }
  int RunResetSerialDialog() override { return 0; }
  bool ShowOpenFileDialog(const OpenFileRequest&, std::string*) override { return false; }
  void ShowDriverHelp() override {}
};

}  // namespace qid
