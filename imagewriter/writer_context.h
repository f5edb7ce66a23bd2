// The process-wide records of one Q71File run: the platform it talks to, the settings record
// with its open key, and the job context. The program's entry owns one; tests build fresh ones.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "imagewriter/imaging_state.h"
#include "imagewriter/settings.h"
#include "platform/platform.h"

namespace qid {

// Capacities of the job context, in characters without terminator.
constexpr size_t kJobPathCapacity = 511;
constexpr size_t kDocumentNameCapacity = 127;
constexpr size_t kPageCountCapacity = 127;
constexpr size_t kTempFolderCapacity = 255;
constexpr size_t kTempFolderForMarkerCapacity = 127;
constexpr size_t kPrintToFileSwitchCapacity = 31;
constexpr size_t kPrintToFileNameCapacity = 1023;
constexpr size_t kTargetPathCapacity = 259;
constexpr size_t kDoneMarkerPathCapacity = 511;

extern const char kDoneMarkerName[];  // "DONE_ZEL.TIF"
extern const char kPageEndMarker[];   // "!!end of file!!!", 16 bytes, no terminator
constexpr size_t kPageEndMarkerSize = 16;

struct JobContext {
  std::string job_path;          // the whole command line
  std::string document_name;     // "VEDIZE_DOCNAME" as read
  std::string page_count_text;   // "VEDIZE_PAGES"
  std::string temp_folder;       // "TMP"
  bool print_to_file = false;    // "PRINTTOFILE" starts with "1" and "PTF_NAME" is not empty
  std::string print_to_file_name;  // "PTF_NAME"
  uint16_t data_mode = 0;        // from the job file's first word
  std::string target_path;       // Document and Append output
  std::string done_marker_path;  // TMP + "\" + "DONE_ZEL.TIF"
  std::string lock_path;         // the job lock held while results are named and written
  bool settings_read = false;    // what LoadSettings returned
  std::string kept_reason;       // why the job file stays, when it does (kept_job.h)
};

struct WriterContext {
  explicit WriterContext(Platform& platform) : os(platform) {}
  WriterContext(const WriterContext&) = delete;
  WriterContext& operator=(const WriterContext&) = delete;

  Platform& os;
  Settings settings;
  RegKey settings_key = kNoKey;  // held open until the process ends
  JobContext job;
  ImagingState imaging;  // JPEG export (jpegexport.h)
  // Bytes of a job file or an Append target read at a time (file_window.h); tests make it small
  // so that every window edge is crossed.
  size_t read_window = size_t(4) << 20;
  // Told of every result once it is complete, by its product path; the host entry lists the
  // results for the driver side. Empty: nobody asks.
  std::function<void(const std::string& path)> result_written;
  // Told when the Output Application could not be started, with its command line and the
  // system's error; the host entry passes it on to the driver side. Empty: only the trace says.
  std::function<void(const std::string& command_line, ErrorCode err)> application_not_started;
};

}  // namespace qid
