// The in-use check: before an archive replaces a program, that program (and for the control
// module the key libraries updated with it) is opened with all sharing denied and closed at
// once. A file that cannot be opened so is held by someone, and the operator may retry or
// skip the archive. A failed test springs the trap installed for it, which brings up the
// matching prompt.
#include <array>

#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/files.h"
#include "services/message.h"

namespace quelb {
namespace {

constexpr TrapPlace kTargetProgramPrompt = 1;
constexpr TrapPlace kKeyProgramsPrompt = 2;

constexpr std::array<const char*, 3> kKeyLibraries = {"\\rptdrv.dll", "\\ledgcore.dll",
                                                      "\\zlib.dll"};

constexpr uint32_t kRetryPromptStyle = MB_TASKMODAL | MB_ICONQUESTION | MB_YESNO;
constexpr const char* kLineBreak = "\r\n";

// Opens and closes the file under the installed trap; false when the trap has sprung.
bool TestFile(ErrorState& errors, const Text& path) {
  const int fileNumber = NextFileNumber();
  OpenExclusive(errors, path, fileNumber, Access::kReadWrite);
  if (ErrorTrapSprung(errors)) return false;
  CloseFile(errors, fileNumber);
  return !ErrorTrapSprung(errors);
}

// A missing key library is not in use. Only a library the listing finds is tested, under the
// name the listing gives, so that the test never creates one: an empty library would keep
// the suite's programs from loading.
bool TestKeyLibrary(ErrorState& errors, const Text& targetPath, const Text& library) {
  const Text found = ListFirst(errors, targetPath + library, kPlainFilesOnly);
  if (ErrorTrapSprung(errors)) return false;
  return found.empty() || TestFile(errors, targetPath + "\\" + found);
}

// One pass of the tests; returns the trap that has sprung, or kNoTrap when all passed.
TrapPlace TestFiles(const UpdateRunState& run, ErrorState& errors, const Text& moduleCode) {
  const Text program =
      ListFirst(errors, run.TargetPath + "\\" + moduleCode + ".exe", kPlainFilesOnly);
  if (program.empty()) return kNoTrap;
  SetErrorTrap(errors, kTargetProgramPrompt);
  if (!TestFile(errors, run.TargetPath + "\\" + program)) return kTargetProgramPrompt;
  if (LowerText(moduleCode) == "cm") {
    SetErrorTrap(errors, kKeyProgramsPrompt);
    for (const char* library : kKeyLibraries) {
      if (!TestKeyLibrary(errors, run.TargetPath, library)) return kKeyProgramsPrompt;
    }
  }
  SetErrorTrap(errors, kNoTrap);
  return kNoTrap;
}

Text TargetProgramText(ErrorNumber number, const Text& moduleCode) {
  return "Error" + NumberText(number) + " - Someone is in " + UpperText(moduleCode) + kLineBreak +
         "You may have them exit, then ..." + kLineBreak + "Yes = RETRY" + kLineBreak +
         "No = to skip this, and continue with remaining updates";
}

Text KeyProgramsText(ErrorNumber number) {
  return "Error" + NumberText(number) + " - An active session of " + AppName +
         " is using key programs" + kLineBreak +
         "that get updated with the Control Module (Main Menu Appl)." + kLineBreak +
         "For the Control Module to be updated, ALL users and sessions must be Closed." +
         kLineBreak + "If you are looking for a change in another module, say NO" + kLineBreak +
         "OR You may have them exit, then ..." + kLineBreak + "Yes = RETRY" + kLineBreak +
         "No = to skip this, and continue with remaining updates";
}

// The prompt of the sprung trap; true when the operator asks for a retry.
bool AskToRetry(UpdateRunState& run, ErrorState& errors, TrapPlace sprung, const Text& moduleCode) {
  run.TakeLastError(errors);
  if (sprung == kTargetProgramPrompt) {
    run.Answer =
        ShowMessage({BoxKind::kTargetProgramInUse, TargetProgramText(run.LastError, moduleCode),
                     "Target program is in use - RETRY ?", kRetryPromptStyle,
                     run.FailureAt(run.TargetPath + "\\" + moduleCode + ".exe")});
  } else {
    run.Answer = ShowMessage({BoxKind::kKeyProgramsInUse, KeyProgramsText(run.LastError),
                              "Key programs are in use - RETRY ??", kRetryPromptStyle,
                              run.FailureAt(run.TargetPath)});
  }
  SetErrorTrap(errors, kNoTrap);
  return run.Answer == IDYES;
}

}  // namespace

void CheckInUse(UpdateRunState& run, ErrorState& errors) {
  for (;;) {
    run.MayProceed = kTrue;
    const Text moduleCode = MidText(run.CurrentFile, 6, 2);
    const TrapPlace sprung = TestFiles(run, errors, moduleCode);
    if (sprung == kNoTrap) return;
    if (!AskToRetry(run, errors, sprung, moduleCode)) {
      run.MayProceed = kFalse;
      run.FileCount.Add(-1);
      return;
    }
  }
}

}  // namespace quelb
