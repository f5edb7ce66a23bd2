#include "imagewriter/launch.h"

#include <memory>

#include "common/debug_trace.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr const char* kTag = trace::kLaunch;

}  // namespace

bool BuildApplicationCommandLine(const std::string& application, const std::string& path,
                                 std::string* command_line) {
  if (application.empty()) {
    DebugTrace(kTag, "no Output Application: nothing to start");
    return false;
  }
  std::string line = application + " \"" + path + "\"";
  if (line.size() > kCommandLineCapacity) {
    DebugTrace(kTag, "command line exceeds %d characters: not started",
               static_cast<int>(kCommandLineCapacity));
    return false;
  }
  *command_line = std::move(line);
  return true;
}

bool RunOutputApplication(WriterContext& ctx, const std::string& command_line) {
  DebugTrace(kTag, "CreateProcess %s", command_line.c_str());
  std::unique_ptr<Process> process;
  ErrorCode err = ctx.os.processes->StartProcess(command_line, &process);
  bool created = err == kSuccess && process != nullptr;
  if (created) {
    uint32_t exit_code = 0;
    ErrorCode waited = process->Wait(kWaitForever, &exit_code);
    if (waited != kSuccess) DebugTrace(kTag, "wait failed, error %u", static_cast<unsigned>(waited));
  } else {
    DebugTrace(kTag, "not created, error %u", static_cast<unsigned>(err));
    if (ctx.application_not_started) ctx.application_not_started(command_line, err);
  }
  DebugTrace(kTag, "=>iResult %d", created ? 1 : 0);
  return created;
}

void ReportResult(WriterContext& ctx, const std::string& path) {
  if (ctx.result_written) ctx.result_written(path);
}

bool LaunchOnResult(WriterContext& ctx, const std::string& path) {
  std::string command_line;
  const std::string shown = ctx.os.files->PathForPrograms(path);
  if (!BuildApplicationCommandLine(ctx.settings.output_application, shown, &command_line))
    return false;
  return RunOutputApplication(ctx, command_line);
}

}  // namespace qid
