#include "platform/win32/win32_file_system.h"

#include <cstdint>

#include "platform/win32/win32_api.h"

namespace qid {
namespace {

// The contract names few codes per call; the system's other codes fold into these, except
// the ones a caller may want to tell apart (a locked range, a closed handle).
ErrorCode ReadError(DWORD err) {
  switch (err) {
    case ERROR_ACCESS_DENIED: return kErrAccessDenied;
    case ERROR_LOCK_VIOLATION: return kErrLockViolation;
    case ERROR_INVALID_HANDLE: return kErrInvalidHandle;
    default: return kErrReadFault;
  }
}

ErrorCode WriteError(DWORD err) {
  switch (err) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return kErrDiskFull;
    case ERROR_ACCESS_DENIED: return kErrAccessDenied;
    case ERROR_LOCK_VIOLATION: return kErrLockViolation;
    case ERROR_INVALID_HANDLE: return kErrInvalidHandle;
    default: return kErrWriteFault;
  }
}

// Copies report a full disk in either of the system's two spellings.
ErrorCode CopyError(DWORD err) {
  return err == ERROR_HANDLE_DISK_FULL ? kErrDiskFull : static_cast<ErrorCode>(err);
}

// Largest single ReadFile/WriteFile request.
constexpr size_t kMaxChunk = 1u << 30;

class Win32File : public File {
 public:
  Win32File(HANDLE handle, bool writable) : handle_(handle), writable_(writable) {}
  ~Win32File() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }

  ErrorCode Read(void* buffer, size_t n, size_t* got) override {
    *got = 0;
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    char* p = static_cast<char*>(buffer);
    while (*got < n) {
      size_t want = n - *got;
      if (want > kMaxChunk) want = kMaxChunk;
      DWORD read = 0;
      if (!::ReadFile(handle_, p + *got, static_cast<DWORD>(want), &read, nullptr)) {
        DWORD err = ::GetLastError();
        if (err == ERROR_HANDLE_EOF) break;
        return ReadError(err);
      }
      if (read == 0) break;  // end of file
      *got += read;
    }
    return kSuccess;
  }

  ErrorCode Write(const void* buffer, size_t n) override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    const char* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < n) {
      size_t want = n - done;
      if (want > kMaxChunk) want = kMaxChunk;
      DWORD written = 0;
      if (!::WriteFile(handle_, p + done, static_cast<DWORD>(want), &written, nullptr))
        return WriteError(::GetLastError());
      // A disk file takes all or fails; taking nothing without an error means no room.
      if (written == 0) return kErrDiskFull;
      done += written;
    }
    return kSuccess;
  }

  ErrorCode Seek(uint64_t position) override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    if (position > static_cast<uint64_t>(INT64_MAX)) return kErrInvalidParameter;
    return MoveTo(position, FILE_BEGIN, nullptr) ? kSuccess : kErrInvalidParameter;
  }

  uint64_t Tell() override {
    if (handle_ == INVALID_HANDLE_VALUE) return 0;
    uint64_t position = 0;
    return MoveTo(0, FILE_CURRENT, &position) ? position : 0;
  }

  ErrorCode Size(uint64_t* size) override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    DWORD high = 0;
    ::SetLastError(NO_ERROR);
    DWORD low = ::GetFileSize(handle_, &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return kErrReadFault;
    *size = (static_cast<uint64_t>(high) << 32) | low;
    return kSuccess;
  }

  ErrorCode Truncate(uint64_t size) override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    if (!writable_) return kErrAccessDenied;
    if (size > static_cast<uint64_t>(INT64_MAX)) return kErrInvalidParameter;
    // SetEndOfFile works at the file pointer; the caller's position is kept, as ftruncate does.
    uint64_t position = 0;
    if (!MoveTo(0, FILE_CURRENT, &position) || !MoveTo(size, FILE_BEGIN, nullptr))
      return kErrWriteFault;
    ErrorCode result = kSuccess;
    if (!::SetEndOfFile(handle_)) result = WriteError(::GetLastError());
    MoveTo(position, FILE_BEGIN, nullptr);
    return result;
  }

  ErrorCode Flush() override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    // A handle without write access has nothing to flush, and the call would refuse it.
    if (!writable_) return kSuccess;
    if (!::FlushFileBuffers(handle_)) {
      ErrorCode err = WriteError(::GetLastError());
      return err == kErrDiskFull ? err : kErrWriteFault;
    }
    return kSuccess;
  }

  ErrorCode Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    // Written data already belongs to the system's cache; closing hands the file back.
    BOOL ok = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok ? kSuccess : kErrWriteFault;
  }

  ErrorCode GetTimes(FileTimes* times) override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    FILETIME created, accessed, written;
    if (!::GetFileTime(handle_, &created, &accessed, &written)) return LastError();
    times->creation = Join(created);
    times->last_access = Join(accessed);
    times->last_write = Join(written);
    return kSuccess;
  }

  ErrorCode SetTimes(const FileTimes& times) override {
    if (handle_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    if (!writable_) return kErrAccessDenied;
    FILETIME created = Split(times.creation), accessed = Split(times.last_access),
             written = Split(times.last_write);
    // A null time leaves that one unchanged.
    if (!::SetFileTime(handle_, times.creation ? &created : nullptr,
                       times.last_access ? &accessed : nullptr,
                       times.last_write ? &written : nullptr))
      return LastError();
    return kSuccess;
  }

 private:
  // SetFilePointer with the high word: a result of INVALID_SET_FILE_POINTER is only a failure
  // when the last error says so (it is also the low word of some valid positions).
  bool MoveTo(uint64_t distance, DWORD method, uint64_t* position) {
    LONG high = static_cast<LONG>(distance >> 32);
    ::SetLastError(NO_ERROR);
    DWORD low = ::SetFilePointer(handle_, static_cast<LONG>(distance & 0xFFFFFFFFu), &high,
                                 method);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return false;
    if (position != nullptr)
      *position = (static_cast<uint64_t>(static_cast<DWORD>(high)) << 32) | low;
    return true;
  }

  static uint64_t Join(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  }
  static FILETIME Split(uint64_t t) {
    FILETIME out;
    out.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
    out.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return out;
  }

  HANDLE handle_;
  bool writable_;
};

struct OpenFlags {
  DWORD desired = 0;
  DWORD creation = OPEN_EXISTING;
  DWORD share_mode = 0;
};

OpenFlags FlagsFor(FileAccess access, FileDisposition disposition, FileShare share) {
  OpenFlags f;
  switch (access) {
    case FileAccess::kRead: f.desired = GENERIC_READ; break;
    case FileAccess::kWrite: f.desired = GENERIC_WRITE; break;
    case FileAccess::kReadWrite: f.desired = GENERIC_READ | GENERIC_WRITE; break;
  }
  switch (disposition) {
    case FileDisposition::kOpenExisting: f.creation = OPEN_EXISTING; break;
    case FileDisposition::kCreateAlways: f.creation = CREATE_ALWAYS; break;
    case FileDisposition::kOpenAlways: f.creation = OPEN_ALWAYS; break;
    case FileDisposition::kCreateNew: f.creation = CREATE_NEW; break;
  }
  switch (share) {
    case FileShare::kNone: f.share_mode = 0; break;
    case FileShare::kRead: f.share_mode = FILE_SHARE_READ; break;
    case FileShare::kReadWrite: f.share_mode = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
  }
  return f;
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

ErrorCode AttributesResult(DWORD attributes, uint32_t* out) {
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  *out = attributes;
  return kSuccess;
}

}  // namespace

ErrorCode Win32FileSystem::OpenFile(const std::string& path, FileAccess access,
                                    FileDisposition disposition, FileShare share,
                                    std::unique_ptr<File>* file) {
  if (path.empty()) return kErrInvalidName;
  OpenFlags f = FlagsFor(access, disposition, share);
  HANDLE handle = ::CreateFileA(path.c_str(), f.desired, f.share_mode, nullptr, f.creation,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  *file = std::make_unique<Win32File>(handle, access != FileAccess::kRead);
  return kSuccess;
}

ErrorCode Win32FileSystem::OpenFileW(const std::u16string& path, FileAccess access,
                                     FileDisposition disposition, FileShare share,
                                     std::unique_ptr<File>* file) {
  if (path.empty()) return kErrInvalidName;
  OpenFlags f = FlagsFor(access, disposition, share);
  HANDLE handle = ::CreateFileW(Wide(path), f.desired, f.share_mode, nullptr, f.creation,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  *file = std::make_unique<Win32File>(handle, access != FileAccess::kRead);
  return kSuccess;
}

ErrorCode Win32FileSystem::RemoveFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) ? kSuccess : LastError();
}

ErrorCode Win32FileSystem::CopyFileTo(const std::string& from, const std::string& to,
                                      bool fail_if_exists) {
  if (::CopyFileA(from.c_str(), to.c_str(), fail_if_exists ? TRUE : FALSE)) return kSuccess;
  return CopyError(::GetLastError());
}

ErrorCode Win32FileSystem::RenameFile(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return kSuccess;
  if (::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return LastError();
  // The 9x family has no MoveFileEx. The old file is moved aside rather than deleted first, so
  // that a failed move puts it back and nothing is lost.
  if (::MoveFileA(from.c_str(), to.c_str())) return kSuccess;
  if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS)
    return LastError();
  const std::string aside = to + ".qid-old";
  ::DeleteFileA(aside.c_str());
  if (!::MoveFileA(to.c_str(), aside.c_str())) return LastError();
  if (!::MoveFileA(from.c_str(), to.c_str())) {
    ErrorCode err = LastError();
    ::MoveFileA(aside.c_str(), to.c_str());
    return err;
  }
  ::DeleteFileA(aside.c_str());
  return kSuccess;
}

bool Win32FileSystem::FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ErrorCode Win32FileSystem::CreateFolder(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) ? kSuccess : LastError();
}

ErrorCode Win32FileSystem::RemoveAtRestart(const std::string& path) {
  if (::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return kSuccess;
  return LastError();
}

ErrorCode Win32FileSystem::OpenExclusiveLock(const std::string& path,
                                             std::unique_ptr<File>* lock) {
  // An unshared handle is the lock: the system refuses a second one with a sharing violation
  // until the first is closed, also when its process dies. Works alike on every Windows.
  for (;;) {
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      *lock = std::make_unique<Win32File>(handle, true);
      return kSuccess;
    }
    DWORD err = ::GetLastError();
    if (err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION) return err;
    ::Sleep(50);
  }
}

ErrorCode Win32FileSystem::GetAttributes(const std::string& path, uint32_t* attributes) {
  return AttributesResult(::GetFileAttributesA(path.c_str()), attributes);
}

ErrorCode Win32FileSystem::ResolvePath(const std::string& path, std::string* resolved) {
  char full[MAX_PATH];
  DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  if (n == 0) return LastError();
  if (n >= MAX_PATH) return kErrFilenameTooLong;
  *resolved = full;
  // GetLongPathNameA is missing before Windows 2000; there FindFirstFileA names the last part.
  using LongPathName = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
  static const auto long_path_name = reinterpret_cast<LongPathName>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32"), "GetLongPathNameA")));
  char long_path[MAX_PATH];
  if (long_path_name != nullptr) {
    n = long_path_name(full, long_path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) *resolved = long_path;
    return kSuccess;
  }
  std::string last = resolved->substr(resolved->find_last_of('\\') + 1);
  if (last.empty() || last.find_first_of("*?<>\"") != std::string::npos) return kSuccess;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA(full, &found);
  if (search == INVALID_HANDLE_VALUE) return kSuccess;
  ::FindClose(search);
  resolved->replace(resolved->size() - last.size(), last.size(), found.cFileName);
  return kSuccess;
}

ErrorCode Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) ? kSuccess : LastError();
}

ErrorCode Win32FileSystem::RemoveFileW(const std::u16string& path) {
  return ::DeleteFileW(Wide(path)) ? kSuccess : LastError();
}

ErrorCode Win32FileSystem::CreateFolderW(const std::u16string& path) {
  return ::CreateDirectoryW(Wide(path), nullptr) ? kSuccess : LastError();
}

ErrorCode Win32FileSystem::GetAttributesW(const std::u16string& path, uint32_t* attributes) {
  return AttributesResult(::GetFileAttributesW(Wide(path)), attributes);
}

ErrorCode Win32FileSystem::SetAttributesW(const std::u16string& path, uint32_t attributes) {
  return ::SetFileAttributesW(Wide(path), attributes) ? kSuccess : LastError();
}

}  // namespace qid
