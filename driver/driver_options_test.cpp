#include "driver/driver_options.h"

#include <gtest/gtest.h>

namespace qid::driver {
namespace {

bool Parse(std::vector<const char*> args, DriverOptions* o, std::string* error) {
  args.insert(args.begin(), "qiddriver");
  return ParseDriverOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(DriverOptionsTest, AJobIsDescribedByItsInputsAndOptions) {
  DriverOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--data-mode", "0", "--layout", "split", "--render", "rgb", "--job",
                     "C:\\spool\\job 1.tif", "--doc-name", "C:\\Docs\\report.doc", "--pages",
                     "x7", "--env", "PRINTTOFILE=10", "--env", "EMPTY=", "--timeout", "5",
                     "a.pdf", "--", "-odd-name.tif"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.data_mode, 0);
  EXPECT_EQ(o.layout, LayoutChoice::kSplit);
  EXPECT_EQ(o.rendering, Rendering::kRgb);
  EXPECT_EQ(o.job_path, "C:\\spool\\job 1.tif");
  EXPECT_EQ(o.doc_name, "C:\\Docs\\report.doc");
  EXPECT_EQ(o.pages, "x7");
  ASSERT_EQ(o.extra_env.size(), 2u);
  EXPECT_EQ(o.extra_env[0], std::make_pair(std::string("PRINTTOFILE"), std::string("10")));
  EXPECT_EQ(o.extra_env[1].second, "");
  EXPECT_EQ(o.timeout_seconds, 5u);
  EXPECT_EQ(o.inputs, (std::vector<std::string>{"a.pdf", "-odd-name.tif"}));
  EXPECT_FALSE(o.has_output_mode) << "the stored Output Mode decides unless one is given";
}

TEST(DriverOptionsTest, DefaultsAskForATiffDocumentWithinTwoMinutes) {
  DriverOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"page.tif"}, &o, &error)) << error;
  EXPECT_EQ(o.data_mode, 1);
  EXPECT_EQ(o.layout, LayoutChoice::kAuto);
  EXPECT_EQ(o.rendering, Rendering::kFax);
  EXPECT_EQ(o.timeout_seconds, 120u);
  EXPECT_FALSE(o.has_tmp || o.has_doc_name || o.has_pages || o.has_print_to_file);

  // JPEG pages need grey or colour: data mode 0 renders grey unless told otherwise.
  ASSERT_TRUE(Parse({"--data-mode", "0", "doc.pdf"}, &(o = DriverOptions()), &error)) << error;
  EXPECT_EQ(o.rendering, Rendering::kGray);
  ASSERT_TRUE(Parse({"--data-mode", "0", "--render", "fax", "doc.pdf"}, &(o = DriverOptions()),
                    &error));
  EXPECT_EQ(o.rendering, Rendering::kFax);
}

TEST(DriverOptionsTest, BadCommandLinesAreRefusedSayingWhatIsWrong) {
  struct Case {
    std::vector<const char*> args;
    const char* says;
  } cases[] = {
      {{}, "no input file"},
      {{"--data-mode", "11", "a.tif"}, "--data-mode takes a number from 0 to 10"},
      {{"--data-mode", "-1", "a.tif"}, "--data-mode"},
      {{"--data-mode", "2x", "a.tif"}, "--data-mode"},
      {{"--layout", "pieces", "a.tif"}, "--layout takes auto, document or split"},
      {{"--render", "cmyk", "a.tif"}, "--render takes fax, gray or rgb"},
      {{"--timeout", "0", "a.tif"}, "--timeout"},
      {{"--env", "=x", "a.tif"}, "--env takes NAME=VALUE"},
      {{"--env", "NAME", "a.tif"}, "--env takes NAME=VALUE"},
      {{"--tmp", "", "a.tif"}, "--tmp needs a folder"},
      {{"--frobnicate", "a.tif"}, "unknown option --frobnicate"},
      {{"a.tif", "--job"}, "--job needs a value"},
      {{"--layout", "split", "--end-marker", "a.tif"}, "--end-marker is for the document"},
  };
  for (const Case& c : cases) {
    DriverOptions o;
    std::string error;
    EXPECT_FALSE(Parse(c.args, &o, &error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << "got: " << error;
  }
}

TEST(DriverOptionsTest, HelpNeedsNoInput) {
  DriverOptions o;
  std::string error;
  ASSERT_TRUE(Parse({"--help"}, &o, &error)) << error;
  EXPECT_TRUE(o.help);
  EXPECT_NE(std::string(DriverUsage()).find("usage: qiddriver"), std::string::npos);
}

}  // namespace
}  // namespace qid::driver
