import importlib

import pytest


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
