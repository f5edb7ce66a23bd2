#include "tests/support/imaging/tiff_fixture.h"

#include "imagewriter/writer_context.h"

namespace qid::testing {

void Put16(std::string* s, uint16_t v) {
  s->push_back(char(v & 0xFF));
  s->push_back(char(v >> 8));
}

void Put32(std::string* s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s->push_back(char((v >> (8 * i)) & 0xFF));
}

void Set32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = char((v >> (8 * i)) & 0xFF);
}

uint16_t Get16(const std::string& s, size_t at) {
  return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
}

uint32_t Get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[at + i]);
  return v;
}

std::string TiffHeader() {
  std::string t = "II";
  Put16(&t, 42);
  Put32(&t, 0);
  return t;
}

size_t AppendIfd(std::string* tiff, size_t link_at, const std::vector<IfdEntry>& entries) {
  if (tiff->size() % 2) tiff->push_back(0);
  Set32(tiff, link_at, uint32_t(tiff->size()));
  Put16(tiff, uint16_t(entries.size()));
  for (const IfdEntry& e : entries) {
    Put16(tiff, e.tag);
    Put16(tiff, e.type);
    Put32(tiff, e.count);
    Put32(tiff, e.value);
  }
  size_t link = tiff->size();
  Put32(tiff, 0);
  return link;
}

namespace {

// The IFD of an uncompressed one-strip 8-bit grey page with its resolution at `resolution`.
std::vector<IfdEntry> GreyEntries(uint32_t width, uint32_t height, uint32_t pixels,
                                  uint32_t resolution) {
  return {{256, 4, 1, width},  {257, 4, 1, height},         {258, 3, 1, 8},
          {259, 3, 1, 1},      {262, 3, 1, 1},              {273, 4, 1, pixels},
          {277, 3, 1, 1},      {278, 4, 1, height},         {279, 4, 1, width * height},
          {282, 5, 1, resolution}, {283, 5, 1, resolution}, {296, 3, 1, 2}};
}

}  // namespace

std::string MakeTiff(const std::vector<GreyPage>& pages) {
  std::string out = TiffHeader();
  size_t link = 4;  // where the offset of the next IFD goes
  for (const GreyPage& page : pages) {
    uint32_t pixels = static_cast<uint32_t>(out.size());
    out.append(size_t(page.width) * page.height, char(page.fill));
    if (out.size() % 2) out.push_back(0);
    uint32_t resolution = static_cast<uint32_t>(out.size());
    Put32(&out, page.dpi);
    Put32(&out, 1);
    link = AppendIfd(&out, link, GreyEntries(page.width, page.height, pixels, resolution));
  }
  return out;
}

std::string GreyTiffOfSize(size_t total, uint8_t fill) {
  const uint32_t w = 4, h = 2;
  const size_t ifd_size = 2 + 12 * 12 + 4;
  std::string t = TiffHeader();
  uint32_t pixels = uint32_t(t.size());
  t.append(w * h, char(fill));
  size_t filler = total - (t.size() + 8 + ifd_size);
  t.append(filler, '\x7e');
  uint32_t resolution = uint32_t(t.size());
  Put32(&t, 200);
  Put32(&t, 1);
  AppendIfd(&t, 4, GreyEntries(w, h, pixels, resolution));
  return t;
}

std::string BilevelTiff(uint8_t pattern) {
  std::string t = TiffHeader();
  uint32_t pixels = uint32_t(t.size());
  t.append(2, char(pattern));
  AppendIfd(&t, 4,
            {{256, 4, 1, 8}, {257, 4, 1, 2}, {258, 3, 1, 1}, {259, 3, 1, 1}, {262, 3, 1, 0},
             {273, 4, 1, pixels}, {277, 3, 1, 1}, {278, 4, 1, 2}, {279, 4, 1, 2}});
  return t;
}

std::string MakeDocumentJob(uint16_t data_mode, const std::string& tiff, bool with_marker) {
  std::string job = tiff;
  uint16_t word = static_cast<uint16_t>(100 + data_mode);
  job[0] = char(word & 0xFF);
  job[1] = char(word >> 8);
  if (with_marker) job.append(kPageEndMarker, kPageEndMarkerSize);
  return job;
}

std::string MakeSplitJob(uint16_t data_mode, const std::vector<std::string>& pieces) {
  std::string job;
  Put16(&job, static_cast<uint16_t>(100 + data_mode));
  Put16(&job, 42);
  job.append(20, '\0');
  for (const std::string& piece : pieces) {
    job += piece;
    job.append(kPageEndMarker, kPageEndMarkerSize);
  }
  return job;
}

}  // namespace qid::testing
