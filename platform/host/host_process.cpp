#include "platform/host/host_process.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/host/command_line.h"
#include "platform/host/host_file_system.h"

extern char** environ;

namespace qid {
namespace {

class HostProcess : public Process {
 public:
  explicit HostProcess(pid_t pid) : pid_(pid) {}

  // Reaps a child that has already ended; one still running goes on and is reaped by the
  // system when this process ends.
  ~HostProcess() override {
    if (!reaped_) {
      int status = 0;
      ::waitpid(pid_, &status, WNOHANG);
    }
  }

  ErrorCode Wait(uint32_t timeout_ms, uint32_t* exit_code) override {
    if (!reaped_) {
      ErrorCode err = timeout_ms == kWaitForever ? WaitBlocking() : WaitPolling(timeout_ms);
      if (err != kSuccess) return err;
    }
    if (exit_code != nullptr) *exit_code = exit_code_;
    return kSuccess;
  }

 private:
  ErrorCode WaitBlocking() {
    int status = 0;
    while (true) {
      pid_t r = ::waitpid(pid_, &status, 0);
      if (r == pid_) return Reaped(status);
      if (r < 0 && errno != EINTR) return kErrInvalidHandle;
    }
  }

  // waitpid has no time limit of its own: look, then sleep a little, until the deadline.
  ErrorCode WaitPolling(uint32_t timeout_ms) {
    const uint64_t deadline = NowNs() + uint64_t(timeout_ms) * 1000000u;
    uint64_t nap_ms = 1;
    while (true) {
      int status = 0;
      pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) return Reaped(status);
      if (r < 0 && errno != EINTR) return kErrInvalidHandle;
      uint64_t now = NowNs();
      if (now >= deadline) return kErrWaitTimeout;
      uint64_t sleep_ns = std::min<uint64_t>(nap_ms * 1000000u, deadline - now);
      struct timespec ts = {static_cast<time_t>(sleep_ns / 1000000000u),
                            static_cast<long>(sleep_ns % 1000000000u)};
      ::nanosleep(&ts, nullptr);
      if (nap_ms < 10) nap_ms *= 2;
    }
  }

  ErrorCode Reaped(int status) {
    reaped_ = true;
    if (WIFEXITED(status))
      exit_code_ = static_cast<uint32_t>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
      exit_code_ = 128u + static_cast<uint32_t>(WTERMSIG(status));
    return kSuccess;
  }

  // Nanoseconds, so that a wait never ends short of its timeout by a rounding.
  static uint64_t NowNs() {
    struct timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
  }

  pid_t pid_;
  bool reaped_ = false;
  uint32_t exit_code_ = 0;
};

bool IsWindowsPath(const std::string& name) {
  bool drive = name.size() >= 2 && name[1] == ':' &&
               ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
  return drive || name.find('\\') != std::string::npos;
}

// Whether `path` names a file this process may execute.
ErrorCode CheckProgram(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    switch (errno) {
      case ENOENT: case ENOTDIR: return kErrFileNotFound;
      case ENAMETOOLONG: return kErrFilenameTooLong;
      case EACCES: return kErrAccessDenied;
      default: return ErrnoToError(errno);
    }
  }
  if (S_ISDIR(st.st_mode)) return kErrAccessDenied;
  if (!S_ISREG(st.st_mode)) return kErrFileNotFound;
  return ::access(path.c_str(), X_OK) == 0 ? kSuccess : kErrAccessDenied;
}

std::string SearchPath() {
  if (const char* path = std::getenv("PATH")) return path;
  size_t n = ::confstr(_CS_PATH, nullptr, 0);
  std::string fallback(n, '\0');
  if (n > 0) {
    ::confstr(_CS_PATH, fallback.data(), n);
    fallback.resize(n - 1);
  }
  return fallback;
}

// The spawn's own error in the contract's terms: a file that cannot be executed is "no
// program", as on Windows.
ErrorCode SpawnError(int err) {
  switch (err) {
    case ENOENT: case ENOTDIR: case ENOEXEC: case ELOOP: return kErrFileNotFound;
    case EACCES: case EPERM: case EISDIR: case ETXTBSY: return kErrAccessDenied;
    case E2BIG: case ENAMETOOLONG: return kErrFilenameTooLong;
    default: return ErrnoToError(err);
  }
}

// Spawn attributes and file actions that give the child a clean start.
class SpawnSetup {
 public:
  SpawnSetup() {
    ok_ = ::posix_spawnattr_init(&attr_) == 0;
    if (!ok_) return;
    actions_ok_ = ::posix_spawn_file_actions_init(&actions_) == 0;
    ok_ = actions_ok_;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    ok_ = ok_ && ::posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
          ::posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
          ::posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Windows children inherit no handles; descriptors beyond the standard three stay here.
    ok_ = ok_ && ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
#endif
  }
  ~SpawnSetup() {
    if (actions_ok_) ::posix_spawn_file_actions_destroy(&actions_);
    ::posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  bool ok() const { return ok_; }
  posix_spawnattr_t* attr() { return &attr_; }
  posix_spawn_file_actions_t* actions() { return &actions_; }

 private:
  posix_spawnattr_t attr_;
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
  bool actions_ok_ = false;
};

}  // namespace

ErrorCode HostProcesses::ResolveProgram(const std::string& program, std::string* path) const {
  if (program.empty()) return kErrFileNotFound;
  if (IsWindowsPath(program)) {
    std::string host;
    if (files_ != nullptr) {
      host = files_->HostPath(program);
    } else {
      host = program;
      for (char& c : host)
        if (c == '\\') c = '/';
    }
    ErrorCode err = CheckProgram(host);
    if (err == kSuccess) *path = host;
    return err;
  }
  if (program.find('/') != std::string::npos) {
    ErrorCode err = CheckProgram(program);
    if (err == kSuccess) *path = program;
    return err;
  }
  // As execvp: the first executable file along PATH; an empty entry is the current folder.
  // A file found without execute permission is remembered in case nothing better comes.
  std::string search = SearchPath();
  ErrorCode result = kErrFileNotFound;
  size_t start = 0;
  while (start <= search.size()) {
    size_t colon = search.find(':', start);
    if (colon == std::string::npos) colon = search.size();
    std::string dir = search.substr(start, colon - start);
    std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
    ErrorCode err = CheckProgram(candidate);
    if (err == kSuccess) {
      *path = candidate;
      return kSuccess;
    }
    if (err != kErrFileNotFound) result = err;
    start = colon + 1;
  }
  return result;
}

ErrorCode HostProcesses::StartProcess(const std::string& command_line,
                                      std::unique_ptr<Process>* process) {
  if (command_line.size() > kMaxHostCommandLine) return kErrFilenameTooLong;
  std::vector<std::string> words = SplitWindowsCommandLine(command_line);
  if (words.empty() || words[0].empty()) return kErrFileNotFound;

  // Looked up first: spawning may only report a missing program once the child has run.
  std::string program;
  ErrorCode err = ResolveProgram(words[0], &program);
  if (err != kSuccess) return err;

  // The child sees its own host path as its name, as a POSIX program expects.
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (size_t i = 1; i < words.size(); ++i) argv.push_back(words[i].data());
  argv.push_back(nullptr);

  SpawnSetup setup;
  if (!setup.ok()) return kErrNotEnoughMemory;
  pid_t pid = 0;
  int spawned = ::posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attr(), argv.data(),
                               environ);
  if (spawned != 0) return SpawnError(spawned);
  *process = std::make_unique<HostProcess>(pid);
  return kSuccess;
}

}  // namespace qid
