#!/usr/bin/env python3
"""Checks every component help file that the component table names, as HTML
Help reads it:
- the file was built;
- each context number in #IVB points at a string in #STRINGS, and that string
  names a page that the file holds ("/page.html"), not a path on the computer
  that compiled it;
- every non-zero help context that the table gives the file's entries is
  mapped, to a page that names the component's file (the right page, not
  just any page);
- every component of the file is named on one of its pages, and a page that
  names it carries its description word for word, as the panel shows it.
The expected contexts come from the table's generator, not from a copy here;
the descriptions from the panel's string table.

Usage: check_chm_context_map.py CHMLS make_component_table.py ComponentStrings.rc HELP-DIR
"""
import html
import importlib.util
import os
import re
import struct
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "pylib"))
from chmfiles import extract_all  # noqa: E402


def load_table(path):
    found = importlib.util.spec_from_file_location("make_component_table", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def context_map(files):
    """{context: target string}, or None when the file has no map."""
    ivb, strings = files.get("/#IVB"), files.get("/#STRINGS")
    if ivb is None or strings is None:
        return None
    size = struct.unpack_from("<I", ivb, 0)[0]
    mapped = {}
    for i in range(0, size, 8):
        context, offset = struct.unpack_from("<II", ivb, 4 + i)
        end = strings.find(b"\0", offset)
        mapped[context] = strings[offset:end].decode("latin-1")
    return mapped


def names(text, component):
    """Whether a page names the component's file as a word of its own
    (bftp.ocx is not named by a page on bsftp.ocx)."""
    return re.search(r"(?<![\w.])%s(?![\w.])" % re.escape(component), text) is not None


def read_descriptions(table, strings):
    """{component file name: description}, from the string table's lines
    (ID "text", a doubled quote standing for one)."""
    texts = {}
    with open(strings, encoding="latin-1") as f:
        for line in f:
            m = re.match(r'\s*(\d+)\s+"((?:[^"]|"")*)"\s*$', line)
            if m:
                texts[int(m.group(1))] = m.group(2).replace('""', '"')
    return {c[2]: texts.get(c[1]) for c in table.COMPONENTS}


def check_file(chmls, chm, components, descriptions, report):
    """components: {component file name: context}. Returns failure count."""
    name = os.path.basename(chm)
    if not os.path.isfile(chm):
        report("FAIL %s: not built" % name)
        return 1
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        files = extract_all(chmls, chm, folder)
    pages = {k: v.decode("latin-1") for k, v in files.items() if k.endswith(".html")}
    mapped = context_map(files)
    expected = {}
    for component, context in components.items():
        if context:
            expected.setdefault(context, []).append(component)

    if expected and not mapped:
        report("FAIL %s: no context map, but the table gives contexts %s"
               % (name, " ".join(str(c) for c in sorted(expected))))
        return 1
    for context, target in sorted((mapped or {}).items()):
        if target not in pages:
            report("FAIL %s: context %d -> %s, which is not a page of the file"
                   % (name, context, target))
            failures += 1
    for context, owners in sorted(expected.items()):
        target = (mapped or {}).get(context)
        if target is None:
            report("FAIL %s: context %d (%s) is not mapped" % (name, context, ", ".join(owners)))
            failures += 1
            continue
        for component in owners:
            if target in pages and not names(pages[target], component):
                report("FAIL %s: context %d -> %s, which does not name %s"
                       % (name, context, target, component))
                failures += 1
            elif target in pages:
                report("ok   %s: context %d -> %s (%s)" % (name, context, target, component))
    for component in sorted(components):
        naming = [html.unescape(text) for text in pages.values() if names(text, component)]
        if not naming:
            report("FAIL %s: no page names %s" % (name, component))
            failures += 1
        elif not descriptions.get(component) or not any(descriptions[component] in t for t in naming):
            report("FAIL %s: no page that names %s carries its description" % (name, component))
            failures += 1
    if not expected:
        report("ok   %s: opens at its contents only (the table gives it no context)" % name)
    return failures


def main(argv):
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    chmls, generator, strings, folder = argv[1:]
    table = load_table(generator)
    topics = table.help_topics()
    descriptions = read_descriptions(table, strings)
    failures = 0
    for help_file, components in sorted(topics.items()):
        failures += check_file(chmls, os.path.join(folder, help_file), components,
                               descriptions, print)
    contexts = sum(1 for c in topics.values() for x in c.values() if x)
    print("%d help files, %d components with a context, %d failures"
          % (len(topics), contexts, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
