import importlib
import os
import sys

import pytest

# The package is imported from the staged build (PYTHONPATH), never from the
# source checkout, which holds the Python sources but not the built extension.
_REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[:] = [p for p in sys.path if os.path.abspath(p or os.curdir) != _REPO]
for _name in [n for n in sys.modules if n == "rlx" or n.startswith("rlx.")]:
    del sys.modules[_name]


@pytest.fixture(scope="session")
def pdi():
    """The catalog module."""
    return importlib.import_module("rlx.data_items.private_data_items")


def encode_payload(item):
    """The payload bytes of an item's encoding (type code and length stripped)."""
    return item._encode()[4:]


def decode(cls, payload, serial=0):
    """Decode ``payload`` into a new instance of ``cls`` as a receiver does."""
    from rlx.rlx import NorvaneSerialNumber
    item = cls()
    item.rlx_header_serial = NorvaneSerialNumber(serial)
    item.di_data = bytes(payload)
    item._decode()
    return item
