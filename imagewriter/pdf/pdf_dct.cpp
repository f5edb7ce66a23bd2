#include "imagewriter/pdf/pdf_dct.h"

#include <cstdlib>

#include "imagewriter/jpeg_compress.h"

namespace qid::pdf {
namespace {

struct Rows {
  const uint8_t* bytes;
  size_t stride;
};

const uint8_t* NextRow(void* context, uint32_t y) {
  const Rows* rows = static_cast<const Rows*>(context);
  return rows->bytes + y * rows->stride;
}

}  // namespace

int EncodeDct(PdfOutput& out, MallocArray<uint8_t> rows, size_t capacity, const PageInfo& info,
              int quality) {
  Rows source{rows.get(), static_cast<size_t>(info.width) * info.samples};
  JpegFrame frame;
  frame.width = info.width;
  frame.height = info.length;
  frame.components = info.samples;
  frame.quality = quality;
  frame.row = NextRow;
  frame.context = &source;
  unsigned char* jpeg = nullptr;
  size_t jpeg_size = 0;
  bool done = CompressJpegToMemory(frame, capacity / 4, &jpeg, &jpeg_size);
  rows.reset();  // the page's rows are not held while its JPEG is written
  if (!done) return 1;
  (void)PdfWrite(out, jpeg, jpeg_size);  // a failed write sticks to `out`, checked at the end
  std::free(jpeg);
  return 0;
}

}  // namespace qid::pdf
