#include "imagewriter/job_layout.h"

#include <cstring>
#include <memory>
#include <vector>

#include "common/debug_trace.h"
#include "common/little_endian.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr uint64_t kFirstPiece = 24;
constexpr uint64_t kMaxTiffSize = 0xFFFFFFFFull;
constexpr size_t kEntrySize = 12;

bool ReadAt(File& file, uint64_t position, void* buffer, size_t n) {
  size_t got = 0;
  return file.Seek(position) == kSuccess && file.Read(buffer, n, &got) == kSuccess && got == n;
}

// The first IFD lies inside the file and names a page's size and strips.
bool FirstIfdDescribesAPage(File& file, uint64_t size, uint32_t ifd) {
  uint8_t count_bytes[2];
  if (ifd < 8 || !ReadAt(file, ifd, count_bytes, 2)) return false;
  const size_t count = count_bytes[0] | (count_bytes[1] << 8);
  if (count == 0 || !FitsIn(size, uint64_t(ifd) + 2, count * kEntrySize + 4)) return false;
  std::vector<uint8_t> table(count * kEntrySize);
  if (!ReadAt(file, uint64_t(ifd) + 2, table.data(), table.size())) return false;
  bool width = false, length = false, strips = false;
  for (size_t i = 0; i < count; ++i) {
    uint16_t tag = 0;
    ReadLE16(table.data(), table.size(), i * kEntrySize, &tag);
    width |= tag == 256;
    length |= tag == 257;
    strips |= tag == 273;
  }
  return width && length && strips;
}

}  // namespace

JobLayout DetectJobLayout(WriterContext& ctx, const std::string& job_path) {
  std::unique_ptr<File> file;
  if (ctx.os.files->OpenFile(job_path, FileAccess::kRead, FileDisposition::kOpenExisting,
                             FileShare::kRead, &file) != kSuccess) {
    return JobLayout::kUnknown;
  }
  uint64_t size = 0;
  uint8_t head[kFirstPiece + 4];
  if (file->Size(&size) != kSuccess || !ReadAt(*file, 0, head, 8)) return JobLayout::kUnknown;
  uint32_t ifd = 0;
  ReadLE32(head, sizeof head, 4, &ifd);
  const bool document = FirstIfdDescribesAPage(*file, size, ifd);
  const bool split = ReadAt(*file, kFirstPiece, head + kFirstPiece, 4) &&
                     std::memcmp(head + kFirstPiece, "II*\0", 4) == 0;
  if (document == split) return JobLayout::kUnknown;
  return document ? JobLayout::kDocument : JobLayout::kSplit;
}

bool JobFitsOneTiff(WriterContext& ctx, const std::string& job_path) {
  std::unique_ptr<File> file;
  uint64_t size = 0;
  if (ctx.os.files->OpenFile(job_path, FileAccess::kRead, FileDisposition::kOpenExisting,
                             FileShare::kRead, &file) != kSuccess ||
      file->Size(&size) != kSuccess || size <= kMaxTiffSize) {
    return true;  // a job that cannot be read fails, and is reported, where it is written
  }
  DebugTrace(trace::kDialog, "job %s passes 4 GiB, more than one TIFF can hold: job file kept",
             job_path.c_str());
  return false;
}

}  // namespace qid
