#include "support/other_account.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <stdexcept>

namespace quelb::testing {

std::optional<OtherAccount> Nobody() {
  if (geteuid() != 0) return std::nullopt;
  const struct passwd* entry = getpwnam("nobody");
  if (entry == nullptr || entry->pw_uid == 0) return std::nullopt;
  return OtherAccount{entry->pw_uid, entry->pw_gid};
}

void GiveTo(const OtherAccount& account, const std::filesystem::path& entry) {
  if (fchownat(AT_FDCWD, entry.c_str(), account.uid, account.gid, AT_SYMLINK_NOFOLLOW) != 0) {
    throw std::runtime_error("cannot give " + entry.string() + " away");
  }
}

}  // namespace quelb::testing
