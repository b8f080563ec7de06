# The installer itself under a virtual X server: both modes, a whole run answered with the
# boxes' letters, and the hand-over to cm.exe.   bash setup_run.sh CASE
source "$(dirname "$0")/lib.sh"

INSTALL_TITLE='QUELB Accounting Software Installation   (7z)'
EXPECTED_BOXES="$WORK/boxes"
# The platform's OK button has no mnemonic: Enter answers it there.
OK_KEY=o
on_wine && OK_KEY=Return

# A drive table of the test's own with C:\LDGRHOME present, and the folders of a run. Under
# Wine it is the test's own prefix, whose C: drive is its folder drive_c.
make_world() {
  if on_wine; then
    DRIVE_C="$WINEPREFIX/drive_c"
  else
    export WINEPREFIX="$WORK/prefix"
    DRIVE_C="$WORK/drive_c"
    mkdir -p "$WINEPREFIX/dosdevices" "$DRIVE_C"
    ln -s "$DRIVE_C" "$WINEPREFIX/dosdevices/c:"
  fi
  mkdir -p "$DRIVE_C/LDGRHOME" "$WORK/drive_a"
  ln -sfn "$WORK/drive_a" "$WINEPREFIX/dosdevices/a:"
  mkdir -p "$WORK/start" "$DRIVE_C/QUELB"
  TARGET="$DRIVE_C/QUELB"
  export MARKERS="$WORK/markers"
  mkdir -p "$MARKERS"
}

# A control module that says where it was started and stays until the test lets it go.
put_control_module() {
  if on_wine; then
    cp "$GUI_TOOLS_DIR/stand_in.exe" "$1/cm.exe"
    return
  fi
  cat >"$1/cm.exe" <<'SCRIPT'
#!/bin/sh
pwd >"$MARKERS/cm-started"
while [ ! -e "$MARKERS/cm-release" ]; do sleep 0.1; done
SCRIPT
  chmod +x "$1/cm.exe"
}

# An archive that unpacks AP.exe into the folder glued to its -o.
put_archive() {
  if on_wine; then
    cp "$GUI_TOOLS_DIR/stand_in.exe" "$1/QUELBAP.EXE"
    return
  fi
  cat >"$1/QUELBAP.EXE" <<'SCRIPT'
#!/bin/sh
for word; do case "$word" in -o*) folder=${word#-o} ;; esac; done
echo "new AP" >"$folder/AP.exe"
SCRIPT
  chmod +x "$1/QUELBAP.EXE"
}

# The name under which a program under Wine finds the host path.
windows_name() {
  winepath -w "$1" 2>>"$WORK/wine.log"
}

# A target the run cannot replace: read-only on Linux; under Wine, where a read-only file does
# not stop root, held open by another program with sharing denied.
make_unreplaceable() {
  if on_wine; then
    cp "$GUI_TOOLS_DIR/stand_in.exe" "$WORK/holder.exe"
    start_logged holder env MARKERS="$(windows_name "$MARKERS")" "${LAUNCHER[@]}" \
      "$WORK/holder.exe" "$(windows_name "$1")"
    wait_line "$MARKERS/held" ready 60 || fail "the holder did not take $1"
  else
    chmod a-w "$1"
  fi
}

start_setup() {
  local folder=$1
  shift
  # Programs under Wine take the markers' folder by its Windows name.
  local markers=$MARKERS
  on_wine && markers=$(windows_name "$MARKERS")
  (cd "$folder" && MARKERS=$markers exec "${LAUNCHER[@]}" "$SETUP_PROGRAM" "$@") \
    >"$WORK/setup.out" 2>&1 &
  SETUP_PID=$!
  BACKGROUND_PIDS+=("$SETUP_PID")
}

answer_box() {
  local title=$1 key=$2 box
  box=$(wait_named "$title" 60) || fail "no box named '$title'"
  [[ -n "${3:-}" ]] && screenshot "$box" "$SCREENSHOTS_DIR/$3.png"
  press "$box" "$key"
}

# The control module was started in FOLDER; the installer waits for it, then ends with 0.
expect_hand_over_in() {
  local folder=$1
  on_wine && folder=$(windows_name "$1")
  wait_line "$MARKERS/cm-started" . 60 || fail "cm.exe was not started"
  [[ "$(cat "$MARKERS/cm-started")" == "$folder" ]] ||
    fail "cm.exe started in $(cat "$MARKERS/cm-started"), not in $folder"
  kill -0 "$SETUP_PID" 2>/dev/null || fail "the installer did not wait for cm.exe"
  touch "$MARKERS/cm-release"
  wait_exit "$SETUP_PID" 60 || fail "the installer ended with $?"
}

case_install_mode_and_cancel() {
  make_world
  put_control_module "$WORK/start"
  put_control_module "$TARGET"
  start_setup "$WORK/start"
  local dialog
  dialog=$(wait_named "$INSTALL_TITLE") || fail "no installation window"
  screenshot "$dialog" "$SCREENSHOTS_DIR/setup-install.png"
  press "$dialog" Escape
  expect_hand_over_in "$WORK/start"
}

case_update_mode_from_a_diskette() {
  make_world
  put_control_module "$TARGET"
  echo "report v2" >"$WORK/drive_a/REPORT.DAT"
  put_archive "$WORK/drive_a"
  start_setup "$TARGET" ABC
  local dialog
  dialog=$(wait_named 'ABC Accounting Software Update   (7z)') || fail "no update window"
  screenshot "$dialog" "$SCREENSHOTS_DIR/setup-update.png"
  # The source box holds "A", the target box the current folder: Enter runs the update.
  press "$dialog" Return
  answer_box ' 2 files copied -  Load another Disk?' n setup-disk-prompt
  expect_hand_over_in "$TARGET"
  [[ "$(cat "$TARGET/REPORT.DAT")" == "report v2" ]] || fail "REPORT.DAT not delivered"
  [[ "$(cat "$TARGET/AP.exe")" == "new AP" ]] || fail "the archive was not expanded"
}

case_whole_run_from_a_folder() {
  make_world
  put_control_module "$TARGET"
  local source="$WORK/start"
  put_archive "$source"
  echo "package" >"$source/FOO.QLB"
  echo "installer" >"$source/SETUP.EXE"
  echo "read me" >"$source/README.TXT"
  echo "new locked" >"$source/LOCKED.DAT"
  echo "old locked" >"$TARGET/LOCKED.DAT"
  make_unreplaceable "$TARGET/LOCKED.DAT"
  start_setup "$source"
  local dialog
  dialog=$(wait_named "$INSTALL_TITLE") || fail "no installation window"
  press "$dialog" Return
  answer_box 'error # 70 occurred' i setup-error-prompt
  answer_box 'Update is Completed' "$OK_KEY" setup-completed
  expect_hand_over_in "$TARGET"
  [[ "$(cat "$TARGET/AP.exe")" == "new AP" ]] || fail "the archive was not expanded"
  [[ "$(cat "$TARGET/README.TXT")" == "read me" ]] || fail "README.TXT not copied"
  [[ "$(cat "$TARGET/LOCKED.DAT")" == "old locked" ]] || fail "the read-only file changed"
  [[ "$(cat "$DRIVE_C/LDGRHOME/DOWNLOAD/FOO.QLB")" == "package" ]] ||
    fail "the package is not in the download folder"
  [[ ! -e "$TARGET/FOO.QLB" ]] || fail "the package reached the target folder"
  [[ ! -e "$TARGET/SETUP.EXE" ]] || fail "SETUP.EXE was delivered"
}

case_download_folder_is_the_source() {
  make_world
  put_control_module "$TARGET"
  mkdir -p "$DRIVE_C/LDGRHOME/DOWNLOAD"
  echo "downloaded" >"$DRIVE_C/LDGRHOME/DOWNLOAD/NEWS.TXT"
  echo "not this" >"$WORK/start/OTHER.TXT"
  start_setup "$WORK/start"
  local dialog
  dialog=$(wait_named "$INSTALL_TITLE") || fail "no installation window"
  press "$dialog" Return
  answer_box 'Update is Completed' Return
  expect_hand_over_in "$TARGET"
  [[ "$(cat "$TARGET/NEWS.TXT")" == "downloaded" ]] || fail "the download folder was not the source"
  [[ ! -e "$TARGET/OTHER.TXT" ]] || fail "the current folder was the source"
}

case_abort_starts_no_control_module() {
  make_world
  put_control_module "$WORK/start"
  put_control_module "$TARGET"
  echo "new" >"$WORK/start/LOCKED.DAT"
  echo "old" >"$TARGET/LOCKED.DAT"
  make_unreplaceable "$TARGET/LOCKED.DAT"
  start_setup "$WORK/start"
  local dialog
  dialog=$(wait_named "$INSTALL_TITLE") || fail "no installation window"
  press "$dialog" Return
  answer_box 'error # 70 occurred' a
  answer_box 'Canceled by the operator' Return setup-aborted
  wait_exit "$SETUP_PID" 60 || fail "the installer ended with $?"
  [[ ! -e "$MARKERS/cm-started" ]] || fail "cm.exe was started after an abort"
}

start_xvfb
"case_$1"
