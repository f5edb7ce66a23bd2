// The host's system control. There is no Windows session to restart: the restart request is
// refused with kErrNotSupported (and the privilege, which exists only for it, reports success).
// No window listens for the settings broadcast. Profile entries go where NT keeps them: the
// "windows" section of win.ini into the current user's registry, every other entry into the
// profile file under the host root ("C:\windows\win.ini", or "C:\windows\<name>" for a bare
// private profile name).
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/system_control.h"

namespace qid {

// `text` with key=value set in [section] (both matched without regard to case): an existing
// entry is replaced, a missing one is added at the end of its section, a missing section at
// the end of the text. Lines end in CR LF.
std::string WithProfileEntry(const std::string& text, const std::string& section,
                             const std::string& key, const std::string& value);

class HostSystemControl : public SystemControl {
 public:
  // Both outlive this object.
  HostSystemControl(Registry* registry, FileSystem* files) : registry_(registry), files_(files) {}

  ShutdownPrivilegeResult EnableShutdownPrivilege() override;
  ErrorCode RequestRestart() override;
  ErrorCode BroadcastSettingChange() override;
  ErrorCode WriteProfileEntryW(const std::u16string& section, const std::u16string& key,
                               const std::u16string& value) override;
  ErrorCode WritePrivateProfileEntry(const std::string& file_name, const std::string& section,
                                     const std::string& key, const std::string& value) override;

 private:
  Registry* registry_;
  FileSystem* files_;
};

}  // namespace qid
