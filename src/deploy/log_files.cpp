#include "deploy/log_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "deploy/pre_run.h"
#include "deploy/stage.h"
#include "services/files.h"
#include "services/journal_files.h"

namespace quelb::deploy {
namespace {

#ifdef _WIN32
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

// A log's name is its start in UTC to the millisecond, 20261209-131644-123.log, so that the
// names sort as the logs were made.
constexpr size_t kLogNameLength = 23;
constexpr int kNameTries = 100;

Text LogName(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  char text[32] = {};
  // One thread: gmtime's shared result is read at once.
  const size_t length = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", std::gmtime(&seconds));
  std::snprintf(text + length, sizeof text - length, "-%03d.log", static_cast<int>(millis));
  return text;
}

bool IsLogName(const Text& name) {
  if (name.size() != kLogNameLength || LowerText(RightText(name, 4)) != ".log") return false;
  for (size_t at = 0; at < kLogNameLength - 4; ++at) {
    const bool separator = at == 8 || at == 15;
    if (separator ? name[at] != '-' : (name[at] < '0' || name[at] > '9')) return false;
  }
  return true;
}

std::vector<Text> LogsIn(const Text& folder) {
  ErrorState errors;
  std::vector<Text> names = ListedNames(errors, folder, kPlainFilesOnly);
  std::erase_if(names, [](const Text& name) { return !IsLogName(name); });
  std::sort(names.begin(), names.end());
  return names;
}

// The oldest logs beyond the number kept are removed; one that cannot be is left.
void RemoveOldLogs(const Text& folder) {
  const std::vector<Text> names = LogsIn(folder);
  if (names.size() <= kLogsKept) return;
  for (size_t index = 0; index + kLogsKept < names.size(); ++index) {
    ErrorState errors;
    RemoveFile(errors, folder + "\\" + names[index]);
  }
}

bool NameTaken(const Text& path) {
  ErrorState errors;
  return IdentityOf(errors, path).Exists();
}

// Made as needed; a failure shows when the log is opened.
void MakeLogsFolder(const Text& target) {
  ErrorState errors;
  MakeDeployFolder(errors, target);
  ClearError(errors);
  MakeFolder(errors, LogsFolderOf(target));
}

// The first name from the time on that no file has yet, as another deploy may have begun in
// the same millisecond.
Text NewLogPath(const Text& folder) {
  auto when = std::chrono::system_clock::now();
  Text path = folder + "\\" + LogName(when);
  for (int tries = 1; tries < kNameTries && NameTaken(path); ++tries) {
    when += std::chrono::milliseconds(1);
    path = folder + "\\" + LogName(when);
  }
  return path;
}

}  // namespace

Text LogsFolderOf(const Text& target) {
  return DeployFolderOf(target) + "\\logs";
}

LogFiles::LogFiles(const Text& logOption) {
  if (!logOption.empty()) Open(logOption, false);
}

LogFiles::~LogFiles() {
  Close();
}

// A folder another account may point anew through a link is written nowhere, as a run
// writes nothing there.
void LogFiles::OpenInTarget(const Text& target) {
  targetTried_ = true;
  const Text folder = LogsFolderOf(target);
  if (!ReachedThroughAnotherAccountsLink(folder)) MakeLogsFolder(target);
  if (ReachedThroughAnotherAccountsLink(folder)) {
    ErrorState errors;
    StoreError(errors, error_number::kAccessDenied);
    Fail(folder, errors);
  } else {
    Open(NewLogPath(folder), true);
    RemoveOldLogs(folder);
  }
  early_.clear();
}

void LogFiles::NotInTarget(const Text& target) {
  targetTried_ = true;
  early_.clear();
  std::fprintf(stderr, "quelb-deploy: no log is written in %s, which cannot be used\n",
               target.c_str());
}

void LogFiles::Open(const Text& path, bool fresh) {
  ErrorState errors;
  const AppendedFile file = OpenToAppend(errors, path, fresh);
  if (file == kNoAppendedFile) return Fail(path, errors);
  logs_.push_back({path, file, {}});
  if (!early_.empty() && !Append(logs_.back(), early_)) Drop(logs_.end() - 1);
}

void LogFiles::Write(const Text& line) {
  Write(std::vector<Text>{line});
}

void LogFiles::Write(const std::vector<Text>& lines) {
  if (!targetTried_) early_.insert(early_.end(), lines.begin(), lines.end());
  for (auto log = logs_.begin(); log != logs_.end();) {
    log = Append(*log, lines) ? log + 1 : Drop(log);
  }
}

bool LogFiles::Append(Log& log, const std::vector<Text>& lines) {
  Text text;
  for (const Text& line : lines) text += line + kLineEnd;
  AppendText(log.errors, log.file, text);
  return log.errors.number == 0;
}

std::vector<LogFiles::Log>::iterator LogFiles::Drop(std::vector<Log>::iterator log) {
  ErrorState closing;
  CloseAppended(closing, log->file);
  Fail(log->path, log->errors);
  return logs_.erase(log);
}

void LogFiles::Close() {
  for (Log& log : logs_) {
    CloseAppended(log.errors, log.file);
    if (log.errors.number != 0) Fail(log.path, log.errors);
  }
  logs_.clear();
}

void LogFiles::Fail(const Text& path, ErrorState& errors) {
  std::fprintf(stderr, "quelb-deploy: the log %s cannot be written: error %d\n", path.c_str(),
               static_cast<int>(TakeError(errors)));
}

}  // namespace quelb::deploy
