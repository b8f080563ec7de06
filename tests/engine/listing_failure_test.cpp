// The "Error opening Input" prompt. Only want of memory makes a listing fail, so the run is
// taken in a child process whose address space is capped just above what it already uses,
// over a source folder whose names need more than that.
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "dialog/dialog_double.h"
#include "engine/engine.h"
#include "support/scripted_operator.h"
#include "support/temp_folder.h"

namespace quelb::testing {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
constexpr int kNames = 40000;
constexpr rlim_t kHeadroom = 4 << 20;

void FillWithLongNames(const fs::path& folder) {
  fs::create_directories(folder);
  const std::string stem(180, 'n');
  for (int i = 0; i < kNames; ++i) std::ofstream(folder / (stem + std::to_string(i)));
}

rlim_t AddressSpaceInUse() {
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  return static_cast<rlim_t>(pages) * 4096;
}

bool Shown(const ShownBox& box, const Text& text, const Text& title, uint32_t style) {
  if (box.text == text && box.title == title && box.style == style) return true;
  std::fprintf(stderr, "box [%s] [%s] %#x\n", box.title.c_str(), box.text.c_str(), box.style);
  return false;
}

// Runs in the child: answers Retry, then Cancel, then OK to the abort message.
[[noreturn]] void RunWithoutMemory(const fs::path& source, const fs::path& target,
                                   const Text& hint) {
  ScriptedOperator operator_;
  operator_.Answer({IDRETRY, IDCANCEL, IDOK});
  DialogDouble* handle = RunDialog(source.string(), target.string());
  ErrorState errors;
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  const rlimit capped{AddressSpaceInUse() + kHeadroom, limit.rlim_max};
  setrlimit(RLIMIT_AS, &capped);
  const RunOutcome outcome = UpdateRun(handle, errors);
  setrlimit(RLIMIT_AS, &limit);

  const auto& boxes = operator_.Boxes();
  const Text inputTitle = "Error opening Input " + source.string();
  const bool asExpected = outcome == RunOutcome::kAborted && boxes.size() == 3 &&
                          Shown(boxes[0], hint, inputTitle, 0x2025) &&
                          Shown(boxes[1], hint, inputTitle, 0x2025) &&
                          Shown(boxes[2], "Error 7 detected", "Canceled by the operator", 0x2000) &&
                          handle->endCount == 1 && handle->writes[IDC_STATUS].empty();
  if (!asExpected) std::fprintf(stderr, "%zu boxes\n", boxes.size());
  std::_Exit(asExpected ? 0 : 1);
}

#endif

struct SourceAndHint {
  const char* name;
  const char* folder;
  const char* hint;
};

class ListingFailureDeathTest : public ::testing::TestWithParam<SourceAndHint> {};

TEST_P(ListingFailureDeathTest, WantOfMemoryBringsUpTheInputPromptUntilCancelled) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no cap on a process's address space to run a listing out of memory";
#else
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer reserves more address space than any cap allows";
#endif
  TempFolder scratch;
  const fs::path source = scratch / GetParam().folder;
  FillWithLongNames(source);
  const fs::path target = scratch / "QUELB";
  fs::create_directories(target);
  EXPECT_EXIT(RunWithoutMemory(source, target, GetParam().hint), ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(fs::is_empty(target));
#endif
}

// A source that ends in "download", in any case, is the download folder of the suite.
INSTANTIATE_TEST_SUITE_P(
    Hints, ListingFailureDeathTest,
    ::testing::Values(SourceAndHint{"DownloadFolder", "LdgrHome/DownLoad",
                                    "Be sure 'Download Updates' has been run"},
                      SourceAndHint{"Disk", "Updates/Disk1", "Be sure disk is properly loaded"}),
    [](const ::testing::TestParamInfo<SourceAndHint>& info) { return info.param.name; });

}  // namespace
}  // namespace quelb::testing
