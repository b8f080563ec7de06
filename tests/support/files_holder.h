// A real second process that holds a file open for as long as this object lives.
#pragma once

#include <sys/types.h>

#include <filesystem>

namespace quelb::testing {

class FileHolder {
 public:
  explicit FileHolder(const std::filesystem::path& file);
  ~FileHolder();
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  // True once the holder has the file open; false when it could not start or open it.
  bool Ready() const { return ready_; }

 private:
  pid_t child_ = -1;
  int toChild_ = -1;
  bool ready_ = false;
};

}  // namespace quelb::testing
