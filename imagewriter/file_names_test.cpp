#include "imagewriter/file_names.h"

#include <gtest/gtest.h>

namespace qid {
namespace {

TEST(FileNamesTest, SameFileAsWindowsDecidesIt) {
  struct Row {
    const char* a;
    const char* b;
    bool same;
  } rows[] = {
      {"C:\\ZEL\\TEST.JPG", "C:\\ZEL\\TEST.jpg", true},
      {"c:/zel//test.jpg", "C:\\ZEL\\TEST.JPG", true},
      {"C:\\ZEL\\.\\a\\..\\TEST.TIF", "C:\\ZEL\\test.tif", true},
      {"C:\\ZEL\\TEST.TIF.", "C:\\ZEL\\TEST.TIF", true},  // trailing dots and blanks drop
      {"C:\\ZEL\\NUL.tif", "D:\\nul", true},               // one device
      {"C:\\ZEL\\TEST.TIF", "C:\\ZEL\\TEST.TIFF", false},
      {"C:\\ZEL\\TEST.TIF", "C:\\ZEL2\\TEST.TIF", false},
      {"C:\\ZEL\\CONSOLE.tif", "C:\\ZEL\\CON.tif", false},
  };
  for (const Row& row : rows) EXPECT_EQ(SameFileName(row.a, row.b), row.same) << row.a << " " << row.b;
}

TEST(FileNamesTest, DeviceNamesWhateverTheirExtension) {
  for (const char* name : {"NUL", "nul.doc", "C:\\x\\Aux.tif", "COM1", "lpt9.txt", "CON .tif"})
    EXPECT_TRUE(IsDeviceName(name)) << name;
  for (const char* name : {"NULL", "COM0", "COM10", "LPT", "C:\\NUL\\x.tif", "_NUL.tif"})
    EXPECT_FALSE(IsDeviceName(name)) << name;
}

}  // namespace
}  // namespace qid
