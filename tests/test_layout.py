"""The built catalog against layout.txt, a table of every class written down
independently of the sources: declaration order, type codes, each
`definition` entry's name and kind, and the bytes each entry encodes to."""
import os
import struct

import pytest

import rlx.data_items.private_data_items as pdi
import rlx.rlx as fw
from conftest import declared_classes, decode


def read_table():
    rows = []
    with open(os.path.join(os.path.dirname(__file__), "layout.txt")) as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                name, code, *fields = line.split()
                rows.append((name, code, fields))
    return rows


TABLE = read_table()
KINDS = {"B": "DIUInt8Attr", "H": "DIUInt16Attr", "I": "DIUInt32Attr", "Q": "DIUInt64Attr", "b": "DIInt8Attr",
         "h": "DIInt16Attr", "i": "DIInt32Attr", "q": "DIInt64Attr", "f": "DIFloatAttr", "d": "DIDoubleAttr",
         "N": "DISerialNumberAttr", "S": "DISignalStrengthAttr", "C": "DICondensedSignalStrengthAttr",
         "?": "DIBoolAttr", "R": "DIRxStatsAttribute", "D": "DIDomainInfoAttr", "bytes*": "DIVariableLengthBytesAttr",
         "str*": "DIVariableLengthStrAttr", "N*": "DISerialNumberListAttr", "H*": "DIUInt16ListAttr",
         "s": "DIFixedLengthBytesAttr", "z": "DIFixedLengthStrAttr", "[": "DIListAttr"}
DOMAIN = "QQqfq"


def kind_of(token):
    key = token if token in KINDS else "[" if token[0] == "[" else token[-1]
    return getattr(pdi, KINDS[key])


def sample(token, i):
    """A value for entry i of the given kind, distinct from its neighbours'; None: keep the item's own."""
    if token in "BHIQ":
        return 1 << (8 * struct.calcsize(token) - 1) | (i + 1)
    if token in "bhiq":
        return -(i + 2)
    if token in "fd":
        return i + 0.5
    if token == "N":
        return fw.NorvaneSerialNumber(0x80000000 | i)
    if token == "D":
        return domain(-i - 1, i + 0.25)
    if token[-1] == "s":
        return bytes((i + j) % 256 for j in range(int(token[:-1])))
    if token[-1] == "z":
        return "z%d" % i
    return {"bytes*": b"\x01tail", "str*": "tail", "N*": [fw.NorvaneSerialNumber(v) for v in (7, 0xFFFFFFFF)],
            "H*": [1, 0xFFFF], "[": []}.get(token[0] if token[0] == "[" else token)


def domain(quality, slope):
    info = pdi.DomainInformation()
    info.nt64, info.domaint, info.quality, info.slope, info.intercept = 2**64 - 1, 1 << 63, quality, slope, -2**63
    return info


def domain_values(info):
    return [getattr(info, n) for n in ("nt64", "domaint", "quality", "slope", "intercept")]


def wire(token, value, attr):
    """The bytes an entry of this kind holding this value encodes to."""
    if token in ("S", "C", "?", "R"):
        return attr._encode(value)  # the framework's own wire form
    if token[0] == "[":
        return b""  # the lists are left empty
    if token in ("bytes*", "str*"):
        return value if isinstance(value, bytes) else value.encode("ascii")
    if token == "N*":
        value, token = [int(v) for v in value], "%dI" % len(value)
    elif token == "H*":
        token = "%dH" % len(value)
    elif token == "N":
        value, token = int(value), "I"
    elif token == "D":
        value, token = domain_values(value), DOMAIN
    elif token[-1] == "z":
        value, token = value.encode("ascii"), token[:-1] + "s"
    return struct.pack("<" + token, *(value if isinstance(value, list) else [value]))


def comparable(value):
    return domain_values(value) if isinstance(value, pdi.DomainInformation) else value


def test_catalog_in_declaration_order():
    assert [c.__name__ for c in declared_classes(pdi)] == [name for name, _, _ in TABLE]


@pytest.mark.parametrize("name, code, fields", TABLE, ids=[row[0] for row in TABLE])
def test_layout(name, code, fields):
    cls = getattr(pdi, name)
    entries = [tuple(f.split(":")) for f in fields if f != "-"]
    if code == "kind":  # the attribute kind: one packed field of the listed values
        fmt = "".join(token for _, token in entries)
        attr = cls("d")
        assert isinstance(attr, fw.DataItemAttribute) and (attr.name, attr.format, attr.size) == (
            "d", fmt, struct.calcsize("<" + fmt))
        info = domain(-7, 0.5)
        assert attr._encode(info) == struct.pack("<" + fmt, *domain_values(info))
        back, used = attr._decode(attr._encode(info) + b"\xAA")
        assert used == attr.size and domain_values(back) == domain_values(info)
        return
    if code == "record":
        assert cls.__bases__ == (object,) and not hasattr(cls, "type")
    else:
        assert cls.__bases__ == (fw.RLXDataItem,) and cls.type == int(code, 16)
    assert ("definition" in vars(cls)) == (fields != ["-"])
    if fields == ["-"]:
        return
    assert [a.name for a in cls.definition] == [n for n, _ in entries]
    for attr, (_, token) in zip(cls.definition, entries):
        assert type(attr) is kind_of(token), attr.name
        if token[-1] in "sz" and token[:-1].isdigit():
            assert attr.size == int(token[:-1]), attr.name
        if token[0] == "[":
            assert [v for v in vars(attr).values() if isinstance(v, type)] == [getattr(pdi, token[1:-1])]

    obj = cls()
    for i, (n, token) in enumerate(entries):
        value = sample(token, i)
        if value is not None:
            setattr(obj, n, value)
    if code == "record":
        carrier = fw.DIListAttr("records", cls)
        payload = carrier._encode([obj])
        back = carrier._decode(payload)[0][0]
    else:
        payload = obj._encode()[4:]
        back = decode(cls, payload)
    values = [getattr(obj, n) for n, _ in entries]  # as encoded: count fields are recounted
    assert payload == b"".join(wire(t, v, a) for (_, t), v, a in zip(entries, values, cls.definition))
    assert [comparable(getattr(back, n)) for n, _ in entries] == [comparable(v) for v in values]
