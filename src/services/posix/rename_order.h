// Whether a rename over an existing file on a file system needs the new file's data synced
// first, so that a crash cannot leave the replaced file empty or half-written. ext4 in its
// default modes (data=ordered or data=journal, auto_da_alloc) writes the data of a file that
// is renamed over another before it commits the rename, as its documentation of
// auto_da_alloc states; the later sync of the folder then makes both durable at once. A
// tmpfs keeps nothing through a crash. Every other file system is synced file by file.
#pragma once

#include <sys/types.h>

#include <string_view>

namespace quelb::posix {

// fileSystem and superOptions are the fields of a line of /proc/self/mountinfo.
bool RenameOrdersData(std::string_view fileSystem, std::string_view superOptions);

// The same for the mounted file system of a device, looked up once per device.
bool RenameOrdersDataOn(dev_t device);

}  // namespace quelb::posix
