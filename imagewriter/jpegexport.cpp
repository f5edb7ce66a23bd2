#include "imagewriter/jpegexport.h"

#include <cstdio>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/file_names.h"
#include "imagewriter/jpeg_encoder.h"
#include "imagewriter/tiff_page.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

constexpr char kTagJpeg[] = "JPG01:  ";
constexpr char kTagName[] = "SEC01:  ";
constexpr int kJpegQuality = 75;

// How the trace shows a compression code: PackBits as 2, none as 0.
int CompressionForDisplay(uint16_t compression) {
  if (compression == 32773) return 2;
  if (compression == 1) return 0;
  return compression;
}

}  // namespace

bool MakePageName(std::string* path, int page_number, const std::string& extension) {
  std::string suffix = extension;
  if (page_number != 0) suffix = "_" + std::to_string(page_number) + extension;
  size_t stop = path->find_last_of("./\\");
  std::string named;
  if (stop != std::string::npos && (*path)[stop] == '.') {
    named = path->substr(0, stop) + suffix;
  } else {
    named = *path + suffix;
  }
  return CopyBounded(path, named, kJpegPathCapacity);
}

bool MakeJpegName(std::string* path, int page_number) {
  size_t stop = path->find_last_of("./\\");
  bool has_extension = stop != std::string::npos && (*path)[stop] == '.';
  bool ok = MakePageName(path, page_number, ".jpg");
  if (has_extension) DebugTrace(kTagName, "err = %d", ok ? 0 : 1);
  return ok;
}

int ConvertToJpeg(WriterContext& ctx, std::string* jpeg_path, const std::string& tiff_path) {
  DebugTrace(kTagJpeg, "%s => %s", tiff_path.c_str(), jpeg_path->c_str());
  if (SameFileName(*jpeg_path, tiff_path)) {
    // Writing the JPEG over the TIFF would destroy the page being read (on Windows also when
    // the names differ only in letter case, as TEST.JPG and TEST.jpg do).
    std::string renamed = jpeg_path->size() >= 4
                              ? jpeg_path->substr(0, jpeg_path->size() - 4) + "_.jpg"
                              : *jpeg_path + "_.jpg";
    if (!CopyBounded(jpeg_path, renamed, kJpegPathCapacity)) {
      DebugTrace(kTagJpeg, "%s has no room for _.jpg", jpeg_path->c_str());
      return kJpegBadPath;
    }
  }

  PageDescription page;
  JpegImage image;
  int result = kJpegWritten;
  {
    OpenedTiff tiff;
    bool opened = OpenTiffForReading(*ctx.os.files, tiff_path, &tiff);
    if (opened) {
      page = ReadPageDescription(tiff.tiff);
      TakeDensity(page, &ctx.imaging.density);
    }
    bool created = CreateJpegImage(page, &image);
    DebugTrace(kTagJpeg, "File = %s => %d x %d  BMPP = %d comp = %d)", tiff_path.c_str(),
               int(page.width), int(page.length), int(page.bits_per_pixel),
               int(page.compression));
    if (!created) {
      result = kJpegNoImage;
    } else if (image.bits_per_pixel != 8 && image.bits_per_pixel != 24) {
      result = kJpegDepthRefused;  // no JPEG is made of 1- and 16-bit pages
    } else if (!opened || !LoadFirstPage(tiff.tiff, page, &image)) {
      result = kJpegNotLoaded;
    }
  }  // the TIFF is closed before it may be deleted
  if (result == kJpegWritten) {
    result = SaveJpeg(*ctx.os.files, *jpeg_path, image, kJpegQuality, &ctx.imaging.density);
  }
  image.pixels = PixelBuffer{};
  DebugTrace(kTagJpeg, "File = %s comp = %d  (%d)", jpeg_path->c_str(),
             CompressionForDisplay(page.compression), int(page.compression));
  if (result == kJpegWritten) {
    ErrorCode err = ctx.os.files->RemoveFile(tiff_path);
    if (err != kSuccess) {
      DebugTrace(kTagJpeg, "cannot delete %s => err %d", tiff_path.c_str(), int(err));
    }
  } else {
    DebugTrace(kTagJpeg, "no JPEG written (%d), %s kept", result, tiff_path.c_str());
  }
  return result;
}

void ImagingStartup(WriterContext& ctx) {
  OsVersion v = ctx.os.system->Version();
  ImagingState& state = ctx.imaging;
  state.platform_version = v.major * 100 + v.minor;
  const bool nt = v.platform_id == 2;
  state.dib_sections = nt ? state.platform_version >= 350 : state.platform_version > 394;
  state.density = JfifDensity{};
  state.started = true;
}

void ImagingShutdown(WriterContext& ctx) { ctx.imaging = ImagingState{}; }

}  // namespace qid
