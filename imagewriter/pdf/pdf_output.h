// The PDF writer's output: one file written strictly front to back, the object offsets
// collected as objects begin, and the Flate streams that page contents, images and colour
// lookups are compressed into.
//
// One PdfOutput serves one WritePdf call; nothing here is shared between calls, so tests may
// convert several documents at once.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imagewriter/trace_tags.h"
#include "platform/file_system.h"

namespace qid::pdf {

// Trace tag of the PDF writer.
inline constexpr const char* kTagPdf = trace::kPdf;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using MallocArray = std::unique_ptr<T[], FreeDeleter>;

// Bytes collected before they are handed to the file in one write.
inline constexpr size_t kPdfWriteBufferSize = 64 * 1024;
// Compressed data leaves a Flate stream in pieces of this size.
inline constexpr size_t kFlateChunkSize = 16384;
// Longest text one PdfPrint call may produce.
inline constexpr size_t kPdfPrintBufferSize = 4096;

struct PdfOutput {
  PdfOutput() = default;
  PdfOutput(const PdfOutput&) = delete;
  PdfOutput& operator=(const PdfOutput&) = delete;
  // Hands any buffered bytes to the file and closes it (a partial document stays on disk, as
  // the failure paths promise); ends an open Flate stream.
  ~PdfOutput();

  std::unique_ptr<File> file;
  MallocArray<uint8_t> buffer;  // kPdfWriteBufferSize bytes
  size_t buffered = 0;
  uint64_t written = 0;         // bytes accepted so far: the position of the next byte
  bool failed = false;          // a write failed (or text did not fit); sticky

  // Object bookkeeping: offsets[k - 1] is where object k begins.
  MallocArray<uint64_t> offsets;
  size_t offsets_capacity = 0;  // entries
  int object_counter = 0;       // number of the object most recently begun

  // While set, PdfPrint feeds the open Flate stream instead of the file.
  bool flate_redirect = false;
  z_stream flate{};
  bool flate_open = false;      // opened since the last FlateFinish
  int flate_status = Z_OK;      // Z_ERRNO once a compressed piece could not be written
  uint8_t flate_chunk[kFlateChunkSize];
};

// Opens `path` for writing (created or truncated) through `files` and sets up the buffers.
// False when the file cannot be created or memory is short.
bool PdfOpenOutput(FileSystem& files, const std::string& path, PdfOutput* out);

// Makes room for `objects` offsets, keeping those recorded. False when memory is short.
bool PdfReserveObjects(PdfOutput& out, size_t objects);

// Formats with the printf conventions (C locale) into a kPdfPrintBufferSize buffer; sends the
// text to FlateAppend while the redirect flag is set, else to the file. Text that does not fit
// the buffer is not written and marks the output failed.
void PdfPrint(PdfOutput& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Writes n bytes. 0 when they were accepted, 1 when this or an earlier write failed.
int PdfWrite(PdfOutput& out, const void* bytes, size_t n);

// The byte position of the next byte written (the file is never sought).
uint64_t PdfTell(const PdfOutput& out);

// Compresses n bytes into the Flate stream, opening one (zlib format, level 6) on the first
// call after FlateFinish or FlateReset. Each full kFlateChunkSize piece goes out through
// PdfWrite; a failed write sets flate_status to Z_ERRNO and stops. 0 when all n bytes were
// consumed, else 2.
int FlateAppend(PdfOutput& out, const void* bytes, size_t n);

// Ends the stream (opening an empty one first when nothing was appended), writing what is left,
// and frees it. 0 when the stream's data all reached PdfWrite, else 2.
int FlateFinish(PdfOutput& out);

// The per-page reset: the next FlateAppend opens a new stream.
void FlateReset(PdfOutput& out);

// The object-begin step without its trace: records PdfTell as the offset of the next object
// and returns that object's number. The caller traces, then writes the object line with
// PdfObjectLine. A number beyond the reserved offsets marks the output failed.
int PdfBeginObject(PdfOutput& out);
void PdfObjectLine(PdfOutput& out);
// The offset recorded for object k (1-based); 0 for an unknown object.
uint64_t PdfObjectOffset(const PdfOutput& out, int k);

// Hands buffered bytes to the file and closes it. False when anything failed on the way.
bool PdfCloseOutput(PdfOutput& out);

}  // namespace qid::pdf
