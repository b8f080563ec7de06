// The figure of many small files under Wine: the Windows build's run (wine_update_run.exe)
// against xcopy of the same Wine, replacing the same older files. Both are timed as whole
// programs started by wine, from their start to their end, in a Wine prefix of the bench's own
// whose server stays up meanwhile, so that neither side pays for starting it.
#include <string>
#include <vector>

#include "figures.h"

namespace delivery {

namespace {

const std::vector<std::string> kWineEnvironment = {"WINEDEBUG=-all",
                                                   "WINEDLLOVERRIDES=mscoree,mshtml="};

// Wine's drive Z: is the host's root.
std::string DrivePath(const fs::path& path) {
  std::string dos = "Z:" + path.string();
  for (char& c : dos) {
    if (c == '/') c = '\\';
  }
  return dos;
}

bool OnPath(const std::string& program) {
  return Wait(Spawn({"sh", "-c", "command -v " + program + " >/dev/null"})) == 0;
}

class WinePrefix {
 public:
  explicit WinePrefix(const fs::path& folder) : environment_(kWineEnvironment) {
    environment_.push_back("WINEPREFIX=" + folder.string());
    fs::create_directories(folder);
    Run({"wineboot", "-i"});
    Run({"wineserver", "-p"});
  }
  ~WinePrefix() { Run({"wineserver", "-k"}); }
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  // Wine's own programs are quiet; a run that fails says why.
  int Run(const std::vector<std::string>& argv, bool quiet = true) const {
    return Wait(Spawn(argv, environment_, quiet));
  }

 private:
  std::vector<std::string> environment_;
};

}  // namespace

void SmallFilesUnderWine(const Options& options, const Place& place, const fs::path& scratch) {
  const std::string figure = std::to_string(options.smallFiles) + " files of 4 KiB, replacing";
  if (options.wineRun.empty() || !fs::exists(options.wineRun)) {
    Skip(figure + " under Wine", "no wine_update_run.exe (./dev bench builds it with mingw-w64)");
    return;
  }
  if (!OnPath("wine") || !OnPath("wineboot") || !OnPath("wineserver")) {
    Skip(figure + " under Wine", "Wine is not installed");
    return;
  }
  const WinePrefix wine(scratch / "wine-prefix");
  const fs::path source = place.root / "wine-source";
  const fs::path target = place.root / "wine-target";
  FreshFolder(source);
  for (int i = 0; i < options.smallFiles; ++i) {
    WriteBytes(source / ("F" + std::to_string(i) + ".DAT"), 4 * kKiB, i + 1);
  }
  auto prepare = [&] {
    FreshFolder(target);
    for (int i = 0; i < options.smallFiles; ++i) {
      const fs::path old = target / ("F" + std::to_string(i) + ".DAT");
      WriteBytes(old, 4 * kKiB, 100000 + i);
      MakeOlder(old);
    }
    SyncFileSystemOf(target);
  };
  auto run = [&](const std::vector<std::string>& argv) {
    if (wine.Run(argv, false) != 0) Fail(argv[1] + " under Wine failed");
  };
  auto ours = [&] {
    run({"wine", options.wineRun.string(), DrivePath(source), DrivePath(target),
         std::to_string(options.smallFiles)});
  };
  auto xcopy = [&] {
    run({"wine", "xcopy", "/Y", "/Q", DrivePath(source) + "\\*", DrivePath(target) + "\\"});
  };
  Report({figure, place.name + ", Wine", "xcopy /Y /Q",
          MedianRatio(options.pairs, prepare, ours, xcopy), 2.0, ""});
  fs::remove_all(target);
  fs::remove_all(source);
}

}  // namespace delivery
