// Windows share modes on the host, across processes.
//
// POSIX lets any number of processes open, replace and unlink a file that another one has
// open; Windows refuses what the other opener's share mode does not allow. The table gives the
// host the Windows answer. Each regular file that is open has an entry file in the table's
// folder, named by the file's identity (device and inode, so "a/b" and "a//b" or two links are
// one file). Every open handle holds shared open-file-description locks on bytes of that entry
// that say what it does (reads, writes) and what it refuses others (reading, writing); every
// handle refuses deletion, as no product call asks for FILE_SHARE_DELETE. A guard byte, held
// exclusively, makes checking and claiming one step. The last handle to close removes the entry.
//
// Enforced between the openers that share the table's folder (the host root): the product's
// programs. Other programs are not held back. Non-regular files (devices) are not tracked, and
// where the folder cannot be made or written (a read-only root, another user's root) files
// open without the table, as POSIX has them.
//
// Thread use: any thread; the locks belong to open file descriptions, so two handles of one
// process exclude each other as two processes do.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>

#include "platform/errors.h"
#include "platform/file_system.h"

namespace qid {

class OpenFileTable {
 public:
  explicit OpenFileTable(std::string folder) : folder_(std::move(folder)) {}

  // What one open handle holds in the table; released by Release (or by closing entry_fd).
  struct Claim {
    int entry_fd = -1;
    std::string entry_path;
  };

  // Claims the file open on `fd` for a handle that reads and/or writes and shares `share`.
  // kSuccess and *claim (empty for a non-regular file or an unusable table);
  // kErrSharingViolation when an open handle refuses this access or does what this share mode
  // refuses; an errno code when the entry cannot be locked.
  ErrorCode Register(int fd, bool reads, bool writes, FileShare share, Claim* claim);

  // Gives up a handle's claim; the entry goes with the last one.
  void Release(Claim* claim);

  // While a Guard is held no handle can be opened on the file it names; Acquire fails with
  // kErrSharingViolation when one is open. A missing file needs no guard (kSuccess, empty).
  class Guard {
   public:
    Guard() = default;
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    ~Guard() { Drop(); }
    void Drop();

   private:
    friend class OpenFileTable;
    int fd_ = -1;
    std::string path_;
  };
  ErrorCode Acquire(const std::string& host_path, Guard* guard);
  // Both files at once, in a fixed order so two callers never wait on each other; one guard
  // when they are the same file.
  ErrorCode AcquirePair(const std::string& first, const std::string& second, Guard* a, Guard* b);

 private:
  std::string EntryPath(dev_t dev, ino_t ino);
  // Makes the folder once; false when it cannot be made or written.
  bool Usable();

  std::string folder_;
  std::atomic<bool> usable_{false};
};

}  // namespace qid
