// The three "..." buttons of the settings dialog: the application, the destination file and
// the output folder, each through the platform's file-open dialog (DialogView::
// ShowOpenFileDialog). The decisions (second showing, path split, placeholder cut) are here.
#pragma once

#include <string>

#include "imagewriter/dialogs/dialog_view.h"

namespace qid {

struct WriterContext;

extern const char kFolderPlaceholder[];  // "FOLDR"
constexpr size_t kChooserBufferCapacity = 1023;
// The application chooser's buffer: 260 characters with the terminator.
constexpr size_t kApplicationChooserCapacity = 259;

// Picks the Output Application, starting from the current one. When that returns no file
// (cancelled, or refused because of the starting name) Output Application is emptied and the
// dialog shown once more, empty; what that one returns stays (empty when cancelled too).
void ChooseApplication(WriterContext& ctx, DialogView& view);

// Picks a destination file starting from *buffer (the last choice); true and the full path in
// *buffer, or false with *buffer unchanged.
bool ChooseDestinationFile(WriterContext& ctx, DialogView& view, std::string* buffer);

// Splits a chosen path at its last backslash: the folder without the backslash and the bare
// file name (a path without a backslash is all file name, the folder empty). False, with the
// outputs unchanged, when the file name is longer than Output File's 255 characters.
bool SplitDestinationPath(const std::string& path, std::string* folder, std::string* file);

// Picks a folder with the folder-selection template; true with Output Directory = the chosen
// folder ending in a backslash, false with it unchanged.
bool ChooseOutputFolder(WriterContext& ctx, DialogView& view);

// The folder of a path that the folder chooser returned: the path without the placeholder
// file name. A path that does not end in "\FOLDR" gives its text up to its last backslash.
// False for a path without any backslash or a folder over 1023 characters.
bool FolderFromChooserPath(const std::string& path, std::string* folder);

}  // namespace qid
