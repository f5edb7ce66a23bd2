// The process environment.
//
// Thread use: the program's main thread only (the environment is process-wide).
#pragma once

#include <string>

#include "platform/errors.h"

namespace qid {

class Environment {
 public:
  Environment() = default;
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;
  virtual ~Environment() = default;

  // True and *value when the variable is set (possibly to an empty text); false when absent.
  virtual bool GetVariable(const std::string& name, std::string* value) = 0;

  // Sets the variable for this process and the processes it starts. kSuccess;
  // kErrInvalidParameter for an empty name or one holding "=".
  virtual ErrorCode SetVariable(const std::string& name, const std::string& value) = 0;
};

}  // namespace qid
