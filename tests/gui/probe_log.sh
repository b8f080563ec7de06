# Reading what the layer probe wrote to $WORK/probe.out: the commands its callback got. Source
# after lib.sh.

EN_CHANGE_SOURCE=0x3000190
EN_CHANGE_TARGET=0x3000191

# The first parameters of the commands the callback got, in order, blank-separated.
commands() {
  awk '$1 == "msg" && $2 == 273 { printf "%s%s", sep, $4; sep = " " }' "$WORK/probe.out"
}

expect_commands() {
  [[ "$(commands)" == "$1" ]] || fail "expected commands '$1', got '$(commands)'"
}
