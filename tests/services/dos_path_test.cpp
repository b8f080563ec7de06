#include "services/dos_path.h"

#include <gtest/gtest.h>

namespace quelb {
namespace {

// Where a copy's temporary file goes: beside the target, on the same volume, so that it can
// take the target's place by a rename.
TEST(DosPathTest, TheFolderOfAPathKeepsTheRootAndTheDrive) {
  EXPECT_EQ(dos::FolderOf("C:/QUELB/AP.EXE"), "C:/QUELB");
  EXPECT_EQ(dos::FolderOf("C:\\QUELB\\"), "C:\\QUELB");
  EXPECT_EQ(dos::FolderOf("C:\\AP.EXE"), "C:\\");
  EXPECT_EQ(dos::FolderOf("\\AP.EXE"), "\\");
  EXPECT_EQ(dos::FolderOf("A:AP.EXE"), "A:");
  EXPECT_EQ(dos::FolderOf("A:"), "A:");
  EXPECT_EQ(dos::FolderOf("AP.EXE"), ".");
}

TEST(DosPathTest, TheNameOfAPathIsItsLastPartOnly) {
  EXPECT_EQ(dos::NameOf("C:/QUELB/AP.EXE"), "AP.EXE");
  EXPECT_EQ(dos::NameOf("A:AP.EXE"), "AP.EXE");
  EXPECT_EQ(dos::NameOf("AP.EXE"), "AP.EXE");
  EXPECT_EQ(dos::NameOf("C:\\QUELB\\"), "");
}

TEST(DosPathTest, AMaskThatNamesAFolderListsEveryNameInIt) {
  EXPECT_EQ(dos::FullMask("A:"), "A:*.*");
  EXPECT_EQ(dos::FullMask("C:\\ALL\\"), "C:\\ALL\\*.*");
  EXPECT_EQ(dos::FullMask("C:\\ALL\\*.TXT"), "C:\\ALL\\*.TXT");
#ifdef _WIN32
  EXPECT_EQ(dos::FullMask("C:\\ALL/"), "C:\\ALL/");
#else
  EXPECT_EQ(dos::FullMask("C:\\ALL/"), "C:\\ALL/*.*");
#endif
}

}  // namespace
}  // namespace quelb
