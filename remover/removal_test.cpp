#include "remover/removal.h"

#include <filesystem>

#include "remover/inventory.h"
#include "tests/support/remover_fixture.h"

namespace qid::testing {
namespace {

class Removal : public RemoverFixture {
 protected:
  static constexpr const char* kWininit = "C:\\WINDOWS\\Wininit.ini";
  // The driver "Laser" with a printer, files in the folder and in "3\", a PPD with its
  // compiled companion, and a data file that "Other" shares.
  void AddLaser() {
    AddDriver({"Laser", "laser.dll", "SHARED.DAT", "laserui.dll", "", {"LASER.PPD"}});
    AddDriver({"Other", "other.dll", "shared.dat"});
    // On disk as the lowered names that the removal uses (the host's names keep their case).
    for (const char* f : {"laser.dll", "laserui.dll", "laser.ppd", "laser.bpd", "shared.dat",
                          "other.dll", "3\\laser.dll", "3\\laser.ppd", "3\\laser.bpd",
                          "3\\shared.dat"}) {
      AddFile(f);
    }
    AddPrinter("Office Laser", "Laser");
    AddPrinter("Office Other", "Other");
  }
  std::string UserKey(const std::string& user, const char* which) {
    return user + "\\Printers\\" + which;
  }
  void AddUserValue(const std::string& user, const char* which, const std::string& name) {
    tp.registry.hive(Hive::kUsers).Create(UserKey(user, which), "", nullptr)->SetValue(
        name, kRegBinary, {1, 2});
  }
  bool UserValue(const std::string& user, const char* which, const std::string& name) {
    RegistryKeyNode* key = tp.registry.hive(Hive::kUsers).Find(UserKey(user, which));
    return key != nullptr && key->FindValue(name) != nullptr;
  }
  int Position(const std::string& name) {
    for (size_t i = 0; i < Listed().size(); ++i) {
      if (Listed()[i] == name) return static_cast<int>(i);
    }
    return -1;
  }
  std::string LaserKey() { return std::string(kEnvironmentX86) + "\\Version-3\\Laser"; }
};

TEST_F(Removal, ConfirmationTextListsKeptThenDeletedFilesInLowerCase) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, bool>> files;  // name, deleted
    const char* text;
  };
  const char* in_use = "The following files are still in use and will not be deleted:\r\n";
  const char* to_delete = "The following file(s) will be deleted:\r\n";
  const Case cases[] = {
      {"one shared, two own", {{"Shared.DAT", false}, {"A.DLL", true}, {"b.dll", true}},
       "\tshared.dat\r\n\r\n"},
      {"all shared", {{"A.DLL", false}, {"b.dll", false}}, "\ta.dll\r\n\tb.dll\r\n\r\n"},
      {"no files", {}, "\t<no files>\r\n\r\n"},
  };
  const std::string tails[] = {
      std::string(to_delete) + "\ta.dll\r\n\tb.dll\r\n\r\nDo you want to delete the file(s)?",
      std::string(to_delete) + "\t<no files>\r\n\r\n\r\nNo files to delete! Close the Dialogbox?",
      std::string(to_delete) + "\t<no files>\r\n\r\n\r\nNo files to delete! Close the Dialogbox?",
  };
  for (size_t i = 0; i < 3; ++i) {
    DriverRecord record;
    DriverFileList files;
    record.dependent_files.reserve(cases[i].files.size());
    for (const auto& [name, deleted] : cases[i].files) {
      record.dependent_files.push_back(name);
      files.push_back({&record.dependent_files.back(), deleted});
    }
    BuildConfirmationText(remover, files);
    EXPECT_EQ(in_use + std::string(cases[i].text) + tails[i], state.confirmation_text)
        << cases[i].what;
    for (const std::string& name : record.dependent_files) {
      EXPECT_EQ(std::string::npos, name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"))
          << "lowered in the record: " << name;
    }
  }
  EXPECT_TRUE(tp.trace.Contains("PRNWIPE02: Prepare message string = 16\r\n"));
}

TEST_F(Removal, YesRemovesPrintersOwnFilesKeyAndStaleUserValues) {
  AddLaser();
  AddUserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Office Laser");
  AddUserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Gone Printer");
  AddUserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Office Other");
  AddUserValue("S-1-5-21-0-0-0-1000", "Settings", "Office Laser");
  AddUserValue("S-1-5-21-0-0-0-1000", "Settings", "Office Other");
  AddUserValue(".DEFAULT", "Settings", "Office Laser");
  Fill();
  SelectDriver("Laser");
  main.Enable(IDC_UNINSTALL, true);
  tp.message_boxes.answers = {kIdYes};
  host.confirm_answers = {IDC_CONFIRM_YES};
  EXPECT_TRUE(RemoveSelectedDrivers(remover));

  ASSERT_EQ(1u, tp.message_boxes.shown.size());
  EXPECT_EQ("The driver \"Laser\" is currently being used by the printer  \"Office Laser\".\r\n"
            "Delete this printer?",
            tp.message_boxes.shown[0].text);
  EXPECT_EQ("Uninstall", tp.message_boxes.shown[0].caption);
  EXPECT_EQ(kMbIconQuestion | 0x3u, tp.message_boxes.shown[0].style);
  EXPECT_EQ((std::vector<std::string>{"Office Laser"}), spooler.deleted);
  EXPECT_TRUE(spooler.open_printers.empty());

  ASSERT_EQ(1u, host.confirmations.size());
  EXPECT_EQ("The following files are still in use and will not be deleted:\r\n\tshared.dat\r\n\r\n"
            "The following file(s) will be deleted:\r\n\tlaser.dll\r\n\tlaserui.dll\r\n"
            "\tlaser.ppd\r\n\r\nDo you want to delete the file(s)?",
            host.confirmations[0]);
  EXPECT_EQ("Delete Printer Driver", host.confirm_view->caption);

  for (const char* gone : {"laser.dll", "laserui.dll", "laser.ppd", "laser.bpd", "3\\laser.dll",
                           "3\\laser.ppd", "3\\laser.bpd"}) {
    EXPECT_FALSE(FileThere(gone)) << gone;
  }
  for (const char* kept : {"shared.dat", "3\\shared.dat", "other.dll"}) {
    EXPECT_TRUE(FileThere(kept)) << kept;
  }
  // The companion goes first, in both folders.
  std::vector<std::string> order;
  for (const std::string& line : tp.trace.lines) {
    if (line.find("deleting file") != std::string::npos && line.find("laser.") != std::string::npos) {
      order.push_back(line.substr(line.rfind('\\') + 1));
    }
  }
  EXPECT_EQ("laser.bpd\r\n", order.at(2));
  EXPECT_EQ("laser.ppd\r\n", order.at(3));
  EXPECT_TRUE(tp.trace.Contains("PRNWIPE: deleting key HKEY_LOCAL_MACHINE\\" + LaserKey()));

  EXPECT_FALSE(KeyExists(Hive::kLocalMachine, LaserKey()));
  EXPECT_TRUE(KeyExists(Hive::kLocalMachine, std::string(kEnvironmentX86) + "\\Version-3\\Other"));
  EXPECT_TRUE(KeyExists(Hive::kLocalMachine, std::string(kPrintersKey) + "\\Office Other"));
  EXPECT_EQ((std::vector<std::string>{"Other"}), Listed());
  EXPECT_TRUE(state.reboot_needed);
  EXPECT_FALSE(main.At(IDC_UNINSTALL).enabled);

  EXPECT_FALSE(UserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Office Laser"));
  EXPECT_FALSE(UserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Gone Printer"));
  EXPECT_TRUE(UserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Office Other"));
  EXPECT_FALSE(UserValue("S-1-5-21-0-0-0-1000", "Settings", "Office Laser"));
  EXPECT_FALSE(UserValue(".DEFAULT", "Settings", "Office Laser"));
  EXPECT_TRUE(UserValue("S-1-5-21-0-0-0-1000", "Settings", "Office Other"));
}

TEST_F(Removal, EveryPrinterOfTheDriverIsOfferedEvenWhenDeletingMovesTheKeys) {
  AddDriver({"Laser", "laser.dll"});
  AddPrinter("A Laser", "Laser");
  AddPrinter("B Laser", "LASER");
  AddPrinter("C Other", "Other");
  Fill();
  tp.message_boxes.answers = {kIdYes, kIdYes};
  EXPECT_TRUE(RemovePrintersUsingDriver(remover, *state.records[0]));
  EXPECT_EQ((std::vector<std::string>{"A Laser", "B Laser"}), spooler.deleted);
  EXPECT_EQ(2u, tp.message_boxes.shown.size());
}

TEST_F(Removal, DecliningOrFailingAPrinterKeepsTheDriverAndGoesOnWithTheNext) {
  struct Case {
    int answer;
    ErrorCode open_error, remove_error;
    const char* message;  // "" when none follows the question
  };
  const Case cases[] = {
      {kIdNo, kSuccess, kSuccess, ""},
      {kIdCancel, kSuccess, kSuccess, ""},
      {kIdYes, kErrAccessDenied, kSuccess, "You do not have permission to delete this printer."},
      {kIdYes, kSuccess, kErrGenFailure, "Unable to delete this printer."},
  };
  for (const Case& c : cases) {
    tp.registry.hive(Hive::kLocalMachine).root().subkeys.clear();
    tp.message_boxes.shown.clear();
    AddLaser();
    AddDriver({"Alpha", "alpha.dll"});
    AddFile("alpha.dll");
    Fill();
    SelectDriver("Laser");
    SelectDriver("Alpha");
    main.Enable(IDC_UNINSTALL, true);
    spooler.delete_open_error = c.open_error;
    spooler.fail.clear();
    if (c.remove_error != kSuccess) spooler.fail["RemovePrinter"] = c.remove_error;
    tp.message_boxes.answers = {c.answer};
    host.confirm_answers = {IDC_CONFIRM_YES};
    RemoveSelectedDrivers(remover);

    EXPECT_TRUE(FileThere("laser.dll")) << c.answer;
    EXPECT_TRUE(KeyExists(Hive::kLocalMachine, LaserKey()));
    EXPECT_TRUE(KeyExists(Hive::kLocalMachine, std::string(kPrintersKey) + "\\Office Laser"));
    EXPECT_FALSE(FileThere("alpha.dll")) << "the next selected driver is still removed";
    EXPECT_EQ((std::vector<std::string>{"Laser", "Other"}), Listed());
    std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(c.message[0] ? 2u : 1u, boxes.size());
    if (c.message[0]) {
      EXPECT_EQ(c.message, boxes[1]);
      EXPECT_EQ("Error", tp.message_boxes.shown[1].caption);
      EXPECT_EQ(kMbIconWarning, tp.message_boxes.shown[1].style);
    } else {
      EXPECT_FALSE(main.At(IDC_UNINSTALL).enabled);
    }
  }
}

TEST_F(Removal, NoOrEscapeInTheConfirmationDeletesNothing) {
  for (int answer : {IDC_CONFIRM_NO, int{kIdCancel}}) {
    AddLaser();
    Fill();
    main.Enable(IDC_UNINSTALL, true);
    tp.message_boxes.answers = {kIdYes};
    host.confirm_answers = {answer};
    EXPECT_FALSE(RemoveDriver(remover, Position("Laser")));
    EXPECT_TRUE(FileThere("laser.dll"));
    EXPECT_TRUE(KeyExists(Hive::kLocalMachine, LaserKey()));
    EXPECT_EQ(2u, Listed().size());
    EXPECT_EQ(answer == kIdCancel, main.At(IDC_UNINSTALL).enabled) << answer;
  }
}

TEST_F(Removal, LockedFilesGoAtRestartOtherFailuresAreReported) {
  struct Case {
    int os_kind;
    ErrorCode remove_error, restart_error;
    const char* deferral;  // how the deferral was recorded, "" when none
    bool reported;
  };
  const std::string path = std::string(kDir) + "\\laser.dll";
  const Case cases[] = {
      {kOsXp, kErrAccessDenied, kSuccess, "restart", false},
      {kOsXp, kErrSharingViolation, kSuccess, "restart", false},
      {kOsXp, kErrAccessDenied, kErrAccessDenied, "restart", true},
      {kOsXp, kErrGenFailure, kSuccess, "", true},
      {kOs98, kErrAccessDenied, kSuccess, "Wininit.ini", false},
  };
  for (const Case& c : cases) {
    state = RemoverState();
    state.os_kind = c.os_kind;
    tp.message_boxes.shown.clear();
    files.at_restart.clear();
    WriteHostFile(tp.HostPath(kWininit), "");
    files.remove_errors = {{path, c.remove_error}};
    files.at_restart_result = c.restart_error;
    EXPECT_EQ(!c.reported, DeleteDriverFile(remover, path, true));
    EXPECT_EQ(c.deferral == std::string("restart") ? std::vector<std::string>{path}
                                                  : std::vector<std::string>{},
              files.at_restart);
    EXPECT_EQ(c.deferral == std::string("Wininit.ini"),
              ReadHostFile(tp.HostPath(kWininit)).find("NUL=" + path + "\r\n") != std::string::npos);
    EXPECT_EQ(!c.reported, state.reboot_needed);
    if (c.reported) {
      ASSERT_EQ(1u, tp.message_boxes.shown.size());
      EXPECT_EQ("Failed to delete file " + path + ".", tp.message_boxes.shown[0].text);
    } else {
      EXPECT_TRUE(tp.trace.Contains("PRNWIPE: file will be deleted on reboot"));
    }
  }
  // Each file deferred on the 9x family keeps its own line; other entries stay.
  WriteHostFile(tp.HostPath(kWininit), "[Other]\r\nx=1\r\n[Rename]\r\nNUL=C:\\old.dll\r\n");
  state.os_kind = kOs98;
  files.remove_errors = {{"C:\\a.dll", kErrAccessDenied}, {"C:\\b.dll", kErrAccessDenied}};
  DeleteDriverFile(remover, "C:\\a.dll", false);
  DeleteDriverFile(remover, "C:\\b.dll", false);
  EXPECT_EQ("[Other]\r\nx=1\r\n[Rename]\r\nNUL=C:\\b.dll\r\nNUL=C:\\a.dll\r\nNUL=C:\\old.dll\r\n",
            ReadHostFile(tp.HostPath(kWininit)));

  // A name that reaches outside the driver folder is refused, whatever the registry says.
  DriverRecord record;
  record.driver_directory = kDir;
  tp.message_boxes.shown.clear();
  WriteHostFile(tp.HostPath("C:\\WINDOWS\\system32\\kernel32.dll"), "x");
  for (const char* name : {"..\\..\\..\\kernel32.dll", "C:\\WINDOWS\\system32\\kernel32.dll"}) {
    DeleteDriverFiles(remover, record, name);
    EXPECT_EQ("Failed to delete file " + std::string(name) + ".", Boxes().back());
  }
  EXPECT_TRUE(HostFileExists(tp.HostPath("C:\\WINDOWS\\system32\\kernel32.dll")));

  // A missing file, or a missing version folder, is simply not there.
  tp.message_boxes.shown.clear();
  EXPECT_TRUE(DeleteDriverFile(remover, std::string(kDir) + "\\7\\none.dll", true));
  EXPECT_TRUE(tp.message_boxes.shown.empty());
  EXPECT_TRUE(tp.trace.Contains("PRNWIPE: file doesn't exist"));
}

TEST_F(Removal, ADeferredEntryGetsALineOfItsOwnWhateverTheWininitEnds) {
  struct Case {
    const char* before;  // null: no Wininit.ini yet
    const char* after;
  };
  const Case cases[] = {
      {"", "[rename]\r\nNUL=C:\\a.dll\r\n"},
      {nullptr, "[rename]\r\nNUL=C:\\a.dll\r\n"},
      {"[rename]", "[rename]\r\nNUL=C:\\a.dll\r\n"},
      {"[rename]\r", "[rename]\r\nNUL=C:\\a.dll\r\n"},
      {"[rename]\n", "[rename]\nNUL=C:\\a.dll\r\n"},
      {"[rename]\r\n", "[rename]\r\nNUL=C:\\a.dll\r\n"},
      {"[Rename]\r\nNUL=C:\\old.dll", "[Rename]\r\nNUL=C:\\a.dll\r\nNUL=C:\\old.dll\r\n"},
      {"[Other]\r\nx=1", "[Other]\r\nx=1\r\n[rename]\r\nNUL=C:\\a.dll\r\n"},
      {"[Other]\nx=1\n", "[Other]\nx=1\n[rename]\r\nNUL=C:\\a.dll\r\n"},
  };
  state.os_kind = kOs98;
  files.remove_errors = {{"C:\\a.dll", kErrAccessDenied}};
  for (const Case& c : cases) {
    std::filesystem::remove(tp.HostPath(kWininit));
    if (c.before != nullptr) WriteHostFile(tp.HostPath(kWininit), c.before);
    EXPECT_TRUE(DeleteDriverFile(remover, "C:\\a.dll", false));
    EXPECT_EQ(c.after, ReadHostFile(tp.HostPath(kWininit))) << (c.before ? c.before : "none");
  }
}

TEST_F(Removal, AFailedSelectionQueryDoesNothingMore) {
  AddDriver({"Alpha", "alpha.dll"});
  AddFile("alpha.dll");
  AddUserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Gone Printer");
  Fill();
  SelectDriver("Alpha");
  main.At(IDC_DRIVER_LIST).multiple = false;  // its selection count answers LB_ERR
  const int icons = host.icons_set;
  host.confirm_answers = {IDC_CONFIRM_YES};
  EXPECT_FALSE(RemoveSelectedDrivers(remover));
  EXPECT_TRUE(host.confirmations.empty());
  EXPECT_TRUE(FileThere("alpha.dll"));
  EXPECT_TRUE(UserValue("S-1-5-21-0-0-0-1000", "DevModes2", "Gone Printer")) << "no purge";
  EXPECT_EQ(icons, host.icons_set) << "no refill";
}

TEST_F(Removal, DependentFilesAreReadWholeAndAListThatCannotBeReadDeletesNothing) {
  // 80 names of 20 characters: the last ones lie past the first 1024 bytes of the value.
  std::vector<std::string> long_list;
  for (int i = 10; i < 90; ++i) long_list.push_back("longlistfile" + std::to_string(i) + ".dll");
  long_list.push_back("shared.dat");
  AddDriver({"Long", "long.dll", "", "", "", long_list});
  AddDriver({"Small", "small.dll", "shared.dat"});
  for (const std::string& f : long_list) AddFile(f);
  AddFile("small.dll");
  Fill();
  SelectDriver("Small");
  host.confirm_answers = {IDC_CONFIRM_YES, IDC_CONFIRM_YES};
  RemoveSelectedDrivers(remover);
  EXPECT_TRUE(FileThere("shared.dat")) << "the long list still names it";
  SelectDriver("Long");
  RemoveSelectedDrivers(remover);
  for (const std::string& f : long_list) EXPECT_FALSE(FileThere(f)) << f;
  EXPECT_TRUE(Listed().empty());

  // A value past what can be read (1 MiB): the driver's files are unknown.
  std::vector<std::string> huge(50000, "unreadablelistfile.dll");
  AddDriver({"Huge", "huge.dll", "", "", "", huge});
  AddDriver({"Small", "small.dll", "shared.dat"});
  for (const char* f : {"huge.dll", "small.dll", "shared.dat"}) AddFile(f);
  Fill();
  tp.message_boxes.shown.clear();
  SelectDriver("Small");
  host.confirm_answers = {IDC_CONFIRM_YES};
  RemoveSelectedDrivers(remover);
  EXPECT_TRUE(FileThere("small.dll")) << "Huge may use it";
  EXPECT_TRUE(FileThere("shared.dat"));
  EXPECT_NE(std::string::npos,
            host.confirmations.back().find("deleted:\r\n\tsmall.dll\r\n\tshared.dat"));
  SelectDriver("Huge");
  host.confirm_answers = {IDC_CONFIRM_YES};
  const size_t asked = host.confirmations.size();
  RemoveSelectedDrivers(remover);
  EXPECT_EQ(asked, host.confirmations.size()) << "no confirmation: the removal is refused";
  EXPECT_EQ((std::vector<std::string>{
                "The list of files of the driver Huge cannot be read. The driver is not removed."}),
            Boxes());
  EXPECT_TRUE(FileThere("huge.dll"));
  EXPECT_TRUE(KeyExists(Hive::kLocalMachine, std::string(kEnvironmentX86) + "\\Version-3\\Huge"));
}

TEST_F(Removal, NamesThatOpenAnotherDriversFileOrAFolderDeleteNothingOfIt) {
  AddDriver({"Beta", "beta.dll", "beta.ppd", "", "", {"shared.dat", "betasharedresource.dat"}});
  // "BETA~RDA.DAT" is the short name of betasharedresource.dat; "3" is the version folder.
  AddDriver({"Alias", "alias.dll", "", "", "alias.hlp.",
             {"shared.dat.", "beta.ppd ", "BETA~RDA.DAT", "...", ".. ", "3"}});
  files.long_names = {{"beta~rda.dat", "betasharedresource.dat"}};
  const char* beta_files[] = {"beta.dll", "beta.ppd", "beta.bpd", "shared.dat",
                              "betasharedresource.dat"};
  for (const char* f : beta_files) {
    AddFile(f);
    AddFile(std::string("3\\") + f);
  }
  for (const char* f : {"alias.dll", "alias.hlp", "3\\alias.dll"}) AddFile(f);
  Fill();
  SelectDriver("Alias");
  host.confirm_answers = {IDC_CONFIRM_YES};
  RemoveSelectedDrivers(remover);

  ASSERT_EQ(1u, host.confirmations.size());
  EXPECT_NE(std::string::npos,
            host.confirmations[0].find("not be deleted:\r\n\tshared.dat.\r\n\tbeta.ppd \r\n"
                                       "\tbeta~rda.dat\r\n\r\n"))
      << host.confirmations[0];
  for (const char* f : beta_files) {
    EXPECT_TRUE(FileThere(f)) << f;
    EXPECT_TRUE(FileThere(std::string("3\\") + f)) << f;
  }
  for (const char* f : {"alias.dll", "alias.hlp", "3\\alias.dll"}) EXPECT_FALSE(FileThere(f)) << f;
  EXPECT_TRUE(files.at_restart.empty()) << "no folder waits for the restart";
  std::vector<std::string> refused;
  for (const std::string& box : Boxes()) refused.push_back(box);
  EXPECT_EQ((std::vector<std::string>{"Failed to delete file ....", "Failed to delete file .. .",
                                      "Failed to delete file " + std::string(kDir) + "\\3."}),
            refused);
}

TEST_F(Removal, The9xFamilyUsesNoVersionFolderAndAFailedCompanionKeepsThePpd) {
  AddFile("A.PCP");
  AddFile("3\\A.PCP");
  state.os_kind = kOs98;
  DriverRecord record;
  record.driver_directory = kDir;
  record.version = 3;
  // The companion of an upper-case name: only the extension's first letter becomes "b".
  files.remove_errors = {{std::string(kDir) + "\\A.bCP", kErrGenFailure}};
  DeleteDriverFiles(remover, record, "A.PCP");
  EXPECT_TRUE(FileThere("A.PCP"));
  EXPECT_TRUE(FileThere("3\\A.PCP"));
  EXPECT_EQ((std::vector<std::string>{"Failed to delete file " + std::string(kDir) + "\\A.bCP."}),
            Boxes());
}

TEST_F(Removal, AKeyThatCannotBeDeletedIsListedAgainAfterTheRefill) {
  for (ErrorCode err : {kErrAccessDenied, kErrGenFailure}) {
    tp.message_boxes.shown.clear();
    AddLaser();
    registry.delete_errors = {{LaserKey(), err}};
    Fill();
    SelectDriver("Laser");
    tp.message_boxes.answers = {kIdYes};
    host.confirm_answers = {IDC_CONFIRM_YES};
    // The entry is gone until the refill reads the registry again.
    EXPECT_TRUE(RemoveDriver(remover, Position("Laser")));
    EXPECT_EQ((std::vector<std::string>{"Other"}), Listed());
    EXPECT_EQ(err == kErrAccessDenied ? "You do not have permission to delete this key."
                                      : "Unable to delete registry key.",
              Boxes().back());
    EXPECT_FALSE(FileThere("laser.dll"));
    FillDriverList(remover);
    EXPECT_EQ((std::vector<std::string>{"Laser", "Other"}), Listed());
  }
  // A driver key with subkeys of its own goes with them.
  registry.delete_errors.clear();
  tp.registry.hive(Hive::kLocalMachine).Create(LaserKey() + "\\CopyFiles\\ICM", "", nullptr);
  DriverRecord record;
  record.key_path = LaserKey();
  EXPECT_TRUE(DeleteDriverKey(remover, record));
  EXPECT_FALSE(KeyExists(Hive::kLocalMachine, LaserKey()));
}

TEST_F(Removal, TwoSelectedDriversSharingAFileTheHigherPositionGoesFirst) {
  AddLaser();
  Fill();
  SelectDriver("Laser");
  SelectDriver("Other");
  tp.message_boxes.answers = {kIdYes, kIdYes};
  host.confirm_answers = {IDC_CONFIRM_YES, IDC_CONFIRM_YES};
  RemoveSelectedDrivers(remover);
  ASSERT_EQ(2u, host.confirmations.size());
  EXPECT_NE(std::string::npos,
            host.confirmations[0].find("will not be deleted:\r\n\tshared.dat\r\n\r\n"))
      << "Other, at the higher position, keeps the shared file";
  EXPECT_NE(std::string::npos, host.confirmations[1].find("\tlaserui.dll\r\n\tshared.dat"))
      << "Laser, handled next, deletes it";
  EXPECT_FALSE(FileThere("shared.dat"));
  EXPECT_FALSE(FileThere("3\\shared.dat"));
  EXPECT_TRUE(Listed().empty());
}

TEST_F(Removal, OfferRebootAsksThenRestartsReportingEachFailure) {
  OfferReboot(remover);  // the host's safe answer: No
  ASSERT_EQ(1u, tp.message_boxes.shown.size());
  EXPECT_EQ("Exit Windows", tp.message_boxes.shown[0].caption);
  EXPECT_EQ(kMbYesNo, tp.message_boxes.shown[0].style);
  EXPECT_TRUE(control.calls.empty());

  tp.message_boxes.shown.clear();
  tp.message_boxes.answers = {kIdYes};
  control.privilege.open_token = kErrAccessDenied;
  control.privilege.adjust = kErrInvalidHandle;
  control.restart_result = kErrAccessDenied;
  OfferReboot(remover);
  EXPECT_EQ((std::vector<std::string>{
                "To complete the driver de-installation a system reboot is necessary. All active "
                "applications will be closed. Do you wish to reboot now?",
                "OpenProcessToken Error #5", "AdjustTokenPrivileges Error #6",
                "Error ExitWindows, Error #5"}),
            Boxes());
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_TRUE(tp.message_boxes.shown[i].system_caption) << i;
    EXPECT_EQ(kMbOk, tp.message_boxes.shown[i].style) << i;
  }
  EXPECT_FALSE(tp.message_boxes.shown[0].system_caption);
  EXPECT_EQ((std::vector<std::string>{"EnableShutdownPrivilege", "RequestRestart"}), control.calls);

  // The 9x family has no privileges to enable.
  tp.system.version = OsVersion{4, 10, 0, kPlatformWindows};
  tp.message_boxes.answers = {kIdYes};
  control.restart_result = kSuccess;
  control.calls.clear();
  OfferReboot(remover);
  EXPECT_EQ((std::vector<std::string>{"RequestRestart"}), control.calls);
}

}  // namespace
}  // namespace qid::testing
