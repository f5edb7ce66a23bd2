#include "platform/host/host_file_system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <vector>

namespace qid {
namespace {

// FILETIME counts 100 ns from 1601-01-01; the Unix epoch is 11644473600 s later.
constexpr uint64_t kEpochDifference = 11644473600ULL;

uint64_t ToFileTime(const struct statx_timestamp& t) {
  if (t.tv_sec < -static_cast<int64_t>(kEpochDifference)) return 0;
  return (static_cast<uint64_t>(t.tv_sec + static_cast<int64_t>(kEpochDifference))) * 10000000ULL +
         t.tv_nsec / 100;
}

// A time of 0 leaves that time alone, as SetFileTime does for a null pointer.
struct timespec FromFileTime(uint64_t file_time) {
  struct timespec ts{};
  if (file_time == 0) {
    ts.tv_nsec = UTIME_OMIT;
    return ts;
  }
  ts.tv_sec = static_cast<time_t>(file_time / 10000000ULL) - static_cast<time_t>(kEpochDifference);
  ts.tv_nsec = static_cast<long>((file_time % 10000000ULL) * 100);
  return ts;
}

class HostFile : public File {
 public:
  HostFile(int fd, bool readable, bool writable, OpenFileTable* table = nullptr,
           OpenFileTable::Claim claim = {})
      : fd_(fd), readable_(readable), writable_(writable), table_(table),
        claim_(std::move(claim)) {}
  ~HostFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (table_ != nullptr) table_->Release(&claim_);
  }
  int fd() const { return fd_; }

  ErrorCode Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (fd_ < 0) return kErrInvalidHandle;
    if (!readable_) return kErrAccessDenied;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
      ssize_t r = ::read(fd_, p + *got, n - *got);
      if (r < 0) {
        if (errno == EINTR) continue;
        return kErrReadFault;
      }
      if (r == 0) break;
      *got += static_cast<size_t>(r);
    }
    return kSuccess;
  }

  ErrorCode Write(const void* buffer, size_t n) override {
    if (fd_ < 0) return kErrInvalidHandle;
    if (!writable_) return kErrAccessDenied;
    const char* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < n) {
      ssize_t w = ::write(fd_, p + done, n - done);
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno == ENOSPC || errno == EDQUOT ? kErrDiskFull : kErrWriteFault;
      }
      done += static_cast<size_t>(w);
    }
    return kSuccess;
  }

  ErrorCode Seek(uint64_t position) override {
    if (fd_ < 0) return kErrInvalidHandle;
    if (position > static_cast<uint64_t>(INT64_MAX)) return kErrInvalidParameter;
    return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0 ? kErrInvalidParameter
                                                                   : kSuccess;
  }

  uint64_t Tell() override {
    if (fd_ < 0) return 0;
    off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    return pos < 0 ? 0 : static_cast<uint64_t>(pos);
  }

  ErrorCode Size(uint64_t* size) override {
    if (fd_ < 0) return kErrInvalidHandle;
    struct stat st;
    if (::fstat(fd_, &st) != 0) return kErrReadFault;
    *size = static_cast<uint64_t>(st.st_size);
    return kSuccess;
  }

  ErrorCode Truncate(uint64_t size) override {
    if (fd_ < 0) return kErrInvalidHandle;
    if (!writable_) return kErrAccessDenied;
    return ::ftruncate(fd_, static_cast<off_t>(size)) == 0 ? kSuccess : kErrWriteFault;
  }

  ErrorCode Flush() override {
    if (fd_ < 0) return kErrInvalidHandle;
    // Writes go straight to the system; fsync is what makes them survive a crash.
    if (writable_ && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
      return errno == ENOSPC ? kErrDiskFull : kErrWriteFault;
    return kSuccess;
  }

  ErrorCode Close() override {
    if (fd_ < 0) return kErrInvalidHandle;
    int rc = ::close(fd_);
    fd_ = -1;
    if (table_ != nullptr) table_->Release(&claim_);
    return rc == 0 ? kSuccess : kErrWriteFault;
  }

  ErrorCode GetTimes(FileTimes* times) override {
    if (fd_ < 0) return kErrInvalidHandle;
    struct statx st;
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &st) != 0)
      return kErrReadFault;
    times->creation = (st.stx_mask & STATX_BTIME) ? ToFileTime(st.stx_btime) : 0;
    times->last_access = ToFileTime(st.stx_atime);
    times->last_write = ToFileTime(st.stx_mtime);
    return kSuccess;
  }

  ErrorCode SetTimes(const FileTimes& times) override {
    if (fd_ < 0) return kErrInvalidHandle;
    if (!writable_) return kErrAccessDenied;  // Windows wants write-attribute access
    struct timespec ts[2] = {FromFileTime(times.last_access), FromFileTime(times.last_write)};
    return ::futimens(fd_, ts) == 0 ? kSuccess : ErrnoToError(errno);
  }

 private:
  int fd_;
  bool readable_;
  bool writable_;
  OpenFileTable* table_;
  OpenFileTable::Claim claim_;
};

// A file without its owner's write permission stands for the read-only attribute, which
// Windows honours even for administrators (and the host's root would ignore).
bool IsReadOnlyFile(const std::string& host_path) {
  struct stat st;
  return ::stat(host_path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

std::string ParentOf(const std::string& host_path) {
  size_t slash = host_path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return host_path.substr(0, slash);
}

bool IsFolder(const std::string& host_path) {
  struct stat st;
  return ::stat(host_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ENOENT means either the file or its folder is missing; Windows tells them apart.
ErrorCode MissingError(const std::string& host_path) {
  return IsFolder(ParentOf(host_path)) ? kErrFileNotFound : kErrPathNotFound;
}

// Copies `size` bytes between two open files inside the kernel, without passing them through
// this process. kErrInvalidFunction when the file systems do not allow it (nothing written
// yet), so the caller copies by hand.
ErrorCode CopyInKernel(int in, int out, uint64_t size) {
  uint64_t done = 0;
  while (done < size) {
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (done == 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                        errno == EOPNOTSUPP || errno == EBADF))
        return kErrInvalidFunction;
      return (errno == ENOSPC || errno == EDQUOT) ? kErrDiskFull : kErrWriteFault;
    }
    if (n == 0) break;  // the source shrank
    done += static_cast<uint64_t>(n);
  }
  return kSuccess;
}

// Copies the rest of `in` to `out` through a buffer.
ErrorCode CopyByHand(int in, int out) {
  std::vector<char> buf(1 << 20);
  for (;;) {
    ssize_t r = ::read(in, buf.data(), buf.size());
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return kErrReadFault;
    if (r == 0) return kSuccess;
    ssize_t done = 0;
    while (done < r) {
      ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(r - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) return (errno == ENOSPC || errno == EDQUOT) ? kErrDiskFull : kErrWriteFault;
      done += w;
    }
  }
}

}  // namespace

ErrorCode ErrnoToError(int err) {
  switch (err) {
    case 0: return kSuccess;
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EACCES: case EPERM: case EROFS: case EISDIR: case ETXTBSY: case EBUSY:
      return kErrAccessDenied;
    case EEXIST: return kErrFileExists;
    case ENOSPC: case EDQUOT: return kErrDiskFull;
    case ENAMETOOLONG: return kErrFilenameTooLong;
    case EBADF: return kErrInvalidHandle;
    case ENOMEM: return kErrNotEnoughMemory;
    case EINVAL: return kErrInvalidParameter;
    case EIO: return kErrWriteFault;
    default: return kErrGenFailure;
  }
}

namespace {
std::string WithoutTrailingSlashes(std::string root) {
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}
}  // namespace

HostFileSystem::HostFileSystem(std::string root)
    : root_(WithoutTrailingSlashes(std::move(root))), table_(root_ + "/open-files") {}

std::string HostFileSystem::HostPath(const std::string& path) const {
  std::string rest = path;
  std::string out;
  bool drive = path.size() >= 2 && path[1] == ':' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (drive) {
    char letter = static_cast<char>(path[0] | 0x20);
    out = root_ + "/drive_" + letter;
    rest = path.substr(2);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') out.push_back('/');
  }
  for (char c : rest) out.push_back(c == '\\' ? '/' : c);
  return out;
}

ErrorCode HostFileSystem::OpenFile(const std::string& path, FileAccess access,
                                   FileDisposition disposition, FileShare share,
                                   std::unique_ptr<File>* file) {
  if (path.empty()) return kErrInvalidName;
  std::string host = HostPath(path);
  int flags = O_CLOEXEC;
  bool readable = access != FileAccess::kWrite;
  bool writable = access != FileAccess::kRead;
  flags |= readable && writable ? O_RDWR : writable ? O_WRONLY : O_RDONLY;
  // kCreateAlways truncates only once the share modes allow this handle, as Windows does.
  switch (disposition) {
    case FileDisposition::kOpenExisting: break;
    case FileDisposition::kCreateAlways: flags |= O_CREAT; break;
    case FileDisposition::kOpenAlways: flags |= O_CREAT; break;
    case FileDisposition::kCreateNew: flags |= O_CREAT | O_EXCL; break;
  }
  if (IsFolder(host)) return kErrAccessDenied;
  if (writable && IsReadOnlyFile(host)) return kErrAccessDenied;
  int fd = ::open(host.c_str(), flags, 0666);
  if (fd < 0) {
    int err = errno;
    return err == ENOENT ? MissingError(host) : ErrnoToError(err);
  }
  OpenFileTable::Claim claim;
  ErrorCode err = table_.Register(fd, readable, writable, share, &claim);
  if (err != kSuccess) {
    ::close(fd);
    return err;
  }
  auto opened = std::make_unique<HostFile>(fd, readable, writable, &table_, std::move(claim));
  if (disposition == FileDisposition::kCreateAlways &&
      (writable ? ::ftruncate(fd, 0) : ::truncate(host.c_str(), 0)) != 0) {
    return ErrnoToError(errno);
  }
  *file = std::move(opened);
  return kSuccess;
}

ErrorCode HostFileSystem::RemoveFile(const std::string& path) {
  std::string host = HostPath(path);
  if (IsFolder(host) || IsReadOnlyFile(host)) return kErrAccessDenied;
  OpenFileTable::Guard guard;
  ErrorCode refused = table_.Acquire(host, &guard);
  if (refused != kSuccess) return refused;
  if (::unlink(host.c_str()) == 0) return kSuccess;
  int err = errno;
  return err == ENOENT ? MissingError(host) : ErrnoToError(err);
}

ErrorCode HostFileSystem::CopyFileTo(const std::string& from, const std::string& to,
                                     bool fail_if_exists) {
  std::string src = HostPath(from), dst = HostPath(to);
  if (IsFolder(src) || IsFolder(dst)) return kErrAccessDenied;
  // The source is read through a handle that lets others read it only, as CopyFile does.
  std::unique_ptr<File> source;
  ErrorCode result =
      OpenFile(from, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead, &source);
  if (result != kSuccess) return result;
  int in = static_cast<HostFile*>(source.get())->fd();
  struct stat st;
  if (::fstat(in, &st) != 0) return kErrReadFault;
  if (fail_if_exists && ::access(dst.c_str(), F_OK) == 0) return kErrFileExists;
  // Copy into a temporary beside the destination, then move it into place: a failed copy
  // leaves the old destination (or none) and never a partial file.
  static std::atomic<int> copies{0};
  std::string temp =
      dst + ".qidcopy." + std::to_string(::getpid()) + "." + std::to_string(++copies);
  int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    int err = errno;
    return err == ENOENT ? MissingError(dst) : ErrnoToError(err);
  }
  result = CopyInKernel(in, out, static_cast<uint64_t>(st.st_size));
  if (result == kErrInvalidFunction) result = CopyByHand(in, out);
  if (::close(out) != 0 && result == kSuccess) result = kErrWriteFault;
  if (result == kSuccess) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, temp.c_str(), times, 0);
    OpenFileTable::Guard guard;
    result = table_.Acquire(dst, &guard);  // an open destination is not replaced
    if (result == kSuccess) {
      if (fail_if_exists) {
        // link() never replaces: of two copies racing for one name, exactly one wins.
        result = ::link(temp.c_str(), dst.c_str()) == 0 ? kSuccess : ErrnoToError(errno);
      } else if (IsReadOnlyFile(dst)) {
        result = kErrAccessDenied;  // as CopyFile refuses a read-only destination
      } else if (::rename(temp.c_str(), dst.c_str()) != 0) {
        result = ErrnoToError(errno);
      }
    }
  }
  ::unlink(temp.c_str());
  return result;
}

ErrorCode HostFileSystem::RenameFile(const std::string& from, const std::string& to) {
  std::string src = HostPath(from), dst = HostPath(to);
  OpenFileTable::Guard from_guard, to_guard;
  ErrorCode refused = table_.AcquirePair(src, dst, &from_guard, &to_guard);
  if (refused != kSuccess) return refused;
  // MoveFileEx does not replace a read-only file; rename(2) would.
  if (IsReadOnlyFile(dst)) return kErrAccessDenied;
  if (::rename(src.c_str(), dst.c_str()) == 0) return kSuccess;
  int err = errno;
  return err == ENOENT ? MissingError(src) : ErrnoToError(err);
}

bool HostFileSystem::FileExists(const std::string& path) {
  return ::access(HostPath(path).c_str(), F_OK) == 0;
}

ErrorCode HostFileSystem::CreateFolder(const std::string& path) {
  std::string host = HostPath(path);
  // A drive is always there on Windows; under a new root its folder is made on first use.
  if (path.size() > 3 && path[1] == ':') {
    ::mkdir(root_.c_str(), 0777);
    ::mkdir(HostPath(path.substr(0, 2)).c_str(), 0777);
  }
  if (::mkdir(host.c_str(), 0777) == 0) return kSuccess;
  int err = errno;
  if (err == EEXIST) return kErrAlreadyExists;
  return err == ENOENT ? kErrPathNotFound : ErrnoToError(err);
}

ErrorCode HostFileSystem::RemoveAtRestart(const std::string& path) {
  // The host has no restart hook: the list under the root records what is due, one host path
  // a line, for a person or a cleanup job to act on.
  ::mkdir(root_.c_str(), 0777);
  std::string list = root_ + "/delete-at-restart.txt";
  int fd = ::open(list.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return ErrnoToError(errno);
  std::string line = HostPath(path) + "\n";
  ssize_t w = ::write(fd, line.data(), line.size());
  ::close(fd);
  return w == static_cast<ssize_t>(line.size()) ? kSuccess : kErrWriteFault;
}

ErrorCode HostFileSystem::OpenExclusiveLock(const std::string& path,
                                            std::unique_ptr<File>* lock) {
  std::string host = HostPath(path);
  if (IsFolder(host)) return kErrAccessDenied;
  int fd = ::open(host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    int err = errno;
    return err == ENOENT ? MissingError(host) : ErrnoToError(err);
  }
  // flock belongs to the open file description: released on close, also by a crash.
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    int err = errno;
    ::close(fd);
    return ErrnoToError(err);
  }
  *lock = std::make_unique<HostFile>(fd, true, true);
  return kSuccess;
}

ErrorCode HostFileSystem::GetAttributes(const std::string& path, uint32_t* attributes) {
  std::string host = HostPath(path);
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) {
    int err = errno;
    return err == ENOENT ? MissingError(host) : ErrnoToError(err);
  }
  if (S_ISDIR(st.st_mode)) *attributes = kAttrDirectory;
  else *attributes = (st.st_mode & S_IWUSR) ? kAttrNormal : kAttrReadOnly;
  return kSuccess;
}

ErrorCode HostFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  std::string host = HostPath(path);
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) {
    int err = errno;
    return err == ENOENT ? MissingError(host) : ErrnoToError(err);
  }
  if (S_ISDIR(st.st_mode)) return kSuccess;  // Windows ignores read-only on folders too
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & kAttrReadOnly) ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
  return ::chmod(host.c_str(), mode) == 0 ? kSuccess : ErrnoToError(errno);
}

bool NarrowHostPath(const std::u16string& path, std::string* narrow) {
  narrow->clear();
  for (char16_t unit : path) {
    if (unit > 0xFF) return false;
    narrow->push_back(static_cast<char>(unit));
  }
  return true;
}

ErrorCode HostFileSystem::OpenFileW(const std::u16string& path, FileAccess access,
                                    FileDisposition disposition, FileShare share,
                                    std::unique_ptr<File>* file) {
  std::string narrow;
  if (!NarrowHostPath(path, &narrow)) return kErrInvalidName;
  return OpenFile(narrow, access, disposition, share, file);
}

ErrorCode HostFileSystem::RemoveFileW(const std::u16string& path) {
  std::string narrow;
  return NarrowHostPath(path, &narrow) ? RemoveFile(narrow) : kErrInvalidName;
}

ErrorCode HostFileSystem::CreateFolderW(const std::u16string& path) {
  std::string narrow;
  return NarrowHostPath(path, &narrow) ? CreateFolder(narrow) : kErrInvalidName;
}

ErrorCode HostFileSystem::GetAttributesW(const std::u16string& path, uint32_t* attributes) {
  std::string narrow;
  return NarrowHostPath(path, &narrow) ? GetAttributes(narrow, attributes) : kErrInvalidName;
}

ErrorCode HostFileSystem::SetAttributesW(const std::u16string& path, uint32_t attributes) {
  std::string narrow;
  return NarrowHostPath(path, &narrow) ? SetAttributes(narrow, attributes) : kErrInvalidName;
}

}  // namespace qid
