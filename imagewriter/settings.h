// The settings store: the settings record, the registry key "Software\ZEL\4.01\Settings" it
// comes from, and the single-value operations that carry the counters from job to job.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace qid {

struct WriterContext;

// Capacities of the record's strings, in characters without terminator.
constexpr size_t kOutputApplicationCapacity = 255;
constexpr size_t kOutputDirectoryCapacity = 1023;
constexpr size_t kOutputFileCapacity = 255;
constexpr size_t kPrefixCapacity = 63;

// Output Mode values.
constexpr uint32_t kModeDocument = 1;
constexpr uint32_t kModeSerialization = 2;
constexpr uint32_t kModeAppend = 3;

extern const char kSettingsKeyPath[];  // "Software\ZEL\4.01\Settings"

// The in-memory copy of the settings key; zero-filled until loaded or defaulted.
struct Settings {
  uint32_t auto_generate = 0;             // "AutoGenerate"
  uint32_t auto_number_value = 0;         // "Auto Number Value"
  uint32_t disable_dialog = 0;            // "Disable Dialog"
  uint32_t serial_init_number = 0;        // "Serial Init Number"
  uint32_t output_mode = 0;               // "Output Mode"
  uint32_t always_overwrite = 0;          // "Always Overwrite"
  uint32_t pdf_output = 0;                // "PDF Output"
  uint32_t auto_reset_serial_number = 0;  // "Auto Reset Serial Number"
  uint32_t last_serial_number = 0;        // "Last Serial Number"
  uint32_t serial_num_digits = 0;         // "Serial Num Digits"
  uint32_t trim_source_name = 0;          // "Trim Source Name"
  uint32_t use_source_name = 0;           // "Use Source Name"
  std::string output_application;         // "Output Application", 255
  std::string output_directory;           // "Output Directory", 1023
  std::string output_file;                // "Output File", 255
  std::string doc_prefix_string;          // "Doc Prefix String", 63
  std::string serial_prefix_string;       // "Serial Prefix String", 63
};

// Reads the settings key of the current user, else of the local machine (both with full
// access), into the record and keeps the key open as the settings key. Without either key the
// record takes the defaults and false is returned.
bool LoadSettings(WriterContext& ctx);

// Writes the whole record to the current user's key, which becomes the settings key. The
// Output Application is first taken from the dialog's field (`dialog_application`, when the
// dialog has one; null keeps the record's). Write errors are ignored. Returns true.
bool SaveSettings(WriterContext& ctx, const std::string* dialog_application);

// Fills the record with the defaults; writes nothing.
void SetDefaults(Settings& settings);

// Single values in the current user's key, which is created when absent (class " ").
bool WriteSettingDword(WriterContext& ctx, const std::string& name, uint32_t value);
bool WriteSettingString(WriterContext& ctx, const std::string& name, const std::string& text);
// The 4-byte value, or 0 when it is missing or cannot be read.
uint32_t ReadSettingDword(WriterContext& ctx, const std::string& name);

// Stores a counter through the settings key that LoadSettings or SaveSettings holds open.
// Without one the value has nowhere to go and is lost (traced); returns whether it was stored.
bool StoreCounter(WriterContext& ctx, const std::string& name, uint32_t value);

}  // namespace qid
