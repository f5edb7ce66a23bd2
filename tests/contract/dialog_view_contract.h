// The dialog view's contract, checked the same way over every implementation: the in-memory
// view natively (contract_test.cpp) and the Win32 view of a real dialog under Wine
// (tests/ui/view_contract_main.cpp, tests/wine/ui_test.sh), so that tests written against
// the in-memory view hold for the real dialogs.
#pragma once

#include <string>

#include "tests/contract/contract.h"
#include "ui/dialog_view.h"

namespace qid::contract {

// The controls the contract's dialog holds; kMissing is an id it lacks.
constexpr int kEdit = 101;
constexpr int kCheckBox = 102;
constexpr int kList = 103;       // single selection, unsorted
constexpr int kMultiList = 104;  // multiple selection, unsorted
constexpr int kMissing = 999;

// Runs every check on `view`, a fresh dialog holding exactly the controls above.
void DialogViewContract(DialogView& view, Reporter& reporter);

}  // namespace qid::contract
