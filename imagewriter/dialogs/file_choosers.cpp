#include "imagewriter/dialogs/file_choosers.h"

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"

namespace qid {

const char kFolderPlaceholder[] = "FOLDR";

namespace {

constexpr char kStoreTag[] = "SEC01:  ";
constexpr char kTag[] = "QIF01:  ";

OpenFileRequest TiffRequest(OpenFileRequest::Kind kind) {
  OpenFileRequest request;
  request.kind = kind;
  request.filters = {{"TIFF files (*.tif)", "*.tif"}, {"All files (*.*)", "*.*"}};
  request.file_capacity = kChooserBufferCapacity;
  return request;
}

}  // namespace

void ChooseApplication(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  OpenFileRequest request;
  request.kind = OpenFileRequest::Kind::kApplication;
  request.title = "Select Application";
  request.filters = {{"Executables (*.exe;*.vbs)", "*.exe;*.vbs"}};
  request.initial_file = s.output_application;
  request.file_capacity = kApplicationChooserCapacity;
  std::string chosen;
  if (view.ShowOpenFileDialog(request, &chosen)) {
    // A pick that fits the buffer but not the setting is refused; the setting keeps its
    // application rather than a cut path.
    if (chosen.size() > kOutputApplicationCapacity) {
      DebugTrace(kTag, "application path over %d characters refused: %s",
                 static_cast<int>(kOutputApplicationCapacity), chosen.c_str());
      return;
    }
    s.output_application = chosen;
    return;
  }
  // A starting name that the dialog refuses ends it at once; the second showing starts empty.
  s.output_application.clear();
  request.initial_file.clear();
  if (view.ShowOpenFileDialog(request, &chosen)) s.output_application = chosen;
}

bool ChooseDestinationFile(WriterContext& ctx, DialogView& view, std::string* buffer) {
  OpenFileRequest request = TiffRequest(OpenFileRequest::Kind::kDestinationFile);
  request.title = "Select Destination File";
  request.initial_file = *buffer;
  std::string chosen;
  if (!view.ShowOpenFileDialog(request, &chosen)) return false;
  *buffer = Truncated(chosen, kChooserBufferCapacity);
  return true;
}

bool SplitDestinationPath(const std::string& path, std::string* folder, std::string* file) {
  size_t slash = path.rfind('\\');
  std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > kOutputFileCapacity || dir.size() > kOutputDirectoryCapacity) return false;
  *folder = dir;
  *file = name;
  return true;
}

bool FolderFromChooserPath(const std::string& path, std::string* folder) {
  std::string placeholder = std::string("\\") + kFolderPlaceholder;
  std::string result;
  if (path.size() >= placeholder.size() &&
      EqualsIgnoreCase(path.substr(path.size() - placeholder.size()), placeholder)) {
    result = path.substr(0, path.size() - (placeholder.size() - 1));
  } else {
    // Not the placeholder (the dialog gave another name): keep its folder rather than cut
    // five characters of the path itself.
    size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return false;
    result = path.substr(0, slash + 1);
  }
  if (result.size() > kOutputDirectoryCapacity) return false;
  *folder = result;
  return true;
}

bool ChooseOutputFolder(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  OpenFileRequest request = TiffRequest(OpenFileRequest::Kind::kFolder);
  request.initial_file = kFolderPlaceholder;
  request.initial_folder = s.output_directory;
  std::string chosen;
  if (!view.ShowOpenFileDialog(request, &chosen)) return false;
  std::string folder;
  bool ok = FolderFromChooserPath(chosen, &folder);
  DebugTrace(kStoreTag, "err = %d", ok ? 0 : 1);
  if (!ok) return false;
  s.output_directory = folder;
  return true;
}

}  // namespace qid
