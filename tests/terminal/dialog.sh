# The terminal backend of the dialog layer, driven through the probe's installer layout: the
# screens, and the messages its callback gets for keys.   bash dialog.sh CASE
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../gui/probe_log.sh"

PROBE="$GUI_TOOLS_DIR/layer_probe"

# Starts the probe's dialog in the terminal; arguments go to the probe.
open_dialog() {
  start_terminal "$(printf '%q ' "$PROBE" dialog "$@") 2>'$WORK/probe.out'"
  wait_screen 'Accounting Software' || fail "the dialog did not appear"
}

expect_result() {
  wait_line "$WORK/probe.out" '^result ' 60 || fail "the probe did not end"
  grep -qx "result $1" "$WORK/probe.out" || fail "expected result $1"
}

cursor() {
  tmux_ display -p -t test '#{cursor_x},#{cursor_y}'
}

case_install_screen() {
  open_dialog install
  expect_drawn <<'SCREEN'
+- QUELB Accounting Software Installation   (7z) -----------------------------+
| Load from     /home/ann/setup        (Download path or Diskette or CDROM    |
| Drive:                               Drive)                                 |
| Install in    C:\QUELB               (For Networks, use its drive letter)   |
| Drv/Dir                                                                     |
|                                                                             |
|                                                                             |
|                                                                             |
|                                                                             |
| ----------------------------------------------------------------            |
|                      [INSTALL]                        [Cancel]              |
|                                                                             |
+-----------------------------------------------------------------------------+
SCREEN
  # Centred in 80 x 24, with the caret after the source text, which is selected.
  [[ "$(screen | grep -n 'QUELB Accounting' | cut -d: -f1)" == 6 ]] || fail "not centred"
  [[ "$(cursor)" == "31,6" ]] || fail "the caret is at $(cursor)"
  # WM_INITDIALOG, then WM_SIZE with the client size in cells: 77 x 11.
  local first_two
  first_two=$(head -n2 "$WORK/probe.out" | awk '{print $2, $4, $6}' | tr '\n' ';')
  [[ "$first_two" == "272 0x10001 0x0;5 0x0 0xb004d;" ]] || fail "start messages: $first_two"
  keys Escape
  expect_result 2
}

case_update_screen() {
  open_dialog update
  expect_drawn <<'SCREEN'
+- QUELB Accounting Software Update   (7z) -----------------------------------+
| Load from     A                      (Download path or Diskette or CDROM    |
| Drive:                               Drive)                                 |
| Install in    /home/ann/quelb        (Change ONLY if instructed otherwise)  |
| Drv/Dir                                                                     |
|                                                                             |
|                                                                             |
|               For Networks, be sure all other users are out of QUELB        |
|                                                                             |
| ----------------------------------------------------------------            |
|                      [UPDATE]                         [Cancel]              |
|                                                                             |
+-----------------------------------------------------------------------------+
SCREEN
  keys Escape
  expect_result 2
}

case_tab_order() {
  open_dialog install
  # Source box first, then target box, Cancel, the run button, and round again. A box that
  # takes the focus has its text selected, so what is typed replaces it.
  type_text a
  keys Tab
  type_text b
  keys Tab Tab Space Tab
  type_text c
  keys BTab BTab Enter
  expect_result 2
  expect_commands "$EN_CHANGE_SOURCE $EN_CHANGE_TARGET 0x1 $EN_CHANGE_SOURCE 0x2"
  grep -qx 'text 400 c' "$WORK/probe.out" || fail "the source box does not hold c alone"
}

case_enter_in_text_boxes() {
  open_dialog install
  keys Enter Tab Enter M-c
  expect_result 2
  expect_commands "0x1 0x1 0x2"
  local run_handle
  run_handle=$(awk '$2 == 273 && $4 == "0x1" { print $6; exit }' "$WORK/probe.out")
  [[ "$run_handle" != 0x0 ]] || fail "command 1 from Enter carries no control handle"
}

case_cancel_keys() {
  local keys
  for keys in Escape M-c "Tab Tab Space" "Tab Tab Enter" "Tab Tab Tab c" "Tab Tab Right Left Enter"; do
    open_dialog update
    # shellcheck disable=SC2086
    keys $keys
    expect_result 2
    expect_commands "0x2"
    [[ $(grep -c '^msg 16 ' "$WORK/probe.out") == 1 ]] || fail "$keys: not one WM_CLOSE"
  done
  # Alt+C as a terminal without an Alt key sends it: Esc, then the letter.
  open_dialog update
  tmux_ send-keys -t test -H 1b 63
  expect_result 2
  expect_commands "0x2"
}

case_editing_keys() {
  open_dialog install
  # End keeps the text; then each editing key once.
  keys End
  type_text /x
  keys Home DC Right Right BSpace End Left Left
  type_text Q
  keys Escape
  expect_result 2
  grep -qxF 'text 400 hme/ann/setupQ/x' "$WORK/probe.out" || fail "editing gave the wrong text"
  # Three typed letters and two removals change the box; the moves do not.
  [[ $(grep -c "wparam $EN_CHANGE_SOURCE " "$WORK/probe.out") == 5 ]] ||
    fail "not one change per edit"
}

case_paste_into_the_focused_box() {
  open_dialog install
  # A paste replaces the selected text as typed text would, up to its first line break and
  # without its control characters: its Tab does not move on and its line break does not run.
  paste_text $'C:\\SRC\tDIR\x01\nsecond line\n'
  wait_screen '^\| Load from     C:\\SRCDIR  ' 10 || fail "the paste did not arrive"
  type_text X
  # On a button a paste does nothing: its line break does not press the button.
  keys Tab Tab
  paste_text $'\n\n'
  keys Escape
  expect_result 2
  grep -qxF 'text 400 C:\SRCDIRX' "$WORK/probe.out" || fail "the box does not hold the paste"
  expect_commands "$EN_CHANGE_SOURCE $EN_CHANGE_SOURCE 0x2"
}

case_long_text_scrolls() {
  open_dialog install
  local text
  text="C:\\$(printf 'LONGFOLDER%02d\\' $(seq 1 6))END"
  type_text "$text"
  # The box, 22 cells wide, shows the end of the text with the caret after it.
  wait_screen '^\| Load from     ER05\\LONGFOLDER06\\END  ' 10 || fail "the box did not scroll"
  [[ "$(cursor)" == "37,6" ]] || fail "the caret is at $(cursor)"
  keys Home
  wait_screen '^\| Load from     C:\\LONGFOLDER01\\LONGFO ' 10 || fail "Home did not scroll back"
  keys Escape
  expect_result 2
  grep -qxF "text 400 $text" "$WORK/probe.out" || fail "the long text was not read whole"
}

case_end_inside_command() {
  open_dialog install --ok=end
  keys Enter
  expect_result 0
  [[ $(grep -c '^msg 16 ' "$WORK/probe.out") == 1 ]] || fail "not one WM_CLOSE"
  grep -qx 'after end: source ""' "$WORK/probe.out" || fail "controls outlived the dialog"
}

case_status_line_painted_during_work() {
  open_dialog update "--ok=status:$WORK/go-on"
  keys Enter
  wait_line "$WORK/probe.out" '^status written$' || fail "the run did not start"
  # The probe takes no keys now; what is shown came from writing the text.
  wait_screen '^\|               Copying A:\\QUELBAP\.EXE +\|$' 10 || fail "the status is not shown"
  touch "$WORK/go-on"
  wait_screen '^\|               Disk 1 loaded +\|$' 10 || fail "the status was not rewritten"
  wait_gone 'Copying' 10 || fail "the old status stayed"
  keys Escape
  expect_result 2
}

case_message_box_over_dialog() {
  open_dialog install --ok=box:0x2024
  keys Enter
  wait_screen 'Probe question' || fail "the box did not appear"
  # The dialog stays under the box; Esc means nothing to a Yes/No box.
  screen | grep -q 'Install in' || fail "the dialog is not shown under the box"
  keys Escape
  sleep 0.3
  grep -q '^box answer' "$WORK/probe.out" && fail "Esc answered the box"
  keys n
  wait_line "$WORK/probe.out" '^box answer 7$' || fail "the box did not answer No"
  wait_gone 'Probe question' 10 || fail "the box stayed on the screen"
  # The focus is back in the source box.
  type_text z
  keys Escape
  expect_result 2
  expect_commands "0x1 $EN_CHANGE_SOURCE 0x2"
}

case_too_small_then_resized() {
  start_terminal "sleep 0.5; $(printf '%q ' "$PROBE") dialog install 2>'$WORK/probe.out'"
  resize 70 20
  wait_screen 'The terminal is too small for the installer' 30 || fail "no word of the size"
  screen | tr -s '\n ' ' ' | grep -q 'needs 79 x 13 characters and has 70 x 20\.' ||
    fail "the sizes are not named"
  # Keys wait for a terminal that shows the dialog.
  keys Escape
  sleep 0.3
  grep -q '^result' "$WORK/probe.out" && fail "a key acted on a dialog that is not shown"
  resize 80 24
  wait_screen 'QUELB Accounting Software Installation' 10 || fail "no dialog after the resize"
  resize 100 30
  sleep 0.5
  screen | grep -Eq '^ {10}┌─ QUELB Accounting' || fail "the dialog was not centred again"
  keys Escape
  expect_result 2
}

"case_$1"
