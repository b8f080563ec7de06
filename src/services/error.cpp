// Error numbers: the one table from Windows codes to them, and the error state a failing service
// stores its number in.
#include "services/error.h"

#include <array>
#include <cstdlib>
#include <utility>

#include "services/terminal.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

struct CodeRow {
  uint32_t windowsCode;
  ErrorNumber number;
};

// Every code not in the table gives kFileOperationFailed.
// clang-format off
constexpr std::array<CodeRow, 41> kCodeRows = {{
    // A failure that carries the code 0.
    {wincode::kSuccess,                error_number::kInternalFailure},
    {wincode::kInvalidFunction,        error_number::kFileOperationFailed},
    {wincode::kFileNotFound,           error_number::kFileNotFound},
    {wincode::kPathNotFound,           error_number::kFolderNotFound},
    {wincode::kTooManyOpenFiles,       error_number::kTooManyOpenFiles},
    {wincode::kAccessDenied,           error_number::kAccessDenied},
    {wincode::kInvalidHandle,          error_number::kInternalFailure},
    {wincode::kArenaTrashed,           error_number::kFatal},
    {wincode::kNotEnoughMemory,        error_number::kOutOfMemory},
    {wincode::kInvalidBlock,           error_number::kFatal},
    {wincode::kBadEnvironment,         error_number::kFatal},
    {wincode::kBadFormat,              error_number::kInternalFailure},
    {wincode::kInvalidAccess,          error_number::kInternalFailure},
    {wincode::kInvalidData,            error_number::kInternalFailure},
    {wincode::kOutOfMemory,            error_number::kOutOfMemory},
    {wincode::kInvalidDrive,           error_number::kDriveUnavailable},
    {wincode::kCurrentDirectory,       error_number::kFileOperationFailed},
    {wincode::kNotSameDevice,          error_number::kNotSameDrive},
    {wincode::kNoMoreFiles,            error_number::kFileNotFound},
    {wincode::kWriteProtect,           error_number::kAccessDenied},
    {wincode::kBadUnit,                error_number::kDriveUnavailable},
    {wincode::kNotReady,               error_number::kDiskNotReady},
    {wincode::kBadCommand,             error_number::kInternalFailure},
    {wincode::kCrc,                    error_number::kDiskFault},
    {wincode::kBadLength,              error_number::kInternalFailure},
    {wincode::kSeek,                   error_number::kDiskFault},
    {wincode::kNotDosDisk,             error_number::kDiskFault},
    {wincode::kSectorNotFound,         error_number::kDiskFault},
    {wincode::kOutOfPaper,             error_number::kDiskFault},
    {wincode::kWriteFault,             error_number::kDiskFault},
    {wincode::kReadFault,              error_number::kDiskFault},
    {wincode::kGenFailure,             error_number::kDiskFault},
    {wincode::kSharingViolation,       error_number::kAccessDenied},
    {wincode::kLockViolation,          error_number::kAccessDenied},
    {wincode::kWrongDisk,              error_number::kDiskFault},
    {wincode::kUnassigned35,           error_number::kDiskFault},
    {wincode::kSharingBufferExceeded,  error_number::kAccessDenied},
    {wincode::kHandleEof,              error_number::kPastEndOfFile},
    {wincode::kHandleDiskFull,         error_number::kDiskFull},
    {wincode::kInvalidParameter,       error_number::kInvalidArgument},
    {wincode::kDiskFull,               error_number::kDiskFull},
}};
// clang-format on

}  // namespace

namespace {

void EndWithTheFatalExitCode(ErrorNumber) {
  // The process ends without its exit handlers, so the terminal is given back here.
  GiveUpTerminal();
  std::_Exit(kFatalExitCode);
}

FatalEnd& InstalledFatalEnd() {
  static FatalEnd end = EndWithTheFatalExitCode;
  return end;
}

}  // namespace

FatalEnd SetFatalEnd(FatalEnd end) {
  return std::exchange(InstalledFatalEnd(), end);
}

ErrorNumber ErrorNumberOfWindowsCode(uint32_t windowsCode) {
  for (const CodeRow& row : kCodeRows) {
    if (row.windowsCode == windowsCode) return row.number;
  }
  return error_number::kFileOperationFailed;
}

void StoreError(ErrorState& state, ErrorNumber number, int rawCode) {
  if (number >= error_number::kFatal) {
    InstalledFatalEnd()(number);
    // An end that returns has not ended the process, which must not go on.
    EndWithTheFatalExitCode(number);
  }
  state.number = number;
  state.pending = true;
  state.rawCode = rawCode;
}

void StoreWindowsError(ErrorState& state, uint32_t windowsCode, int rawCode) {
  StoreError(state, ErrorNumberOfWindowsCode(windowsCode), rawCode);
}

ErrorNumber TakeError(ErrorState& state) {
  const ErrorNumber number = state.number;
  state.number = 0;
  state.pending = false;
  state.rawCode = 0;
  return number;
}

void ClearError(ErrorState& state) {
  TakeError(state);
}

void SetErrorTrap(ErrorState& state, TrapPlace place) {
  state.trap = place;
  state.pending = false;
}

bool ErrorTrapSprung(ErrorState& state) {
  const bool sprung = state.pending && state.trap != kNoTrap;
  state.pending = false;
  return sprung;
}

}  // namespace quelb
