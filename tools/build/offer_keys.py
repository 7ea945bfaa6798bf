#!/usr/bin/env python3
"""The offer-signing public keys as the notifier's build carries them.

    offer_keys.py PUBLIC.pem [NEXT-PUBLIC.pem]

Reads each PEM public key (SubjectPublicKeyInfo, as `tools/offerkey.py new`
writes it), which must be an uncompressed ECDSA P-256 point, and prints the
C initializer of the points' X || Y bytes: {0x..,...},{0x..,...}. Exit
status 1, with the file and the reason, for anything else. Plain Python (no
cryptography package): the build runs it at configure time.
"""
import base64
import binascii
import sys

# SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { 04 X Y } }
P256_PREFIX = bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d030107034200") + b"\x04"
POINT_BYTES = 64


def point(path):
    with open(path, encoding="ascii", errors="replace") as f:
        lines = [line.strip() for line in f]
    try:
        begin = lines.index("-----BEGIN PUBLIC KEY-----")
        end = lines.index("-----END PUBLIC KEY-----", begin)
        der = base64.b64decode("".join(lines[begin + 1:end]), validate=True)
    except (ValueError, binascii.Error):
        raise ValueError("not a PEM public key") from None
    if not der.startswith(P256_PREFIX) or len(der) != len(P256_PREFIX) + POINT_BYTES:
        raise ValueError("not an uncompressed ECDSA P-256 public key")
    return der[len(P256_PREFIX):]


def main(paths):
    if not 1 <= len(paths) <= 2:
        print("usage: offer_keys.py PUBLIC.pem [NEXT-PUBLIC.pem]", file=sys.stderr)
        return 2
    rows = []
    for path in paths:
        try:
            rows.append("{" + ",".join("0x%02x" % b for b in point(path)) + "}")
        except (OSError, ValueError) as e:
            print("%s: %s" % (path, e), file=sys.stderr)
            return 1
    print(",".join(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
