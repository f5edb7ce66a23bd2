#include "imagewriter/writer_context.h"

namespace qid {

const char kDoneMarkerName[] = "DONE_ZEL.TIF";
const char kPageEndMarker[] = "!!end of file!!!";

static_assert(sizeof kPageEndMarker - 1 == kPageEndMarkerSize, "the marker is 16 bytes");

}  // namespace qid
