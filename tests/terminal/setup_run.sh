# The installer itself in a terminal without a display: both modes, whole runs answered with
# keys, the terminal that the started programs get, the ways out, and no terminal at all.
#   bash setup_run.sh CASE
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../gui/world.sh"

# Starts the installer in FOLDER with the further arguments. The shell around it notes the
# terminal's settings before and after, the installer's process id and its exit code, and
# then keeps the terminal until expect_exit has looked at it.
start_setup() {
  local folder=$1
  shift
  start_terminal "trap : INT; cd $(printf %q "$folder") && stty -g >'$WORK/terminal-before' &&
    sh -c 'echo \$\$ >\"$WORK/pid\"; exec \"\$0\" \"\$@\"' $(printf '%q ' "$SETUP_PROGRAM" "$@") \
      2>'$WORK/setup.out'
    echo \$? >'$WORK/exit-code'; stty -g >'$WORK/terminal-after'
    while [ ! -e '$WORK/looked' ]; do sleep 0.1; done"
}

# The installer ended with CODE and left the terminal as it found it.
expect_exit() {
  wait_line "$WORK/exit-code" . 60 || fail "the installer did not end"
  [[ "$(cat "$WORK/exit-code")" == "$1" ]] || fail "exit code $(cat "$WORK/exit-code"), not $1"
  [[ "$(cat "$WORK/terminal-after")" == "$(cat "$WORK/terminal-before")" ]] ||
    fail "the terminal's settings were not restored"
  [[ "$(terminal_state)" == "alternate 0 cursor 1" ]] || fail "terminal: $(terminal_state)"
  # The terminal no longer marks pastes: one comes to the shell's echo without its marks.
  paste_text "pasted-after-exit"
  screen | grep -q 'pasted-after-exit' || fail "the paste was not echoed"
  screen | grep -qF '[200~' && fail "the terminal still marks pastes"
  touch "$WORK/looked"
}

# The program had the terminal as it was before the installer took it, on the main screen.
expect_terminal_given_to() {
  [[ "$(cat "$MARKERS/$1-terminal")" == "$(cat "$WORK/terminal-before")" ]] ||
    fail "$1 did not get the terminal as it was"
  [[ "$(terminal_state)" == "alternate 0 cursor 1" ]] || fail "$1 had: $(terminal_state)"
}

# The control module was started in FOLDER with the terminal; the installer waits for it,
# then ends with 0.
expect_hand_over_in() {
  wait_line "$MARKERS/cm-started" . 60 || fail "cm.exe was not started"
  [[ "$(cat "$MARKERS/cm-started")" == "$1" ]] ||
    fail "cm.exe started in $(cat "$MARKERS/cm-started"), not in $1"
  [[ ! -e "$WORK/exit-code" ]] || fail "the installer did not wait for cm.exe"
  expect_terminal_given_to cm
  touch "$MARKERS/cm-release"
  expect_exit 0
}

# Waits for the box with TITLE on its frame and answers it with the key.
answer_box() {
  local title=$1 key=$2
  wait_screen "\+- $(printf '%s' "$title" | sed 's/[][\\.*^$(){}?+|]/\\&/g') -+\+" 60 ||
    fail "no box titled '$title'"
  keys "$key"
  wait_gone "$title" 30 || fail "the box '$title' stayed"
}

expect_rows() {
  local row
  for row; do
    drawn | grep -qF -- "$row" || fail "no row shows '$row'"
  done
}

case_install_mode_and_cancel() {
  make_world
  put_control_module "$WORK/start"
  put_control_module "$TARGET"
  # An X server that is not there counts as no display.
  DISPLAY=:987 start_setup "$WORK/start"
  wait_screen 'QUELB Accounting Software Installation   \(7z\)' || fail "no installation dialog"
  expect_rows '| Load from     ' '| Drive: ' '| Install in    C:\QUELB   ' '| Drv/Dir ' \
    '(Download path or Diskette or CDROM' ' Drive) ' '(For Networks, use its drive letter)' \
    '[INSTALL]' '[Cancel]'
  # The source box shows the end of the current folder, with the caret after it.
  drawn | grep -q '^| Load from     .*/start  ' || fail "the source box does not show the folder"
  keys Escape
  expect_hand_over_in "$WORK/start"
}

case_update_mode_from_a_diskette() {
  make_world
  put_control_module "$TARGET"
  echo "report v2" >"$WORK/drive_a/REPORT.DAT"
  put_archive "$WORK/drive_a"
  touch "$MARKERS/archive-hold"
  start_setup "$TARGET" ABC
  wait_screen 'ABC Accounting Software Update   \(7z\)' || fail "no update dialog"
  expect_rows '| Load from     A  ' '(Change ONLY if instructed otherwise)' \
    'For Networks, be sure all other users are out of ABC' '[UPDATE]' '[Cancel]'
  keys Enter
  # The archive has the terminal while it runs, and what it writes is seen.
  wait_line "$MARKERS/archive-terminal" . 60 || fail "the archive was not started"
  expect_terminal_given_to archive
  wait_screen '^Extracting AP\.exe$' 10 || fail "the archive's output is not shown"
  touch "$MARKERS/archive-release"
  # Back in the dialog, the box stands over it.
  answer_box ' 2 files copied -  Load another Disk?' n
  expect_hand_over_in "$TARGET"
  [[ "$(cat "$TARGET/REPORT.DAT")" == "report v2" ]] || fail "REPORT.DAT not delivered"
  [[ "$(cat "$TARGET/AP.exe")" == "new AP" ]] || fail "the archive was not expanded"
}

case_whole_run_from_a_folder() {
  make_world
  put_control_module "$TARGET"
  put_one_of_each_kind "$WORK/start"
  start_setup "$WORK/start"
  wait_screen 'QUELB Accounting Software Installation' || fail "no installation dialog"
  keys Enter
  wait_screen 'error # 70 occurred' 60 || fail "no error prompt"
  expect_rows '(?)  Attempting to copy ' '[ Abort ]' '[ Retry ]' '[ Ignore ]'
  answer_box 'error # 70 occurred' i
  answer_box 'Update is Completed' o
  expect_hand_over_in "$TARGET"
  expect_one_of_each_delivered
}

case_abort_starts_no_control_module() {
  make_world
  put_control_module "$WORK/start"
  put_control_module "$TARGET"
  echo "new" >"$WORK/start/LOCKED.DAT"
  echo "old" >"$TARGET/LOCKED.DAT"
  chmod a-w "$TARGET/LOCKED.DAT"
  start_setup "$WORK/start"
  wait_screen 'QUELB Accounting Software Installation' || fail "no installation dialog"
  keys Enter
  answer_box 'error # 70 occurred' a
  answer_box 'Canceled by the operator' Enter
  expect_exit 0
  [[ ! -e "$MARKERS/cm-started" ]] || fail "cm.exe was started after an abort"
}

# Ended by a signal, the installer sets the terminal back and ends as the signal ends it.
case_signals_restore_the_terminal() {
  local signal number
  for signal in INT:2 TERM:15 HUP:1; do
    make_world
    start_setup "$WORK/start"
    wait_screen 'QUELB Accounting Software Installation' || fail "no installation dialog"
    if [[ ${signal%:*} == INT ]]; then
      keys C-c
    else
      kill "-${signal%:*}" "$(cat "$WORK/pid")"
    fi
    number=${signal#*:}
    expect_exit $((128 + number))
    rm -f "$WORK/exit-code" "$WORK/looked"
  done
}

# A relative WINEPREFIX would name another drive table in every folder (in install mode the
# medium's): the installer says so in one line before it takes the terminal and ends with 255,
# touching nothing and starting nothing.
case_relative_wine_prefix_refused() {
  make_world
  put_control_module "$WORK/start"
  mkdir -p "$WORK/start/prefix/dosdevices"
  ln -s "$DRIVE_C" "$WORK/start/prefix/dosdevices/c:"
  local before after
  before=$(find "$WORK/start" "$WORK/drive_c" "$WORK/prefix" -printf '%p %s %T@ %m\n' | sort)
  export WINEPREFIX=prefix
  start_setup "$WORK/start"
  expect_exit 255
  [[ $(grep -c . "$WORK/setup.out") == 1 ]] || fail "not one line: $(cat "$WORK/setup.out")"
  grep -q 'WINEPREFIX.*"prefix"' "$WORK/setup.out" || fail "the line: $(cat "$WORK/setup.out")"
  [[ ! -e "$MARKERS/cm-started" ]] || fail "cm.exe was started"
  after=$(find "$WORK/start" "$WORK/drive_c" "$WORK/prefix" -printf '%p %s %T@ %m\n' | sort)
  [[ "$before" == "$after" ]] || fail "files changed: $(diff <(echo "$before") <(echo "$after"))"
}

# Without a display and without a terminal the installer says so in one line and ends with
# 255, touching nothing and starting nothing.
case_no_display_no_terminal() {
  make_world
  put_control_module "$WORK/start"
  echo "new" >"$WORK/start/NEWS.TXT"
  local before after display code
  before=$(find "$WORK/start" "$WORK/drive_c" "$WORK/prefix" -printf '%p %s %T@ %m\n' | sort)
  for display in unset :987; do
    if [[ $display == unset ]]; then
      (cd "$WORK/start" && exec "$SETUP_PROGRAM" </dev/null >"$WORK/stdout" 2>"$WORK/stderr")
    else
      (cd "$WORK/start" && DISPLAY=$display exec "$SETUP_PROGRAM" </dev/null \
        >"$WORK/stdout" 2>"$WORK/stderr")
    fi
    code=$?
    ((code == 255)) || fail "DISPLAY $display: exit code $code"
    [[ ! -s "$WORK/stdout" ]] || fail "DISPLAY $display: it wrote to standard output"
    [[ $(grep -c . "$WORK/stderr") == 1 ]] || fail "DISPLAY $display: $(cat "$WORK/stderr")"
  done
  after=$(find "$WORK/start" "$WORK/drive_c" "$WORK/prefix" -printf '%p %s %T@ %m\n' | sort)
  [[ "$before" == "$after" ]] || fail "files changed: $(diff <(echo "$before") <(echo "$after"))"
  # A terminal for input alone is no terminal to draw on.
  start_terminal "cd '$WORK/start' && '$SETUP_PROGRAM' >'$WORK/stdout' 2>'$WORK/stderr';
    echo \$? >'$WORK/exit-code'"
  wait_line "$WORK/exit-code" . 60 || fail "the installer did not end"
  [[ "$(cat "$WORK/exit-code")" == 255 ]] || fail "stdin alone: exit code $(cat "$WORK/exit-code")"
  grep -q 'no display and no terminal' "$WORK/stderr" || fail "stdin alone: $(cat "$WORK/stderr")"
  [[ ! -e "$MARKERS/cm-started" ]] || fail "cm.exe was started"
}

"case_$1"
