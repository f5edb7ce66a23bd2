// The registry: hives, keys and typed values, with the semantics of the Win32 registry calls.
//
// Thread use: one instance serves one thread at a time; separate instances (and separate
// processes) may use the same hive concurrently, and each single change is atomic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace qid {

enum class Hive { kCurrentUser, kLocalMachine, kClassesRoot, kUsers };

// Value types, numbered as REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ.
enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// An open key. 0 is no key. Keys stay valid until CloseKey or the registry's destruction.
using RegKey = uintptr_t;
constexpr RegKey kNoKey = 0;

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  virtual ~Registry() = default;

  // Opens `subkey` (backslash-separated, case-insensitive) under the current user's hive of the
  // calling thread, as RegOpenCurrentUser followed by RegOpenKeyEx with full access.
  // kSuccess and *key; kErrFileNotFound when the key does not exist; kErrAccessDenied when it
  // may not be opened with full access.
  virtual ErrorCode OpenCurrentUserKey(const std::string& subkey, RegKey* key) = 0;

  // Opens an existing key with full access (write = true) or read access.
  // kSuccess and *key; kErrFileNotFound; kErrAccessDenied.
  virtual ErrorCode OpenKey(Hive hive, const std::string& subkey, bool write, RegKey* key) = 0;

  // Opens the key, creating it and its missing parents with class `key_class`, non-volatile,
  // full access. *created tells whether it was new (may be null).
  // kSuccess; kErrAccessDenied; kErrBadRegistryFile when the stored hive cannot be read.
  virtual ErrorCode CreateKey(Hive hive, const std::string& subkey, const std::string& key_class,
                              RegKey* key, bool* created) = 0;

  // Reads a value's type and bytes, as stored. `capacity` is the caller's buffer size: a value
  // larger than it gives kErrMoreData with *data untouched and *type set.
  // kSuccess; kErrFileNotFound when the value is absent; kErrInvalidHandle for a bad key.
  virtual ErrorCode QueryValue(RegKey key, const std::string& name, uint32_t* type,
                               std::vector<uint8_t>* data, size_t capacity) = 0;

  // Stores a value's type and exact bytes (a string is stored with or without its terminator
  // as the caller passes it). kSuccess; kErrAccessDenied; kErrInvalidHandle.
  virtual ErrorCode SetValue(RegKey key, const std::string& name, uint32_t type,
                             const void* data, size_t size) = 0;

  // kSuccess; kErrFileNotFound when the value is absent.
  virtual ErrorCode DeleteValue(RegKey key, const std::string& name) = 0;

  // Deletes a key that has no subkeys. kSuccess; kErrFileNotFound; kErrAccessDenied.
  virtual ErrorCode DeleteKey(Hive hive, const std::string& subkey) = 0;

  // The name of the index-th subkey, in stored order. kSuccess; kErrNoMoreItems past the end.
  virtual ErrorCode EnumKey(RegKey key, uint32_t index, std::string* name) = 0;

  // The name of the index-th value. kSuccess; kErrNoMoreItems past the end.
  virtual ErrorCode EnumValue(RegKey key, uint32_t index, std::string* name) = 0;

  virtual void CloseKey(RegKey key) = 0;
};

// Convenience over the interface for the common 4-byte number and string values.
ErrorCode SetDwordValue(Registry& reg, RegKey key, const std::string& name, uint32_t value);
// Stores text without a terminator, as the product writes its strings.
ErrorCode SetStringValue(Registry& reg, RegKey key, const std::string& name,
                         const std::string& text);

}  // namespace qid
