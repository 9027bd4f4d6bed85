import math
import struct

import pytest
from hypothesis import given, strategies as st

from conftest import STANDARD_ERRORS, decode, encode_payload
from rlx.rlx import NorvaneSerialNumber

V5_HEAD = struct.Struct("<IQBIHB")
SN = lambda v: str(NorvaneSerialNumber(v))  # noqa: E731


def test_position_record_text(pdi):
    r = pdi.RadarPositionDebugData()
    assert str(r) == "0, " * 9 and (r.distance, r.dist_quality, r.interface_data) == (0, 0, [])
    assert pdi.RadarPositionDebugData().interface_data is not r.interface_data
    inner = [pdi.RadarInterfaceDataV4(1, 0.5, 0, 0, 0, 2), pdi.RadarInterfaceDataV4(3, 0, 0, 0, 0, 4)]
    r = pdi.RadarPositionDebugData(9, 44, 1, 2, 3, 55, num_interfaces=2, interface_data=inner)
    assert (r.distance, r.dist_quality) == (44, 55)
    assert str(r) == "9, 1, 2, 3, 0, 0, 0, 0, 2, 1, 0.5, 0, 0, 0, 23, 0, 0, 0, 0, 4"
    for count, error in ((3, IndexError), ("2", TypeError), (None, TypeError)):
        r.num_interfaces = count
        with pytest.raises(error):
            str(r)
    with pytest.raises(TypeError):
        pdi.RadarPositionDebugData(1, channel=2)


def position_bytes(n, channel):
    return struct.pack("<BHHHIHHHB", channel, 2, 3, 4, 5, 6, 7, 8, n) + b"".join(
        struct.pack("<QffffB", 100 + i, 0.5, 1.5, 2.5, 3.5, i) for i in range(n))


@pytest.mark.parametrize("counts, num_channels", [((), 4), ((2, 0), 2), ((0, 3, 1), 2)])
def test_position_decode(pdi, counts, num_channels):
    payload = V5_HEAD.pack(1, 2**40, 7, 9, 11, num_channels) + b"".join(
        position_bytes(n, c) for c, n in enumerate(counts))
    item = decode(pdi.RadarDebugV5, payload)
    assert item.num_channels == num_channels and item.di_data is None
    assert [(p.channel, len(p.interface_data)) for p in item.position_data] == list(enumerate(counts))
    assert all(i.rx_dt == 100 + i.status for p in item.position_data for i in p.interface_data)
    assert encode_payload(item) == payload


f32 = st.floats(width=32, allow_nan=False)
record_st = st.tuples(st.lists(st.integers(0, 255), min_size=8, max_size=8), st.lists(
    st.tuples(st.integers(0, 2**64 - 1), f32, f32, f32, f32, st.integers(0, 255)), max_size=3))


def v5_item(pdi, records):
    item = pdi.RadarDebugV5()
    item.source_serial_number, item.distance, item.num_channels = 5, 8, len(records)
    item.position_data = [pdi.RadarPositionDebugData(
        f[0], 0, *f[1:4], 0, *f[4:], num_interfaces=len(inner),
        interface_data=[pdi.RadarInterfaceDataV4(*i) for i in inner]) for f, inner in records]
    return item


@given(records=st.lists(record_st, max_size=4))
def test_position_round_trip(pdi, records):
    back = decode(pdi.RadarDebugV5, encode_payload(v5_item(pdi, records)))
    assert (back.source_serial_number, back.distance) == (5, 8)
    assert [(str(p), p.num_interfaces) for p in back.position_data] == \
        [(str(p), p.num_interfaces) for p in v5_item(pdi, records).position_data]


@given(records=st.lists(record_st, min_size=1, max_size=4), data=st.data())
def test_position_decode_stops_where_it_failed(pdi, records, data):
    payload = encode_payload(v5_item(pdi, records))
    j = data.draw(st.integers(0, len(records) - 1))
    start = 20 + sum(18 + 25 * len(inner) for _, inner in records[:j])
    item = pdi.RadarDebugV5()
    cut = payload[:start + data.draw(st.integers(1, 17))]  # inside record j's fixed part
    item.di_data = cut
    with pytest.raises(STANDARD_ERRORS):
        item._decode()
    assert item.di_data == cut[start:] and item.position_data == []
    assert (item.source_serial_number, item.num_channels) == (5, len(records))


@pytest.mark.parametrize("count, used, error", [
    (0, lambda data: 0, ValueError), (0, lambda data: len(data) + 1, ValueError),  # a list that does not advance
    ("2", len, TypeError), (1.5, len, TypeError), (None, len, TypeError)])  # an interface count that is no integer
def test_position_decode_refuses_records_it_cannot_walk(pdi, count, used, error):
    class Odd:
        name = "position_data"
        _decode = staticmethod(lambda data: ([pdi.RadarPositionDebugData(num_interfaces=count)], used(data)))

    item = pdi.RadarDebugV5()
    item.__class__ = type("OddItem", (pdi.RadarDebugV5,), {"definition": [Odd()]})
    item.di_data = bytes(18)
    with pytest.raises(error):
        item._decode()
    assert item.di_data == bytes(18)


@pytest.mark.parametrize("name, code, paths, source, fmt, tail", [
    ("SelfCalibrationDebug", 0x808F, 5, False, "<Q5f5q", ()),
    ("SelfCalibrationDebugV2", 0x80AF, 6, False, "<Q6f6qB", (-1,)),
    ("SelfCalibrationDebugV3", 0x80B4, 6, True, "<IQ6f6qB", (-1,)),
    ("SelfCalibrationDebugV4", 0x80B6, 6, True, "<IQ6f6qBB", (255, 4))])
def test_calibration_line(pdi, name, code, paths, source, fmt, tail):
    phases = [1.0, math.pi / 2, -0.3, -0.001, 0.0, 3.0][:paths]
    dts = [-2**63, 2**63 - 1, -5, 0, 123456789, 7][:paths]
    lead = [0x01020304] if source else []
    payload = struct.pack(fmt, *lead, 2**64 - 1, *phases, *dts, *(t & 0xFF for t in tail))
    expected = [SN(42), "0x%04X" % code] + [SN(v) for v in lead] + [str(2**64 - 1)]
    expected += ["57", "90", "-17", "-0", "0", "172"][:paths] + [str(v) for v in dts + list(tail)]
    assert str(decode(getattr(pdi, name), payload, serial=42)) == ", ".join(expected)
