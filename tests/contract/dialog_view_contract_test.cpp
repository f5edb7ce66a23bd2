// The dialog view's contract over the in-memory view that the dialog tests use.
#include <gtest/gtest.h>

#include <set>

#include "tests/support/memory_dialog_view.h"
#include "tests/contract/dialog_view_contract.h"

namespace qid::contract {
namespace {

class GTestReporter : public Reporter {
 public:
  void Check(bool ok, const std::string& what, const std::string& detail) override {
    ++checks;
    if (!ok) ADD_FAILURE() << what << ": " << detail;
  }
  int checks = 0;
};

TEST(DialogViewContractTest, MemoryViewBehavesAsTheWin32View) {
  MemoryDialogView view;
  for (int id : {kEdit, kCheckBox, kList, kMultiList}) view.Declare(id, "");
  GTestReporter reporter;
  DialogViewContract(view, reporter);
  EXPECT_GE(reporter.checks, 30);  // a contract that stopped early would pass with fewer
  EXPECT_EQ(view.unknown_ids, std::set<int>{kMissing});
}

}  // namespace
}  // namespace qid::contract
