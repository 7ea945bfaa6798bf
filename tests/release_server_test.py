#!/usr/bin/python3
"""The vendor's side through its WSGI application: a release database made
by vendorctl (licences imported, releases published and signed), then one
table of queries and what each gets, one of bad input, and the commands'
refusals. Runs with Debian's python3 (publishing signs with
python3-cryptography)."""
import hashlib
import io
import os
import sqlite3
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "pylib"))
sys.path.insert(0, os.path.join(HERE, os.pardir, "server"))
sys.path.insert(0, os.path.join(HERE, os.pardir, "tools"))
from checks import Checks  # noqa: E402
from web_servers import Lighttpd, ReleaseSite, free_port, offer_headers, post  # noqa: E402
import offerkey  # noqa: E402
from updserver.endpoint import make_application  # noqa: E402

TODAY = "2026-06-15"
DL = "https://downloads.brantlow.example/"
ALNUM = b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
check = Checks("  ")


def draw(serial, release):
    """The rollout's draw as the vendor's documentation states it."""
    return int.from_bytes(hashlib.sha256(("%s\n%s" % (serial, release)).encode()).digest()[:4], "big") % 100


def serial_drawing(release, wanted):
    return next(s for s in ("ROLL-%d" % i for i in range(1000)) if wanted(draw(s, release)))


LOW, HIGH = serial_drawing("13:6.10.1", lambda d: d == 49), serial_drawing("13:6.10.1", lambda d: d == 50)


def query(site, body, today=TODAY, method="POST", path="/cgi-bin/version.cgi", length=None, releases=None):
    """Runs one request through APP; returns (status, headers, error log)."""
    errors = io.StringIO()
    environ = {"REQUEST_METHOD": method, "SCRIPT_NAME": "", "PATH_INFO": path, "wsgi.input": io.BytesIO(body),
               "CONTENT_LENGTH": str(len(body) if length is None else length), "wsgi.errors": errors,
               "BRANTLOW_RELEASES": releases or site.db, "BRANTLOW_COUNTS": site.counts}
    answer = []
    b"".join(make_application(lambda: today)(environ, lambda status, headers: answer.extend([status, headers])))
    return answer[0], answer[1], errors.getvalue()


def form(serial, version):
    major, minor, build = version.split(".")
    return ("v2=%d&v3=%s&sn=%s&v1=%s" % (int(minor), build, serial.replace(" ", "+"), major)).encode()


def count_of(site, answer):
    con = sqlite3.connect(site.counts)
    try:
        return con.execute("SELECT COALESCE(SUM(count), 0) FROM checkins WHERE answer = ?", (answer,)).fetchone()[0]
    except sqlite3.OperationalError:
        return 0
    finally:
        con.close()


def main():
    work = tempfile.mkdtemp(prefix="release-server-")
    site = ReleaseSite(work)
    public = offerkey.load_public_key(site.public_key)
    site.licences([("BMT-6", "Mail6", 6), ("A B", "Mail6", 6), ("BMT-OLD", "Mail6", 6, "2026-06-14"),
                   ("BMT-LAST-DAY", "Mail6", 6, "2026-06-15"), ("BMT-5", "Mail5", 5), ("BMT-W", "Mail4", 4),
                   ("BMT-T0", "Transfer6", 6), ("BMT-T100", "Transfer5", 5), (LOW, "Terminal6", 6),
                   (HIGH, "Terminal6", 6)])
    for line, version, date, rollout in (
            ("Mail6", "6.60.1102", "2026-06-01", 100), ("Mail6", "6.60.1103", "2026-06-10", 100),
            ("Mail6", "6.65.1150", "2026-06-02", 100), ("Mail6", "6.70.1200", "2026-06-16", 100),
            ("Mail6", "7.00.100", "2026-05-01", 100), ("Mail5", "6.00.10", "2026-01-01", 100),
            ("Mail4", "4.10.1", "2026-01-01", 100), ("Transfer6", "6.10.1", "2026-01-01", 0),
            ("Transfer5", "5.10.1", "2026-01-01", 100), ("Terminal6", "6.10.1", "2026-01-01", 50)):
        site.publish(line, version, date, DL + version + ".exe", rollout)
    site.vendorctl("withdraw", site.db, "Mail6", "6.65.1150")
    site.vendorctl("withdraw", site.db, "Mail4", "4.10.1")

    print("what a query gets")
    rows = [  # what, serial, installed version, offered status value or None[, today]
        ("an unknown licence", "BMT-NONE", "6.50.1058", None),
        ("a licence past its end date", "BMT-OLD", "6.50.1058", None),
        ("a licence on its last day", "BMT-LAST-DAY", "6.50.1058", "0 6 60 1103 20260610"),
        ("the newest update before an upgrade", "BMT-6", "6.50.1058", "0 6 60 1103 20260610"),
        ("a newer build of the same version", "BMT-6", "6.60.1102", "0 6 60 1103 20260610"),
        ("past the newest update: the upgrade", "BMT-6", "6.60.1103", "1 7 0 100 20260501"),
        ("dated tomorrow: not yet", "BMT-6", "6.69.9999", "1 7 0 100 20260501"),
        ("dated today: offered", "BMT-6", "6.69.9999", "0 6 70 1200 20260616", "2026-06-16"),
        ("the newest release installed", "BMT-6", "7.00.100", None),
        ("the minor compared as a number", "BMT-6", "6.07.5000", "0 6 60 1103 20260610"),
        ("only an upgrade", "BMT-5", "5.90.1", "1 6 0 10 20260101"),
        ("withdrawn, never offered", "BMT-W", "4.00.1", None),
        ("rollout 0", "BMT-T0", "6.00.1", None),
        ("rollout 100", "BMT-T100", "5.00.1", "0 5 10 1 20260101"),
        ("rollout 50, a serial drawing 49", LOW, "6.00.1", "0 6 10 1 20260101"),
        ("rollout 50, a serial drawing 50", HIGH, "6.00.1", None),
        ("sn=A+B is the licence 'A B'", "A B", "6.50.1058", "0 6 60 1103 20260610"),
    ]
    for what, serial, installed, offered, *today in rows:
        status, headers, log = query(site, form(serial, installed), *today)
        got = offer_headers(headers)
        if offered is None:
            check(status.startswith("200") and got == [], "%s: no offer (%s, %s)" % (what, status, got))
            continue
        url = DL + "%s.%02d.%s.exe" % (offered.split()[1], int(offered.split()[2]), offered.split()[3])
        values = dict(got)
        check([k for k, _ in got] == ["X-Update-Status", "X-Update-URL", "X-Update-Signature"]
              and values["X-Update-Status"] == offered and values["X-Update-URL"] == url
              and offerkey.verify(public, offered, values["X-Update-URL"], values["X-Update-Signature"]),
              "%s: %s, signed (%s)" % (what, offered, got))
    total = sum(count_of(site, a) for a in ("update", "upgrade", "current", "unknown", "expired"))
    check(total == len(rows), "every query counted: %d of %d" % (total, len(rows)))

    print("changing a release")
    site.vendorctl("rollout", site.db, "Terminal6", "6.10.1", "100")
    check(offer_headers(query(site, form(HIGH, "6.00.1"))[1]) != [], "rollout 100: the serial drawing 50 gets it")
    site.vendorctl("withdraw", site.db, "Terminal6", "6.10.1")
    check(offer_headers(query(site, form(LOW, "6.00.1"))[1]) == [], "withdrawn: nobody gets it")

    print("bad input: no offer, a line in the log, counted, no crash")
    locked = sqlite3.connect(site.db, isolation_level=None)
    other = os.path.join(work, "other-version.sqlite")
    locked.execute("VACUUM INTO ?", (other,))
    sqlite3.connect(other).execute("PRAGMA user_version = 2")
    bad = [  # what, request keywords, status, count as
        ("no body", {"body": b""}, "400", "bad"),
        ("a body too long", {"body": form("BMT-6", "6.50.1058") + b"&x=" + b"y" * 4096}, "400", "bad"),
        ("a body of a megabyte", {"body": b"v2=" + b"5" * (1 << 20)}, "400", "bad"),
        ("a Content-Length past the body", {"body": form("BMT-6", "6.50.1058"), "length": 200}, "400", "bad"),
        ("binary bytes", {"body": form("BMT-6", "6.50.1058") + b"\x00\xff"}, "400", "bad"),
        ("a thousand fields, each once", {"body": form("BMT-6", "6.50.1058") + b"".join(
            b"&x%c%c" % (x, y) for x in ALNUM for y in ALNUM)[:4000]}, "400", "bad"),
        ("a field twice", {"body": form("BMT-6", "6.50.1058") + b"&sn=BMT-5"}, "400", "bad"),
        ("a version that is no number", {"body": b"v2=50&v3=1x&sn=BMT-6&v1=6"}, "400", "bad"),
        ("the release database missing", {"body": form("BMT-6", "6.50.1058"),
                                          "releases": os.path.join(work, "none.sqlite")}, "503", "unavailable"),
        ("the release database locked", {"body": form("BMT-6", "6.50.1058"), "lock": True}, "503", "unavailable"),
        ("a release database of another version", {"body": form("BMT-6", "6.50.1058"), "releases": other},
         "503", "unavailable"),
    ]
    web = Lighttpd(site, free_port())

    def through_lighttpd(body, method="POST", path="/cgi-bin/version.cgi"):
        """The same request sent to lighttpd running version.cgi."""
        logged = len(web.logs())
        code, headers, _ = post("127.0.0.1", web.port, body, "updates.brantlow.example", method=method, path=path)
        return str(code), headers, "".join(l + "\n" for l in web.logs()[logged:].splitlines() if "version.cgi" in l)

    try:
        for route, send in (("WSGI", lambda **r: query(site, **r)), ("lighttpd", through_lighttpd)):
            for what, request, code, counted in bad:
                if route == "lighttpd" and ("releases" in request or "length" in request):
                    continue    # the server's own files; lighttpd would wait for the body
                before = count_of(site, counted)
                if request.get("lock"):
                    locked.execute("BEGIN EXCLUSIVE")
                try:
                    status, headers, log = send(**{k: v for k, v in request.items() if k != "lock"})
                finally:
                    if locked.in_transaction:
                        locked.execute("ROLLBACK")
                check(status.startswith(code) and offer_headers(headers) == [] and log.count("\n") == 1
                      and count_of(site, counted) == before + 1, "%s, %s: %s without an offer, one log line (%r), "
                      "counted as %s" % (route, what, status, log.strip(), counted))
            for what, request, code in (("a GET", {"method": "GET", "body": b""}, "405"),
                                        ("a path below the endpoint", {"path": "/cgi-bin/version.cgi/x",
                                                                       "body": form("BMT-6", "6.50.1058")}, "404")):
                status, headers, _ = send(**request)
                check(status.startswith(code) and offer_headers(headers) == [],
                      "%s, %s: %s, no offer" % (route, what, status))
    finally:
        web.stop()
    status, headers, _ = query(site, form("BMT-6", "6.50.1058"), path="/")
    check(status.startswith("404") and offer_headers(headers) == [], "WSGI, another path: %s, no offer" % status)

    print("what the commands refuse")
    csv_path = os.path.join(work, "bad.csv")
    for serial in ("A&B", "A=B", "A+B", "50%", "#12", "A[~]B", "x" * 128, "", "Gr\u00fc\u00df"):
        with open(csv_path, "w", encoding="utf-8") as f:
            f.write("GOOD-ONE,Mail6,6\n%s,Mail6,6\n" % serial)
        p = subprocess.run([sys.executable, os.path.join(HERE, os.pardir, "server", "vendorctl"), "import-licences",
                            site.db, csv_path], capture_output=True, text=True)
        check(p.returncode == 1 and "row 2" in p.stderr,
              "import refuses the serial %r: %s" % (serial, p.stderr.strip()))
    check(site.vendorctl("show", site.db, "GOOD-ONE", "6.50.1058").endswith(": unknown\n"),
          "a refused import adds none of its rows")
    for url, reason in (("http://downloads.brantlow.example/x.exe", "https://"),
                        ("https://evil.example/x.exe", "not a download host"),
                        ("https://downloads.brantlow.example.evil.example/x", "not a download host"),
                        ("https://user@downloads.brantlow.example/x", "user-info"),
                        ("https://downloads.brantlow.example:8443/x", "port"),
                        ("https://downloads%2ebrantlow.example/x", "%-escape"),
                        ("https://downloads.brantlow.example./x", "labels"),
                        ("https://127.0.0.1/x", "an address"),
                        ("https://www.brantlow.example/a b", "blank"),
                        ("https://brantlow.example/x", "not a download host")):
        p = subprocess.run([sys.executable, os.path.join(HERE, os.pardir, "server", "vendorctl"), "publish", site.db,
                            "Mail6", "9.00.1", "--url", url, "--key", site.key], capture_output=True, text=True)
        check(p.returncode == 1 and "would not open" in p.stderr and reason in p.stderr,
              "publish refuses %s (%s): %s" % (url, reason, p.stderr.strip()))
    hosts = os.path.join(work, "hosts.txt")
    with open(hosts, "w") as f:
        f.write("# a domain's names\n*.cdn.brantlow.example\n")
    for url, taken in (("https://eu.cdn.brantlow.example/x", True), ("https://EU.CDN.Brantlow.example:443/x", True),
                       ("https://cdn.brantlow.example/x", False), ("https://eu.cdn.brantlow.example.evil/x", False)):
        p = subprocess.run([sys.executable, os.path.join(HERE, os.pardir, "server", "vendorctl"), "publish", site.db,
                            "Transfer6", "9.00.%d" % len(url), "--url", url, "--key", site.key, "--hosts", hosts],
                           capture_output=True, text=True)
        check((p.returncode == 0) == taken, "*.cdn.brantlow.example %s %s: %s" % (
            "takes" if taken else "refuses", url, (p.stdout + p.stderr).strip().splitlines()[0]))
    check("9.00.1" not in site.vendorctl("show", site.db, "BMT-6", "6.50.1058", "--date", "2030-01-01"),
          "no refused release was stored")
    return check.status()


if __name__ == "__main__":
    sys.exit(main())
