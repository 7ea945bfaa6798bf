#!/usr/bin/env python3
"""Adds to a package that wixl built what wixl cannot express, with msibuild
(Debian's msitools), and reads each change back with msiinfo:

- the refusals: an install without PRODUCT, with a PRODUCT that the product
  catalogue does not hold, without SERIAL, or of an older package over a
  newer one stops before anything is changed, with a non-zero exit code.
  Each is an error action (custom action type 19) in both install
  sequences, whose text Windows Installer shows and logs; its ActionText
  row names the reason in the log's "Action" line too, which is all that
  Wine's msiexec logs of it;
- PRODUCT and SERIAL among the SecureCustomProperties, so that they reach
  the elevated part of an install;
- the programs' version (the package's) in the File table, which Windows
  Installer compares when it repairs.

    finish_package.py --msibuild MSIBUILD --msiinfo MSIINFO --package PKG.msi
                      --version X.Y.Z
"""
import argparse
import subprocess
import sys

# (action, condition, message). Sequence numbers 60 and on: after the
# product and its key are known (51 to 53), before anything is costed.
REFUSALS = [
    ("RefuseNoProduct",
     "NOT Installed AND NOT PRODUCT",
     "No product given: install with PRODUCT=<identifier> SERIAL=<serial number>, where the "
     "identifier is that of a product of the Brantlow product catalogue."),
    ("RefuseUnknownProduct",
     'NOT Installed AND PRODUCT AND (NOT (CATALOGUEPRODUCTS >< PRODUCTKEY) OR PRODUCT >< "|")',
     "Unknown product: PRODUCT=[PRODUCT] is not the identifier of a product of the Brantlow "
     "product catalogue."),
    ("RefuseNoSerial",
     "NOT Installed AND NOT SERIAL",
     "No serial number given: install with PRODUCT=<identifier> SERIAL=<serial number>."),
    ("RefuseDowngrade",
     "NEWERFOUND",
     "A newer version of [ProductName] is already installed."),
]
FIRST_SEQUENCE = 60
TYPE_ERROR = 19
SECURE = "NEWERFOUND;OLDERFOUND;PRODUCT;SERIAL"
PROGRAMS = ("updnotify.exe", "modpanel.exe")


def sql_text(text):
    return "'" + text.replace("'", "''") + "'"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--msibuild", required=True)
    p.add_argument("--msiinfo", required=True)
    p.add_argument("--package", required=True)
    p.add_argument("--version", required=True)
    a = p.parse_args()

    queries = [
        "UPDATE Property SET Value = %s WHERE Property = 'SecureCustomProperties'" % sql_text(SECURE),
        "CREATE TABLE ActionText (Action CHAR(72) NOT NULL, Description LONGCHAR LOCALIZABLE, "
        "Template LONGCHAR LOCALIZABLE PRIMARY KEY Action)",
    ]
    for program in PROGRAMS:
        queries.append("UPDATE File SET Version = %s WHERE File = %s"
                       % (sql_text(a.version + ".0"), sql_text(program)))
    for n, (action, condition, message) in enumerate(REFUSALS):
        queries.append("INSERT INTO CustomAction (Action, Type, Source, Target) VALUES (%s, %d, '', %s)"
                       % (sql_text(action), TYPE_ERROR, sql_text(message)))
        for table in ("InstallExecuteSequence", "InstallUISequence"):
            queries.append("INSERT INTO %s (Action, Condition, Sequence) VALUES (%s, %s, %d)"
                           % (table, sql_text(action), sql_text(condition), FIRST_SEQUENCE + n))
        queries.append("INSERT INTO ActionText (Action, Description) VALUES (%s, %s)"
                       % (sql_text(action), sql_text("Refused. " + message)))
    for query in queries:
        r = subprocess.run([a.msibuild, a.package, "-q", query], capture_output=True, text=True)
        if r.returncode != 0:
            sys.exit("finish_package.py: msibuild failed (%s): %s" % (r.stderr.strip(), query))

    # msibuild has been seen to answer 0 for a change it did not make.
    def rows(table):
        out = subprocess.run([a.msiinfo, "export", a.package, table], check=True,
                             capture_output=True, text=True).stdout
        return [line.split("\t") for line in out.splitlines()[3:] if line]

    props = {r[0]: r[1] for r in rows("Property") if len(r) > 1}
    versions = {r[0]: r[4] for r in rows("File")}
    texts = {r[0] for r in rows("ActionText")}
    actions = {r[0] for r in rows("CustomAction")}
    missing = []
    if props.get("SecureCustomProperties") != SECURE:
        missing.append("SecureCustomProperties")
    missing += [p for p in PROGRAMS if versions.get(p) != a.version + ".0"]
    for action, _, _ in REFUSALS:
        missing += [action + " in " + t for t in ("InstallExecuteSequence", "InstallUISequence")
                    if action not in {r[0] for r in rows(t)}]
        if action not in actions or action not in texts:
            missing.append(action)
    if missing:
        sys.exit("finish_package.py: not in the package: " + ", ".join(missing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
