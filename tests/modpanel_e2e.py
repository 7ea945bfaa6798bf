#!/usr/bin/env python3
"""The real modpanel.exe under Wine: its command line, its choice of product
and the ways of ending it, driven by dlgdriver.exe; what its Register and
Unregister start, with tool_recorder.exe standing in for the system's
REGSVR32.EXE, for hostile registrations and a same-named file in the current
folder; and a copy of it among planted stand-ins of the system DLLs
(tests/pylib/planting.py) that it never takes. Every wait is bounded."""
import os
import re
import shutil
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from checks import Checks  # noqa: E402
from options import required_options  # noqa: E402
from planting import Planted  # noqa: E402
from winerun import DialogDriver, controls, run_wine, windows_path  # noqa: E402

check = Checks()
VK_RETURN, VK_ESCAPE = 0x0D, 0x1B
WM_COMMAND, WM_SYSCOMMAND, SC_CLOSE, IDCANCEL = 0x0111, 0x0112, 0xF060, 2
DEFAULT_TITLE = "Brantlow Mail Toolkit 6.5 Modpanel"
ABOUT_TITLE = "About Brantlow Mail Toolkit"   # the name without edition
# Product 5's panel opens at its ActiveX controls, the first of them selected.
PRODUCT5_TITLE = "Brantlow Mail Toolkit 4.0 Modpanel"
FIRST_CONTROL = "bcert.ocx"
IDC_FILE_VERSION, IDC_STATUS = 1014, 1015
ID_CONTROL_REGISTER, ID_CONTROL_UNREGISTER = 20006, 20007
MSG_CANNOT_EXECUTE = "Unable to execute registration utility."



class Tools:
    def __init__(self, a):
        self.a = a
        self.ctl = DialogDriver(a.wine_run, a.dlgdriver)
    def start(self, *args, exe=None, cwd=None, env=None):
        return subprocess.Popen([self.a.wine_run, exe or self.a.modpanel] + list(args), cwd=cwd, env=env,
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


def is_32bit(exe):
    with open(exe, "rb") as f:
        head = f.read(4096)
    return struct.unpack_from("<H", head, struct.unpack_from("<I", head, 0x3C)[0] + 4)[0] == 0x14C


class RecordingTool:
    """While in use, the prefix's REGSVR32.EXE of the panel's system folder
    is tool_recorder.exe, which appends the command line it receives to LOG:
    the real panel starts it as it would start the system's tool. A copy of
    the real tool is kept beside it until the end."""

    def __init__(self, a, log):
        windows = os.path.join(a.prefix, "drive_c", "windows")
        folder = "syswow64" if is_32bit(a.modpanel) and os.path.isdir(os.path.join(windows, "syswow64")) \
            else "system32"
        self.folder = os.path.join(windows, folder)
        self.tool = os.path.join(self.folder, next(f for f in os.listdir(self.folder) if f.lower() == "regsvr32.exe"))
        self.saved = self.tool + ".saved"
        self.recorder = a.tool_recorder
        self.log = log

    def __enter__(self):
        self.restore()
        shutil.copy(self.tool, self.saved)
        shutil.copy(self.recorder, self.tool)
        return self

    def __exit__(self, *exc):
        self.restore()

    def restore(self):
        """Puts the real tool back, if it was replaced."""
        if os.path.exists(self.saved):
            shutil.copy(self.saved, self.tool)
            os.remove(self.saved)

    def recorded(self, wait=False):
        """What was recorded, and forgets it; with WAIT, once a start has
        written its "end" line (bounded)."""
        deadline = time.time() + (30 if wait else 0)
        while True:
            text = open(self.log, encoding="latin-1").read() if os.path.exists(self.log) else ""
            if not wait or text.endswith("end\n") or time.time() > deadline:
                if text:
                    os.remove(self.log)
                return text
            time.sleep(0.1)


def registration(t):
    """Unregister with hostile registered values and Register with a
    same-named file in the current folder, in product 5's panel at its
    first ActiveX control."""
    work = os.path.join(t.a.workdir, "registration")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    log = os.path.join(work, "tool.log")
    table = open(t.a.component_table, encoding="latin-1").read()
    class_id = re.search(r'"%s",\s*"(\{[0-9A-F-]+\})"' % re.escape(FIRST_CONTROL), table).group(1)
    server_key = r"HKCR\CLSID\%s\InprocServer32" % class_id
    view = "/reg:32" if is_32bit(t.a.modpanel) else "/reg:64"
    reg = lambda *args: run_wine(t.a.wine_run, "reg", *(list(args) + ["/f", view]))[0]
    planted = os.path.join(work, FIRST_CONTROL)     # in the folder the panel starts in
    shutil.copy(t.a.component, planted)
    hostile = [
        ("switches after a quotation mark", 'C:\\none" /s /n /i:http://127.0.0.1/x.sct scrobj.dll "'),
        ("a tab", "C:\\Program Files\\Brantlow\tx.ocx"),
        ("a relative path", FIRST_CONTROL),
        ("a share", "\\\\127.0.0.1\\share\\" + FIRST_CONTROL),
    ]
    with RecordingTool(t.a, log) as tool:
        installed = os.path.join(tool.folder, FIRST_CONTROL)
        shutil.copy(t.a.component, installed)
        # Wine runs its own tool for the system folder's file unless told
        # to take the file as it is.
        env = dict(os.environ, TOOLRECORDER_LOG=windows_path(log), WINEDLLOVERRIDES="regsvr32.exe=n")
        proc = t.start("/product:5", cwd=work, env=env)
        try:
            check(t.ctl("show", PRODUCT5_TITLE, 15000)[0] == 0, "registration: panel shows")
            for what, value in hostile:
                reg("add", server_key, "/ve", "/d", value)
                t.ctl("post", PRODUCT5_TITLE, WM_COMMAND, ID_CONTROL_UNREGISTER, 2000)
                rc, out = t.ctl("show", "Modpanel", 15000)
                check(rc == 0 and MSG_CANNOT_EXECUTE in out, "Unregister with %s: the warning shows" % what)
                t.ctl("key", "Modpanel", VK_RETURN, 2000)
                # The warning follows the command's decision: a tool it
                # started has written by now.
                recorded = tool.recorded()
                check(recorded == "", "Unregister with %s: nothing started (%r)" % (what, recorded))
            reg("delete", r"HKCR\CLSID\%s" % class_id)
            t.ctl("post", PRODUCT5_TITLE, WM_COMMAND, ID_CONTROL_REGISTER, 2000)
            recorded = tool.recorded(wait=True)
            # The tool's own folder, as the panel names it, is the system folder.
            started = recorded.partition('" ')[0].lstrip('"')
            system = started.rpartition("\\")[0]
            check(started.lower().endswith("\\regsvr32.exe")
                  and "\n[%s\\%s]\n" % (system.lower(), FIRST_CONTROL) in recorded.lower(),
                  "Register with %s in the current folder too: the system folder's copy (%r)"
                  % (FIRST_CONTROL, recorded))
            # Started programs may hold the focus: the panel is told, not typed at.
            t.ctl("post", PRODUCT5_TITLE, WM_COMMAND, IDCANCEL, 2000)
            check.ended(proc, "registration")
        finally:
            if proc.poll() is None:
                proc.kill()
            reg("delete", r"HKCR\CLSID\%s" % class_id)
            os.remove(installed)


def planted_system_dlls(t):
    """A copy of the panel with a component file beside it, so that the
    first inspection reads its version resource."""
    planted = Planted(os.path.join(t.a.workdir, "planted"), t.a.modpanel, t.a.plant)
    shutil.copy(t.a.component, os.path.join(planted.program_dir, FIRST_CONTROL))
    proc = t.start("/product:5", exe=planted.exe, cwd=planted.cwd, env=planted.env())
    rc, out = t.ctl("show", PRODUCT5_TITLE, 15000)
    texts = controls(out)
    check(rc == 0 and texts.get(IDC_STATUS) == "Installed, Not registered"
          and texts.get(IDC_FILE_VERSION) == "3.1.4.159",
          "planted DLLs: the copy inspects %s beside it, version 3.1.4.159 (got %r, %r)"
          % (FIRST_CONTROL, texts.get(IDC_STATUS), texts.get(IDC_FILE_VERSION)))
    t.ctl("key", PRODUCT5_TITLE, VK_ESCAPE, 2000)
    check.ended(proc, "planted DLLs")
    for passed, what in planted.verdicts(t.a.wine_run, t.a.dlgdriver, "absent", "no such window", 0):
        check(passed, what)


def main():
    t = Tools(required_options("--wine-run", "--modpanel", "--dlgdriver", "--productrec", "--component",
                               "--component-table", "--tool-recorder", "--prefix", "--workdir",
                               repeated=["--plant"]))
    # A run that was killed may have left the stand-in in the tool's place.
    RecordingTool(t.a, None).restore()

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

    registration(t)
    planted_system_dlls(t)
    return check.status()


if __name__ == "__main__":
    sys.exit(main())
