# Helpers for tests that drive windows under a virtual X server of their own. Source this
# file, then:
#
#   start_xvfb                     start Xvfb on a free display and export DISPLAY; it is
#                                  stopped when the script exits
#   start_logged NAME CMD...       run CMD in the background, its output in $WORK/NAME.out;
#                                  sets LAST_PID
#   wait_window NAME [SECONDS]     print the id of the visible window whose name matches the
#                                  regular expression NAME, waiting up to SECONDS (default 30)
#   wait_named TITLE [SECONDS]     the same for the window named exactly TITLE
#   press WINDOW KEY...            give WINDOW the keyboard and press the keys (xdotool names:
#                                  Tab, shift+Tab, Return, Escape, alt+c, space, y ...)
#   type_text WINDOW TEXT          give WINDOW the keyboard and type TEXT
#   focus_elsewhere                map another window and give it the keyboard and the
#                                  pointer, away from the windows under test
#   keys_to_focus WINDOW KEY...    wait until WINDOW has taken the keyboard focus itself, then
#                                  press the keys where the focus is, the pointer left alone
#   start_window_manager           run openbox on the display, wait until it manages it, and
#                                  leave the keyboard elsewhere as focus_elsewhere does; under
#                                  Wine the test is skipped, as nothing there is managed
#   click WINDOW X Y               click the left button at X,Y inside WINDOW
#   close_request WINDOW           send the window manager's close request (WM_DELETE_WINDOW)
#   screenshot WINDOW FILE         write a PNG of WINDOW to FILE (folders are made)
#   wait_exit PID [SECONDS]        wait for the process to end; its exit code is the return
#                                  code, 124 when it did not end in time (it is then killed)
#   wait_line FILE PATTERN [S]     wait until a line of FILE matches the extended PATTERN
#   wait_until SECONDS CMD...      wait until CMD succeeds
#   fail MESSAGE                   print MESSAGE and end the test as failed
#   skip REASON                    print REASON and end the test as skipped (exit code 77)
#   on_wine                        true when the programs under test run under Wine
#
# WORK is a fresh folder removed at exit. GUI_TOOLS_DIR names the folder of send_close.
# GUI_LAUNCHER is the command that runs the programs under test (wine for the Windows build,
# empty on Linux); start_xvfb then also gives the test a Wine prefix of its own, linked from
# the one named by GUI_WINE_PREFIX.

set -u

WORK=$(mktemp -d)
XVFB_PID=
BACKGROUND_PIDS=()
read -ra LAUNCHER <<<"${GUI_LAUNCHER:-}"
# The layer probe, as the scripts start it.
PROBE=("${LAUNCHER[@]}" "${PROBE_PROGRAM:-${GUI_TOOLS_DIR:-}/layer_probe}")

on_wine() {
  [[ "${LAUNCHER[0]:-}" == wine ]]
}

cleanup() {
  local pid
  for pid in "${BACKGROUND_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  on_wine && [[ -d "$WORK/prefix" ]] && WINEPREFIX="$WORK/prefix" wineserver -k 2>/dev/null
  [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [[ -n "${DISPLAY:-}" ]]; then
    echo "--- keyboard focus: $(xdotool getwindowfocus -f 2>&1)," \
      "active: $(xdotool getactivewindow 2>&1); shown:" >&2
    xdotool search --onlyvisible --name . 2>/dev/null | while read -r id; do
      echo "$id $(xdotool getwindowname "$id")"
    done >&2
  fi
  local log
  for log in "$WORK"/*.out; do
    [[ -e "$log" ]] && { echo "--- $log" >&2; cat "$log" >&2; }
  done
  exit 1
}

skip() {
  echo "SKIP: $*"
  exit 77
}

start_xvfb() {
  local display_file="$WORK/display"
  # A key held longer than the repeat delay repeats, and a loaded machine can hold one that
  # long between xdotool's press and release: the delay is set past any test's reach.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset -ardelay 60000 \
    3>"$display_file" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  local tries
  for ((tries = 0; tries < 300; tries++)); do
    [[ -s "$display_file" ]] && break
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    sleep 0.1
  done
  [[ -s "$display_file" ]] || fail "Xvfb gave no display"
  export DISPLAY=":$(head -n1 "$display_file")"
  if on_wine; then start_wine; fi
}

# Hard links make the copy of the prefix cheap. Wine writes a registry file that has other
# links in place, so those are copied whole. Wine takes a prefix only from its owner, and the
# build's may be another account's: the copy's folders are made by whoever runs the test, and
# the note of the owner's server folder is left behind.
start_wine() {
  export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all
  [[ -f "$GUI_WINE_PREFIX/system.reg" ]] || fail "no Wine prefix at $GUI_WINE_PREFIX"
  cp -RPl "$GUI_WINE_PREFIX" "$WINEPREFIX" 2>/dev/null || cp -RP "$GUI_WINE_PREFIX" "$WINEPREFIX" ||
    fail "the Wine prefix could not be copied"
  rm -f "$WINEPREFIX/wineserver"
  local registry
  for registry in "$GUI_WINE_PREFIX"/*.reg; do
    cp --remove-destination "$registry" "$WINEPREFIX/" || fail "no copy of $registry"
  done
  # The build's prefix also serves the other Windows tests, whose failures may leave drives
  # and files behind: the copy keeps only Wine's own drives C: and Z: and Wine's folders on C:.
  find "$WINEPREFIX/dosdevices" -mindepth 1 -maxdepth 1 -name '?:' ! -name c: ! -name z: -delete
  find "$WINEPREFIX/drive_c" -mindepth 1 -maxdepth 1 ! -name windows ! -name users \
    ! -name 'Program Files*' ! -name ProgramData -exec rm -rf {} +
  # Without a window manager of its own, Wine makes its windows plain X windows named by
  # their titles and sets the focus itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$WORK/wine.log" 2>&1 ||
    fail "the Wine prefix takes no settings: $(cat "$WORK/wine.log")"
}

start_logged() {
  local name=$1
  shift
  "$@" >"$WORK/$name.out" 2>&1 &
  LAST_PID=$!
  BACKGROUND_PIDS+=("$LAST_PID")
}

wait_window() {
  local name=$1 seconds=${2:-30} tries id
  for ((tries = 0; tries < seconds * 10; tries++)); do
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n1)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# TITLE as a regular expression that matches exactly that text.
exact_name() {
  printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\\.*^$(){}?+|]/\\&/g')"
}

wait_named() {
  wait_window "$(exact_name "$1")" "${2:-30}"
}

give_keyboard() {
  xdotool mousemove --window "$1" 3 3
  xdotool windowfocus "$1"
}

press() {
  local window=$1
  shift
  give_keyboard "$window"
  xdotool key --clearmodifiers --delay 40 "$@"
}

type_text() {
  give_keyboard "$1"
  xdotool type --delay 30 "$2"
}

click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

close_request() {
  if on_wine; then
    # The Windows build has no X program to send it; Alt+F4 is the platform's own close
    # request, which reaches the window as the same close command.
    press "$1" alt+F4
  else
    "$GUI_TOOLS_DIR/send_close" "$1"
  fi
}

screenshot() {
  mkdir -p "$(dirname "$2")"
  import -window "$1" "png:$2"
}

wait_exit() {
  local pid=$1 seconds=${2:-60} tries
  for ((tries = 0; tries < seconds * 10; tries++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      return $?
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  return 124
}

wait_until() {
  local seconds=$1 tries
  shift
  for ((tries = 0; tries < seconds * 10; tries++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

wait_line() {
  wait_until "${3:-30}" grep -Eq -- "$2" "$1" 2>/dev/null
}

focus_elsewhere() {
  if [[ -z "${ELSEWHERE:-}" ]]; then
    start_logged elsewhere xmessage -geometry +0+0 -title Elsewhere 'keys typed here go nowhere'
    ELSEWHERE=$(wait_named Elsewhere) || fail "the other window did not appear"
  fi
  xdotool mousemove --window "$ELSEWHERE" 5 5 windowfocus --sync "$ELSEWHERE"
}

# The window has the keyboard and, where a window manager runs, is its active window too.
has_focus() {
  [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]] || return 1
  ! manages_windows || [[ "$(xdotool getactivewindow 2>/dev/null)" == "$1" ]]
}

keys_to_focus() {
  local window=$1
  shift
  wait_until 30 has_focus "$window" || fail "window $window did not take the keyboard focus"
  xdotool key --clearmodifiers --delay 40 "$@"
}

is_gone() {
  ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable
}

# Alt+F4 through the window manager. A press that openbox, just started, has not yet bound to
# the focused window is lost (about one run in six here); one more press is given only when the
# window is still shown, so a window that closed at the first is never pressed twice.
close_by_window_manager() {
  keys_to_focus "$1" alt+F4
  wait_until 5 is_gone "$1" && return 0
  keys_to_focus "$1" alt+F4
}

manages_windows() {
  xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q '# 0x'
}

# Openbox may lose a window mapped while it starts, so it is started once another window is
# shown and counts as ready once it manages that one.
start_window_manager() {
  if on_wine; then
    skip "Wine's windows are its own X windows, unmanaged (Managed=N): a window manager" \
      "neither frames nor activates them, and Alt+F4 reaches Wine directly"
  fi
  focus_elsewhere
  HOME="$WORK" start_logged openbox openbox --sm-disable --config-file /etc/xdg/openbox/rc.xml
  wait_until 30 manages_windows || fail "openbox did not start"
  focus_elsewhere
}
