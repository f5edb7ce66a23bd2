// Q71File on the host: one print job per run. The job path is the whole command line: the
// driver side passes it as the one argument; several arguments are joined by single blanks,
// as a Windows command line would hold them.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imagewriter/job.h"
#include "imagewriter/writer_context.h"
#include "platform/platform.h"

namespace {

void ReportNoDialog() {
  std::fprintf(stderr,
               "Q71File: the settings dialog cannot be shown here; the stored settings are "
               "used as they are.\n");
}

}  // namespace

int main(int argc, char** argv) {
  qid::Platform& os = qid::SystemPlatform();
  qid::SetTraceSink(os.debug_output);
  qid::WriterContext ctx(os);
  // The driver side learns the job's results from the file named by $QID_RESULTS, one host
  // path a line.
  if (const char* results = std::getenv("QID_RESULTS"); results != nullptr && *results != 0) {
    std::string list = results;
    ctx.result_written = [list, &os](const std::string& path) {
      if (FILE* f = std::fopen(list.c_str(), "a")) {
        std::fprintf(f, "%s\n", os.files->PathForPrograms(path).c_str());
        std::fclose(f);
      }
    };
  }
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line.push_back(' ');
    command_line += argv[i];
  }
  qid::JobHooks hooks;
  hooks.report_no_dialog = ReportNoDialog;
  qid::RunJob(ctx, argc > 1 ? command_line.c_str() : nullptr, hooks);
  return 0;
}
