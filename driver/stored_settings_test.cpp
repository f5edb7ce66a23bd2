#include "driver/stored_settings.h"

#include <gtest/gtest.h>

#include "imagewriter/settings.h"
#include "tests/support/memory_registry.h"

namespace qid::driver {
namespace {

void StoreOutputMode(MemoryRegistry& reg, Hive hive, uint32_t mode) {
  RegKey key;
  ASSERT_EQ(reg.CreateKey(hive, kSettingsKeyPath, " ", &key, nullptr), kSuccess);
  ASSERT_EQ(SetDwordValue(reg, key, "Output Mode", mode), kSuccess);
  reg.CloseKey(key);
}

TEST(StoredSettingsTest, TheOutputModeIsFoundWhereQ71FileWillLookForIt) {
  MemoryRegistry none;
  EXPECT_EQ(StoredOutputMode(none), 1u) << "no key: the default, Document";

  MemoryRegistry machine;
  StoreOutputMode(machine, Hive::kLocalMachine, 2);
  EXPECT_EQ(StoredOutputMode(machine), 2u) << "only the local machine key";

  MemoryRegistry both;
  StoreOutputMode(both, Hive::kLocalMachine, 2);
  StoreOutputMode(both, Hive::kCurrentUser, 3);
  EXPECT_EQ(StoredOutputMode(both), 3u) << "the current user's key wins";
}

}  // namespace
}  // namespace qid::driver
