"""What the catalog's rows declare (rlx.data_items._capture.declarations), which the tool reads instead of
reflection and trial encodes: it agrees with what those find for every class, and the tool works the same on
a catalog module that does not tell."""
import os
import subprocess
import sys

import pytest

import rlx.data_items.private_data_items as pdi
from rlx.data_items import _capture, capture, cli

from conftest import declared_classes

DECLARED = {entry["name"]: entry for entry in _capture.declarations(pdi)}
# What capture and cli cache of the declarations or of what they find out in their place.
CACHES = ("_DECLARED", "_PACKED", "_FAITHFUL")


def answers(cls):
    kind = cli.class_kind(pdi, cls)
    return (capture.layout(cls), capture.fixed_size(cls), cli.count_fields(cls) if kind == "item" else [],
            capture.packed_fields(cls), kind == "item" and capture.faithful(cls) is None,
            kind == "item" and [capture._has_own(cls, name) for name in ("_encode", "_decode", "__str__")])


@pytest.mark.parametrize("cls", declared_classes(pdi), ids=lambda cls: cls.__name__)
def test_declarations_agree_with_reflection(cls, monkeypatch):
    entry = DECLARED[cls.__name__]
    assert entry["what"] == cli.class_kind(pdi, cls)
    assert entry["type"] == (cls.type if entry["what"] == "item" else None)
    assert entry["definition"] == ("definition" in vars(cls))
    assert set(entry["methods"]) == {name for name, value in vars(cls).items()
                                     if callable(value) or isinstance(value, classmethod)}
    asked = answers(cls)
    assert capture.declarations()[cls] is not None
    monkeypatch.delattr(_capture, "declarations")
    for cache in CACHES:
        monkeypatch.setattr(capture, cache, type(getattr(capture, cache))())
    assert capture.declarations() == {}
    assert answers(cls) == asked


# A count declared to bound its list changes what decoding makes of the list's bytes: zeroed in the payload of
# an item holding one element, the list comes out without it (or the bytes left over do not decode).
@pytest.mark.parametrize("name, count, lst, bounds", [(name, *counted) for name, entry in DECLARED.items()
                                                      for counted in entry["counts"]])
def test_declared_bounds_are_what_decoding_does(name, count, lst, bounds):
    cls = getattr(pdi, name)
    fields = {f.name: f for f in capture.layout(cls)}
    item = cls()
    setattr(item, lst, cli._filled_list(fields[lst], 1))
    payload = bytearray(item._encode()[4:])
    at = fields[count].offset
    payload[at:at + fields[count].size] = bytes(fields[count].size)
    got = cls()
    got.di_data = bytes(payload)
    try:
        got._decode()
        bounded = len(getattr(got, lst)) != 1
    except Exception:  # the element's bytes, no longer in the list, are not a field's
        bounded = True
    assert bounded == bounds


# Only the catalog's shared object has the entry point.
@pytest.mark.parametrize("module, expected", [(_capture, None), (capture, None), (sys, None), ("pdi", TypeError)])
def test_declarations_of_other_modules(module, expected):
    if expected is TypeError:
        with pytest.raises(TypeError, match="takes a module, not str"):
            _capture.declarations(module)
    else:
        assert _capture.declarations(module) is expected


# The tool's views byte for byte the same when the catalog module does not tell.
WITHOUT = ("import sys\nimport rlx.data_items._capture as c\ndel c.declarations\n"
           "from rlx.data_items.cli import main\nsys.exit(main())\n")


@pytest.mark.parametrize("args", [
    ["catalog"],
    ["show", "AcknowledgeListResponse"],
    ["show", "PeriodicSystemOwnershipReport"],
    ["show", "ClockDomain"],
    ["show", "DIDomainInfoAttr"],
    ["decode", "--sample", "-V"],
    ["decode", "--sample", "--json"],
], ids=" ".join)
def test_tool_without_declarations(args):
    def run(*command):
        return subprocess.run([sys.executable, *command, *args], capture_output=True, cwd="/", env=dict(os.environ))

    asked, found = run("-m", "rlx.data_items"), run("-c", WITHOUT)
    assert (found.returncode, found.stdout, found.stderr) == (asked.returncode, asked.stdout, asked.stderr)
    assert asked.stdout
