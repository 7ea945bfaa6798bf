#!/usr/bin/env python3
"""Checks the built installer package against its sources, reading the
package's own tables back with msiinfo:

- its ProductVersion is the project's version, and so are the versions of
  both programs in its File table and in their built version resources;
- it carries every help file that the component table names, each listed
  under HKLM "Software\\Microsoft\\Windows\\HTML Help" with the help folder,
  and no other component help file;
- the identifiers it accepts for PRODUCT are exactly the catalogue's;
- PRODUCT and SERIAL reach the elevated part of an install.

The catalogue and the component table are read here from their sources,
not through installer/make_package_lists.py, which wrote the package's lists:
a fault of that script must not hide in both sides of a comparison.

    check_package.py --msiinfo MSIINFO --package PKG.msi --version X.Y.Z
                     --catalogue catalogue/ProductTable.h
                     --component-table BUILD/modpanel/ComponentTable.cpp --bin-dir BUILD
"""
import argparse
import os
import re
import struct
import subprocess
import sys

HTML_HELP_KEY = "Software\\Microsoft\\Windows\\HTML Help"
HKLM = "2"


def table(msiinfo, package, name):
    """The rows of one table, each a list of column texts."""
    out = subprocess.run([msiinfo, "export", package, name], check=True,
                         capture_output=True, text=True).stdout
    # Three header lines: column names, column types, table name and keys.
    return [line.split("\t") for line in out.splitlines()[3:] if line]


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

    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
