#!/usr/bin/env python3
"""The real modpanel.exe's help and About box under Wine, driven by
dlgdriver.exe: F1 opens the own help file (modpanel.chm beside the program)
and closing the panel closes it; a hhctrl.ocx planted beside a copy of the
program and in its current folder is never loaded; -version shows the About
box alone with the product's texts and ends with exit code 0. Every wait is
bounded. No component help of the WinHelp kind is asked for, so WinHelp's
modal "Cannot find" question cannot appear."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from checks import Checks  # noqa: E402
from options import required_options  # noqa: E402
from winerun import DialogDriver, controls  # noqa: E402

check = Checks()
VK_F1, VK_ESCAPE = 0x70, 0x1B
WM_COMMAND, IDOK, IDCANCEL = 0x0111, 1, 2
DEFAULT_TITLE = "Brantlow Mail Toolkit 6.5 Modpanel"
HELP_TITLE = "Modpanel Help"



class Tools:
    def __init__(self, a):
        self.a = a
        self.ctl = DialogDriver(a.wine_run, a.dlgdriver)
    def start(self, exe, *args, cwd=None):
        return subprocess.Popen([self.a.wine_run, exe] + list(args), cwd=cwd,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def gone(self, caption, seconds=15):
        """Whether the window disappears within the time."""
        return self.ctl("gone", caption, int(seconds * 1000))[0] == 0



def f1_and_close(t, exe, what, cwd=None):
    proc = t.start(exe, cwd=cwd)
    rc, _ = t.ctl("show", DEFAULT_TITLE, 15000)
    check(rc == 0, what + ": the panel shows")
    # The panel shows: a help window opened at start-up would show by now.
    check(t.ctl("absent", HELP_TITLE, 0)[0] == 0, what + ": no help window before F1")
    t.ctl("key", DEFAULT_TITLE, VK_F1, 2000)
    rc, out = t.ctl("show", HELP_TITLE, 10000)
    check(rc == 0 and out.startswith("window "), what + ": F1 opens \"%s\"" % HELP_TITLE)
    # Cancel ends the panel (a key would go to the help window, which has
    # the focus); the main window's close closes every help window.
    t.ctl("post", DEFAULT_TITLE, WM_COMMAND, IDCANCEL, 2000)
    check(t.gone(HELP_TITLE), what + ": closing the panel closes the help window")
    check.ended(proc, what)


def main():
    a = required_options("--wine-run", "--modpanel", "--dlgdriver", "--plant", "--workdir")
    t = Tools(a)
    own_help = os.path.splitext(a.modpanel)[0] + ".chm"
    check(os.path.isfile(own_help), "modpanel.chm is built beside modpanel.exe")

    f1_and_close(t, a.modpanel, "F1")

    # A copy of the program with its help file, a planted hhctrl.ocx beside
    # it, started in that folder: HTML Help still works, and the plant never
    # records a load.
    shutil.rmtree(a.workdir, ignore_errors=True)
    os.makedirs(a.workdir)
    exe = os.path.join(a.workdir, "modpanel.exe")
    shutil.copy(a.modpanel, exe)
    shutil.copy(own_help, os.path.join(a.workdir, "modpanel.chm"))
    shutil.copy(a.plant, os.path.join(a.workdir, "hhctrl.ocx"))
    marker = os.path.join(a.workdir, "hhctrl.ocx.loaded")
    # Wine takes its own HTML Help before a native copy unless told
    # otherwise: native first for modpanel.exe, so that the plant has its
    # chance (modpanel_help_test shows that a plain load would take it).
    key = r"HKCU\Software\Wine\AppDefaults\modpanel.exe\DllOverrides"
    subprocess.run([a.wine_run, "reg", "add", key, "/v", "hhctrl.ocx", "/d", "native,builtin", "/f"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL, timeout=60)
    try:
        f1_and_close(t, exe, "planted hhctrl.ocx", cwd=a.workdir)
    finally:
        subprocess.run([a.wine_run, "reg", "delete", key, "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL, timeout=60)
    check(not os.path.exists(marker), "planted hhctrl.ocx: never loaded")

    # -version: the About box alone, with the product's texts.
    proc = t.start(a.modpanel, "-version")
    rc, out = t.ctl("show", "About Brantlow Mail Toolkit", 15000)
    texts = controls(out)
    check(rc == 0, "-version shows \"About Brantlow Mail Toolkit\"")
    check(texts.get(1002) == "Brantlow Mail Toolkit .NET",
          "-version: 1002 is the full name (got %r)" % texts.get(1002))
    check(texts.get(1006, "").startswith("6.") and "1058" in texts.get(1006, ""),
          "-version: 1006 is the version text (got %r)" % texts.get(1006))
    # None beside the box now, and none after it: closing it ends the program.
    check(t.ctl("absent", DEFAULT_TITLE, 0)[0] == 0, "-version shows no panel")
    t.ctl("post", "About Brantlow Mail Toolkit", WM_COMMAND, IDOK, 2000)
    check.ended(proc, "-version")

    return check.status()


if __name__ == "__main__":
    sys.exit(main())
