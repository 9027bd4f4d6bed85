# The built catalog against layout.txt, a table of every class written down
# independently of the sources: declaration order, type codes, and each
# `definition` entry's name and kind (which fix its width, signedness and wire
# form), the length of each fixed-length entry and the element class of each
# list; for the module's own attribute kind, the bytes it packs.
import os
import struct

import pytest

import rlx.data_items.private_data_items as pdi
import rlx.rlx as fw
from conftest import declared_classes


with open(os.path.join(os.path.dirname(__file__), "layout.txt")) as f:
    TABLE = [(row[0], row[1], row[2:]) for row in (line.split() for line in f if not line.startswith("#")) if row]
KINDS = {"B": "DIUInt8Attr", "H": "DIUInt16Attr", "I": "DIUInt32Attr", "Q": "DIUInt64Attr", "b": "DIInt8Attr",
         "h": "DIInt16Attr", "i": "DIInt32Attr", "q": "DIInt64Attr", "f": "DIFloatAttr", "d": "DIDoubleAttr",
         "N": "DISerialNumberAttr", "S": "DISignalStrengthAttr", "C": "DICondensedSignalStrengthAttr",
         "?": "DIBoolAttr", "R": "DIRxStatsAttribute", "D": "DIDomainInfoAttr", "bytes*": "DIVariableLengthBytesAttr",
         "str*": "DIVariableLengthStrAttr", "N*": "DISerialNumberListAttr", "H*": "DIUInt16ListAttr",
         "s": "DIFixedLengthBytesAttr", "z": "DIFixedLengthStrAttr", "[": "DIListAttr"}


def kind_of(token):
    key = token if token in KINDS else "[" if token[0] == "[" else token[-1]
    return getattr(pdi, KINDS[key])


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
        values = [2**64 - 1, 1 << 63, -7, 0.5, -2**63]
        info = pdi.DomainInformation()
        info.__dict__.update(zip([n for n, _ in entries], values))
        assert attr._encode(info) == struct.pack("<" + fmt, *values)
        back, used = attr._decode(attr._encode(info) + b"\xAA")
        assert used == attr.size and [getattr(back, n) for n, _ in entries] == values
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
    if code == "record" and name != "PinConfig":  # the representation (PinConfig has its own): the class, each field by name
        record = cls.__new__(cls)
        values = {n: "v%d" % i if i % 2 else i for i, (n, _) in enumerate(entries)}
        record.__dict__.update(values)
        assert repr(record) == "%s(%s)" % (name, ", ".join("%s=%r" % kv for kv in values.items()))
        if token[-1] in "sz" and token[:-1].isdigit():
            assert attr.size == int(token[:-1]), attr.name
        if token[0] == "[":
            assert [v for v in vars(attr).values() if isinstance(v, type)] == [getattr(pdi, token[1:-1])]
