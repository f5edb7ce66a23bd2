// The built-in package table: the one printer package the installer carries, its files and
// what each file's kind means for the copy and the driver registration.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qid::installer {

// Kind codes of a package file.
enum FileKind : uint8_t {
  FILE_DRIVER = 0,   // driver directory; the first is the driver file
  FILE_DATA = 1,     // driver directory; the first is the data file
  FILE_CONFIG = 2,   // driver directory; the first is the configuration file
  FILE_WINDIR = 3,   // the Windows directory; not registered
  FILE_PROGDIR = 5,  // "ProgramFiles" + "\ZEL"; not registered
  FILE_HELP = 6,     // driver directory; the first is the help file
};

constexpr size_t kPackageNameCapacity = 127;  // characters without terminator
constexpr size_t kPackageSlots = 7;
constexpr size_t kPathCapacity = 259;          // MAX_PATH without terminator

struct PackageFile {
  uint8_t kind;
  char16_t name[kPackageNameCapacity + 1];  // bare file name
};

struct PrinterPackage {
  char16_t printer_name[kPackageNameCapacity + 1];  // also the driver name
  uint8_t file_count;
  PackageFile files[kPackageSlots];
};

extern const PrinterPackage kPackages[];
extern const size_t kPackageCount;

// The package at `index`, or null for an index outside the table.
const PrinterPackage* PackageAt(size_t index);

// Whether files of this kind go to the printer driver directory and into the dependent list.
bool IsRegisteredKind(uint8_t kind);

// The name of the first file of `kind`, or an empty text when the package has none.
std::u16string FirstFileOfKind(const PrinterPackage& package, uint8_t kind);

// The dependent-file list in the platform's list form: every registered file's name followed
// by NUL, then one more NUL. Traces "DEP %d = %s" per slot and "DEP = %s" with "*" separators.
// Empty when the list would not fit `capacity` characters.
std::u16string BuildDependentFiles(const PrinterPackage& package, size_t capacity);

constexpr size_t kDependentFilesCapacity = 1024;

}  // namespace qid::installer
