# The world of a whole run of the installer, for the scripts that start it: a drive table,
# the folders of a run, a control module and an archive. Source after lib.sh. Each program
# that the installer starts notes the settings of its terminal, when it has one, in MARKERS.

# A drive table of the test's own with C:\LDGRHOME present, and the folders of a run.
make_world() {
  export WINEPREFIX="$WORK/prefix"
  mkdir -p "$WINEPREFIX/dosdevices" "$WORK/drive_c/LDGRHOME" "$WORK/drive_a"
  ln -s "$WORK/drive_c" "$WINEPREFIX/dosdevices/c:"
  ln -s "$WORK/drive_a" "$WINEPREFIX/dosdevices/a:"
  mkdir -p "$WORK/start" "$WORK/drive_c/QUELB"
  TARGET="$WORK/drive_c/QUELB"
  export MARKERS="$WORK/markers"
  mkdir -p "$MARKERS"
}

# A control module that says where it was started and which one it is, and stays until the
# test lets it go.
put_control_module() {
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
  chmod a-w "$TARGET/LOCKED.DAT"
}

# What a run of put_one_of_each_kind's source delivers when the read-only file is ignored.
expect_one_of_each_delivered() {
  [[ "$(cat "$TARGET/AP.exe")" == "new AP" ]] || fail "the archive was not expanded"
  [[ "$(cat "$TARGET/README.TXT")" == "read me" ]] || fail "README.TXT not copied"
  [[ "$(cat "$TARGET/LOCKED.DAT")" == "old locked" ]] || fail "the read-only file changed"
  [[ "$(cat "$WORK/drive_c/LDGRHOME/DOWNLOAD/FOO.QLB")" == "package" ]] ||
    fail "the package is not in the download folder"
  [[ ! -e "$TARGET/FOO.QLB" ]] || fail "the package reached the target folder"
  [[ ! -e "$TARGET/SETUP.EXE" ]] || fail "SETUP.EXE was delivered"
}
