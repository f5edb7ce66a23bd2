// The copy job: the block the installer window hands to its copy thread, the thread's body
// (a state machine that copies every file of the selected package and reports by messages),
// and the runner that starts the thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "installer/copy_messages.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/system_info.h"

namespace qid::installer {

// Bytes per read and write, and so per RM_PROGRESS.
constexpr size_t kCopyBlockSize = 10240;
// ERROR_FILE_TOO_LARGE: a package file whose size does not fit RM_BEGIN's wParam.
constexpr ErrorCode kErrFileTooLarge = 223;
// Pause after every step of the state machine, in milliseconds.
constexpr uint32_t kCopyStepPauseMs = 1;

// What the copy thread reaches of the system. All of it may be used from the copy thread.
struct CopyServices {
  FileSystem* files = nullptr;
  SystemInfo* system = nullptr;  // the Windows folder and "ProgramFiles"
  std::function<void(uint32_t milliseconds)> sleep;
};

// The block a copy works from. The window clears and refills it for each copy; the strings it
// points to belong to the window and stay unchanged while the thread runs.
struct CopyJob {
  void* dialog = nullptr;       // the owning dialog, for the Win32 layer
  WindowHandle window = 0;      // target of the thread's messages
  const std::u16string* source_dir = nullptr;       // the installer folder, ends in "\"
  const std::u16string* destination_dir = nullptr;  // the printer driver directory, no "\"
  uint8_t package = 0;
  int32_t keepRunning = 0;      // 1 while the thread shall run; only the thread clears it
  void* thread = nullptr;       // the thread object, for the Win32 layer
};

// The thread body: copies every file of job.package while job.keepRunning is 1, pausing
// kCopyStepPauseMs after every step, and reports through `sink`:
//   per file  RM_BEGIN (size, slot), RM_PROGRESS (bytes, slot) per block, RM_END (0, slot);
//   at last   RM_EXIT (0, 0) after the last file, or RM_ERROR (error, slot) sent on the first
//             failure, after which nothing more is copied.
// Each copy gets its source's creation, last-access and last-write times; a read-only
// destination is overwritten; a failed copy's destination is deleted (also a copy left by an
// earlier installation when the source cannot be opened). A source that ends before the size
// taken at its opening fails with kErrHandleEof rather than leaving a short copy. A file of
// 4 GiB or more fails with kErrFileTooLarge: its size cannot travel in RM_BEGIN.
// Returns 0, the thread's exit code.
uint32_t RunCopyJob(CopyJob& job, const CopyServices& services, CopyMessageSink& sink);

// Starts and tracks copy threads.
//
// Thread use: the window's thread.
class CopyRunner {
 public:
  CopyRunner() = default;
  CopyRunner(const CopyRunner&) = delete;
  CopyRunner& operator=(const CopyRunner&) = delete;
  virtual ~CopyRunner() = default;

  // Returns once no copy thread started by this runner is still running. A copy thread that
  // has answered its RM_ERROR still has to clear keepRunning and end; the block must not be
  // refilled before then. Call it on the window's thread outside any RM_ERROR handling.
  virtual void WaitUntilIdle() = 0;

  // Runs RunCopyJob(*job) on a new thread (created suspended, normal priority, default stack
  // size, then resumed) whose messages go to job->window. kSuccess; the system's error when
  // the thread cannot be created, in which case nothing runs.
  virtual ErrorCode Start(CopyJob* job) = 0;
};

}  // namespace qid::installer
