"""Diagnostics and simulation items: statistics counters, Ethernet status, simulator controls."""
import struct

import pytest

from conftest import decode, encode_payload

# Payload sizes without the framework's boolean fields (their width is the framework's).
FIXED_SIZES = [
    ("DecawaveStatsV1", 48), ("UWBNetworkStatsV1", 64), ("ProcessorStats", 9), ("UWBStackStatsV1", 8),
    ("UWBStackNetworkInterfaceStatsV1", 36), ("UWBStackNetworkLayerStatsV1", 132),
    ("UWBStackEventManagerStatsV1", 212), ("UWBStackLinkLayerStatsV1", 4), ("UWBStackPhysicalLayerStatsV1", 24),
    ("UWBStackDeviceStatsV1", 168), ("PingTimingDebugV1", 26), ("EthernetStats", 145), ("PoeDebug", 107),
    ("DeviceSize", 16), ("SimulatedUWBTransmission", 28), ("SimulatedReset", 12), ("SimulatedRepeatRate", 16),
]


@pytest.mark.parametrize("name,size", FIXED_SIZES)
@pytest.mark.parametrize("signed_low", [False, True])
def test_size_and_extreme_values_round_trip(pdi, name, size, signed_low):
    cls = getattr(pdi, name)
    item = cls()
    size += sum(a.size for a in cls.definition if isinstance(a, pdi.DIBoolAttr))
    assert len(encode_payload(item)) == size
    unsigned = tuple(getattr(pdi, "DIUInt%dAttr" % b) for b in (8, 16, 32, 64))
    signed = tuple(getattr(pdi, "DIInt%dAttr" % b) for b in (8, 16, 32, 64))
    ints = [a for a in cls.definition if isinstance(a, unsigned + signed)]
    for a in ints:  # every counter at its largest value, signed fields at either end
        bits = 8 * a.size
        if isinstance(a, unsigned):
            setattr(item, a.name, (1 << bits) - 1)
        else:
            setattr(item, a.name, -(1 << (bits - 1)) if signed_low else (1 << (bits - 1)) - 1)
    payload = encode_payload(item)
    assert len(payload) == size
    back = decode(cls, payload)
    assert [getattr(back, a.name) for a in ints] == [getattr(item, a.name) for a in ints]
    assert encode_payload(back) == payload


def test_ethernet_stats_fields_are_unaligned(pdi):
    item = pdi.EthernetStats()
    item.max_frame, item.tx_total, item.tx_bytes, item.tx_pause = 0x05EE, 0x11223344, 0x0102030405060708, 0xBEEF
    item.rx_udp_checksum_error = 0x7F
    payload = encode_payload(item)
    assert payload[:24] == bytes.fromhex("ee05 44332211") + bytes(8) + bytes.fromhex("0807060504030201 efbe")
    assert payload[-1] == 0x7F


@pytest.mark.parametrize("abort_info", [b"", b"\x00", bytes(range(40))])
def test_processor_stats_keeps_abort_info(pdi, abort_info):
    payload = struct.pack("<IIB", 3600, 65536, 2) + abort_info
    item = decode(pdi.ProcessorStats, payload)
    assert (item.processor_uptime, item.memory_available, item.reset_type, item.abort_info) == (
        3600, 65536, 2, abort_info)
    assert encode_payload(item) == payload


@pytest.mark.parametrize("ports", [0, 1, 5])
def test_ethernet_status_ports(pdi, ports):
    values = [(i, 0x80 | i, 2, (1 << 64) - 1 - i, 7 * i, 1 << 63, i & 1, 0xFFFF - i) for i in range(ports)]
    item = pdi.EthernetStatus()
    item.node_voltage = 48000
    base = len(encode_payload(item))
    item.port_status = [pdi.EthernetPortStatus(*v) for v in values]
    payload = encode_payload(item)
    assert payload[base:] == b"".join(struct.pack("<BBBQQQBH", *v) for v in values)
    back = decode(pdi.EthernetStatus, payload)
    assert back.node_voltage == 48000
    assert [tuple(getattr(p, a.name) for a in pdi.EthernetPortStatus.definition) for p in back.port_status] == values


def test_ethernet_port_status_defaults_and_rendering(pdi):
    assert pdi.EthernetPortStatus.__doc__ == "Ethernet Port Status Class Definition"
    assert str(pdi.EthernetPortStatus()) == "0, 0, 0, 0, 0, 0, 0, 0"
    port = pdi.EthernetPortStatus(4, 1, port_tx_count=(1 << 64) - 1, link_state_change_count=9)
    assert str(port) == "4, 1, 0, 0, 0, 18446744073709551615, 0, 9"


@pytest.mark.parametrize("packet", [b"", b"\x41", bytes(range(256)) * 3])
def test_simulated_transmission_carries_packet(pdi, packet):
    payload = struct.pack("<QQiii", 1 << 40, 12345, -1000, 0, 2 ** 31 - 1) + packet
    item = decode(pdi.SimulatedUWBTransmission, payload)
    assert (item.tx_dt, item.x, item.y, item.z, item.uwb_packet) == (1 << 40, -1000, 0, 2 ** 31 - 1, packet)
    assert encode_payload(item) == payload


@pytest.mark.parametrize("scale,exact", [(0.5, True), (1.0, True), (2.0, True), (1.1, False)])
def test_device_size_scales_are_single_precision(pdi, scale, exact):
    item = pdi.DeviceSize()
    item.x_scale = item.y_scale = item.z_scale = scale
    back = decode(pdi.DeviceSize, encode_payload(item))
    assert back.z_scale == struct.unpack("<f", struct.pack("<f", scale))[0]
    assert (back.x_scale == scale) is exact
