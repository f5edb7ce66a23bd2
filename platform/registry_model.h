// One registry hive as a tree of keys and values, and its text form: the Windows ".reg" export
// format, so that a person can read a hive file and regedit can import it.
//
// Names of keys and values compare without regard to letter case and keep the case they were
// created with; subkeys and values keep their creation order. Value bytes are kept exactly,
// so a string stored without its terminator reads back without one. In the text form a
// "quoted" string value holds its text without terminator; any other string (with a
// terminator, or with bytes a quoted text cannot show) is written as hex(1) of its bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qid {

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
  // The key at the path, creating it and missing parents with `key_class`.
  RegistryKeyNode* Create(const std::string& path, const std::string& key_class, bool* created);
  // Removes a key without subkeys: 0 done, 1 absent, 2 it has subkeys.
  int Remove(const std::string& path);

  // The ".reg" text, with `hive_name` ("HKEY_CURRENT_USER") before every key path.
  std::string Serialize(const std::string& hive_name) const;
  // Replaces the tree with the one in `text`; false (tree unchanged) when the text is damaged.
  bool Parse(const std::string& text, const std::string& hive_name);

  RegistryKeyNode& root() { return root_; }

 private:
  RegistryKeyNode root_;
};

}  // namespace qid
