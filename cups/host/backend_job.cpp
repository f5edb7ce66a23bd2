#include "cups/host/backend_job.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace qid::cups {
namespace {

volatile std::sig_atomic_t g_stop = 0;

void NoteStop(int) { g_stop = 1; }

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
    if (n < 0 && errno == EINTR && !g_stop) continue;
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
// `timeout_seconds`; a run past that, or a stop, is ended (TERM, then KILL) and reported as
// timed out or stopped. qiddriver ends Q71File's own group when it is told to stop.
bool RunDriver(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& log_path, uint32_t timeout_seconds, int* status,
               bool* timed_out, bool* stopped, std::string* error) {
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
    if ((waited_ms >= limit_ms || g_stop) && kill_at_ms < 0) {
      *timed_out = !g_stop;
      *stopped = g_stop != 0;
      ::kill(-pid, SIGTERM);
      kill_at_ms = waited_ms + 4000;  // qiddriver needs 2 s at most to end Q71File's group
    }
    if (kill_at_ms >= 0 && waited_ms >= kill_at_ms) ::kill(-pid, SIGKILL);
    struct timespec pause = {0, 100 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
    waited_ms += 100;
  }
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

// What qiddriver said: its last complaint ("qiddriver: ..." with the indented lines that
// follow it, the reason from the trace) and the results it printed.
struct DriverLog {
  std::string complaint;
  int results = 0;
};

// Passes qiddriver's lines on to CUPS's log and sums them up.
DriverLog ForwardLog(const std::string& log_path, const char* level, FILE* cups_log) {
  std::ifstream in(log_path);
  std::string line;
  DriverLog log;
  bool continues = false;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::fprintf(cups_log, "%s: %s\n", level, line.c_str());
    if (line.compare(0, 11, "qiddriver: ") == 0) {
      log.complaint = line.substr(11);
      continues = true;
    } else if (continues && line.compare(0, 2, "  ") == 0) {
      log.complaint += " " + line.substr(2);
    } else {
      continues = false;
      if (line.compare(0, 8, "result: ") == 0) ++log.results;
    }
  }
  return log;
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::ifstream one(a, std::ios::binary), two(b, std::ios::binary);
  if (!one || !two) return false;
  std::istreambuf_iterator<char> end;
  return std::equal(std::istreambuf_iterator<char>(one), end, std::istreambuf_iterator<char>(two),
                    end);
}

// A job held and released runs again in a new folder; once it is written, what the earlier
// runs kept (the same job id and the same document) has no pages left to lose.
void RemoveEarlierRuns(const std::string& spool, const std::string& job_id,
                       const std::string& folder, const std::string& document) {
  const std::string prefix = "job-" + job_id + "-";
  for (const std::string& name : FilesIn(spool)) {
    const std::string earlier = spool + "/" + name;
    if (name.compare(0, prefix.size(), prefix) != 0 || earlier == folder ||
        !SameBytes(earlier + "/document", document))
      continue;
    for (const std::string& file : FilesIn(earlier)) ::unlink((earlier + "/" + file).c_str());
    ::rmdir(earlier.c_str());
  }
}

// The one-line reason a job was not written, for the job's state in CUPS.
std::string NotWrittenReason(const DriverLog& log, bool timed_out, bool stopped,
                             uint32_t budget_seconds) {
  std::string why = stopped     ? "the job was cancelled or the scheduler stopped it"
                    : timed_out ? "qiddriver did not finish within " +
                                      std::to_string(budget_seconds) + " s"
                    : log.complaint.empty() ? "qiddriver failed"
                                            : log.complaint;
  if (why.find("is neither a TIFF, a PDF nor a PostScript file") != std::string::npos) {
    const char* type = std::getenv("CONTENT_TYPE");
    why = std::string("documents of the type ") + (type != nullptr ? type : "sent") +
          " cannot be printed: the queue takes PDF, PostScript, TIFF and what the system's "
          "filters turn into PDF";
  }
  if (log.results > 0)
    why += "; " + std::to_string(log.results) +
           " file(s) were written before it ended (releasing the job writes them again)";
  return why;
}

// The job's title as a file name qiddriver can pass on: Q71File reduces it further.
std::string TitleForDocName(const std::string& title) {
  std::string name = title.empty() ? "document" : title;
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20) c = '_';
  return name;
}

}  // namespace

void StopJobOnSigterm() {
  struct sigaction action = {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
}

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
      "--data-mode", request.jpeg_pages ? "0" : "1"};
  if (request.output == OutputKind::kTiff || request.output == OutputKind::kPdf) {
    argv.push_back("--pdf-output");
    argv.push_back(request.output == OutputKind::kPdf ? "1" : "0");
  }
  argv.push_back(document);
  std::vector<std::string> env = {
      "HOME=" + account.home, "USER=" + account.name, "LOGNAME=" + account.name,
      "PATH=/usr/local/bin:/usr/bin:/bin", "LANG=C.UTF-8", "QID_ROOT=" + root,
      "QID_TRACE=" + folder + "/trace.log", "TMPDIR=" + folder};
  std::fprintf(cups_log, "INFO: printing job %s for %s into image files\n",
               request.job_id.c_str(), account.name.c_str());
  std::fflush(cups_log);
  int status = 0;
  bool timed_out = false, stopped = false;
  // The driver gets the rest of the budget after its own wait, so its own message wins.
  const uint32_t budget = request.timeout_seconds + 30;
  if (!RunDriver(argv, env, log_path, budget, &status, &timed_out, &stopped, &error)) {
    std::fprintf(cups_log, "ERROR: %s\n", error.c_str());
    std::fprintf(cups_log, "ERROR: the job is kept in %s\n", folder.c_str());
    return kBackendHold;
  }
  const bool done = !timed_out && !stopped && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  // Only the summary below is an ERROR line: CUPS shows the first one as the job's state.
  const DriverLog log = ForwardLog(log_path, done ? "INFO" : "DEBUG", cups_log);
  if (done) {
    RemoveEarlierRuns(spool, request.job_id, folder, document);
    ::unlink(document.c_str());
    ::unlink(log_path.c_str());
    ::unlink((folder + "/trace.log").c_str());
    ::unlink((folder + "/DONE_ZEL.TIF").c_str());
    ::unlink((folder + "/QIDJOBS.LCK").c_str());  // Q71File's job lock, held only while it ran
    if (FilesIn(folder).empty()) ::rmdir(folder.c_str());
    std::fprintf(cups_log, "INFO: job %s written\n", request.job_id.c_str());
    return kBackendOk;
  }
  const std::string why = NotWrittenReason(log, timed_out, stopped, budget);
  std::fprintf(cups_log, "ERROR: not written: %s; %s in %s\n", why.c_str(),
               stopped ? "its files are" : "the job is held and its files are", folder.c_str());
  return kBackendHold;
}

}  // namespace qid::cups
