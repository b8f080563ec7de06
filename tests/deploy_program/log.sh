#!/usr/bin/env bash
# The log and the --json lines of the unattended program as a fleet tool reads them: each
# line of standard output one JSON object, the end carrying the exit code, and the log in the
# target, also after a kill; and, on a terminal, the progress line with its figures.
#   log.sh PROGRAM [LAUNCHER]   (LAUNCHER wine for the Windows program, with Z: as /)
set -uo pipefail
source "$(dirname "$0")/program_world.sh"

# Each line must be a JSON object; prints "record exit_code" of the end, and the names' actions.
read_json() {
  python3 - "$world/out" <<'PY'
import json, sys
records = [json.loads(line) for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
assert records[0]["record"] == "start" and records[0]["version"], records[0]
assert records[-1]["record"] == "end", records[-1]
for record in records:
    if record["record"] == "name":
        print("name", record["action"], record["source"].replace("\\", "/").split("/")[-1])
    elif record["record"] == "question":
        print("question", record["answer"])
end = records[-1]
print("end", end["exit_code"], end["delivered"], end["skipped"], end["failed"])
PY
}

mkdir -p "$world/source" "$world/target" "$world/download"
printf 'new\n' >"$world/source/A.TXT"
printf 'package\n' >"$world/source/NEWS.QLB"
common=(--target "$(path "$world/target")" --download "$(path "$world/download")" --wait 0
  --retries 0)

deploy --json --log "$(path "$world/deploy.log")" --source "$(path "$world/source")" "${common[@]}"
[[ $status == 0 ]] || fail "a deploy with --json exits $status: $(cat "$world/err")"
json=$(read_json) || fail "the --json lines do not parse: $(cat "$world/out")"
grep -qx "name copied A.TXT" <<<"$json" || fail "no copied A.TXT among: $json"
grep -qx "name package NEWS.QLB" <<<"$json" || fail "no package NEWS.QLB among: $json"
grep -qx "end 0 2 0 0" <<<"$json" || fail "the end is not exit 0 with 2 delivered: $json"
logs=("$world"/target/.quelb-deploy/logs/*.log)
[[ ${#logs[@]} == 1 && -f ${logs[0]} ]] || fail "the target holds ${#logs[@]} logs"
cmp -s "${logs[0]}" "$world/deploy.log" || fail "the two logs differ"
last=$(tail -n 1 "$world/deploy.log" | tr -d '\r')
[[ $last == *" 2 files copied or expanded. exit code 0" ]] || fail "the log ends with: $last"

# A file that cannot be delivered: the question, its answer and the end's code 6.
mkdir -p "$world/target/B.TXT"
printf 'b\n' >"$world/source/B.TXT"
deploy --json --source "$(path "$world/source")" "${common[@]}"
[[ $status == 6 ]] || fail "a failed file exits $status, not 6"
json=$(read_json) || fail "the --json lines of a failure do not parse: $(cat "$world/out")"
grep -qx "question end the run" <<<"$json" || fail "no question ended the run: $json"
grep -q "^end 6 " <<<"$json" || fail "the end does not carry 6: $json"

# On a terminal the progress line counts the files; the Windows console is not a terminal
# that Wine's program can tell.
if [[ -z $launcher ]]; then
  rm -rf "$world/target/B.TXT" "$world/source/B.TXT"
  script -qec "$(printf '%q ' "$program" --all --source "$world/source" "${common[@]}") 2>&1" \
    "$world/typescript" >/dev/null </dev/null
  grep -aq "of 2 files" "$world/typescript" || fail "no progress figures: $(cat -v "$world/typescript")"
fi

# A deploy killed while it waits on a program in use leaves its log up to that question.
if [[ -z $launcher ]]; then
  rm -rf "$world/target/.quelb-deploy"
  # The archive unpacks the program it replaces, which is then tested for use.
  cat >"$world/source/QUELBAP.EXE" <<'ARCHIVE'
#!/bin/sh
for a; do case $a in -o*) printf new >"$(printf '%s' "${a#-o}" | tr '\\' /)/AP.exe" ;; esac; done
ARCHIVE
  chmod +x "$world/source/QUELBAP.EXE"
  printf 'held\n' >"$world/target/AP.exe"
  sleep 60 <"$world/target/AP.exe" &
  holder=$!
  "$program" --source "$world/source" --target "$world/target" --download "$world/download" \
    --wait 60 >/dev/null 2>&1 </dev/null &
  deployer=$!
  for _ in $(seq 1 200); do
    grep -qs "in use - RETRY" "$world"/target/.quelb-deploy/logs/*.log && break
    sleep 0.1
  done
  kill -9 "$deployer" "$holder"
  wait "$deployer" "$holder" 2>/dev/null
  log=$(cat "$world"/target/.quelb-deploy/logs/*.log)
  [[ $log == "quelb-deploy "*"question \"Target program is in use - RETRY ?\""*"answer Yes (retrying, "* ]] ||
    fail "a killed deploy left the log: $log"
fi

((failures == 0)) && echo "all checks passed"
exit $((failures > 0))
