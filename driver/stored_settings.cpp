#include "driver/stored_settings.h"

#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "platform/platform.h"

#include <utility>
#include <vector>

namespace qid::driver {

uint32_t StoredOutputMode(Registry& registry) {
  Platform platform;
  platform.registry = &registry;
  WriterContext ctx(platform);
  LoadSettings(ctx);
  if (ctx.settings_key != kNoKey) registry.CloseKey(ctx.settings_key);
  return ctx.settings.output_mode;
}

bool EnsureSettingsKey(Registry& registry) {
  Platform platform;
  platform.registry = &registry;
  WriterContext ctx(platform);
  const bool found = LoadSettings(ctx);
  if (ctx.settings_key != kNoKey) registry.CloseKey(ctx.settings_key);
  if (found) return false;
  SetDefaults(ctx.settings);
  SaveSettings(ctx, nullptr);
  if (ctx.settings_key != kNoKey) registry.CloseKey(ctx.settings_key);
  WriteSettingDword(ctx, "Pages Last", 0);
  WriteSettingDword(ctx, "Pages Total", 0);
  return true;
}

JobSettingOverride::JobSettingOverride(Registry& registry, std::string name, uint32_t value)
    : registry_(registry), name_(std::move(name)) {
  Platform platform;
  platform.registry = &registry;
  WriterContext ctx(platform);
  RegKey key = kNoKey;
  if (registry.OpenCurrentUserKey(kSettingsKeyPath, &key) == kSuccess) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    had_value_ = registry.QueryValue(key, name_, &type, &data, 4) == kSuccess &&
                 type == kRegDword && data.size() == 4;
    if (had_value_) previous_ = ReadSettingDword(ctx, name_);
    registry.CloseKey(key);
  }
  WriteSettingDword(ctx, name_, value);
}

JobSettingOverride::~JobSettingOverride() {
  Platform platform;
  platform.registry = &registry_;
  WriterContext ctx(platform);
  if (had_value_) {
    WriteSettingDword(ctx, name_, previous_);
    return;
  }
  RegKey key = kNoKey;
  if (registry_.OpenCurrentUserKey(kSettingsKeyPath, &key) != kSuccess) return;
  registry_.DeleteValue(key, name_);
  registry_.CloseKey(key);
}

}  // namespace qid::driver
