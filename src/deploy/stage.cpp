#include "deploy/stage.h"

#include <algorithm>
#include <optional>
#include <set>

#include "deploy/pre_run.h"
#include "engine/delivery_watch.h"
#include "engine/journal.h"
#include "services/files.h"
#include "services/journal_files.h"
#include "services/own_files.h"
#include "services/process.h"

namespace quelb::deploy {
namespace {

constexpr uint32_t kEveryEntry = kFoldersToo | kHiddenAndSystemFilesToo;

// The names of the folder's entries, taken whole before any of them is looked at: only one
// listing can be in progress.
std::vector<Text> EntriesOf(ErrorState& errors, const Text& folder) {
  std::vector<Text> names = ListedNames(errors, folder, kEveryEntry);
  std::erase_if(names, [](const Text& name) { return name == "." || name == ".."; });
  return names;
}

void CollectBelow(ErrorState& errors, const Text& folder, const Text& prefix,
                  std::vector<FileBelow>& files) {
  for (const Text& name : EntriesOf(errors, folder)) {
    const Text path = folder + "\\" + name;
    if (IdentityOf(errors, path).Exists()) {
      files.push_back({prefix + name, path});
    } else {
      CollectBelow(errors, path, prefix + name + "\\", files);
    }
  }
}

void RemoveBelow(ErrorState& errors, const Text& folder) {
  for (const Text& name : EntriesOf(errors, folder)) {
    const Text path = folder + "\\" + name;
    if (IdentityOf(errors, path).Exists()) {
      RemoveFile(errors, path);
    } else {
      RemoveBelow(errors, path);
      RemoveEmptyFolder(errors, path);
    }
  }
}

// A name that Windows matches only by its letters in any case: spelt in ASCII alone, with no
// "~" of a short name and no dot or blank at its end, which a path drops.
bool MatchedByLettersAlone(const Text& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  return std::all_of(name.begin(), name.end(), [](char letter) {
    return static_cast<unsigned char>(letter) < 0x80 && letter != '~';
  });
}

// The names in capitals of the folders in a folder; nothing where it lists nothing, as one
// that cannot be listed does, or one of them is not matched by its letters alone.
std::optional<std::set<Text>> FoldersByName(ErrorState& errors, const Text& folder) {
  const std::vector<Text> entries = ListedNames(errors, folder, kEveryEntry);
  if (entries.empty()) return std::nullopt;
  const std::vector<Text> files = ListedNames(errors, folder, kHiddenAndSystemFilesToo);
  const std::set<Text> fileNames(files.begin(), files.end());
  std::set<Text> folders;
  for (const Text& entry : entries) {
    if (fileNames.count(entry) > 0) continue;
    if (!MatchedByLettersAlone(entry)) return std::nullopt;
    folders.insert(UpperText(entry));
  }
  return folders;
}

// A name is probed where the folder's listing cannot tell.
bool FolderInTheWay(ErrorState& errors, const std::optional<std::set<Text>>& folders,
                    const Text& folder, const Text& name) {
  if (folders && MatchedByLettersAlone(name) && folders->count(UpperText(name)) == 0) {
    return false;
  }
  return FolderThere(errors, InFolder(folder, name));
}

}  // namespace

void MirrorFoldersInTheWay(ErrorState& errors, const Text& source, const Text& target,
                           const Text& download) {
  const PathLookupBatch lookups;
  const std::optional<std::set<Text>> targetFolders = FoldersByName(errors, target);
  const std::optional<std::set<Text>> downloadFolders = FoldersByName(errors, download);
  for (const Text& name : ListedNames(errors, WithoutTrailingSeparator(source), kPlainFilesOnly)) {
    const NameKind kind = KindOfName(name);
    if (kind != NameKind::kOther && kind != NameKind::kPackage) continue;
    const bool package = kind == NameKind::kPackage;
    const Text& folder = package ? download : target;
    if (FolderInTheWay(errors, package ? downloadFolders : targetFolders, folder, name)) {
      MakeFolder(errors, InFolder(StageOf(folder), name));
    }
  }
  ClearError(errors);
}

bool MakeFolderIfMissing(ErrorState& errors, const Text& folder) {
  if (FolderThere(errors, folder)) return false;
  // A failure stored before does not hide that this folder was made.
  ErrorState making;
  MakeFolder(making, folder);
  if (making.number == 0) return true;
  StoreError(errors, making.number, making.rawCode);
  return false;
}

Text InFolder(const Text& folder, const Text& relative) {
  return WithoutTrailingSeparator(folder) + "\\" + relative;
}

Text DeployFolderOf(const Text& folder) {
  return InFolder(folder, kDeployFolderName);
}

Text StageOf(const Text& folder) {
  return DeployFolderOf(folder) + "\\stage";
}

Text KeptOf(const Text& folder) {
  return DeployFolderOf(folder) + "\\kept";
}

Text DiscardedOf(const Text& folder) {
  return DeployFolderOf(folder) + "\\discarded";
}

Text FinalPathOf(const Text& path, const Text& target, const Text& download) {
  for (const Text* folder : {&target, &download}) {
    const Text stage = StageOf(*folder);
    if (path == stage) return *folder;
    if (path.compare(0, stage.size() + 1, stage + "\\") == 0) {
      return InFolder(*folder, path.substr(stage.size() + 1));
    }
  }
  return path;
}

void MakeDeployFolder(ErrorState& errors, const Text& folder) {
  MakeHiddenFolder(errors, DeployFolderOf(folder));
}

bool MakeEmptyStage(ErrorState& errors, const Text& folder) {
  MakeDeployFolder(errors, folder);
  RemoveStage(errors, folder);
  MakeFolder(errors, StageOf(folder));
  return errors.number == 0;
}

void RemoveStage(ErrorState& errors, const Text& folder) {
  const Text stage = StageOf(folder);
  if (!FolderThere(errors, stage)) return;
  RemoveBelow(errors, stage);
  RemoveEmptyFolder(errors, stage);
}

std::vector<FileBelow> FilesBelow(ErrorState& errors, const Text& folder) {
  std::vector<FileBelow> files;
  if (FolderThere(errors, folder)) CollectBelow(errors, folder, "", files);
  return files;
}

std::vector<Text> MakeFoldersFor(ErrorState& errors, const Text& folder, const Text& relative) {
  std::vector<Text> made;
  for (size_t separator = relative.find('\\'); separator != Text::npos;
       separator = relative.find('\\', separator + 1)) {
    const Text subfolder = folder + "\\" + relative.substr(0, separator);
    if (MakeFolderIfMissing(errors, subfolder)) made.push_back(subfolder);
  }
  return made;
}

}  // namespace quelb::deploy
