#include "platform/model_registry.h"

#include "common/text_convert.h"

namespace qid {

RegKey ModelRegistry::Remember(Hive hive, const std::string& path, bool write) {
  RegKey key = next_++;
  open_[key] = OpenKeyRecord{hive, path, write};
  return key;
}

ErrorCode ModelRegistry::ReadKey(RegKey key,
                                 const std::function<ErrorCode(RegistryKeyNode&)>& read) {
  auto it = open_.find(key);
  if (it == open_.end()) return kErrInvalidHandle;
  const OpenKeyRecord& rec = it->second;
  return ReadHive(rec.hive, [&](const RegistryModel& model) {
    RegistryKeyNode* node = model.Find(rec.path);
    return node == nullptr ? kErrKeyDeleted : read(*node);
  });
}

ErrorCode ModelRegistry::OpenCurrentUserKey(const std::string& subkey, RegKey* key) {
  return OpenKey(Hive::kCurrentUser, subkey, true, key);
}

ErrorCode ModelRegistry::OpenKey(Hive hive, const std::string& subkey, bool write,
                                 RegKey* key) {
  ErrorCode err = ReadHive(hive, [&](const RegistryModel& model) {
    return model.Find(subkey) == nullptr ? kErrFileNotFound : kSuccess;
  });
  if (err != kSuccess) return err;
  if (write && !MayWrite(hive)) return kErrAccessDenied;
  *key = Remember(hive, subkey, write);
  return kSuccess;
}

ErrorCode ModelRegistry::CreateKey(Hive hive, const std::string& subkey,
                                   const std::string& key_class, RegKey* key, bool* created) {
  if (!MayWrite(hive)) return kErrAccessDenied;
  bool made = false;
  ErrorCode err = ChangeHive(hive, [&](RegistryModel& model, bool* changed) {
    model.Create(subkey, key_class, &made);
    *changed = made;
    return kSuccess;
  });
  if (err != kSuccess) return err;
  if (created != nullptr) *created = made;
  *key = Remember(hive, subkey, true);
  return kSuccess;
}

ErrorCode ModelRegistry::ReadValue(RegKey key, const std::string& name, uint32_t* type,
                                   std::vector<uint8_t>* stored) {
  return ReadKey(key, [&](RegistryKeyNode& node) {
    RegistryValue* v = node.FindValue(name);
    if (v == nullptr) return kErrFileNotFound;
    *type = v->type;
    *stored = v->data;
    return kSuccess;
  });
}

ErrorCode ModelRegistry::QueryValue(RegKey key, const std::string& name, uint32_t* type,
                                    std::vector<uint8_t>* data, size_t capacity) {
  uint32_t value_type = kRegNone;
  std::vector<uint8_t> stored;
  ErrorCode err = ReadValue(key, name, &value_type, &stored);
  if (err != kSuccess) return err;
  std::vector<uint8_t> ansi = AnsiFromStored(value_type, stored);
  if (type != nullptr) *type = value_type;
  if (ansi.size() > capacity) return kErrMoreData;
  data->swap(ansi);
  return kSuccess;
}

ErrorCode ModelRegistry::QueryValueW(RegKey key, const std::u16string& name, uint32_t* type,
                                     std::vector<uint8_t>* data, size_t capacity) {
  uint32_t value_type = kRegNone;
  std::vector<uint8_t> stored;
  ErrorCode err = ReadValue(key, Utf16ToAnsi(name), &value_type, &stored);
  if (err != kSuccess) return err;
  if (type != nullptr) *type = value_type;
  if (stored.size() > capacity) return kErrMoreData;
  data->swap(stored);
  return kSuccess;
}

ErrorCode ModelRegistry::WriteValue(RegKey key, const std::string& name, uint32_t type,
                                    std::vector<uint8_t> stored) {
  auto it = open_.find(key);
  if (it == open_.end()) return kErrInvalidHandle;
  const OpenKeyRecord& rec = it->second;
  if (!rec.write) return kErrAccessDenied;
  return ChangeHive(rec.hive, [&](RegistryModel& model, bool* changed) {
    RegistryKeyNode* node = model.Find(rec.path);
    if (node == nullptr) return kErrKeyDeleted;
    node->SetValue(name, type, std::move(stored));
    *changed = true;
    return kSuccess;
  });
}

ErrorCode ModelRegistry::SetValue(RegKey key, const std::string& name, uint32_t type,
                                  const void* data, size_t size) {
  if (data == nullptr) size = 0;
  return WriteValue(key, name, type,
                    StoredFromAnsi(type, static_cast<const uint8_t*>(data), size));
}

ErrorCode ModelRegistry::SetValueW(RegKey key, const std::u16string& name, uint32_t type,
                                   const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  if (bytes == nullptr) size = 0;
  return WriteValue(key, Utf16ToAnsi(name), type, std::vector<uint8_t>(bytes, bytes + size));
}

ErrorCode ModelRegistry::DeleteValue(RegKey key, const std::string& name) {
  auto it = open_.find(key);
  if (it == open_.end()) return kErrInvalidHandle;
  const OpenKeyRecord& rec = it->second;
  if (!rec.write) return kErrAccessDenied;
  return ChangeHive(rec.hive, [&](RegistryModel& model, bool* changed) {
    RegistryKeyNode* node = model.Find(rec.path);
    if (node == nullptr) return kErrKeyDeleted;
    if (!node->RemoveValue(name)) return kErrFileNotFound;
    *changed = true;
    return kSuccess;
  });
}

ErrorCode ModelRegistry::DeleteKey(Hive hive, const std::string& subkey) {
  if (!MayWrite(hive)) return kErrAccessDenied;
  return ChangeHive(hive, [&](RegistryModel& model, bool* changed) {
    switch (model.Remove(subkey)) {
      case 0: *changed = true; return kSuccess;
      case 1: return kErrFileNotFound;
      default: return kErrAccessDenied;
    }
  });
}

ErrorCode ModelRegistry::EnumKey(RegKey key, uint32_t index, std::string* name) {
  return ReadKey(key, [&](RegistryKeyNode& node) {
    if (index >= node.subkeys.size()) return kErrNoMoreItems;
    *name = node.subkeys[index]->name;
    return kSuccess;
  });
}

ErrorCode ModelRegistry::EnumValue(RegKey key, uint32_t index, std::string* name) {
  return ReadKey(key, [&](RegistryKeyNode& node) {
    if (index >= node.values.size()) return kErrNoMoreItems;
    *name = node.values[index].name;
    return kSuccess;
  });
}

void ModelRegistry::CloseKey(RegKey key) { open_.erase(key); }

}  // namespace qid
