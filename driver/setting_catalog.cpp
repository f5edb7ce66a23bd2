#include "driver/setting_catalog.h"

namespace qid::driver {

namespace {
constexpr uint32_t kAny = 0xFFFFFFFFu;
}

const std::vector<SettingInfo>& SettingCatalog() {
  static const std::vector<SettingInfo> catalog = {
      {"AutoGenerate", false, 0, 1, 0,
       "1: name Document output from Doc Prefix String and Auto Number Value",
       &Settings::auto_generate},
      {"Auto Number Value", false, 0, kAny, 0, "next auto number of Document output",
       &Settings::auto_number_value},
      {"Disable Dialog", false, 0, 1, 0, "1: run jobs without the settings dialog",
       &Settings::disable_dialog},
      {"Serial Init Number", false, 0, kAny, 0, "the serial number a reset returns to",
       &Settings::serial_init_number},
      {"Output Mode", false, 1, 3, 0, "1 Document, 2 Serialization (a file per page), 3 Append",
       &Settings::output_mode},
      {"Always Overwrite", false, 0, 1, 0, "1: replace an existing Document target without asking",
       &Settings::always_overwrite},
      {"PDF Output", false, 0, 1, 0, "1: write PDF instead of TIFF", &Settings::pdf_output},
      {"Auto Reset Serial Number", false, 0, 1, 0,
       "1: start every job's serial numbers at Serial Init Number",
       &Settings::auto_reset_serial_number},
      {"Last Serial Number", false, 0, kAny, 0, "the serial number the next serial file gets",
       &Settings::last_serial_number},
      {"Serial Num Digits", false, 2, 8, 0, "minimum digits of a serial number",
       &Settings::serial_num_digits},
      {"Trim Source Name", false, 0, 1, 0, "1: trim the document name before using it",
       &Settings::trim_source_name},
      {"Use Source Name", false, 0, 1, 0, "1: name output after the printed document",
       &Settings::use_source_name},
      {"Output Application", true, 0, 0, kOutputApplicationCapacity,
       "command started on each result; empty for none", nullptr, &Settings::output_application},
      {"Output Directory", true, 0, 0, kOutputDirectoryCapacity,
       "folder of all output (C:\\... under the root, or a host path)", nullptr,
       &Settings::output_directory},
      {"Output File", true, 0, 0, kOutputFileCapacity, "file name of Document and Append output",
       nullptr, &Settings::output_file},
      {"Doc Prefix String", true, 0, 0, kPrefixCapacity,
       "prefix of auto-numbered Document file names", nullptr, &Settings::doc_prefix_string},
      {"Serial Prefix String", true, 0, 0, kPrefixCapacity, "prefix of serial file names",
       nullptr, &Settings::serial_prefix_string},
      {"Pages Last", false, 0, kAny, 0, "pages of the last job (kept by Q71File)"},
      {"Pages Total", false, 0, kAny, 0, "pages of all jobs so far (kept by Q71File)"},
      {"Done File", true, 0, 0, kDoneMarkerPathCapacity,
       "done marker of the current job (kept by Q71File)"},
      {"Precmd", true, 0, 0, 255, "written by the installer; read by nothing"},
      {"use 2", false, 0, kAny, 0, "written by the installer; read by nothing"},
  };
  return catalog;
}

const SettingInfo* FindSetting(const std::string& name) {
  for (const SettingInfo& info : SettingCatalog())
    if (name == info.name) return &info;
  return nullptr;
}

bool CheckSettingNumber(const SettingInfo& info, uint32_t value, std::string* error) {
  if (info.is_text) {
    *error = std::string(info.name) + " is text (sz), not a number";
    return false;
  }
  if (value < info.min || value > info.max) {
    *error = std::string(info.name) + " takes " + std::to_string(info.min) + " to " +
             std::to_string(info.max) + ", not " + std::to_string(value);
    return false;
  }
  return true;
}

bool CheckSettingText(const SettingInfo& info, const std::string& text, std::string* error) {
  if (!info.is_text) {
    *error = std::string(info.name) + " is a number (dword), not text";
    return false;
  }
  if (text.size() > info.capacity) {
    *error = std::string(info.name) + " holds at most " + std::to_string(info.capacity) +
             " characters, not " + std::to_string(text.size());
    return false;
  }
  return true;
}

}  // namespace qid::driver
