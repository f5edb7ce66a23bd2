#include "cups/host/user_session.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace qid::cups {
namespace {

// A number setting of /etc/login.defs ("UID_MIN 1000"), else `fallback`.
unsigned long LoginDefsNumber(const char* name, unsigned long fallback) {
  std::ifstream defs("/etc/login.defs");
  std::string line;
  while (std::getline(defs, line)) {
    std::istringstream words(line);
    std::string key, value;
    if (!(words >> key >> value) || key != name) continue;
    char* end = nullptr;
    unsigned long number = std::strtoul(value.c_str(), &end, 10);
    if (end != value.c_str() && *end == 0) return number;
  }
  return fallback;
}

}  // namespace

bool LookUpUser(const std::string& name, UserAccount* account, std::string* error) {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  int err = ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
  if (err != 0 || found == nullptr) {
    *error = "the user " + name + " is not known on this system";
    return false;
  }
  account->name = name;
  account->uid = found->pw_uid;
  account->gid = found->pw_gid;
  account->home = found->pw_dir != nullptr ? found->pw_dir : "";
  return true;
}

bool IsPersonAccount(const UserAccount& account, std::string* error) {
  const unsigned long low = LoginDefsNumber("UID_MIN", 1000);
  const unsigned long high = LoginDefsNumber("UID_MAX", 60000);
  if (account.uid != 0 && account.uid >= low && account.uid <= high) return true;
  *error = "the job of " + account.name + " (uid " + std::to_string(account.uid) +
           ") is not printed: the queue writes only for login users (uid " +
           std::to_string(low) + " to " + std::to_string(high) +
           "), never as root or a system account";
  return false;
}

bool BecomeUser(const UserAccount& account, std::string* error) {
  if (::initgroups(account.name.c_str(), account.gid) != 0 || ::setgid(account.gid) != 0 ||
      ::setuid(account.uid) != 0) {
    *error = "cannot become the user " + account.name + ": " + std::strerror(errno);
    return false;
  }
  if (account.uid != 0 && (::setuid(0) == 0 || ::geteuid() == 0)) {
    *error = "the switch to the user " + account.name + " could be undone; refusing to go on";
    return false;
  }
  return true;
}

bool CheckHomeFolder(const UserAccount& account, std::string* error) {
  struct stat st;
  if (account.home.empty() || account.home[0] != '/' || ::lstat(account.home.c_str(), &st) != 0 ||
      !S_ISDIR(st.st_mode) || st.st_uid != account.uid) {
    *error = "the user " + account.name + " has no home folder of their own (" + account.home +
             ")";
    return false;
  }
  return true;
}

}  // namespace qid::cups
