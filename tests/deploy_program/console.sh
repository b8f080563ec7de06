#!/usr/bin/env bash
# The unattended program as the tools that start it see it: no display, standard input closed,
# standard error a file, and only its exit code and its output to go by.
#   console.sh PROGRAM [LAUNCHER]   (LAUNCHER wine for the Windows program, with Z: as /)
set -uo pipefail
source "$(dirname "$0")/program_world.sh"

mkdir -p "$world/source" "$world/target" "$world/download"
echo new >"$world/source/A.TXT"
echo old >"$world/target/A.TXT"
common=(--target "$(path "$world/target")" --download "$(path "$world/download")" --wait 0)

deploy --source "$(path "$world/source")" "${common[@]}"
[[ $status == 0 ]] || fail "a deploy exits $status: $err"
[[ -z $out && -z $err ]] || fail "a deploy without a terminal wrote: $out$err"
[[ $(tr -d '\r' <"$world/target/A.TXT") == new ]] || fail "A.TXT was not delivered"

deploy --source "$(path "$world/missing")" "${common[@]}"
[[ $status == 3 ]] || fail "a missing source exits $status, not 3"

deploy --source "$(path "$world/source")"
[[ $status == 2 && $err == *"no --target given"* && $err == *"usage:"* ]] ||
  fail "a command line without a target exits $status: $err"
# The receipt the deploy left makes the release current, until a source changes.
deploy --check --source "$(path "$world/source")" "${common[@]}"
[[ $status == 0 && $out == current ]] || fail "--check after a deploy exits $status: $out$err"
deploy --source "$(path "$world/source")" "${common[@]}"
[[ $status == 0 && -z $out$err ]] || fail "a second deploy exits $status: $out$err"
echo newer >"$world/source/B.TXT"
deploy --check --source "$(path "$world/source")" "${common[@]}"
[[ $status == 1 && $out == B.TXT ]] || fail "--check with a new file exits $status: $out$err"
deploy --check --source "$(path "$world/source")" --target "$(path "$world/nowhere")" \
  --download "$(path "$world/nodownload")"
[[ $status == 1 && ! -e $world/nowhere && ! -e $world/nodownload ]] ||
  fail "--check of a missing target exits $status or made a folder"
deploy --check --source "$(path "$world/missing")" "${common[@]}" --wait 300
[[ $status == 3 ]] || fail "--check of a missing source exits $status, not 3"

deploy --help
[[ $status == 0 && $out == *"exit codes:"* && $out == *"  7  disk full"* ]] ||
  fail "--help exits $status and shows: $out"
deploy --version
[[ $status == 0 && $out == "quelb-deploy "[0-9]* ]] || fail "--version shows: $out"

((failures == 0)) && echo "all checks passed"
exit $((failures > 0))
