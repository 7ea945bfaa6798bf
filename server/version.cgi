#!/usr/bin/python3 -IS
# The version endpoint as a CGI program (updserver/endpoint.py). -I: no
# PYTHON* variables or user folders; -S: no site packages (the endpoint needs
# the standard library only, and a process starts for every query). The
# package sits beside this file's real path, so a symbolic link from the
# web server's cgi-bin folder works.
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
from updserver.endpoint import run_cgi  # noqa: E402

run_cgi()
