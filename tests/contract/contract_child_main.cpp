// The child program of the native process contract.
#include "tests/contract/contract.h"

int main(int argc, char** argv) {
  int code = qid::contract::RunContractChild(argc, argv);
  return code < 0 ? 120 : code;
}
