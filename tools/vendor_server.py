#!/usr/bin/env python3
"""Reference vendor server for the update notifier, on this machine only.

Answers the notifier's version query, an HTTP/1.0 POST of
/cgi-bin/version.cgi with the form fields sn, v1, v2 and v3, from a file of
offers, and logs every request it receives as one JSON line.

The offers file is JSON: a list of offers, tried in order; the first that
matches the query answers it.

    [{"sn": "BMT-650-0001",            # optional: serial number to match
      "version": "6.50.1058",          # optional: v1.v2.v3 to match
      "status": "1 6 50 1060 20090305",  # X-Update-Status value
      "url": "https://downloads.brantlow.example/mail650.exe",  # optional
      "signature": "..."}]             # optional: X-Update-Signature value

The server only attaches an offer's signature: the vendor signs each offer
once, offline, with tools/offerkey.py. For tests and the demo, --sign-with
names a private key that signs, when the file is read, every offer that
carries no "signature" (a real server never holds that key); "signature":
null sends none.

An offer with "drop": true answers nothing: the server reads the query and
resets the connection, as a failing server or network would.

A query that no offer matches gets a response without X-Update-Status.
Every response carries its headers, an empty line and a short body, and
the connection is closed (with TLS's close_notify first).

    vendor_server.py --offers FILE [--port N] [--port-file F] [--log F]
                     [--lifetime SECONDS] [--cert PEM --key PEM [--tls-version V]]
                     [--sign-with PRIVATE.pem]

With --cert and --key (PEM files; the certificate file may carry the
intermediates after the server's own) the server speaks TLS, 1.2 or newer;
--tls-version pins one version (1.1 for tests of a server too old, with the
ciphers that OpenSSL keeps for it: DEFAULT:@SECLEVEL=0). Each TLS
connection is logged too: {"tls": version, "sni": name} or {"tls": "failed"}.
With --port 0 the system picks a free port, written to --port-file once
the server listens. The server stops by itself after --lifetime seconds.
--sign-with needs Debian's python3-cryptography (run with /usr/bin/python3).
"""
import argparse
import os
import http.server
import json
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import warnings

QUERY_PATH = "/cgi-bin/version.cgi"


def load_offers(path, signing_key=None):
    with open(path, encoding="utf-8") as f:
        offers = json.load(f)
    if not isinstance(offers, list):
        raise ValueError("the offers file must hold a JSON list")
    if signing_key:
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        import offerkey
        key = offerkey.load_private_key(signing_key)
        for offer in offers:
            if "status" in offer and "signature" not in offer:
                # What the notifier checks: the values without trailing blanks.
                offer["signature"] = offerkey.sign(key, offer["status"].rstrip(" \t"),
                                                   offer.get("url", "").rstrip(" \t"))
    return offers


def find_offer(offers, fields):
    serial = fields.get("sn", "")
    version = "%s.%s.%s" % (fields.get("v1", ""), fields.get("v2", ""), fields.get("v3", ""))
    for offer in offers:
        if "sn" in offer and offer["sn"] != serial:
            continue
        if "version" in offer and offer["version"] != version:
            continue
        return offer
    return None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "BrantlowVendor/1.0"

    def log_message(self, fmt, *args):  # the JSON log replaces the console log
        pass

    def record(self, entry):
        self.server.record(entry)

    def answer(self, code, headers, body):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0") or "0")
        raw = self.rfile.read(length) if length > 0 else b""
        body = raw.decode("latin-1")
        # The notifier sends blanks as "+" and escapes nothing else.
        fields = {}
        for pair in body.split("&") if body else []:
            name, _, value = pair.partition("=")
            fields[name.replace("+", " ")] = value.replace("+", " ")
        entry = {
            "time": time.time(),
            "client": self.client_address[0],
            "request_line": self.requestline,
            "headers": [[k, v] for k, v in self.headers.items()],
            "body": body,
            "fields": fields,
        }
        if self.path != QUERY_PATH:
            entry["answer"] = 404
            self.record(entry)
            self.answer(404, [], b"not found\n")
            return
        offer = find_offer(self.server.offers, fields)
        if offer is not None and offer.get("drop"):
            entry["answer"] = "dropped"
            self.record(entry)
            # Linger 0: closing sends a reset instead of an orderly end.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True
            self.dropped = True
            return
        headers = []
        if offer is not None:
            headers.append(("X-Update-Status", offer["status"]))
            if "url" in offer:
                headers.append(("X-Update-URL", offer["url"]))
            if offer.get("signature") is not None:
                headers.append(("X-Update-Signature", offer["signature"]))
        entry["answer"] = dict(headers)
        self.record(entry)
        self.answer(200, headers, b"ok\n")

    def finish(self):
        if getattr(self, "dropped", False):
            return      # the socket is gone; nothing to flush
        super().finish()
        if isinstance(self.connection, ssl.SSLSocket):
            # close_notify, without waiting for the client's own.
            self.connection.setblocking(False)
            try:
                self.connection.unwrap()
            except (ssl.SSLError, OSError):
                pass

    def do_GET(self):
        self.record({"time": time.time(), "request_line": self.requestline, "answer": 405})
        self.answer(405, [], b"the version query is a POST\n")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    tls = None

    def record(self, entry):
        if self.log_path:
            with self.log_lock, open(self.log_path, "a", encoding="utf-8") as f:
                f.write(json.dumps(entry) + "\n")

    def finish_request(self, request, client_address):
        # The handshake runs in the connection's own thread.
        if self.tls is not None:
            entry = {"time": time.time(), "client": client_address[0]}
            try:
                request = self.tls.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError) as e:
                entry.update(tls="failed", error=str(e))
                self.record(entry)
                return
            entry.update(tls=request.version(), sni=getattr(request, "sni", None))
            self.record(entry)
        super().finish_request(request, client_address)

    def handle_error(self, request, client_address):
        pass    # a client that goes away half-way is logged by what it did


def tls_context(cert, key, version):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    if version:
        pinned = {"1.1": ssl.TLSVersion.TLSv1_1, "1.2": ssl.TLSVersion.TLSv1_2,
                  "1.3": ssl.TLSVersion.TLSv1_3}[version]
        if pinned < ssl.TLSVersion.TLSv1_2:
            context.set_ciphers("DEFAULT:@SECLEVEL=0")
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)     # TLS 1.1, on purpose
            context.minimum_version = context.maximum_version = pinned
    else:
        context.minimum_version = ssl.TLSVersion.TLSv1_2

    def note_name(sock, name, _context):
        sock.sni = name
    context.sni_callback = note_name
    return context


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--offers", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--log")
    parser.add_argument("--lifetime", type=float, default=600.0)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--tls-version", choices=("1.1", "1.2", "1.3"))
    parser.add_argument("--sign-with")
    args = parser.parse_args()
    if bool(args.cert) != bool(args.key):
        sys.exit("vendor_server: --cert and --key go together")

    if not args.host.startswith("127.") and args.host not in ("localhost", "::1"):
        sys.exit("vendor_server: serves this machine only (127.0.0.0/8)")
    server = Server((args.host, args.port), Handler)
    if args.cert:
        server.tls = tls_context(args.cert, args.key, args.tls_version)
    server.offers = load_offers(args.offers, args.sign_with)
    server.log_path = args.log
    server.log_lock = threading.Lock()
    port = server.server_address[1]
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % port)
        os.replace(args.port_file + ".tmp", args.port_file)
    print("vendor server on %s:%d%s" % (args.host, port, " (TLS)" if server.tls else ""), flush=True)
    timer = threading.Timer(args.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    server.serve_forever()
    server.server_close()


if __name__ == "__main__":
    main()
