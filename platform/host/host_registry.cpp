#include "platform/host/host_registry.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qid {
namespace {

bool ReadFileText(const std::string& path, std::string* text, bool* exists) {
  *exists = false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  *exists = true;
  text->clear();
  char buf[65536];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      ::close(fd);
      return false;
    }
    if (r == 0) break;
    text->append(buf, static_cast<size_t>(r));
  }
  ::close(fd);
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t w = ::write(fd, text.data() + done, text.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) break;
    done += static_cast<size_t>(w);
  }
  bool ok = done == text.size() && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

const char* HiveName(Hive hive) {
  switch (hive) {
    case Hive::kCurrentUser: return "HKEY_CURRENT_USER";
    case Hive::kLocalMachine: return "HKEY_LOCAL_MACHINE";
    case Hive::kClassesRoot: return "HKEY_CLASSES_ROOT";
    case Hive::kUsers: return "HKEY_USERS";
  }
  return "HKEY_CURRENT_USER";
}

namespace {

// Holds the exclusive lock on one hive's lock file from construction to destruction.
class HiveLock {
 public:
  HiveLock(const std::string& dir, const std::string& hive_file) {
    ::mkdir(dir.c_str(), 0777);
    std::string lock = hive_file + ".lock";
    fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

HostRegistry::HostRegistry(std::string root) : dir_(std::move(root) + "/registry") {}

std::string HostRegistry::HiveFile(Hive hive) const {
  return dir_ + "/" + HiveName(hive) + ".reg";
}

ErrorCode HostRegistry::Load(Hive hive, RegistryModel* model) const {
  std::string text;
  bool exists = false;
  if (!ReadFileText(HiveFile(hive), &text, &exists)) return kErrBadRegistryFile;
  if (!exists) return kSuccess;
  return model->Parse(text, HiveName(hive)) ? kSuccess : kErrBadRegistryFile;
}

std::string HostRegistry::HiveProblem(Hive hive) const {
  std::string text;
  bool exists = false;
  if (!ReadFileText(HiveFile(hive), &text, &exists)) return HiveFile(hive) + ": cannot be read";
  RegistryModel model;
  size_t line = 0;
  if (!exists || model.Parse(text, HiveName(hive), &line)) return "";
  return HiveFile(hive) + ", line " + std::to_string(line) +
         ": not a key, value or comment of a registry file";
}

ErrorCode HostRegistry::ReadHive(Hive hive, const Reader& read) {
  RegistryModel model;
  ErrorCode err = Load(hive, &model);
  return err != kSuccess ? err : read(model);
}

// Every change reads the file afresh under the lock, so that two programs never lose each
// other's changes to different values.
ErrorCode HostRegistry::ChangeHive(Hive hive, const Change& change) {
  HiveLock lock(dir_, HiveFile(hive));
  if (!lock.held()) return kErrAccessDenied;
  RegistryModel model;
  ErrorCode err = Load(hive, &model);
  if (err != kSuccess) return err;
  bool changed = false;
  err = change(model, &changed);
  if (err != kSuccess || !changed) return err;
  return WriteFileAtomically(HiveFile(hive), model.Serialize(HiveName(hive)))
             ? kSuccess
             : kErrAccessDenied;
}

bool HostRegistry::MayWrite(Hive hive) {
  std::string file = HiveFile(hive);
  if (::access(file.c_str(), F_OK) == 0) return ::access(file.c_str(), W_OK) == 0;
  return ::access(dir_.c_str(), F_OK) != 0 || ::access(dir_.c_str(), W_OK) == 0;
}

}  // namespace qid
