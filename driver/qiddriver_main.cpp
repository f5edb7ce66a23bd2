// qiddriver: the driver side on the host. Turns documents into a job file, starts Q71File on
// it and waits for the done marker. See DriverUsage() for the command line.
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/driver_options.h"
#include "driver/host/q71file_run.h"
#include "driver/host/render.h"
#include "driver/job_file.h"
#include "driver/stored_settings.h"
#include "driver/tiff_pages.h"
#include "imagewriter/writer_context.h"
#include "platform/host/host_file_system.h"
#include "platform/host/host_parts.h"
#include "platform/host/host_registry.h"

namespace qid::driver {
namespace {

enum ExitCode { kExitDone = 0, kExitBadInput = 1, kExitNotStarted = 2, kExitNoMarker = 3,
                kExitTimedOut = 4, kExitJobKept = 5 };

// The signal that asks the job to stop (SIGTERM from a print queue's cancel, SIGINT from the
// terminal); Q71File runs in a process group of its own and is ended by RunQ71File.
volatile std::sig_atomic_t g_stop_signal = 0;

void NoteStop(int signal) { g_stop_signal = signal; }

void StopOnSignals() {
  struct sigaction action = {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "qiddriver: %s\n", message.c_str());
  return code;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; the job's folder and the marker's folder must exist before Q71File runs.
bool MakeFolders(const std::string& folder, std::string* error) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i != folder.size() && folder[i] != '/') continue;
    std::string part = folder.substr(0, i);
    struct stat st;
    if (::stat(part.c_str(), &st) == 0) continue;
    if (::mkdir(part.c_str(), 0777) != 0) {
      *error = "cannot create the folder " + part;
      return false;
    }
  }
  return true;
}

// A new folder (or, with `file`, an empty file) of its own under $TMPDIR, else /tmp, named
// "<name>.XXXXXX". False with *error.
bool MakeTemp(const char* name, bool file, std::string* path, std::string* error) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmpdir != nullptr && *tmpdir ? tmpdir : "/tmp") + "/" + name + ".XXXXXX";
  std::vector<char> text(pattern.begin(), pattern.end());
  text.push_back(0);
  int fd = file ? ::mkstemp(text.data()) : -1;
  if (file ? fd < 0 : ::mkdtemp(text.data()) == nullptr) {
    *error = std::string("cannot make ") + (file ? "a file " : "a folder ") + pattern;
    return false;
  }
  if (fd >= 0) ::close(fd);
  *path = text.data();
  return true;
}

// Pages of one input: a TIFF as it is, PDF or PostScript through Ghostscript.
bool LoadInput(const std::string& input, Rendering rendering, bool quiet,
               std::vector<TiffPage>* pages, std::string* error) {
  InputKind kind;
  if (!DetectInputKind(input, &kind, error)) return false;
  if (kind == InputKind::kTiff) return LoadTiffPages(input, pages, error);
  if (kind == InputKind::kUnknown) {
    *error = input + " is neither a TIFF, a PDF nor a PostScript file";
    return false;
  }
  std::string folder;
  if (!MakeTemp("qiddriver-render", false, &folder, error)) return false;
  std::string rendered = folder + "/pages.tif";
  // A PostScript program's pages are known only once it has run: as a PDF first, the
  // document shows "page n of N" while it renders.
  std::string document = input;
  if (kind == InputKind::kPostScript) document = folder + "/document.pdf";
  RenderProgress progress;
  if (!quiet)
    progress = [](int page, int total) {
      if (total > 0) std::fprintf(stderr, "qiddriver: rendering page %d of %d\n", page, total);
      else std::fprintf(stderr, "qiddriver: rendering page %d\n", page);
    };
  bool ok = (document == input || DistillPostScript(input, document, error)) &&
            RenderDocument(document, rendering, rendered, progress, error) &&
            LoadTiffPages(rendered, pages, error);
  // Scratch files: one left behind in TMPDIR costs nothing but space.
  (void)::unlink(rendered.c_str());
  if (document != input) (void)::unlink(document.c_str());
  (void)::rmdir(folder.c_str());
  return ok;
}

// A file through which Q71File tells the driver side one thing a line: its results
// ($QID_RESULTS, host paths) or notices for the user ($QID_NOTICES); removed with this object.
class ListFile {
 public:
  explicit ListFile(const char* name) : name_(name) {}
  ListFile(const ListFile&) = delete;
  ListFile& operator=(const ListFile&) = delete;
  ~ListFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }

  bool Create(std::string* error) { return MakeTemp(name_, true, &path_, error); }
  const std::string& path() const { return path_; }

  // Each line after `prefix`, on `out`.
  void Print(FILE* out, const char* prefix) const {
    FILE* list = std::fopen(path_.c_str(), "r");
    if (list == nullptr) return;
    char line[8192];
    while (std::fgets(line, sizeof line, list) != nullptr) std::fprintf(out, "%s%s", prefix, line);
    std::fclose(list);
    std::fflush(out);
  }

 private:
  const char* name_;
  std::string path_;
};

// The job's private folder once nothing in it matters: the marker goes, and the folder only
// when nothing else is left in it.
void RemovePrivateFolder(const std::string& folder, const std::string& marker) {
  if (folder.empty()) return;
  ::unlink(marker.c_str());
  ::unlink((folder + "/QIDJOBS.LCK").c_str());  // Q71File's job lock, held only while it ran
  ::rmdir(folder.c_str());
}

// Jobs of one root take turns from rendering to the end of Q71File's run, and a job that has
// to wait says so. (Q71File's own lock in the root guards only names and counters.) Held
// until the process ends.
bool WaitForOtherJobs(const std::string& root, bool quiet, std::string* error) {
  std::string folder_error;
  if (!MakeFolders(root, &folder_error)) {
    *error = folder_error;
    return false;
  }
  const std::string path = root + "/qiddriver.lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (!quiet) std::fprintf(stderr, "qiddriver: waiting for another job of %s\n", root.c_str());
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      *error = "cannot lock " + path + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

// Q71File next to this program (the build puts both in one folder), else on PATH.
std::string DefaultQ71File() {
  char self[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = 0;
    std::string candidate = FolderOf(self) + "/Q71File";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "Q71File";
}

// The file Q71File traces into, when it is one ($QID_TRACE other than "-").
std::string TraceFile() {
  const char* trace = std::getenv("QID_TRACE");
  return trace != nullptr && *trace != 0 && std::string(trace) != "-" ? trace : "";
}

long long FileSize(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// Why Q71File kept a job: the lines of this run's trace that say so.
std::string KeptReason(const std::string& trace_path, long long start) {
  if (trace_path.empty()) return " (set QID_TRACE to a file to see why)";
  FILE* trace = std::fopen(trace_path.c_str(), "r");
  if (trace == nullptr) return "";
  std::fseek(trace, static_cast<long>(start), SEEK_SET);
  std::string reason;
  char line[1100];
  while (std::fgets(line, sizeof line, trace) != nullptr) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.find("kept") != std::string::npos || text.find("ERROR") != std::string::npos ||
        text.find("not written") != std::string::npos || text.find("refus") != std::string::npos)
      reason += "\n  " + text;
  }
  std::fclose(trace);
  if (reason.empty()) return " (the trace " + trace_path + " says more)";
  return "; the trace says:" + reason;
}

// Where the pages of a job that was ended before its marker are.
std::string KeptJobNote(const std::string& job_host) {
  if (::access(job_host.c_str(), F_OK) == 0) return "; the job file is kept: " + job_host;
  return "; the job file is gone (see the results above)";
}

const char* LayoutName(JobLayout layout) {
  return layout == JobLayout::kSplit ? "split" : "document";
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", s);
  return text;
}

// Step 2: the job's layout: as given, else what Q71File will make of the data mode and the
// stored (or given) Output Mode. False with *error when the choice cannot work.
bool ChooseLayout(DriverOptions& o, const std::string& root, JobSpec* job_spec,
                  std::string* error) {
  if (!o.has_output_mode) {
    HostRegistry registry(root);
    o.output_mode = StoredOutputMode(registry);
  }
  const JobLayout wanted = LayoutFor(o.data_mode, o.output_mode, o.has_print_to_file);
  job_spec->data_mode = o.data_mode;
  job_spec->end_marker = o.end_marker;
  job_spec->layout = o.layout == LayoutChoice::kAuto      ? wanted
                     : o.layout == LayoutChoice::kSplit ? JobLayout::kSplit
                                                        : JobLayout::kDocument;
  if (job_spec->layout != wanted && !o.quiet)
    std::fprintf(stderr,
                 "qiddriver: warning: Output Mode %u with data mode %u makes Q71File %s, but "
                 "the job is written in the %s layout\n",
                 o.output_mode, unsigned(o.data_mode),
                 wanted == JobLayout::kSplit ? "cut the job at page-end markers"
                                             : "take the job as one TIFF",
                 LayoutName(job_spec->layout));
  if (job_spec->end_marker && job_spec->layout == JobLayout::kSplit) {
    *error = "--end-marker is for the document layout";
    return false;
  }
  return true;
}

// Where the job goes: the TMP folder (given, else a private folder made for this job, so that
// no other job's marker can end or block this job's wait) and the job file's product path in
// it.
struct JobPlace {
  JobPlace() = default;
  JobPlace(const JobPlace&) = delete;
  JobPlace& operator=(const JobPlace&) = delete;
  // A private folder left empty (the job went elsewhere, or was never written) is of no use;
  // one that still holds a job file stays.
  ~JobPlace() {
    if (!private_tmp.empty()) (void)::rmdir(private_tmp.c_str());
  }

  std::string tmp;
  std::string private_tmp;  // the folder made for the job, to remove once it is written
  std::string job_path;
};

bool PlaceJob(const DriverOptions& o, JobPlace* out, std::string* error) {
  JobPlace& place = *out;
  place.tmp = o.tmp;
  if (!o.has_tmp) {
    if (!MakeTemp("qiddriver-job", false, &place.private_tmp, error)) return false;
    place.tmp = place.private_tmp;
  }
  const bool host_style = !place.tmp.empty() && place.tmp[0] == '/';
  place.job_path = o.job_path;
  if (place.job_path.empty())
    place.job_path = place.tmp + (host_style ? "/" : "\\") + "qid_job_" +
                     std::to_string(::getpid()) + ".tif";
  return true;
}

// Step 4: what Q71File is started with: the job path and the driver side's variables.
JobLaunch MakeLaunch(const DriverOptions& o, const JobPlace& place, size_t page_count,
                     const std::string& marker_host) {
  JobLaunch launch;
  launch.program = o.q71file.empty() ? DefaultQ71File() : o.q71file;
  launch.job_path = place.job_path;
  launch.done_marker = marker_host;
  launch.timeout_ms = o.timeout_seconds * 1000;
  launch.set_env = {
      {"VEDIZE_DOCNAME", o.has_doc_name ? o.doc_name : BaseName(o.inputs[0])},
      {"VEDIZE_PAGES", o.has_pages ? o.pages : std::to_string(page_count)},
      {"TMP", place.tmp},
  };
  if (o.has_print_to_file) {
    launch.set_env.push_back({"PRINTTOFILE", "1"});
    launch.set_env.push_back({"PTF_NAME", o.print_to_file_name});
  }
  // Q71File's notice that it shows no settings dialog is for a person watching.
  if (o.quiet) launch.set_env.push_back({"QID_QUIET", "1"});
  for (const auto& extra : o.extra_env) launch.set_env.push_back(extra);
  launch.unset_env = o.unset_env;
  return launch;
}

// Step 5: the exit code and message for how the run ended.
int Report(const DriverOptions& o, const JobLaunch& launch, const JobResult& result,
           const JobPlace& place, const std::string& job_host, const std::string& marker_host,
           const std::string& trace_path, long long trace_start) {
  switch (result.outcome) {
    case JobOutcome::kDone:
      if (!o.quiet)
        std::printf("qiddriver: done after %s (marker %s)\n", Seconds(result.seconds).c_str(),
                    marker_host.c_str());
      if (!result.exited)
        std::fprintf(stderr, "qiddriver: note: %s (pid %ld) left the marker but has not ended\n",
                     launch.program.c_str(), result.pid);
      // Q71File deletes the job file once every page is in an output: a job file still there
      // means it kept the job, and its pages with it.
      if (result.exited && ::access(job_host.c_str(), F_OK) == 0)
        return Fail(kExitJobKept, "Q71File did not write the job and kept it: " + job_host +
                                      KeptReason(trace_path, trace_start));
      RemovePrivateFolder(place.private_tmp, marker_host);
      return kExitDone;
    case JobOutcome::kNotStarted:
      // Nobody will read the job: take it away again (the pages are still in the input, so
      // a job left behind is only clutter).
      (void)::unlink(job_host.c_str());
      RemovePrivateFolder(place.private_tmp, marker_host);
      return Fail(kExitNotStarted, result.message + " (job file removed)");
    case JobOutcome::kEndedWithoutMarker:
      // A declined overwrite ends Q71File without a marker, its job file kept.
      if (::access(job_host.c_str(), F_OK) == 0)
        return Fail(kExitJobKept, "Q71File did not write the job and kept it: " + job_host +
                                      KeptReason(trace_path, trace_start));
      return Fail(kExitNoMarker, result.message);
    case JobOutcome::kTimedOut:
      return Fail(kExitTimedOut, result.message + KeptJobNote(job_host));
    case JobOutcome::kStopped:
      return Fail(128 + int(g_stop_signal), result.message + KeptJobNote(job_host));
  }
  return kExitDone;
}

int Run(int argc, char** argv) {
  DriverOptions o;
  std::string error;
  if (!ParseDriverOptions(argc, argv, &o, &error)) return Fail(kExitBadInput, error);
  if (o.help) {
    std::fputs(DriverUsage(), stdout);
    return kExitDone;
  }

  // Step 1: the pages of every input.
  std::vector<TiffPage> pages;
  for (const std::string& input : o.inputs)
    if (!LoadInput(input, o.rendering, o.quiet, &pages, &error)) return Fail(kExitBadInput, error);
  if (o.data_mode == 0 && o.rendering == Rendering::kFax && !o.quiet)
    std::fprintf(stderr, "qiddriver: warning: fax pages cannot become JPEG files; Q71File keeps "
                         "them as TIFF (use --render gray or rgb)\n");

  const std::string root = HostRoot();
  if (!o.write_only && !WaitForOtherJobs(root, o.quiet, &error)) return Fail(kExitBadInput, error);
  HostFileSystem files(root);
  HostRegistry registry(root);
  if (!o.write_only && EnsureSettingsKey(registry) && !o.quiet)
    std::fprintf(stderr, "qiddriver: made the settings key with the defaults in %s\n",
                 registry.HiveFile(Hive::kCurrentUser).c_str());
  JobSpec job_spec;
  if (!ChooseLayout(o, root, &job_spec, &error)) return Fail(kExitBadInput, error);

  // Step 3: the job file, written where Q71File will look for it.
  std::vector<uint8_t> job;
  if (!BuildJobFile(pages, job_spec, &job, &error)) return Fail(kExitBadInput, error);
  JobPlace place;
  if (!PlaceJob(o, &place, &error)) return Fail(kExitBadInput, error);
  const std::string job_host = files.HostPath(place.job_path);
  if (!MakeFolders(FolderOf(job_host), &error) ||
      !WriteBytesToFile(job_host, job, &error))
    return Fail(kExitBadInput, error);
  if (!o.copy_job_to.empty() && !WriteBytesToFile(o.copy_job_to, job, &error))
    return Fail(kExitBadInput, error);
  if (!o.quiet)
    std::printf("qiddriver: job %s: %zu page(s), data mode %u, %s layout, %zu bytes\n",
                place.job_path.c_str(), pages.size(), unsigned(o.data_mode),
                LayoutName(job_spec.layout), job.size());
  if (o.write_only) return kExitDone;

  // The marker's path as Q71File builds it: TMP, a backslash, the name.
  const std::string marker_host = files.HostPath(place.tmp + "\\" + kDoneMarkerName);
  if (!MakeFolders(FolderOf(marker_host), &error)) return Fail(kExitBadInput, error);

  JobLaunch launch = MakeLaunch(o, place, pages.size(), marker_host);
  ListFile results("qiddriver-results"), notices("qiddriver-notices");
  if (!results.Create(&error) || !notices.Create(&error)) return Fail(kExitBadInput, error);
  launch.set_env.push_back({"QID_RESULTS", results.path()});
  launch.set_env.push_back({"QID_NOTICES", notices.path()});
  const std::string trace_path = TraceFile();
  const long long trace_start = FileSize(trace_path);
  std::unique_ptr<JobSettingOverride> pdf_output;
  if (o.has_pdf_output)
    pdf_output.reset(new JobSettingOverride(registry, "PDF Output", o.pdf_output));
  StopOnSignals();
  launch.stop = &g_stop_signal;
  JobResult result = RunQ71File(launch);
  pdf_output.reset();
  results.Print(stdout, "result: ");
  // What went wrong beside the pages (an Output Application that did not start) is said even
  // with --quiet; the job itself is written, so it does not change the exit status.
  notices.Print(stderr, "qiddriver: warning: ");
  return Report(o, launch, result, place, job_host, marker_host, trace_path, trace_start);
}

}  // namespace
}  // namespace qid::driver

int main(int argc, char** argv) { return qid::driver::Run(argc, argv); }
