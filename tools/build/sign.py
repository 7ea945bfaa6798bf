#!/usr/bin/env python3
"""Authenticode signing of the programs and the package with osslsigncode.

    sign.py check --pkcs12 KEY.p12 [--password-file FILE]
        fails, naming the file and the reason, unless KEY.p12 can be read
        with that password and its certificate may sign code (extended key
        usage codeSigning: osslsigncode itself signs with any certificate).
    sign.py sign --pkcs12 KEY.p12 [--password-file FILE] --name NAME
                 --url URL --time EPOCH [--timestamp-url URL] FILE...
        checks as above, then signs each FILE in place (SHA-256, NAME and URL
        in the signature, signing time EPOCH, an RFC 3161 time stamp from
        --timestamp-url when given). A FILE that cannot be signed is removed,
        so that no unsigned file stands where a signed one is expected.

An empty or absent password file means a key without a password.
"""
import argparse
import os
import shutil
import subprocess
import sys

OSSLSIGNCODE = shutil.which("osslsigncode") or "osslsigncode"
OPENSSL = shutil.which("openssl") or "openssl"


class Refused(Exception):
    pass


def password_of(path):
    if not path:
        return ""
    if not os.path.exists(path):
        return ""
    try:
        with open(path, "rb") as f:
            return f.read().decode().rstrip("\r\n")
    except OSError as e:
        raise Refused("%s: password file cannot be read (%s)" % (path, e.strerror))


def check(pkcs12, password_file):
    """The password, once KEY.p12 is known to be a usable code-signing key."""
    if not os.path.isfile(pkcs12):
        raise Refused("%s: no such PKCS#12 file" % pkcs12)
    if not os.access(pkcs12, os.R_OK):
        raise Refused("%s: PKCS#12 file cannot be read (permission denied)" % pkcs12)
    password = password_of(password_file)
    env = dict(os.environ, BRANTLOW_SIGN_PASS=password)
    cert = None
    # OpenSSL 3 reads older PKCS#12 files (RC2) only with -legacy.
    for extra in ([], ["-legacy"]):
        r = subprocess.run([OPENSSL, "pkcs12", "-in", pkcs12, "-passin", "env:BRANTLOW_SIGN_PASS",
                            "-clcerts", "-nokeys"] + extra, capture_output=True, env=env)
        if r.returncode == 0 and b"BEGIN CERTIFICATE" in r.stdout:
            cert = r.stdout
            break
        err = r.stderr.decode(errors="replace")
    if cert is None:
        if "mac verify failure" in err.lower() or "invalid password" in err.lower():
            raise Refused("%s: wrong password%s" % (pkcs12, " (from %s)" % password_file
                                                     if password_file else " (none given)"))
        raise Refused("%s: not a readable PKCS#12 key and certificate (%s)"
                      % (pkcs12, err.strip().splitlines()[0] if err.strip() else "no certificate"))
    r = subprocess.run([OPENSSL, "x509", "-noout", "-ext", "extendedKeyUsage"],
                       input=cert, capture_output=True)
    if r.returncode != 0 or b"Code Signing" not in r.stdout:
        raise Refused("%s: certificate is not for code signing (no extended key usage codeSigning)"
                      % pkcs12)
    return password


def sign(a, path):
    out = path + ".signing"
    cmd = [OSSLSIGNCODE, "sign", "-pkcs12", a.pkcs12, "-h", "sha256", "-n", a.name, "-i", a.url,
           "-time", str(a.time)]
    if a.password_file and password_of(a.password_file):
        cmd += ["-readpass", a.password_file]
    if a.timestamp_url:
        cmd += ["-ts", a.timestamp_url]
    cmd += ["-in", path, "-out", out]
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode != 0 or not os.path.isfile(out):
        for p in (out, path):
            if os.path.exists(p):
                os.remove(p)
        raise Refused("%s: osslsigncode failed: %s" % (path, (r.stderr or r.stdout).strip()))
    os.replace(out, path)
    print("signed %s" % path)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("action", choices=("check", "sign"))
    p.add_argument("--pkcs12", required=True)
    p.add_argument("--password-file", default="")
    p.add_argument("--name")
    p.add_argument("--url")
    p.add_argument("--time", type=int)
    p.add_argument("--timestamp-url", default="")
    p.add_argument("files", nargs="*")
    a = p.parse_intermixed_args()
    try:
        check(a.pkcs12, a.password_file)
        if a.action == "sign":
            if not (a.name and a.url and a.time is not None and a.files):
                p.error("sign needs --name, --url, --time and files")
            for path in a.files:
                sign(a, path)
    except Refused as e:
        if a.action == "sign":
            # Nothing unsigned is left where a signed file is expected.
            for path in a.files:
                if os.path.exists(path):
                    os.remove(path)
        sys.exit("sign.py: " + str(e))
    return 0


if __name__ == "__main__":
    sys.exit(main())
