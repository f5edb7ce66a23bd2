#include "driver/host/render.h"

#include <sys/stat.h>

#include "driver/host/spawn.h"

namespace qid::driver {

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
                    std::string* error) {
  std::vector<std::string> argv = {
      "gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE",
      std::string("-sDEVICE=") + DeviceFor(rendering),
      std::string("-r") + ResolutionFor(rendering),
      "-sOutputFile=" + tiff_path,
      // "--" ends the options: a document name that starts with "-" stays a file name.
      "--", document};
  std::string why;
  if (!RunProgram(argv, &why)) {
    if (why.find("cannot start gs") == 0)
      *error = "Ghostscript (gs) is needed to print PDF or PostScript: " + why +
               " (install the ghostscript package)";
    else
      *error = "Ghostscript could not render " + document + ": " + why;
    return false;
  }
  struct stat st;
  if (::stat(tiff_path.c_str(), &st) != 0 || st.st_size == 0) {
    *error = "Ghostscript rendered no pages from " + document;
    return false;
  }
  return true;
}

}  // namespace qid::driver
