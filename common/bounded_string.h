// Strings with the capacities of the product's fixed buffers. A capacity counts characters
// without the terminator (a 256-byte buffer has capacity 255). Every operation that could
// exceed it refuses: it returns false and leaves the destination exactly as it was, so a name
// that does not fit can never silently become a shorter, different name.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace qid {

// *dst = src when src has at most `capacity` characters.
bool CopyBounded(std::string* dst, std::string_view src, size_t capacity);

// *dst += src when the result has at most `capacity` characters.
bool AppendBounded(std::string* dst, std::string_view src, size_t capacity);

// *dst = the printf-formatted text when it has at most `capacity` characters.
bool FormatBounded(std::string* dst, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The first `capacity` characters of src: for the places that truncate on purpose.
std::string Truncated(std::string_view src, size_t capacity);

// The text before the first NUL, when a value may carry its terminator (registry strings).
std::string_view UpToNul(std::string_view bytes);

// Letter-case-insensitive comparisons in the C locale, as the product compares names.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
// The text with its letters A to Z lowered (C locale).
std::string LoweredAscii(std::string_view text);

}  // namespace qid
