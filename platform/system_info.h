// Facts about the running system and user.
//
// Thread use: any thread.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/errors.h"

namespace qid {

struct OsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t platform_id = 0;  // 1 the Windows 95 family, 2 NT; the host reports 2
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

  virtual OsVersion Version() = 0;

  // The current local time.
  virtual std::tm LocalTime() = 0;
};

}  // namespace qid
