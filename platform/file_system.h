// Files: open, read, write, size, times, attributes, delete, copy, deletion at restart.
//
// Paths are the product's Windows paths ("C:\ZEL\TEST.TIF"). The Win32 layer hands them to the
// system unchanged; the host layer maps "X:\..." onto "<root>/drive_x/...", keeps a path that
// starts with "/" as a host path and turns backslashes into slashes.
//
// Text form: Q71File and PrnWipe pass ANSI paths (std::string, the ...A calls); drvsetup passes
// UTF-16 paths to the methods whose names end in W (the ...W calls). The host keeps names as
// bytes: a UTF-16 path converts unit for unit, and one holding a unit above 0xFF is refused
// with kErrInvalidName rather than mapped onto another file.
//
// Thread use: a File belongs to one thread at a time; a FileSystem may be shared.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/errors.h"

namespace qid {

enum class FileAccess { kRead, kWrite, kReadWrite };

enum class FileDisposition {
  kOpenExisting,  // fail with kErrFileNotFound when absent
  kCreateAlways,  // create, or truncate an existing file to 0 bytes
  kOpenAlways,    // open, creating an empty file when absent
  kCreateNew,     // fail with kErrFileExists when present
};

// Sharing with other openers of the same file, as Windows has it: an open fails with
// kErrSharingViolation when another handle's share mode refuses its access, or when it would
// refuse what another handle already does. No handle shares deletion: a file that is open
// cannot be removed or renamed (kErrSharingViolation). The host layer enforces this between
// the product's programs (platform/host/open_file_table.h).
enum class FileShare { kNone, kRead, kReadWrite };

// The three times of a file in the system's unit: 100-nanosecond steps since 1601-01-01 UTC.
struct FileTimes {
  uint64_t creation = 0;
  uint64_t last_access = 0;
  uint64_t last_write = 0;
};

// File attribute bits, numbered as FILE_ATTRIBUTE_...
enum FileAttribute : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,  // alone: no other attribute; clears read-only when set
};

class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  // Closes the file; errors on this path are not reported (call Close to see them).
  virtual ~File() = default;

  // Reads up to n bytes at the current position; *got < n only at the end of the file.
  // kSuccess; kErrReadFault.
  virtual ErrorCode Read(void* buffer, size_t n, size_t* got) = 0;

  // Writes all n bytes at the current position or reports why not: kSuccess; kErrDiskFull;
  // kErrWriteFault; kErrAccessDenied when opened for reading. After a failure the number of
  // bytes that reached the file is unknown.
  virtual ErrorCode Write(const void* buffer, size_t n) = 0;

  // Moves to an absolute position (past the end is allowed). kSuccess; kErrInvalidParameter.
  virtual ErrorCode Seek(uint64_t position) = 0;
  virtual uint64_t Tell() = 0;

  // kSuccess and *size; kErrReadFault.
  virtual ErrorCode Size(uint64_t* size) = 0;

  // Cuts or extends the file to `size` bytes. kSuccess; kErrWriteFault; kErrAccessDenied.
  virtual ErrorCode Truncate(uint64_t size) = 0;

  // Pushes written data to the system. kSuccess; kErrWriteFault; kErrDiskFull.
  virtual ErrorCode Flush() = 0;

  // Flushes and closes; later calls fail with kErrInvalidHandle. kSuccess; kErrWriteFault.
  virtual ErrorCode Close() = 0;

  // The file's creation, last-access and last-write times (GetFileTime). kSuccess and *times;
  // kErrInvalidHandle after Close; kErrInvalidFunction for a file that has no times (an
  // in-memory stand-in).
  virtual ErrorCode GetTimes(FileTimes* times) {
    (void)times;
    return kErrInvalidFunction;
  }

  // Sets all three times (SetFileTime); a time of 0 leaves that one as it is. The host keeps
  // no creation time and ignores it. kSuccess; kErrAccessDenied when opened for reading only;
  // kErrInvalidHandle after Close; kErrInvalidFunction as above.
  virtual ErrorCode SetTimes(const FileTimes& times) {
    (void)times;
    return kErrInvalidFunction;
  }
};

class FileSystem {
 public:
  FileSystem() = default;
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;
  virtual ~FileSystem() = default;

  // kSuccess and *file; kErrFileNotFound; kErrPathNotFound (missing folder); kErrFileExists
  // (kCreateNew); kErrAccessDenied; kErrSharingViolation; kErrInvalidName.
  virtual ErrorCode OpenFile(const std::string& path, FileAccess access,
                             FileDisposition disposition, FileShare share,
                             std::unique_ptr<File>* file) = 0;

  // kSuccess; kErrFileNotFound; kErrAccessDenied (read-only or in use).
  virtual ErrorCode RemoveFile(const std::string& path) = 0;

  // The name under which other programs of the system open `path`: the path itself on
  // Windows; on the host the host file behind it, so that an Output Application gets a path
  // it can open.
  virtual std::string PathForPrograms(const std::string& path) { return path; }

  // Copies bytes and, where the system has them, attributes. With fail_if_exists an existing
  // destination gives kErrFileExists; otherwise it is replaced. A failed copy leaves no
  // partial destination behind. kSuccess; kErrFileNotFound; kErrAccessDenied; kErrDiskFull.
  virtual ErrorCode CopyFileTo(const std::string& from, const std::string& to,
                               bool fail_if_exists) = 0;

  // Renames, replacing an existing destination. kSuccess; kErrFileNotFound; kErrAccessDenied;
  // kErrSharingViolation (either file is open).
  virtual ErrorCode RenameFile(const std::string& from, const std::string& to) = 0;

  // True when a file or folder of that name exists.
  virtual bool FileExists(const std::string& path) = 0;

  // Creates one folder. kSuccess; kErrAlreadyExists; kErrPathNotFound.
  virtual ErrorCode CreateFolder(const std::string& path) = 0;

  // Records the file for deletion at the next restart (MoveFileExA to no target with
  // MOVEFILE_DELAY_UNTIL_REBOOT: NT family only; on the 9x family the caller writes the
  // "Wininit.ini" entry through SystemControl instead). The system accepts missing files.
  // kSuccess; kErrAccessDenied (the caller is no administrator).
  virtual ErrorCode RemoveAtRestart(const std::string& path) = 0;

  // Opens `path` (created when absent) for this caller alone, waiting as long as another
  // caller holds it: serializes work between processes. The hold ends when *lock is closed or
  // its process ends, however it ends. kSuccess and *lock; the OpenFile errors.
  virtual ErrorCode OpenExclusiveLock(const std::string& path, std::unique_ptr<File>* lock) = 0;

  // The file's or folder's attribute bits (GetFileAttributesA). kSuccess and *attributes;
  // kErrFileNotFound; kErrPathNotFound. The host reports kAttrReadOnly for a file without the
  // owner's write permission, kAttrDirectory for a folder and kAttrNormal otherwise.
  virtual ErrorCode GetAttributes(const std::string& path, uint32_t* attributes) = 0;

  // Sets the attribute bits (SetFileAttributesA); kAttrNormal clears read-only. The host
  // honours only kAttrReadOnly (the owner's write permission). kSuccess; kErrFileNotFound;
  // kErrAccessDenied.
  virtual ErrorCode SetAttributes(const std::string& path, uint32_t attributes) = 0;

  // The full path the system opens for `path`: "." and ".." parts applied, the trailing dots
  // and blanks of the last part dropped (a path that then ends in "\" names the folder), and
  // every short (8.3) part of an existing file or folder expanded to its long name. A name that
  // exists under no short name stays as given. The host has no short names. kSuccess and
  // *resolved; kErrInvalidName; kErrFilenameTooLong.
  virtual ErrorCode ResolvePath(const std::string& path, std::string* resolved) = 0;

  // The UTF-16 forms of OpenFile, RemoveFile, CreateFolder, GetAttributes and SetAttributes,
  // with the same contracts, plus kErrInvalidName on the host as the header says.
  virtual ErrorCode OpenFileW(const std::u16string& path, FileAccess access,
                              FileDisposition disposition, FileShare share,
                              std::unique_ptr<File>* file) = 0;
  virtual ErrorCode RemoveFileW(const std::u16string& path) = 0;
  virtual ErrorCode CreateFolderW(const std::u16string& path) = 0;
  virtual ErrorCode GetAttributesW(const std::u16string& path, uint32_t* attributes) = 0;
  virtual ErrorCode SetAttributesW(const std::u16string& path, uint32_t attributes) = 0;
};

// Reads a whole open file from its start into *bytes. kSuccess; kErrReadFault; kErrNotEnoughMemory.
ErrorCode ReadWholeFile(File& file, std::string* bytes);

// The form part of ResolvePath, as text alone: "." and ".." parts applied and the trailing
// dots and blanks of the last part dropped ("C:\d\x. " -> "C:\d\x", "C:\d\..." -> "C:\d\").
std::string NormalizedWindowsPath(const std::string& path);

}  // namespace qid
