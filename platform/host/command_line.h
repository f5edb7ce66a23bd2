// Splitting a Windows command line into words, as a Windows program sees its argv.
#pragma once

#include <string>
#include <vector>

namespace qid {

// The words of `line` by the documented Windows rules:
// - The first word, the program name, ends at the first blank or tab outside double quotes;
//   its quotes are removed and backslashes are taken literally. A line that starts with a
//   blank gives an empty program name.
// - Later words are separated by blanks and tabs outside quotes. A double quote starts or
//   ends a quoted part; inside a quoted part two double quotes give one literal quote and the
//   part goes on. 2n backslashes before a quote give n backslashes and the quote acts as
//   above; 2n+1 give n backslashes and a literal quote. Other backslashes are literal. A line
//   that ends inside a quoted part ends the last word there.
// The line ends at a NUL character. An empty line gives no words.
std::vector<std::string> SplitWindowsCommandLine(const std::string& line);

}  // namespace qid
