// The CUPS backend "qid": every job sent to a queue with a qid: device is printed into image
// files by qiddriver and Q71File, as the submitting user, in that user's root.
//
// Installed mode 0700 so that CUPS runs it as root; it reads the document, becomes the user
// and does everything else with the user's rights. The queue's policy authenticates the user
// (peer credentials on the local socket), and a job of root or a system account is held.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cups/backend_request.h"
#include "cups/host/backend_job.h"
#include "cups/host/user_session.h"

namespace qid::cups {
namespace {

int Run(int argc, char** argv) {
  // CUPS cancels a job with SIGTERM; the driver's own process group is ended with it.
  std::signal(SIGPIPE, SIG_IGN);
  StopJobOnSigterm();
  BackendRequest request;
  std::string error;
  if (!ParseBackendRequest(argc, argv, std::getenv("DEVICE_URI"), &request, &error)) {
    std::fprintf(stderr, "ERROR: %s\n", error.c_str());
    return kBackendFailed;
  }
  if (request.list_device) {
    std::printf("%s\n", kDeviceLine);
    return kBackendOk;
  }
  // The document is opened before the switch: CUPS's spool file is not the user's to read.
  int document = 0;
  if (!request.document.empty()) {
    document = ::open(request.document.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (document < 0) {
      std::fprintf(stderr, "ERROR: cannot open the document %s\n", request.document.c_str());
      return kBackendFailed;
    }
  }
  if (!request.refusal.empty()) {
    std::fprintf(stderr, "ERROR: %s; the job is held\n", request.refusal.c_str());
    return kBackendHold;
  }
  UserAccount account;
  if (!LookUpUser(request.user, &account, &error) || !IsPersonAccount(account, &error)) {
    std::fprintf(stderr, "ERROR: %s; the job is held\n", error.c_str());
    return kBackendHold;
  }
  if (::geteuid() == 0) {
    if (!BecomeUser(account, &error)) {
      std::fprintf(stderr, "ERROR: %s; the job is held\n", error.c_str());
      return kBackendHold;
    }
  } else if (::geteuid() != account.uid) {
    std::fprintf(stderr,
                 "ERROR: the qid backend runs as user %u and cannot write for %s: install it "
                 "with mode 0700 so that CUPS starts it as root\n",
                 unsigned(::geteuid()), account.name.c_str());
    return kBackendStop;
  }
  if (!CheckHomeFolder(account, &error)) {
    std::fprintf(stderr, "ERROR: %s; the job is held\n", error.c_str());
    return kBackendHold;
  }
  return RunBackendJob(request, account, document, stderr);
}

}  // namespace
}  // namespace qid::cups

int main(int argc, char** argv) { return qid::cups::Run(argc, argv); }
