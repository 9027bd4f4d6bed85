import importlib
import importlib.util
import os
import shutil
import struct
import sys
import tempfile

import pytest
from hypothesis import settings

# The package is imported from the staged build (PYTHONPATH), never from the
# source checkout, which holds the Python sources but not the built extension.
_REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[:] = [p for p in sys.path if os.path.abspath(p or os.curdir) != _REPO]
for _name in [n for n in sys.modules if n == "rlx" or n.startswith("rlx.")]:
    del sys.modules[_name]
# The interpreters the tests start run in other directories: the path as absolute directories.
if os.environ.get("PYTHONPATH"):
    os.environ["PYTHONPATH"] = os.pathsep.join(os.path.abspath(p) for p in os.environ["PYTHONPATH"].split(os.pathsep) if p)

# With RLX_TEST_FRAMEWORK=alt the whole suite runs on the second framework of
# tests/alt_framework instead of the project's stand-in: a private tree holds
# that framework and command module beside the staged package (extension,
# command-line tool, sample), and goes first on the path of this process and
# of every interpreter the tests start. Tests of the stand-in's own choices are
# marked ``standin`` and skipped there.
ALT = os.environ.get("RLX_TEST_FRAMEWORK") == "alt"


def _alt_tree():
    # The built catalog, wherever the path or an editable install puts it.
    staged = importlib.util.find_spec("rlx.data_items").submodule_search_locations[0]
    for name in [n for n in sys.modules if n == "rlx" or n.startswith("rlx.")]:
        del sys.modules[name]
    top = tempfile.mkdtemp(prefix="rlx-alt-")
    pkg = os.path.join(top, "rlx")
    os.makedirs(os.path.join(pkg, "data_items"))
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "alt_framework")
    open(os.path.join(pkg, "__init__.py"), "w").close()
    shutil.copy(os.path.join(here, "rlx_alt.py"), os.path.join(pkg, "rlx.py"))
    shutil.copy(os.path.join(here, "commands_alt.py"), os.path.join(pkg, "private_network_commands.py"))
    for entry in os.listdir(staged):
        if not entry.startswith("__pycache__"):
            os.symlink(os.path.realpath(os.path.join(staged, entry)), os.path.join(pkg, "data_items", entry))
    return top


if ALT:
    _TOP = _alt_tree()
    sys.path.insert(0, _TOP)
    os.environ["PYTHONPATH"] = os.pathsep.join([_TOP] + [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p])


# The errors a decode or an encode may end in: struct's packing and Python's
# conversion errors, as the framework's kinds and the catalog raise them.
STANDARD_ERRORS = (struct.error, ValueError, TypeError, IndexError, OverflowError, UnicodeDecodeError)
# Under AddressSanitizer (tools/sanitize, fuzz/run --sanitize) the runtime is preloaded.
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")
settings.register_profile("rlx", database=None, deadline=None)
settings.load_profile("rlx")


def pytest_configure(config):
    config.addinivalue_line("markers", "standin: relies on choices of the project's stand-in framework")


def pytest_collection_modifyitems(config, items):
    if ALT:
        skip = pytest.mark.skip(reason="a choice of the project's stand-in framework")
        for item in items:
            if "standin" in item.keywords:
                item.add_marker(skip)


def pytest_unconfigure(config):
    if ALT:
        shutil.rmtree(_TOP, ignore_errors=True)


@pytest.fixture(scope="session")
def pdi():
    """The catalog module."""
    return importlib.import_module("rlx.data_items.private_data_items")


def declared_classes(module):
    """The classes the catalog declares, in declaration order."""
    return [v for v in vars(module).values() if isinstance(v, type) and v.__module__ == module.__name__]


def encode_payload(item):
    """The payload bytes of an item's encoding (type code and length stripped)."""
    return item._encode()[4:]


def decode(cls, payload, serial=0, partial=False):
    """Decode ``payload`` into a new instance of ``cls`` as a receiver does. With ``partial``, a
    decode that fails with a standard error leaves the item as far as it got, ``di_data`` not None."""
    from rlx.rlx import NorvaneSerialNumber
    item = cls()
    item.rlx_header_serial = NorvaneSerialNumber(serial)
    item.di_data = bytes(payload)
    try:
        item._decode()
    except STANDARD_ERRORS:
        if not partial:
            raise
    return item


def registered_items(code):
    """The item classes the framework knows for a type code, through whichever lookup it offers."""
    import rlx.rlx as framework
    if hasattr(framework, "get_item_class"):
        return [framework.get_item_class(code)]
    return framework.find(code)
