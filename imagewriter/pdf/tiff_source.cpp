#include "imagewriter/pdf/tiff_source.h"

#include <cstring>

namespace qid {
namespace {

// Read-only bytes in memory presented as a File.
class MemoryFile : public File {
 public:
  MemoryFile(const void* bytes, size_t n) : bytes_(static_cast<const uint8_t*>(bytes)), size_(n) {}
  ErrorCode Read(void* buffer, size_t n, size_t* got) override {
    size_t left = position_ < size_ ? size_ - static_cast<size_t>(position_) : 0;
    *got = n < left ? n : left;
    if (*got > 0) std::memcpy(buffer, bytes_ + position_, *got);
    position_ += *got;
    return kSuccess;
  }
  ErrorCode Write(const void*, size_t) override { return kErrAccessDenied; }
  ErrorCode Seek(uint64_t position) override {
    position_ = position;
    return kSuccess;
  }
  uint64_t Tell() override { return position_; }
  ErrorCode Size(uint64_t* size) override {
    *size = size_;
    return kSuccess;
  }
  ErrorCode Truncate(uint64_t) override { return kErrAccessDenied; }
  ErrorCode Flush() override { return kSuccess; }
  ErrorCode Close() override { return kSuccess; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  uint64_t position_ = 0;
};

File* AsFile(thandle_t handle) { return static_cast<File*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t n) {
  if (n < 0) return -1;
  size_t got = 0;
  if (AsFile(handle)->Read(buffer, static_cast<size_t>(n), &got) != kSuccess) return -1;
  return static_cast<tmsize_t>(got);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }  // sources are read only

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  File* file = AsFile(handle);
  uint64_t base = 0;
  if (whence == SEEK_CUR) {
    base = file->Tell();
  } else if (whence == SEEK_END) {
    if (file->Size(&base) != kSuccess) return static_cast<toff_t>(-1);
  } else if (whence != SEEK_SET) {
    return static_cast<toff_t>(-1);
  }
  // libtiff passes negative relative moves as wrapped unsigned values.
  uint64_t target = base + offset;
  if (whence != SEEK_SET && static_cast<int64_t>(offset) < 0 && target > base) {
    return static_cast<toff_t>(-1);
  }
  if (file->Seek(target) != kSuccess) return static_cast<toff_t>(-1);
  return target;
}

int CloseProc(thandle_t handle) {
  File* file = AsFile(handle);
  file->Close();
  delete file;
  return 0;
}

toff_t SizeProc(thandle_t handle) {
  uint64_t size = 0;
  if (AsFile(handle)->Size(&size) != kSuccess) return 0;
  return size;
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }  // no mapping: libtiff reads instead
void UnmapProc(thandle_t, void*, toff_t) {}

TIFF* OpenOverFile(std::unique_ptr<File> file, const char* name) {
  File* handle = file.release();
  TIFF* tif = TIFFClientOpen(name, "r", handle, ReadProc, WriteProc, SeekProc, CloseProc,
                             SizeProc, MapProc, UnmapProc);
  // A failed TIFFClientOpen leaves the handle to its opener (it never calls CloseProc then).
  if (tif == nullptr) CloseProc(handle);
  return tif;
}

void Silent(const char*, const char*, va_list) {}

}  // namespace

TIFF* OpenTiffSource(FileSystem& files, const std::string& path) {
  std::unique_ptr<File> file;
  if (files.OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting,
                     FileShare::kRead, &file) != kSuccess) {
    return nullptr;
  }
  return OpenOverFile(std::move(file), path.c_str());
}

TIFF* OpenTiffMemory(const void* bytes, size_t n, const char* name) {
  return OpenOverFile(std::make_unique<MemoryFile>(bytes, n), name);
}

uint64_t TiffSourceSize(TIFF* tif) { return SizeProc(TIFFClientdata(tif)); }

TiffSilence::TiffSilence()
    : previous_error_(TIFFSetErrorHandler(Silent)),
      previous_warning_(TIFFSetWarningHandler(Silent)) {}

TiffSilence::~TiffSilence() {
  TIFFSetErrorHandler(previous_error_);
  TIFFSetWarningHandler(previous_warning_);
}

}  // namespace qid
