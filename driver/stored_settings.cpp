#include "driver/stored_settings.h"

#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "platform/platform.h"

namespace qid::driver {

uint32_t StoredOutputMode(Registry& registry) {
  Platform platform;
  platform.registry = &registry;
  WriterContext ctx(platform);
  LoadSettings(ctx);
  if (ctx.settings_key != kNoKey) registry.CloseKey(ctx.settings_key);
  return ctx.settings.output_mode;
}

}  // namespace qid::driver
