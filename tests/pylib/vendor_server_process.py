"""The reference vendor server (tools/vendor_server.py) run for one
end-to-end script, on a port of the script's choice."""
import json
import os
import subprocess

from testpki import SYSTEM_PYTHON


class VendorServer:
    def __init__(self, script, port, log, lifetime=300, trust=None, tls=True):
        """TRUST: the test run's trust folder (tests/pylib/testpki.py), whose
        offer key signs the offers; with TLS the server speaks TLS with the
        trust's certificate for the vendor's host."""
        self.script = script
        self.port = port
        self.log = log
        self.lifetime = lifetime
        self.trust = trust
        self.tls = tls and trust is not None
        self.proc = None

    def start(self, offers, offers_file, address="127.0.0.1", tls=None, tls_version=None, sign_with=None):
        """Writes OFFERS (a list of offers) to OFFERS_FILE and serves them on
        ADDRESS (a loopback address); returns once the server listens. The
        log starts empty. TLS: None for this server's own way, False for
        plain HTTP, or (CERT, KEY) files to serve instead of the trust's.
        SIGN_WITH: the private key that signs the offers that carry no
        "signature" (default: the trust's offer key)."""
        with open(offers_file, "w") as f:
            json.dump(offers, f)
        if os.path.exists(self.log):
            os.remove(self.log)
        command = [SYSTEM_PYTHON, self.script, "--offers", offers_file, "--host", address,
                   "--port", str(self.port), "--log", self.log, "--lifetime", str(self.lifetime)]
        if self.trust:
            command += ["--sign-with", sign_with or os.path.join(self.trust, "offer-private.pem")]
        if tls is None and self.tls:
            tls = (os.path.join(self.trust, "server.pem"), os.path.join(self.trust, "server.key"))
        if tls:
            command += ["--cert", tls[0], "--key", tls[1]]
        if tls_version:
            command += ["--tls-version", tls_version]
        self.proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.proc.stdout.readline()
        assert "vendor server on" in line, "server did not start: " + line

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(timeout=10)
            self.proc.stdout.close()
            self.proc = None

    def entries(self):
        """Everything the server logged: queries and TLS handshakes."""
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [json.loads(line) for line in f if line.strip()]

    def queries(self):
        """The queries that the server answered, as it logged them."""
        return [e for e in self.entries() if "request_line" in e]

    def handshakes(self):
        """The TLS handshakes: {"tls": version or "failed", "sni": name}."""
        return [e for e in self.entries() if "tls" in e]
