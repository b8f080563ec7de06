// Host paths of a POSIX system: their folder and name parts, joining them, and what the host
// holds under one.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <string>

namespace quelb::posix {

// The folder part of a host path: "." for a bare name, "/" for a name in the root.
std::string HostFolderOf(const std::string& hostPath);

// The last part of a host path, which names it in HostFolderOf; "." for the root.
std::string HostNameOf(const std::string& hostPath);

// The host path of name in folder.
std::string JoinHostPath(const std::string& folder, const std::string& name);

// True when folder is root or lies below it; both are host paths without a closing "/".
bool HoldsFolder(const std::string& root, const std::string& folder);

// True when the host path names a folder or a link to one.
bool IsHostFolder(const std::string& hostPath);

// IsHostFolder that leaves the folder's status in info, or fails with errno set, ENOTDIR for
// an entry that is no folder.
bool IsHostFolder(const std::string& hostPath, struct stat& info);

// True when the host path names a regular file or a link to one.
bool IsHostFile(const std::string& hostPath);

// The host path with every link resolved, or the path as given when it is not there.
std::string CanonicalHostPath(const std::string& hostPath);

struct FolderCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
// A folder of the host opened for reading its entries, closed with its owner.
using OpenFolder = std::unique_ptr<DIR, FolderCloser>;

}  // namespace quelb::posix
