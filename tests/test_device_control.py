import struct

import pytest

from conftest import decode, encode_payload


def frame(group, cmd_type, data):
    return struct.pack("<IBH", group, cmd_type, len(data)) + data


@pytest.fixture
def registry(pdi):
    """The command-class registry, empty, restored to its previous contents afterwards."""
    saved = pdi.ExecuteDeviceCommandV2.cmd_classes.copy()
    pdi.ExecuteDeviceCommandV2.cmd_classes.clear()
    yield
    pdi.ExecuteDeviceCommandV2.cmd_classes.clear()
    pdi.ExecuteDeviceCommandV2.cmd_classes.update(saved)


@pytest.mark.parametrize("packed, cmd_type, length", [(0xFFFF, 63, 1023), (0x0400, 1, 0), (0x03FF, 0, 1023)])
def test_command_type_length_fields(pdi, packed, cmd_type, length):
    item = pdi.ExecuteDeviceCommandV1()
    item.command_type_length = packed
    assert (item.get_command_type(), item.get_command_length()) == (cmd_type, length)


def test_empty_command_list(pdi, registry):
    item = pdi.ExecuteDeviceCommandV2()
    assert item._encode() == b"\x29\x80\x00\x00" and item.di_size == 0
    assert str(item) == "0x8029, 0:"
    item = decode(pdi.ExecuteDeviceCommandV2, b"")
    item._decode()  # di_data is None now
    assert item.commands == [] and item.di_data is None


def test_commands_round_trip_and_render(pdi, registry):
    item = pdi.ExecuteDeviceCommandV2()
    long = bytes(range(256)) + b"\xfe\xff"  # a length with both bytes set
    item.add_uwb_network_command(0xA1B2C3D4, 0x2A, 258, long)
    item.add_uwb_network_command(destination_group=7, type=5, data=b"", length=0)
    wire = frame(0xA1B2C3D4, 0x2A, long) + frame(7, 5, b"")
    assert item._encode() == b"\x29\x80" + struct.pack("<H", len(wire)) + wire
    assert str(item) == "0x8029, %d:\n%s\n%s" % (len(wire), *item.commands)
    back = decode(pdi.ExecuteDeviceCommandV2, wire)
    assert [c._encode(2) for c in back.commands] == [wire[:265], wire[265:]]
    item.di_data = bytearray(wire)  # not plain bytes: struct.unpack reads the headers
    item._decode()
    assert [(type(c).type, c.length, bytes(c.data)) for c in item.commands] == [(0x2A, 258, long), (5, 0, b"")]


def test_unregistered_type_gets_one_shared_placeholder(pdi, registry, capsys):
    first = decode(pdi.ExecuteDeviceCommandV2, frame(1, 0x2A, b"x") + frame(2, 0x2A, b""))
    cls = type(first.commands[0])
    assert cls.__name__ == "Unknown0x2A" and cls.__bases__ == (pdi.UWBNetworkCommandItem,) and cls.type == 0x2A
    assert type(first.commands[1]) is cls
    assert type(decode(pdi.ExecuteDeviceCommandV2, frame(3, 0x2A, b"")).commands[0]) is cls
    assert type(decode(pdi.ExecuteDeviceCommandV2, frame(3, 7, b"")).commands[0]).__name__ == "Unknown0x07"
    pdi.ExecuteDeviceCommandV2.get_known_cmd_types()
    assert capsys.readouterr().out == "0x07, 0x2A\n"


def test_registry_and_listing(pdi, registry, capsys):
    pdi.ExecuteDeviceCommandV2.get_known_cmd_types()
    assert capsys.readouterr().out == "\n"
    classes = [type("C%d" % t, (pdi.UWBNetworkCommandItem,), {"type": t}) for t in (3, 1, 0x10)]
    for cls in classes:
        assert pdi.ExecuteDeviceCommandV2.register_cmd_item(cls) is None
    later = type("Later", (pdi.UWBNetworkCommandItem,), {"type": 3})
    pdi.ExecuteDeviceCommandV2.register_cmd_item(cmd_class=later)
    assert pdi.ExecuteDeviceCommandV2.get_known_cmd_types() is None
    assert capsys.readouterr().out == "0x01, 0x03, 0x10\n"
    assert type(decode(pdi.ExecuteDeviceCommandV2, frame(0, 3, b"")).commands[0]) is later


def test_add_command_defaults(pdi, registry):
    recorder = type("Recorder", (pdi.UWBNetworkCommandItem,),
                    {"type": 0, "__init__": lambda c, *a: vars(c).update(a=a)})
    pdi.ExecuteDeviceCommandV2.register_cmd_item(recorder)
    item = pdi.ExecuteDeviceCommandV2()
    item.add_uwb_network_command()
    assert [(type(c), c.a) for c in item.commands] == [(recorder, (0, 0, 0))]


@pytest.mark.parametrize("tail", [1, 6])
def test_truncated_frame_header_keeps_decoded_commands(pdi, registry, tail):
    rest = b"\xAA" * tail
    item = pdi.ExecuteDeviceCommandV2()
    item.di_data = frame(9, 1, b"ab") + rest
    with pytest.raises(struct.error):
        item._decode()
    assert [c.data for c in item.commands] == [b"ab"] and item.di_data == rest


@pytest.mark.parametrize("frames, payload", [
    ([b"ab", b"c"], b"abc"),
    ([b"ab", bytearray(b"cd"), type("Frame", (bytes,), {})(b"e")], b"abcde"),
    ([b"ab", "cd"], "sequence item 1: expected a bytes-like object, str found"),
])
def test_command_frames_joined_like_bytes_join(pdi, registry, frames, payload):
    item = pdi.ExecuteDeviceCommandV2()
    item.commands = [type("Command", (), {"_encode": lambda self, header, f=f: f})() for f in frames]
    for code in (0x8029, type("Code", (int,), {})(0x8029)):  # packed here, and through struct.pack
        item.type = code
        if isinstance(payload, str):
            with pytest.raises(TypeError, match=payload):
                item._encode()
        else:
            assert item._encode() == b"\x29\x80" + struct.pack("<H", len(payload)) + payload


def test_frame_length_beyond_payload_takes_what_remains(pdi, registry):
    item = decode(pdi.ExecuteDeviceCommandV2, struct.pack("<IBH", 4, 2, 0x1234) + b"xyz")
    assert [(c.length, c.data) for c in item.commands] == [(0x1234, b"xyz")] and item.di_data is None


def test_oversized_command_list_fails_to_pack(pdi, registry):
    item = pdi.ExecuteDeviceCommandV2()
    item.add_uwb_network_command(0, 1, 60000, bytes(60000))
    item.add_uwb_network_command(0, 1, 6000, bytes(6000))
    with pytest.raises(struct.error):
        item._encode()
    assert item.di_size == 66014
    item = pdi.ExecuteDeviceCommandV2()
    item.type = type("Code", (int,), {})(0x8029)  # no plain integer: struct.pack takes it
    assert item._encode() == b"\x29\x80\x00\x00"


@pytest.mark.parametrize("data, poll, change, config", [(0xFF, 7, 3, 7), (0x2A, 1, 1, 2), (0x1FF, 15, 3, 7)])
def test_pin_config_fields(pdi, data, poll, change, config):
    pc = pdi.PinConfig(data)
    assert (pc.get_poll_interval(), pc.get_change_report_flag(), pc.get_pin_configuration()) == (poll, change, config)
    assert str(pc) == repr(pc) == str(data)


def test_pin_config_texts(pdi):
    # Every byte twice (the second time from the texts kept), then values that are not a byte.
    odd = (256, -1, 2 ** 70, True, 2.5, type("I", (int,), {"__str__": lambda s: "i"})(7))
    for data in [*range(256), *range(256), *odd, *odd]:
        assert str(pdi.PinConfig(data)) == repr(pdi.PinConfig(data)) == str(data)


@pytest.mark.parametrize("other, equal", [(5, True), (6, False), ("5", False), (None, False), (5.0, False)])
def test_pin_config_equality(pdi, other, equal):
    assert (pdi.PinConfig(5) == other) is equal
    assert pdi.PinConfig(5) == pdi.PinConfig(5) and pdi.PinConfig(1) == True  # noqa: E712


@pytest.mark.parametrize("bank, number, flag", [(0xE5, 5, True), (0x7F, 31, False)])
def test_pin_bank_fields(pdi, bank, number, flag):
    for name in ("PinStateReportV1", "PinStateReportV2", "PinStateReportV3", "PinConfigurationReportV1",
                 "PinConfigurationReportV2", "PinConfigurationReportV3", "PinConfiguration"):
        item = getattr(pdi, name)()
        item.pin_bank = bank
        assert item.get_reported_pin_bank() == number
    assert item.get_send_report_flag() is flag


@pytest.mark.parametrize("name, head", [("PinConfiguration", 6), ("PinConfigurationReportV2", 10)])
def test_add_pin_configurations_round_trip(pdi, name, head):
    item = getattr(pdi, name)()
    item.add_pin_configurations(0x2A)
    item.add_pin_configurations(data=7)
    payload = encode_payload(item)
    assert payload[head:] == b"\x2A\x07"
    back = decode(type(item), payload)
    listed = back.config_options if name == "PinConfiguration" else back.pin_configurations
    assert listed == [0x2A, 7] and all(type(pc) is pdi.PinConfig for pc in listed)


def test_bucket_settings(pdi):
    item = pdi.RFAgilityWrite()
    item.add_bucket_settings(*range(1, 13))
    (bucket,) = item.bucket_settings
    assert bucket.prf == 2 and str(bucket) == ", ".join(str(v) for v in range(1, 13))
    wire = bytes.fromhex("01 02 03 04 00 05 00 06 00 07 08 09 0A 0B 0C")
    assert encode_payload(item)[4:] == wire
    (back,) = decode(pdi.RFAgilityWrite, bytes(4) + wire).bucket_settings
    assert str(back) == str(bucket) and str(pdi.BucketSettings(rpf=9)) == "0, 9" + ", 0" * 10


def test_power_and_property_builders(pdi):
    report = pdi.PowerReport()
    report.add_port_information()
    report.add_port_information(current=2, voltage=1)
    assert [str(p) for p in report.port_information] == ["0, 0", "1, 2"]
    assert encode_payload(report)[2:] == bytes(4) + b"\x01\x00\x02\x00"
    prop = pdi.SetProtectedPersistentProperty()
    prop.set_persistent_property()
    assert encode_payload(prop)[4] == 1
    prop.clear_persistent_property()
    assert prop.config == 0 and encode_payload(prop)[4] == 0
