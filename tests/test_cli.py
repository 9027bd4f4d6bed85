"""The command-line tool on the bundled sample and on bad input."""
import json
import os
import pty
import re
import subprocess
import sys

import pytest

import rlx.data_items.private_data_items as pdi


def cli(*args, stdin=None):
    return subprocess.run([sys.executable, "-m", "rlx.data_items", *args], input=stdin, capture_output=True,
                          cwd="/", env=dict(os.environ))


@pytest.mark.standin  # the sample holds the stand-in's wire forms (signal strength, receive statistics)
def test_sample_decodes_cleanly_one_line_per_item():
    result = cli("decode")
    assert result.returncode == 0, result.stderr.decode()
    lines = result.stdout.decode().splitlines()
    names = {line.split()[0] for line in lines}
    items = [v.__name__ for v in vars(pdi).values()
             if isinstance(v, type) and v.__module__ == pdi.__name__ and issubclass(v, pdi.RLXDataItem)]
    assert names == set(items)
    assert "TickV2 0x8015 nt64=" in result.stdout.decode()


def test_json_output_is_one_object_per_item():
    tick = pdi.TickV2()
    tick.nt64 = 5
    result = cli("decode", "-", "--json", stdin=tick._encode())
    assert result.returncode == 0
    record = json.loads(result.stdout)
    assert record["class"] == "TickV2" and record["type"] == 0x8015 and record["fields"]["nt64"] == 5


@pytest.mark.parametrize("stream, diagnostic, good", [
    # an unknown type code is skipped, the next item still decodes
    (bytes.fromhex("3412 0100 ff") + pdi.ClockPacket()._encode(), "offset 0: unknown type code 0x1234", 1),
    # a payload too short for its item
    (bytes.fromhex("1580 0200 0102") + pdi.ClockPacket()._encode(), "offset 0: TickV2 0x8015: error", 1),
    # the stream ends inside an item
    (pdi.ClockPacket()._encode() + bytes.fromhex("1580 1100 01"), "offset 13: item 0x8015 announces 17", 1),
    (pdi.ClockPacket()._encode() + b"\x15", "offset 13: stream ends inside an item header", 1),
])
def test_bad_input_reports_offset_and_goes_on(stream, diagnostic, good):
    for data in (stream, stream.hex(" ").encode()):
        result = cli("decode", "-", stdin=data)
        assert result.returncode == 1
        assert diagnostic in result.stderr.decode()
        assert len(result.stdout.decode().splitlines()) == good


def test_catalog_and_show():
    result = cli("catalog")
    assert result.returncode == 0
    lines = result.stdout.decode().splitlines()
    assert lines[0].split()[1] == "UserDefinedCommandV1" or "TickV1" in lines[0]
    shown = cli("show", "ClockNTDTV1").stdout.decode()
    assert "signal_strength" in shown and "DISignalStrengthAttr" in shown
    assert cli("show", "NoSuchClass").returncode == 2


def test_summary_counts_classes_unknown_codes_malformed_items_and_totals():
    tick, empty, clock = pdi.TickV2()._encode(), pdi.DBChanged()._encode(), pdi.ClockPacket()._encode()
    unknown, short = bytes.fromhex("3412 0100 ff"), bytes.fromhex("1580 0200 0102")
    whole = tick + unknown + tick + short + empty + unknown + clock
    result = cli("decode", "-", "--summary", stdin=whole + bytes.fromhex("1580 1100 01"))
    assert result.returncode == 1
    assert len(result.stdout.decode().splitlines()) == 4  # the items alone: the summary goes to stderr
    assert result.stderr.decode().endswith(
        "summary: 7 items, %d bytes: 4 decoded, 2 unknown, 1 malformed\n" % len(whole)
        + "items per class:\n         2  TickV2\n         1  ClockPacket\n         1  DBChanged\n"
        + "unknown type codes:\n         2  0x1234\n"
        + "malformed items:\n         1  TickV2 0x8015\n"
        + "stream: offset %d: item 0x8015 announces 17 payload bytes, the stream ends after 1\n" % len(whole))


@pytest.mark.parametrize("terminal", [True, False])
def test_progress_line_on_a_terminal_only_cleared_before_diagnostics(terminal):
    item = pdi.ClockPacket()._encode()
    stream = item * 600 + bytes.fromhex("3412 0000") + item * 600
    master, slave = pty.openpty() if terminal else (None, subprocess.PIPE)
    result = subprocess.run([sys.executable, "-m", "rlx.data_items", "decode", "-", "--progress-interval", "0"],
                            input=stream, stdout=subprocess.PIPE, stderr=slave, cwd="/", env=dict(os.environ))
    assert len(result.stdout.splitlines()) == 1200
    diagnostic = "error: offset %d: unknown type code 0x1234 (0 payload bytes)" % (600 * len(item))
    if not terminal:
        assert result.stderr.decode() == diagnostic + "\n"
        return
    os.close(slave)
    chunks = []
    while True:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # the terminal is closed on both sides
            break
        if not chunk:
            break
        chunks.append(chunk)
    os.close(master)
    err = b"".join(chunks).decode()
    counts = [int(n) for n in re.findall(r"\rdecoding: (\d+) items, [\d.]+ K?i?B, \d+ items/s", err)]
    assert counts == list(range(256, 1201, 256))
    assert re.search(r"\r +\r" + re.escape(diagnostic), err)  # the line is blanked, the diagnostic stands alone
    assert re.search(r"items/s *\r +\r$", err)                # and blanked at the end
