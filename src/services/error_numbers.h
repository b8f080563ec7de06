// Every error number the system gives, each named once for what it tells the operator, who
// reads it after "Error" or "error #". One number may stand for several causes, so no name
// is that of one cause. The names keep to a namespace of their own, apart from the Windows
// codes of windows_codes.h that the mapping turns into them.
#pragma once

#include <cstdint>

namespace quelb {

// 0 is no error.
using ErrorNumber = uint8_t;

}  // namespace quelb

namespace quelb::error_number {

// A call was given a value it cannot take.
inline constexpr ErrorNumber kInvalidArgument = 5;
// No memory was left for the work at hand.
inline constexpr ErrorNumber kOutOfMemory = 7;
// A failure that gives no cause the operator could act on, among them one without a code.
inline constexpr ErrorNumber kInternalFailure = 51;
// A file number that is not open, or a negative one.
inline constexpr ErrorNumber kBadFileNumber = 52;
// A file or a program that is not there.
inline constexpr ErrorNumber kFileNotFound = 53;
// A file number that is open already.
inline constexpr ErrorNumber kFileAlreadyOpen = 55;
inline constexpr ErrorNumber kDiskFull = 61;
// A read past the end of a file.
inline constexpr ErrorNumber kPastEndOfFile = 62;
// A file to open with no name, or with a wildcard in it.
inline constexpr ErrorNumber kBadFileName = 64;
inline constexpr ErrorNumber kTooManyOpenFiles = 67;
// A drive or device that is not there.
inline constexpr ErrorNumber kDriveUnavailable = 68;
// A file held by another process or run, a read-only target, a write-protected medium, or a
// file the operator may not use.
inline constexpr ErrorNumber kAccessDenied = 70;
// A drive without its disk.
inline constexpr ErrorNumber kDiskNotReady = 71;
// A disk that cannot be read or written.
inline constexpr ErrorNumber kDiskFault = 72;
// A rename from one drive to another.
inline constexpr ErrorNumber kNotSameDrive = 74;
// Anything else that failed with a file or path: a name no file can have, a name that exists
// already, a file that is no program, an archive that failed, a path the platform cannot take,
// and every Windows code without a number of its own.
inline constexpr ErrorNumber kFileOperationFailed = 75;
// A folder that is not there, or one named with a wildcard.
inline constexpr ErrorNumber kFolderNotFound = 76;
// This number and every one above it end the process at once: the memory or environment of
// the process itself is broken.
inline constexpr ErrorNumber kFatal = 241;

}  // namespace quelb::error_number
