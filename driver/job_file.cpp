#include "driver/job_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "common/little_endian.h"
#include "imagewriter/writer_context.h"

namespace qid::driver {
namespace {

enum TiffType : uint16_t { kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint32_t value;  // the value itself (inline) or the offset of the values
};

class ByteSink {
 public:
  explicit ByteSink(std::vector<uint8_t>* out) : out_(out) {}
  size_t size() const { return out_->size(); }
  void Put16(uint16_t v) {
    size_t at = Grow(2);
    WriteLE16(out_->data(), out_->size(), at, v);
  }
  void Put32(uint32_t v) {
    size_t at = Grow(4);
    WriteLE32(out_->data(), out_->size(), at, v);
  }
  void Set32(size_t at, uint32_t v) { WriteLE32(out_->data(), out_->size(), at, v); }
  void PutBytes(const std::vector<uint8_t>& bytes) {
    out_->insert(out_->end(), bytes.begin(), bytes.end());
  }
  // TIFF wants every offset on a word boundary.
  void Align() {
    if (out_->size() % 2) out_->push_back(0);
  }

 private:
  size_t Grow(size_t n) {
    size_t at = out_->size();
    out_->resize(at + n);
    return at;
  }
  std::vector<uint8_t>* out_;
};

void Rational(float value, uint32_t* numerator, uint32_t* denominator) {
  double v = value;
  if (std::fabs(v - std::round(v)) < 1e-4 && v < 4e9) {
    *numerator = static_cast<uint32_t>(std::lround(v));
    *denominator = 1;
  } else {
    *denominator = 10000;
    *numerator = static_cast<uint32_t>(std::min(std::llround(v * 10000.0), 0xFFFFFFFFll));
  }
}

// Writes one page (strips, out-of-line values, IFD) at the end of `sink`. *ifd is the IFD's
// offset and *next_field the offset of its next-IFD field (left 0).
void WritePage(const TiffPage& page, uint16_t number, uint16_t total, ByteSink* sink,
               uint32_t* ifd, size_t* next_field) {
  std::vector<uint32_t> offsets, counts;
  for (const std::vector<uint8_t>& strip : page.strips) {
    sink->Align();
    offsets.push_back(static_cast<uint32_t>(sink->size()));
    counts.push_back(static_cast<uint32_t>(strip.size()));
    sink->PutBytes(strip);
  }
  const uint32_t strip_count = static_cast<uint32_t>(page.strips.size());

  auto array32 = [&](const std::vector<uint32_t>& values) {
    sink->Align();
    uint32_t at = static_cast<uint32_t>(sink->size());
    for (uint32_t v : values) sink->Put32(v);
    return at;
  };
  uint32_t bits_value = page.bits_per_sample;
  if (page.samples_per_pixel > 1) {
    sink->Align();
    bits_value = static_cast<uint32_t>(sink->size());
    for (uint16_t i = 0; i < page.samples_per_pixel; ++i) sink->Put16(page.bits_per_sample);
  }
  uint32_t offsets_value = strip_count > 1 ? array32(offsets) : offsets[0];
  uint32_t counts_value = strip_count > 1 ? array32(counts) : counts[0];
  uint32_t x_at = 0, y_at = 0;
  if (page.has_resolution) {
    uint32_t n, d;
    Rational(page.x_resolution, &n, &d);
    x_at = array32({n, d});
    Rational(page.y_resolution, &n, &d);
    y_at = array32({n, d});
  }
  uint32_t map_at = 0;
  if (!page.color_map.empty()) {
    sink->Align();
    map_at = static_cast<uint32_t>(sink->size());
    for (uint16_t v : page.color_map) sink->Put16(v);
  }

  std::vector<Entry> entries = {
      {256, kLong, 1, page.width},
      {257, kLong, 1, page.length},
      {258, kShort, page.samples_per_pixel, bits_value},
      {259, kShort, 1, page.compression},
      {262, kShort, 1, page.photometric},
      {266, kShort, 1, page.fill_order},
      {273, kLong, strip_count, offsets_value},
      {277, kShort, 1, page.samples_per_pixel},
      {278, kLong, 1, page.rows_per_strip},
      {279, kLong, strip_count, counts_value},
  };
  if (page.has_resolution) {
    entries.push_back({282, kRational, 1, x_at});
    entries.push_back({283, kRational, 1, y_at});
  }
  entries.push_back({284, kShort, 1, page.planar_config});
  if (page.has_group3_options) entries.push_back({292, kLong, 1, page.group3_options});
  if (page.has_group4_options) entries.push_back({293, kLong, 1, page.group4_options});
  if (page.has_resolution) entries.push_back({296, kShort, 1, page.resolution_unit});
  entries.push_back({297, kShort, 2, uint32_t(number) | (uint32_t(total) << 16)});
  if (page.predictor != 1) entries.push_back({317, kShort, 1, page.predictor});
  if (!page.color_map.empty())
    entries.push_back({320, kShort, static_cast<uint32_t>(page.color_map.size()), map_at});
  if (!page.extra_samples.empty()) {
    uint32_t packed = page.extra_samples[0];
    if (page.extra_samples.size() > 1) packed |= uint32_t(page.extra_samples[1]) << 16;
    entries.push_back({338, kShort, static_cast<uint32_t>(page.extra_samples.size()), packed});
  }

  sink->Align();
  *ifd = static_cast<uint32_t>(sink->size());
  sink->Put16(static_cast<uint16_t>(entries.size()));
  for (const Entry& e : entries) {
    sink->Put16(e.tag);
    sink->Put16(e.type);
    sink->Put32(e.count);
    sink->Put32(e.value);
  }
  *next_field = sink->size();
  sink->Put32(0);
}

uint64_t RoughSize(const std::vector<const TiffPage*>& pages) {
  uint64_t total = 8;
  for (const TiffPage* page : pages) {
    total += 512 + page->color_map.size() * 2 + page->strips.size() * 10;
    for (const std::vector<uint8_t>& strip : page->strips) total += strip.size() + 1;
  }
  return total;
}

}  // namespace

JobLayout LayoutFor(uint16_t data_mode, uint32_t output_mode, bool print_to_file) {
  if (print_to_file) output_mode = 1;  // Q71File writes print-to-file as a Document
  return data_mode == 0 || output_mode == 2 ? JobLayout::kSplit : JobLayout::kDocument;
}

bool BuildTiff(const std::vector<const TiffPage*>& pages, uint16_t first_number,
               uint16_t page_total, std::vector<uint8_t>* out, std::string* error) {
  if (pages.empty()) {
    *error = "no pages";
    return false;
  }
  for (const TiffPage* page : pages) {
    if (page->strips.empty()) {
      *error = "a page has no strips";
      return false;
    }
  }
  if (RoughSize(pages) > UINT32_MAX) {
    *error = "the pages need more than the 4 GiB a TIFF can address";
    return false;
  }
  out->clear();
  ByteSink sink(out);
  sink.Put16(0x4949);  // "II"
  sink.Put16(42);
  size_t link = sink.size();  // the field that will hold the next page's IFD offset
  sink.Put32(0);
  uint16_t number = first_number;
  for (const TiffPage* page : pages) {
    uint32_t ifd;
    size_t next_field;
    WritePage(*page, number++, page_total, &sink, &ifd, &next_field);
    sink.Set32(link, ifd);
    link = next_field;
  }
  return true;
}

bool BuildJobFile(const std::vector<TiffPage>& pages, const JobSpec& job_spec,
                  std::vector<uint8_t>* job, std::string* error) {
  if (pages.empty()) {
    *error = "no pages to print";
    return false;
  }
  if (job_spec.data_mode > kMaxDataMode) {
    *error = "data mode " + std::to_string(job_spec.data_mode) + " is outside 0.." +
             std::to_string(kMaxDataMode);
    return false;
  }
  if (pages.size() > 0xFFFF) {
    *error = "more than 65535 pages";
    return false;
  }
  const uint16_t word = static_cast<uint16_t>(100 + job_spec.data_mode);
  const uint16_t total = static_cast<uint16_t>(pages.size());
  const uint8_t* marker = reinterpret_cast<const uint8_t*>(kPageEndMarker);
  job->clear();
  if (job_spec.layout == JobLayout::kDocument) {
    std::vector<const TiffPage*> all;
    for (const TiffPage& page : pages) all.push_back(&page);
    if (!BuildTiff(all, 0, total, job, error)) return false;
    WriteLE16(job->data(), job->size(), 0, word);
    if (job_spec.end_marker) job->insert(job->end(), marker, marker + kPageEndMarkerSize);
    return true;
  }
  ByteSink sink(job);
  sink.Put16(word);
  sink.Put16(42);
  job->resize(24, 0);
  std::vector<uint8_t> piece;
  uint64_t size = 24;
  for (size_t i = 0; i < pages.size(); ++i) {
    // A piece stands alone, yet its PageNumber still says where it sits in the job.
    if (!BuildTiff({&pages[i]}, static_cast<uint16_t>(i), total, &piece, error)) return false;
    size += piece.size() + kPageEndMarkerSize;
    if (size > UINT32_MAX) {
      *error = "the job needs more than 4 GiB";
      return false;
    }
    job->insert(job->end(), piece.begin(), piece.end());
    job->insert(job->end(), marker, marker + kPageEndMarkerSize);
  }
  return true;
}

bool WriteBytesToFile(const std::string& host_path, const std::vector<uint8_t>& bytes,
                      std::string* error) {
  int fd = ::open(host_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = "cannot create " + host_path + ": " + std::strerror(errno);
    return false;
  }
  // Only a regular file that this call filled may be removed after a failed write.
  struct stat st;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  size_t done = 0;
  int err = 0;
  while (done < bytes.size()) {
    ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) {
      err = errno;
      break;
    }
    done += static_cast<size_t>(w);
  }
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) {
    if (regular) ::unlink(host_path.c_str());
    *error = "cannot write " + host_path + ": " + std::strerror(err);
    return false;
  }
  return true;
}

}  // namespace qid::driver
