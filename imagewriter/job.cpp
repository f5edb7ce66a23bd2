#include "imagewriter/job.h"

#include <cstdio>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/job_layout.h"
#include "imagewriter/job_split.h"
#include "imagewriter/jpegexport.h"
#include "imagewriter/kept_job.h"
#include "imagewriter/launch.h"
#include "imagewriter/naming.h"
#include "imagewriter/output_files.h"
#include "imagewriter/pdf/pdf_writer.h"
#include "imagewriter/tiffsplice.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr const char* kTagJob = trace::kDialog;
constexpr const char* kTagCounters = trace::kJobSteps;
constexpr const char* kTagEnv = trace::kEnvironment;
constexpr const char* kTagFiles = trace::kFileAccess;
constexpr const char* kTagSerial = trace::kSerialReset;
constexpr const char* kTagRun = trace::kRun;


// How the output step ended, which decides what the clean-up may do.
enum class Output {
  kWritten,      // results exist; the job file has served its purpose
  kKeepJobFile,  // nothing sound was written: keep the job file so the pages are not lost
  kEndNow,       // the user declined to overwrite: end at once, no clean-up, no done marker
};

// A variable that is absent or longer than its capacity reads as absent; the trace names the
// limit so that a refused value is never mistaken for a missing one.
bool ReadVariable(WriterContext& ctx, const char* name, size_t capacity, std::string* value) {
  std::string text;
  if (!ctx.os.environment->GetVariable(name, &text)) return false;
  if (text.size() > capacity) {
    DebugTrace(kTagEnv, "%s longer than %u characters, taken as absent", name,
               static_cast<unsigned>(capacity));
    return false;
  }
  *value = text;
  return true;
}

// Steps 2 and 3: the document title loses any path before its last backslash, for every
// later reader. The rule applies to a title of any length: one longer than the job context
// holds must not keep a path that would send output into another folder.
void CleanDocumentName(WriterContext& ctx) {
  JobContext& job = ctx.job;
  std::string title;
  bool present = ctx.os.environment->GetVariable("VEDIZE_DOCNAME", &title);
  if (present) job.document_name = Truncated(title, kDocumentNameCapacity);
  ReadVariable(ctx, "VEDIZE_PAGES", kPageCountCapacity, &job.page_count_text);
  DebugTrace(kTagJob, "|...DOCNAME: %s PAGES: %s", job.document_name.c_str(),
             job.page_count_text.c_str());
  size_t slash = title.find_last_of('\\');
  if (present && slash != std::string::npos) {
    std::string clean = title.substr(slash + 1);
    // Only the Output Application reads it back; the job goes on with the clean name either way.
    (void)ctx.os.environment->SetVariable("VEDIZE_DOCNAME", clean);
    job.document_name = Truncated(clean, kDocumentNameCapacity);
    DebugTrace(kTagEnv, "NEW DOCNAME %s", clean.c_str());
  } else {
    DebugTrace(kTagEnv, "DOCNAME CLEAN");
  }
}

// Step 10: print-to-file writes the job file unchanged to the chosen name, never asks.
void ApplyPrintToFile(WriterContext& ctx, bool* hide_dialog) {
  JobContext& job = ctx.job;
  std::string print_switch, name;
  ReadVariable(ctx, "PRINTTOFILE", kPrintToFileSwitchCapacity, &print_switch);
  ReadVariable(ctx, "PTF_NAME", kPrintToFileNameCapacity, &name);
  DebugTrace(kTagJob, "PRINTTOFILE %s, PTF_NAME %s", print_switch.c_str(), name.c_str());
  job.print_to_file = !print_switch.empty() && print_switch[0] == '1' && !name.empty();
  if (!job.print_to_file) return;
  job.print_to_file_name = name;
  Settings& s = ctx.settings;
  s.output_mode = kModeDocument;
  s.pdf_output = 0;
  s.always_overwrite = 1;
  s.auto_generate = 0;
  s.use_source_name = 0;
  *hide_dialog = true;
}

// Step 11. True when the job is confirmed.
bool ConfirmSettings(WriterContext& ctx, bool hide_dialog, const JobHooks& hooks) {
  if (!hide_dialog && hooks.show_settings_dialog == nullptr) {
    if (hooks.report_no_dialog != nullptr) hooks.report_no_dialog();
    hide_dialog = true;
  }
  if (hide_dialog) {
    DebugTrace(kTagJob, "Hide DIALOG");
    NullDialogView hidden;
    ResetValues(ctx, hidden);
    return true;
  }
  DebugTrace(kTagJob, "Show DIALOG");
  return hooks.show_settings_dialog(ctx) == 1;
}

// Step 13. Counters saturate rather than wrap, and a count past 32 bits is not believed.
void StorePageStatistics(WriterContext& ctx) {
  uint32_t pages = 0;
  if (!ParsePageCount(ctx.job.page_count_text, &pages)) {
    DebugTrace(kTagCounters, "VEDIZE_PAGES %s out of range: counted as 0",
               ctx.job.page_count_text.c_str());
  }
  WriteSettingDword(ctx, "Pages Last", pages);
  uint32_t before = ReadSettingDword(ctx, "Pages Total");
  uint32_t total = before + pages;
  if (total < before) {
    total = 0xFFFFFFFFu;
    DebugTrace(kTagCounters, "Pages Total at its limit %lu", static_cast<unsigned long>(total));
  }
  WriteSettingDword(ctx, "Pages Total", total);
  DebugTrace(kTagCounters, "REGISTRY Pages Last %d Total %d", int(pages), int(total));
}

// Step 15. Without a usable "TMP" there is no marker path: building one from the rest would
// announce the job in a file nobody waits for.
void PrepareDoneMarker(WriterContext& ctx) {
  JobContext& job = ctx.job;
  if (job.temp_folder.empty()) {
    DebugTrace(kTagFiles, "TMP not set: no done marker");
    return;
  }
  if (job.temp_folder.size() > kTempFolderForMarkerCapacity) {
    DebugTrace(kTagFiles, "TMP longer than %u characters: no done marker",
               static_cast<unsigned>(kTempFolderForMarkerCapacity));
    return;
  }
  job.done_marker_path = job.temp_folder + "\\" + kDoneMarkerName;
  (void)ctx.os.files->RemoveFile(job.done_marker_path);  // usually absent; made anew at the end
  DebugTrace(kTagJob, "Delete DONE_ZEL %s", job.done_marker_path.c_str());
  WriteSettingString(ctx, "Done File", job.done_marker_path);
}

ErrorCode CreateDoneMarker(WriterContext& ctx) {
  if (ctx.job.done_marker_path.empty()) return kErrFileNotFound;
  std::unique_ptr<File> marker;
  ErrorCode err = ctx.os.files->OpenFile(ctx.job.done_marker_path, FileAccess::kWrite,
                                         FileDisposition::kCreateAlways, FileShare::kRead,
                                         &marker);
  if (err == kSuccess) err = marker->Close();
  return err;
}

// Step 17. False when the split stopped short: the job file then holds pages that exist
// nowhere else and must stay.
bool RunSplitPath(WriterContext& ctx) {
  Settings& s = ctx.settings;
  DebugTrace(kTagJob, "Anfang SERIALIZATON %d", int(s.auto_reset_serial_number));
  if (s.serial_num_digits < 2 || s.serial_num_digits > 8) s.serial_num_digits = 4;
  if (s.auto_reset_serial_number) {
    DebugTrace(kTagSerial, "Anfang DO RESET");
    s.last_serial_number = s.serial_init_number;
  }
  SplitOutcome outcome;
  SplitJobFile(ctx, ctx.job.job_path, &outcome);
  CreateDoneMarker(ctx);
  DebugTrace(kTagCounters, "RESET ENDE INIT %d LAST %d", int(s.serial_init_number),
             int(s.last_serial_number));
  if (s.auto_reset_serial_number) {
    DebugTrace(kTagJob, "ENDE DO RESET");
  } else {
    s.serial_init_number = s.last_serial_number;
    StoreCounter(ctx, "Serial Init Number", s.serial_init_number);
    DebugTrace(kTagJob, "NO RESET ENDE INIT %d LAST %d", int(s.serial_init_number),
               int(s.last_serial_number));
  }
  if (!outcome.complete) DebugTrace(kTagJob, "job file kept: %s", ctx.job.job_path.c_str());
  return outcome.complete;
}

// The user saw why the job could not be written; the job file stays.
Output ReportDocumentFailure(WriterContext& ctx, const std::string& target) {
  ctx.os.message_boxes->ShowMessageBox(0, "File could not be created : \n\n" + target,
                                       "ERROR - DOCUMENT OUTPUT MODE",
                                       kMbIconError | kMbTaskModal | kMbSetForeground);
  DebugTrace(kTagJob, "job file kept: %s", ctx.job.job_path.c_str());
  return Output::kKeepJobFile;
}

// Step 18.1: print-to-file's own name, else the configured one.
bool BuildTarget(WriterContext& ctx) {
  JobContext& job = ctx.job;
  if (job.print_to_file) {
    if (job.print_to_file_name.size() > kTargetPathCapacity) {
      DebugTrace(kTagJob, "PTF_NAME longer than %u characters",
                 static_cast<unsigned>(kTargetPathCapacity));
      return false;
    }
    job.target_path = job.print_to_file_name;
    return true;
  }
  DebugTrace(kTagJob, "|...ConstructTargetFileName");
  if (!ConstructFilename(ctx, &job.target_path, kTargetPathCapacity)) return false;
  DebugTrace(kTagJob, "|...Target File %s", job.target_path.c_str());
  return true;
}

// Step 18.3 up to the written file. The result is written beside the target and moved onto it
// only when complete: a failed conversion or a full disk leaves the old file, never a part.
Output WriteDocument(WriterContext& ctx) {
  JobContext& job = ctx.job;
  Settings& s = ctx.settings;
  FileSystem& files = *ctx.os.files;
  DebugTrace(kTagJob, "Anfang DOCUMENT");
  if (!job.print_to_file &&
      !SetFileExtension(s.pdf_output ? "pdf" : "tif", &job.target_path, kTargetPathCapacity)) {
    return ReportDocumentFailure(ctx, job.target_path);
  }
  if (IsJobOwnFile(ctx, job.target_path)) return ReportDocumentFailure(ctx, job.target_path);
  if (!MayReplace(ctx, job.target_path)) return Output::kEndNow;
  std::string temp;
  if (!CreateBeside(files, job.target_path, &temp)) return ReportDocumentFailure(ctx, job.target_path);
  if (s.pdf_output) {
    int result = pdf::WritePdf(ctx.os, temp, {job.job_path}, pdf::kJobJpegQuality);
    if (result == pdf::kPdfDone && MoveIntoPlace(files, temp, job.target_path) != kSuccess)
      result = pdf::kPdfFailed;
    DebugTrace(kTagJob, "convert %s => %s [%d]", job.job_path.c_str(), job.target_path.c_str(),
               result);
    if (result != pdf::kPdfDone) {
      (void)files.RemoveFile(temp);  // a leftover part file is clutter, never an output
      // Deleting the job file now would lose the pages that the PDF does not hold.
      DebugTrace(kTagJob, "job file kept: %s", job.job_path.c_str());
      return Output::kKeepJobFile;
    }
  } else {
    ErrorCode err = files.CopyFileTo(job.job_path, temp, false);
    if (err == kSuccess) err = MoveIntoPlace(files, temp, job.target_path);
    DebugTrace(kTagJob, "Copy %s => %s [%d]", job.job_path.c_str(), job.target_path.c_str(),
               err == kSuccess ? 1 : 0);
    if (err != kSuccess) {
      (void)files.RemoveFile(temp);  // a leftover part file is clutter, never an output
      return ReportDocumentFailure(ctx, job.target_path);
    }
  }
  DebugTrace(kTagJob, "Ende DOCUMENT ");
  return Output::kWritten;
}

// Step 18.
Output RunDocumentAppendPath(WriterContext& ctx) {
  JobContext& job = ctx.job;
  Settings& s = ctx.settings;
  if (s.output_mode != kModeDocument && s.output_mode != kModeAppend) {
    DebugTrace(kTagJob, "Output Mode %d writes nothing: job file kept", int(s.output_mode));
    return Output::kKeepJobFile;
  }
  if (!BuildTarget(ctx)) return ReportDocumentFailure(ctx, job.target_path);
  // Splicing the job file onto itself, then deleting it, would lose every page.
  if (s.output_mode == kModeAppend && IsJobOwnFile(ctx, job.target_path)) {
    DebugTrace(kTagJob, "job file kept: %s", job.job_path.c_str());
    return Output::kKeepJobFile;
  }

  Output result = Output::kWritten;
  if (s.output_mode == kModeAppend) {
    DebugTrace(kTagJob, "Anfang APPEND to %s from %s", job.target_path.c_str(),
               job.job_path.c_str());
    bool appended = AppendTiff(ctx, job.job_path, job.target_path);
    DebugTrace(kTagJob, "Ende APPEND %s ", job.target_path.c_str());
    if (!appended) {
      // The target keeps its pages; deleting the job file would lose this job's.
      DebugTrace(kTagJob, "job file kept: %s", job.job_path.c_str());
      result = Output::kKeepJobFile;
    }
  } else {
    result = WriteDocument(ctx);
    if (result != Output::kWritten) return result;
  }
  if (s.auto_generate) {
    if (s.output_mode == kModeDocument) AdvanceCounter(&s.auto_number_value, "Auto Number Value");
    DebugTrace(kTagJob, "FileNumber Counter %d", int(s.auto_number_value));
    StoreCounter(ctx, "Auto Number Value", s.auto_number_value);
  }
  return result;
}

// The layout the driver side chose must be the one this job's path reads (the dialog may
// have changed the Output Mode since, and print-to-file forces Document). Written the other
// way, every page would be lost to readers; the job file stays for a run that fits.
bool LayoutFitsPath(WriterContext& ctx, bool split) {
  const JobContext& job = ctx.job;
  JobLayout layout = DetectJobLayout(ctx, job.job_path);
  if (split && layout == JobLayout::kDocument) {
    DebugTrace(kTagJob,
               "job holds one TIFF of all pages, Output Mode %d data mode %d writes one file "
               "per page: job file kept",
               int(ctx.settings.output_mode), int(job.data_mode));
    NoteKeptReason(ctx, "The job was made for a file of all pages, not one file per page");
    return false;
  }
  if (!split && layout == JobLayout::kSplit) {
    DebugTrace(kTagJob,
               "job holds one TIFF per page, Output Mode %d writes one TIFF of all pages: job "
               "file kept",
               int(ctx.settings.output_mode));
    NoteKeptReason(ctx, "The job was made for one file per page, not a file of all pages");
    return false;
  }
  if (!split && !JobFitsOneTiff(ctx, job.job_path)) {
    NoteKeptReason(ctx, "The job is larger than a TIFF file can be (4 GiB)");
    return false;
  }
  return true;
}

// Step 20.
void CleanUp(WriterContext& ctx, bool keep_job_file) {
  JobContext& job = ctx.job;
  if (!keep_job_file) {
    ErrorCode err = ctx.os.files->RemoveFile(job.job_path);
    if (err != kSuccess && err != kErrFileNotFound) ctx.os.files->RemoveAtRestart(job.job_path);
    DebugTrace(kTagJob, "Delete Temp File %s %d", job.job_path.c_str(), err == kSuccess ? 1 : 0);
  }
  ErrorCode err = CreateDoneMarker(ctx);
  DebugTrace(kTagFiles, "err = %d Done %s", int(err), job.done_marker_path.c_str());
  ImagingShutdown(ctx);
}

}  // namespace

bool ParsePageCount(const std::string& text, uint32_t* count) {
  uint64_t value = 0;
  *count = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu) return false;
  }
  *count = static_cast<uint32_t>(value);
  return true;
}

uint32_t LeadingPageCount(const std::string& text) {
  uint32_t count = 0;
  ParsePageCount(text, &count);
  return count;
}

void RunJob(WriterContext& ctx, const char* command_line, const JobHooks& hooks) {
  JobContext& job = ctx.job;
  DebugTrace(kTagJob, "%s", command_line != nullptr ? command_line : "");
  CleanDocumentName(ctx);
  if (command_line == nullptr) {
    DebugTrace(kTagJob, "QIFILE command line null!!!");
    return;
  }
  if (*command_line == 0) {
    DebugTrace(kTagJob, "QIFILE command line empty!!!");
    return;
  }
  if (!CopyBounded(&job.job_path, command_line, kJobPathCapacity)) {
    DebugTrace(kTagJob, "QIFILE command line longer than %u characters: job not run",
               static_cast<unsigned>(kJobPathCapacity));
    return;
  }
  ImagingStartup(ctx);
  ReadVariable(ctx, "TMP", kTempFolderCapacity, &job.temp_folder);
  DebugTrace(kTagJob, "TMP Value %s", job.temp_folder.c_str());
  // From reading the counters to storing them, and while results are named and written, this
  // job is the user's only one: a simultaneous job waits here rather than take the same names.
  std::unique_ptr<File> job_lock = LockJobs(ctx);
  job.settings_read = LoadSettings(ctx);
  DebugTrace(kTagJob, "|...DIRECTORY: %s", ctx.settings.output_directory.c_str());
  bool hide_dialog = ctx.settings.disable_dialog != 0;
  ApplyPrintToFile(ctx, &hide_dialog);

  if (!ConfirmSettings(ctx, hide_dialog, hooks)) {
    // Cancelled by the user: a job file that cannot go is only left over.
    (void)ctx.os.files->RemoveFile(job.job_path);
    DebugTrace(kTagJob, "return FALSE Deleted %s", job.job_path.c_str());
    ImagingShutdown(ctx);
    return;
  }
  StorePageStatistics(ctx);
  if (!CheckAndFixFileHeader(ctx, job.job_path)) {
    DebugTrace(kTagJob, "CheckAndFixFileHeader() failed when checking tiff or jpeg header");
    ImagingShutdown(ctx);
    return;
  }
  PrepareDoneMarker(ctx);

  const Settings& s = ctx.settings;
  if (!job.print_to_file) EnsureOutputFolder(ctx);
  bool split = s.output_mode == kModeSerialization || job.data_mode == 0;
  Output output = Output::kWritten;
  if (!LayoutFitsPath(ctx, split)) {
    output = Output::kKeepJobFile;
  } else if (split) {
    if (!RunSplitPath(ctx)) output = Output::kKeepJobFile;
  } else {
    output = RunDocumentAppendPath(ctx);
    if (output == Output::kEndNow) {
      DebugTrace(kTagJob, "overwrite declined: job file kept, no done marker");
      ImagingShutdown(ctx);
      return;
    }
  }

  DebugTrace(kTagCounters, "=> terminate");
  if (!split && output == Output::kWritten) ReportResult(ctx, job.target_path);
  if (!s.output_application.empty()) {
    if (s.output_mode == kModeSerialization) {
      DebugTrace(kTagJob, "COMMAND NONDOCUMENT");
    } else if (!split && output == Output::kWritten) {
      // The result is in place and the counters are stored: a viewer left open must not hold
      // back the user's next job.
      job_lock.reset();
      DebugTrace(kTagRun, "Run (DOK) => %s", job.target_path.c_str());
      LaunchOnResult(ctx, job.target_path);
    }
  }
  CleanUp(ctx, output == Output::kKeepJobFile);
  if (output == Output::kKeepJobFile) {
    job_lock.reset();  // a box waiting for a click must not hold back the user's next job
    ReportKeptJob(ctx);
  }
}

}  // namespace qid
