#include "installer/copyjob.h"

#include <memory>
#include <vector>

#include "installer/install_log.h"
#include "installer/package.h"

namespace qid::installer {
namespace {

enum class CopyState { kOpen, kCopy, kClose, kDone, kFail };

// One copy thread's state machine; each Step() is one step between two pauses.
class CopyMachine {
 public:
  CopyMachine(CopyJob& job, const CopyServices& services, CopyMessageSink& sink)
      : job_(job), os_(services), sink_(sink), package_(PackageAt(job.package)),
        buffer_(kCopyBlockSize) {}

  void Step() {
    switch (state_) {
      case CopyState::kOpen: Open(); break;
      case CopyState::kCopy: Copy(); break;
      case CopyState::kClose: Close(); break;
      case CopyState::kDone: Done(); break;
      case CopyState::kFail: Fail(); break;
    }
  }

  // Whatever is still open when the loop ends is closed without reporting.
  void Release() {
    source_.reset();
    destination_.reset();
  }

 private:
  intptr_t slot() const { return static_cast<intptr_t>(slot_); }

  void Open() {
    if (package_ == nullptr || slot_ >= package_->file_count || slot_ >= kPackageSlots) {
      state_ = CopyState::kDone;  // an empty package has nothing to copy
      return;
    }
    const PackageFile& file = package_->files[slot_];
    destination_path_.clear();
    std::u16string source_path = *job_.source_dir + file.name;
    if (source_path.size() > kPathCapacity) return FailWith(kErrFilenameTooLong);
    ErrorCode err = DestinationPath(file, &destination_path_);
    if (err != kSuccess) return FailWith(err);
    // A read-only copy from an earlier installation would refuse to be replaced.
    os_.files->SetAttributesW(destination_path_, kAttrNormal);
    err = os_.files->OpenFileW(source_path, FileAccess::kRead, FileDisposition::kOpenExisting,
                               FileShare::kReadWrite, &source_);
    if (err != kSuccess) return FailWith(err);
    // Times are a courtesy: without them (zeros) the copy keeps its own.
    if (source_->GetTimes(&times_) != kSuccess) times_ = FileTimes{};
    err = os_.files->OpenFileW(destination_path_, FileAccess::kWrite,
                               FileDisposition::kCreateAlways, FileShare::kReadWrite,
                               &destination_);
    if (err != kSuccess) return FailWith(err);
    err = source_->Size(&size_);
    if (err != kSuccess) return FailWith(err);
    if (size_ > UINT32_MAX) return FailWith(kErrFileTooLarge);
    copied_ = 0;
    sink_.Post(RM_BEGIN, static_cast<uintptr_t>(size_), slot());
    state_ = CopyState::kCopy;
  }

  ErrorCode DestinationPath(const PackageFile& file, std::u16string* path) {
    std::u16string folder;
    ErrorCode err = kSuccess;
    if (file.kind == FILE_WINDIR) {
      err = os_.system->WindowsFolderW(&folder);
    } else if (file.kind == FILE_PROGDIR) {
      err = os_.system->ProgramFilesFolderW(&folder);
      if (err == kSuccess) {
        folder += u"\\ZEL";
        // An existing folder is fine; any other failure shows when the file is created.
        if (folder.size() <= kPathCapacity) os_.files->CreateFolderW(folder);
      }
    } else {
      folder = *job_.destination_dir;
    }
    if (err != kSuccess) return err;
    *path = folder + u"\\" + file.name;
    if (file.kind == FILE_PROGDIR) Trace(u"readme => %s", path->c_str());
    return path->size() > kPathCapacity ? kErrFilenameTooLong : kSuccess;
  }

  void Copy() {
    size_t got = 0;
    ErrorCode err = source_->Read(buffer_.data(), buffer_.size(), &got);
    if (err != kSuccess) return FailWith(err);
    // A source that ends early would leave a short copy that looks complete.
    if (got == 0 && copied_ < size_) return FailWith(kErrHandleEof);
    err = destination_->Write(buffer_.data(), got);
    if (err != kSuccess) return FailWith(err);
    copied_ += got;
    sink_.Post(RM_PROGRESS, got, slot());
    if (copied_ >= size_) state_ = CopyState::kClose;
  }

  void Close() {
    // Times are kept where the system allows; a copy without them is still a good copy.
    destination_->SetTimes(times_);
    ErrorCode err = destination_->Close();
    if (err != kSuccess) return FailWith(err);  // the last bytes may not have reached the disk
    destination_.reset();
    source_.reset();
    sink_.Post(RM_END, 0, slot());
    ++slot_;
    state_ = slot_ >= package_->file_count || slot_ >= kPackageSlots ? CopyState::kDone
                                                                      : CopyState::kOpen;
  }

  void Done() {
    job_.keepRunning = 0;
    sink_.Post(RM_EXIT, 0, 0);
  }

  void FailWith(ErrorCode err) {
    error_ = err;
    state_ = CopyState::kFail;
  }

  void Fail() {
    Release();
    if (!destination_path_.empty()) os_.files->RemoveFileW(destination_path_);
    sink_.Send(RM_ERROR, error_, slot());
    // The window always answers 1 (stop); any answer ends the copy, so the thread never spins.
    job_.keepRunning = 0;
  }

  CopyJob& job_;
  const CopyServices& os_;
  CopyMessageSink& sink_;
  const PrinterPackage* package_;
  std::vector<char> buffer_;
  CopyState state_ = CopyState::kOpen;
  size_t slot_ = 0;
  std::u16string destination_path_;
  std::unique_ptr<File> source_, destination_;
  FileTimes times_;
  uint64_t size_ = 0, copied_ = 0;
  ErrorCode error_ = kSuccess;
};

}  // namespace

uint32_t RunCopyJob(CopyJob& job, const CopyServices& services, CopyMessageSink& sink) {
  CopyMachine machine(job, services, sink);
  while (job.keepRunning == 1) {
    machine.Step();
    services.sleep(kCopyStepPauseMs);
  }
  machine.Release();
  return 0;
}

}  // namespace qid::installer
