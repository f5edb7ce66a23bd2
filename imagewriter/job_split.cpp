#include "imagewriter/job_split.h"

#include <cstring>
#include <memory>
#include <string>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/jpegexport.h"
#include "imagewriter/launch.h"
#include "imagewriter/naming.h"
#include "imagewriter/pdf/pdf_writer.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr const char* kTag = trace::kFiles;
constexpr const char* kTagJpeg = trace::kJpeg;
constexpr const char* kTagCommand = trace::kJobSteps;
constexpr const char* kTagRun = trace::kRun;

constexpr char kErrorCaption[] = "ERROR - SERIALISATION OUTPUT MODE";
constexpr uint32_t kErrorStyle = kMbIconError | kMbTaskModal | kMbSetForeground;
constexpr char kNotCreatedText[] = "Target serial file could not be created : \n\n";
constexpr char kNotWrittenText[] = "Unable to write to temporary file : \n\n";

constexpr size_t kFirstPiece = 24;
constexpr size_t kPieceNameCapacity = 1023;
constexpr size_t kPdfNameCapacity = 127;

void ShowError(WriterContext& ctx, const char* text, const std::string& path) {
  ctx.os.message_boxes->ShowMessageBox(0, text + path, kErrorCaption, kErrorStyle);
}

// Creates the piece file (replacing one of that name) and writes the piece, marker included.
// A file that could not be written whole is removed rather than left half written.
enum class Written { kOk, kNotCreated, kNotWritten };
Written WritePieceFile(WriterContext& ctx, const std::string& path, const uint8_t* bytes,
                       size_t size) {
  std::unique_ptr<File> file;
  if (ctx.os.files->OpenFile(path, FileAccess::kReadWrite, FileDisposition::kCreateAlways,
                             FileShare::kNone, &file) != kSuccess) {
    return Written::kNotCreated;
  }
  uint64_t file_size = 0;
  ErrorCode err = file->Write(bytes, size);
  if (err == kSuccess) err = file->Size(&file_size);
  if (err == kSuccess) err = file->Close();
  if (err != kSuccess) {
    file.reset();
    ctx.os.files->RemoveFile(path);
    DebugTrace(kTag, "piece %s not written => err %d, removed", path.c_str(), int(err));
    return Written::kNotWritten;
  }
  DebugTrace(kTag, "Write Serial %s [%ld]", path.c_str(), long(size));
  DebugTrace(kTag, "File Size [%ld]", long(file_size));
  return Written::kOk;
}

// The extension of the path's file name, dot included ("" without one).
std::string FileExtension(const std::string& path) {
  size_t dot = path.find_last_of("./\\");
  if (dot == std::string::npos || path[dot] != '.') return "";
  return path.substr(dot);
}

// Data mode 0 in Output Modes 1 and 2: the piece becomes a JPEG. *path names the result that
// exists afterwards: the JPEG, or the TIFF piece when no JPEG could be written.
void ConvertPiece(WriterContext& ctx, const std::string& jpeg_base, int page, std::string* path) {
  const bool serial = ctx.settings.output_mode == kModeSerialization;
  std::string jpeg = jpeg_base;
  int result = kJpegBadPath;
  if (jpeg.size() <= kJpegPathCapacity && MakeJpegName(&jpeg, page)) {
    result = ConvertToJpeg(ctx, &jpeg, *path);
  } else {
    DebugTrace(kTagJpeg, "%s too long for a JPEG name, TIFF kept", path->c_str());
  }
  if (result == kJpegWritten) *path = jpeg;
  DebugTrace(kTagJpeg, serial ? "SERIAL => %s Result = %d" : "DOCUMENT => %s Result = %d",
             jpeg.c_str(), result);
}

// PDF Output: the result becomes a PDF next to it. The source is removed only once the PDF is
// written, so a failed conversion never loses the page. Returns the file to announce.
std::string ConvertToPdf(WriterContext& ctx, const std::string& path) {
  std::string pdf;
  if (!CopyBounded(&pdf, path, kPdfNameCapacity) ||
      !SetFileExtension("pdf", &pdf, kPdfNameCapacity)) {
    DebugTrace(kTag, "... no PDF name for %s, file kept", path.c_str());
    return path;
  }
  int result = pdf::WritePdf(ctx.os, pdf, {path}, pdf::kJobJpegQuality);
  DebugTrace(kTag, "convert %s => %s [%d]", path.c_str(), pdf.c_str(), result);
  if (result != pdf::kPdfDone) {
    DebugTrace(kTag, "... PDF not written, file kept => %s", path.c_str());
    return path;
  }
  ErrorCode err = ctx.os.files->RemoveFile(path);
  if (err == kSuccess) {
    DebugTrace(kTag, "... successfully deleted TIFF file => %s", path.c_str());
  } else {
    DebugTrace(kTag, "... failed deleting TIFF file => %s, error code %ud", path.c_str(),
               unsigned(err));
  }
  return pdf;
}

// One piece, steps 1 to 9. False when the split must stop.
bool HandlePiece(WriterContext& ctx, uint8_t* bytes, size_t size, int index, int* written) {
  Settings& s = ctx.settings;
  const uint16_t data_mode = ctx.job.data_mode;
  std::string path;
  if (!ConstructFilename(ctx, &path, kPieceNameCapacity)) {
    DebugTrace(kTag, "no file name for piece %d", index);
    ShowError(ctx, kNotCreatedText, path);
    return false;
  }
  const std::string named = path;

  if (s.output_mode == kModeAppend) {
    // Each piece is spliced onto the Append target: writing it over the target, as a
    // document's pieces are, would leave only this job's last page of all the pages there.
    DebugTrace(kTag, "Output File %s to open + write", path.c_str());
    if (!AppendTiffBytes(ctx, bytes, size, path)) {
      ShowError(ctx, kNotWrittenText, path);
      return false;
    }
    DebugTrace(kTag, "Write Serial %s [%ld]", path.c_str(), long(size));
  } else {
    if (data_mode == 0 && s.output_mode == kModeDocument && index > 0) {
      // Every piece of a Document job has the job's one name. A page whose JPEG cannot be made
      // stays as its TIFF, so each piece gets its page's name and the next cannot replace it.
      if (!MakePageName(&path, index, FileExtension(path))) {
        ShowError(ctx, kNotCreatedText, path);
        return false;
      }
    }
    DebugTrace(kTag, "Output File %s to open + write", path.c_str());
    Written w = WritePieceFile(ctx, path, bytes, size);
    if (w == Written::kNotCreated) {
      ShowError(ctx, kNotCreatedText, path);
      return false;
    }
    if (w == Written::kNotWritten) {
      ShowError(ctx, kNotWrittenText, path);
      return false;
    }
    if (data_mode == 0 && s.output_mode == kModeSerialization) {
      ConvertPiece(ctx, path, 0, &path);
    } else if (data_mode == 0 && s.output_mode == kModeDocument) {
      ConvertPiece(ctx, named, index, &path);
      if (s.auto_generate) {
        ++s.auto_number_value;
        StoreCounter(ctx, "Auto Number Value", s.auto_number_value);
      }
    }
  }

  ++*written;
  ++s.last_serial_number;
  DebugTrace(kTag, "GLOBALS Last Serial %d bResult %d", int(s.last_serial_number), 1);

  std::string result = path;
  // An Append target is never converted: that would remove every page it holds.
  if (s.pdf_output && s.output_mode != kModeAppend) result = ConvertToPdf(ctx, path);

  if (!s.output_application.empty()) {
    if (s.output_mode != kModeSerialization) DebugTrace(kTagCommand, "COMMAND - NON SERIAL");
    DebugTrace(kTagRun, "Run (MOD %d) => %s", int(data_mode), result.c_str());
    LaunchOnResult(ctx, result);
  }
  return true;
}

void StoreLastSerial(WriterContext& ctx) {
  StoreCounter(ctx, "Last Serial Number", ctx.settings.last_serial_number);
  DebugTrace(kTag, "REGISTRY Last Serial %d", int(ctx.settings.last_serial_number));
}

}  // namespace

size_t FindPageEnd(const uint8_t* buffer, size_t start, size_t length) {
  const uint8_t* p = buffer + start;
  const uint8_t* const end = p + length;
  while (static_cast<size_t>(end - p) >= kPageEndMarkerSize) {
    const void* bang = std::memchr(p, '!', static_cast<size_t>(end - p) - kPageEndMarkerSize + 1);
    if (bang == nullptr) break;
    p = static_cast<const uint8_t*>(bang);
    if (std::memcmp(p, kPageEndMarker, kPageEndMarkerSize) == 0) {
      return static_cast<size_t>(p - buffer) + kPageEndMarkerSize;
    }
    ++p;
  }
  return kNoPageEnd;
}

int SplitJobFile(WriterContext& ctx, const std::string& job_path, SplitOutcome* outcome) {
  SplitOutcome local;
  SplitOutcome& out = outcome != nullptr ? *outcome : local;
  out = SplitOutcome{};

  std::string job;
  {
    std::unique_ptr<File> file;
    ErrorCode err = ctx.os.files->OpenFile(job_path, FileAccess::kRead,
                                           FileDisposition::kOpenExisting, FileShare::kNone,
                                           &file);
    if (err != kSuccess) {
      DebugTrace(kTag, "split: cannot open %s => err %d", job_path.c_str(), int(err));
      return 0;
    }
    if (!IsTiffFile(*file)) {
      DebugTrace(kTag, "split: %s is no job file", job_path.c_str());
      return 0;
    }
    err = ReadWholeFile(*file, &job);
    if (err != kSuccess || job.empty()) {
      DebugTrace(kTag, "split: cannot read %s => err %d", job_path.c_str(), int(err));
      return 0;
    }
  }
  uint8_t* bytes = reinterpret_cast<uint8_t*>(job.data());
  const size_t size = job.size();

  size_t start = kFirstPiece;
  size_t end = start < size ? FindPageEnd(bytes, start, size - start) : kNoPageEnd;
  if (end == kNoPageEnd) {
    DebugTrace(kTag, "split: no page-end marker in %s", job_path.c_str());
    return 0;
  }
  bool complete = true;
  for (int index = 0;; ++index) {
    if (!HandlePiece(ctx, bytes + start, end - start, index, &out.pieces)) {
      complete = false;
      break;
    }
    start = end;
    if (start >= size) break;
    end = FindPageEnd(bytes, start, size - start);
    if (end == kNoPageEnd) break;  // bytes after the last marker belong to no page
  }
  // Stored also after a stop: the pieces written have taken these numbers.
  if (complete || out.pieces > 0) StoreLastSerial(ctx);
  out.complete = complete;
  return out.pieces;
}

}  // namespace qid
