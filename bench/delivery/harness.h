// The harness of the delivery bench: its options, the programs it starts, the files it
// prepares, the timing of alternating pairs, the table it prints and the places it measures in.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update_run.h"

namespace delivery {

namespace fs = std::filesystem;

constexpr int64_t kKiB = 1024;
constexpr int64_t kMiB = 1024 * kKiB;
constexpr int64_t kGiB = 1024 * kMiB;

// ---- Options ----

struct Options {
  bool quick = false;
  int pairs = 5;
  fs::path disk = "/var/tmp";
  int64_t bigSize = kGiB;
  int smallFiles = 2000;
  std::string only;  // one figure, or all when empty
  fs::path wineRun;  // the Windows build's wine_update_run.exe, for the figure under Wine
};

Options ParseOptions(int argc, char** argv);
bool Wanted(const Options& options, const std::string& figure);

// ---- Processes ----

// Starts a program found on PATH, with extra variables of the form NAME=value; a quiet one
// has its diagnostics sent nowhere.
pid_t Spawn(std::vector<std::string> argv, std::vector<std::string> extraEnvironment = {},
            bool quiet = false);

// The exit code, or 128 + the signal that ended it.
int Wait(pid_t pid, rusage* usage = nullptr);

void RunTool(const std::vector<std::string>& argv, int expectedCode = 0);

// Processes that do nothing but exist, as the sessions of other users on the machine do.
class IdleProcesses {
 public:
  ~IdleProcesses() { Resize(0); }
  void Resize(size_t count);

 private:
  std::vector<pid_t> pids_;
};

// ---- Files ----

// Bytes like those of compressed data, different for each seed, written a megabyte at a time.
void WriteBytes(const fs::path& path, int64_t size, uint64_t seed);

void MakeOlder(const fs::path& path);

// Writes back what the preparation left dirty, so that it is not charged to the next timing.
void SyncFileSystemOf(const fs::path& folder);

void FreshFolder(const fs::path& folder);

std::string SizeName(int64_t size);

// ---- Timing ----

double Seconds(const std::function<void()>& work);

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
                   const std::function<double()>& reference);

// Each side is prepared afresh before it is timed.
Timing MedianRatio(int pairs, const Side& ours, const Side& reference);

Timing MedianRatio(int pairs, const std::function<void()>& prepare,
                   const std::function<void()>& ours, const std::function<void()>& reference);

// ---- The table ----

struct Row {
  std::string figure;
  std::string place;
  std::string reference;
  Timing timing;
  double limit;  // the ratio may be at most this
  std::string extra;
};

void Report(Row row);
void PrintMarkdown();
void Skip(const std::string& figure, const std::string& why);

// ---- Places ----

struct Place {
  std::string name;
  fs::path root;
  bool tmpfs;
};

std::optional<Place> MountTmpfs(const fs::path& scratch, const Options& options, std::string& why);
Place DiskFolder(const fs::path& scratch);

}  // namespace delivery
