#include "driver/host/spawn.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace qid::driver {
namespace {

std::string NameOf(const std::string& assignment) {
  return assignment.substr(0, assignment.find('='));
}

std::vector<char*> Pointers(const std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (const std::string& t : texts) out.push_back(const_cast<char*>(t.c_str()));
  out.push_back(nullptr);
  return out;
}

}  // namespace

std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& set,
    const std::vector<std::string>& unset) {
  auto replaced = [&](const std::string& name) {
    for (const std::string& u : unset)
      if (u == name) return true;
    for (const auto& s : set)
      if (s.first == name) return true;
    return false;
  };
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    std::string assignment = *e;
    if (!replaced(NameOf(assignment))) env.push_back(assignment);
  }
  // A later --env of the same name wins, as it would in a shell.
  for (size_t i = 0; i < set.size(); ++i) {
    bool later = false;
    for (size_t j = i + 1; j < set.size(); ++j) later = later || set[j].first == set[i].first;
    if (!later) env.push_back(set[i].first + "=" + set[i].second);
  }
  return env;
}

bool SpawnProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  pid_t* pid, std::string* error, bool own_group) {
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> envp = Pointers(env);
  posix_spawnattr_t attr;
  ::posix_spawnattr_init(&attr);
  if (own_group) {
    ::posix_spawnattr_setpgroup(&attr, 0);
    ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  }
  int err = ::posix_spawnp(pid, argv[0].c_str(), nullptr, &attr, args.data(), envp.data());
  ::posix_spawnattr_destroy(&attr);
  if (err != 0) {
    *error = "cannot start " + argv[0] + ": " + std::strerror(err);
    return false;
  }
  return true;
}

bool RunProgram(const std::vector<std::string>& argv, std::string* error) {
  std::vector<std::string> env;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) env.push_back(*e);
  pid_t pid;
  if (!SpawnProgram(argv, env, &pid, error)) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      *error = argv[0] + ": cannot wait for it: " + std::strerror(errno);
      return false;
    }
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  *error = argv[0] + " " + DescribeExit(status);
  return false;
}

void EndProcessGroup(pid_t leader, int grace_ms, int* status) {
  ::kill(-leader, SIGTERM);
  bool reaped = false;
  for (int waited = 0; waited < grace_ms && !reaped; waited += 20) {
    pid_t r = ::waitpid(leader, status, WNOHANG);
    reaped = r == leader || (r < 0 && errno != EINTR);
    if (!reaped) {
      struct timespec pause = {0, 20 * 1000 * 1000};
      ::nanosleep(&pause, nullptr);
    }
  }
  // Whatever the leader started and is still there (an Output Application that ignores
  // SIGTERM) goes too: nothing of the job may outlive it.
  ::kill(-leader, SIGKILL);
  while (!reaped) {
    pid_t r = ::waitpid(leader, status, 0);
    reaped = r == leader || (r < 0 && errno != EINTR);
  }
}

std::string DescribeExit(int status) {
  if (WIFEXITED(status)) return "exited with code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
  return "ended abnormally";
}

}  // namespace qid::driver
