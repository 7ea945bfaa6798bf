#!/usr/bin/env python3
"""Every text of the update dialog (102), the panel (301) and the About box
(302) whole at 96, 120, 144 and 192 DPI: for each DPI, "LogPixels" is set in
a Wine prefix of this test's own and dpi_layout_probe.exe opens the dialogs
there, fills them with the longest texts and measures each control (and
the heading's font and the icon, also after a WM_DPICHANGED). Prints the
controls x DPI table of the room left at each control's tightest text."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from options import required_options  # noqa: E402
from winerun import run_wine, windows_path  # noqa: E402

DPIS = (96, 120, 144, 192)


def main():
    a = required_options("--wine-run", "--prefix", "--harness", "--probe", "--panel")

    if subprocess.run(["sh", os.path.join(a.harness, "wine-start.sh"), a.wine_run,
                       a.prefix]).returncode != 0:
        print("FAIL: the test's Wine prefix did not start")
        return 1
    failures = []
    room = {}           # (dialog, id, text) -> {dpi: (needed, available)}
    names = {}          # the same key -> the start of the control's text
    try:
        for dpi in DPIS:
            rc, _, err = run_wine(a.wine_run, "reg", "add", r"HKCU\Control Panel\Desktop",
                                  "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
            if rc != 0:
                failures.append("LogPixels %d not set: %s" % (dpi, err.strip()))
                continue
            rc, out, err = run_wine(a.wine_run, a.probe, str(dpi), windows_path(a.panel),
                                    timeout=120)
            for line in out.splitlines():
                words = line.split()
                if line.startswith("fail "):
                    failures.append(line[5:])
                elif words[:1] == ["room"] and len(words) == 7:
                    # Controls without an identifier (-1) are told apart by
                    # their text; the others keep one row whatever text
                    # was tightest.
                    cid = int(words[2])
                    key = (words[1], cid, words[3] if cid == -1 else "")
                    room.setdefault(key, {})[dpi] = (int(words[5]), int(words[6]))
                    names.setdefault(key, words[3])
                elif not line.startswith("room"):
                    print("  %d DPI: %s" % (dpi, line))
            if rc != 0 and not any(l.startswith("fail ") for l in out.splitlines()):
                failures.append("the probe ended with %d at %d DPI: %s" % (rc, dpi, err.strip()[-300:]))
    finally:
        run_wine(a.wine_run, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                 "/t", "REG_DWORD", "/d", "96", "/f")
        subprocess.run(["sh", os.path.join(a.harness, "wine-stop.sh"), a.prefix])

    # Rows by dialog and control; a cell is the share of the control's width
    # that its widest text leaves free (needed/available pixels).
    print("room left at the tightest text, % of the control's width (needed/available px)")
    print("%-34s" % "dialog control (text)" + "".join("%17d" % d for d in DPIS))
    for (dialog, cid, text) in sorted(room, key=lambda k: (k[0], k[1], k[2])):
        cells = room[(dialog, cid, text)]
        row = "%-34s" % ("%s %5d %s" % (dialog, cid, names[(dialog, cid, text)][:20]))
        for dpi in DPIS:
            if dpi in cells:
                need, have = cells[dpi]
                row += "%17s" % ("%4.1f%% %d/%d" % (100.0 * (have - need) / have, need, have))
            else:
                row += "%17s" % "-"
        print(row)
    seen = {dpi for cells in room.values() for dpi in cells}
    for dpi in DPIS:
        if dpi not in seen:
            failures.append("nothing measured at %d DPI" % dpi)
    for f in failures:
        print("FAIL: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
