# Reading what the layer probe wrote to $WORK/probe.out: the messages and commands its callback
# got. Source after lib.sh; a script may narrow messages to those it compares.

EN_CHANGE_SOURCE=0x3000190
EN_CHANGE_TARGET=0x3000191

messages() {
  grep '^msg ' "$WORK/probe.out"
}

# The first parameters of the commands the callback got, in order, blank-separated.
commands() {
  messages | awk '$2 == 273 { printf "%s%s", sep, $4; sep = " " }'
}

expect_commands() {
  [[ "$(commands)" == "$1" ]] || fail "expected commands '$1', got '$(commands)'"
}
