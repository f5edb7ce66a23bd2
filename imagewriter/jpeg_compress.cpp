#include "imagewriter/jpeg_compress.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "common/debug_trace.h"

namespace qid {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// setjmp in Compress. The rule that makes this safe: between that setjmp and any longjmp lie
// only libjpeg's C frames and the callbacks in this file, none of which owns an object with a
// destructor; everything that must be released after a failure belongs to Compress's caller.
struct ErrorTrap {
  jpeg_error_mgr pub;  // first, so cinfo->err points at the trap
  std::jmp_buf jump;
  const char* trace_tag;
};

void TraceMessage(j_common_ptr cinfo) {
  const char* tag = reinterpret_cast<ErrorTrap*>(cinfo->err)->trace_tag;
  if (tag == nullptr) return;
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  DebugTrace(tag, "libjpeg: %s", text);
}

[[noreturn]] void OnFatalError(j_common_ptr cinfo) {
  TraceMessage(cinfo);
  std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1);
}

J_COLOR_SPACE ColourSpace(int components) {
  if (components == 3) return JCS_RGB;
  if (components == 4) return JCS_CMYK;
  return JCS_GRAYSCALE;
}

// Runs the compression with `dest` installed. False when libjpeg gave up; the compressor is
// destroyed either way.
bool Compress(const JpegFrame& frame, jpeg_destination_mgr* dest) {
  jpeg_compress_struct cinfo{};  // zeroed, so a failure inside creation destroys nothing
  ErrorTrap trap{};
  cinfo.err = jpeg_std_error(&trap.pub);
  trap.pub.error_exit = OnFatalError;
  trap.pub.output_message = TraceMessage;
  trap.trace_tag = frame.trace_tag;
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  cinfo.dest = dest;
  cinfo.image_width = frame.width;
  cinfo.image_height = frame.height;
  cinfo.input_components = frame.components;
  cinfo.in_color_space = ColourSpace(frame.components);
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, frame.quality, TRUE);
  if (frame.density != nullptr) {
    cinfo.write_JFIF_header = TRUE;
    cinfo.JFIF_major_version = 1;
    cinfo.JFIF_minor_version = 2;
    cinfo.density_unit = frame.density->units;
    cinfo.X_density = frame.density->x;
    cinfo.Y_density = frame.density->y;
  }
  jpeg_start_compress(&cinfo, TRUE);
  if (frame.density != nullptr) *frame.density = JfifDensity{};  // the headers carry it now
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(frame.row(frame.context, cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// --- into a platform File --------------------------------------------------------------------

struct FileDestination {
  jpeg_destination_mgr pub;  // first, so libjpeg's pointer is ours
  File* file;
  JOCTET buffer[kJpegFileChunk];
};

FileDestination* AsFileDestination(j_compress_ptr cinfo) {
  return reinterpret_cast<FileDestination*>(cinfo->dest);
}

void InitFile(j_compress_ptr cinfo) {
  FileDestination* dest = AsFileDestination(cinfo);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kJpegFileChunk;
}

boolean EmptyFileBuffer(j_compress_ptr cinfo) {
  FileDestination* dest = AsFileDestination(cinfo);
  if (dest->file->Write(dest->buffer, kJpegFileChunk) != kSuccess) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kJpegFileChunk;
  return TRUE;
}

void TermFile(j_compress_ptr cinfo) {
  FileDestination* dest = AsFileDestination(cinfo);
  size_t used = kJpegFileChunk - dest->pub.free_in_buffer;
  if (used > 0 && dest->file->Write(dest->buffer, used) != kSuccess) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
}

// --- into one growing memory block -----------------------------------------------------------

struct MemoryDestination {
  jpeg_destination_mgr pub;  // first, so libjpeg's pointer is ours
  unsigned char* base;
  size_t written;
  size_t capacity;
  JOCTET staging[kJpegStagingSize];
};

MemoryDestination* AsMemoryDestination(j_compress_ptr cinfo) {
  return reinterpret_cast<MemoryDestination*>(cinfo->dest);
}

// Grows the block to `capacity` bytes. Does not return when it cannot.
void Grow(j_compress_ptr cinfo, size_t capacity) {
  MemoryDestination* dest = AsMemoryDestination(cinfo);
  if (capacity < dest->capacity) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);  // size overflow
  void* grown = std::realloc(dest->base, capacity);
  if (grown == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 2);
  dest->base = static_cast<unsigned char*>(grown);
  dest->capacity = capacity;
}

void InitMemory(j_compress_ptr cinfo) {
  MemoryDestination* dest = AsMemoryDestination(cinfo);
  dest->pub.next_output_byte = dest->staging;
  dest->pub.free_in_buffer = kJpegStagingSize;
}

void Collect(j_compress_ptr cinfo, size_t n, size_t grow_to) {
  MemoryDestination* dest = AsMemoryDestination(cinfo);
  if (dest->capacity < dest->written + n) Grow(cinfo, grow_to);
  if (n > 0) std::memcpy(dest->base + dest->written, dest->staging, n);
  dest->written += n;
}

boolean EmptyMemoryBuffer(j_compress_ptr cinfo) {
  MemoryDestination* dest = AsMemoryDestination(cinfo);
  Collect(cinfo, kJpegStagingSize, dest->capacity + kJpegGrowStep);
  dest->pub.next_output_byte = dest->staging;
  dest->pub.free_in_buffer = kJpegStagingSize;
  return TRUE;
}

void TermMemory(j_compress_ptr cinfo) {
  MemoryDestination* dest = AsMemoryDestination(cinfo);
  size_t n = kJpegStagingSize - dest->pub.free_in_buffer;
  Collect(cinfo, n, dest->capacity + n + 1);
}

}  // namespace

bool CompressJpegToFile(const JpegFrame& frame, File* file) {
  // Heap, not stack: the chunk is large, and a thread's stack may be small.
  FileDestination* dest = static_cast<FileDestination*>(std::malloc(sizeof(FileDestination)));
  if (dest == nullptr) return false;
  dest->pub = jpeg_destination_mgr{};
  dest->pub.init_destination = InitFile;
  dest->pub.empty_output_buffer = EmptyFileBuffer;
  dest->pub.term_destination = TermFile;
  dest->file = file;
  bool ok = Compress(frame, &dest->pub);
  std::free(dest);
  return ok;
}

bool CompressJpegToMemory(const JpegFrame& frame, size_t initial_capacity, unsigned char** jpeg,
                          size_t* size) {
  MemoryDestination* dest =
      static_cast<MemoryDestination*>(std::malloc(sizeof(MemoryDestination)));
  if (dest == nullptr) return false;
  dest->pub = jpeg_destination_mgr{};
  dest->pub.init_destination = InitMemory;
  dest->pub.empty_output_buffer = EmptyMemoryBuffer;
  dest->pub.term_destination = TermMemory;
  dest->base = static_cast<unsigned char*>(std::malloc(initial_capacity));
  dest->written = 0;
  dest->capacity = initial_capacity;
  bool ok = dest->base != nullptr && Compress(frame, &dest->pub);
  if (ok) {
    *jpeg = dest->base;
    *size = dest->written;
  } else {
    std::free(dest->base);
  }
  std::free(dest);
  return ok;
}

}  // namespace qid
