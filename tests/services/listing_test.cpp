#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <vector>

#include "services/files.h"
#include "support/guards.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class ListingTest : public ::testing::Test {
 protected:
  void SetUp() override { c_ = drives_.Root('c'); }

  // Every name of a listing, sorted, checking that none of its calls leaves an error.
  std::vector<std::string> ListAll(const Text& mask, uint32_t filter = kPlainFilesOnly) {
    std::vector<std::string> names;
    for (Text name = ListFirst(state_, mask, filter); !name.empty(); name = ListNext(state_)) {
      names.push_back(name);
    }
    EXPECT_EQ(state_.number, 0) << mask;
    return Sorted(names);
  }

  fs::path Folder(const std::string& name) {
    fs::create_directories(c_ / name);
    return c_ / name;
  }

  testing::DriveTable drives_;
  fs::path c_;
  ErrorState state_;
};

#ifdef _WIN32
// Windows marks hidden and system files by attribute, and no folder holds a name with one of
// \ " * ? < > | : in it.
TEST_F(ListingTest, OnlyFilesWithoutHiddenOrSystemAttributeAreDelivered) {
  const fs::path folder = Folder("MIXED");
  testing::WriteFile(folder / "PLAIN.TXT", "x");
  testing::WriteFile(folder / "LOCKED.TXT", "x");
  testing::MakeReadOnly(folder / "LOCKED.TXT");
  testing::WriteFile(folder / "HIDDEN.TXT", "x");
  testing::SetAttributes(folder / "HIDDEN.TXT", testing::kHiddenAttribute);
  testing::WriteFile(folder / "SYSTEM.TXT", "x");
  testing::SetAttributes(folder / "SYSTEM.TXT", testing::kSystemAttribute);
  fs::create_directories(folder / "SUBFOLDER");

  EXPECT_EQ(ListAll("C:\\MIXED\\*.*"), (std::vector<std::string>{"LOCKED.TXT", "PLAIN.TXT"}));
}
#else
void MakeSocket(const fs::path& path) {
  const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(socketFd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.string().size(), sizeof(address.sun_path));
  path.string().copy(address.sun_path, sizeof(address.sun_path) - 1);
  EXPECT_EQ(bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  close(socketFd);
}

TEST_F(ListingTest, OnlyRegularFilesAndLinksToThemAreDelivered) {
  const fs::path folder = Folder("MIXED");
  testing::WriteFile(folder / "PLAIN.TXT", "x");
  testing::WriteFile(folder / "LOCKED.TXT", "x");
  testing::MakeReadOnly(folder / "LOCKED.TXT");
  testing::WriteFile(folder / ".hidden", "x");
  testing::WriteFile(folder / "back\\slash", "x");
  testing::WriteFile(folder / "tab\tname", "x");
  for (const char* name : {"QUELB\" -x .EXE", "ALL*.TXT", "ONE?.TXT", "A:B", "PIPE|", "<ANGLE>"}) {
    testing::WriteFile(folder / name, "x");
  }
  fs::create_directories(folder / "SUBFOLDER");
  fs::create_symlink(folder / "PLAIN.TXT", folder / "LINK.TXT");
  fs::create_symlink(folder / "SUBFOLDER", folder / "FOLDERLINK");
  fs::create_symlink(folder / "GONE", folder / "DANGLING");
  ASSERT_EQ(mkfifo((folder / "FIFO").c_str(), 0600), 0);
  MakeSocket(folder / "SOCKET");

  EXPECT_EQ(ListAll("C:\\MIXED\\*.*"),
            (std::vector<std::string>{"LINK.TXT", "LOCKED.TXT", "PLAIN.TXT"}));
}
#endif

TEST_F(ListingTest, FolderOfSubfoldersAndHiddenFilesListsEmpty) {
  const fs::path folder = Folder("HOLLOW");
  fs::create_directories(folder / "INNER");
  testing::WriteFile(folder / ".profile", "x");
#ifdef _WIN32
  testing::SetAttributes(folder / ".profile", testing::kHiddenAttribute);
#endif
  EXPECT_EQ(ListFirst(state_, "C:\\HOLLOW\\*.*", kPlainFilesOnly), "");
  EXPECT_EQ(state_.number, 0);
}

TEST_F(ListingTest, FilterBitsLetFoldersAndHiddenFilesThrough) {
  const fs::path folder = Folder("BITS");
  fs::create_directories(folder / "INNER");
  testing::WriteFile(folder / ".profile", "x");
#ifdef _WIN32
  testing::SetAttributes(folder / ".profile", testing::kHiddenAttribute);
#endif
  EXPECT_EQ(ListAll("C:\\BITS\\*.*", 0x10), (std::vector<std::string>{"INNER"}));
  EXPECT_EQ(ListAll("C:\\BITS\\*.*", 0x02), (std::vector<std::string>{".profile"}));
}

TEST_F(ListingTest, NamesAndMasksMatchWithoutRegardToCase) {
  const fs::path folder = Folder("Quelb");
  testing::WriteFile(folder / "QuelbAP.exe", "x");
  testing::WriteFile(folder / "ap.Exe", "x");
  testing::WriteFile(folder / "readme", "x");
  testing::WriteFile(folder / "notes.txt", "x");

  EXPECT_EQ(ListAll("c:\\QUELB\\*.EXE"), (std::vector<std::string>{"QuelbAP.exe", "ap.Exe"}));
  EXPECT_EQ(ListAll("C:/quelb/AP.EXE"), (std::vector<std::string>{"ap.Exe"}));
  EXPECT_EQ(ListAll("C:\\QUELB\\quelb??.*"), (std::vector<std::string>{"QuelbAP.exe"}));
  EXPECT_EQ(ListAll("C:\\QUELB\\*.*"),
            (std::vector<std::string>{"QuelbAP.exe", "ap.Exe", "notes.txt", "readme"}));
#ifdef _WIN32
  // Wine lists every name for "*.", where Windows lists the names without an extension.
  if (!testing::UnderWine()) {
    EXPECT_EQ(ListAll("C:\\QUELB\\*."), (std::vector<std::string>{"readme"}));
  }
#else
  EXPECT_EQ(ListAll("C:\\QUELB\\*."), (std::vector<std::string>{"readme"}));
#endif
  EXPECT_EQ(ListAll("C:\\QUELB\\NOTHING.TXT"), (std::vector<std::string>{}));
}

TEST_F(ListingTest, MaskEndingInSeparatorOrDriveListsEverything) {
  const fs::path folder = Folder("ALL");
  testing::WriteFile(folder / "ONE", "x");
  testing::WriteFile(folder / "TWO.DAT", "x");
  const std::vector<std::string> both{"ONE", "TWO.DAT"};
  EXPECT_EQ(ListAll("C:\\ALL\\"), both);
  EXPECT_EQ(ListAll("C:\\\\ALL\\\\*.*"), both);

  const fs::path a = drives_.Root('a');
  testing::WriteFile(a / "QUELBAP.EXE", "x");
  EXPECT_EQ(ListAll("A:"), (std::vector<std::string>{"QUELBAP.EXE"}));
  EXPECT_EQ(ListAll("a:\\"), (std::vector<std::string>{"QUELBAP.EXE"}));
}

TEST_F(ListingTest, EmptyOrMissingPlacesListEmptyWithoutError) {
  drives_.Root('a');
  if (testing::DrivesWithoutDiskCanBeMade()) {
    drives_.Link('d', c_ / "NO-DISK");
    EXPECT_EQ(ListAll("D:\\*.*"), (std::vector<std::string>{}));
    EXPECT_EQ(ListAll("D:\\SETUP\\nul"), (std::vector<std::string>{}));
  }
#ifndef _WIN32
  // Only a host holds such a folder.
  fs::create_directory(c_ / "QU\"OTE");
  testing::WriteFile(c_ / "QU\"OTE" / "X.TXT", "x");
#endif
  EXPECT_EQ(ListAll("C:\\QU\"OTE\\*.*"), (std::vector<std::string>{}));
  EXPECT_EQ(ListAll("C:\\QU*\\*.*"), (std::vector<std::string>{}));
  EXPECT_EQ(ListAll("A:\\*.*"), (std::vector<std::string>{}));
  EXPECT_EQ(ListAll("Q:\\*.*"), (std::vector<std::string>{}));
  EXPECT_EQ(ListAll("C:\\NOWHERE\\*.*"), (std::vector<std::string>{}));
  EXPECT_EQ(ListAll("C:\\NOWHERE\\DEEPER\\"), (std::vector<std::string>{}));
}

TEST_F(ListingTest, ASecondListingEndsTheFirst) {
  testing::WriteFile(Folder("FIRST") / "F1", "x");
  testing::WriteFile(c_ / "FIRST" / "F2", "x");
  testing::WriteFile(Folder("SECOND") / "S1", "x");
  testing::WriteFile(c_ / "SECOND" / "S2", "x");

  EXPECT_FALSE(ListFirst(state_, "C:\\FIRST\\*.*", kPlainFilesOnly).empty());
  std::vector<std::string> second{ListFirst(state_, "C:\\SECOND\\*.*", kPlainFilesOnly)};
  second.push_back(ListNext(state_));
  EXPECT_EQ(Sorted(second), (std::vector<std::string>{"S1", "S2"}));
  EXPECT_EQ(ListNext(state_), "");
  EXPECT_EQ(ListNext(state_), "");
  EXPECT_EQ(state_.number, 0);
}

TEST_F(ListingTest, EmptyMaskContinuesTheListing) {
  testing::WriteFile(Folder("GO") / "G1", "x");
  testing::WriteFile(c_ / "GO" / "G2", "x");
  std::vector<std::string> names{ListFirst(state_, "C:\\GO\\*.*", kPlainFilesOnly)};
  names.push_back(ListFirst(state_, "", kPlainFilesOnly));
  EXPECT_EQ(Sorted(names), (std::vector<std::string>{"G1", "G2"}));
  EXPECT_EQ(ListFirst(state_, "", kPlainFilesOnly), "");
}

TEST_F(ListingTest, ProbeAnswersWhetherTheFolderExists) {
  fs::create_directories(c_ / "LDGRHOME" / "DOWNLOAD");
  EXPECT_FALSE(ListFirst(state_, "C:\\LDGRHOME\\DOWNLOAD\\nul", kPlainFilesOnly).empty());
  EXPECT_FALSE(ListFirst(state_, "c:\\ldgrhome\\download\\NUL", kPlainFilesOnly).empty());
  EXPECT_FALSE(ListFirst(state_, "C:\\nul", kPlainFilesOnly).empty());
  EXPECT_EQ(ListFirst(state_, "C:\\LDGRHOME\\MISSING\\nul", kPlainFilesOnly), "");
  EXPECT_EQ(ListFirst(state_, "Q:\\LDGRHOME\\nul", kPlainFilesOnly), "");
  testing::WriteFile(c_ / "LDGRHOME" / "PLAIN", "x");
  EXPECT_EQ(ListFirst(state_, "C:\\LDGRHOME\\PLAIN\\nul", kPlainFilesOnly), "");
  EXPECT_EQ(state_.number, 0);
}

TEST_F(ListingTest, ProbeEndsTheListingInProgress) {
  testing::WriteFile(Folder("RUN") / "R1", "x");
  testing::WriteFile(c_ / "RUN" / "R2", "x");
  EXPECT_FALSE(ListFirst(state_, "C:\\RUN\\*.*", kPlainFilesOnly).empty());
  EXPECT_FALSE(ListFirst(state_, "C:\\RUN\\nul", kPlainFilesOnly).empty());
  EXPECT_EQ(ListNext(state_), "");
}

TEST_F(ListingTest, MaskWithoutFolderListsTheCurrentFolder) {
  const fs::path folder = Folder("HERE");
  testing::WriteFile(folder / "H.TXT", "x");
  testing::CurrentFolderGuard current(folder);
  EXPECT_EQ(ListAll("*.txt"), (std::vector<std::string>{"H.TXT"}));
  EXPECT_EQ(ListAll("C:*.*"), (std::vector<std::string>{"H.TXT"}));
}

}  // namespace
}  // namespace quelb
