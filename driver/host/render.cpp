#include "driver/host/render.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "driver/host/spawn.h"

namespace qid::driver {
namespace {

// Ghostscript's own progress lines: "Processing pages 1 through 36." and "Page 7".
void ReportProgress(const std::string& line, int* total, const RenderProgress& progress) {
  int first = 0, last = 0, page = 0;
  if (std::sscanf(line.c_str(), "Processing pages %d through %d.", &first, &last) == 2)
    *total = last - first + 1;
  else if (std::sscanf(line.c_str(), "Page %d", &page) == 1 && progress)
    progress(page, *total);
}

// Runs Ghostscript with its standard output read line by line; its messages stay on stderr.
bool RunGhostscript(const std::vector<std::string>& argv, const RenderProgress& progress,
                    std::string* why) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    *why = std::string("cannot start gs: ") + std::strerror(errno);
    return false;
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) {
    *why = std::string("cannot start gs: ") + std::strerror(errno);
    ::close(out[0]);
    ::close(out[1]);
    return false;
  }
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::execvp(args[0], args.data());
    std::fprintf(stderr, "cannot start gs: %s\n", std::strerror(errno));
    ::_exit(127);
  }
  ::close(out[1]);
  FILE* lines = ::fdopen(out[0], "r");
  int total = 0;
  char line[512];
  while (lines != nullptr && std::fgets(line, sizeof line, lines) != nullptr)
    ReportProgress(line, &total, progress);
  if (lines != nullptr) std::fclose(lines);
  else ::close(out[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
    *why = "cannot start gs";
    return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  *why = "gs " + DescribeExit(status);
  return false;
}

std::string GhostscriptFailure(const std::string& document, const char* doing,
                               const std::string& why) {
  if (why.find("cannot start gs") == 0)
    return "Ghostscript (gs) is needed to print PDF or PostScript: " + why +
           " (install the ghostscript package)";
  return std::string("Ghostscript could not ") + doing + " " + document + ": " + why;
}

}  // namespace

const char* DeviceFor(Rendering rendering) {
  switch (rendering) {
    case Rendering::kFax: return "tiffg4";
    case Rendering::kGray: return "tiffgray";
    case Rendering::kRgb: return "tiff24nc";
  }
  return "tiffg4";
}

const char* ResolutionFor(Rendering rendering) {
  return rendering == Rendering::kFax ? "204x196" : "300";
}

bool RenderDocument(const std::string& document, Rendering rendering, const std::string& tiff_path,
                    const RenderProgress& progress, std::string* error) {
  std::vector<std::string> argv = {
      "gs", "-dSAFER", "-dBATCH", "-dNOPAUSE",
      std::string("-sDEVICE=") + DeviceFor(rendering),
      std::string("-r") + ResolutionFor(rendering),
      "-sOutputFile=" + tiff_path};
  // Grey and colour pages are LZW-compressed: the job carries strips as they are, and
  // uncompressed 300 dpi colour pages would make a 36-page document a job of almost 1 GB.
  if (rendering != Rendering::kFax) argv.push_back("-sCompression=lzw");
  // "--" ends the options: a document name that starts with "-" stays a file name.
  argv.push_back("--");
  argv.push_back(document);
  std::string why;
  if (!RunGhostscript(argv, progress, &why)) {
    *error = GhostscriptFailure(document, "render", why);
    return false;
  }
  struct stat st;
  if (::stat(tiff_path.c_str(), &st) != 0 || st.st_size == 0) {
    *error = "Ghostscript rendered no pages from " + document;
    return false;
  }
  return true;
}

bool DistillPostScript(const std::string& document, const std::string& pdf_path,
                       std::string* error) {
  std::string why;
  if (!RunGhostscript({"gs", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                       "-sOutputFile=" + pdf_path, "--", document},
                      RenderProgress(), &why)) {
    *error = GhostscriptFailure(document, "read", why);
    return false;
  }
  return true;
}

}  // namespace qid::driver
