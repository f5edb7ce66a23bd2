// pnm_compare: compares two binary PNM pictures (P4 bitmap, P5 grey, P6 colour; any maxval up
// to 65535, scaled to 0..255) pixel by pixel, for the PDF validator suite.
//
//   pnm_compare A.pnm B.pnm [MAX_MEAN]
//
// Prints "size WxH channels C differing N max D mean M" and exits 0 when the sizes and
// channels agree and the mean absolute difference per sample is at most MAX_MEAN (default 0:
// exactly the same pixels), 1 otherwise, 2 when a file cannot be read.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Picture {
  int width = 0, height = 0, channels = 0;
  std::vector<unsigned char> samples;  // 0..255, black 0
};

bool ReadNumber(const std::string& bytes, size_t* pos, long* value) {
  while (*pos < bytes.size()) {
    char c = bytes[*pos];
    if (c == '#') {
      while (*pos < bytes.size() && bytes[*pos] != '\n') ++*pos;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++*pos;
    } else {
      break;
    }
  }
  size_t start = *pos;
  *value = 0;
  while (*pos < bytes.size() && bytes[*pos] >= '0' && bytes[*pos] <= '9') {
    *value = *value * 10 + (bytes[*pos] - '0');
    if (*value > 1000000) return false;
    ++*pos;
  }
  return *pos > start;
}

bool Load(const char* path, Picture* picture) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 2 || bytes[0] != 'P') return false;
  char kind = bytes[1];
  size_t pos = 2;
  long w, h, maxval = 1;
  if (!ReadNumber(bytes, &pos, &w) || !ReadNumber(bytes, &pos, &h)) return false;
  if (kind != '4' && (!ReadNumber(bytes, &pos, &maxval) || maxval < 1 || maxval > 65535)) {
    return false;
  }
  ++pos;  // the single blank after the header
  picture->width = static_cast<int>(w);
  picture->height = static_cast<int>(h);
  picture->channels = kind == '6' ? 3 : 1;
  size_t count = static_cast<size_t>(w) * h * picture->channels;
  picture->samples.resize(count);
  if (kind == '4') {
    size_t row_bytes = (static_cast<size_t>(w) + 7) / 8;
    if (bytes.size() < pos + row_bytes * h) return false;
    for (long y = 0; y < h; ++y) {
      for (long x = 0; x < w; ++x) {
        unsigned char byte = static_cast<unsigned char>(bytes[pos + y * row_bytes + x / 8]);
        bool black = (byte >> (7 - x % 8)) & 1;
        picture->samples[y * w + x] = black ? 0 : 255;
      }
    }
    return true;
  }
  if (kind != '5' && kind != '6') return false;
  int width = maxval > 255 ? 2 : 1;
  if (bytes.size() < pos + count * width) return false;
  for (size_t i = 0; i < count; ++i) {
    long v = static_cast<unsigned char>(bytes[pos + i * width]);
    if (width == 2) v = v * 256 + static_cast<unsigned char>(bytes[pos + i * 2 + 1]);
    picture->samples[i] = static_cast<unsigned char>((v * 255 + maxval / 2) / maxval);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: pnm_compare A.pnm B.pnm [MAX_MEAN]\n");
    return 2;
  }
  double max_mean = argc > 3 ? std::atof(argv[3]) : 0;
  Picture a, b;
  if (!Load(argv[1], &a) || !Load(argv[2], &b)) {
    std::fprintf(stderr, "pnm_compare: cannot read %s or %s\n", argv[1], argv[2]);
    return 2;
  }
  if (a.width != b.width || a.height != b.height || a.channels != b.channels) {
    std::printf("size %dx%d channels %d against %dx%d channels %d\n", a.width, a.height,
                a.channels, b.width, b.height, b.channels);
    return 1;
  }
  size_t differing = 0;
  int max_diff = 0;
  double sum = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    int d = std::abs(int(a.samples[i]) - int(b.samples[i]));
    if (d != 0) ++differing;
    if (d > max_diff) max_diff = d;
    sum += d;
  }
  double mean = a.samples.empty() ? 0 : sum / a.samples.size();
  std::printf("size %dx%d channels %d differing %zu max %d mean %.4f\n", a.width, a.height,
              a.channels, differing, max_diff, mean);
  return mean <= max_mean && (max_mean > 0 || differing == 0) ? 0 : 1;
}
