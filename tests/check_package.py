#!/usr/bin/env python3
"""Checks the built installer package against its sources, reading the
package's own tables back with msiinfo:

- its ProductVersion is the project's version, and so are the versions of
  both programs in its File table and in their built version resources;
- it carries every help file that the component table names, each listed
  under HKLM "Software\\Microsoft\\Windows\\HTML Help" with the help folder,
  and no other component help file;
- the identifiers it accepts for PRODUCT are exactly the catalogue's;
- PRODUCT and SERIAL reach the elevated part of an install;
- its custom actions keep the rules of installer/README.md: no script (a
  type whose low three bits are 5 or 6, whatever its other bits; also run
  on a copy with a deferred VBScript row added, which it must refuse); no
  check or refusal at a removal but the two of another PRODUCT or SERIAL;
  no program started but by the user-interface sequence of an install
  without elevation; each DLL action's Binary row of the width that its
  condition chooses.

The catalogue and the component table are read here from their sources,
not through installer/make_package_lists.py, which wrote the package's lists:
a fault of that script must not hide in both sides of a comparison.

    check_package.py --msiinfo MSIINFO --msibuild MSIBUILD --package PKG.msi --version X.Y.Z
                     --catalogue catalogue/ProductTable.h
                     --component-table BUILD/modpanel/ComponentTable.cpp --bin-dir BUILD
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

HTML_HELP_KEY = "Software\\Microsoft\\Windows\\HTML Help"
HKLM = "2"
# Custom action types by their low three bits (the rest are options).
BASE_DLL, BASE_EXE, BASE_JSCRIPT, BASE_VBSCRIPT = 1, 2, 5, 6
TYPE_ERROR = 19
# A condition's part (between top-level ANDs) that no removal meets.
REMOVAL_GUARDS = ("NOT Installed", 'NOT (REMOVE~="ALL")')
# They refuse a removal told another PRODUCT or SERIAL than the
# installation's, which would otherwise act on another product's record.
REMOVAL_REFUSALS = ("RefuseOtherProduct", "RefuseOtherSerial")
# PE machine of each width, and the condition part that chooses each build.
MACHINES = {0x14C: "NOT VersionNT64", 0x8664: "VersionNT64"}


def table(msiinfo, package, name):
    """The rows of one table, each a list of column texts."""
    out = subprocess.run([msiinfo, "export", package, name], check=True,
                         capture_output=True, text=True).stdout
    # Three header lines: column names, column types, table name and keys.
    return [line.split("\t") for line in out.splitlines()[3:] if line]


def conjuncts(condition):
    """The parts of a condition joined by AND outside parentheses and quotes."""
    parts, depth, quoted, start = [], 0, False, 0
    for i, ch in enumerate(condition):
        if ch == '"':
            quoted = not quoted
        elif not quoted and ch in "()":
            depth += 1 if ch == "(" else -1
        elif not quoted and depth == 0 and condition.startswith(" AND ", i):
            parts.append(condition[start:i].strip())
            start = i + 5
    parts.append(condition[start:].strip())
    return parts


def script_actions(msiinfo, package):
    """The custom actions that run a script: (action, type)."""
    return [(action, kind) for action, (kind, _) in custom_actions(msiinfo, package).items()
            if kind & 7 in (BASE_JSCRIPT, BASE_VBSCRIPT)]


def custom_actions(msiinfo, package):
    """{action: (type, source)}. A script's text may run over several lines:
    only lines that begin a row (a number in the type column) count."""
    return {r[0]: (int(r[1]), r[2]) for r in table(msiinfo, package, "CustomAction")
            if len(r) > 2 and r[1].isdigit()}


def with_script_action(msibuild, package, copy, kind, sequence):
    """COPY: PACKAGE with a script custom action of type KIND added to the
    execute sequence at SEQUENCE."""
    shutil.copyfile(package, copy)
    for query in ("INSERT INTO CustomAction (Action, Type, Source, Target) "
                  "VALUES ('ProbeScript', %d, '', 'x = 1')" % kind,
                  "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) "
                  "VALUES ('ProbeScript', '', %d)" % sequence):
        subprocess.run([msibuild, copy, "-q", query], check=True)


def pe_machine(data):
    """The machine field of a PE image, or None."""
    pe = struct.unpack_from("<I", data, 0x3C)[0] if data[:2] == b"MZ" and len(data) > 0x40 else 0
    return struct.unpack_from("<H", data, pe + 4)[0] if data[pe:pe + 4] == b"PE\0\0" else None


def custom_action_rules(msiinfo, package, check):
    """The rules of the custom actions and their schedule (module doc)."""
    scripts = script_actions(msiinfo, package)
    check(scripts == [], "no script custom action (got %s)" % scripts)
    types = custom_actions(msiinfo, package)
    for sequence in ("InstallExecuteSequence", "InstallUISequence"):
        for action, condition, _ in table(msiinfo, package, sequence):
            if action not in types:
                continue
            kind, source = types[action]
            parts = conjuncts(condition)
            if kind & 0x3F == TYPE_ERROR or kind & 7 == BASE_DLL:
                check(action in REMOVAL_REFUSALS or any(g in parts for g in REMOVAL_GUARDS),
                      "%s: %s does not run at a removal (%s)" % (sequence, action, condition))
            if kind & 7 == BASE_EXE:
                check(sequence == "InstallUISequence" and "NOT MsiRunningElevated" in parts,
                      "%s: %s starts a program only in the user-interface sequence of an "
                      "install without elevation (%s)" % (sequence, action, condition))
            if kind & 7 == BASE_DLL:
                out = subprocess.run([msiinfo, "extract", package, "Binary." + source],
                                     check=True, capture_output=True).stdout
                chooses = MACHINES.get(pe_machine(out))
                check(chooses is not None and chooses in parts,
                      "%s: %s runs Binary row %s, a DLL for the width that %r chooses (%s)"
                      % (sequence, action, source, chooses, condition))


def file_version(path):
    """The file version in a program's fixed version information, as text."""
    with open(path, "rb") as f:
        image = f.read()
    at = image.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return None
    ms, ls = struct.unpack_from("<II", image, at + 8)
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def catalogue_ids(path):
    """The first number of every row of the product table, in its order."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    body = text[text.index("s_aProducts[] = {"):]
    body = body[:body.index("\n};")]
    return [int(n) for n in re.findall(r"^\s*\{\s*(\d+)\s*,", body, re.M)]


def component_help_files(path):
    """Every distinct help file name quoted in the component table."""
    with open(path, encoding="utf-8") as f:
        return sorted(set(re.findall(r'"([^"\\]+\.chm)"', f.read())))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--msiinfo", required=True)
    p.add_argument("--msibuild", required=True)
    p.add_argument("--package", required=True)
    p.add_argument("--version", required=True)
    p.add_argument("--catalogue", required=True)
    p.add_argument("--component-table", required=True)
    p.add_argument("--bin-dir", required=True)
    a = p.parse_args()
    failures = []

    def check(cond, what):
        print(("ok   " if cond else "FAIL ") + what)
        if not cond:
            failures.append(what)

    props = {r[0]: r[1] if len(r) > 1 else "" for r in table(a.msiinfo, a.package, "Property")}
    check(props.get("ProductVersion") == a.version,
          "ProductVersion is %s (got %r)" % (a.version, props.get("ProductVersion")))

    files = {r[0]: r for r in table(a.msiinfo, a.package, "File")}
    for key, built in (("updnotify.exe", "updnotify/updnotify.exe"),
                       ("modpanel.exe", "modpanel/modpanel.exe")):
        got = files[key][4] if key in files else None
        check(got == a.version + ".0", "%s has version %s.0 in the package (got %r)"
              % (key, a.version, got))
        got = file_version(os.path.join(a.bin_dir, built))
        check(got == a.version + ".0", "%s as built has version %s.0 (got %r)"
              % (key, a.version, got))

    help_files = component_help_files(a.component_table)
    check(len(help_files) > 0, "the component table names help files")
    names = {r[2].split("|")[-1]: r for r in files.values()}
    registry = {(r[1], r[2], r[3]): r[4] for r in table(a.msiinfo, a.package, "Registry")}
    for name in help_files:
        check(name in names, "%s is in the package" % name)
        value = registry.get((HKLM, HTML_HELP_KEY, name))
        check(value == "[HELPDIR]", "%s is listed under HTML Help with the help folder (got %r)"
              % (name, value))
    listed = sorted(n for (root, key, n) in registry if root == HKLM and key == HTML_HELP_KEY)
    check(listed == sorted(help_files), "no other help file is listed under HTML Help (got %s)"
          % listed)

    products = catalogue_ids(a.catalogue)
    check(len(products) > 0, "the catalogue names products")
    expected = "|" + "|".join(str(n) for n in products) + "|"
    check(props.get("CATALOGUEPRODUCTS") == expected,
          "CATALOGUEPRODUCTS is the catalogue's %d identifiers" % len(products))

    secure = props.get("SecureCustomProperties", "").split(";")
    check("PRODUCT" in secure and "SERIAL" in secure,
          "PRODUCT and SERIAL are secure properties (got %r)" % secure)

    custom_action_rules(a.msiinfo, a.package, check)
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, "with-script.msi")
        # 1062: VBScript text (38), deferred (1024).
        with_script_action(a.msibuild, a.package, copy, 1062, 6599)
        check(("ProbeScript", 1062) in script_actions(a.msiinfo, copy),
              "the script rule refuses a copy with a deferred VBScript action (type 1062)")

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
