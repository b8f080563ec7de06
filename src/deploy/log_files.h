// Where the log of a deploy is written: the file of --log, opened first, and a new log in
// .quelb-deploy\logs\ inside the target, once the target is known to be usable. Each line is
// written to both as it comes. A log that cannot be written is said once on standard error
// and changes nothing else.
#pragma once

#include <vector>

#include "services/log_file.h"
#include "services/text.h"

namespace quelb::deploy {

// How many logs the target keeps, the new one among them.
inline constexpr size_t kLogsKept = 20;

class LogFiles {
 public:
  // Opens the file of --log, unless the text is empty.
  explicit LogFiles(const Text& logOption);
  ~LogFiles();
  LogFiles(const LogFiles&) = delete;
  LogFiles& operator=(const LogFiles&) = delete;

  // Makes the log in the target, and writes there what was written before.
  void OpenInTarget(const Text& target);
  // Says that no log is written in the target, which cannot be used.
  void NotInTarget(const Text& target);
  void Write(const Text& line);
  // The lines at once, as one write to each log.
  void Write(const std::vector<Text>& lines);
  // Puts every log on the disk and closes it; nothing is written after.
  void Close();

 private:
  struct Log {
    Text path;
    AppendedFile file;
    ErrorState errors;
  };
  void Open(const Text& path, bool fresh);
  // False, with the error kept in the log, when the lines could not be written.
  bool Append(Log& log, const std::vector<Text>& lines);
  // Closes a log that failed and says so; the log after it.
  std::vector<Log>::iterator Drop(std::vector<Log>::iterator log);
  void Fail(const Text& path, ErrorState& errors);

  std::vector<Log> logs_;
  // The lines written before the log in the target was opened.
  std::vector<Text> early_;
  bool targetTried_ = false;
};

// The logs folder inside the target.
Text LogsFolderOf(const Text& target);

}  // namespace quelb::deploy
