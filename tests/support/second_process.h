// Real second processes for the tests: the small test programs, the holder that keeps a file
// busy, and this same test program started again to probe a fresh process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quelb::testing {

// The path of one of the test programs built beside the tests.
std::string TestProgram(const std::string& name);

// The command line of the holder program in one of its modes: "open" or "map" hold file,
// "try" opens it without blocking and ends at once.
std::vector<std::string> HolderCommand(const std::string& mode, const std::filesystem::path& file);

// A program started with a pipe on its input and output. The program says "ready" on a line
// once it holds what it should, and ends when its input is closed. The constructor returns
// once the line came, the program ended without it, or a generous bound passed, so that a
// test never waits on a fixed sleep and never hangs on a broken program.
class SecondProcess {
 public:
  explicit SecondProcess(const std::vector<std::string>& argv);
  ~SecondProcess();
  SecondProcess(const SecondProcess&) = delete;
  SecondProcess& operator=(const SecondProcess&) = delete;

  bool Ready() const { return ready_; }
  // Closes the program's input, waits for its end and returns its exit code: -1 when it did
  // not start or did not exit normally. Later calls return the same code.
  int End();

 private:
  // The process and the writing end of its input: a process id and a descriptor on POSIX,
  // two handles on Windows.
  intptr_t pid_ = -1;
  intptr_t input_ = -1;
  bool ready_ = false;
  int exitCode_ = -1;
};

// Runs one test of this same test program in a fresh process, with the arguments given and
// the probe's output file named by QUELB_PROBE_OUT, and returns what the probe wrote.
std::string RunProbe(const std::string& testName, const std::vector<std::string>& args);

// The output file of a probe started by RunProbe, or nothing when run as an ordinary test.
const char* ProbeOutput();

}  // namespace quelb::testing
