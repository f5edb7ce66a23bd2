// libtiff over the platform's files, so that the host's path mapping and the tests' fault
// injection apply to every page the PDF writer reads.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace qid {

// Opens `path` for reading through `files` and hands it to libtiff (TIFFClientOpen, mode "r").
// nullptr when the file cannot be opened or libtiff does not take it as a TIFF. TIFFClose
// closes the file too.
TIFF* OpenTiffSource(FileSystem& files, const std::string& path);

// Opens TIFF bytes held in memory (the fuzzer's input); the bytes must outlive the TIFF.
TIFF* OpenTiffMemory(const void* bytes, size_t n, const char* name);

// The size of the file under an open TIFF source, or 0 when unknown.
uint64_t TiffSourceSize(TIFF* tif);

struct TiffCloser {
  void operator()(TIFF* tif) const {
    if (tif != nullptr) TIFFClose(tif);
  }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Keeps libtiff's error and warning handlers silent while it lives and restores the previous
// ones after. The handlers are process-wide, like the libtiff state they belong to.
struct TiffSilence {
  TiffSilence();
  ~TiffSilence();
  TiffSilence(const TiffSilence&) = delete;
  TiffSilence& operator=(const TiffSilence&) = delete;

  TIFFErrorHandler previous_error;
  TIFFErrorHandler previous_warning;
};

}  // namespace qid
