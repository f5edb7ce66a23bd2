#include <gtest/gtest.h>

#include "tests/support/imaging/tiff_fixture.h"
#include "imagewriter/tiffsplice.h"
#include "tests/support/test_platform.h"

namespace qid {
namespace {

using testing::AppendIfd;
using testing::Get32;
using testing::Put16;
using testing::Put32;
using testing::Set32;
using testing::TiffHeader;

constexpr uint32_t kBase = 1000;

uint8_t* Bytes(std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); }

// Two IFDs: the first with count-3 arrays for BitsPerSample, StripOffsets and StripByteCounts,
// the second with count-1 values, both with the tags whose value field always moves and
// PageNumber, which never does.
struct TwoPageFile {
  std::string bytes;
  size_t first_entries = 0, second_entries = 0, second_link = 0;
  uint32_t offsets_array = 0, counts_array = 0, bits_array = 0;

  TwoPageFile() {
    bytes = TiffHeader();
    offsets_array = uint32_t(bytes.size());
    for (uint32_t v : {100u, 200u, 300u}) Put32(&bytes, v);
    counts_array = uint32_t(bytes.size());
    for (uint32_t v : {10u, 20u, 30u}) Put32(&bytes, v);
    bits_array = uint32_t(bytes.size());
    for (uint16_t v : {8, 8, 8}) Put16(&bytes, v);
    size_t link = AppendIfd(&bytes, 4,
                            {{258, 3, 3, bits_array},
                             {273, 4, 3, offsets_array},
                             {279, 4, 3, counts_array},
                             {282, 5, 1, 40},
                             {283, 5, 1, 48},
                             {297, 3, 2, 0x00020001},
                             {305, 2, 20, 56},
                             {320, 3, 48, 76},
                             {256, 4, 1, 7}});
    first_entries = Get32(bytes, 4) + 2;
    second_link = AppendIfd(&bytes, link,
                            {{258, 3, 1, 8}, {273, 4, 1, 500}, {279, 4, 1, 600}, {297, 3, 2, 1}});
    second_entries = Get32(bytes, link) + 2;
  }
  uint32_t Value(const std::string& b, size_t entries, int i) const {
    return Get32(b, entries + 12 * i + 8);
  }
};

TEST(FixupTiffDataTest, RebasesExactlyTheListedFields) {
  TwoPageFile f;
  std::string b = f.bytes;
  ASSERT_TRUE(FixupTiffData(Bytes(b), b.size(), kBase));

  EXPECT_EQ(Get32(b, 4), Get32(f.bytes, 4) + kBase);  // first-IFD field
  // First IFD: counts above 1.
  EXPECT_EQ(f.Value(b, f.first_entries, 0), f.bits_array + kBase);     // 258, count 3
  EXPECT_EQ(f.Value(b, f.first_entries, 1), f.offsets_array + kBase);  // 273 value field
  EXPECT_EQ(f.Value(b, f.first_entries, 2), f.counts_array + kBase);   // 279, count 3
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Get32(b, f.offsets_array + 4 * i), uint32_t(100 * (i + 1)) + kBase);
    EXPECT_EQ(Get32(b, f.counts_array + 4 * i), uint32_t(10 * (i + 1)));  // byte counts stay
  }
  EXPECT_EQ(b.substr(f.bits_array, 6), f.bytes.substr(f.bits_array, 6));
  EXPECT_EQ(f.Value(b, f.first_entries, 3), 40 + kBase);  // 282
  EXPECT_EQ(f.Value(b, f.first_entries, 4), 48 + kBase);  // 283
  EXPECT_EQ(f.Value(b, f.first_entries, 5), 0x00020001u);  // 297 untouched
  EXPECT_EQ(f.Value(b, f.first_entries, 6), 56 + kBase);  // 305
  EXPECT_EQ(f.Value(b, f.first_entries, 7), 76 + kBase);  // 320
  EXPECT_EQ(f.Value(b, f.first_entries, 8), 7u);          // ImageWidth untouched
  // The link to the second IFD, and its count-1 values.
  EXPECT_EQ(f.Value(b, f.second_entries, 0), 8u);            // 258, count 1 stays
  EXPECT_EQ(f.Value(b, f.second_entries, 1), 500 + kBase);   // 273, count 1 moves
  EXPECT_EQ(f.Value(b, f.second_entries, 2), 600u);          // 279, count 1 stays
  EXPECT_EQ(f.Value(b, f.second_entries, 3), 1u);            // 297
  EXPECT_EQ(Get32(b, f.second_link), 0u);                     // the final 0 stays 0
}

TEST(FixupTiffDataTest, LinksMoveAndNothingElseChanges) {
  TwoPageFile f;
  std::string b = f.bytes;
  ASSERT_TRUE(FixupTiffData(Bytes(b), b.size(), kBase));
  size_t first_link = f.first_entries + 12 * 9;
  EXPECT_EQ(Get32(b, first_link), Get32(f.bytes, first_link) + kBase);
  std::vector<size_t> fields = {4, first_link, f.second_entries + 12 * 1 + 8};
  for (int i : {0, 1, 2, 3, 4, 6, 7}) fields.push_back(f.first_entries + 12 * i + 8);
  for (int i = 0; i < 3; ++i) fields.push_back(f.offsets_array + 4 * i);
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i] == f.bytes[i]) continue;
    bool inside = false;
    for (size_t at : fields) inside = inside || (i >= at && i < at + 4);
    EXPECT_TRUE(inside) << "byte " << i << " changed";
  }
}

// A damaged file is refused before any byte changes.
TEST(FixupTiffDataTest, DamagedFilesAreRefusedUnchanged) {
  TwoPageFile f;
  auto refused = [](std::string damaged, const char* what) {
    std::string copy = damaged;
    EXPECT_FALSE(FixupTiffData(Bytes(copy), copy.size(), kBase)) << what;
    EXPECT_EQ(copy, damaged) << what;
  };
  std::string b = f.bytes;
  Set32(&b, 4, uint32_t(b.size()));
  refused(b, "first IFD at the end");
  b = f.bytes;
  refused(b.substr(0, b.size() - 3), "next-IFD field cut off");
  b = f.bytes;
  Set32(&b, f.first_entries + 12 * 1 + 8, uint32_t(b.size() - 8));  // 3 longs from 8 before end
  refused(b, "StripOffsets array past the end");
  b = f.bytes;
  Set32(&b, f.first_entries + 12 * 1 + 4, 0x40000001);  // count whose bytes overflow 32 bits
  refused(b, "StripOffsets count too large");
  b = f.bytes;
  Set32(&b, f.second_link, Get32(f.bytes, 4));
  refused(b, "IFD chain loops");
  b = f.bytes;
  Set32(&b, 4, 2);
  refused(b, "IFD inside the header");
  b = f.bytes;
  Set32(&b, f.first_entries + 12 * 1 + 8, Get32(f.bytes, 4));
  refused(b, "StripOffsets array on top of the IFD");
  b = f.bytes;
  Set32(&b, f.second_entries + 12 * 1 + 8, 0xFFFFFF00u);
  refused(b, "offset passes 4 GiB once rebased");
  refused(std::string("II*\0", 4), "no first-IFD field");
}

TEST(FixupTiffDataTest, AFileWithoutIfdIsLeftAsItIs) {
  std::string b = TiffHeader();
  ASSERT_TRUE(FixupTiffData(Bytes(b), b.size(), kBase));
  EXPECT_EQ(b, TiffHeader());
}

}  // namespace
}  // namespace qid
