// The host registry: one ".reg" text file per hive under "<root>/registry". Every change is a
// transaction under an exclusive flock on the hive's lock file: read the file afresh, apply
// the change, write a temporary file and rename it into place. Concurrent programs therefore
// never corrupt a hive (the last writer of one value wins, as on Windows); readers need no
// lock because the rename is atomic.
//
// A hive file that does not parse is never overwritten: reads and writes then fail with
// kErrBadRegistryFile, so a damaged file stays for a person to repair.
#pragma once

#include <string>

#include "platform/model_registry.h"

namespace qid {

class HostRegistry : public ModelRegistry {
 public:
  explicit HostRegistry(std::string root);

  // The hive file, e.g. "<root>/registry/HKEY_CURRENT_USER.reg".
  std::string HiveFile(Hive hive) const;

  // What is wrong with the hive's file, for a person to repair it ("<file>, line 7: not a
  // key, value or comment"); empty when it reads well or does not exist.
  std::string HiveProblem(Hive hive) const;

 protected:
  ErrorCode ReadHive(Hive hive, const Reader& read) override;
  ErrorCode ChangeHive(Hive hive, const Change& change) override;
  // Full access needs a writable hive file, or a writable folder to create it in.
  bool MayWrite(Hive hive) override;

 private:
  // Reads the hive into *model (empty when the file does not exist yet).
  ErrorCode Load(Hive hive, RegistryModel* model) const;

  std::string dir_;
};

const char* HiveName(Hive hive);

}  // namespace qid
