"""What the vendor's side accepts: the notifier's form, serial numbers,
version texts, download addresses, and the rollout's stable draw."""
import datetime
import hashlib
import re

QUERY_PATH = "/cgi-bin/version.cgi"
MAX_BODY = 4096         # the notifier's form buffer
MAX_FIELDS = 16         # the notifier sends four
MAX_SERIAL = 127        # the catalogue's serial buffer, less its end
UPDATE, UPGRADE = 0, 1  # bit 0 of the status value
KINDS = {UPDATE: "update", UPGRADE: "upgrade"}

_PRINTABLE = re.compile(rb"[\x20-\x7e]*")
_NUMBER = re.compile(r"[0-9]{1,10}")
_VERSION = re.compile(r"([0-9]{1,5})\.([0-9]{2})\.([0-9]{1,10})")
_LABEL = re.compile(r"[A-Za-z0-9-]+")


class BadQuery(ValueError):
    """A query that gets no offer, and a line in the web server's log."""


class Refused(ValueError):
    """A value that a vendor's command will not store."""


def parse_form(body):
    """The fields of the notifier's form: name=value pairs joined by "&",
    "+" for a blank and nothing percent-decoded (the notifier escapes
    nothing else, and a serial never holds "%")."""
    if not body:
        raise BadQuery("no body")
    if len(body) > MAX_BODY:
        raise BadQuery("a body of %d bytes, more than %d" % (len(body), MAX_BODY))
    if not _PRINTABLE.fullmatch(body):
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
        if not _NUMBER.fullmatch(text) or int(text) > top:
            raise BadQuery("no usable %s field" % name)
        version.append(int(text))
    return serial, tuple(version)


def version_text(version):
    """6.50.1058: the minor with its two places, as the dialog shows it."""
    return "%d.%02d.%d" % version


def parse_version(text):
    """(major, minor, build) from "6.60.1102"; the minor has two places."""
    m = _VERSION.fullmatch(text)
    if not m or int(m.group(1)) > 0xFFFF or int(m.group(3)) > 0xFFFFFFFF:
        raise Refused("%r is not a version major.minor.build with a two-place minor (6.05.1102)" % text)
    return tuple(int(g) for g in m.groups())


def parse_date(text):
    try:
        return datetime.date.fromisoformat(text)
    except (TypeError, ValueError):
        raise Refused("%r is not a date YYYY-MM-DD" % text) from None


def status_value(kind, version, released):
    """The X-Update-Status value: "%lu %hu %hu %lu %04hu%02hu%02hu"."""
    return "%d %d %d %d %04d%02d%02d" % ((kind,) + version + (released.year, released.month, released.day))


def release_id(line, version):
    """The name of a release in the rollout's draw: "4:6.60.1102"."""
    return "%d:%s" % (line, version_text(version))


def admitted(serial, rid, rollout):
    """Whether the rollout admits this serial: a draw from 0 to 99, the
    same for a serial and release on every server and every query."""
    digest = hashlib.sha256(serial.encode("ascii") + b"\n" + rid.encode("ascii")).digest()
    return int.from_bytes(digest[:4], "big") % 100 < rollout


def serial_problem(serial):
    """Why the package would refuse this serial (installer/README.md), or
    None: a stored serial must be one that the notifier can send."""
    if not serial:
        return "empty"
    if len(serial) > MAX_SERIAL:
        return "longer than %d characters" % MAX_SERIAL
    if not _PRINTABLE.fullmatch(serial.encode("utf-8")):
        return "a character outside printable ASCII"
    for ch in "&=+%":
        if ch in serial:
            return "holds %r, which would change the form" % ch
    if serial.startswith("#"):
        return "begins with '#'"
    if "[~]" in serial:
        return "holds '[~]'"
    return None


def read_download_hosts(path):
    """The download hosts, one a line, "#" comments: the notifier's build
    reads the same file."""
    hosts = []
    with open(path, encoding="ascii") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                hosts.append(line.lower())
    return hosts


def address_problem(url, hosts):
    """Why the notifier would not open this download address, or None: an
    https:// address on a listed host, port 443 or none, no user-info, no
    "%", letter/digit/hyphen labels, no trailing dot, a last label that is
    not all digits, and no blank, control character or quote anywhere."""
    if not url.isascii() or any(ch <= " " or ch in '"\x7f' for ch in url):
        return "a blank, control character, quote or non-ASCII character"
    if url[:8].lower() != "https://":
        return "not an https:// address"
    authority = re.split(r"[/?#\\]", url[8:], maxsplit=1)[0]
    if "@" in authority:
        return "user-info before the host"
    if "%" in authority:
        return "a %-escape in the host"
    host, colon, port = authority.partition(":")
    if colon and port != "443":
        return "a port other than 443"
    labels = host.split(".")
    if not all(_LABEL.fullmatch(label) for label in labels):
        return "the host %r is not letter/digit/hyphen labels joined by dots" % host
    if labels[-1].isdigit():
        return "the host %r is an address, not a name" % host
    host = host.lower()
    for entry in hosts:
        if host == entry or (entry.startswith("*.") and host.endswith(entry[1:])):
            return None
    return "the host %r is not a download host" % host
