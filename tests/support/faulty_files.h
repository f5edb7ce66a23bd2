// The fault-injecting file system: forwards to a target file system and fails chosen calls on
// the files it opens (all of them, or only those of one name): the Nth write of all (counting
// from 1), optionally after half of its bytes reached the file (a full disk), the Nth flush, or
// every open. Counters run across every file it touches; reset `writes` or `flushes` to count
// afresh.
#pragma once

#include <memory>
#include <string>

#include "platform/wrappers.h"

namespace qid::testing {

class FaultyFiles : public FileSystemWrapper {
 public:
  explicit FaultyFiles(FileSystem* target) : FileSystemWrapper(target) {}

  int fail_write = 0;        // 0: never
  bool half_written = false; // the failing write first writes half its bytes
  ErrorCode write_error = kErrDiskFull;
  int fail_flush = 0;
  ErrorCode open_error = kSuccess;  // returned by every touched open when set
  int writes = 0, flushes = 0;      // calls seen so far
  std::u16string only_wide;         // set: only UTF-16 opens of this name are touched

  ErrorCode OpenFile(const std::string& path, FileAccess access, FileDisposition disposition,
                     FileShare share, std::unique_ptr<File>* file) override {
    bool touched = only_wide.empty();
    if (touched && open_error != kSuccess) return open_error;
    ErrorCode err = FileSystemWrapper::OpenFile(path, access, disposition, share, file);
    if (touched) Wrap(err, file);
    return err;
  }
  ErrorCode OpenFileW(const std::u16string& path, FileAccess access, FileDisposition disposition,
                      FileShare share, std::unique_ptr<File>* file) override {
    bool touched = only_wide.empty() || path == only_wide;
    if (touched && open_error != kSuccess) return open_error;
    ErrorCode err = FileSystemWrapper::OpenFileW(path, access, disposition, share, file);
    if (touched) Wrap(err, file);
    return err;
  }

 private:
  void Wrap(ErrorCode err, std::unique_ptr<File>* file) {
    if (err == kSuccess) *file = std::make_unique<Faulty>(std::move(*file), this);
  }

  class Faulty : public FileWrapper {
   public:
    Faulty(std::unique_ptr<File> target, FaultyFiles* owner)
        : FileWrapper(std::move(target)), owner_(owner) {}
    ErrorCode Write(const void* buffer, size_t n) override {
      if (++owner_->writes == owner_->fail_write) {
        // The half that reached the disk is the point; its own result does not matter.
        if (owner_->half_written && n > 1) (void)target().Write(buffer, n / 2);
        return owner_->write_error;
      }
      return target().Write(buffer, n);
    }
    ErrorCode Flush() override {
      if (++owner_->flushes == owner_->fail_flush) return kErrWriteFault;
      return target().Flush();
    }

   private:
    FaultyFiles* owner_;
  };
};

}  // namespace qid::testing
