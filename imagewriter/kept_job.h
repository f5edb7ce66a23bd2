// Telling the person who printed that a job could not be written and where its pages are: the
// job file stays, and without the message the pages would wait there unnoticed.
#pragma once

#include <string>

namespace qid {

struct WriterContext;

// Records why the job file stays (the first reason of a job wins; the box and the trace give it).
void NoteKeptReason(WriterContext& ctx, const std::string& reason);

// For a job whose file stays: the trace names the job file and the reason; unless "Disable
// Dialog" is set (unattended jobs never wait for a click) a message box says the same.
void ReportKeptJob(WriterContext& ctx);

}  // namespace qid
