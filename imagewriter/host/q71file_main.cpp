// Q71File on the host: one print job per run. The job path is the whole command line: the
// driver side passes it as the one argument; several arguments are joined by single blanks,
// as a Windows command line would hold them. --help, or a path that is no file, ends before
// anything is written. The driver side may name files for the job's results ($QID_RESULTS)
// and for notices to the user ($QID_NOTICES), and ask for quiet ($QID_QUIET).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imagewriter/job.h"
#include "imagewriter/writer_context.h"
#include "platform/host/host_file_system.h"
#include "platform/host/host_parts.h"
#include "platform/platform.h"

namespace {

constexpr char kUsage[] =
    "usage: Q71File JOB_FILE\n"
    "\n"
    "Writes the pages of one print job into the outputs the stored settings ask for, then\n"
    "deletes the job file and leaves the done marker DONE_ZEL.TIF in TMP. The job file is\n"
    "made by the driver side (qiddriver; see qiddriver --help); settings live in the registry\n"
    "of $QID_ROOT (see qidreg --help). JOB_FILE is a path such as C:\\spool\\job.tif (under\n"
    "$QID_ROOT/drive_c) or a host path.\n";

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0;
}

// A line for the person printing: into the file the driver side named by $QID_NOTICES, which
// it reports, else on stderr.
void Notice(const std::string& text) {
  if (IsSet("QID_NOTICES")) {
    if (FILE* f = std::fopen(std::getenv("QID_NOTICES"), "a")) {
      std::fprintf(f, "%s\n", text.c_str());
      std::fclose(f);
      return;
    }
  }
  std::fprintf(stderr, "Q71File: %s\n", text.c_str());
}

void ReportNoDialog() {
  if (IsSet("QID_QUIET")) return;
  std::fprintf(stderr,
               "Q71File: the settings dialog cannot be shown here; the stored settings are "
               "used as they are.\n");
}

std::string WhyNotStarted(qid::ErrorCode err) {
  if (err == qid::kErrFileNotFound || err == qid::kErrPathNotFound)
    return "no such program; a program path with blanks needs double quotes";
  if (err == qid::kErrAccessDenied) return "not allowed to run it";
  return "error " + std::to_string(err);
}

// Only a job file starts a job: help or a mistyped path must not make the user's folders,
// the job lock or any setting.
bool NamesAJobFile(const std::string& path) {
  qid::HostFileSystem files(qid::HostRootPath());
  uint32_t attributes = 0;
  return files.GetAttributes(path, &attributes) == qid::kSuccess &&
         (attributes & qid::kAttrDirectory) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line.push_back(' ');
    command_line += argv[i];
  }
  if (command_line == "--help" || command_line == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  if (!NamesAJobFile(command_line)) {
    std::fprintf(stderr, "Q71File: \"%s\" is no job file: nothing done\n", command_line.c_str());
    return 1;
  }

  qid::Platform& os = qid::SystemPlatform();
  qid::SetTraceSink(os.debug_output);
  qid::WriterContext ctx(os);
  // The driver side learns the job's results from the file named by $QID_RESULTS, one host
  // path a line.
  if (IsSet("QID_RESULTS")) {
    std::string list = std::getenv("QID_RESULTS");
    ctx.result_written = [list, &os](const std::string& path) {
      if (FILE* f = std::fopen(list.c_str(), "a")) {
        std::fprintf(f, "%s\n", os.files->PathForPrograms(path).c_str());
        std::fclose(f);
      }
    };
  }
  ctx.application_not_started = [](const std::string& application, qid::ErrorCode err) {
    Notice("the Output Application could not be started (" + WhyNotStarted(err) +
           "): " + application);
  };
  qid::JobHooks hooks;
  hooks.report_no_dialog = ReportNoDialog;
  qid::RunJob(ctx, command_line.c_str(), hooks);
  return 0;
}
