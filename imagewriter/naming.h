// Output naming and serial numbering: pure string work on the settings record and the
// document name. Nothing here touches files.
//
// Every composition refuses rather than overruns: a name that would not fit its capacity is
// not built (false, the destination unchanged, a trace with tag "QIF03:  " naming the limit),
// so a name that does not fit never becomes a shorter, different file.
#pragma once

#include <cstdint>
#include <string>

namespace qid {

struct WriterContext;
struct Settings;

// Room for "VEDIZE_DOCNAME" when the naming rules read it.
constexpr size_t kDocumentNameReadCapacity = 1023;
// Longest extension that the rules take apart.
constexpr size_t kExtensionCapacity = 9;

extern const char kWordTitlePrefix[];      // "Microsoft Word - "
extern const char kSerialFallbackName[];   // "SourceName.doc", serial file names
extern const char kPreviewFallbackName[];  // "SourceName", the preview and Output File

// --- the document name ------------------------------------------------------------------

// True and *name when "VEDIZE_DOCNAME" is set, not empty and at most 1023 characters. A longer
// value is taken as absent (traced); *name is unchanged on false.
bool ReadDocumentName(WriterContext& ctx, std::string* name);

// The document name, or `fallback` when ReadDocumentName finds none.
std::string DocumentNameOr(WriterContext& ctx, const char* fallback);

// Drops a leading "Microsoft Word - " (letter case ignored); true when it was there.
bool DropWordPrefix(std::string* name);

// Keeps only the text after the last "/"; true when a "/" was found.
bool KeepAfterLastSlash(std::string* name);

// A "/" as the last character becomes "_"; true when it did.
bool TrailingSlashToUnderscore(std::string* name);

// The trimmed name of the dialog and the preview: optionally the trailing "/" to "_" step,
// then DropWordPrefix, then KeepAfterLastSlash.
std::string TrimmedSourceName(std::string name, bool slash_to_underscore);

// --- numbers ----------------------------------------------------------------------------

// The minimum width of a serial number: `digits` when it is 2..8, otherwise 9.
int SerialWidth(uint32_t digits);

// The number alone, zero-padded to SerialWidth(digits); a longer number is written in full.
std::string FormatSerialDigits(uint32_t digits, uint32_t number);

// Doc Prefix String + Auto Number Value zero-padded to at least four digits.
std::string NumberedDocumentStem(const Settings& settings);
// NumberedDocumentStem + ".tif": the document initialisation's Output File (at most
// 63 + 10 + 4 characters for a prefix within its capacity).
std::string NumberedDocumentName(const Settings& settings);

// Adds 1 to a counter unless it is at 0xFFFFFFFF, where it stays (traced with `name`): a
// counter that wrapped would name files that already exist. False at the limit.
constexpr uint32_t kCounterLimit = 0xFFFFFFFFu;
bool AdvanceCounter(uint32_t* counter, const char* name);

// --- names ------------------------------------------------------------------------------

// An empty Output Directory would be the drive's root (on the host, "/"): it becomes the
// default folder, in memory (traced).
void ResolveEmptyDirectory(Settings& settings);

// The target of Document and Append output (directory + Output File), or the serial file name
// of the next page piece in Serialization, into *path. First makes the Output Directory
// setting end with a backslash (in memory); an empty one becomes the default folder (traced),
// never the drive's root. Output File, a serial prefix and a document name each name one file
// of that folder (ContainedFileName), and a device name gets a "_" in front (both traced).
// False with *path unchanged for other Output Modes and for a name longer than `capacity`.
bool ConstructFilename(WriterContext& ctx, std::string* path, size_t capacity);

// stem + number (zero-padded to SerialWidth(digits)) + "." + extension, split at the last dot
// of the base's last path component ("TIF" when there is none). False with *out unchanged for
// an empty base, a base ending in a dot, an extension longer than 9 characters or a result
// longer than `capacity`.
bool FixupFilename(const std::string& base, std::string* out, size_t capacity, uint32_t number,
                   uint32_t digits);

// The serial preview name (no folder, always ".tif") into *out, which may be Output File
// itself; Output File is emptied first. False with *out empty when the name would exceed the
// 255 characters of Output File.
bool DoNewSerialName(WriterContext& ctx, std::string* out);

// The document file name rule of the dialog's initialisation in Document mode: with
// AutoGenerate Output File = NumberedDocumentName; then with Use Source Name it becomes the
// document name ("SourceName" when there is none) with ForceTifExtension, and with Trim Source
// Name without the Word prefix and up to the last "/". A result too long for Output File (255),
// or for the 259-character target in the Output Directory where the folder leaves room, is
// cut with its ".tif" kept (traced): the previous document's name is never reused.
void ApplyDocumentFileNameRule(WriterContext& ctx);

// Gives *path the extension (without dot): appended when the last path component has no dot,
// replaced when it has another one, unchanged when it already has it (letter case ignored) or
// ends in a dot. False with *path unchanged for an empty extension or path, an extension
// (wanted or present) longer than 9 characters, or a result longer than `capacity`.
bool SetFileExtension(const std::string& extension, std::string* path, size_t capacity);

// From the end back to the first dot (not past a backslash): the dot and what follows become
// ".tif"; without one ".tif" is appended. The name grows by at most four characters.
void ForceTifExtension(std::string* name);

// The same scan; a dot found is cut off with what follows it.
void StripExtension(std::string* name);

}  // namespace qid
