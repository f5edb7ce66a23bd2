// The command line of qiddriver, the driver-side stand-in: what to print, how to lay out the
// job, and how to hand it to Q71File.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "driver/job_file.h"

namespace qid::driver {

enum class Rendering { kFax, kGray, kRgb };  // Ghostscript devices for PDF and PostScript input
enum class LayoutChoice { kAuto, kDocument, kSplit };

struct DriverOptions {
  std::vector<std::string> inputs;  // TIFF, PDF or PostScript files, pages in order
  bool has_rendering = false;       // otherwise fax, or gray for data mode 0
  Rendering rendering = Rendering::kFax;
  uint16_t data_mode = 1;
  LayoutChoice layout = LayoutChoice::kAuto;
  bool has_output_mode = false;     // otherwise read from the settings, as Q71File will
  uint32_t output_mode = 1;
  bool end_marker = false;

  std::string job_path;             // the whole command line of Q71File; default under TMP
  std::string copy_job_to;          // a host path that gets a copy of the job as written
  bool write_only = false;          // write the job file and stop

  std::string q71file;              // the program; default next to qiddriver, else PATH
  bool has_doc_name = false;
  std::string doc_name;             // "VEDIZE_DOCNAME"; default the first input's file name
  bool has_pages = false;
  std::string pages;                // "VEDIZE_PAGES"; default the page count
  bool has_tmp = false;
  std::string tmp;                  // "TMP"; default a private folder made for the job
  bool has_print_to_file = false;
  std::string print_to_file_name;   // sets "PRINTTOFILE" 1 and "PTF_NAME"
  std::vector<std::pair<std::string, std::string>> extra_env;  // --env NAME=VALUE, in order
  std::vector<std::string> unset_env;
  bool has_pdf_output = false;      // "PDF Output" for this job only (the stored one put back)
  uint32_t pdf_output = 0;
  uint32_t timeout_seconds = 120;
  bool quiet = false;
  bool help = false;
};

// Parses argv[1..]. False with *error (one line saying what is wrong) for a bad command line.
bool ParseDriverOptions(int argc, const char* const* argv, DriverOptions* options,
                        std::string* error);

// The text of --help.
const char* DriverUsage();

}  // namespace qid::driver
