"""The vendor's side of the update check: the release database, the version
endpoint (WSGI, and CGI through version.cgi) and the vendor's commands
(vendorctl). The endpoint uses the standard library only; publishing signs
with Debian's python3-cryptography through tools/offerkey.py."""
