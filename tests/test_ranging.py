import struct
import sys

import pytest
from hypothesis import given, strategies as st

from conftest import STANDARD_ERRORS, decode, encode_payload
from rlx.rlx import NorvaneSerialNumber as Serial

ENTRY = struct.Struct("<IBBQHBB")
HEAD = struct.pack("<IBHBQ", 0x11223344, 2, 0x0506, 7, 0x0102030405060708)
MR = st.sampled_from(["MrTransmissionV1", "MrReceptionV1"])


def mr_item(cls, entries, payload="", count=0):
    item = cls()
    fields = ("serial_number", "interface_identifier", "antenna_delay", "sequence_number", "dt_tx")
    vars(item).update(zip(fields, struct.unpack("<IBHBQ", HEAD)), number_of_mr_packets=count, payload=payload)
    item.mr_rx_list = [sys.modules[cls.__module__].MultiRangeRx(*e) for e in entries]
    return item


def count_at(cls):
    return sum(a.size for a in cls.definition[:-3])


def test_mr_worked_bytes(pdi):
    item = mr_item(pdi.MrTransmissionV1, [(5, 1, 2, 3, 4, 6, 7)], "hi", count=9)
    body = HEAD + b"\x01" + ENTRY.pack(5, 1, 2, 3, 4, 6, 7) + b"hi"
    assert item._encode() == struct.pack("<HH", 0x8060, 37) + body and item.number_of_mr_packets == 1
    rx = mr_item(pdi.MrReceptionV1, [(5, 1, 2, 3, 4, 6, 7)], "hi")
    rx.rx_nt = 0xAABB
    assert encode_payload(rx)[pdi.MrReceptionV1.definition[0].size:] == struct.pack("<Q", 0xAABB) + body
    assert str(item.mr_rx_list[0]) == str(Serial(5)) + ", 1, 2, 3, 4, 6, 7"
    # an empty list and an empty text: entries that consume no bytes
    back = decode(pdi.MrTransmissionV1, HEAD + b"\x00")
    assert (back.number_of_mr_packets, back.mr_rx_list, back.payload, back.di_data) == (0, [], "", None)


@given(name=MR, preset=st.integers(0, 255), payload=st.text("abcdefghij XYZ", min_size=20, max_size=40),
       entries=st.lists(st.tuples(*[st.integers(0, 2**b - 1) for b in (32, 8, 8, 64, 16, 8, 8)]), max_size=8))
def test_mr_round_trip(pdi, name, preset, entries, payload):
    cls = getattr(pdi, name)
    item = mr_item(cls, entries, payload, preset)
    data = encode_payload(item)
    assert item.number_of_mr_packets == data[count_at(cls)] == len(entries)
    # The payload is long enough to be misread as an entry were the list not bounded by its count.
    back = decode(cls, data)
    fields = [a.name for a in pdi.MultiRangeRx.definition]
    assert [tuple(getattr(e, f) for f in fields) for e in back.mr_rx_list] == entries
    assert back.payload == payload and back.di_data is None


@given(name=MR, n=st.integers(0, 6), count=st.integers(0, 255), blob=st.binary(min_size=108, max_size=108))
def test_mr_count_disagreeing_with_list(pdi, name, n, count, blob):
    cls = getattr(pdi, name)
    at = count_at(cls)
    # ASCII entry bytes: those beyond the count decode as payload text.
    data = bytearray(encode_payload(mr_item(cls, [])) + bytes(b & 0x7F for b in blob[:18 * n]))
    data[at] = count
    back = decode(cls, bytes(data))
    assert len(back.mr_rx_list) == min(count, n)
    data[at] = min(count, n)
    assert encode_payload(back) == bytes(data)


@given(name=MR, cut=st.integers(0, 100))
def test_mr_truncated_keeps_unconsumed_bytes(pdi, name, cut):
    cls = getattr(pdi, name)
    data = encode_payload(mr_item(cls, [(1,) * 7]))
    cut %= count_at(cls) + 1
    starts = [sum(a.size for a in cls.definition[:i]) for i in range(len(cls.definition) - 2)]
    failing = max(i for i, s in enumerate(starts) if s <= cut)
    item = cls()
    item.di_data = data[:cut]
    with pytest.raises(STANDARD_ERRORS):
        item._decode()
    assert item.di_data == data[starts[failing]:cut]
    assert [getattr(item, a.name) for a in cls.definition[:failing]] == \
        [getattr(decode(cls, data), a.name) for a in cls.definition[:failing]]


AOA = dict(rx_interface_id=1, packet_type=3, channel=5, tx_sequence=77, rx_dt=10, rx_nt=20, rc_phase=9, fp_index=1000,
           preamble_code=8, unused=6, rlx_header_serial=Serial(0x42), source_serial_number=Serial(0x1234))


def aoa(cls, **values):
    item = cls()
    item.__dict__.update(AOA, **values)
    return item


def test_aoa_v4_line(pdi):
    item = aoa(pdi.AngleOfArrivalV4)
    assert str(item) == "{}, 0x808C, 1, {}, 0x03, 5, 77, 10, 20, 9, 15.625, {}, (0, 0, 0, 0, 0, 0, 0, 0)".format(
        Serial(0x42), Serial(0x1234), item.signal_strength)
    assert str(decode(pdi.AngleOfArrivalV4, encode_payload(item), serial=0x42)) == str(item)


@pytest.mark.parametrize("v6, field, value, index, text", [
    (0, "fp_index", 0, 10, "0.0"), (1, "fp_index", 640, 10, "10.0"), (0, "fp_index", 641, 10, "10.015625"),
    (1, "fp_index", 0xFFFF, 10, "1023.984375"), (0, "packet_type", 255, 4, "0xFF"), (1, "packet_type", 10, 4, "0x0A"),
    (0, "acc_mem", b"\xff\xff\x00\x80" + bytes(12), slice(12, 14), ["(-1", "-32768"]), (1, "ip_poa", -5, -1, "-5"),
    # values that are not plain bytes or a small integer: converted by struct and Python's arithmetic
    (1, "acc_mem", bytearray(b"\xff\xff\x00\x80" + bytes(12)), slice(12, 14), ["(-1", "-32768"]),
    (0, "fp_index", 2**60, 10, str(2**60 / 64)), (1, "fp_index", 6.5, 10, str(6.5 / 64)),
])
def test_aoa_fields(pdi, v6, field, value, index, text):
    parts = str(aoa(pdi.AngleOfArrivalV6 if v6 else pdi.AngleOfArrivalV4, **{field: value})).split(", ")
    assert parts[index] == text and len(parts) == 20 + v6


def test_aoa_line_needs_sixteen_bytes_of_accumulator(pdi):
    with pytest.raises(struct.error):
        str(aoa(pdi.AngleOfArrivalV6, acc_mem=bytes(15)))


def test_stamp_record_takes_sequence_for_its_sequence_number(pdi):
    entry = pdi.AnchorMrStampRx(1, sequence=9)
    assert (entry.sequence_number, str(entry)) == (9, "%s, 0, 0, 0, 9" % Serial(1))
    with pytest.raises(TypeError):
        pdi.AnchorMrStampRx(sequence_number=1)
