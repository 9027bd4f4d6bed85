"""Display filters (decode -Y, iter_items(filter=...)) and capture statistics (stats): the grammar and its
meaning on a capture built with the catalog, the names checked against the catalog, the summary's totals."""
import array
import fcntl
import json
import os
import signal
import subprocess
import sys
import termios
import time

import pytest

import rlx.data_items.private_data_items as pdi
from rlx.data_items import capture, filters

TOOL = [sys.executable, "-m", "rlx.data_items"]


def item(name, **fields):
    return capture.from_data({"class": name, "fields": fields})


def serial(n):
    """A serial number as the tool writes it (the framework's text)."""
    return str(pdi.NorvaneSerialNumber(n))


ITEMS = [
    item("TickV2", nt64=1185, dt40=1222, nt_quality=235),                                           # 0
    item("PowerReport", port_mask=235, port_information=[{"voltage": 1333, "current": 1370},
                                                         {"voltage": 1370, "current": 1407}]),      # 1
    item("UserDefinedCommandV1", serial_number={"serial": 0x10000}, command_type=38,
         payload={"bytes": "0201"}),                                                                 # 2
    item("ImageNotificationV1", image_version="sample22", image_size=889),                          # 3
    item("SystemOwnershipReply", serial_numbers=[{"serial": 0x20035}, {"serial": 0x20036}]),        # 4
    item("PowerReport", port_mask=7, port_information=[]),                                          # 5
    item("ClockDomain", proc_domain={"nt64": 38, "domaint": 39, "quality": 1, "slope": 0.5,
                                     "intercept": -38}),                                            # 6
]
WIRE = [i._encode() for i in ITEMS]
CAPTURE = b"".join(WIRE)
OFFSETS = [sum(map(len, WIRE[:n])) for n in range(len(WIRE))]


def selected(text):
    return [OFFSETS.index(offset) for offset, _ in capture.iter_items(CAPTURE, filter=text)]


def cli(*args, stdin=CAPTURE):
    return subprocess.run(TOOL + list(args), input=stdin, capture_output=True, cwd="/", env=dict(os.environ))


@pytest.mark.parametrize("text, expected", [
    # each operator, integers in decimal and hex, a float
    ("nt64 == 1185", [0]), ("nt64 != 1185", []), ("nt64 != 1", [0]), ("nt64 < 1186", [0]), ("nt64 < 1185", []),
    ("nt64 <= 1185", [0]), ("nt64 > 1184", [0]), ("nt64 > 1185", []), ("nt64 >= 1185", [0]),
    ("nt64 == 0x4A1", [0]), ("nt64 < 1185.5", [0]), ("1185 == nt64", [0]), ("1186 > nt64", [0]),
    # a path into a list holds when any element's value does; != when there is one and none equals
    ("port_information.voltage > 1350", [1]), ("port_information.voltage > 1370", []),
    ("port_information.voltage != 1333", []), ("port_information.voltage != 5", [1]),
    ("port_information[1].voltage == 1370", [1]), ("port_information[0].voltage == 1370", []),
    ("port_information[-1].current == 1407", [1]), ("port_information[2].voltage >= 0", []),
    ("PowerReport.port_mask == 7", [5]),
    ("proc_domain.slope == 0.5", [6]), ("proc_domain.intercept < 0", [6]),
    # presence, class names in any case, type codes
    ("port_information", [1, 5]), ("port_information.voltage", [1]), ("port_information[1]", [1]),
    ("tickv2", [0]), ("TickV2 || powerREPORT", [0, 1, 5]), ("!PowerReport", [0, 2, 3, 4, 6]),
    ("type == 0x8015", [0]), ("type == 32789", [0]), ("type >= 0x8016 && type <= 0x8016", [1, 5]),
    ("offset == %d" % OFFSETS[2], [2]), ("offset < 1", [0]),
    # serial numbers: as the tool writes them, or as integers
    ("serial_number == %s" % serial(0x10000), [2]), ("serial_number == 65536", [2]),
    ("serial_numbers == %s" % serial(0x20036), [4]), ("serial_numbers > 0x20035", [4]),
    ("serial_numbers < 0x20035", []),
    # text and bytes; a value of another kind never compares
    ("image_version == 'sample22'", [3]), ('image_version == "sample22"', [3]), ("image_version < 'z'", [3]),
    ("image_version > 5", []), ("image_version != 5", []), ("nt64 == 'x'", []), ("payload == h'02 01'", [2]),
    ("port_information > 1", []), ("proc_domain == 38", []),
    # precedence: ! over && over ||
    ("tickv2 || powerreport && port_mask == 7", [0, 5]), ("(tickv2 || powerreport) && port_mask == 7", [5]),
    ("not tickv2 and nt64 or port_mask == 235", [1]), ("!(nt64 > 0 || port_mask > 0)", [2, 3, 4, 6]),
    ("!!tickv2", [0]),
])
def test_filter_selects(text, expected):
    assert selected(text) == expected


def test_values_of_unexpected_kinds_compare_carefully():
    # what a custom decoder might leave in a field: the compiled test falls back, never raises
    tick = pdi.TickV2()
    chooser = filters.Filter("nt64 > 1000")
    select = chooser.decoder(lambda frame: tick, [])
    for value, holds in (("text", False), ([5, 2000], True), ([5], False), (None, False), (float("nan"), False)):
        tick.nt64 = value
        assert chooser(tick) is holds and (select((0, tick.type, b"")) is tick) is holds, value
    del tick.nt64
    assert chooser(tick) is False and select((0, tick.type, b"")) is None


@pytest.mark.parametrize("text, column, message", [
    ("votage > 1", 1, "no item has a field or class named 'votage'; did you mean port_information.voltage"),
    ("tickv2 && port_mask > 1", 11, "TickV2 has no field 'port_mask'"),
    ("(tickv1 || TickV2) && nt_quality && port_mask", 37, "none of TickV1, TickV2 has a field 'port_mask'"),
    ("type == 0x8015 && port_mask", 19, "TickV2 has no field 'port_mask'"),
    ("port_information.votage", 1, "port_information has no field 'votage'; did you mean voltage?"),
    ("PowerReport.voltage", 1, "PowerReport has no field 'voltage'; did you mean port_information.voltage?"),
    ("nt64.x", 1, "nt64 holds no fields"),
    ("nt64 >", 7, "expected a number"), ("nt64 = 5", 6, "'=' alone"), ("(nt64 > 5", 10, "expected ')'"),
    ("nt64 > 5)", 9, "unexpected ')'"), ("tickv2 == 5", 1, "TickV2 is a class"), ("", 1, "empty filter"),
    ("image_version == 'x", 18, "does not end"), ("nt64 > 5 & tickv2", 10, "'&' alone"),
    ("port_information[x]", 18, "element number"), ("payload == h'123'", 12, "two hex digits"),
])
def test_bad_filter_names_the_column(text, column, message):
    with pytest.raises(ValueError) as caught:
        capture.Capture(CAPTURE, filter=text)
    assert caught.value.column == column
    assert message in str(caught.value)


def test_bad_filter_is_usage_error_on_one_line():
    for args in (["decode", "-Y", "votage > 1"], ["stats", "--filter", "nt64 >"],
                 ["stats", "--field", "PowrReport.port_information.voltage"], ["stats", "--field", "tickv2.votage"]):
        result = cli(*args)
        assert result.returncode == 2
        lines = result.stderr.decode().splitlines()
        assert len(lines) == 1 and lines[0].startswith("error: ") and result.stdout == b""
    assert "did you mean PowerReport" in cli("stats", "--field", "PowrReport.port_information.voltage").stderr.decode()


UNKNOWN, SHORT = bytes.fromhex("3412 0100 ff"), bytes.fromhex("1580 0200 0102")
MIXED = WIRE[0] + WIRE[1] + UNKNOWN + SHORT + WIRE[5] + WIRE[2]


@pytest.mark.parametrize("args, lines, totals", [
    (["-Y", "nt64 > 0 || type == 0x1234"], 3, "6 items, %d bytes: 1 decoded, 1 unknown, 1 malformed, 3 not selected"
     % len(MIXED)),
    (["-Y", "port_mask < 200 || type == 0x1234", "--class", "PowerReport", "--class", "0x1234"], 2,
     "6 items, %d bytes: 1 decoded, 1 unknown, 0 malformed, 4 not selected" % len(MIXED)),
    # -c counts the items selected; the batch ends with the last one written
    (["-Y", "powerreport", "-c", "1"], 1, "2 items, %d bytes: 1 decoded, 0 unknown, 0 malformed, 1 not selected"
     % len(WIRE[0] + WIRE[1])),
    (["-Y", "port_mask > 0 || nt64", "-c", "2", "--json"], 2,
     "2 items, %d bytes: 2 decoded, 0 unknown, 0 malformed" % len(WIRE[0] + WIRE[1])),
    (["-Y", "offset > 0", "-c", "0"], 0, "0 items, 0 bytes: 0 decoded, 0 unknown, 0 malformed"),
])
def test_filtered_summary_adds_up(args, lines, totals):
    result = cli("decode", "-", "--summary", *args, stdin=MIXED)
    assert len(result.stdout.splitlines()) == lines
    summary = [line for line in result.stderr.decode().splitlines() if line.startswith("summary: ")]
    assert summary == ["summary: " + totals]


def test_filter_with_json_and_count():
    result = cli("decode", "-", "--json", "-Y", "port_information.voltage > 0 || serial_number", "-c", "2")
    assert result.returncode == 0
    assert [(d["offset"], d["class"]) for d in map(json.loads, result.stdout.splitlines())] == [
        (OFFSETS[1], "PowerReport"), (OFFSETS[2], "UserDefinedCommandV1")]
    text = cli("decode", "-", "-V", "-x", "-Y", "tickv2").stdout.decode().splitlines()
    assert text[0].startswith("TickV2 0x8015 nt64=1185") and "  nt64: 1185" in text


def test_stats_json_counts_classes_unknown_malformed_and_fields():
    result = cli("stats", "-", "--json", "--field", "powerreport.port_information.voltage",
                 "--field", "SystemOwnershipReply.serial_numbers", "--field", "ImageNotificationV1.image_version",
                 "--field", "proc_domain.slope", stdin=MIXED + WIRE[4] + WIRE[3] + WIRE[6])
    assert result.returncode == 1  # the unknown and the malformed item
    data = json.loads(result.stdout)
    assert (data["items"], data["decoded"], data["unknown"], data["malformed"], data["not_selected"]) == (9, 7, 1, 1, 0)
    assert data["bytes"] == len(MIXED + WIRE[4] + WIRE[3] + WIRE[6])
    assert data["classes"][0] == {"class": "PowerReport", "type": "0x8016", "items": 2, "share": round(2 / 9, 6),
                                  "bytes": len(WIRE[1] + WIRE[5])}
    assert data["unknown_types"] == [{"type": "0x1234", "items": 1, "share": round(1 / 9, 6), "bytes": 5}]
    assert data["malformed_items"] == [{"class": "TickV2", "type": "0x8015", "items": 1, "share": round(1 / 9, 6),
                                        "bytes": 6}]
    assert data["fields"] == [
        {"field": "powerreport.port_information.voltage", "count": 2, "min": 1333, "max": 1370, "mean": 1351.5},
        {"field": "SystemOwnershipReply.serial_numbers", "count": 2, "min": {"serial": 0x20035},
         "max": {"serial": 0x20036}, "mean": 0x20035 + 0.5},
        {"field": "ImageNotificationV1.image_version", "count": 1, "min": None, "max": None, "mean": None},
        {"field": "proc_domain.slope", "count": 1, "min": 0.5, "max": 0.5, "mean": 0.5}]


def test_stats_text_with_filter():
    result = cli("stats", "-", "-Y", "port_information", "--field", "PowerReport.port_mask")
    assert result.returncode == 0
    lines = result.stdout.decode().splitlines()
    assert lines[0] == "7 items, %d bytes: 2 decoded, 0 unknown, 0 malformed, 5 not selected (%d bytes)" % (
        len(CAPTURE), len(CAPTURE) - len(WIRE[1] + WIRE[5]))
    assert lines[1].split() == ["class", "type", "items", "share", "bytes"]
    assert lines[2].split() == ["PowerReport", "0x8016", "2", "100.0", "%", str(len(WIRE[1] + WIRE[5]))]
    assert lines[4].split() == ["PowerReport.port_mask", "2", "7", "235", "121"]


def test_stats_interrupted_writes_what_it_counted():
    from test_cli import interruptible, waiting_for_input
    proc = subprocess.Popen(TOOL + ["stats", "-", "--json", "-Y", "!tickv2"], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=interruptible)
    proc.stdin.write(CAPTURE)
    proc.stdin.flush()
    # the capture taken out of the pipe, then the tool waiting for more (so done with it); its input stays
    # open until it has exited
    unread, end = array.array("i", [1]), time.monotonic() + 30
    while unread[0] and time.monotonic() < end:
        fcntl.ioctl(proc.stdin.fileno(), termios.FIONREAD, unread)
        time.sleep(0.01)
    waiting_for_input(proc.pid)
    proc.send_signal(signal.SIGINT)
    proc.wait(timeout=30)
    proc.stdin.close()
    data = json.loads(proc.stdout.read())
    assert proc.returncode == 130 and proc.stderr.read() == b"interrupted\n"
    assert (data["items"], data["decoded"], data["not_selected"], data["interrupted"]) == (7, 6, 1, True)
