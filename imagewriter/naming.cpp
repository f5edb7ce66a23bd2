#include "imagewriter/naming.h"

#include <algorithm>

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/file_names.h"
#include "imagewriter/trace_tags.h"
#include "imagewriter/writer_context.h"

namespace qid {

const char kWordTitlePrefix[] = "Microsoft Word - ";
const char kSerialFallbackName[] = "SourceName.doc";
const char kPreviewFallbackName[] = "SourceName";

namespace {

constexpr const char* kTag = trace::kNaming;
constexpr char kDocumentNameVariable[] = "VEDIZE_DOCNAME";
constexpr char kDefaultSerialExtension[] = "TIF";

// Where the last path component starts: after the last backslash or slash. Both separate
// folders on Windows as on the host, so a dot in a folder name is never taken for the
// extension of a host path like "/home/u/out.d/Scan".
size_t LastComponentStart(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? 0 : slash + 1;
}

// The last dot of the last path component, or npos.
size_t ExtensionDot(const std::string& path) {
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < LastComponentStart(path)) return std::string::npos;
  return dot;
}

// The dot that ForceTifExtension and StripExtension act on: the first one met scanning back
// from the end before a backslash or slash (a title such as "../../report" has no extension).
size_t ScanBackDot(const std::string& name) {
  size_t hit = name.find_last_of("./\\");
  return hit != std::string::npos && name[hit] == '.' ? hit : std::string::npos;
}

void TraceTooLong(const char* what, size_t capacity) {
  DebugTrace(kTag, "%s exceeds %d characters: refused", what, static_cast<int>(capacity));
}

// A title, prefix or Output File names one file of the Output Directory: no folder of its
// own, no ".." that climbs out, no stream or device.
std::string KeptInFolder(const std::string& part) {
  std::string name = ContainedFileName(part);
  if (name != part) DebugTrace(kTag, "name %s kept in the folder as %s", part.c_str(), name.c_str());
  return name;
}

}  // namespace

bool AdvanceCounter(uint32_t* counter, const char* name) {
  if (*counter == kCounterLimit) {
    DebugTrace(kTag, "%s at its limit %lu: not advanced", name, static_cast<unsigned long>(*counter));
    return false;
  }
  ++*counter;
  return true;
}

void ResolveEmptyDirectory(Settings& s) {
  if (!s.output_directory.empty()) return;
  Settings defaults;
  SetDefaults(defaults);
  s.output_directory = defaults.output_directory;
  DebugTrace(kTag, "Output Directory empty: %s used", s.output_directory.c_str());
}

bool ReadDocumentName(WriterContext& ctx, std::string* name) {
  std::string value;
  if (!ctx.os.environment->GetVariable(kDocumentNameVariable, &value) || value.empty())
    return false;
  if (value.size() > kDocumentNameReadCapacity) {
    DebugTrace(kTag, "%s longer than %d characters, taken as absent", kDocumentNameVariable,
               static_cast<int>(kDocumentNameReadCapacity));
    return false;
  }
  *name = std::move(value);
  return true;
}

std::string DocumentNameOr(WriterContext& ctx, const char* fallback) {
  std::string name;
  if (!ReadDocumentName(ctx, &name)) name = fallback;
  return name;
}

bool DropWordPrefix(std::string* name) {
  if (!StartsWithIgnoreCase(*name, kWordTitlePrefix)) return false;
  name->erase(0, sizeof kWordTitlePrefix - 1);
  return true;
}

bool KeepAfterLastSlash(std::string* name) {
  size_t slash = name->rfind('/');
  if (slash == std::string::npos) return false;
  name->erase(0, slash + 1);
  return true;
}

bool TrailingSlashToUnderscore(std::string* name) {
  if (name->empty() || name->back() != '/') return false;
  name->back() = '_';
  return true;
}

std::string TrimmedSourceName(std::string name, bool slash_to_underscore) {
  if (slash_to_underscore) TrailingSlashToUnderscore(&name);
  DropWordPrefix(&name);
  KeepAfterLastSlash(&name);
  return name;
}

int SerialWidth(uint32_t digits) { return digits >= 2 && digits <= 8 ? static_cast<int>(digits) : 9; }

// Counters are unsigned 32-bit values: printed as such, so a large one never shows as negative.
std::string FormatSerialDigits(uint32_t digits, uint32_t number) {
  std::string out;
  FormatBounded(&out, 16, "%0*lu", SerialWidth(digits), static_cast<unsigned long>(number));
  return out;
}

std::string NumberedDocumentStem(const Settings& settings) {
  std::string number;
  FormatBounded(&number, 16, "%04lu", static_cast<unsigned long>(settings.auto_number_value));
  return settings.doc_prefix_string + number;
}

std::string NumberedDocumentName(const Settings& settings) {
  return NumberedDocumentStem(settings) + ".tif";
}

bool FixupFilename(const std::string& base, std::string* out, size_t capacity, uint32_t number,
                   uint32_t digits) {
  if (base.empty()) return false;
  std::string stem = base;
  std::string extension = kDefaultSerialExtension;
  size_t dot = ExtensionDot(base);
  if (dot != std::string::npos) {
    if (dot + 1 == base.size()) return false;
    stem = base.substr(0, dot);
    extension = base.substr(dot + 1);
    if (extension.size() > kExtensionCapacity) {
      DebugTrace(kTag, "extension of %s longer than %d characters: refused", base.c_str(),
                 static_cast<int>(kExtensionCapacity));
      return false;
    }
  }
  std::string name = stem + FormatSerialDigits(digits, number) + "." + extension;
  if (name.size() > capacity) {
    TraceTooLong("serial file name", capacity);
    return false;
  }
  *out = std::move(name);
  return true;
}

bool ConstructFilename(WriterContext& ctx, std::string* path, size_t capacity) {
  Settings& s = ctx.settings;
  DebugTrace(kTag, "|......Anfang ConstructFilename %s", path->c_str());
  if (s.output_mode != kModeDocument && s.output_mode != kModeSerialization &&
      s.output_mode != kModeAppend)
    return false;

  ResolveEmptyDirectory(s);
  if (s.output_directory.back() != '\\') {
    if (!AppendBounded(&s.output_directory, "\\", kOutputDirectoryCapacity)) {
      TraceTooLong("Output Directory with its backslash", kOutputDirectoryCapacity);
      return false;
    }
  }

  if (s.output_mode == kModeSerialization) {
    std::string name;
    if (s.use_source_name) {
      name = DocumentNameOr(ctx, kSerialFallbackName);
      ForceTifExtension(&name);
      if (s.trim_source_name) {
        std::string before = name;
        if (DropWordPrefix(&name))
          DebugTrace(kTag, "TRIM (WORD) %s => %s", before.c_str(), name.c_str());
        else
          DebugTrace(kTag, "TRIM LEER %s ", name.c_str());
      }
    } else {
      name = s.serial_prefix_string;
    }
    std::string base = s.output_directory + KeptInFolder(name);
    std::string serial;
    if (!FixupFilename(base, &serial, capacity, s.last_serial_number, s.serial_num_digits))
      return false;
    if (AvoidDeviceName(&serial)) DebugTrace(kTag, "device name avoided: %s", serial.c_str());
    if (serial.size() > capacity) {
      TraceTooLong("serial file name", capacity);
      return false;
    }
    *path = std::move(serial);
    DebugTrace(kTag, "FixupFilename[init %d last %d] %s %s", static_cast<int>(s.serial_init_number),
               static_cast<int>(s.last_serial_number), base.c_str(), path->c_str());
    return true;
  }

  std::string target = s.output_directory + KeptInFolder(s.output_file);
  if (AvoidDeviceName(&target)) DebugTrace(kTag, "device name avoided: %s", target.c_str());
  if (target.size() > capacity) {
    TraceTooLong("target path", capacity);
    return false;
  }
  *path = std::move(target);
  return true;
}

bool DoNewSerialName(WriterContext& ctx, std::string* out) {
  Settings& s = ctx.settings;
  DebugTrace(kTag, "DoNewSerialName");
  s.output_file.clear();
  uint32_t number = s.auto_reset_serial_number ? s.serial_init_number : s.last_serial_number;

  std::string name;
  if (s.use_source_name) {
    name = DocumentNameOr(ctx, kPreviewFallbackName);
    if (s.trim_source_name) name = TrimmedSourceName(std::move(name), true);
  } else {
    name = s.serial_prefix_string;
  }
  StripExtension(&name);

  std::string preview = name + FormatSerialDigits(s.serial_num_digits, number) + ".tif";
  if (preview.size() > kOutputFileCapacity) {
    TraceTooLong("serial preview name", kOutputFileCapacity);
    out->clear();
    return false;
  }
  *out = std::move(preview);
  return true;
}

void ApplyDocumentFileNameRule(WriterContext& ctx) {
  Settings& s = ctx.settings;
  if (s.auto_generate) {
    std::string numbered = NumberedDocumentName(s);
    if (!CopyBounded(&s.output_file, numbered, kOutputFileCapacity))
      TraceTooLong("numbered document name", kOutputFileCapacity);
  }
  if (s.use_source_name) {
    std::string name = DocumentNameOr(ctx, kPreviewFallbackName);
    ForceTifExtension(&name);
    if (s.trim_source_name) name = TrimmedSourceName(std::move(name), false);
    // Keeping the previous Output File would put this document under another one's name: a
    // long name is cut, its ".tif" kept, to fit Output File and, where it can, the target.
    constexpr size_t kTif = 4;  // ".tif", which ForceTifExtension put at the end
    size_t room = kOutputFileCapacity;
    const std::string& dir = s.output_directory;
    size_t dir_length = dir.size() + (!dir.empty() && dir.back() == '\\' ? 0 : 1);
    if (dir_length + kTif < kTargetPathCapacity)
      room = std::min(room, kTargetPathCapacity - dir_length);
    if (name.size() > room) {
      name = name.substr(0, room - kTif) + name.substr(name.size() - kTif);
      DebugTrace(kTag, "document file name cut to %d characters: %s", static_cast<int>(room),
                 name.c_str());
    }
    s.output_file = name;
  }
}

bool SetFileExtension(const std::string& extension, std::string* path, size_t capacity) {
  if (extension.empty() || path->empty()) return false;
  if (extension.size() > kExtensionCapacity) {
    DebugTrace(kTag, "extension %s longer than %d characters: refused", extension.c_str(),
               static_cast<int>(kExtensionCapacity));
    return false;
  }
  size_t dot = ExtensionDot(*path);
  std::string result;
  if (dot == std::string::npos) {
    result = *path + "." + extension;
  } else {
    if (dot + 1 == path->size()) return true;
    std::string present = path->substr(dot + 1);
    if (present.size() > kExtensionCapacity) {
      DebugTrace(kTag, "extension of %s longer than %d characters: refused", path->c_str(),
                 static_cast<int>(kExtensionCapacity));
      return false;
    }
    if (EqualsIgnoreCase(present, extension)) return true;
    result = path->substr(0, dot + 1) + extension;
  }
  if (result.size() > capacity) {
    TraceTooLong("path with its new extension", capacity);
    return false;
  }
  *path = std::move(result);
  return true;
}

void ForceTifExtension(std::string* name) {
  size_t dot = ScanBackDot(*name);
  if (dot != std::string::npos) name->erase(dot);
  name->append(".tif");
}

void StripExtension(std::string* name) {
  size_t dot = ScanBackDot(*name);
  if (dot != std::string::npos) name->erase(dot);
}

}  // namespace qid
