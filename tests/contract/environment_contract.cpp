#include "tests/contract/contract.h"

namespace qid::contract {

void EnvironmentContract(Environment& env, Reporter& r) {
  std::string value = "untouched";
  r.Check(!env.GetVariable("QID_PROBE_NEVER_SET", &value), "environment: an absent variable",
          value);
  ExpectCode(r, "environment: set to an empty text", kSuccess,
             env.SetVariable("QID_PROBE_E", ""));
  r.Check(env.GetVariable("QID_PROBE_E", &value) && value.empty(),
          "environment: an empty variable is present and empty", value);
  std::string long_value(300, 'v');
  env.SetVariable("QID_PROBE_300", long_value);
  r.Check(env.GetVariable("qid_probe_300", &value) && value == long_value,
          "environment: names ignore case; a value longer than the first buffer comes whole",
          std::to_string(value.size()));
  env.SetVariable("qid_probe_300", "lower");
  r.Check(env.GetVariable("QID_PROBE_300", &value) && value == "lower",
          "environment: setting a name in other letter case replaces the variable", value);
  std::string max_value(32766, 'm');
  ExpectCode(r, "environment: a value of 32766 characters is accepted", kSuccess,
             env.SetVariable("QID_PROBE_SETMAX", max_value));
  r.Check(env.GetVariable("QID_PROBE_SETMAX", &value) && value == max_value,
          "environment: ... and reads back whole", std::to_string(value.size()));
  ExpectCode(r,
             "environment: a value of 32767 characters is refused (the system would damage it)",
             kErrInvalidParameter, env.SetVariable("QID_PROBE_SETBIG", std::string(32767, 'b')));
  r.Check(!env.GetVariable("QID_PROBE_SETBIG", &value), "environment: ... and is not set", "");
  ExpectCode(r, "environment: a name with '=' is refused", kErrInvalidParameter,
             env.SetVariable("A=B", "x"));
  ExpectCode(r, "environment: an empty name is refused", kErrInvalidParameter,
             env.SetVariable("", "x"));
}

}  // namespace qid::contract
