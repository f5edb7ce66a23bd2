#include "imagewriter/kept_job.h"

#include "common/debug_trace.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr const char* kTag = trace::kDialog;
constexpr char kCaption[] = "ERROR - JOB NOT WRITTEN";

// The reason when the failing step gave none: what the Output Mode was to write.
std::string ReasonOfMode(const WriterContext& ctx) {
  const bool split = ctx.settings.output_mode == kModeSerialization || ctx.job.data_mode == 0;
  if (split) return "Not every page of the job could be written";
  if (ctx.settings.output_mode == kModeAppend)
    return "The pages could not be added to " + ctx.job.target_path;
  return ctx.job.target_path.empty() ? std::string("The output file could not be written")
                                     : ctx.job.target_path + " could not be written";
}

}  // namespace

void NoteKeptReason(WriterContext& ctx, const std::string& reason) {
  if (ctx.job.kept_reason.empty()) ctx.job.kept_reason = reason;
}

void ReportKeptJob(WriterContext& ctx) {
  const std::string reason =
      ctx.job.kept_reason.empty() ? ReasonOfMode(ctx) : ctx.job.kept_reason;
  DebugTrace(kTag, "job kept, user %s: %s => %s", ctx.settings.disable_dialog ? "not told" : "told",
             reason.c_str(), ctx.job.job_path.c_str());
  if (ctx.settings.disable_dialog) return;
  ctx.os.message_boxes->ShowMessageBox(
      0, reason + ".\n\nThe printed pages are kept in the job file:\n\n" + ctx.job.job_path,
      kCaption, kMbIconError | kMbTaskModal | kMbSetForeground);
}

}  // namespace qid
