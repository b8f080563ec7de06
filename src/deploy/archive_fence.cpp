#include "deploy/archive_fence.h"

#include "deploy/stage.h"

namespace quelb::deploy {
namespace {

bool Within(const Text& path, const Text& folder) {
  return path.compare(0, folder.size() + 1, folder + "\\") == 0;
}

}  // namespace

ArchiveFence::Files ArchiveFence::FilesNow() const {
  Files files;
  ErrorState errors;
  for (const Text* folder : {&options_.target, &options_.download}) {
    const Text hidden = DeployFolderOf(*folder);
    for (const FileBelow& file : FilesBelow(errors, *folder)) {
      if (!Within(file.path, hidden)) files[file.path] = IdentityOf(errors, file.path);
    }
  }
  return files;
}

void ArchiveFence::ArchiveStarts(const UpdateRunState&) {
  before_ = FilesNow();
  looking_ = true;
}

void ArchiveFence::NameSettled(const NameReport& report) {
  if (!looking_ || report.kind != NameKind::kArchive) return;
  looking_ = false;
  Files after = FilesNow();
  for (const auto& [path, identity] : before_) {
    const auto now = after.find(path);
    if (now != after.end() && now->second == identity) {
      after.erase(now);
      continue;
    }
    record_.OutsideChange(report.source, path);
    crossed_ = true;
    if (now != after.end()) after.erase(now);
  }
  for (const auto& [path, identity] : after) {
    record_.OutsideChange(report.source, path);
    crossed_ = true;
  }
}

}  // namespace quelb::deploy
