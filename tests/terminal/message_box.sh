# The message boxes of the four styles in use, in the terminal: what each shows, the answer
# each key gives, and Esc as Windows treats it.   bash message_box.sh CASE
source "$(dirname "$0")/lib.sh"

PROBE="$GUI_TOOLS_DIR/layer_probe"
TEXT=$'Load another disk?\r\nIf so, put in the disk and click YES'

# Shows a box of the style under a title of its own.
open_box() {
  local style=$1 title=$2 text=${3:-$TEXT}
  start_terminal "$(printf '%q ' "$PROBE" box "$style" "$title" "$text") 2>'$WORK/box.out'"
  wait_screen "$title" || fail "the box '$title' did not appear"
}

expect_code() {
  wait_line "$WORK/box.out" '^answer ' 30 || fail "$1: the box did not end"
  grep -qx "answer $2" "$WORK/box.out" || fail "$1: expected $2, got $(cat "$WORK/box.out")"
}

# Answers a box of the style with the keys and checks the code.
expect_answer() {
  local style=$1 keys=$2 code=$3
  open_box "$style" "Box $style"
  # shellcheck disable=SC2086
  keys $keys
  expect_code "style $style, keys '$keys'" "$code"
}

# Esc changes nothing in a box without a Cancel answer; then the keys.
expect_escape_ignored() {
  local style=$1 keys=$2 code=$3
  open_box "$style" "Box $style"
  keys Escape
  sleep 0.3
  grep -q '^answer' "$WORK/box.out" && fail "style $style: Esc answered"
  # shellcheck disable=SC2086
  keys $keys
  expect_code "style $style, Esc then '$keys'" "$code"
}

case_ok() {
  open_box 0x2000 'Canceled by the operator' 'Error 70 detected'
  expect_drawn <<'SCREEN'
+- Canceled by the operator -+
|                            |
|  Error 70 detected         |
|                            |
|           [ OK ]           |
|                            |
+----------------------------+
SCREEN
  keys Enter
  expect_code "Enter" 1
  expect_answer 0x2000 o 1
  expect_answer 0x2000 Space 1
  expect_answer 0x2000 Escape 1
}

case_abort_retry_ignore() {
  expect_answer 0x2022 a 3
  expect_answer 0x2022 r 4
  expect_answer 0x2022 M-i 5
  expect_answer 0x2022 Enter 3
  expect_answer 0x2022 "Tab Enter" 4
  expect_answer 0x2022 "BTab Space" 5
  expect_answer 0x2022 "Right Right Left Enter" 4
  expect_escape_ignored 0x2022 i 5
}

case_yes_no() {
  open_box 0x2024 ' 2 files copied -  Load another Disk?'
  # CR LF is one line break.
  expect_drawn <<'SCREEN'
+-  2 files copied -  Load another Disk? -----+
|                                             |
|  (?)  Load another disk?                    |
|       If so, put in the disk and click YES  |
|                                             |
|            [ Yes ]      [ No ]              |
|                                             |
+---------------------------------------------+
SCREEN
  keys y
  expect_code "y" 6
  expect_answer 0x2024 n 7
  expect_answer 0x2024 M-n 7
  expect_answer 0x2024 Enter 6
  expect_answer 0x2024 "Tab Enter" 7
  expect_escape_ignored 0x2024 n 7
}

case_retry_cancel() {
  expect_answer 0x2025 r 4
  expect_answer 0x2025 c 2
  expect_answer 0x2025 Enter 4
  expect_answer 0x2025 Escape 2
  expect_answer 0x2025 M-c 2
}

case_long_text_wraps() {
  local text
  text="Attempting to copy C:\\LDGRHOME\\DOWNLOAD\\$(printf 'PART%02d ' $(seq 1 12))END"$'\n'"second"
  open_box 0x2022 'error # 70 occurred' "$text"
  # Lines break at blanks to stay within 60 columns; LF alone also breaks.
  expect_drawn <<'SCREEN'
+- error # 70 occurred -----------------------------------------------+
|                                                                     |
|  (?)  Attempting to copy C:\LDGRHOME\DOWNLOAD\PART01 PART02 PART03  |
|       PART04 PART05 PART06 PART07 PART08 PART09 PART10 PART11       |
|       PART12 END                                                    |
|       second                                                        |
|                                                                     |
|                 [ Abort ]   [ Retry ]   [ Ignore ]                  |
|                                                                     |
+---------------------------------------------------------------------+
SCREEN
  keys i
  expect_code "i" 5
}

# A text that needs more rows than the terminal has, as the key-programs prompt with a very
# long application name, is cut with an ellipsis so that the buttons show and answer.
case_long_text_cut_to_the_terminal() {
  local name text
  name=$(printf 'NAME%03d ' $(seq 1 130))
  text="Error 32 - An active session of ${name}is using key programs"$'\r\n'"Yes = RETRY"
  open_box 0x2024 'Key programs are in use - RETRY ??' "$text"
  wait_screen '\[ Yes \]      \[ No \]' 10 || fail "the buttons do not show"
  [[ $(screen | grep -c .) -le 24 ]] || fail "the box is taller than the terminal"
  drawn | grep -Eq 'NAME[0-9]+\.\.\. +\|$' || fail "the text is not cut with an ellipsis"
  drawn | grep -q 'Yes = RETRY' && fail "the cut text shows its last line"
  keys n
  expect_code "n" 7
}

"case_$1"
