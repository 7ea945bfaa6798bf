#!/usr/bin/env python3
"""A bounded load run against the vendor's version endpoint on loopback:
lighttpd running version.cgi (CGI, a process a query) or gunicorn running
the WSGI application, each over TLS with a throw-away CA unless --plain.
CLIENTS threads send QUERIES queries as the notifier does (HTTP/1.0, a
connection each), a mix of offers, no offers and bad input, and check each
answer against what `vendorctl show` says; then the server's counts must
hold every query. Prints queries per second and the 50th and 99th
percentile time of a query.

    load-version-endpoint.py [--server lighttpd|gunicorn] [--plain]
                             [--queries 2000] [--clients 8] [--limit 120]

Exit status 0 when every answer was as expected, every query counted and
the run ended within LIMIT seconds."""
import argparse
import os
import ssl
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir, "tests", "pylib"))
from web_servers import SERVERS, ReleaseSite, free_port, make_test_ca, offer_headers, post  # noqa: E402

HOST = "updates.brantlow.example"
DL = "https://downloads.brantlow.example/mail/"


def make_site(work):
    """Licences and releases of one line, and the queries sent: (body,
    expected status code, expected offer headers, counted answer)."""
    site = ReleaseSite(work)
    site.licences([("LOAD-6", "Mail6", 6), ("LOAD-5", "Mail6", 5), ("LOAD OLD", "Mail6", 6, "2020-01-01")])
    site.publish("Mail6", "6.60.1102", "2026-01-05", DL + "660.exe")
    site.publish("Mail6", "7.00.20", "2026-02-01", DL + "700.exe")
    queries = []
    for serial, version, answer in (("LOAD-6", "6.50.1058", "update"), ("LOAD-5", "5.90.1", "upgrade"),
                                    ("LOAD-6", "7.00.20", "current"), ("LOAD OLD", "6.50.1", "expired"),
                                    ("NOBODY", "6.50.1", "unknown")):
        shown = site.vendorctl("show", site.db, serial, version).splitlines()
        assert shown[0].endswith(": " + answer), shown
        headers = [tuple(line.split(": ", 1)) for line in shown[1:]]
        major, minor, build = version.split(".")
        body = "v2=%d&v3=%s&sn=%s&v1=%s" % (int(minor), build, serial.replace(" ", "+"), major)
        queries.append((body.encode(), 200, headers, answer))
    queries.append((b"v2=50&v3=1058&sn=LOAD-6\x01&v1=6", 400, [], "bad"))
    return site, queries


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--server", choices=sorted(SERVERS), default="lighttpd")
    ap.add_argument("--plain", action="store_true", help="plain HTTP instead of TLS")
    ap.add_argument("--queries", type=int, default=2000)
    ap.add_argument("--clients", type=int, default=8)
    ap.add_argument("--limit", type=float, default=120.0, help="seconds for the whole run")
    ap.add_argument("--work", help="folder for the database, the logs and the certificates")
    a = ap.parse_args()
    work = a.work or tempfile.mkdtemp(prefix="load-version-endpoint-")
    os.makedirs(work, exist_ok=True)
    site, queries = make_site(work)
    tls = None if a.plain else make_test_ca(work, HOST)
    context = ssl.create_default_context(cafile=tls[0]) if tls else None
    port = free_port()
    server = SERVERS[a.server](site, port, tls=tls and tls[1:])

    lock = threading.Lock()
    next_query = [0]
    times, wrong, sent = [], [], {}
    deadline = time.time() + a.limit

    def client():
        while time.time() < deadline:
            with lock:
                i = next_query[0]
                if i >= a.queries:
                    return
                next_query[0] += 1
            body, code, headers, answer = queries[i % len(queries)]
            started = time.perf_counter()
            try:
                got = post("127.0.0.1", port, body, HOST, context)
                problem = None if got[0] == code and offer_headers(got[1]) == headers else \
                    "query %d (%s): %s %s" % (i, answer, got[0], offer_headers(got[1]))
            except (OSError, AssertionError) as e:
                problem = "query %d (%s): %s" % (i, answer, e)
            with lock:
                times.append(time.perf_counter() - started)
                sent[answer] = sent.get(answer, 0) + 1
                if problem:
                    wrong.append(problem)

    started = time.time()
    try:
        threads = [threading.Thread(target=client) for _ in range(a.clients)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(timeout=max(1.0, deadline - time.time() + 30))
        elapsed = time.time() - started
    finally:
        server.stop()
    counted = {}
    for _, _, _, answer, n in site.checkins():
        counted[answer] = counted.get(answer, 0) + n
    times.sort()

    def percentile(p):
        return 1000 * times[min(len(times) - 1, int(len(times) * p / 100))] if times else float("nan")

    what = "%s (%s) over %s" % (a.server, "version.cgi by CGI" if a.server == "lighttpd" else "WSGI",
                                "plain HTTP" if a.plain else "TLS")
    print("%s: %d queries from %d clients in %.1f s: %.0f queries/s, p50 %.0f ms, p99 %.0f ms"
          % (what, len(times), a.clients, elapsed, len(times) / elapsed, percentile(50), percentile(99)))
    print("answers by kind: %s; counted: %s" % (dict(sorted(sent.items())), dict(sorted(counted.items()))))
    failures = wrong[:10]
    if len(times) != a.queries:
        failures.append("%d of %d queries sent within %.0f s" % (len(times), a.queries, a.limit))
    if counted != sent:
        failures.append("the counts differ from the queries sent")
    for f in failures:
        print("FAIL " + f)
    if wrong:
        print("%d answers not as expected; the server's log:\n%s" % (len(wrong), server.logs()[-2000:]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
