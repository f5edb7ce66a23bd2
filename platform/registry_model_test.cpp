#include "platform/registry_model.h"

#include <gtest/gtest.h>

#include "common/text_convert.h"
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
  // regedit's own export is UTF-16 with a byte-order mark.
  std::vector<uint8_t> wide = Utf16LeBytes(AnsiToUtf16(text.substr(3)));
  const std::string exports[] = {text, "\xFF\xFE" + std::string(wide.begin(), wide.end())};
  for (const std::string& file : exports) {
    RegistryModel model;
    ASSERT_TRUE(model.Parse(file, "HKEY_CURRENT_USER"));
    RegistryKeyNode* k = model.Find("Software\\ZEL\\4.01\\Settings");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->FindValue("Output Mode")->data, (std::vector<uint8_t>{10, 0, 0, 0}));
    EXPECT_EQ(k->FindValue("Bytes")->data, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(k->FindValue("")->data, Utf16LeBytes(u"default"));  // no terminator
  }
}

// Strings are UTF-16 in the hive; the file shows them as ANSI text where that is exact and as
// regedit's hex(1), hex(2) and hex(7) of UTF-16 bytes otherwise.
TEST(RegistryModelTest, StringsInTheTextFormAreUtf16AsRegeditHasThem) {
  RegistryModel model;
  RegistryKeyNode* key = model.Create("K", "", nullptr);
  key->SetValue("Plain", kRegSz, Utf16LeBytes(u"C:\\Z\u00E4L \u20AC"));
  key->SetValue("Greek", kRegSz, Utf16LeBytes(u"\u03A9"));
  key->SetValue("Ended", kRegSz, Utf16LeBytes(std::u16string(u"ab", 3)));
  key->SetValue("Odd", kRegSz, {'a', 0, 'b'});
  key->SetValue("Path", kRegExpandSz, Utf16LeBytes(u"%T%"));
  std::string text = model.Serialize("HKEY_CURRENT_USER");
  for (const char* line : {"\"Plain\"=\"C:\\\\Z\xE4L \x80\"\n", "\"Greek\"=hex(1):a9,03\n",
                           "\"Ended\"=hex(1):61,00,62,00,00,00\n", "\"Odd\"=hex(1):61,00,62\n",
                           "\"Path\"=hex(2):25,00,54,00,25,00\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;

  RegistryModel back;
  ASSERT_TRUE(back.Parse(text, "HKEY_CURRENT_USER"));
  for (const auto& v : key->values)
    EXPECT_EQ(back.Find("K")->FindValue(v.name)->data, v.data) << v.name;
}

// Hive files of the earlier release listed ANSI bytes in hex(1), hex(2) and hex(7).
TEST(RegistryModelTest, HiveOfTheEarlierReleaseReadsIntoUtf16) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n"
      "; Strings are kept as written: \"text\" holds no terminator, hex(1) lists exact bytes.\n"
      "\n[HKEY_CURRENT_USER\\K]\n"
      "\"Quoted\"=\"G\xE4rten\"\n"
      "\"Ended\"=hex(1):61,62,00\n"
      "\"Multi\"=hex(7):61,00,62,00,00\n"
      "\"Blob\"=hex:61,62\n";
  RegistryModel model;
  ASSERT_TRUE(model.Parse(text, "HKEY_CURRENT_USER"));
  RegistryKeyNode* k = model.Find("K");
  EXPECT_EQ(k->FindValue("Quoted")->data, Utf16LeBytes(u"G\u00E4rten"));
  EXPECT_EQ(k->FindValue("Ended")->data, Utf16LeBytes(std::u16string(u"ab", 3)));
  EXPECT_EQ(k->FindValue("Multi")->data, Utf16LeBytes(std::u16string(u"a\0b\0", 5)));
  EXPECT_EQ(k->FindValue("Blob")->data, (std::vector<uint8_t>{'a', 'b'}));
  // Written again, the file has the new note and reads back the same.
  RegistryModel back;
  ASSERT_TRUE(back.Parse(model.Serialize("HKEY_CURRENT_USER"), "HKEY_CURRENT_USER"));
  EXPECT_EQ(back.Find("K")->FindValue("Ended")->data, k->FindValue("Ended")->data);
}

TEST(RegistryModelTest, SubkeysKeepTheSystemsAlphabeticalOrder) {
  RegistryModel model;
  for (const char* name : {"b", "A_x", "Ab", "a", "C", "AB\\deep"}) model.Create(name, "", nullptr);
  std::vector<std::string> names;
  for (const auto& sub : model.root().subkeys) names.push_back(sub->name);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "Ab", "A_x", "b", "C"}));
  EXPECT_EQ(model.Remove(""), 2);  // the hive itself
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
