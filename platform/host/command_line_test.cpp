#include "platform/host/command_line.h"

#include <gtest/gtest.h>

namespace qid {
namespace {

using Words = std::vector<std::string>;

// The documented examples of how a Windows program splits its command line, after a program
// name.
TEST(SplitWindowsCommandLineTest, DocumentedArgumentRules) {
  struct Case {
    const char* line;
    Words args;
  };
  const Case cases[] = {
      {R"("a b c" d e)", {"a b c", "d", "e"}},
      {R"("ab\"c" "\\" d)", {"ab\"c", "\\", "d"}},
      {R"(a\\\b d"e f"g h)", {"a\\\\\\b", "de fg", "h"}},
      {R"(a\\\"b c d)", {"a\\\"b", "c", "d"}},
      {R"(a\\\\"b c" d e)", {"a\\\\b c", "d", "e"}},
      {R"(a"b"" c d)", {"ab\" c d"}},
      // An empty quoted argument is an argument; blanks and tabs between words are one gap.
      {"a \"\" \t b  ", {"a", "", "b"}},
      // A trailing backslash run without a quote is literal.
      {R"(C:\dir\ x\\)", {"C:\\dir\\", "x\\\\"}},
      // An unterminated quote ends with the line.
      {R"("open ended)", {"open ended"}},
      {R"(x"y z)", {"xy z"}},
  };
  for (const Case& c : cases) {
    Words expected = {"prog"};
    expected.insert(expected.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(SplitWindowsCommandLine(std::string("prog ") + c.line), expected) << c.line;
  }
}

TEST(SplitWindowsCommandLineTest, ProgramNameIsAPath) {
  // Quotes group and are removed; backslashes before a quote are not escapes here.
  EXPECT_EQ(SplitWindowsCommandLine(R"("C:\Program Files\view.exe" "C:\ZEL\TEST.TIF")"),
            (Words{"C:\\Program Files\\view.exe", "C:\\ZEL\\TEST.TIF"}));
  EXPECT_EQ(SplitWindowsCommandLine(R"(C:\Tools\view.exe "C:\ZEL\TEST.TIF")"),
            (Words{"C:\\Tools\\view.exe", "C:\\ZEL\\TEST.TIF"}));
  EXPECT_EQ(SplitWindowsCommandLine(R"(C:\a" b"\c.exe x)"), (Words{"C:\\a b\\c.exe", "x"}));
  EXPECT_EQ(SplitWindowsCommandLine(R"("C:\dir\\" x)"), (Words{"C:\\dir\\\\", "x"}));
  EXPECT_EQ(SplitWindowsCommandLine("prog\tx"), (Words{"prog", "x"}));
}

TEST(SplitWindowsCommandLineTest, EdgesOfTheLine) {
  EXPECT_EQ(SplitWindowsCommandLine(""), Words{});
  // A leading blank makes the program name empty.
  EXPECT_EQ(SplitWindowsCommandLine(" prog x"), (Words{"", "prog", "x"}));
  EXPECT_EQ(SplitWindowsCommandLine("prog"), Words{"prog"});
  EXPECT_EQ(SplitWindowsCommandLine("prog   "), Words{"prog"});
  EXPECT_EQ(SplitWindowsCommandLine(std::string("prog a\0b", 8)), (Words{"prog", "a"}));
}

}  // namespace
}  // namespace qid
