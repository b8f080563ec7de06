// errno to the Windows code of the same situation; the one mapping table takes it from there.
#include "services/posix/internal/errno_map.h"

#include <array>
#include <cerrno>

#include "services/posix/internal/host_paths.h"
#include "services/windows_codes.h"

namespace quelb::posix {
namespace {

struct ErrnoRow {
  int error;
  uint32_t windowsCode;
};

// ENOENT is absent: it depends on whether the parent folder exists.
// clang-format off
constexpr std::array<ErrnoRow, 30> kErrnoRows = {{
    {EPERM,        wincode::kAccessDenied},
    {EIO,          wincode::kGenFailure},
    {ENXIO,        wincode::kNotReady},
    {E2BIG,        wincode::kFilenameExcedRange},
    {ENOEXEC,      wincode::kBadExeFormat},
    {EBADF,        wincode::kInvalidHandle},
    {EAGAIN,       wincode::kSharingViolation},
    {ENOMEM,       wincode::kNotEnoughMemory},
    {EACCES,       wincode::kAccessDenied},
    {EBUSY,        wincode::kSharingViolation},
    {EEXIST,       wincode::kAlreadyExists},
    {EXDEV,        wincode::kNotSameDevice},
    {ENODEV,       wincode::kNotReady},
    {ENOTDIR,      wincode::kPathNotFound},
    {EISDIR,       wincode::kAccessDenied},
    {EINVAL,       wincode::kInvalidParameter},
    {ENFILE,       wincode::kTooManyOpenFiles},
    {EMFILE,       wincode::kTooManyOpenFiles},
    {ETXTBSY,      wincode::kSharingViolation},
    {ENOSPC,       wincode::kDiskFull},
    {EROFS,        wincode::kAccessDenied},
    {ENAMETOOLONG, wincode::kFilenameExcedRange},
    {ENOLCK,       wincode::kLockViolation},
    {EDEADLK,      wincode::kLockViolation},
    {ENOSYS,       wincode::kInvalidFunction},
    {EOPNOTSUPP,   wincode::kInvalidFunction},
    {ELOOP,        wincode::kPathNotFound},
    {ENOMEDIUM,    wincode::kNotReady},
    {EDQUOT,       wincode::kDiskFull},
    {EILSEQ,       wincode::kInvalidName},
}};
// clang-format on

uint32_t CodeOfMissingEntry(const std::string& hostPath) {
  const bool parentIsFolder = !hostPath.empty() && IsHostFolder(HostFolderOf(hostPath));
  return parentIsFolder ? wincode::kFileNotFound : wincode::kPathNotFound;
}

}  // namespace

uint32_t WindowsCodeOfErrno(int error, const std::string& hostPath) {
  if (error == 0) return 0;
  if (error == ENOENT) return CodeOfMissingEntry(hostPath);
  for (const ErrnoRow& row : kErrnoRows) {
    if (row.error == error) return row.windowsCode;
  }
  return wincode::kInvalidFunction;
}

void StoreErrno(ErrorState& state, int error, const std::string& hostPath) {
  StoreWindowsError(state, WindowsCodeOfErrno(error, hostPath), error);
}

}  // namespace quelb::posix
