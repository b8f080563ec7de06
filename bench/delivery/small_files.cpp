// The figure of many small files: into an empty target and over older files, against rsync
// syncing each file it writes (-I: every file, whatever its size and time).
#include "figures.h"

namespace delivery {

void ManySmallFiles(const Options& options, const Place& place) {
  const fs::path source = place.root / "small-source";
  const fs::path target = place.root / "small-target";
  FreshFolder(source);
  for (int i = 0; i < options.smallFiles; ++i) {
    WriteBytes(source / ("F" + std::to_string(i) + ".DAT"), 4 * kKiB, i + 1);
  }
  for (const bool replacing : {false, true}) {
    auto prepare = [&] {
      FreshFolder(target);
      for (int i = 0; replacing && i < options.smallFiles; ++i) {
        const fs::path old = target / ("F" + std::to_string(i) + ".DAT");
        WriteBytes(old, 4 * kKiB, 100000 + i);
        MakeOlder(old);
      }
      SyncFileSystemOf(target);
    };
    auto ours = [&] { UpdateRun(source, target, options.smallFiles); };
    const std::string figure = std::to_string(options.smallFiles) + " files of 4 KiB, " +
                               (replacing ? "replacing" : "new");
    Report({figure, place.name, "rsync -a -I --fsync",
            MedianRatio(options.pairs, prepare, ours,
                        [&] {
                          RunTool({"rsync", "-a", "-I", "--fsync", source.string() + "/",
                                   target.string() + "/"});
                        }),
            1.0, ""});
    if (place.tmpfs && replacing) {
      Report({figure, place.name, "cp -r",
              MedianRatio(options.pairs, prepare, ours,
                          [&] {
                            RunTool({"cp", "-r", source.string() + "/.", target.string()});
                          }),
              2.0, ""});
    }
  }
  fs::remove_all(target);
  fs::remove_all(source);
}

}  // namespace delivery
