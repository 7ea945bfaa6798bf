"""The reference vendor server (tools/vendor_server.py) run for one
end-to-end script, on a port of the script's choice."""
import json
import os
import subprocess
import sys


class VendorServer:
    def __init__(self, script, port, log, lifetime=300):
        self.script = script
        self.port = port
        self.log = log
        self.lifetime = lifetime
        self.proc = None

    def start(self, offers, offers_file, address="127.0.0.1"):
        """Writes OFFERS (a list of offers) to OFFERS_FILE and serves them on
        ADDRESS (a loopback address); returns once the server listens. The
        log starts empty."""
        with open(offers_file, "w") as f:
            json.dump(offers, f)
        if os.path.exists(self.log):
            os.remove(self.log)
        self.proc = subprocess.Popen(
            [sys.executable, self.script, "--offers", offers_file, "--host", address, "--port", str(self.port),
             "--log", self.log, "--lifetime", str(self.lifetime)],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.proc.stdout.readline()
        assert "vendor server on" in line, "server did not start: " + line

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(timeout=10)
            self.proc.stdout.close()
            self.proc = None

    def queries(self):
        """The queries that the server answered, as it logged them."""
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [json.loads(line) for line in f if line.strip()]
