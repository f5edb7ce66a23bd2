// The state of the imaging layer that JPEG export keeps from one call to the next. It lives in
// the WriterContext (not in globals) so that every test and every job starts from the same
// place.
#pragma once

#include <cstdint>

namespace qid {

// The JFIF density the next JPEG save writes: units 0 (no unit, an aspect ratio), 1 (dots per
// inch) or 2 (dots per centimetre). A save that has written its headers puts it back to the
// start-up values, so a page without usable resolution never inherits the last page's.
struct JfifDensity {
  uint8_t units = 0;
  uint16_t x = 1;
  uint16_t y = 1;
};

struct ImagingState {
  JfifDensity density;
  // Recorded by ImagingStartup: the platform's version as major * 100 + minor, and whether
  // images may be backed by device-independent bitmap sections there.
  uint32_t platform_version = 0;
  bool dib_sections = false;
  bool started = false;
};

}  // namespace qid
