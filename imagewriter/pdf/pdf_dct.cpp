#include "imagewriter/pdf/pdf_dct.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "imagewriter/pdf/jpeg_memory_destination.h"

namespace qid {
namespace {

// libjpeg's default error_exit ends the process; this one returns to EncodeDct instead.
struct JpegErrorTrap {
  jpeg_error_mgr mgr;  // first, so cinfo->err points at the trap
  std::jmp_buf jump;
};

[[noreturn]] void TrapErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegErrorTrap*>(cinfo->err)->jump, 1);
}

void NoOutput(j_common_ptr) {}

J_COLOR_SPACE ColorSpaceFor(uint16_t samples) {
  if (samples == 3) return JCS_RGB;
  if (samples == 4) return JCS_CMYK;
  return JCS_GRAYSCALE;
}

// Runs the compression; everything that must survive a longjmp lives in the caller's objects,
// and nothing here has a destructor. False when libjpeg gave up.
bool Compress(jpeg_compress_struct* cinfo, JpegErrorTrap* trap, const uint8_t* rows,
              unsigned char* buffer, size_t buffer_size, const PageInfo& info, int quality) {
  if (setjmp(trap->jump) != 0) return false;
  jpeg_create_compress(cinfo);
  JpegMemoryDestination(cinfo, buffer, buffer_size);
  cinfo->image_width = info.width;
  cinfo->image_height = info.length;
  cinfo->input_components = info.samples;
  cinfo->in_color_space = ColorSpaceFor(info.samples);
  size_t stride = static_cast<size_t>(info.width) * info.samples;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rows + cinfo->next_scanline * stride);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace

int EncodeDct(PdfOutput& out, MallocArray<uint8_t> rows, size_t capacity, const PageInfo& info,
              int quality) {
  size_t buffer_size = capacity / 4;
  unsigned char* buffer = static_cast<unsigned char*>(std::malloc(buffer_size));
  if (buffer == nullptr) return 1;

  jpeg_compress_struct cinfo{};
  JpegErrorTrap trap{};
  cinfo.err = jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = TrapErrorExit;
  trap.mgr.output_message = NoOutput;
  bool done = Compress(&cinfo, &trap, rows.get(), buffer, buffer_size, info, quality);

  unsigned char* jpeg = buffer;
  size_t jpeg_size = 0;
  if (cinfo.dest != nullptr) JpegMemoryDestinationResult(&cinfo, &jpeg, &jpeg_size);
  jpeg_destroy_compress(&cinfo);
  rows.reset();
  if (done) PdfWrite(out, jpeg, jpeg_size);
  std::free(jpeg);
  return done ? 0 : 1;
}

}  // namespace qid
