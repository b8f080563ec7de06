// The per-file handling on real folders: what each name becomes, the per-file prompt and
// its answers, and the count a file leaves.
#include "engine_world.h"
#include "support/engine_archive.h"
#include "support/second_process.h"

namespace quelb::testing {
namespace {

using Names = std::vector<std::string>;

class HandleFileTest : public EngineWorld {
 protected:
  // Handles one name and gives the count it left.
  double Handle(const std::string& name, FileOutcome expected = FileOutcome::kNext) {
    UpdateRunState run = RunFor(name);
    EXPECT_EQ(HandleWholly(run), expected) << name;
    last_ = run;
    return run.FileCount.Value();
  }

  ArchiveScript Archive(const std::string& unpackName) const {
    ArchiveScript script;
    script.log = scratch_ / (unpackName + ".log");
    script.unpackName = unpackName;
    return script;
  }

  UpdateRunState last_;
};

TEST_F(HandleFileTest, TheNameDecidesHowTheFileIsDelivered) {
  WriteArchive(source_ / "quelbap.exe", Archive("from-quelbap"));
  WriteArchive(source_ / "QUELB.EXE", Archive("from-quelb"));
  for (const char* name : {"QUELBAP.ZIP", "FOO.QLBX", "XSETUP.EXE", "QUELBAP.QLB", "FOO.QLB",
                           "FOOQLB", "SETUP.EXE", "setup.exe", "Setup.Exe"}) {
    WriteFile(source_ / name, std::string("content of ") + name);
  }

  double delivered = 0;
  for (const char* name : {"quelbap.exe", "QUELB.EXE", "QUELBAP.ZIP", "FOO.QLBX", "XSETUP.EXE",
                           "QUELBAP.QLB", "FOO.QLB", "FOOQLB"}) {
    delivered += Handle(name);
  }
  for (const char* name : {"SETUP.EXE", "setup.exe", "Setup.Exe"}) EXPECT_EQ(Handle(name), 0);

  EXPECT_EQ(delivered, 8);
  EXPECT_EQ(NamesIn(target_),
            (Names{"FOO.QLBX", "QUELBAP.ZIP", "XSETUP.EXE", "from-quelb", "from-quelbap"}));
  EXPECT_EQ(ReadFile(target_ / "QUELBAP.ZIP"), "content of QUELBAP.ZIP");
  EXPECT_EQ(NamesIn(DownloadFolder()), (Names{"FOO.QLB", "FOOQLB", "QUELBAP.QLB"}));
  EXPECT_EQ(ReadFile(DownloadFolder() / "FOOQLB"), "content of FOOQLB");
  EXPECT_TRUE(operator_.Boxes().empty());
}

TEST_F(HandleFileTest, AFailedCopyIsReportedAndRetryCopiesAgain) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  WriteFile(source_ / "NOTES.TXT", "new");
  WriteFile(target_ / "NOTES.TXT", "old");
  MakeReadOnly(target_ / "NOTES.TXT");
  operator_.Answer({IDRETRY});
  operator_.OnBox([&](const ShownBox&) {
    fs::permissions(target_ / "NOTES.TXT", fs::perms::owner_write, fs::perm_options::add);
  });

  EXPECT_EQ(Handle("NOTES.TXT"), 1);

  ASSERT_EQ(operator_.Boxes().size(), 1u);
  const ShownBox& box = operator_.Boxes()[0];
  EXPECT_EQ(box.text, "Attempting to copy " + source_.string() + "\\NOTES.TXT");
  EXPECT_EQ(box.title, "error # 70 occurred");
  EXPECT_EQ(box.style, kFilePromptStyle);
  EXPECT_EQ(ReadFile(target_ / "NOTES.TXT"), "new");
}

TEST_F(HandleFileTest, IgnoreLeavesTheFileOutAndAbortEndsWithItsNumber) {
  if (ReadOnlyIsIgnored()) GTEST_SKIP() << kReadOnlyIgnored;
  WriteFile(source_ / "NOTES.TXT", "new");
  WriteFile(target_ / "NOTES.TXT", "old");
  MakeReadOnly(target_ / "NOTES.TXT");
  operator_.Answer({IDIGNORE, IDABORT});

  EXPECT_EQ(Handle("NOTES.TXT"), 0);
  EXPECT_EQ(ReadFile(target_ / "NOTES.TXT"), "old");

  Handle("NOTES.TXT", FileOutcome::kAbort);
  EXPECT_EQ(last_.LastError, 70);
  EXPECT_EQ(operator_.Boxes().size(), 2u);
}

TEST_F(HandleFileTest, AMissingSourceFileIsReported) {
  operator_.Answer({IDIGNORE});
  EXPECT_EQ(Handle("GONE.TXT"), 0);
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 53 occurred");
}

TEST_F(HandleFileTest, AnArchiveIsStartedDirectlyWithItsTargetAfterDashO) {
  ArchiveScript script = Archive("AP.exe");
  script.comment = "made with pkware tools";  // the mark counts in upper case only
  WriteArchive(source_ / "QUELBAP.EXE", script);

  EXPECT_EQ(Handle("QUELBAP.EXE"), 1);

  const std::string archive = source_.string() + "\\QUELBAP.EXE";
  EXPECT_EQ(last_.PkwarePos, 0);
  EXPECT_EQ(last_.ExpandCommand, archive + " -y -ao -o" + target_.string());
  EXPECT_EQ(LogLines(script.log), (Names{"-y", "-ao", "-o" + target_.string()}));
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
  EXPECT_FALSE(fs::exists(target_ / "QUELBAP.EXE"));
}

TEST_F(HandleFileTest, AMarkedArchiveIsStartedThroughTheInterpreter) {
  ArchiveScript script = Archive("AP.exe");
  script.comment = "PKWARE";
  WriteArchive(source_ / "QUELBAP.EXE", script);
  const fs::path interpreterLog = scratch_ / "interpreter.log";
  const EnvironmentGuard logName("ENGINE_INTERPRETER_LOG", interpreterLog.string());
  comspec_.Set(TestProgram("engine_interpreter"));

  EXPECT_EQ(Handle("QUELBAP.EXE"), 1);

  const std::string archive = source_.string() + "\\QUELBAP.EXE";
  EXPECT_GT(last_.PkwarePos, 0);
  EXPECT_EQ(last_.ExpandCommand,
            TestProgram("engine_interpreter") + " /c " + archive + " -o " + target_.string());
  // The archive's path from a host folder reaches the interpreter as one host path.
  EXPECT_EQ(LogLines(interpreterLog),
            (Names{"/c", (source_ / "QUELBAP.EXE").string(), "-o", target_.string()}));
  EXPECT_EQ(LogLines(script.log), (Names{"-o", target_.string()}));
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
}

class BlankPathsTest : public HandleFileTest {
 protected:
  BlankPathsTest() {
    fs::create_directories(scratch_ / "new programs");
    fs::create_directories(scratch_ / "my suite");
    fs::create_directories(scratch_ / "my tools");
    source_ = scratch_ / "new programs";
    target_ = scratch_ / "my suite";
    interpreter_ = scratch_ / "my tools" / "engine_interpreter";
    fs::copy_file(TestProgram("engine_interpreter"), interpreter_);
  }
  fs::path interpreter_;
};

TEST_F(BlankPathsTest, TheDirectFormQuotesThePaths) {
  const ArchiveScript script = Archive("AP.exe");
  WriteArchive(source_ / "QUELBAP.EXE", script);

  EXPECT_EQ(Handle("QUELBAP.EXE"), 1);

  EXPECT_EQ(last_.ExpandCommand,
            "\"" + source_.string() + "\\QUELBAP.EXE\" -y -ao -o\"" + target_.string() + "\"");
  EXPECT_EQ(LogLines(script.log), (Names{"-y", "-ao", "-o" + target_.string()}));
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
}

TEST_F(BlankPathsTest, TheInterpreterFormQuotesThePathsAndTheWholeCommand) {
  ArchiveScript script = Archive("AP.exe");
  script.comment = "PKWARE";
  WriteArchive(source_ / "QUELBAP.EXE", script);
  comspec_.Set(interpreter_.string());

  EXPECT_EQ(Handle("QUELBAP.EXE"), 1);

  EXPECT_EQ(last_.ExpandCommand, "\"" + interpreter_.string() + "\" /c \"\"" + source_.string() +
                                     "\\QUELBAP.EXE\" -o \"" + target_.string() + "\"\"");
  EXPECT_EQ(LogLines(script.log), (Names{"-o", target_.string()}));
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
}

TEST_F(HandleFileTest, AMarkedArchiveWithoutAnInterpreterIsReportedWithTheStartsError) {
  ArchiveScript script = Archive("AP.exe");
  script.comment = "PKWARE";
  WriteArchive(source_ / "QUELBAP.EXE", script);
  comspec_.Unset();
  operator_.Answer({IDIGNORE});

  EXPECT_EQ(Handle("QUELBAP.EXE"), 0);

  EXPECT_EQ(last_.ExpandCommand.rfind(" /c ", 0), 0u);
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 53 occurred");
  EXPECT_FALSE(fs::exists(target_ / "AP.exe"));
}

TEST_F(HandleFileTest, AFailingExpansionIsReportedAndRetryExpandsTheMendedArchive) {
  ArchiveScript script = Archive("AP.exe");
  script.exitCode = 3;
  WriteArchive(source_ / "QUELBAP.EXE", script);
  operator_.Answer({IDRETRY});
  operator_.OnBox([&](const ShownBox&) {
    ArchiveScript mended = script;
    mended.exitCode = 0;
    mended.unpackContent = "mended";
    WriteArchive(source_ / "QUELBAP.EXE", mended);
  });

  EXPECT_EQ(Handle("QUELBAP.EXE"), 1);

  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 75 occurred");
  EXPECT_EQ(operator_.Boxes()[0].text, "Attempting to copy " + source_.string() + "\\QUELBAP.EXE");
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "mended");
}

TEST_F(HandleFileTest, AFailingExpansionThatIsIgnoredIsNotCounted) {
  ArchiveScript script = Archive("AP.exe");
  script.exitCode = 3;
  WriteArchive(source_ / "QUELBAP.EXE", script);
  operator_.Answer({IDIGNORE});

  EXPECT_EQ(Handle("QUELBAP.EXE"), 0);
  EXPECT_EQ(operator_.Boxes().size(), 1u);
}

TEST_F(HandleFileTest, AnArchiveHeldByAReaderIsStartedDirectlyAndReported) {
  ArchiveScript script = Archive("AP.exe");
  script.comment = "PKWARE";
  WriteArchive(source_ / "QUELBAP.EXE", script);
  comspec_.Set(TestProgram("engine_interpreter"));
  SecondProcess reader(HolderCommand("open", source_ / "QUELBAP.EXE"));
  ASSERT_TRUE(reader.Ready());
  operator_.Answer({IDIGNORE});

  EXPECT_EQ(Handle("QUELBAP.EXE"), 0);

  EXPECT_EQ(last_.PkwarePos, 0);
  EXPECT_EQ(last_.ExpandCommand.find(" /c "), std::string::npos);
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].title, "error # 52 occurred");
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
}

}  // namespace
}  // namespace quelb::testing
