#!/usr/bin/env python3
"""Throw-away certificates and offer keys for the tests, made with openssl
and tools/offerkey.py, never committed.

    testpki.py trust DIR HOST

makes the test run's trust in DIR (tools/test.sh, once per run, outside
the build trees): a test CA (ca.pem, ca.key), the vendor server's
certificate for HOST signed by it (server.pem with server.key), the
offer-signing key pairs that the test builds carry (offer-private.pem and
offer-public.pem, and the next key: offer-next-private.pem,
offer-next-public.pem), and ca-bundle.crt, this host's trusted roots with
the test CA after them, which tests/harness/isolated-run.sh makes the
system's roots inside the tests' namespace.

As a module, Issuer makes more certificates under the trust's CA
(Issuer(DIR/ca)) or a CA of its own, for the tests' hostile servers.
"""
import datetime
import os
import shutil
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OFFERKEY = os.path.join(TOP, "tools", "offerkey.py")
# Debian's Python, which has python3-cryptography (offerkey.py needs it).
SYSTEM_PYTHON = "/usr/bin/python3"
HOST_ROOTS = "/etc/ssl/certs/ca-certificates.crt"

CA_CONFIG = """[ca]
default_ca = this
[this]
dir = {dir}
database = $dir/index.txt
serial = $dir/serial
new_certs_dir = $dir/issued
certificate = $dir/cert.pem
private_key = $dir/key.pem
default_md = sha256
default_crl_days = 2
policy = anything
unique_subject = no
[anything]
commonName = supplied
"""


def openssl(*args):
    subprocess.run(["openssl"] + [str(a) for a in args], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def stamp(when):
    return when.strftime("%Y%m%d%H%M%SZ")


class Issuer:
    """A CA in a folder of its own: cert.pem, key.pem and what `openssl ca`
    keeps. ISSUER None makes a self-signed root; another Issuer makes an
    intermediate under it."""

    def __init__(self, folder, name=None, issuer=None):
        """NAME None: the CA that an earlier Issuer made in FOLDER."""
        self.dir = folder
        self.cert = os.path.join(folder, "cert.pem")
        self.key = os.path.join(folder, "key.pem")
        self.config = os.path.join(folder, "ca.cnf")
        if name is None:
            return
        os.makedirs(os.path.join(folder, "issued"), exist_ok=True)
        with open(self.config, "w") as f:
            f.write(CA_CONFIG.format(dir=folder))
        open(os.path.join(folder, "index.txt"), "w").close()
        with open(os.path.join(folder, "serial"), "w") as f:
            f.write("%016x\n" % int.from_bytes(os.urandom(8), "big"))
        ca_ext = ["basicConstraints=critical,CA:TRUE", "keyUsage=critical,keyCertSign,cRLSign"]
        if issuer is None:
            args = ["req", "-x509", "-days", 30, "-subj", "/CN=" + name]
            for e in ca_ext:
                args += ["-addext", e]
            openssl(*args, "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                    "-keyout", self.key, "-out", self.cert)
        else:
            issuer.issue(self.cert, self.key, name, ca_ext)

    def issue(self, cert, key, name, extensions, start=None, end=None, crl_url=None):
        """A certificate for NAME (its common name) with EXTENSIONS (openssl
        extension lines), valid from START to END (datetimes; by default from
        an hour ago for 30 days), into CERT with its new key KEY."""
        now = datetime.datetime.now(datetime.timezone.utc)
        start = start or now - datetime.timedelta(hours=1)
        end = end or now + datetime.timedelta(days=30)
        csr = cert + ".csr"
        ext = cert + ".ext"
        openssl("req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                "-keyout", key, "-out", csr, "-subj", "/CN=" + name)
        with open(ext, "w") as f:
            f.write("\n".join(extensions + (["crlDistributionPoints=URI:" + crl_url] if crl_url else [])) + "\n")
        openssl("ca", "-batch", "-config", self.config, "-in", csr, "-out", cert, "-notext",
                "-startdate", stamp(start), "-enddate", stamp(end), "-extfile", ext)
        os.remove(csr)
        os.remove(ext)

    def server(self, cert, key, dns, **kwargs):
        """A TLS server's certificate for the DNS name DNS."""
        self.issue(cert, key, dns, ["basicConstraints=CA:FALSE", "keyUsage=critical,digitalSignature",
                                    "extendedKeyUsage=serverAuth", "subjectAltName=DNS:" + dns], **kwargs)

    def revoke(self, cert):
        openssl("ca", "-config", self.config, "-revoke", cert)

    def crl(self, out):
        """The CA's certificate revocation list, DER, into OUT."""
        pem = out + ".pem"
        openssl("ca", "-config", self.config, "-gencrl", "-out", pem)
        openssl("crl", "-in", pem, "-outform", "DER", "-out", out)
        os.remove(pem)


def self_signed(cert, key, dns):
    """A server's certificate for DNS that signs itself."""
    openssl("req", "-x509", "-days", 30, "-subj", "/CN=" + dns, "-addext", "subjectAltName=DNS:" + dns,
            "-addext", "extendedKeyUsage=serverAuth", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
            "-nodes", "-keyout", key, "-out", cert)


def offer_key_pair(private, public):
    subprocess.run([SYSTEM_PYTHON, OFFERKEY, "new", private, public], check=True)


def offer_signature(private, status, url=""):
    """The X-Update-Signature value for STATUS and URL under the key PRIVATE."""
    return subprocess.run([SYSTEM_PYTHON, OFFERKEY, "sign", private, status, url], check=True,
                          capture_output=True, text=True).stdout.strip()


def make_trust(folder, host):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)
    ca = Issuer(os.path.join(folder, "ca"), "Brantlow Test CA " + stamp(datetime.datetime.now()))
    shutil.copy(ca.cert, os.path.join(folder, "ca.pem"))
    shutil.copy(ca.key, os.path.join(folder, "ca.key"))
    ca.server(os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"), host)
    for which in ("offer", "offer-next"):
        offer_key_pair(os.path.join(folder, which + "-private.pem"), os.path.join(folder, which + "-public.pem"))
    with open(os.path.join(folder, "ca-bundle.crt"), "wb") as out:
        with open(HOST_ROOTS, "rb") as roots:
            out.write(roots.read().rstrip(b"\n") + b"\n")
        with open(ca.cert, "rb") as f:
            out.write(f.read())


def main(argv):
    if len(argv) != 3 or argv[0] != "trust":
        print(__doc__, file=sys.stderr)
        return 2
    make_trust(os.path.abspath(argv[1]), argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
