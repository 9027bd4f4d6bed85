import struct

import pytest

from conftest import decode, encode_payload, registered_items


@pytest.mark.parametrize("flags, expected", [(0xE0, (True,) * 3), (0x1F, (False,) * 3), (0x40, (False, True, False))])
def test_updater_flags(pdi, flags, expected):
    item = pdi.ParticleUpdater()
    item.flags = flags
    got = (item.get_almanac_flag(), item.get_firmware_flag(), item.get_content_flag())
    assert got == expected and all(type(g) is bool for g in got)


@pytest.mark.parametrize("method, value, text", [
    ("sector_status", 0, "?"), ("sector_status", 3, "complete"), ("sector_status", 5, "?"),
    ("sector_status", 16, "cannot load program"), ("sector_status", 17, "?"), ("sector_status", 255, "?"),
    ("sector_status", -1, "?"), ("sector_status", -17, "?"), ("sector_status", 2 ** 70, "?"),
    ("image_name", 0, "recovery"), ("image_name", 3, "almanac"), ("image_name", 4, "?"),
    ("image_name", -1, "?"), ("image_name", -5, "?"),
])
def test_updater_lookups_fall_back_outside_the_tables(pdi, method, value, text):
    item = pdi.ParticleUpdaterStats()
    item.status = item.image_type = value
    item.image_names = item.status_strings = ["shadow"] * 20  # the class's tables are the ones read
    assert getattr(item, method)() == text


def test_updater_stats_decoded_and_non_numbers(pdi):
    payload = b"1.2.3".ljust(32, b"\0") + bytes(range(20)) + struct.pack("<IIHHBB", 9, 8, 7, 6, 2, 15)
    item = decode(pdi.ParticleUpdaterStats, payload)
    assert (item.image_version, item.sector_size, item.image_name(), item.sector_status()) == \
        ("1.2.3", 6, "firmware", "bad sha")
    item.status = None
    with pytest.raises(TypeError):
        item.sector_status()


# `before`: bytes in front of the hardware byte, not counting the framework's signal strength.
@pytest.mark.parametrize("name, before, ota", [
    ("WiredDiscoveryV1", 0, False), ("UWBDiscoveryV1", 17, False),
    ("UWBDiscoveryV2", 13, True), ("UWBDiscoveryV3", 14, True),
])
@pytest.mark.parametrize("byte, version, flag", [(0x25, 5, True), (0xDF, 31, False)])
def test_hardware_byte(pdi, name, before, ota, byte, version, flag):
    cls = getattr(pdi, name)
    item = cls()
    item.hardware_version, item.payload = byte, b"tail"
    data = encode_payload(item)
    assert data[before + sum(a.size for a in cls.definition if a.name == "signal_strength")] == byte
    back = decode(cls, data)
    assert back.get_hardware_version() == version and back.payload == b"tail"
    assert hasattr(cls, "get_ota_upgrade") == ota
    if ota:
        assert back.get_ota_upgrade() is flag


@pytest.mark.parametrize("payload, text", [(b"\x03\x01\x02", "0x03, 0x201"), (b"\xab", "0xAB, 0x0"),
                                           (b"\x00\x00\x00", "0x00, 0x0"), (b"\x1f\xff\x00\x00", "0x1F, 0xff")])
def test_damr_packet_text(pdi, payload, text):
    assert str(decode(pdi.DamrPacket, payload)) == text


# BridgeCommand and CacheRequest carry a payload field named `type`: the header keeps the class's code.
@pytest.mark.parametrize("name, values, payload", [
    ("ImageRequestV1", (1, 0x11223344, 0x0102), b"\1\0\0\0\x44\x33\x22\x11\x02\x01"),
    ("ContentRequestV1", (0x0102, 0x00010000), b"\x02\x01\0\0\0\0\0\0\0\0\1\0"),
    ("BridgeCommand", (7, 2, b"ab"), b"\x07\x02\x00ab"), ("CacheRequest", (1, 0x0102), b"\x01\0\0\0\x02\x01"),
    ("IPAssignmentV1", (), bytes(25)), ("IPDiscoveryV1", (), bytes(29)), ("DBChanged", (), b""),
    ("SwapImageCommand", (), b""),
])
def test_layouts(pdi, name, values, payload):
    cls = getattr(pdi, name)
    item = cls()
    for attr, v in zip(cls.definition, values):
        setattr(item, attr.name, v)
    assert item._encode() == struct.pack("<HH", cls.type, len(payload)) + payload
    back = decode(cls, payload)
    assert [getattr(back, a.name) for a in cls.definition][:len(values)] == list(values)
    assert encode_payload(back) == payload and type(cls.type) is int and registered_items(cls.type) == [cls]
    assert ("definition" in cls.__dict__) == (name != "SwapImageCommand")
