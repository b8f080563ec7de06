// The figures of the unattended program, started as the tools that run it start it: a first
// deploy of many small files against the engine's update run on the same files, and a second
// deploy of the unchanged release against the first.
#include "figures.h"

namespace delivery {
namespace {

void Deploy(const fs::path& source, const fs::path& target, const fs::path& download) {
  const int code = Wait(Spawn({QUELB_DEPLOY_PROGRAM, "--source", source.string(), "--target",
                               target.string(), "--download", download.string(), "--wait", "0"},
                              {}, true));
  if (code != 0) Fail("quelb-deploy exited with " + std::to_string(code));
}

}  // namespace

void Deploys(const Options& options, const Place& place) {
  const fs::path source = place.root / "deploy-source";
  const fs::path target = place.root / "deploy-target";
  const fs::path download = place.root / "deploy-download";
  FreshFolder(source);
  FreshFolder(download);
  for (int i = 0; i < options.smallFiles; ++i) {
    WriteBytes(source / ("F" + std::to_string(i) + ".DAT"), 4 * kKiB, i + 1);
  }
  auto empty = [&] {
    FreshFolder(target);
    SyncFileSystemOf(target);
  };
  auto first = [&] { Deploy(source, target, download); };
  const std::string files = std::to_string(options.smallFiles) + " files of 4 KiB";
  Report({"first deploy of " + files, place.name, "update run",
          MedianRatio(options.pairs, empty, first,
                      [&] { UpdateRun(source, target, options.smallFiles); }),
          1.1, ""});
  auto deployed = [&] {
    empty();
    first();
    SyncFileSystemOf(target);
  };
  Report({"second deploy of " + files + ", unchanged", place.name, "first deploy",
          MedianRatio(options.pairs, Side{deployed, first}, Side{empty, first}), 0.2, ""});
  fs::remove_all(target);
  fs::remove_all(download);
  fs::remove_all(source);
}

}  // namespace delivery
