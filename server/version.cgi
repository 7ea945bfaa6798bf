#!/usr/bin/python3
# The version endpoint as a CGI program (updserver/endpoint.py). The
# package sits beside this file's real path, so a symbolic link from the
# web server's cgi-bin folder works.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
from updserver.endpoint import run_cgi  # noqa: E402

run_cgi()
