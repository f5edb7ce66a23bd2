// Output naming and serial numbering: pure string work on the settings record.
#pragma once

#include <cstdint>
#include <string>

namespace qid {

struct WriterContext;
struct Settings;

// The target of Document and Append output, or the serial file name of a page piece in
// Serialization, into *path when it fits in `capacity` characters. False (path unchanged) for
// other Output Modes and for a name that does not fit.
bool ConstructFilename(WriterContext& ctx, std::string* path, size_t capacity);

// stem + number (zero-padded to `digits`, 2..8, any other value 9) + "." + extension.
bool FixupFilename(const std::string& base, std::string* out, size_t capacity, uint32_t number,
                   uint32_t digits);

// The serial preview name (no folder, always ".tif") into *out.
void DoNewSerialName(WriterContext& ctx, std::string* out);

// Output File by the document file name rule (AutoGenerate, then Use Source Name).
void ApplyDocumentFileNameRule(WriterContext& ctx);

bool SetFileExtension(const std::string& extension, std::string* path, size_t capacity);
void ForceTifExtension(std::string* name);
void StripExtension(std::string* name);
std::string FormatSerialDigits(uint32_t digits, uint32_t number);

}  // namespace qid
