#!/usr/bin/env python3
"""The real modpanel.exe under Wine: its command line, its choice of product
and the ways of ending it, driven by dlgdriver.exe. Every wait is bounded."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from checks import Checks  # noqa: E402
from options import required_options  # noqa: E402
from winerun import DialogDriver  # noqa: E402

check = Checks()
VK_RETURN, VK_ESCAPE = 0x0D, 0x1B
WM_COMMAND, WM_SYSCOMMAND, SC_CLOSE = 0x0111, 0x0112, 0xF060
DEFAULT_TITLE = "Brantlow Mail Toolkit 6.5 Modpanel"
ABOUT_TITLE = "About Brantlow Mail Toolkit"   # the name without edition



class Tools:
    def __init__(self, a):
        self.a = a
        self.ctl = DialogDriver(a.wine_run, a.dlgdriver)
    def start(self, *args):
        return subprocess.Popen([self.a.wine_run, self.a.modpanel] + list(args),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def productrec(self, *args):
        subprocess.run([self.a.wine_run, self.a.productrec] + [str(x) for x in args],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL, timeout=60)



def checked_buttons(show_output):
    ids = set()
    for line in show_output.splitlines():
        parts = line.split(" ", 5)
        if parts[0] == "control" and len(parts) >= 5 and parts[4] == "checked":
            ids.add(int(parts[1]))
    return ids


def panel_case(t, args, title, checked_id, what):
    proc = t.start(*args)
    rc, out = t.ctl("show", title, 15000)
    check(rc == 0, what + ": panel \"%s\" shows" % title)
    if rc == 0:
        check(checked_buttons(out) == {checked_id},
              what + ": type button %d checked (%s)" % (checked_id, sorted(checked_buttons(out))))
        t.ctl("key", title, VK_ESCAPE, 2000)
    check.ended(proc, what)


def main():
    t = Tools(required_options("--wine-run", "--modpanel", "--dlgdriver", "--productrec"))

    group4 = [17, 26, 44, 83]
    for pid in group4:
        t.productrec("remove", pid)

    # Message 17 before any window: a letters value asks for product 0.
    proc = t.start("/product:abc")
    rc, out = t.ctl("show", "Modpanel", 15000)
    check(rc == 0 and "The Modpanel cannot be used with this product." in out,
          "/product:abc shows message 17")
    # No panel beside the message now, and none after it: the program ends
    # when the message is answered.
    rc_panel, _ = t.ctl("absent", DEFAULT_TITLE, 0)
    check(rc_panel == 0, "/product:abc shows no panel")
    t.ctl("key", "Modpanel", VK_RETURN, 2000)
    check.ended(proc, "/product:abc")

    # -version: the About box alone; closing it ends the program.
    proc = t.start("-version")
    rc, out = t.ctl("show", ABOUT_TITLE, 15000)
    check(rc == 0 and " 1 Button" in out, "-version shows the About box")
    # None beside the box now, and none after it: closing it ends the program.
    check(t.ctl("absent", DEFAULT_TITLE, 0)[0] == 0, "-version shows no panel")
    t.ctl("key", ABOUT_TITLE, VK_ESCAPE, 2000)
    check.ended(proc, "-version")

    # Product on the command line, and tokens that must be ignored.
    panel_case(t, ["/pro:12"], "Brantlow Terminal Kit 3.5 Modpanel", 1009, "/pro:12")
    for args in (["/pr:12"], ["/productx:12"], ["product:5"], ["/product"], ["/product:", "/quiet"]):
        panel_case(t, args, DEFAULT_TITLE, 1024, " ".join(args) + " ignored, product 17")

    # With a group-4 product installed it is the default (26: ActiveX).
    t.productrec("add", 26)
    try:
        panel_case(t, [], DEFAULT_TITLE, 1009, "installed product 26 chosen")
    finally:
        t.productrec("remove", 26)

    # The other ways out.
    for what, action in (("Enter", ("key", VK_RETURN)),
                         ("close box", ("post", WM_SYSCOMMAND, SC_CLOSE)),
                         ("File, Exit", ("post", WM_COMMAND, 20005))):
        proc = t.start("/product:17")
        rc, _ = t.ctl("show", DEFAULT_TITLE, 15000)
        check(rc == 0, what + ": panel shows")
        t.ctl(action[0], DEFAULT_TITLE, *action[1:], 2000)
        check.ended(proc, what)

    return check.status()


if __name__ == "__main__":
    sys.exit(main())
