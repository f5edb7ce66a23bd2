#include "tests/support/imaging/test_jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace qid::testing {

std::vector<JpegSegment> JpegSegments(const std::string& jpeg) {
  std::vector<JpegSegment> out;
  if (jpeg.size() < 4 || uint8_t(jpeg[0]) != 0xFF || uint8_t(jpeg[1]) != 0xD8) return {};
  out.push_back({0xD8, ""});
  size_t at = 2;
  for (;;) {
    if (at + 4 > jpeg.size() || uint8_t(jpeg[at]) != 0xFF) return {};
    uint8_t marker = uint8_t(jpeg[at + 1]);
    size_t length = (uint8_t(jpeg[at + 2]) << 8) | uint8_t(jpeg[at + 3]);
    if (length < 2 || at + 2 + length > jpeg.size()) return {};
    out.push_back({marker, jpeg.substr(at + 4, length - 2)});
    at += 2 + length;
    if (marker == 0xDA) break;
  }
  if (uint8_t(jpeg[jpeg.size() - 2]) == 0xFF && uint8_t(jpeg[jpeg.size() - 1]) == 0xD9) {
    out.push_back({0xD9, ""});
  }
  return out;
}

namespace {

struct JpegErrorJump {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

}  // namespace

DecodedJpeg DecodeJpeg(const std::string& bytes) {
  DecodedJpeg out;
  jpeg_decompress_struct cinfo{};
  JpegErrorJump err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = [](j_common_ptr c) {
    std::longjmp(reinterpret_cast<JpegErrorJump*>(c->err)->jump, 1);
  };
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return DecodedJpeg{};
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  out.components = cinfo.num_components;
  out.jfif = cinfo.saw_JFIF_marker;
  out.jfif_major = cinfo.JFIF_major_version;
  out.jfif_minor = cinfo.JFIF_minor_version;
  out.density_unit = cinfo.density_unit;
  out.x_density = cinfo.X_density;
  out.y_density = cinfo.Y_density;
  jpeg_start_decompress(&cinfo);
  out.width = cinfo.output_width;
  out.height = cinfo.output_height;
  size_t stride = size_t(cinfo.output_width) * cinfo.output_components;
  out.pixels.resize(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.pixels.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  out.ok = true;
  return out;
}

std::string LibjpegReference(const uint8_t* pixels, uint32_t width, uint32_t height,
                             int components, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t stride = size_t(width) * components;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + size_t(cinfo.next_scanline) * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::string jpeg(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return jpeg;
}

}  // namespace qid::testing
