#include "imagewriter/file_window.h"

#include <algorithm>
#include <cstring>

#include "imagewriter/job_split.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

// A read that misses the window loads at least this much: one IFD with its arrays, mostly.
constexpr size_t kSmallLoad = 64u << 10;
// Bytes of context a patch sees on each side of a block: a 32-bit field less one byte.
constexpr size_t kPatchMargin = 3;

bool Inside(uint64_t size, uint64_t at, uint64_t n) { return at <= size && n <= size - at; }

}  // namespace

bool ByteSource::LE16(uint64_t at, uint16_t* value) {
  uint8_t b[2];
  if (!Read(at, b, 2)) return false;
  *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool ByteSource::LE32(uint64_t at, uint32_t* value) {
  uint8_t b[4];
  if (!Read(at, b, 4)) return false;
  *value = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
  return true;
}

bool MemorySource::Read(uint64_t at, void* out, size_t n) {
  if (!Inside(size_, at, n)) return false;
  if (n > 0) std::memcpy(out, bytes_ + at, n);
  return true;
}

bool RangeSource::Read(uint64_t at, void* out, size_t n) {
  return Inside(length_, at, n) && inner_.Read(origin_ + at, out, n);
}

FileWindow::FileWindow(File& file, uint64_t size, size_t capacity)
    : file_(file), size_(size), buffer_(std::max<size_t>(capacity, 2 * kPageEndMarkerSize)) {}

const uint8_t* FileWindow::Span(uint64_t at, size_t n, size_t load) {
  if (at >= start_ && n <= filled_ && at - start_ <= filled_ - n) return &buffer_[at - start_];
  load = std::min<uint64_t>(std::max(load, n), std::min<uint64_t>(buffer_.size(), size_ - at));
  filled_ = 0;
  size_t got = 0;
  if (file_.Seek(at) != kSuccess || file_.Read(buffer_.data(), load, &got) != kSuccess ||
      got != load) {
    failed_ = true;
    return nullptr;
  }
  start_ = at;
  filled_ = load;
  return buffer_.data();
}

bool FileWindow::Read(uint64_t at, void* out, size_t n) {
  if (!Inside(size_, at, n)) return false;
  while (n > 0) {
    const size_t step = std::min(n, buffer_.size());
    const uint8_t* p = Span(at, step, kSmallLoad);
    if (p == nullptr) return false;
    std::memcpy(out, p, step);
    out = static_cast<uint8_t*>(out) + step;
    at += step;
    n -= step;
  }
  return true;
}

uint64_t FileWindow::FindPageEnd(uint64_t from) {
  while (from < size_ && size_ - from >= kPageEndMarkerSize) {
    // The bytes the window already holds are searched first: the next piece mostly starts
    // inside the window that found the last marker.
    size_t n = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), size_ - from));
    if (from >= start_ && from - start_ < filled_ && filled_ - (from - start_) >= kPageEndMarkerSize)
      n = filled_ - static_cast<size_t>(from - start_);
    const uint8_t* p = Span(from, n, n);
    if (p == nullptr) return kNoMarker;
    size_t end = qid::FindPageEnd(p, 0, n);
    if (end != kNoPageEnd) return from + end;
    if (from + n == size_) break;
    from += n - (kPageEndMarkerSize - 1);  // a marker cut by the edge is found in the next window
  }
  return kNoMarker;
}

bool FileWindow::AnyNonZero(uint64_t from, uint64_t to) {
  while (from < to) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), to - from));
    const uint8_t* p = Span(from, n, n);
    if (p == nullptr) return true;  // unknown bytes may be a page: treat them as one
    if (std::any_of(p, p + n, [](uint8_t b) { return b != 0; })) return true;
    from += n;
  }
  return false;
}

ErrorCode FileWindow::CopyTo(File& out, uint64_t from, uint64_t to, Patch patch,
                             const void* context) {
  const size_t block = buffer_.size() - 2 * kPatchMargin;
  while (from < to) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(block, to - from));
    if (patch == nullptr) {
      const uint8_t* p = Span(from, n, buffer_.size());
      if (p == nullptr) return kErrReadFault;
      ErrorCode err = out.Write(p, n);
      if (err != kSuccess) return err;
    } else {
      const size_t before = static_cast<size_t>(std::min<uint64_t>(kPatchMargin, from));
      const size_t after = static_cast<size_t>(std::min<uint64_t>(kPatchMargin, size_ - (from + n)));
      const size_t whole = before + n + after;
      const uint8_t* p = Span(from - before, whole, whole);
      if (p == nullptr) return kErrReadFault;
      uint8_t* bytes = &buffer_[from - before - start_];
      patch(context, from - before, bytes, whole);
      filled_ = 0;  // the window no longer holds the file's bytes
      ErrorCode err = out.Write(bytes + before, n);
      if (err != kSuccess) return err;
    }
    from += n;
  }
  return kSuccess;
}

}  // namespace qid
