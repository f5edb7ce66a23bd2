// Conversions between the ANSI texts of Q71File and PrnWipe and the UTF-16 texts of drvsetup.
// Outside Windows the ANSI code page is Windows-1252, the one the product's Western systems
// use: bytes 0x80-0x9F are its typographic characters, the other bytes are Latin-1. A UTF-16
// unit the code page lacks becomes "?" (the system picks a look-alike for some, such as "O"
// for an omega; this layer does not). The Windows layer converts through the active code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qid {

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

// UTF-16 text as the little-endian bytes the registry and UTF-16 files hold, and back (an odd
// last byte is no whole unit and is dropped).
std::vector<uint8_t> Utf16LeBytes(std::u16string_view text);
std::u16string Utf16FromLeBytes(const uint8_t* bytes, size_t size);

// UTF-16 texts compared with the letters A to Z in either case.
bool EqualsIgnoreCaseAscii(std::u16string_view a, std::u16string_view b);

}  // namespace qid
