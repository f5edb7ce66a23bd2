#include "imagewriter/naming.h"

#include <gtest/gtest.h>

#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::TestPlatform;

class NamingTest : public ::testing::Test {
 protected:
  NamingTest() {
    Settings& s = ctx.settings;
    s.output_directory = "C:\\ZEL";
    s.output_file = "TEST.TIF";
    s.serial_num_digits = 4;
    s.last_serial_number = 7;
  }
  void SetDocumentName(const std::string& name) { tp.environment.vars_["VEDIZE_DOCNAME"] = name; }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
};

// --- ConstructFilename ------------------------------------------------------------------

TEST_F(NamingTest, DocumentAndAppendTargetIsDirectoryPlusOutputFile) {
  for (uint32_t mode : {kModeDocument, kModeAppend}) {
    ctx.settings.output_directory = "C:\\ZEL";
    ctx.settings.output_mode = mode;
    std::string path;
    ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
    EXPECT_EQ(path, "C:\\ZEL\\TEST.TIF");
    EXPECT_EQ(ctx.settings.output_directory, "C:\\ZEL\\") << "the setting gains its backslash";
  }
  // A directory that already ends in a backslash is not given a second one.
  std::string path;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(ctx.settings.output_directory, "C:\\ZEL\\");
  EXPECT_TRUE(tp.trace.Contains("QIF03:  |......Anfang ConstructFilename"));
}

TEST_F(NamingTest, EmptyDirectoryBecomesTheDefaultFolderNotTheRoot) {
  ctx.settings.output_directory.clear();
  ctx.settings.output_mode = kModeDocument;
  std::string path;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(ctx.settings.output_directory, "C:\\ZEL\\");
  EXPECT_EQ(path, "C:\\ZEL\\TEST.TIF");
  EXPECT_TRUE(tp.trace.Contains("Output Directory empty: C:\\ZEL used"));
}

// Titles, prefixes and Output File name one file of the Output Directory, never a file
// elsewhere, a stream or a device.
TEST_F(NamingTest, NamePartsStayInTheOutputDirectory) {
  struct Row {
    uint32_t mode;
    const char* title;   // Use Source Name when set
    const char* prefix;  // Serial Prefix String
    const char* output_file;
    const char* expected;
  } rows[] = {
      {kModeSerialization, "../../../victim.doc", "", "", "C:\\ZEL\\victim0007.tif"},
      {kModeSerialization, "..\\..\\victim.doc", "", "", "C:\\ZEL\\victim0007.tif"},
      {kModeSerialization, nullptr, "../up", "", "C:\\ZEL\\up0007.TIF"},
      {kModeSerialization, "Re: plan?.doc", "", "", "C:\\ZEL\\Re_ plan_0007.tif"},
      {kModeAppend, nullptr, "", "..", "C:\\ZEL\\__"},
      {kModeDocument, nullptr, "", "..\\..\\victim.tif", "C:\\ZEL\\victim.tif"},
      {kModeDocument, nullptr, "", "NUL.tif", "C:\\ZEL\\_NUL.tif"},
      {kModeAppend, nullptr, "", "com1.TIF", "C:\\ZEL\\_com1.TIF"},
      {kModeDocument, nullptr, "", "aux", "C:\\ZEL\\_aux"},
      {kModeDocument, nullptr, "", "CONSOLE.tif", "C:\\ZEL\\CONSOLE.tif"},
      {kModeDocument, nullptr, "", "a:b.tif", "C:\\ZEL\\a_b.tif"},
  };
  for (const Row& row : rows) {
    Settings& s = ctx.settings;
    s.output_mode = row.mode;
    s.use_source_name = row.title != nullptr;
    s.serial_prefix_string = row.prefix;
    s.output_file = row.output_file;
    if (row.title != nullptr) SetDocumentName(row.title);
    std::string path;
    ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity)) << row.expected;
    EXPECT_EQ(path, row.expected);
  }
  // A device name from the document file name rule is made safe when the target is built.
  ctx.settings.output_mode = kModeDocument;
  ctx.settings.use_source_name = 1;
  SetDocumentName("NUL.doc");
  ApplyDocumentFileNameRule(ctx);
  std::string path;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\_NUL.tif");
}

TEST_F(NamingTest, OtherOutputModesBuildNothing) {
  for (uint32_t mode : {0u, 4u, 99u}) {
    ctx.settings.output_mode = mode;
    std::string path = "unchanged";
    EXPECT_FALSE(ConstructFilename(ctx, &path, kTargetPathCapacity));
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(ctx.settings.output_directory, "C:\\ZEL") << "only the modes it serves touch it";
  }
}

TEST_F(NamingTest, SerialPieceFromPrefixKeepsDefaultUpperCaseExtension) {
  ctx.settings.output_mode = kModeSerialization;
  ctx.settings.output_directory = "C:\\ZEL\\";
  ctx.settings.serial_prefix_string = "Scan";
  std::string path;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\Scan0007.TIF");
  EXPECT_TRUE(tp.trace.Contains("QIF03:  FixupFilename[init 0 last 7] C:\\ZEL\\Scan "
                                "C:\\ZEL\\Scan0007.TIF"));
}

TEST_F(NamingTest, SerialPieceFromTrimmedWordTitle) {
  ctx.settings.output_mode = kModeSerialization;
  ctx.settings.use_source_name = 1;
  ctx.settings.trim_source_name = 1;
  SetDocumentName("microsoft WORD - Letter.doc");  // the prefix is matched without case
  std::string path;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\Letter0007.tif");
  EXPECT_TRUE(tp.trace.Contains("TRIM (WORD) microsoft WORD - Letter.tif => Letter.tif"));

  // Without Trim Source Name the title stays whole.
  ctx.settings.trim_source_name = 0;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\microsoft WORD - Letter0007.tif");

  // A title without the prefix is kept and says so.
  ctx.settings.trim_source_name = 1;
  SetDocumentName("Notes.txt");
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\Notes0007.tif");
  EXPECT_TRUE(tp.trace.Contains("TRIM LEER Notes.tif "));
}

TEST_F(NamingTest, SerialPieceWithoutDocumentNameUsesSourceName) {
  ctx.settings.output_mode = kModeSerialization;
  ctx.settings.use_source_name = 1;
  ctx.settings.last_serial_number = 1;
  std::string path;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\SourceName0001.tif");
  SetDocumentName("");  // set but empty counts as absent
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\SourceName0001.tif");
  // Longer than the 1023 characters it is read with: taken as absent, never cut.
  SetDocumentName(std::string(1024, 'd'));
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\SourceName0001.tif");
}

TEST_F(NamingTest, SerialFileDropsTheFolderAsThePreviewDoes) {
  ctx.settings.output_mode = kModeSerialization;
  ctx.settings.use_source_name = 1;
  ctx.settings.trim_source_name = 1;
  SetDocumentName("a/b.doc");
  std::string path;
  ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "C:\\ZEL\\b0007.tif");
  std::string preview;
  ASSERT_TRUE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "b0007.tif");
}

TEST_F(NamingTest, DotInFolderNameIsNoExtension) {
  ctx.settings.output_mode = kModeSerialization;
  ctx.settings.serial_prefix_string = "Scan";
  for (const char* dir : {"C:\\out.v2", "/home/u/out.d/"}) {
    ctx.settings.output_directory = dir;
    std::string path;
    ASSERT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
    EXPECT_EQ(path, ctx.settings.output_directory + "Scan0007.TIF");
  }
}

TEST_F(NamingTest, OverlongNamesAreRefusedNotCut) {
  ctx.settings.output_directory = "C:\\" + std::string(1020, 'd');  // 1023 characters
  for (uint32_t mode : {kModeDocument, kModeSerialization}) {
    ctx.settings.output_mode = mode;
    std::string path = "unchanged";
    EXPECT_FALSE(ConstructFilename(ctx, &path, kTargetPathCapacity));
    EXPECT_EQ(path, "unchanged");
  }
  EXPECT_TRUE(tp.trace.Contains("1023 characters"));

  // Exactly at the capacity fits; one more does not.
  ctx.settings.output_mode = kModeDocument;
  ctx.settings.output_directory = "C:\\";
  ctx.settings.output_file = std::string(kTargetPathCapacity - 3, 'f');
  std::string path;
  EXPECT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path.size(), kTargetPathCapacity);
  ctx.settings.output_file.push_back('f');
  path = "unchanged";
  EXPECT_FALSE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(tp.trace.Contains("exceeds 259 characters"));
}

// --- FixupFilename and digits -----------------------------------------------------------

TEST(FixupFilenameTest, NumberWidthIsAMinimum) {
  std::string out;
  ASSERT_TRUE(FixupFilename("C:\\ZEL\\Scan", &out, 259, 123, 2));
  EXPECT_EQ(out, "C:\\ZEL\\Scan123.TIF");
  ASSERT_TRUE(FixupFilename("C:\\ZEL\\Scan", &out, 259, 100000, 4));
  EXPECT_EQ(out, "C:\\ZEL\\Scan100000.TIF");
  ASSERT_TRUE(FixupFilename("C:\\ZEL\\Scan.png", &out, 259, 5, 8));
  EXPECT_EQ(out, "C:\\ZEL\\Scan00000005.png");
  // Digits outside 2..8 mean nine.
  for (uint32_t digits : {0u, 1u, 9u, 12u}) {
    ASSERT_TRUE(FixupFilename("S", &out, 259, 5, digits));
    EXPECT_EQ(out, "S000000005.TIF") << digits;
  }
  // A counter above 2^31 is still a positive number.
  ASSERT_TRUE(FixupFilename("S", &out, 259, 4000000000u, 4));
  EXPECT_EQ(out, "S4000000000.TIF");
}

TEST(FixupFilenameTest, RefusalsLeaveTheOutputAlone) {
  std::string out = "unchanged";
  EXPECT_FALSE(FixupFilename("", &out, 259, 1, 4));
  EXPECT_FALSE(FixupFilename("C:\\ZEL\\Scan.", &out, 259, 1, 4));
  EXPECT_FALSE(FixupFilename("Scan.abcdefghij", &out, 259, 1, 4));  // ten-letter extension
  EXPECT_FALSE(FixupFilename("Scan", &out, 11, 1, 4));              // "Scan0001.TIF" is 12
  EXPECT_EQ(out, "unchanged");
  EXPECT_TRUE(FixupFilename("Scan.abcdefghi", &out, 259, 1, 4));   // nine letters are fine
  EXPECT_EQ(out, "Scan0001.abcdefghi");
  EXPECT_TRUE(FixupFilename("Scan", &out, 12, 1, 4));
}

TEST(FormatSerialDigitsTest, PadsToTheConfiguredWidth) {
  EXPECT_EQ(FormatSerialDigits(4, 7), "0007");
  EXPECT_EQ(FormatSerialDigits(2, 123), "123");
  EXPECT_EQ(FormatSerialDigits(8, 0), "00000000");
  EXPECT_EQ(FormatSerialDigits(1, 7), "000000007");
  EXPECT_EQ(FormatSerialDigits(0xFFFFFFFFu, 4294967295u), "4294967295");
}

// --- DoNewSerialName --------------------------------------------------------------------

TEST_F(NamingTest, PreviewNumberFollowsAutoReset) {
  Settings& s = ctx.settings;
  s.serial_prefix_string = "Scan";
  s.serial_init_number = 3;
  s.last_serial_number = 9;
  std::string preview;
  ASSERT_TRUE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "Scan0009.tif");
  s.auto_reset_serial_number = 1;
  ASSERT_TRUE(DoNewSerialName(ctx, &s.output_file));  // the callers pass Output File itself
  EXPECT_EQ(s.output_file, "Scan0003.tif");
  s.serial_num_digits = 2;
  s.serial_init_number = 123;
  ASSERT_TRUE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "Scan123.tif");
  EXPECT_TRUE(tp.trace.Contains("QIF03:  DoNewSerialName"));
}

TEST_F(NamingTest, PreviewEmptiesOutputFileAndDropsExtension) {
  Settings& s = ctx.settings;
  s.use_source_name = 1;
  SetDocumentName("Report.final.doc");
  std::string preview;
  ASSERT_TRUE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "Report.final0007.tif");
  EXPECT_EQ(s.output_file, "") << "computing the preview empties Output File";

  tp.environment.Unset("VEDIZE_DOCNAME");
  ASSERT_TRUE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "SourceName0007.tif");
}

TEST_F(NamingTest, PreviewTrimSteps) {
  Settings& s = ctx.settings;
  s.use_source_name = 1;
  s.trim_source_name = 1;
  std::string preview;
  SetDocumentName("Microsoft Word - dir/Letter.doc");
  ASSERT_TRUE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "Letter0007.tif");
  // A trailing "/" becomes "_" before the last-slash rule, so something remains.
  SetDocumentName("http://host/page/");
  ASSERT_TRUE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "page_0007.tif");
}

TEST_F(NamingTest, OverlongPreviewIsRefused) {
  ctx.settings.serial_prefix_string = std::string(250, 'p');  // + "0007.tif" > 255
  std::string preview = "old";
  EXPECT_FALSE(DoNewSerialName(ctx, &preview));
  EXPECT_EQ(preview, "");
  EXPECT_TRUE(tp.trace.Contains("exceeds 255 characters"));
}

// --- the document file name rule ----------------------------------------------------------

TEST_F(NamingTest, AutoGeneratedDocumentNames) {
  Settings& s = ctx.settings;
  s.auto_generate = 1;
  s.doc_prefix_string = "Inv";
  s.auto_number_value = 12;
  ApplyDocumentFileNameRule(ctx);
  EXPECT_EQ(s.output_file, "Inv0012.tif");
  s.auto_number_value = 12345;
  ApplyDocumentFileNameRule(ctx);
  EXPECT_EQ(s.output_file, "Inv12345.tif");
  EXPECT_EQ(NumberedDocumentName(s), "Inv12345.tif");
  s.auto_number_value = 7;
  EXPECT_EQ(NumberedDocumentStem(s), "Inv0007");
}

TEST_F(NamingTest, SourceNameWinsOverAutoGenerate) {
  Settings& s = ctx.settings;
  s.auto_generate = 1;
  s.use_source_name = 1;
  s.doc_prefix_string = "Inv";
  SetDocumentName("Microsoft Word - a/Letter.doc");
  ApplyDocumentFileNameRule(ctx);
  EXPECT_EQ(s.output_file, "Microsoft Word - a/Letter.tif");
  s.trim_source_name = 1;
  ApplyDocumentFileNameRule(ctx);
  EXPECT_EQ(s.output_file, "Letter.tif");
  // Without the "/" to "_" step a trailing slash leaves nothing after it.
  SetDocumentName("a/");
  ApplyDocumentFileNameRule(ctx);
  EXPECT_EQ(s.output_file, ".tif");
  tp.environment.Unset("VEDIZE_DOCNAME");
  ApplyDocumentFileNameRule(ctx);
  EXPECT_EQ(s.output_file, "SourceName.tif");
}

// The previous document's name would send this document over it.
TEST_F(NamingTest, OverlongDocumentFileNameIsCutNeverTheOldOne) {
  ctx.settings.use_source_name = 1;
  SetDocumentName(std::string(300, 'n') + ".doc");
  ApplyDocumentFileNameRule(ctx);
  // Cut to fit the target: "C:\\ZEL\\" and 252 characters make 259.
  EXPECT_EQ(ctx.settings.output_file, std::string(248, 'n') + ".tif");
  EXPECT_TRUE(tp.trace.Contains("document file name cut to 252 characters"));
  ctx.settings.output_mode = kModeDocument;
  std::string path;
  EXPECT_TRUE(ConstructFilename(ctx, &path, kTargetPathCapacity));
  // Where the folder leaves no room, Output File's own limit still holds.
  ctx.settings.output_directory = "C:\\" + std::string(300, 'd');
  ApplyDocumentFileNameRule(ctx);
  EXPECT_EQ(ctx.settings.output_file, std::string(251, 'n') + ".tif");
}

// --- extensions ---------------------------------------------------------------------------

TEST(SetFileExtensionTest, ReplacesAppendsOrKeeps) {
  std::string path = "C:\\ZEL\\doc.TIF";
  ASSERT_TRUE(SetFileExtension("pdf", &path, 259));
  EXPECT_EQ(path, "C:\\ZEL\\doc.pdf");
  path = "C:\\ZEL\\doc.TIF";
  ASSERT_TRUE(SetFileExtension("tif", &path, 259));
  EXPECT_EQ(path, "C:\\ZEL\\doc.TIF") << "same extension in another case stays";
  path = "C:\\ZEL\\doc.";
  ASSERT_TRUE(SetFileExtension("pdf", &path, 259));
  EXPECT_EQ(path, "C:\\ZEL\\doc.");
  path = "C:\\Z.EL\\doc";
  ASSERT_TRUE(SetFileExtension("pdf", &path, 259));
  EXPECT_EQ(path, "C:\\Z.EL\\doc.pdf");
}

TEST(SetFileExtensionTest, Refusals) {
  std::string path = "C:\\ZEL\\doc.TIF";
  EXPECT_FALSE(SetFileExtension("", &path, 259));
  EXPECT_FALSE(SetFileExtension("abcdefghij", &path, 259));
  EXPECT_FALSE(SetFileExtension("pdf", &path, 13));  // "C:\ZEL\doc.pdf" is 14
  EXPECT_EQ(path, "C:\\ZEL\\doc.TIF");
  std::string empty;
  EXPECT_FALSE(SetFileExtension("pdf", &empty, 259));
  std::string long_ext = "C:\\ZEL\\doc.abcdefghij";
  EXPECT_FALSE(SetFileExtension("pdf", &long_ext, 259));
  EXPECT_EQ(long_ext, "C:\\ZEL\\doc.abcdefghij");
  std::string grows = "C:\\ZEL\\doc";  // appending must fit too
  EXPECT_FALSE(SetFileExtension("pdf", &grows, 12));
  EXPECT_EQ(grows, "C:\\ZEL\\doc");
}

TEST(ExtensionScanTest, ForceTifAndStrip) {
  struct Case {
    const char* in;
    const char* forced;
    const char* stripped;
  };
  for (const Case& c : {Case{"Letter.doc", "Letter.tif", "Letter"},
                        Case{"Letter", "Letter.tif", "Letter"},
                        Case{"a.b.c", "a.b.tif", "a.b"},
                        Case{".profile", ".tif", ""},
                        Case{"C:\\x.y\\name", "C:\\x.y\\name.tif", "C:\\x.y\\name"},
                        Case{"name.", "name.tif", "name"},
                        Case{"", ".tif", ""}}) {
    std::string forced = c.in, stripped = c.in;
    ForceTifExtension(&forced);
    StripExtension(&stripped);
    EXPECT_EQ(forced, c.forced) << c.in;
    EXPECT_EQ(stripped, c.stripped) << c.in;
  }
}

TEST(TrimHelpersTest, StepsInOrder) {
  EXPECT_EQ(TrimmedSourceName("MICROSOFT WORD - x.doc", false), "x.doc");
  EXPECT_EQ(TrimmedSourceName("Microsoft Word -x.doc", false), "Microsoft Word -x.doc");
  EXPECT_EQ(TrimmedSourceName("a/b/", true), "b_");
  EXPECT_EQ(TrimmedSourceName("a/b/", false), "");
  std::string name = "a/b";
  EXPECT_TRUE(KeepAfterLastSlash(&name));
  EXPECT_FALSE(KeepAfterLastSlash(&name));
  EXPECT_EQ(name, "b");
}

}  // namespace
}  // namespace qid
