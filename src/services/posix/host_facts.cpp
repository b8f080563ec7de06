// Who runs the program and where, on POSIX: the effective account, as root's rules follow it.
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <string>

#include "services/log_file.h"

namespace quelb {

Text AccountName() {
  const struct passwd* entry = getpwuid(geteuid());
  return entry != nullptr ? Text(entry->pw_name) : "user " + std::to_string(geteuid());
}

Text MachineName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "?";
  return name;
}

Text SystemName() {
  struct utsname system {};
  if (uname(&system) != 0) return "?";
  return Text(system.sysname) + " " + system.release + " " + system.machine;
}

}  // namespace quelb
