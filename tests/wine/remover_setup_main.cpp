// remover_setup.exe: registers printer drivers and printers through the spooler for the
// remover's Wine suite, and holds files the way other programs do. One command per run:
//
//   driver NAME DRIVER DATA CONFIG HELP [DEPENDENT]...
//                          AddPrinterDriverA level 3 ("-" for no help file); the files must
//                          lie in the printer driver folder
//   printer NAME DRIVER    AddPrinterA level 2 on LPT1: with the "winprint" processor
//   hold MS                keeps running for MS milliseconds (run a copy of this program from a
//                          driver folder and its file cannot be deleted)
//   open PATH MS           keeps PATH open for MS milliseconds without delete sharing
//   short PATH             prints the file's short (8.3) name
//
// Prints what it did; exit code 0 on success, 1 on failure with the error code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Fail(const char* what) {
  std::printf("%s failed: error %lu\n", what, GetLastError());
  return 1;
}

int RegisterDriver(int argc, char** argv) {
  if (argc < 7) return Fail("driver: too few arguments");
  std::string dependent;
  for (int i = 7; i < argc; ++i) {
    dependent += argv[i];
    dependent += '\0';
  }
  dependent += '\0';
  DRIVER_INFO_3A info = {};
  info.cVersion = 3;
  info.pName = argv[2];
  info.pEnvironment = nullptr;
  info.pDriverPath = argv[3];
  info.pDataFile = argv[4];
  info.pConfigFile = argv[5];
  info.pHelpFile = std::string(argv[6]) == "-" ? nullptr : argv[6];
  info.pDependentFiles = argc > 7 ? &dependent[0] : nullptr;
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info))) return Fail("AddPrinterDriver");
  std::printf("driver %s added\n", argv[2]);
  return 0;
}

int RegisterPrinter(int argc, char** argv) {
  if (argc < 4) return Fail("printer: too few arguments");
  PRINTER_INFO_2A info = {};
  info.pPrinterName = argv[2];
  info.pDriverName = argv[3];
  info.pPortName = const_cast<char*>("LPT1:");
  info.pPrintProcessor = const_cast<char*>("winprint");
  info.pDatatype = const_cast<char*>("RAW");
  HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (printer == nullptr) return Fail("AddPrinter");
  ClosePrinter(printer);
  std::printf("printer %s added\n", argv[2]);
  return 0;
}

int Open(int argc, char** argv) {
  if (argc < 4) return Fail("open: too few arguments");
  HANDLE file = CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("CreateFile");
  std::printf("holding %s\n", argv[2]);
  std::fflush(stdout);
  Sleep(std::strtoul(argv[3], nullptr, 10));
  CloseHandle(file);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "driver") return RegisterDriver(argc, argv);
  if (command == "printer") return RegisterPrinter(argc, argv);
  if (command == "open") return Open(argc, argv);
  if (command == "short" && argc > 2) {
    char name[MAX_PATH];
    DWORD n = GetShortPathNameA(argv[2], name, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return Fail("GetShortPathName");
    std::printf("%s\n", std::strrchr(name, '\\') + 1);
    return 0;
  }
  if (command == "hold" && argc > 2) {
    std::printf("running\n");
    std::fflush(stdout);
    Sleep(std::strtoul(argv[2], nullptr, 10));
    return 0;
  }
  std::fprintf(stderr, "usage: remover_setup driver|printer|hold|open|short ...\n");
  return 2;
}
