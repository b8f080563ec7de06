// The Windows error codes that the services speak in, whatever the platform.
#pragma once

#include <cstdint>

namespace quelb::wincode {

inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kInvalidFunction = 1;
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kPathNotFound = 3;
inline constexpr uint32_t kTooManyOpenFiles = 4;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kInvalidHandle = 6;
inline constexpr uint32_t kArenaTrashed = 7;
inline constexpr uint32_t kNotEnoughMemory = 8;
inline constexpr uint32_t kInvalidBlock = 9;
inline constexpr uint32_t kBadEnvironment = 10;
inline constexpr uint32_t kBadFormat = 11;
inline constexpr uint32_t kInvalidAccess = 12;
inline constexpr uint32_t kInvalidData = 13;
inline constexpr uint32_t kOutOfMemory = 14;
inline constexpr uint32_t kInvalidDrive = 15;
inline constexpr uint32_t kCurrentDirectory = 16;
inline constexpr uint32_t kNotSameDevice = 17;
inline constexpr uint32_t kNoMoreFiles = 18;
inline constexpr uint32_t kWriteProtect = 19;
inline constexpr uint32_t kBadUnit = 20;
inline constexpr uint32_t kNotReady = 21;
inline constexpr uint32_t kBadCommand = 22;
inline constexpr uint32_t kCrc = 23;
inline constexpr uint32_t kBadLength = 24;
inline constexpr uint32_t kSeek = 25;
inline constexpr uint32_t kNotDosDisk = 26;
inline constexpr uint32_t kSectorNotFound = 27;
inline constexpr uint32_t kOutOfPaper = 28;
inline constexpr uint32_t kWriteFault = 29;
inline constexpr uint32_t kReadFault = 30;
inline constexpr uint32_t kGenFailure = 31;
inline constexpr uint32_t kSharingViolation = 32;
inline constexpr uint32_t kLockViolation = 33;
inline constexpr uint32_t kWrongDisk = 34;
// No error has this code; the mapping counts it among the disk faults.
inline constexpr uint32_t kUnassigned35 = 35;
inline constexpr uint32_t kSharingBufferExceeded = 36;
inline constexpr uint32_t kHandleEof = 38;
inline constexpr uint32_t kHandleDiskFull = 39;
inline constexpr uint32_t kInvalidParameter = 87;
inline constexpr uint32_t kDiskFull = 112;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kAlreadyExists = 183;
inline constexpr uint32_t kBadExeFormat = 193;
inline constexpr uint32_t kFilenameExcedRange = 206;
inline constexpr uint32_t kDirectory = 267;
inline constexpr uint32_t kNoSystemResources = 1450;

}  // namespace quelb::wincode
