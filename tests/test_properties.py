"""Every decoder of the catalog on any payload: a decode either ends in one of
the standard errors or consumes the payload, and what it decoded re-encodes
under the class's code to bytes that decode and re-encode to themselves.

The payloads are valid encodings of drawn values, mutated, and random bytes.
fuzz/run spends a time budget (RLX_FUZZ_BUDGET seconds) on the same property.
Below it, the table of payloads from past findings and of the corners of the
decoders whose lists are bounded by counts sent in front of them."""
import functools
import os
import struct
import time

import pytest
from hypothesis import given, settings, strategies as st

import rlx.data_items.private_data_items as pdi
import rlx.rlx as fw
from conftest import STANDARD_ERRORS, declared_classes, decode

DECODERS = [c for c in declared_classes(pdi) if issubclass(c, fw.RLXDataItem)] + [pdi.DIDomainInfoAttr]
BUDGET = float(os.environ.get("RLX_FUZZ_BUDGET") or 0)
INTS = {c: (-(1 << (8 * struct.calcsize(c) - 1)), (1 << (8 * struct.calcsize(c) - 1)) - 1) for c in "bhiq"}
INTS.update({c: (0, (1 << (8 * struct.calcsize(c))) - 1) for c in "BHIQ"})


def element_of(attr):
    return next(v for v in vars(attr).values() if isinstance(v, type))


def values(attr):
    """Values an attribute of this kind encodes."""
    if isinstance(attr, pdi.DIDomainInfoAttr):
        return st.builds(lambda v: pdi.DIDomainInfoAttr("d")._decode(v)[0], st.binary(min_size=36, max_size=36))
    if isinstance(attr, fw.DIListAttr):
        element = element_of(attr)
        return st.lists(records(element), max_size=3) if getattr(element, "definition", None) else st.just([])
    if isinstance(attr, fw.DIUInt16ListAttr):
        return st.lists(st.integers(0, 0xFFFF), max_size=4)
    if isinstance(attr, fw.DISerialNumberListAttr):
        return st.lists(st.integers(0, 2**32 - 1).map(fw.NorvaneSerialNumber), max_size=4)
    if isinstance(attr, fw.DISerialNumberAttr):
        return st.integers(0, 2**32 - 1).map(fw.NorvaneSerialNumber)
    if isinstance(attr, (fw.DIVariableLengthBytesAttr, fw.DIFixedLengthBytesAttr)) and \
            not isinstance(attr, fw.DIFixedLengthStrAttr):
        return st.binary(max_size=attr.size or 12)
    if isinstance(attr, (fw.DIVariableLengthStrAttr, fw.DIFixedLengthStrAttr)):
        return st.text("abc XYZ09", max_size=attr.size or 12)
    scalars = [st.integers(*INTS[c]) if c in INTS else st.floats(width=32 if c == "f" else 64)
               if c in "fd" else st.booleans() for c in attr.format]
    return scalars[0] if len(scalars) == 1 else st.tuples(*scalars)


def records(cls):
    def build(drawn):
        obj = cls.__new__(cls)
        obj.__dict__.update(drawn)
        return obj
    return st.fixed_dictionaries({a.name: values(a) for a in cls.definition}).map(build)


@functools.lru_cache(maxsize=None)
def payloads(cls):
    if cls is pdi.DIDomainInfoAttr:
        valid = st.binary(min_size=36, max_size=36)
    else:
        valid = records(cls).map(lambda item: bytes(item._encode()[4:]))
    mutated = st.tuples(valid, st.integers(0, 255), st.sampled_from("cut tail flip count".split()), st.binary(max_size=8))
    return st.one_of(valid, st.binary(max_size=64), mutated.map(lambda m: mutate(*m)))


def mutate(data, at, how, extra):
    at = at % (len(data) + 1)
    if how == "cut":
        return data[:at]
    if how == "tail":
        return data + extra
    if how == "flip" and at < len(data):
        return data[:at] + bytes([data[at] ^ (1 << (at % 8))]) + data[at + 1:]
    return data[:at] + extra[:2] + data[at + 2:]  # a count or a length overwritten


def check(cls, payload):
    registry = pdi.ExecuteDeviceCommandV2.cmd_classes
    saved = dict(registry)
    try:
        if cls is pdi.DIDomainInfoAttr:
            attr = cls("d")
            try:
                value, used = attr._decode(payload)
            except STANDARD_ERRORS:
                return
            again = attr._encode(value)
            assert used == len(again) == 36 and attr._encode(attr._decode(again)[0]) == again
            return
        try:
            item = decode(cls, payload)
        except STANDARD_ERRORS:
            return
        assert item.di_data is None
        try:
            str(item)
        except STANDARD_ERRORS:
            pass
        again = item._encode()
        assert again[:4] == struct.pack("<HH", cls.type, len(again) - 4)
        assert decode(cls, again[4:])._encode() == again
    finally:
        registry.clear()
        registry.update(saved)


@pytest.mark.parametrize("cls", DECODERS, ids=lambda c: c.__name__)
@settings(max_examples=20)
@given(data=st.data())
def test_any_payload(cls, data):
    check(cls, data.draw(payloads(cls), label="payload"))


@pytest.mark.skipif(not BUDGET, reason="the time-budgeted run of fuzz/run")
def test_fuzz():
    for cls in DECODERS:
        end = time.monotonic() + BUDGET / len(DECODERS)
        while time.monotonic() < end:
            test_any_payload(cls)


Z = "00"
RADAR_HEAD = Z * 20  # the radar debug item up to its position records
MR_HEAD = Z * 16  # the multi-range transmission up to its reception count
# Class, payload in hex, and the error its decoding must raise, or None when
# it must decode, re-encode, and decode again to the same encoding.
ROWS = [
    # A position record claiming more interface records than it holds keeps the whole ones, the count as sent.
    ("RadarDebugV5", RADAR_HEAD + Z * 17 + "02" + Z * 25, None),
    ("RadarDebugV5", RADAR_HEAD + Z * 17 + "01" + Z * 24, struct.error),
    ("RadarDebugV5", RADAR_HEAD + Z * 17, struct.error),
    # A count beyond the payload bounds the list to what remains: the trailing fixed string is then missing.
    ("AcknowledgeListResponse", "ffff0000" + Z * 32, struct.error),
    ("AcknowledgeListResponse", "01000100" + Z * 8 + "6f6b" + Z * 30, None),
    ("PeriodicSystemOwnershipReport", "0500000000000000" + Z * 8, None),
    # The reception list never reads the free text behind it as entries.
    ("MrTransmissionV1", MR_HEAD + "01" + Z * 18 + "6869", None),
    ("MrTransmissionV1", MR_HEAD + "03" + Z * 18 + "6869", struct.error),
    ("ExecuteDeviceCommandV2", Z * 6, struct.error),
    ("DIDomainInfoAttr", Z * 35, struct.error),
]


@pytest.mark.parametrize("name, payload, error", ROWS, ids=["%s-%d" % (r[0], i) for i, r in enumerate(ROWS)])
def test_regression_payload(name, payload, error):
    cls, data = getattr(pdi, name), bytes.fromhex(payload)
    if error is None:
        check(cls, data)
        assert decode(cls, data).di_data is None
    else:
        with pytest.raises(error):
            cls("d")._decode(data) if cls is pdi.DIDomainInfoAttr else decode(cls, data)
