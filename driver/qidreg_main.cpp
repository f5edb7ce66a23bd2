// qidreg: reads and writes the host registry of $QID_ROOT, where the native Q71File keeps its
// settings. On Windows this is what regedit or `reg` is for; the host has neither.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/bounded_string.h"
#include "driver/setting_catalog.h"
#include "imagewriter/settings.h"
#include "imagewriter/writer_context.h"
#include "platform/host/host_parts.h"
#include "platform/host/host_registry.h"

namespace {

using qid::ErrorCode;
using qid::Hive;
using qid::RegKey;

const char kUsage[] =
    "usage: qidreg [--hive HKCU|HKLM] [--key SUBKEY] [--any] COMMAND...\n"
    "\n"
    "Reads and writes values in the host registry under $QID_ROOT/registry (the settings key\n"
    "Software\\ZEL\\4.01\\Settings of HKCU unless --hive or --key say otherwise). Commands run in\n"
    "order and may follow one another on one line:\n"
    "  set NAME dword N      a REG_DWORD (decimal, or hex with 0x)\n"
    "  set NAME sz TEXT      a REG_SZ stored without terminator, as Q71File writes strings\n"
    "  set NAME sz0 TEXT     a REG_SZ stored with its terminating NUL\n"
    "  get NAME              prints \"dword N\" or \"sz TEXT\" (other types: \"type T, N bytes\");\n"
    "                        exit status 1 when the value is absent\n"
    "  delete NAME           removes the value (no error when absent)\n"
    "  list                  the settings key: every setting with the value a job uses, where it\n"
    "                        comes from (HKCU, HKLM or default) and what it means; other keys:\n"
    "                        every value as NAME=TYPE VALUE\n"
    "\n"
    "In the settings key, set refuses names Q71File does not know, the wrong type and values\n"
    "it does not accept (Output Mode 1 to 3, flags 0 or 1, Serial Num Digits 2 to 8, texts up\n"
    "to their capacity); --any stores them anyway. The hive files are plain text (regedit's\n"
    "format) and may also be edited by hand.\n"
    "\n"
    "example: qidreg set \"Output Mode\" dword 2 set \"Serial Prefix String\" sz Scan\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "qidreg: %s\n", message.c_str());
  return 2;
}

bool ParseDword(const std::string& text, uint32_t* value) {
  if (text.empty() || text[0] == '-') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != 0 || v > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

// "dword 5", "sz text", or a description of another type.
std::string Describe(uint32_t type, const std::vector<uint8_t>& data) {
  if (type == qid::kRegDword && data.size() == 4) {
    uint32_t v = data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t(data[3]) << 24);
    return "dword " + std::to_string(v);
  }
  if (type == qid::kRegSz || type == qid::kRegExpandSz) {
    std::string text(data.begin(), data.end());
    return "sz " + std::string(qid::UpToNul(text));
  }
  return "type " + std::to_string(type) + ", " + std::to_string(data.size()) + " bytes";
}

bool HasValue(qid::Registry& registry, Hive hive, const std::string& name) {
  RegKey key = qid::kNoKey;
  if (registry.OpenKey(hive, qid::kSettingsKeyPath, false, &key) != qid::kSuccess) return false;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  bool found = registry.QueryValue(key, name, &type, &data, 1 << 20) == qid::kSuccess;
  registry.CloseKey(key);
  return found;
}

// Every setting as a job would see it: LoadSettings itself decides the values.
void ListSettings(qid::Registry& registry) {
  qid::Platform platform;
  platform.registry = &registry;
  qid::WriterContext ctx(platform);
  qid::LoadSettings(ctx);
  for (const qid::driver::SettingInfo& info : qid::driver::SettingCatalog()) {
    const char* source = HasValue(registry, Hive::kCurrentUser, info.name)    ? "HKCU"
                         : HasValue(registry, Hive::kLocalMachine, info.name) ? "HKLM"
                                                                              : "default";
    std::string value;
    if (info.number != nullptr) value = "dword " + std::to_string(ctx.settings.*info.number);
    else if (info.text != nullptr) value = "sz " + ctx.settings.*info.text;
    else if (std::string(source) == "default") value = "(not set)";
    else value = "(stored)";
    if (info.number == nullptr && info.text == nullptr && std::string(source) != "default") {
      RegKey key = qid::kNoKey;
      Hive hive = std::string(source) == "HKCU" ? Hive::kCurrentUser : Hive::kLocalMachine;
      uint32_t type = 0;
      std::vector<uint8_t> data;
      if (registry.OpenKey(hive, qid::kSettingsKeyPath, false, &key) == qid::kSuccess &&
          registry.QueryValue(key, info.name, &type, &data, 1 << 20) == qid::kSuccess)
        value = Describe(type, data);
      registry.CloseKey(key);
    }
    std::printf("%-25s %-30s %-8s %s\n", info.name, value.c_str(), source, info.meaning);
  }
}

// The checks of `set` in the settings key; true when the value may be stored.
bool CheckSet(const std::string& name, const std::string& type, const std::string& value,
              std::string* error) {
  const qid::driver::SettingInfo* info = qid::driver::FindSetting(name);
  if (info == nullptr) {
    *error = "\"" + name + "\" is not a setting of Q71File (qidreg list shows them; --any stores "
             "it anyway)";
    return false;
  }
  if (type == "dword") {
    uint32_t v;
    if (!ParseDword(value, &v)) {
      *error = "not a 32-bit number: " + value;
      return false;
    }
    return qid::driver::CheckSettingNumber(*info, v, error);
  }
  return qid::driver::CheckSettingText(*info, value, error);
}

}  // namespace

int main(int argc, char** argv) {
  Hive hive = Hive::kCurrentUser;
  std::string subkey = qid::kSettingsKeyPath;
  bool any = false;
  int i = 1;
  for (; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--hive" && i + 1 < argc) {
      std::string h = argv[++i];
      if (h == "HKCU" || h == "HKEY_CURRENT_USER") hive = Hive::kCurrentUser;
      else if (h == "HKLM" || h == "HKEY_LOCAL_MACHINE") hive = Hive::kLocalMachine;
      else return Fail("--hive takes HKCU or HKLM, not " + h);
    } else if (arg == "--key" && i + 1 < argc) {
      subkey = argv[++i];
    } else if (arg == "--any") {
      any = true;
    } else {
      break;
    }
  }
  if (i >= argc) return Fail("no command given (see --help)");

  qid::HostRegistry registry(qid::HostRoot());
  const bool settings_key = subkey == qid::kSettingsKeyPath;
  // A damaged hive is never rewritten: say where it is damaged so a person can mend it.
  for (Hive h : {Hive::kCurrentUser, Hive::kLocalMachine}) {
    std::string problem = registry.HiveProblem(h);
    if (!problem.empty()) return Fail(problem + " (mend or remove the file)");
  }
  RegKey key = qid::kNoKey;
  auto open_for_write = [&]() -> bool {
    if (key != qid::kNoKey) return true;
    ErrorCode err = registry.CreateKey(hive, subkey, " ", &key, nullptr);
    if (err != qid::kSuccess) {
      Fail("cannot create the key " + subkey + ": error " + std::to_string(err));
      return false;
    }
    return true;
  };
  auto open_for_read = [&]() -> ErrorCode {
    if (key != qid::kNoKey) return qid::kSuccess;
    return registry.OpenKey(hive, subkey, false, &key);
  };

  int status = 0;
  while (i < argc) {
    std::string command = argv[i++];
    auto need = [&](int n) { return i + n <= argc; };
    if (command == "set") {
      if (!need(3)) return Fail("set needs NAME TYPE VALUE");
      std::string name = argv[i], type = argv[i + 1], value = argv[i + 2];
      i += 3;
      std::string refusal;
      if (settings_key && !any && (type == "dword" || type == "sz" || type == "sz0") &&
          !CheckSet(name, type, value, &refusal))
        return Fail(refusal);
      if (!open_for_write()) return 2;
      ErrorCode err;
      if (type == "dword") {
        uint32_t v;
        if (!ParseDword(value, &v)) return Fail("not a 32-bit number: " + value);
        err = qid::SetDwordValue(registry, key, name, v);
      } else if (type == "sz") {
        err = qid::SetStringValue(registry, key, name, value);
      } else if (type == "sz0") {
        err = registry.SetValue(key, name, qid::kRegSz, value.c_str(), value.size() + 1);
      } else {
        return Fail("set takes the types dword, sz or sz0, not " + type);
      }
      if (err != qid::kSuccess)
        return Fail("cannot set " + name + ": error " + std::to_string(err));
    } else if (command == "get") {
      if (!need(1)) return Fail("get needs NAME");
      std::string name = argv[i++];
      uint32_t type = 0;
      std::vector<uint8_t> data;
      if (open_for_read() != qid::kSuccess ||
          registry.QueryValue(key, name, &type, &data, 1 << 20) != qid::kSuccess) {
        std::fprintf(stderr, "qidreg: %s: no such value\n", name.c_str());
        status = 1;
        continue;
      }
      std::printf("%s\n", Describe(type, data).c_str());
    } else if (command == "delete") {
      if (!need(1)) return Fail("delete needs NAME");
      std::string name = argv[i++];
      if (open_for_read() == qid::kSuccess) registry.DeleteValue(key, name);
    } else if (command == "list" && settings_key) {
      ListSettings(registry);
    } else if (command == "list") {
      if (open_for_read() != qid::kSuccess) {
        std::fprintf(stderr, "qidreg: no key %s\n", subkey.c_str());
        status = 1;
        continue;
      }
      std::string name;
      for (uint32_t n = 0; registry.EnumValue(key, n, &name) == qid::kSuccess; ++n) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (registry.QueryValue(key, name, &type, &data, 1 << 20) == qid::kSuccess)
          std::printf("%s=%s\n", name.c_str(), Describe(type, data).c_str());
      }
    } else {
      return Fail("unknown command " + command + " (see --help)");
    }
  }
  return status;
}
