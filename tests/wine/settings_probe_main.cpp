// settings_probe.exe: drives the settings store over the real Windows registry for
// settings_test.sh. The arguments are steps run in order on one WriterContext, as one job
// would run them; each step prints what it did, one line each, and trace lines are printed as
// "trace: <line>".
//
//   load                   LoadSettings                  -> "LoadSettings=0|1"
//   print                  the record, "NAME=value" per setting in load order, then
//                          "settings_key=open|none"
//   set NAME VALUE         changes one record field in memory (by its value name)
//   save                   SaveSettings without a dialog field
//   save-app APP           SaveSettings, APP standing for the dialog's Output Application field
//   counter NAME VALUE     StoreCounter through the settings key -> "StoreCounter NAME=0|1"
//   dword NAME VALUE       WriteSettingDword                     -> "WriteSettingDword NAME=1"
//   string NAME TEXT       WriteSettingString                    -> "WriteSettingString NAME=1"
//   read NAME              ReadSettingDword                      -> "ReadSettingDword NAME=v"
//   installer-defaults     the installer's default values through the platform registry's
//                          UTF-16 form (strings without terminator, "Precmd" one NUL)
//                                                                -> "installer-defaults=1|0"
//
// Two steps reach past the store, straight to the wide registry calls, so that arranging and
// checking do not depend on the code under test (HIVE is HKCU or HKLM, the key the settings
// key path under it):
//   put HIVE NAME KIND VALUE  stores a value: KIND sz (text without terminator), sz0 (with
//                          one), dword (decimal), hex (raw bytes as hex digits, type REG_BINARY
//                          unless prefixed "TYPE:", e.g. "4:0200" for a 2-byte REG_DWORD)
//   raw HIVE NAME          -> "raw NAME type=T bytes=N text=..." (bytes of the stored UTF-16
//                          form for strings), or "raw NAME absent"
//
// Exit code 0 when every step ran, 2 for a bad step.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/debug_trace.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "platform/platform.h"

namespace {

using qid::Settings;

class StdoutTrace : public qid::TraceSink {
 public:
  void TraceLine(const std::string& line) override {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::printf("trace: %s\n", text.c_str());
  }
  void TraceLineW(const std::u16string& line) override {
    std::string narrow;
    for (char16_t c : line) narrow.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    TraceLine(narrow);
  }
};

struct Field {
  const char* name;
  uint32_t Settings::*number;
  std::string Settings::*text;
};

const Field kFields[] = {
    {"AutoGenerate", &Settings::auto_generate, nullptr},
    {"Auto Number Value", &Settings::auto_number_value, nullptr},
    {"Disable Dialog", &Settings::disable_dialog, nullptr},
    {"Serial Init Number", &Settings::serial_init_number, nullptr},
    {"Output Mode", &Settings::output_mode, nullptr},
    {"Always Overwrite", &Settings::always_overwrite, nullptr},
    {"PDF Output", &Settings::pdf_output, nullptr},
    {"Auto Reset Serial Number", &Settings::auto_reset_serial_number, nullptr},
    {"Last Serial Number", &Settings::last_serial_number, nullptr},
    {"Serial Num Digits", &Settings::serial_num_digits, nullptr},
    {"Trim Source Name", &Settings::trim_source_name, nullptr},
    {"Use Source Name", &Settings::use_source_name, nullptr},
    {"Output Application", nullptr, &Settings::output_application},
    {"Output Directory", nullptr, &Settings::output_directory},
    {"Output File", nullptr, &Settings::output_file},
    {"Doc Prefix String", nullptr, &Settings::doc_prefix_string},
    {"Serial Prefix String", nullptr, &Settings::serial_prefix_string},
};

const Field* FindField(const std::string& name) {
  for (const Field& f : kFields)
    if (name == f.name) return &f;
  return nullptr;
}

bool ParseNumber(const char* text, uint32_t* value) {
  char* end = nullptr;
  unsigned long v = std::strtoul(text, &end, 0);
  if (end == text || *end != 0) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

std::wstring Wide(const std::string& text) {
  std::wstring out;
  for (unsigned char c : text) out.push_back(static_cast<wchar_t>(c));  // the tests use ASCII
  return out;
}

HKEY HiveKey(const std::string& hive) {
  if (hive == "HKCU") return HKEY_CURRENT_USER;
  if (hive == "HKLM") return HKEY_LOCAL_MACHINE;
  return nullptr;
}

std::wstring SettingsKeyW() { return Wide(qid::kSettingsKeyPath); }

bool Put(const std::string& hive, const std::string& name, const std::string& kind,
         const std::string& value) {
  HKEY root = HiveKey(hive);
  if (root == nullptr) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, SettingsKeyW().c_str(), 0, const_cast<wchar_t*>(L" "),
                      REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  std::vector<BYTE> bytes;
  DWORD type = REG_SZ;
  if (kind == "sz" || kind == "sz0") {
    std::wstring w = Wide(value);
    if (kind == "sz0") w.push_back(L'\0');
    const BYTE* p = reinterpret_cast<const BYTE*>(w.data());
    bytes.assign(p, p + w.size() * sizeof(wchar_t));
  } else if (kind == "dword") {
    uint32_t v = 0;
    if (!ParseNumber(value.c_str(), &v)) return false;
    type = REG_DWORD;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(v >> (8 * i)));
  } else if (kind == "hex") {
    std::string digits = value;
    type = REG_BINARY;
    size_t colon = digits.find(':');
    if (colon != std::string::npos) {
      type = static_cast<DWORD>(std::strtoul(digits.substr(0, colon).c_str(), nullptr, 10));
      digits = digits.substr(colon + 1);
    }
    if (digits.size() % 2 != 0) return false;
    for (size_t i = 0; i < digits.size(); i += 2)
      bytes.push_back(static_cast<BYTE>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
  } else {
    return false;
  }
  // The registry counts a string's terminator in when the caller left it out and the next
  // character is NUL; a guard after the counted bytes keeps them exact.
  DWORD count = static_cast<DWORD>(bytes.size());
  bytes.push_back('#');
  bytes.push_back('#');
  LONG rc = RegSetValueExW(key, Wide(name).c_str(), 0, type, bytes.data(), count);
  RegCloseKey(key);
  std::printf("put %s %s=%s\n", hive.c_str(), name.c_str(), rc == ERROR_SUCCESS ? "1" : "0");
  return true;
}

bool Raw(const std::string& hive, const std::string& name) {
  HKEY root = HiveKey(hive);
  if (root == nullptr) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, SettingsKeyW().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    std::printf("raw %s %s absent key\n", hive.c_str(), name.c_str());
    return true;
  }
  DWORD type = 0, size = 0;
  std::wstring wname = Wide(name);
  LONG rc = RegQueryValueExW(key, wname.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data(size + 2);
  if (rc == ERROR_SUCCESS)
    rc = RegQueryValueExW(key, wname.c_str(), nullptr, &type, data.data(), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) {
    std::printf("raw %s %s absent\n", hive.c_str(), name.c_str());
    return true;
  }
  std::string shown;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    for (DWORD i = 0; i + 1 < size; i += 2) {
      wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
      if (c == 0) shown += "\\0";
      else shown.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
  } else {
    char hex[3];
    for (DWORD i = 0; i < size; ++i) {
      std::snprintf(hex, sizeof hex, "%02x", data[i]);
      shown += hex;
    }
  }
  std::printf("raw %s %s type=%lu bytes=%lu text=%s\n", hive.c_str(), name.c_str(),
              static_cast<unsigned long>(type), static_cast<unsigned long>(size),
              shown.c_str());
  return true;
}

void Print(const qid::WriterContext& ctx) {
  for (const Field& f : kFields) {
    if (f.number != nullptr)
      std::printf("%s=%lu\n", f.name, static_cast<unsigned long>(ctx.settings.*f.number));
    else
      std::printf("%s=%s\n", f.name, (ctx.settings.*f.text).c_str());
  }
  std::printf("settings_key=%s\n", ctx.settings_key != qid::kNoKey ? "open" : "none");
}

// Writes as drvsetup does, through the same platform registry the store reads with.
bool WriteInstallerDefaults(qid::Registry& reg) {
  struct Value {
    const char16_t* name;
    uint32_t number;
    const char16_t* text;  // null for a number
  };
  static const Value kValues[] = {
      {u"AutoGenerate", 1, nullptr}, {u"Auto Number Value", 1, nullptr},
      {u"Disable Dialog", 0, nullptr}, {u"Serial Init Number", 1, nullptr},
      {u"Output Mode", 1, nullptr}, {u"Always Overwrite", 0, nullptr},
      {u"PDF Output", 0, nullptr}, {u"Auto Reset Serial Number", 0, nullptr},
      {u"Last Serial Number", 1, nullptr}, {u"Serial Num Digits", 4, nullptr},
      {u"Trim Source Name", 0, nullptr}, {u"Use Source Name", 0, nullptr},
      {u"Output Directory", 0, u"C:\\ZEL"}, {u"Output File", 0, u"TEST.TIF"},
      {u"Doc Prefix String", 0, u""}, {u"Serial Prefix String", 0, u""},
      {u"Output Application", 0, u""}, {u"Pages Last", 0, nullptr},
      {u"Pages Total", 0, nullptr}, {u"use 2", 0, nullptr}};
  qid::RegKey key = qid::kNoKey;
  if (reg.CreateKey(qid::Hive::kCurrentUser, qid::kSettingsKeyPath, " ", &key, nullptr) !=
      qid::kSuccess)
    return false;
  bool ok = true;
  for (const Value& v : kValues) {
    qid::ErrorCode err = v.text != nullptr ? qid::SetStringValue(reg, key, v.name, v.text)
                                           : qid::SetDwordValue(reg, key, v.name, v.number);
    ok = ok && err == qid::kSuccess;
  }
  const uint8_t nul[2] = {0, 0};
  ok = ok && reg.SetValueW(key, u"Precmd", qid::kRegSz, nul, sizeof nul) == qid::kSuccess;
  reg.CloseKey(key);
  return ok;
}

int Bad(const char* step) {
  std::fprintf(stderr, "settings_probe: bad step near '%s'\n", step);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  StdoutTrace trace;
  qid::SetTraceSink(&trace);
  qid::WriterContext ctx(qid::SystemPlatform());
  for (int i = 1; i < argc; ++i) {
    std::string step = argv[i];
    int left = argc - i - 1;
    if (step == "load") {
      ctx.job.settings_read = qid::LoadSettings(ctx);
      std::printf("LoadSettings=%d\n", ctx.job.settings_read ? 1 : 0);
    } else if (step == "print") {
      Print(ctx);
    } else if (step == "set" && left >= 2) {
      const Field* f = FindField(argv[i + 1]);
      if (f == nullptr) return Bad(argv[i + 1]);
      if (f->number != nullptr) {
        if (!ParseNumber(argv[i + 2], &(ctx.settings.*f->number))) return Bad(argv[i + 2]);
      } else {
        ctx.settings.*f->text = argv[i + 2];
      }
      i += 2;
    } else if (step == "save") {
      std::printf("SaveSettings=%d\n", qid::SaveSettings(ctx, nullptr) ? 1 : 0);
    } else if (step == "save-app" && left >= 1) {
      std::string app = argv[++i];
      std::printf("SaveSettings=%d\n", qid::SaveSettings(ctx, &app) ? 1 : 0);
    } else if (step == "counter" && left >= 2) {
      uint32_t v = 0;
      if (!ParseNumber(argv[i + 2], &v)) return Bad(argv[i + 2]);
      bool ok = qid::StoreCounter(ctx, argv[i + 1], v);
      std::printf("StoreCounter %s=%d\n", argv[i + 1], ok ? 1 : 0);
      i += 2;
    } else if (step == "dword" && left >= 2) {
      uint32_t v = 0;
      if (!ParseNumber(argv[i + 2], &v)) return Bad(argv[i + 2]);
      bool ok = qid::WriteSettingDword(ctx, argv[i + 1], v);
      std::printf("WriteSettingDword %s=%d\n", argv[i + 1], ok ? 1 : 0);
      i += 2;
    } else if (step == "string" && left >= 2) {
      bool ok = qid::WriteSettingString(ctx, argv[i + 1], argv[i + 2]);
      std::printf("WriteSettingString %s=%d\n", argv[i + 1], ok ? 1 : 0);
      i += 2;
    } else if (step == "read" && left >= 1) {
      std::printf("ReadSettingDword %s=%lu\n", argv[i + 1],
                  static_cast<unsigned long>(qid::ReadSettingDword(ctx, argv[i + 1])));
      i += 1;
    } else if (step == "installer-defaults") {
      std::printf("installer-defaults=%d\n", WriteInstallerDefaults(*ctx.os.registry) ? 1 : 0);
    } else if (step == "put" && left >= 4) {
      if (!Put(argv[i + 1], argv[i + 2], argv[i + 3], argv[i + 4])) return Bad(argv[i + 1]);
      i += 4;
    } else if (step == "raw" && left >= 2) {
      if (!Raw(argv[i + 1], argv[i + 2])) return Bad(argv[i + 1]);
      i += 2;
    } else {
      return Bad(argv[i]);
    }
  }
  std::fflush(stdout);
  qid::SetTraceSink(nullptr);
  return 0;
}
