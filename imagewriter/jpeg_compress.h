// Baseline JPEG compression with libjpeg, for JPEG export (into a file) and the PDF writer's
// DCT images (into memory): one error trap, one compress loop, two destinations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imagewriter/imaging_state.h"
#include "platform/file_system.h"

namespace qid {

// The image to compress, row by row.
struct JpegFrame {
  uint32_t width = 0;
  uint32_t height = 0;
  int components = 1;  // 1 grey, 3 RGB (stored as YCbCr 4:2:0), 4 CMYK
  int quality = 75;    // jpeg_set_quality with force_baseline
  // The JFIF 1.02 header's density; null keeps libjpeg's default header. Consumed: it returns
  // to units 0, 1 x 1 once the headers are written.
  JfifDensity* density = nullptr;
  // Row y (0 .. height - 1) of width × components bytes; called in order, once per row. The
  // row must stay valid until the next call.
  const uint8_t* (*row)(void* context, uint32_t y) = nullptr;
  void* context = nullptr;
  // libjpeg's messages are traced with this tag; null drops them.
  const char* trace_tag = nullptr;
};

// Compresses into `file`, written in blocks of kJpegFileChunk bytes. False when libjpeg gives
// up or a write fails; the file then holds a partial image that the caller removes.
bool CompressJpegToFile(const JpegFrame& frame, File* file);
constexpr size_t kJpegFileChunk = 64 * 1024;

// Compresses into one std::malloc'd block that starts at `initial_capacity` bytes and grows in
// steps of kJpegGrowStep. True with the block in *jpeg (the caller frees it with std::free) and
// its byte count in *size; false, with nothing to free, when memory is short or libjpeg gives
// up.
bool CompressJpegToMemory(const JpegFrame& frame, size_t initial_capacity, unsigned char** jpeg,
                          size_t* size);
// Staging block that libjpeg fills before its bytes are copied to the collected image.
constexpr size_t kJpegStagingSize = 8192;
constexpr size_t kJpegGrowStep = 131072;

}  // namespace qid
