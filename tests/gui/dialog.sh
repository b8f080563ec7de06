# The dialog layer driven through the probe's installer layout: the messages its callback
# gets for keys, clicks and close requests.   bash dialog.sh CASE
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/probe_log.sh"

TITLE='^QUELB Accounting Software (Installation|Update)   \(7z\)$'

# The client area of 350 x 90 dialog units at 6 x 13 base units is 525 x 146 pixels, and
# FLTK's X window is that client area.
CLIENT_SIZE=0x92020d
INIT_HANDLE=0x10001
CENTRED='*Position: 249,311 *Geometry: 525x146*'
CANCEL_CENTRE=(405 131)
STATUS_CROP=330x16+105+57
if on_wine; then
  # Wine's stand-in for MS Sans Serif is a pixel lower than Windows' face (6 x 12 base units,
  # where Windows has 6 x 13), and Wine draws the frame and the caption inside its X window:
  # the client area starts 3 pixels in and 22 down.
  CLIENT_SIZE=0x87020d
  INIT_HANDLE='0x[1-9a-f][0-9a-f]*'
  CENTRED='*Position: 246,304 *Geometry: 531x160*'
  CANCEL_CENTRE=(408 144)
  STATUS_CROP=330x15+108+75
fi

# Starts the probe's dialog and sets DIALOG to its window; arguments go to the probe.
open_dialog() {
  start_logged probe "${PROBE[@]}" dialog "$@"
  PROBE_PID=$LAST_PID
  DIALOG=$(wait_window "$TITLE") || fail "the dialog did not appear"
}

# Waits for the probe to end and checks the dialog's result.
expect_result() {
  wait_exit "$PROBE_PID" 60 || fail "the probe did not end well"
  grep -qx "result $1" "$WORK/probe.out" || fail "expected result $1"
}

# Under Wine the window's own traffic (painting, activation, the text boxes' focus, update and
# scroll notifications) is left out of the messages: what remains are the layer's start and
# end messages, close commands, clicks and changes.
if on_wine; then
  messages() {
    awk '$1 == "msg" && ($2 == 272 || $2 == 5 || $2 == 16 || $2 == 274 ||
         ($2 == 273 && (length($4) <= 6 || $4 ~ /^0x300....$/)))' "$WORK/probe.out"
  }
fi

case_start_messages() {
  open_dialog install
  press "$DIALOG" Escape
  expect_result 2
  local first_two
  first_two=$(grep '^msg ' "$WORK/probe.out" | head -n2 | awk '{print $2, $4, $6}' | tr '\n' ';')
  [[ "$first_two" =~ ^"272 "$INIT_HANDLE" 0x0;5 0x0 $CLIENT_SIZE;"$ ]] ||
    fail "start messages: $first_two"
  [[ $(grep -c '^msg 272 ' "$WORK/probe.out") == 1 ]] || fail "WM_INITDIALOG more than once"
}

case_centred() {
  open_dialog install
  local geometry
  geometry=$(xdotool getwindowgeometry "$DIALOG" | tr -s ' \n' ' ')
  # shellcheck disable=SC2053
  [[ "$geometry" == $CENTRED ]] ||
    fail "not centred on the 1024x768 screen: $geometry"
  press "$DIALOG" Escape
  expect_result 2
}

case_fixed_frame_without_close_box() {
  open_dialog install
  if on_wine; then
    # Wine draws the frame itself: the window's style must hold the caption and the modal
    # frame, and no window menu, sizing frame, minimize or maximize box.
    local style
    style=$(awk '$1 == "style" { print $2; exit }' "$WORK/probe.out")
    (((style & 0xC00080) == 0xC00080 && (style & 0xF0000) == 0)) || fail "style $style"
    press "$DIALOG" Escape
    expect_result 2
    return
  fi
  local hints
  hints=$(xprop -id "$DIALOG" _MOTIF_WM_HINTS WM_NORMAL_HINTS)
  # Move only, and a border and caption without the window menu and its buttons.
  [[ "$hints" == *"_MOTIF_WM_HINTS) = 0x3, 0x4, 0xa,"* ]] || fail "frame functions: $hints"
  [[ "$hints" == *"minimum size: 525 by 146"*"maximum size: 525 by 146"* ]] ||
    fail "the dialog can be resized: $hints"
  press "$DIALOG" Escape
  expect_result 2
}

case_tab_order() {
  open_dialog install
  # Source box first, then target box, Cancel, the run button, and round again.
  type_text "$DIALOG" a
  press "$DIALOG" Tab
  type_text "$DIALOG" b
  press "$DIALOG" Tab Tab space Tab
  type_text "$DIALOG" c
  press "$DIALOG" shift+Tab shift+Tab Return
  expect_result 2
  expect_commands "$EN_CHANGE_SOURCE $EN_CHANGE_TARGET 0x1 $EN_CHANGE_SOURCE 0x2"
}

case_enter_in_text_boxes() {
  open_dialog install
  press "$DIALOG" Return Tab Return alt+c
  expect_result 2
  expect_commands "0x1 0x1 0x2"
  # Enter stands for the run button, so the command carries that button's handle.
  local run_handle
  run_handle=$(awk '$2 == 273 && $4 == "0x1" { print $6; exit }' "$WORK/probe.out")
  [[ "$run_handle" != 0x0 ]] || fail "command 1 from Enter carries no control handle"
}

case_cancel_keys() {
  local keys
  for keys in Escape alt+c "Tab Tab space" "Tab Tab Return" "Tab Tab Tab c"; do
    open_dialog update
    # shellcheck disable=SC2086
    press "$DIALOG" $keys
    expect_result 2
    # Ending the dialog from the Cancel handling leads to no second Cancel.
    expect_commands "0x2"
    [[ $(grep -c '^msg 16 ' "$WORK/probe.out") == 1 ]] || fail "$keys: not one WM_CLOSE"
  done
}

case_click_cancel() {
  open_dialog install
  # Cancel sits at 250,74 dialog units, 40 x 14: its centre is near 405,131 pixels.
  click "$DIALOG" "${CANCEL_CENTRE[@]}"
  expect_result 2
  expect_commands "0x2"
}

case_close_request() {
  open_dialog install
  close_request "$DIALOG"
  expect_result 0
  expect_commands ""
  grep -q '^msg 274 wparam 0xf060 ' "$WORK/probe.out" || fail "no WM_SYSCOMMAND SC_CLOSE"
  grep -q '^msg 16 ' "$WORK/probe.out" || fail "no WM_CLOSE"
}

case_typing_changes_only_boxes() {
  open_dialog install
  type_text "$DIALOG" "xyz"
  press "$DIALOG" Left BackSpace Home Tab
  type_text "$DIALOG" "Q"
  press "$DIALOG" Escape
  expect_result 2
  # Three letters, one deletion, one letter; the arrows and Home change nothing.
  local s=$EN_CHANGE_SOURCE t=$EN_CHANGE_TARGET
  expect_commands "$s $s $s $s $t 0x2"
  [[ $(messages | wc -l) == 9 ]] || fail "messages besides the changes"
}

case_long_text_read_whole() {
  open_dialog install
  local text
  text="C:\\$(printf 'LONGFOLDER%02d\\' $(seq 1 12))END"
  type_text "$DIALOG" "$text"
  press "$DIALOG" Escape
  expect_result 2
  grep -qxF "text 400 $text" "$WORK/probe.out" || fail "the long text was not read whole"
}

case_end_inside_command() {
  open_dialog install --ok=end
  press "$DIALOG" Return
  # The second end changes nothing: the result stays 0, and the controls are gone.
  expect_result 0
  [[ $(grep -c '^msg 16 ' "$WORK/probe.out") == 1 ]] || fail "not one WM_CLOSE"
  grep -qx 'after end: source ""' "$WORK/probe.out" || fail "controls outlived the dialog"
}

# The intensity range of the status line's rectangle (70,35 220x10 dialog units).
status_range() {
  screenshot "$DIALOG" "$WORK/status.png"
  convert "$WORK/status.png" -crop "$STATUS_CROP" -colorspace Gray -format '%[min] %[max]' info:
}

case_status_line_painted_during_work() {
  open_dialog update "--ok=status:$WORK/go-on"
  read -r low high <<<"$(status_range)"
  [[ "$low" == "$high" ]] || fail "the status line is not empty at the start"
  press "$DIALOG" Return
  wait_line "$WORK/probe.out" '^status written$' || fail "the run did not start"
  # The probe takes no events now; what is painted came from writing the text.
  read -r low high <<<"$(status_range)"
  touch "$WORK/go-on"
  ((${low%.*} * 2 < ${high%.*})) || fail "the status line was not painted: $low $high"
  press "$DIALOG" Escape
  expect_result 2
}

# A path such as C:\Büro & Co is shown as written: the status line takes no "&" as a
# mnemonic, and the font is made for the system's own code page.
case_status_line_shows_paths_as_written() {
  on_wine || skip "FLTK draws a label's text as written, and its fonts have no character set"
  open_dialog install
  local style charset
  style=$(awk '$1 == "status" && $2 == "style" { print $3; exit }' "$WORK/probe.out")
  charset=$(awk '$1 == "font" && $2 == "charset" { print $3; exit }' "$WORK/probe.out")
  ((style & 0x80)) || fail "the status line takes & as a mnemonic: style $style"
  [[ "$charset" == 1 ]] || fail "the font's character set is $charset, not the system's (1)"
  press "$DIALOG" Escape
  expect_result 2
}

case_message_box_over_dialog() {
  open_dialog install --ok=box:0x2024
  press "$DIALOG" Return
  local box
  box=$(wait_window '^Probe question$') || fail "the box did not appear"
  # While the box is up the dialog takes no clicks, and Esc means nothing to a Yes/No box.
  click "$DIALOG" "${CANCEL_CENTRE[@]}"
  # Wine answers Esc and the close key in any box with Cancel (2), where Windows ignores
  # them in a box without Cancel; message_box.sh holds that difference.
  if ! on_wine; then
    press "$box" Escape
    close_request "$box"
  fi
  press "$box" n
  wait_line "$WORK/probe.out" '^box answer 7$' || fail "the box did not answer No"
  # The focus is back in the source box.
  type_text "$DIALOG" z
  press "$DIALOG" Escape
  expect_result 2
  expect_commands "0x1 $EN_CHANGE_SOURCE 0x2"
}

# Keys sent where the keyboard focus is, with the pointer on another window that had the
# focus: the dialog takes it when shown and again, on its target box, when the box is gone.
case_keys_reach_the_focused_dialog() {
  focus_elsewhere
  open_dialog install --ok=box:0x2024
  keys_to_focus "$DIALOG" Tab Return
  local box
  box=$(wait_window '^Probe question$') || fail "the box did not appear"
  keys_to_focus "$box" n
  wait_line "$WORK/probe.out" '^box answer 7$' || fail "the box did not answer No"
  keys_to_focus "$DIALOG" z Escape
  expect_result 2
  expect_commands "0x1 $EN_CHANGE_TARGET 0x2"
}

case_alt_f4_under_a_window_manager() {
  start_window_manager
  open_dialog update
  close_by_window_manager "$DIALOG"
  expect_result 0
  expect_commands ""
}

start_xvfb
"case_$1"
