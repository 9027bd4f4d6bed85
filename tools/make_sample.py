#!/usr/bin/python3
"""Writes the bundled sample capture: one item of every declared item class,
its fields filled with distinct non-zero values, as commented hex text.

Run from a tree where the extension is importable (see tools/build):
    PYTHONPATH=$(tools/build) /usr/bin/python3 tools/make_sample.py [OUT]
"""
import os
import sys

import rlx.data_items.private_data_items as m
from rlx.data_items.capture import declared_classes, layout
from rlx.data_items.cli import class_kind

OUT = os.path.join(os.path.dirname(__file__), "..", "rlx", "data_items", "sample_capture.hex")


def value_for(field, seed, default):
    kind, size = field.kind, field.size
    if kind.startswith("DIUInt") and kind.endswith("Attr") and "List" not in kind:
        return (seed * 37 + 1) % (1 << (8 * min(size, 2)))
    if kind.startswith("DIInt"):
        return -((seed * 13 + 1) % 100)
    if kind in ("DIFloatAttr", "DIDoubleAttr"):
        return 0.25 * (seed % 16 + 1)
    if kind == "DISerialNumberAttr":
        return m.NorvaneSerialNumber(0x10000 + seed)
    if kind == "DISerialNumberListAttr":
        return [m.NorvaneSerialNumber(0x20000 + seed + i) for i in range(2)]
    if kind == "DIUInt16ListAttr":
        return [seed, seed + 1, seed + 2]
    if kind == "DIListAttr":
        element = field.element
        if element is m.UWBNetworkCommandItem:
            return None
        return [filled(element(), seed + i) for i in range(2)]
    if kind == "DIFixedLengthBytesAttr":
        return bytes((seed + i) % 256 for i in range(size))
    if kind == "DIFixedLengthStrAttr":
        return "sample%d" % seed if size >= 10 else "s"[:size]
    if kind == "DIVariableLengthBytesAttr":
        return bytes([seed % 256, 1, 2, 3])
    if kind == "DIVariableLengthStrAttr":
        return "payload %d" % seed
    if kind == "DIBoolAttr":
        return True
    if kind == "DISignalStrengthAttr":
        return -(seed % 90)
    if kind == "DICondensedSignalStrengthAttr":
        return seed % 100
    if kind == "DIRxStatsAttribute":
        # the wire form is the framework's: fill whatever shape its default has
        return tuple((seed + i) % 7 for i in range(len(default))) if isinstance(default, tuple) else seed % 7
    if kind == "DIDomainInfoAttr":
        info = m.DomainInformation()
        info.nt64, info.domaint, info.quality, info.slope, info.intercept = seed, seed + 1, -1, 0.5, -seed
        return info
    return None


def filled(obj, seed):
    for i, field in enumerate(layout(type(obj))):
        value = value_for(field, seed + i, getattr(obj, field.name, None))
        if value is not None:
            setattr(obj, field.name, value)
    return obj


def round_trip(cls, item):
    encoded = item._encode()
    check = cls()
    check.di_data = encoded[4:]
    check._decode()
    return encoded


def main():
    lines = ["# Sample capture: one item of every declared item type, as hex text.",
             "# Each item: type code (u16 LE), payload length (u16 LE), payload.",
             "# Written by tools/make_sample.py."]
    for seed, cls in enumerate(declared_classes(m)):
        if class_kind(m, cls) != "item":
            continue
        item = filled(cls(), seed)
        if hasattr(item, "add_uwb_network_command"):
            item.add_uwb_network_command(0x11, 0x2A, 3, b"abc")
        try:
            encoded = round_trip(cls, item)
        except Exception:
            # Generic filling breaks an invariant of this item (a count inside a
            # nested record): fall back to the item as built by default.
            try:
                encoded = round_trip(cls, cls())
            except Exception as exc:
                sys.exit("%s: %s: %s" % (cls.__name__, type(exc).__name__, exc))
        lines.append("# %s" % cls.__name__)
        lines.append(encoded.hex(" "))
    with open(sys.argv[1] if len(sys.argv) > 1 else OUT, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
