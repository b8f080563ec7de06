// Whole update runs, the archive test, the in-use check and the start of the window, each timed
// against the tool a user knows for the same work, in the same run. Every figure is the median
// of the ratios of alternating pairs (ours first, then the tool's first), so that a machine
// that slows down or speeds up meanwhile weighs on both sides alike. The harness and the
// figures live in delivery/.
//
//   delivery_bench [--quick] [--pairs N] [--disk FOLDER] [--wine-run PROGRAM.exe]
//                  [--only small|wine-small|big|archive|in-use|window]
//
// --quick (or QUELB_BENCH_QUICK=1) shrinks the 1 GiB files to 64 MiB and the 2,000 files to
// 500. The tmpfs is mounted only when the bench runs as root; the disk folder defaults to
// /var/tmp. Runs go through the engine with a dialog held in memory and an operator that
// accepts the completion message only: any other box ends the bench with a failure. The figure
// under Wine times the Windows build's run program that --wine-run names (./dev bench passes
// it), and is skipped without it or without Wine.
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "delivery/figures.h"
#include "delivery/harness.h"

namespace {

using namespace delivery;

void MeasurePlace(const Options& options, const Place& place, const std::string& self,
                  const fs::path& scratch) {
  if (Wanted(options, "small")) ManySmallFiles(options, place);
  if (Wanted(options, "wine-small")) SmallFilesUnderWine(options, place, scratch);
  if (Wanted(options, "big") || Wanted(options, "archive")) {
    const fs::path bigSource = place.root / "big-source" / "BIG.DAT";
    FreshFolder(bigSource.parent_path());
    WriteBytes(bigSource, options.bigSize, 3);
    if (Wanted(options, "big")) OneBigFile(options, place, bigSource);
    if (Wanted(options, "archive")) ArchiveTest(options, place, bigSource, self);
    fs::remove_all(bigSource.parent_path());
  }
  if (Wanted(options, "in-use")) InUseCheck(options, place);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--archive-test") == 0) return ArchiveTestChild(argv[2]);
  const Options options = ParseOptions(argc, argv);
  const std::string self = fs::canonical("/proc/self/exe");
  const fs::path scratch = options.disk / ("delivery-bench-" + std::to_string(getpid()));
  fs::create_directories(scratch / "prefix" / "dosdevices");
  setenv("WINEPREFIX", (scratch / "prefix").c_str(), 1);
  InstallOperator();
  std::printf("%d alternating pairs each%s; ratio = ours / theirs\n\n", options.pairs,
              options.quick ? ", quick sizes" : "");

  std::vector<Place> places;
  std::string why;
  const std::optional<Place> tmpfs = MountTmpfs(scratch, options, why);
  if (tmpfs) {
    places.push_back(*tmpfs);
  } else {
    Skip("tmpfs figures", why);
  }
  places.push_back(DiskFolder(scratch));
  for (const Place& place : places) MeasurePlace(options, place, self, scratch);
  if (Wanted(options, "window")) WindowStart(options, scratch);
  PrintMarkdown();

  if (tmpfs) umount2(tmpfs->root.c_str(), MNT_DETACH);
  fs::remove_all(scratch);
  return 0;
}
