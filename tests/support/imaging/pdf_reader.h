// The PDF writer's output read back for tests: a small reader that finds objects the way a PDF
// reader does, and inflate for Flate streams.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace qid::testing {

inline bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

inline std::string Inflate(const std::string& data) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return "<inflateInit failed>";
  std::string out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  char chunk[65536];
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - z.avail_out);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;
  }
  inflateEnd(&z);
  return status == Z_STREAM_END ? out : "<inflate failed>";
}

// The writer's output, read the way a PDF reader finds its objects: by the offsets of the
// cross-reference table, each of which must hold "N 0 obj".
class PdfReader {
 public:
  explicit PdfReader(std::string bytes) : bytes_(std::move(bytes)) { Parse(); }
  const std::string& bytes() const { return bytes_; }
  // Problems found while parsing the table and trailer; empty when the file is sound.
  const std::string& problems() const { return problems_; }
  int size() const { return size_; }                // the trailer's /Size
  const std::string& trailer() const { return trailer_; }
  size_t object_count() const { return offsets_.size(); }

  // The text between "N 0 obj\n" and its "endobj\n" (streams included).
  std::string Object(int n) const {
    auto it = offsets_.find(n);
    if (it == offsets_.end()) return "<no object " + std::to_string(n) + ">";
    size_t start = bytes_.find('\n', it->second) + 1;
    size_t end = FindEndobj(start);
    return bytes_.substr(start, end - start);
  }

  // The stream data of object n, /Length taken from its length object.
  std::string Stream(int n) const {
    std::string obj = Object(n);
    size_t key = obj.find("/Length ");
    if (key == std::string::npos) return "<no /Length>";
    int length_object = std::atoi(obj.c_str() + key + 8);
    long length = std::atol(Object(length_object).c_str());
    size_t start = obj.find("stream\n");
    if (start == std::string::npos) return "<no stream>";
    start += 7;
    if (start + length > obj.size()) return "<stream shorter than /Length>";
    return obj.substr(start, static_cast<size_t>(length));
  }

 private:
  // Stream data may hold anything; the object ends at the "endobj" after its last stream.
  size_t FindEndobj(size_t from) const {
    size_t stream_end = bytes_.find("endstream\n", from);
    size_t next_obj = bytes_.find(" 0 obj\n", from);
    if (stream_end != std::string::npos && (next_obj == std::string::npos || stream_end < next_obj))
      from = stream_end;
    size_t end = bytes_.find("endobj\n", from);
    return end == std::string::npos ? bytes_.size() : end;
  }

  void Problem(const std::string& text) { problems_ += text + "; "; }

  void Parse() {
    size_t sx = bytes_.rfind("startxref\n");
    if (sx == std::string::npos) return Problem("no startxref");
    size_t xref = std::strtoull(bytes_.c_str() + sx + 10, nullptr, 10);
    if (bytes_.compare(xref, 5, "xref\n") != 0) return Problem("startxref does not point at xref");
    size_t pos = xref + 5;
    int first = 0, count = 0;
    if (std::sscanf(bytes_.c_str() + pos, "%d %d", &first, &count) != 2 || first != 0)
      return Problem("bad xref subsection");
    pos = bytes_.find('\n', pos) + 1;
    if (bytes_.compare(pos, 20, "0000000000 65535 f \n") != 0) Problem("bad free entry");
    for (int k = 1; k < count; ++k) {
      std::string entry = bytes_.substr(pos + 20 * size_t(k), 20);
      if (entry.size() != 20 || entry.compare(10, 10, " 00000 n \n") != 0) {
        Problem("bad entry " + std::to_string(k));
        continue;
      }
      size_t offset = std::strtoull(entry.c_str(), nullptr, 10);
      std::string line = std::to_string(k) + " 0 obj\n";
      if (bytes_.compare(offset, line.size(), line) != 0) {
        Problem("entry " + std::to_string(k) + " does not point at its object");
      }
      offsets_[k] = offset;
    }
    size_t t = bytes_.find("trailer\n", pos);
    if (t == std::string::npos) return Problem("no trailer");
    trailer_ = bytes_.substr(t, sx - t);
    size_t s = trailer_.find("/Size ");
    size_ = s == std::string::npos ? -1 : std::atoi(trailer_.c_str() + s + 6);
    if (size_ != count) Problem("/Size differs from the table");
    // Every object in the file is in the table.
    for (size_t at = bytes_.find(" 0 obj\n"); at != std::string::npos;
         at = bytes_.find(" 0 obj\n", at + 1)) {
      size_t line = bytes_.rfind('\n', at);
      int n = std::atoi(bytes_.c_str() + (line == std::string::npos ? 0 : line + 1));
      if (offsets_.count(n) == 0) Problem("object " + std::to_string(n) + " not in the table");
    }
  }

  std::string bytes_;
  std::string problems_;
  std::string trailer_;
  std::map<int, size_t> offsets_;
  int size_ = -1;
};

}  // namespace qid::testing
