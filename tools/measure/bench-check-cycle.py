#!/usr/bin/env python3
"""Measures one check cycle of the real updnotify.exe: every catalogued
product installed and due, the reference vendor server on loopback offering
nothing (so that every product is asked), against one process making the
same posts to the same server in the same run (a few lines of Python over a
socket, inside TLS as the tree asks: one connection and one handshake a post,
as the notifier makes them, and no process start-up in the figure).

    python3 tools/measure/bench-check-cycle.py [--tree build/win64] [--runs 5]

The tree must have been built by tools/test.sh, whose test CA, server
certificate and offer key (build/test-trust) the server uses. A notifier
built with the vendor's production host is measured in a private network
namespace where that host is this machine's loopback and the test CA a
trusted root (tests/harness/isolated-run.sh). Prints the stripped size and
the imports of the shipped updnotify.exe too, when build/win32 exists.
"""
import argparse
import json
import os
import socket
import ssl
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def cache_value(tree, name):
    for line in open(os.path.join(tree, "CMakeCache.txt")):
        if line.startswith(name + ":"):
            return line.split("=", 1)[1].strip()
    raise SystemExit("%s not in %s" % (name, tree))


def fail(what, detail):
    """Ends the measurement with the step that failed and why."""
    raise SystemExit("bench-check-cycle: %s failed: %s" % (what, detail.strip()[-500:]))


def step(what, command):
    """Runs one step of the set-up; answers its output."""
    p = subprocess.run(command, capture_output=True, text=True, stdin=subprocess.DEVNULL)
    if p.returncode != 0:
        fail(what, "exit code %d\n%s%s" % (p.returncode, p.stdout, p.stderr))
    return p.stdout


def wine(run, *args, timeout=120, what=None):
    """Runs a Windows program of the tree; with WHAT, a non-zero exit code
    ends the measurement."""
    with tempfile.TemporaryFile() as out:
        p = subprocess.run([run] + [str(a) for a in args], stdout=out, stderr=subprocess.DEVNULL,
                           stdin=subprocess.DEVNULL, timeout=timeout)
        out.seek(0)
        text = out.read().decode("latin-1").replace("\r", "")
    if what and p.returncode != 0:
        fail(what, "exit code %d\n%s" % (p.returncode, text))
    return p.returncode, text


def post(host, port, body, tls):
    """One form post as the notifier makes it (HTTP/1.0, a connection of its
    own, inside TLS when TLS is a context), read to the end."""
    data = body.encode("latin-1")
    with socket.create_connection(("127.0.0.1", port)) as raw:
        sock = tls.wrap_socket(raw, server_hostname=host) if tls else raw
        head = ("POST /cgi-bin/version.cgi HTTP/1.0\r\nHost: %s\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\n"
                "Content-Length: %d\r\n\r\n" % (host, len(data)))
        sock.sendall(head.encode("ascii") + data)
        try:
            while sock.recv(65536):
                pass
        except ssl.SSLError:
            pass    # a close without close_notify ends the answer too


def timed(fn):
    start = time.perf_counter()
    fn()
    return time.perf_counter() - start


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tree", default=os.path.join(TOP, "build", "win64"))
    ap.add_argument("--runs", type=int, default=5)
    a = ap.parse_args()
    tree = os.path.abspath(a.tree)
    run = os.path.join(tree, "wine-run.sh")
    host = cache_value(tree, "UPDNOTIFY_SERVER_HOST")
    port = int(cache_value(tree, "UPDNOTIFY_SERVER_PORT"))
    scheme = cache_value(tree, "UPDNOTIFY_SERVER_SCHEME")
    trust = cache_value(tree, "BRANTLOW_TEST_TRUST")
    try:
        address = socket.gethostbyname(host)
    except OSError:
        address = None
    if address is None or not address.startswith("127."):
        # A tree built with the production host: measure it where that host
        # is this machine (and port 80 may be taken), as its tests run.
        if os.environ.get("BENCH_ISOLATED"):
            raise SystemExit("the tree's notifier asks %s, not this machine" % host)
        os.environ["BENCH_ISOLATED"] = "1"
        isolated = os.path.join(TOP, "tests", "harness", "isolated-run.sh")
        os.execvp("bash", ["bash", isolated, host, sys.executable] + sys.argv)
    notifier = os.path.join(tree, "updnotify", "updnotify.exe")
    productrec = os.path.join(tree, "tools", "productrec.exe")
    work = os.path.join(tree, "bench")
    os.makedirs(work, exist_ok=True)

    shipped = os.path.join(TOP, "build", "win32")
    if os.path.isdir(shipped):
        print(step("measuring the shipped sizes",
                   ["bash", os.path.join(TOP, "tools", "measure", "measure-size.sh"), shipped]), end="")
        print(step("the import check of the shipped updnotify.exe",
                   ["sh", os.path.join(TOP, "tools", "checks", "check-imports.sh"),
                    "i686-w64-mingw32-objdump", os.path.join(shipped, "updnotify", "updnotify.exe")]),
              end="")

    harness = os.path.join(TOP, "tests", "harness")
    step("starting Xvfb", ["sh", os.path.join(harness, "xvfb-start.sh"), os.path.join(tree, "xvfb.display"),
                           os.path.join(tree, "xvfb.pid")])
    step("starting Wine", ["sh", os.path.join(harness, "wine-start.sh"), run, os.path.join(tree, "wineprefix")])
    offers = os.path.join(work, "offers.json")
    log = os.path.join(work, "server.log")
    with open(offers, "w") as f:
        json.dump([], f)
    server = None
    ids = []
    try:
        rc, out = wine(run, productrec, "list", what="productrec list")
        records = [line.split("\t") for line in out.splitlines() if line.strip()]
        ids = [int(r[0]) for r in records]

        def clear_schedules():
            wine(run, "reg", "delete", r"HKCU\Software\Brantlow\Updates", "/f")

        def notifier_run():
            # /STARTUP then /SETUP: no delay, every product forced, no
            # message at the end, so the program ends by itself.
            wine(run, notifier, "/STARTUP", "/SETUP", what="the notifier's run")

        # Baseline: the same run with no product installed (process start,
        # settings, catalogue walk, no network).
        for r in records:
            if r[2] != "-":
                wine(run, productrec, "remove", r[0], what="productrec remove %s" % r[0])
        base = [timed(notifier_run) for _ in range(a.runs)]

        for pid in ids:
            wine(run, productrec, "add", pid, "BENCH-%03d" % pid, what="productrec add %d" % pid)
        if os.path.exists(log):
            os.remove(log)
        serve = ["--sign-with", os.path.join(trust, "offer-private.pem")] if trust else []
        tls = None
        if scheme == "https":
            serve += ["--cert", os.path.join(trust, "server.pem"), "--key", os.path.join(trust, "server.key")]
            tls = ssl.create_default_context(cafile=os.path.join(trust, "ca.pem"))
        server = subprocess.Popen(["/usr/bin/python3", os.path.join(TOP, "tools", "vendor_server.py"),
                                   "--offers", offers, "--port", str(port), "--log", log,
                                   "--lifetime", "900"] + serve, stdout=subprocess.PIPE, text=True)
        line = server.stdout.readline()
        if "vendor server on" not in line:
            fail("starting the vendor server", line)
        full = []
        for _ in range(a.runs):
            clear_schedules()
            full.append(timed(notifier_run))
        entries = [e for e in map(json.loads, open(log)) if "request_line" in e]
        per_run = len(entries) // a.runs
        bodies = [e["body"] for e in entries[:per_run]]

        def post_loop():
            for body in bodies:
                post(host, port, body, tls)
        posts = [timed(post_loop) for _ in range(a.runs)]
    finally:
        if server:
            server.terminate()
            server.wait(timeout=10)
        for pid in ids:
            wine(run, productrec, "remove", pid)
        subprocess.run(["sh", os.path.join(harness, "wine-stop.sh"), os.path.join(tree, "wineprefix")])
        subprocess.run(["sh", os.path.join(harness, "xvfb-stop.sh"), os.path.join(tree, "xvfb.display"),
                        os.path.join(tree, "xvfb.pid")])

    m_full, m_base, m_posts = (statistics.median(x) for x in (full, base, posts))
    queries = max(per_run, 1)
    print("products catalogued and installed: %d; queries per cycle: %d" % (len(ids), per_run))
    print("check cycle, median of %d: %.3f s (runs: %s)" % (a.runs, m_full, ", ".join("%.3f" % t for t in full)))
    print("  of which program start-up without queries: %.3f s" % m_base)
    print("  queries: %.3f s" % (m_full - m_base))
    print("per post (%s): notifier under Wine %.2f ms; one Linux process, the same %d posts: %.2f ms"
          % (scheme, 1000 * (m_full - m_base) / queries, per_run, 1000 * m_posts / queries))
    print("ratio notifier/one process, per post: %.1f" % ((m_full - m_base) / m_posts))

if __name__ == "__main__":
    main()
