#include "platform/registry_model.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace qid {
namespace {

TEST(RegistryModelTest, SerializedHiveParsesBackToTheSameTree) {
  RegistryModel model;
  RegistryKeyNode* key = model.Create("Software\\ZEL\\4.01\\Settings", " ", nullptr);
  key->SetValue("", kRegSz, {'d'});
  key->SetValue("Long", kRegBinary, std::vector<uint8_t>(200, 0xAB));
  key->SetValue("Multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
  key->SetValue("Latin", kRegSz, {'G', 0xE4, 'r', 't', 'e', 'n'});
  model.Create("Software\\Other", "", nullptr);
  std::string text = model.Serialize("HKEY_LOCAL_MACHINE");

  RegistryModel back;
  ASSERT_TRUE(back.Parse(text, "HKEY_LOCAL_MACHINE"));
  EXPECT_EQ(back.Serialize("HKEY_LOCAL_MACHINE"), text);
  RegistryKeyNode* k = back.Find("software\\zel\\4.01\\settings");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->key_class, " ");
  EXPECT_EQ(k->FindValue("")->data, std::vector<uint8_t>{'d'});
  EXPECT_EQ(k->FindValue("Long")->data, std::vector<uint8_t>(200, 0xAB));
  EXPECT_EQ(k->FindValue("Multi")->type, uint32_t(kRegMultiSz));
  EXPECT_EQ(k->FindValue("Latin")->data.size(), 6u);
  EXPECT_NE(back.Find("Software\\Other"), nullptr);
}

TEST(RegistryModelTest, ReadsWhatRegeditExports) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\ZEL\\4.01\\Settings]\r\n"
      "@=\"default\"\r\n"
      "\"Output Mode\"=dword:0000000a\r\n"
      "\"Bytes\"=hex:01,02,\\\r\n  03,04\r\n"
      "; a comment\r\n";
  RegistryModel model;
  ASSERT_TRUE(model.Parse(text, "HKEY_CURRENT_USER"));
  RegistryKeyNode* k = model.Find("Software\\ZEL\\4.01\\Settings");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->FindValue("Output Mode")->data, (std::vector<uint8_t>{10, 0, 0, 0}));
  EXPECT_EQ(k->FindValue("Bytes")->data, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(k->FindValue("")->data.size(), 7u);
}

TEST(RegistryModelTest, DamagedTextIsRefusedAndLeavesTheTreeAlone) {
  RegistryModel model;
  model.Create("Keep", "", nullptr);
  const char* damaged[] = {
      "",
      "not a registry file\n",
      "Windows Registry Editor Version 5.00\n\"orphan\"=dword:00000001\n",
      "Windows Registry Editor Version 5.00\n[HKEY_USERS\\Wrong]\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:0g\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"x=\"open\n",
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n",
  };
  for (const char* text : damaged) {
    EXPECT_FALSE(model.Parse(text, "HKEY_CURRENT_USER")) << text;
    EXPECT_NE(model.Find("Keep"), nullptr);
  }
}

}  // namespace
}  // namespace qid
