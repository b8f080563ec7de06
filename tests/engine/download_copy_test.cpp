// Update packages and the download folder C:\LDGRHOME\DOWNLOAD of the test's drive table.
#include "engine_world.h"

namespace quelb::testing {
namespace {

using Names = std::vector<std::string>;

class DownloadCopyTest : public EngineWorld {
 protected:
  double Handle(UpdateRunState run) {
    EXPECT_EQ(HandleWholly(run), FileOutcome::kNext);
    return run.FileCount.Value();
  }
};

TEST_F(DownloadCopyTest, AMissingDownloadFolderIsCreatedAndThePackageCounts) {
  WriteFile(source_ / "GL.QLB", "package");

  EXPECT_EQ(Handle(RunFor("GL.QLB")), 1);

  EXPECT_EQ(ReadFile(DownloadFolder() / "GL.QLB"), "package");
  EXPECT_TRUE(NamesIn(target_).empty());
  EXPECT_TRUE(operator_.Boxes().empty());
}

TEST_F(DownloadCopyTest, APackageNamedInLowerCaseKeepsItsName) {
  WriteFile(source_ / "gl.qlb", "package");

  EXPECT_EQ(Handle(RunFor("gl.qlb")), 1);
  EXPECT_EQ(NamesIn(DownloadFolder()), (Names{"gl.qlb"}));
}

TEST_F(DownloadCopyTest, AnExistingPackageIsReplaced) {
  fs::create_directories(DownloadFolder());
  WriteFile(DownloadFolder() / "GL.QLB", "old");
  WriteFile(source_ / "GL.QLB", "new");

  EXPECT_EQ(Handle(RunFor("GL.QLB")), 1);
  EXPECT_EQ(ReadFile(DownloadFolder() / "GL.QLB"), "new");
}

TEST_F(DownloadCopyTest, WithoutTheParentFolderNothingIsCreatedAnd76IsReported) {
  fs::remove(drives_.Root('c') / "LDGRHOME");
  WriteFile(source_ / "GL.QLB", "package");
  operator_.Answer({IDIGNORE});

  EXPECT_EQ(Handle(RunFor("GL.QLB")), 0);

  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 76 occurred");
#ifdef _WIN32
  // The system's drive C: holds the system's own folders besides.
  EXPECT_FALSE(fs::exists(drives_.Root('c') / "LDGRHOME"));
#else
  EXPECT_TRUE(NamesIn(drives_.Root('c')).empty());
#endif
  EXPECT_TRUE(NamesIn(target_).empty());
}

TEST_F(DownloadCopyTest, APackageFromTheDownloadFolderItselfIsNeitherCopiedNorCounted) {
  fs::create_directories(DownloadFolder());
  WriteFile(DownloadFolder() / "GL.QLB", "package");
  for (const char* typed : {"C:\\LDGRHOME\\DOWNLOAD", "c:\\ldgrhome\\Download"}) {
    UpdateRunState run = RunFor("GL.QLB");
    run.SourcePath = typed;
    EXPECT_EQ(Handle(run), 0) << typed;
  }
  EXPECT_EQ(NamesIn(DownloadFolder()), (Names{"GL.QLB"}));
  EXPECT_EQ(ReadFile(DownloadFolder() / "GL.QLB"), "package");
  EXPECT_TRUE(NamesIn(target_).empty());
  EXPECT_TRUE(operator_.Boxes().empty());
}

}  // namespace
}  // namespace quelb::testing
