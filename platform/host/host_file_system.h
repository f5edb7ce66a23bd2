// The POSIX file system behind the product's Windows paths.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/host/open_file_table.h"

namespace qid {

class HostFileSystem : public FileSystem {
 public:
  // `root` holds the drive folders ("drive_c", ...), the list of files to delete at restart
  // and the open-file table ("open-files") through which share modes are enforced.
  explicit HostFileSystem(std::string root);

  // "X:\a\b" -> "<root>/drive_x/a/b"; "/abs" stays; other backslashes become "/".
  std::string HostPath(const std::string& path) const;

  ErrorCode OpenFile(const std::string& path, FileAccess access, FileDisposition disposition,
                     FileShare share, std::unique_ptr<File>* file) override;
  ErrorCode RemoveFile(const std::string& path) override;
  std::string PathForPrograms(const std::string& path) override { return HostPath(path); }
  ErrorCode CopyFileTo(const std::string& from, const std::string& to,
                       bool fail_if_exists) override;
  ErrorCode RenameFile(const std::string& from, const std::string& to) override;
  bool FileExists(const std::string& path) override;
  ErrorCode CreateFolder(const std::string& path) override;
  ErrorCode RemoveAtRestart(const std::string& path) override;
  ErrorCode OpenExclusiveLock(const std::string& path, std::unique_ptr<File>* lock) override;
  ErrorCode GetAttributes(const std::string& path, uint32_t* attributes) override;
  ErrorCode SetAttributes(const std::string& path, uint32_t attributes) override;
  ErrorCode ResolvePath(const std::string& path, std::string* resolved) override {
    *resolved = NormalizedWindowsPath(path);
    return kSuccess;
  }
  ErrorCode OpenFileW(const std::u16string& path, FileAccess access, FileDisposition disposition,
                      FileShare share, std::unique_ptr<File>* file) override;
  ErrorCode RemoveFileW(const std::u16string& path) override;
  ErrorCode CreateFolderW(const std::u16string& path) override;
  ErrorCode GetAttributesW(const std::u16string& path, uint32_t* attributes) override;
  ErrorCode SetAttributesW(const std::u16string& path, uint32_t attributes) override;

 private:
  std::string root_;
  OpenFileTable table_;
};

// The bytes of a UTF-16 path, unit for unit; false when a unit above 0xFF has no byte.
bool NarrowHostPath(const std::u16string& path, std::string* narrow);

// The Win32 error code for an errno value.
ErrorCode ErrnoToError(int err);

}  // namespace qid
