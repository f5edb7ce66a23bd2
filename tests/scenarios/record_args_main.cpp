// record_args.exe: the Output Application of the Wine scenarios. Appends one line per call to
// the file named by its first argument: "<count>: [arg]..." for the arguments after it, as
// the C runtime split the command line, so a path that arrived unquoted shows as several.
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: record_args.exe LOGFILE [ARG]...\n");
    return 2;
  }
  std::FILE* log = std::fopen(argv[1], "ab");
  if (log == nullptr) {
    std::fprintf(stderr, "record_args: cannot open %s\n", argv[1]);
    return 1;
  }
  std::fprintf(log, "%d:", argc - 2);
  for (int i = 2; i < argc; ++i) std::fprintf(log, " [%s]", argv[i]);
  std::fprintf(log, "\n");
  return std::fclose(log) == 0 ? 0 : 1;
}
