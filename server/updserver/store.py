"""The two SQLite files: the release database (product lines, licences,
releases with the status values and signatures made at publishing), which
web servers only read, and each web server's counts of check-ins."""
import datetime
import os
import sqlite3

from . import rules

SCHEMA_VERSION = 1
RELEASES_SCHEMA = """
CREATE TABLE product_lines (
    line INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE,              -- Mail6, as catalogue/ProductLines.h names it
    description TEXT NOT NULL);
CREATE TABLE licences (
    serial TEXT PRIMARY KEY,
    line INTEGER NOT NULL REFERENCES product_lines(line),
    major INTEGER NOT NULL CHECK (major BETWEEN 0 AND 65535),  -- the last major it covers
    ends TEXT);                             -- YYYY-MM-DD, the last day it covers; NULL: never ends
CREATE TABLE releases (
    line INTEGER NOT NULL REFERENCES product_lines(line),
    major INTEGER NOT NULL, minor INTEGER NOT NULL CHECK (minor BETWEEN 0 AND 99), build INTEGER NOT NULL,
    released TEXT NOT NULL,                 -- YYYY-MM-DD, UTC
    url TEXT NOT NULL,
    rollout INTEGER NOT NULL CHECK (rollout BETWEEN 0 AND 100),
    withdrawn INTEGER NOT NULL DEFAULT 0,
    -- What is sent, byte for byte as it was signed.
    update_status TEXT NOT NULL, update_url TEXT NOT NULL, update_signature TEXT NOT NULL,
    upgrade_status TEXT NOT NULL, upgrade_url TEXT NOT NULL, upgrade_signature TEXT NOT NULL,
    PRIMARY KEY (line, major, minor, build));
"""
COUNTS_SCHEMA = """
CREATE TABLE IF NOT EXISTS checkins (
    server TEXT NOT NULL DEFAULT '',        -- '' on a web server; its name once merged
    day TEXT NOT NULL, line INTEGER NOT NULL, version TEXT NOT NULL, answer TEXT NOT NULL,
    count INTEGER NOT NULL,
    PRIMARY KEY (server, day, line, version, answer));
"""
RELEASES_BUSY_MS = 1000    # a locked release database: no offer, not a long wait
COUNTS_BUSY_S = 10.0       # concurrent check-ins wait their turn


def create_releases(path, product_lines):
    """Makes a release database with the catalogue's product lines."""
    if os.path.exists(path):
        raise sqlite3.DatabaseError("%s exists already" % path)
    con = sqlite3.connect(path)
    try:
        with con:
            con.executescript(RELEASES_SCHEMA)
            con.execute("PRAGMA user_version = %d" % SCHEMA_VERSION)
            con.executemany("INSERT INTO product_lines VALUES (?, ?, ?)",
                            [(number, name, text) for name, (number, text) in product_lines.items()])
    finally:
        con.close()


def file_uri(path, mode):
    """An SQLite URI that opens PATH read-only ("ro") or for writing ("rw"),
    never making it."""
    escaped = os.path.abspath(path).replace("%", "%25").replace("?", "%3f").replace("#", "%23")
    return "file:%s?mode=%s" % (escaped, mode)


def open_releases(path, write=False):
    """The release database, read-only unless WRITE (the vendor's commands)."""
    con = sqlite3.connect(file_uri(path, "rw" if write else "ro"), uri=True, timeout=RELEASES_BUSY_MS / 1000.0)
    try:
        version = con.execute("PRAGMA user_version").fetchone()[0]
    except sqlite3.Error:
        con.close()
        raise
    if version != SCHEMA_VERSION:
        con.close()
        raise sqlite3.DatabaseError("%s is not a release database of this version" % path)
    return con


def select_offer(con, serial, version, today):
    """What a query gets on TODAY (the UTC day, YYYY-MM-DD): (line, answer,
    headers). ANSWER is "update" or "upgrade" with the three offer headers,
    else "unknown" (no such licence), "expired" or "current" (nothing to
    offer) without headers."""
    row = con.execute("SELECT line, major, ends FROM licences WHERE serial = ?", (serial,)).fetchone()
    if row is None:
        return 0, "unknown", []
    line, licensed, ends = row
    if ends is not None and ends < today:
        return line, "expired", []
    candidates = con.execute(
        "SELECT major, minor, build, rollout, update_status, update_url, update_signature,"
        " upgrade_status, upgrade_url, upgrade_signature FROM releases"
        " WHERE line = ? AND withdrawn = 0 AND released <= ? AND (major, minor, build) > (?, ?, ?)"
        " ORDER BY major DESC, minor DESC, build DESC", (line, today) + tuple(version)).fetchall()
    admitted = [c for c in candidates if rules.admitted(serial, rules.release_id(line, c[:3]), c[3])]
    within = [c for c in admitted if c[0] <= licensed]
    if within:
        return line, "update", offer_headers(*within[0][4:7])
    above = [c for c in admitted if c[0] > licensed]
    if above:
        return line, "upgrade", offer_headers(*above[0][7:10])
    return line, "current", []


def offer_headers(status, url, signature):
    return [("X-Update-Status", status), ("X-Update-URL", url), ("X-Update-Signature", signature)]


def prepare_counts(con):
    """WAL, so that readers never stop a check-in, and the table."""
    con.execute("PRAGMA journal_mode = WAL")
    con.executescript(COUNTS_SCHEMA)


def open_counts(path):
    con = sqlite3.connect(path, timeout=COUNTS_BUSY_S, isolation_level=None)
    prepare_counts(con)
    return con


def count_checkin(path, day, line, version, answer):
    """One more check-in of DAY, LINE, VERSION and ANSWER. No address and no
    serial is kept."""
    con = sqlite3.connect(path, timeout=COUNTS_BUSY_S, isolation_level=None)
    try:
        for attempt in (1, 2):
            try:
                con.execute("BEGIN IMMEDIATE")
                con.execute("INSERT INTO checkins (day, line, version, answer, count) VALUES (?, ?, ?, ?, 1)"
                            " ON CONFLICT DO UPDATE SET count = count + 1", (day, line, version, answer))
                con.execute("COMMIT")
                return
            except sqlite3.OperationalError as e:
                if con.in_transaction:
                    con.execute("ROLLBACK")
                if attempt == 2 or "no such table" not in str(e):
                    raise
            prepare_counts(con)     # the server's first check-in makes its counts file
    finally:
        con.close()


def today_utc():
    """The UTC day, YYYY-MM-DD."""
    return datetime.datetime.now(datetime.timezone.utc).date().isoformat()
