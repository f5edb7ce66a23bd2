// Byte-level handling of job files and spliced TIFF files (little-endian only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qid {

struct WriterContext;
class File;

// Reads the data mode from the first word into ctx.job.data_mode and restores "II".
bool CheckAndFixFileHeader(WriterContext& ctx, const std::string& job_path);

// True when the file starts with "II" and 42; the position is kept.
bool IsTiffFile(File& file);

// Splices the source's pages onto the end of the destination (copies when it is missing).
bool AppendTiff(WriterContext& ctx, const std::string& source, const std::string& destination);

// Adds base to the IFD links and the listed offsets of a whole TIFF file in `buffer`.
// False (buffer unchanged) when an offset points outside it.
bool FixupTiffData(uint8_t* buffer, size_t size, uint32_t base);

// Cuts the job file at its page-end markers into one named file per piece; the count written.
int SplitJobFile(WriterContext& ctx, const std::string& job_path);

// The position just after the next page-end marker in [start, start+length), or npos.
size_t FindPageEnd(const uint8_t* buffer, size_t start, size_t length);

}  // namespace qid
