// Facts about the running system and user.
//
// Thread use: any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/errors.h"

namespace qid {

constexpr uint32_t kPlatformWin32s = 0;   // VER_PLATFORM_WIN32s
constexpr uint32_t kPlatformWindows = 1;  // VER_PLATFORM_WIN32_WINDOWS: the Windows 95 family
constexpr uint32_t kPlatformNt = 2;       // VER_PLATFORM_WIN32_NT

// The system's version record. The fields after platform_id come from the extended record,
// which NT 4 SP6 and later fill; on older systems they stay 0 and `extended` is false.
struct OsVersion {
  OsVersion() = default;
  OsVersion(uint32_t major_version, uint32_t minor_version, uint32_t build_number,
            uint32_t platform)
      : major(major_version), minor(minor_version), build(build_number), platform_id(platform) {}

  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platform_id = 0;  // kPlatformWindows or kPlatformNt; the host reports NT
  std::string csd_version;   // "Service Pack 3", or empty
  bool extended = false;
  uint16_t service_pack_major = 0;
  uint16_t service_pack_minor = 0;
  uint16_t suite_mask = 0;
  uint8_t product_type = 0;  // 1 workstation, 2 domain controller, 3 server
};

class SystemInfo {
 public:
  SystemInfo() = default;
  SystemInfo(const SystemInfo&) = delete;
  SystemInfo& operator=(const SystemInfo&) = delete;
  virtual ~SystemInfo() = default;

  // The name of the user running the program (GetUserNameA; the login name on the host).
  // kSuccess; kErrInsufficientBuffer when it is longer than `capacity` characters;
  // kErrFileNotFound when none can be had.
  virtual ErrorCode UserName(size_t capacity, std::string* name) = 0;

  // The version record, or all zeros when the system will not say (see QueryVersion).
  virtual OsVersion Version() = 0;

  // The version record (GetVersionExA: the extended record first, the 148-byte one when the
  // system refuses that). kSuccess and *version; the system's error when neither query works,
  // which the installer and the remover treat as a system they do not know.
  virtual ErrorCode QueryVersion(OsVersion* version) = 0;

  // True when this 32-bit process runs on 64-bit Windows. "IsWow64Process" is looked up in
  // kernel32 at run time; a system without it, or a failing call, answers false.
  virtual bool IsWow64() = 0;

  // The Windows folder (GetWindowsDirectoryW), without a trailing backslash unless it is a
  // drive's root. kSuccess and *folder; the system's error otherwise.
  virtual ErrorCode WindowsFolderW(std::u16string* folder) = 0;

  // The value of the environment variable "ProgramFiles" (GetEnvironmentVariableW).
  // kSuccess and *folder; kErrEnvVarNotFound when it is not set.
  virtual ErrorCode ProgramFilesFolderW(std::u16string* folder) = 0;

  // The full path of the running program's executable (GetModuleFileNameW of the process).
  // kSuccess and *path; kErrInsufficientBuffer past 32767 characters; the system's error.
  virtual ErrorCode ExecutablePathW(std::u16string* path) = 0;

  // The folder of this user's own files of the product, made when missing: always there for
  // the user running the program, whatever its environment says (Windows: "ZEL" in the local
  // application data folder, SHGetFolderPathA bound at run time; the host: the root folder).
  // kSuccess and *folder, without a trailing separator; the system's error otherwise.
  virtual ErrorCode UserDataFolder(std::string* folder) = 0;

  // The current local time.
  virtual std::tm LocalTime() = 0;
};

}  // namespace qid
