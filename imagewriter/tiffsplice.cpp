#include "imagewriter/tiffsplice.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <unordered_set>

#include "common/debug_trace.h"
#include "common/little_endian.h"
#include "imagewriter/file_window.h"
#include "imagewriter/tiff_check.h"
#include "imagewriter/tiff_rebase.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr const char* kTag = trace::kFiles;
constexpr const char* kTagFiles = trace::kFileAccess;

constexpr uint16_t kTiffSignature = 0x4949;  // "II"
constexpr uint16_t kTiffVersion = 42;
constexpr uint64_t kMinDestinationSize = 16;
constexpr uint64_t kLinkSize = 4;
constexpr uint64_t kMaxTiffSize = 0xFFFFFFFFull;

// Reads exactly n bytes at `position`; false on any shortfall.
bool ReadAt(File& file, uint64_t position, void* buffer, size_t n) {
  size_t got = 0;
  return file.Seek(position) == kSuccess && file.Read(buffer, n, &got) == kSuccess && got == n;
}

bool WriteAt(File& file, uint64_t position, const uint8_t* buffer, size_t n) {
  if (file.Seek(position) != kSuccess) return false;
  return n == 0 || file.Write(buffer, n) == kSuccess;
}

uint32_t LE32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// The chain of a file this system writes ends in the next-IFD field just before the tail; a
// TIFF from elsewhere often ends with tag data instead, which a splice would overwrite while
// its pages stayed unreachable. Only the IFD counts and links are read.
bool LastLinkIsAt(File& file, uint64_t size, uint64_t expected_link) {
  uint64_t link = 4;
  std::unordered_set<uint32_t> seen;
  for (;;) {
    uint8_t field[4];
    if (!ReadAt(file, link, field, 4)) return false;
    uint32_t ifd = LE32(field);
    if (ifd == 0) return link == expected_link;
    if (ifd < 8 || !seen.insert(ifd).second) return false;
    uint8_t count_bytes[2];
    if (!ReadAt(file, ifd, count_bytes, 2)) return false;
    uint64_t count = count_bytes[0] | (count_bytes[1] << 8);
    link = uint64_t(ifd) + 2 + 12 * count;
    if (link + kLinkSize > size) return false;
  }
}

struct SplicePoint {
  uint64_t old_size = 0;
  uint64_t splice = 0;  // where the source's byte 4 goes
  uint32_t base = 0;    // added to every source offset
};

// Steps 2 to 4 of the splice, plus the check that the splice point really is the end of the
// destination's IFD chain.
bool FindSplicePoint(File& destination, const std::string& name, SplicePoint* point) {
  if (!IsTiffFile(destination)) {
    DebugTrace(kTag, "AppendTiff: %s is no little-endian TIFF", name.c_str());
    return false;
  }
  uint64_t size = 0;
  if (destination.Size(&size) != kSuccess || size < kMinDestinationSize) {
    DebugTrace(kTag, "AppendTiff: %s is too short to extend", name.c_str());
    return false;
  }
  uint8_t last[kPageEndMarkerSize];
  if (!ReadAt(destination, size - kPageEndMarkerSize, last, sizeof last)) {
    DebugTrace(kTag, "AppendTiff: cannot read the end of %s", name.c_str());
    return false;
  }
  uint64_t tail = kLinkSize;
  if (std::memcmp(last, kPageEndMarker, kPageEndMarkerSize) == 0) tail += kPageEndMarkerSize;
  if (size < tail + 4 || !LastLinkIsAt(destination, size, size - tail)) {
    DebugTrace(kTag, "AppendTiff: %s does not end with its last IFD link", name.c_str());
    return false;
  }
  point->old_size = size;
  point->splice = size - tail;
  point->base = static_cast<uint32_t>(point->splice - 4);
  return true;
}

// Writes bytes [from, to) of what is appended at the destination's current position.
using WriteRange = std::function<bool(File& out, uint64_t from, uint64_t to)>;

// AppendBufferToFile for bytes that come from anywhere: the bytes past the old end first,
// flushed, then the bytes over the old tail (the link into the old IFD chain), flushed; on
// failure the old size and tail come back.
bool AppendToFile(File& destination, uint64_t size, const WriteRange& write) {
  DebugTrace(kTag, "AppendBufferToFile: Size %u", unsigned(size));
  uint64_t splice = destination.Tell();
  uint64_t old_size = 0;
  if (destination.Size(&old_size) != kSuccess || splice > old_size) return false;

  // The tail: the old bytes that the new ones replace (the link and any page-end marker).
  std::vector<uint8_t> saved(static_cast<size_t>(std::min<uint64_t>(size, old_size - splice)));
  const uint64_t over = saved.size();
  if (over > 0 && !ReadAt(destination, splice, saved.data(), saved.size())) return false;

  // New pages first, past the old end: until the link is written nothing reaches them.
  bool ok = destination.Seek(old_size) == kSuccess && write(destination, over, size) &&
            destination.Flush() == kSuccess;
  bool tail_touched = false;
  if (ok) {
    tail_touched = true;
    ok = destination.Seek(splice) == kSuccess && write(destination, 0, over) &&
         destination.Flush() == kSuccess;
  }
  if (ok) return true;

  bool restored = true;
  if (tail_touched) restored = WriteAt(destination, splice, saved.data(), saved.size());
  restored = destination.Truncate(old_size) == kSuccess && restored;
  restored = destination.Flush() == kSuccess && restored;
  DebugTrace(kTag, "AppendBufferToFile: write failed, old end %s", restored ? "restored"
                                                                           : "NOT restored");
  return false;
}

// The source of a splice: `size` bytes of a file from `origin` on, and their rebasing.
struct SpliceSource {
  FileWindow& window;
  uint64_t origin;
  uint64_t size;
  RebasePlan plan;
};

void PatchBlock(const void* context, uint64_t position, uint8_t* bytes, size_t n) {
  const SpliceSource& source = *static_cast<const SpliceSource*>(context);
  source.plan.Apply(position - source.origin, bytes, n);
}

// Steps 7 to 9 once both sides are known: rebase, write safely, close. The source is copied
// in blocks, each rebased on its way; bytes 4 on of the source go to the splice point.
bool SpliceFrom(File& destination, const std::string& name, const SplicePoint& point,
                SpliceSource& source) {
  RangeSource bytes(source.window, source.origin, source.size);
  uint16_t signature = 0, version = 0;
  if (!bytes.LE16(0, &signature) || !bytes.LE16(2, &version) || signature != kTiffSignature ||
      version != kTiffVersion || source.size < 8) {
    DebugTrace(kTag, "AppendTiff: the source is no little-endian TIFF");
    return false;
  }
  if (point.splice + (source.size - 4) > kMaxTiffSize) {
    DebugTrace(kTag, "AppendTiff: %s would pass 4 GiB", name.c_str());
    return false;
  }
  if (!PlanFixup(bytes, point.base, &source.plan)) {
    DebugTrace(kTag, "AppendTiff: the source is damaged, %s left unchanged", name.c_str());
    return false;
  }
  const uint64_t from = source.origin + 4;
  auto write = [&](File& out, uint64_t a, uint64_t b) {
    return source.window.CopyTo(out, from + a, from + b, PatchBlock, &source) == kSuccess;
  };
  if (destination.Seek(point.splice) != kSuccess ||
      !AppendToFile(destination, source.size - 4, write)) {
    DebugTrace(kTag, "AppendTiff: writing %s failed, old pages kept", name.c_str());
    return false;
  }
  // Every byte was written and flushed; a close error cannot undo that.
  ErrorCode err = destination.Close();
  if (err != kSuccess) DebugTrace(kTag, "AppendTiff: close %s => err %d", name.c_str(), int(err));
  return true;
}

// A missing destination becomes the source's bytes; a partial file is not left behind.
bool WriteNewFile(WriterContext& ctx, const std::string& path, FileWindow& window,
                  uint64_t origin, uint64_t size, ErrorCode* error) {
  std::unique_ptr<File> file;
  ErrorCode& err = *error;
  err = ctx.os.files->OpenFile(path, FileAccess::kReadWrite, FileDisposition::kCreateNew,
                               FileShare::kNone, &file);
  if (err == kSuccess) err = window.CopyTo(*file, origin, origin + size);
  if (err == kSuccess) err = file->Flush();
  if (err == kSuccess) err = file->Close();
  if (err != kSuccess && file != nullptr) {
    file.reset();
    (void)ctx.os.files->RemoveFile(path);  // a half-written copy that stays is only clutter
  }
  DebugTrace(kTag, "AppendTiff: new file %s [%d]", path.c_str(), int(err));
  return err == kSuccess;
}

bool IsMissing(ErrorCode err) { return err == kErrFileNotFound || err == kErrPathNotFound; }

}  // namespace

uint16_t DataModeFromWord(uint16_t first_word) {
  if (first_word >= 100 && first_word <= 110) return static_cast<uint16_t>(first_word - 100);
  return 4;
}

bool CheckAndFixFileHeader(WriterContext& ctx, const std::string& job_path) {
  std::unique_ptr<File> file;
  ErrorCode err = ctx.os.files->OpenFile(job_path, FileAccess::kReadWrite,
                                         FileDisposition::kOpenExisting, FileShare::kReadWrite,
                                         &file);
  if (err != kSuccess) {
    DebugTrace(kTagFiles, "QIFILE cannot open file %s => err %d", job_path.c_str(), int(err));
    return false;
  }
  DebugTrace(kTagFiles, "QIFILE open file %s to read header", job_path.c_str());
  uint64_t position = file->Tell();
  uint8_t word[4];
  size_t got = 0;
  if (file->Read(word, 4, &got) != kSuccess || got != 4) {
    // A file too short for the header holds no job; writing "II" into it would make one up.
    DebugTrace(kTagFiles, "QIFILE cannot read header of %s", job_path.c_str());
    return false;
  }
  if (word[2] != kTiffVersion || word[3] != 0) {
    // Any file can be named on the command line; only a job file may have its first word
    // replaced.
    DebugTrace(kTagFiles, "QIFILE %s is no job file: left untouched", job_path.c_str());
    return false;
  }
  ctx.job.data_mode = DataModeFromWord(static_cast<uint16_t>(word[0] | (word[1] << 8)));
  DebugTrace(kTagFiles, "QIFILE datamode %d", int(ctx.job.data_mode));
  static const uint8_t kSignature[2] = {0x49, 0x49};
  err = file->Seek(position);
  if (err == kSuccess) err = file->Write(kSignature, 2);
  if (err == kSuccess) err = file->Close();
  if (err != kSuccess) {
    DebugTrace(kTagFiles, "QIFILE cannot write header of %s => err %d", job_path.c_str(),
               int(err));
    return false;
  }
  return true;
}

bool IsTiffFile(File& file) {
  uint64_t position = file.Tell();
  uint8_t head[4];
  bool read = ReadAt(file, 0, head, 4);
  bool back = file.Seek(position) == kSuccess;
  return read && back && head[0] == 0x49 && head[1] == 0x49 && head[2] == kTiffVersion &&
         head[3] == 0;
}

bool AppendBufferToFile(File& destination, const uint8_t* buffer, size_t size) {
  auto write = [buffer](File& out, uint64_t from, uint64_t to) {
    return from == to || out.Write(buffer + from, static_cast<size_t>(to - from)) == kSuccess;
  };
  return AppendToFile(destination, size, write);
}

bool AppendTiff(WriterContext& ctx, const std::string& source, const std::string& destination) {
  std::unique_ptr<File> in;
  ErrorCode err = ctx.os.files->OpenFile(source, FileAccess::kReadWrite,
                                         FileDisposition::kOpenExisting, FileShare::kNone, &in);
  if (err != kSuccess) {
    DebugTrace(kTag, "AppendTiff: cannot open %s => err %d", source.c_str(), int(err));
    return false;
  }
  uint64_t size = 0;
  if (in->Size(&size) != kSuccess) return false;
  if (size > kMaxTiffSize) {
    DebugTrace(kTag, "AppendTiff: %s passes 4 GiB, no TIFF can hold it", source.c_str());
    return false;
  }
  DebugTrace(kTag, "AppendTiff: allocate mem %u", unsigned(size));
  FileWindow window(*in, size, ctx.read_window);
  return AppendTiffRange(ctx, window, 0, size, destination);
}

bool AppendTiffRange(WriterContext& ctx, FileWindow& window, uint64_t origin, uint64_t size,
                     const std::string& destination) {
  std::string why;
  RangeSource bytes(window, origin, size);
  if (!CheckTiffPages(bytes, nullptr, &why)) {
    if (window.failed()) why = "it cannot be read";
    DebugTrace(kTag, "AppendTiff: the source is refused (%s), %s left unchanged", why.c_str(),
               destination.c_str());
    return false;
  }
  std::unique_ptr<File> out;
  ErrorCode err = ctx.os.files->OpenFile(destination, FileAccess::kReadWrite,
                                         FileDisposition::kOpenExisting, FileShare::kNone, &out);
  if (IsMissing(err)) {
    if (WriteNewFile(ctx, destination, window, origin, size, &err)) return true;
    if (err != kErrFileExists) return false;
    // Another job created the target meanwhile: splice onto it.
    err = ctx.os.files->OpenFile(destination, FileAccess::kReadWrite,
                                 FileDisposition::kOpenExisting, FileShare::kNone, &out);
  }
  if (err != kSuccess) {
    // It exists: replacing it would throw its pages away.
    DebugTrace(kTag, "AppendTiff: cannot open %s => err %d", destination.c_str(), int(err));
    return false;
  }
  SplicePoint point;
  SpliceSource source{window, origin, size, RebasePlan{}};
  return FindSplicePoint(*out, destination, &point) &&
         SpliceFrom(*out, destination, point, source);
}

}  // namespace qid
