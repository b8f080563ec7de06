#!/usr/bin/env bash
# Eight workstations on this machine, brought to one release by the Ansible role with eight
# forks. Each has a drive table of its own (a Wine prefix holding only the dosdevices link of
# its C: drive) and its installation in C:\QUELB; all take the same release folder.
#   fleet.sh PROGRAM ANSIBLE_FOLDER
set -uo pipefail
program=$1 playbooks=$2
world=$(mktemp -d)
holder=
cleanup() {
  [[ -n $holder ]] && kill "$holder" 2>/dev/null
  rm -rf "$world"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Ansible keeps everything of its own in the test's folder, never in the account's home.
export HOME=$world/home ANSIBLE_HOME=$world/home/.ansible
export ANSIBLE_LOCAL_TEMP=$world/home/.ansible/tmp ANSIBLE_REMOTE_TEMP=$world/home/.ansible/remote
export ANSIBLE_CONFIG=$world/ansible.cfg ANSIBLE_ROLES_PATH=$playbooks/roles
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_DEPRECATION_WARNINGS=0
mkdir -p "$HOME" && : >"$ANSIBLE_CONFIG"

hosts=(ws1 ws2 ws3 ws4 ws5 ws6 ws7 ws8)
release=$world/release
mkdir -p "$release"
# A program archive of the suite: unpacks AP.exe, with the release's text, into the folder
# named after -o.
write_release() {
  echo "$1" >"$release/A.TXT"
  echo "ledger $1" >"$release/B.TXT"
  echo "package $1" >"$release/UPDATE.QLB"
  cat >"$release/QUELBAP.EXE" <<ARCHIVE
#!/bin/sh
for arg in "\$@"; do case \$arg in -o*) folder=\${arg#-o} ;; esac; done
printf 'program %s' '$1' > "\$folder/AP.exe"
ARCHIVE
  chmod 755 "$release/QUELBAP.EXE"
}
write_release 1

# The eight read the same archive at once, and each read takes it whole and alone: one that
# meets another's tries again as a fleet's would, with the default --retries.
{
  echo "quelb_workstations:"
  echo "  vars:"
  echo "    ansible_connection: local"
  echo "    ansible_python_interpreter: $(command -v python3)"
  echo "    quelb_deploy_program: $program"
  echo "    quelb_deploy_source: $release"
  echo "    quelb_deploy_target: 'C:\\QUELB'"
  echo "    quelb_deploy_wait: 1"
  echo "  hosts:"
  for host in "${hosts[@]}"; do
    # An installed workstation has the download folder's parent; the deploy makes only the last
    # level, as setup does.
    mkdir -p "$world/$host/prefix/dosdevices" "$world/$host/c/LDGRHOME"
    ln -s "$world/$host/c" "$world/$host/prefix/dosdevices/c:"
    echo "    $host:"
    echo "      quelb_deploy_environment: {WINEPREFIX: $world/$host/prefix}"
  done
} >"$world/inventory.yml"

# Runs the example playbook against the eight; sets status and the recap's figures per host.
declare -A changed failed
play() {
  ansible-playbook -i "$world/inventory.yml" "$playbooks/site.yml" --forks 8 "$@" \
    >"$world/play.log" 2>&1
  status=$?
  changed=() failed=()
  local host rest
  while read -r host _ rest; do
    [[ $rest =~ changed=([0-9]+).*failed=([0-9]+) ]] || continue
    changed[$host]=${BASH_REMATCH[1]} failed[$host]=${BASH_REMATCH[2]}
  done < <(sed -n '/^PLAY RECAP/,$p' "$world/play.log")
}
show_log() { grep -E "^(fatal|failed|ERROR)|=> \{|msg" "$world/play.log" | head -20 | sed 's/^/  | /'; }
delivered() {  # host release
  local c=$world/$1/c
  [[ $(cat "$c/QUELB/A.TXT" 2>/dev/null) == "$2" && $(cat "$c/QUELB/B.TXT" 2>/dev/null) == "ledger $2" &&
    $(cat "$c/QUELB/AP.exe" 2>/dev/null) == "program $2" &&
    $(cat "$c/LDGRHOME/DOWNLOAD/UPDATE.QLB" 2>/dev/null) == "package $2" ]]
}

play --check
for host in "${hosts[@]}"; do
  [[ ${changed[$host]:-} -ge 1 && ${failed[$host]:-} == 0 ]] ||
    fail "check mode on $host: changed=${changed[$host]:-?} failed=${failed[$host]:-?}"
  [[ ! -e $world/$host/c/QUELB/A.TXT ]] || fail "check mode delivered to $host"
done

play
((status == 0)) || { fail "the first deploy exits $status"; show_log; }
for host in "${hosts[@]}"; do
  delivered "$host" 1 || fail "$host does not hold the release"
  [[ ${changed[$host]:-} -ge 1 ]] || fail "the first deploy on $host changed nothing"
done
grep -q "delivered: .*A.TXT" "$world/play.log" || fail "the play does not say what was delivered"

play
((status == 0)) || { fail "the second deploy exits $status"; show_log; }
for host in "${hosts[@]}"; do
  [[ ${changed[$host]:-} == 0 ]] || fail "the second deploy changed $host: ${changed[$host]:-?}"
done

# A program of the suite is in use on the last workstation: a process holds it open.
write_release 2
sleep 600 <"$world/ws8/c/QUELB/AP.exe" &
holder=$!
play
((status != 0)) || fail "a deploy with a workstation in use exits 0"
[[ ${failed[ws8]:-} == 1 ]] || fail "ws8 with its program in use: failed=${failed[ws8]:-?}"
grep "^fatal: \[ws8\]" "$world/play.log" | grep -q "exited 5: programs of the suite still in use" ||
  { fail "ws8 does not fail with the in-use meaning"; show_log; }
for host in "${hosts[@]:0:7}"; do
  [[ ${failed[$host]:-} == 0 ]] && delivered "$host" 2 ||
    { fail "$host did not take release 2"; grep "\[$host\]" "$world/play.log" | tail -3; }
done

((failures == 0)) && echo "all checks passed"
exit $((failures > 0))
