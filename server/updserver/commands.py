"""vendorctl: the vendor's commands on the release database and the counts.

Publishing signs on the machine that keeps the offline key, through
tools/offerkey.py; the web servers get a read-only copy of the database."""
import argparse
import contextlib
import csv
import datetime
import os
import sqlite3
import sys

from . import checks, rules, store

REPO = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir)
PRODUCT_LINES_H = os.path.join(REPO, "catalogue", "ProductLines.h")
DOWNLOAD_HOSTS = os.path.join(REPO, "updnotify", "download-hosts.txt")


def product_lines():
    """The catalogue's product lines, read where the panel's table generator reads them."""
    sys.path.insert(0, os.path.join(REPO, "modpanel"))
    from make_component_table import read_product_lines
    return read_product_lines()


def offerkey():
    sys.path.insert(0, os.path.join(REPO, "tools"))
    import offerkey as module
    return module


def find_line(con, text):
    row = con.execute("SELECT line, description FROM product_lines WHERE line = ? OR name = ?",
                      (int(text) if text.isdigit() else -1, text)).fetchone()
    if row is None:
        names = ", ".join("%d %s" % r for r in con.execute("SELECT line, name FROM product_lines"))
        raise checks.Refused("no product line %r (the lines: %s)" % (text, names))
    return row


def find_release(con, line, version):
    key = (line,) + version
    if con.execute("SELECT 1 FROM releases WHERE line = ? AND major = ? AND minor = ? AND build = ?",
                   key).fetchone() is None:
        raise checks.Refused("no release %s of line %d" % (rules.version_text(version), line))
    return key


def add_licences(con, rows):
    """ROWS: (where, serial, line text, major text, end date text or "")."""
    for where, serial, line, major, ends in rows:
        problem = checks.serial_problem(serial)
        if problem:
            raise checks.Refused("%s: the serial %r: %s (the package refuses it)" % (where, serial, problem))
        if not major.isdigit() or int(major) > 0xFFFF:
            raise checks.Refused("%s: the major version %r" % (where, major))
        end = checks.parse_date(ends).isoformat() if ends else None
        try:
            con.execute("INSERT INTO licences VALUES (?, ?, ?, ?)",
                        (serial, find_line(con, line)[0], int(major), end))
        except sqlite3.IntegrityError:
            raise checks.Refused("%s: the serial %r is there already" % (where, serial)) from None


def cmd_create(a):
    lines = product_lines()
    store.create_releases(a.db, lines)
    print("made %s with %d product lines" % (a.db, len(lines)))


def cmd_add_licence(a):
    with writing(a.db) as con:
        add_licences(con, [("the licence", a.serial, a.line, a.major, a.ends or "")])
    print("added the licence %r" % a.serial)


def cmd_import_licences(a):
    with open(a.csv, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))
    if rows and rows[0][:1] == ["serial"]:
        rows = rows[1:]
    parsed = []
    for number, row in enumerate(rows, 1):
        if len(row) not in (3, 4):
            raise checks.Refused("row %d: serial,line,major[,ends] expected, got %d fields" % (number, len(row)))
        parsed.append(("row %d" % number,) + tuple(row) + (("",) if len(row) == 3 else ()))
    with writing(a.db) as con:
        add_licences(con, parsed)
    print("imported %d licences" % len(parsed))


def cmd_publish(a):
    version = checks.parse_version(a.version)
    released = checks.parse_date(a.date or store.today_utc())
    problem = checks.address_problem(a.url, checks.read_download_hosts(a.hosts))
    if problem:
        raise checks.Refused("the notifier would not open %r: %s" % (a.url, problem))
    keys = offerkey()
    key = keys.load_private_key(a.key)
    signed = []
    for kind in (rules.UPDATE, rules.UPGRADE):
        status = rules.status_value(kind, version, released)
        signed += [status, a.url, keys.sign(key, status, a.url)]
    with writing(a.db) as con:
        line, description = find_line(con, a.line)
        try:
            con.execute("INSERT INTO releases VALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?)",
                        (line,) + version + (released.isoformat(), a.url, a.rollout) + tuple(signed))
        except sqlite3.IntegrityError:
            raise checks.Refused("%s %s is published already" % (description, a.version)) from None
    print("published %s (line %d) %s, released %s, rollout %d %%, at %s"
          % (description, line, rules.version_text(version), released.isoformat(), a.rollout, a.url))
    for i, kind in ((0, "update"), (3, "upgrade")):
        print("  as an %s:" % kind)
        for name, value in store.offer_headers(*signed[i:i + 3]):
            print("    %s: %s" % (name, value))


def cmd_rollout(a):
    with writing(a.db) as con:
        key = find_release(con, find_line(con, a.line)[0], checks.parse_version(a.version))
        con.execute("UPDATE releases SET rollout = ? WHERE line = ? AND major = ? AND minor = ? AND build = ?",
                    (a.percent,) + key)
    print("rollout of %s: %d %%" % (a.version, a.percent))


def cmd_withdraw(a):
    with writing(a.db) as con:
        key = find_release(con, find_line(con, a.line)[0], checks.parse_version(a.version))
        con.execute("UPDATE releases SET withdrawn = 1 WHERE line = ? AND major = ? AND minor = ? AND build = ?",
                    key)
    print("withdrawn: %s; it is never offered again" % a.version)


def cmd_show(a):
    day = checks.parse_date(a.date or store.today_utc()).isoformat()
    con = store.open_releases(a.db)
    try:
        line, kind, headers = store.select_offer(con, a.serial, checks.parse_version(a.version), day)
    finally:
        con.close()
    print("%s %s on %s: %s" % (a.serial, a.version, day, kind))
    for name, value in headers:
        print("%s: %s" % (name, value))


def cmd_stats(a):
    end = checks.parse_date(a.to or store.today_utc())
    start = checks.parse_date(a.start) if a.start else end - datetime.timedelta(days=27)
    if not os.path.exists(a.counts):
        raise checks.Refused("no counts file %s (no check-in counted there yet)" % a.counts)
    con = sqlite3.connect(store.file_uri(a.counts, "ro"), uri=True, timeout=store.COUNTS_BUSY_S)
    try:
        rows = con.execute("SELECT day, line, version, answer, SUM(count) FROM checkins"
                           " WHERE day BETWEEN ? AND ? GROUP BY day, line, version, answer"
                           " ORDER BY day, line, version, answer", (start.isoformat(), end.isoformat())).fetchall()
    finally:
        con.close()
    names = {number: text for number, text in product_lines().values()}
    table = [(day, str(line), names.get(line, "-") if line else "-", version or "-", kind, str(n))
             for day, line, version, kind, n in rows]
    heading = ("day", "line", "product line", "installed", "answer", "check-ins")
    if a.csv:
        out = csv.writer(sys.stdout, lineterminator="\n")
        out.writerow(heading)
        out.writerows(table)
        return
    widths = [max(len(r[i]) for r in table + [heading]) for i in range(len(heading))]
    for row in [heading] + table:
        print("  ".join(cell.ljust(w) for cell, w in zip(row[:-1], widths)) + "  " + row[-1].rjust(widths[-1]))
    print("%d check-ins from %s to %s" % (sum(r[4] for r in rows), start.isoformat(), end.isoformat()))


def cmd_merge_counts(a):
    total = store.open_counts(a.total)
    try:
        for source in a.servers:
            name, _, path = source.rpartition("=")
            name = name or os.path.splitext(os.path.basename(path))[0]
            if not os.path.exists(path):
                raise checks.Refused("no counts file %s" % path)
            src = store.open_counts(path)
            try:
                rows = src.execute("SELECT day, line, version, answer, SUM(count) FROM checkins"
                                   " GROUP BY day, line, version, answer").fetchall()
            finally:
                src.close()
            # A server's rows replace those of its last merge: merging again counts nothing twice.
            total.execute("BEGIN IMMEDIATE")
            total.execute("DELETE FROM checkins WHERE server = ?", (name,))
            total.executemany("INSERT INTO checkins VALUES (?, ?, ?, ?, ?, ?)", [(name,) + r for r in rows])
            total.execute("COMMIT")
            print("merged %s: %d check-ins" % (name, sum(r[4] for r in rows)))
    finally:
        total.close()


@contextlib.contextmanager
def writing(path):
    """The release database opened for one change, made whole or not at all."""
    con = store.open_releases(path, write=True)
    try:
        con.execute("PRAGMA foreign_keys = ON")
        con.execute("BEGIN IMMEDIATE")
        yield con
        con.execute("COMMIT")
    finally:
        if con.in_transaction:
            con.execute("ROLLBACK")
        con.close()


def percent(text):
    if not text.isdigit() or int(text) > 100:
        raise argparse.ArgumentTypeError("a percentage from 0 to 100, not %r" % text)
    return int(text)


def parser():
    p = argparse.ArgumentParser(prog="vendorctl", description="The vendor's release database, "
                                "licences, releases and check-in counts.")
    sub = p.add_subparsers(dest="command", required=True, metavar="COMMAND")

    def command(name, function, text, *arguments):
        c = sub.add_parser(name, help=text, description=text)
        for names, options in arguments:
            c.add_argument(*names, **options)
        c.set_defaults(run=function)

    db = (("db",), {"help": "the release database"})
    line = (("line",), {"help": "product line: its number or name (Mail6)"})
    version = (("version",), {"help": "major.minor.build, the minor with two places (6.05.1102)"})
    command("create", cmd_create, "make a release database with the catalogue's product lines", db)
    command("add-licence", cmd_add_licence, "add one licence", db, (("serial",), {}), line,
            (("major",), {"help": "the last major version the licence covers"}),
            (("--ends",), {"help": "the last day it covers, YYYY-MM-DD (default: never ends)"}))
    command("import-licences", cmd_import_licences,
            "add the licences of a CSV file (serial,line,major[,ends]; a first row 'serial,...' is a heading);"
            " all or none", db, (("csv",), {}))
    command("publish", cmd_publish, "publish a release: sign both status values with the offline key", db,
            line, version, (("--url",), {"required": True, "help": "the download page (https://, a download host)"}),
            (("--key",), {"required": True, "help": "the offer-signing private key (PEM)"}),
            (("--date",), {"help": "release date YYYY-MM-DD, UTC (default: today)"}),
            (("--rollout",), {"type": percent, "default": 100, "help": "percent of licences offered it (100)"}),
            (("--hosts",), {"default": DOWNLOAD_HOSTS, "help": "the download hosts (the notifier's build's file)"}))
    command("rollout", cmd_rollout, "change the percentage of licences that a release is offered to", db, line,
            version, (("percent",), {"type": percent}))
    command("withdraw", cmd_withdraw, "never offer a release again", db, line, version)
    command("show", cmd_show, "what a query with this serial and version gets (counts nothing)", db,
            (("serial",), {}), version, (("--date",), {"help": "as on this day, YYYY-MM-DD (default: today)"}))
    command("stats", cmd_stats, "check-ins by day, product line, installed version and answer",
            (("counts",), {"help": "a counts file: a server's, or merged"}),
            (("--from",), {"dest": "start", "help": "first day, YYYY-MM-DD (default: 27 days before the last)"}),
            (("--to",), {"help": "last day, YYYY-MM-DD (default: today)"}),
            (("--csv",), {"action": "store_true", "help": "CSV instead of a table"}))
    command("merge-counts", cmd_merge_counts, "merge web servers' counts into one file; merging a server "
            "again replaces its rows", (("total",), {"help": "the merged counts file (made when absent)"}),
            (("servers",), {"nargs": "+", "metavar": "[NAME=]COUNTS", "help": "a server's counts file"}))
    return p


def main(argv=None):
    a = parser().parse_args(argv)
    try:
        a.run(a)
    except (ValueError, OSError, sqlite3.Error) as e:   # Refused and offerkey's OfferError among them
        print("vendorctl %s: %s" % (a.command, e), file=sys.stderr)
        return 1
    return 0
