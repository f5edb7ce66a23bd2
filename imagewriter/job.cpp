#include "imagewriter/job.h"

#include <cstdio>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/job_split.h"
#include "imagewriter/jpegexport.h"
#include "imagewriter/launch.h"
#include "imagewriter/naming.h"
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

constexpr size_t kOverwriteTextCapacity = 255;

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
    ctx.os.environment->SetVariable("VEDIZE_DOCNAME", clean);
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

// Step 13.
void StorePageStatistics(WriterContext& ctx) {
  uint32_t pages = LeadingPageCount(ctx.job.page_count_text);
  WriteSettingDword(ctx, "Pages Last", pages);
  uint32_t total = ReadSettingDword(ctx, "Pages Total") + pages;
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
  ctx.os.files->RemoveFile(job.done_marker_path);
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

// Step 18.3 up to the written file.
Output WriteDocument(WriterContext& ctx) {
  JobContext& job = ctx.job;
  Settings& s = ctx.settings;
  FileSystem& files = *ctx.os.files;
  DebugTrace(kTagJob, "Anfang DOCUMENT");
  if (!job.print_to_file &&
      !SetFileExtension(s.pdf_output ? "pdf" : "tif", &job.target_path, kTargetPathCapacity)) {
    return ReportDocumentFailure(ctx, job.target_path);
  }
  if (files.FileExists(job.target_path)) {
    if (s.always_overwrite) {
      files.RemoveFile(job.target_path);
    } else {
      std::string question = job.target_path + "\n\nalready exists.  " + "OK to overwrite?";
      if (question.size() > kOverwriteTextCapacity) {
        // The question cannot be asked whole; not asking must not mean replacing.
        DebugTrace(kTagJob, "overwrite text longer than %u characters: taken as No",
                   static_cast<unsigned>(kOverwriteTextCapacity));
        return Output::kEndNow;
      }
      int answer = ctx.os.message_boxes->ShowMessageBox(
          0, question, "Overwrite", kMbYesNo | kMbSystemModal | kMbSetForeground);
      if (answer != kIdYes) return Output::kEndNow;
      files.RemoveFile(job.target_path);
    }
  }
  if (s.pdf_output) {
    int result = pdf::WritePdf(ctx.os, job.target_path, {job.job_path}, pdf::kJobJpegQuality);
    DebugTrace(kTagJob, "convert %s => %s [%d]", job.job_path.c_str(), job.target_path.c_str(),
               result);
    if (result != pdf::kPdfDone) {
      // Deleting the job file now would lose the pages that the PDF does not hold.
      DebugTrace(kTagJob, "job file kept: %s", job.job_path.c_str());
      return Output::kKeepJobFile;
    }
  } else {
    ErrorCode err = files.CopyFileTo(job.job_path, job.target_path, false);
    DebugTrace(kTagJob, "Copy %s => %s [%d]", job.job_path.c_str(), job.target_path.c_str(),
               err == kSuccess ? 1 : 0);
    if (err != kSuccess) return ReportDocumentFailure(ctx, job.target_path);
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
    if (s.output_mode == kModeDocument) ++s.auto_number_value;
    DebugTrace(kTagJob, "FileNumber Counter %d", int(s.auto_number_value));
    StoreCounter(ctx, "Auto Number Value", s.auto_number_value);
  }
  return result;
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

uint32_t LeadingPageCount(const std::string& text) {
  uint64_t count = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    count = count * 10 + static_cast<uint64_t>(c - '0');
    if (count > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  }
  return static_cast<uint32_t>(count);
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
  job.settings_read = LoadSettings(ctx);
  DebugTrace(kTagJob, "|...DIRECTORY: %s", ctx.settings.output_directory.c_str());
  bool hide_dialog = ctx.settings.disable_dialog != 0;
  ApplyPrintToFile(ctx, &hide_dialog);

  if (!ConfirmSettings(ctx, hide_dialog, hooks)) {
    ctx.os.files->RemoveFile(job.job_path);
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
  bool split = s.output_mode == kModeSerialization || job.data_mode == 0;
  Output output = Output::kWritten;
  if (split) {
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
  if (!s.output_application.empty()) {
    if (s.output_mode == kModeSerialization) {
      DebugTrace(kTagJob, "COMMAND NONDOCUMENT");
    } else if (!split && output == Output::kWritten) {
      DebugTrace(kTagRun, "Run (DOK) => %s", job.target_path.c_str());
      LaunchOnResult(ctx, job.target_path);
    }
  }
  CleanUp(ctx, output == Output::kKeepJobFile);
}

}  // namespace qid
