// Files over the Win32 file calls (...A for ANSI paths, ...W for UTF-16 ones). Paths go to the
// system unchanged. A File owns its HANDLE; positions and sizes use the split 32-bit calls that
// Windows 2000 already has.
#pragma once

#include "platform/file_system.h"

namespace qid {

class Win32FileSystem : public FileSystem {
 public:
  Win32FileSystem() = default;

  ErrorCode OpenFile(const std::string& path, FileAccess access, FileDisposition disposition,
                     FileShare share, std::unique_ptr<File>* file) override;
  ErrorCode RemoveFile(const std::string& path) override;
  ErrorCode CopyFileTo(const std::string& from, const std::string& to,
                       bool fail_if_exists) override;
  ErrorCode RenameFile(const std::string& from, const std::string& to) override;
  bool FileExists(const std::string& path) override;
  ErrorCode CreateFolder(const std::string& path) override;
  ErrorCode RemoveAtRestart(const std::string& path) override;
  ErrorCode OpenExclusiveLock(const std::string& path, std::unique_ptr<File>* lock) override;
  ErrorCode GetAttributes(const std::string& path, uint32_t* attributes) override;
  ErrorCode SetAttributes(const std::string& path, uint32_t attributes) override;
  ErrorCode ResolvePath(const std::string& path, std::string* resolved) override;
  ErrorCode OpenFileW(const std::u16string& path, FileAccess access, FileDisposition disposition,
                      FileShare share, std::unique_ptr<File>* file) override;
  ErrorCode RemoveFileW(const std::u16string& path) override;
  ErrorCode CreateFolderW(const std::u16string& path) override;
  ErrorCode GetAttributesW(const std::u16string& path, uint32_t* attributes) override;
  ErrorCode SetAttributesW(const std::u16string& path, uint32_t attributes) override;
};

}  // namespace qid
