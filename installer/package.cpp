#include "installer/package.h"

#include "installer/install_log.h"

namespace qid::installer {

const PrinterPackage kPackages[] = {
    {u"Quendrel Image Driver 4.0",
     6,
     {{FILE_DRIVER, u"pgdrv71.dll"},
      {FILE_CONFIG, u"pgui71.dll"},
      {FILE_DATA, u"pggen.ppd"},
      {FILE_DATA, u"Q71File.exe"},
      {FILE_PROGDIR, u"notes.txt"},
      {FILE_HELP, u"qid_E.chm"},
      {0, u""}}},
};
const size_t kPackageCount = sizeof kPackages / sizeof kPackages[0];

const PrinterPackage* PackageAt(size_t index) {
  return index < kPackageCount ? &kPackages[index] : nullptr;
}

bool IsRegisteredKind(uint8_t kind) {
  return kind == FILE_DRIVER || kind == FILE_DATA || kind == FILE_CONFIG || kind == FILE_HELP;
}

std::u16string FirstFileOfKind(const PrinterPackage& package, uint8_t kind) {
  for (size_t i = 0; i < package.file_count && i < kPackageSlots; ++i)
    if (package.files[i].kind == kind) return package.files[i].name;
  return std::u16string();
}

std::u16string BuildDependentFiles(const PrinterPackage& package, size_t capacity) {
  std::u16string list;
  for (size_t i = 0; i < package.file_count && i < kPackageSlots; ++i) {
    const PackageFile& file = package.files[i];
    Trace(u"DEP %d = %s", static_cast<int>(i), file.name);
    if (IsRegisteredKind(file.kind)) {
      list += file.name;
      list += u'*';
    }
  }
  list += u'*';
  Trace(u"DEP = %s", list.c_str());
  if (list.size() > capacity) return std::u16string();
  for (char16_t& c : list)
    if (c == u'*') c = 0;
  return list;
}

}  // namespace qid::installer
