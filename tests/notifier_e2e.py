#!/usr/bin/env python3
"""The real updnotify.exe under Wine, end to end: installed-product records
made with productrec.exe, settings in the registry, a vendor server on the
port that the notifier was built to ask, dlgdriver.exe reading and pressing
the dialog or message box, and urlcatcher.exe standing in for the web
browser. The vendor server is the vendor's own (a release database made
with vendorctl, version.cgi under lighttpd) where a case needs an offer or
its absence, and the scriptable stand-in VENDOR_SERVER.PY where it needs an
answer that no vendor publishes or reads back the request.

    notifier_e2e.py --bin-dir BUILD --server VENDOR_SERVER.PY --host NAME --port N
                    --scheme https|http --trust DIR [--plant DLL]... [--case NAME]...

HOST, PORT and SCHEME are those that the notifier under test was built to
ask. A tree built with the production host runs its tests where that name
resolves to this machine's loopback and the test run's CA (in DIR, with the
server's certificate and the offer keys: tests/pylib/testpki.py) is among
the system's roots (tests/harness/isolated-run.sh). Without --case every
case runs. The stand-in DLLs named by --plant are planted beside a copy of
the notifier and in its current folder (tests/pylib/planting.py).
Each case starts from a clean state: no settings, no
product schedules, no installed products. Exit status: 0 when every check
of every case passed; each failed check is printed with its case's name.
"""
import argparse
import base64
import datetime
import http.server
import os
import re
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from winerun import run_wine, windows_path  # noqa: E402
from vendor_server_process import VendorServer  # noqa: E402
from planting import Planted  # noqa: E402
import testpki  # noqa: E402
from web_servers import Gunicorn, Lighttpd, ReleaseSite, free_port  # noqa: E402

CAPTION = "Brantlow Update"
SETTINGS = r"HKEY_CURRENT_USER\Software\Brantlow\Updates"
INTERNET = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
POLICY = r"HKEY_LOCAL_MACHINE\Software\Policies\Brantlow\Updates"
PROXY_VALUES = ("ProxyEnable", "ProxyServer", "ProxyOverride")
MSG_NO_UPDATES = "No product updates are available at this time."
MSG_BAD_ARGUMENT = "An invalid argument was specified on the command line."
UPGRADE = "A new upgrade for this product is available for download."
UPDATE = "An updated version of this product is available for download."

# The update dialog's buttons (its end codes) and texts (updnotify/resource.h).
OK, CANCEL, CHECK_LATER = 1, 2, 5
PRODUCT_NAME, STATUS, VERSION = 1000, 1001, 1002
CATCHER_MARK = "end-of-case-marker"
VK_F1 = 0x70
NEVER = 0xFFFFFFFF
DAY = 86400
INTERVAL = 28 * DAY         # the default interval between checks
QUERY_TIMEOUT = 15          # seconds: the notifier's time-out, its revocation look-up's too
LATER = 30 * DAY            # what Check Later gives

# Two catalogued products, the first before the second in catalogue order,
# as productrec list reports them.
FIRST, SECOND = 1, 2
HELP_PROJECT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir,
                            "help", "updnotify", "updnotify.hhp")


class Env:
    def __init__(self, args):
        self.a = args
        self.wine = os.path.join(args.bin_dir, "wine-run.sh")
        self.exe = {
            "updnotify": os.path.join(args.bin_dir, "updnotify", "updnotify.exe"),
            "productrec": os.path.join(args.bin_dir, "tools", "productrec.exe"),
            "dlgdriver": os.path.join(args.bin_dir, "tests", "dlgdriver.exe"),
            "urlcatcher": os.path.join(args.bin_dir, "tests", "urlcatcher.exe"),
        }
        self.work = os.path.join(args.bin_dir, "tests", "notifier-e2e")
        os.makedirs(self.work, exist_ok=True)
        self.url_log = os.path.join(self.work, "urls.txt")
        self.server_log = os.path.join(self.work, "server.log")
        self.offers = os.path.join(self.work, "offers.json")
        self.tls = args.scheme == "https"
        self.server = VendorServer(args.server, args.port, self.server_log, trust=args.trust, tls=self.tls)
        self.server_address = "127.0.0.1"   # where the server listens
        self.web_servers = []   # the vendor's own endpoint, when a case serves it
        self.proxies = []
        self.titles = {}
        self.order = []     # product identifiers in catalogue order
        self.installed = set()

    # --- Wine and the registry ---------------------------------------------
    def run(self, *args, timeout=60, env=None):
        t0 = time.time()
        try:
            rc, out, _ = run_wine(self.wine, *args, timeout=timeout, env=env)
            return rc, out
        finally:
            if time.time() - t0 > 2:
                print("    slow (%.1f s): %s" % (time.time() - t0, " ".join(str(a) for a in args)), flush=True)

    def registry(self, keys=(), values=(), deleted_keys=(), deleted_values=()):
        """Writes registry changes in one reg import: KEYS created, VALUES
        (key, name, value) set (an int as REG_DWORD, a str as REG_SZ),
        DELETED_KEYS removed with what they hold, DELETED_VALUES (key, name)
        removed."""
        lines = ["REGEDIT4", ""]
        for key in deleted_keys:
            lines += ["[-%s]" % key, ""]
        by_key = {}
        for key in keys:
            by_key.setdefault(key, [])
        for key, name, value in values:
            if isinstance(value, int):
                text = "dword:%08x" % value
            else:
                text = '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"')
            by_key.setdefault(key, []).append('"%s"=%s' % (name, text))
        for key, name in deleted_values:
            by_key.setdefault(key, []).append('"%s"=-' % name)
        for key, entries in by_key.items():
            lines += ["[%s]" % key] + entries + [""]
        with tempfile.NamedTemporaryFile("w", suffix=".reg", dir=self.work, delete=False,
                                         encoding="latin-1", newline="\r\n") as f:
            f.write("\n".join(lines) + "\n")
        try:
            rc, out = self.run("reg", "import", windows_path(f.name))
            assert rc == 0, "reg import failed: %s\n%s" % (out, "\n".join(lines))
        finally:
            os.remove(f.name)

    def reg_values(self, key):
        """The values under KEY as {name: value} (REG_DWORD as int, others as
        text), or None when the key does not exist."""
        rc, out = self.run("reg", "query", key)
        if rc != 0:
            return None
        values = {}
        for line in out.splitlines():
            if not line.startswith("    "):
                continue
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                text = parts[2] if len(parts) > 2 else ""
                values[parts[0]] = int(text, 16) if parts[1] == "REG_DWORD" else text
        return values

    def product_key(self, pid):
        return SETTINGS + "\\" + self.titles[pid]["key"]

    def display_name(self, pid):
        """What the dialog shows: name, major.shortminor, edition, joined by
        blanks (one at the end when there is no edition)."""
        t = self.titles[pid]
        return "%s %s %s" % (t["name"], t["version"], t["edition"])

    # --- Shared state --------------------------------------------------------
    def prepare(self):
        rc, out = self.run(self.exe["productrec"], "list")
        assert rc == 0, "productrec list"
        for line in out.splitlines():
            pid, line_number, state, title, name, edition = line.split("\t")
            # "name [edition] major.shortminor.build" -> the schedule key
            # "name [edition]\major.shortminor".
            full, _, version = title.rpartition(" ")
            major, minor, _ = version.split(".")
            self.titles[int(pid)] = {"title": title, "key": "%s\\%s.%s" % (full, major, minor),
                                     "name": name, "edition": edition, "line": int(line_number),
                                     "major": int(major), "version": "%s.%s" % (major, minor)}
            self.order.append(int(pid))
            if state != "-":
                self.installed.add(int(pid))    # left by an earlier run
        self.set_browser(windows_path(self.exe["urlcatcher"]))

    def set_browser(self, program):
        """The shell's web browser for http and https, in this test prefix's
        machine-wide classes (Wine does not merge the user's classes)."""
        self.registry(values=[(r"HKEY_CLASSES_ROOT\%s\shell\open\command" % scheme, "",
                               '"%s" "%%1"' % program) for scheme in ("http", "https")])

    def reset(self):
        self.registry(deleted_keys=[SETTINGS, POLICY],
                      deleted_values=[(INTERNET, name) for name in ("EnableAutodial",) + PROXY_VALUES])
        self.server_address = "127.0.0.1"
        for pid in sorted(self.installed):
            self.run(self.exe["productrec"], "remove", pid)
        self.installed.clear()
        for f in (self.url_log, self.server_log):
            if os.path.exists(f):
                os.remove(f)

    def install(self, pid, serial=None):
        """Records PID as installed, with SERIAL (None: without one)."""
        args = ["add", pid] + ([serial] if serial is not None else [])
        rc, _ = self.run(self.exe["productrec"], *args)
        assert rc == 0
        self.installed.add(pid)

    def start_server(self, offers, **how):
        """HOW: VendorServer.start's way of serving (tls, tls_version, sign_with)."""
        self.server.start(offers, self.offers, self.server_address, **how)

    def serve_releases(self, licences, releases, web_server=Lighttpd):
        """The vendor's own endpoint instead of the stand-in: LICENCES
        (serial, line, major) and RELEASES (line, version, date, address)
        published with vendorctl, signed with the run's offer key, served by
        WEB_SERVER on the notifier's port, by TLS with the run's certificate
        in a TLS tree. Returns the site, whose counts are the queries that
        reached it; stop_server stops it. Under Wine a query to lighttpd by
        TLS takes about 6 s: Wine's Schannel decrypts lighttpd's
        close_notify as an empty record (not SEC_I_CONTEXT_EXPIRED), so the
        notifier reads on until lighttpd closes, 5 to 6 s later (its linger)."""
        trust = self.a.trust
        site = ReleaseSite(os.path.join(self.work, "release-site"), key=(
            os.path.join(trust, "offer-private.pem"), os.path.join(trust, "offer-public.pem")))
        site.licences(licences)
        for release in releases:
            site.publish(*release)
        self.web_servers.append(web_server(site, self.a.port, self.server_address, tls=(
            os.path.join(trust, "server.pem"), os.path.join(trust, "server.key")) if self.tls else None))
        return site

    def stop_server(self):
        """Stops the servers and every proxy that the case started."""
        self.server.stop()
        while self.web_servers:
            self.web_servers.pop().stop()
        while self.proxies:
            self.proxies.pop().stop()

    def use_proxy(self, proxy, bypass=None):
        """Names PROXY (a Tinyproxy or a ScriptedProxy, or a port) in the
        user's Internet Settings, with the bypass list BYPASS."""
        if not isinstance(proxy, int):
            self.proxies.append(proxy)
            proxy = proxy.port
        values = [(INTERNET, "ProxyEnable", 1), (INTERNET, "ProxyServer", "127.0.0.1:%d" % proxy)]
        if bypass is not None:
            values.append((INTERNET, "ProxyOverride", bypass))
        self.registry(values=values)

    def request_line(self):
        """The request line that a proxy must receive: the query's address
        in absolute form, or by https the tunnel's request."""
        if self.tls:
            return "CONNECT %s:%d HTTP/1.0" % (self.a.host, self.a.port)
        port = "" if self.a.port == 80 else ":%d" % self.a.port
        return "POST http://%s%s/cgi-bin/version.cgi HTTP/1.0" % (self.a.host, port)

    def queries(self):
        return self.server.queries()

    # --- Running the notifier ------------------------------------------------
    def notifier(self, args, driver=None, timeout=60, before=(), planted=None):
        """Runs updnotify.exe with ARGS (the PLANTED copy, in its folder,
        when given); DRIVER is the dlgdriver command to
        run beside it, after the commands in BEFORE (each must succeed).
        Without a driver, the notifier must end by itself: nobody answers a
        window it shows. Returns (exit code, driver exit code, driver
        output); the exit code is None when the notifier did not end."""
        env = dict(os.environ, URLCATCHER_LOG=windows_path(self.url_log))
        exe, cwd = self.exe["updnotify"], None
        if planted:
            exe, cwd, env = planted.exe, planted.cwd, planted.env(env)
        started = time.time()
        proc = subprocess.Popen([self.wine, exe] + args, env=env, cwd=cwd,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        drv_rc, drv_out = None, ""
        for step in before:
            step_rc, step_out = self.run(self.exe["dlgdriver"], *step, timeout=timeout)
            if step_rc != 0:
                driver = None
                drv_rc, drv_out = step_rc, "step %s failed: %s" % (step, step_out)
                break
        if driver:
            drv_rc, drv_out = self.run(self.exe["dlgdriver"], *driver, timeout=timeout)
        try:
            rc = proc.wait(timeout=timeout if driver or before else 30)
        except subprocess.TimeoutExpired:
            proc.kill()
            # Close whatever it left open, so the next case starts clean.
            self.run(self.exe["dlgdriver"], "press", CAPTION, CANCEL, 100)
            rc = None
        self.elapsed = time.time() - started
        return rc, drv_rc, drv_out

    def debuggers(self):
        """The Windows debuggers (winedbg) running in this tree's prefix: a
        program that crashed starts one, which then waits, before the
        program's end is reported."""
        prefix = ("WINEPREFIX=" + os.path.join(os.path.abspath(self.a.bin_dir), "wineprefix")).encode()
        found = []
        for entry in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    cmdline = f.read()
                with open("/proc/%s/environ" % entry, "rb") as f:
                    environ = f.read().split(b"\0")
            except OSError:
                continue
            if b"winedbg" in cmdline and prefix in environ:
                found.append(int(entry))
        return found

    def catcher_urls(self, expected):
        """The addresses the stand-in browser received, once the notifier
        has ended. The shell starts it without waiting for it: wait up to 5 s
        for EXPECTED ones. When none is expected, run the stand-in once more
        with a marker and wait for it to end: a copy that the notifier
        started, before it ended, has written by then."""
        if expected:
            deadline = time.time() + 5
            while not os.path.exists(self.url_log) and time.time() < deadline:
                time.sleep(0.1)
        else:
            env = dict(os.environ, URLCATCHER_LOG=windows_path(self.url_log))
            rc, _ = self.run(self.exe["urlcatcher"], CATCHER_MARK, env=env)
            assert rc == 0, "the stand-in browser ran"
        if not os.path.exists(self.url_log):
            return []
        return [line.strip() for line in open(self.url_log) if line.strip() != CATCHER_MARK]


def texts(driver_output):
    """The control texts that dlgdriver printed, by control id."""
    found = {}
    for line in driver_output.splitlines():
        if line.startswith("control "):
            # control ID CLASS enabled|disabled checked|unchecked TEXT
            parts = line.split(" ", 5)
            found.setdefault(int(parts[1]), []).append(parts[5] if len(parts) > 5 else "")
    return found


def help_title():
    """The title of the notifier's help window, from its help project."""
    try:
        with open(HELP_PROJECT, encoding="latin-1") as f:
            for line in f:
                if line.startswith("Title="):
                    return line[len("Title="):].strip()
    except OSError:
        pass
    return None


class Tinyproxy:
    """Debian's tinyproxy on loopback. With REMAP, in a mount namespace of its
    own where the vendor's host name leads to SERVER_ADDRESS: the notifier's
    own name lookup leads to 127.0.0.1, where nothing listens on the server's
    port then, so a query that reaches the server went through the proxy."""

    def __init__(self, work, host, server_address, remap=True):
        self.port = free_port()
        self.log = os.path.join(work, "tinyproxy.log")
        conf = os.path.join(work, "tinyproxy.conf")
        hosts = os.path.join(work, "tinyproxy-hosts")
        with open(conf, "w") as f:
            f.write('Port %d\nListen 127.0.0.1\nTimeout 30\nLogFile "%s"\nLogLevel Info\n'
                    "MaxClients 4\nAllow 127.0.0.1\n" % (self.port, self.log))
        with open(hosts, "w") as f:
            f.write("127.0.0.1\tlocalhost\n%s\t%s\n" % (server_address, host))
        if os.path.exists(self.log):
            os.remove(self.log)
        command = ["tinyproxy", "-d", "-c", conf]
        if remap:
            command = ["unshare", "-m", "sh", "-c",
                       'mount --bind "$1" /etc/hosts && exec tinyproxy -d -c "$2"', "sh", hosts, conf]
        self.proc = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        # Listening shows in the log before the first connection is taken.
        deadline = time.time() + 20
        while not self.listening():
            assert self.proc.poll() is None and time.time() < deadline, "tinyproxy did not start"
            time.sleep(0.05)

    def listening(self):
        return os.path.exists(self.log) and "Accepting connections" in open(self.log).read()

    def request_lines(self):
        """The request lines that the proxy received, from its log."""
        if not os.path.exists(self.log):
            return []
        marker = "]: Request (file descriptor "
        return [line.split("): ", 1)[1].rstrip("\n") for line in open(self.log) if marker in line]

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)


class ScriptedProxy:
    """A proxy that fails: it reads each request whole and answers ANSWER
    (bytes), or with ANSWER None closes the connection without a word. It
    keeps the requests and counts the connections."""

    def __init__(self, answer):
        self.answer = answer
        self.requests = []
        self.connections = 0
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(8)
        self.port = self.sock.getsockname()[1]
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            with conn:
                self.connections += 1
                conn.settimeout(20)
                data = b""
                try:
                    while b"\r\n\r\n" not in data or len(data) < self.expected_length(data):
                        chunk = conn.recv(4096)
                        if not chunk:
                            break
                        data += chunk
                    self.requests.append(data)
                    if self.answer is not None:
                        conn.sendall(self.answer)
                except OSError:
                    self.requests.append(data)

    @staticmethod
    def expected_length(data):
        head, _, _ = data.partition(b"\r\n\r\n")
        for line in head.split(b"\r\n"):
            if line.lower().startswith(b"content-length:"):
                return len(head) + 4 + int(line.split(b":", 1)[1])
        return len(head) + 4

    def stop(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)    # ends the waiting accept
        except OSError:
            pass
        self.sock.close()
        self.thread.join(timeout=10)


class RelayProxy:
    """A proxy that opens tunnels ("CONNECT host:port") to the addresses that
    ROUTES gives for (host, port) and refuses any other request (403). It
    keeps what it saw: each request line, the server name in each tunnel's
    TLS ClientHello, and every byte that it relayed up (to the server) and
    down."""

    def __init__(self, routes):
        self.routes = routes
        self.requests = []
        self.server_names = []
        self.upstream = b""
        self.downstream = b""
        self.tunnels = []
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(8)
        self.port = self.sock.getsockname()[1]
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            t = threading.Thread(target=self.tunnel, args=(conn,), daemon=True)
            self.tunnels.append(t)
            t.start()

    def tunnel(self, conn):
        with conn:
            conn.settimeout(20)
            head = b""
            while not head.endswith(b"\r\n\r\n"):
                byte = conn.recv(1)     # nothing past the request's empty line
                if not byte:
                    return
                head += byte
            line = head.split(b"\r\n", 1)[0].decode("latin-1")
            self.requests.append(line)
            m = re.match(r"CONNECT ([^:\s]+):(\d+) HTTP/1\.[01]$", line)
            target = m and self.routes.get((m.group(1), int(m.group(2))))
            if not target:
                conn.sendall(b"HTTP/1.0 403 Forbidden\r\n\r\n")
                return
            up_bytes = b""
            with socket.create_connection(target, timeout=20) as up:
                conn.sendall(b"HTTP/1.0 200 Connection established\r\n\r\n")
                while True:
                    ready, _, _ = select.select([conn, up], [], [], 20)
                    data = ready and ready[0].recv(65536)
                    if not data:
                        break
                    if ready[0] is conn:
                        up_bytes += data
                        up.sendall(data)
                    else:
                        self.downstream += data
                        conn.sendall(data)
            self.upstream += up_bytes
            self.server_names.append(client_hello_server_name(up_bytes))

    def finish(self):
        """Waits (bounded) for the tunnels to end, so that all is counted."""
        for t in self.tunnels:
            t.join(timeout=20)

    def summary(self):
        return "%s; ClientHello for %s; %d bytes up and %d down, all in TLS records" % (
            " | ".join(self.requests), ", ".join(map(str, self.server_names)), len(self.upstream),
            len(self.downstream))

    def stop(self):
        self.sock.close()
        self.finish()


def client_hello_server_name(data):
    """The server name (SNI) in the TLS ClientHello that DATA starts with."""
    try:
        if data[0] != 22 or data[5] != 1:       # a handshake record, a ClientHello
            return None
        body = data[9:9 + int.from_bytes(data[6:9], "big")]
        p = 2 + 32                              # version, random
        p += 1 + body[p]                        # session id
        p += 2 + int.from_bytes(body[p:p + 2], "big")   # cipher suites
        p += 1 + body[p]                        # compression methods
        end = p + 2 + int.from_bytes(body[p:p + 2], "big")
        p += 2
        while p + 4 <= end:
            kind, size = int.from_bytes(body[p:p + 2], "big"), int.from_bytes(body[p + 2:p + 4], "big")
            if kind == 0:   # server_name: list length, name type, name length, name
                return body[p + 9:p + 9 + int.from_bytes(body[p + 7:p + 9], "big")].decode("ascii")
            p += 4 + size
    except (IndexError, UnicodeDecodeError):
        pass
    return None


def trusts_test_ca(trust):
    """True when the test run's CA is among this system's roots."""
    try:
        with open(os.path.join(trust, "ca.pem")) as f:
            body = "".join(line.strip() for line in f if not line.startswith("-----"))
        with open(testpki.HOST_ROOTS) as f:
            return body in "".join(line.strip() for line in f)
    except OSError:
        return False


class CrlServer:
    """Certificate revocation lists on loopback at http://HOST:PORT/NAME
    (NAME unique to this run: Wine keeps what it fetched), and a second
    port that takes connections and never answers."""

    def __init__(self, host):
        self.files = {}
        self.requests = []
        token = os.urandom(6).hex()
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                outer.requests.append(self.path)
                data = outer.files.get(self.path, b"")
                self.send_response(200 if data else 404)
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data)

            def log_message(self, *args):
                pass
        self.http = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=self.http.serve_forever, daemon=True).start()
        self.url = "http://%s:%d/%s.crl" % (host, self.http.server_address[1], token)
        self.silent = socket.socket()
        self.silent.bind(("127.0.0.1", 0))
        self.silent.listen(8)
        self.silent_url = "http://%s:%d/%s.crl" % (host, self.silent.getsockname()[1], token)

    def publish(self, der_file):
        with open(der_file, "rb") as f:
            self.files["/" + self.url.rsplit("/", 1)[1]] = f.read()

    def stop(self):
        self.http.shutdown()
        self.http.server_close()
        self.silent.close()


DEFAULT_URL = "https://downloads.brantlow.example/u.exe"
RELEASE_URL = "https://downloads.brantlow.example/e2e/setup.exe"     # what the release database offers


def published_yesterday():
    """Yesterday's UTC day, as vendorctl takes it and as the dialog shows
    it: a release of that day is offered whatever the hour."""
    day = time.gmtime(time.time() - DAY)
    return time.strftime("%Y-%m-%d", day), "%d %s %d" % (day.tm_year, time.strftime("%b", day), day.tm_mday)


def offer(serial, status="1 9 50 1200 20261208", url=DEFAULT_URL):
    o = {"sn": serial, "status": status}
    if url is not None:
        o["url"] = url
    return o


class Cases:
    def __init__(self, env):
        self.e = env
        self.failures = []
        self.case = ""

    def check(self, cond, what):
        print(("    ok:   " if cond else "    FAIL: ") + what, flush=True)
        if not cond:
            self.failures.append("%s: %s" % (self.case, what))

    def schedule(self, pid):
        values = self.e.reg_values(self.e.product_key(pid)) or {}
        return values.get("LastCheck"), values.get("NextCheck")

    def ended_quietly(self, rc, what):
        self.check(rc == 0, "%s: ended by itself with 0, nothing shown (got %s)" % (what, rc))

    def licensed(self, pid, serial, *releases, web_server=Lighttpd):
        """The release database serves SERIAL's licence of PID's line up to
        its major, and RELEASES (version, date) of that line at
        RELEASE_URL. Returns the site."""
        t = self.e.titles[pid]
        return self.e.serve_releases([(serial, t["line"], t["major"])],
                                     [(t["line"], version, date, RELEASE_URL) for version, date in releases],
                                     web_server)

    def upgrade_version(self, pid):
        return "%d.50.1200" % (self.e.titles[pid]["major"] + 1)

    def upgrade_for(self, pid, serial):
        """A licence for PID and the upgrade to its next major, published
        yesterday. Returns the site."""
        return self.licensed(pid, serial, (self.upgrade_version(pid), published_yesterday()[0]))

    def current_for(self, pid, serial):
        """A licence for PID whose line offers nothing newer: its one
        release is of the major before. Returns the site."""
        return self.licensed(pid, serial, ("%d.50.1200" % (self.e.titles[pid]["major"] - 1), "2020-03-05"))

    def checkins(self, site, answer=None):
        """How many check-ins SITE counted (with ANSWER, when given)."""
        return sum(c[4] for c in site.checkins() if answer in (None, c[3]))

    def dialog_case(self, button, args=(), interval_days=None, pid=FIRST, stand_in_url=None):
        """The release database's upgrade offered to PID, button BUTTON
        pressed. With STAND_IN_URL the stand-in offers that address instead
        (one that no vendor publishes, or for a row that reads what the
        stand-in recorded)."""
        e = self.e
        e.install(pid, "E2E-OFFERED")
        if interval_days is not None:
            e.registry(values=[(SETTINGS, "Interval", interval_days)])
        if stand_in_url is None:
            site = self.upgrade_for(pid, "E2E-OFFERED")
            version, released = self.upgrade_version(pid), published_yesterday()[1]
        else:
            site, version, released = None, "9.50.1200", "2026 Dec 8"
            e.start_server([offer("E2E-OFFERED", url=stand_in_url)])
        before = int(time.time())
        rc, drv, out = e.notifier(list(args), ["press", CAPTION, button, 20000])
        after = int(time.time())
        shown = self.shown = texts(out)
        self.check(drv == 0, "the dialog appeared and button %s was pressed" % button)
        self.check(rc == 0, "the notifier ended with 0 (got %s)" % rc)
        self.check(shown.get(PRODUCT_NAME) == [e.display_name(pid)],
                   "product name shown exactly %r: %r" % (e.display_name(pid), shown.get(PRODUCT_NAME)))
        self.check(shown.get(STATUS) == [UPGRADE], "status 1 gives the upgrade wording")
        self.check(shown.get(VERSION) == ["Version %s was released on %s" % (version, released)],
                   "version line: %s" % shown.get(VERSION))
        if site:
            self.check(self.checkins(site, "upgrade") == 1, "the vendor counted one check-in, answered with the "
                       "upgrade: %s" % site.checkins())
        last, nxt = self.schedule(pid)
        self.check(last is not None and before - 2 <= last <= after + 2, "LastCheck is the time of the offer")
        return last, nxt

    # --- The dialog and what each answer does ----------------------------------
    def case_ok_opens_the_address_and_never_again(self):
        last, nxt = self.dialog_case(OK)
        self.check(nxt == NEVER, "NextCheck never (got %s)" % nxt)
        urls = self.e.catcher_urls(expected=True)
        self.check(urls == [RELEASE_URL], "the shell was handed the offered address: %s" % urls)

    def case_check_later_is_thirty_days(self):
        last, nxt = self.dialog_case(CHECK_LATER)
        self.check(last is not None and nxt == last + LATER, "NextCheck = LastCheck + 30 days")
        self.check(self.e.catcher_urls(expected=False) == [], "no address opened")

    def case_cancel_is_one_interval(self):
        last, nxt = self.dialog_case(CANCEL)
        self.check(last is not None and nxt == last + INTERVAL, "NextCheck = LastCheck + 28 days")

    def case_cancel_with_interval_seven(self):
        last, nxt = self.dialog_case(CANCEL, interval_days=7)
        self.check(last is not None and nxt == last + 7 * DAY, "NextCheck = LastCheck + 7 days")

    def case_ok_trims_trailing_blanks_of_the_address(self):
        last, nxt = self.dialog_case(OK, stand_in_url="https://downloads.brantlow.example/u.exe  \t")
        urls = self.e.catcher_urls(expected=True)
        self.check(urls == ["https://downloads.brantlow.example/u.exe"],
                   "the address without its trailing blanks was opened: %s" % urls)
        self.check(nxt == NEVER, "NextCheck never (got %s)" % nxt)

    def case_ok_with_an_unsafe_address_asks_again_after_an_interval(self):
        last, nxt = self.dialog_case(OK, stand_in_url="file:///C:/windows/system32/notepad.exe")
        self.check(self.e.catcher_urls(expected=False) == [], "a file address is not handed to the shell")
        self.check(last is not None and nxt == last + INTERVAL,
                   "nothing opened: NextCheck one interval on, as Cancel (got %s, %s)" % (last, nxt))

    def case_ok_when_the_shell_cannot_open_asks_again_after_an_interval(self):
        e = self.e
        e.set_browser("C:\\no such folder\\browser.exe")
        try:
            last, nxt = self.dialog_case(OK, interval_days=3)
        finally:
            e.set_browser(windows_path(e.exe["urlcatcher"]))
        self.check(last is not None and nxt == last + 3 * DAY,
                   "the shell failed: NextCheck one interval on (got %s, %s)" % (last, nxt))

    def case_display_name_without_edition_ends_in_a_blank(self):
        pid = next(p for p in self.e.order if self.e.titles[p]["edition"] == "")
        self.dialog_case(CANCEL, pid=pid)
        t = self.e.titles[pid]
        name = (self.shown.get(PRODUCT_NAME) or [""])[0]
        self.check(name == "%s %s " % (t["name"], t["version"]),
                   "the dialog shows name and version followed by one blank: %r" % name)

    def case_f1_opens_the_notifiers_help(self):
        e = self.e
        title = help_title()
        if title is None:
            self.check(False, "the notifier's help project %s names its title" % HELP_PROJECT)
            return
        e.install(FIRST, "E2E-FIRST")
        self.upgrade_for(FIRST, "E2E-FIRST")
        rc, drv, out = e.notifier([], ["press", CAPTION, CANCEL, 20000],
                                  before=[["type", CAPTION, VK_F1, 20000], ["show", title, 20000]])
        self.check(drv == 0, "F1 in the update dialog opened %r, then Cancel ended it (%s)" % (title, out.strip()))
        self.check(rc == 0, "the notifier ended with 0 (got %s)" % rc)

    # --- Which products are asked ------------------------------------------------
    def case_product_not_due_makes_no_connection(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        now = int(time.time())
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        # The key must exist under the product's own path: form it as the
        # notifier does, from the catalogue's title.
        e.registry(values=[(e.product_key(FIRST), "LastCheck", now - 100),
                           (e.product_key(FIRST), "NextCheck", now + 100000)])
        rc, drv, out = e.notifier([], ["press", CAPTION, OK, 20000])
        self.check(MSG_NO_UPDATES in out, "message 1004 shown")
        self.check(site.checkins() == [], "the vendor counted no check-in: %s" % site.checkins())

    def case_only_the_first_offer_is_asked(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        e.install(SECOND, "E2E-SECOND")
        e.start_server([offer("E2E-FIRST"), offer("E2E-SECOND", status="2 9 5 77 20261201")])
        rc, drv, out = e.notifier([], ["press", CAPTION, CANCEL, 20000])
        q = e.queries()
        self.check(len(q) == 1 and q[0]["fields"]["sn"] == "E2E-FIRST", "only the first product was queried")
        self.check(texts(out).get(STATUS) == [UPGRADE], "the first product's offer is shown")
        self.check(self.schedule(SECOND) == (None, None), "the second keeps no schedule")

    def case_the_pass_goes_on_past_products_without_an_answer(self):
        e = self.e
        silent, dropped, offered = e.order[0], e.order[1], e.order[2]
        e.install(silent, "E2E-SILENT")
        e.install(dropped, "E2E-DROPPED")
        e.install(offered, "E2E-OFFERED")
        e.start_server([{"sn": "E2E-DROPPED", "drop": True}, offer("E2E-OFFERED")])
        rc, drv, out = e.notifier([], ["press", CAPTION, CANCEL, 30000])
        asked = [q["fields"].get("sn") for q in e.queries()]
        self.check(asked == ["E2E-SILENT", "E2E-DROPPED", "E2E-OFFERED"],
                   "every due product asked in catalogue order: %s" % asked)
        self.check(texts(out).get(PRODUCT_NAME) == [e.display_name(offered)],
                   "the third product's offer is shown: %s" % texts(out).get(PRODUCT_NAME))
        for pid in (silent, dropped):
            values = e.reg_values(e.product_key(pid))
            self.check(values == {}, "product %d: an empty key, no schedule (%s)" % (pid, values))
        self.check(self.schedule(offered)[1] is not None, "the offered product is scheduled")

    def case_debug_and_setup_recheck_scheduled_products(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        now = int(time.time())
        for args, next_check in ((["/DEBUG"], now + 100000), (["/SETUP"], NEVER)):
            e.registry(values=[(e.product_key(FIRST), "LastCheck", now - 100),
                               (e.product_key(FIRST), "NextCheck", next_check)])
            before = self.checkins(site)
            rc, drv, out = e.notifier(args, ["press", CAPTION, CANCEL, 20000])
            self.check(drv == 0 and texts(out).get(PRODUCT_NAME) == [e.display_name(FIRST)],
                       "%s, NextCheck %#x: asked again and the dialog shown" % (args, next_check))
            self.check(self.checkins(site, "upgrade") == before + 1, "%s: one query made" % args)

    def case_invalid_schedules_and_missing_serials_skip_products(self):
        e = self.e
        # Each of these products is skipped even under /DEBUG; the last one
        # is asked. Only products with a serial number reach their key.
        invalid = [("LastCheck", 0), ("NextCheck", 0), ("LastCheck", "1"), ("NextCheck", "1"),
                   ("Enabled", 0), ("Enabled", "1")]
        pids = e.order[:len(invalid) + 2]
        for pid in pids[:len(invalid)]:
            e.install(pid, "E2E-%d" % pid)
        e.registry(values=[(e.product_key(pid), name, value)
                           for pid, (name, value) in zip(pids, invalid)])
        no_serial, asked = pids[-2], pids[-1]
        e.install(no_serial)
        e.install(asked, "E2E-ASKED")
        e.start_server([offer("E2E-%d" % pid) for pid in pids])
        rc, drv, out = e.notifier(["/DEBUG"], ["press", CAPTION, OK, 30000])
        self.check(MSG_NO_UPDATES in out, "no offer found: message 1004")
        asked_serials = [q["fields"].get("sn") for q in e.queries()]
        self.check(asked_serials == ["E2E-ASKED"], "only the last product was asked: %s" % asked_serials)
        self.check(e.reg_values(e.product_key(no_serial)) is None,
                   "a product without a serial number gets no key")
        self.check(e.reg_values(e.product_key(asked)) == {},
                   "the asked product has its key, empty: %s" % e.reg_values(e.product_key(asked)))

    # --- Through the user's proxy ----------------------------------------------
    def case_through_a_proxy(self):
        e = self.e
        # The vendor's name leads to the server only inside the proxy's
        # namespace: the notifier's own way there fails. (A tree built to ask
        # an address, where no namespace can be made, has only the proxy's
        # log and its Via header to show the way.)
        remap = not all(part.isdigit() for part in e.a.host.split("."))
        if remap:
            e.server_address = "127.0.0.2"
            e.install(FIRST, "E2E-OFFERED")
            e.start_server([offer("E2E-OFFERED")])
            rc, drv, out = e.notifier([], ["press", CAPTION, OK, 20000])
            self.check(MSG_NO_UPDATES in out and e.queries() == [],
                       "without the proxy the server is out of reach: message 1004, no query")
            e.server.stop()
        proxy = Tinyproxy(e.work, e.a.host, e.server_address, remap)
        e.use_proxy(proxy)
        for button, later in ((CANCEL, INTERVAL), (CHECK_LATER, LATER), (OK, None)):
            e.server.stop()
            e.registry(deleted_keys=[e.product_key(FIRST)])
            last, nxt = self.dialog_case(button, stand_in_url=DEFAULT_URL)
            self.check(last is not None and nxt == (NEVER if later is None else last + later),
                       "button %d through the proxy: NextCheck as without one (%s, %s)" % (button, last, nxt))
            q = e.queries()
            # Inside a tunnel the proxy adds nothing the server could see.
            via = [v for k, v in q[0]["headers"] if k.lower() == "via"] if len(q) == 1 else []
            self.check(len(q) == 1 and (via == [] if e.tls else len(via) == 1 and "tinyproxy" in via[0]),
                       "the server saw the query come through the proxy: %d, %s" % (len(q), via))
        lines = proxy.request_lines()
        self.check(lines == [e.request_line()] * 3, "the proxy received %s: %s" % (e.request_line(), lines))

    def case_what_the_proxy_relays(self):
        e = self.e
        if not e.tls:
            print("    not run: this tree asks by plain HTTP (the proxy sees the query)", flush=True)
            return
        # The vendor's host is 127.0.0.2 for the proxy only, as above.
        e.server_address = "127.0.0.2"
        proxy = RelayProxy({(e.a.host, e.a.port): (e.server_address, e.a.port)})
        e.use_proxy(proxy)
        self.dialog_case(CANCEL, stand_in_url=DEFAULT_URL)
        proxy.finish()
        print("    the proxy relayed: %s" % proxy.summary(), flush=True)
        self.check(proxy.requests == [e.request_line()], "one tunnel, to the vendor's host: %s" % proxy.requests)
        self.check(proxy.server_names == [e.a.host], "the ClientHello names the vendor's host: %s" % proxy.server_names)
        relayed = proxy.upstream + proxy.downstream
        self.check(len(e.queries()) == 1 and b"E2E-OFFERED" not in relayed and b"sn=" not in relayed
                   and len(proxy.upstream) > 100,
                   "the query went through (%d bytes up), and neither the serial nor sn= in what the proxy "
                   "relayed" % len(proxy.upstream))

    def case_a_bypassed_host_is_asked_directly(self):
        e = self.e
        proxy = ScriptedProxy(b"HTTP/1.0 502 Bad Gateway\r\n\r\n")
        e.use_proxy(proxy, bypass="*.corp; %s ;<local>" % e.a.host.upper())
        last, nxt = self.dialog_case(CANCEL, stand_in_url=DEFAULT_URL)
        self.check(nxt is not None, "the offer was shown and scheduled")
        self.check(proxy.connections == 0, "the proxy saw no connection (%d)" % proxy.connections)
        q = e.queries()
        self.check(len(q) == 1 and not any(k.lower() == "via" for k, _ in q[0]["headers"]),
                   "the server was asked directly")

    def case_a_failing_proxy_is_no_offer(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        e.install(SECOND, "E2E-SECOND")
        e.start_server([offer("E2E-FIRST"), offer("E2E-SECOND")])
        rows = [("answers 407", b"HTTP/1.0 407 Proxy Authentication Required\r\n"
                                b'Proxy-Authenticate: Basic realm="corp"\r\n\r\n'),
                ("refuses the tunnel (403)", b"HTTP/1.0 403 Forbidden\r\n\r\n"),
                ("closes without an answer", None),
                ("port closed", "no proxy")]
        for what, answer in rows:
            proxy = ScriptedProxy(answer) if answer != "no proxy" else None
            e.use_proxy(proxy if proxy else free_port())
            rc, drv, out = e.notifier([], ["press", CAPTION, OK, 60000])
            self.check(drv == 0 and MSG_NO_UPDATES in out, "proxy %s: no offer, message 1004" % what)
            for pid in (FIRST, SECOND):
                self.check(self.schedule(pid) == (None, None), "proxy %s: product %d has no schedule" % (what, pid))
            if not proxy:
                continue
            self.check(proxy.connections == 2 and len(proxy.requests) == 2,
                       "proxy %s: both products asked, each request read whole (%d connections, %d requests)"
                       % (what, proxy.connections, len(proxy.requests)))
            request = proxy.requests[0] if proxy.requests else b""
            print("    request as the proxy received it: %r" % request, flush=True)
            head, _, body = request.partition(b"\r\n\r\n")
            if e.tls:
                self.check(request == b"%s\r\nHost: %s:%d\r\n\r\n" % (
                    e.request_line().encode(), e.a.host.encode(), e.a.port),
                    "proxy %s: the tunnel's request alone, nothing of the query" % what)
                continue
            self.check(head.split(b"\r\n") == [
                e.request_line().encode(), b"Host: " + e.a.host.encode(),
                b"Content-Type: application/x-www-form-urlencoded",
                b"Content-Length: %d" % len(body)] and body.startswith(b"v2=")
                and b"&sn=E2E-FIRST&" in body,
                "proxy %s: absolute request line, every other byte as without a proxy" % what)
        self.check(e.queries() == [], "the server was never asked directly")

    # --- Answers that only the vendor can make ---------------------------------
    def hostile_certificates(self):
        """The hostile servers' certificates (cert, key) by name, all for the
        vendor's host unless the name says otherwise."""
        e = self.e
        host, folder = e.a.host, os.path.join(e.work, "hostile-pki")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        ca = testpki.Issuer(os.path.join(e.a.trust, "ca"))
        other = testpki.Issuer(os.path.join(folder, "other-root"), "Nobody's Root")
        intermediate = testpki.Issuer(os.path.join(folder, "intermediate"), "Brantlow Test Issuing CA", ca)
        now = datetime.datetime.now(datetime.timezone.utc)
        self.crl = CrlServer(host)
        made = {}

        def server(name, issuer, dns=host, chain=(), **kwargs):
            cert, key = (os.path.join(folder, name + ext) for ext in (".pem", ".key"))
            issuer.server(cert, key, dns, **kwargs)
            with open(cert, "a") as out:
                for extra in chain:
                    out.write(open(extra).read())
            made[name] = (cert, key)
        server("untrusted", other, chain=[other.cert])
        server("unknown-issuer", intermediate)
        server("with-intermediate", intermediate, chain=[intermediate.cert])
        server("wrong-name", ca, dns="www.brantlow.example")
        server("expired", ca, start=now - datetime.timedelta(days=30), end=now - datetime.timedelta(days=1))
        server("revoked", ca, crl_url=self.crl.url)
        server("crl-silent", ca, crl_url=self.crl.silent_url)
        ca.revoke(made["revoked"][0])
        ca.crl(os.path.join(folder, "ca.crl"))
        self.crl.publish(os.path.join(folder, "ca.crl"))
        made["self-signed"] = (os.path.join(folder, "self.pem"), os.path.join(folder, "self.key"))
        testpki.self_signed(made["self-signed"][0], made["self-signed"][1], host)
        return made

    def tls_11_handshakes(self):
        """True when the server now listening completes a TLS 1.1 handshake
        (openssl s_client, which Debian 12 lets speak TLS 1.1 only at level 0)."""
        try:
            p = subprocess.run(["openssl", "s_client", "-connect", "127.0.0.1:%d" % self.e.a.port,
                                "-servername", self.e.a.host, "-tls1_1", "-cipher", "DEFAULT:@SECLEVEL=0"],
                               input=b"", capture_output=True, timeout=20)
        except subprocess.TimeoutExpired:
            return False
        return re.search(rb"Protocol *: TLSv1\.1\n", p.stdout) is not None and b"Cipher is (NONE)" not in p.stdout

    def case_hostile_answers_are_no_offer(self):
        """One table: each answer that the vendor did not make, or that does
        not come from the vendor's host, gives no offer: no dialog, nothing
        opened, nothing written (and the TLS rows: the serial never sent).
        The rows marked "control" must give the dialog, so that the table
        can tell a refusal from a test that never offers."""
        e = self.e
        e.install(FIRST, "E2E-HOSTILE")
        key = os.path.join(e.a.trust, "offer-private.pem")
        other_key = os.path.join(e.work, "other-offer-private.pem")
        if not os.path.exists(other_key):
            testpki.offer_key_pair(other_key, other_key + ".pub")
        good = offer("E2E-HOSTILE")
        status, url = good["status"], good["url"]
        certs = self.certs = self.hostile_certificates() if e.tls else {}
        no_offer, shown, opens_nothing = "no offer", "dialog", "dialog, OK opens nothing"
        rows = [
            # name, offer, how the server serves it, expected; TLS rows need a TLS tree.
            ("untrusted root (sent with the leaf)", good, dict(tls=certs.get("untrusted")), no_offer),
            ("leaf from an unknown CA, sent without it", good, dict(tls=certs.get("unknown-issuer")), no_offer),
            ("control: the same leaf with its CA", good, dict(tls=certs.get("with-intermediate")), shown),
            ("wrong name (www.brantlow.example)", good, dict(tls=certs.get("wrong-name")), no_offer),
            ("expired", good, dict(tls=certs.get("expired")), no_offer),
            ("self-signed", good, dict(tls=certs.get("self-signed")), no_offer),
            ("revoked, its CRL on loopback", good, dict(tls=certs.get("revoked")), no_offer),
            ("control: a CRL server that never answers", good, dict(tls=certs.get("crl-silent")), shown),
            ("TLS 1.1 only", good, dict(tls_version="1.1"), no_offer),
            ("plain HTTP on the TLS port", good, dict(tls=False), no_offer),
            ("no signature", dict(good, signature=None), {}, no_offer),
            ("a signature of 63 bytes", dict(good, signature=base64.b64encode(bytes(63)).decode()), {}, no_offer),
            ("signed over another address",
             dict(good, signature=testpki.offer_signature(key, status, url + "x")), {}, no_offer),
            ("signed by another key", good, dict(sign_with=other_key), no_offer),
            ("signed over another status value",
             dict(good, signature=testpki.offer_signature(key, "1 9 50 1201 20261208", url)), {}, no_offer),
            ("control: signed by the next key", good,
             dict(sign_with=os.path.join(e.a.trust, "offer-next-private.pem")), shown),
            ("signed, an address off the download hosts",
             offer("E2E-HOSTILE", url="https://downloads.brantlow.example.evil.test/u.exe"), {}, opens_nothing),
        ]
        tree = re.search(r"^MINGW_ARCH:\w+=(\S+)", open(os.path.join(e.a.bin_dir, "CMakeCache.txt")).read(),
                         re.M).group(1)
        table = []
        try:
            for name, answer, how, expected in rows:
                if ("tls" in how or "tls_version" in how) and not e.tls:
                    table.append((name, "not run: this tree asks by plain HTTP"))
                    continue
                table.append((name, self.hostile_row(name, answer, how, expected)))
        finally:
            if e.tls:
                self.crl.stop()
        print("    hostile answers, %s tree (%s):" % (tree, e.a.scheme), flush=True)
        for name, what in table:
            print("      %-44s %s" % (name, what), flush=True)

    def hostile_row(self, name, answer, how, expected):
        e = self.e
        e.server.stop()
        e.registry(deleted_keys=[e.product_key(FIRST)])
        if os.path.exists(e.url_log):
            os.remove(e.url_log)
        e.start_server([answer], **how)
        if how.get("tls_version") == "1.1":
            self.check(self.tls_11_handshakes(), "%s: the server completes a TLS 1.1 handshake" % name)
        button = CANCEL if expected == "dialog" else OK
        rc, drv, out = e.notifier([], ["press", CAPTION, button, 30000])
        shown = texts(out).get(PRODUCT_NAME) == [e.display_name(FIRST)]
        self.check(rc == 0 and not e.debuggers(), "%s: the notifier ended with 0 (got %s), no program "
                   "crashed" % (name, rc))
        urls = e.catcher_urls(expected=False)
        last, nxt = self.schedule(FIRST)
        q = e.queries()
        # What happened, as the table reports it.
        what = "%s; %s; %s; %s" % (
            "dialog shown" if shown else "no dialog (message 1004)" if MSG_NO_UPDATES in out else "nothing shown",
            "%d quer%s reached the server" % (len(q), "y" if len(q) == 1 else "ies"),
            "opened %s" % urls if urls else "nothing opened",
            "nothing written" if (last, nxt) == (None, None) else "next check in %s days" % (
                "?" if last is None or nxt is None else (nxt - last) // DAY))
        handshakes = [h["tls"] for h in e.server.handshakes()]
        if handshakes:
            what += "; TLS: %s" % ", ".join(handshakes)
        if expected == "no offer":
            self.check(drv == 0 and MSG_NO_UPDATES in out and not shown, "%s: no dialog, message 1004" % name)
            self.check((last, nxt) == (None, None) and urls == [], "%s: nothing written, nothing opened" % name)
            tls_row = "tls" in how or "tls_version" in how
            self.check(len(q) == (0 if tls_row else 1),
                       "%s: %s" % (name, "the serial never left" if tls_row else "one query, answered"))
            return what
        self.check(drv == 0 and shown, "%s: the dialog appeared" % name)
        self.check(urls == [] and last is not None and nxt == last + INTERVAL,
                   "%s: nothing opened, next check one interval on (%s, %s)" % (name, last, nxt))
        what += " (%s pressed)" % ("OK" if button == OK else "Cancel")
        if "tls" in how and how["tls"] == self.certs.get("crl-silent"):
            handshake = [h["time"] for h in e.server.handshakes() if h.get("tls") != "failed"]
            wait = q[0]["time"] - handshake[0] if q and handshake else None
            self.check(wait is not None and wait < QUERY_TIMEOUT,
                       "%s: the query followed the handshake within the time-out (%s s)" % (name, wait))
            what += "; the revocation look-up waited %.1f s (time-out %d s)" % (wait or -1, QUERY_TIMEOUT)
        return what

    # --- The vendor's own server: the release database behind a web server -----
    def release_database_case(self, web_server):
        """A licence and a release published with vendorctl, served by
        WEB_SERVER on the notifier's port: the dialog shows the database's
        offer and the server's counts hold the check-in. It signs with the
        test run's offer key, and serves TLS with the run's certificate."""
        e = self.e
        t = e.titles[FIRST]
        day, released = published_yesterday()
        site = self.licensed(FIRST, "E2E LICENCE 1", ("%d.99.9000" % t["major"], day), web_server=web_server)
        e.install(FIRST, "E2E LICENCE 1")
        rc, drv, out = e.notifier([], ["press", CAPTION, CANCEL, 30000])
        shown = texts(out)
        self.check(drv == 0 and rc == 0 and shown.get(PRODUCT_NAME) == [e.display_name(FIRST)],
                   "%s: the dialog showed product %d (%s)" % (web_server.name, FIRST, shown.get(PRODUCT_NAME)))
        self.check(shown.get(STATUS) == [UPDATE] and
                   shown.get(VERSION) == ["Version %d.99.9000 was released on %s" % (t["major"], released)],
                   "%s: the database's update offered: %s %s" % (web_server.name, shown.get(STATUS), shown.get(VERSION)))
        counted = site.checkins()
        self.check(len(counted) == 1 and counted[0][1] == t["line"] and counted[0][3:] == ("update", 1)
                   and counted[0][2].startswith("%d." % t["major"]),
                   "%s: the counts hold one check-in of line %d: %s" % (web_server.name, t["line"], counted))

    def case_offer_from_the_release_database_through_lighttpd_cgi(self):
        self.release_database_case(Lighttpd)

    def case_offer_from_the_release_database_through_gunicorn(self):
        self.release_database_case(Gunicorn)

    # --- The administrator's policy ---------------------------------------------
    def case_policy_enabled_zero_ends_every_run(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        # An administrator's tools may write either view: both must count.
        # Typed by hand without "/t", the value is the text "0"; one of
        # another type (here the bytes of a 7) is unreadable: off too.
        for view, typed in (("32", ["/t", "REG_DWORD", "/d", "0"]), ("64", ["/t", "REG_DWORD", "/d", "0"]),
                            ("64", ["/d", "0"]), ("64", ["/t", "REG_BINARY", "/d", "07000000"])):
            what = "policy Enabled %s in the %s-bit view" % (" ".join(typed), view)
            rc, out = e.run("reg", "add", POLICY, "/v", "Enabled", *typed, "/f", "/reg:" + view)
            self.check(rc == 0, "%s: reg add: %s" % (what, out.strip()))
            for args in (["/DEBUG"], ["/STARTUP"]):
                rc, _, _ = e.notifier(args)
                self.ended_quietly(rc, "%s, %s" % (what, args[0]))
            e.registry(deleted_keys=[POLICY])
        self.check(site.checkins() == [], "no query made: %s" % site.checkins())

    def case_policy_interval_replaces_the_users(self):
        e = self.e
        # A REG_DWORD, and the text "7" that "reg add" without "/t" writes.
        for typed in (["/t", "REG_DWORD", "/d", "7"], ["/d", "7"]):
            e.stop_server()
            e.reset()
            rc, out = e.run("reg", "add", POLICY, "/v", "Interval", *typed, "/f", "/reg:64")
            self.check(rc == 0, "reg add: %s" % out.strip())
            last, nxt = self.dialog_case(CANCEL, interval_days=30)
            self.check(last is not None and nxt == last + 7 * DAY,
                       "policy Interval %s: NextCheck = LastCheck + 7 days, not 30" % " ".join(typed))

    def case_policy_enabled_one_leaves_the_user_off(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        e.registry(values=[(POLICY, "Enabled", 1), (SETTINGS, "Enabled", 0)])
        rc, _, _ = e.notifier(["/DEBUG"])
        self.ended_quietly(rc, "policy Enabled 1, user Enabled 0, /DEBUG")
        self.check(site.checkins() == [], "no query made: %s" % site.checkins())

    # --- Start-up: settings and command line ---------------------------------
    def case_planted_system_dlls_are_never_loaded(self):
        e = self.e
        planted = Planted(os.path.join(e.work, "planted"), e.exe["updnotify"], e.a.plant)
        e.install(FIRST, "E2E-FIRST")
        # An answer whose signature is checked (CNG) and fails: no offer.
        e.start_server([dict(offer("E2E-FIRST"), signature=base64.b64encode(bytes(64)).decode())])
        # A query (the network, TLS and the certificate's check), then the
        # connection test of a system that dials on demand (remote access).
        rc, drv, out = e.notifier([], ["press", CAPTION, OK, 20000], planted=planted)
        self.check(drv == 0 and MSG_NO_UPDATES in out and len(e.queries()) == 1,
                   "the copy asked the server and showed message 1004")
        e.registry(values=[(INTERNET, "EnableAutodial", 1)])
        rc, _, _ = e.notifier([], planted=planted)
        self.ended_quietly(rc, "autodial on, no connection")
        self.check(len(e.queries()) == 1, "autodial on: no query without a connection")
        for passed, what in planted.verdicts(e.wine, e.exe["dlgdriver"], "absent", "no such window", 0):
            self.check(passed, what)

    def case_nothing_offered_shows_the_message(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.current_for(FIRST, "E2E-FIRST")
        rc, drv, out = e.notifier([], ["press", CAPTION, OK, 20000])
        self.check(drv == 0 and MSG_NO_UPDATES in out, "message 1004 shown")
        self.check(rc == 0, "ended")
        self.check(self.checkins(site, "current") == 1, "one query made, nothing newer: %s" % site.checkins())
        self.check(self.schedule(FIRST) == (None, None), "nothing written")

    def case_nothing_offered_at_startup_is_silent(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.current_for(FIRST, "E2E-FIRST")
        # /SETUP after /STARTUP takes the delay away but not the silence.
        rc, _, _ = e.notifier(["/STARTUP", "/SETUP"])
        self.ended_quietly(rc, "/STARTUP /SETUP")
        self.check(self.checkins(site, "current") == 1, "the query was made: %s" % site.checkins())

    def case_disabled_ends_silently(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        e.registry(values=[(SETTINGS, "Enabled", 0)])
        for args in (["/SETUP"], ["/xyz"]):
            rc, _, _ = e.notifier(args)
            self.ended_quietly(rc, " ".join(args))
        self.check(site.checkins() == [], "no query made: %s" % site.checkins())

    def case_bad_words_give_the_argument_message(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        for args in (["/xyz"], ["setup"]):
            rc, drv, out = e.notifier(args, ["press", CAPTION, OK, 20000])
            self.check(drv == 0 and MSG_BAD_ARGUMENT in out, "%s: message 1002" % args)
        self.check(site.checkins() == [], "no query made: %s" % site.checkins())

    def case_short_names_are_skipped(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.current_for(FIRST, "E2E-FIRST")
        rc, drv, out = e.notifier(["/de", "/x"], ["press", CAPTION, OK, 20000])
        self.check(MSG_NO_UPDATES in out, "a normal run: message 1004")
        self.check(self.checkins(site, "current") == 1, "one query made: %s" % site.checkins())

    def case_unknown_product_shows_no_updates(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        rc, drv, out = e.notifier(["/STARTUP", "/PRODUCT:999"], ["press", CAPTION, OK, 20000])
        self.check(MSG_NO_UPDATES in out, "message 1004 shown")
        self.check(site.checkins() == [], "no connection: the vendor counted no check-in")
        self.check(e.elapsed < 30, "no start delay")

    def case_autodial_without_connection_ends_silently(self):
        e = self.e
        e.install(FIRST, "E2E-FIRST")
        site = self.upgrade_for(FIRST, "E2E-FIRST")
        e.registry(values=[(INTERNET, "EnableAutodial", 1)])
        rc, _, _ = e.notifier([])
        self.ended_quietly(rc, "autodial on, no connection")
        self.check(site.checkins() == [], "no query made: %s" % site.checkins())


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin-dir", required=True)
    ap.add_argument("--server", required=True)
    ap.add_argument("--host", required=True)
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--scheme", choices=("https", "http"), required=True)
    ap.add_argument("--trust", default="")
    ap.add_argument("--plant", action="append", default=[])
    ap.add_argument("--case", action="append")
    a = ap.parse_args()

    # The reference server listens on loopback only: the notifier must find
    # it under the name it was built with.
    try:
        address = socket.gethostbyname(a.host)
    except OSError:
        address = None
    if address is None or not address.startswith("127."):
        print("the notifier asks %s, which does not resolve to loopback here (%s): run this "
              "tree's tests through tests/harness/isolated-run.sh" % (a.host, address))
        return 1
    if a.scheme == "https" and not trusts_test_ca(a.trust):
        print("the test run's CA (%s) is not among this system's roots: run this tree's tests "
              "through tests/harness/isolated-run.sh after tools/test.sh made the trust" % (a.trust or "none"))
        return 1

    env = Env(a)
    cases = Cases(env)
    names = sorted(n for n in dir(cases) if n.startswith("case_"))
    if a.case:
        names = ["case_" + n for n in a.case]
        unknown = [n for n in names if not hasattr(cases, n)]
        if unknown:
            print("no such case: %s" % ", ".join(n[5:] for n in unknown))
            return 2
    env.prepare()
    for name in names:
        cases.case = name[5:]
        started = time.time()
        print(cases.case, flush=True)
        try:
            env.reset()
            getattr(cases, name)()
        except Exception as exc:  # a broken case must not stop the others
            cases.check(False, "raised %r" % exc)
        finally:
            env.stop_server()
        print("    (%.1f s)" % (time.time() - started), flush=True)
    env.reset()
    print("%d cases, %d failed checks" % (len(names), len(cases.failures)))
    for failure in cases.failures:
        print("FAILED " + failure)
    return 1 if cases.failures else 0


if __name__ == "__main__":
    sys.exit(main())
