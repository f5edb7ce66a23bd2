#include "platform/memory_registry.h"

#include <cstring>

namespace qid {

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

void MemoryRegistry::SetReadOnly(Hive hive, bool read_only) {
  read_only_[static_cast<int>(hive)] = read_only;
}

const MemoryRegistry::OpenKeyRecord* MemoryRegistry::Find(RegKey key) const {
  auto it = open_.find(key);
  return it == open_.end() ? nullptr : &it->second;
}

ErrorCode MemoryRegistry::Node(RegKey key, bool write, RegistryKeyNode** node) {
  const OpenKeyRecord* rec = Find(key);
  if (rec == nullptr) return kErrInvalidHandle;
  if (write && !rec->write) return kErrAccessDenied;
  *node = hives_[static_cast<int>(rec->hive)].Find(rec->path);
  return *node == nullptr ? kErrKeyDeleted : kSuccess;
}

ErrorCode MemoryRegistry::OpenCurrentUserKey(const std::string& subkey, RegKey* key) {
  return OpenKey(Hive::kCurrentUser, subkey, true, key);
}

ErrorCode MemoryRegistry::OpenKey(Hive hive, const std::string& subkey, bool write,
                                  RegKey* key) {
  if (hives_[static_cast<int>(hive)].Find(subkey) == nullptr) return kErrFileNotFound;
  if (write && read_only_[static_cast<int>(hive)]) return kErrAccessDenied;
  *key = next_++;
  open_[*key] = OpenKeyRecord{hive, subkey, write};
  return kSuccess;
}

ErrorCode MemoryRegistry::CreateKey(Hive hive, const std::string& subkey,
                                    const std::string& key_class, RegKey* key, bool* created) {
  if (read_only_[static_cast<int>(hive)]) return kErrAccessDenied;
  hives_[static_cast<int>(hive)].Create(subkey, key_class, created);
  *key = next_++;
  open_[*key] = OpenKeyRecord{hive, subkey, true};
  return kSuccess;
}

ErrorCode MemoryRegistry::QueryValue(RegKey key, const std::string& name, uint32_t* type,
                                     std::vector<uint8_t>* data, size_t capacity) {
  RegistryKeyNode* node = nullptr;
  ErrorCode err = Node(key, false, &node);
  if (err != kSuccess) return err;
  RegistryValue* v = node->FindValue(name);
  if (v == nullptr) return kErrFileNotFound;
  *type = v->type;
  if (v->data.size() > capacity) return kErrMoreData;
  *data = v->data;
  return kSuccess;
}

ErrorCode MemoryRegistry::SetValue(RegKey key, const std::string& name, uint32_t type,
                                   const void* data, size_t size) {
  RegistryKeyNode* node = nullptr;
  ErrorCode err = Node(key, true, &node);
  if (err != kSuccess) return err;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  node->SetValue(name, type, std::vector<uint8_t>(bytes, bytes + size));
  return kSuccess;
}

ErrorCode MemoryRegistry::DeleteValue(RegKey key, const std::string& name) {
  RegistryKeyNode* node = nullptr;
  ErrorCode err = Node(key, true, &node);
  if (err != kSuccess) return err;
  return node->RemoveValue(name) ? kSuccess : kErrFileNotFound;
}

ErrorCode MemoryRegistry::DeleteKey(Hive hive, const std::string& subkey) {
  if (read_only_[static_cast<int>(hive)]) return kErrAccessDenied;
  switch (hives_[static_cast<int>(hive)].Remove(subkey)) {
    case 0: return kSuccess;
    case 1: return kErrFileNotFound;
    default: return kErrAccessDenied;
  }
}

ErrorCode MemoryRegistry::EnumKey(RegKey key, uint32_t index, std::string* name) {
  RegistryKeyNode* node = nullptr;
  ErrorCode err = Node(key, false, &node);
  if (err != kSuccess) return err;
  if (index >= node->subkeys.size()) return kErrNoMoreItems;
  *name = node->subkeys[index]->name;
  return kSuccess;
}

ErrorCode MemoryRegistry::EnumValue(RegKey key, uint32_t index, std::string* name) {
  RegistryKeyNode* node = nullptr;
  ErrorCode err = Node(key, false, &node);
  if (err != kSuccess) return err;
  if (index >= node->values.size()) return kErrNoMoreItems;
  *name = node->values[index].name;
  return kSuccess;
}

void MemoryRegistry::CloseKey(RegKey key) { open_.erase(key); }

}  // namespace qid
