#!/usr/bin/env python3
"""Finds functions of the programs' own code that answer BOOL where the
house's rule (README.md, "Writing code here") asks for bool: our own yes/no
results are bool; BOOL stays where the result is a Win32 BOOL (the
framework's window and start-up operations, which hand on what Windows or
WinMain reads) or one of the documented operations that answer non-zero
for success (CRegistry, CHttpClient, the catalogue). No stock clang-tidy
check knows which is which.

    check-bool-results.py [SOURCE-DIR]

Prints each finding as FILE:LINE: NAME and fails when there is one.
"""
import os
import re
import sys

PRODUCT = ("common", "framework", "catalogue", "updnotify", "modpanel",
           os.path.join("installer", "customaction"))
# Every function of these answers BOOL as its interface documents.
BOOL_CLASSES = {"CRegistry", "CHttpClient"}
BOOL_FOLDERS = {"catalogue"}
# Operations whose BOOL is Windows' own: what a dialog procedure, a window
# procedure or WinMain's start-up reads, and the framework's wrappers of
# Win32 calls that answer BOOL.
WIN32_BOOL = {
    "InitInstance", "RunNotifier", "OnInitDialog", "OnCmdMsg", "OnWndMsg", "OnChildNotify",
    "SubclassWindow", "UpdateData", "CreateFontIndirect",
}

DECLARATION = re.compile(r"\bBOOL\s+(?:(\w+)::)?(~?\w+)\s*\(")
CLASS = re.compile(r"\b(?:class|struct)\s+(\w+)[^;{]*\{")


def strip_comments(text):
    """The text with comments and string literals blanked, lines kept."""
    def blank(m):
        return re.sub(r"[^\n]", " ", m.group(0))
    return re.sub(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'',
                  blank, text, flags=re.S)


def findings(path, folder):
    text = strip_comments(open(path, encoding="latin-1").read())
    # The class whose body each position lies in, by brace depth.
    classes = []    # (name, depth at which its body ends)
    depth = 0
    opened = {m.end() - 1: m.group(1) for m in CLASS.finditer(text)}
    owner_at = {}
    for i, ch in enumerate(text):
        if ch == "{":
            depth += 1
            if i in opened:
                classes.append((opened[i], depth))
        elif ch == "}":
            if classes and classes[-1][1] == depth:
                classes.pop()
            depth -= 1
        owner_at[i] = classes[-1][0] if classes else None
    for m in DECLARATION.finditer(text):
        owner = m.group(1) or owner_at.get(m.start())
        name = m.group(2)
        if owner in BOOL_CLASSES or folder in BOOL_FOLDERS or name in WIN32_BOOL:
            continue
        line = text.count("\n", 0, m.start()) + 1
        yield line, f"{owner}::{name}" if owner else name


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    found = []
    names = set()
    for folder in PRODUCT:
        for root, _, files in os.walk(os.path.join(source, folder)):
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(root, name)
                    for line, what in findings(path, folder):
                        names.add(what)
                        found.append(f"{os.path.relpath(path, source)}:{line}: {what} answers BOOL,"
                                     " not bool")
    for line in found:
        print(line)
    print(f"check-bool-results: {len(found)} findings ({len(names)} functions)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
