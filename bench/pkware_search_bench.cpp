// The archive test's streamed search against the reference it replaces: the whole file read
// into memory and searched at once. Both run in the same process on the same file and must
// give the same position; compare their rates, not their times.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/engine.h"
#include "engine/mark_search.h"
#include "services/files.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kMiB = int64_t{1} << 20;
constexpr const char* kMark = "PKWARE";

// Bytes like those of a compressed archive, with the mark once, near the end.
std::string ArchiveBytes(int64_t size) {
  std::string bytes(static_cast<size_t>(size), '\0');
  uint64_t state = 0x9E3779B97F4A7C15u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<char>(state >> 56);
  }
  bytes.replace(bytes.size() - 100, 6, kMark);
  return bytes;
}

const fs::path& ArchiveOf(int64_t size) {
  static fs::path path;
  static int64_t written = 0;
  if (written != size) {
    path = fs::temp_directory_path() / ("pkware-bench-" + std::to_string(getpid()) + ".exe");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << ArchiveBytes(size);
    written = size;
  }
  return path;
}

int64_t WholeFileSearch(quelb::ErrorState& errors, const quelb::Text& path) {
  const int fileNumber = quelb::NextFileNumber();
  quelb::OpenExclusive(errors, path, fileNumber, quelb::Access::kReadWriteWithFallBack);
  const int64_t length = quelb::FileLength(errors, fileNumber);
  const quelb::Text content = quelb::ReadBytes(errors, fileNumber, length);
  quelb::CloseFile(errors, fileNumber);
  return quelb::FindText(1, content, kMark);
}

void StreamedFromFile(benchmark::State& state) {
  const int64_t size = state.range(0) * kMiB;
  const quelb::Text path = ArchiveOf(size).string();
  quelb::ErrorState errors;
  const int64_t expected = WholeFileSearch(errors, path);
  quelb::UpdateRunState run;
  for (auto _ : state) {
    quelb::PkwareTest(run, errors, path);
    benchmark::DoNotOptimize(run.PkwarePos);
  }
  if (run.PkwarePos != expected || errors.number != 0) state.SkipWithError("answers differ");
  state.SetBytesProcessed(state.iterations() * size);
}

void WholeFileFromFile(benchmark::State& state) {
  const int64_t size = state.range(0) * kMiB;
  const quelb::Text path = ArchiveOf(size).string();
  quelb::ErrorState errors;
  for (auto _ : state) benchmark::DoNotOptimize(WholeFileSearch(errors, path));
  if (errors.number != 0) state.SkipWithError("the file could not be read");
  state.SetBytesProcessed(state.iterations() * size);
}

// The searches alone, without reading: one-megabyte pieces against one whole text.
void StreamedInMemory(benchmark::State& state) {
  const std::string bytes = ArchiveBytes(state.range(0) * kMiB);
  int64_t position = 0;
  for (auto _ : state) {
    quelb::MarkScanner scanner(kMark);
    for (size_t at = 0;
         at < bytes.size() && !scanner.Feed(std::string_view(bytes).substr(at, kMiB)); at += kMiB) {
    }
    position = scanner.Position();
    benchmark::DoNotOptimize(position);
  }
  if (position != quelb::FindText(1, bytes, kMark)) state.SkipWithError("answers differ");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void WholeInMemory(benchmark::State& state) {
  const std::string bytes = ArchiveBytes(state.range(0) * kMiB);
  for (auto _ : state) benchmark::DoNotOptimize(quelb::FindText(1, bytes, kMark));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

BENCHMARK(StreamedFromFile)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeFileFromFile)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(StreamedInMemory)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(WholeInMemory)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove(fs::temp_directory_path() / ("pkware-bench-" + std::to_string(getpid()) + ".exe"),
             ignored);
  return 0;
}
