#include "driver/driver_options.h"

#include <cerrno>
#include <cstdlib>

namespace qid::driver {
namespace {

bool ParseNumber(const std::string& text, uint32_t low, uint32_t high, uint32_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || *end != 0 || v < low || v > high) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

const char* DriverUsage() {
  return
      "usage: qiddriver [options] INPUT...\n"
      "\n"
      "Prints documents the way the printer driver does: turns the pages of each INPUT into a\n"
      "job file, starts Q71File with the job path as its whole command line, and waits until\n"
      "Q71File leaves its done marker DONE_ZEL.TIF in TMP.\n"
      "\n"
      "INPUT is a TIFF (every page is taken, strips as stored) or a PDF or PostScript file\n"
      "(rendered with Ghostscript).\n"
      "\n"
      "Pages:\n"
      "  --render fax|gray|rgb   how to render PDF and PostScript: fax = CCITT G4 at 204x196 dpi\n"
      "                          (default), gray = 8-bit grey at 300 dpi, rgb = 24-bit RGB at\n"
      "                          300 dpi (both LZW-compressed); data mode 0 renders gray by\n"
      "                          default, since JPEG files need grey or colour pages\n"
      "Job file:\n"
      "  --data-mode N           0 asks for one JPEG file per page, 1..10 for TIFF or PDF output\n"
      "                          (default 1); the job's first word is 100 + N\n"
      "  --layout auto|document|split\n"
      "                          auto (default): split into one TIFF per page when Output Mode\n"
      "                          is 2 or the data mode is 0, as Q71File will cut the job\n"
      "  --output-mode N         the Output Mode to choose the layout by (default: the stored\n"
      "                          settings, as Q71File will read them)\n"
      "  --end-marker            end a document-layout job with the page-end marker\n"
      "  --job PATH              the job file, passed verbatim as Q71File's command line; a\n"
      "                          path like C:\\spool\\job.tif is written under $QID_ROOT/drive_c\n"
      "                          (default: qid_job_<pid>.tif in TMP)\n"
      "  --copy-job-to FILE      also write a copy of the job file, as sent, to FILE\n"
      "  --write-only            write the job file and stop; Q71File is not started\n"
      "Q71File:\n"
      "  --q71file PROGRAM       the program to start (default: Q71File next to qiddriver,\n"
      "                          else on PATH)\n"
      "  --doc-name TITLE        VEDIZE_DOCNAME (default: the first input's file name)\n"
      "  --pages TEXT            VEDIZE_PAGES (default: the number of pages)\n"
      "  --tmp DIR               TMP, the folder of the done marker and the job file (default: a\n"
      "                          private folder made for the job under $TMPDIR, else /tmp, and\n"
      "                          removed once the job is written)\n"
      "  --print-to-file NAME    PRINTTOFILE=1 and PTF_NAME=NAME\n"
      "  --pdf-output 0|1        the setting PDF Output for this job only; the stored value is\n"
      "                          put back when Q71File has ended\n"
      "  --env NAME=VALUE        set any variable for Q71File (may repeat)\n"
      "  --unset NAME            remove a variable from Q71File's environment (may repeat)\n"
      "  --timeout SECONDS       how long to wait for the done marker (default 120)\n"
      "  --quiet                 print nothing but the results, errors and warnings of\n"
      "                          what failed beside the job (an Output Application that\n"
      "                          cannot start)\n"
      "  --help                  this text\n"
      "\n"
      "Settings live in the registry of $QID_ROOT (see qidreg --help).\n"
      "\n"
      "Prints the path of every result Q71File wrote (one per line, \"result: PATH\").\n"
      "Exit status: 0 done; 1 bad command line or input; 2 Q71File could not be started;\n"
      "3 Q71File ended without leaving the done marker; 4 no done marker within the timeout\n"
      "(Q71File and what it started are ended, the job file is kept); 5 Q71File kept the job\n"
      "file (its path and the reason are printed); 128+N stopped by signal N (SIGTERM, SIGINT,\n"
      "SIGHUP: Q71File is ended with it, the job file is kept).\n";
}

bool ParseDriverOptions(int argc, const char* const* argv, DriverOptions* o, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    std::string v;
    uint32_t n = 0;
    if (arg == "--help" || arg == "-h") {
      o->help = true;
    } else if (arg == "--render") {
      if (!value(&v)) return false;
      o->has_rendering = true;
      if (v == "fax") o->rendering = Rendering::kFax;
      else if (v == "gray" || v == "grey") o->rendering = Rendering::kGray;
      else if (v == "rgb") o->rendering = Rendering::kRgb;
      else {
        *error = "--render takes fax, gray or rgb, not " + v;
        return false;
      }
    } else if (arg == "--data-mode") {
      if (!value(&v)) return false;
      if (!ParseNumber(v, 0, kMaxDataMode, &n)) {
        *error = "--data-mode takes a number from 0 to " + std::to_string(kMaxDataMode) +
                 ", not " + v;
        return false;
      }
      o->data_mode = static_cast<uint16_t>(n);
    } else if (arg == "--layout") {
      if (!value(&v)) return false;
      if (v == "auto") o->layout = LayoutChoice::kAuto;
      else if (v == "document") o->layout = LayoutChoice::kDocument;
      else if (v == "split") o->layout = LayoutChoice::kSplit;
      else {
        *error = "--layout takes auto, document or split, not " + v;
        return false;
      }
    } else if (arg == "--output-mode") {
      if (!value(&v)) return false;
      if (!ParseNumber(v, 0, 0xFFFFFFFFu, &o->output_mode)) {
        *error = "--output-mode takes a number (1 Document, 2 Serialization, 3 Append), not " + v;
        return false;
      }
      o->has_output_mode = true;
    } else if (arg == "--end-marker") {
      o->end_marker = true;
    } else if (arg == "--job") {
      if (!value(&o->job_path)) return false;
      if (o->job_path.empty()) {
        *error = "--job needs a path";
        return false;
      }
    } else if (arg == "--copy-job-to") {
      if (!value(&o->copy_job_to)) return false;
    } else if (arg == "--write-only") {
      o->write_only = true;
    } else if (arg == "--q71file") {
      if (!value(&o->q71file)) return false;
    } else if (arg == "--doc-name") {
      if (!value(&o->doc_name)) return false;
      o->has_doc_name = true;
    } else if (arg == "--pages") {
      if (!value(&o->pages)) return false;
      o->has_pages = true;
    } else if (arg == "--tmp") {
      if (!value(&o->tmp)) return false;
      if (o->tmp.empty()) {
        *error = "--tmp needs a folder";
        return false;
      }
      o->has_tmp = true;
    } else if (arg == "--print-to-file") {
      if (!value(&o->print_to_file_name)) return false;
      o->has_print_to_file = true;
    } else if (arg == "--env") {
      if (!value(&v)) return false;
      size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) {
        *error = "--env takes NAME=VALUE, not " + v;
        return false;
      }
      o->extra_env.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (arg == "--unset") {
      if (!value(&v)) return false;
      o->unset_env.push_back(v);
    } else if (arg == "--pdf-output") {
      if (!value(&v)) return false;
      if (!ParseNumber(v, 0, 1, &o->pdf_output)) {
        *error = "--pdf-output takes 0 or 1, not " + v;
        return false;
      }
      o->has_pdf_output = true;
    } else if (arg == "--timeout") {
      if (!value(&v)) return false;
      if (!ParseNumber(v, 1, 86400, &o->timeout_seconds)) {
        *error = "--timeout takes seconds from 1 to 86400, not " + v;
        return false;
      }
    } else if (arg == "--quiet" || arg == "-q") {
      o->quiet = true;
    } else if (arg == "--") {
      for (++i; i < argc; ++i) o->inputs.push_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg + " (see --help)";
      return false;
    } else {
      o->inputs.push_back(arg);
    }
  }
  if (!o->help && o->inputs.empty()) {
    *error = "no input file given (see --help)";
    return false;
  }
  if (o->end_marker && o->layout == LayoutChoice::kSplit) {
    *error = "--end-marker is for the document layout; split pieces always end with it";
    return false;
  }
  // JPEG export takes grey and colour pages only: fax pages would all stay TIFF files.
  if (o->data_mode == 0 && !o->has_rendering) o->rendering = Rendering::kGray;
  return true;
}

}  // namespace qid::driver
