import pytest

from conftest import decode


@pytest.mark.parametrize("flags, expected", [(0xE0, (True,) * 3), (0x1F, (False,) * 3), (0x40, (False, True, False))])
def test_updater_flags(pdi, flags, expected):
    item = pdi.ParticleUpdater()
    item.flags = flags
    got = (item.get_almanac_flag(), item.get_firmware_flag(), item.get_content_flag())
    assert got == expected and all(type(g) is bool for g in got)


@pytest.mark.parametrize("method, value, text", [
    ("sector_status", 0, "?"), ("sector_status", 1, "saved"), ("sector_status", 3, "complete"),
    ("sector_status", 5, "?"), ("sector_status", 10, "too big"), ("sector_status", 16, "cannot load program"),
    ("sector_status", 17, "?"), ("sector_status", 255, "?"), ("sector_status", -1, "?"), ("sector_status", -17, "?"),
    ("sector_status", 2 ** 70, "?"), ("image_name", 0, "recovery"), ("image_name", 3, "almanac"),
    ("image_name", 4, "?"), ("image_name", -1, "?"), ("image_name", -5, "?"),
])
def test_updater_lookups_fall_back_outside_the_tables(pdi, method, value, text):
    item = pdi.ParticleUpdaterStats()
    item.status = item.image_type = value
    item.image_names = item.status_strings = ["shadow"] * 20  # the class's tables are the ones read
    assert getattr(item, method)() == text


def test_updater_lookup_of_no_number_fails(pdi):
    item = pdi.ParticleUpdaterStats()
    item.status = None
    with pytest.raises(TypeError):
        item.sector_status()


@pytest.mark.parametrize("name, ota", [("WiredDiscoveryV1", False), ("UWBDiscoveryV1", False),
                                       ("UWBDiscoveryV2", True), ("UWBDiscoveryV3", True)])
@pytest.mark.parametrize("byte, version, flag", [(0x25, 5, True), (0xDF, 31, False)])
def test_hardware_byte(pdi, name, ota, byte, version, flag):
    item = getattr(pdi, name)()
    item.hardware_version = byte
    assert item.get_hardware_version() == version and hasattr(item, "get_ota_upgrade") == ota
    if ota:
        assert item.get_ota_upgrade() is flag


LONG = bytes(range(1, 41))  # more digits than one chunk of the text


@pytest.mark.parametrize("packet, text", [(b"\x01\x02", "0x201"), (b"", "0x0"), (b"\x00\x00", "0x0"),
                                          (b"\xff\x00\x00", "0xff"), (b"\x01\x10", "0x1001"),
                                          (b"\x10\x0f", "0xf10"), (LONG, hex(int.from_bytes(LONG, "little"))),
                                          (bytearray(b"\x05\x00\x01"), "0x10005")])
def test_damr_packet_text(pdi, packet, text):
    item = decode(pdi.DamrPacket, b"\xab" + packet)
    item.packet = packet
    assert str(item) == "0xAB, " + text
