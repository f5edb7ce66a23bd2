#include "cups/host/user_session.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace qid::cups {

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
