// The process environment.
//
// Thread use: the program's main thread only (the environment is process-wide).
#pragma once

#include <cstddef>
#include <string>

#include "platform/errors.h"

namespace qid {

// The longest value Windows keeps intact is one character shorter than this.
constexpr size_t kMaxEnvironmentValue = 32767;

class Environment {
 public:
  Environment() = default;
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;
  virtual ~Environment() = default;

  // Names ignore letter case, as on Windows.
  // True and *value when the variable is set (possibly to an empty text); false when absent.
  virtual bool GetVariable(const std::string& name, std::string* value) = 0;

  // Sets the variable for this process and the processes it starts. kSuccess;
  // kErrInvalidParameter for an empty name or one holding "=", and for a value of
  // kMaxEnvironmentValue characters or more (the system would store it damaged).
  virtual ErrorCode SetVariable(const std::string& name, const std::string& value) = 0;
};

}  // namespace qid
