"""The version endpoint: the notifier's POST of /cgi-bin/version.cgi,
answered from the release database, every check-in counted.

As a WSGI application, `application` (gunicorn: updserver.endpoint:application);
as CGI, version.cgi runs it. The files come from the environment (or, for
WSGI servers that pass settings per request, the request's environ):
BRANTLOW_RELEASES (the release database, read only) and BRANTLOW_COUNTS
(this server's counts). A query that cannot be answered gets an answer
without an offer and one line on standard error (the web server's log),
never a crash, and is counted too."""
import os
import sqlite3
import sys

from . import rules, store

RELEASES_VARIABLE = "BRANTLOW_RELEASES"
COUNTS_VARIABLE = "BRANTLOW_COUNTS"
DEFAULT_RELEASES = "/var/lib/brantlow-updates/releases.sqlite"
DEFAULT_COUNTS = "/var/lib/brantlow-updates/counts.sqlite"


def setting(environ, name, default):
    return environ.get(name) or os.environ.get(name) or default


def read_body(environ):
    """At most MAX_BODY bytes; a longer body is not read at all."""
    length = environ.get("CONTENT_LENGTH") or "0"
    if not length.isdigit():
        raise rules.BadQuery("a Content-Length of %r" % length[:20])
    length = int(length)
    if length > rules.MAX_BODY:
        raise rules.BadQuery("a body of %d bytes, more than %d" % (length, rules.MAX_BODY))
    stream = environ["wsgi.input"]
    body = b""
    while len(body) < length:
        chunk = stream.read(length - len(body))
        if not chunk:
            raise rules.BadQuery("a body shorter than its Content-Length")
        body += chunk
    return body


def answer(environ, today):
    """(HTTP status, offer headers, what to count, a line for the log or None)."""
    line, version, kind = 0, "", "bad"
    try:
        serial, query = rules.read_query(rules.parse_form(read_body(environ)))
        version = rules.version_text(query)
        con = store.open_releases(setting(environ, RELEASES_VARIABLE, DEFAULT_RELEASES))
        try:
            line, kind, headers = store.select_offer(con, serial, query, today)
        finally:
            con.close()
        return "200 OK", headers, (line, version, kind), None
    except rules.BadQuery as e:
        return "400 Bad Request", [], (line, version, "bad"), "refused a query: %s" % e
    except sqlite3.Error as e:
        return "503 Service Unavailable", [], (line, version, "unavailable"), \
            "no release database (%s): answered without an offer" % e
    except Exception as e:  # never a crash: the notifier gets an answer without an offer
        return "500 Internal Server Error", [], (line, version, "error"), \
            "failed: %s: %s" % (type(e).__name__, e)


def make_application(today=store.today_utc):
    def application(environ, start_response):
        path = environ.get("SCRIPT_NAME", "") + environ.get("PATH_INFO", "")
        if path != rules.QUERY_PATH:
            return plain(start_response, "404 Not Found", [], b"not found\n")
        if environ.get("REQUEST_METHOD") != "POST":
            return plain(start_response, "405 Method Not Allowed", [("Allow", "POST")],
                         b"the version query is a POST\n")
        day = today()
        status, headers, counted, problem = answer(environ, day)
        errors = environ.get("wsgi.errors", sys.stderr)
        if problem:
            errors.write("version.cgi: %s\n" % problem)
        try:
            store.count_checkin(setting(environ, COUNTS_VARIABLE, DEFAULT_COUNTS), day, *counted)
        except sqlite3.Error as e:
            errors.write("version.cgi: check-in not counted: %s\n" % e)
        errors.flush()
        return plain(start_response, status, headers, b"ok\n" if status.startswith("200") else b"no answer\n")
    return application


def plain(start_response, status, headers, body):
    start_response(status, headers + [("Content-Type", "text/plain"), ("Content-Length", str(len(body))),
                                      ("Cache-Control", "no-store")])
    return [body]


application = make_application()


def run_cgi():
    """Runs the application once as a CGI program (RFC 3875). Written out
    rather than wsgiref's CGIHandler, whose imports cost a CGI process more
    time than the query."""
    environ = dict(os.environ, **{"wsgi.input": sys.stdin.buffer, "wsgi.errors": sys.stderr})
    out = sys.stdout.buffer

    def start_response(status, headers):
        out.write(("Status: %s\r\n" % status).encode("latin-1"))
        out.write("".join("%s: %s\r\n" % h for h in headers).encode("latin-1") + b"\r\n")

    for chunk in application(environ, start_response):
        out.write(chunk)
    out.flush()
