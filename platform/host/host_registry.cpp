#include "platform/host/host_registry.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

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

// One change to one hive: holds the exclusive lock from construction to destruction.
class HostRegistry::Transaction {
 public:
  Transaction(const HostRegistry& reg, Hive hive) : reg_(reg), hive_(hive) {
    ::mkdir(reg.dir_.c_str(), 0777);
    std::string lock = reg.HiveFile(hive) + ".lock";
    fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~Transaction() {
    if (fd_ >= 0) ::close(fd_);  // releases the lock
  }

  // Loads the hive, lets `change` edit it, and stores it when the change returns kSuccess
  // and says the hive changed.
  ErrorCode Run(const std::function<ErrorCode(RegistryModel&, bool*)>& change) {
    if (fd_ < 0) return kErrAccessDenied;
    RegistryModel model;
    ErrorCode err = reg_.Load(hive_, &model);
    if (err != kSuccess) return err;
    bool changed = false;
    err = change(model, &changed);
    if (err != kSuccess || !changed) return err;
    return WriteFileAtomically(reg_.HiveFile(hive_), model.Serialize(HiveName(hive_)))
               ? kSuccess
               : kErrAccessDenied;
  }

 private:
  const HostRegistry& reg_;
  Hive hive_;
  int fd_ = -1;
};

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

bool HostRegistry::Writable(Hive hive) const {
  std::string file = HiveFile(hive);
  if (::access(file.c_str(), F_OK) == 0) return ::access(file.c_str(), W_OK) == 0;
  return ::access(dir_.c_str(), F_OK) != 0 || ::access(dir_.c_str(), W_OK) == 0;
}

const HostRegistry::OpenKeyRecord* HostRegistry::Find(RegKey key) const {
  auto it = open_.find(key);
  return it == open_.end() ? nullptr : &it->second;
}

RegKey HostRegistry::Remember(Hive hive, const std::string& path, bool write) {
  RegKey key = next_++;
  open_[key] = OpenKeyRecord{hive, path, write};
  return key;
}

ErrorCode HostRegistry::ReadKey(RegKey key, RegistryModel* model,
                                RegistryKeyNode** node) const {
  const OpenKeyRecord* rec = Find(key);
  if (rec == nullptr) return kErrInvalidHandle;
  ErrorCode err = Load(rec->hive, model);
  if (err != kSuccess) return err;
  *node = model->Find(rec->path);
  return *node == nullptr ? kErrKeyDeleted : kSuccess;
}

ErrorCode HostRegistry::OpenCurrentUserKey(const std::string& subkey, RegKey* key) {
  return OpenKey(Hive::kCurrentUser, subkey, true, key);
}

ErrorCode HostRegistry::OpenKey(Hive hive, const std::string& subkey, bool write,
                                RegKey* key) {
  RegistryModel model;
  ErrorCode err = Load(hive, &model);
  if (err != kSuccess) return err;
  if (model.Find(subkey) == nullptr) return kErrFileNotFound;
  if (write && !Writable(hive)) return kErrAccessDenied;
  *key = Remember(hive, subkey, write);
  return kSuccess;
}

ErrorCode HostRegistry::CreateKey(Hive hive, const std::string& subkey,
                                  const std::string& key_class, RegKey* key, bool* created) {
  if (!Writable(hive)) return kErrAccessDenied;
  bool made = false;
  ErrorCode err = Transaction(*this, hive).Run([&](RegistryModel& m, bool* changed) {
    m.Create(subkey, key_class, &made);
    *changed = made;
    return kSuccess;
  });
  if (err != kSuccess) return err;
  if (created) *created = made;
  *key = Remember(hive, subkey, true);
  return kSuccess;
}

ErrorCode HostRegistry::QueryValue(RegKey key, const std::string& name, uint32_t* type,
                                   std::vector<uint8_t>* data, size_t capacity) {
  RegistryModel model;
  RegistryKeyNode* node = nullptr;
  ErrorCode err = ReadKey(key, &model, &node);
  if (err != kSuccess) return err;
  RegistryValue* v = node->FindValue(name);
  if (v == nullptr) return kErrFileNotFound;
  *type = v->type;
  if (v->data.size() > capacity) return kErrMoreData;
  *data = v->data;
  return kSuccess;
}

ErrorCode HostRegistry::SetValue(RegKey key, const std::string& name, uint32_t type,
                                 const void* data, size_t size) {
  const OpenKeyRecord* rec = Find(key);
  if (rec == nullptr) return kErrInvalidHandle;
  if (!rec->write) return kErrAccessDenied;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  std::vector<uint8_t> copy(bytes, bytes + size);
  return Transaction(*this, rec->hive).Run([&](RegistryModel& m, bool* changed) {
    RegistryKeyNode* node = m.Find(rec->path);
    if (node == nullptr) return kErrKeyDeleted;
    node->SetValue(name, type, std::move(copy));
    *changed = true;
    return kSuccess;
  });
}

ErrorCode HostRegistry::DeleteValue(RegKey key, const std::string& name) {
  const OpenKeyRecord* rec = Find(key);
  if (rec == nullptr) return kErrInvalidHandle;
  if (!rec->write) return kErrAccessDenied;
  return Transaction(*this, rec->hive).Run([&](RegistryModel& m, bool* changed) {
    RegistryKeyNode* node = m.Find(rec->path);
    if (node == nullptr) return kErrKeyDeleted;
    if (!node->RemoveValue(name)) return kErrFileNotFound;
    *changed = true;
    return kSuccess;
  });
}

ErrorCode HostRegistry::DeleteKey(Hive hive, const std::string& subkey) {
  if (!Writable(hive)) return kErrAccessDenied;
  return Transaction(*this, hive).Run([&](RegistryModel& m, bool* changed) {
    switch (m.Remove(subkey)) {
      case 0: *changed = true; return kSuccess;
      case 1: return kErrFileNotFound;
      default: return kErrAccessDenied;
    }
  });
}

ErrorCode HostRegistry::EnumKey(RegKey key, uint32_t index, std::string* name) {
  RegistryModel model;
  RegistryKeyNode* node = nullptr;
  ErrorCode err = ReadKey(key, &model, &node);
  if (err != kSuccess) return err;
  if (index >= node->subkeys.size()) return kErrNoMoreItems;
  *name = node->subkeys[index]->name;
  return kSuccess;
}

ErrorCode HostRegistry::EnumValue(RegKey key, uint32_t index, std::string* name) {
  RegistryModel model;
  RegistryKeyNode* node = nullptr;
  ErrorCode err = ReadKey(key, &model, &node);
  if (err != kSuccess) return err;
  if (index >= node->values.size()) return kErrNoMoreItems;
  *name = node->values[index].name;
  return kSuccess;
}

void HostRegistry::CloseKey(RegKey key) { open_.erase(key); }

}  // namespace qid
