#include "remover/quiet_removal.h"

#include <algorithm>

#include "tests/support/remover_fixture.h"

namespace qid::testing {
namespace {

// One fresh machine per case: the fixture's parts, open to the table's set-up steps.
class QuietRemoval : public RemoverFixture {
 public:
  void TestBody() override {}
  using RemoverFixture::control;
  using RemoverFixture::files;
  using RemoverFixture::host;
  using RemoverFixture::KeyExists;
  using RemoverFixture::main;
  using RemoverFixture::remover;
  using RemoverFixture::registry;
  using RemoverFixture::spooler;
  using RemoverFixture::tp;
  // "Laser" with a printer and two files; "Other" shares nothing.
  void AddLaser() {
    AddDriver({"Laser", "laser.dll", "laser.dat"});
    AddDriver({"Other", "other.dll"});
    for (const char* f : {"laser.dll", "laser.dat", "3\\laser.dll", "other.dll"}) AddFile(f);
    AddPrinter("Office Laser", "Laser");
  }
  void FailRemoving(const char* file, ErrorCode err) {
    files.remove_errors[std::string(kDir) + "\\" + file] = err;
  }
  std::string LaserKey() { return std::string(kEnvironmentX86) + "\\Version-3\\Laser"; }
};

TEST(QuietRemovalTest, RemovesByNameWithoutAskingAndNamesEachOutcome) {
  struct Case {
    const char* what;
    const char* name;
    std::function<void(QuietRemoval&)> arrange;
    int exit_code;
    bool removed;
  };
  const Case cases[] = {
      {"removed", "laser", [](auto&) {}, kQuietRemoved, true},
      {"a file in use",
       "Laser", [](auto& t) { t.FailRemoving("laser.dat", kErrSharingViolation); },
       kQuietRestartNeeded, true},
      {"unknown name", "Laser 2", [](auto&) {}, kQuietUnknownDriver, false},
      {"system not recognised", "Laser",
       [](auto& t) { t.tp.system.version = OsVersion{3, 1, 0, 0}; }, kQuietSystemUnknown, false},
      {"printer refused", "Laser", [](auto& t) { t.spooler.delete_open_error = kErrAccessDenied; },
       kQuietPrinterKept, false},
      {"file refused", "Laser",
       [](auto& t) {
         t.FailRemoving("laser.dll", kErrAccessDenied);
         t.files.at_restart_result = kErrAccessDenied;
       },
       kQuietFileKept, true},
      {"key refused", "Laser",
       [](auto& t) { t.registry.delete_errors[t.LaserKey()] = kErrAccessDenied; }, kQuietKeyKept,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QuietRemoval t;
    t.AddLaser();
    c.arrange(t);
    TraceCapture trace;
    EXPECT_EQ(RunQuietRemoval(t.tp.platform(), t.host, c.name), c.exit_code);
    EXPECT_EQ(t.KeyExists(Hive::kLocalMachine, t.LaserKey()), !c.removed);
    EXPECT_TRUE(t.KeyExists(Hive::kLocalMachine, std::string(kEnvironmentX86) + "\\Version-3\\Other"));
    EXPECT_TRUE(t.host.confirmations.empty());  // the host's own dialogs never ran
    EXPECT_EQ(std::count(t.control.calls.begin(), t.control.calls.end(), "RequestRestart"), 0);
  }
}

TEST(QuietRemovalTest, TracesWhatTheDialogsRemovalTraces) {
  auto traced = [](bool quiet) {
    QuietRemoval t;
    t.AddLaser();
    t.FailRemoving("laser.dat", kErrSharingViolation);
    TraceCapture trace;
    if (quiet) {
      RunQuietRemoval(t.tp.platform(), t.host, "Laser");
    } else {
      t.tp.message_boxes.answers = {kIdYes, kIdNo};  // delete the printer; no restart now
      t.host.confirm_answers = {IDC_CONFIRM_YES};
      InitMainDialog(t.remover);
      t.main.ListSetSelected(IDC_DRIVER_LIST, 0, true);
      MainDialogCommand(t.remover, IDC_UNINSTALL, 0);
      MainDialogCommand(t.remover, IDC_CLOSE, 0);
      MainDialogGone(t.remover);
    }
    return trace.lines;
  };
  std::vector<std::string> quiet = traced(true);
  EXPECT_GT(quiet.size(), 20u);
  EXPECT_EQ(quiet, traced(false));
}

TEST(QuietRemoverCommand, CommandLines) {
  struct Case {
    const char16_t* line;
    RemoverCommand::Kind kind;
    bool silent;
    const char* driver;
    const char* error;
  };
  using K = RemoverCommand;
  const Case cases[] = {
      {u"PrnWipe.exe", K::kWindow, false, "", ""},
      {u"PrnWipe /quiet /driver \"Quendrel Image Driver 4.0\" /norestart", K::kQuiet, false,
       "Quendrel Image Driver 4.0", ""},
      {u"PrnWipe /quiet", K::kUsage, true, "", "/quiet needs /driver \"NAME\""},
      {u"PrnWipe /driver X", K::kUsage, false, "", "/driver and /norestart need /quiet"},
      {u"PrnWipe /quiet /driver X /force", K::kUsage, true, "", "Unknown switch: /force"},
      {u"PrnWipe -?", K::kUsage, false, "", ""},
  };
  for (const Case& c : cases) {
    RemoverCommand command = ReadRemoverCommand(c.line);
    EXPECT_EQ(command.kind, c.kind) << c.error;
    EXPECT_EQ(command.silent, c.silent) << c.error;
    EXPECT_EQ(command.driver, c.driver);
    EXPECT_EQ(command.error, c.error);
  }
}

}  // namespace
}  // namespace qid::testing
