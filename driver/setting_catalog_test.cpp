#include "driver/setting_catalog.h"

#include <gtest/gtest.h>

namespace qid::driver {
namespace {

TEST(SettingCatalog, EveryRecordFieldIsListedOnce) {
  Settings probe;
  SetDefaults(probe);
  size_t numbers = 0, texts = 0;
  for (const SettingInfo& info : SettingCatalog()) {
    EXPECT_EQ(&info, FindSetting(info.name)) << info.name;
    numbers += info.number != nullptr;
    texts += info.text != nullptr;
    if (info.number != nullptr) {
      std::string error;
      EXPECT_TRUE(CheckSettingNumber(info, probe.*info.number, &error))
          << info.name << ": the default must be accepted: " << error;
    }
  }
  EXPECT_EQ(12u, numbers);
  EXPECT_EQ(5u, texts);
  EXPECT_EQ(nullptr, FindSetting("output mode"));  // registry names are matched exactly
}

TEST(SettingCatalog, RefusesWhatQ71FileWouldMisread) {
  struct Case {
    const char* name;
    bool text;
    uint32_t number;
    size_t length;
    bool accepted;
  } cases[] = {
      {"Output Mode", false, 3, 0, true},        {"Output Mode", false, 0, 0, false},
      {"Output Mode", false, 4, 0, false},       {"PDF Output", false, 2, 0, false},
      {"Serial Num Digits", false, 9, 0, false}, {"Serial Num Digits", false, 2, 0, true},
      {"Last Serial Number", false, 0xFFFFFFFF, 0, true},
      {"Output Mode", true, 0, 1, false},        {"Output File", false, 1, 0, false},
      {"Output File", true, 0, 255, true},       {"Output File", true, 0, 256, false},
      {"Doc Prefix String", true, 0, 64, false},
  };
  for (const Case& c : cases) {
    const SettingInfo* info = FindSetting(c.name);
    ASSERT_NE(nullptr, info) << c.name;
    std::string error;
    bool ok = c.text ? CheckSettingText(*info, std::string(c.length, 'x'), &error)
                     : CheckSettingNumber(*info, c.number, &error);
    EXPECT_EQ(c.accepted, ok) << c.name << " " << c.number << " " << c.length;
    EXPECT_EQ(ok, error.empty()) << error;
  }
}

}  // namespace
}  // namespace qid::driver
