// Links that another account could point anew: a folder reached through one is refused to
// every service that writes, whoever runs, and the links that account cannot change are
// followed as before. Root makes the links and gives them to nobody.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "../copy_fixture.h"
#include "services/files.h"
#include "services/folder_lock.h"
#include "support/other_account.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

namespace fs = std::filesystem;
using testing::OtherAccount;

constexpr uid_t kRoot = 0;
constexpr gid_t kRootGroup = 0;

class ForeignLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nobody_ = testing::Nobody();
    if (!nobody_) GTEST_SKIP() << testing::kNoOtherAccount;
    fs::create_directory(secret_);
    fs::permissions(secret_, fs::perms::owner_all);
    testing::WriteFile(secret_ / "CM.EXE", "root's");
  }

  fs::path Folder(const std::string& name, uid_t owner, gid_t group, fs::perms mode) {
    const fs::path folder = scratch_ / name;
    fs::create_directory(folder);
    fs::permissions(folder, mode);
    EXPECT_EQ(lchown(folder.c_str(), owner, group), 0);
    return folder;
  }
  fs::path NobodysFolder(const std::string& name) {
    return Folder(name, nobody_->uid, nobody_->gid, fs::perms(0755));
  }

  // A link named DOWNLOAD in folder to target, given to owner.
  static fs::path Link(const fs::path& folder, const fs::path& target,
                       std::optional<OtherAccount> owner) {
    const fs::path link = folder / "DOWNLOAD";
    fs::create_directory_symlink(target, link);
    if (owner) testing::GiveTo(*owner, link);
    return link;
  }

  bool Refused(const fs::path& folder) {
    return ReachedThroughAnotherAccountsLink(folder.string()) &&
           ReachedThroughAnotherAccountsLink((folder / "MISSING" / "SUB").string());
  }

  std::optional<OtherAccount> nobody_;
  testing::TempFolder scratch_;
  fs::path secret_ = scratch_ / "secret";
  ErrorState state_;
};

// Nobody may point a link anew in a folder of its own, in one that its group or everyone may
// write, sticky or not; in a folder of root's that root's group alone may write, it cannot.
TEST_F(ForeignLinkTest, ALinkOfAnotherAccountIsRefusedWhereThatAccountMayWriteItsFolder) {
  struct Case {
    const char* folder;
    bool nobodyOwnsIt;
    gid_t group;
    fs::perms mode;
    bool refused;
  };
  const Case cases[] = {
      {"own", true, kRootGroup, fs::perms(0755), true},
      {"sticky", false, kRootGroup, fs::perms(01777), true},
      {"everyone", false, kRootGroup, fs::perms(0777), true},
      {"its_group", false, nobody_->gid, fs::perms(0775), true},
      {"roots", false, kRootGroup, fs::perms(0755), false},
      {"roots_group", false, kRootGroup, fs::perms(0775), false},
  };
  for (const Case& c : cases) {
    const fs::path folder =
        Folder(c.folder, c.nobodyOwnsIt ? nobody_->uid : kRoot, c.group, c.mode);
    EXPECT_EQ(Refused(Link(folder, secret_, nobody_)), c.refused) << c.folder;
  }
}

TEST_F(ForeignLinkTest, LinksOfRootAreFollowedEvenInAnotherAccountsFolder) {
  EXPECT_FALSE(Refused(Link(NobodysFolder("open"), secret_, std::nullopt)));
}

TEST_F(ForeignLinkTest, EachLinkOfAChainIsJudgedInTheFolderThatHoldsIt) {
  Link(NobodysFolder("open"), secret_, nobody_);
  const fs::path roots = Folder("roots", kRoot, kRootGroup, fs::perms(0755));
  fs::create_directory_symlink("../open/DOWNLOAD", roots / "ENTRY");
  EXPECT_TRUE(Refused(roots / "ENTRY"));

  // Nobody's link where nobody cannot change it, to root's link in nobody's folder.
  const fs::path fixed = Folder("fixed", kRoot, kRootGroup, fs::perms(0755));
  const fs::path rootsInOpen = Link(NobodysFolder("open2"), secret_, std::nullopt);
  EXPECT_FALSE(Refused(Link(fixed, rootsInOpen, nobody_)));
}

// The run's lock, the folders it makes, its copies, its in-use tests and its archives.
TEST_F(ForeignLinkTest, NothingIsWrittenIntoAFolderReachedThroughARefusedLink) {
  const fs::path planted = Link(NobodysFolder("open"), secret_, nobody_);
  const std::string folder = planted.string();
  FolderLockHandle lock = kNoFolderLock;
  Text holder;
  EXPECT_EQ(LockFolder(state_, folder, lock, holder), FolderLockAnswer::kNotLockable);
  UnlockFolder(lock);

  MakeFolder(state_, folder + "/SUB");
  EXPECT_EQ(TakeError(state_), 70);
  testing::WriteFile(scratch_ / "NEW.TXT", "new");
  CopyFileTo(state_, (scratch_ / "NEW.TXT").string(), folder + "/NEW.TXT");
  EXPECT_EQ(TakeError(state_), 70);
  const int fileNumber = NextFileNumber();
  OpenExclusive(state_, folder + "/CM.EXE", fileNumber, Access::kReadWrite);
  EXPECT_EQ(TakeError(state_), 70);
  bool unpacked = false;
  WriteDurablyInto(state_, folder, [&] { unpacked = true; });
  EXPECT_EQ(TakeError(state_), 70);
  EXPECT_FALSE(unpacked);

  EXPECT_EQ(testing::NamesIn(secret_), std::set<std::string>{"CM.EXE"});
  EXPECT_EQ(testing::ReadFile(secret_ / "CM.EXE"), "root's");
}

TEST_F(ForeignLinkTest, AFollowedLinkIsWhereTheRunLocksAndWrites) {
  const fs::path kept = Link(Folder("roots", kRoot, kRootGroup, fs::perms(0755)), secret_, nobody_);
  FolderLockHandle lock = kNoFolderLock;
  Text holder;
  EXPECT_EQ(LockFolder(state_, kept.string(), lock, holder), FolderLockAnswer::kTaken);
  EXPECT_TRUE(fs::exists(secret_ / kFolderLockName));
  UnlockFolder(lock);
}

// The drive table is the prefix owner's, whoever that is; below a drive's root, a folder of
// another account's that holds no link is a folder like any other.
TEST_F(ForeignLinkTest, TheDriveTablesOwnLinksAreFollowed) {
  testing::DriveTable drives;
  const fs::path c = drives.Root('c');
  const fs::path dosdevices = drives.Prefix() / "dosdevices";
  testing::GiveTo(*nobody_, dosdevices);
  testing::GiveTo(*nobody_, dosdevices / "c:");
  fs::create_directory(c / "LDGRHOME");
  testing::GiveTo(*nobody_, c / "LDGRHOME");

  EXPECT_FALSE(ReachedThroughAnotherAccountsLink("C:\\LDGRHOME\\DOWNLOAD"));
  MakeFolder(state_, "C:\\LDGRHOME\\DOWNLOAD");
  EXPECT_EQ(TakeError(state_), 0);
  EXPECT_TRUE(fs::is_directory(c / "LDGRHOME" / "DOWNLOAD"));
}

}  // namespace
}  // namespace quelb
