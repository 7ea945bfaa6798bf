"""The files inside a compiled help file, as chmls (fp-utils) extracts them."""
import os
import subprocess


def extract_all(chmls, chm, folder):
    """{"/inner/path": bytes} of every file that the help file holds, its
    names as stored; FOLDER receives the extracted copies."""
    subprocess.run([chmls, "extractall", chm, folder], capture_output=True, check=True)
    files = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            inner = "/" + os.path.relpath(path, folder).replace(os.sep, "/")
            with open(path, "rb") as f:
                files[inner] = f.read()
    return files
