// Whether a little-endian TIFF (in memory or read through a file window) holds pages that readers can read. Append checks a
// source with it before the source's pages become part of a target: a page that readers stop
// at would hide every page spliced after it, this job's and all later ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qid {

class ByteSource;

// True when the bytes start with "II" and 42 and the IFD chain from byte 4 holds at least one
// page, and every page has: an entry table inside the bytes, ImageWidth and ImageLength above
// 0, RowsPerStrip above 0 when present, StripOffsets and StripByteCounts of the same non-zero
// count (arrays inside the bytes), and every strip inside the bytes. A chain that loops is
// refused. Bytes after the last page (a page-end marker) are allowed. *pages (may be null) is
// the number of pages; *why (may be null) says what was wrong.
bool CheckTiffPages(const uint8_t* bytes, size_t size, int* pages, std::string* why);
bool CheckTiffPages(ByteSource& bytes, int* pages, std::string* why);

}  // namespace qid
