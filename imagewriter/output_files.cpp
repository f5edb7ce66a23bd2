#include "imagewriter/output_files.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "common/debug_trace.h"
#include "imagewriter/file_names.h"
#include "imagewriter/naming.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"
#include "platform/file_system.h"

namespace qid {
namespace {

constexpr const char* kTag = trace::kDialog;
constexpr size_t kOverwriteTextCapacity = 255;
constexpr char kJobLockName[] = "QIDJOBS.LCK";
constexpr int kBesideAttempts = 100;

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Where the folders of a path start to be ours to create: after "X:\" or "\\server\share\".
size_t FirstCreatable(const std::string& dir) {
  if (dir.size() >= 2 && dir[1] == ':') return dir.size() > 2 && (dir[2] == '\\' || dir[2] == '/') ? 3 : 2;
  if (dir.compare(0, 2, "\\\\") == 0) {
    size_t share = dir.find('\\', 2);
    size_t end = share == std::string::npos ? std::string::npos : dir.find('\\', share + 1);
    return end == std::string::npos ? dir.size() : end + 1;
  }
  return dir.empty() || (dir[0] != '\\' && dir[0] != '/') ? 0 : 1;
}

}  // namespace

bool EnsureOutputFolder(WriterContext& ctx) {
  FileSystem& files = *ctx.os.files;
  ResolveEmptyDirectory(ctx.settings);
  const std::string dir = ctx.settings.output_directory;
  if (files.FileExists(dir)) return true;
  for (size_t i = FirstCreatable(dir); i <= dir.size(); ++i) {
    if (i < dir.size() && dir[i] != '\\' && dir[i] != '/') continue;
    std::string folder = dir.substr(0, i);
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/' || files.FileExists(folder))
      continue;
    ErrorCode err = files.CreateFolder(folder);
    if (err == kSuccess) {
      DebugTrace(kTag, "Output Directory: created %s", folder.c_str());
    } else if (err != kErrAlreadyExists) {
      DebugTrace(kTag, "Output Directory: cannot create %s => err %d", folder.c_str(), int(err));
      return false;
    }
  }
  return true;
}

bool CreateBeside(FileSystem& files, const std::string& target, std::string* temp) {
  static uint32_t next = static_cast<uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFF);
  const std::string folder = FolderOf(target);
  for (int attempt = 0; attempt < kBesideAttempts; ++attempt) {
    char name[16];
    std::snprintf(name, sizeof name, "~QID%04X.TMP", unsigned(next++ & 0xFFFF));
    std::unique_ptr<File> file;
    ErrorCode err = files.OpenFile(folder + name, FileAccess::kWrite, FileDisposition::kCreateNew,
                                   FileShare::kNone, &file);
    if (err == kSuccess) {
      err = file->Close();
      if (err == kSuccess) {
        *temp = folder + name;
        return true;
      }
      (void)files.RemoveFile(folder + name);  // ours, just made: it must not stay behind
      DebugTrace(kTag, "no file beside %s => err %d", target.c_str(), int(err));
      return false;
    }
    if (err != kErrFileExists && err != kErrSharingViolation && err != kErrAccessDenied) {
      DebugTrace(kTag, "no file beside %s => err %d", target.c_str(), int(err));
      return false;
    }
  }
  DebugTrace(kTag, "no free name beside %s", target.c_str());
  return false;
}

uint32_t MoveIntoPlace(FileSystem& files, const std::string& temp, const std::string& target) {
  ErrorCode err = files.RenameFile(temp, target);
  if (err != kSuccess) {
    (void)files.RemoveFile(temp);  // the target is as it was; a leftover temp file is clutter
    DebugTrace(kTag, "cannot replace %s => err %d, it is as it was", target.c_str(), int(err));
  }
  return err;
}

bool MayReplace(WriterContext& ctx, const std::string& target) {
  if (!ctx.os.files->FileExists(target) || ctx.settings.always_overwrite) return true;
  std::string question = target + "\n\nalready exists.  " + "OK to overwrite?";
  if (question.size() > kOverwriteTextCapacity) {
    // The question cannot be asked whole; not asking must not mean replacing.
    DebugTrace(kTag, "overwrite text longer than %u characters: taken as No",
               static_cast<unsigned>(kOverwriteTextCapacity));
    return false;
  }
  return ctx.os.message_boxes->ShowMessageBox(0, question, "Overwrite",
                                              kMbYesNo | kMbSystemModal | kMbSetForeground) ==
         kIdYes;
}

bool IsJobOwnFile(WriterContext& ctx, const std::string& path) {
  const JobContext& job = ctx.job;
  for (const std::string* own : {&job.job_path, &job.done_marker_path, &job.lock_path}) {
    if (!own->empty() && SameFileName(path, *own)) {
      DebugTrace(kTag, "%s is the job's own file %s: not replaced", path.c_str(), own->c_str());
      return true;
    }
  }
  return false;
}

std::unique_ptr<File> LockJobs(WriterContext& ctx) {
  JobContext& job = ctx.job;
  // The user's own folder first: the driver side may give each job a TMP of its own, and a
  // lock there would never meet the other job's. TMP and the job's folder only when the user
  // has no folder the lock can live in.
  std::vector<std::string> folders;
  std::string user_folder;
  ErrorCode found = ctx.os.system->UserDataFolder(&user_folder);
  if (found == kSuccess) folders.push_back(user_folder);
  else DebugTrace(kTag, "no folder of the user for the job lock => err %d", int(found));
  if (!job.temp_folder.empty()) folders.push_back(job.temp_folder);
  folders.push_back(FolderOf(job.job_path));
  for (std::string& folder : folders) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    std::string path = folder + kJobLockName;
    std::unique_ptr<File> lock;
    ErrorCode err = ctx.os.files->OpenExclusiveLock(path, &lock);
    if (err == kSuccess) {
      DebugTrace(kTag, "job lock %s", path.c_str());
      job.lock_path = path;
      return lock;
    }
    DebugTrace(kTag, "job lock %s => err %d", path.c_str(), int(err));
  }
  DebugTrace(kTag, "no job lock: results of a simultaneous job are not guarded");
  return nullptr;
}

}  // namespace qid
