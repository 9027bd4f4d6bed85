"""The command-line tool and the capture API behind it: bad input, strict JSON that encodes back, failing
input and output, selection and the catalog views."""
import json
import os
import pty
import re
import random
import signal
import struct
import subprocess
import sys
import time

import pytest

import rlx.data_items.private_data_items as pdi
from rlx.data_items import capture

from conftest import ALT, SANITIZED, declared_classes

TOOL = [sys.executable, "-m", "rlx.data_items"]
SAMPLE = os.path.join(os.path.dirname(pdi.__file__), "sample_capture.hex")
CLOCK = pdi.ClockPacket()._encode()


def cli(*args, stdin=None):
    return subprocess.run(TOOL + list(args), input=stdin, capture_output=True, cwd="/", env=dict(os.environ))


def sample_frames():
    with open(SAMPLE, "rb") as f:
        return [code.to_bytes(2, "little") + len(payload).to_bytes(2, "little") + payload
                for _, code, payload in capture.Capture(f).frames()]


def strict(line):
    return json.loads(line, parse_constant=lambda name: pytest.fail("not strict JSON: " + name))


# Each stream holds one good item besides the bad input; a leftover is a warning only.
@pytest.mark.parametrize("stream, diagnostic, status", [
    (bytes.fromhex("3412 0100 ff") + CLOCK, "error: offset 0: unknown type code 0x1234 (1 payload byte)", 1),
    (bytes.fromhex("1580 0b00") + bytes(11) + CLOCK, "error: offset 0: TickV2 0x8015: payload of 11 bytes ends "
     "inside field dt40, which needs 8 bytes at payload offset 8 (3 there)", 1),
    # the second framework leaves a part of a list element alone, the stand-in refuses it
    (bytes.fromhex("2480 0600") + bytes(6) + CLOCK, "warning: offset 0: InactiveSerialNumbers 0x8024: payload of "
     "6 bytes, the layout takes 4: 2 bytes left over, ignored" if ALT else "error: offset 0: InactiveSerialNumbers "
     "0x8024: field serial_numbers: 2 bytes after 1 element of 4 bytes do not make a whole element", int(not ALT)),
    (bytes.fromhex("1580 1400") + bytes(20) + CLOCK, "warning: offset 0: TickV2 0x8015: payload of 20 bytes, "
     "the layout takes 17: 3 bytes left over, ignored", 0),
    (CLOCK + bytes.fromhex("1580 1100 01"), "error: offset 13: TickV2 0x8015: the stream ends after 1 of the "
     "item's 17 payload bytes", 1),
    (CLOCK + b"\x15", "error: offset 13: the stream ends inside an item header (1 of 4 bytes)", 1),
])
def test_bad_input_is_one_line_naming_offset_class_and_bytes(stream, diagnostic, status):
    for data in (stream, stream.hex(" ").encode()):
        result = cli("decode", "-", stdin=data)
        assert (result.returncode, result.stderr.decode()) == (status, diagnostic + "\n")
        # the bad input is a line of its own, with the reason
        good, bad = sorted(result.stdout.decode().splitlines(), key=lambda line: "not decoded: " in line)
        assert good.startswith("ClockPacket 0x80AD ") or status == 0
        assert ("not decoded: " in bad and diagnostic.rsplit(": ", 1)[1] in bad) == (status != 0)


def test_summary_counts_classes_unknown_codes_malformed_items_and_totals():
    tick, empty = pdi.TickV2()._encode(), pdi.DBChanged()._encode()
    unknown, short = bytes.fromhex("3412 0100 ff"), bytes.fromhex("1580 0200 0102")
    whole = tick + unknown + tick + short + empty + unknown + CLOCK
    result = cli("decode", "-", "--summary", "--class", "tickv2", "--class", "0x802b", "--class", "0x1234",
                 stdin=whole + CLOCK + bytes.fromhex("1580 1100 01"))
    assert result.returncode == 1
    # the items and what did not decode (2 unknown, 1 malformed, the cut end): the summary goes to stderr
    assert len(result.stdout.splitlines()) == 7
    assert result.stderr.decode().endswith(
        "summary: 8 items, %d bytes: 3 decoded, 2 unknown, 1 malformed, 2 not selected\n" % (len(whole) + 13)
        + "items per class:\n         2  TickV2\n         1  DBChanged\n"
        + "unknown type codes:\n         2  0x1234\n"
        + "malformed items:\n         1  TickV2 0x8015\n"
        + "stream: offset %d: TickV2 0x8015: the stream ends after 1 of the item's 17 payload bytes\n"
        % (len(whole) + 13))


def waiting_for_input(pid, deadline=30):
    """Returns once process ``pid`` is blocked reading its standard input (read(2), system call 0 on x86-64)."""
    end = time.monotonic() + deadline
    while True:
        with open("/proc/%d/syscall" % pid) as f:
            if f.read().startswith("0 0x0 "):
                return
        assert time.monotonic() < end, "process %d never waited for input" % pid
        time.sleep(0.01)


# Interrupted while it waits for more, or as soon as its lines arrive (while it may still be counting them):
# the summary counts the three items written. Its input stays open until it has exited, so that the end of
# input does not come first.
def interruptible():
    """In the child: SIGINT as a terminal sends it, even where the tests run with it ignored (a background job)."""
    signal.signal(signal.SIGINT, signal.SIG_DFL)


@pytest.mark.parametrize("at_once", [False, True])
def test_ctrl_c_prints_the_summary_and_exits_130(at_once):
    proc = subprocess.Popen(TOOL + ["decode", "-", "--summary"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, preexec_fn=interruptible)
    proc.stdin.write(CLOCK * 3)
    proc.stdin.flush()
    assert proc.stdout.readline().startswith(b"ClockPacket 0x80AD ")
    if not at_once:
        waiting_for_input(proc.pid)
    proc.send_signal(signal.SIGINT)
    proc.wait(timeout=30)
    proc.stdin.close()
    out, err = proc.stdout.read(), proc.stderr.read()
    assert proc.returncode == 130 and out.count(b"\n") == 2
    assert err.decode().startswith("summary: 3 items, 39 bytes: 3 decoded, 0 unknown, 0 malformed (interrupted)\n")
    assert err.decode().endswith("interrupted\n") and b"Traceback" not in err


def test_every_value_readable_json_strict_on_hostile_payloads():
    """All-0xFF payloads of every item class (and the sample): the text is deterministic and shows no
    address; every JSON line is strict, with the type code written as the text writes it."""
    items = [cls for cls in declared_classes(pdi) if isinstance(getattr(cls, "type", None), int)]
    hostile = b"".join(cls.type.to_bytes(2, "little") + n.to_bytes(2, "little") + b"\xff" * n
                       for cls in items for n in (capture.fixed_size(cls) or 64, 3))
    stream = hostile + b"".join(sample_frames())
    text, again, lines = cli("decode", "-", stdin=stream), cli("decode", "-", stdin=stream), \
        cli("decode", "--json", "-", stdin=stream)
    assert text.stdout == again.stdout and b" at 0x" not in text.stdout
    assert text.stdout.count(b"\n") == lines.stdout.count(b"\n") > len(items)
    for line, record in zip(text.stdout.decode().splitlines(), map(strict, lines.stdout.decode().splitlines())):
        assert line.startswith("%s %s" % (record["class"], record["type"]))


# decode --json | encode gives the bytes back: every class of the sample (that the framework decodes with
# no byte left over), a float whose NaN carries bits of its own, counted lists, text beyond ASCII.
def test_decode_json_then_encode_gives_the_same_bytes():
    def clean(frame):
        found = []
        return list(capture.iter_items(frame, on_diagnostic=found.append)) and not found
    frames = sample_frames()
    decoded = [f for f in frames if clean(f)]
    assert len(decoded) == len(frames) or ALT
    original = b"".join(decoded)
    original += bytes.fromhex("1780 1800") + b"\xff" * 24   # SyncStatsV1: 2**64 - 1 and NaN bits
    item = pdi.AcknowledgeListResponse()
    item.add_acknowledged_serial(7)
    item.ack_string = "µ"
    original += item._encode()
    lines = cli("decode", "--json", "-", stdin=original).stdout
    assert cli("encode", stdin=lines).stdout == original
    hexed = cli("encode", "--hex", stdin=lines)
    assert (hexed.returncode, cli("decode", "--json", "-", stdin=hexed.stdout).stdout) == (0, lines)
    data = [capture.to_data(item) for _, item in capture.iter_items(original)]
    assert b"".join(capture.from_data(json.loads(json.dumps(d)))._encode() for d in data) == original


@pytest.mark.parametrize("line, message", [
    ('{"class": "TickV2", "fields": {"nt64": NaN}}', "line 1: NaN is not JSON"),
    ('{"class": "TickV9"}', "line 1: no item class named 'TickV9'; did you mean TickV3 or TickV2 or TickV1?"),
    ('{"class": "tickv2", "type": "0x8016"}', "line 1: class TickV2 has type code 0x8015, not 0x8016"),
    ('{"class": "TickV2", "type": "0x8016"}', "line 1: class TickV2 has type code 0x8015, not 0x8016"),
    ('{"type": "0x8015", "fields": {"nt_qualty": 3}}', "line 1: TickV2 has no field 'nt_qualty'"),
    ('{"class": "TickV2", "fields": {"nt64": "3"}}', "line 1: nt64: expected an integer, not '3'"),
    ('{"class": "TickV2", "fields": {"nt_quality": 256}}', "line 1: TickV2 0x8015: field nt_quality: 256 is out "
     "of range for an unsigned 8-bit field (0 to 255)\n"),
    ('{"class": "TickV2", "fields": {"dt40": -1}}', "line 1: TickV2 0x8015: field dt40: -1 is out of range for an "
     "unsigned 64-bit field (0 to 18446744073709551615)\n"),
    ('{"class": "DiagnosticAlert", "fields": {"message": "%s"}}' % ("x" * 70000), "line 1: DiagnosticAlert 0x0180: "
     "the payload would be 70007 bytes, an item carries at most 65535 (field message takes 70000)\n"),
    ('{"class": "ClockDomain", "fields": {"proc_domain": {"slope": "x"}}}',
     "line 1: proc_domain.slope: expected a number, not 'x'"),
    ('{"class": "InactiveSerialNumbers", "fields": {"serial_numbers": [{"serial": -1}]}}',
     "line 1: serial_numbers[0]: expected a serial number"),
    ('{"class": "SendDeviceCommand", "fields": {"debug_data": "00"}}', "line 1: debug_data: expected bytes"),
])
def test_encode_names_the_line_and_field_and_goes_on(line, message):
    result = cli("encode", stdin=(line + "\n\n# a comment\n" + json.dumps(capture.to_data(pdi.TickV2()))).encode())
    assert result.returncode == 1 and result.stdout == pdi.TickV2()._encode()
    assert result.stderr.decode().startswith("error: standard input " + message)


@pytest.mark.parametrize("text, diagnostic", [
    (b"\xef\xbb\xbf# 25 \xc2\xb5s, \xff\r\n" + CLOCK.hex(" ").encode() + b"\r\n", ""),
    (CLOCK.hex().encode() + b" # ok\r\n  0b 00 zz 00\n", "offset 15: hex text: line 2, column 9: 'z' is not a hex digit"),
    (CLOCK.hex().encode() + b"\n" + "1580 µ".encode(), "offset 15: hex text: line 2, column 6: 'µ' is not a hex digit"),
    (CLOCK.hex().encode() + b"\n#\n 1", "offset 13: hex text: line 3, column 2: a lone hex digit at the end of the text "
     "(the digits of a byte come in pairs)"),
])
def test_hex_text(text, diagnostic):
    result = cli("decode", "-", stdin=text)
    assert result.stdout.startswith(b"ClockPacket 0x80AD ") and result.stdout.count(b"\n") == 1
    assert (result.returncode, result.stderr.decode()) == ((1, "error: %s\n" % diagnostic) if diagnostic else (0, ""))


@pytest.mark.skipif(SANITIZED, reason="the sanitizer keeps freed memory resident in its quarantine")
def test_hex_in_one_long_line_is_read_in_bounded_memory():
    # The tool's own peak resident memory (kB), as it writes it when it exits; not ru_maxrss, which also counts
    # the process it was started from.
    hwm = "import atexit, runpy, sys; atexit.register(lambda: sys.stderr.write(" \
          "[l for l in open('/proc/self/status') if l.startswith('VmHWM:')][0])); " \
          "runpy.run_module('rlx.data_items', run_name='__main__')"

    def peak(size):
        big = (bytes.fromhex("5280 f0ff") + bytes(0xFFF0)) * size
        result = subprocess.run([sys.executable, "-c", hwm, "decode", "-", "--class", "0x0001"],
                                input=big.hex().encode(), capture_output=True)
        assert result.returncode == 0 and result.stdout == b"", result.stderr
        return int(result.stderr.split()[-2])
    assert peak(240) - peak(8) < 8 * 1024       # 30 MiB of hex text against 1 MiB: within 8 MiB


# Failing input and output end in one line and a non-zero status, never a traceback.
@pytest.mark.parametrize("shell, status, message", [
    ("decode >&-", 1, "error: standard output is closed"),
    ("decode --sample > /dev/full", 1, "error: cannot write standard output: No space left on device"),
    ("decode - <&-", 1, "error: standard input is closed"),
    ("decode - 0>/dev/null", 1, "error: offset 0: cannot read standard input: Bad file descriptor"),
    ("decode /proc/self/mem", 1, "error: offset 0: cannot read /proc/self/mem: Input/output error"),
    ("decode /nonexistent", 2, "error: cannot open capture /nonexistent: No such file or directory"),
    ("encode 0>/dev/null", 1, "error: cannot read standard input: Bad file descriptor"),
    ("decode --serial 0x100000000", 2, "serial number 0x100000000 out of range"),
    ("decode --class TikcV2", 2, "error: no item named 'TikcV2' in the catalog; did you mean TickV2"),
    ("decode --json --offsets", 2, "error: --offsets and -x shape the text output"),
    ("show RecordOfNothing", 2, "error: no class named 'RecordOfNothing' in the catalog"),
])
def test_failures_end_in_one_line(shell, status, message):
    result = subprocess.run("exec %s %s" % (" ".join(TOOL), shell), shell=True, capture_output=True, cwd="/")
    err = result.stderr.decode()
    assert result.returncode == status and message in err and "Traceback" not in err


# `decode | head`: the reader has what it wanted; a summary counts only the lines written (none here).
@pytest.mark.parametrize("summary", [[], ["--summary"]])
def test_a_reader_that_closes_the_output_ends_the_tool_quietly(summary):
    proc = subprocess.Popen(TOOL + ["decode", "-"] + summary, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    proc.stdout.close()
    _, err = proc.communicate(CLOCK * 50000, timeout=60)
    assert (proc.returncode, err.decode()) == (
        0, "summary: 0 items, 0 bytes: 0 decoded, 0 unknown, 0 malformed\n" if summary else "")


# With no file, a pipe into decode is the capture; the bundled sample is the default on a terminal only.
@pytest.mark.parametrize("args, terminal, sample", [([], False, False), (["--sample"], False, True),
                                                    ([], True, True)])
def test_decode_reads_standard_input_unless_it_is_a_terminal(args, terminal, sample):
    main, other = pty.openpty()
    try:
        result = subprocess.run(TOOL + ["decode"] + args, capture_output=True, timeout=60,
                                **({"stdin": other} if terminal else {"input": CLOCK}))
    finally:
        os.close(main)
        os.close(other)
    expected = cli("decode", SAMPLE) if sample else cli("decode", "-", stdin=CLOCK)
    assert (result.returncode, result.stdout) == (expected.returncode, expected.stdout) and expected.stdout


def test_selection_offsets_hex_dump_and_tree():
    result = cli("decode", "--sample", "-c", "2", "--class", "powerreport", "--class", "0x80AD", "--offsets", "-x", "-V")
    text = result.stdout.decode()
    power, clock = re.findall(r"^ +(\d+)  (\w+) 0x", text, re.M)
    assert (power[1], clock[1]) == ("PowerReport", "ClockPacket") and int(power[0]) < int(clock[0])
    assert "  port_information: 2 elements\n    [0]: PortInformation\n      voltage: " in text
    assert "    0000  ad 80 09 00 " in text and result.returncode == 0


def test_show_takes_a_code_or_any_case_and_lists_methods_and_counts():
    text = cli("show", "0x805b").stdout.decode() + cli("show", "execUTEdevicecommandv2").stdout.decode()
    assert text.startswith("AcknowledgeListResponse (item, type 0x805B)\n")
    assert "    add_acknowledged_serial(self, /, serial_number)\n" in text
    assert "num_not_acknowledged counts the elements of not_acknowledged_serials" in text
    assert "add_uwb_network_command(self, /, destination_group=0, type=0, length=0, data=0)" in text


def test_version_and_progress_only_on_a_terminal_without_the_items(tmp_path):
    assert re.fullmatch(rb"rlx-private-data-items \d+\.\d+\S*\n", cli("--version").stdout)
    (tmp_path / "capture").write_bytes(CLOCK * 20000)
    for items_too in (False, True):
        main, other = pty.openpty()
        proc = subprocess.Popen(TOOL + ["decode", str(tmp_path / "capture"), "--progress-interval", "0"],
                                stdout=other if items_too else subprocess.DEVNULL, stderr=other)
        os.close(other)
        seen, tail = False, b""
        while True:
            try:
                data = os.read(main, 1 << 16)
            except OSError:       # the terminal's last writer is gone
                break
            seen, tail = seen or b"decoding: " in tail + data, data[-16:]
        os.close(main)
        assert proc.wait() == 0 and seen != items_too


def reference_text(value):
    """A field value's text as the tool first wrote it, in Python: what rlx.data_items._capture must give."""
    if isinstance(value, pdi.NorvaneSerialNumber) or isinstance(value, pdi.UWBNetworkCommandItem):
        return str(value)
    if isinstance(value, (bytes, bytearray, memoryview)):
        return "h'%s'" % bytes(value).hex()
    if isinstance(value, (list, tuple)):
        return "[" + "; ".join(map(reference_text, value)) + "]"
    for kind, text in ((bool, str), (int, int.__repr__), (float, float.__repr__), (str, lambda v: repr(str(v)))):
        if isinstance(value, kind):
            return text(value)
    fields = capture.record_fields(value)
    if capture.own_text(value) and not any(isinstance(v, (list, tuple)) for _, v in fields):
        return "(%s)" % value if fields else str(value)
    return "(" + ", ".join("%s=%s" % (n, reference_text(getattr(value, n, None))) for n, _ in fields) + ")"


class Odd(int):
    def __str__(self):
        return "odd"


DOUBLES = struct.unpack("<2000d", random.Random(5).randbytes(16000))


# Each line of the bundled sample, and hostile values set on an item (non-finite, subnormal and random
# doubles, 64-bit limits and beyond, subclasses of the built-in types, text beyond ASCII, odd objects, nested
# and mixed lists), render as the reference says, and as JSON as to_data and json.dumps say; a text that
# fails raises, and the tool falls back.
@pytest.mark.parametrize("value", [None, [float("nan"), -0.0, float("inf"), 5e-324, 1e16, 1e-5, 0.1, *DOUBLES,
                                          *struct.unpack("<2d", struct.pack("<2Q", 0x7FF8000000000001, 2**64 - 1))],
                                   [2**63 - 1, -2**63, 2**64, -10**40, True, Odd(3)], "µs\n'\"\\", b"\0\xff",
                                   bytearray(b"ab"), memoryview(b"cd"), (1, [2, (3,)], []), object(),
                                   "\x7f\U0001f600", eval("[" * 60 + "]" * 60),
                                   type("S", (str,), {})("x"), type("F", (float,), {})(2.5), pdi.PinConfig(5),
                                   type("L", (list,), {})([1, type("T", (tuple,), {})((2, 3))]),
                                   type("R", (), {"a": 1.5, "__init__": lambda s: setattr(s, "b", [s.a])})()])
def test_lines_are_the_reference_texts(value):
    from rlx.data_items import cli as tool
    with open(SAMPLE, "rb") as f:
        items = [item for _, item in capture.iter_items(f, on_diagnostic=lambda d: None)]
    tick = pdi.TickV2()
    tick.nt64, tick.dt40, tick.nt_quality = value, [value], 7
    view, render, json_view = tool.TextFormat(), tool.texts().lines, tool.JsonFormat()
    wants = []
    for item in items + [tick]:
        # Its JSON line is the Python one, made from to_data and json.dumps.
        frame = (7, type(item).type, b"")
        assert json_view.line_for(type(item), frame, item)(frame, item) == tool.json_line(frame, item)
        head = "%s 0x%04X" % (type(item).__name__, type(item).type)
        if capture.own_text(item):
            want = head + " " + str(item).replace("\n", " | ")
        else:
            want = head + "".join(" %s=%s" % (a.name, reference_text(getattr(item, a.name)))
                                  for a in type(item).definition)
        assert tool.class_line(type(item), item)(None, item) == want + "\n"
        wants.append(want + "\n")
    # The same lines as one batch, the tick's twice, in the middle and last.
    batch = items[:len(items) // 2] + [tick] + items[len(items) // 2:] + [tick]
    frames = [(i, type(item).type, b"") for i, item in enumerate(batch)]
    wants.insert(len(items) // 2, wants[-1])
    assert render(frames, lambda f: batch[f[0]], {}, view.line_for, view.robust) == "".join(wants)
    assert render(frames, lambda f: batch[f[0]], {}, json_view.line_for, json_view.robust) == \
        "".join(tool.json_line(f, batch[f[0]]) for f in frames)
    loop = [1]
    loop.append(loop)
    for bad, error in ((loop, RecursionError), (pdi.PinConfig(type("B", (), {"__str__": lambda s: 1})()), TypeError)):
        tick.nt64 = bad
        with pytest.raises(error):
            tool.class_line(type(tick), tick)(None, tick)
        with pytest.raises(error):
            json_view.line_for(type(tick), frame, tick)(frame, tick)
    assert tool.robust_line(tick).startswith("TickV2 0x8015 nt64=(")
    # The batch loop: a line that fails gives the robust one, a decode that fails with anything else than
    # an Exception ends the batch; misuse is a TypeError.
    frames = [(0, tick.type, b""), (4, tick.type, b"")]
    assert render(frames, lambda f: tick, {}, view.line_for, view.robust) == 2 * (tool.robust_line(tick) + "\n")
    with pytest.raises(KeyboardInterrupt):
        render(frames, lambda f: (_ for _ in ()).throw(KeyboardInterrupt), {}, view.line_for, view.robust)
    for call in (lambda: render(frames, None, None, None, None), lambda: type(tool.class_line(type(tick), tick))(),
                 lambda: tool.texts().line(1, 2)):
        with pytest.raises(TypeError):
            call()


# Offsets are indexes: a base that would carry one past the largest is refused, never wrapped around.
@pytest.mark.parametrize("base, fits", [(sys.maxsize - 4, True), (sys.maxsize - 3, False), (-1, False)])
def test_framing_offsets_stay_indexes(base, fits):
    from rlx.data_items import _capture
    if fits:
        assert _capture.frames(bytes.fromhex("0100 0000"), base) == ([(base, 1, b"")], 4)
    else:
        with pytest.raises(OverflowError):
            _capture.frames(bytes.fromhex("0100 0000"), base)



# The frames of type codes set aside are only counted; a keep of the wrong size is refused.
@pytest.mark.parametrize("keep, expected", [
    ({1: 1, 2: 0, 3: 1}, ([(10, 1, b"a"), (24, 3, b"")], 18, 1)),
    ({1: 0, 2: 0, 3: 0}, ([], 18, 3)),
    (None, ValueError),
])
def test_framing_leaves_out_what_is_set_aside(keep, expected):
    from rlx.data_items import _capture
    data = bytes.fromhex("0100 0100 61 0200 0500 6263646566 0300 0000")
    if keep is None:
        with pytest.raises(ValueError):
            _capture.frames(data, 10, bytes(65535))
        return
    table = bytearray(65536)
    for code, kept in keep.items():
        table[code] = kept
    assert _capture.frames(data, 10, table) == expected


# A cycle through the parts of a Texts or of a line function (text or JSON) is the collector's to break.
@pytest.mark.parametrize("make", [
    lambda t, back: type(t)(pdi.NorvaneSerialNumber, back),
    lambda t, back: type(t)(back, str).line("h", ("a",)),
    lambda t, back: t.json_line("h", ("a",), back, False, str, {}),
    lambda t, back: t.json_line("h", ("a",), str, False, back, {}),
    lambda t, back: t.json_line("h", ("a",), str, False, str, {back: 1}),
], ids=["texts other", "line texts serial", "json data", "json fallback", "json converters"])
def test_cycles_through_the_tool_objects_are_collected(make):
    import gc
    import weakref
    from rlx.data_items import cli
    class Back:
        def __call__(self, *args):
            return ""
    back = Back()
    back.held = make(cli.texts(), back)
    gone = weakref.ref(back)
    del back
    gc.collect()
    assert gone() is None

# A record's text and plain data follow its class, not the first record of the class the process met.
ORDERS = """
import json, sys
import rlx.data_items.private_data_items as pdi
from rlx.data_items import capture
odd, plain = pdi.PortInformation(1, 2), pdi.PortInformation(3, 4)
odd.voltage = [5, 6]
records = [odd, plain] if sys.argv[1] == "odd first" else [plain, odd]
shown = {id(r): (capture.value_text(r), json.dumps(capture.value_data(r))) for r in records}
print(shown[id(odd)], shown[id(plain)])
"""


def test_a_record_shows_the_same_whatever_came_before():
    first, second = (subprocess.run([sys.executable, "-c", ORDERS, order], capture_output=True, check=True).stdout
                     for order in ("odd first", "plain first"))
    assert first == second


class Grow:
    """A value whose text adds an element to the list that holds it."""
    __slots__ = ("into",)

    def __init__(self, into):
        self.into = into

    def __str__(self):
        self.into.append(5)
        return "grow"


# A list changed while it converts gives the same JSON line in C++ as in Python, also once its elements'
# conversion is known.
def test_a_list_that_changes_while_converted():
    from rlx.data_items import cli as tool
    lines = []
    for maker in (tool.json_line, None, tool.json_line, None):
        tick = pdi.TickV2()
        tick.nt64 = []
        tick.nt64.append(Grow(tick.nt64))
        frame = (0, tick.type, b"")
        lines.append((maker or tool.JsonFormat().line_for(type(tick), frame, tick))(frame, tick))
    assert len(set(lines)) == 1 and '"nt64": ["grow", 5]' in lines[0]
