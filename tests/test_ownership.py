"""Ownership, serial-list and acknowledgement items."""
import string
import struct

import pytest
from hypothesis import given, strategies as st

from conftest import decode, encode_payload
from rlx.rlx import NorvaneSerialNumber

REPORTS = ["PeriodicSystemOwnershipReport", "PeriodicSystemOwnershipReportV2"]
serials = st.lists(st.integers(0, 2**32 - 1), max_size=10)


def u16(*v):
    return struct.pack("<%dH" % len(v), *v)


def u32(*v):
    return struct.pack("<%dI" % len(v), *v)


def words(data):
    return list(struct.unpack("<%dI" % (len(data) // 4), data[:len(data) // 4 * 4]))


@pytest.mark.parametrize("name, preset, head", [
    ("ForceConflict", {}, u16(2)),
    ("SystemOwnershipReply", {"tag_count": 7}, bytes(3) + u16(7)),
    ("InactiveSerialNumbers", {}, b""),
    ("SystemOwnershipReleaseUnconfigured", {"server_instance": 9}, u32(9)),
    ("RFScheduleV3", {}, bytes(14)),
])
def test_add_serial_number(pdi, name, preset, head):
    item = getattr(pdi, name)()
    assert encode_payload(item)[len(head):] == b""
    vars(item).update(preset)
    item.add_serial_number(0x11)
    item.add_serial_number(serial_number=0x22)
    assert isinstance(item.serial_numbers[0], NorvaneSerialNumber)
    assert encode_payload(item) == head + u32(0x11, 0x22)


def test_acknowledge_list_builders(pdi):
    item = pdi.AcknowledgeListResponse()
    item.ack_string = "done"
    text = item.definition[-1]._encode("done")
    assert len(text) == 32 and encode_payload(item) == bytes(4) + text
    item.add_acknowledged_serial(1)
    item.add_acknowledged_serial(serial_number=2)
    item.add_not_acknowledged_serial(3)
    assert (item.num_acknowledged, item.num_not_acknowledged) == (2, 1)
    assert isinstance(item.not_acknowledged_serials[0], NorvaneSerialNumber)
    assert encode_payload(item) == u16(2, 1) + u32(1, 2, 3) + text
    item.not_acknowledged_serials.append(NorvaneSerialNumber(4))
    item.num_acknowledged = 9
    assert encode_payload(item)[:4] == u16(2, 2)
    back = decode(pdi.AcknowledgeListResponse, u16(0, 2) + u32(7, 8) + text)
    assert (back.acknowledged_serials, back.not_acknowledged_serials, back.ack_string) == ([], [7, 8], "done")
    assert back.di_data is None


@given(acked=serials, not_acked=serials, text=st.text(string.ascii_letters + " ", max_size=32),
       a=st.integers(0, 30), n=st.integers(0, 30), cut=st.integers(0, 200))
def test_acknowledge_list_codec(pdi, acked, not_acked, text, a, n, cut):
    cls = pdi.AcknowledgeListResponse
    item = cls()
    item.acknowledged_serials, item.not_acknowledged_serials, item.ack_string = list(acked), list(not_acked), text
    payload = encode_payload(item)
    back = decode(cls, payload)
    assert (back.num_acknowledged, back.num_not_acknowledged) == (len(acked), len(not_acked))
    assert (back.acknowledged_serials, back.not_acknowledged_serials, back.ack_string) == (acked, not_acked, text)
    # Counts from the wire bound the lists and are kept, whatever the payload holds.
    body = payload[4:cut]
    back = decode(cls, u16(a, n) + body, partial=True)
    assert (back.num_acknowledged, back.num_not_acknowledged) == (a, n)
    if len(body) % 4 == 0:
        assert (back.acknowledged_serials, back.not_acknowledged_serials) == (words(body)[:a], words(body)[a:a + n])


@pytest.mark.parametrize("name", REPORTS)
@given(owned=serials, reports=st.lists(st.tuples(*[st.integers(0, m) for m in (2**32 - 1, 2**32 - 1, 0xFFFF)]),
                                        max_size=5),
       o=st.integers(0, 30), u=st.integers(0, 2**32 - 1), cut=st.integers(0, 200))
def test_ownership_report_codec(pdi, name, owned, reports, o, u, cut):
    cls = getattr(pdi, name)
    item = cls()
    item.owned_tags = list(owned)
    item.tag_ownership_reports = [pdi.TagOwnershipReport(*r) for r in reports]
    payload = encode_payload(item)
    assert payload[:8] == u32(len(owned), len(reports)) and len(payload) == 8 + 4 * len(owned) + 10 * len(reports)
    back = decode(cls, payload)
    assert back.owned_tags == owned
    assert [(r.tag_serial_number, r.num_packets_heard, r.avg_receiving_anchors)
            for r in back.tag_ownership_reports] == reports
    # The owned count bounds the owned tags; the unowned count bounds nothing.
    body = payload[8:cut]
    back = decode(cls, u32(o, u) + body, partial=True)
    assert (back.num_tags_owned, back.num_tags_unowned) == (o, u)
    if len(body[:4 * o]) % 4 == 0:
        assert back.owned_tags == words(body[:4 * o])
    if back.di_data is None:  # decoded to the end
        assert len(back.tag_ownership_reports) == len(body[4 * o:]) // 10


@pytest.mark.parametrize("name", REPORTS)
def test_ownership_report_example(pdi, name):
    cls = getattr(pdi, name)
    item = cls()
    item.owned_tags.extend(NorvaneSerialNumber(s) for s in (1, 2, 3))
    item.tag_ownership_reports += [pdi.TagOwnershipReport(0x10, 7, 2), pdi.TagOwnershipReport(0x11, 8, 3)]
    payload = encode_payload(item)
    assert payload == u32(3, 2, 1, 2, 3) + u32(0x10, 7) + u16(2) + u32(0x11, 8) + u16(3)
    for unowned in (0, 5):
        back = decode(cls, u32(3, unowned) + payload[8:])
        assert back.num_tags_unowned == unowned and back.tag_ownership_reports[1].avg_receiving_anchors == 3
    back = decode(cls, u32(9, 0) + payload[8:20])
    assert (back.owned_tags, back.tag_ownership_reports) == ([1, 2, 3], [])
