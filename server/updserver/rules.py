"""What the version endpoint reads and answers: the notifier's form, the
version and status texts, and the rollout's stable draw. Kept to cheap
imports: a CGI process starts for every query."""
try:
    # CPython's own SHA-256: loading OpenSSL for hashlib costs a CGI process
    # about 5 ms of its 25.
    from _sha256 import sha256
except ImportError:
    from hashlib import sha256

QUERY_PATH = "/cgi-bin/version.cgi"
MAX_BODY = 4096         # the notifier's form buffer
MAX_FIELDS = 16         # the notifier sends four
MAX_SERIAL = 127        # the catalogue's serial buffer, less its end
UPDATE, UPGRADE = 0, 1  # bit 0 of the status value
PRINTABLE = bytes(range(0x20, 0x7F))


class BadQuery(ValueError):
    """A query that gets no offer, and a line in the web server's log."""


def parse_form(body):
    """The fields of the notifier's form (a body that read_body kept to
    MAX_BODY bytes): name=value pairs joined by "&",
    "+" for a blank and nothing percent-decoded (the notifier escapes
    nothing else, and a serial never holds "%")."""
    if not body:
        raise BadQuery("no body")
    if body.translate(None, PRINTABLE):
        raise BadQuery("bytes outside printable ASCII in the body")
    pairs = body.split(b"&")
    if len(pairs) > MAX_FIELDS:
        raise BadQuery("%d fields, more than %d" % (len(pairs), MAX_FIELDS))
    fields = {}
    for pair in pairs:
        name, _, value = pair.decode("ascii").partition("=")
        name = name.replace("+", " ")
        if name in fields:
            raise BadQuery("the field %r twice" % name)
        fields[name] = value.replace("+", " ")
    return fields


def read_query(fields):
    """(serial, (major, minor, build)) from the parsed form."""
    serial = fields.get("sn", "")
    if not serial or len(serial) > MAX_SERIAL:
        raise BadQuery("no usable sn field")
    version = []
    for name, top in (("v1", 0xFFFF), ("v2", 0xFFFF), ("v3", 0xFFFFFFFF)):
        text = fields.get(name, "")
        if not (text.isdigit() and text.isascii() and len(text) <= 10) or int(text) > top:
            raise BadQuery("no usable %s field" % name)
        version.append(int(text))
    return serial, tuple(version)


def version_text(version):
    """6.50.1058: the minor with its two places, as the dialog shows it."""
    return "%d.%02d.%d" % version


def status_value(kind, version, released):
    """The X-Update-Status value: "%lu %hu %hu %lu %04hu%02hu%02hu"."""
    return "%d %d %d %d %04d%02d%02d" % ((kind,) + version + (released.year, released.month, released.day))


def release_id(line, version):
    """The name of a release in the rollout's draw: "4:6.60.1102"."""
    return "%d:%s" % (line, version_text(version))


def admitted(serial, rid, rollout):
    """Whether the rollout admits this serial: a draw from 0 to 99, the
    same for a serial and release on every server and every query."""
    digest = sha256(serial.encode("ascii") + b"\n" + rid.encode("ascii")).digest()
    return int.from_bytes(digest[:4], "big") % 100 < rollout


