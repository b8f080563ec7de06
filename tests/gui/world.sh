# The world of a whole run of the installer, for the scripts that start it: a drive table,
# the folders of a run, a control module and an archive. Source after lib.sh. Each program
# that the installer starts notes the settings of its terminal, when it has one, in MARKERS.

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

# The name under which a program under Wine finds the host path.
windows_name() {
  winepath -w "$1" 2>>"$WORK/wine.log"
}

# A control module that says where it was started and which one it is, and stays until the
# test lets it go.
put_control_module() {
  if on_wine; then
    cp "$GUI_TOOLS_DIR/stand_in.exe" "$1/cm.exe"
    return
  fi
  cat >"$1/cm.exe" <<'SCRIPT'
#!/bin/sh
stty -g >"$MARKERS/cm-terminal" 2>/dev/null
echo "$0" >"$MARKERS/cm-program"
pwd >"$MARKERS/cm-started"
while [ ! -e "$MARKERS/cm-release" ]; do sleep 0.1; done
SCRIPT
  chmod +x "$1/cm.exe"
}

# An archive that unpacks AP.exe into the folder glued to its -o, and says so; while the file
# archive-hold is in MARKERS, it waits for archive-release before it ends.
put_archive() {
  if on_wine; then
    cp "$GUI_TOOLS_DIR/stand_in.exe" "$1/QUELBAP.EXE"
    return
  fi
  cat >"$1/QUELBAP.EXE" <<'SCRIPT'
#!/bin/sh
stty -g >"$MARKERS/archive-terminal" 2>/dev/null
echo "Extracting AP.exe"
if [ -e "$MARKERS/archive-hold" ]; then
  while [ ! -e "$MARKERS/archive-release" ]; do sleep 0.1; done
fi
for word; do case "$word" in -o*) folder=${word#-o} ;; esac; done
echo "new AP" >"$folder/AP.exe"
SCRIPT
  chmod +x "$1/QUELBAP.EXE"
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

# In SOURCE a file of each kind: an archive, an update package, SETUP.EXE, a plain file, and
# one whose old version in the target folder is read-only.
put_one_of_each_kind() {
  local source=$1
  put_archive "$source"
  echo "package" >"$source/FOO.QLB"
  echo "installer" >"$source/SETUP.EXE"
  echo "read me" >"$source/README.TXT"
  echo "new locked" >"$source/LOCKED.DAT"
  echo "old locked" >"$TARGET/LOCKED.DAT"
  make_unreplaceable "$TARGET/LOCKED.DAT"
}

# What a run of put_one_of_each_kind's source delivers when the read-only file is ignored.
expect_one_of_each_delivered() {
  [[ "$(cat "$TARGET/AP.exe")" == "new AP" ]] || fail "the archive was not expanded"
  [[ "$(cat "$TARGET/README.TXT")" == "read me" ]] || fail "README.TXT not copied"
  [[ "$(cat "$TARGET/LOCKED.DAT")" == "old locked" ]] || fail "the read-only file changed"
  [[ "$(cat "$DRIVE_C/LDGRHOME/DOWNLOAD/FOO.QLB")" == "package" ]] ||
    fail "the package is not in the download folder"
  [[ ! -e "$TARGET/FOO.QLB" ]] || fail "the package reached the target folder"
  [[ ! -e "$TARGET/SETUP.EXE" ]] || fail "SETUP.EXE was delivered"
}
