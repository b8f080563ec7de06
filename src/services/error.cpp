// Error numbers: the one table from Windows codes to them, and the error state a failing service
// stores its number in.
#include "services/error.h"

#include <array>
#include <cstdlib>

#include "services/terminal.h"
#include "services/windows_codes.h"

namespace quelb {
namespace {

struct CodeRow {
  uint32_t windowsCode;
  ErrorNumber number;
};

// Every code not in the table gives 75.
// clang-format off
constexpr std::array<CodeRow, 41> kCodeRows = {{
    {wincode::kSuccess,               51},  // a failure that carries the code 0
    {wincode::kInvalidFunction,       75},
    {wincode::kFileNotFound,          53},
    {wincode::kPathNotFound,          76},
    {wincode::kTooManyOpenFiles,      67},
    {wincode::kAccessDenied,          70},
    {wincode::kInvalidHandle,         51},
    {wincode::kArenaTrashed,          241},
    {wincode::kNotEnoughMemory,       7},
    {wincode::kInvalidBlock,          241},
    {wincode::kBadEnvironment,        241},
    {wincode::kBadFormat,             51},
    {wincode::kInvalidAccess,         51},
    {wincode::kInvalidData,           51},
    {wincode::kOutOfMemory,           7},
    {wincode::kInvalidDrive,          68},
    {wincode::kCurrentDirectory,      75},
    {wincode::kNotSameDevice,         74},
    {wincode::kNoMoreFiles,           53},
    {wincode::kWriteProtect,          70},
    {wincode::kBadUnit,               68},
    {wincode::kNotReady,              71},
    {wincode::kBadCommand,            51},
    {wincode::kCrc,                   72},
    {wincode::kBadLength,             51},
    {wincode::kSeek,                  72},
    {wincode::kNotDosDisk,            72},
    {wincode::kSectorNotFound,        72},
    {wincode::kOutOfPaper,            72},
    {wincode::kWriteFault,            72},
    {wincode::kReadFault,             72},
    {wincode::kGenFailure,            72},
    {wincode::kSharingViolation,      70},
    {wincode::kLockViolation,         70},
    {wincode::kWrongDisk,             72},
    {35,                              72},  // unassigned, among the disk faults
    {wincode::kSharingBufferExceeded, 70},
    {wincode::kHandleEof,             62},
    {wincode::kHandleDiskFull,        61},
    {wincode::kInvalidParameter,      5},
    {wincode::kDiskFull,              61},
}};
// clang-format on

}  // namespace

ErrorNumber ErrorNumberOfWindowsCode(uint32_t windowsCode) {
  for (const CodeRow& row : kCodeRows) {
    if (row.windowsCode == windowsCode) return row.number;
  }
  return 75;
}

void StoreError(ErrorState& state, ErrorNumber number, int rawCode) {
  if (number >= kFirstFatalNumber) {
    // The process ends without its exit handlers, so the terminal is given back here.
    GiveUpTerminal();
    std::_Exit(kFatalExitCode);
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
