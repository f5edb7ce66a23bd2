#include "driver/host/q71file_run.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstring>
#include <thread>

#include "driver/host/spawn.h"

namespace qid::driver {
namespace {

using Clock = std::chrono::steady_clock;

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// True when the child has ended (status in *status); never blocks.
bool Ended(pid_t pid, int* status) {
  for (;;) {
    pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0 && errno == EINTR) continue;
    return false;
  }
}

}  // namespace

JobResult RunQ71File(const JobLaunch& launch) {
  JobResult result;
  if (::unlink(launch.done_marker.c_str()) != 0 && errno != ENOENT) {
    result.outcome = JobOutcome::kNotStarted;
    result.message = "cannot remove the done marker of an earlier job, " + launch.done_marker +
                     ": " + std::strerror(errno);
    return result;
  }
  std::vector<std::string> env = ChildEnvironment(launch.set_env, launch.unset_env);
  pid_t pid = 0;
  std::string error;
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::milliseconds(launch.timeout_ms);
  if (!SpawnProgram({launch.program, launch.job_path}, env, &pid, &error, true)) {
    result.outcome = JobOutcome::kNotStarted;
    result.message = error;
    return result;
  }
  result.pid = pid;
  const auto poll = std::chrono::milliseconds(20);
  bool marker = false;
  auto stopped = [&] { return launch.stop != nullptr && *launch.stop != 0; };
  while (Clock::now() < deadline && !stopped()) {
    if (Exists(launch.done_marker)) {
      marker = true;
      break;
    }
    if (Ended(pid, &result.wait_status)) {
      result.exited = true;
      marker = Exists(launch.done_marker);  // it may have come just before the end
      break;
    }
    std::this_thread::sleep_for(poll);
  }
  result.seconds = SecondsSince(start);
  if (marker) {
    result.outcome = JobOutcome::kDone;
    while (!result.exited && Clock::now() < deadline) {
      if (Ended(pid, &result.wait_status)) result.exited = true;
      else std::this_thread::sleep_for(poll);
    }
    return result;
  }
  if (result.exited) {
    result.outcome = JobOutcome::kEndedWithoutMarker;
    result.message = launch.program + " " + DescribeExit(result.wait_status) +
                     " without creating the done marker " + launch.done_marker +
                     ": the job was not finished (see its messages, or its trace in $QID_TRACE)";
    return result;
  }
  const bool stop = stopped();
  EndProcessGroup(pid, 2000, &result.wait_status);
  result.exited = true;
  const std::string ended = launch.program + " (pid " + std::to_string(pid) +
                            ") and what it started were ended";
  if (stop) {
    result.outcome = JobOutcome::kStopped;
    result.message = "stopped by signal " + std::to_string(*launch.stop) + " before the done marker; " + ended;
    return result;
  }
  result.outcome = JobOutcome::kTimedOut;
  char waited[32];
  std::snprintf(waited, sizeof waited, "%.1f s", launch.timeout_ms / 1000.0);
  result.message = "no done marker " + launch.done_marker + " after " + waited + "; " + ended;
  return result;
}

}  // namespace qid::driver
