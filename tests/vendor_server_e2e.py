#!/usr/bin/env python3
"""One version query end to end: a catalogued product recorded as installed
with productrec.exe, the query run by vquery.exe under Wine (plain HTTP to a
port of its own: TLS is the notifier's end-to-end test's), and the reference
vendor server answering from a file of offers, signed with the test run's
offer key, and logging what it received."""
import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from checks import Checks  # noqa: E402
from options import required_options  # noqa: E402
from winerun import run_wine  # noqa: E402
from testpki import SYSTEM_PYTHON  # noqa: E402

check = Checks()


def run(wine_run, *args, timeout=60):
    return run_wine(wine_run, *args, timeout=timeout)


def short_minor(minor):
    return minor // 10 if minor % 10 == 0 else minor


def main():
    # --trust: the test run's trust folder, whose offer key signs ("": none).
    a = required_options("--wine-run", "--server", "--vquery", "--productrec", "--workdir", "--trust")
    os.makedirs(a.workdir, exist_ok=True)

    # Two catalogued products: one the server has an offer for, one not.
    rc, out, err = run(a.wine_run, a.productrec, "list")
    check(rc == 0, "productrec list runs")
    rows = [line.split("\t") for line in out.splitlines() if line.strip()]
    ids = [int(r[0]) for r in rows]
    titles = {int(r[0]): r[3] for r in rows}
    offered, plain = ids[0], ids[1]
    serial_offered, serial_plain = "E2E-%d-OFFER" % offered, "E2E %d plain" % plain

    offers = os.path.join(a.workdir, "offers.json")
    log = os.path.join(a.workdir, "server.log")
    port_file = os.path.join(a.workdir, "port")
    for f in (log, port_file):
        if os.path.exists(f):
            os.remove(f)
    with open(offers, "w") as f:
        json.dump([{"sn": serial_offered, "status": "1 9 5 77 20261208",
                    "url": "https://downloads.brantlow.example/e2e.exe"}], f)

    signing = ["--sign-with", os.path.join(a.trust, "offer-private.pem")] if a.trust else []
    server = subprocess.Popen([SYSTEM_PYTHON, a.server, "--offers", offers, "--port", "0",
                               "--port-file", port_file, "--log", log, "--lifetime", "120"] + signing,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.time() + 20
        while not os.path.exists(port_file) and time.time() < deadline:
            time.sleep(0.1)
        port = int(open(port_file).read())

        for pid, serial in ((offered, serial_offered), (plain, serial_plain)):
            rc, _, err = run(a.wine_run, a.productrec, "add", pid, serial)
            check(rc == 0, "product %d recorded as installed" % pid)

        rc, out, err = run(a.wine_run, a.vquery, "-http", "127.0.0.1", port, offered, 10)
        print(out + err)
        check(rc == 0, "the offered product gets an offer")
        check("status: 1\n" in out, "status read from X-Update-Status")
        check("version: 9.05.0077\n" in out, "offered version text")
        check("released: 2026 Dec 8\n" in out, "release date text")
        check("url: https://downloads.brantlow.example/e2e.exe\n" in out, "update URL")

        rc, out2, err = run(a.wine_run, a.vquery, "-http", "127.0.0.1", port, plain, 10)
        print(out2 + err)
        check(rc == 1 and "no offer" in out2, "the other product gets no offer")

        entries = [e for e in map(json.loads, open(log)) if "request_line" in e]
        check(len(entries) == 2, "the server logged two queries")
        first = entries[0]
        check(first["request_line"] == "POST /cgi-bin/version.cgi HTTP/1.0", "request line")
        check([k for k, _ in first["headers"]] == ["Host", "Content-Type", "Content-Length"],
              "only Host, Content-Type and Content-Length are sent")
        check(dict(first["headers"])["Host"] == "127.0.0.1", "Host line")
        check([p.split("=")[0] for p in first["body"].split("&")] == ["v2", "v3", "sn", "v1"],
              "body order v2, v3, sn, v1")
        check(first["fields"]["sn"] == serial_offered, "serial number sent")
        check(entries[1]["fields"]["sn"] == serial_plain, "blanks in a serial arrive as blanks")
        check("+" in entries[1]["body"], "blanks travel as '+'")

        # What was sent matches the catalogue's own version text.
        for entry, pid in ((entries[0], offered), (entries[1], plain)):
            v = entry["fields"]
            text = "%s.%d.%s" % (v["v1"], short_minor(int(v["v2"])), v["v3"])
            check(titles[pid].endswith(" " + text),
                  "product %d sent version %s, listed as '%s'" % (pid, text, titles[pid]))
    finally:
        server.terminate()
        server.wait(timeout=10)
        for pid in (offered, plain):
            run(a.wine_run, a.productrec, "remove", pid)

    return check.status()


if __name__ == "__main__":
    sys.exit(main())
