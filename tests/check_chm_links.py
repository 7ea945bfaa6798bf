#!/usr/bin/env python3
"""Checks that nothing in a compiled help file points outside it: its default
topic, every entry of its contents and index, and every link and style sheet
of its pages name a file that the help file holds, and a link to a place in a
page ("page.html#place") names a place that the page has. A page left out of
the project's [FILES], or a link to a page that was renamed, fails here.

Usage: check_chm_links.py CHMLS FILE.chm...
"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from chmfiles import extract_all  # noqa: E402

LOCAL = re.compile(r'<param\s+name="Local"\s+value="([^"]*)"', re.I)
LINK = re.compile(r'\b(?:href|src)\s*=\s*"([^"]*)"', re.I)
PLACE = re.compile(r'\b(?:name|id)\s*=\s*"([^"]*)"', re.I)


def text_files(chmls, chm, folder):
    """{"inner/path" in lower case: text} of every file of the help file."""
    return {name[1:].lower(): data.decode("latin-1")
            for name, data in extract_all(chmls, chm, folder).items()}


def default_topic(chmls, chm):
    out = subprocess.run([chmls, "printsystem", chm], capture_output=True, text=True,
                         errors="replace").stdout
    m = re.search(r"Default topic from \[options\]\s*:([\w./-]+)", out)
    return m.group(1) if m else None


def check(chmls, chm):
    name = os.path.basename(chm)
    if not os.path.isfile(chm):
        return ["%s: not built" % name], 0
    with tempfile.TemporaryDirectory() as folder:
        files = text_files(chmls, chm, folder)
    # (where it was found, target)
    targets = []
    topic = default_topic(chmls, chm)
    if topic is None:
        targets.append(("#SYSTEM", "(no default topic)"))
    else:
        targets.append(("default topic", topic))
    for inner, text in files.items():
        if inner.endswith((".hhc", ".hhk")):
            targets += [(inner, t) for t in LOCAL.findall(text)]
        elif inner.endswith((".html", ".htm")):
            targets += [(inner, t) for t in LINK.findall(text)]
    problems = []
    checked = 0
    for where, target in targets:
        if re.match(r"[a-z][a-z0-9+.-]*:", target, re.I):
            continue                # a web address, not part of the file
        page, _, place = target.partition("#")
        page = (page or where).lower()
        checked += 1
        if page not in files:
            problems.append("%s: %s points to %s, which the file does not hold"
                            % (name, where, target))
        elif place and place not in PLACE.findall(files[page]):
            problems.append("%s: %s points to %s, but %s has no place %s"
                            % (name, where, target, page, place))
    return problems, checked


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    chmls = argv[1]
    failures = 0
    for chm in argv[2:]:
        problems, checked = check(chmls, chm)
        for p in problems:
            print("FAIL " + p)
        if not problems:
            print("ok   %s: %d references" % (os.path.basename(chm), checked))
        failures += len(problems)
    print("%d help files, %d failures" % (len(argv) - 2, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
