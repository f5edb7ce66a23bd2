// libFuzzer target over the PDF writer: WritePdf on arbitrary bytes taken as the source TIFF,
// read from memory and written to a sink through an in-memory file system, so that a run
// touches no disk.
//
// Seeds in fuzz/corpus/pdf/ are small pages of every kind the writer carries (made by
// fuzz/make_pdf_corpus.sh): fax G4 in one strip, in strips, in FillOrder 2, with black as zero;
// uncompressed bilevel, grey, RGB, CMYK and 16-bit RGB; 4- and 8-bit palettes; tiled pages;
// JPEG-compressed YCbCr; two pages in one file.
//
// Built with -DQID_FUZZ=ON under clang; ./run test runs it briefly.
#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "imagewriter/pdf/pdf_writer.h"
#include "imagewriter/tiff_reader.h"
#include "platform/platform.h"

namespace {

using qid::ErrorCode;

constexpr char kSource[] = "C:\\spool\\job.tif";
constexpr char kTarget[] = "C:\\out\\job.pdf";

// Inputs whose pages would take long to decode are left out: the writer refuses only what
// cannot be carried, and a large blank page teaches the fuzzer nothing.
constexpr uint64_t kMaxPixelsPerPage = 1u << 22;
constexpr int kMaxPages = 64;

class MemoryFile : public qid::File {
 public:
  MemoryFile(const uint8_t* data, size_t size, bool writable)
      : data_(data), size_(size), writable_(writable) {}
  ErrorCode Read(void* buffer, size_t n, size_t* got) override {
    size_t left = position_ < size_ ? size_ - position_ : 0;
    *got = n < left ? n : left;
    if (*got > 0) std::memcpy(buffer, data_ + position_, *got);
    position_ += *got;
    return qid::kSuccess;
  }
  ErrorCode Write(const void*, size_t n) override {
    if (!writable_) return qid::kErrAccessDenied;
    position_ += n;  // the sink keeps only the count
    written_ += n;
    return qid::kSuccess;
  }
  ErrorCode Seek(uint64_t position) override {
    position_ = static_cast<size_t>(position);
    return qid::kSuccess;
  }
  uint64_t Tell() override { return position_; }
  ErrorCode Size(uint64_t* size) override {
    *size = writable_ ? written_ : size_;
    return qid::kSuccess;
  }
  ErrorCode Truncate(uint64_t) override { return qid::kErrAccessDenied; }
  ErrorCode Flush() override { return qid::kSuccess; }
  ErrorCode Close() override { return qid::kSuccess; }

 private:
  const uint8_t* data_;
  size_t size_;
  bool writable_;
  size_t position_ = 0;
  size_t written_ = 0;
};

class MemoryFiles : public qid::FileSystem {
 public:
  MemoryFiles(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  ErrorCode OpenFile(const std::string& path, qid::FileAccess access, qid::FileDisposition,
                     qid::FileShare, std::unique_ptr<qid::File>* file) override {
    if (path == kSource && access == qid::FileAccess::kRead) {
      *file = std::make_unique<MemoryFile>(data_, size_, false);
      return qid::kSuccess;
    }
    if (path == kTarget && access == qid::FileAccess::kWrite) {
      *file = std::make_unique<MemoryFile>(nullptr, 0, true);
      return qid::kSuccess;
    }
    return qid::kErrFileNotFound;
  }
  ErrorCode RemoveFile(const std::string&) override { return qid::kErrAccessDenied; }
  ErrorCode CopyFileTo(const std::string&, const std::string&, bool) override {
    return qid::kErrAccessDenied;
  }
  ErrorCode RenameFile(const std::string&, const std::string&) override {
    return qid::kErrAccessDenied;
  }
  bool FileExists(const std::string& path) override { return path == kSource; }
  ErrorCode CreateFolder(const std::string&) override { return qid::kErrAccessDenied; }
  ErrorCode RemoveAtRestart(const std::string&) override { return qid::kErrAccessDenied; }
  ErrorCode OpenExclusiveLock(const std::string&, std::unique_ptr<qid::File>*) override {
    return qid::kErrAccessDenied;
  }
  ErrorCode GetAttributes(const std::string&, uint32_t*) override { return qid::kErrAccessDenied; }
  ErrorCode SetAttributes(const std::string&, uint32_t) override { return qid::kErrAccessDenied; }
  ErrorCode ResolvePath(const std::string&, std::string*) override {
    return qid::kErrAccessDenied;
  }
  ErrorCode OpenFileW(const std::u16string&, qid::FileAccess, qid::FileDisposition, qid::FileShare,
                      std::unique_ptr<qid::File>*) override {
    return qid::kErrAccessDenied;
  }
  ErrorCode RemoveFileW(const std::u16string&) override { return qid::kErrAccessDenied; }
  ErrorCode CreateFolderW(const std::u16string&) override { return qid::kErrAccessDenied; }
  ErrorCode GetAttributesW(const std::u16string&, uint32_t*) override {
    return qid::kErrAccessDenied;
  }
  ErrorCode SetAttributesW(const std::u16string&, uint32_t) override {
    return qid::kErrAccessDenied;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

class FixedSystem : public qid::SystemInfo {
 public:
  ErrorCode UserName(size_t, std::string* name) override {
    *name = "fuzz(er)\\";
    return qid::kSuccess;
  }
  qid::OsVersion Version() override { return {5, 1, 2600, 2}; }
  ErrorCode QueryVersion(qid::OsVersion* v) override {
    *v = Version();
    return qid::kSuccess;
  }
  bool IsWow64() override { return false; }
  ErrorCode WindowsFolderW(std::u16string*) override { return qid::kErrAccessDenied; }
  ErrorCode ProgramFilesFolderW(std::u16string*) override { return qid::kErrEnvVarNotFound; }
  ErrorCode ExecutablePathW(std::u16string*) override { return qid::kErrAccessDenied; }
  ErrorCode UserDataFolder(std::string*) override { return qid::kErrAccessDenied; }
  std::tm LocalTime() override { return std::tm{}; }
};

bool SmallEnough(const uint8_t* data, size_t size) {
  qid::TiffPtr tif = qid::OpenTiffMemory(data, size, "fuzz");
  if (!tif) return true;  // the writer's own refusal is worth running
  int pages = 0;
  do {
    uint32_t width = 0, length = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &length);
    if (uint64_t(width) * length > kMaxPixelsPerPage || ++pages > kMaxPages) return false;
  } while (TIFFReadDirectory(tif.get()));
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!SmallEnough(data, size)) return 0;
  MemoryFiles files(data, size);
  FixedSystem system;
  qid::Platform os;
  os.files = &files;
  os.system = &system;
  for (int quality : {50, 0}) qid::pdf::WritePdf(os, kTarget, {kSource}, quality);
  return 0;
}
