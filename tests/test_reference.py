"""What each class is for (the package's purposes.txt) and the fields of the record an attribute kind packs
whole, as `show` and the checked-in reference give them."""
import os
import struct

import pytest

from rlx.data_items import capture, cli

from conftest import declared_classes

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PACKED = ("DomainInformation", "DIDomainInfoAttr", "ClockDomain")


def purpose_lines():
    """[(name, purpose)] of the installed purposes.txt, in file order, comments and blank lines left out."""
    with open(os.path.join(os.path.dirname(capture.__file__), "purposes.txt"), encoding="utf-8") as f:
        lines = [line for line in f.read().splitlines() if line.strip() and not line.startswith("#")]
    return [tuple(part.strip() for part in line.partition(":")[::2]) for line in lines]


# One line for every declared class, none for a class that does not exist, in declaration order: a class
# added to the catalog without its purpose fails here. Each line is a short phrase of its own.
def test_every_class_has_one_purpose_line_in_catalog_order(pdi):
    names = [name for name, _ in purpose_lines()]
    assert names == [c.__name__ for c in declared_classes(pdi)]
    assert all(0 < len(text) <= 100 for _, text in purpose_lines())
    assert len({text for _, text in purpose_lines()}) == len(names)


def show(name, capfd):
    assert cli.main(["show", name]) == 0
    return capfd.readouterr().out.splitlines()


@pytest.mark.parametrize("name", ["TickV2", "DomainInformation", "ExecuteDeviceCommandV2", "DIDomainInfoAttr"])
def test_show_prints_the_purpose_under_the_heading(name, capfd):
    assert show(name, capfd)[1] == "  purpose: " + capture.purposes()[name]


# The five fields of DomainInformation within the 36 bytes, however the class is reached.
@pytest.mark.parametrize("name", PACKED)
def test_show_gives_the_packed_fields(name, capfd):
    rows = [line.split() for line in show(name, capfd)]
    table = [("0", "nt64", "u64", "8"), ("8", "domaint", "u64", "8"), ("16", "quality", "i64", "8"),
             ("24", "slope", "f32", "4"), ("28", "intercept", "i64", "8")]
    start = rows.index(["0", "nt64", "u64", "8"])
    assert [tuple(r) for r in rows[start:start + 5]] == table
    assert "no layout" not in sum(rows, [])


# Each derived field is where the kind writes it: a value that sets every byte of the field's width (all ones
# for an integer, of its signedness) changes exactly the bytes the field's offset and width name.
def test_packed_fields_are_where_the_kind_encodes_them(pdi):
    fields = capture.packed_fields(pdi.DomainInformation)
    assert fields == capture.packed_fields(pdi.DIDomainInfoAttr) and sum(f.size for f in fields) == 36
    attr = pdi.DIDomainInfoAttr("d")
    base = attr._encode(pdi.DomainInformation())
    for f in fields:
        record = pdi.DomainInformation()
        full = {"u": 2 ** (8 * f.size) - 1, "i": -1}.get(f.kind[0])
        setattr(record, f.name, full if full is not None else struct.unpack("<f", bytes([1, 2, 3, 0x41]))[0])
        changed = [i for i, (a, b) in enumerate(zip(base, attr._encode(record))) if a != b]
        assert changed == list(range(f.offset, f.offset + f.size)), f
    assert capture.packed_fields(pdi.ClockDomain) == [] and capture.packed_fields(pdi.PortInformation) == []


# Every section of the checked-in reference carries its class's purpose, and DomainInformation's table its
# fields (that the file is what the built module yields is tests/test_packaging.py's check).
def test_reference_sections_carry_purposes_and_packed_fields():
    with open(os.path.join(REPO, "docs", "catalog.md"), encoding="utf-8") as f:
        sections = {s.split("\n", 1)[0]: s for s in f.read().split("\n## ")[1:]}
    for name, text in purpose_lines():
        assert "\n\n%s.\n\n" % text in sections[name], name
    for name in PACKED:
        assert "| 24 | `slope` | f32 | 4 |\n| 28 | `intercept` | i64 | 8 |" in sections[name]


# The bundled sample is what tools/make_sample.py writes from the catalog (on the stand-in's encodings).
@pytest.mark.standin
def test_the_bundled_sample_is_made_by_its_tool(tmp_path):
    import subprocess
    import sys
    subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_sample.py"), str(tmp_path / "sample")],
                   check=True)
    with open(os.path.join(os.path.dirname(capture.__file__), "sample_capture.hex")) as f:
        assert (tmp_path / "sample").read_text() == f.read()
