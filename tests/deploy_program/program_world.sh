# What the scripts of the unattended program share, sourced with the program and the launcher
# as their arguments: a temporary world, the failures counted, a host path as the program takes
# it, and deploy, which runs the program as a fleet tool does (no display, standard input
# closed) and sets status, and out and err to what it wrote.
program=$1 launcher=${2:-}
world=$(mktemp -d)
trap 'rm -rf "$world"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
path() { if [[ -n $launcher ]]; then echo "Z:${1//\//\\}"; else echo "$1"; fi; }

deploy() {
  env -u DISPLAY -u WAYLAND_DISPLAY $launcher "$program" "$@" \
    >"$world/out" 2>"$world/err" <&-
  status=$?
  out=$(tr -d '\r' <"$world/out") err=$(tr -d '\r' <"$world/err")
}
