// Reading job files and TIFF targets of any size in bounded memory: a fixed window over an open
// file (64-bit positions), the page-end marker search across window edges, and copying a range
// to another file in blocks. The TIFF checks and the rebasing read through ByteSource, so the
// same rules serve bytes in memory and bytes in a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file_system.h"

namespace qid {

// Bytes addressed by position; reads outside [0, Size()) fail.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Exactly n bytes at `at`; false when they are not all inside or cannot be read.
  virtual bool Read(uint64_t at, void* out, size_t n) = 0;

  bool LE16(uint64_t at, uint16_t* value);
  bool LE32(uint64_t at, uint32_t* value);
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t at, void* out, size_t n) override;

 private:
  const uint8_t* bytes_;
  size_t size_;
};

// [origin, origin + length) of another source, seen from position 0.
class RangeSource : public ByteSource {
 public:
  RangeSource(ByteSource& inner, uint64_t origin, uint64_t length)
      : inner_(inner), origin_(origin), length_(length) {}
  uint64_t Size() const override { return length_; }
  bool Read(uint64_t at, void* out, size_t n) override;

 private:
  ByteSource& inner_;
  uint64_t origin_, length_;
};

constexpr uint64_t kNoMarker = ~uint64_t(0);

// The first `size` bytes of an open file through one buffer of `capacity` bytes. A read that
// misses the window reloads it at the read's position: small reads load a small block (IFD walks
// jump about), sequential work loads the whole window.
class FileWindow : public ByteSource {
 public:
  // The job's own window is WriterContext::read_window (4 MiB): large enough that a sequential
  // pass costs about one system call per window, small enough for a 32-bit process that also
  // holds a page for JPEG export.
  FileWindow(File& file, uint64_t size, size_t capacity);
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t at, void* out, size_t n) override;

  // The position just after the first page-end marker wholly inside [from, Size()), or
  // kNoMarker (also when reading failed: see failed()).
  uint64_t FindPageEnd(uint64_t from);

  // True when any byte of [from, to) is not 0.
  bool AnyNonZero(uint64_t from, uint64_t to);

  // Writes [from, to) to `out` at its current position, block by block. `patch` (may be null)
  // may change each block first; it gets the block's position and bytes, and up to 3 bytes of
  // context before and after it (which are not written), so a 32-bit field cut by a block
  // edge can still be changed whole. kSuccess, the write's error, or kErrReadFault.
  using Patch = void (*)(const void* context, uint64_t position, uint8_t* bytes, size_t n);
  ErrorCode CopyTo(File& out, uint64_t from, uint64_t to, Patch patch = nullptr,
                   const void* context = nullptr);

  // A read of the file failed (as against a position outside it).
  bool failed() const { return failed_; }

 private:
  // Makes [at, at + n) available at buffer_ + (at - start_); n <= capacity.
  const uint8_t* Span(uint64_t at, size_t n, size_t load);

  File& file_;
  uint64_t size_;
  std::vector<uint8_t> buffer_;
  uint64_t start_ = 0;
  size_t filled_ = 0;
  bool failed_ = false;
};

}  // namespace qid
