#include "platform/registry_model.h"

#include <cstdio>

#include "common/bounded_string.h"
#include "common/text_convert.h"
#include "platform/registry.h"

namespace qid {
namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
constexpr char kFormatNote[] =
    "; Strings are kept as written: \"text\" holds no terminator, hex(1) lists UTF-16 bytes.";
// The note of the earlier release, whose hex(1), hex(2) and hex(7) lists held ANSI bytes.
constexpr char kAnsiFormatNote[] =
    "; Strings are kept as written: \"text\" holds no terminator, hex(1) lists exact bytes.";
constexpr char kClassPrefix[] = ";class=";

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// The ANSI text of a stored string when a quoted text shows it exactly: whole UTF-16 units,
// none of them a control character, each one that the code page holds.
bool QuotableText(const std::vector<uint8_t>& data, std::string* text) {
  if (data.size() % 2 != 0) return false;
  std::u16string units = Utf16FromLeBytes(data.data(), data.size());
  for (char16_t u : units)
    if (u < 0x20 || u == 0x7F) return false;
  *text = Utf16ToAnsi(units);
  return AnsiToUtf16(*text) == units;
}

// Places a new subkey in the system's enumeration order: names compared letter by letter in
// upper case, a name before every longer name it begins.
bool SortsBefore(const std::string& a, const std::string& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
    if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string HexList(const std::string& lead, const std::vector<uint8_t>& data) {
  // Wrapped like regedit's export: lines of at most 80 characters, continued with a backslash.
  std::string out = lead;
  size_t line_length = lead.size();
  char byte[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%02x", data[i]);
    out += byte;
    line_length += 2;
    if (i + 1 < data.size()) {
      out.push_back(',');
      ++line_length;
      if (line_length > 76) {
        out += "\\\n  ";
        line_length = 2;
      }
    }
  }
  return out;
}

std::string ValueLine(const RegistryValue& v) {
  std::string line = v.name.empty() ? "@" : Quote(v.name);
  line.push_back('=');
  std::string text;
  if (v.type == kRegSz && QuotableText(v.data, &text)) return line + Quote(text);
  if (v.type == kRegDword && v.data.size() == 4) {
    char buf[16];
    uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (uint32_t(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "dword:%08x", n);
    return line + buf;
  }
  if (v.type == kRegBinary) return HexList(line + "hex:", v.data);
  char lead[24];
  std::snprintf(lead, sizeof lead, "hex(%x):", v.type);
  return HexList(line + lead, v.data);
}

void SerializeKey(const RegistryKeyNode& key, const std::string& path, std::string* out) {
  *out += "\n[" + path + "]\n";
  if (!key.key_class.empty()) *out += kClassPrefix + Quote(key.key_class) + "\n";
  for (const auto& v : key.values) *out += ValueLine(v) + "\n";
  for (const auto& sub : key.subkeys) SerializeKey(*sub, path + "\\" + sub->name, out);
}

// Reads a quoted text starting at text[*pos] == '"'; *pos ends after the closing quote.
bool ReadQuoted(const std::string& text, size_t* pos, std::string* out) {
  if (*pos >= text.size() || text[*pos] != '"') return false;
  out->clear();
  for (size_t i = *pos + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      if (++i >= text.size()) return false;
      out->push_back(text[i]);
    } else if (c == '"') {
      *pos = i + 1;
      return true;
    } else {
      out->push_back(c);
    }
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>* out) {
  out->clear();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == ',')) ++i;
    if (i >= text.size()) break;
    if (i + 1 >= text.size()) return false;
    int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<uint8_t>(hi * 16 + lo));
    i += 2;
    if (i < text.size() && text[i] != ',' && text[i] != ' ') return false;
  }
  return true;
}

bool ParseValue(const std::string& line, bool ansi_strings, RegistryValue* v) {
  size_t pos = 0;
  if (line[0] == '@') {
    v->name.clear();
    pos = 1;
  } else if (!ReadQuoted(line, &pos, &v->name)) {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  std::string data = line.substr(pos + 1);
  if (!data.empty() && data[0] == '"') {
    size_t p = 0;
    std::string text;
    if (!ReadQuoted(data, &p, &text) || p != data.size()) return false;
    v->type = kRegSz;
    v->data = Utf16LeBytes(AnsiToUtf16(text));
    return true;
  }
  if (data.compare(0, 6, "dword:") == 0) {
    std::string digits = data.substr(6);
    if (digits.size() != 8) return false;
    uint32_t n = 0;
    for (char c : digits) {
      int d = HexDigit(c);
      if (d < 0) return false;
      n = n * 16 + d;
    }
    v->type = kRegDword;
    v->data = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    return true;
  }
  if (data.compare(0, 4, "hex:") == 0) {
    v->type = kRegBinary;
    return ParseHexBytes(data.substr(4), &v->data);
  }
  if (data.compare(0, 4, "hex(") == 0) {
    size_t close = data.find("):");
    if (close == std::string::npos || close == 4) return false;
    uint32_t type = 0;
    for (size_t i = 4; i < close; ++i) {
      int d = HexDigit(data[i]);
      if (d < 0) return false;
      type = type * 16 + d;
    }
    v->type = type;
    if (!ParseHexBytes(data.substr(close + 2), &v->data)) return false;
    if (ansi_strings && IsStringType(type))
      v->data = StoredFromAnsi(type, v->data.data(), v->data.size());
    return true;
  }
  return false;
}

// Splits into logical lines: a line ending in a backslash continues on the next one.
// The lines of `text` with continued hex lists joined; *starts gets each one's first physical
// line, counted from 1.
std::vector<std::string> LogicalLines(const std::string& text, std::vector<size_t>* starts) {
  std::vector<std::string> lines;
  std::string current;
  bool continued = false;
  size_t start = 0;
  size_t physical = 0, first_physical = 1;
  while (start <= text.size()) {
    ++physical;
    if (!continued) first_physical = physical;
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (continued) {
      size_t first = line.find_first_not_of(' ');
      line = first == std::string::npos ? "" : line.substr(first);
    }
    // A value line continues when it ends in "\" outside a quoted text; only hex lists wrap.
    bool wraps = !line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos;
    if (continued) wraps = !line.empty() && line.back() == '\\';
    if (wraps) line.pop_back();
    current += line;
    continued = wraps;
    if (!wraps) {
      lines.push_back(current);
      starts->push_back(first_physical);
      current.clear();
    }
    start = end + 1;
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

}  // namespace

std::vector<uint8_t> StoredFromAnsi(uint32_t type, const uint8_t* data, size_t size) {
  if (size == 0) return {};
  if (!IsStringType(type)) return std::vector<uint8_t>(data, data + size);
  return Utf16LeBytes(AnsiToUtf16(std::string_view(reinterpret_cast<const char*>(data), size)));
}

std::vector<uint8_t> AnsiFromStored(uint32_t type, const std::vector<uint8_t>& stored) {
  if (!IsStringType(type)) return stored;
  std::string text = Utf16ToAnsi(Utf16FromLeBytes(stored.data(), stored.size()));
  return std::vector<uint8_t>(text.begin(), text.end());
}

RegistryKeyNode* RegistryKeyNode::FindSubkey(const std::string& child) const {
  for (const auto& sub : subkeys)
    if (EqualsIgnoreCase(sub->name, child)) return sub.get();
  return nullptr;
}

RegistryValue* RegistryKeyNode::FindValue(const std::string& value_name) {
  for (auto& v : values)
    if (EqualsIgnoreCase(v.name, value_name)) return &v;
  return nullptr;
}

void RegistryKeyNode::SetValue(const std::string& value_name, uint32_t type,
                               std::vector<uint8_t> data) {
  RegistryValue* v = FindValue(value_name);
  if (v == nullptr) {
    values.push_back(RegistryValue{value_name, type, {}});
    v = &values.back();
  }
  v->type = type;
  v->data = std::move(data);
}

bool RegistryKeyNode::RemoveValue(const std::string& value_name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (EqualsIgnoreCase(it->name, value_name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

RegistryKeyNode* RegistryModel::Find(const std::string& path) const {
  const RegistryKeyNode* node = &root_;
  for (const auto& part : SplitPath(path)) {
    node = node->FindSubkey(part);
    if (node == nullptr) return nullptr;
  }
  return const_cast<RegistryKeyNode*>(node);
}

RegistryKeyNode* RegistryModel::Create(const std::string& path, const std::string& key_class,
                                       bool* created) {
  RegistryKeyNode* node = &root_;
  bool made = false;
  for (const auto& part : SplitPath(path)) {
    RegistryKeyNode* next = node->FindSubkey(part);
    if (next == nullptr) {
      auto place = node->subkeys.begin();
      while (place != node->subkeys.end() && SortsBefore((*place)->name, part)) ++place;
      next = node->subkeys.insert(place, std::make_unique<RegistryKeyNode>())->get();
      next->name = part;
      next->key_class = key_class;
      made = true;
    }
    node = next;
  }
  if (created) *created = made;
  return node;
}

int RegistryModel::Remove(const std::string& path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return 2;
  std::string leaf = parts.back();
  parts.pop_back();
  RegistryKeyNode* parent = &root_;
  for (const auto& part : parts) {
    parent = parent->FindSubkey(part);
    if (parent == nullptr) return 1;
  }
  for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
    if (EqualsIgnoreCase((*it)->name, leaf)) {
      if (!(*it)->subkeys.empty()) return 2;
      parent->subkeys.erase(it);
      return 0;
    }
  }
  return 1;
}

std::string RegistryModel::Serialize(const std::string& hive_name) const {
  std::string out = std::string(kHeader) + "\n" + kFormatNote + "\n";
  for (const auto& sub : root_.subkeys) SerializeKey(*sub, hive_name + "\\" + sub->name, &out);
  return out;
}

bool RegistryModel::Parse(const std::string& file_text, const std::string& hive_name,
                          size_t* bad_line) {
  std::vector<size_t> starts;
  size_t at = 0;  // the logical line being read
  bool ok = ParseLines(file_text, hive_name, &starts, &at);
  if (!ok && bad_line != nullptr) *bad_line = at < starts.size() ? starts[at] : starts.size() + 1;
  return ok;
}

bool RegistryModel::ParseLines(const std::string& file_text, const std::string& hive_name,
                               std::vector<size_t>* starts, size_t* at) {
  // regedit exports UTF-16 text with a byte-order mark; names and quoted texts are ANSI here.
  std::string text = file_text.compare(0, 2, "\xFF\xFE") == 0
                         ? Utf16ToAnsi(Utf16FromLeBytes(
                               reinterpret_cast<const uint8_t*>(file_text.data()) + 2,
                               file_text.size() - 2))
                         : file_text;
  std::vector<std::string> lines = LogicalLines(text, starts);
  size_t first = 0;
  while (first < lines.size() && lines[first].empty()) ++first;
  *at = first;
  // A file may start with a UTF-8 byte-order mark.
  if (first < lines.size() && lines[first].compare(0, 3, "\xEF\xBB\xBF") == 0)
    lines[first].erase(0, 3);
  if (first >= lines.size() || lines[first] != kHeader) return false;

  RegistryModel parsed;
  RegistryKeyNode* current = nullptr;
  bool ansi_strings = false;
  for (size_t i = first + 1; i < lines.size(); ++i) {
    *at = i;
    const std::string& line = lines[i];
    if (line.empty()) continue;
    if (line == kAnsiFormatNote) ansi_strings = true;
    if (line[0] == '[') {
      if (line.back() != ']') return false;
      std::string full = line.substr(1, line.size() - 2);
      if (!StartsWithIgnoreCase(full, hive_name) ||
          (full.size() > hive_name.size() && full[hive_name.size()] != '\\'))
        return false;
      current = parsed.Create(full.substr(hive_name.size()), "", nullptr);
      continue;
    }
    if (line.compare(0, sizeof kClassPrefix - 1, kClassPrefix) == 0) {
      if (current == nullptr) return false;
      size_t pos = sizeof kClassPrefix - 1;
      if (!ReadQuoted(line, &pos, &current->key_class)) return false;
      continue;
    }
    if (line[0] == ';') continue;
    RegistryValue value;
    if (current == nullptr || !ParseValue(line, ansi_strings, &value)) return false;
    current->SetValue(value.name, value.type, std::move(value.data));
  }
  root_ = std::move(parsed.root_);
  return true;
}

}  // namespace qid
