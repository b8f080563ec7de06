// The exit codes of the unattended program, fixed for the tools that start it. A POSIX exit
// status keeps 8 bits, so the two Windows Installer numbers have small stand-ins on Linux.
#pragma once

namespace quelb::deploy {

inline constexpr int kDelivered = 0;
// --check: a name would be delivered.
inline constexpr int kNotCurrent = 1;
inline constexpr int kBadCommandLine = 2;
inline constexpr int kSourceUnreadable = 3;
inline constexpr int kFolderUnusable = 4;
inline constexpr int kProgramsInUse = 5;
inline constexpr int kFileNotDelivered = 6;
inline constexpr int kDiskFull = 7;
#ifdef _WIN32
// Windows Installer's "another installation is in progress", which fleet tools retry.
inline constexpr int kHeldByAnotherRun = 1618;
// Windows Installer's fatal error.
inline constexpr int kOtherFailure = 1603;
#else
inline constexpr int kHeldByAnotherRun = 8;
inline constexpr int kOtherFailure = 9;
#endif

}  // namespace quelb::deploy
