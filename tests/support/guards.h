// Guards that put process-wide state back when a test's scope ends: the current folder and
// environment variables. Tests share one process, so whatever one test changes must not
// leak into the next.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#ifdef _WIN32
// The POSIX calls on the runtime's environment, which on Windows is also the process's.
inline int setenv(const char* name, const char* value, int) {
  return _putenv_s(name, value);
}
inline int unsetenv(const char* name) {
  return _putenv_s(name, "");
}
#endif

namespace quelb::testing {

class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : saved_(std::filesystem::current_path()) {}
  // Saves the current folder, then makes folder current.
  explicit CurrentFolderGuard(const std::filesystem::path& folder) : CurrentFolderGuard() {
    std::filesystem::current_path(folder);
  }
  // A destructor must not throw; a folder that cannot be restored fails the test instead,
  // since every later test would otherwise run in the wrong place.
  ~CurrentFolderGuard() {
    std::error_code error;
    std::filesystem::current_path(saved_, error);
    if (error) ADD_FAILURE() << "cannot return to " << saved_ << ": " << error.message();
  }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

 private:
  std::filesystem::path saved_;
};

// Saves one environment variable, set or unset, and restores exactly that at scope end.
class EnvironmentGuard {
 public:
  explicit EnvironmentGuard(std::string name) : name_(std::move(name)) {
    if (const char* value = std::getenv(name_.c_str())) saved_ = value;
  }
  EnvironmentGuard(std::string name, const std::string& value) : EnvironmentGuard(name) {
    Set(value);
  }
  ~EnvironmentGuard() { Restore(saved_); }
  EnvironmentGuard(const EnvironmentGuard&) = delete;
  EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

  void Set(const std::string& value) { setenv(name_.c_str(), value.c_str(), 1); }
  void Unset() { unsetenv(name_.c_str()); }

 private:
  void Restore(const std::optional<std::string>& value) {
    if (value) {
      Set(*value);
    } else {
      Unset();
    }
  }

  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace quelb::testing
