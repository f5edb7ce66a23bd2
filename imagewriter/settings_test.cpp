#include "imagewriter/settings.h"

#include <gtest/gtest.h>

#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::TestPlatform;

std::vector<uint8_t> Dword(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

class SettingsTest : public ::testing::Test {
 protected:
  RegistryKeyNode* UserKey() { return tp.registry.hive(Hive::kCurrentUser).Find(kSettingsKeyPath); }
  RegistryKeyNode* MachineKey() {
    return tp.registry.hive(Hive::kLocalMachine).Find(kSettingsKeyPath);
  }
  RegistryKeyNode* MakeKey(Hive hive) {
    return tp.registry.hive(hive).Create(kSettingsKeyPath, " ", nullptr);
  }
  // Names of the key's values in stored order.
  static std::vector<std::string> Names(RegistryKeyNode* key) {
    std::vector<std::string> names;
    for (const auto& v : key->values) names.push_back(v.name);
    return names;
  }

  TestPlatform tp;
  WriterContext ctx{tp.platform()};
};

TEST_F(SettingsTest, NoKeyAnywhereTakesDefaultsAndOpensNothing) {
  EXPECT_FALSE(LoadSettings(ctx));
  const Settings& s = ctx.settings;
  EXPECT_EQ(s.auto_generate, 1u);
  EXPECT_EQ(s.auto_number_value, 1u);
  EXPECT_EQ(s.output_mode, 1u);
  EXPECT_EQ(s.serial_num_digits, 4u);
  EXPECT_EQ(s.last_serial_number, 1u);
  EXPECT_EQ(s.output_directory, "C:\\ZEL");
  EXPECT_EQ(s.output_file, "TEST.TIF");
  EXPECT_EQ(s.output_application, "");
  EXPECT_EQ(ctx.settings_key, kNoKey);
  EXPECT_TRUE(tp.trace.Contains("REGISTRY => LOCAL MACHINE"));
  EXPECT_TRUE(tp.trace.Contains("REGISTRY ERROR"));
  EXPECT_TRUE(tp.trace.Contains("Set Defaults"));
  // Without a key the counters have nowhere to go.
  EXPECT_FALSE(StoreCounter(ctx, "Last Serial Number", 9));
  EXPECT_EQ(UserKey(), nullptr);
}

TEST_F(SettingsTest, LoadsEveryValueFromTheUserKey) {
  RegistryKeyNode* key = MakeKey(Hive::kCurrentUser);
  const char* numbers[] = {"AutoGenerate", "Auto Number Value", "Disable Dialog",
                           "Serial Init Number", "Output Mode", "Always Overwrite", "PDF Output",
                           "Auto Reset Serial Number", "Last Serial Number", "Serial Num Digits",
                           "Trim Source Name", "Use Source Name"};
  for (uint32_t i = 0; i < 12; ++i) key->SetValue(numbers[i], kRegDword, Dword(100 + i));
  key->SetValue("Output Application", kRegSz, StoredText("C:\\Tools\\view.exe"));
  key->SetValue("Output Directory", kRegSz, StoredText(std::string("D:\\Out\0", 8)));  // with NUL
  key->SetValue("Output File", kRegSz, StoredText("job.tif"));                         // without
  key->SetValue("Doc Prefix String", kRegSz, StoredText("Inv"));
  key->SetValue("Serial Prefix String", kRegSz, StoredText("Scan"));

  EXPECT_TRUE(LoadSettings(ctx));
  const Settings& s = ctx.settings;
  EXPECT_EQ(s.auto_generate, 100u);
  EXPECT_EQ(s.auto_number_value, 101u);
  EXPECT_EQ(s.disable_dialog, 102u);
  EXPECT_EQ(s.serial_init_number, 103u);
  EXPECT_EQ(s.output_mode, 104u);
  EXPECT_EQ(s.always_overwrite, 105u);
  EXPECT_EQ(s.pdf_output, 106u);
  EXPECT_EQ(s.auto_reset_serial_number, 107u);
  EXPECT_EQ(s.last_serial_number, 108u);
  EXPECT_EQ(s.serial_num_digits, 109u);  // kept out of range: the job run clamps it
  EXPECT_EQ(s.trim_source_name, 110u);
  EXPECT_EQ(s.use_source_name, 111u);
  EXPECT_EQ(s.output_application, "C:\\Tools\\view.exe");
  EXPECT_EQ(s.output_directory, "D:\\Out");
  EXPECT_EQ(s.output_file, "job.tif");
  EXPECT_EQ(s.doc_prefix_string, "Inv");
  EXPECT_EQ(s.serial_prefix_string, "Scan");
  EXPECT_FALSE(tp.trace.Contains("LOCAL MACHINE"));
  EXPECT_TRUE(tp.trace.Contains("Get REGISTRY ENDE "));
  EXPECT_TRUE(tp.trace.Contains("String SPREFIX Scan"));
}

TEST_F(SettingsTest, MissingOrMisshapenNumbersAndStringsTakeTheirDefaults) {
  RegistryKeyNode* key = MakeKey(Hive::kCurrentUser);
  key->SetValue("Output Mode", kRegDword, {3, 0});                   // 2 bytes
  key->SetValue("Serial Num Digits", kRegSz, StoredText("6666"));         // 4 bytes, not a number
  key->SetValue("Last Serial Number", kRegDword, Dword(42));
  EXPECT_TRUE(LoadSettings(ctx));
  EXPECT_EQ(ctx.settings.output_mode, 1u);
  EXPECT_EQ(ctx.settings.serial_num_digits, 4u);
  EXPECT_EQ(ctx.settings.last_serial_number, 42u);
  EXPECT_EQ(ctx.settings.output_directory, "C:\\ZEL");
  EXPECT_EQ(ctx.settings.output_application, "");
}

TEST_F(SettingsTest, StringsAtTheirCapacityLoadAndLongerOnesAreRefusedWhole) {
  RegistryKeyNode* key = MakeKey(Hive::kCurrentUser);
  std::string dir(1023, 'd');
  key->SetValue("Output Directory", kRegSz, StoredText(dir + '\0'));  // 1024 bytes with its NUL
  key->SetValue("Output File", kRegSz, StoredText(std::string(256, 'f')));
  key->SetValue("Doc Prefix String", kRegSz, StoredText(std::string(63, 'p')));
  key->SetValue("Serial Prefix String", kRegSz, StoredText(std::string(64, 's')));
  key->SetValue("Output Application", kRegSz, StoredText(std::string(300, 'a')));
  EXPECT_TRUE(LoadSettings(ctx));
  EXPECT_EQ(ctx.settings.output_directory, dir);
  EXPECT_EQ(ctx.settings.output_file, "TEST.TIF");
  EXPECT_EQ(ctx.settings.doc_prefix_string, std::string(63, 'p'));
  EXPECT_EQ(ctx.settings.serial_prefix_string, "");
  EXPECT_EQ(ctx.settings.output_application, "");
  EXPECT_TRUE(tp.trace.Contains("Output File longer than 255 characters"));
}

TEST_F(SettingsTest, LocalMachineFallbackReadsThereAndCountersGoBackThere) {
  RegistryKeyNode* machine = MakeKey(Hive::kLocalMachine);
  machine->SetValue("Output Mode", kRegDword, Dword(2));
  machine->SetValue("Serial Prefix String", kRegSz, StoredText("HKLM"));
  EXPECT_TRUE(LoadSettings(ctx));
  EXPECT_EQ(ctx.settings.output_mode, 2u);
  EXPECT_EQ(ctx.settings.serial_prefix_string, "HKLM");
  EXPECT_TRUE(tp.trace.Contains("REGISTRY => LOCAL MACHINE"));
  EXPECT_TRUE(tp.trace.Contains("REGISTRY OK"));

  EXPECT_TRUE(StoreCounter(ctx, "Last Serial Number", 17));
  EXPECT_EQ(machine->FindValue("Last Serial Number")->data, Dword(17));
  // The three job values always go to the current user's key, created with class " ".
  WriteSettingDword(ctx, "Pages Last", 3);
  WriteSettingDword(ctx, "Pages Total", 3);
  WriteSettingString(ctx, "Done File", "C:\\tmp\\DONE_ZEL.TIF");
  ASSERT_NE(UserKey(), nullptr);
  EXPECT_EQ(UserKey()->key_class, " ");
  EXPECT_EQ(Names(UserKey()), (std::vector<std::string>{"Pages Last", "Pages Total", "Done File"}));
  EXPECT_EQ(UserKey()->FindValue("Done File")->data, StoredText("C:\\tmp\\DONE_ZEL.TIF"));
  EXPECT_EQ(UserKey()->FindValue("Done File")->type, uint32_t(kRegSz));
}

TEST_F(SettingsTest, ReadOnlyLocalMachineKeyFallsBackToDefaults) {
  MakeKey(Hive::kLocalMachine)->SetValue("Output Mode", kRegDword, Dword(3));
  tp.registry.SetReadOnly(Hive::kLocalMachine, true);
  EXPECT_FALSE(LoadSettings(ctx));
  EXPECT_EQ(ctx.settings.output_mode, 1u);
}

TEST_F(SettingsTest, SaveWritesEveryValueInOrderWithoutTerminatorsAndTakesOverTheKey) {
  MakeKey(Hive::kLocalMachine);
  ASSERT_TRUE(LoadSettings(ctx));  // from the local machine key
  ctx.settings.output_directory = "C:\\Scans";
  ctx.settings.last_serial_number = 5;
  std::string field = std::string(300, 'x');
  EXPECT_TRUE(SaveSettings(ctx, &field));
  EXPECT_EQ(ctx.settings.output_application, std::string(255, 'x'));
  RegistryKeyNode* user = UserKey();
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(Names(user),
            (std::vector<std::string>{
                "AutoGenerate", "Auto Number Value", "Disable Dialog", "Serial Init Number",
                "Output Mode", "Always Overwrite", "PDF Output", "Auto Reset Serial Number",
                "Last Serial Number", "Serial Num Digits", "Trim Source Name", "Use Source Name",
                "Output Directory", "Output File", "Doc Prefix String", "Serial Prefix String",
                "Output Application"}));
  EXPECT_EQ(user->FindValue("Output Directory")->data, StoredText("C:\\Scans"));
  EXPECT_EQ(user->FindValue("Last Serial Number")->data, Dword(5));
  EXPECT_EQ(user->FindValue("Output Application")->data, StoredText(std::string(255, 'x')));
  EXPECT_TRUE(tp.trace.Contains("APP to launch xxx"));

  // After the save, counters go to the user's key even though the record came from HKLM.
  StoreCounter(ctx, "Last Serial Number", 6);
  EXPECT_EQ(user->FindValue("Last Serial Number")->data, Dword(6));
  EXPECT_EQ(MachineKey()->FindValue("Last Serial Number"), nullptr);
}

TEST_F(SettingsTest, SingleValueOperationsCreateTheUserKeyAndReadZeroWhenMissing) {
  EXPECT_EQ(ReadSettingDword(ctx, "Pages Total"), 0u);
  ASSERT_NE(UserKey(), nullptr);  // opened or created
  WriteSettingDword(ctx, "Pages Total", 12);
  EXPECT_EQ(ReadSettingDword(ctx, "Pages Total"), 12u);
  UserKey()->SetValue("Pages Total", kRegDword, {1, 2});  // wrongly sized
  EXPECT_EQ(ReadSettingDword(ctx, "Pages Total"), 0u);
}

// After the first job the user's key may hold only the job values: each missing value comes
// from the machine's key when it has one (even read-only), else from the defaults.
TEST_F(SettingsTest, ValuesMissingFromTheUserKeyComeFromTheMachineKey) {
  RegistryKeyNode* machine = MakeKey(Hive::kLocalMachine);
  machine->SetValue("Output Mode", kRegDword, Dword(2));
  machine->SetValue("Serial Num Digits", kRegDword, Dword(6));
  machine->SetValue("Output Directory", kRegSz, StoredText("D:\\Scans"));
  machine->SetValue("Serial Prefix String", kRegSz, StoredText("HKLM"));
  RegistryKeyNode* user = MakeKey(Hive::kCurrentUser);
  user->SetValue("Serial Num Digits", kRegDword, Dword(3));
  user->SetValue("Serial Prefix String", kRegSz, StoredText("Mine"));
  user->SetValue("Output Mode", kRegDword, {2, 0});  // misshapen: not usable
  tp.registry.SetReadOnly(Hive::kLocalMachine, true);
  EXPECT_TRUE(LoadSettings(ctx));
  const Settings& st = ctx.settings;
  EXPECT_EQ(st.output_mode, 2u);
  EXPECT_EQ(st.output_directory, "D:\\Scans");
  EXPECT_EQ(st.serial_num_digits, 3u);            // the user's own values win
  EXPECT_EQ(st.serial_prefix_string, "Mine");
  EXPECT_EQ(st.output_file, "TEST.TIF");          // in neither key: the default
  EXPECT_EQ(st.auto_generate, 1u);
  EXPECT_TRUE(tp.trace.Contains("Output Directory from LOCAL MACHINE"));
  EXPECT_TRUE(StoreCounter(ctx, "Last Serial Number", 5));  // counters stay in the user's key
  EXPECT_EQ(user->FindValue("Last Serial Number")->data, Dword(5));
  EXPECT_EQ(machine->FindValue("Last Serial Number"), nullptr);
}

TEST_F(SettingsTest, KeyHoldingOnlyJobValuesLoadsAsDefaults) {
  // What a print-to-file job without any key leaves behind.
  WriteSettingDword(ctx, "Pages Last", 1);
  WriteSettingDword(ctx, "Pages Total", 1);
  WriteSettingString(ctx, "Done File", "C:\\tmp\\DONE_ZEL.TIF");
  EXPECT_TRUE(LoadSettings(ctx));
  EXPECT_EQ(ctx.settings.output_mode, 1u);
  EXPECT_EQ(ctx.settings.auto_generate, 1u);
  EXPECT_EQ(ctx.settings.output_file, "TEST.TIF");
}

}  // namespace
}  // namespace qid
