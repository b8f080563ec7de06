// Who runs the program and where, on Windows. The system's version is the one the manifest's
// supported systems let the program see.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "services/log_file.h"

namespace quelb {

Text AccountName() {
  char name[257] = {};
  DWORD size = sizeof name;
  return GetUserNameA(name, &size) ? Text(name) : Text("?");
}

Text MachineName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? Text(name, size) : Text("?");
}

Text SystemName() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return "Windows";
  Text name = "Windows " + std::to_string(version.dwMajorVersion) + "." +
              std::to_string(version.dwMinorVersion) + " build " +
              std::to_string(version.dwBuildNumber);
  if (version.szCSDVersion[0] != '\0') name += Text(" ") + version.szCSDVersion;
  return name;
}

}  // namespace quelb
