// Whole runs by root whose download or target folder another account has made a link to a
// folder only root may read: each file that would go there gets its prompt with 70, and
// nothing, not even a lock file, arrives in that folder.
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "dialog/dialog_double.h"
#include "engine/engine_world.h"
#include "support/engine_archive.h"
#include "support/other_account.h"

namespace quelb::testing {
namespace {

class ForeignLinkRunTest : public EngineWorld {
 protected:
  void SetUp() override {
    nobody_ = Nobody();
    if (!nobody_) GTEST_SKIP() << kNoOtherAccount;
    fs::create_directory(secret_);
    fs::permissions(secret_, fs::perms::owner_all);
  }
  ~ForeignLinkRunTest() override { ForgetDialogs(); }

  // The folder, in a folder that nobody owns, becomes nobody's link to the secret folder.
  void PlantLink(const fs::path& folder) {
    fs::remove_all(folder);
    GiveTo(*nobody_, folder.parent_path());
    fs::create_directory_symlink(secret_, folder);
    GiveTo(*nobody_, folder);
  }

  RunOutcome Run() { return UpdateRun(RunDialog(source_.string(), target_.string()), errors_); }

  // The files named by the boxes before the last one, each of them the file prompt with 70.
  std::multiset<std::string> FilesPromptedFor() {
    std::multiset<std::string> files;
    for (size_t box = 0; box + 1 < operator_.Boxes().size(); ++box) {
      EXPECT_EQ(operator_.Boxes()[box].title, "error # 70 occurred");
      files.insert(operator_.Boxes()[box].text);
    }
    return files;
  }
  std::string Prompt(const std::string& name) {
    return "Attempting to copy " + source_.string() + "\\" + name;
  }

  std::optional<OtherAccount> nobody_;
  fs::path secret_ = scratch_ / "secret";
};

TEST_F(ForeignLinkRunTest, APackageIsNotWrittenThroughALinkPlantedAsTheDownloadFolder) {
  PlantLink(DownloadFolder());
  WriteFile(source_ / "GL.QLB", "package");
  operator_.Answer({IDRETRY, IDIGNORE});

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 3u);
  EXPECT_EQ(FilesPromptedFor(), (std::multiset{Prompt("GL.QLB"), Prompt("GL.QLB")}));
  EXPECT_EQ(operator_.Boxes()[2].text, "NO files copied or expanded.");
  EXPECT_TRUE(NamesIn(secret_).empty());
}

TEST_F(ForeignLinkRunTest, NoFileOrArchiveGoesThroughALinkPlantedAsTheTarget) {
  PlantLink(target_);
  WriteFile(source_ / "DATA.DBF", "data");
  ArchiveScript script;
  script.log = scratch_ / "archive.log";
  WriteArchive(source_ / "QUELBAP.EXE", script);
  operator_.Answer({IDIGNORE, IDIGNORE});

  EXPECT_EQ(Run(), RunOutcome::kCompleted);

  ASSERT_EQ(operator_.Boxes().size(), 3u);
  EXPECT_EQ(FilesPromptedFor(), (std::multiset{Prompt("DATA.DBF"), Prompt("QUELBAP.EXE")}));
  EXPECT_EQ(operator_.Boxes()[2].text, "NO files copied or expanded.");
  EXPECT_FALSE(fs::exists(script.log)) << "the archive was started";
  EXPECT_TRUE(NamesIn(secret_).empty());
}

}  // namespace
}  // namespace quelb::testing
