#!/usr/bin/env python3
"""The one head and style sheet of every help page, the programs' own and
the component help alike.

A page's source in help/<program>/ is its body alone, starting with its
<h1>, which is also its title. Before a project is compiled, the build
copies its folder and gives each such page the head and end below, and the
project the style sheet help/help.css (which its [FILES] name as
"help.css"):

    help_page.py SOURCE-DIR OUT-DIR

Pages that are whole already (the component help that
make_component_help.py writes with head()) are copied as they are.
"""
import os
import re
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
STYLE_SHEET = "help.css"


def head(title):
    """The lines that open a page titled TITLE (HTML text), up to <body>."""
    return ['<html>', '<head>',
            '<meta http-equiv="Content-Type" content="text/html; charset=windows-1252">',
            '<title>%s</title>' % title,
            '<link rel="stylesheet" type="text/css" href="%s">' % STYLE_SHEET,
            '</head>', '<body>']


END = ['</body>', '</html>']


def whole_page(body, name):
    """The page for a body that starts with its <h1>."""
    m = re.match(r"<h1>(.*?)</h1>", body)
    if not m:
        raise SystemExit("help_page: %s does not start with its <h1>" % name)
    return "\n".join(head(m.group(1)) + [body.rstrip("\n")] + END) + "\n"


def main(source, out):
    os.makedirs(out, exist_ok=True)
    for name in sorted(os.listdir(source)):
        path = os.path.join(source, name)
        if not os.path.isfile(path):
            continue
        if name.endswith(".html"):
            with open(path, encoding="latin-1") as f:
                text = f.read()
            if not text.startswith("<html>"):
                text = whole_page(text, path)
            with open(os.path.join(out, name), "w", encoding="latin-1", newline="\n") as f:
                f.write(text)
        else:
            shutil.copyfile(path, os.path.join(out, name))
    shutil.copyfile(os.path.join(HERE, STYLE_SHEET), os.path.join(out, STYLE_SHEET))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
