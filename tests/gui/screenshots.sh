# Pictures of the dialog in both modes and of each kind of message box, kept in
# $SCREENSHOTS_DIR as test output.   bash screenshots.sh CASE
source "$(dirname "$0")/lib.sh"

# FLTK's window is the dialog's client area; Wine's holds its frame and caption too, and its
# stand-in for MS Sans Serif is a pixel lower than Windows' face.
DIALOG_PICTURE=525x146
on_wine && DIALOG_PICTURE=531x160

expect_png() {
  local size
  size=$(identify -format '%wx%h' "$1" 2>/dev/null) || fail "$1 is not an image"
  [[ "$size" == "$2" ]] || fail "$1 is $size, expected $2"
}

shoot_dialog() {
  local mode=$1
  start_logged probe "${PROBE[@]}" dialog "$mode"
  local pid=$LAST_PID window
  window=$(wait_window '^QUELB Accounting Software') || fail "the $mode dialog did not appear"
  screenshot "$window" "$SCREENSHOTS_DIR/dialog-$mode.png"
  press "$window" Escape
  wait_exit "$pid" 60 || fail "the $mode dialog did not end"
  expect_png "$SCREENSHOTS_DIR/dialog-$mode.png" "$DIALOG_PICTURE"
}

shoot_box() {
  local name=$1 style=$2 title=$3 text=$4
  start_logged box "${PROBE[@]}" box "$style" "$title" "$text"
  local pid=$LAST_PID window
  window=$(wait_named "$title") || fail "the box $name did not appear"
  screenshot "$window" "$SCREENSHOTS_DIR/box-$name.png"
  press "$window" Return
  wait_exit "$pid" 60 || fail "the box $name did not end"
  identify "$SCREENSHOTS_DIR/box-$name.png" >/dev/null || fail "no picture of $name"
}

case_dialogs() {
  shoot_dialog install
  shoot_dialog update
}

case_message_boxes() {
  shoot_box ok 0x2000 'Update is Completed' ' 12 files copied or expanded.'
  shoot_box abort-retry-ignore 0x2022 'error # 70 occurred' 'Attempting to copy A:\README.TXT'
  shoot_box yes-no 0x2024 ' 12 files copied -  Load another Disk?' \
    $'Load another disk?\r\nIf so, put in the disk and click YES'
  shoot_box retry-cancel 0x2025 'Error opening Input A:' 'Be sure disk is properly loaded'
}

start_xvfb
"case_$1"
