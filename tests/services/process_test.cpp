// Starting command lines as real processes, seen through what the started program reports.
#include "services/process.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/engine_archive.h"
#include "support/guards.h"
#include "support/second_process.h"
#include "support/temp_folder.h"
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace quelb {
namespace {

using testing::CurrentFolderGuard;
using testing::EnvironmentGuard;
using testing::TempFolder;
using testing::TestProgram;

struct Report {
  std::string cwd;
  std::vector<int> descriptors;
  std::vector<std::string> args;
  std::string line;       // the whole command line, where the platform hands one over
  std::string errorMode;  // the error mode it started with, where the platform has one
};

class ProcessTest : public ::testing::Test {
 protected:
  Report ReadReport() const {
    Report report;
    std::istringstream lines(testing::ReadFile(reportPath_));
    std::string line;
    while (std::getline(lines, line)) {
      if (line.rfind("cwd=", 0) == 0) report.cwd = line.substr(4);
      if (line.rfind("fd=", 0) == 0) report.descriptors.push_back(std::stoi(line.substr(3)));
      if (line.rfind("arg=", 0) == 0) report.args.push_back(line.substr(4));
      if (line.rfind("line=", 0) == 0) report.line = line.substr(5);
      if (line.rfind("errormode=", 0) == 0) report.errorMode = line.substr(10);
    }
    return report;
  }

  // Runs the reporting program with the rest of a command line and returns its arguments.
  std::vector<std::string> ArgsOf(const std::string& rest) {
    ErrorState state;
    RunCommand(state, reporter_ + " " + rest, SW_SHOWNORMAL, true, false);
    EXPECT_EQ(TakeError(state), 0) << rest;
    return ReadReport().args;
  }

  TempFolder folder_;
  std::string reportPath_ = (folder_ / "report.txt").string();
  EnvironmentGuard report_{"PROC_REPORT", reportPath_};
  std::string reporter_ = TestProgram("proc_report");
};

TEST_F(ProcessTest, MissingProgramFailsWith53AndResultZero) {
  ErrorState state;
  EXPECT_EQ(RunCommand(state, "no-such-program-here.exe -y", SW_SHOWNORMAL, true, false), 0);
  EXPECT_EQ(TakeError(state), 53);
  const std::string missingFile = (folder_ / "QUELBAP.EXE").string();
  EXPECT_EQ(RunCommand(state, missingFile + " -y", SW_SHOWNORMAL, true, false), 0);
  EXPECT_EQ(TakeError(state), 53);
  const std::string missingFolder = (folder_ / "NODIR" / "QUELBAP.EXE").string();
  EXPECT_EQ(RunCommand(state, missingFolder, SW_SHOWNORMAL, true, false), 0);
#ifdef _WIN32
  // Wine does not tell the missing folder (3) from the missing program (2).
  EXPECT_EQ(TakeError(state), testing::UnderWine() ? 53 : 76);
#else
  EXPECT_EQ(TakeError(state), 76);
#endif
  EXPECT_EQ(RunCommand(state, "", SW_SHOWNORMAL, true, false), 0);
  EXPECT_EQ(TakeError(state), 53);
}

// An unset interpreter variable leaves a line that begins with " /c ", which names no program.
TEST_F(ProcessTest, LineWithoutInterpreterNamesNoProgram) {
  testing::DriveTable drives;
  drives.Root('a');
  ErrorState state;
  EXPECT_EQ(RunCommand(state, " /c A:\\QUELBAP.EXE -o C:\\QUELB", SW_SHOWNORMAL, true, false), 0);
  EXPECT_EQ(TakeError(state), 53);
}

TEST_F(ProcessTest, FileThatIsNoProgramFailsWith75) {
  const auto text = folder_ / "NOTES.EXE";
  testing::WriteFile(text, "just some words\n");
  ErrorState state;
  EXPECT_EQ(RunCommand(state, text.string(), SW_SHOWNORMAL, true, false), 0);
  EXPECT_EQ(TakeError(state), 75);
#ifndef _WIN32
  chmod(text.c_str(), 0755);
  EXPECT_EQ(RunCommand(state, text.string(), SW_SHOWNORMAL, true, false), 0);
  EXPECT_EQ(TakeError(state), 75);
#endif
}

#ifndef _WIN32
// Root runs only what no other user could have written or replaced: a program, the folder
// that holds it, a link to it, or the archive an interpreter is given.
TEST_F(ProcessTest, RootRefusesWhatAnotherUserCouldHaveChanged) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make files of another user";
  constexpr uid_t kNobody = 65534;
  const auto folder = folder_ / "SUITE";
  std::filesystem::create_directory(folder);
  chmod(folder.c_str(), 0755);
  const auto program = folder / "CM.EXE";
  std::filesystem::copy_file(reporter_, program);
  auto runs = [&](const std::string& line) {
    std::filesystem::remove(reportPath_);
    ErrorState state;
    RunCommand(state, line, SW_SHOWNORMAL, true, false);
    const ErrorNumber number = TakeError(state);
    EXPECT_EQ(std::filesystem::exists(reportPath_), number == 0) << line;
    return number;
  };

  EXPECT_EQ(runs(program.string()), 0);
  ASSERT_EQ(chown(program.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(runs(program.string()), 70) << "a program of another user";
  ASSERT_EQ(chown(program.c_str(), 0, 0), 0);
  chmod(folder.c_str(), 0777);
  EXPECT_EQ(runs(program.string()), 70) << "a folder anyone may write";
  chmod(folder.c_str(), 0755);
  chmod(program.c_str(), 0757);
  EXPECT_EQ(runs(program.string()), 70) << "a program anyone may write";
  chmod(program.c_str(), 0755);
  const auto link = folder / "LINK.EXE";
  std::filesystem::create_symlink(program, link);
  EXPECT_EQ(runs(link.string()), 0);
  ASSERT_EQ(lchown(link.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(runs(link.string()), 70) << "a link of another user";

  const auto archive = folder_ / "QUELBAP.EXE";
  std::filesystem::copy_file(reporter_, archive);
  ASSERT_EQ(chown(archive.c_str(), kNobody, kNobody), 0);
  EnvironmentGuard comspec("COMSPEC", program.string());
  EXPECT_EQ(runs(program.string() + " /c " + archive.string() + " -o x"), 70)
      << "an archive of another user given to the interpreter";
}
#endif

TEST_F(ProcessTest, WaitsForTheChildAndReturnsItsExitCode) {
  EnvironmentGuard exitCode("PROC_EXIT", "7");
  ErrorState state;
  EXPECT_EQ(RunCommand(state, reporter_ + " done", SW_SHOWNORMAL, true, false), 7);
  EXPECT_EQ(TakeError(state), 0) << "the child's own failure is no error here";
  EXPECT_EQ(ReadReport().args, std::vector<std::string>{"done"});
}

#ifndef _WIN32
// True when the process ends within a generous while; it may stay a zombie of its new parent.
bool EndsSoon(pid_t pid) {
  for (int tries = 0; tries < 1000; ++tries) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string id, name, state;
    if (!(stat >> id >> name >> state) || state == "Z") return true;
    usleep(10000);
  }
  return false;
}
#endif

// A limit that is not reached leaves the exit code as it is. A program still running when it
// has passed is ended with all it started, and its exit code tells that it failed.
TEST_F(ProcessTest, AWaitWithATimeLimitEndsAProgramThatOutlastsIt) {
  EnvironmentGuard exitCode("PROC_EXIT", "7");
  ErrorState state;
  EXPECT_EQ(
      RunCommand(state, reporter_ + " done", SW_SHOWNORMAL, true, false, std::chrono::seconds(60)),
      7);

  testing::ArchiveScript script;
  script.log = folder_ / "archive.log";
  script.hangs = true;
  const auto archive = folder_ / "QUELBAP.EXE";
  testing::WriteArchive(archive, script);
  const std::string line = archive.string() + " -y -ao -o" + folder_.Path().string();
  EXPECT_NE(RunCommand(state, line, SW_SHOWNORMAL, true, false, std::chrono::seconds(1)), 0);
  EXPECT_EQ(TakeError(state), 0) << "an ended program is its own failure, not the start's";
  EXPECT_EQ(testing::ReadFile(folder_ / "AP.exe"), "unpacked");
#ifndef _WIN32
  const pid_t waiting = std::stoi(testing::ReadFile(folder_ / "archive.log.waiting"));
  EXPECT_TRUE(EndsSoon(waiting)) << "what the archive started outlived it";
  kill(waiting, SIGKILL);
#endif
}

TEST_F(ProcessTest, WithoutWaitTheResultIsTheProcessId) {
  ErrorState state;
  const int32_t pid = RunCommand(state, reporter_ + " later", SW_SHOWNORMAL, false, false);
  ASSERT_GT(pid, 0);
#ifdef _WIN32
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  ASSERT_NE(process, nullptr);
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
#else
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
#endif
  EXPECT_EQ(ReadReport().args, std::vector<std::string>{"later"});
}

TEST_F(ProcessTest, WordsAreSplitByTheWindowsRules) {
  testing::DriveTable noDrives;
  using Words = std::vector<std::string>;
  EXPECT_EQ(ArgsOf("  a   b\tc  "), (Words{"a", "b", "c"}));
  EXPECT_EQ(ArgsOf("\"two words\" x\"y z\"w"), (Words{"two words", "xy zw"}));
  EXPECT_EQ(ArgsOf("a\\\\b \\\"q\\\" \"\""), (Words{"a\\\\b", "\"q\"", ""}));
  EXPECT_EQ(ArgsOf("\"end\\\\\" c:\\dir\\ \"in\"\"side\""),
            (Words{"end\\", "c:\\dir\\", "in\"side"}));
}

TEST_F(ProcessTest, QuotedProgramPathWithBlanksIsFound) {
  const auto spaced = folder_ / "with blank";
  std::filesystem::create_directory(spaced);
  const auto program = spaced / ("prog" + std::filesystem::path(reporter_).extension().string());
  std::filesystem::copy_file(reporter_, program);
  ErrorState state;
  RunCommand(state, "\"" + program.string() + "\" one", SW_SHOWNORMAL, true, false);
  EXPECT_EQ(TakeError(state), 0);
  EXPECT_EQ(ReadReport().args, std::vector<std::string>{"one"});
}

TEST_F(ProcessTest, LongCommandLineArrivesWhole) {
  const std::string word(300, 'w');
  const std::vector<std::string> args = ArgsOf(word + " tail");
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[0], word);
  EXPECT_EQ(args[1], "tail");
}

#ifdef _WIN32
// Windows hands the line over as it is: the program, or the interpreter after /c, reads it.
TEST_F(ProcessTest, TheLineReachesTheProgramWhole) {
  testing::DriveTable drives;
  drives.Root('a');
  for (const std::string rest :
       {"-y -ao -oC:\\QUELB c:\\quelb Q:\\X /c", "/c \"\"A:\\x y\\Q.EXE\" -o \"C:\\P F\"\""}) {
    ErrorState state;
    RunCommand(state, reporter_ + " " + rest, SW_SHOWNORMAL, true, false);
    EXPECT_EQ(TakeError(state), 0);
    EXPECT_EQ(ReadReport().line, reporter_ + " " + rest);
  }
}

// The services make their calls with the platform's error boxes off; a program they start does
// not inherit that, so that it can still ask for a disk or tell of a missing library.
TEST_F(ProcessTest, TheChildStartsWithTheDefaultErrorMode) {
  ErrorState state;
  RunCommand(state, reporter_, SW_SHOWNORMAL, true, false);
  EXPECT_EQ(TakeError(state), 0);
  EXPECT_EQ(ReadReport().errorMode, "0");
}
#else
TEST_F(ProcessTest, DrivePathsReachTheProgramAsHostPaths) {
  testing::DriveTable drives;
  const std::string c = drives.Root('c').string();
  std::filesystem::create_directory(drives.Root('c') / "QUELB");
  EXPECT_EQ(
      ArgsOf("-y -ao -oC:\\QUELB c:\\quelb Q:\\X /c"),
      (std::vector<std::string>{"-y", "-ao", "-o" + c + "/QUELB", c + "/QUELB", "Q:\\X", "/c"}));
  // A host folder with DOS names joined to it, as a source on a host path gives.
  const std::string host = folder_.Path().string();
  EXPECT_EQ(
      ArgsOf(host + "\\QUELBAP.EXE -o" + host + "\\x\\y " + host + "/as/typed"),
      (std::vector<std::string>{host + "/QUELBAP.EXE", "-o" + host + "/x/y", host + "/as/typed"}));
}

// The interpreter form: the command after /c loses its outer quotes and is split again.
TEST_F(ProcessTest, CommandAfterInterpreterSwitchIsSplitAsTheInterpreterReadsIt) {
  testing::DriveTable drives;
  const std::string a = drives.Root('a').string();
  const std::string c = drives.Root('c').string();
  // The interpreter is known by its path in any letter case and with either separator.
  std::string comspec = UpperText(reporter_);
  std::replace(comspec.begin(), comspec.end(), '/', '\\');
  EnvironmentGuard interpreter("COMSPEC", comspec);
  EXPECT_EQ(ArgsOf("/c \"\"A:\\x y\\Q.EXE\" -o \"C:\\P F\"\""),
            (std::vector<std::string>{"/c", a + "/x y/Q.EXE", "-o", c + "/P F"}));
  EXPECT_EQ(ArgsOf("/C A:\\QUELBAP.EXE -o C:\\QUELB"),
            (std::vector<std::string>{"/C", a + "/QUELBAP.EXE", "-o", c + "/QUELB"}));
}
#endif

TEST_F(ProcessTest, AnyOtherProgramGetsSlashCAndItsWordsAsTheWindowsRulesSplitThem) {
  EnvironmentGuard interpreter("COMSPEC", "C:\\WINDOWS\\system32\\cmd.exe");
  EXPECT_EQ(ArgsOf("/c \"x y\""), (std::vector<std::string>{"/c", "x y"}));
  interpreter.Unset();
  EXPECT_EQ(ArgsOf("/c \"x y\""), (std::vector<std::string>{"/c", "x y"}));
}

TEST_F(ProcessTest, BareNameIsFoundInTheCurrentFolderInAnyLetterCase) {
  CurrentFolderGuard guard;
  std::filesystem::copy_file(reporter_, folder_ / "cm.exe");
  std::filesystem::current_path(folder_.Path());
  ErrorState state;
  RunCommand(state, "CM.EXE here", SW_SHOWNORMAL, true, false);
  EXPECT_EQ(TakeError(state), 0);
  const Report report = ReadReport();
  EXPECT_EQ(report.args, std::vector<std::string>{"here"});
  EXPECT_EQ(report.cwd, std::filesystem::canonical(folder_.Path()).string());
}

TEST_F(ProcessTest, BareNameIsFoundOnThePath) {
#ifdef _WIN32
  EnvironmentGuard path("PATH", std::string("C:\\nonexistent;") + QUELB_TEST_PROGRAMS_DIR);
#else
  EnvironmentGuard path("PATH", std::string("/nonexistent:") + QUELB_TEST_PROGRAMS_DIR);
#endif
  ErrorState state;
  RunCommand(state, "proc_report found", SW_SHOWNORMAL, true, false);
  EXPECT_EQ(TakeError(state), 0);
  EXPECT_EQ(ReadReport().args, std::vector<std::string>{"found"});
}

#ifndef _WIN32
// A count of processes per user is a POSIX limit; Windows has no such setting for a test.
// Without room for another process of this user, the start fails as Windows fails then.
TEST_F(ProcessTest, NoRoomForAnotherProcessFailsWith75) {
  const pid_t starter = fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    // An administrator is not bound by the count of processes.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    const struct rlimit none = {0, 0};
    if (setrlimit(RLIMIT_NPROC, &none) != 0) _exit(101);
    ErrorState state;
    const int32_t result = RunCommand(state, "/bin/true", SW_SHOWNORMAL, true, false);
    _exit(result == 0 ? state.number : 102);
  }
  int status = 0;
  ASSERT_EQ(waitpid(starter, &status, 0), starter);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 75);
}
#endif

TEST_F(ProcessTest, DescriptorsReachTheChildOnlyWhenInherited) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows shows a program no list of the handles it inherited";
#else
  const int fd = open("/dev/null", O_RDONLY);
  ASSERT_GT(fd, 2);
  ErrorState state;
  RunCommand(state, reporter_, SW_SHOWNORMAL, true, false);
  EXPECT_TRUE(ReadReport().descriptors.empty());
  RunCommand(state, reporter_, SW_SHOWNORMAL, true, true);
  const std::vector<int> inherited = ReadReport().descriptors;
  close(fd);
  EXPECT_NE(std::find(inherited.begin(), inherited.end(), fd), inherited.end());
  EXPECT_EQ(TakeError(state), 0);
#endif
}

}  // namespace
}  // namespace quelb
