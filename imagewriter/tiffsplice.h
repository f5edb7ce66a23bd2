// Byte-level handling of job files and spliced TIFF files (little-endian only; no TIFF library).
//
// Job file: the first word carries 100 + data mode in place of "II". A Document or Append job is
// one TIFF of all pages that ends with its last IFD's next-IFD field (0), optionally followed by
// the 16-byte page-end marker. A split job holds, from byte 24 on, one complete single-page TIFF
// after another, each followed by the marker.
//
// Every offset taken from a file is checked against the file's size before it is followed; a
// damaged file is refused (traced), never read or written outside its bytes. All file access
// goes through ctx.os.files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qid {

struct WriterContext;
class File;
class FileWindow;

// The data mode of a job file's first word: word - 100 for 100..110, otherwise 4.
uint16_t DataModeFromWord(uint16_t first_word);

// Reads the data mode from the job file's first word into ctx.job.data_mode and writes "II" over
// that word. False (traced) when the file cannot be opened for update, is shorter than the
// 4-byte header, does not carry 42 in bytes 2-3 (no job file), or the signature cannot be
// written; the file is then left as it was.
bool CheckAndFixFileHeader(WriterContext& ctx, const std::string& job_path);

// True when the file starts with "II" and 42; the position is kept. Any failing step is false.
bool IsTiffFile(File& file);

// Splices the source's pages onto the end of the destination: the result is the destination's
// first (size - tail) bytes followed by the source without its first four bytes, the source's
// offsets rebased, where tail is 4, or 20 when the destination ends with the page-end marker.
// A missing destination becomes a copy of the source, never replacing a file that another job
// put there meanwhile: the pages are then spliced onto that one.
//
// False (traced), with the destination exactly as it was, when the source is missing or holds
// a page that readers cannot read (CheckTiffPages), an offset outside it included; when the
// destination exists but cannot be opened, is no little-endian TIFF, is shorter than 16 bytes
// or does not end with its last IFD's next-IFD field (splicing there would overwrite its data);
// when the result would pass 4 GiB; or when a write fails.
bool AppendTiff(WriterContext& ctx, const std::string& source, const std::string& destination);

// The same splice for a source of `size` bytes from `origin` on in an open file (a piece of a
// split job). The source is read through the window and copied in blocks, each rebased on its
// way, so memory stays bounded whatever its size.
bool AppendTiffRange(WriterContext& ctx, FileWindow& window, uint64_t origin, uint64_t size,
                     const std::string& destination);

// Adds base to the IFD links and the listed offsets of a whole TIFF file in `buffer`: the IFD
// chain from the first-IFD field at byte 4; in each IFD the value fields of XResolution,
// YResolution, Software and ColorMap, of StripOffsets (and every entry of its array when its
// count is above 1), and of BitsPerSample and StripByteCounts when their count is above 1.
// The whole chain is checked first: false, with the buffer unchanged, when an IFD or an array
// lies outside the buffer or inside its first 8 bytes, when the chain loops, when two adjusted
// fields overlap, or when a rebased value would pass 32 bits.
bool FixupTiffData(uint8_t* buffer, size_t size, uint32_t base);

// Writes `size` bytes at the destination's current position (the splice point, at or before
// its end) so that the file never holds a half-done splice: the bytes that lie past the old end
// are written first and flushed, then the bytes over the old tail (the link into the old IFD
// chain) are written and flushed. When any step fails the destination is cut back to its old
// size and its old tail bytes are restored; false. True when every byte is written.
bool AppendBufferToFile(File& destination, const uint8_t* buffer, size_t size);

}  // namespace qid
