#include "common/bounded_string.h"

#include <cstdio>

namespace qid {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool CopyBounded(std::string* dst, std::string_view src, size_t capacity) {
  if (src.size() > capacity) return false;
  dst->assign(src.data(), src.size());
  return true;
}

bool AppendBounded(std::string* dst, std::string_view src, size_t capacity) {
  if (dst->size() > capacity || src.size() > capacity - dst->size()) return false;
  dst->append(src.data(), src.size());
  return true;
}

bool FormatBounded(std::string* dst, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list probe;
  va_copy(probe, args);
  int n = std::vsnprintf(nullptr, 0, format, probe);
  va_end(probe);
  bool ok = n >= 0 && static_cast<size_t>(n) <= capacity;
  if (ok) {
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
    *dst = std::move(out);
  }
  va_end(args);
  return ok;
}

std::string Truncated(std::string_view src, size_t capacity) {
  return std::string(src.substr(0, capacity));
}

std::string_view UpToNul(std::string_view bytes) {
  size_t nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string LoweredAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

}  // namespace qid
