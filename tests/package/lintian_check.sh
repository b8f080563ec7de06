#!/usr/bin/env bash
# Builds the Debian package of a build folder as ./dev dist does and has Debian's own checker
# read it: no error and no warning may remain, every program it installs has its manual page,
# and the changelog's newest entry is the package's version.
#   lintian_check.sh CPACK BUILD_FOLDER
set -euo pipefail
cpack=$1 build=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  exit 1
}
package=$(echo "$out"/*.deb)
lintian --fail-on error,warning "$package"
contents=$(dpkg-deb -c "$package")
for program in $(awk '$6 ~ /^\.\/usr\/bin\/./ { sub(".*/", "", $6); print $6 }' <<<"$contents"); do
  grep -q "usr/share/man/man1/$program.1.gz$" <<<"$contents" || {
    echo "FAIL: $program has no manual page in the package"
    exit 1
  }
done
# A release's version is written twice, in CMake's project() and at the top of the changelog.
version=$(dpkg-deb -f "$package" Version)
changelog=$(dpkg-deb --fsys-tarfile "$package" | tar -xOf - ./usr/share/doc/quelb-setup/changelog.gz | gzip -dc)
[[ $(head -n 1 <<<"$changelog") == *"($version)"* ]] || {
  echo "FAIL: the changelog's newest entry is not version $version: $(head -n 1 <<<"$changelog")"
  exit 1
}
echo "package clean: $(basename "$package")"
