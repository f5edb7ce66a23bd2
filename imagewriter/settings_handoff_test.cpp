// The settings key as drvsetup writes it (UTF-16 strings without terminator) read by Q71File's
// settings store, over the in-memory registry and the host's hive files.
#include <gtest/gtest.h>

#include "common/text_convert.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "platform/host/host_registry.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

struct InstallerValue {
  const char16_t* name;
  uint32_t number;
  const char16_t* text;  // null for a number
};

// The installer's defaults in its order; "Precmd" is one NUL character.
const InstallerValue kDefaults[] = {
    {u"AutoGenerate", 1, nullptr}, {u"Auto Number Value", 1, nullptr},
    {u"Disable Dialog", 0, nullptr}, {u"Serial Init Number", 1, nullptr},
    {u"Output Mode", 1, nullptr}, {u"Always Overwrite", 0, nullptr},
    {u"PDF Output", 0, nullptr}, {u"Auto Reset Serial Number", 0, nullptr},
    {u"Last Serial Number", 1, nullptr}, {u"Serial Num Digits", 4, nullptr},
    {u"Trim Source Name", 0, nullptr}, {u"Use Source Name", 0, nullptr},
    {u"Output Directory", 0, u"C:\\ZEL"}, {u"Output File", 0, u"TEST.TIF"},
    {u"Doc Prefix String", 0, u""}, {u"Serial Prefix String", 0, u""},
    {u"Output Application", 0, u""}, {u"Pages Last", 0, nullptr},
    {u"Pages Total", 0, nullptr}, {u"Precmd", 0, nullptr}, {u"use 2", 0, nullptr},
};

// Writes as the installer does: key class " ", numbers of 4 bytes, strings as UTF-16 of twice
// their length.
void WriteAsInstaller(Registry& reg, const std::vector<InstallerValue>& values) {
  RegKey key = kNoKey;
  ASSERT_EQ(kSuccess, reg.CreateKey(Hive::kCurrentUser, kSettingsKeyPath, " ", &key, nullptr));
  for (const InstallerValue& v : values) {
    if (std::u16string(v.name) == u"Precmd") {
      const uint8_t nul[2] = {0, 0};
      ASSERT_EQ(kSuccess, reg.SetValueW(key, v.name, kRegSz, nul, sizeof nul));
    } else if (v.text != nullptr) {
      ASSERT_EQ(kSuccess, SetStringValue(reg, key, v.name, v.text));
    } else {
      ASSERT_EQ(kSuccess, SetDwordValue(reg, key, v.name, v.number));
    }
  }
  reg.CloseKey(key);
}

class SettingsHandoffTest : public ::testing::TestWithParam<bool> {
 protected:
  SettingsHandoffTest() : host(tp.root.path()) {
    if (GetParam()) tp.platform().registry = &host;
  }
  Registry& reg() { return *tp.platform().registry; }

  testing::TestPlatform tp;
  HostRegistry host;
  WriterContext ctx{tp.platform()};
};

TEST_P(SettingsHandoffTest, InstallerDefaultsReadBackExactly) {
  WriteAsInstaller(reg(), {std::begin(kDefaults), std::end(kDefaults)});

  RegKey key = kNoKey;
  ASSERT_EQ(kSuccess, reg().OpenCurrentUserKey(kSettingsKeyPath, &key));
  uint32_t type = 0;
  std::vector<uint8_t> data;
  const std::pair<const char16_t*, size_t> sizes[] = {
      {u"Output Directory", 12}, {u"Output File", 16}, {u"Doc Prefix String", 0},
      {u"Output Application", 0}, {u"Precmd", 2}, {u"use 2", 4}};
  for (const auto& [name, size] : sizes) {
    ASSERT_EQ(kSuccess, reg().QueryValueW(key, name, &type, &data, 1024));
    EXPECT_EQ(data.size(), size) << Utf16ToAnsi(name);
  }
  reg().CloseKey(key);

  ASSERT_TRUE(LoadSettings(ctx));
  EXPECT_FALSE(tp.trace.Contains("not readable"));  // no number fell back to its default
  const Settings& s = ctx.settings;
  EXPECT_EQ(s.auto_generate, 1u);
  EXPECT_EQ(s.auto_number_value, 1u);
  EXPECT_EQ(s.serial_init_number, 1u);
  EXPECT_EQ(s.output_mode, 1u);
  EXPECT_EQ(s.last_serial_number, 1u);
  EXPECT_EQ(s.serial_num_digits, 4u);
  EXPECT_EQ(s.disable_dialog + s.always_overwrite + s.pdf_output + s.auto_reset_serial_number +
                s.trim_source_name + s.use_source_name,
            0u);
  EXPECT_EQ(s.output_directory, "C:\\ZEL");
  EXPECT_EQ(s.output_file, "TEST.TIF");
  EXPECT_EQ(s.doc_prefix_string, "");
  EXPECT_EQ(s.serial_prefix_string, "");
  EXPECT_EQ(s.output_application, "");
}

// Values other than the defaults prove that each one is read, not defaulted; text past ASCII
// arrives in the ANSI code page.
TEST_P(SettingsHandoffTest, EveryValueWrittenInUtf16IsRead) {
  WriteAsInstaller(reg(), {{u"AutoGenerate", 0, nullptr},
                           {u"Auto Number Value", 41, nullptr},
                           {u"Output Mode", 3, nullptr},
                           {u"Serial Num Digits", 9, nullptr},
                           {u"Output Directory", 0, u"D:\\Bilder M\u00E4rz"},
                           {u"Output File", 0, u"Scan.tif"},
                           {u"Doc Prefix String", 0, u"Inv"},
                           {u"Serial Prefix String", 0, u"\u20AC"},
                           {u"Output Application", 0, u"C:\\Tools\\view.exe"}});
  ASSERT_TRUE(LoadSettings(ctx));
  const Settings& s = ctx.settings;
  EXPECT_EQ(s.auto_generate, 0u);
  EXPECT_EQ(s.auto_number_value, 41u);
  EXPECT_EQ(s.output_mode, 3u);
  EXPECT_EQ(s.serial_num_digits, 9u);  // stored and loaded unchanged
  EXPECT_EQ(s.output_directory, "D:\\Bilder M\xE4rz");
  EXPECT_EQ(s.output_file, "Scan.tif");
  EXPECT_EQ(s.doc_prefix_string, "Inv");
  EXPECT_EQ(s.serial_prefix_string, "\x80");
  EXPECT_EQ(s.output_application, "C:\\Tools\\view.exe");
}

INSTANTIATE_TEST_SUITE_P(Registries, SettingsHandoffTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Host" : "Memory"; });

}  // namespace
}  // namespace qid
