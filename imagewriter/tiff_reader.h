// libtiff over the platform's files: every TIFF page that JPEG export and the PDF writer read
// goes through here, so the host's path mapping and the tests' fault injection apply, and
// libtiff's messages go to the trace instead of a console or a message box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

typedef struct tiff TIFF;

namespace qid {

struct TiffCloser {
  void operator()(TIFF* tif) const;
};
// Closing the TIFF closes its file too.
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Largest single block libtiff may allocate for one TIFF; a page that needs more is refused
// rather than risking the process.
constexpr uint64_t kMaxLibtiffAllocation = 512ull << 20;

// Opens `path` for reading (shared for reading) through `files` and hands it to libtiff (mode
// "r", no memory mapping). libtiff's errors and warnings about this TIFF are traced with
// `trace_tag`, or dropped when it is null; a failure to open is traced the same way. Null
// when the file cannot be opened or libtiff does not take it as a TIFF.
TiffPtr OpenTiffReader(FileSystem& files, const std::string& path, const char* trace_tag);

// Opens TIFF bytes held in memory (the fuzzers' input); the bytes must outlive the TIFF.
// libtiff's messages are dropped.
TiffPtr OpenTiffMemory(const void* bytes, size_t n, const char* name);

// The size of the file under an open TIFF, or 0 when unknown.
uint64_t TiffFileSize(TIFF* tif);

}  // namespace qid
