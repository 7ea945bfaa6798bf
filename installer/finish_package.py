#!/usr/bin/env python3
"""Adds to a package that wixl built what wixl cannot express, with msibuild
(Debian's msitools), and reads each change back with msiinfo:

- the refusals: an install without PRODUCT, with a PRODUCT that the
  catalogue does not hold, without SERIAL or with one that the notifier
  cannot send as given, over a record of the product that holds another
  serial, or of an older package over a newer one; a policy value other
  than the notifier reads; and a repair, removal or upgrade told another
  PRODUCT or SERIAL than the installation's. Each stops before anything is
  changed, with a non-zero exit code. Each is an error action (custom
  action type 19) in both install sequences, whose text Windows Installer
  shows and logs; its ActionText row names the reason in the log's
  "Action" line too, which is all that Wine's msiexec logs of it. Nothing
  but those two last refusals can stop a removal;
- the checks that conditions cannot make (a serial's length and its
  characters outside printable ASCII, the policy values' exact text), DLL
  custom actions (type 1) of the Binary table's two builds of
  installer/customaction/: the i686 one where VersionNT64 is not set, the
  x86_64 one where it is. No script custom action: the script engines are
  an optional part of Windows, going away;
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

# No refusal and no check runs at a removal, whatever the installation
# remembered or the command line gives; only another PRODUCT or SERIAL than
# the installation's (the first two) stop one, as that protects another
# product's record.
NOT_REMOVAL = 'NOT (REMOVE~="ALL")'
# A serial is checked when it is new: given at a first install. A repair or
# an upgrade goes on with the installation's own (SAVEDSERIAL, taken at 57;
# another one is refused at 55), which was checked when it was given.
NEW_SERIAL = "NOT Installed AND SERIAL <> SAVEDSERIAL"


def new_policy(prop):
    """A policy value is checked when the command line gives one other than
    the installation's: told nothing, a repair or an upgrade takes the
    remembered one (52, 53), which was checked when it was given."""
    return "%s <> SAVED%s AND %s" % (prop, prop, NOT_REMOVAL)


# A serial is stored and posted as given only when it is printable ASCII
# (a space is posted as "+", which the server reads back as a space), at
# most 127 characters (the catalogue's), without "&", "=", "+" or "%" (they
# would change the posted form), not beginning with "#" and without "[~]"
# (Windows Installer would store a number or a list). The policy values are
# UPDATECHECKS 0 or 1 and UPDATEINTERVAL a number of days from 1 to 365,
# each as written (a condition compares "00" and "0" as numbers).
#
# (action, sequence, condition, message), in the order they run. 54 and 55:
# before the installation's PRODUCT and SERIAL are taken (56, 57); 60 and
# on: after the product and its key are known (58), before anything is
# costed. A message of None is a check of the custom action DLL: the entry
# point of that name, as action <name>32 at this sequence and <name>64 at
# the next (CHECK_BUILDS), leaves its finding in the property that the
# refusal after it tests.
STEPS = [
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
     "NEWERFOUND AND " + NOT_REMOVAL,
     "A newer version of [ProductName] is already installed."),
    ("RefuseSerialForm", 64,
     NEW_SERIAL + ' AND (SERIAL << "#" OR SERIAL >< "[~]")',
     'Unusable serial number: one that begins with "#" or holds "[\\[]~[\\]]" would be stored '
     "as something other than text."),
    ("RefuseSerialCharacter", 65,
     NEW_SERIAL + ' AND (SERIAL >< "&" OR SERIAL >< "=" OR SERIAL >< "+" OR SERIAL >< "%")',
     'Unusable serial number: "&", "=", "+" and "%" would change the form that the notifier '
     "sends."),
    ("CheckSerial", 66, NEW_SERIAL, None),
    ("RefuseSerialText", 68,
     "NOT Installed AND SERIALFAULT",
     "Unusable serial number: [SERIALFAULT]; a serial number is printable ASCII text of at "
     "most 127 characters."),
    ("RefuseRecordSerial", 69,
     "NOT Installed AND WAS_PRODUCTRECORD AND WAS_PRODUCTRECORD <> SERIAL",
     "Product [PRODUCT] is recorded already with another serial number: remove that record "
     "(or its installation) first, or install with the serial number it holds."),
    ("CheckUpdateChecks", 70, new_policy("UPDATECHECKS"), None),
    ("RefuseUpdateChecks", 72,
     "UPDATECHECKSFAULT AND " + NOT_REMOVAL,
     "Unusable policy value: UPDATECHECKS=[UPDATECHECKS] is neither 0 nor 1."),
    ("CheckUpdateInterval", 73, new_policy("UPDATEINTERVAL"), None),
    ("RefuseUpdateInterval", 75,
     "UPDATEINTERVALFAULT AND " + NOT_REMOVAL,
     "Unusable policy value: UPDATEINTERVAL=[UPDATEINTERVAL] is not a number of days from 1 "
     "to 365."),
]
# The custom action DLL's two builds, as the .wxs names their Binary rows,
# and the condition that chooses each: on 64-bit Windows the x86_64 one
# (Windows Installer runs a DLL of either width there), so that a 32-bit
# build is never needed where a system runs no 32-bit code.
CHECK_BUILDS = (("32", "InputChecks32", "NOT VersionNT64"), ("64", "InputChecks64", "VersionNT64"))
TYPE_DLL = 1
TYPE_ERROR = 19
SECURE = "NEWERFOUND;OLDERFOUND;PRODUCT;SERIAL;UPDATECHECKS;UPDATEINTERVAL"
PROGRAMS = ("updnotify.exe", "modpanel.exe")


def actions():
    """(action, sequence, condition, type, source, target) of every custom
    action above, the checks once for each build."""
    rows = []
    for action, sequence, condition, message in STEPS:
        if message is not None:
            rows.append((action, sequence, condition, TYPE_ERROR, "", message))
            continue
        for n, (bits, binary, chooses) in enumerate(CHECK_BUILDS):
            rows.append((action + bits, sequence + n, "%s AND %s" % (chooses, condition),
                         TYPE_DLL, binary, action))
    return rows


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
    for action, sequence, condition, kind, source, target in actions():
        queries.append("INSERT INTO CustomAction (Action, Type, Source, Target) VALUES "
                       "(%s, %d, %s, %s)" % (sql_text(action), kind, sql_text(source),
                                             sql_text(target)))
        for table in ("InstallExecuteSequence", "InstallUISequence"):
            queries.append("INSERT INTO %s (Action, Condition, Sequence) VALUES (%s, %s, %d)"
                           % (table, sql_text(action), sql_text(condition), sequence))
        if kind == TYPE_ERROR:
            queries.append("INSERT INTO ActionText (Action, Description) VALUES (%s, %s)"
                           % (sql_text(action), sql_text("Refused. " + target)))
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
    actions_found = {r[0] for r in rows("CustomAction")}
    missing = []
    if props.get("SecureCustomProperties") != SECURE:
        missing.append("SecureCustomProperties")
    missing += [p for p in PROGRAMS if versions.get(p) != a.version + ".0"]
    set_conditions = {r[0]: r[4] for r in rows("Component") if len(r) > 4}
    missing += [c for c, cond in conditions.items() if set_conditions.get(c) != cond]
    sequenced = {t: {r[0] for r in rows(t)} for t in ("InstallExecuteSequence", "InstallUISequence")}
    for action, _, _, kind, _, _ in actions():
        missing += [action + " in " + t for t in sequenced if action not in sequenced[t]]
        if action not in actions_found or (kind == TYPE_ERROR and action not in texts):
            missing.append(action)
    if missing:
        sys.exit("finish_package.py: not in the package: " + ", ".join(missing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
