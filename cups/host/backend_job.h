// One print job through the backend, after the process has become the job's user: the document
// goes into a private folder under the user's root, qiddriver renders it and hands it to
// Q71File there, and the outcome becomes a backend exit code with lines for CUPS.
#pragma once

#include <string>

#include "cups/backend_request.h"
#include "cups/host/user_session.h"

namespace qid::cups {

// The backend exit codes CUPS knows.
enum BackendExit {
  kBackendOk = 0,
  kBackendFailed = 1,
  kBackendHold = 3,  // the job stays in the queue, held, with its document
  kBackendStop = 4,  // the queue is set up wrongly: stop it rather than fail every job
};

// From now on SIGTERM (CUPS cancels a job or stops) ends the job instead of the backend alone:
// qiddriver's process group is told to stop and the backend returns once it has ended.
void StopJobOnSigterm();

// Runs the job. `document_fd` is open for reading (the file CUPS named, or standard input).
// Writes "INFO:"/"ERROR:" lines to `cups_log` (standard error in the backend).
// kBackendOk when qiddriver wrote the outputs; kBackendHold when the job could not be written:
// then the private folder (named in an ERROR line) keeps the document, the trace and any job
// file that Q71File kept. Once a job is written, the folders that earlier runs of the same job
// (held, then released) left are removed.
int RunBackendJob(const BackendRequest& request, const UserAccount& account, int document_fd,
                  FILE* cups_log);

}  // namespace qid::cups
