// The translation of drive and DOS paths into host paths, in a world of its own: a drive table
// with a relative link (C:), an absolute one (D:) and one to a folder that is not there (E:),
// folders in mixed case, and a current folder on no drive. A path gets no result only when it
// is empty, names a drive that is not there or has no disk, or holds a character that no
// Windows name holds; a result is an absolute host path without empty, "." or ".." parts, a
// drive path stays under its drive's root, and translating a result again gives it back.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "services/posix/internal/path_translation.h"

namespace {

namespace fs = std::filesystem;

fs::path& World() {
  static fs::path world;
  return world;
}

bool Under(const std::string& root, const std::string& path) {
  return path == root || (path.compare(0, root.size(), root) == 0 && path[root.size()] == '/');
}

bool HasOnlyNamedParts(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    const size_t end = std::min(path.find('/', at), path.size());
    const std::string part = path.substr(at, end - at);
    if (path.size() > 1 && (part.empty() || part == "." || part == "..")) return false;
    at = end;
  }
  return true;
}

std::optional<std::string> RootOf(char letter) {
  switch (letter | 0x20) {
    case 'c':
      return fs::canonical(World() / "c_root").string();
    case 'd':
      return fs::canonical(World() / "d_root").string();
    case 'e':
      return (World() / "e_root").string();
    default:
      return std::nullopt;
  }
}

// Control characters, the characters of masks, quotes and redirections, and a ":" anywhere but
// after a drive letter.
bool HoldsCharacterNoNameHolds(const std::string& path, bool drivePath) {
  for (size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte < 0x20 || std::string_view("\"<>|*?").find(path[i]) != std::string_view::npos) {
      return true;
    }
    if (path[i] == ':' && !(drivePath && i == 1)) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/quelb-host-path-fuzz-XXXXXX";
  World() = mkdtemp(pattern);
  const fs::path devices = World() / "prefix" / "dosdevices";
  fs::create_directories(devices);
  fs::create_directories(World() / "c_root" / "Quelb" / "Data");
  fs::create_directories(World() / "c_root" / "LDGRHOME" / "DOWNLOAD");
  fs::create_directories(World() / "d_root" / "setup disk");
  fs::create_directories(World() / "outside");
  std::ofstream(World() / "c_root" / "Quelb" / "AP.exe") << "program";
  fs::create_directory_symlink("../../c_root", devices / "c:");
  fs::create_directory_symlink(World() / "d_root", devices / "d:");
  fs::create_directory_symlink(World() / "e_root", devices / "e:");
  setenv("WINEPREFIX", (World() / "prefix").c_str(), 1);
  fs::current_path(World() / "outside");
  std::atexit([] { fs::remove_all(World()); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quelb::fuzz::Differs;
  using quelb::fuzz::Expect;
  const std::string path(reinterpret_cast<const char*>(data), size);
  const std::optional<std::string> host = quelb::posix::HostPath(path);
  const bool drivePath =
      size >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
  if (path.empty() || (drivePath && !RootOf(path[0]))) {
    Expect(!host, "no host path for an empty path or a drive that is not there", path);
    return 0;
  }
  if (!host) {
    const bool withoutDisk = drivePath && (path[0] | 0x20) == 'e';
    Expect(withoutDisk || HoldsCharacterNoNameHolds(path, drivePath), "a host path", path);
    return 0;
  }
  Expect(!host->empty() && host->front() == '/', "an absolute host path", path);
  Expect(HasOnlyNamedParts(*host), "no empty, . or .. parts", path + " -> " + *host);
  if (drivePath)
    Expect(Under(*RootOf(path[0]), *host), "stays on its drive", path + " -> " + *host);
  const std::optional<std::string> again = quelb::posix::HostPath(*host);
  if (again != host) Differs("HostPath of its own result", path, again.value_or("(none)"), *host);
  return 0;
}
