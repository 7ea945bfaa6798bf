"""Runs one Windows program of a build tree under Wine, for the end-to-end
scripts, and returns its exit code and output; reads what dlgdriver.exe
printed of a window."""
import os
import subprocess
import tempfile


def windows_path(path):
    """The path as Wine's programs see it: drive Z: is the root folder."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_wine(wine_run, *args, timeout=60, env=None, cwd=None):
    """Runs ARGS through the tree's wine-run.sh; returns (exit code, stdout,
    stderr), carriage returns dropped. Output goes to files, not pipes: Wine's
    helper processes inherit the handles and can hold a pipe open for seconds
    after the program itself has ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        p = subprocess.run([wine_run] + [str(a) for a in args], stdout=out, stderr=err,
                           stdin=subprocess.DEVNULL, timeout=timeout, env=env, cwd=cwd)
        out.seek(0)
        err.seek(0)
        return (p.returncode, out.read().decode("latin-1").replace("\r", ""),
                err.read().decode("latin-1").replace("\r", ""))


class DialogDriver:
    """The tree's dlgdriver.exe (tests/drivers/dlgdriver.cpp): called with
    its arguments, answers (exit code, output)."""

    def __init__(self, wine_run, dlgdriver):
        self.wine_run = wine_run
        self.dlgdriver = dlgdriver

    def __call__(self, *args, timeout=60):
        rc, out, _ = run_wine(self.wine_run, self.dlgdriver, *args, timeout=timeout)
        return rc, out


def controls(show_output):
    """id -> text of the controls that "dlgdriver show" (or press) printed."""
    result = {}
    for line in show_output.splitlines():
        parts = line.split(" ", 5)
        if parts[0] == "control" and len(parts) >= 5:
            result[int(parts[1])] = parts[5] if len(parts) == 6 else ""
    return result
