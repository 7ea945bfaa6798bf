"""Real web servers serving the vendor's version endpoint (server/) on
loopback, for the tests, the demo and the load measurement: Debian's
lighttpd running version.cgi through mod_cgi, and gunicorn running the
WSGI application; each over TLS when given a certificate. Also a release
database made with the vendor's own commands, and a throw-away test CA."""
import argparse
import csv
import os
import signal
import socket
import subprocess
import sys
import time

import testpki
from testpki import SYSTEM_PYTHON

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir)
SERVER_DIR = os.path.realpath(os.path.join(TOP, "server"))
VENDORCTL = os.path.join(SERVER_DIR, "vendorctl")
OFFERKEY = os.path.realpath(os.path.join(TOP, "tools", "offerkey.py"))


def run(command, what):
    p = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    assert p.returncode == 0, "%s failed (%d): %s%s" % (what, p.returncode, p.stdout, p.stderr)
    return p.stdout


class ReleaseSite:
    """A release database in WORK, made and filled by vendorctl with an
    offer-signing key of its own, or the pair KEY (private, public) that a
    notifier under test carries; COUNTS is where a web server counts."""

    def __init__(self, work, fresh=True, key=None):
        work = os.path.abspath(work)    # the web servers' configuration names these files
        os.makedirs(work, exist_ok=True)
        self.work = work
        self.db = os.path.join(work, "releases.sqlite")
        self.counts = os.path.join(work, "counts.sqlite")
        self.key, self.public_key = key or (os.path.join(work, "offer-private.pem"),
                                            os.path.join(work, "offer-public.pem"))
        if not fresh:
            return      # the files that are there
        for f in (self.db, self.counts, self.counts + "-wal", self.counts + "-shm") + (() if key else (
                self.key, self.public_key)):
            if os.path.exists(f):
                os.remove(f)
        if not key:
            run([SYSTEM_PYTHON, OFFERKEY, "new", self.key, self.public_key], "offerkey.py new")
        self.vendorctl("create", self.db)

    def vendorctl(self, *args):
        return run([SYSTEM_PYTHON, VENDORCTL] + [str(a) for a in args], "vendorctl %s" % args[0])

    def licences(self, rows):
        """ROWS: (serial, line, major[, ends]) each."""
        path = os.path.join(self.work, "licences.csv")
        with open(path, "w", encoding="ascii") as f:
            f.write("serial,line,major,ends\n" + "".join(",".join(str(c) for c in r) + "\n" for r in rows))
        self.vendorctl("import-licences", self.db, path)

    def publish(self, line, version, date, url, rollout=100):
        return self.vendorctl("publish", self.db, line, version, "--date", date, "--url", url,
                              "--key", self.key, "--rollout", rollout)

    def checkins(self):
        """The counted check-ins as (day, line, version, answer, count) rows,
        as vendorctl stats lists them (the last 28 days); none before the
        server's first check-in makes its counts file."""
        if not os.path.exists(self.counts):
            return []
        rows = list(csv.reader(self.vendorctl("stats", self.counts, "--csv").splitlines()))[1:]
        return [(r[0], int(r[1]), r[3], r[4], int(r[5])) for r in rows]


def free_port():
    """A port on 127.0.0.1 where nothing listens now."""
    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


def make_test_ca(work, host):
    """A throw-away CA and a leaf for HOST (a DNS name) signed by it
    (tests/pylib/testpki.py): returns (CA certificate, leaf certificate,
    leaf key) paths."""
    ca = testpki.Issuer(os.path.join(os.path.abspath(work), "test-ca"), "Brantlow test CA")
    leaf, key = (os.path.join(os.path.abspath(work), n) for n in ("leaf.pem", "leaf.key"))
    ca.server(leaf, key, host)
    return ca.cert, leaf, key


class WebServer:
    """A web server process serving SITE on ADDRESS:PORT; TLS (certificate,
    key) or None. Started at once; ready when its port takes connections."""

    name = None

    def __init__(self, site, port, address="127.0.0.1", tls=None):
        self.site, self.port, self.address, self.tls = site, port, address, tls
        self.log = os.path.join(site.work, "%s-error.log" % self.name)
        self.stderr_log = os.path.join(site.work, "%s-stderr.log" % self.name)
        for f in (self.log, self.stderr_log):
            if os.path.exists(f):
                os.remove(f)
        with open(self.stderr_log, "wb") as err:
            self.proc = subprocess.Popen(self.command(), stdin=subprocess.DEVNULL, stdout=err,
                                         stderr=subprocess.STDOUT)
        deadline = time.time() + 30
        while not self.listening():
            if self.proc.poll() is not None or time.time() > deadline:
                self.stop()
                raise AssertionError("%s did not start: %s" % (self.name, self.logs()))
            time.sleep(0.05)

    def listening(self):
        try:
            socket.create_connection((self.address, self.port), timeout=1).close()
            return True
        except OSError:
            return False

    def logs(self):
        """What the server and the endpoint wrote to their logs."""
        return "".join(open(f, errors="replace").read() for f in (self.log, self.stderr_log) if os.path.exists(f))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Lighttpd(WebServer):
    """lighttpd with mod_cgi running server/version.cgi at /cgi-bin/, the
    files named to it by mod_setenv; CGI standard error in its log."""

    name = "lighttpd"

    def command(self):
        root = os.path.join(self.site.work, "www")
        os.makedirs(os.path.join(root, "cgi-bin"), exist_ok=True)
        cgi = os.path.join(root, "cgi-bin", "version.cgi")
        if not os.path.lexists(cgi):
            os.symlink(os.path.join(SERVER_DIR, "version.cgi"), cgi)
        modules = ["mod_setenv", "mod_cgi"] + (["mod_openssl"] if self.tls else [])
        lines = ['server.document-root = "%s"' % root,
                 'server.bind = "%s"' % self.address,
                 "server.port = %d" % self.port,
                 'server.errorlog = "%s"' % self.log,
                 'server.breakagelog = "%s"' % self.log,
                 "server.modules = (%s)" % ", ".join('"%s"' % m for m in modules),
                 'cgi.assign = (".cgi" => "")',
                 'setenv.add-environment = ("BRANTLOW_RELEASES" => "%s", "BRANTLOW_COUNTS" => "%s")'
                 % (self.site.db, self.site.counts)]
        if self.tls:
            lines += ['ssl.engine = "enable"', 'ssl.pemfile = "%s"' % self.tls[0], 'ssl.privkey = "%s"' % self.tls[1]]
        conf = os.path.join(self.site.work, "lighttpd.conf")
        with open(conf, "w") as f:
            f.write("\n".join(lines) + "\n")
        return ["lighttpd", "-D", "-f", conf]


class Gunicorn(WebServer):
    """Debian's gunicorn running the endpoint's WSGI application."""

    name = "gunicorn"
    workers = 4

    def command(self):
        command = ["gunicorn", "--bind", "%s:%d" % (self.address, self.port), "--workers", str(self.workers),
                   "--pythonpath", SERVER_DIR, "--error-logfile", self.log,
                   "--env", "BRANTLOW_RELEASES=" + self.site.db, "--env", "BRANTLOW_COUNTS=" + self.site.counts]
        if self.tls:
            command += ["--certfile", self.tls[0], "--keyfile", self.tls[1]]
        return command + ["updserver.endpoint:application"]


SERVERS = {"lighttpd": Lighttpd, "gunicorn": Gunicorn}


def post(address, port, body, host, tls_context=None, path="/cgi-bin/version.cgi", method="POST", timeout=30):
    """One query as the notifier sends it (HTTP/1.0, a connection each);
    returns (status code, [(name, value)], body). TLS_CONTEXT: an
    ssl.SSLContext, the server named HOST."""
    request = ("%s %s HTTP/1.0\r\nHost: %s\r\nContent-Type: application/x-www-form-urlencoded\r\n"
               "Content-Length: %d\r\n\r\n" % (method, path, host, len(body))).encode("ascii") + body
    with socket.create_connection((address, port), timeout=timeout) as raw:
        conn = tls_context.wrap_socket(raw, server_hostname=host) if tls_context else raw
        conn.sendall(request)
        data = b""
        while True:
            chunk = conn.recv(65536)
            if not chunk:
                break
            data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    parts = lines[0].split(" ", 2)
    assert len(parts) >= 2 and parts[0] in ("HTTP/1.0", "HTTP/1.1") and parts[1].isdigit(), \
        "not an HTTP answer: %r" % data[:200]
    headers = [tuple(s.strip() for s in line.split(":", 1)) for line in lines[1:]]
    return int(parts[1]), headers, rest


def offer_headers(headers):
    """The X-Update-* headers of an answer, in their order."""
    return [(k, v) for k, v in headers if k.lower().startswith("x-update-")]


def main():
    """web_servers.py lighttpd|gunicorn WORK PORT [--address A] [--tls CERT KEY]:
    serves WORK's releases.sqlite (counts in WORK/counts.sqlite) until ended."""
    ap = argparse.ArgumentParser(description=main.__doc__)
    ap.add_argument("server", choices=sorted(SERVERS))
    ap.add_argument("work")
    ap.add_argument("port", type=int)
    ap.add_argument("--address", default="127.0.0.1")
    ap.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    a = ap.parse_args()
    server = SERVERS[a.server](ReleaseSite(a.work, fresh=False), a.port, a.address, a.tls)
    # Ended, it ends its server; the wait below then returns.
    signal.signal(signal.SIGTERM, lambda *_: server.proc.terminate())
    print("%s serves %s on %s:%d" % (a.server, server.site.db, a.address, a.port), flush=True)
    return 0 if server.proc.wait() in (0, -signal.SIGTERM) else 1


if __name__ == "__main__":
    sys.exit(main())
