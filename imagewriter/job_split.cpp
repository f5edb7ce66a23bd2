#include "imagewriter/job_split.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/file_window.h"
#include "imagewriter/jpegexport.h"
#include "imagewriter/launch.h"
#include "imagewriter/naming.h"
#include "imagewriter/output_files.h"
#include "imagewriter/pdf/pdf_writer.h"
#include "imagewriter/tiff_check.h"
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

// Writes the piece, marker included, into the fresh file `file` reserved for it beside its
// name `shown`. A file that could not be written whole is removed rather than left half written.
enum class Written { kOk, kNotCreated, kNotWritten };
Written WritePieceFile(WriterContext& ctx, const std::string& file_path, const std::string& shown,
                       FileWindow& job, uint64_t start, uint64_t size) {
  std::unique_ptr<File> file;
  if (ctx.os.files->OpenFile(file_path, FileAccess::kReadWrite, FileDisposition::kCreateAlways,
                             FileShare::kNone, &file) != kSuccess) {
    (void)ctx.os.files->RemoveFile(file_path);  // best effort: the page is still in the job
    return Written::kNotCreated;
  }
  uint64_t file_size = 0;
  ErrorCode err = job.CopyTo(*file, start, start + size);
  if (err == kSuccess) err = file->Size(&file_size);
  if (err == kSuccess) err = file->Close();
  if (err != kSuccess) {
    file.reset();
    (void)ctx.os.files->RemoveFile(file_path);  // best effort: the page is still in the job
    DebugTrace(kTag, "piece %s not written => err %d, removed", shown.c_str(), int(err));
    return Written::kNotWritten;
  }
  DebugTrace(kTag, "Write Serial %s [%lu]", shown.c_str(), static_cast<unsigned long>(size));
  DebugTrace(kTag, "File Size [%lu]", static_cast<unsigned long>(file_size));
  return Written::kOk;
}

// The extension of the path's file name, dot included ("" without one).
std::string FileExtension(const std::string& path) {
  size_t dot = path.find_last_of("./\\");
  if (dot == std::string::npos || path[dot] != '.') return "";
  return path.substr(dot);
}

// A piece on its way to its name: the file written so far (beside the name) and the name it
// gets once complete.
struct PieceResult {
  std::string file;
  std::string name;
};

// Data mode 0 in Output Modes 1 and 2: the piece becomes a JPEG named from `jpeg_base` (true).
// When no JPEG can be written the piece stays a TIFF.
bool ConvertPiece(WriterContext& ctx, const std::string& jpeg_base, int page, PieceResult* piece) {
  const bool serial = ctx.settings.output_mode == kModeSerialization;
  std::string jpeg = jpeg_base;
  int result = kJpegBadPath;
  if (jpeg.size() <= kJpegPathCapacity && MakeJpegName(&jpeg, page)) {
    std::string written;
    result = kJpegNotCreated;
    if (CreateBeside(*ctx.os.files, jpeg, &written)) {
      result = ConvertToJpeg(ctx, &written, piece->file);
      if (result == kJpegWritten) {
        *piece = PieceResult{written, jpeg};
      } else {
        (void)ctx.os.files->RemoveFile(written);  // a partial JPEG; the piece still holds the page
      }
    }
  } else {
    DebugTrace(kTagJpeg, "%s too long for a JPEG name, TIFF kept", piece->name.c_str());
  }
  DebugTrace(kTagJpeg, serial ? "SERIAL => %s Result = %d" : "DOCUMENT => %s Result = %d",
             jpeg.c_str(), result);
  return result == kJpegWritten;
}

// PDF Output: the result becomes a PDF of its name with the extension "pdf". The source goes
// only once the PDF is complete, so a failed conversion never loses the page and never leaves
// a partial PDF.
void ConvertToPdf(WriterContext& ctx, PieceResult* piece) {
  std::string pdf;
  if (!CopyBounded(&pdf, piece->name, kPdfNameCapacity) ||
      !SetFileExtension("pdf", &pdf, kPdfNameCapacity)) {
    DebugTrace(kTag, "... no PDF name for %s, file kept", piece->name.c_str());
    return;
  }
  std::string written;
  int result = pdf::kPdfFailed;
  if (CreateBeside(*ctx.os.files, pdf, &written))
    result = pdf::WritePdf(ctx.os, written, {piece->file}, pdf::kJobJpegQuality);
  DebugTrace(kTag, "convert %s => %s [%d]", piece->name.c_str(), pdf.c_str(), result);
  if (result != pdf::kPdfDone) {
    if (!written.empty()) ctx.os.files->RemoveFile(written);
    DebugTrace(kTag, "... PDF not written, file kept => %s", piece->name.c_str());
    return;
  }
  ErrorCode err = ctx.os.files->RemoveFile(piece->file);
  if (err == kSuccess) {
    DebugTrace(kTag, "... successfully deleted TIFF file => %s", piece->name.c_str());
  } else {
    DebugTrace(kTag, "... failed deleting TIFF file => %s, error code %ud", piece->file.c_str(),
               unsigned(err));
  }
  *piece = PieceResult{written, pdf};
}

// Moves the finished result onto its name. A Document job's result replaces an existing file
// only as Document output does (Always Overwrite, or Yes to the question); the job's own files
// are never replaced. False when the split must stop; the result is then gone, the job file
// still holds the page.
bool PlaceResult(WriterContext& ctx, const PieceResult& piece) {
  FileSystem& files = *ctx.os.files;
  if (IsJobOwnFile(ctx, piece.name)) {
    (void)files.RemoveFile(piece.file);  // the page is still in the job file
    ShowError(ctx, kNotCreatedText, piece.name);
    return false;
  }
  if (ctx.settings.output_mode == kModeDocument && !MayReplace(ctx, piece.name)) {
    (void)files.RemoveFile(piece.file);  // the page is still in the job file
    DebugTrace(kTag, "overwrite declined: %s kept", piece.name.c_str());
    return false;
  }
  if (MoveIntoPlace(files, piece.file, piece.name) != kSuccess) {
    ShowError(ctx, kNotCreatedText, piece.name);
    return false;
  }
  return true;
}

// One piece, steps 1 to 9. False when the split must stop.
bool HandlePiece(WriterContext& ctx, FileWindow& job, uint64_t start, uint64_t size, int index,
                 int* written) {
  Settings& s = ctx.settings;
  const uint16_t data_mode = ctx.job.data_mode;
  std::string path;
  if (!ConstructFilename(ctx, &path, kPieceNameCapacity)) {
    DebugTrace(kTag, "no file name for piece %d", index);
    ShowError(ctx, kNotCreatedText, path);
    return false;
  }
  const std::string named = path;
  PieceResult piece{std::string(), path};
  bool jpeg = false;  // the page is now a JPEG file

  if (s.output_mode == kModeAppend) {
    // Each piece is spliced onto the Append target: writing it over the target, as a
    // document's pieces are, would leave only this job's last page of all the pages there.
    DebugTrace(kTag, "Output File %s to open + write", path.c_str());
    // Splicing onto the job file, which is deleted at the end, would lose every page.
    if (IsJobOwnFile(ctx, path)) {
      ShowError(ctx, kNotWrittenText, path);
      return false;
    }
    if (!AppendTiffRange(ctx, job, start, size, path)) {
      ShowError(ctx, kNotWrittenText, path);
      return false;
    }
    DebugTrace(kTag, "Write Serial %s [%lu]", path.c_str(), static_cast<unsigned long>(size));
  } else {
    if (s.output_mode == kModeSerialization && s.last_serial_number == kCounterLimit) {
      // The number cannot advance: every later piece would take this same name.
      DebugTrace(kTag, "Last Serial Number at its limit %lu: reset it; piece %d not written",
                 static_cast<unsigned long>(s.last_serial_number), index);
      ShowError(ctx, kNotCreatedText, path);
      return false;
    }
    if (data_mode == 0 && s.output_mode == kModeDocument && index > 0) {
      // Every piece of a Document job has the job's one name. A page whose JPEG cannot be made
      // stays as its TIFF, so each piece gets its page's name and the next cannot replace it.
      if (!MakePageName(&path, index, FileExtension(path))) {
        ShowError(ctx, kNotCreatedText, path);
        return false;
      }
      piece.name = path;
    }
    DebugTrace(kTag, "Output File %s to open + write", path.c_str());
    // The piece is written beside its name: an earlier file of that name stays untouched
    // until this result is complete and may replace it.
    Written w = CreateBeside(*ctx.os.files, path, &piece.file)
                    ? WritePieceFile(ctx, piece.file, path, job, start, size)
                    : Written::kNotCreated;
    if (w == Written::kNotCreated) {
      ShowError(ctx, kNotCreatedText, path);
      return false;
    }
    if (w == Written::kNotWritten) {
      ShowError(ctx, kNotWrittenText, path);
      return false;
    }
    // A JPEG file holds one page: a piece of several stays a TIFF, with every page.
    int pages = 0;
    RangeSource bytes(job, start, size);
    const bool one_page = CheckTiffPages(bytes, &pages, nullptr) && pages == 1;
    if (data_mode == 0 && !one_page)
      DebugTrace(kTagJpeg, "piece %d holds %d pages: kept as TIFF => %s", index, pages,
                 path.c_str());
    if (data_mode == 0 && s.output_mode == kModeSerialization) {
      if (one_page) jpeg = ConvertPiece(ctx, path, 0, &piece);
    } else if (data_mode == 0 && s.output_mode == kModeDocument) {
      if (one_page) jpeg = ConvertPiece(ctx, named, index, &piece);
      if (s.auto_generate && AdvanceCounter(&s.auto_number_value, "Auto Number Value"))
        StoreCounter(ctx, "Auto Number Value", s.auto_number_value);
    }
  }

  const bool advanced = AdvanceCounter(&s.last_serial_number, "Last Serial Number");
  DebugTrace(kTag, "GLOBALS Last Serial %d bResult %d", int(s.last_serial_number), 1);

  // An Append target is never converted: that would remove every page it holds. A JPEG page
  // stays as the job's data mode asked: the PDF writer reads TIFF pages only.
  if (s.output_mode != kModeAppend) {
    if (s.pdf_output && jpeg) {
      DebugTrace(kTag, "... JPEG page, no PDF => %s", piece.name.c_str());
    } else if (s.pdf_output) {
      ConvertToPdf(ctx, &piece);
    }
    if (!PlaceResult(ctx, piece)) {
      if (advanced) --s.last_serial_number;  // no file took the number
      return false;
    }
  }
  ++*written;
  ReportResult(ctx, piece.name);

  if (!s.output_application.empty()) {
    if (s.output_mode != kModeSerialization) DebugTrace(kTagCommand, "COMMAND - NON SERIAL");
    DebugTrace(kTagRun, "Run (MOD %d) => %s", int(data_mode), piece.name.c_str());
    LaunchOnResult(ctx, piece.name);
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

  std::unique_ptr<File> file;
  ErrorCode err = ctx.os.files->OpenFile(job_path, FileAccess::kRead,
                                         FileDisposition::kOpenExisting, FileShare::kNone, &file);
  if (err != kSuccess) {
    DebugTrace(kTag, "split: cannot open %s => err %d", job_path.c_str(), int(err));
    return 0;
  }
  if (!IsTiffFile(*file)) {
    DebugTrace(kTag, "split: %s is no job file", job_path.c_str());
    return 0;
  }
  uint64_t size = 0;
  err = file->Size(&size);
  if (err != kSuccess || size == 0) {
    DebugTrace(kTag, "split: cannot read %s => err %d", job_path.c_str(), int(err));
    return 0;
  }
  // The job is read through one window: a job of any size, larger than 4 GiB too (each piece is
  // its own TIFF), costs the same memory.
  FileWindow job(*file, size, ctx.read_window);

  uint64_t start = kFirstPiece;
  uint64_t end = start < size ? job.FindPageEnd(start) : kNoMarker;
  if (end == kNoMarker) {
    if (job.failed()) {
      DebugTrace(kTag, "split: cannot read %s => err %d", job_path.c_str(), int(kErrReadFault));
    } else {
      DebugTrace(kTag, "split: no page-end marker in %s", job_path.c_str());
    }
    return 0;
  }
  bool complete = true;
  for (int index = 0;; ++index) {
    if (!HandlePiece(ctx, job, start, end - start, index, &out.pieces)) {
      complete = false;
      break;
    }
    start = end;
    if (start >= size) break;
    end = job.FindPageEnd(start);
    if (end == kNoMarker) {
      // Bytes after the last marker end no piece. Zeros are padding; anything else may be a
      // page whose marker is missing, which exists nowhere but in the job file.
      if (job.failed()) {
        DebugTrace(kTag, "split: cannot read %s => err %d: job file kept", job_path.c_str(),
                   int(kErrReadFault));
        complete = false;
      } else if (job.AnyNonZero(start, size)) {
        DebugTrace(kTag, "split: %lu bytes after the last page-end marker: job file kept",
                   static_cast<unsigned long>(size - start));
        complete = false;
      }
      break;
    }
  }
  // Stored also after a stop: the pieces written have taken these numbers.
  if (out.pieces > 0) StoreLastSerial(ctx);
  out.complete = complete;
  return out.pieces;
}

}  // namespace qid
