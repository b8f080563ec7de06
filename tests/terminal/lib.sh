# Helpers for tests that drive programs in a terminal of their own: a tmux server on a socket
# in WORK, one window of 80 x 24 cells, no display. Source this file, then:
#
#   start_terminal COMMAND         run the shell command in a new terminal; its window stays
#                                  after the command ends, so that the screen can be read
#   screen                         print what the terminal shows, one line per row
#   drawn                          the screen with the frame lines as + - | and without the
#                                  blank rows and columns around what is drawn
#   expect_drawn                   compare drawn with the standard input
#   wait_screen PATTERN [SECONDS]  wait until a row of drawn matches the extended PATTERN
#   wait_gone PATTERN [SECONDS]    wait until no row matches it
#   keys KEY...                    press the keys one at a time (tmux names: Tab, BTab,
#                                  Enter, Escape, M-c, BSpace, DC, Home, End, Left, y ...)
#   type_text TEXT                 type TEXT
#   paste_text TEXT                paste TEXT, marked as a paste where the program asked so
#   terminal_state                 print the terminal's settings, the alternate screen flag
#                                  and the cursor flag
#   resize COLUMNS ROWS            give the terminal another size
#
# It also brings the helpers of ../gui/lib.sh (WORK, start_logged, wait_exit, wait_line,
# fail); fail also prints the screen.
source "$(dirname "${BASH_SOURCE[0]}")/../gui/lib.sh"

TERMINALS=0
# The ways in which the program could find a display are closed. The terminal speaks UTF-8,
# whatever the machine's locale, so that its frame lines read back the same everywhere.
unset DISPLAY WAYLAND_DISPLAY
export LC_ALL=C.UTF-8

tmux_() {
  tmux -u -S "$WORK/tmux.$TERMINALS.sock" "$@"
}

terminal_cleanup() {
  local socket
  for socket in "$WORK"/tmux.*.sock; do
    [[ -e "$socket" ]] && tmux -S "$socket" kill-server 2>/dev/null
  done
  cleanup
}
trap terminal_cleanup EXIT

# The gui helpers' fail, kept under another name.
eval "gui_$(declare -f fail)"

fail() {
  { echo "--- screen"; screen; } >&2 2>/dev/null
  gui_fail "$@"
}

start_terminal() {
  ((++TERMINALS))
  printf 'set -g remain-on-exit on\nset -g status off\n' >"$WORK/tmux.conf"
  tmux_ -f "$WORK/tmux.conf" new-session -d -x 80 -y 24 -s test "$1" ||
    gui_fail "tmux did not start"
}

screen() {
  tmux_ capture-pane -p -t test
}

drawn() {
  screen | sed 's/─/-/g; s/│/|/g; s/[┌┐└┘]/+/g; s/ *$//' | sed '/./,$!d' | awk '
    { rows[NR] = $0 }
    /[^ ]/ { match($0, /^ */); if (margin == "" || RLENGTH < margin) margin = RLENGTH }
    END { for (i = 1; i <= NR; i++) print substr(rows[i], margin + 1) }'
}

expect_drawn() {
  local expected
  expected=$(cat)
  [[ "$(drawn)" == "$expected" ]] || fail "the screen is not as expected:"$'\n'"$expected"
}

wait_screen() {
  local pattern=$1 seconds=${2:-30} tries
  for ((tries = 0; tries < seconds * 10; tries++)); do
    drawn | grep -Eq -- "$pattern" && return 0
    sleep 0.1
  done
  return 1
}

wait_gone() {
  local pattern=$1 seconds=${2:-30} tries
  for ((tries = 0; tries < seconds * 10; tries++)); do
    drawn | grep -Eq -- "$pattern" || return 0
    sleep 0.1
  done
  return 1
}

# Each key on its own, so that Esc and the next key do not arrive as one Alt key.
keys() {
  local key
  for key; do
    tmux_ send-keys -t test "$key"
    sleep 0.15
  done
}

type_text() {
  tmux_ send-keys -t test -l "$1"
  sleep 0.15
}

paste_text() {
  printf '%s' "$1" | tmux_ load-buffer -
  tmux_ paste-buffer -p -t test
  sleep 0.3
}

terminal_state() {
  tmux_ display -p -t test 'alternate #{alternate_on} cursor #{cursor_flag}'
}

resize() {
  tmux_ resize-window -t test -x "$1" -y "$2"
}
