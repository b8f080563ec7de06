#include "deploy/deploy.h"

#include <optional>

#include "deploy/exit_codes.h"
#include "deploy/log_watch.h"
#include "deploy/policy.h"
#include "deploy/pre_run.h"
#include "deploy/progress.h"
#include "dialog/screenless/progress_line.h"
#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/process.h"

namespace quelb::deploy {
namespace {

// The run takes its paths from its dialog, which here only holds them.
dialog::DialogHandle DeployDialog(const Text& source, const Text& target) {
  using dialog::ControlKind;
  const dialog::DialogHandle handle = dialog::MakeDialog(
      dialog::Unit::kDialogUnits, nullptr, AppName, dialog::kCentred, dialog::kCentred, 0, 0, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_SOURCE, source, 0, 0, 0, 0, 0, 0);
  dialog::AddControl(ControlKind::kTextBox, handle, IDC_TARGET, target, 0, 0, 0, 0, 0, 0);
  dialog::AddControl(ControlKind::kLabel, handle, IDC_STATUS, "", 0, 0, 0, 0, 0, 0);
  return handle;
}

int DeliverSource(Policy& policy, const Options& options, const Text& source) {
  if (const int code = CheckSource(source, options.waitSeconds); code != 0) return code;
  RunAborted = kFalse;
  policy.StartRun();
  ErrorState errors;
  const RunOutcome outcome = UpdateRun(DeployDialog(source, options.target), errors);
  dialog::screenless::EndProgressLine();
  return policy.ExitCode(outcome);
}

// Nobody sits at the machine: the control module is started only when asked for, and not
// waited for. The run left the target current.
void StartControlModule() {
  ErrorState errors;
  RunCommand(errors, "cm.exe", SW_SHOWNORMAL, false, false);
}

// A source whose run skipped a file leaves the code 6 and the next source is delivered; any
// other failure ends the deploy with its code.
int DeliverSources(Policy& policy, const Options& options) {
  int code = kDelivered;
  for (const Text& source : options.sources) {
    const int sourceCode = DeliverSource(policy, options, source);
    if (sourceCode == kFileNotDelivered && options.keepGoing) {
      code = sourceCode;
      continue;
    }
    if (sourceCode != kDelivered) return sourceCode;
  }
  return code;
}

// The log in the target is begun once the target is known to be usable, and tells of a
// download folder that is not.
int DeliverToTarget(const Options& options, DeployRecord& record) {
  if (const int code = CheckFolder(options.target); code != 0) {
    record.NoTargetLog();
    return code;
  }
  record.OpenTargetLog();
  if (const int code = CheckFolder(options.download); code != 0) return code;
  std::optional<ProgressWatch> progress;
  if (dialog::screenless::ProgressLineShown()) progress.emplace();
  Policy policy(options);
  policy.SetWitness([&record, &policy](const Box& box, int answer) {
    record.Question(box, answer, policy.Reason());
  });
  const MessageHandler previous =
      SetMessageHandler([&policy](const Box& box) { return policy.Answer(box); });
  const int code = DeliverSources(policy, options);
  SetMessageHandler(previous);
  if (options.startControlModule && code == kDelivered) StartControlModule();
  return code;
}

}  // namespace

int RunDeploy(const Options& options) {
  AppName = options.app;
  UpdateMode = kTrue;
  DownloadFolder = options.download;
  ArchiveTimeLimit = std::chrono::seconds(options.archiveTimeoutSeconds);
  DeployRecord record(options);
  const int code = DeliverToTarget(options, record);
  record.End(code);
  return code;
}

}  // namespace quelb::deploy
