// What qidreg knows about the values of the settings key: their types, the values Q71File
// accepts and a one-line meaning, so that `qidreg list` can show every setting with the value a
// job would use and `qidreg set` can refuse what Q71File would misread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"

namespace qid::driver {

struct SettingInfo {
  const char* name;         // the registry value name
  bool is_text;             // REG_SZ, else REG_DWORD
  uint32_t min, max;        // accepted numbers (REG_DWORD)
  size_t capacity;          // accepted characters (REG_SZ)
  const char* meaning;
  uint32_t Settings::*number = nullptr;    // the record field, for settings in the record
  std::string Settings::*text = nullptr;
};

// Every value of the settings key, in the order Q71File loads them, then the values outside
// the record.
const std::vector<SettingInfo>& SettingCatalog();

// The entry of `name` (exact registry spelling), or null.
const SettingInfo* FindSetting(const std::string& name);

// Whether `info` accepts the number or text; false with *error (one line) when not.
bool CheckSettingNumber(const SettingInfo& info, uint32_t value, std::string* error);
bool CheckSettingText(const SettingInfo& info, const std::string& text, std::string* error);

}  // namespace qid::driver
