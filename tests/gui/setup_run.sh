# The installer itself under a virtual X server: both modes, a whole run answered with the
# boxes' letters, and the hand-over to cm.exe.   bash setup_run.sh CASE
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/world.sh"

INSTALL_TITLE='QUELB Accounting Software Installation   (7z)'
EXPECTED_BOXES="$WORK/boxes"
# The platform's OK button has no mnemonic: Enter answers it there.
OK_KEY=o
on_wine && OK_KEY=Return

start_setup() {
  local folder=$1
  shift
  # Programs under Wine take the markers' folder by its Windows name.
  local markers=$MARKERS
  on_wine && markers=$(windows_name "$MARKERS")
  (cd "$folder" && MARKERS=$markers exec "${LAUNCHER[@]}" "${PROGRAM:-$SETUP_PROGRAM}" "$@") \
    >"$WORK/setup.out" 2>&1 &
  SETUP_PID=$!
  BACKGROUND_PIDS+=("$SETUP_PID")
}

# Starts the installer in install mode and sets DIALOG to its window.
open_installer() {
  start_setup "$@"
  DIALOG=$(wait_named "$INSTALL_TITLE") || fail "no installation window"
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
  open_installer "$WORK/start"
  screenshot "$DIALOG" "$SCREENSHOTS_DIR/setup-install.png"
  press "$DIALOG" Escape
  expect_hand_over_in "$WORK/start"
}

case_update_mode_from_a_diskette() {
  make_world
  put_control_module "$TARGET"
  echo "report v2" >"$WORK/drive_a/REPORT.DAT"
  put_archive "$WORK/drive_a"
  start_setup "$TARGET" ABC
  DIALOG=$(wait_named 'ABC Accounting Software Update   (7z)') || fail "no update window"
  screenshot "$DIALOG" "$SCREENSHOTS_DIR/setup-update.png"
  # The source box holds "A", the target box the current folder: Enter runs the update.
  press "$DIALOG" Return
  answer_box ' 2 files copied -  Load another Disk?' n setup-disk-prompt
  expect_hand_over_in "$TARGET"
  [[ "$(cat "$TARGET/REPORT.DAT")" == "report v2" ]] || fail "REPORT.DAT not delivered"
  [[ "$(cat "$TARGET/AP.exe")" == "new AP" ]] || fail "the archive was not expanded"
}

case_whole_run_from_a_folder() {
  make_world
  put_control_module "$TARGET"
  put_one_of_each_kind "$WORK/start"
  open_installer "$WORK/start"
  press "$DIALOG" Return
  answer_box 'error # 70 occurred' i setup-error-prompt
  answer_box 'Update is Completed' "$OK_KEY" setup-completed
  expect_hand_over_in "$TARGET"
  expect_one_of_each_delivered
}

case_download_folder_is_the_source() {
  make_world
  put_control_module "$TARGET"
  mkdir -p "$DRIVE_C/LDGRHOME/DOWNLOAD"
  echo "downloaded" >"$DRIVE_C/LDGRHOME/DOWNLOAD/NEWS.TXT"
  echo "not this" >"$WORK/start/OTHER.TXT"
  open_installer "$WORK/start"
  press "$DIALOG" Return
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
  open_installer "$WORK/start"
  press "$DIALOG" Return
  answer_box 'error # 70 occurred' a
  answer_box 'Canceled by the operator' Return setup-aborted
  wait_exit "$SETUP_PID" 60 || fail "the installer ended with $?"
  [[ ! -e "$MARKERS/cm-started" ]] || fail "cm.exe was started after an abort"
}

# The installer takes the keyboard itself: another window had it, and the pointer is not on
# the dialog.
case_escape_with_the_pointer_away() {
  make_world
  put_control_module "$WORK/start"
  focus_elsewhere
  open_installer "$WORK/start"
  keys_to_focus "$DIALOG" Escape
  expect_hand_over_in "$WORK/start"
}

case_alt_f4_under_a_window_manager() {
  make_world
  put_control_module "$WORK/start"
  start_window_manager
  open_installer "$WORK/start"
  close_by_window_manager "$DIALOG"
  expect_hand_over_in "$WORK/start"
}

case_close_request_then_hand_over() {
  make_world
  put_control_module "$WORK/start"
  open_installer "$WORK/start"
  close_request "$DIALOG"
  expect_hand_over_in "$WORK/start"
}

case_control_module_beside_the_installer_first() {
  make_world
  mkdir "$WORK/program"
  local program="$WORK/program/$(basename "$SETUP_PROGRAM")"
  cp "$SETUP_PROGRAM" "$program"
  put_control_module "$WORK/program"
  put_control_module "$WORK/start"
  PROGRAM=$program open_installer "$WORK/start"
  press "$DIALOG" Escape
  expect_hand_over_in "$WORK/start"
  local beside="$WORK/program/cm.exe"
  on_wine && beside=$(windows_name "$beside")
  [[ "$(cat "$MARKERS/cm-program")" == "$beside" ]] ||
    fail "started $(cat "$MARKERS/cm-program"), not the cm.exe beside the installer"
}

# Nothing to hand over to: no message, no wait, exit code 0.
case_no_control_module_anywhere() {
  make_world
  export PATH=/usr/bin:/bin
  open_installer "$WORK/start"
  press "$DIALOG" Escape
  wait_exit "$SETUP_PID" 60 || fail "the installer ended with $?"
  [[ ! -s "$WORK/setup.out" ]] || fail "the installer wrote: $(cat "$WORK/setup.out")"
}

# Started in the root of drive D, the source box reads D:\, and a run from it is a disk run.
case_drive_root_is_a_disk_source() {
  make_world
  mkdir "$WORK/drive_d"
  ln -sfn "$WORK/drive_d" "$WINEPREFIX/dosdevices/d:"
  echo "read me" >"$WORK/drive_d/README.TXT"
  put_control_module "$TARGET"
  open_installer "$WORK/drive_d"
  press "$DIALOG" Return
  answer_box ' 1 files copied -  Load another Disk?' n
  expect_hand_over_in "$TARGET"
  [[ "$(cat "$TARGET/README.TXT")" == "read me" ]] || fail "README.TXT not delivered"
}

# A DLL of a system's name beside the installer, as in a download folder, is not loaded in
# place of the system's own: under Wine a stand-in uxtheme.dll, which Wine loads when a
# window is first drawn, and which Wine is told to prefer to its own. The probe, which leaves
# the search as Windows has it, shows first that Wine loads such a DLL at all.
case_no_dll_from_its_folder() {
  on_wine || skip "a Linux program takes its libraries from the linker's paths, not its folder"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};uxtheme=n,b"
  mkdir "$WORK/probe"
  cp "$PROBE_PROGRAM" "$GUI_TOOLS_DIR/uxtheme.dll" "$WORK/probe/"
  start_logged probe "${LAUNCHER[@]}" "$WORK/probe/$(basename "$PROBE_PROGRAM")" dialog install
  local probe=$LAST_PID window
  window=$(wait_named "$INSTALL_TITLE") || fail "the probe showed no dialog"
  press "$window" Escape
  wait_exit "$probe" 60 || fail "the probe ended with $?"
  [[ -e "$WORK/probe/uxtheme.dll.loaded" ]] || skip "this Wine loads no DLL from a program's folder"

  make_world
  put_control_module "$WORK/start"
  mkdir "$WORK/program"
  cp "$SETUP_PROGRAM" "$GUI_TOOLS_DIR/uxtheme.dll" "$WORK/program/"
  PROGRAM="$WORK/program/$(basename "$SETUP_PROGRAM")" open_installer "$WORK/start"
  press "$DIALOG" Escape
  expect_hand_over_in "$WORK/start"
  [[ ! -e "$WORK/program/uxtheme.dll.loaded" ]] || fail "the installer loaded the uxtheme.dll beside it"
}

start_xvfb
"case_$1"
