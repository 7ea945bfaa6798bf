#!/usr/bin/env python3
"""Checks that a Windows program run through the tree's runner releases the
caller's output pipe when it ends, even while Wine processes that it caused
to start (the desktop process) live on.

CTest reads a test's output until every writer of the pipe has closed it.
Program A starts the desktop process (the desktop closes a moment after the
last program that used it, so after a quiet moment the next program starts
it again); program B keeps the desktop busy. A's pipe must reach its end
while B still runs: if the desktop process held A's pipe, A's test would
wait for B and, under a steady stream of tests, run into its time-out.

Usage: pipe_release_check.py --wine-run RUNNER --show-dialog EXE
                             --prefix DIR --workdir DIR
"""
import os
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "pylib"))
from options import required_options  # noqa: E402
from winerun import windows_path  # noqa: E402


def desktop_processes(prefix):
    """Process ids of the desktop processes of this Wine prefix."""
    found = []
    want = ("WINEPREFIX=" + os.path.abspath(prefix)).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                cmdline = f.read()
            with open("/proc/%s/environ" % entry, "rb") as f:
                environ = f.read().split(b"\0")
        except OSError:
            continue
        if b"explorer.exe" in cmdline.lower() and want in environ:
            found.append(int(entry))
    return found


def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


def read_to_end(pipe, seconds):
    """Reads the pipe until its end; False when the end did not come in time."""
    deadline = time.monotonic() + seconds
    fd = pipe.fileno()
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return False
        ready, _, _ = select.select([fd], [], [], left)
        if ready and not os.read(fd, 4096):
            return True


def main():
    a = required_options("--wine-run", "--show-dialog", "--prefix", "--workdir")
    os.makedirs(a.workdir, exist_ok=True)
    ready = os.path.join(a.workdir, "pipe-check-ready")
    if os.path.exists(ready):
        os.remove(ready)

    # A quiet moment first, so that A is the program that starts the desktop.
    if not wait_for(lambda: not desktop_processes(a.prefix), 30):
        print("FAIL: the desktop process of %s did not end in a quiet moment" % a.prefix)
        return 1

    prog_a = subprocess.Popen([a.wine_run, a.show_dialog, "1000", windows_path(ready)],
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT)
    prog_b = None
    try:
        if not wait_for(lambda: os.path.exists(ready), 60):
            print("FAIL: program A never showed its dialog")
            return 1
        if not desktop_processes(a.prefix):
            print("FAIL: no desktop process while A shows its dialog")
            return 1
        # B: a window for 20 s, so that the desktop stays open meanwhile.
        prog_b = subprocess.Popen([a.wine_run, a.show_dialog, "20000"],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        status_a = prog_a.wait(timeout=60)
        ended = read_to_end(prog_a.stdout, 10)
        b_running = prog_b.poll() is None
        print("A ended with %d; its pipe %s; B %s" %
              (status_a, "reached its end" if ended else "stayed open for 10 s",
               "still running" if b_running else "ended"))
        if not b_running:
            print("FAIL: B ended before A's pipe was checked: nothing kept the desktop open")
            return 1
        if not ended:
            print("FAIL: a process started for A keeps A's output pipe open")
            return 1
        print("PASS")
        return 0
    finally:
        if prog_b is not None:
            try:
                prog_b.wait(timeout=60)
            except subprocess.TimeoutExpired:
                prog_b.kill()
        if prog_a.poll() is None:
            prog_a.kill()
        prog_a.stdout.close()


if __name__ == "__main__":
    sys.exit(main())
