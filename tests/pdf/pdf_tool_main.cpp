// pdf_tool: runs the PDF writer on TIFF files with the host platform, for the validator
// suite and for trying pages by hand.
//
//   pdf_tool [-q QUALITY] OUT.pdf IN.tif [IN.tif ...]
//
// Paths starting with "/" are host paths; "C:\..." maps under the host root ($QID_ROOT).
// Prints "result N" and exits with N, the writer's result.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imagewriter/pdf/pdf_writer.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  int quality = 50;
  int i = 1;
  if (i + 1 < argc && std::strcmp(argv[i], "-q") == 0) {
    quality = std::atoi(argv[i + 1]);
    i += 2;
  }
  if (argc - i < 2) {
    std::fprintf(stderr, "usage: pdf_tool [-q QUALITY] OUT.pdf IN.tif [IN.tif ...]\n");
    return 2;
  }
  qid::Platform& os = qid::SystemPlatform();
  qid::SetTraceSink(os.debug_output);  // $QID_TRACE names where the trace goes
  std::string target = argv[i++];
  std::vector<std::string> sources(argv + i, argv + argc);
  int result = qid::pdf::WritePdf(os, target, sources, quality);
  std::printf("result %d\n", result);
  return result;
}
