// The world of a copy test, shared by the portable cases and those of each backend: a drive
// table with C:\SOURCE\DATA.DBF and an older C:\QUELB\DATA.DBF, and what the cases look at.
#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <set>
#include <string>

#include "services/files.h"
#include "support/temp_folder.h"

namespace quelb::testing {

namespace fs = std::filesystem;

inline std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

#ifndef _WIN32
inline struct stat StatOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}
#endif

// Bytes that differ from block to block, longer than one chunk of the copy.
inline std::string LongContent() {
  std::string content;
  for (int i = 0; content.size() < 2'600'000; ++i) content += std::to_string(i * 7919) + ";";
  return content;
}

class CopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_ = drives_.Root('c');
    fs::create_directories(c_ / "SOURCE");
    fs::create_directories(c_ / "QUELB");
    testing::WriteFile(c_ / "SOURCE" / "DATA.DBF", "new content");
    testing::WriteFile(c_ / "QUELB" / "DATA.DBF", "old content");
  }

  // The copy of C:\SOURCE\DATA.DBF onto C:\QUELB\DATA.DBF failed with the number and left the
  // old target and nothing else.
  void ExpectRefused(ErrorNumber number) {
    CopyFileTo(state_, "C:\\SOURCE\\DATA.DBF", "C:\\QUELB\\DATA.DBF");
    EXPECT_EQ(TakeError(state_), number);
    EXPECT_EQ(testing::ReadFile(c_ / "QUELB" / "DATA.DBF"), "old content");
    EXPECT_EQ(NamesIn(c_ / "QUELB"), std::set<std::string>{"DATA.DBF"});
  }

  testing::DriveTable drives_;
  fs::path c_;
  ErrorState state_;
};

}  // namespace quelb::testing
