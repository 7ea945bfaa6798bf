#!/usr/bin/env python3
"""Adds to a package that wixl built what wixl cannot express, with msibuild
(Debian's msitools), and reads each change back with msiinfo:

- the refusals: an install without PRODUCT, with a PRODUCT that the product
  catalogue does not hold, without SERIAL or with one that the notifier
  cannot send as given, over a record of the product that holds another
  serial, or of an older package over a newer one; and a repair, removal
  or upgrade told another PRODUCT or SERIAL than the installation's. Each
  stops before anything is changed, with a non-zero exit code. Each is an
  error action (custom action type 19) in both install sequences, whose
  text Windows Installer shows and logs; its ActionText row names the
  reason in the log's "Action" line too, which is all that Wine's msiexec
  logs of it. A serial's length and control characters, which conditions
  cannot test, are tested by a VBScript action (type 38: no native code,
  so it runs under 64-bit and 32-bit msiexec alike);
- the guarded values' component conditions (make_package_lists.py writes
  them to conditions.tsv);
- PRODUCT and SERIAL among the SecureCustomProperties, so that they reach
  the elevated part of an install;
- the programs' version (the package's) in the File table, which Windows
  Installer compares when it repairs.

    finish_package.py --msibuild MSIBUILD --msiinfo MSIINFO --package PKG.msi
                      --version X.Y.Z --conditions LISTS/conditions.tsv
"""
import argparse
import subprocess
import sys

# A serial is stored and posted as given only when it is printable ASCII
# (a space is posted as "+", which the server reads back as a space), at most
# 127 characters (the catalogue's), without "&", "=", "+" or "%" (they would
# change the posted form), not beginning with "#" and without "[~]" (Windows
# Installer would store a number or a list). The script tests what
# conditions cannot and leaves the reason in SERIALFAULT.
# (Wine's VBScript has no AscW: each character is looked for among the
# allowed ones instead, from the last, so that the first bad one is named.)
CHECK_SERIAL = """s = Session.Property("SERIAL")
f = ""
a = ""
For k = 32 To 126
  a = a & Chr(k)
Next
If Len(s) > 127 Then f = "it has " & Len(s) & " characters, more than 127"
For i = Len(s) To 1 Step -1
  If InStr(1, a, Mid(s, i, 1), 0) = 0 Then f = "its character " & i & " is not printable ASCII"
Next
If f <> "" Then Session.Property("SERIALFAULT") = f
"""
TYPE_VBSCRIPT_TEXT = 38

# The notifier's policy properties: UPDATECHECKS 0 or 1, UPDATEINTERVAL a
# number of days from 1 to 365 written with digits only. The script leaves
# the reason in POLICYFAULT.
CHECK_POLICY = """f = ""
c = Session.Property("UPDATECHECKS")
If c <> "" And c <> "0" And c <> "1" Then f = "UPDATECHECKS=" & c & " is neither 0 nor 1"
v = Session.Property("UPDATEINTERVAL")
If v <> "" Then
  ok = Len(v) <= 3
  For i = 1 To Len(v)
    If InStr(1, "0123456789", Mid(v, i, 1), 0) = 0 Then ok = False
  Next
  If ok Then
    If CInt(v) < 1 Or CInt(v) > 365 Then ok = False
  End If
  If Not ok Then f = "UPDATEINTERVAL=" & v & " is not a number of days from 1 to 365"
End If
If f <> "" Then Session.Property("POLICYFAULT") = f
"""
CHECK_POLICY_SEQUENCE = 69

# (action, sequence, condition, message). 54 and 55: before the
# installation's PRODUCT and SERIAL are taken (56, 57); 60 and on: after the
# product and its key are known (58), before anything is costed.
REFUSALS = [
    ("RefuseOtherProduct", 54,
     "SAVEDPRODUCT AND PRODUCT AND PRODUCT <> SAVEDPRODUCT",
     "Another product given: this installation is that of PRODUCT=[SAVEDPRODUCT]; it is "
     "repaired, upgraded and removed as that product only, not as PRODUCT=[PRODUCT]. Remove "
     "it first to install for another product."),
    ("RefuseOtherSerial", 55,
     "SAVEDSERIAL AND SERIAL AND SERIAL <> SAVEDSERIAL",
     "Another serial number given: this installation is that of the serial number it was "
     "installed with; it is repaired, upgraded and removed with that one only. Remove it first "
     "to install with another serial number."),
    ("RefuseNoProduct", 60,
     "NOT Installed AND NOT PRODUCT",
     "No product given: install with PRODUCT=<identifier> SERIAL=<serial number>, where the "
     "identifier is that of a product of the Brantlow product catalogue."),
    ("RefuseUnknownProduct", 61,
     'NOT Installed AND PRODUCT AND (NOT (CATALOGUEPRODUCTS >< PRODUCTKEY) OR PRODUCT >< "|")',
     "Unknown product: PRODUCT=[PRODUCT] is not the identifier of a product of the Brantlow "
     "product catalogue."),
    ("RefuseNoSerial", 62,
     "NOT Installed AND NOT SERIAL",
     "No serial number given: install with PRODUCT=<identifier> SERIAL=<serial number>."),
    ("RefuseDowngrade", 63,
     "NEWERFOUND",
     "A newer version of [ProductName] is already installed."),
    ("RefuseSerialForm", 64,
     'NOT Installed AND (SERIAL << "#" OR SERIAL >< "[~]")',
     'Unusable serial number: one that begins with "#" or holds "[\\[]~[\\]]" would be stored '
     "as something other than text."),
    ("RefuseSerialCharacter", 65,
     'NOT Installed AND (SERIAL >< "&" OR SERIAL >< "=" OR SERIAL >< "+" OR SERIAL >< "%")',
     'Unusable serial number: "&", "=", "+" and "%" would change the form that the notifier '
     "sends."),
    ("RefuseSerialText", 67,
     "NOT Installed AND SERIALFAULT",
     "Unusable serial number: [SERIALFAULT]; a serial number is printable ASCII text of at "
     "most 127 characters."),
    ("RefusePolicy", 70,
     "POLICYFAULT",
     "Unusable policy value: [POLICYFAULT]."),
    ("RefuseRecordSerial", 68,
     "NOT Installed AND WAS_PRODUCTRECORD AND WAS_PRODUCTRECORD <> SERIAL",
     "Product [PRODUCT] is recorded already with another serial number: remove that record "
     "(or its installation) first, or install with the serial number it holds."),
]
CHECK_SERIAL_SEQUENCE = 66
TYPE_ERROR = 19
SECURE = "NEWERFOUND;OLDERFOUND;PRODUCT;SERIAL;UPDATECHECKS;UPDATEINTERVAL"
PROGRAMS = ("updnotify.exe", "modpanel.exe")


def sql_text(text):
    return "'" + text.replace("'", "''") + "'"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--msibuild", required=True)
    p.add_argument("--msiinfo", required=True)
    p.add_argument("--package", required=True)
    p.add_argument("--version", required=True)
    p.add_argument("--conditions", required=True)
    a = p.parse_args()
    with open(a.conditions, encoding="utf-8") as f:
        conditions = dict(line.rstrip("\n").split("\t", 1) for line in f if line.strip())

    queries = [
        "UPDATE Property SET Value = %s WHERE Property = 'SecureCustomProperties'" % sql_text(SECURE),
        "CREATE TABLE ActionText (Action CHAR(72) NOT NULL, Description LONGCHAR LOCALIZABLE, "
        "Template LONGCHAR LOCALIZABLE PRIMARY KEY Action)",
    ]
    for program in PROGRAMS:
        queries.append("UPDATE File SET Version = %s WHERE File = %s"
                       % (sql_text(a.version + ".0"), sql_text(program)))
    for component, condition in conditions.items():
        queries.append("UPDATE Component SET Condition = %s WHERE Component = %s"
                       % (sql_text(condition), sql_text(component)))
    # The checks that installer conditions cannot express, as scripts in
    # both sequences.
    for action, script, condition, sequence in (
            ("CheckSerial", CHECK_SERIAL, "NOT Installed AND SERIAL", CHECK_SERIAL_SEQUENCE),
            ("CheckPolicy", CHECK_POLICY, "UPDATECHECKS OR UPDATEINTERVAL", CHECK_POLICY_SEQUENCE)):
        queries.append("INSERT INTO CustomAction (Action, Type, Source, Target) VALUES "
                       "(%s, %d, '', %s)" % (sql_text(action), TYPE_VBSCRIPT_TEXT, sql_text(script)))
        for table in ("InstallExecuteSequence", "InstallUISequence"):
            queries.append("INSERT INTO %s (Action, Condition, Sequence) VALUES (%s, %s, %d)"
                           % (table, sql_text(action), sql_text(condition), sequence))
    for action, sequence, condition, message in REFUSALS:
        queries.append("INSERT INTO CustomAction (Action, Type, Source, Target) VALUES (%s, %d, '', %s)"
                       % (sql_text(action), TYPE_ERROR, sql_text(message)))
        for table in ("InstallExecuteSequence", "InstallUISequence"):
            queries.append("INSERT INTO %s (Action, Condition, Sequence) VALUES (%s, %s, %d)"
                           % (table, sql_text(action), sql_text(condition), sequence))
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
    set_conditions = {r[0]: r[4] for r in rows("Component") if len(r) > 4}
    missing += [c for c, cond in conditions.items() if set_conditions.get(c) != cond]
    missing += [a for a in ("CheckSerial", "CheckPolicy") if a not in actions]
    for action, _, _, _ in REFUSALS:
        missing += [action + " in " + t for t in ("InstallExecuteSequence", "InstallUISequence")
                    if action not in {r[0] for r in rows(t)}]
        if action not in actions or action not in texts:
            missing.append(action)
    if missing:
        sys.exit("finish_package.py: not in the package: " + ", ".join(missing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
