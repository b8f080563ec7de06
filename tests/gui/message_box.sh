# The message boxes of the four styles in use: the answer each key gives, Esc and close
# requests as Windows treats them, the window name and the line breaks.
#   bash message_box.sh CASE
source "$(dirname "$0")/lib.sh"

TEXT=$'Load another disk?\r\nIf so, put in the disk and click YES'
LINE_HEIGHT=13
if on_wine; then
  # The platform's box, in Wine's message font.
  LINE_HEIGHT=12
fi

# Shows a box of the style under a title of its own and sets BOX to its window.
open_box() {
  local style=$1 title=$2 text=${3:-$TEXT}
  start_logged box "${PROBE[@]}" box "$style" "$title" "$text"
  BOX_PID=$LAST_PID
  BOX=$(wait_named "$title") || fail "the box '$title' did not appear"
}

# Answers a box of the style with the keys (one xdotool key sequence) and checks the code.
expect_answer() {
  local style=$1 keys=$2 code=$3
  open_box "$style" "Box $style"
  # shellcheck disable=SC2086
  press "$BOX" $keys
  wait_exit "$BOX_PID" 60 || fail "style $style, keys '$keys': the box did not end"
  grep -qx "answer $code" "$WORK/box.out" ||
    fail "style $style, keys '$keys': expected $code, got $(cat "$WORK/box.out")"
}

# Esc and the close request change nothing in a box without a Cancel answer; then the keys.
expect_escape_ignored() {
  local style=$1 keys=$2 code=$3
  if on_wine; then
    # Wine answers Esc with Cancel (2) in every box, where Windows ignores it in a box
    # without a Cancel button.
    expect_answer "$style" Escape 2
    return
  fi
  open_box "$style" "Box $style"
  press "$BOX" Escape
  close_request "$BOX"
  # shellcheck disable=SC2086
  press "$BOX" $keys
  wait_exit "$BOX_PID" 60 || fail "style $style: the box did not end"
  grep -qx "answer $code" "$WORK/box.out" || fail "style $style: Esc or close answered"
}

expect_close_answer() {
  local style=$1 code=$2
  open_box "$style" "Box $style"
  close_request "$BOX"
  wait_exit "$BOX_PID" 60 || fail "style $style: the close request did not end the box"
  grep -qx "answer $code" "$WORK/box.out" || fail "style $style: close gave $(cat "$WORK/box.out")"
}

case_ok() {
  expect_answer 0x2000 Return 1
  # The platform's OK button has no mnemonic.
  on_wine || expect_answer 0x2000 o 1
  expect_answer 0x2000 space 1
  # Windows answers Esc and the close request in an OK box with OK; Wine with Cancel.
  local escape=1
  on_wine && escape=2
  expect_answer 0x2000 Escape "$escape"
  expect_close_answer 0x2000 "$escape"
}

case_abort_retry_ignore() {
  expect_answer 0x2022 a 3
  expect_answer 0x2022 r 4
  expect_answer 0x2022 alt+i 5
  expect_answer 0x2022 Return 3
  expect_answer 0x2022 "Tab Return" 4
  expect_answer 0x2022 "shift+Tab space" 5
  expect_escape_ignored 0x2022 i 5
}

case_yes_no() {
  expect_answer 0x2024 y 6
  expect_answer 0x2024 n 7
  expect_answer 0x2024 alt+n 7
  expect_answer 0x2024 Return 6
  expect_answer 0x2024 "Tab Return" 7
  expect_escape_ignored 0x2024 n 7
}

case_retry_cancel() {
  expect_answer 0x2025 r 4
  # The platform's Cancel button has no mnemonic.
  on_wine || expect_answer 0x2025 c 2
  expect_answer 0x2025 Return 4
  expect_answer 0x2025 Escape 2
  expect_close_answer 0x2025 2
}

case_window_name_is_title() {
  local title='Canceled by the operator'
  open_box 0x2000 "$title" "Error 70 detected"
  [[ "$(xdotool getwindowname "$BOX")" == "$title" ]] || fail "window name is not the title"
  press "$BOX" Return
  wait_exit "$BOX_PID" 60 || fail "the box did not end"
}

box_height() {
  open_box 0x2000 "Lines" "$1"
  xdotool getwindowgeometry "$BOX" | awk '/Geometry/ { split($2, size, "x"); print size[2] }'
  press "$BOX" Return
  wait_exit "$BOX_PID" 60 || fail "the box did not end"
}

# The window menu and its close box are offered where a close request has an answer.
case_close_box() {
  local style functions
  if on_wine; then
    # Wine draws the frame itself and gives every box a close box, where Windows greys it
    # in a box without a Cancel answer; the close key's answers are in the cases above.
    expect_close_answer 0x2022 2
    expect_close_answer 0x2024 2
    return
  fi
  for style in 0x2000:0x24 0x2022:0x4 0x2024:0x4 0x2025:0x24; do
    open_box "${style%:*}" "Box ${style%:*}"
    functions=$(xprop -id "$BOX" _MOTIF_WM_HINTS | awk -F'= ' '{ split($2, v, ", "); print v[2] }')
    [[ "$functions" == "${style#*:}" ]] || fail "style ${style%:*}: functions $functions"
    press "$BOX" Return
    wait_exit "$BOX_PID" 60 || fail "the box did not end"
  done
}

case_line_breaks() {
  local one crlf lf
  one=$(box_height "one line")
  crlf=$(box_height $'one line\r\ntwo lines')
  lf=$(box_height $'one line\ntwo lines')
  # CR LF is one line break: one line more, the same as LF alone.
  ((crlf == one + LINE_HEIGHT)) || fail "CR LF: $one then $crlf"
  ((lf == crlf)) || fail "LF: $lf against $crlf"
}

start_xvfb
"case_$1"
