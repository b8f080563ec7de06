// The figure of one big file over an older one, against cp (and a sync of the file on a disk).
#include "figures.h"

namespace delivery {

void OneBigFile(const Options& options, const Place& place, const fs::path& source) {
  const fs::path target = place.root / "big-target";
  const fs::path old = target / "BIG.DAT";
  auto prepare = [&] {
    FreshFolder(target);
    WriteBytes(old, options.bigSize, 7);
    MakeOlder(old);
    SyncFileSystemOf(target);
  };
  auto ours = [&] { UpdateRun(source.parent_path(), target, 1); };
  const std::string figure = "one file of " + SizeName(options.bigSize);
  if (place.tmpfs) {
    Report({figure, place.name, "cp",
            MedianRatio(options.pairs, prepare, ours,
                        [&] {
                          RunTool({"cp", source.string(), old.string()});
                        }),
            1.1, ""});
  } else {
    Report({figure, place.name, "cp, then sync of the file",
            MedianRatio(options.pairs, prepare, ours,
                        [&] {
                          RunTool({"cp", source.string(), old.string()});
                          RunTool({"sync", old.string()});
                        }),
            1.1, ""});
  }
  fs::remove_all(target);
}

}  // namespace delivery
