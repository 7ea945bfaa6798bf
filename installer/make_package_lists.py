#!/usr/bin/env python3
"""Writes the parts of the installer package that follow from other sources,
as WiX include files for brantlow-support.wxs, so that no list is kept twice:

  catalogue.wxi          CATALOGUEPRODUCTS, "|1|2|3|...|": every identifier
                         of the product catalogue (catalogue/ProductTable.h),
                         against which the package checks PRODUCT; and one
                         custom action per product that sets PRODUCTTITLE
                         (the Start-menu folder's name) to the product's title
  catalogue-sequence.wxi those actions in an install sequence, each under the
                         condition PRODUCT = "<identifier>"
  helpfiles.wxi          one component per help file that the component table
                         names (modpanel/make_component_table.py), the file in
                         the help folder
  guarded.wxi            one component per value that the package writes into
                         a key that others write too (see guarded()): each
                         help file's value under HKLM "Software\\Microsoft\\
                         Windows\\HTML Help", and the product record
  guarded-search.wxi     the searches of those values and their marks, made
                         before anything is installed
  helpfile-refs.wxi      the references to all those components
  conditions.tsv         component TAB condition: the guarded components'
                         conditions, which finish_package.py sets (wixl
                         cannot)

    make_package_lists.py OUT-DIR
    make_package_lists.py --list-products     identifier TAB title, one a line
    make_package_lists.py --list-help-files   help file names, one a line
"""
import os
import re
import subprocess
import sys
from xml.sax.saxutils import quoteattr

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)
PRODUCT_TABLE = os.path.join(ROOT, "catalogue", "ProductTable.h")
TABLE_GENERATOR = os.path.join(ROOT, "modpanel", "make_component_table.py")

# The sequence numbers of the title actions: after LaunchConditions (100)
# and before the folder is set from the title (see the .wxs).
TITLE_SEQUENCE_FIRST = 101
TITLE_SEQUENCE_LAST = 699

# The package's own key, where it remembers its installation.
SETUP_KEY = r"Software\Brantlow\Support Tools"
# Where the component help files go: a value naming a folder that ends so
# is an installation of this package's (an older version's, or this one's).
# The notifier's machine policy, which the package writes when it is told
# UPDATECHECKS or UPDATEINTERVAL.
POLICY_KEY = r"Software\Policies\Brantlow\Updates"
HELP_FOLDER_END = "\\Brantlow\\Support Tools\\Component Help\\"

ROW = re.compile(r'^\s*\{\s*(\d+),\s*(\d+),\s*"([^"]*)",\s*"([^"]*)",\s*(\d+),\s*(\d+),\s*(\d+)\s*\},')


def short_minor(minor):
    """The minor as titles show it: 50 -> 5, 5 -> 5, 25 -> 25."""
    return minor // 10 if minor % 10 == 0 else minor


def read_products():
    """(identifier, title) of every catalogued product, in catalogue order.
    The title is name, edition (when there is one) and major.shortminor."""
    products = []
    inside = False
    with open(PRODUCT_TABLE, encoding="utf-8") as f:
        for line in f:
            if "s_aProducts[]" in line:
                inside = True
                continue
            if inside and line.strip().startswith("};"):
                break
            m = ROW.match(line) if inside else None
            if m:
                pid, _, name, edition, major, minor, _ = m.groups()
                words = [name] + ([edition] if edition else []) + \
                        ["%d.%d" % (int(major), short_minor(int(minor)))]
                products.append((int(pid), " ".join(words)))
    if not products:
        sys.exit("make_package_lists.py: no products found in " + PRODUCT_TABLE)
    if len(set(p for p, _ in products)) != len(products):
        sys.exit("make_package_lists.py: an identifier occurs twice in " + PRODUCT_TABLE)
    return products


def read_help_files():
    """The help files that the component table names, as its generator lists them."""
    out = subprocess.run([sys.executable, TABLE_GENERATOR, "--help-contexts"],
                         check=True, capture_output=True, text=True).stdout
    names = [line.split()[0] for line in out.splitlines() if line.strip()]
    for name in names:
        if not re.fullmatch(r"[A-Za-z0-9_]+\.chm", name):
            sys.exit("make_package_lists.py: unexpected help file name %r" % name)
    return names


def guarded(cid, key, name, value, ours=None, fresh=None, kind="string"):
    """A value that the package writes under HKLM only where none stood before
    or where the one that stood is the package's own, and removes only then.
    Returns (CID, searches, component lines, condition).

    Before anything is installed, WAS_<CID> is the value found and OWNS_<CID>
    the package's mark of it (value CID under SETUP_KEY\\Owned, written with
    the value and removed with it: an installation's own values, an older
    version's included). The component is installed, repaired and removed
    only when the value is the package's (the mark, or OURS, a condition on
    WAS_<CID>), or when there is none (FRESH, a condition, when it needs
    more than the value's absence). A value that stood before the package
    came is left as it was, at install and at removal. KIND is the WiX
    RegistryValue type ("string", "integer"). Another such value is one more
    entry in main()'s list."""
    was, owns = "WAS_" + cid.upper(), "OWNS_" + cid.upper()
    searches = [
        '<Property Id="%s"><RegistrySearch Id="Was%s" Root="HKLM" Key=%s Name=%s '
        'Type="raw" Win64="$(var.Win64)"/></Property>' % (was, cid, quoteattr(key), quoteattr(name)),
        '<Property Id="%s"><RegistrySearch Id="Owns%s" Root="HKLM" Key=%s Name=%s '
        'Type="raw" Win64="$(var.Win64)"/></Property>'
        % (owns, cid, quoteattr(SETUP_KEY + "\\Owned"), quoteattr(cid))]
    component = [
        '<Component Id="%s" Guid="*" Win64="$(var.Win64)">' % cid,
        '  <RegistryValue Root="HKLM" Key=%s Name=%s Type="%s" Value=%s KeyPath="yes"/>'
        % (quoteattr(key), quoteattr(name), kind, quoteattr(value)),
        '  <RegistryValue Root="HKLM" Key=%s Name=%s Type="string" Value="1"/>'
        % (quoteattr(SETUP_KEY + "\\Owned"), quoteattr(cid)),
        '</Component>']
    condition = "%s OR (NOT %s%s)" % (owns, was, " AND " + fresh if fresh else "")
    if ours:
        condition += " OR (%s)" % ours.format(was=was)
    return cid, searches, component, condition


def write(path, lines):
    text = '<?xml version="1.0" encoding="utf-8"?>\n' \
           "<!-- Written by installer/make_package_lists.py; do not edit. -->\n" \
           "<Include>\n" + "".join("  " + line + "\n" for line in lines) + "</Include>\n"
    # Unchanged files keep their time, so the package is not rebuilt for nothing.
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main(argv):
    if len(argv) == 2 and argv[1] == "--list-products":
        for pid, title in read_products():
            print("%d\t%s" % (pid, title))
        return 0
    if len(argv) == 2 and argv[1] == "--list-help-files":
        print("\n".join(read_help_files()))
        return 0
    if len(argv) != 2 or argv[1].startswith("-"):
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)

    products = read_products()
    if TITLE_SEQUENCE_FIRST + len(products) > TITLE_SEQUENCE_LAST:
        sys.exit("make_package_lists.py: too many products for the sequence numbers")
    known = "|" + "|".join(str(pid) for pid, _ in products) + "|"
    catalogue = ['<Property Id="CATALOGUEPRODUCTS" Value="%s"/>' % known]
    sequence = []
    for n, (pid, title) in enumerate(products):
        catalogue.append('<CustomAction Id="TitleOf%d" Property="PRODUCTTITLE" Value=%s/>'
                         % (pid, quoteattr(title)))
        sequence.append('<Custom Action="TitleOf%d" Sequence="%d">PRODUCT = "%d"</Custom>'
                        % (pid, TITLE_SEQUENCE_FIRST + n, pid))
    write(os.path.join(out, "catalogue.wxi"), catalogue)
    write(os.path.join(out, "catalogue-sequence.wxi"), sequence)

    components, refs = [], []
    # The product record: a record that stood before (one made by hand, or
    # by another installation) is left alone. Its key names PRODUCT, which a
    # repair, removal or upgrade takes from the older installation only
    # after the search: there the mark alone tells (NOT SAVEDPRODUCT).
    values = [guarded("ProductRecord", r"Software\Brantlow\Products\[PRODUCT]", "SerialNumber",
                      "[SERIAL]", fresh="NOT SAVEDPRODUCT")]
    for name in read_help_files():
        base = name[:-len(".chm")]
        components += [
            '<Component Id="Help_%s" Guid="*" Win64="$(var.Win64)">' % base,
            '  <File Id="Help_%s" Name="%s" Source="$(var.ComponentHelpDir)/%s" KeyPath="yes"/>'
            % (base, name, name),
            '</Component>']
        refs.append('<ComponentRef Id="Help_%s"/>' % base)
        # Another product's registration of a help file of the same name
        # stays; an older version's (it names our folder) is ours.
        values.append(guarded("HelpValue_" + base, r"Software\Microsoft\Windows\HTML Help", name,
                              "[HELPDIR]", ours='{was} >> "%s"' % HELP_FOLDER_END))
    # The notifier's policy, as REG_DWORD, only when the install is told it
    # (or the installation remembers it); a value that an administrator's
    # Group Policy set before stays as it was.
    values.append(guarded("PolicyEnabled", POLICY_KEY, "Enabled", "[UPDATECHECKS]",
                          fresh="UPDATECHECKS", kind="integer"))
    values.append(guarded("PolicyInterval", POLICY_KEY, "Interval", "[UPDATEINTERVAL]",
                          fresh="UPDATEINTERVAL", kind="integer"))
    searches, guarded_components, conditions = [], [], []
    for cid, search, component, condition in values:
        searches += search
        guarded_components += component
        conditions.append("%s\t%s" % (cid, condition))
        refs.append('<ComponentRef Id="%s"/>' % cid)
    write(os.path.join(out, "helpfiles.wxi"), components)
    write(os.path.join(out, "guarded.wxi"), guarded_components)
    write(os.path.join(out, "guarded-search.wxi"), searches)
    write(os.path.join(out, "helpfile-refs.wxi"), refs)
    path = os.path.join(out, "conditions.tsv")
    text = "".join(c + "\n" for c in conditions)
    if not os.path.exists(path) or open(path, encoding="utf-8").read() != text:
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
