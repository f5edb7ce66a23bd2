#include "imagewriter/tiff_reader.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/debug_trace.h"

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

// libtiff reads a page's directory in many small pieces at scattered places; a read-ahead
// block serves most of them without a system call.
constexpr size_t kReadAhead = 64 * 1024;

struct Source {
  std::unique_ptr<File> file;
  const char* trace_tag = nullptr;  // null: libtiff's messages are dropped
  uint64_t position = 0;       // where libtiff reads next
  uint64_t file_position = 0;  // where the file stands
  uint64_t block_start = 0;    // file offset of block[0]
  size_t block_length = 0;
  uint8_t block[kReadAhead];
};

Source* AsSource(thandle_t handle) { return static_cast<Source*>(handle); }

// Reads at the source's position straight from the file; false on a read error.
bool ReadFile(Source* source, void* to, size_t n, size_t* got) {
  *got = 0;
  if (source->file_position != source->position) {
    if (source->file->Seek(source->position) != kSuccess) return false;
    source->file_position = source->position;
  }
  if (source->file->Read(to, n, got) != kSuccess) return false;
  source->file_position += *got;
  return true;
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t n) {
  if (n < 0) return -1;
  Source* source = AsSource(handle);
  uint8_t* to = static_cast<uint8_t*>(buffer);
  size_t wanted = static_cast<size_t>(n);
  size_t done = 0;
  while (done < wanted) {
    uint64_t end = source->block_start + source->block_length;
    if (source->position >= source->block_start && source->position < end) {
      size_t offset = static_cast<size_t>(source->position - source->block_start);
      size_t part = std::min(wanted - done, source->block_length - offset);
      std::memcpy(to + done, source->block + offset, part);
      done += part;
      source->position += part;
      continue;
    }
    size_t got = 0;
    if (wanted - done >= kReadAhead) {  // a strip: no point in passing it through the block
      if (!ReadFile(source, to + done, wanted - done, &got)) return -1;
      done += got;
      source->position += got;
      break;
    }
    if (!ReadFile(source, source->block, kReadAhead, &got)) return -1;
    source->block_start = source->position;
    source->block_length = got;
    if (got == 0) break;  // the end of the file
  }
  return static_cast<tmsize_t>(done);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }  // opened for reading only

toff_t SizeProc(thandle_t handle) {
  uint64_t size = 0;
  if (AsSource(handle)->file->Size(&size) != kSuccess) return 0;
  return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  Source* source = AsSource(handle);
  uint64_t base = 0;
  if (whence == SEEK_CUR) {
    base = source->position;
  } else if (whence == SEEK_END) {
    base = SizeProc(handle);
  } else if (whence != SEEK_SET) {
    return static_cast<toff_t>(-1);
  }
  // libtiff passes negative relative moves as wrapped unsigned values.
  uint64_t target = base + offset;
  if (whence != SEEK_SET && static_cast<int64_t>(offset) < 0 && target > base) {
    return static_cast<toff_t>(-1);
  }
  source->position = target;  // the file follows when it is next read
  return target;
}

int CloseProc(thandle_t handle) {
  Source* source = AsSource(handle);
  // Read only: closing cannot lose data, so its result says nothing the reader needs.
  (void)source->file->Close();
  delete source;
  return 0;
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }  // no mapping: libtiff reads instead
void UnmapProc(thandle_t, void*, toff_t) {}

// Messages about one TIFF: traced with the opener's tag, or dropped. Returning 1 tells
// libtiff they are handled, so the process-wide handlers never see them.
int OnMessage(const char* kind, void* user_data, const char* module, const char* format,
              va_list args) {
  const char* tag = static_cast<const char*>(user_data);
  if (tag == nullptr) return 1;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  DebugTrace(tag, "libtiff %s: %s: %s", kind, module != nullptr ? module : "", text);
  return 1;
}

int OnError(TIFF*, void* user_data, const char* module, const char* format, va_list args) {
  return OnMessage("error", user_data, module, format, args);
}

int OnWarning(TIFF*, void* user_data, const char* module, const char* format, va_list args) {
  return OnMessage("warning", user_data, module, format, args);
}

void Silent(const char*, const char*, va_list) {}

// The few libtiff messages that name no TIFF go to the process-wide handlers, whose defaults
// write to stderr or, in the Windows build, show a message box. They are silenced once.
void SilenceProcessWideHandlers() {
  static const bool silenced = [] {
    TIFFSetErrorHandler(Silent);
    TIFFSetWarningHandler(Silent);
    return true;
  }();
  (void)silenced;  // only the one-time setting matters
}

TiffPtr OpenOverFile(std::unique_ptr<File> file, const char* name, const char* trace_tag) {
  SilenceProcessWideHandlers();
  Source* handle = new (std::nothrow) Source;
  if (handle == nullptr) return nullptr;
  handle->file = std::move(file);
  handle->trace_tag = trace_tag;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) {
    CloseProc(handle);
    return nullptr;
  }
  void* user_data = const_cast<char*>(trace_tag);
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, user_data);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, user_data);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxLibtiffAllocation));
  // "m": no memory mapping; every read goes through the File.
  TIFF* tif = TIFFClientOpenExt(name, "rm", handle, ReadProc, WriteProc, SeekProc, CloseProc,
                                SizeProc, MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  // A failed open leaves the handle to its opener (libtiff never calls CloseProc then).
  if (tif == nullptr) CloseProc(handle);
  return TiffPtr(tif);
}

}  // namespace

void TiffCloser::operator()(TIFF* tif) const {
  if (tif != nullptr) TIFFClose(tif);
}

TiffPtr OpenTiffReader(FileSystem& files, const std::string& path, const char* trace_tag) {
  std::unique_ptr<File> file;
  ErrorCode err = files.OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting,
                                 FileShare::kRead, &file);
  if (err != kSuccess) {
    if (trace_tag != nullptr) {
      DebugTrace(trace_tag, "cannot open %s => err %d", path.c_str(), int(err));
    }
    return nullptr;
  }
  TiffPtr tif = OpenOverFile(std::move(file), path.c_str(), trace_tag);
  if (tif == nullptr && trace_tag != nullptr) {
    DebugTrace(trace_tag, "%s is no readable TIFF", path.c_str());
  }
  return tif;
}

TiffPtr OpenTiffMemory(const void* bytes, size_t n, const char* name) {
  return OpenOverFile(std::make_unique<MemoryFile>(bytes, n), name, nullptr);
}

uint64_t TiffFileSize(TIFF* tif) { return SizeProc(TIFFClientdata(tif)); }

}  // namespace qid
