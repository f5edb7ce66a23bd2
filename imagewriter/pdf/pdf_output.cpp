#include "imagewriter/pdf/pdf_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace qid::pdf {
namespace {

bool FlushBuffer(PdfOutput& out) {
  if (out.buffered == 0 || out.failed) {
    out.buffered = 0;
    return !out.failed;
  }
  ErrorCode err = out.file->Write(out.buffer.get(), out.buffered);
  out.buffered = 0;
  if (err != kSuccess) out.failed = true;
  return !out.failed;
}

bool OpenFlate(PdfOutput& out) {
  out.flate = z_stream{};
  if (deflateInit(&out.flate, 6) != Z_OK) {
    out.flate_status = Z_MEM_ERROR;
    out.failed = true;
    return false;
  }
  out.flate.next_out = out.flate_chunk;
  out.flate.avail_out = kFlateChunkSize;
  out.flate_open = true;
  out.flate_status = Z_OK;
  return true;
}

// Writes the filled part of the chunk and makes it empty again.
bool DrainFlate(PdfOutput& out) {
  size_t n = kFlateChunkSize - out.flate.avail_out;
  if (n > 0 && PdfWrite(out, out.flate_chunk, n) != 0) {
    out.flate_status = Z_ERRNO;
    return false;
  }
  out.flate.next_out = out.flate_chunk;
  out.flate.avail_out = kFlateChunkSize;
  return true;
}

void CloseFlate(PdfOutput& out) {
  if (out.flate_open) deflateEnd(&out.flate);
  out.flate_open = false;
}

}  // namespace

PdfOutput::~PdfOutput() {
  CloseFlate(*this);
  if (file) PdfCloseOutput(*this);
}

bool PdfOpenOutput(FileSystem& files, const std::string& path, PdfOutput* out) {
  out->buffer.reset(static_cast<uint8_t*>(std::malloc(kPdfWriteBufferSize)));
  if (!out->buffer) return false;
  std::unique_ptr<File> file;
  if (files.OpenFile(path, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kRead,
                     &file) != kSuccess) {
    return false;
  }
  out->file = std::move(file);
  return true;
}

bool PdfReserveObjects(PdfOutput& out, size_t objects) {
  if (objects <= out.offsets_capacity) return true;
  if (objects > SIZE_MAX / sizeof(uint64_t)) return false;
  void* grown = std::realloc(out.offsets.get(), objects * sizeof(uint64_t));
  if (grown == nullptr) return false;
  out.offsets.release();
  out.offsets.reset(static_cast<uint64_t*>(grown));
  out.offsets_capacity = objects;
  return true;
}

void PdfPrint(PdfOutput& out, const char* format, ...) {
  char text[kPdfPrintBufferSize];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= sizeof text) {
    out.failed = true;  // every text of the writer fits; a cut one would corrupt the file
    return;
  }
  if (out.flate_redirect) {
    FlateAppend(out, text, static_cast<size_t>(n));
  } else {
    (void)PdfWrite(out, text, static_cast<size_t>(n));  // failures stick to `out`
  }
}

int PdfWrite(PdfOutput& out, const void* bytes, size_t n) {
  if (out.failed || !out.file) return 1;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  out.written += n;
  if (out.buffered + n <= kPdfWriteBufferSize) {
    std::memcpy(out.buffer.get() + out.buffered, p, n);
    out.buffered += n;
    return 0;
  }
  if (!FlushBuffer(out)) return 1;
  if (n >= kPdfWriteBufferSize) {
    // Large pieces (a fax strip, a JPEG image) go straight to the file.
    if (out.file->Write(p, n) != kSuccess) out.failed = true;
    return out.failed ? 1 : 0;
  }
  std::memcpy(out.buffer.get(), p, n);
  out.buffered = n;
  return 0;
}

uint64_t PdfTell(const PdfOutput& out) { return out.written; }

int FlateAppend(PdfOutput& out, const void* bytes, size_t n) {
  if (!out.flate_open && !OpenFlate(out)) return 2;
  if (out.flate_status == Z_ERRNO) return 2;
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  while (n > 0) {
    // avail_in is 32 bits wide; feed very large pieces in parts.
    uInt piece = n > (1u << 30) ? (1u << 30) : static_cast<uInt>(n);
    out.flate.next_in = const_cast<Bytef*>(p);
    out.flate.avail_in = piece;
    while (out.flate.avail_in > 0) {
      int status = deflate(&out.flate, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_BUF_ERROR) {
        out.flate_status = status;
        out.failed = true;
        return 2;
      }
      if (out.flate.avail_out == 0 && !DrainFlate(out)) return 2;
    }
    p += piece;
    n -= piece;
  }
  return 0;
}

int FlateFinish(PdfOutput& out) {
  if (!out.flate_open && !OpenFlate(out)) return 2;
  int result = 0;
  out.flate.next_in = nullptr;
  out.flate.avail_in = 0;
  while (out.flate_status != Z_ERRNO) {
    int status = deflate(&out.flate, Z_FINISH);
    if (status == Z_STREAM_END) {
      if (!DrainFlate(out)) result = 2;
      break;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
      out.flate_status = status;
      out.failed = true;
      break;
    }
    if (!DrainFlate(out)) break;
  }
  if (out.flate_status != Z_OK) result = 2;
  CloseFlate(out);
  return result;
}

void FlateReset(PdfOutput& out) {
  CloseFlate(out);
  out.flate_status = Z_OK;
}

int PdfBeginObject(PdfOutput& out) {
  int number = out.object_counter + 1;
  if (static_cast<size_t>(number) > out.offsets_capacity) {
    out.failed = true;
  } else {
    out.offsets[number - 1] = PdfTell(out);
  }
  out.object_counter = number;
  return number;
}

void PdfObjectLine(PdfOutput& out) { PdfPrint(out, "%d 0 obj\n", out.object_counter); }

uint64_t PdfObjectOffset(const PdfOutput& out, int k) {
  if (k < 1 || static_cast<size_t>(k) > out.offsets_capacity || k > out.object_counter) return 0;
  return out.offsets[k - 1];
}

bool PdfCloseOutput(PdfOutput& out) {
  if (!out.file) return !out.failed;
  FlushBuffer(out);
  if (out.file->Close() != kSuccess) out.failed = true;
  out.file.reset();
  return !out.failed;
}

}  // namespace qid::pdf
