#include "driver/host/spawn.h"

#include <spawn.h>
#include <sys/wait.h>

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
                  pid_t* pid, std::string* error) {
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> envp = Pointers(env);
  int err = ::posix_spawnp(pid, argv[0].c_str(), nullptr, nullptr, args.data(), envp.data());
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

std::string DescribeExit(int status) {
  if (WIFEXITED(status)) return "exited with code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
  return "ended abnormally";
}

}  // namespace qid::driver
