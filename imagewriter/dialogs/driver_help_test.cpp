#include "imagewriter/dialogs/driver_help.h"

#include <gtest/gtest.h>

#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::TestPlatform;

std::vector<uint8_t> Text(const std::string& s, bool terminator = true) {
  return StoredText(terminator ? s + '\0' : s);
}

TEST(DriverHelpTest, HelpFileLiesUnderTheDriverDirectory) {
  EXPECT_EQ("C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\qid_E.chm",
            DriverHelpPath(true, "C:\\windows\\system32\\spool\\drivers\\w32x86"));
  EXPECT_EQ("qid_E.chm", DriverHelpPath(false, "ignored"));

  TestPlatform tp;
  EXPECT_EQ("C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\qid_E.chm",
            DriverHelpFile(tp.spooler));
  tp.spooler.fail["DriverDirectory"] = 1722;  // RPC_S_SERVER_UNAVAILABLE: no spooler running
  EXPECT_EQ("qid_E.chm", DriverHelpFile(tp.spooler));
}

TEST(DriverHelpTest, LibraryFromTheClassKeyThenTheDefault) {
  TestPlatform tp;
  EXPECT_EQ(std::vector<std::string>{"hhctrl.ocx"},
            HtmlHelpLibraries(tp.registry, tp.environment));

  RegistryKeyNode* key = tp.registry.hive(Hive::kClassesRoot).Create(kHtmlHelpClassKey, "", nullptr);
  key->SetValue("", kRegSz, Text("C:\\Sys\\hh.ocx"));
  EXPECT_EQ((std::vector<std::string>{"C:\\Sys\\hh.ocx", "hhctrl.ocx"}),
            HtmlHelpLibraries(tp.registry, tp.environment));

  tp.environment.vars_["SystemRoot"] = "C:\\WINNT";
  key->SetValue("", kRegExpandSz, Text("%SystemRoot%\\System32\\hhctrl.ocx", false));
  EXPECT_EQ("C:\\WINNT\\System32\\hhctrl.ocx",
            HtmlHelpLibraries(tp.registry, tp.environment).front());

  // A plain string is not expanded; a value of another kind or an empty one is ignored.
  key->SetValue("", kRegSz, Text("%SystemRoot%\\x.ocx"));
  EXPECT_EQ("%SystemRoot%\\x.ocx", HtmlHelpLibraries(tp.registry, tp.environment).front());
  key->SetValue("", kRegDword, {1, 0, 0, 0});
  EXPECT_EQ(1u, HtmlHelpLibraries(tp.registry, tp.environment).size());
  key->SetValue("", kRegSz, Text(""));
  EXPECT_EQ(1u, HtmlHelpLibraries(tp.registry, tp.environment).size());
}

TEST(DriverHelpTest, ExpansionKeepsUnknownNamesAsWritten) {
  TestPlatform tp;
  tp.environment.vars_["A"] = "1";
  EXPECT_EQ("1\\1", ExpandEnvironmentText(tp.environment, "%A%\\%A%"));
  EXPECT_EQ("%NOPE%\\1", ExpandEnvironmentText(tp.environment, "%NOPE%\\%A%"));
  EXPECT_EQ("50% off", ExpandEnvironmentText(tp.environment, "50% off"));
  EXPECT_EQ("%%", ExpandEnvironmentText(tp.environment, "%%"));
  EXPECT_EQ("x%A", ExpandEnvironmentText(tp.environment, "x%A"));
}

}  // namespace
}  // namespace qid
