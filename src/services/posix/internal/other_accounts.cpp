// The root rules' judgement of what other accounts may change.
#include "services/posix/internal/other_accounts.h"

#include <unistd.h>

namespace quelb::posix {
namespace {

constexpr uid_t kRoot = 0;
constexpr gid_t kRootGroup = 0;

bool IsStickyFolder(const struct stat& info) {
  return S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
}

bool GroupLetsOthersWrite(const struct stat& info) {
  return (info.st_mode & S_IWGRP) != 0 && info.st_gid != kRootGroup;
}

bool EveryoneMayWrite(const struct stat& info) {
  return (info.st_mode & S_IWOTH) != 0;
}

}  // namespace

bool OwnedByAnother(const struct stat& info) {
  return info.st_uid != kRoot && info.st_uid != geteuid();
}

bool ChangeableByOthers(const struct stat& info) {
  if (OwnedByAnother(info)) return true;
  if (S_ISLNK(info.st_mode)) return false;
  return GroupLetsOthersWrite(info) || (EveryoneMayWrite(info) && !IsStickyFolder(info));
}

bool RepointableByAnother(const struct stat& link, const struct stat& folder) {
  if (!OwnedByAnother(link)) return false;
  return folder.st_uid == link.st_uid || GroupLetsOthersWrite(folder) || EveryoneMayWrite(folder);
}

}  // namespace quelb::posix
