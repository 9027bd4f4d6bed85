"""The command-line tool on bad input."""
import os
import subprocess
import sys

import pytest

import rlx.data_items.private_data_items as pdi


def cli(*args, stdin=None):
    return subprocess.run([sys.executable, "-m", "rlx.data_items", *args], input=stdin, capture_output=True,
                          cwd="/", env=dict(os.environ))


# Each stream holds one good item besides the bad input.
@pytest.mark.parametrize("stream, diagnostic", [
    # an unknown type code is skipped, the next item still decodes
    (bytes.fromhex("3412 0100 ff") + pdi.ClockPacket()._encode(), "offset 0: unknown type code 0x1234"),
    # a payload too short for its item
    (bytes.fromhex("1580 0200 0102") + pdi.ClockPacket()._encode(), "offset 0: TickV2 0x8015: error"),
    # the stream ends inside an item
    (pdi.ClockPacket()._encode() + bytes.fromhex("1580 1100 01"), "offset 13: item 0x8015 announces 17"),
    (pdi.ClockPacket()._encode() + b"\x15", "offset 13: stream ends inside an item header"),
])
def test_bad_input_reports_offset_and_goes_on(stream, diagnostic):
    for data in (stream, stream.hex(" ").encode()):
        result = cli("decode", "-", stdin=data)
        assert result.returncode == 1
        assert diagnostic in result.stderr.decode()
        assert len(result.stdout.decode().splitlines()) == 1


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
