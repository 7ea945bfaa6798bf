"""What the vendor's commands refuse to store: serials that the package
refuses, version and date texts, and download addresses that the notifier
would not open."""
import datetime
import re

from .rules import MAX_SERIAL, PRINTABLE

_VERSION = re.compile(r"([0-9]{1,5})\.([0-9]{2})\.([0-9]{1,10})")
_LABEL = re.compile(r"[A-Za-z0-9-]+")


class Refused(ValueError):
    """A value that a vendor's command will not store."""


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


def serial_problem(serial):
    """Why the package would refuse this serial (installer/README.md), or
    None: a stored serial must be one that the notifier can send."""
    if not serial:
        return "empty"
    if len(serial) > MAX_SERIAL:
        return "longer than %d characters" % MAX_SERIAL
    if not serial.isascii() or serial.encode("ascii").translate(None, PRINTABLE):
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
