#include "imagewriter/jpeg_encoder.h"

#include <memory>
#include <new>
#include <vector>

#include "common/debug_trace.h"
#include "imagewriter/jpeg_compress.h"
#include "imagewriter/jpegexport.h"
#include "imagewriter/trace_tags.h"

namespace qid {
namespace {

constexpr const char* kTag = trace::kJpeg;

// Rows of the image as libjpeg takes them: palette images through their palette into one
// RGB row, the others straight from the pixels.
struct RowSource {
  const JpegImage* image;
  bool through_palette;
  uint8_t* colour_row;
};

const uint8_t* NextRow(void* context, uint32_t y) {
  const RowSource* source = static_cast<const RowSource*>(context);
  const JpegImage& image = *source->image;
  const uint8_t* src = image.pixels.data() + size_t(y) * image.Stride();
  if (!source->through_palette) return src;
  for (uint32_t x = 0; x < image.width; ++x) {
    const uint8_t* rgb = image.palette[src[x]];
    source->colour_row[3 * x] = rgb[0];
    source->colour_row[3 * x + 1] = rgb[1];
    source->colour_row[3 * x + 2] = rgb[2];
  }
  return source->colour_row;
}

}  // namespace

int SaveJpeg(FileSystem& files, const std::string& path, const JpegImage& image, int quality,
             JfifDensity* density) {
  if (image.bits_per_pixel != 8 && image.bits_per_pixel != 24) return kJpegDepthRefused;
  if (image.pixels.size() < image.Stride() * size_t(image.length)) return kJpegNotWritten;

  const bool grey = image.bits_per_pixel == 8 && image.grey;
  RowSource rows{&image, image.bits_per_pixel == 8 && !image.grey, nullptr};
  std::vector<uint8_t> colour_row;
  try {
    if (rows.through_palette) colour_row.resize(size_t(image.width) * 3);
  } catch (const std::bad_alloc&) {
    return kJpegNotWritten;
  }
  rows.colour_row = colour_row.data();

  std::unique_ptr<File> file;
  ErrorCode err = files.OpenFile(path, FileAccess::kWrite, FileDisposition::kCreateAlways,
                                 FileShare::kNone, &file);
  if (err != kSuccess) {
    DebugTrace(kTag, "cannot create %s => err %d", path.c_str(), int(err));
    return kJpegNotCreated;
  }
  JpegFrame frame;
  frame.width = image.width;
  frame.height = image.length;
  frame.components = grey ? 1 : 3;
  frame.quality = quality;
  frame.density = density;
  frame.row = NextRow;
  frame.context = &rows;
  frame.trace_tag = kTag;
  bool ok = CompressJpegToFile(frame, file.get());
  if (ok) ok = file->Close() == kSuccess;
  if (!ok) {
    file.reset();
    // Best effort: a partial file that cannot be removed is named in the trace below.
    (void)files.RemoveFile(path);
    DebugTrace(kTag, "%s not written, partial file removed", path.c_str());
    return kJpegNotWritten;
  }
  return kJpegWritten;
}

}  // namespace qid
