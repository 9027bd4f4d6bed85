import struct

import pytest
from hypothesis import given, strategies as st

from conftest import decode, encode_payload


def test_tick_encodes_type_length_and_fields(pdi):
    tick = pdi.TickV2()
    tick.nt64, tick.dt40, tick.nt_quality = 1, 2, 3
    assert tick._encode() == bytes.fromhex("15801100" "01" + "00" * 7 + "02" + "00" * 7 + "03")


@pytest.mark.parametrize("name, size", [
    ("TickV1", 31), ("SmoothingFactorV1", 8), ("TickV2", 17), ("EthernetTick", 17), ("TickV3", 18),
    ("NetworkLockV1", 20), ("NetworkLockV2", 22), ("NetworkLockV3", 14), ("ClockNTDTV2", 49),
    ("ClockNTPTV2", 48), ("ClockSeeder", 13), ("NetAppTimeModelStats", 25), ("ClockPacket", 9),
    ("NTCCommandAcknowledge", 17), ("ClockDomain", 72), ("SyncStatsV1", 24), ("SyncStatsV2", 104),
    ("SyncStatsV3", 152), ("SyncStatsV4", 168), ("SyncStatsV5", 200), ("SyncStatsPair", 54),
])
def test_payload_sizes(pdi, name, size):
    assert len(encode_payload(getattr(pdi, name)())) == size


def domain(pdi, **values):
    info = pdi.DomainInformation()
    info.__dict__.update(values)
    return info


def test_domain_information_and_its_attribute_kind(pdi):
    assert pdi.DomainInformation.__doc__ == "Domain Information: Domain Information Class Definition "
    assert str(pdi.DomainInformation()) == "0, 0, 0, 0.0, 0"
    attr = pdi.DIDomainInfoAttr(name="proc")
    assert isinstance(attr, pdi.DataItemAttribute) and isinstance(attr.default, pdi.DomainInformation)
    assert (attr.name, attr.format, attr.size) == ("proc", "QQqfq", 36)


@pytest.mark.parametrize("field, value, offset, raw", [
    ("quality", -1, 16, b"\xff" * 8),
    ("slope", 0.5, 24, bytes.fromhex("0000003f")),
    ("intercept", -2, 28, struct.pack("<q", -2)),
])
def test_domain_field_round_trip(pdi, field, value, offset, raw):
    attr = pdi.DIDomainInfoAttr("d")
    data = attr._encode(domain(pdi, **{field: value}))
    assert len(data) == 36 and data[offset:offset + len(raw)] == raw
    info, used = attr._decode(data + b"\x99" * 4)
    assert used == 36 and getattr(info, field) == value


@pytest.mark.parametrize("values", [{"nt64": -1}, {"domaint": 2 ** 64}, {"quality": 2 ** 63}, {"slope": "x"}])
def test_domain_out_of_range_and_short_input_are_packing_errors(pdi, values):
    attr = pdi.DIDomainInfoAttr("d")
    with pytest.raises(struct.error):
        attr._encode(domain(pdi, **values))
    with pytest.raises(struct.error):
        attr._decode(bytes(35))


def test_clock_domain_round_trip(pdi):
    item = pdi.ClockDomain()
    item.proc_domain, item.deca_domain = pdi.DomainInformation(), domain(pdi, nt64=7, slope=-1.5)
    back = decode(pdi.ClockDomain, encode_payload(item))
    assert (str(back.proc_domain), str(back.deca_domain)) == ("0, 0, 0, 0.0, 0", "7, 0, 0, -1.5, 0")


@pytest.mark.standin  # copying mutable defaults per item is the framework's part
def test_new_clock_domains_do_not_share_their_domains(pdi):
    pdi.ClockDomain().proc_domain.nt64 = 5
    fresh = pdi.ClockDomain()
    assert fresh.proc_domain is not fresh.deca_domain and encode_payload(fresh) == bytes(72)


@given(st.binary(max_size=90))
def test_clock_domain_decodes_any_bytes_safely(pdi, payload):
    try:
        decode(pdi.ClockDomain, payload)
    except struct.error:
        assert len(payload) < 72


def test_sync_stats_share_their_first_layout(pdi):
    v5 = pdi.SyncStatsV5()
    v5.tx_dt64, v5.rx_error_count, v5.rx_locking_count, v5.rx_negative_drift_failure_count = 9, 2.5, 7, 3
    v2 = decode(pdi.SyncStatsV2, encode_payload(v5)[:104])
    assert (v2.tx_dt64, v2.rx_error_count, v2.rx_locking_count) == (9, 2.5, 7)


@pytest.mark.parametrize("count, map_length", [(0, 5), (3, 0)])
def test_seeder_map_runs_to_the_end_whatever_its_length_says(pdi, count, map_length):
    payload = struct.pack("<H", map_length) + b"".join(struct.pack("<HI", i, 100 + i) for i in range(count))
    item = decode(pdi.SeederIndexSerialNumberMap, payload)
    assert [(e.seeder_index, int(e.serial_number)) for e in item.map_entries] == [(i, 100 + i) for i in range(count)]
    assert encode_payload(item) == payload


def test_seeder_map_entry_text(pdi):
    assert str(pdi.SeederIndexSerialNumberMapEntry(7, 1234)) == "7, 1234"
    assert str(pdi.SeederIndexSerialNumberMapEntry()) == "0, 0"
