// Conversions between the ANSI texts of Q71File and PrnWipe and the UTF-16 texts of drvsetup,
// for traces and tests. Bytes are taken as Latin-1: each byte is one UTF-16 unit, and a unit
// above 0xFF becomes "?". The Windows layer converts through the active code page instead.
#pragma once

#include <string>
#include <string_view>

namespace qid {

std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace qid
