#include "imagewriter/pdf/jpeg_memory_destination.h"

#include <cstdlib>
#include <cstring>

#include <jerror.h>

namespace qid {
namespace {

struct MemoryDestination {
  jpeg_destination_mgr pub;  // first, so libjpeg's pointer is ours
  unsigned char* base;
  unsigned char* cursor;
  size_t written;
  size_t capacity;
  JOCTET* staging;
};

MemoryDestination* Dest(j_compress_ptr cinfo) {
  return reinterpret_cast<MemoryDestination*>(cinfo->dest);
}

// Grows the block to `capacity` bytes; the cursor follows. Does not return when it cannot.
void Grow(j_compress_ptr cinfo, size_t capacity) {
  MemoryDestination* dest = Dest(cinfo);
  if (capacity < dest->capacity) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);  // size overflow
  void* grown = std::realloc(dest->base, capacity);
  if (grown == nullptr) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 2);
  dest->base = static_cast<unsigned char*>(grown);
  dest->cursor = dest->base + dest->written;
  dest->capacity = capacity;
}

void InitDestination(j_compress_ptr cinfo) {
  MemoryDestination* dest = Dest(cinfo);
  dest->staging = static_cast<JOCTET*>(
      (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                 kJpegStagingSize * sizeof(JOCTET)));
  dest->pub.next_output_byte = dest->staging;
  dest->pub.free_in_buffer = kJpegStagingSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  MemoryDestination* dest = Dest(cinfo);
  if (dest->capacity < dest->written + kJpegStagingSize) {
    Grow(cinfo, dest->capacity + kJpegGrowStep);
  }
  std::memcpy(dest->cursor, dest->staging, kJpegStagingSize);
  dest->cursor += kJpegStagingSize;
  dest->written += kJpegStagingSize;
  dest->pub.next_output_byte = dest->staging;
  dest->pub.free_in_buffer = kJpegStagingSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  MemoryDestination* dest = Dest(cinfo);
  size_t n = kJpegStagingSize - dest->pub.free_in_buffer;
  if (dest->capacity < dest->written + n) Grow(cinfo, dest->capacity + n + 1);
  if (n > 0) std::memcpy(dest->cursor, dest->staging, n);
  dest->cursor += n;
  dest->written += n;
}

}  // namespace

void JpegMemoryDestination(j_compress_ptr cinfo, unsigned char* buffer, size_t capacity) {
  if (cinfo->dest == nullptr) {
    cinfo->dest = static_cast<jpeg_destination_mgr*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT,
                                   sizeof(MemoryDestination)));
  }
  MemoryDestination* dest = Dest(cinfo);
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  dest->pub.next_output_byte = nullptr;
  dest->pub.free_in_buffer = 0;
  dest->base = buffer;
  dest->cursor = buffer;
  dest->written = 0;
  dest->capacity = capacity;
  dest->staging = nullptr;
}

void JpegMemoryDestinationResult(j_compress_ptr cinfo, unsigned char** base, size_t* written) {
  MemoryDestination* dest = Dest(cinfo);
  *base = dest->base;
  *written = dest->written;
}

}  // namespace qid
