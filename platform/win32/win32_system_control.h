// Shutdown privilege, restart, settings broadcast and profile writes over the Win32 calls.
#pragma once

#include "platform/system_control.h"

namespace qid {

class Win32SystemControl : public SystemControl {
 public:
  ShutdownPrivilegeResult EnableShutdownPrivilege() override;
  ErrorCode RequestRestart() override;
  ErrorCode BroadcastSettingChange() override;
  ErrorCode WriteProfileEntryW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& value) override;
  ErrorCode WritePrivateProfileEntry(const std::string& file_name, const std::string& section,
                                     const std::string& key, const std::string& value) override;
};

}  // namespace qid
