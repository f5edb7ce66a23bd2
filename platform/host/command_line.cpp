#include "platform/host/command_line.h"

#include "common/bounded_string.h"

namespace qid {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitWindowsCommandLine(const std::string& full_line) {
  std::string_view line = UpToNul(full_line);
  std::vector<std::string> words;
  if (line.empty()) return words;

  size_t i = 0;
  const size_t n = line.size();

  // The program name must be a path: quotes only group, backslashes are path separators.
  std::string program;
  bool quoted = false;
  for (; i < n; ++i) {
    char c = line[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (IsBlank(c) && !quoted) {
      break;
    } else {
      program.push_back(c);
    }
  }
  words.push_back(std::move(program));

  while (true) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string word;
    quoted = false;
    while (i < n) {
      char c = line[i];
      if (c == '\\') {
        size_t run = 0;
        while (i < n && line[i] == '\\') {
          ++run;
          ++i;
        }
        if (i < n && line[i] == '"') {
          word.append(run / 2, '\\');
          if (run % 2 == 1) {
            word.push_back('"');
            ++i;
          }
          // An even run leaves the quote to the next round, where it groups.
        } else {
          word.append(run, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          word.push_back('"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      if (IsBlank(c) && !quoted) break;
      word.push_back(c);
      ++i;
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace qid
