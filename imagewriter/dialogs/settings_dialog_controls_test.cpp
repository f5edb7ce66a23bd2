#include <gtest/gtest.h>

#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/dialog_testing.h"
#include "imagewriter/dialogs/memory_dialog_view.h"
#include "imagewriter/dialogs/reset_serial.h"
#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {


class ControlsTest : public DialogTest {
 protected:
  void Open() { ResetValues(ctx, view); }
  // A user's click on a box or button: the box toggles first, as the platform does.
  bool Click(int id) {
    if (id == IDC_MODE_DOCUMENT || id == IDC_MODE_SERIAL || id == IDC_MODE_APPEND ||
        id == IDC_RESET_AFTER_JOB || id == IDC_PDF_OUTPUT || id == IDC_HIDE_DIALOG ||
        id == IDC_ALWAYS_OVERWRITE || id == IDC_AUTO_NUMBER || id == IDC_USE_SOURCE_NAME ||
        id == IDC_TRIM_SOURCE_NAME)
      view.At(id).checked = !view.At(id).checked;
    return OnSettingsCommand(ctx, view, state, id, kNotifyClicked, &end_result);
  }
  // Typing into an edit: the text changes at the caret, then the change notification.
  void Type(int id, const std::string& text) {
    view.Type(id, text);
    OnSettingsCommand(ctx, view, state, id, kNotifyEditChange, &end_result);
  }
  void Replace(int id, const std::string& text) {
    view.At(id).text = text;
    view.PlaceCaret(id, static_cast<int>(text.size()));
    OnSettingsCommand(ctx, view, state, id, kNotifyEditChange, &end_result);
  }

  SettingsDialogState state;
  int end_result = -1;
};

// Every control that the mode table sets, with its state per mode.
struct ModeRow {
  int id;
  bool document, serial, append;
};
const ModeRow kModeTable[] = {
    {IDC_PDF_OUTPUT, true, true, false},        {IDC_RESET_AFTER_JOB, false, true, false},
    {IDC_DIGITS_LABEL, false, true, false},     {IDC_DIGITS_LIST, false, true, false},
    {IDC_SERIAL_INIT_LABEL, false, true, false}, {IDC_RESET_SERIAL, false, true, false},
    {IDC_SERIAL_INIT, false, true, false},      {IDC_SERIAL_PREFIX_LABEL, false, true, false},
    {IDC_SERIAL_PREFIX, false, true, false},    {IDC_AUTO_NUMBER, true, false, false},
    {IDC_USE_SOURCE_NAME, true, true, false},   {IDC_DOC_PREFIX_LABEL, true, false, false},
    {IDC_DOC_PREFIX, true, false, false},       {IDC_RESET_FILE_NUMBER, true, false, false},
    {IDC_TRIM_SOURCE_NAME, true, true, false},  {IDC_OUTPUT_FILE, true, false, true},
    {IDC_ALWAYS_OVERWRITE, true, false, false},
};

TEST_F(ControlsTest, EachModeClickSetsTheWholeTableAndOneBox) {
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "Scan";
  s.serial_init_number = 5;
  s.last_serial_number = 9;
  Open();
  for (int box : {IDC_MODE_APPEND, IDC_MODE_DOCUMENT, IDC_MODE_SERIAL, IDC_MODE_APPEND,
                  IDC_MODE_SERIAL, IDC_MODE_DOCUMENT}) {
    Click(box);
    for (int other : {IDC_MODE_DOCUMENT, IDC_MODE_SERIAL, IDC_MODE_APPEND})
      EXPECT_EQ(other == box, Checked(other)) << box << " " << other;
    for (const ModeRow& row : kModeTable) {
      bool want = box == IDC_MODE_DOCUMENT ? row.document
                  : box == IDC_MODE_SERIAL ? row.serial
                                           : row.append;
      EXPECT_EQ(want, On(row.id)) << "after " << box << ", control " << row.id;
    }
    EXPECT_EQ(box != IDC_MODE_SERIAL, Shown(IDC_CHOOSE_FILE)) << box;
    EXPECT_EQ(box == IDC_MODE_SERIAL ? "0005" : "", Text(IDC_SERIAL_INIT)) << box;
  }
  EXPECT_TRUE(view.unknown_ids.empty());
}

TEST_F(ControlsTest, ModeBoxesStoreTheirModeValues) {
  s.output_mode = kModeSerialization;
  Open();
  Click(IDC_MODE_APPEND);  // "&2. Append"
  EXPECT_EQ(kModeAppend, s.output_mode);
  Click(IDC_MODE_SERIAL);  // "&3. Serialization"
  EXPECT_EQ(kModeSerialization, s.output_mode);
  Click(IDC_MODE_DOCUMENT);
  EXPECT_EQ(kModeDocument, s.output_mode);
  // Clicking the checked box again unchecks it on screen; the logic checks it again.
  Click(IDC_MODE_DOCUMENT);
  EXPECT_TRUE(Checked(IDC_MODE_DOCUMENT));
}

TEST_F(ControlsTest, SerializationWithoutSourceNameShowsThePreviewButEmptiesOutputFile) {
  s.output_mode = kModeDocument;
  s.output_file = "TEST.TIF";
  s.serial_prefix_string = "Scan";
  s.last_serial_number = 7;
  Open();
  Click(IDC_MODE_SERIAL);
  EXPECT_EQ("", s.output_file);
  EXPECT_EQ("Scan0007.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_TRUE(On(IDC_SERIAL_PREFIX));
  EXPECT_EQ("Scan", Text(IDC_SERIAL_PREFIX));
  EXPECT_TRUE(tp.trace.Contains("serial Mode Scan0007.tif"));
}

TEST_F(ControlsTest, SerializationWithSourceNameLocksThePrefixAndNamesOutputFile) {
  s.output_mode = kModeDocument;
  s.auto_generate = 0;
  s.use_source_name = 1;
  s.last_serial_number = 3;
  DocName("report.doc");
  Open();
  Click(IDC_MODE_SERIAL);
  EXPECT_EQ("report0003.tif", s.output_file);
  EXPECT_EQ("report0003.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_FALSE(On(IDC_SERIAL_PREFIX));
  EXPECT_FALSE(On(IDC_SERIAL_PREFIX_LABEL));
  EXPECT_TRUE(tp.trace.Contains("serial Mode + SOURCE"));
}

TEST_F(ControlsTest, DocumentClickAppliesAutoNumberingAndSourceName) {
  s.output_mode = kModeAppend;
  s.auto_generate = 1;
  s.doc_prefix_string = "Inv";
  s.auto_number_value = 12;
  Open();
  Click(IDC_MODE_DOCUMENT);
  EXPECT_EQ("Inv0012.tif", s.output_file);
  EXPECT_EQ("Inv0012.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_EQ("Inv", Text(IDC_DOC_PREFIX));

  s.use_source_name = 1;
  s.trim_source_name = 1;
  DocName("Microsoft Word - Letter.doc");
  Click(IDC_MODE_DOCUMENT);
  EXPECT_EQ("Letter.tif", s.output_file);
  EXPECT_TRUE(tp.trace.Contains("TRIM 5"));
}

TEST_F(ControlsTest, AppendKeepsTheShownNameAndWritesItToOutputFile) {
  s.output_mode = kModeDocument;
  s.auto_generate = 0;
  s.output_file = "all.tif";
  Open();
  Click(IDC_MODE_APPEND);
  EXPECT_EQ("all.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_EQ("all.tif", s.output_file);
  // From Serialization the preview shown in 6021 becomes the file appended to, rather than
  // the empty Output File that would append to the folder itself.
  s.serial_prefix_string = "Scan";
  Click(IDC_MODE_SERIAL);
  ASSERT_EQ("", s.output_file);
  Click(IDC_MODE_APPEND);
  EXPECT_EQ(Text(IDC_OUTPUT_FILE), s.output_file);
  EXPECT_EQ("Scan0001.tif", s.output_file);
}

TEST_F(ControlsTest, DigitsListActsOnlyInSerialization) {
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "S";
  s.serial_init_number = 12;
  s.last_serial_number = 12;
  s.serial_num_digits = 9;
  Open();
  EXPECT_EQ(9u, s.serial_num_digits);  // stays until the user picks
  for (int focus : {4, 5}) {            // LBN_SETFOCUS, LBN_KILLFOCUS: no pick
    OnSettingsCommand(ctx, view, state, IDC_DIGITS_LIST, focus, &end_result);
    EXPECT_EQ(9u, s.serial_num_digits) << focus;
  }
  view.ListSelect(IDC_DIGITS_LIST, 4);  // "6"
  OnSettingsCommand(ctx, view, state, IDC_DIGITS_LIST, 1, &end_result);
  EXPECT_EQ(6u, s.serial_num_digits);
  EXPECT_EQ("000012", Text(IDC_SERIAL_INIT));
  EXPECT_EQ("S000012.tif", s.output_file);
  EXPECT_EQ("S000012.tif", Text(IDC_OUTPUT_FILE));
  view.ListSelect(IDC_DIGITS_LIST, -1);
  OnSettingsCommand(ctx, view, state, IDC_DIGITS_LIST, 1, &end_result);
  EXPECT_EQ(2u, s.serial_num_digits);

  Click(IDC_MODE_DOCUMENT);
  view.ListSelect(IDC_DIGITS_LIST, 6);
  OnSettingsCommand(ctx, view, state, IDC_DIGITS_LIST, 1, &end_result);
  EXPECT_EQ(2u, s.serial_num_digits);
}

TEST_F(ControlsTest, HideDialogAndAlwaysOverwriteAreCoupled) {
  s.output_mode = kModeDocument;
  s.always_overwrite = 0;
  s.disable_dialog = 0;
  Open();
  Click(IDC_HIDE_DIALOG);
  EXPECT_EQ(1u, s.disable_dialog);
  EXPECT_EQ(1u, s.always_overwrite);
  EXPECT_TRUE(Checked(IDC_ALWAYS_OVERWRITE));
  Click(IDC_ALWAYS_OVERWRITE);  // unchecked
  EXPECT_EQ(0u, s.always_overwrite);
  EXPECT_EQ(0u, s.disable_dialog);
  EXPECT_FALSE(Checked(IDC_HIDE_DIALOG));
  EXPECT_TRUE(Click(kIdOk));
  EXPECT_EQ(1, end_result);
  EXPECT_EQ(0u, ReadSettingDword(ctx, "Disable Dialog"));
  EXPECT_EQ(0u, ReadSettingDword(ctx, "Always Overwrite"));

  // Overwrite on its own leaves the dialog shown; Hide off leaves Overwrite on.
  Click(IDC_ALWAYS_OVERWRITE);
  EXPECT_EQ(1u, s.always_overwrite);
  EXPECT_EQ(0u, s.disable_dialog);
  Click(IDC_HIDE_DIALOG);
  Click(IDC_HIDE_DIALOG);
  EXPECT_EQ(0u, s.disable_dialog);
  EXPECT_EQ(1u, s.always_overwrite);
}

TEST_F(ControlsTest, PlainBoxesFollowTheirState) {
  s.output_mode = kModeSerialization;
  Open();
  Click(IDC_RESET_AFTER_JOB);
  EXPECT_EQ(1u, s.auto_reset_serial_number);
  Click(IDC_RESET_AFTER_JOB);
  EXPECT_EQ(0u, s.auto_reset_serial_number);
  Click(IDC_PDF_OUTPUT);
  EXPECT_EQ(1u, s.pdf_output);
  Click(IDC_PDF_OUTPUT);
  EXPECT_EQ(0u, s.pdf_output);
  EXPECT_TRUE(tp.trace.Contains("RESETZERO"));
}

TEST_F(ControlsTest, AutoNumberingClearsTheSourceNameOptions) {
  s.output_mode = kModeDocument;
  s.auto_generate = 0;
  s.use_source_name = 1;
  s.trim_source_name = 1;
  s.doc_prefix_string = "Inv";
  s.auto_number_value = 3;
  DocName("x.doc");
  Open();
  Click(IDC_AUTO_NUMBER);
  EXPECT_EQ(1u, s.auto_generate);
  EXPECT_EQ(0u, s.use_source_name);
  EXPECT_EQ(0u, s.trim_source_name);
  EXPECT_FALSE(Checked(IDC_USE_SOURCE_NAME));
  EXPECT_FALSE(Checked(IDC_TRIM_SOURCE_NAME));
  EXPECT_FALSE(On(IDC_TRIM_SOURCE_NAME));
  for (int id : {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}) EXPECT_TRUE(On(id));
  EXPECT_EQ("Inv0003.tif", s.output_file);
  EXPECT_EQ("Inv0003.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_EQ("Inv", Text(IDC_DOC_PREFIX));

  Click(IDC_AUTO_NUMBER);
  EXPECT_EQ(0u, s.auto_generate);
  for (int id : {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}) EXPECT_FALSE(On(id));
  EXPECT_TRUE(On(IDC_TRIM_SOURCE_NAME));
  EXPECT_EQ("Inv0003.tif", s.output_file);  // unchecking leaves the name
}

TEST_F(ControlsTest, SourceNameInDocumentMode) {
  s.output_mode = kModeDocument;
  s.auto_generate = 1;
  DocName("Budget.xls");
  Open();
  Click(IDC_USE_SOURCE_NAME);
  EXPECT_EQ(1u, s.use_source_name);
  EXPECT_EQ(0u, s.auto_generate);
  EXPECT_FALSE(Checked(IDC_AUTO_NUMBER));
  EXPECT_TRUE(On(IDC_TRIM_SOURCE_NAME));
  EXPECT_EQ("Budget.tif", s.output_file);
  EXPECT_EQ("Budget.tif", Text(IDC_OUTPUT_FILE));
  for (int id : {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}) EXPECT_FALSE(On(id));

  Click(IDC_TRIM_SOURCE_NAME);
  ASSERT_EQ(1u, s.trim_source_name);
  Click(IDC_USE_SOURCE_NAME);  // unchecked
  EXPECT_EQ(0u, s.use_source_name);
  EXPECT_EQ(0u, s.trim_source_name);
  EXPECT_FALSE(Checked(IDC_TRIM_SOURCE_NAME));
  EXPECT_FALSE(On(IDC_TRIM_SOURCE_NAME));
  for (int id : {IDC_RESET_FILE_NUMBER, IDC_DOC_PREFIX, IDC_DOC_PREFIX_LABEL}) EXPECT_TRUE(On(id));
  EXPECT_TRUE(tp.trace.Contains("USESOURCENAME UNCHECKED"));
}

TEST_F(ControlsTest, SourceNameInSerializationSwitchesBetweenNameAndPrefix) {
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "Scan";
  s.last_serial_number = 4;
  DocName("Budget.xls");
  Open();
  Click(IDC_USE_SOURCE_NAME);
  EXPECT_EQ("Budget0004.tif", s.output_file);
  EXPECT_EQ("Budget0004.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_FALSE(On(IDC_SERIAL_PREFIX));
  Click(IDC_USE_SOURCE_NAME);
  EXPECT_EQ("Scan0004.tif", s.output_file);
  EXPECT_TRUE(On(IDC_SERIAL_PREFIX));
  EXPECT_TRUE(On(IDC_SERIAL_PREFIX_LABEL));
  EXPECT_FALSE(On(IDC_TRIM_SOURCE_NAME));
}

TEST_F(ControlsTest, TrimChecksSourceNameAndCutsTheTitle) {
  s.output_mode = kModeDocument;
  s.auto_generate = 1;
  DocName("Microsoft Word - Letter.doc");
  Open();
  Click(IDC_TRIM_SOURCE_NAME);
  EXPECT_EQ(1u, s.trim_source_name);
  EXPECT_EQ(1u, s.use_source_name);
  EXPECT_EQ(0u, s.auto_generate);
  EXPECT_TRUE(Checked(IDC_USE_SOURCE_NAME));
  EXPECT_FALSE(Checked(IDC_AUTO_NUMBER));
  EXPECT_EQ("Letter.tif", s.output_file);
  EXPECT_EQ("Letter.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_TRUE(tp.trace.Contains("IDC_TRIM CHECKED  Letter.tif"));

  Click(IDC_TRIM_SOURCE_NAME);
  EXPECT_EQ(0u, s.trim_source_name);
  EXPECT_EQ("Microsoft Word - Letter.tif", s.output_file);

  DocName("reports/q3.doc");
  Click(IDC_TRIM_SOURCE_NAME);
  EXPECT_EQ("q3.tif", s.output_file);
  EXPECT_TRUE(tp.trace.Contains("g_file q3.tif"));

  // No document name: "SourceName", without an extension.
  tp.environment.Unset("VEDIZE_DOCNAME");
  Click(IDC_TRIM_SOURCE_NAME);
  EXPECT_EQ("SourceName", s.output_file);
}

TEST_F(ControlsTest, TrimInSerializationNamesTheNextSerialFile) {
  s.output_mode = kModeSerialization;
  s.last_serial_number = 2;
  DocName("a/b.doc");
  Open();
  Click(IDC_TRIM_SOURCE_NAME);
  EXPECT_EQ("b0002.tif", s.output_file);
  EXPECT_EQ("b0002.tif", Text(IDC_OUTPUT_FILE));
}

TEST_F(ControlsTest, ResetFileNumberGoesBackToOne) {
  s.output_mode = kModeDocument;
  s.auto_generate = 1;
  s.doc_prefix_string = "Inv";
  s.auto_number_value = 37;
  Open();
  Click(IDC_RESET_FILE_NUMBER);
  EXPECT_EQ(1u, s.auto_number_value);
  EXPECT_EQ("Inv0001.tif", s.output_file);
  EXPECT_EQ("Inv0001.tif", Text(IDC_OUTPUT_FILE));

  s.auto_number_value = 0;
  Click(IDC_RESET_FILE_NUMBER);
  EXPECT_EQ(0u, s.auto_number_value);
  EXPECT_EQ("Inv0000.tif", s.output_file);

  // Outside Document mode the name has no extension; without AutoGenerate nothing changes.
  s.output_mode = kModeAppend;
  s.auto_number_value = 5;
  Click(IDC_RESET_FILE_NUMBER);
  EXPECT_EQ("Inv0001", s.output_file);
  s.auto_generate = 0;
  s.auto_number_value = 9;
  s.output_file = "keep.tif";
  Click(IDC_RESET_FILE_NUMBER);
  EXPECT_EQ(1u, s.auto_number_value);
  EXPECT_EQ("keep.tif", s.output_file);
}

TEST_F(ControlsTest, ForbiddenCharacterInTheFilePrefixIsRemovedOnce) {
  s.output_mode = kModeDocument;
  s.auto_generate = 1;
  s.auto_number_value = 8;
  Open();
  Replace(IDC_DOC_PREFIX, "ab");
  view.PlaceCaret(IDC_DOC_PREFIX, 1);
  Type(IDC_DOC_PREFIX, "?");
  EXPECT_EQ("ab", Text(IDC_DOC_PREFIX));
  EXPECT_EQ("ab", s.doc_prefix_string);
  ASSERT_EQ(1u, tp.message_boxes.shown.size());
  EXPECT_EQ("\\ / : * ? < > and | are invalid characters", tp.message_boxes.shown[0].text);
  EXPECT_EQ("Info", tp.message_boxes.shown[0].caption);
  // Task-modal: the dialog cannot be confirmed underneath the box.
  EXPECT_EQ(uint32_t(kMbOk | kMbTaskModal), tp.message_boxes.shown[0].style);
  EXPECT_EQ("ab0008.tif", s.output_file);
  EXPECT_EQ("ab0008.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_TRUE(tp.trace.Contains("<= PREFIX ab0008.tif"));
}

TEST_F(ControlsTest, PrefixFilterRefusesExactlyTheEightCharacters) {
  Open();
  for (char c : std::string("*/:<>?\\|")) {
    Replace(IDC_DOC_PREFIX, std::string("x") + c);
    EXPECT_EQ("x", Text(IDC_DOC_PREFIX)) << c;
  }
  EXPECT_EQ(8u, tp.message_boxes.shown.size());
  for (char c : std::string("\"a1 _.-")) {
    Replace(IDC_DOC_PREFIX, std::string("x") + c);
    EXPECT_EQ(std::string("x") + c, Text(IDC_DOC_PREFIX)) << c;
  }
  EXPECT_EQ(8u, tp.message_boxes.shown.size());
  // Only a change is checked: a focus notification leaves a pasted "?" alone.
  view.At(IDC_DOC_PREFIX).text = "p?";
  view.PlaceCaret(IDC_DOC_PREFIX, 2);
  OnSettingsCommand(ctx, view, state, IDC_DOC_PREFIX, 0x100, &end_result);
  EXPECT_EQ("p?", Text(IDC_DOC_PREFIX));
}

// Pasted text carries any number of forbidden characters, anywhere: all go in one change, the
// caret stays after the text it followed, and the box is shown once.
TEST_F(ControlsTest, PastedPrefixesLoseEveryForbiddenCharacter) {
  s.output_mode = kModeSerialization;
  Open();
  struct Case {
    const char* pasted;
    int caret;
    const char* kept;
    int caret_after;
  } cases[] = {{"a:b", 3, "ab", 2}, {"..\\", 3, "..", 2}, {"?x|y", 0, "xy", 0},
               {"a<b>c", 2, "abc", 1}};
  for (const Case& c : cases) {
    tp.message_boxes.shown.clear();
    view.At(IDC_SERIAL_PREFIX).text = c.pasted;
    view.PlaceCaret(IDC_SERIAL_PREFIX, c.caret);
    OnSettingsCommand(ctx, view, state, IDC_SERIAL_PREFIX, kNotifyEditChange, &end_result);
    EXPECT_EQ(c.kept, Text(IDC_SERIAL_PREFIX)) << c.pasted;
    EXPECT_EQ(c.kept, s.serial_prefix_string) << c.pasted;
    EXPECT_EQ(c.caret_after, view.SelectionStart(IDC_SERIAL_PREFIX)) << c.pasted;
    EXPECT_EQ(1u, tp.message_boxes.shown.size()) << c.pasted;
  }
}

// Leaving Serialization (which empties Output File) for Document with neither auto-numbering
// nor the source name must still give the document a real name, shown and kept.
TEST_F(ControlsTest, DocumentAfterSerializationShowsAndKeepsARealName) {
  s.auto_generate = 0;
  s.use_source_name = 0;
  s.doc_prefix_string = "Doc";
  s.auto_number_value = 3;
  Open();
  Click(IDC_MODE_SERIAL);
  EXPECT_EQ("", s.output_file);
  Click(IDC_MODE_DOCUMENT);
  EXPECT_EQ("Doc0003.tif", s.output_file);
  EXPECT_EQ("Doc0003.tif", Text(IDC_OUTPUT_FILE));
  Click(kIdOk);
  EXPECT_EQ("Doc0003.tif", s.output_file);
  // Nor a cleared field on O&K, nor a stored empty name when the dialog is hidden.
  Replace(IDC_OUTPUT_FILE, "");
  Click(kIdOk);
  EXPECT_EQ("Doc0003.tif", s.output_file);
  s.output_file.clear();
  NullDialogView hidden;
  ResetValues(ctx, hidden);
  EXPECT_EQ("Doc0003.tif", s.output_file);
}

TEST_F(ControlsTest, FilePrefixOutsideDocumentModeLeavesOutputFile) {
  s.output_mode = kModeAppend;
  s.output_file = "all.tif";
  Open();
  Replace(IDC_DOC_PREFIX, "Z");
  EXPECT_EQ("Z", s.doc_prefix_string);
  EXPECT_EQ("all.tif", s.output_file);
}

TEST_F(ControlsTest, SerialPrefixUpdatesThePreviewInSerialization) {
  s.output_mode = kModeSerialization;
  s.last_serial_number = 11;
  Open();
  Replace(IDC_SERIAL_PREFIX, "Sc");
  view.PlaceCaret(IDC_SERIAL_PREFIX, 1);
  Type(IDC_SERIAL_PREFIX, ":");
  EXPECT_EQ("Sc", s.serial_prefix_string);
  EXPECT_EQ(1u, tp.message_boxes.shown.size());
  EXPECT_EQ("Sc0011.tif", s.output_file);
  EXPECT_EQ("Sc0011.tif", Text(IDC_OUTPUT_FILE));
  Type(IDC_SERIAL_PREFIX, "an");  // the caret stayed where the ":" was
  EXPECT_EQ("Sanc", s.serial_prefix_string);
}

TEST_F(ControlsTest, EditsFeedTheRecord) {
  Open();
  Replace(IDC_OUTPUT_FOLDER, "D:\\out\\");
  EXPECT_EQ("D:\\out\\", s.output_directory);
  Replace(IDC_OUTPUT_FILE, "name.tif");
  EXPECT_EQ("name.tif", s.output_file);
  Replace(IDC_OUTPUT_FILE, std::string(300, 'f'));
  EXPECT_EQ(255u, s.output_file.size());  // the edit holds no more
}

TEST_F(ControlsTest, ResetSerialButtonShowsTheNewNumber) {
  s.output_mode = kModeSerialization;
  s.serial_prefix_string = "Scan";
  s.serial_init_number = 5;
  s.last_serial_number = 9;
  s.serial_num_digits = 4;
  Open();
  view.on_reset_serial = [&] {
    MemoryDialogView child;
    MemoryDialogView::AddResetSerialControls(&child);
    InitializeResetSerial(ctx, child);
    EXPECT_EQ("0005", child.At(IDC_NEW_SERIAL).text);
    child.At(IDC_NEW_SERIAL).text = "0100";
    return AcceptResetSerial(ctx, child) ? 1 : 0;
  };
  Click(IDC_RESET_SERIAL);
  EXPECT_EQ(100u, s.serial_init_number);
  EXPECT_EQ(100u, s.last_serial_number);
  EXPECT_EQ("0100", Text(IDC_SERIAL_INIT));
  EXPECT_EQ("Scan0100.tif", s.output_file);
  EXPECT_EQ("Scan0100.tif", Text(IDC_OUTPUT_FILE));
  EXPECT_TRUE(tp.trace.Contains("RESETNUM"));

  // Cancelled: the serial text stays, the preview is refreshed from the unchanged values.
  view.on_reset_serial = [] { return 0; };
  view.At(IDC_SERIAL_INIT).text = "shown";
  Click(IDC_RESET_SERIAL);
  EXPECT_EQ("shown", Text(IDC_SERIAL_INIT));
  EXPECT_EQ(100u, s.serial_init_number);
}

TEST_F(ControlsTest, ChooserButtonsShowWhatWasChosen) {
  s.output_application = "C:\\old.exe";
  Open();
  view.open_file_answers = {std::string("C:\\Tools\\viewer.exe")};
  Click(IDC_CHOOSE_APPLICATION);
  EXPECT_EQ("C:\\Tools\\viewer.exe", Text(IDC_OUTPUT_APPLICATION));

  view.open_file_answers = {std::string("E:\\Scans\\Out\\batch.tif")};
  Click(IDC_CHOOSE_FILE);
  EXPECT_EQ("E:\\Scans\\Out", s.output_directory);
  EXPECT_EQ("batch.tif", s.output_file);
  EXPECT_EQ("E:\\Scans\\Out", Text(IDC_OUTPUT_FOLDER));
  EXPECT_EQ("batch.tif", Text(IDC_OUTPUT_FILE));
  // The next showing starts from the last choice.
  view.open_file_answers = {std::nullopt};
  Click(IDC_CHOOSE_FILE);
  EXPECT_EQ("E:\\Scans\\Out\\batch.tif", view.open_file_requests.back().initial_file);
  EXPECT_EQ("batch.tif", s.output_file);

  view.open_file_answers = {std::string("F:\\Dest\\FOLDR")};
  Click(IDC_CHOOSE_FOLDER);
  EXPECT_EQ("F:\\Dest\\", s.output_directory);
  EXPECT_EQ("F:\\Dest\\", Text(IDC_OUTPUT_FOLDER));
  view.open_file_answers = {std::nullopt};
  Click(IDC_CHOOSE_FOLDER);
  EXPECT_EQ("F:\\Dest\\", Text(IDC_OUTPUT_FOLDER));

  Click(IDC_HELP_BUTTON);
  EXPECT_EQ(1, view.help_shown);
}

TEST_F(ControlsTest, CancelSavesNothingAndOkSavesTheRecordWithTheApplicationField) {
  s.output_mode = kModeDocument;
  Open();
  Click(IDC_MODE_APPEND);
  view.At(IDC_OUTPUT_APPLICATION).text = "C:\\typed.exe";  // 6022 has no handler of its own
  EXPECT_TRUE(Click(kIdCancel));
  EXPECT_EQ(0, end_result);
  EXPECT_EQ(nullptr, tp.registry.hive(Hive::kCurrentUser).Find(kSettingsKeyPath));
  EXPECT_EQ(kModeAppend, s.output_mode);  // the clicks stay in memory

  EXPECT_TRUE(Click(kIdOk));
  EXPECT_EQ(1, end_result);
  EXPECT_EQ(kModeAppend, ReadSettingDword(ctx, "Output Mode"));
  EXPECT_EQ("C:\\typed.exe", s.output_application);
  RegKey key = kNoKey;
  ASSERT_EQ(kSuccess, tp.registry.OpenCurrentUserKey(kSettingsKeyPath, &key));
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ASSERT_EQ(kSuccess, tp.registry.QueryValue(key, "Output Application", &type, &data, 1024));
  EXPECT_EQ("C:\\typed.exe", std::string(data.begin(), data.end()));

  // Other buttons and notifications never end the dialog.
  EXPECT_FALSE(Click(IDC_PDF_OUTPUT));
  EXPECT_FALSE(OnSettingsCommand(ctx, view, state, kIdOk, 0x100, &end_result));
}

}  // namespace
}  // namespace qid
