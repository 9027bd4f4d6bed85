# Every decoder of the catalog on any payload: a decode either ends in one of
# the standard errors or consumes the payload, and what it decoded re-encodes
# under the class's code to bytes that decode and re-encode to themselves; the
# command-line tool's JSON line of it is the one its Python makes.
#
# The payloads are valid encodings, mutated, and random bytes.
# fuzz/run spends a time budget (RLX_FUZZ_BUDGET seconds) on the same property.
# Below it, the table of payloads from past findings and of the corners of the
# decoders whose lists are bounded by counts sent in front of them.
import contextlib
import functools
import io
import os
import struct
import sys
import time

import pytest
from hypothesis import example, given, settings, strategies as st

import rlx.data_items.private_data_items as pdi
import rlx.rlx as fw
from conftest import STANDARD_ERRORS, declared_classes, decode
from rlx.data_items import capture, cli

# (the module's own attribute kind decodes inside ClockDomain)
DECODERS = [c for c in declared_classes(pdi) if issubclass(c, fw.RLXDataItem)]
BUDGET = float(os.environ.get("RLX_FUZZ_BUDGET") or 0)
# Seeds besides each item's default encoding: the bundled sample capture, one
# item of every type with its fields and lists filled.
with open(os.path.join(os.path.dirname(pdi.__file__), "sample_capture.hex")) as f:
    SAMPLE = {raw[0] | raw[1] << 8: raw[4:] for raw in (bytes.fromhex(line) for line in f if line[:1] not in "#\n")}


@functools.lru_cache(maxsize=None)
def payloads(cls):
    valid = st.sampled_from([cls()._encode()[4:], SAMPLE.get(cls.type, b"")])
    how = st.sampled_from(["cut", "tail", "flip", "overwrite"])
    edit = st.tuples(st.integers(0, 2**16), how, st.binary(max_size=8))
    mutated = st.tuples(valid, st.lists(edit, min_size=1, max_size=3))
    return st.one_of(valid, st.binary(max_size=64), mutated.map(lambda m: functools.reduce(mutate, m[1], m[0])))


def mutate(data, edit):
    at, how, extra = edit
    at = at % (len(data) + 1)
    flipped = data[:at] + bytes([data[at] ^ 1 << at % 8]) + data[at + 1:] if at < len(data) else data
    # cut short, a tail added, a bit flipped, two bytes (a count or a length) overwritten
    overwritten = data[:at] + extra[:2] + data[at + 2:]
    return {"cut": data[:at], "tail": data + extra, "flip": flipped, "overwrite": overwritten}[how]


def check(cls, payload):
    registry = pdi.ExecuteDeviceCommandV2.cmd_classes
    saved = dict(registry)
    try:
        try:
            item = decode(cls, payload)
        except STANDARD_ERRORS:
            return
        assert item.di_data is None
        try:
            str(item)
        except STANDARD_ERRORS:
            pass
        frame = (0, cls.type, payload)
        assert cli.JsonFormat().line_for(cls, frame, item)(frame, item) == cli.json_line(frame, item)
        again = item._encode()
        assert again[:4] == struct.pack("<HH", cls.type, len(again) - 4)
        assert decode(cls, again[4:])._encode() == again
    finally:
        registry.clear()
        registry.update(saved)


@pytest.mark.parametrize("cls", DECODERS, ids=lambda c: c.__name__)
@settings(max_examples=20)
@given(data=st.data())
def test_any_payload(cls, data):
    check(cls, data.draw(payloads(cls), label="payload"))


@pytest.mark.skipif(not BUDGET, reason="the time-budgeted run of fuzz/run")
def test_fuzz(tmp_path_factory):
    share = BUDGET / (len(DECODERS) + 1)
    for cls in DECODERS:
        end = time.monotonic() + share
        while time.monotonic() < end:
            test_any_payload(cls)
    end = time.monotonic() + share
    while time.monotonic() < end:
        test_decode_json_then_encode_is_the_identity(tmp_path_factory=tmp_path_factory)


Z = "00"
RADAR_HEAD = Z * 20  # the radar debug item up to its position records
MR_HEAD = Z * 16  # the multi-range transmission up to its reception count
# Class, payload in hex, and the error its decoding must raise, or None when
# it must decode, re-encode, and decode again to the same encoding.
ROWS = [
    # A position record claiming more interface records than it holds keeps the whole ones, the count as sent.
    ("RadarDebugV5", RADAR_HEAD + Z * 17 + "02" + Z * 25, None),
    ("RadarDebugV5", RADAR_HEAD + Z * 17 + "01" + Z * 24, struct.error),
    ("RadarDebugV5", RADAR_HEAD + Z * 17, struct.error),
    # A count beyond the payload bounds the list to what remains: the trailing fixed string is then missing.
    ("AcknowledgeListResponse", "ffff0000" + Z * 32, struct.error),
    ("AcknowledgeListResponse", "01000100" + Z * 8 + "6f6b" + Z * 30, None),
    ("PeriodicSystemOwnershipReport", "0500000000000000" + Z * 8, None),
    # The reception list never reads the free text behind it as entries.
    ("MrTransmissionV1", MR_HEAD + "01" + Z * 18 + "6869", None),
    ("MrTransmissionV1", MR_HEAD + "03" + Z * 18 + "6869", struct.error),
    ("ExecuteDeviceCommandV2", Z * 6, struct.error),
    ("ClockDomain", Z * 71, struct.error),
]


@pytest.mark.parametrize("name, payload, error", ROWS, ids=["%s-%d" % (r[0], i) for i, r in enumerate(ROWS)])
def test_regression_payload(name, payload, error):
    cls, data = getattr(pdi, name), bytes.fromhex(payload)
    if error is None:
        check(cls, data)
        assert decode(cls, data).di_data is None
    else:
        with pytest.raises(error):
            decode(cls, data)


# decode --json | encode gives back every byte of any capture read as binary: items of every class with
# payloads valid, mutated or random (so unknown, short, oversized and malformed items), type codes the
# catalog lacks, and an end cut anywhere.
def run_tool(args, path):
    out = io.BytesIO()
    stdout, sys.stdout = sys.stdout, io.TextIOWrapper(out, write_through=True)
    try:
        with contextlib.redirect_stderr(io.StringIO()):
            cli.main(args + [path])
        sys.stdout.detach()
    finally:
        sys.stdout = stdout
    return out.getvalue()


@st.composite
def captures(draw):
    frames = []
    for _ in range(draw(st.integers(0, 4))):
        code = draw(st.one_of(st.sampled_from(DECODERS).map(lambda c: c.type), st.integers(0, 0xFFFF)))
        cls = capture.item_classes().get(code)
        payload = draw(payloads(cls) if cls is not None else st.binary(max_size=40))
        frames.append(struct.pack("<HH", code, len(payload)) + payload)
    whole = b"".join(frames)
    return whole[:draw(st.integers(0, len(whole)))] if draw(st.booleans()) else whole


def round_trip(data, tmp):
    path = os.path.join(tmp, "capture")
    with open(path, "wb") as f:
        f.write(data)
    with open(path + ".jsonl", "wb") as f:
        f.write(run_tool(["decode", "--binary", "--json"], path))
    assert run_tool(["encode"], path + ".jsonl") == data


@settings(max_examples=60, deadline=None)
@given(data=captures())
@example(data=bytes.fromhex("6380 0100 02"))                             # a flag sent as 2
@example(data=bytes.fromhex("1c80 1400") + bytes(16) + bytes.fromhex("0100807f"))  # a signalling NaN single
def test_decode_json_then_encode_is_the_identity(data, tmp_path_factory):
    round_trip(data, str(tmp_path_factory.getbasetemp()))
