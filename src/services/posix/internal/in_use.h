// Whether another process holds a file: has it open, mapped or running.
#pragma once

#include <string>

namespace quelb::posix {

// True when another process has the file open, mapped or running.
bool HeldByAnotherProcess(const std::string& hostPath);
// The same for the file of that name in an open folder; hostPath names the same file.
bool HeldByAnotherProcess(int folder, const std::string& name, const std::string& hostPath);

// The same test on a descriptor of ours, which must be the only one this process has open on
// the file. When the file is free and keepLease is set, a write lease stays on the descriptor
// until it is closed, so that other openers are held off meanwhile.
bool HeldAgainstDescriptor(int fd, const std::string& hostPath, bool keepLease);

}  // namespace quelb::posix
