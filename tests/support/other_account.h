// Another account, for the tests of the links that the run does not follow for root: nobody,
// to whom only root can give a file or a link.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>

namespace quelb::testing {

struct OtherAccount {
  uid_t uid;
  gid_t gid;
};

// Nothing unless this process runs as root and the account nobody exists.
std::optional<OtherAccount> Nobody();
inline constexpr const char* kNoOtherAccount =
    "only root can give a link to another account (nobody); run as root";

// Gives the entry itself to the account, a link without following it.
void GiveTo(const OtherAccount& account, const std::filesystem::path& entry);

}  // namespace quelb::testing
