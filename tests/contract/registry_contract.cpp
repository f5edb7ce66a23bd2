#include <algorithm>
#include <vector>

#include "common/text_convert.h"
#include "tests/contract/contract.h"

namespace qid::contract {
namespace {

const char kProbeKey[] = "Software\\QidProbe";

std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

void RemoveProbeKeys(Registry& reg) {
  for (const char* sub : {"\\Sub\\Leaf", "\\Sub", "\\b", "\\AC", "\\Ab", "\\a", ""})
    reg.DeleteKey(Hive::kCurrentUser, std::string(kProbeKey) + sub);
}

void KeyChecks(Registry& reg, Reporter& r) {
  RegKey key = kNoKey;
  ExpectCode(r, "registry: OpenKey of a missing key", kErrFileNotFound,
             reg.OpenKey(Hive::kCurrentUser, kProbeKey, false, &key));
  ExpectCode(r, "registry: OpenCurrentUserKey of a missing key", kErrFileNotFound,
             reg.OpenCurrentUserKey(kProbeKey, &key));
  bool created = false;
  ExpectCode(r, "registry: CreateKey makes missing parents", kSuccess,
             reg.CreateKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf", " ", &key,
                           &created));
  r.Check(created, "registry: CreateKey tells a new key", "");
  reg.CloseKey(key);
  ExpectCode(r, "registry: CreateKey opens an existing key, letter case aside", kSuccess,
             reg.CreateKey(Hive::kCurrentUser, "SOFTWARE\\qidprobe", " ", &key, &created));
  r.Check(!created, "registry: CreateKey tells an existing key", "");

  // Subkeys come alphabetically, letter case ignored. (Windows compares in upper case, Wine in
  // lower case: names with one of [\]^_` between letters would tell them apart.)
  for (const char* name : {"b", "AC", "Ab", "a"}) {
    RegKey sub = kNoKey;
    reg.CreateKey(Hive::kCurrentUser, std::string(kProbeKey) + "\\" + name, "", &sub, nullptr);
    reg.CloseKey(sub);
  }
  std::string names, name;
  ErrorCode err;
  for (uint32_t i = 0; (err = reg.EnumKey(key, i, &name)) == kSuccess; ++i) names += name + ",";
  ExpectText(r, "registry: EnumKey lists subkeys in the system's order", "a,Ab,AC,b,Sub,",
             names);
  ExpectCode(r, "registry: EnumKey ends with no more items", kErrNoMoreItems, err);

  RegKey user_key = kNoKey;
  ExpectCode(r, "registry: OpenCurrentUserKey of an existing key", kSuccess,
             reg.OpenCurrentUserKey(kProbeKey, &user_key));
  ExpectCode(r, "registry: ... with full access", kSuccess,
             SetStringValue(reg, user_key, "Written", "w"));
  reg.CloseKey(user_key);
  RegKey read_only = kNoKey;
  reg.OpenKey(Hive::kCurrentUser, kProbeKey, false, &read_only);
  ExpectCode(r, "registry: a key opened for reading refuses writes", kErrAccessDenied,
             SetStringValue(reg, read_only, "x", "a"));
  ExpectCode(r, "registry: ... and refuses deleting a value", kErrAccessDenied,
             reg.DeleteValue(read_only, "Written"));
  reg.CloseKey(read_only);
  reg.CloseKey(key);

  r.Check(reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub") != kSuccess,
          "registry: DeleteKey refuses a key with subkeys", "");
  RegKey leaf = kNoKey;
  reg.OpenKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf", true, &leaf);
  ExpectCode(r, "registry: DeleteKey of a leaf", kSuccess,
             reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf"));
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ExpectCode(r, "registry: a key deleted while open reads as deleted", kErrKeyDeleted,
             reg.QueryValue(leaf, "x", &type, &data, 16));
  reg.CloseKey(leaf);
  ExpectCode(r, "registry: DeleteKey of a missing key", kErrFileNotFound,
             reg.DeleteKey(Hive::kCurrentUser, "Software\\QidProbe\\Sub\\Leaf"));
}

// Strings keep exactly the bytes given, with or without terminator, and capacities count
// the bytes of the form asked for.
void AnsiValueChecks(Registry& reg, RegKey key, Reporter& r) {
  ExpectCode(r, "registry: SetStringValue", kSuccess, SetStringValue(reg, key, "NoNul", "abc"));
  ExpectCode(r, "registry: SetValue of a string with its NUL", kSuccess,
             reg.SetValue(key, "WithNul", kRegSz, "abc", 4));
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ExpectCode(r, "registry: QueryValue of a string", kSuccess,
             reg.QueryValue(key, "NoNul", &type, &data, 256));
  ExpectText(r, "registry: a string written without NUL reads back without one", "abc",
             Text(data));
  r.Check(type == kRegSz, "registry: the type reads back", std::to_string(type));
  reg.QueryValue(key, "nonul", &type, &data, 256);
  ExpectText(r, "registry: value names ignore letter case", "abc", Text(data));
  reg.QueryValue(key, "WithNul", &type, &data, 256);
  ExpectText(r, "registry: a string written with NUL reads back with it",
             std::string("abc", 4), Text(data));

  data.assign(3, 'x');
  ExpectCode(r, "registry: a value of exactly the capacity", kSuccess,
             reg.QueryValue(key, "WithNul", &type, &data, 4));
  data.assign(1, 'z');
  type = 0;
  ExpectCode(r, "registry: a value larger than the capacity", kErrMoreData,
             reg.QueryValue(key, "WithNul", &type, &data, 3));
  r.Check(data.size() == 1 && data[0] == 'z',
          "registry: ERROR_MORE_DATA leaves the data as it was", Printable(Text(data)));
  r.Check(type == kRegSz, "registry: ERROR_MORE_DATA still tells the type", std::to_string(type));
  reg.SetValue(key, "Empty", kRegSz, "", 0);
  ExpectCode(r, "registry: an empty value fits capacity 0", kSuccess,
             reg.QueryValue(key, "Empty", &type, &data, 0));
  r.Check(data.empty(), "registry: an empty value reads as no bytes", Printable(Text(data)));
  ExpectCode(r, "registry: capacity 0 refuses a non-empty value", kErrMoreData,
             reg.QueryValue(key, "NoNul", &type, &data, 0));
  std::string big(100000, 'q');
  reg.SetValue(key, "Big", kRegBinary, big.data(), big.size());
  ExpectCode(r, "registry: a large capacity reads a large value", kSuccess,
             reg.QueryValue(key, "Big", &type, &data, 1 << 20));
  r.Check(data.size() == big.size(), "registry: all of a large value arrives",
          std::to_string(data.size()));
  ExpectCode(r, "registry: a small value under a large capacity", kSuccess,
             reg.QueryValue(key, "NoNul", &type, &data, 1 << 20));
  ExpectText(r, "registry: ... reads exactly", "abc", Text(data));
  ExpectCode(r, "registry: a missing value", kErrFileNotFound,
             reg.QueryValue(key, "Nope", &type, &data, 16));
  ExpectCode(r, "registry: no key is an invalid handle", kErrInvalidHandle,
             reg.QueryValue(kNoKey, "NoNul", &type, &data, 16));
  ExpectCode(r, "registry: no key refuses a write", kErrInvalidHandle,
             reg.SetValue(kNoKey, "x", kRegSz, "a", 1));

  SetDwordValue(reg, key, "Number", 0x01020304);
  reg.QueryValue(key, "Number", &type, &data, 4);
  r.Check(type == kRegDword && data == std::vector<uint8_t>{4, 3, 2, 1},
          "registry: a DWORD is 4 little-endian bytes", Printable(Text(data)));
  SetStringValue(reg, key, "Number", "now text");
  reg.QueryValue(key, "Number", &type, &data, 64);
  r.Check(type == kRegSz && Text(data) == "now text",
          "registry: writing a value again replaces its type and bytes", std::to_string(type));
}

// The stored form is UTF-16; the ANSI calls convert one character per byte each way.
void TextFormChecks(Registry& reg, RegKey key, Reporter& r) {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ExpectCode(r, "registry: QueryValueW of an ANSI string", kSuccess,
             reg.QueryValueW(key, u"NoNul", &type, &data, 256));
  r.Check(data == Utf16LeBytes(u"abc"),
          "registry: the system stores an ANSI string as UTF-16 without a terminator",
          "UTF-16 bytes " + std::to_string(data.size()));
  reg.QueryValueW(key, u"WithNul", &type, &data, 256);
  r.Check(data == Utf16LeBytes(std::u16string(u"abc", 4)),
          "registry: ... and with one when it was written", std::to_string(data.size()));

  std::vector<uint8_t> zel = Utf16LeBytes(u"C:\\ZEL");
  ExpectCode(r, "registry: SetValueW of 12 bytes", kSuccess,
             reg.SetValueW(key, u"Output Directory", kRegSz, zel.data(), zel.size()));
  reg.QueryValueW(key, u"Output Directory", &type, &data, 256);
  r.Check(data == zel, "registry: QueryValueW reads the 12 bytes back",
          std::to_string(data.size()));
  ExpectCode(r, "registry: QueryValue of a UTF-16 string", kSuccess,
             reg.QueryValue(key, "output directory", &type, &data, 6));
  ExpectText(r, "registry: ... is its ANSI text in 6 bytes, no terminator", "C:\\ZEL",
             Text(data));
  ExpectCode(r, "registry: QueryValueW counts UTF-16 bytes in the capacity", kErrMoreData,
             reg.QueryValueW(key, u"Output Directory", &type, &data, 11));
  SetStringValue(reg, key, u"Wide", u"x");
  reg.QueryValue(key, "Wide", &type, &data, 16);
  ExpectText(r, "registry: SetStringValue of UTF-16 text reads as ANSI", "x", Text(data));

  // Bytes past ASCII go through the ANSI code page.
  SetStringValue(reg, key, "Accents", "G\xE4rten \x80");
  reg.QueryValueW(key, u"Accents", &type, &data, 256);
  r.Check(data == Utf16LeBytes(u"G\u00E4rten \u20AC"),
          "registry: ANSI accents and the euro sign are stored as their UTF-16 characters",
          Printable(Text(data)));
  std::vector<uint8_t> han = Utf16LeBytes(u"\u4E2D");
  reg.SetValueW(key, u"Han", kRegSz, han.data(), han.size());
  reg.QueryValue(key, "Han", &type, &data, 16);
  ExpectText(r, "registry: a character the code page lacks reads as ?", "?", Text(data));

  const char multi[] = "a\0bc\0";  // with the final terminator from the literal
  reg.SetValue(key, "Multi", kRegMultiSz, multi, sizeof multi);
  reg.QueryValueW(key, u"Multi", &type, &data, 256);
  r.Check(type == kRegMultiSz && data == Utf16LeBytes(std::u16string(u"a\0bc\0", 6)),
          "registry: a REG_MULTI_SZ converts as a whole, terminators included",
          Printable(Text(data)));
  reg.QueryValue(key, "Multi", &type, &data, 256);
  ExpectText(r, "registry: ... and reads back in ANSI", std::string(multi, sizeof multi),
             Text(data));
  const char expand[] = "%TMP%\\x";
  reg.SetValue(key, "Expand", kRegExpandSz, expand, sizeof expand - 1);
  reg.QueryValueW(key, u"Expand", &type, &data, 256);
  r.Check(type == kRegExpandSz && data == Utf16LeBytes(u"%TMP%\\x"),
          "registry: a REG_EXPAND_SZ is stored as UTF-16, unexpanded", Printable(Text(data)));
  SetDwordValue(reg, key, u"WideNumber", 7);
  reg.QueryValue(key, "WideNumber", &type, &data, 4);
  r.Check(type == kRegDword && data == std::vector<uint8_t>{7, 0, 0, 0},
          "registry: a DWORD written in UTF-16 form reads the same in ANSI form",
          Printable(Text(data)));
}

void EnumValueChecks(Registry& reg, RegKey key, Reporter& r) {
  std::string long_name(300, 'n');
  reg.SetValue(key, long_name, kRegSz, "v", 1);
  std::vector<std::string> names;
  std::string name;
  ErrorCode err;
  for (uint32_t i = 0; (err = reg.EnumValue(key, i, &name)) == kSuccess; ++i)
    names.push_back(name);
  ExpectCode(r, "registry: EnumValue ends with no more items", kErrNoMoreItems, err);
  // Windows lists values in creation order, Wine sorts them: the order is not promised.
  std::sort(names.begin(), names.end());
  std::string listed;
  for (const auto& n : names) listed += (n == long_name ? "<300 n>" : n) + ",";
  ExpectText(r, "registry: EnumValue lists every value once, names whole",
             "Accents,Big,Empty,Expand,Han,Multi,NoNul,Number,Output Directory,Wide,"
             "WideNumber,WithNul,Written,<300 n>,",
             listed);

  ExpectCode(r, "registry: DeleteValue", kSuccess, reg.DeleteValue(key, "NUMBER"));
  ExpectCode(r, "registry: DeleteValue of a missing value", kErrFileNotFound,
             reg.DeleteValue(key, "Number"));
}

}  // namespace

void RegistryContract(Registry& reg, Reporter& r) {
  RemoveProbeKeys(reg);
  KeyChecks(reg, r);
  RegKey key = kNoKey;
  ErrorCode err = reg.OpenKey(Hive::kCurrentUser, kProbeKey, true, &key);
  ExpectCode(r, "registry: the probe key opens for writing", kSuccess, err);
  if (err == kSuccess) {
    AnsiValueChecks(reg, key, r);
    TextFormChecks(reg, key, r);
    EnumValueChecks(reg, key, r);
    reg.CloseKey(key);
  }
  RemoveProbeKeys(reg);
  ExpectCode(r, "registry: DeleteKey of the hive itself is refused", kErrAccessDenied,
             reg.DeleteKey(Hive::kCurrentUser, ""));
}

}  // namespace qid::contract
