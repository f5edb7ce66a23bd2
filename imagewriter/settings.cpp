#include "imagewriter/settings.h"

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "common/little_endian.h"
#include "imagewriter/writer_context.h"

namespace qid {

const char kSettingsKeyPath[] = "Software\\ZEL\\4.01\\Settings";

namespace {

constexpr char kTag[] = "QIF02:  ";
constexpr char kKeyClass[] = " ";

// The numbers in load and save order, with their defaults.
struct NumberField {
  const char* name;
  uint32_t Settings::*field;
  uint32_t default_value;
};

constexpr NumberField kNumbers[] = {
    {"AutoGenerate", &Settings::auto_generate, 1},
    {"Auto Number Value", &Settings::auto_number_value, 1},
    {"Disable Dialog", &Settings::disable_dialog, 0},
    {"Serial Init Number", &Settings::serial_init_number, 1},
    {"Output Mode", &Settings::output_mode, 1},
    {"Always Overwrite", &Settings::always_overwrite, 0},
    {"PDF Output", &Settings::pdf_output, 0},
    {"Auto Reset Serial Number", &Settings::auto_reset_serial_number, 0},
    {"Last Serial Number", &Settings::last_serial_number, 1},
    {"Serial Num Digits", &Settings::serial_num_digits, 4},
    {"Trim Source Name", &Settings::trim_source_name, 0},
    {"Use Source Name", &Settings::use_source_name, 0},
};

struct StringField {
  const char* name;
  std::string Settings::*field;
  size_t capacity;
  const char* default_value;
};

constexpr StringField kOutputApplication = {"Output Application", &Settings::output_application,
                                            kOutputApplicationCapacity, ""};
constexpr StringField kOutputDirectory = {"Output Directory", &Settings::output_directory,
                                          kOutputDirectoryCapacity, "C:\\ZEL"};
constexpr StringField kOutputFile = {"Output File", &Settings::output_file,
                                     kOutputFileCapacity, "TEST.TIF"};
constexpr StringField kDocPrefix = {"Doc Prefix String", &Settings::doc_prefix_string,
                                    kPrefixCapacity, ""};
constexpr StringField kSerialPrefix = {"Serial Prefix String", &Settings::serial_prefix_string,
                                       kPrefixCapacity, ""};

constexpr const StringField* kLoadOrder[] = {&kOutputApplication, &kOutputDirectory,
                                             &kOutputFile, &kDocPrefix, &kSerialPrefix};
constexpr const StringField* kSaveOrder[] = {&kOutputDirectory, &kOutputFile, &kDocPrefix,
                                             &kSerialPrefix};

// Callers have checked that the value holds 4 bytes.
uint32_t Le32(const std::vector<uint8_t>& d) {
  uint32_t value = 0;
  ReadLE32(d.data(), d.size(), 0, &value);
  return value;
}

bool ReadNumber(Registry& reg, RegKey key, const NumberField& f, uint32_t* value) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  if (key == kNoKey || reg.QueryValue(key, f.name, &type, &data, 4) != kSuccess ||
      type != kRegDword || data.size() != 4) {
    return false;
  }
  *value = Le32(data);
  return true;
}

// The stored bytes are the whole text; a terminating NUL, when present, ends it. A value that
// does not fit its field is not cut to a different name: it counts as unusable.
bool ReadString(Registry& reg, RegKey key, const StringField& f, std::string* value) {
  if (key == kNoKey) return false;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ErrorCode err = reg.QueryValue(key, f.name, &type, &data, f.capacity + 1);
  if (err == kSuccess && (type == kRegSz || type == kRegExpandSz)) {
    std::string_view text =
        UpToNul(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    if (CopyBounded(value, text, f.capacity)) return true;
    err = kErrMoreData;
  }
  if (err == kErrMoreData) {
    DebugTrace(kTag, "%s longer than %u characters, not taken", f.name,
               static_cast<unsigned>(f.capacity));
  }
  return false;
}

// A value the settings key cannot give comes from the machine's key when that holds it (the
// user's key may hold only the job values), else from the defaults: a key with only the job's
// own values must behave like a fresh installation, not like an Output Mode 0 that writes
// nothing.
void LoadNumber(Registry& reg, RegKey key, RegKey machine, Settings& s, const NumberField& f) {
  if (ReadNumber(reg, key, f, &(s.*f.field))) return;
  if (ReadNumber(reg, machine, f, &(s.*f.field))) {
    DebugTrace(kTag, "%s from LOCAL MACHINE", f.name);
    return;
  }
  DebugTrace(kTag, "%s not readable as a 4-byte number, default %u", f.name, f.default_value);
  s.*f.field = f.default_value;
}

void LoadString(Registry& reg, RegKey key, RegKey machine, Settings& s, const StringField& f) {
  if (ReadString(reg, key, f, &(s.*f.field))) return;
  if (ReadString(reg, machine, f, &(s.*f.field))) {
    DebugTrace(kTag, "%s from LOCAL MACHINE", f.name);
    return;
  }
  s.*f.field = f.default_value;
}

void TraceRecord(const Settings& s) {
  DebugTrace(kTag,
             "Values AUTONUMBER %d FILENUMBER %d INITSERIAL %d DISABLEDLG %d OUTPUTMODE %d "
             "OVERWRITE %d RESETTOZERO %d",
             int(s.auto_generate), int(s.auto_number_value), int(s.serial_init_number),
             int(s.disable_dialog), int(s.output_mode), int(s.always_overwrite),
             int(s.auto_reset_serial_number));
  DebugTrace(kTag, "       SERIALNUMBER %d SERIALNUMDIGITS %d TRIM %d USESOURCENAME %d ",
             int(s.last_serial_number), int(s.serial_num_digits), int(s.trim_source_name),
             int(s.use_source_name));
  DebugTrace(kTag, "String OUTPUTAPP %s OUTPUTDIR %s OUTPUTFILE %s PREFIX %s",
             s.output_application.c_str(), s.output_directory.c_str(), s.output_file.c_str(),
             s.doc_prefix_string.c_str());
  DebugTrace(kTag, "String SPREFIX %s", s.serial_prefix_string.c_str());
}

// The current user's key, created when absent; kNoKey when even that fails.
RegKey CreateUserKey(Registry& reg) {
  RegKey key = kNoKey;
  ErrorCode err = reg.CreateKey(Hive::kCurrentUser, kSettingsKeyPath, kKeyClass, &key, nullptr);
  if (err != kSuccess) {
    DebugTrace(kTag, "cannot create the settings key, err = %u", err);
    return kNoKey;
  }
  return key;
}

// One value into the current user's key, created when absent; failures are only traced.
void WriteUserValue(WriterContext& ctx, const std::string& name, uint32_t type,
                    const void* data, size_t size) {
  Registry& reg = *ctx.os.registry;
  RegKey key = CreateUserKey(reg);
  if (key == kNoKey) return;
  ErrorCode err = reg.SetValue(key, name, type, data, size);
  if (err != kSuccess) DebugTrace(kTag, "write %s failed, err = %u", name.c_str(), err);
  reg.CloseKey(key);
}

}  // namespace

void SetDefaults(Settings& s) {
  DebugTrace(kTag, "Set Defaults");
  for (const auto& f : kNumbers) s.*f.field = f.default_value;
  for (const StringField* f : kLoadOrder) s.*f->field = f->default_value;
}

bool LoadSettings(WriterContext& ctx) {
  Registry& reg = *ctx.os.registry;
  DebugTrace(kTag, "Get REGISTRY QIFILE");
  RegKey key = kNoKey;
  if (reg.OpenCurrentUserKey(kSettingsKeyPath, &key) != kSuccess) {
    DebugTrace(kTag, "REGISTRY => LOCAL MACHINE");
    if (reg.OpenKey(Hive::kLocalMachine, kSettingsKeyPath, true, &key) != kSuccess) {
      DebugTrace(kTag, "REGISTRY ERROR");
      SetDefaults(ctx.settings);
      return false;
    }
    DebugTrace(kTag, "REGISTRY OK");
  }
  ctx.settings_key = key;
  // Read access is enough for the machine's values; the key stays the user's.
  RegKey machine = kNoKey;
  if (reg.OpenKey(Hive::kLocalMachine, kSettingsKeyPath, false, &machine) != kSuccess)
    machine = kNoKey;
  for (const auto& f : kNumbers) LoadNumber(reg, key, machine, ctx.settings, f);
  for (const StringField* f : kLoadOrder) LoadString(reg, key, machine, ctx.settings, *f);
  if (machine != kNoKey) reg.CloseKey(machine);
  TraceRecord(ctx.settings);
  DebugTrace(kTag, "Get REGISTRY ENDE ");
  return true;
}

bool SaveSettings(WriterContext& ctx, const std::string* dialog_application) {
  Registry& reg = *ctx.os.registry;
  Settings& s = ctx.settings;
  DebugTrace(kTag, "Save REGISTRY");
  RegKey key = CreateUserKey(reg);
  // Keep the key that was read when the user's key cannot be had: the counters still have a
  // place to go.
  if (key != kNoKey) ctx.settings_key = key;
  for (const auto& f : kNumbers) SetDwordValue(reg, key, f.name, s.*f.field);
  for (const StringField* f : kSaveOrder) SetStringValue(reg, key, f->name, s.*f->field);
  if (dialog_application != nullptr)
    s.output_application = Truncated(*dialog_application, kOutputApplicationCapacity);
  SetStringValue(reg, key, kOutputApplication.name, s.output_application);
  DebugTrace(kTag, "APP to launch %s", s.output_application.c_str());
  TraceRecord(s);
  return true;
}

bool WriteSettingDword(WriterContext& ctx, const std::string& name, uint32_t value) {
  uint8_t bytes[4];
  WriteLE32(bytes, sizeof bytes, 0, value);
  WriteUserValue(ctx, name, kRegDword, bytes, sizeof bytes);
  return true;
}

bool WriteSettingString(WriterContext& ctx, const std::string& name, const std::string& text) {
  WriteUserValue(ctx, name, kRegSz, text.data(), text.size());
  return true;
}

uint32_t ReadSettingDword(WriterContext& ctx, const std::string& name) {
  Registry& reg = *ctx.os.registry;
  RegKey key = CreateUserKey(reg);
  if (key == kNoKey) return 0;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  uint32_t value = 0;
  if (reg.QueryValue(key, name, &type, &data, 4) == kSuccess && data.size() == 4)
    value = Le32(data);
  reg.CloseKey(key);
  return value;
}

bool StoreCounter(WriterContext& ctx, const std::string& name, uint32_t value) {
  if (ctx.settings_key == kNoKey) {
    DebugTrace(kTag, "no settings key: %s %u not stored", name.c_str(), value);
    return false;
  }
  ErrorCode err = SetDwordValue(*ctx.os.registry, ctx.settings_key, name, value);
  if (err != kSuccess) DebugTrace(kTag, "write %s failed, err = %u", name.c_str(), err);
  return err == kSuccess;
}

}  // namespace qid
