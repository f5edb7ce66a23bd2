#include "cups/host/backend_job.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace qid::cups {
namespace {

// mkdir -p below an existing folder, as the current (already switched) user: a link a user
// planted in their own tree is theirs to follow.
bool MakeFolders(const std::string& folder, std::string* error) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i != folder.size() && folder[i] != '/') continue;
    std::string part = folder.substr(0, i);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = "cannot create the folder " + part + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

bool CopyDocument(int from, const std::string& to, std::string* error) {
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) {
    *error = "cannot create " + to + ": " + std::strerror(errno);
    return false;
  }
  std::vector<char> block(1 << 16);
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(from, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, block.data() + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  if (::close(out) != 0) ok = false;
  if (!ok) *error = "cannot copy the document to " + to + ": " + std::strerror(errno);
  return ok;
}

// Starts qiddriver in its own process group with output to `log_path` and waits at most
// `timeout_seconds`; a run past that is ended (TERM, then KILL) and reported as timed out.
bool RunDriver(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& log_path, uint32_t timeout_seconds, int* status,
               bool* timed_out, std::string* error) {
  *timed_out = false;
  int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (log < 0) {
    *error = "cannot create " + log_path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<char*> args, envp;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) {
    *error = std::string("cannot start qiddriver: ") + std::strerror(errno);
    ::close(log);
    return false;
  }
  if (pid == 0) {
    ::setpgid(0, 0);
    int null_in = ::open("/dev/null", O_RDONLY);
    if (null_in >= 0) ::dup2(null_in, 0);
    ::dup2(log, 1);
    ::dup2(log, 2);
    ::execve(args[0], args.data(), envp.data());
    std::fprintf(stderr, "cannot start %s: %s\n", args[0], std::strerror(errno));
    ::_exit(127);
  }
  ::close(log);
  ::setpgid(pid, pid);
  const long long limit_ms = static_cast<long long>(timeout_seconds) * 1000;
  long long waited_ms = 0, kill_at_ms = -1;
  for (;;) {
    pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0 && errno != EINTR) {
      *error = std::string("cannot wait for qiddriver: ") + std::strerror(errno);
      return false;
    }
    if (waited_ms >= limit_ms && kill_at_ms < 0) {
      *timed_out = true;
      ::kill(-pid, SIGTERM);
      kill_at_ms = waited_ms + 5000;
    }
    if (kill_at_ms >= 0 && waited_ms >= kill_at_ms) ::kill(-pid, SIGKILL);
    struct timespec pause = {0, 100 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
    waited_ms += 100;
  }
}

// Passes qiddriver's lines on to CUPS's log and returns its own last complaint ("qiddriver: ..."),
// which names what went wrong.
std::string ForwardLog(const std::string& log_path, const char* level, FILE* cups_log) {
  std::ifstream in(log_path);
  std::string line, complaint;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::fprintf(cups_log, "%s: %s\n", level, line.c_str());
    if (line.compare(0, 11, "qiddriver: ") == 0) complaint = line.substr(11);
  }
  return complaint;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (struct dirent* e = ::readdir(dir)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  return names;
}

// The job's title as a file name qiddriver can pass on: Q71File reduces it further.
std::string TitleForDocName(const std::string& title) {
  std::string name = title.empty() ? "document" : title;
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20) c = '_';
  return name;
}

}  // namespace

int RunBackendJob(const BackendRequest& request, const UserAccount& account, int document_fd,
                  FILE* cups_log) {
  std::string error;
  const std::string root = account.home + "/.local/share/qid";
  const std::string spool = root + "/spool";
  if (!MakeFolders(spool, &error)) {
    std::fprintf(cups_log, "ERROR: %s\n", error.c_str());
    return kBackendHold;
  }
  std::string pattern = spool + "/job-" + request.job_id + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back(0);
  if (::mkdtemp(name.data()) == nullptr) {
    std::fprintf(cups_log, "ERROR: cannot create a job folder in %s: %s\n", spool.c_str(),
                 std::strerror(errno));
    return kBackendHold;
  }
  const std::string folder = name.data();
  const std::string document = folder + "/document";
  if (!CopyDocument(document_fd, document, &error)) {
    std::fprintf(cups_log, "ERROR: %s\n", error.c_str());
    return kBackendHold;
  }
  const std::string log_path = folder + "/qiddriver.log";
  std::vector<std::string> argv = {
      request.program_folder + "/qiddriver", "--q71file", request.program_folder + "/Q71File",
      "--tmp", folder, "--render", RenderingName(request.rendering), "--doc-name",
      TitleForDocName(request.title), "--timeout", std::to_string(request.timeout_seconds),
      "--data-mode", request.jpeg_pages ? "0" : "1", document};
  std::vector<std::string> env = {
      "HOME=" + account.home, "USER=" + account.name, "LOGNAME=" + account.name,
      "PATH=/usr/local/bin:/usr/bin:/bin", "LANG=C.UTF-8", "QID_ROOT=" + root,
      "QID_TRACE=" + folder + "/trace.log", "TMPDIR=" + folder};
  std::fprintf(cups_log, "INFO: printing job %s for %s into image files\n",
               request.job_id.c_str(), account.name.c_str());
  std::fflush(cups_log);
  int status = 0;
  bool timed_out = false;
  // The driver gets the rest of the budget after its own wait, so its own message wins.
  if (!RunDriver(argv, env, log_path, request.timeout_seconds + 30, &status, &timed_out,
                 &error)) {
    std::fprintf(cups_log, "ERROR: %s\n", error.c_str());
    std::fprintf(cups_log, "ERROR: the job is kept in %s\n", folder.c_str());
    return kBackendHold;
  }
  const bool done = !timed_out && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  // Only the summary below is an ERROR line: CUPS shows the first one as the job's state.
  const std::string complaint = ForwardLog(log_path, done ? "INFO" : "DEBUG", cups_log);
  if (done) {
    ::unlink(document.c_str());
    ::unlink(log_path.c_str());
    ::unlink((folder + "/trace.log").c_str());
    ::unlink((folder + "/DONE_ZEL.TIF").c_str());
    ::unlink((folder + "/QIDJOBS.LCK").c_str());  // Q71File's job lock, held only while it ran
    if (FilesIn(folder).empty()) ::rmdir(folder.c_str());
    std::fprintf(cups_log, "INFO: job %s written\n", request.job_id.c_str());
    return kBackendOk;
  }
  std::string why = timed_out ? "qiddriver did not finish within " +
                                   std::to_string(request.timeout_seconds + 30) + " s"
                             : complaint.empty() ? "qiddriver failed" : complaint;
  std::fprintf(cups_log, "ERROR: not written: %s; the job is held and its files are in %s\n",
               why.c_str(), folder.c_str());
  return kBackendHold;
}

}  // namespace qid::cups
