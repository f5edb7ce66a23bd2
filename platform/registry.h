// The registry: hives, keys and typed values, with the semantics of the Win32 registry calls.
//
// Text form. The registry stores the data of REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ values as
// UTF-16 little-endian bytes, as Windows does. Two forms of the value calls reach them:
//  - QueryValue/SetValue are the ANSI form of Q71File and PrnWipe (RegQueryValueExA,
//    RegSetValueExA): string data are ANSI bytes converted through the ANSI code page (a
//    single-byte one outside Windows: N ANSI bytes are N UTF-16 units, read back as N bytes).
//    A terminator is kept only when the caller's bytes include it; an odd last byte of stored
//    UTF-16 is no character and does not reach the ANSI form.
//  - QueryValueW/SetValueW are the UTF-16 form of drvsetup (RegQueryValueExW,
//    RegSetValueExW): string data are the stored UTF-16 bytes themselves, exactly.
// Data of every other type are the same bytes in both forms. Key names are ASCII
// (std::string). Value names are ANSI in the ANSI form and UTF-16 in the UTF-16 form and name
// the same values; outside Windows they are kept in ANSI, so a UTF-16 name the code page lacks
// is kept with "?" in its place.
// So "C:\ZEL" written by SetValueW as 12 bytes reads through QueryValue as the 6 bytes
// "C:\ZEL", and the 3 ANSI bytes "abc" written by SetValue read through QueryValueW as 6 bytes.
//
// Thread use: one instance serves one thread at a time; separate instances (and separate
// processes) may use the same hive concurrently, and each single change is atomic.
#pragma once

#include <cstdint>
#include <cstddef>
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

// The types whose data are text (UTF-16 as stored, see the text form above).
inline bool IsStringType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

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

  // Reads a value's type and bytes, strings in ANSI form. `capacity` is the caller's buffer
  // size in bytes of that form: a value larger than it gives kErrMoreData with *data untouched
  // and *type set. kSuccess; kErrFileNotFound when the value is absent; kErrInvalidHandle for a
  // bad key; kErrKeyDeleted when the key was deleted since it was opened.
  virtual ErrorCode QueryValue(RegKey key, const std::string& name, uint32_t* type,
                               std::vector<uint8_t>* data, size_t capacity) = 0;

  // Stores a value's type and exact bytes, strings given in ANSI form (stored with or without
  // their terminator as the caller passes them; the system's habit of adding one is defeated).
  // kSuccess; kErrAccessDenied for a key opened for reading; kErrInvalidHandle.
  virtual ErrorCode SetValue(RegKey key, const std::string& name, uint32_t type,
                             const void* data, size_t size) = 0;

  // QueryValue in UTF-16 form: strings are the stored UTF-16 bytes and `capacity` counts them.
  virtual ErrorCode QueryValueW(RegKey key, const std::u16string& name, uint32_t* type,
                                std::vector<uint8_t>* data, size_t capacity) = 0;

  // SetValue in UTF-16 form: the bytes are stored exactly (a string of N characters without
  // terminator is 2N bytes and stays without one). Same results as SetValue.
  virtual ErrorCode SetValueW(RegKey key, const std::u16string& name, uint32_t type,
                              const void* data, size_t size) = 0;

  // kSuccess; kErrFileNotFound when the value is absent.
  virtual ErrorCode DeleteValue(RegKey key, const std::string& name) = 0;

  // Deletes a key that has no subkeys. kSuccess; kErrFileNotFound; kErrAccessDenied.
  virtual ErrorCode DeleteKey(Hive hive, const std::string& subkey) = 0;

  // The name of the index-th subkey; subkeys come in the system's order, alphabetical without
  // regard to letter case. kSuccess; kErrNoMoreItems past the end.
  virtual ErrorCode EnumKey(RegKey key, uint32_t index, std::string* name) = 0;

  // The name of the index-th value (ANSI). The order is not promised: Windows keeps creation
  // order, Wine sorts. kSuccess; kErrNoMoreItems past the end.
  virtual ErrorCode EnumValue(RegKey key, uint32_t index, std::string* name) = 0;

  virtual void CloseKey(RegKey key) = 0;
};

// Convenience over the interface for the common 4-byte number and string values, in ANSI
// form (std::string names) and UTF-16 form (std::u16string names).
ErrorCode SetDwordValue(Registry& reg, RegKey key, const std::string& name, uint32_t value);
ErrorCode SetDwordValue(Registry& reg, RegKey key, const std::u16string& name, uint32_t value);
// Stores a REG_SZ without a terminator, as the product writes its strings.
ErrorCode SetStringValue(Registry& reg, RegKey key, const std::string& name,
                         const std::string& text);
ErrorCode SetStringValue(Registry& reg, RegKey key, const std::u16string& name,
                         const std::u16string& text);

// Deletes `subkey` after every key below it, since a key with subkeys cannot be deleted. Returns
// the key's own result; a subkey that stays keeps its parent too.
ErrorCode DeleteKeyTree(Registry& reg, Hive hive, const std::string& subkey);

}  // namespace qid
