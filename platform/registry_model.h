// One registry hive as a tree of keys and values, and its text form: the Windows ".reg" export
// format, so that a person can read a hive file and regedit can import it.
//
// Names of keys and values compare without regard to letter case and keep the case they were
// created with; subkeys are kept in the system's enumeration order (alphabetical, compared in
// upper case as Windows does), values in creation order as on Windows. Value bytes are kept exactly as the system stores them:
// strings (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) as UTF-16 little-endian bytes, with or
// without a terminator as written.
//
// Text form: the file is ANSI text. A "quoted" REG_SZ holds its text without terminator; any
// other string (with a terminator, or with characters a quoted ANSI text cannot show) is
// hex(1), hex(2) or hex(7) of its UTF-16 bytes, as regedit writes and imports them. Files of
// the earlier release listed ANSI bytes there; their format note line tells them apart, and
// they are read into UTF-16.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace qid {

// Value data in the ANSI form of the registry calls turned into the stored form, and back:
// one UTF-16 unit per ANSI byte for strings, the same bytes for every other type.
std::vector<uint8_t> StoredFromAnsi(uint32_t type, const uint8_t* data, size_t size);
std::vector<uint8_t> AnsiFromStored(uint32_t type, const std::vector<uint8_t>& stored);

struct RegistryValue {
  std::string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

struct RegistryKeyNode {
  std::string name;
  std::string key_class;
  std::vector<RegistryValue> values;
  std::vector<std::unique_ptr<RegistryKeyNode>> subkeys;

  RegistryKeyNode* FindSubkey(const std::string& child) const;
  RegistryValue* FindValue(const std::string& value_name);
  void SetValue(const std::string& value_name, uint32_t type, std::vector<uint8_t> data);
  bool RemoveValue(const std::string& value_name);
};

class RegistryModel {
 public:
  RegistryModel() = default;

  // The key at a backslash-separated path ("" is the hive's root), or null.
  RegistryKeyNode* Find(const std::string& path) const;
  // The key at the path, creating it and missing parents with `key_class`, each in its
  // place among its siblings.
  RegistryKeyNode* Create(const std::string& path, const std::string& key_class, bool* created);
  // Removes a key without subkeys: 0 done, 1 absent, 2 it has subkeys or is the root.
  int Remove(const std::string& path);

  // The ".reg" text, with `hive_name` ("HKEY_CURRENT_USER") before every key path.
  std::string Serialize(const std::string& hive_name) const;
  // Replaces the tree with the one in `text` (ANSI, UTF-8 with a byte-order mark for its ASCII,
  // or UTF-16 with one as regedit exports); false (tree unchanged) when the text is damaged,
  // with *bad_line (when asked) the line, counted from 1, where reading stopped.
  bool Parse(const std::string& text, const std::string& hive_name, size_t* bad_line = nullptr);

  RegistryKeyNode& root() { return root_; }

 private:
  bool ParseLines(const std::string& text, const std::string& hive_name,
                  std::vector<size_t>* starts, size_t* at);

  RegistryKeyNode root_;
};

}  // namespace qid
