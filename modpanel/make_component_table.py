#!/usr/bin/env python3
"""Writes ComponentTable.cpp, the component panel's table of component files.

Every component is described once below, with the product groups that ship
it; the table gets one row per component and group, stored group by group.
A component keeps its file name, class identifier, description, help file
and help context in every group that ships it. Class identifiers are derived
from the file name (a name-based UUID), so they never change between runs.

    make_component_table.py [OUT.cpp]        write the table (default: here)
    make_component_table.py --check FILE     fail when FILE differs
    make_component_table.py --help-contexts  per help file, the non-zero help
                                             contexts that its rows use
"""
import os
import sys
import uuid

ACTIVEX, LIBRARY, SCRIPTING, DOTNET = "ACTIVEX", "LIBRARY", "SCRIPTING", "DOTNET"
TYPE_ORDER = [ACTIVEX, LIBRARY, SCRIPTING, DOTNET]   # order inside a group

# How each kind of row is flagged; the constants are defined in the output.
SELF_REGISTERING = "kSelfRegistering"   # ActiveX controls, scripting objects
HIDDEN = "kHiddenSelfRegistering"       # a control that is never listed
HELP_ONLY = "kHtmlHelp"                 # a help file, nothing to register
SHARED = "kSharedAssembly"              # assemblies folder first, with help
PLAIN = "kNoFlags"                      # no class, no help file

GROUPS = {
    1: "Barcode Kit",
    2: "Mail Toolkit 4.x",
    3: "Mail Toolkit 5.x (.NET 5.0)",
    4: "Mail Toolkit 6.x (.NET 6.0)",
    5: "Transfer Kit 4.x",
    6: "Transfer Kit 5.x (.NET 5.0)",
    7: "Transfer Kit 6.x (.NET 6.0)",
    8: "Zip Library",
    9: "Charts for .NET 5.x",
    10: "Charts for .NET 6.x",
    11: "Terminal Kit 3.x",
    12: "Terminal Kit 5.x (.NET 5.0)",
    13: "Terminal Kit 6.x (.NET 6.0)",
    14: "Spell Check Kit",
}

MAIL = [2, 3, 4]
TRANSFER = [5, 6, 7]
TERMINAL = [11, 12, 13]
NETWORKED = MAIL + TRANSFER             # every toolkit that talks to servers
SECURE = NETWORKED + [12, 13]           # ... and the terminals with SSH
CHARTING = [9, 10]

# (type, description id, file, help file, help context, flags, groups)
COMPONENTS = [
    # --- ActiveX controls ---
    (ACTIVEX, 10001, "bbarcode.ocx", "bbarcode.chm", 1000, SELF_REGISTERING, [1]),
    (ACTIVEX, 10002, "bbar2d.ocx", "bbarcode.chm", 1200, SELF_REGISTERING, [1]),
    (ACTIVEX, 10003, "bbscan.ocx", "bbarcode.chm", 1400, SELF_REGISTERING, [1]),
    (ACTIVEX, 10004, "bblabel.ocx", "bbarcode.chm", 1600, SELF_REGISTERING, [1]),
    (ACTIVEX, 10005, "bbrender.ocx", "bbarcode.chm", 0, HIDDEN, [1]),
    (ACTIVEX, 10006, "bsock.ocx", "bnet.chm", 1000, SELF_REGISTERING, NETWORKED + TERMINAL),
    (ACTIVEX, 10007, "bdns.ocx", "bnet.chm", 1100, SELF_REGISTERING, NETWORKED),
    (ACTIVEX, 10008, "bcert.ocx", "bnet.chm", 1200, SELF_REGISTERING, SECURE),
    (ACTIVEX, 10009, "bping.ocx", "bnet.chm", 1300, SELF_REGISTERING, NETWORKED),
    (ACTIVEX, 10010, "bhttp.ocx", "bnet.chm", 1400, SELF_REGISTERING, NETWORKED),
    (ACTIVEX, 10011, "bmailsmtp.ocx", "bmail.chm", 1000, SELF_REGISTERING, MAIL),
    (ACTIVEX, 10012, "bmailpop.ocx", "bmail.chm", 1100, SELF_REGISTERING, MAIL),
    (ACTIVEX, 10013, "bmailimap.ocx", "bmail.chm", 1200, SELF_REGISTERING, MAIL),
    (ACTIVEX, 10014, "bmailmime.ocx", "bmail.chm", 1300, SELF_REGISTERING, MAIL),
    (ACTIVEX, 10015, "bmailnntp.ocx", "bmail.chm", 1400, SELF_REGISTERING, MAIL),
    (ACTIVEX, 10016, "bmailsmime.ocx", "bmail.chm", 1500, SELF_REGISTERING, MAIL),
    (ACTIVEX, 10017, "bftp.ocx", "bxfer.chm", 1000, SELF_REGISTERING, TRANSFER),
    (ACTIVEX, 10018, "bsftp.ocx", "bxfer.chm", 1100, SELF_REGISTERING, TRANSFER),
    (ACTIVEX, 10019, "bscp.ocx", "bxfer.chm", 1200, SELF_REGISTERING, TRANSFER),
    (ACTIVEX, 10020, "bssh.ocx", "bxfer.chm", 1300, SELF_REGISTERING, TRANSFER + [12, 13]),
    (ACTIVEX, 10021, "bxfer.ocx", "bxfer.chm", 1400, SELF_REGISTERING, TRANSFER),
    (ACTIVEX, 10022, "bftpsrv.ocx", "bxfer.chm", 1500, SELF_REGISTERING, TRANSFER),
    (ACTIVEX, 10101, "bterm.ocx", "bterm.chm", 1000, SELF_REGISTERING, TERMINAL),
    (ACTIVEX, 10102, "bcomm.ocx", "bterm.chm", 1100, SELF_REGISTERING, TERMINAL),
    (ACTIVEX, 10103, "btelnet.ocx", "bterm.chm", 1200, SELF_REGISTERING, TERMINAL),
    (ACTIVEX, 10104, "bzmodem.ocx", "bterm.chm", 1300, SELF_REGISTERING, TERMINAL),
    (ACTIVEX, 14001, "bspell.ocx", "bspell.chm", 0, SELF_REGISTERING, [14]),

    # --- Dynamic link libraries ---
    (LIBRARY, 11001, "bzip32.dll", "bzip.chm", 2000, HELP_ONLY, [3, 4] + TRANSFER + [8]),
    (LIBRARY, 11002, "bgzip32.dll", "bzip.chm", 2100, HELP_ONLY, TRANSFER + [8]),
    (LIBRARY, 11003, "bbzip32.dll", "bzip.chm", 2200, HELP_ONLY, [8]),
    (LIBRARY, 11004, "bzmsg32.dll", None, 0, PLAIN, [8]),
    (LIBRARY, 11005, "bsfxstub.dll", None, 0, PLAIN, [8]),
    (LIBRARY, 11006, "bzcore32.dll", None, 0, PLAIN, NETWORKED + [8]),
    (LIBRARY, 11007, "bnet32.dll", "bnet.chm", 2000, HELP_ONLY, NETWORKED + TERMINAL),
    (LIBRARY, 11008, "btls32.dll", "bnet.chm", 2100, HELP_ONLY, SECURE),
    (LIBRARY, 11009, "bcipher32.dll", "bnet.chm", 2200, HELP_ONLY, SECURE),
    (LIBRARY, 11010, "bcerts32.dll", "bnet.chm", 2300, HELP_ONLY, SECURE),
    (LIBRARY, 11011, "bmail32.dll", "bmail.chm", 2000, HELP_ONLY, MAIL),
    (LIBRARY, 11012, "bmime32.dll", "bmail.chm", 2100, HELP_ONLY, MAIL),
    (LIBRARY, 11013, "bmailq32.dll", "bmail.chm", 2200, HELP_ONLY, MAIL),
    (LIBRARY, 11014, "bftp32.dll", "bxfer.chm", 2000, HELP_ONLY, TRANSFER),
    (LIBRARY, 11015, "bsftp32.dll", "bxfer.chm", 2100, HELP_ONLY, TRANSFER),
    (LIBRARY, 11016, "bssh32.dll", "bxfer.chm", 2200, HELP_ONLY, TRANSFER + [12, 13]),
    (LIBRARY, 11017, "bhttp32.dll", "bnet.chm", 2400, HELP_ONLY, NETWORKED),
    (LIBRARY, 11018, "bterm32.dll", "bterm.chm", 2000, HELP_ONLY, TERMINAL),
    (LIBRARY, 11019, "bcomm32.dll", "bterm.chm", 2100, HELP_ONLY, TERMINAL),
    (LIBRARY, 11020, "bkbd32.dll", None, 0, PLAIN, TERMINAL),
    (LIBRARY, 11021, "bbarcode32.dll", "bbarcode.chm", 2000, HELP_ONLY, [1]),
    (LIBRARY, 11022, "bbarfont.dll", None, 0, PLAIN, [1]),
    (LIBRARY, 14002, "bspell.dll", "bspell.chm", 2000, HELP_ONLY, [14]),

    # --- Scripting objects ---
    (SCRIPTING, 12001, "bsmtpobj.dll", "bmailscr.chm", 3000, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12002, "bpopobj.dll", "bmailscr.chm", 3100, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12003, "bimapobj.dll", "bmailscr.chm", 3200, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12004, "bmimeobj.dll", "bmailscr.chm", 3300, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12005, "bsmimeobj.dll", "bmailscr.chm", 3400, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12006, "bmxobj.dll", "bmailscr.chm", 3500, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12007, "bmqobj.dll", "bmailscr.chm", 3600, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12008, "bnntpobj.dll", "bmailscr.chm", 3700, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12009, "bicalobj.dll", "bmailscr.chm", 3800, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12010, "bmergeobj.dll", "bmailscr.chm", 0, SELF_REGISTERING, MAIL),
    (SCRIPTING, 12011, "bftpobj.dll", "bxferscr.chm", 3000, SELF_REGISTERING, TRANSFER),
    (SCRIPTING, 12012, "bsftpobj.dll", "bxferscr.chm", 3100, SELF_REGISTERING, TRANSFER),
    (SCRIPTING, 12013, "bsshobj.dll", "bxferscr.chm", 3200, SELF_REGISTERING, TRANSFER),
    (SCRIPTING, 12014, "bscpobj.dll", "bxferscr.chm", 3300, SELF_REGISTERING, [6, 7]),
    (SCRIPTING, 12015, "bhttpobj.dll", "bxferscr.chm", 3400, SELF_REGISTERING, TRANSFER),
    (SCRIPTING, 12016, "bzipobj.dll", "bxferscr.chm", 3500, SELF_REGISTERING, TRANSFER),
    (SCRIPTING, 12017, "bsyncobj.dll", "bxferscr.chm", 3600, SELF_REGISTERING, [6, 7]),
    (SCRIPTING, 12018, "bcertobj.dll", "bxferscr.chm", 3700, SELF_REGISTERING, TRANSFER),
    (SCRIPTING, 12019, "bxlogobj.dll", "bxferscr.chm", 0, SELF_REGISTERING, TRANSFER),

    # --- .NET components (the 4.x toolkits carry .NET 1.1 wrappers) ---
    (DOTNET, 13001, "Brantlow.Net.dll", "bcorenet.chm", 0, SHARED, SECURE),
    (DOTNET, 13002, "Brantlow.Security.dll", "bcorenet.chm", 0, SHARED, SECURE),
    (DOTNET, 13003, "Brantlow.Dns.dll", "bcorenet.chm", 0, SHARED, NETWORKED),
    (DOTNET, 13004, "Brantlow.Mail.Smtp.dll", "bmailnet.chm", 0, SHARED, MAIL),
    (DOTNET, 13005, "Brantlow.Mail.Pop.dll", "bmailnet.chm", 0, SHARED, MAIL),
    (DOTNET, 13006, "Brantlow.Mail.Imap.dll", "bmailnet.chm", 0, SHARED, MAIL),
    (DOTNET, 13007, "Brantlow.Mail.Mime.dll", "bmailnet.chm", 0, SHARED, MAIL),
    (DOTNET, 13008, "Brantlow.Mail.Design.dll", "bmailnet.chm", 0, HELP_ONLY, [3, 4]),
    (DOTNET, 13009, "Brantlow.Transfer.Ftp.dll", "bxfernet.chm", 0, SHARED, TRANSFER),
    (DOTNET, 13010, "Brantlow.Transfer.Sftp.dll", "bxfernet.chm", 0, SHARED, TRANSFER + [13]),
    (DOTNET, 13011, "Brantlow.Http.dll", "bcorenet.chm", 0, SHARED, NETWORKED),
    (DOTNET, 13012, "Brantlow.Transfer.Scp.dll", "bxfernet.chm", 0, SHARED, TRANSFER),
    (DOTNET, 13013, "Brantlow.Ssh.dll", "bxfernet.chm", 0, SHARED, TRANSFER + [12, 13]),
    (DOTNET, 13014, "Brantlow.Transfer.Design.dll", "bxfernet.chm", 0, HELP_ONLY, [6, 7]),
    (DOTNET, 13015, "Brantlow.Charting.dll", "bchart.chm", 0, SHARED, CHARTING),
    (DOTNET, 13016, "Brantlow.Charting.Gauges.dll", "bchart.chm", 0, SHARED, CHARTING),
    (DOTNET, 13017, "Brantlow.Charting.Web.dll", "bchart.chm", 0, SHARED, CHARTING),
    (DOTNET, 13018, "Brantlow.Charting.Export.dll", "bchart.chm", 0, HELP_ONLY, CHARTING),
    (DOTNET, 13019, "Brantlow.Charting.Design.dll", "bchart.chm", 0, HELP_ONLY, CHARTING),
    (DOTNET, 13020, "Brantlow.Terminal.dll", "btermnet.chm", 0, SHARED, [12, 13]),
    (DOTNET, 13021, "Brantlow.Terminal.Serial.dll", "btermnet.chm", 0, HELP_ONLY, [12, 13]),
    (DOTNET, 13022, "Brantlow.Terminal.Design.dll", "btermnet.chm", 0, HELP_ONLY, [12, 13]),
    (DOTNET, 13023, "Brantlow.Licensing.dll", None, 0, PLAIN, [3, 4, 6, 7] + CHARTING + [12, 13]),
    (DOTNET, 13024, "Brantlow.Mail.Interop.dll", None, 0, PLAIN, [2]),
    (DOTNET, 13025, "Brantlow.Transfer.Interop.dll", None, 0, PLAIN, [5]),
]

# Name-based class identifiers live under this namespace of our own.
CLASS_NAMESPACE = uuid.uuid5(uuid.NAMESPACE_X500, "OU=Components, O=Brantlow")


def class_id(kind, file_name, flags):
    """Controls, scripting objects and libraries with help carry a class."""
    if kind == DOTNET or flags == PLAIN:
        return None
    return "{%s}" % str(uuid.uuid5(CLASS_NAMESPACE, file_name.lower())).upper()


def rows():
    """The table rows, group by group, each group's rows in type order."""
    out = []
    for group in sorted(GROUPS):
        for kind in TYPE_ORDER:
            for (k, desc, name, help_file, context, flags, groups) in COMPONENTS:
                if k == kind and group in groups:
                    out.append((group, desc, "COMPONENT_" + kind, flags, name,
                                class_id(k, name, flags), help_file, context))
    return out


def help_topics():
    """Per help file, the files of its rows and the context of each, taken
    from the table itself: {help file: {file name: context}}. A context of
    0 opens the file's contents and needs no entry in its context map."""
    topics = {}
    for (_, _, _, _, name, _, help_file, context) in rows():
        if help_file is not None:
            topics.setdefault(help_file, {})[name] = context
    return topics


def help_contexts_text():
    lines = []
    for help_file, files in sorted(help_topics().items()):
        contexts = sorted({c for c in files.values() if c != 0})
        lines.append(" ".join([help_file] + ["%d" % c for c in contexts]))
    return "\n".join(lines) + "\n"


def c_text(value):
    return "nullptr" if value is None else '"%s"' % value


def render():
    table = rows()
    cells = [["%2d," % g, "%d," % d, t + ",", f + ",", c_text(n) + ",",
              c_text(c) + ",", c_text(h) + ",", "%d" % x]
             for (g, d, t, f, n, c, h, x) in table]
    widths = [max(len(row[i]) for row in cells) for i in range(len(cells[0]))]
    lines = [
        "// The component table: generated by make_component_table.py from its",
        "// list of components; change the list there and run it again.",
        "//",
        "// Columns: product group, description string, type, flags, file name,",
        "// class identifier, help file, help context.",
        '#include "ComponentTable.h"',
        "",
        "namespace {",
        "",
        "constexpr DWORD kSelfRegistering = COMPONENT_SELF_REGISTERING | COMPONENT_HTML_HELP;",
        "constexpr DWORD kHiddenSelfRegistering = COMPONENT_HIDDEN | kSelfRegistering;",
        "constexpr DWORD kHtmlHelp = COMPONENT_HTML_HELP;",
        "constexpr DWORD kSharedAssembly = COMPONENT_SHARED_ASSEMBLY | COMPONENT_HTML_HELP;",
        "constexpr DWORD kNoFlags = 0;",
        "",
        "} // namespace",
        "",
        "const ComponentEntry g_aComponents[] = {",
    ]
    last_group = None
    for (g, *_), cell in zip(table, cells):
        if g != last_group:
            if last_group is not None:
                lines.append("")
            lines.append("    // %d: %s" % (g, GROUPS[g]))
            last_group = g
        padded = [cell[i].ljust(widths[i]) for i in range(len(cell) - 1)]
        padded.append(cell[-1].rjust(widths[-1]))
        lines.append("    { " + " ".join(padded) + " },")
    lines.append("")
    lines.append("    // end of the table")
    lines.append("    { 0, 0, COMPONENT_NONE, 0, nullptr, nullptr, nullptr, 0 },")
    lines.append("};")
    return "\n".join(lines) + "\n"


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    text = render()
    if len(argv) == 2 and argv[1] == "--help-contexts":
        sys.stdout.write(help_contexts_text())
        return 0
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], encoding="ascii") as f:
            if f.read() != text:
                sys.stderr.write("%s differs from what %s writes\n"
                                 % (argv[2], os.path.basename(argv[0])))
                return 1
        return 0
    if len(argv) > 2:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1] if len(argv) == 2 else os.path.join(here, "ComponentTable.cpp")
    with open(out, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
