// The settings the driver side needs from the registry, read exactly as Q71File will read
// them, so that the job's layout and Q71File's dispatch can never disagree.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace qid::driver {

// The Output Mode that Q71File's LoadSettings will find: the current user's settings key, else
// the local machine's, else the default (1, Document).
uint32_t StoredOutputMode(Registry& registry);

// A root without a settings key in either hive gets the current user's key with the first
// values the installer writes (the defaults, no pages yet), as an installed printer has it:
// without the key Q71File has nowhere to keep its counters, and every job would take the
// first file name again. True when the key was created.
bool EnsureSettingsKey(Registry& registry);

// A number of the current user's key set for one job; the destructor puts the stored value
// back (or removes the value when there was none).
class JobSettingOverride {
 public:
  JobSettingOverride(Registry& registry, std::string name, uint32_t value);
  ~JobSettingOverride();
  JobSettingOverride(const JobSettingOverride&) = delete;
  JobSettingOverride& operator=(const JobSettingOverride&) = delete;

 private:
  Registry& registry_;
  std::string name_;
  bool had_value_ = false;
  uint32_t previous_ = 0;
};

}  // namespace qid::driver
