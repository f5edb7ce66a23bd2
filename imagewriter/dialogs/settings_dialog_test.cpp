#include "imagewriter/dialogs/settings_dialog.h"

#include <gtest/gtest.h>

#include "imagewriter/dialogs/control_ids.h"
#include "tests/support/dialog_testing.h"
#include "tests/support/memory_dialog_view.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {


using InitializeTest = DialogTest;

// The serial controls that every mode but Serialization turns off.
const int kSerialControls[] = {IDC_RESET_AFTER_JOB, IDC_DIGITS_LABEL,        IDC_DIGITS_LIST,
                               IDC_SERIAL_INIT_LABEL, IDC_SERIAL_INIT,       IDC_RESET_SERIAL,
                               IDC_SERIAL_PREFIX_LABEL, IDC_SERIAL_PREFIX};

TEST_F(InitializeTest, SerializationStoredChecksTheThirdBoxAndShowsTheSerialState) {
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "Scan";
  s.serial_init_number = 3;
  s.last_serial_number = 7;
  s.serial_num_digits = 4;
  s.output_directory = "C:\\Scans\\";
  s.output_application = "C:\\bin\\view.exe";
  ResetValues(ctx, view);

  EXPECT_TRUE(Checked(IDC_MODE_SERIAL));
  EXPECT_FALSE(Checked(IDC_MODE_APPEND));
  EXPECT_FALSE(Checked(IDC_MODE_DOCUMENT));
  for (int id : kSerialControls) EXPECT_TRUE(On(id)) << id;
  EXPECT_FALSE(Shown(IDC_CHOOSE_FILE));
  for (int id : {IDC_PDF_OUTPUT, IDC_USE_SOURCE_NAME, IDC_TRIM_SOURCE_NAME}) EXPECT_TRUE(On(id)) << id;
  for (int id : {IDC_AUTO_NUMBER, IDC_DOC_PREFIX_LABEL, IDC_DOC_PREFIX, IDC_RESET_FILE_NUMBER,
                 IDC_OUTPUT_FILE, IDC_ALWAYS_OVERWRITE})
    EXPECT_FALSE(On(id)) << id;
  EXPECT_EQ("0003", Text(IDC_SERIAL_INIT));
  EXPECT_EQ("Scan", Text(IDC_SERIAL_PREFIX));
  EXPECT_EQ("C:\\Scans\\", Text(IDC_OUTPUT_FOLDER));
  EXPECT_EQ("C:\\bin\\view.exe", Text(IDC_OUTPUT_APPLICATION));
  // Without Auto Reset the next file takes Last Serial Number.
  EXPECT_EQ("Scan0007.tif", s.output_file);
  EXPECT_EQ("Scan0007.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_EQ("4", view.SelectedItem(IDC_DIGITS_LIST));
  EXPECT_EQ(1, view.brought_to_front);
  EXPECT_TRUE(view.unknown_ids.empty());
}

TEST_F(InitializeTest, SerializationWithAutoResetNamesTheInitialNumber) {
  s.output_mode = kModeSerialization;
  s.auto_reset_serial_number = 1;
  s.serial_prefix_string = "P";
  s.serial_init_number = 42;
  s.last_serial_number = 99;
  s.serial_num_digits = 6;
  InitializeDialog(ctx, view);
  EXPECT_TRUE(Checked(IDC_RESET_AFTER_JOB));
  EXPECT_EQ("P000042.tif", s.output_file);
  EXPECT_EQ("000042", Text(IDC_SERIAL_INIT));
}

TEST_F(InitializeTest, SerializationWithSourceNameStripsThenTrimsAndLocksTheSerialPrefix) {
  s.output_mode = kModeSerialization;
  s.use_source_name = 1;
  s.trim_source_name = 1;
  s.serial_prefix_string = "Scan";
  s.last_serial_number = 7;
  DocName("Microsoft Word - Letter.doc");
  InitializeDialog(ctx, view);
  EXPECT_EQ("Letter0007.tif", s.output_file);
  EXPECT_FALSE(On(IDC_SERIAL_PREFIX));
  EXPECT_FALSE(On(IDC_SERIAL_PREFIX_LABEL));
  EXPECT_EQ("Scan", Text(IDC_SERIAL_PREFIX));  // shown, though not used

  // A trailing "/" becomes "_" before the cut at the last "/".
  DocName("reports/q3/");
  InitializeDialog(ctx, view);
  EXPECT_EQ("q3_0007.tif", s.output_file);
  // Without a document name the fallback is "SourceName".
  tp.environment.Unset("VEDIZE_DOCNAME");
  s.trim_source_name = 0;
  InitializeDialog(ctx, view);
  EXPECT_EQ("SourceName0007.tif", s.output_file);
}

TEST_F(InitializeTest, DigitsOutsideTheListSelectFiveAndKeepTheStoredValue) {
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "S";
  s.last_serial_number = 12;
  s.serial_init_number = 12;
  for (uint32_t digits : {9u, 0u}) {
    MemoryDialogView fresh;
    AddSettingsControls(&fresh);
    s.serial_num_digits = digits;
    InitializeDialog(ctx, fresh);
    EXPECT_EQ((std::vector<std::string>{"2", "3", "4", "5", "6", "7", "8"}),
              fresh.At(IDC_DIGITS_LIST).items);
    EXPECT_EQ("5", fresh.SelectedItem(IDC_DIGITS_LIST)) << digits;
    EXPECT_EQ("000000012", fresh.At(IDC_SERIAL_INIT).text) << digits;
    EXPECT_EQ("S000000012.tif", s.output_file) << digits;
    EXPECT_EQ(digits, s.serial_num_digits);
  }
  s.serial_num_digits = 2;
  InitializeDialog(ctx, view);
  EXPECT_EQ("2", view.SelectedItem(IDC_DIGITS_LIST));
}

TEST_F(InitializeTest, DocumentModeAppliesTheDocumentFileNameRule) {
  s.output_mode = kModeDocument;
  s.auto_generate = 1;
  s.doc_prefix_string = "Inv";
  s.auto_number_value = 12;
  InitializeDialog(ctx, view);
  EXPECT_TRUE(Checked(IDC_MODE_DOCUMENT));
  EXPECT_FALSE(Checked(IDC_MODE_SERIAL));
  EXPECT_TRUE(Checked(IDC_AUTO_NUMBER));
  for (int id : kSerialControls) EXPECT_FALSE(On(id)) << id;
  EXPECT_EQ("", Text(IDC_SERIAL_INIT));
  EXPECT_TRUE(Shown(IDC_CHOOSE_FILE));
  EXPECT_FALSE(On(IDC_TRIM_SOURCE_NAME));
  EXPECT_TRUE(On(IDC_DOC_PREFIX));
  EXPECT_EQ("Inv", Text(IDC_DOC_PREFIX));
  EXPECT_TRUE(On(IDC_ALWAYS_OVERWRITE));
  EXPECT_TRUE(On(IDC_PDF_OUTPUT));
  EXPECT_EQ("Inv0012.tif", s.output_file);
  EXPECT_EQ("Inv0012.tif", Text(IDC_OUTPUT_FILE));
}

TEST_F(InitializeTest, DocumentModeSourceNameWinsOverAutoNumbering) {
  s.output_mode = kModeDocument;
  s.auto_generate = 1;
  s.use_source_name = 1;
  s.trim_source_name = 1;
  s.doc_prefix_string = "Inv";
  DocName("Microsoft Word - Letter.doc");
  InitializeDialog(ctx, view);
  EXPECT_EQ("Letter.tif", s.output_file);
  EXPECT_EQ("Letter.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_FALSE(On(IDC_DOC_PREFIX));
  EXPECT_FALSE(On(IDC_DOC_PREFIX_LABEL));
  EXPECT_TRUE(Checked(IDC_USE_SOURCE_NAME));
  EXPECT_TRUE(Checked(IDC_TRIM_SOURCE_NAME));

  // Without Trim the whole name stays, with its extension replaced.
  s.trim_source_name = 0;
  DocName("a/b.doc");
  InitializeDialog(ctx, view);
  EXPECT_EQ("a/b.tif", s.output_file);
}

TEST_F(InitializeTest, DocumentModeWithoutNamingOptionsKeepsOutputFile) {
  s.output_mode = kModeDocument;
  s.auto_generate = 0;
  s.output_file = "TEST.TIF";
  s.always_overwrite = 1;
  s.disable_dialog = 1;
  s.pdf_output = 1;
  InitializeDialog(ctx, view);
  EXPECT_EQ("TEST.TIF", s.output_file);
  EXPECT_EQ("TEST.TIF", Text(IDC_OUTPUT_FILE));
  EXPECT_TRUE(Checked(IDC_ALWAYS_OVERWRITE));
  EXPECT_TRUE(Checked(IDC_HIDE_DIALOG));
  EXPECT_TRUE(Checked(IDC_PDF_OUTPUT));
  EXPECT_FALSE(Checked(IDC_AUTO_NUMBER));
  EXPECT_TRUE(On(IDC_TRIM_SOURCE_NAME));
}

TEST_F(InitializeTest, AppendModeLocksTheDocumentOptionsAndKeepsOutputFile) {
  s.output_mode = kModeAppend;
  s.output_file = "all.tif";
  s.auto_generate = 1;
  s.doc_prefix_string = "Inv";
  InitializeDialog(ctx, view);
  EXPECT_TRUE(Checked(IDC_MODE_APPEND));
  EXPECT_FALSE(Checked(IDC_MODE_SERIAL));
  EXPECT_FALSE(Checked(IDC_MODE_DOCUMENT));
  for (int id : kSerialControls) EXPECT_FALSE(On(id)) << id;
  for (int id : {IDC_PDF_OUTPUT, IDC_AUTO_NUMBER, IDC_USE_SOURCE_NAME, IDC_DOC_PREFIX_LABEL,
                 IDC_DOC_PREFIX, IDC_RESET_FILE_NUMBER, IDC_TRIM_SOURCE_NAME, IDC_ALWAYS_OVERWRITE})
    EXPECT_FALSE(On(id)) << id;
  EXPECT_TRUE(On(IDC_OUTPUT_FILE));
  EXPECT_TRUE(Shown(IDC_CHOOSE_FILE));
  EXPECT_EQ("all.tif", s.output_file);
  EXPECT_EQ("all.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_TRUE(tp.trace.Contains("Initialize APPEND all.tif"));
}

TEST_F(InitializeTest, UnknownModeChecksNoBoxAndKeepsOutputFile) {
  s.output_mode = 7;
  s.output_file = "keep.tif";
  InitializeDialog(ctx, view);
  EXPECT_FALSE(Checked(IDC_MODE_DOCUMENT) || Checked(IDC_MODE_APPEND) || Checked(IDC_MODE_SERIAL));
  EXPECT_EQ("keep.tif", s.output_file);
  EXPECT_EQ("", Text(IDC_OUTPUT_FILE));
}

TEST_F(InitializeTest, UnreadSettingsAddTheDocumentInitialisation) {
  ctx.job.settings_read = false;
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "Scan";
  s.doc_prefix_string = "D";
  s.auto_number_value = 5;
  ResetValues(ctx, view);
  EXPECT_EQ("D0005.tif", s.output_file);
  EXPECT_EQ("D0005.tif", Text(IDC_OUTPUT_FILE));
  for (int id : {IDC_RESET_AFTER_JOB, IDC_DIGITS_LIST, IDC_RESET_SERIAL, IDC_SERIAL_PREFIX})
    EXPECT_FALSE(On(id)) << id;
  for (int id : {IDC_FOLDER_LABEL, IDC_OUTPUT_FOLDER, IDC_CHOOSE_FOLDER, IDC_OUTPUT_FILE,
                 IDC_CHOOSE_FILE, IDC_AUTO_NUMBER})
    EXPECT_TRUE(On(id)) << id;
  EXPECT_TRUE(tp.trace.Contains("Initialize DOCUMENT 5"));
}

TEST_F(InitializeTest, TracesFrameTheInitialisation) {
  s.output_file = "x.tif";
  s.auto_generate = 0;
  tp.trace.lines.clear();
  ResetValues(ctx, view);
  const auto& lines = tp.trace.lines;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ("QIF01:  Reset Values ANFANG\r\n", lines.front());
  EXPECT_EQ("QIF01:  Reset Values ENDE\r\n", lines.back());
  EXPECT_TRUE(tp.trace.Contains("QIF01:  Initialize DIALOG ANFANG"));
  EXPECT_TRUE(tp.trace.Contains("QIF01:  Initialize DIALOG ENDE x.tif"));
}

// --- the hidden dialog ------------------------------------------------------------------

TEST_F(InitializeTest, HiddenSerializationReadsTheUncheckedBoxAndTakesTheSerialPrefix) {
  s.output_mode = kModeSerialization;
  s.use_source_name = 1;
  s.serial_prefix_string = "Scan";
  s.last_serial_number = 7;
  DocName("report.doc");
  NullDialogView hidden;
  ResetValues(ctx, hidden);
  EXPECT_EQ("Scan0007.tif", s.output_file);
  EXPECT_EQ(1u, s.use_source_name);  // the record keeps its value
}

TEST_F(InitializeTest, HiddenWithoutSettingsKeyGivesTheNumberedDefault) {
  ctx.job.settings_read = false;  // LoadSettings found no key and took the defaults
  NullDialogView hidden;
  ResetValues(ctx, hidden);
  EXPECT_EQ("0001.tif", s.output_file);
}

TEST_F(InitializeTest, HiddenDocumentModeRunsTheDocumentFileNameRule) {
  s.output_mode = kModeDocument;
  s.auto_generate = 0;
  s.use_source_name = 1;
  s.trim_source_name = 1;
  DocName("Microsoft Word - Brief.docx");
  NullDialogView hidden;
  ResetValues(ctx, hidden);
  EXPECT_EQ("Brief.tif", s.output_file);
}

TEST_F(InitializeTest, TooLongNameLeavesOutputFileAsItWas) {
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "S";
  s.use_source_name = 1;
  s.output_file = "before.tif";
  DocName(std::string(300, 'n'));
  InitializeDialog(ctx, view);
  EXPECT_EQ("before.tif", s.output_file);
  EXPECT_TRUE(tp.trace.Contains("Output File longer than 255 characters refused"));
}

}  // namespace
}  // namespace qid
