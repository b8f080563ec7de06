// A real second process for the engine tests: started with a pipe on its input and output,
// it is ready once it has written its "ready" line, and ends when its input is closed.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quelb::testing {

class SecondProcess {
 public:
  // Returns once the program has said it is ready, has ended, or a generous bound passed.
  SecondProcess(const std::string& program, const std::vector<std::string>& args);
  ~SecondProcess();
  SecondProcess(const SecondProcess&) = delete;
  SecondProcess& operator=(const SecondProcess&) = delete;

  bool Ready() const { return ready_; }
  // Closes the program's input and waits for its end.
  void End();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  bool ready_ = false;
};

// The test program that holds a file open, or runs as a program until its input closes.
std::string HolderProgram();
std::string InterpreterProgram();

}  // namespace quelb::testing
