// A system control for native tests: records every call and answers with the results a test
// sets. Profile writes are kept as "section\key" -> value per file ("" is win.ini).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "platform/system_control.h"

namespace qid::testing {

class FakeSystemControl : public SystemControl {
 public:
  ShutdownPrivilegeResult EnableShutdownPrivilege() override {
    calls.push_back("EnableShutdownPrivilege");
    return privilege;
  }
  ErrorCode RequestRestart() override {
    calls.push_back("RequestRestart");
    return restart_result;
  }
  ErrorCode BroadcastSettingChange() override {
    calls.push_back("BroadcastSettingChange");
    return broadcast_result;
  }
  ErrorCode WriteProfileEntryW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& value) override {
    return Write("", Utf16ToAnsi(section), Utf16ToAnsi(key), Utf16ToAnsi(value));
  }
  ErrorCode WritePrivateProfileEntry(const std::string& file_name, const std::string& section,
                                     const std::string& key, const std::string& value) override {
    return Write(file_name, section, key, value);
  }

  std::vector<std::string> calls;
  ShutdownPrivilegeResult privilege;
  ErrorCode restart_result = kSuccess;
  ErrorCode broadcast_result = kSuccess;
  ErrorCode profile_result = kSuccess;
  std::map<std::string, std::map<std::string, std::string>> profiles;  // file -> entry -> value

 private:
  ErrorCode Write(const std::string& file, const std::string& section, const std::string& key,
                  const std::string& value) {
    calls.push_back("WriteProfile(" + file + "," + section + "," + key + "," + value + ")");
    if (profile_result != kSuccess) return profile_result;
    profiles[file][section + "\\" + key] = value;
    return kSuccess;
  }
};

}  // namespace qid::testing
