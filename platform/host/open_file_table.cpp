#include "platform/host/open_file_table.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "platform/host/host_file_system.h"

namespace qid {
namespace {

// Bytes of an entry file. Claims are shared locks; the guard is exclusive.
constexpr off_t kOpenByte = 0;       // every handle
constexpr off_t kReadsByte = 1;      // the handle reads
constexpr off_t kWritesByte = 2;     // the handle writes
constexpr off_t kDeniesReadByte = 3;
constexpr off_t kDeniesWriteByte = 4;
constexpr off_t kClaimBytes = 5;
constexpr off_t kGuardByte = 5;

int LockByte(int fd, int command, short type, off_t start, off_t length) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = length;
  int rc;
  do {
    rc = ::fcntl(fd, command, &lock);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

// True when a handle other than this description claims the byte. A failed test counts as
// claimed: refusing is the safe answer.
bool ClaimedByOther(int fd, off_t byte) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return true;
  return lock.l_type != F_UNLCK;
}

// Opens the entry and waits for its guard. A closer may have removed the entry meanwhile; the
// guard is then on a file nobody else finds, so open the path again.
int OpenGuarded(const std::string& path) {
  for (;;) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return -errno;
    if (LockByte(fd, F_OFD_SETLKW, F_WRLCK, kGuardByte, 1) != 0) {
      int err = errno;
      ::close(fd);
      return -err;
    }
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      return fd;
    }
    ::close(fd);
  }
}

void Unguard(int fd) { LockByte(fd, F_OFD_SETLK, F_UNLCK, kGuardByte, 1); }

// With the guard held: removes the entry when no other handle claims the file, then closes
// (which drops the guard and any claim of this description).
void CloseEntry(int fd, const std::string& path) {
  if (!ClaimedByOther(fd, kOpenByte)) ::unlink(path.c_str());
  ::close(fd);
}

}  // namespace

std::string OpenFileTable::EntryPath(dev_t dev, ino_t ino) {
  return folder_ + "/" + std::to_string(static_cast<unsigned long long>(dev)) + "-" +
         std::to_string(static_cast<unsigned long long>(ino));
}

bool OpenFileTable::Usable() {
  if (usable_) return true;
  for (size_t i = 1; i <= folder_.size(); ++i) {
    if (i != folder_.size() && folder_[i] != '/') continue;
    if (::mkdir(folder_.substr(0, i).c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  usable_ = ::access(folder_.c_str(), W_OK | X_OK) == 0;
  return usable_;
}

ErrorCode OpenFileTable::Register(int fd, bool reads, bool writes, FileShare share,
                                  Claim* claim) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return ErrnoToError(errno);
  if (!S_ISREG(st.st_mode) || !Usable()) return kSuccess;
  std::string path = EntryPath(st.st_dev, st.st_ino);
  int entry = OpenGuarded(path);
  if (entry < 0) return ErrnoToError(-entry);

  const bool share_read = share != FileShare::kNone;
  const bool share_write = share == FileShare::kReadWrite;
  bool refused = (reads && ClaimedByOther(entry, kDeniesReadByte)) ||
                 (writes && ClaimedByOther(entry, kDeniesWriteByte)) ||
                 (!share_read && ClaimedByOther(entry, kReadsByte)) ||
                 (!share_write && ClaimedByOther(entry, kWritesByte));
  bool claimed = !refused && LockByte(entry, F_OFD_SETLK, F_RDLCK, kOpenByte, 1) == 0 &&
                 (!reads || LockByte(entry, F_OFD_SETLK, F_RDLCK, kReadsByte, 1) == 0) &&
                 (!writes || LockByte(entry, F_OFD_SETLK, F_RDLCK, kWritesByte, 1) == 0) &&
                 (share_read || LockByte(entry, F_OFD_SETLK, F_RDLCK, kDeniesReadByte, 1) == 0) &&
                 (share_write || LockByte(entry, F_OFD_SETLK, F_RDLCK, kDeniesWriteByte, 1) == 0);
  if (!claimed) {
    int lock_error = errno;
    CloseEntry(entry, path);
    return refused ? kErrSharingViolation : ErrnoToError(lock_error);
  }
  Unguard(entry);
  claim->entry_fd = entry;
  claim->entry_path = std::move(path);
  return kSuccess;
}

void OpenFileTable::Release(Claim* claim) {
  if (claim->entry_fd < 0) return;
  LockByte(claim->entry_fd, F_OFD_SETLKW, F_WRLCK, kGuardByte, 1);
  LockByte(claim->entry_fd, F_OFD_SETLK, F_UNLCK, 0, kClaimBytes);
  CloseEntry(claim->entry_fd, claim->entry_path);
  claim->entry_fd = -1;
}

void OpenFileTable::Guard::Drop() {
  if (fd_ < 0) return;
  CloseEntry(fd_, path_);
  fd_ = -1;
}

ErrorCode OpenFileTable::Acquire(const std::string& host_path, Guard* guard) {
  guard->Drop();
  struct stat st;
  if (::stat(host_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !Usable()) return kSuccess;
  std::string path = EntryPath(st.st_dev, st.st_ino);
  int entry = OpenGuarded(path);
  if (entry < 0) return ErrnoToError(-entry);
  if (ClaimedByOther(entry, kOpenByte)) {
    CloseEntry(entry, path);
    return kErrSharingViolation;
  }
  guard->fd_ = entry;
  guard->path_ = std::move(path);
  return kSuccess;
}

ErrorCode OpenFileTable::AcquirePair(const std::string& first, const std::string& second,
                                     Guard* a, Guard* b) {
  struct stat s1, s2;
  bool has1 = ::stat(first.c_str(), &s1) == 0, has2 = ::stat(second.c_str(), &s2) == 0;
  if (has1 && has2 && s1.st_dev == s2.st_dev && s1.st_ino == s2.st_ino)
    return Acquire(first, a);
  bool first_goes_first =
      !has1 || !has2 || std::make_pair(s1.st_dev, s1.st_ino) < std::make_pair(s2.st_dev, s2.st_ino);
  if (first_goes_first) {
    ErrorCode err = Acquire(first, a);
    return err != kSuccess ? err : Acquire(second, b);
  }
  ErrorCode err = Acquire(second, b);
  return err != kSuccess ? err : Acquire(first, a);
}

}  // namespace qid
