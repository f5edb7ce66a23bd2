// Handing a job to Q71File and waiting until it is done, as the driver side does at the end of
// every job: start the program with the job path as its whole command line and the job's
// variables in its environment, then wait for the done marker to appear.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qid::driver {

struct JobLaunch {
  std::string program;       // Q71File
  std::string job_path;      // its one argument, passed as it is
  std::vector<std::pair<std::string, std::string>> set_env;
  std::vector<std::string> unset_env;
  std::string done_marker;   // host path of TMP\DONE_ZEL.TIF
  uint32_t timeout_ms = 120000;
  // Set (to the signal's number) when the job is to be stopped, e.g. by a signal handler.
  const volatile std::sig_atomic_t* stop = nullptr;
};

enum class JobOutcome {
  kDone,                // the marker appeared
  kNotStarted,          // the program could not be started
  kEndedWithoutMarker,  // the program ended and left no marker: the job was not finished
  kTimedOut,            // no marker within the time; the program and its group were ended
  kStopped,             // *stop was set before the marker came; the program was ended
};

struct JobResult {
  JobOutcome outcome = JobOutcome::kNotStarted;
  double seconds = 0;        // from the start to the marker (or to giving up)
  bool exited = false;       // whether the program's end was seen
  int wait_status = 0;       // its waitpid status when it was
  long pid = 0;
  std::string message;       // one line for the user when the outcome is not kDone
};

// Removes a marker left by an earlier job (it would end the wait at once), starts the program
// in a process group of its own and waits. After the marker appears the program is given the
// rest of the time to end, so that its clean-up (the job file's deletion) is finished when
// this returns. Without a marker in time, or when stopped, the program and everything it
// started (an Output Application) are ended before this returns: nothing of the job writes
// on after the caller gives up.
JobResult RunQ71File(const JobLaunch& launch);

}  // namespace qid::driver
