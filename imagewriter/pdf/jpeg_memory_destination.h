// A libjpeg destination manager that collects the compressed image in one growing memory
// block, for the DCT carrier of PDF page images.
#pragma once

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace qid {

// Staging block that libjpeg fills before its bytes are copied to the collected image.
inline constexpr size_t kJpegStagingSize = 8192;
// The collected image grows in steps of this many bytes.
inline constexpr size_t kJpegGrowStep = 131072;

// Installs the manager on `cinfo` (allocated from its permanent pool on first use) with
// `buffer`, a std::malloc'd block of `capacity` bytes, as the start of the collected image.
// The block may be moved by std::realloc while it grows; when it cannot grow, libjpeg's
// error_exit is called with JERR_OUT_OF_MEMORY (the caller's error manager must not return).
void JpegMemoryDestination(j_compress_ptr cinfo, unsigned char* buffer, size_t capacity);

// The collected image after jpeg_finish_compress, or what there is after an error: its
// current block (owned by the caller from now on; free it with std::free) and byte count.
// Call before jpeg_destroy_compress.
void JpegMemoryDestinationResult(j_compress_ptr cinfo, unsigned char** base, size_t* written);

}  // namespace qid
