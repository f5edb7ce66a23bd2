#include "imagewriter/dialogs/reset_serial.h"

#include <gtest/gtest.h>

#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/memory_dialog_view.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::TestPlatform;

class ResetSerialTest : public ::testing::Test {
 protected:
  ResetSerialTest() {
    SetDefaults(ctx.settings);
    MemoryDialogView::AddResetSerialControls(&view);
    // The settings key as LoadSettings leaves it open.
    tp.registry.hive(Hive::kCurrentUser).Create(kSettingsKeyPath, " ", nullptr);
    EXPECT_TRUE(LoadSettings(ctx));
  }
  bool Accept(const std::string& entry) {
    view.At(IDC_NEW_SERIAL).text = entry;
    return AcceptResetSerial(ctx, view);
  }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
  Settings& s = ctx.settings;
  MemoryDialogView view;
};

TEST_F(ResetSerialTest, InitialisationShowsThePaddedInitialNumber) {
  s.serial_init_number = 42;
  s.serial_num_digits = 6;
  InitializeResetSerial(ctx, view);
  EXPECT_EQ("000042", view.At(IDC_NEW_SERIAL).text);
  s.serial_num_digits = 0;
  InitializeResetSerial(ctx, view);
  EXPECT_EQ("000000042", view.At(IDC_NEW_SERIAL).text);
  EXPECT_TRUE(tp.trace.Contains("QIF01:  WN INIT Serial"));
  EXPECT_TRUE(view.unknown_ids.empty());
}

TEST_F(ResetSerialTest, LeadingZerosCountButTheNumberIsStored) {
  s.serial_num_digits = 4;
  EXPECT_TRUE(Accept("0100"));
  EXPECT_EQ(100u, s.serial_init_number);
  EXPECT_EQ(100u, s.last_serial_number);
  EXPECT_EQ(100u, ReadSettingDword(ctx, "Serial Init Number"));
  EXPECT_EQ(100u, ReadSettingDword(ctx, "Last Serial Number"));
  EXPECT_TRUE(tp.message_boxes.shown.empty());
  EXPECT_TRUE(tp.trace.Contains("SEC01:  err = 0"));
}

TEST_F(ResetSerialTest, TooManyDigitsAreRefusedNamingTheLimit) {
  s.serial_num_digits = 4;
  s.serial_init_number = 7;
  s.last_serial_number = 9;
  EXPECT_FALSE(Accept("12345"));
  ASSERT_EQ(1u, tp.message_boxes.shown.size());
  EXPECT_EQ("The current serial number size limit (as set in driver) is 4 digits.\nThe initial "
            "serial number you entered exceeds this size.\n\nPlease try again...",
            tp.message_boxes.shown[0].text);
  EXPECT_EQ("Input Error", tp.message_boxes.shown[0].caption);
  EXPECT_EQ(uint32_t(kMbOk | kMbIconInformation | kMbTaskModal), tp.message_boxes.shown[0].style);
  // Leading zeros make an entry too long as well.
  EXPECT_FALSE(Accept("00001"));
  EXPECT_EQ(2u, tp.message_boxes.shown.size());
  EXPECT_EQ(7u, s.serial_init_number);
  EXPECT_EQ(9u, s.last_serial_number);
  EXPECT_EQ(0u, ReadSettingDword(ctx, "Serial Init Number"));  // nothing written
}

TEST_F(ResetSerialTest, ZerosAndEntriesWithoutDigitsAreInvalid) {
  s.serial_num_digits = 4;
  for (const char* entry : {"0", "0000", "00000000000", "", "x12"}) {
    tp.message_boxes.shown.clear();
    EXPECT_FALSE(Accept(entry)) << entry;
    ASSERT_EQ(1u, tp.message_boxes.shown.size()) << entry;
    EXPECT_EQ("The number you entered is invalid. It must be greater than 0 and contain digits "
              "only.\n\nPlease try again...",
              tp.message_boxes.shown[0].text);
    EXPECT_EQ("Input Error", tp.message_boxes.shown[0].caption);
  }
  EXPECT_EQ(1u, s.serial_init_number);
}

TEST_F(ResetSerialTest, LimitIsTheWidthTheDialogShows) {
  std::string message;
  uint32_t number = 0;
  // Digits outside 2..8 show nine digits, so nine are accepted and the value fits 32 bits.
  for (uint32_t digits : {0u, 9u, 12u}) {
    EXPECT_TRUE(ValidateSerialEntry("999999999", digits, &number, &message)) << digits;
    EXPECT_EQ(999999999u, number);
    EXPECT_FALSE(ValidateSerialEntry("1000000000", digits, &number, &message)) << digits;
    EXPECT_NE(std::string::npos, message.find("is 9 digits"));
  }
  EXPECT_TRUE(ValidateSerialEntry("12", 2, &number, &message));
  EXPECT_FALSE(ValidateSerialEntry("123", 2, &number, &message));
  // The leading digits give the number.
  EXPECT_TRUE(ValidateSerialEntry("12a", 4, &number, &message));
  EXPECT_EQ(12u, number);
}

TEST_F(ResetSerialTest, WithoutAnOpenKeyTheNumberStaysInTheRecord) {
  ctx.settings_key = kNoKey;
  s.serial_num_digits = 4;
  EXPECT_TRUE(Accept("25"));
  EXPECT_EQ(25u, s.serial_init_number);
  EXPECT_EQ(25u, s.last_serial_number);
}

}  // namespace
}  // namespace qid
