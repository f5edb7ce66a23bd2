// Starting programs from the driver side on the host: an argument vector (no command-line
// splitting, so a job path is passed exactly as it is) and an environment built from this
// process's own with some variables set or removed.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace qid::driver {

// This process's environment with `unset` removed and `set` added (replacing same names).
std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& set,
    const std::vector<std::string>& unset);

// Starts argv[0] (looked up on PATH when it holds no "/") with the arguments and the
// environment; with `own_group` in a new process group (its id is *pid), so that the program
// and everything it starts can be ended together. True and *pid; false with *error
// ("cannot start X: reason").
bool SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  pid_t* pid, std::string* error, bool own_group = false);

// Ends the process group `leader` heads: SIGTERM to the group, SIGKILL to what is left after
// `grace_ms`, and reaps the leader (its status in *status). Returns when the leader has ended.
void EndProcessGroup(pid_t leader, int grace_ms, int* status);

// Runs the program to its end with this process's environment. True when it exited with 0;
// otherwise false with *error saying how it ended.
bool RunProgram(const std::vector<std::string>& argv, std::string* error);

// How a process ended, for messages: "exited with code N" or "was killed by signal N".
std::string DescribeExit(int wait_status);

}  // namespace qid::driver
