#include <memory>

#include "tests/contract/contract.h"

namespace qid::contract {

void ProcessContract(Processes& procs, Environment& env, const std::string& child,
                     const std::string& dir, Reporter& r) {
  std::unique_ptr<Process> p;
  uint32_t code = 12345;
  ExpectCode(r, "processes: StartProcess", kSuccess, procs.StartProcess(child + " child-exit 7", &p));
  if (p) {
    ExpectCode(r, "processes: Wait", kSuccess, p->Wait(kWaitForever, &code));
    r.Check(code == 7, "processes: Wait gives the exit code", std::to_string(code));
  }

  p.reset();
  if (procs.StartProcess(child + " child-sleep 1000", &p) == kSuccess) {
    ExpectCode(r, "processes: Wait with a short limit on a running child", kErrWaitTimeout,
               p->Wait(50, &code));
    ExpectCode(r, "processes: Wait without limit", kSuccess, p->Wait(kWaitForever, &code));
  } else {
    r.Check(false, "processes: start the sleeping child", "");
  }

  env.SetVariable("QID_PROBE_INHERIT", "yes");
  p.reset();
  code = 12345;
  if (procs.StartProcess(child + " child-env QID_PROBE_INHERIT yes", &p) == kSuccess)
    p->Wait(kWaitForever, &code);
  r.Check(code == 0, "processes: the child inherits a variable set through the environment",
          "exit " + std::to_string(code));

  p.reset();
  ExpectCode(r, "processes: a missing program", kErrFileNotFound,
             procs.StartProcess(dir + "\\none.exe", &p));
  r.Check(p == nullptr, "processes: ... gives no process", "");
  ExpectCode(r, "processes: an empty command line", kErrFileNotFound,
             procs.StartProcess("  ", &p));
}

}  // namespace qid::contract
