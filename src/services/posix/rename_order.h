// Whether a rename over an existing file on a file system needs the new file's data synced
// first, so that a crash cannot leave the replaced file empty or half-written. ext4 with a
// journal in its ordered modes (data=ordered or data=journal) and with auto_da_alloc writes
// the data of a file that is renamed over another before it commits the rename, as its
// documentation of auto_da_alloc states; the later sync of the folder then makes both
// durable at once. Every other file system, ext4 without a journal among them, is synced
// file by file.
#pragma once

#include <sys/types.h>

#include <string_view>

namespace quelb::posix {

// ext4Options as /proc/fs/ext4/<device>/options lists the options in force, one a line.
bool RenameOrdersData(std::string_view ext4Options);

// The same for the file system on a device, looked up once per device; false for any file
// system but ext4.
bool RenameOrdersDataOn(dev_t device);

}  // namespace quelb::posix
