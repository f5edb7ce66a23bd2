#include "platform/win32/win32_registry.h"

#include "platform/win32/win32_api.h"

#include <functional>
#include <vector>

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

namespace {

// One query of the value, by RegQueryValueExA or RegQueryValueExW with its name bound.
using QueryCall = std::function<LONG(DWORD* type, BYTE* data, DWORD* size)>;

ErrorCode ReadValue(const QueryCall& query, uint32_t* type, std::vector<uint8_t>* data,
                    size_t capacity) {
  if (capacity > MAXDWORD) capacity = MAXDWORD;
  for (int attempt = 0;; ++attempt) {
    size_t room = capacity;
    if (room > kDirectReadLimit && attempt == 0) {
      DWORD needed = 0;
      LONG rc = query(nullptr, nullptr, &needed);
      if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return static_cast<ErrorCode>(rc);
      if (needed < room) room = needed;
    }
    // One byte more than offered so that even a zero capacity passes a real buffer: with a
    // null buffer the call would only report the size and never ERROR_MORE_DATA.
    std::vector<uint8_t> buffer(room + 1);
    DWORD value_type = REG_NONE;
    DWORD size = static_cast<DWORD>(room);
    LONG rc = query(&value_type, buffer.data(), &size);
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

// The set calls count a string's terminator in when the caller left it out and the character
// after the data is NUL (as it is behind every C string). The exact bytes asked for are kept
// by handing the call a copy followed by non-NUL bytes, a character's worth and more.
const BYTE* GuardedData(uint32_t type, const void* data, size_t* size,
                        std::vector<BYTE>* guarded) {
  static const BYTE kEmpty[2] = {0, 0};
  if (data == nullptr || *size == 0) {
    *size = 0;
    return kEmpty;
  }
  const BYTE* bytes = static_cast<const BYTE*>(data);
  if (!IsStringType(type)) return bytes;
  guarded->assign(bytes, bytes + *size);
  guarded->insert(guarded->end(), 3, '#');
  return guarded->data();
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

ErrorCode Win32Registry::QueryValue(RegKey key, const std::string& name, uint32_t* type,
                                    std::vector<uint8_t>* data, size_t capacity) {
  if (key == kNoKey) return kErrInvalidHandle;
  return ReadValue(
      [&](DWORD* t, BYTE* d, DWORD* n) {
        return ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, t, d, n);
      },
      type, data, capacity);
}

ErrorCode Win32Registry::QueryValueW(RegKey key, const std::u16string& name, uint32_t* type,
                                     std::vector<uint8_t>* data, size_t capacity) {
  if (key == kNoKey) return kErrInvalidHandle;
  return ReadValue(
      [&](DWORD* t, BYTE* d, DWORD* n) {
        return ::RegQueryValueExW(ToHkey(key), Wide(name), nullptr, t, d, n);
      },
      type, data, capacity);
}

ErrorCode Win32Registry::SetValue(RegKey key, const std::string& name, uint32_t type,
                                  const void* data, size_t size) {
  if (key == kNoKey) return kErrInvalidHandle;
  if (size > MAXDWORD - 2) return kErrInvalidParameter;
  std::vector<BYTE> guarded;
  const BYTE* bytes = GuardedData(type, data, &size, &guarded);
  return static_cast<ErrorCode>(
      ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, bytes, static_cast<DWORD>(size)));
}

ErrorCode Win32Registry::SetValueW(RegKey key, const std::u16string& name, uint32_t type,
                                   const void* data, size_t size) {
  if (key == kNoKey) return kErrInvalidHandle;
  if (size > MAXDWORD - 2) return kErrInvalidParameter;
  std::vector<BYTE> guarded;
  const BYTE* bytes = GuardedData(type, data, &size, &guarded);
  return static_cast<ErrorCode>(
      ::RegSetValueExW(ToHkey(key), Wide(name), 0, type, bytes, static_cast<DWORD>(size)));
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
