// Becoming the job's user. CUPS runs a backend installed with mode 0700 as root; everything the
// backend does for a job after reading the document happens as the submitting user, so the
// kernel, not this code, decides what the job may touch.
#pragma once

#include <sys/types.h>

#include <string>

namespace qid::cups {

struct UserAccount {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
  std::string home;
};

// The account of `name`. False with *error when the system does not know it.
bool LookUpUser(const std::string& name, UserAccount* account, std::string* error);

// Whether the account is a person's: not uid 0 and within the system's range of login accounts
// (UID_MIN to UID_MAX of /etc/login.defs, else 1000 to 60000), so that no job runs with the
// rights of root or of a system account. False with *error naming the account.
bool IsPersonAccount(const UserAccount& account, std::string* error);

// For good: the user's supplementary groups, group and user id, then a check that root cannot
// be regained. Works only as root. False with *error; the process must then do nothing more
// for the job.
bool BecomeUser(const UserAccount& account, std::string* error);

// The user's home folder as a real folder owned by the user (not a link). False with *error.
bool CheckHomeFolder(const UserAccount& account, std::string* error);

}  // namespace qid::cups
