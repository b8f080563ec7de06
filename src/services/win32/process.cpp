// Starting a command line with CreateProcessA: the platform takes the program from the first
// word with its own search order, the window is shown as asked, and the caller may wait for
// the end. The whole line is handed over; one longer than the platform takes fails with the
// number the platform gives.
#include "services/process.h"

#include <chrono>
#include <vector>

#include "services/backend.h"
#include "services/win32/internal/call.h"

namespace quelb {
namespace {

DWORD Start(const Text& commandLine, int showState, bool inheritHandles,
            PROCESS_INFORMATION& started) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, inheritHandles};
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showState);
  BOOL created = FALSE;
  // The call is made with the platform's error boxes off, and a child would inherit that mode:
  // it starts with the default one, so that it can still ask for a disk or name a missing DLL.
  const DWORD flags = NORMAL_PRIORITY_CLASS | CREATE_DEFAULT_ERROR_MODE;
  const DWORD error = win32::Call([&] {
    created = CreateProcessA(nullptr, line.data(), &attributes, &attributes, inheritHandles, flags,
                             nullptr, nullptr, &startup, &started);
  });
  return created ? 0 : (error != 0 ? error : ERROR_INVALID_FUNCTION);
}

// The wait takes no input, but looks at the queue between slices of it: a thread that does
// not for five seconds has its windows shown as not responding, with an offer to close them.
// A process still running when the limit has passed is ended with the code of a wait that
// timed out.
void WaitForTheEnd(HANDLE process, std::chrono::seconds timeLimit) {
  using Clock = std::chrono::steady_clock;
  constexpr DWORD kSlice = 50;
  const Clock::time_point deadline = Clock::now() + timeLimit;
  while (WaitForSingleObject(process, kSlice) == WAIT_TIMEOUT) {
    if (timeLimit > kNoTimeLimit && Clock::now() >= deadline) {
      if (TerminateProcess(process, WAIT_TIMEOUT)) WaitForSingleObject(process, INFINITE);
      return;
    }
    platform::LookAtMessageQueue();
  }
}

}  // namespace

int32_t RunCommand(ErrorState& state, const Text& commandLine, int showState, bool wait,
                   bool inheritHandles, std::chrono::seconds timeLimit) {
  PROCESS_INFORMATION started{};
  const DWORD error = Start(commandLine, showState, inheritHandles, started);
  if (!win32::Succeeded(state, error == 0, error)) return 0;
  int32_t result = static_cast<int32_t>(started.dwProcessId);
  if (wait) {
    DWORD exitCode = 0;
    WaitForTheEnd(started.hProcess, timeLimit);
    GetExitCodeProcess(started.hProcess, &exitCode);
    result = static_cast<int32_t>(exitCode);
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return result;
}

}  // namespace quelb
