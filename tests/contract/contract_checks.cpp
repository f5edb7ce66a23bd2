#include "tests/contract/contract.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace qid::contract {

void ExpectCode(Reporter& r, const std::string& what, ErrorCode expected, ErrorCode actual) {
  r.Check(expected == actual, what,
          "expected " + std::to_string(expected) + ", got " + std::to_string(actual));
}

std::string Printable(const std::string& bytes) {
  std::string out;
  char hex[8];
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

void ExpectText(Reporter& r, const std::string& what, const std::string& expected,
                const std::string& actual) {
  r.Check(expected == actual, what,
          "expected [" + Printable(expected) + "], got [" + Printable(actual) + "]");
}

int RunContractChild(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "child-exit" && argc > 2) return std::atoi(argv[2]);
  if (mode == "child-sleep" && argc > 2) {
    int ms = std::atoi(argv[2]);
#ifdef _WIN32
    Sleep(static_cast<DWORD>(ms));
#else
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0) {
    }
#endif
    return 0;
  }
  if (mode == "child-env" && argc > 3) {
    const char* value = std::getenv(argv[2]);
    if (value == nullptr) return 2;
    return std::string(value) == argv[3] ? 0 : 1;
  }
  return -1;
}

}  // namespace qid::contract
