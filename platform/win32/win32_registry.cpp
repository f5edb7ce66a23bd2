#include "platform/win32/win32_registry.h"

#include "platform/win32/win32_api.h"

namespace qid {
namespace {

HKEY RootOf(Hive hive) {
  switch (hive) {
    case Hive::kCurrentUser: return HKEY_CURRENT_USER;
    case Hive::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case Hive::kClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::kUsers: return HKEY_USERS;
  }
  return nullptr;
}

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
RegKey FromHkey(HKEY key) { return reinterpret_cast<RegKey>(key); }

bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Beyond this a caller's capacity is not allocated blindly: the size query tells what is
// needed (for strings the ANSI call may report the larger UTF-16 size, never a smaller one).
constexpr size_t kDirectReadLimit = 64 * 1024;

}  // namespace

ErrorCode Win32Registry::OpenCurrentUserKey(const std::string& subkey, RegKey* key) {
  HKEY user = nullptr;
  LONG rc = ::RegOpenCurrentUser(KEY_ALL_ACCESS, &user);
  if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
  HKEY opened = nullptr;
  rc = ::RegOpenKeyExA(user, subkey.c_str(), 0, KEY_ALL_ACCESS, &opened);
  // The opened subkey stays valid on its own; the hive handle is needed no longer.
  ::RegCloseKey(user);
  if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
  *key = FromHkey(opened);
  return kSuccess;
}

ErrorCode Win32Registry::OpenKey(Hive hive, const std::string& subkey, bool write, RegKey* key) {
  HKEY root = RootOf(hive);
  if (root == nullptr) return kErrInvalidHandle;
  HKEY opened = nullptr;
  LONG rc = ::RegOpenKeyExA(root, subkey.c_str(), 0, write ? KEY_ALL_ACCESS : KEY_READ, &opened);
  if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
  *key = FromHkey(opened);
  return kSuccess;
}

ErrorCode Win32Registry::CreateKey(Hive hive, const std::string& subkey,
                                   const std::string& key_class, RegKey* key, bool* created) {
  HKEY root = RootOf(hive);
  if (root == nullptr) return kErrInvalidHandle;
  HKEY opened = nullptr;
  DWORD disposition = 0;
  // The class parameter is declared writable but only read.
  LONG rc = ::RegCreateKeyExA(root, subkey.c_str(), 0, const_cast<char*>(key_class.c_str()),
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &opened,
                              &disposition);
  if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
  *key = FromHkey(opened);
  if (created != nullptr) *created = disposition == REG_CREATED_NEW_KEY;
  return kSuccess;
}

ErrorCode Win32Registry::QueryValue(RegKey key, const std::string& name, uint32_t* type,
                                    std::vector<uint8_t>* data, size_t capacity) {
  if (key == kNoKey) return kErrInvalidHandle;
  if (capacity > MAXDWORD) capacity = MAXDWORD;
  for (int attempt = 0;; ++attempt) {
    size_t room = capacity;
    if (room > kDirectReadLimit && attempt == 0) {
      DWORD needed = 0;
      LONG rc = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, nullptr, nullptr, &needed);
      if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return static_cast<ErrorCode>(rc);
      if (needed < room) room = needed;
    }
    // One byte more than offered so that even a zero capacity passes a real buffer: with a
    // null buffer the call would only report the size and never ERROR_MORE_DATA.
    std::vector<uint8_t> buffer(room + 1);
    DWORD value_type = REG_NONE;
    DWORD size = static_cast<DWORD>(room);
    LONG rc = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &value_type,
                                 buffer.data(), &size);
    if (rc == ERROR_MORE_DATA && room < capacity) continue;  // it grew since the size query
    if (rc == ERROR_MORE_DATA) {
      if (type != nullptr) *type = value_type;
      return kErrMoreData;
    }
    if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
    if (size > room) return kErrMoreData;  // never expected; keeps the copy inside the buffer
    buffer.resize(size);
    if (type != nullptr) *type = value_type;
    data->swap(buffer);
    return kSuccess;
  }
}

ErrorCode Win32Registry::SetValue(RegKey key, const std::string& name, uint32_t type,
                                  const void* data, size_t size) {
  if (key == kNoKey) return kErrInvalidHandle;
  if (size > MAXDWORD - 1) return kErrInvalidParameter;
  if (data == nullptr) size = 0;
  static const BYTE kEmpty = 0;
  const BYTE* bytes = size == 0 ? &kEmpty : static_cast<const BYTE*>(data);
  // RegSetValueExA counts a string's terminator in when the caller left it out and the byte
  // after the data is NUL (as it is behind every C string). The exact bytes asked for are
  // kept by handing the call a copy whose next byte is not NUL.
  std::vector<BYTE> guarded;
  if (IsStringType(type) && size > 0 && bytes[size - 1] != 0) {
    guarded.assign(bytes, bytes + size);
    guarded.push_back('#');
    bytes = guarded.data();
  }
  LONG rc = ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, bytes,
                             static_cast<DWORD>(size));
  return static_cast<ErrorCode>(rc);
}

ErrorCode Win32Registry::DeleteValue(RegKey key, const std::string& name) {
  if (key == kNoKey) return kErrInvalidHandle;
  return static_cast<ErrorCode>(::RegDeleteValueA(ToHkey(key), name.c_str()));
}

ErrorCode Win32Registry::DeleteKey(Hive hive, const std::string& subkey) {
  HKEY root = RootOf(hive);
  if (root == nullptr) return kErrInvalidHandle;
  // An empty name would mean the hive itself.
  if (subkey.empty()) return kErrAccessDenied;
  return static_cast<ErrorCode>(::RegDeleteKeyA(root, subkey.c_str()));
}

ErrorCode Win32Registry::EnumKey(RegKey key, uint32_t index, std::string* name) {
  if (key == kNoKey) return kErrInvalidHandle;
  char buffer[256];  // key names have at most 255 characters
  DWORD length = sizeof buffer;
  LONG rc = ::RegEnumKeyExA(ToHkey(key), index, buffer, &length, nullptr, nullptr, nullptr,
                            nullptr);
  if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
  name->assign(buffer, length);
  return kSuccess;
}

ErrorCode Win32Registry::EnumValue(RegKey key, uint32_t index, std::string* name) {
  if (key == kNoKey) return kErrInvalidHandle;
  // Most names are short; the longest a value name can be is 16383 characters.
  for (DWORD room : {DWORD(256), DWORD(16384)}) {
    std::vector<char> buffer(room);
    DWORD length = room;
    LONG rc = ::RegEnumValueA(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr,
                              nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
    name->assign(buffer.data(), length);
    return kSuccess;
  }
  return kErrMoreData;
}

void Win32Registry::CloseKey(RegKey key) {
  if (key != kNoKey) ::RegCloseKey(ToHkey(key));
}

}  // namespace qid
