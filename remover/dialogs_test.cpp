#include "remover/dialogs.h"

#include "tests/support/remover_fixture.h"

namespace qid::testing {
namespace {

using Dialogs = RemoverFixture;

TEST_F(Dialogs, EveryTextComesFromTheStringTable) {
  Fill();
  EXPECT_EQ("Zodure Dorodav Uzuveze 1.60", main.caption);
  EXPECT_EQ("Installed Printer Drivers:", main.At(IDC_LIST_LABEL).text);
  EXPECT_EQ("&About...", main.At(IDC_ABOUT).text);
  EXPECT_EQ("Uninstall", main.At(IDC_UNINSTALL).text);
  EXPECT_EQ("Close", main.At(IDC_CLOSE).text);
  EXPECT_FALSE(main.At(IDC_UNINSTALL).enabled);
  EXPECT_TRUE(tp.trace.Contains("PRNWIPE: INITDIALOG\r\n"));

  EXPECT_EQ(0, MainDialogCommand(remover, IDC_ABOUT, 0));
  ASSERT_EQ(1, host.about_shown);
  MemoryDialogView& about = *host.about_view;
  EXPECT_EQ("About Zizide Zerever Uravida 1.60", about.caption);
  EXPECT_EQ("Support", about.At(IDC_ABOUT_SUPPORT_GROUP).text);
  EXPECT_EQ("OK", about.At(IDC_ABOUT_OK).text);
  EXPECT_NE("", about.At(IDC_ABOUT_RIGHTS).text);
  EXPECT_NE("", about.At(IDC_ABOUT_SUPPORT).text);
  EXPECT_TRUE(about.unknown_ids.empty());
  EXPECT_EQ((std::set<int>{IDC_HELP_BUTTON}), main.unknown_ids) << "only the help text goes nowhere";
  for (int id : {int{kIdOk}, int{kIdCancel}, IDC_ABOUT_OK}) EXPECT_EQ(id, AboutBoxCommand(id));
  EXPECT_EQ(0, AboutBoxCommand(IDC_ABOUT_RIGHTS));

  host.RunConfirmDialog("text");
  EXPECT_EQ("Yes", host.confirm_view->At(IDC_CONFIRM_YES).text);
  EXPECT_EQ("No", host.confirm_view->At(IDC_CONFIRM_NO).text);
  EXPECT_EQ("text", host.confirm_view->At(IDC_CONFIRM_TEXT).text);
  EXPECT_TRUE(host.confirm_view->unknown_ids.empty());
  for (int id : {int{kIdCancel}, IDC_CONFIRM_YES, IDC_CONFIRM_NO}) {
    EXPECT_EQ(id, ConfirmDialogCommand(id));
  }
  EXPECT_EQ(0, ConfirmDialogCommand(kIdOk)) << "Enter answers through the default button only";
}

TEST_F(Dialogs, SelectionEnablesUninstallAndADoubleClickRemovesTheWholeSelection) {
  AddDriver({"Alpha", "alpha.dll"});
  AddDriver({"Beta", "beta.dll"});
  AddDriver({"Gamma", "gamma.dll"});
  Fill();
  main.ListSetSelected(IDC_DRIVER_LIST, 0, true);
  MainDialogCommand(remover, IDC_DRIVER_LIST, kListSelectionChanged);
  EXPECT_TRUE(main.At(IDC_UNINSTALL).enabled);
  main.ListSetSelected(IDC_DRIVER_LIST, -1, false);
  MainDialogCommand(remover, IDC_DRIVER_LIST, kListSelectionChanged);
  EXPECT_FALSE(main.At(IDC_UNINSTALL).enabled);

  Fill();
  SelectDriver("Alpha");
  SelectDriver("Gamma");
  host.confirm_answers = {IDC_CONFIRM_YES, IDC_CONFIRM_YES};
  EXPECT_EQ(0, MainDialogCommand(remover, IDC_DRIVER_LIST, kListDoubleClicked));
  EXPECT_EQ((std::vector<std::string>{"Beta"}), Listed());
  EXPECT_TRUE(tp.trace.Contains("PRNWIPE: END UNINSTALL\r\n"));
}

TEST_F(Dialogs, ClosingPurgesAndAsksToRestartOnlyAfterARemoval) {
  AddDriver({"Alpha", "alpha.dll"});
  tp.registry.hive(Hive::kUsers)
      .Create("S-1-5-21-0-0-0-1000\\Printers\\DevModes2", "", nullptr)
      ->SetValue("Gone", kRegBinary, {1});
  Fill();
  EXPECT_EQ(IDC_CLOSE, MainDialogCommand(remover, IDC_CLOSE, 0));
  EXPECT_TRUE(tp.message_boxes.shown.empty()) << "nothing removed: no restart question";
  EXPECT_EQ(nullptr, tp.registry.hive(Hive::kUsers)
                         .Find("S-1-5-21-0-0-0-1000\\Printers\\DevModes2")
                         ->FindValue("Gone"));

  SelectDriver("Alpha");
  host.confirm_answers = {IDC_CONFIRM_YES};
  MainDialogCommand(remover, IDC_UNINSTALL, 0);
  EXPECT_EQ(kIdCancel, MainDialogCommand(remover, kIdCancel, 0)) << "Escape closes like Close";
  ASSERT_EQ(1u, tp.message_boxes.shown.size());
  EXPECT_EQ("Exit Windows", tp.message_boxes.shown[0].caption);

  MainDialogGone(remover);
  EXPECT_TRUE(state.records.empty());
}

TEST_F(Dialogs, AnUnknownSystemLeavesAboutAndCloseWorking) {
  tp.system.version = OsVersion{4, 20, 0, kPlatformNt};
  Fill();
  EXPECT_FALSE(main.At(IDC_DRIVER_LIST).enabled);
  EXPECT_EQ(0, MainDialogCommand(remover, IDC_ABOUT, 0));
  EXPECT_EQ(1, host.about_shown);
  EXPECT_EQ(IDC_CLOSE, MainDialogCommand(remover, IDC_CLOSE, 0));
  EXPECT_EQ(1u, tp.message_boxes.shown.size()) << "only the version warning";
}

}  // namespace
}  // namespace qid::testing
