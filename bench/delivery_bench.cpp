// Whole update runs, the archive test, the in-use check and the start of the window, each timed
// against the tool a user knows for the same work, in the same run. Every figure is the median
// of the ratios of alternating pairs (ours first, then the tool's first), so that a machine
// that slows down or speeds up meanwhile weighs on both sides alike.
//
//   delivery_bench [--quick] [--pairs N] [--disk FOLDER] [--only small|big|archive|in-use|window]
//
// --quick (or QUELB_BENCH_QUICK=1) shrinks the 1 GiB files to 64 MiB and the 2,000 files to
// 500. The tmpfs is mounted only when the bench runs as root; the disk folder defaults to
// /var/tmp. Runs go through the engine with a dialog held in memory and an operator that
// accepts the completion message only: any other box ends the bench with a failure.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dialog/dialog_double.h"
#include "engine/engine.h"
#include "services/message.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;
constexpr int64_t kGiB = 1024 * kMiB;

struct Options {
  bool quick = false;
  int pairs = 5;
  fs::path disk = "/var/tmp";
  int64_t bigSize = kGiB;
  int smallFiles = 2000;
  std::string only;  // one figure, or all when empty
};

bool Wanted(const Options& options, const std::string& figure) {
  return options.only.empty() || options.only == figure;
}

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "delivery_bench: %s\n", why.c_str());
  std::exit(1);
}

// ---- Processes ----

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Starts a program found on PATH, with extra variables of the form NAME=value; a quiet one
// has its diagnostics sent nowhere.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> extraEnvironment = {},
            bool quiet = false) {
  for (char** variable = environ; *variable != nullptr; ++variable) {
    extraEnvironment.emplace_back(*variable);
  }
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> env = Pointers(extraEnvironment);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) Fail("cannot start " + argv[0]);
  return pid;
}

// The exit code, or 128 + the signal that ended it.
int Wait(pid_t pid, rusage* usage = nullptr) {
  int status = 0;
  rusage ignored{};
  while (wait4(pid, &status, 0, usage != nullptr ? usage : &ignored) < 0) {
    if (errno != EINTR) Fail("lost a child process");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void RunTool(const std::vector<std::string>& argv, int expectedCode = 0) {
  const int code = Wait(Spawn(argv));
  if (code != expectedCode) Fail(argv[0] + " exited with " + std::to_string(code));
}

// Processes that do nothing but exist, as the sessions of other users on the machine do.
class IdleProcesses {
 public:
  ~IdleProcesses() { Resize(0); }
  void Resize(size_t count) {
    while (pids_.size() < count) {
      const pid_t pid = fork();
      if (pid < 0) Fail("cannot start an idle process");
      if (pid == 0) {
        for (;;) pause();
      }
      pids_.push_back(pid);
    }
    while (pids_.size() > count) {
      kill(pids_.back(), SIGKILL);
      Wait(pids_.back());
      pids_.pop_back();
    }
  }

 private:
  std::vector<pid_t> pids_;
};

// ---- Files ----

// Bytes like those of compressed data, different for each seed, written a megabyte at a time.
void WriteBytes(const fs::path& path, int64_t size, uint64_t seed) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot write " + path.string());
  std::vector<uint64_t> block(std::min(size, kMiB) / 8 + 1);
  uint64_t state = seed * 0x9E3779B97F4A7C15u + 1;
  for (int64_t done = 0; done < size;) {
    for (uint64_t& word : block) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      word = state;
    }
    const size_t piece = static_cast<size_t>(std::min<int64_t>(size - done, kMiB));
    if (write(fd, block.data(), piece) != static_cast<ssize_t>(piece)) Fail("disk full?");
    done += static_cast<int64_t>(piece);
  }
  close(fd);
}

void MakeOlder(const fs::path& path) {
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(24 * 365));
}

// Writes back what the preparation left dirty, so that it is not charged to the next timing.
void SyncFileSystemOf(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    syncfs(fd);
    close(fd);
  }
}

void FreshFolder(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

// ---- Timing ----

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Timing {
  double ratio = 0;
  double ours = 0;       // median seconds
  double reference = 0;  // median seconds
};

// What is timed, and what puts its world in place beforehand without being timed.
struct Side {
  std::function<void()> prepare;
  std::function<void()> work;
};

// Each side measures itself and gives its seconds; odd pairs measure the reference first.
Timing MedianRatio(int pairs, const std::function<double()>& ours,
                   const std::function<double()>& reference) {
  std::vector<double> ratios, oursTimes, referenceTimes;
  for (int pair = 0; pair < pairs; ++pair) {
    double a = 0, b = 0;
    if (pair % 2 == 0) {
      a = ours();
      b = reference();
    } else {
      b = reference();
      a = ours();
    }
    ratios.push_back(a / b);
    oursTimes.push_back(a);
    referenceTimes.push_back(b);
  }
  return {Median(ratios), Median(oursTimes), Median(referenceTimes)};
}

// Each side is prepared afresh before it is timed.
Timing MedianRatio(int pairs, const Side& ours, const Side& reference) {
  auto time = [](const Side& side) {
    return [&side] {
      side.prepare();
      return Seconds(side.work);
    };
  };
  return MedianRatio(pairs, time(ours), time(reference));
}

Timing MedianRatio(int pairs, const std::function<void()>& prepare,
                   const std::function<void()>& ours, const std::function<void()>& reference) {
  return MedianRatio(pairs, Side{prepare, ours}, Side{prepare, reference});
}

// ---- The table ----

struct Row {
  std::string figure;
  std::string place;
  std::string reference;
  Timing timing;
  double limit;  // the ratio may be at most this
  std::string extra;
};

std::vector<Row>& Rows() {
  static std::vector<Row> rows;
  return rows;
}

void Report(Row row) {
  const bool met = row.timing.ratio <= row.limit;
  std::printf("%-34s %-6s %-28s %6.2f  (<= %.2f %s)  %8.3f s / %8.3f s  %s\n", row.figure.c_str(),
              row.place.c_str(), row.reference.c_str(), row.timing.ratio, row.limit,
              met ? "met" : "NOT MET", row.timing.ours, row.timing.reference, row.extra.c_str());
  std::fflush(stdout);
  Rows().push_back(std::move(row));
}

void PrintMarkdown() {
  std::printf("\n| figure | place | against | ratio | target | ours / theirs (median s) |\n");
  std::printf("|---|---|---|---|---|---|\n");
  for (const Row& row : Rows()) {
    std::printf("| %s%s | %s | %s | %.2f | <= %.2f%s | %.3f / %.3f |\n", row.figure.c_str(),
                row.extra.empty() ? "" : (", " + row.extra).c_str(), row.place.c_str(),
                row.reference.c_str(), row.timing.ratio, row.limit,
                row.timing.ratio <= row.limit ? "" : " (not met)", row.timing.ours,
                row.timing.reference);
  }
}

void Skip(const std::string& figure, const std::string& why) {
  std::printf("%-34s skipped: %s\n", figure.c_str(), why.c_str());
}

// ---- Update runs without a window ----

// The operator of the bench: the completion message is the one box a clean run shows, and
// its count must be that of the files delivered.
class CompletionOnlyOperator {
 public:
  CompletionOnlyOperator() {
    quelb::SetMessageHandler([this](const quelb::Text& text, const quelb::Text& title, uint32_t) {
      if (title != "Update is Completed") Fail("a prompt came: " + title + ": " + text);
      shown_ = text;
      return quelb::IDOK;
    });
  }
  void Expect(int files) { expected_ = " " + std::to_string(files) + " files copied or expanded."; }
  void Check() {
    if (shown_ != expected_) Fail("the run ended with \"" + shown_ + "\"");
    shown_.clear();
  }

 private:
  quelb::Text shown_;
  quelb::Text expected_;
};

CompletionOnlyOperator& Operator() {
  static CompletionOnlyOperator one;
  return one;
}

// A run also makes the target folder current; the bench goes back where it was.
void UpdateRun(const fs::path& source, const fs::path& target, int files) {
  const fs::path here = fs::current_path();
  Operator().Expect(files);
  quelb::ErrorState errors;
  const quelb::dialog::DialogHandle dialog = quelb::testing::RunDialog(source, target);
  if (quelb::UpdateRun(dialog, errors) != quelb::RunOutcome::kCompleted) Fail("the run aborted");
  Operator().Check();
  quelb::testing::ForgetDialogs();
  fs::current_path(here);
}

struct Place {
  std::string name;
  fs::path root;
  bool tmpfs;
};

// ---- Figures ----

// Into an empty target and over older files, against rsync syncing each file it writes (-I:
// every file, whatever its size and time).
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

std::string SizeName(int64_t size) {
  return size >= kGiB ? std::to_string(size / kGiB) + " GiB" : std::to_string(size / kMiB) + " MiB";
}

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

// The bench started again to do the archive test alone: 0 when the mark is found, 1 when it is
// not, as grep answers, and 2 on a failure.
int ArchiveTestChild(const char* archive) {
  quelb::UpdateRunState run;
  quelb::ErrorState errors;
  quelb::PkwareTest(run, errors, archive);
  return errors.number != 0 ? 2 : run.PkwarePos != 0 ? 0 : 1;
}

double ProcessorSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The archive test runs in a process of its own, as grep does. Both do nothing but read the
// file from the cache and search it, so they are compared by the processor time each process
// took, which the other work on a shared machine does not stretch; its peak memory is the
// test's alone.
void ArchiveTest(const Options& options, const Place& place, const fs::path& archive,
                 const std::string& self) {
  int64_t peakKiB = 0;
  auto ours = [&] {
    rusage usage{};
    const int code = Wait(Spawn({self, "--archive-test", archive.string()}), &usage);
    if (code != 1) Fail("the archive test answered " + std::to_string(code));
    peakKiB = std::max<int64_t>(peakKiB, usage.ru_maxrss);
    return ProcessorSeconds(usage);
  };
  auto grep = [&] {
    rusage usage{};
    const int code = Wait(Spawn({"grep", "-F", "-q", "PKWARE", archive.string()}), &usage);
    if (code != 1) Fail("grep answered " + std::to_string(code));
    return ProcessorSeconds(usage);
  };
  ours();
  grep();
  const Timing timing = MedianRatio(options.pairs, ours, grep);
  char extra[80];
  std::snprintf(extra, sizeof extra, "processor time, peak %.1f MiB (<= 8 %s)", peakKiB / 1024.0,
                peakKiB <= 8 * 1024 ? "met" : "NOT MET");
  Report({"archive test of " + SizeName(options.bigSize), place.name, "grep -F -q PKWARE", timing,
          0.5, extra});
}

// A program name of two characters for each of the first 1,000 codes.
std::string ModuleCode(int i) {
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  return {digits[i / 36], digits[i % 36]};
}

void InUseCheck(const Options& options, const Place& place) {
  constexpr int kPrograms = 1000;
  const fs::path target = place.root / "in-use-target";
  FreshFolder(target);
  std::vector<quelb::UpdateRunState> runs(kPrograms);
  for (int i = 0; i < kPrograms; ++i) {
    WriteBytes(target / (ModuleCode(i) + ".exe"), 4 * kKiB, i);
    runs[i].TargetPath = target.string();
    runs[i].CurrentFile = "QUELB" + ModuleCode(i) + ".EXE";
  }
  IdleProcesses idle;
  auto checkAll = [&] {
    quelb::ErrorState errors;
    for (quelb::UpdateRunState& run : runs) {
      quelb::CheckInUse(run, errors);
      if (!run.MayProceed) Fail("a free program was taken to be in use");
    }
  };
  // New processes are given a moment to reach their pause before the check is timed.
  auto population = [&](size_t count) {
    return [&idle, count] {
      idle.Resize(count);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    };
  };
  Report(
      {"in-use check of 1,000 programs", place.name, "the same with 50 processes",
       MedianRatio(options.pairs, Side{population(500), checkAll}, Side{population(50), checkAll}),
       1.1, "500 processes"});
  fs::remove_all(target);
}

// ---- The window ----

class VirtualDisplay {
 public:
  VirtualDisplay() {
    int ends[2];
    if (pipe(ends) != 0) Fail("no pipe");
    pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(ends[1]), "-nolisten", "tcp", "-screen", "0",
                  "1024x768x24"},
                 {}, true);
    close(ends[1]);
    char number[16] = {};
    pollfd wait{ends[0], POLLIN, 0};
    if (poll(&wait, 1, 20000) <= 0 || read(ends[0], number, sizeof number - 1) <= 0) {
      Fail("Xvfb did not start");
    }
    close(ends[0]);
    name_ = ":" + std::string(number, std::strcspn(number, "\n"));
    display_ = XOpenDisplay(name_.c_str());
    if (display_ == nullptr) Fail("cannot open " + name_);
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    XSync(display_, True);
  }
  ~VirtualDisplay() {
    XCloseDisplay(display_);
    kill(pid_, SIGTERM);
    Wait(pid_);
  }

  // Seconds from the start of the program to the map of its first top-level window.
  double TimeToMap(const std::vector<std::string>& argv, const std::string& prefix, int& width,
                   int& height) {
    XSync(display_, True);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Spawn(argv, {"DISPLAY=" + name_, "WINEPREFIX=" + prefix});
    const Window mapped = NextMap();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, mapped, &attributes);
    width = attributes.width;
    height = attributes.height;
    kill(pid, SIGTERM);
    Wait(pid);
    return seconds;
  }

 private:
  Window NextMap() {
    for (;;) {
      while (XPending(display_) == 0) {
        pollfd wait{ConnectionNumber(display_), POLLIN, 0};
        if (poll(&wait, 1, 20000) <= 0) Fail("no window was mapped");
      }
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(display_)) {
        return event.xmap.window;
      }
    }
  }

  pid_t pid_ = 0;
  std::string name_;
  Display* display_ = nullptr;
};

void WindowStart(const Options& options, const fs::path& scratch) {
  const fs::path prefix = scratch / "prefix";
  fs::create_directories(prefix / "dosdevices");
  VirtualDisplay display;
  int width = 0, height = 0;
  // The first start of each warms the caches of fonts and libraries.
  display.TimeToMap({QUELB_SETUP_PROGRAM}, prefix, width, height);
  const std::vector<std::string> bare = {QUELB_BARE_WINDOW_PROGRAM, std::to_string(width),
                                         std::to_string(height)};
  int bareWidth = 0, bareHeight = 0;
  display.TimeToMap(bare, prefix, bareWidth, bareHeight);
  const Timing timing = MedianRatio(
      std::max(options.pairs, 9), [] {},
      [&] { display.TimeToMap({QUELB_SETUP_PROGRAM}, prefix, width, height); },
      [&] { display.TimeToMap(bare, prefix, bareWidth, bareHeight); });
  Report({"exec to mapped window", "Xvfb", "bare FLTK window", timing, 1.1,
          std::to_string(width) + "x" + std::to_string(height)});
}

// ---- Places ----

std::optional<Place> MountTmpfs(const fs::path& scratch, const Options& options, std::string& why) {
  if (geteuid() != 0) {
    why = "mounting a tmpfs needs root";
    return std::nullopt;
  }
  const fs::path root = scratch / "tmpfs";
  fs::create_directories(root);
  const std::string size = "size=" + std::to_string(4 * options.bigSize / kMiB + 256) + "m";
  if (mount("tmpfs", root.c_str(), "tmpfs", 0, size.c_str()) != 0) {
    why = std::string("mount: ") + std::strerror(errno);
    return std::nullopt;
  }
  return Place{"tmpfs", root, true};
}

void MeasurePlace(const Options& options, const Place& place, const std::string& self) {
  if (Wanted(options, "small")) ManySmallFiles(options, place);
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

Options ParseOptions(int argc, char** argv) {
  Options options;
  const char* quick = std::getenv("QUELB_BENCH_QUICK");
  options.quick = quick != nullptr && *quick != '\0' && std::strcmp(quick, "0") != 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quick") {
      options.quick = true;
    } else if (arg == "--pairs" && i + 1 < argc) {
      options.pairs = std::max(5, std::atoi(argv[++i]));
    } else if (arg == "--disk" && i + 1 < argc) {
      options.disk = argv[++i];
    } else if (arg == "--only" && i + 1 < argc) {
      options.only = argv[++i];
    } else {
      Fail("usage: delivery_bench [--quick] [--pairs N] [--disk FOLDER] [--only FIGURE]");
    }
  }
  if (options.quick) {
    options.bigSize = 64 * kMiB;
    options.smallFiles = 500;
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--archive-test") == 0) return ArchiveTestChild(argv[2]);
  const Options options = ParseOptions(argc, argv);
  const std::string self = fs::canonical("/proc/self/exe");
  const fs::path scratch = options.disk / ("delivery-bench-" + std::to_string(getpid()));
  fs::create_directories(scratch / "prefix" / "dosdevices");
  setenv("WINEPREFIX", (scratch / "prefix").c_str(), 1);
  Operator();
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
  places.push_back({"disk", scratch / "disk", false});
  fs::create_directories(places.back().root);
  for (const Place& place : places) MeasurePlace(options, place, self);
  if (Wanted(options, "window")) WindowStart(options, scratch);
  PrintMarkdown();

  if (tmpfs) umount2(tmpfs->root.c_str(), MNT_DETACH);
  fs::remove_all(scratch);
  return 0;
}
