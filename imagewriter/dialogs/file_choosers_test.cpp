#include "imagewriter/dialogs/file_choosers.h"

#include <gtest/gtest.h>

#include "imagewriter/dialogs/memory_dialog_view.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::TestPlatform;
using Kind = OpenFileRequest::Kind;

class ChoosersTest : public ::testing::Test {
 protected:
  TestPlatform tp;
  WriterContext ctx{tp.platform()};
  Settings& s = ctx.settings;
  MemoryDialogView view;
};

TEST_F(ChoosersTest, ApplicationChosenAtFirstShowing) {
  s.output_application = "C:\\old.exe";
  view.open_file_answers = {std::string("C:\\new.vbs")};
  ChooseApplication(ctx, view);
  EXPECT_EQ("C:\\new.vbs", s.output_application);
  ASSERT_EQ(1u, view.open_file_requests.size());
  const OpenFileRequest& r = view.open_file_requests[0];
  EXPECT_EQ(Kind::kApplication, r.kind);
  EXPECT_EQ("Select Application", r.title);
  EXPECT_EQ("C:\\old.exe", r.initial_file);
  ASSERT_EQ(1u, r.filters.size());
  EXPECT_EQ("Executables (*.exe;*.vbs)", r.filters[0].first);
  EXPECT_EQ("*.exe;*.vbs", r.filters[0].second);
}

TEST_F(ChoosersTest, ApplicationShownAgainEmptyWhenTheFirstGivesNoFile) {
  s.output_application = "C:\\gone.exe";
  view.open_file_answers = {std::nullopt, std::string("C:\\picked.exe")};
  ChooseApplication(ctx, view);
  EXPECT_EQ("C:\\picked.exe", s.output_application);
  ASSERT_EQ(2u, view.open_file_requests.size());
  EXPECT_EQ("", view.open_file_requests[1].initial_file);

  // Cancelled twice: empty.
  view.open_file_answers = {std::nullopt, std::nullopt};
  ChooseApplication(ctx, view);
  EXPECT_EQ("", s.output_application);
  EXPECT_EQ(4u, view.open_file_requests.size());
}

// The buffer holds 260 characters: a pick of up to 259 comes back, and one over the setting's
// 255 is refused without wiping the application already set.
TEST_F(ChoosersTest, ALongApplicationPickKeepsTheApplicationSet) {
  const std::string long_pick = "C:\\" + std::string(252, 'a') + ".exe";  // 259 characters
  s.output_application = "C:\\keep.exe";
  view.open_file_answers = {long_pick};
  ChooseApplication(ctx, view);
  EXPECT_EQ(259u, view.open_file_requests[0].file_capacity);
  EXPECT_EQ(1u, view.open_file_requests.size());
  EXPECT_EQ("C:\\keep.exe", s.output_application);
  EXPECT_TRUE(tp.trace.Contains("application path over 255 characters refused"));
}

TEST_F(ChoosersTest, DestinationFileKeepsTheLastChoice) {
  std::string buffer;
  view.open_file_answers = {std::string("C:\\a\\b.tif"), std::nullopt};
  EXPECT_TRUE(ChooseDestinationFile(ctx, view, &buffer));
  EXPECT_EQ("C:\\a\\b.tif", buffer);
  EXPECT_FALSE(ChooseDestinationFile(ctx, view, &buffer));
  EXPECT_EQ("C:\\a\\b.tif", buffer);
  const OpenFileRequest& r = view.open_file_requests[1];
  EXPECT_EQ(Kind::kDestinationFile, r.kind);
  EXPECT_EQ("Select Destination File", r.title);
  EXPECT_EQ("C:\\a\\b.tif", r.initial_file);
  EXPECT_EQ(1023u, r.file_capacity);
  ASSERT_EQ(2u, r.filters.size());
  EXPECT_EQ("TIFF files (*.tif)", r.filters[0].first);
  EXPECT_EQ("*.*", r.filters[1].second);
}

TEST_F(ChoosersTest, DestinationPathSplitsAtTheLastBackslash) {
  std::string folder = "old", file = "old";
  EXPECT_TRUE(SplitDestinationPath("C:\\Scans\\2026\\out.tif", &folder, &file));
  EXPECT_EQ("C:\\Scans\\2026", folder);
  EXPECT_EQ("out.tif", file);
  EXPECT_TRUE(SplitDestinationPath("bare.tif", &folder, &file));
  EXPECT_EQ("", folder);
  EXPECT_EQ("bare.tif", file);
  EXPECT_TRUE(SplitDestinationPath("C:\\root.tif", &folder, &file));
  EXPECT_EQ("C:", folder);
  // A name that Output File cannot hold changes neither.
  EXPECT_FALSE(SplitDestinationPath("C:\\d\\" + std::string(256, 'n'), &folder, &file));
  EXPECT_EQ("C:", folder);
  EXPECT_EQ("root.tif", file);
}

TEST_F(ChoosersTest, FolderChooserCutsThePlaceholder) {
  s.output_directory = "C:\\ZEL\\";
  view.open_file_answers = {std::string("D:\\Out\\Sub\\FOLDR")};
  EXPECT_TRUE(ChooseOutputFolder(ctx, view));
  EXPECT_EQ("D:\\Out\\Sub\\", s.output_directory);
  const OpenFileRequest& r = view.open_file_requests[0];
  EXPECT_EQ(Kind::kFolder, r.kind);
  EXPECT_EQ("", r.title);
  EXPECT_EQ("FOLDR", r.initial_file);
  EXPECT_EQ("C:\\ZEL\\", r.initial_folder);
  EXPECT_EQ(2u, r.filters.size());

  view.open_file_answers = {std::nullopt};
  EXPECT_FALSE(ChooseOutputFolder(ctx, view));
  EXPECT_EQ("D:\\Out\\Sub\\", s.output_directory);
}

TEST_F(ChoosersTest, FolderFromAPathWithoutThePlaceholderKeepsItsFolder) {
  std::string folder = "unchanged";
  EXPECT_TRUE(FolderFromChooserPath("c:\\out\\foldr", &folder));  // letter case as the dialog gives it
  EXPECT_EQ("c:\\out\\", folder);
  EXPECT_TRUE(FolderFromChooserPath("C:\\FOLDR", &folder));
  EXPECT_EQ("C:\\", folder);
  EXPECT_TRUE(FolderFromChooserPath("C:\\out\\other.tif", &folder));
  EXPECT_EQ("C:\\out\\", folder);
  folder = "unchanged";
  EXPECT_FALSE(FolderFromChooserPath("FOLDR", &folder));
  EXPECT_FALSE(FolderFromChooserPath("C:\\" + std::string(1030, 'd') + "\\FOLDR", &folder));
  EXPECT_EQ("unchanged", folder);
}

}  // namespace
}  // namespace qid
