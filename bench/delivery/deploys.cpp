// The figures of the unattended program, started as the tools that run it start it: a first
// deploy of many small files, delivered straight into the target, against the engine's update
// run on the same files; a second deploy of the unchanged release against the first; and what
// staging a release and committing it costs, for many small files and for one big one.
#include "figures.h"

namespace delivery {
namespace {

struct DeployPlace {
  fs::path source;
  fs::path target;
  fs::path download;
};

DeployPlace DeployFolders(const Place& place) {
  return {place.root / "deploy-source", place.root / "deploy-target",
          place.root / "deploy-download"};
}

// The shipped program stages and commits; the bench's own build of it may deliver straight
// into the target instead.
void Deploy(const DeployPlace& folders, bool staged = true) {
  std::vector<std::string> argv = {staged ? QUELB_DEPLOY_PROGRAM : QUELB_DEPLOY_RUN_PROGRAM};
  if (!staged) argv.emplace_back("--unstaged");
  for (const std::string& word :
       {std::string("--source"), folders.source.string(), std::string("--target"),
        folders.target.string(), std::string("--download"), folders.download.string(),
        std::string("--wait"), std::string("0")}) {
    argv.push_back(word);
  }
  const int code = Wait(Spawn(argv, {}, true));
  if (code != 0) Fail("the deploy exited with " + std::to_string(code));
}

void EmptyTarget(const DeployPlace& folders) {
  FreshFolder(folders.target);
  FreshFolder(folders.download);
  SyncFileSystemOf(folders.target);
}

// A deploy with its stage and commit against the same deploy straight into the target, each
// into an empty target.
Timing StagingCost(const Options& options, const DeployPlace& folders) {
  return MedianRatio(
      options.pairs, [&] { EmptyTarget(folders); }, [&] { Deploy(folders); },
      [&] { Deploy(folders, false); });
}

void ManySmallDeploys(const Options& options, const Place& place, const DeployPlace& folders) {
  FreshFolder(folders.source);
  for (int i = 0; i < options.smallFiles; ++i) {
    WriteBytes(folders.source / ("F" + std::to_string(i) + ".DAT"), 4 * kKiB, i + 1);
  }
  const std::string files = std::to_string(options.smallFiles) + " files of 4 KiB";
  auto empty = [&] { EmptyTarget(folders); };
  Report({"first deploy of " + files + ", unstaged", place.name, "update run",
          MedianRatio(
              options.pairs, empty, [&] { Deploy(folders, false); },
              [&] { UpdateRun(folders.source, folders.target, options.smallFiles); }),
          1.1, ""});
  auto deployed = [&] {
    empty();
    Deploy(folders);
    SyncFileSystemOf(folders.target);
  };
  auto first = [&] { Deploy(folders); };
  Report({"second deploy of " + files + ", unchanged", place.name, "first deploy",
          MedianRatio(options.pairs, Side{deployed, first}, Side{empty, first}), 0.2, ""});
  Report({"first deploy of " + files + ", staged and committed", place.name, "unstaged",
          StagingCost(options, folders), 1.2, ""});
}

void OneBigDeploy(const Options& options, const Place& place, const DeployPlace& folders) {
  FreshFolder(folders.source);
  WriteBytes(folders.source / "BIG.DAT", options.bigSize / 2, 5);
  Report({"first deploy of one file of " + SizeName(options.bigSize / 2) + ", staged and committed",
          place.name, "unstaged", StagingCost(options, folders), 1.2, ""});
}

}  // namespace

void Deploys(const Options& options, const Place& place) {
  const DeployPlace folders = DeployFolders(place);
  ManySmallDeploys(options, place, folders);
  OneBigDeploy(options, place, folders);
  fs::remove_all(folders.target);
  fs::remove_all(folders.download);
  fs::remove_all(folders.source);
}

}  // namespace delivery
