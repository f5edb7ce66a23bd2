#include "imagewriter/jpeg_compress.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/imaging/test_jpeg.h"

namespace qid {
namespace {

enum class Destination { kOurs, kLibrary };

// Compresses a noisy grey picture (so that the JPEG is large) and returns the JPEG.
std::string Compress(Destination which, size_t initial_capacity) {
  const int w = 640, h = 480;
  std::string pixels(size_t(w) * h, '\0');
  uint32_t seed = 3;
  for (char& c : pixels) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 24);
  }
  if (which == Destination::kOurs) {
    JpegFrame frame;
    frame.width = w;
    frame.height = h;
    frame.quality = 90;
    frame.row = [](void* context, uint32_t y) {
      return reinterpret_cast<const uint8_t*>(static_cast<std::string*>(context)->data()) +
             size_t(y) * w;
    };
    frame.context = &pixels;
    unsigned char* block = nullptr;
    size_t n = 0;
    if (!CompressJpegToMemory(frame, initial_capacity, &block, &n)) return "<failed>";
    std::string jpeg(reinterpret_cast<char*>(block), n);
    std::free(block);
    return jpeg;
  }
  return testing::LibjpegReference(reinterpret_cast<const uint8_t*>(pixels.data()), w, h, 1, 90);
}

// The library's own memory destination is the reference: the same encoder must give the
// same bytes, however often the block had to grow on the way.
TEST(JpegCompressTest, MemoryBlockCollectsExactlyWhatTheEncoderWrites) {
  std::string reference = Compress(Destination::kLibrary, 0);
  ASSERT_GT(reference.size(), kJpegGrowStep + kJpegStagingSize);  // grows more than once
  for (size_t capacity : {size_t(1), size_t(8191), size_t(8192), size_t(200000), size_t(1 << 22)}) {
    EXPECT_EQ(Compress(Destination::kOurs, capacity), reference) << "capacity " << capacity;
  }
}

}  // namespace
}  // namespace qid
