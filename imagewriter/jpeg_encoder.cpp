#include "imagewriter/jpeg_encoder.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "common/debug_trace.h"
#include "imagewriter/jpegexport.h"

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

namespace qid {
namespace {

constexpr char kTag[] = "JPG01:  ";
constexpr size_t kOutputChunk = 64 * 1024;

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// setjmp in Compress. Only C frames and the trivial callbacks below lie in between, so no
// destructor is skipped.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void OnFatalError(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  DebugTrace(kTag, "libjpeg: %s", text);
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void OnMessage(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  DebugTrace(kTag, "libjpeg: %s", text);
}

// A destination manager over a platform File, writing in 64 KiB chunks.
struct Destination {
  jpeg_destination_mgr pub;
  File* file;
  JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
  Destination* dest = reinterpret_cast<Destination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kOutputChunk;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  Destination* dest = reinterpret_cast<Destination*>(cinfo->dest);
  if (dest->file->Write(dest->buffer, kOutputChunk) != kSuccess) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kOutputChunk;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  Destination* dest = reinterpret_cast<Destination*>(cinfo->dest);
  size_t used = kOutputChunk - dest->pub.free_in_buffer;
  if (used > 0 && dest->file->Write(dest->buffer, used) != kSuccess) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
}

// The libjpeg part of the save. Everything it touches is plain data owned by the caller, so a
// jump out of libjpeg leaves nothing to clean up but the compressor itself.
bool Compress(const JpegImage& image, int quality, JfifDensity* density, File* file,
              JOCTET* out_buffer, JSAMPLE* colour_row) {
  jpeg_compress_struct cinfo{};  // zeroed, so a failure inside creation destroys nothing
  ErrorManager errors{};
  Destination dest{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = OnFatalError;
  errors.pub.output_message = OnMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = InitDestination;
  dest.pub.empty_output_buffer = EmptyOutputBuffer;
  dest.pub.term_destination = TermDestination;
  dest.file = file;
  dest.buffer = out_buffer;
  cinfo.dest = &dest.pub;

  const bool grey = image.bits_per_pixel == 8 && image.grey;
  cinfo.image_width = image.width;
  cinfo.image_height = image.length;
  cinfo.input_components = grey ? 1 : 3;
  cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.write_JFIF_header = TRUE;
  cinfo.JFIF_major_version = 1;
  cinfo.JFIF_minor_version = 2;
  cinfo.density_unit = density->units;
  cinfo.X_density = density->x;
  cinfo.Y_density = density->y;
  jpeg_start_compress(&cinfo, TRUE);
  *density = JfifDensity{};  // the headers carry it now

  const size_t stride = image.Stride();
  const bool through_palette = image.bits_per_pixel == 8 && !image.grey;
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* src = image.pixels.data() + size_t(cinfo.next_scanline) * stride;
    JSAMPROW row;
    if (through_palette) {
      for (uint32_t x = 0; x < image.width; ++x) {
        const uint8_t* rgb = image.palette[src[x]];
        colour_row[3 * x] = rgb[0];
        colour_row[3 * x + 1] = rgb[1];
        colour_row[3 * x + 2] = rgb[2];
      }
      row = colour_row;
    } else {
      row = const_cast<JSAMPROW>(src);
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

int SaveJpeg(FileSystem& files, const std::string& path, const JpegImage& image, int quality,
             JfifDensity* density) {
  if (image.bits_per_pixel != 8 && image.bits_per_pixel != 24) return kJpegDepthRefused;
  if (image.pixels.size() < image.Stride() * size_t(image.length)) return kJpegNotWritten;

  std::unique_ptr<JOCTET[]> out_buffer(new (std::nothrow) JOCTET[kOutputChunk]);
  std::vector<JSAMPLE> colour_row;
  try {
    if (image.bits_per_pixel == 8 && !image.grey) colour_row.resize(size_t(image.width) * 3);
  } catch (const std::bad_alloc&) {
    return kJpegNotWritten;
  }
  if (out_buffer == nullptr) return kJpegNotWritten;

  std::unique_ptr<File> file;
  ErrorCode err = files.OpenFile(path, FileAccess::kWrite, FileDisposition::kCreateAlways,
                                 FileShare::kNone, &file);
  if (err != kSuccess) {
    DebugTrace(kTag, "cannot create %s => err %d", path.c_str(), int(err));
    return kJpegNotCreated;
  }
  bool ok = Compress(image, quality, density, file.get(), out_buffer.get(), colour_row.data());
  if (ok) ok = file->Close() == kSuccess;
  if (!ok) {
    file.reset();
    files.RemoveFile(path);
    DebugTrace(kTag, "%s not written, partial file removed", path.c_str());
    return kJpegNotWritten;
  }
  return kJpegWritten;
}

}  // namespace qid
