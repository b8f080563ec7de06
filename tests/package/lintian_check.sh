#!/usr/bin/env bash
# Builds the Debian package of a build folder as ./dev dist does and has Debian's own checker
# read it: no error and no warning may remain, and every program it installs has its manual
# page.
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
echo "package clean: $(basename "$package")"
