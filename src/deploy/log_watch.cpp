#include "deploy/log_watch.h"

#include <cstdio>
#include <cstdlib>

#include "deploy/exit_codes.h"
#include "deploy/json_lines.h"
#include "deploy/log_lines.h"
#include "deploy/stage.h"
#include "dialog/screenless/progress_line.h"
#include "engine/engine.h"
#include "services/digest.h"
#include "services/journal_files.h"
#include "services/log_file.h"
#include "services/process.h"

namespace quelb::deploy {
namespace {

// What the log says of a name that was staged when the release was not put in place.
constexpr const char* kNotPlaced = "staged, not placed";

DeployRecord*& KeptRecord() {
  static DeployRecord* record = nullptr;
  return record;
}

Text ButtonName(int answer) {
  switch (answer) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "Abort";
    case IDRETRY:
      return "Retry";
    case IDIGNORE:
      return "Ignore";
    case IDYES:
      return "Yes";
    case IDNO:
      return "No";
    case kEndTheRun:
      return "end the run";
  }
  return "button " + std::to_string(answer);
}

Text DeliveredAction(const NameReport& report, bool targetWasThere) {
  switch (report.kind) {
    case NameKind::kArchive:
      return "expanded";
    case NameKind::kPackage:
      return "package";
    case NameKind::kSetup:
    case NameKind::kOther:
      break;
  }
  return targetWasThere ? "replaced" : "copied";
}

Text ActionOf(const NameReport& report, bool targetWasThere) {
  switch (report.result) {
    case NameResult::kDelivered:
      return DeliveredAction(report, targetWasThere);
    case NameResult::kInPlace:
      return "in place";
    case NameResult::kLeftOut:
      return "left out";
    case NameResult::kNotExpanded:
      return "not expanded";
    case NameResult::kUnchanged:
      return "unchanged";
    case NameResult::kSkipped:
      return "skipped";
    case NameResult::kFailed:
      return "failed";
  }
  return "?";
}

// The file that the deploy delivered: the target of a copy, the archive that was expanded, the
// package left in the download folder. Empty when nothing was delivered.
Text DeliveredFile(const NameReport& report) {
  if (report.result == NameResult::kInPlace) return report.source;
  if (report.result != NameResult::kDelivered) return {};
  return report.kind == NameKind::kArchive ? report.source : report.target;
}

// A delivered file's size is the count of the bytes its digest read; a source that was decided
// on has the size it had then.
void AddSizeAndDigest(NameRecord& record, const NameReport& report, const Decision* decision) {
  const Text delivered = DeliveredFile(report);
  ErrorState errors;
  if (!delivered.empty()) {
    record.sha256 = Sha256OfFile(errors, delivered, &record.size);
    if (TakeError(errors) == 0) return;
  } else if (decision != nullptr && decision->source) {
    record.size = decision->source->size;
    return;
  }
  record.size = SizeAndTimeOf(errors, delivered.empty() ? report.source : delivered).size;
  ClearError(errors);
}

// A name staged is counted once the release is placed or turned back.
void Count(Counts& counts, NameResult result) {
  switch (result) {
    case NameResult::kDelivered:
      break;
    case NameResult::kInPlace:
    case NameResult::kNotExpanded:
      ++counts.counted;
      break;
    case NameResult::kUnchanged:
      ++counts.unchanged;
      break;
    case NameResult::kSkipped:
      ++counts.skipped;
      break;
    case NameResult::kFailed:
      ++counts.failed;
      break;
    case NameResult::kLeftOut:
      break;
  }
}

// A target that cannot be looked at is there, held by another process.
bool TargetThere(const Text& target) {
  if (target.empty()) return false;
  ErrorState errors;
  return SizeAndTimeOf(errors, target).Exists() || TakeError(errors) != 0;
}

// As the completion box of a run writes its count.
Text CompletionLine(int64_t counted) {
  return (counted == 0 ? Text("NO") : NumberText(counted)) + " files copied or expanded.";
}

}  // namespace

DeployRecord::DeployRecord(const Options& options) : options_(options), logs_(options.logFile) {
  KeptRecord() = this;
  const StartRecord start{TimeNow(),       QUELB_VERSION, "quelb-deploy " + CommandTail(),
                          AccountName(),   MachineName(), SystemName(),
                          options.sources, options.target};
  for (const Text& line : StartLines(start)) logs_.Write(line);
  if (options_.json) Write({}, StartJson(start));
}

DeployRecord::~DeployRecord() {
  if (KeptRecord() == this) KeptRecord() = nullptr;
}

void DeployRecord::NameStarts(const UpdateRunState& run) {
  const Decision* decision = DecisionOn(run.CurrentFile);
  targetWasThere_[run.SourceFilePath()] =
      decision != nullptr && decision->targetThere
          ? *decision->targetThere
          : TargetThere(FinalPathOf(CopyTargetOf(run), options_.target, options_.download));
}

void DeployRecord::NameSettled(const NameReport& report) {
  const auto started = targetWasThere_.find(report.source);
  const bool targetWasThere = started != targetWasThere_.end() && started->second;
  if (started != targetWasThere_.end()) targetWasThere_.erase(started);
  NameRecord record;
  record.time = TimeNow();
  record.action = ActionOf(report, targetWasThere);
  record.source = report.source;
  // A deploy stages its files: the log names the file each becomes.
  record.target = FinalPathOf(report.target, options_.target, options_.download);
  AddSizeAndDigest(record, report, DecisionOn(report.name));
  settledSource_ = report.source;
  settledDigest_ = record.sha256;
  record.error = report.failure.number;
  record.platformCode = report.failure.platformCode;
  record.archive = report.kind == NameKind::kArchive;
  record.command = report.command;
  record.exitCode = report.exitCode;
  Count(counts_, report.result);
  if (report.result == NameResult::kDelivered) {
    staged_.push_back(std::move(record));
    return;
  }
  Write(NameLine(record), options_.json ? NameJson(record) : Text());
}

const Decision* DeployRecord::DecisionOn(const Text& name) const {
  return decisions_ ? decisions_(name) : nullptr;
}

Text DeployRecord::DigestOfSettled(const NameReport& report) const {
  return report.source == settledSource_ ? settledDigest_ : Text();
}

// The staged names are told at once, in one write to each log.
void DeployRecord::ReleasePlaced(bool placed) {
  std::vector<Text> lines;
  lines.reserve(staged_.size());
  for (NameRecord& record : staged_) {
    if (placed) {
      ++counts_.delivered;
      ++counts_.counted;
    } else {
      record.action = kNotPlaced;
      ++counts_.notPlaced;
    }
    lines.push_back(NameLine(record));
    if (options_.json) Write({}, NameJson(record));
  }
  if (!lines.empty()) logs_.Write(lines);
  staged_.clear();
}

void DeployRecord::Question(const Box& box, int answer, const Text& why) {
  const QuestionRecord record{TimeNow(), box.title, box.text, ButtonName(answer), why};
  Write(QuestionLine(record), options_.json ? QuestionJson(record) : Text());
}

void DeployRecord::End(int exitCode, ErrorNumber fatal) {
  if (ended_) return;
  ReleasePlaced(false);
  ended_ = true;
  const EndRecord record{TimeNow(), CompletionLine(counts_.counted), exitCode, fatal, counts_};
  Write(EndLine(record), options_.json ? EndJson(record) : Text());
  logs_.Close();
}

void DeployRecord::OutsideChange(const Text& archive, const Text& changed) {
  const OutsideRecord outside{TimeNow(), archive, changed};
  Write(OutsideLine(outside), options_.json ? OutsideJson(outside) : Text());
}

void DeployRecord::ShortOfSpace(const std::vector<Text>& folders, int64_t needed, int64_t free) {
  const SpaceRecord space{TimeNow(), folders, needed, free};
  Write(SpaceLine(space), options_.json ? SpaceJson(space) : Text());
}

void DeployRecord::Write(const Text& line, const Text& json) {
  if (!line.empty()) logs_.Write(line);
  if (json.empty()) return;
  dialog::screenless::EndProgressLine();
  std::fputs((json + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void EndAfterFatalError(ErrorNumber number) {
  if (DeployRecord* record = KeptRecord()) record->End(kOtherFailure, number);
  dialog::screenless::EndProgressLine();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(kOtherFailure);
}

}  // namespace quelb::deploy
