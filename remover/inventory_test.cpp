#include "remover/inventory.h"

#include "tests/support/remover_fixture.h"

namespace qid::testing {
namespace {

using Inventory = RemoverFixture;

TEST_F(Inventory, DetectOsKnowsEverySystemOfTheTableAndNewerOnes) {
  struct Row {
    uint32_t platform, major, minor;
    int kind;
    const char* subkey;
    const char* name;
  };
  const Row rows[] = {
      {kPlatformNt, 4, 0, kOsNt40, "Version-2", "Windows NT 4.0"},
      {kPlatformNt, 3, 51, kOsNt351, "Version-1", "Windows NT 3.51"},
      {kPlatformNt, 5, 1, kOsXp, "Version-3", "Windows XP"},
      {kPlatformNt, 6, 0, kOsVista7, "Version-3", "Windows 7/Vista/2008"},
      {kPlatformNt, 6, 3, kOsVista7, "Version-3", "Windows 7/Vista/2008"},
      {kPlatformNt, 5, 2, kOs2003, "Version-3", "Windows Server 2003"},
      {kPlatformNt, 5, 0, kOs2000, "Version-3", "Windows 2000"},
      {kPlatformWindows, 4, 0, kOs95, "?", "Windows 95"},
      {kPlatformWindows, 4, 10, kOs98, "?", "Windows 98"},
      {kPlatformWindows, 4, 90, kOsMe, "?", "Windows ME"},
      {kPlatformNt, 10, 0, kOs10, "Version-3", "Windows 10/11"},
      {kPlatformNt, 5, 3, kOsUnknown, "", ""},
      {kPlatformNt, 4, 10, kOsUnknown, "", ""},
      {kPlatformNt, 3, 50, kOsUnknown, "", ""},
      {kPlatformWindows, 4, 5, kOsUnknown, "", ""},
      {kPlatformWin32s, 3, 10, kOsUnknown, "", ""},
  };
  for (const Row& row : rows) {
    tp.system.version = OsVersion{row.major, row.minor, 0, row.platform};
    std::string subkey = "stale";
    EXPECT_EQ(row.kind, DetectOs(tp.platform(), &subkey)) << row.major << "." << row.minor;
    EXPECT_EQ(row.subkey, subkey) << row.major << "." << row.minor;
    EXPECT_STREQ(row.name, OsKindName(row.kind));
  }
  EXPECT_TRUE(tp.trace.Contains("PRNWIPE: Version Major = 6  Minor = 3\r\n"));

  tp.system.version_result = kErrInvalidParameter;
  std::string subkey;
  EXPECT_EQ(kOsUnknown, DetectOs(tp.platform(), &subkey));
}

TEST_F(Inventory, ListsTheDriversOfTheRunningEnvironmentSorted) {
  AddDriver({"Zeta Printer", "zeta.dll"});
  AddDriver({"alpha Printer", "alpha.dll"});
  AddDriver({"Beta Printer", "beta.dll"});
  AddDriver({"NT4 Driver", "nt4.dll", "", "", "", {}, "Version-2", 2});
  AddDriver({"x64 Driver", "x64.dll", "", "", "", {}, "Version-3", 3, kEnvironmentX64});
  Fill();
  EXPECT_EQ((std::vector<std::string>{"alpha Printer", "Beta Printer", "Zeta Printer"}), Listed());
  EXPECT_EQ("Operating system: Windows XP", main.At(IDC_SYSTEM_LINE).text);
  EXPECT_EQ(1, host.icons_set);
  ASSERT_EQ(3u, state.records.size());
  const DriverRecord& beta = *state.records[1];
  EXPECT_EQ("Beta Printer", beta.name);
  EXPECT_EQ(std::string(kEnvironmentX86) + "\\Version-3\\Beta Printer", beta.key_path);
  EXPECT_EQ(kDir, beta.driver_directory);
  EXPECT_EQ("beta.dll", beta.driver_file);
  EXPECT_EQ(3u, beta.version);
  EXPECT_EQ("Version-3", beta.version_subkey);

  // Windows 2000 lists its "Version-2" drivers in the same sorted list.
  tp.system.version = OsVersion{5, 0, 2195, kPlatformNt};
  Fill();
  EXPECT_EQ((std::vector<std::string>{"alpha Printer", "Beta Printer", "NT4 Driver", "Zeta Printer"}),
            Listed());
  EXPECT_EQ("Version-2", state.records[2]->version_subkey);
  EXPECT_EQ(std::string(kEnvironmentX86) + "\\Version-2\\NT4 Driver", state.records[2]->key_path);
  EXPECT_EQ("Operating system: Windows 2000", main.At(IDC_SYSTEM_LINE).text);

  // A 32-bit run on 64-bit Windows lists the x64 drivers.
  tp.system.version = OsVersion{10, 0, 19045, kPlatformNt};
  tp.system.wow64 = true;
  Fill();
  EXPECT_EQ((std::vector<std::string>{"x64 Driver"}), Listed());
  EXPECT_EQ("Operating system: Windows 10/11 64-bit", main.At(IDC_SYSTEM_LINE).text);
  EXPECT_EQ(std::string(kEnvironmentX64) + "\\Version-3\\x64 Driver", state.records[0]->key_path);
  EXPECT_EQ("C:\\WINDOWS\\system32\\spool\\drivers\\x64", state.records[0]->driver_directory)
      << "not the 32-bit drivers' folder, whose files may have the same names";
}

TEST_F(Inventory, The9xFamilyListsTheEnvironmentKeysOwnSubkeys) {
  tp.system.version = OsVersion{4, 10, 2222, kPlatformWindows};
  AddDriver({"Old Laser", "laser.drv", "", "", "", {}, "", 0, kEnvironment9x});
  Fill();
  EXPECT_EQ((std::vector<std::string>{"Old Laser"}), Listed());
  EXPECT_EQ(std::string(kEnvironment9x) + "\\Old Laser", state.records[0]->key_path);
  EXPECT_EQ("Operating system: Windows 98", main.At(IDC_SYSTEM_LINE).text);
}

TEST_F(Inventory, WhatEndsOrPreventsTheListing) {
  // A version subkey that differs in letter case only is not the one listed.
  AddDriver({"Shouting", "s.dll", "", "", "", {}, "VERSION-3"});
  Fill();
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ("Operating system: Windows XP", main.At(IDC_SYSTEM_LINE).text);

  // A version key that cannot be opened ends the listing without a message.
  tp.registry.hive(Hive::kLocalMachine).root().subkeys.clear();
  AddDriver({"Kept", "k.dll"});
  registry.open_errors[std::string(kEnvironmentX86) + "\\Version-3"] = kErrAccessDenied;
  Fill();
  EXPECT_TRUE(Listed().empty());
  EXPECT_TRUE(tp.message_boxes.shown.empty());

  // Without the environment key: an empty list and no system line.
  main.At(IDC_SYSTEM_LINE).text = "operation system";
  registry.open_errors.clear();
  registry.open_errors[kEnvironmentX86] = kErrFileNotFound;
  Fill();
  EXPECT_TRUE(Listed().empty());
  EXPECT_EQ("operation system", main.At(IDC_SYSTEM_LINE).text);
  EXPECT_TRUE(tp.message_boxes.shown.empty());

  // An unknown system: a warning, and the list is disabled.
  tp.system.version = OsVersion{5, 3, 0, kPlatformNt};
  Fill();
  ASSERT_EQ(1u, tp.message_boxes.shown.size());
  EXPECT_EQ("Don't know the version number.", tp.message_boxes.shown[0].text);
  EXPECT_EQ("Warning", tp.message_boxes.shown[0].caption);
  EXPECT_EQ(kMbIconWarning, tp.message_boxes.shown[0].style);
  EXPECT_FALSE(main.At(IDC_DRIVER_LIST).enabled);
  EXPECT_EQ(kOsUnknown, state.os_kind);
}

TEST_F(Inventory, FileListsAndSharedFiles) {
  // Duplicates in any letter case are listed once; without a help file the list starts with
  // the driver file; the data file is shared with another driver of the same folder.
  AddDriver({"Mine", "MINE.DLL", "shared.ppd", "mineui.dll", "",
             {"mine.dll", "MineUI.dll", "extra.dat", "EXTRA.DAT", "common.hlp"}});
  AddDriver({"Other", "other.dll", "SHARED.PPD", "", "common.hlp"});
  Fill();
  ASSERT_EQ("Mine", Listed()[0]);
  DriverFileList files;
  EXPECT_EQ(5u, BuildDriverFileList(state.records[0].get(), &files));
  std::vector<std::string> names;
  for (const DriverFile& f : files) names.push_back(*f.name + (f.remove ? "" : " (kept)"));
  EXPECT_EQ((std::vector<std::string>{"MINE.DLL", "mineui.dll", "shared.ppd", "extra.dat",
                                      "common.hlp"}),
            names);

  MarkSharedFiles(remover, 0, &files);
  names.clear();
  for (const DriverFile& f : files) names.push_back(*f.name + (f.remove ? "" : " (kept)"));
  EXPECT_EQ((std::vector<std::string>{"MINE.DLL", "mineui.dll", "shared.ppd (kept)", "extra.dat",
                                      "common.hlp (kept)"}),
            names);

  // A driver of another folder shares nothing.
  state.records[1]->driver_directory = "D:\\elsewhere";
  BuildDriverFileList(state.records[0].get(), &files);
  MarkSharedFiles(remover, 0, &files);
  for (const DriverFile& f : files) EXPECT_TRUE(f.remove) << *f.name;
}

}  // namespace
}  // namespace qid::testing
