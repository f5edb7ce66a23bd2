#include "tests/support/imaging/tiff_fixture.h"

#include "imagewriter/writer_context.h"

namespace qid::testing {
namespace {

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

struct Entry {
  uint16_t tag, type;
  uint32_t count, value;
};

}  // namespace

std::string MakeTiff(const std::vector<GreyPage>& pages) {
  std::string out = "II";
  Put16(&out, 42);
  size_t link = out.size();  // where the offset of the next IFD goes
  Put32(&out, 0);
  for (const GreyPage& page : pages) {
    uint32_t pixels = static_cast<uint32_t>(out.size());
    out.append(size_t(page.width) * page.height, char(page.fill));
    if (out.size() % 2) out.push_back(0);
    uint32_t resolution = static_cast<uint32_t>(out.size());
    Put32(&out, page.dpi);
    Put32(&out, 1);
    std::vector<Entry> entries = {
        {256, 4, 1, page.width},        {257, 4, 1, page.height},
        {258, 3, 1, 8},                 {259, 3, 1, 1},
        {262, 3, 1, 1},                 {273, 4, 1, pixels},
        {277, 3, 1, 1},                 {278, 4, 1, page.height},
        {279, 4, 1, page.width * page.height},
        {282, 5, 1, resolution},        {283, 5, 1, resolution},
        {296, 3, 1, 2},
    };
    Set32(&out, link, static_cast<uint32_t>(out.size()));
    Put16(&out, static_cast<uint16_t>(entries.size()));
    for (const Entry& e : entries) {
      Put16(&out, e.tag);
      Put16(&out, e.type);
      Put32(&out, e.count);
      Put32(&out, e.value);
    }
    link = out.size();
    Put32(&out, 0);
  }
  return out;
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
