#!/usr/bin/env python3
"""A deploy of 500 files, 2 program archives and 2 update packages killed at many points of its
staging and of its commit, and an undo killed half-way: after each kill, --recover leaves the
target and the download folder entirely as the old release or entirely as the new one (every
file byte for byte, and an old one by its inode too), and a deploy after it ends with 0 and the
new release.

On Linux each kill is SIGKILL at the Nth call of one system call, injected by strace, so that
every point is met again on every run; under Wine the Windows program, with 100 files, is
killed at points timed over its staging and over its commit (from its journal's first write).
  kill.py PROGRAM                      the Linux program
  kill.py PROGRAM wine ARCHIVE_PROGRAM the Windows program, with the test programs' archive.exe
"""
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PROGRAM = sys.argv[1]
LAUNCHER = sys.argv[2] if len(sys.argv) > 2 else ""
ARCHIVE_PROGRAM = sys.argv[3] if len(sys.argv) > 3 else ""

# Under Wine a file takes some milliseconds: fewer files, so that the test stays short.
FILES = 100 if LAUNCHER else 500
STAGING_KILLS = 10
COMMIT_KILLS = 10
UNDO_KILLS = 5
# Under Wine: fewer points, timed from the run's start or from its journal's first write.
TIMED_KILLS = 3
TIMED_UNDO_KILLS = 3
# The calls at which a kill is injected: those that change the disk or make it last.
CHANGING_CALLS = ("openat,write,pwrite64,copy_file_range,linkat,renameat,renameat2,rename,"
                  "unlink,unlinkat,mkdir,mkdirat,rmdir,fsync,fdatasync,syncfs,sync_file_range,"
                  "ftruncate,fchmod,utimensat")
# Neither release: the program's own folder and the run's lock files.
NOT_OF_A_RELEASE = {".quelb-deploy", ".setup-run.lock"}

failures = []


def fail(text):
    print("FAIL:", text, flush=True)
    failures.append(text)


def as_argument(path):
    return "Z:" + path.replace("/", "\\") if LAUNCHER else path


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def content(side, number):
    return (f"{side} release, file {number};" * (3 + number % 40)).encode()


def write_archive(path, unpacked, data):
    if LAUNCHER:
        with open(ARCHIVE_PROGRAM, "rb") as program:
            log = f"{os.path.dirname(os.path.dirname(path))}/{unpacked}.log"
            trailer = f"\n\nquelb-archive\n{as_argument(log)}\n{unpacked}\n"
            write(path, program.read() + trailer.encode() + data + b"\n0\nends\n")
        return
    script = ("#!/bin/sh\n"
              "for a; do case $a in -o*) folder=${a#-o} ;; esac; done\n"
              "folder=$(printf '%s' \"$folder\" | tr '\\\\' /)\n"
              f"printf '%s' '{data.decode()}' >\"$folder/{unpacked}\" || exit 4\n")
    write(path, script.encode())
    os.chmod(path, 0o755)


def make_releases(world):
    """The old release in pristine/, and the source of the new one."""
    old, source = f"{world}/pristine", f"{world}/source"
    for number in range(FILES):
        write(f"{source}/F{number:03}.DAT", content("new", number))
        if number % 5:  # a fifth of the files are new to the suite
            write(f"{old}/target/F{number:03}.DAT", content("old", number))
    for number in range(20):  # files of the suite that the release leaves as they are
        write(f"{old}/target/BOOKS/LEDGER{number}.DB", content("books", number))
    for program in ("AP", "GL"):
        write_archive(f"{source}/QUELB{program}.EXE", f"{program}.EXE",
                      f"new program {program}".encode())
        write(f"{old}/target/{program}.EXE", f"old program {program}".encode())
    write(f"{source}/RATES.QLB", b"new rates package")
    write(f"{source}/TAXES.QLB", b"new taxes package")
    write(f"{old}/download/RATES.QLB", b"old rates package")
    write(f"{old}/download/OTHER.QLB", b"a package of another release")
    return source


def state_of(world):
    """Each file of the target and the download folder: its bytes' digest and its inode."""
    files = {}
    for folder in ("target", "download"):
        top = f"{world}/work/{folder}"
        for root, folders, names in os.walk(top):
            folders[:] = [name for name in folders if name not in NOT_OF_A_RELEASE]
            for name in names:
                if name in NOT_OF_A_RELEASE:
                    continue
                path = os.path.join(root, name)
                with open(path, "rb") as file:
                    digest = hashlib.sha256(file.read()).hexdigest()
                files[os.path.relpath(path, f"{world}/work")] = (digest, os.stat(path).st_ino)
    return files


def contents(state):
    return {name: digest for name, (digest, _) in state.items()}


def which(state, old, new):
    """"old" when every file is the old one, bytes and inode; "new" when every file holds the
    new release's bytes; else what differs from the nearer of the two."""
    if state == old:
        return "old"
    if contents(state) == contents(new):
        return "new"
    nearer = old if len(set(state.items()) ^ set(old.items())) < len(
        set(contents(state).items()) ^ set(contents(new).items())) else new
    differ = sorted(set(state) ^ set(nearer) | {
        name for name in set(state) & set(nearer) if state[name][0] != nearer[name][0]})
    return f"mixed: {len(differ)} files differ, {differ[:4]}"


def restore(world):
    shutil.rmtree(f"{world}/work", ignore_errors=True)
    shutil.copytree(f"{world}/pristine", f"{world}/work")
    return state_of(world)


def arguments(world, *words):
    common = ["--target", as_argument(f"{world}/work/target"),
              "--download", as_argument(f"{world}/work/download"), "--wait", "0"]
    return list(words) + common


def deploy_arguments(world):
    return arguments(world, "--source", as_argument(f"{world}/source"), "--retries", "0")


def traced_environment():
    """The leak checker of a sanitized build ends a traced program with 1: it cannot work
    under ptrace, so a traced run leaves it out and keeps every other check."""
    environment = dict(os.environ)
    options = environment.get("ASAN_OPTIONS", "")
    environment["ASAN_OPTIONS"] = (options + ":" if options else "") + "detect_leaks=0"
    return environment


def run(words, prefix=()):
    command = list(prefix) + ([LAUNCHER] if LAUNCHER else []) + [PROGRAM] + words
    return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL,
                          env=traced_environment() if prefix else None).returncode


def traced_calls(world, words):
    """The changing calls of one whole run, each as (call, its count so far)."""
    trace = f"{world}/trace"
    code = run(words, ["strace", "-o", trace, "-e", f"trace={CHANGING_CALLS}"])
    counts, calls = {}, []
    with open(trace, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            name = line.split("(", 1)[0]
            if not name.isidentifier():
                continue
            counts[name] = counts.get(name, 0) + 1
            calls.append((name, counts[name], line))
    return code, calls


def spread(calls, count):
    return [calls[len(calls) * (index + 1) // (count + 1)] for index in range(count)]


def killed_by_strace(words, point):
    name, nth, _ = point
    code = run(words, ["strace", "-o", os.devnull, "-e", f"trace={name}",
                       "-e", f"inject={name}:signal=KILL:when={nth}"])
    return code in (-signal.SIGKILL, 128 + signal.SIGKILL)


def journal_written(world):
    hidden = f"{world}/work/target/.quelb-deploy"
    return os.path.exists(f"{hidden}/journal") or os.path.exists(f"{hidden}/journal.new")


def started(words):
    return subprocess.Popen([LAUNCHER, PROGRAM] + words, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wait_for_journal(world, process):
    while not journal_written(world) and process.poll() is None:
        time.sleep(0.005)


def killed_after(world, words, point):
    """point: (mark, seconds), seconds after the start or after the journal was begun."""
    mark, seconds = point
    process = started(words)
    if mark == "journal":
        wait_for_journal(world, process)
    time.sleep(seconds)
    process.send_signal(signal.SIGKILL)
    return process.wait() == -signal.SIGKILL


def timed_points(world, words, journal_mark):
    """TIMED_KILLS points spread over the staging, and as many over the commit."""
    process = started(words)
    begun = time.monotonic()
    if journal_mark:
        wait_for_journal(world, process)
    staged = time.monotonic()
    process.wait()
    ended = time.monotonic()
    def over(mark, length, count):
        return [(mark, length * (index + 1) / (count + 1)) for index in range(count)]
    if not journal_mark:
        return over("start", ended - begun, TIMED_UNDO_KILLS)
    return over("start", staged - begun, TIMED_KILLS) + over("journal", ended - staged, TIMED_KILLS)


def kill_points(world, words):
    """The deploy's points: as many in its staging as in its commit, which begins with its
    journal; under Wine, times spread over a whole run."""
    restore(world)
    if LAUNCHER:
        return timed_points(world, words, True)
    code, calls = traced_calls(world, words)
    if code != 0:
        fail(f"the traced deploy exits {code}")
    journal = next((index for index, call in enumerate(calls)
                    if "/.quelb-deploy/journal" in call[2]), None)
    if journal is None:
        fail("the traced deploy wrote no journal")
        return []
    return spread(calls[:journal], STAGING_KILLS) + spread(calls[journal:], COMMIT_KILLS)


def undo_points(world):
    restore(world)
    if run(deploy_arguments(world)) != 0:
        fail("a deploy before an undo failed")
    undo = arguments(world, "--undo")
    if LAUNCHER:
        return timed_points(world, undo, False)
    _, calls = traced_calls(world, undo)
    return spread(calls, UNDO_KILLS)


# A timed point may fall after the end of a run that went faster than the one timed: only an
# injected kill must land, and the state a run left is checked either way.
def killed(world, words, point):
    return killed_after(world, words, point) if LAUNCHER else killed_by_strace(words, point)


def described(point):
    """An injected point as its call and count, a timed one as its mark and seconds."""
    return (point[0], round(point[1], 2)) if LAUNCHER else point[:2]


def recovered(world, where):
    # Wine lets go of a killed program's locks a moment after its end.
    code = run(arguments(world, "--recover") + ["--wait", "30"])
    if code != 0:
        fail(f"{where}: --recover exits {code}")


def check_deploy_kills(world, new):
    words = deploy_arguments(world)
    seen = {"old": 0, "new": 0}
    for index, point in enumerate(kill_points(world, words)):
        where = f"deploy kill {index} at {described(point)}"
        old = restore(world)
        if not killed(world, words, point) and not LAUNCHER:
            fail(f"{where}: the deploy was not killed there")
        recovered(world, where)
        state = which(state_of(world), old, new)
        if state in seen:
            seen[state] += 1
        else:
            fail(f"{where}: after --recover {state}")
        code = run(words)
        if code != 0 or which(state_of(world), old, new) != "new":
            fail(f"{where}: the deploy after it exits {code} with {which(state_of(world), old, new)}")
    print(f"deploy kills: {seen['old']} left the old release, {seen['new']} the new one")
    if not LAUNCHER and (seen["old"] == 0 or seen["new"] == 0):
        fail("the kills did not fall on both sides of the commit")


def check_undo_kills(world):
    seen = {"old": 0, "new": 0}
    for index, point in enumerate(undo_points(world)):
        where = f"undo kill {index} at {described(point)}"
        old = restore(world)
        if run(deploy_arguments(world)) != 0:
            fail(f"{where}: the deploy before the undo failed")
        released = state_of(world)
        if not killed(world, arguments(world, "--undo"), point) and not LAUNCHER:
            fail(f"{where}: the undo was not killed there")
        recovered(world, where)
        state = which(state_of(world), old, released)
        if state == "new":
            state = "new" if state_of(world) == released else "the release's bytes, not its files"
        if state in seen:
            seen[state] += 1
        else:
            fail(f"{where}: after --recover {state}")
        code = run(arguments(world, "--undo"))
        if code != 0 or state_of(world) != old:
            fail(f"{where}: the undo after it exits {code}, "
                 f"{which(state_of(world), old, released)}")
    print(f"undo kills: {seen['old']} left the release before, {seen['new']} the release undone")


def main():
    if not LAUNCHER and not shutil.which("strace"):
        print("strace is missing")
        return 1
    # Memory is where a kill is tried fastest: what a kill leaves does not hang on the disk's
    # flushes, which the power-cut test of the engine's tests is for.
    world = tempfile.mkdtemp(dir="/dev/shm" if os.access("/dev/shm", os.W_OK) else None)
    try:
        make_releases(world)
        restore(world)
        if run(deploy_arguments(world)) != 0:
            fail("a deploy without a kill fails")
        new = state_of(world)
        check_deploy_kills(world, new)
        check_undo_kills(world)
    finally:
        shutil.rmtree(world, ignore_errors=True)
    if failures:
        print(f"{len(failures)} checks failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
