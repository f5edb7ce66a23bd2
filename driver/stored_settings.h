// The settings the driver side needs from the registry, read exactly as Q71File will read
// them, so that the job's layout and Q71File's dispatch can never disagree.
#pragma once

#include <cstdint>

#include "platform/registry.h"

namespace qid::driver {

// The Output Mode that Q71File's LoadSettings will find: the current user's settings key, else
// the local machine's, else the default (1, Document).
uint32_t StoredOutputMode(Registry& registry);

}  // namespace qid::driver
