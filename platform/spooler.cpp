#include "platform/spooler.h"

namespace qid {

std::vector<std::u16string> SplitNameList(const std::u16string& list) {
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(u'\0', start);
    if (end == std::u16string::npos) end = list.size();
    if (end == start) break;  // the empty name ends the list
    names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

}  // namespace qid
