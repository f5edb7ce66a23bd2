// Files: open, read, write, size, delete, copy, deletion at restart.
//
// Paths are the product's Windows paths ("C:\ZEL\TEST.TIF"). The Win32 layer hands them to the
// system unchanged; the host layer maps "X:\..." onto "<root>/drive_x/...", keeps a path that
// starts with "/" as a host path and turns backslashes into slashes.
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

// Sharing with other openers of the same file. The host layer does not enforce sharing.
enum class FileShare { kNone, kRead, kReadWrite };

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

  // Copies bytes and, where the system has them, attributes. With fail_if_exists an existing
  // destination gives kErrFileExists; otherwise it is replaced. A failed copy leaves no
  // partial destination behind. kSuccess; kErrFileNotFound; kErrAccessDenied; kErrDiskFull.
  virtual ErrorCode CopyFileTo(const std::string& from, const std::string& to,
                               bool fail_if_exists) = 0;

  // Renames, replacing an existing destination. kSuccess; kErrFileNotFound; kErrAccessDenied.
  virtual ErrorCode RenameFile(const std::string& from, const std::string& to) = 0;

  // True when a file or folder of that name exists.
  virtual bool FileExists(const std::string& path) = 0;

  // Creates one folder. kSuccess; kErrAlreadyExists; kErrPathNotFound.
  virtual ErrorCode CreateFolder(const std::string& path) = 0;

  // Records the file for deletion at the next restart. kSuccess; kErrAccessDenied.
  virtual ErrorCode RemoveAtRestart(const std::string& path) = 0;
};

// Reads a whole open file from its start into *bytes. kSuccess; kErrReadFault; kErrNotEnoughMemory.
ErrorCode ReadWholeFile(File& file, std::string* bytes);

}  // namespace qid
