#!/usr/bin/env bash
# Reads the built setup.exe as Windows' loader would: it must ask for no more than XP SP3
# (subsystem and system version 5.1), import only what the allow-list beside this script
# holds, and carry its icon, its version information and a manifest that keeps the
# operator's own rights and has a version of four numbers.
#   program_check.sh OBJDUMP PROGRAM [gui|console]
set -euo pipefail
objdump=$1 program=$2 kind=${3:-gui}
headers=$("$objdump" -p "$program")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }
[[ $(field MajorSubsystemVersion) == 5 && $(field MinorSubsystemVersion) == 1 ]] ||
  fail "subsystem version $(field MajorSubsystemVersion).$(field MinorSubsystemVersion), not 5.1"
[[ $(field MajorOSystemVersion) == 5 ]] || fail "system version $(field MajorOSystemVersion), not 5"
if [[ $kind == console ]]; then
  grep -q 'Windows CUI' <<<"$headers" || fail "not a console program"
else
  grep -q 'Windows GUI' <<<"$headers" || fail "not a window program"
fi

# Each import, as "dll function" with the DLL's name in small letters, must be on the
# allow-list beside this script.
imports=$(awk '/^\tDLL Name:/ { dll = tolower($3); listing = 1; next }
  /^$/ { listing = 0 }
  listing && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }' <<<"$headers")
[[ -n $imports ]] || fail "no imports read"
allowed=$(awk '!/^#/ && NF == 2 { print tolower($1), $2 }' "$(dirname "$0")/allowed_imports")
while read -r dll function; do
  fail "imports $function of $dll, which is not on the allow-list: add it to allowed_imports" \
    "with its reason once the platform's documentation says that XP SP3 has it"
done < <(comm -23 <(sort -u <<<"$imports") <(sort -u <<<"$allowed"))

# Resource types at the top of the table: 14 group icon, 16 version, 24 manifest.
for type in 0x00000e 0x000010 0x000018; do
  grep -Eq "^0[0-9a-f]{2}   Entry: ID: $type," <<<"$headers" || fail "no resource of type $type"
done
grep -aq 'level="asInvoker"' "$program" || fail "the manifest does not keep the operator's rights"
grep -aq 'Microsoft.Windows.Common-Controls' "$program" && fail "the manifest asks for new controls"
# The manifest's own version has four numbers of 0 to 65535, or Windows refuses to start the
# program ("side-by-side configuration is incorrect").
version=$(tr '\r\n' '  ' <"$program" | grep -ao '<assemblyIdentity [^>]*name="QUELB\.[A-Za-z]*"[^>]*>' |
  grep -o ' version="[^"]*"' | head -n1 || true)
number='(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])'
[[ $version =~ ^\ version=\"$number\.$number\.$number\.$number\"$ ]] ||
  fail "the manifest's assemblyIdentity has ${version:-no version}, not four numbers"

((failures == 0)) && echo "$(basename "$program"): XP SP3 to 11, $(wc -l <<<"$imports") imports, resources present"
((failures == 0))
