#!/usr/bin/python3
"""Writes an editable wheel of the catalog (rlx-private-data-items) naming a staged build.

    ENVIRONMENT/bin/python -P tools/editable_wheel.py STAGE OUTDIR

Run by the interpreter the wheel is for (its tag is that interpreter's).
meson-python, as Debian ships it, builds no editable wheels, and the index's
rebuilds on import in a build directory of its own; this one stands in for
both, the same for every interpreter. Installed with pip into the project's
environment of that interpreter (tools/setup), it holds the distribution's
metadata and console script from pyproject.toml, and a path hook instead of
the package: a .pth file imports a small module that appends a finder to
sys.meta_path, and that finder resolves `rlx.data_items` to
STAGE/rlx/data_items (the tree of tools/build: the checkout's sources and the
built extension). The finder comes after the path's own: wherever a
directory on the path holds `rlx/data_items` under the `rlx` package that was
imported, that one is used; the staged build serves where none does, whichever
framework provides `rlx`. Nothing of `rlx` itself is installed.

For the tools that read the path without importing (type checkers), the .pth
also names OUTDIR/tree, which holds `rlx/data_items` alone, a link to the
staged one: at run time a directory without `rlx/__init__.py` changes nothing.

The wheel is written byte for byte the same for the same input, so that the
set-up can tell when it needs installing again. Prints the wheel's path.
"""

import base64
import hashlib
import os
import sys
import sysconfig
import tomllib
import zipfile

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HOOK = "_rlx_private_data_items_editable"

FINDER = '''"""Editable install of rlx-private-data-items: rlx.data_items is the staged build
%(location)s (written by tools/editable_wheel.py of the checkout)."""
import importlib.util
import os
import sys

LOCATION = %(location)r


class CatalogFinder:
    """Finds rlx.data_items in the staged build when the path holds none."""

    @classmethod
    def find_spec(cls, name, path=None, target=None):
        if name != "rlx.data_items":
            return None
        return importlib.util.spec_from_file_location(name, os.path.join(LOCATION, "__init__.py"),
                                                      submodule_search_locations=[LOCATION])


sys.meta_path.append(CatalogFinder)
'''


def metadata(project):
    lines = ["Metadata-Version: 2.1", "Name: " + project["name"], "Version: " + project["version"]]
    if "description" in project:
        lines.append("Summary: " + project["description"])
    if "requires-python" in project:
        lines.append("Requires-Python: " + project["requires-python"])
    lines += ["Classifier: " + c for c in project.get("classifiers", [])]
    return "\n".join(lines) + "\n"


def tag():
    python = "cp%d%d" % sys.version_info[:2]
    platform = sysconfig.get_platform().replace("-", "_").replace(".", "_")
    return "%s-%s%s-%s" % (python, python, sys.abiflags, platform)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__.split("\n\n")[1] + "\n")
        return 2
    location = os.path.join(os.path.abspath(argv[1]), "rlx", "data_items")
    if not os.path.isfile(os.path.join(location, "__init__.py")):
        sys.stderr.write("editable_wheel: no staged catalog in %s\n" % location)
        return 2
    with open(os.path.join(TOP, "pyproject.toml"), "rb") as f:
        project = tomllib.load(f)["project"]
    name = project["name"].replace("-", "_")
    info = "%s-%s.dist-info" % (name, project["version"])
    scripts = "".join("%s = %s\n" % kv for kv in project.get("scripts", {}).items())
    tree = os.path.join(os.path.abspath(argv[2]), "tree")
    link = os.path.join(tree, "rlx", "data_items")
    if os.path.realpath(link) != os.path.realpath(location):
        os.makedirs(os.path.dirname(link), exist_ok=True)
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(location, link)
    files = [
        (HOOK + ".pth", "%s\nimport %s\n" % (tree, HOOK)),
        (HOOK + ".py", FINDER % {"location": location}),
        (info + "/METADATA", metadata(project)),
        (info + "/WHEEL", "Wheel-Version: 1.0\nGenerator: tools/editable_wheel.py\nRoot-Is-Purelib: false\n"
                          "Tag: %s\n" % tag()),
        (info + "/entry_points.txt", "[console_scripts]\n" + scripts),
    ]
    record = []
    for path, text in files:
        digest = base64.urlsafe_b64encode(hashlib.sha256(text.encode()).digest()).rstrip(b"=").decode()
        record.append("%s,sha256=%s,%d\n" % (path, digest, len(text.encode())))
    files.append((info + "/RECORD", "".join(record) + info + "/RECORD,,\n"))
    wheel = os.path.join(os.path.abspath(argv[2]), "%s-%s-%s.whl" % (name, project["version"], tag()))
    with zipfile.ZipFile(wheel + ".part", "w", zipfile.ZIP_DEFLATED) as z:
        for path, text in files:
            z.writestr(zipfile.ZipInfo(path, (1980, 1, 1, 0, 0, 0)), text)
    os.replace(wheel + ".part", wheel)
    print(wheel)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
