#!/usr/bin/python3
"""The vendor's offer-signing key and the signatures that make an answer an offer.

The notifier takes an answer as an offer only when its X-Update-Signature
header verifies with a public key built into it. The signature is ECDSA
P-256 over the SHA-256 of the exact bytes

    <X-Update-Status value> LF <X-Update-URL value>

(an absent address is empty), sent as the standard base64, with padding, of
the 64 bytes r || s (each 32 bytes, big-endian). Signatures are made once,
when a release is published, on the machine that keeps the private key; a
web server only attaches them.

    offerkey.py new PRIVATE.pem PUBLIC.pem
        Makes a key pair: the private key (PKCS#8 PEM, readable by its owner
        only) for the vendor's offline machine, the public key (PEM) for the
        build (UPDNOTIFY_OFFER_KEY). Refuses to overwrite either file.
    offerkey.py sign PRIVATE.pem STATUS [URL]
        Prints the X-Update-Signature value for that status value and address.
    offerkey.py verify PUBLIC.pem STATUS URL SIGNATURE
        Exit status 0 when SIGNATURE is good for STATUS and URL under PUBLIC.

A status or address with CR, LF or a leading or trailing blank or tab is
refused: it is not what a header carries, so a signature over it would sign
something else than what the notifier checks.

Needs Debian's python3-cryptography (this file runs with /usr/bin/python3).
"""
import argparse
import base64
import binascii
import os
import sys

from cryptography.exceptions import InvalidSignature
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import (
    decode_dss_signature, encode_dss_signature)

SIGNATURE_HEADER = "X-Update-Signature"
COORDINATE_BYTES = 32


class OfferError(ValueError):
    """A value that cannot be signed, or a key that cannot be used."""


def check_value(what, value):
    if "\r" in value or "\n" in value:
        raise OfferError("%s holds a line break" % what)
    if value != value.strip(" \t"):
        raise OfferError("%s has a leading or trailing blank" % what)
    try:
        value.encode("ascii")
    except UnicodeEncodeError:
        raise OfferError("%s is not ASCII text" % what) from None


def signed_bytes(status, url=""):
    """The bytes that an offer's signature covers."""
    check_value("the status value", status)
    check_value("the address", url)
    if not status:
        raise OfferError("the status value is empty")
    return status.encode("ascii") + b"\n" + url.encode("ascii")


def load_private_key(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        key = serialization.load_pem_private_key(data, password=None)
    except (ValueError, TypeError) as e:
        raise OfferError("%s: not an unencrypted PEM private key (%s)" % (path, e)) from None
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise OfferError("%s: not a P-256 key" % path)
    return key


def load_public_key(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        key = serialization.load_pem_public_key(data)
    except ValueError as e:
        raise OfferError("%s: not a PEM public key (%s)" % (path, e)) from None
    if not isinstance(key, ec.EllipticCurvePublicKey) or key.curve.name != "secp256r1":
        raise OfferError("%s: not a P-256 key" % path)
    return key


def sign(private_key, status, url=""):
    """The X-Update-Signature value for status and url."""
    der = private_key.sign(signed_bytes(status, url), ec.ECDSA(hashes.SHA256()))
    r, s = decode_dss_signature(der)
    raw = r.to_bytes(COORDINATE_BYTES, "big") + s.to_bytes(COORDINATE_BYTES, "big")
    return base64.b64encode(raw).decode("ascii")


def verify(public_key, status, url, signature):
    try:
        raw = base64.b64decode(signature, validate=True)
    except (binascii.Error, ValueError):
        return False
    if len(raw) != 2 * COORDINATE_BYTES:
        return False
    der = encode_dss_signature(int.from_bytes(raw[:COORDINATE_BYTES], "big"),
                               int.from_bytes(raw[COORDINATE_BYTES:], "big"))
    try:
        public_key.verify(der, signed_bytes(status, url), ec.ECDSA(hashes.SHA256()))
    except InvalidSignature:
        return False
    return True


def write_new(path, data, mode):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, mode)
    with os.fdopen(fd, "wb") as f:
        f.write(data)


def new_pair(private_path, public_path):
    for path in (private_path, public_path):
        if os.path.exists(path):
            raise OfferError("%s exists already; a key is never overwritten" % path)
    key = ec.generate_private_key(ec.SECP256R1())
    write_new(private_path, key.private_bytes(serialization.Encoding.PEM,
                                              serialization.PrivateFormat.PKCS8,
                                              serialization.NoEncryption()), 0o600)
    write_new(public_path, key.public_key().public_bytes(
        serialization.Encoding.PEM, serialization.PublicFormat.SubjectPublicKeyInfo), 0o644)


def main(argv=None):
    parser = argparse.ArgumentParser(description="The vendor's offer-signing key and signatures.")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("new", help="make a key pair")
    p.add_argument("private")
    p.add_argument("public")
    p = sub.add_parser("sign", help="print the X-Update-Signature value")
    p.add_argument("private")
    p.add_argument("status")
    p.add_argument("url", nargs="?", default="")
    p = sub.add_parser("verify", help="check a signature (exit status 0 when good)")
    p.add_argument("public")
    p.add_argument("status")
    p.add_argument("url")
    p.add_argument("signature")
    args = parser.parse_args(argv)
    try:
        if args.command == "new":
            new_pair(args.private, args.public)
        elif args.command == "sign":
            print(sign(load_private_key(args.private), args.status, args.url))
        else:
            return 0 if verify(load_public_key(args.public), args.status, args.url,
                               args.signature) else 1
    except (OfferError, OSError) as e:
        print("offerkey.py: %s" % e, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
