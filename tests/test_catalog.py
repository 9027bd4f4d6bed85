# Catalog-wide invariants beyond the layouts: the module namespace, the
# classes' identity and registration, and the generic record.
import math

import pytest
from hypothesis import example, given, strategies as st

import rlx.data_items.private_data_items as pdi
import rlx.rlx as framework
from conftest import decode, declared_classes, registered_items

DECLARED = declared_classes(pdi)
ITEMS = [c for c in DECLARED if issubclass(c, framework.RLXDataItem)]
# Records with the generic constructor and rendering (the others have their own).
GENERIC_RECORDS = [c for c in DECLARED if c not in ITEMS and c.__name__ not in (
    "DIDomainInfoAttr", "DomainInformation", "RadarPositionDebugData", "PinConfig", "NetworkIdSerialNumberMapEntry",
    "AnchorAngleData")]


def test_module_holds_only_catalog_and_imports():
    # what ``from rlx.rlx import *`` binds: __all__, or else every public name
    star = getattr(framework, "__all__", None) or [k for k in vars(framework) if not k.startswith("_")]
    expected = set(star) | {"UWBNetworkCommandItem", "math"} | {c.__name__ for c in DECLARED}
    assert {k for k in vars(pdi) if not k.startswith("__")} == expected
    assert pdi.math is math and pdi.RLXDataItem is framework.RLXDataItem


@pytest.mark.parametrize("cls", DECLARED, ids=lambda c: c.__name__)
def test_class_identity(cls):
    assert (cls.__qualname__, cls.__module__) == (cls.__name__, "rlx.data_items.private_data_items")
    if cls in ITEMS:
        assert type(cls) is type(framework.RLXDataItem) and registered_items(cls.type) == [cls]
        assert cls.__doc__ is None if cls.__name__ == "UWBSnifferPacket" else \
            " ".join(cls.__doc__.split()).startswith("RLX Data Item: Norvane Data Protocol ")


@pytest.mark.parametrize("cls", GENERIC_RECORDS, ids=lambda c: c.__name__)
def test_generic_record(cls):
    names = [a.name for a in cls.definition]
    assert str(cls()) == ", ".join(str(getattr(cls(), n)) for n in names)
    assert all(getattr(cls(), n) == 0 for n in names)
    # one positional argument per entry, in order (two records name one parameter differently)
    rec = cls(*range(11, 11 + len(names)))
    assert [int(getattr(rec, n)) for n in names] == list(range(11, 11 + len(names)))
    assert str(rec) == ", ".join(str(getattr(rec, n)) for n in names)
    with pytest.raises(TypeError):
        cls(*range(len(names) + 1))


# Text renderings convert numbers and texts as Python's formatting does, however long the line.
@given(values=st.lists(st.one_of(st.integers(), st.floats(), st.text(max_size=60)), min_size=12, max_size=12),
       number=st.integers(), phase=st.floats())
@example(values=[1e16, 1e-05, 0.0001, -0.0, 1.5e300, 2**63, -2**63 - 1, "\u00e9" * 500, 1e15, 0.1, 5e-324, -1e22],
         number=-1, phase=1e300)
# past the buffer, then beyond ASCII (lone surrogates included), then ASCII again
@example(values=["x" * 600, "\ud800", 1, "\U0001f600" * 200, 2.5, "\u00e9", -3, "a" * 1000, 0.1, "\udfff", 7, ""],
         number=0, phase=0.0)
# whole numbers and short binary fractions, written from their exact digits, at the edges of that
@example(values=[2**-21, 2**-22, 1e15 - 1, 1e15, 2.0**53, 100.0, 2.0**20, -2.5, 0.125, 2.0**-1022, 123456789012345.0,
                 12345678901234.5], number=0, phase=0.0)
# ints at each change of their digit count
@example(values=[9, 10, 99, 100, -100, 999999, 10**18 - 1, 10**18, 10**19, 2**64 - 1, -2**63, -9], number=10**15,
         phase=0.0)
def test_renderings_convert_as_python_does(values, number, phase):
    text, expected = str(pdi.BucketSettings(*values)), ", ".join(map(str, values))
    assert text == expected and text.isascii() == expected.isascii()  # and in Python's compact form
    cal = decode(pdi.SelfCalibrationDebug, bytes(68))
    cal.network_time, cal.phase_cal_4 = number, phase
    parts = str(cal).split(", ")
    assert (parts[2], parts[7]) == (str(number), "{:.0f}".format(phase * 180.0 / math.pi))
    damr = decode(pdi.DamrPacket, b"\0")
    damr.damr_type = number
    assert str(damr) == "0x{:02X}, 0x0".format(number)


# The argument binder's own TypeError texts, one per way a call can be wrong.
@pytest.mark.parametrize("call, text", [
    (lambda: pdi.PortInformation(1, 2, 3), "__init__() takes from 1 to 3 positional arguments but 4 were given"),
    (lambda: pdi.SystemOwnershipReply().add_serial_number(),
     "add_serial_number() missing required argument 'serial_number'"),
    (lambda: pdi.SystemOwnershipReply().add_serial_number(1, 2),
     "add_serial_number() takes 2 positional arguments but 3 were given"),
    (lambda: pdi.SystemOwnershipReply().add_serial_number(serial=1),
     "add_serial_number() got an unexpected keyword argument 'serial'"),
    (lambda: pdi.SystemOwnershipReply().add_serial_number(1, serial_number=2),
     "add_serial_number() got multiple values for argument 'serial_number'"),
    (lambda: pdi.PinConfig(5).__eq__(other=5), "__eq__() got an unexpected keyword argument 'other'"),
])
def test_binder_texts(call, text):
    with pytest.raises(TypeError) as exc:
        call()
    assert str(exc.value) == text
