#!/usr/bin/python3
"""Fuzz driver for every decoder of the private data item catalog.

Targets: every data item class of the module (decoded as a receiver does:
new instance, serial number, payload in ``di_data``, ``_decode()``) and the
attribute kind ``DIDomainInfoAttr`` (``_decode(data)`` on an instance).

Cases start from valid encodings of each class (the default instance and
instances filled with values and with lists of 0 to 3 elements) and mutate
them: random bytes, truncations, random or repeated tails, bit flips, bytes
set to 0x00/0xFF/0x7F/0x80, inflated or deflated small counts, splices.
Case number i of a class is a function of (seed, class, i) alone, so a run
with a given --seed and --cases always tries the same payloads.

Checks: only the framework's own errors and struct.error, ValueError,
IndexError, TypeError, OverflowError, UnicodeDecodeError may escape a decode;
a decode that succeeds consumes its data, re-encodes without error under the
class's type code, and the re-encoded payload decodes again and re-encodes to
the same bytes. The cases run in a child process; the parent restarts it
after a crash or a hang (one case taking longer than --timeout) and reports
the case as the reproducer, and it fails the run if the child's resident
memory grows beyond --max-growth-mib between warm-up and end.

    fuzz/driver.py [--seconds N | --cases N] [--seed S] [--only NAME...]
    fuzz/driver.py --repro NAME HEX      # one payload, in this process
"""

import argparse
import gc
import json
import os
import random
import re
import select
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback

MODULE = "rlx.data_items.private_data_items"
ATTR_KIND = "DIDomainInfoAttr"
MAX_PAYLOAD = 0xFFFF          # a payload length is 16 bits on the wire
MAX_LIST = 3                  # list lengths of the filled seeds: 0..MAX_LIST
WARMUP_CASES = 30             # mutated cases per class before the memory baseline
STARTUP_TIMEOUT = 300.0       # import, seeds and warm-up (slow under the sanitizers)


# ---------------------------------------------------------------------------
# Child side: targets, seeds, mutations, checks.

class Catalog:
    """The module under test, its framework and the decoders to fuzz."""

    def __init__(self):
        import importlib
        self.m = importlib.import_module(MODULE)
        self.fw = importlib.import_module("rlx.rlx")
        from rlx.data_items import cli
        self.cli = cli
        framework_errors = tuple(v for v in vars(self.fw).values()
                                 if isinstance(v, type) and issubclass(v, BaseException)
                                 and v.__module__ == self.fw.__name__)
        self.allowed = framework_errors + (struct.error, ValueError, IndexError, TypeError, OverflowError,
                                           UnicodeDecodeError)
        declared = cli.declared_classes(self.m)
        self.items = [c for c in declared if issubclass(c, self.fw.RLXDataItem)]
        self.targets = {c.__name__: c for c in self.items}
        attr_kind = getattr(self.m, ATTR_KIND, None)
        if isinstance(attr_kind, type):
            self.targets[ATTR_KIND] = attr_kind
        self.names = [c.__name__ for c in self.items] + ([ATTR_KIND] if ATTR_KIND in self.targets else [])
        self.serial = self.fw.NorvaneSerialNumber
        self.header = struct.Struct("<HH")

    # -- decoding as a receiver does --------------------------------------
    def decode(self, cls, payload):
        item = cls()
        item.rlx_header_serial = self.serial(0)
        item.di_data = payload
        item._decode()
        return item

    def check(self, name, payload):
        """Runs one case. Returns None when the payload decoded and passed every
        check, "r" when it was rejected with an allowed error, else a failure
        (kind, description)."""
        cls = self.targets[name]
        if name == ATTR_KIND:
            return self._check_attr(cls, payload)
        try:
            item = self.decode(cls, payload)
        except self.allowed:
            return "r"
        except BaseException as exc:  # noqa: B902 - any other escape is the finding
            return "escaped", describe(exc)
        if item.di_data is not None:
            return "unconsumed", "decode returned with di_data=%r" % (item.di_data[:16],)
        try:
            str(item)  # the text form of what was decoded, as the command-line tool prints it
        except self.allowed:
            pass
        except BaseException as exc:
            return "render", describe(exc)
        try:
            wire = item._encode()
        except BaseException as exc:
            return "re-encode", describe(exc)
        if not isinstance(wire, bytes) or len(wire) < 4 or self.header.unpack_from(wire) != (cls.type, len(wire) - 4):
            return "re-encode", "bad item header: %s" % bytes(wire[:4]).hex()
        try:
            again = self.decode(cls, wire[4:])._encode()
        except BaseException as exc:
            return "re-decode", "%s (re-encoded payload %s)" % (describe(exc), wire[4:].hex())
        if again != wire:
            return "unstable", "re-encoded %s, then %s" % (wire[4:].hex(), again[4:].hex())
        return None

    def _check_attr(self, cls, payload):
        attr = cls("fuzz")
        try:
            value, used = attr._decode(payload)
        except self.allowed:
            return "r"
        except BaseException as exc:
            return "escaped", describe(exc)
        if not isinstance(used, int) or not 0 <= used <= len(payload):
            return "consumed", "decode claims %r of %d bytes" % (used, len(payload))
        try:
            wire = attr._encode(value)
        except BaseException as exc:
            return "re-encode", describe(exc)
        if len(wire) != used:
            return "re-encode", "%d bytes re-encoded from %d consumed" % (len(wire), used)
        try:
            again = attr._encode(attr._decode(wire)[0])
        except BaseException as exc:
            return "re-decode", "%s (re-encoded %s)" % (describe(exc), wire.hex())
        if again != wire:
            return "unstable", "re-encoded %s, then %s" % (wire.hex(), again.hex())
        return None

    # -- seeds ------------------------------------------------------------
    def kind(self, attr):
        own = self.targets.get(ATTR_KIND)
        if own is not None and isinstance(attr, own):
            return ATTR_KIND
        return self.cli.kind_name(self.fw, attr)

    def value_for(self, attr, rng, lengths):
        kind = self.kind(attr)
        size = getattr(attr, "size", 0) or 0
        if kind in ("DIUInt8Attr", "DIUInt16Attr", "DIUInt32Attr", "DIUInt64Attr", "DICondensedSignalStrengthAttr"):
            top = (1 << (8 * size)) - 1
            return rng.choice([0, 1, top, rng.randrange(top + 1), rng.randrange(16)])
        if kind in ("DIInt8Attr", "DIInt16Attr", "DIInt32Attr", "DIInt64Attr", "DISignalStrengthAttr"):
            half = 1 << (8 * size - 1)
            return rng.choice([0, -1, half - 1, -half, rng.randrange(-half, half)])
        if kind in ("DIFloatAttr", "DIDoubleAttr"):
            return rng.choice([0.0, 0.5, -2.25, 1e-3, rng.uniform(-1e6, 1e6)])
        if kind == "DISerialNumberAttr":
            return self.serial(rng.randrange(1 << 32))
        if kind == "DISerialNumberListAttr":
            return [self.serial(rng.randrange(1 << 32)) for _ in range(next(lengths))]
        if kind == "DIUInt16ListAttr":
            return [rng.randrange(1 << 16) for _ in range(next(lengths))]
        if kind == "DIListAttr":
            element = self.cli.element_class(attr)
            if element is None or not isinstance(getattr(element, "definition", None), list) or \
                    not element.definition:
                return None  # commands: filled through the item's builder
            return [self.filled(element(), rng, lengths) for _ in range(next(lengths))]
        if kind == "DIFixedLengthBytesAttr":
            return bytes(rng.randrange(256) for _ in range(rng.randrange(size + 1)))
        if kind == "DIFixedLengthStrAttr":
            return random_text(rng, size)
        if kind == "DIVariableLengthBytesAttr":
            return bytes(rng.randrange(256) for _ in range(rng.randrange(12)))
        if kind == "DIVariableLengthStrAttr":
            return random_text(rng, 12)
        if kind == "DIBoolAttr":
            return rng.random() < 0.5
        if kind == "DIRxStatsAttribute":
            return tuple(rng.randrange(1 << 16) for _ in range(4))
        if kind == ATTR_KIND:
            return self.domain(rng)
        return None

    def domain(self, rng):
        info = self.m.DomainInformation()
        info.nt64, info.domaint = rng.randrange(1 << 64), rng.randrange(1 << 64)
        info.quality, info.intercept = rng.randrange(-(1 << 63), 1 << 63), rng.randrange(-(1 << 63), 1 << 63)
        info.slope = rng.choice([0.0, 1.0, -0.5, rng.uniform(-1e3, 1e3)])
        return info

    def filled(self, obj, rng, lengths):
        """Fills every field of an item or record; counts in front of a list get its length."""
        definition = list(getattr(type(obj), "definition", None) or [])
        for attr in definition:
            value = self.value_for(attr, rng, lengths)
            if value is not None:
                setattr(obj, attr.name, value)
        for i, attr in enumerate(definition):
            value = getattr(obj, attr.name, None)
            if not isinstance(value, list):
                continue
            for before in reversed(definition[:i]):
                if is_count_name(before.name) and self.kind(before).startswith(("DIUInt", "DIInt")):
                    top = (1 << (8 * before.size)) - 1
                    setattr(obj, before.name, min(len(value), top))
                    break
        if hasattr(obj, "add_uwb_network_command"):
            for _ in range(next(lengths)):
                data = bytes(rng.randrange(256) for _ in range(rng.randrange(9)))
                obj.add_uwb_network_command(rng.randrange(1 << 32), rng.randrange(256), len(data), data)
        return obj

    def seeds(self, name, seed):
        """Valid encodings of the class: default and filled instances, distinct."""
        cls = self.targets[name]
        rng = random.Random("%s/%s/seeds" % (seed, name))
        # The default instance, filled ones with every list of n elements, filled ones with random lengths.
        plans = [None] + list(range(MAX_LIST + 1)) + ["random"] * 3
        out = []
        for k, plan in enumerate(plans):
            if plan == "random":
                lengths = iter(lambda: rng.randrange(MAX_LIST + 1), -1)
            else:
                lengths = iter(lambda n=plan: n, -1)
            try:
                if name == ATTR_KIND:
                    attr = cls("seed")
                    payload = attr._encode(self.m.DomainInformation() if k == 0 else self.domain(rng))
                else:
                    obj = cls() if k == 0 else self.filled(cls(), rng, lengths)
                    payload = obj._encode()[4:]
            except Exception:
                if k == 0:
                    raise
                continue  # a filling that breaks an invariant of the class
            payload = bytes(payload)
            if payload not in out:
                out.append(payload)
        return out


def is_count_name(name):
    return name.startswith(("num_", "number_of_")) or name.endswith(("_count", "_length", "_devices"))


def random_text(rng, limit):
    alphabet = "abcXYZ019 _-\u00e9\u00fc\u20ac\u4e2d"
    text = ""
    while True:
        c = rng.choice(alphabet)
        if len((text + c).encode("utf-8")) > limit or rng.random() < 0.15:
            return text
        text += c


def describe(exc):
    text = str(exc).splitlines()[0] if str(exc) else ""
    where = traceback.extract_tb(exc.__traceback__)
    frame = ("  at %s:%d" % (os.path.basename(where[-1].filename), where[-1].lineno)) if where else ""
    return "%s: %s%s" % (type(exc).__name__, text[:200], frame)


# -- mutations ----------------------------------------------------------------

INTERESTING = (0x00, 0xFF, 0x7F, 0x80)


def mutate(rng, seeds, pool):
    data = bytearray(rng.choice(seeds))
    for _ in range(1 + min(int(rng.expovariate(1.0)), 3)):
        op = rng.choice(MUTATIONS)
        data = op(rng, data, seeds, pool)
        if len(data) > MAX_PAYLOAD:
            del data[MAX_PAYLOAD:]
    return bytes(data)


def m_random(rng, data, seeds, pool):
    n = rng.randrange(2 * len(data) + 9)
    return bytearray(rng.randrange(256) for _ in range(n))


def m_truncate(rng, data, seeds, pool):
    return data[:rng.randrange(len(data) + 1)]


def m_cut_front(rng, data, seeds, pool):
    return data[rng.randrange(len(data) + 1):]


def m_random_tail(rng, data, seeds, pool):
    return data + bytes(rng.randrange(256) for _ in range(rng.choice([1, 2, 3, 4, 7, 8, rng.randrange(64)])))


def m_repeat_tail(rng, data, seeds, pool):
    if not data:
        return data
    k = rng.randrange(1, min(len(data), 64) + 1)
    return data + data[-k:] * rng.choice([1, 2, 3, rng.randrange(1, 200)])


def m_bit_flip(rng, data, seeds, pool):
    for _ in range(rng.choice([1, 1, 2, 4])):
        if data:
            data[rng.randrange(len(data))] ^= 1 << rng.randrange(8)
    return data


def m_interesting_byte(rng, data, seeds, pool):
    if data:
        data[rng.randrange(len(data))] = rng.choice(INTERESTING)
    return data


def m_random_byte(rng, data, seeds, pool):
    if data:
        data[rng.randrange(len(data))] = rng.randrange(256)
    return data


def m_insert_delete(rng, data, seeds, pool):
    i = rng.randrange(len(data) + 1)
    if data and rng.random() < 0.5:
        del data[i:i + rng.randrange(1, 5)]
    else:
        data[i:i] = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 5)))
    return data


def m_count(rng, data, seeds, pool):
    """Inflates or deflates a small number among the first bytes (a count, a length)."""
    head = min(len(data), 48)
    small = [i for i in range(head) if data[i] < 16]
    if not small:
        return data
    i = rng.choice(small)
    v = data[i]
    if rng.random() < 0.7:
        data[i] = rng.choice([0, 1, (v + 1) & 0xFF, (v - 1) & 0xFF, (v * 2 + 1) & 0xFF, v ^ 0x80, 0x7F, 0xFF])
    elif i + 1 < len(data):
        struct.pack_into("<H", data, i, rng.choice([0, 0xFFFF, 0x8000, 0x7FFF, v + 1, v + 256]))
    return data


def m_splice(rng, data, seeds, pool):
    other = rng.choice(seeds) if rng.random() < 0.8 else rng.choice(pool)
    return data[:rng.randrange(len(data) + 1)] + other[rng.randrange(len(other) + 1):]


MUTATIONS = (m_random, m_truncate, m_truncate, m_cut_front, m_random_tail, m_repeat_tail, m_repeat_tail,
             m_bit_flip, m_bit_flip, m_interesting_byte, m_interesting_byte, m_random_byte, m_insert_delete,
             m_count, m_count, m_count, m_splice)


def case_payload(seed, name, index, seeds, pool):
    return mutate(random.Random("%s/%s/%d" % (seed, name, index)), seeds, pool)


def rss_bytes():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def child_main(args):
    """Runs the jobs the parent sends on standard input; talks on the original standard output."""
    proto = os.fdopen(os.dup(1), "wb", buffering=0)
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)  # whatever a decoder prints cannot garble the protocol
    send = proto.write

    cat = Catalog()
    seeds = {name: cat.seeds(name, args.seed) for name in cat.names}
    pool = [s for name in cat.names for s in seeds[name]]
    if not args.no_warmup:
        # Every placeholder command class the command list can create, made once.
        cmd = getattr(cat.m, "ExecuteDeviceCommandV2", None)
        for t in range(256) if cmd else ():
            try:
                cat.decode(cmd, struct.pack("<IBH", 0, t, 0))
            except Exception:
                pass
        for name in [n for n in args.only or cat.names if n in seeds]:
            for payload in seeds[name]:
                cat.check(name, payload)
            for i in range(WARMUP_CASES):
                cat.check(name, mutate(random.Random("%s/%s/warm%d" % (args.seed, name, i)), seeds[name], pool))
    gc.collect()
    send(b"R %s\n" % json.dumps({"names": cat.names, "rss": rss_bytes(),
                                 "seeds": {n: len(s) for n, s in seeds.items()}}).encode())
    for line in sys.stdin:
        job = json.loads(line)
        if job.get("quit"):
            break
        name, index, stop = job["name"], job["start"], job["stop"]
        deadline = time.monotonic() + job["budget"] if job.get("budget") is not None else None
        while (stop is None or index < stop) and (deadline is None or time.monotonic() < deadline):
            payload = case_payload(args.seed, name, index, seeds[name], pool)
            send(b"B %d %s\n" % (index, payload.hex().encode()))
            result = cat.check(name, payload)
            if result is None:
                send(b"o\n")
            elif result == "r":
                send(b"r\n")
            else:
                send(b"F %s\n" % json.dumps(result).encode())
            index += 1
        gc.collect()
        send(b"E %s\n" % json.dumps({"next": index, "rss": rss_bytes()}).encode())
    return 0


# ---------------------------------------------------------------------------
# Parent side: runs the child, watches it, reports.

class ChildDied(Exception):
    pass


class Child:
    """One child process: its protocol stream and its standard error in a file."""

    def __init__(self, argv):
        self.err = tempfile.TemporaryFile()
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.err)
        self.buf = b""
        self.baseline = None

    def line(self, timeout):
        """The next protocol line, None on timeout; ChildDied at end of stream."""
        end = time.monotonic() + timeout
        while b"\n" not in self.buf:
            left = end - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if not ready:
                return None
            chunk = os.read(self.proc.stdout.fileno(), 1 << 16)
            if not chunk:
                raise ChildDied()
            self.buf += chunk
        line, self.buf = self.buf.split(b"\n", 1)
        return line

    def send(self, obj):
        try:
            self.proc.stdin.write(json.dumps(obj).encode() + b"\n")
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            raise ChildDied()

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()

    def status(self):
        rc = self.proc.wait()
        return ("signal %s" % signal.Signals(-rc).name) if rc < 0 else "exit status %d" % rc

    def stderr_tail(self, lines=12):
        self.err.seek(0)
        text = self.err.read().decode("utf-8", "replace").splitlines()
        keep = [re.sub(r" \(BuildId: \w+\)", "", t) for t in text
                if "SUMMARY:" in t or "ERROR:" in t or "runtime error" in t]
        return (keep or text)[-lines:]


class Report:
    def __init__(self):
        self.stats = {}        # name -> [cases, decoded, rejected, failed]
        self.failures = {}     # (name, kind, what-head) -> [count, payload hex, what]
        self.growth = []       # (baseline, end) per child

    def counts(self, name):
        return self.stats.setdefault(name, [0, 0, 0, 0])

    def fail(self, name, kind, what, payload_hex):
        head = what.split(" (re-encoded")[0].split(", then")[0]
        key = (name, kind, re.sub(r"==\d+==|0x[0-9a-fA-F]+|\d+", "#", head)[:160])
        entry = self.failures.get(key)
        if entry is None:
            self.failures[key] = [1, payload_hex, what]
        else:
            entry[0] += 1
            if payload_hex is not None and (entry[1] is None or len(payload_hex) < len(entry[1])):
                entry[1], entry[2] = payload_hex, what  # keep the shortest reproducer


def run_parent(args):
    argv = [sys.executable, "-P", os.path.abspath(__file__), "--child", "--seed", str(args.seed)]
    if args.only:
        argv += ["--only"] + args.only
    report = Report()
    started = time.monotonic()
    child, names = start_child(argv, report, args)
    if args.only:
        unknown = [n for n in args.only if n not in names]
        if unknown:
            child.kill()
            sys.exit("fuzz: no decoder named %s" % ", ".join(unknown))
        names = [n for n in names if n in args.only]
    per_class = args.seconds / len(names) if args.cases is None else None
    print("fuzz: %d decoders, seed %d, %s, case timeout %.1f s%s" % (
        len(names), args.seed,
        "%d cases per class" % args.cases if per_class is None else "%.1f s (%.2f s per class)" % (args.seconds,
                                                                                                 per_class),
        args.timeout, ", under the sanitizers" if args.sanitized else ""), flush=True)
    for name in names:
        counts = report.counts(name)
        index, job_started, lost = 0, time.monotonic(), 0
        while lost < args.max_crashes:
            budget = None if per_class is None else per_class - (time.monotonic() - job_started)
            if (args.cases is not None and index >= args.cases) or (budget is not None and budget <= 0):
                break
            child.send({"name": name, "start": index, "stop": args.cases, "budget": budget})
            current = None  # (index, hex) of the case in progress
            last_begun = index - 1
            try:
                while True:
                    line = child.line(args.timeout)
                    if line is None:
                        what = "hang: no result within %.1f s" % args.timeout
                        if current is None:
                            what += " (between cases)"
                        else:
                            counts[3] += 1
                        report.fail(name, "hang", what, current[1] if current else None)
                        index = (current[0] if current else last_begun) + 1
                        lost += 1
                        child.kill()
                        child = restart(child, argv, report, args)
                        break
                    tag = line[:1]
                    if tag == b"B":
                        _, i, hexed = line.split(b" ", 2)
                        current = (int(i), hexed.decode())
                        last_begun = current[0]
                        counts[0] += 1
                    elif tag == b"o":
                        counts[1] += 1
                        current = None
                    elif tag == b"r":
                        counts[2] += 1
                        current = None
                    elif tag == b"F":
                        kind, what = json.loads(line[2:])
                        counts[3] += 1
                        report.fail(name, kind, what, current[1] if current else None)
                        current = None
                    elif tag == b"E":
                        index = json.loads(line[2:])["next"]
                        child.last_rss = json.loads(line[2:])["rss"]
                        break
            except ChildDied:
                status = child.status()
                tail = child.stderr_tail()
                what = "crash: child ended with %s" % status + "".join("; " + t for t in tail[-3:])
                if current is not None:
                    counts[3] += 1
                    index = current[0] + 1
                report.fail(name, "crash", what, current[1] if current else None)
                lost += 1
                child = restart(child, argv, report, args)
        if lost >= args.max_crashes:
            report.fail(name, "gave up", "after %d crashes or hangs, at case %d" % (lost, index), None)
    try:
        child.send({"quit": True})
    except ChildDied:
        pass
    child.kill()
    record_memory(child, report)
    return finish(report, names, args, time.monotonic() - started)


def start_child(argv, report, args):
    warmup = not args.no_warmup
    child = Child(argv + ([] if warmup else ["--no-warmup"]))
    child.last_rss = None
    try:
        line = child.line(STARTUP_TIMEOUT)
    except ChildDied:
        line = b""
    if not line or not line.startswith(b"R "):
        tail = child.stderr_tail()
        child.kill()
        if warmup:
            # A fault during the warm-up: start without it, the cases themselves will meet the fault.
            report.fail("(warm-up)", "crash", "child ended during warm-up with %s%s" % (
                child.status(), "".join("; " + t for t in tail[-3:])), None)
            args.no_warmup = True
            return start_child(argv, report, args)
        sys.exit("fuzz: the child process does not start: %s" % "\n".join(tail))
    ready = json.loads(line[2:])
    child.baseline = ready["rss"]
    return child, ready["names"]


def restart(child, argv, report, args):
    record_memory(child, report)
    child.kill()
    fresh, _ = start_child(argv, report, args)
    return fresh


def record_memory(child, report):
    if child.baseline is not None and child.last_rss is not None:
        report.growth.append((child.baseline, child.last_rss))


def finish(report, names, args, elapsed):
    mib = 1024.0 * 1024.0
    print()
    width = max(len(n) for n in names) + 1
    cells = ["%-*s%7d%8d" % (width, n, report.stats[n][0], report.stats[n][1]) for n in names]
    print("   ".join(["%-*s%7s%8s" % (width, "class", "cases", "decoded")] * min(3, len(cells))))
    for i in range(0, len(cells), 3):
        print("   ".join(cells[i:i + 3]))
    total = [sum(report.stats[n][k] for n in names) for k in range(4)]
    print()
    print("totals: %d cases over %d classes (%d to %d per class): %d decoded and checked, %d rejected with an "
          "allowed error, %d failed; %.1f s, %.0f cases/s" % (
              total[0], len(names), min(report.stats[n][0] for n in names),
              max(report.stats[n][0] for n in names), total[1], total[2], total[3], elapsed,
              total[0] / elapsed if elapsed else 0))
    grown = False
    if report.growth:
        # The child process whose memory grew most (there is more than one after a crash or a hang).
        baseline, end = max(report.growth, key=lambda g: g[1] - g[0])
        growth = (end - baseline) / mib
        checked = not args.sanitized
        grown = checked and growth > args.max_growth_mib
        print("memory: child RSS %.1f MiB after warm-up, %.1f MiB at end (%+.1f MiB, bound %s)%s" % (
            baseline / mib, end / mib, growth,
            "%g MiB" % args.max_growth_mib if checked else "not checked under the sanitizers",
            "; largest growth of %d child processes" % len(report.growth) if len(report.growth) > 1 else ""))
    if grown:
        report.fail("(all)", "memory", "child RSS grew beyond %g MiB while decoding" % args.max_growth_mib, None)
    if not report.failures:
        print("failures: none")
        return 0
    print("failures: %d distinct" % len(report.failures))
    for (name, kind, _), (count, payload_hex, what) in sorted(report.failures.items()):
        print("FAIL %s %s x%d: %s" % (name, kind, count, what))
        if payload_hex is not None:
            print("  reproduce: fuzz/run%s --repro %s %s" % (" --sanitize" if args.sanitized else "", name,
                                                         payload_hex or "''"))
    return 1


def repro(name, hexed):
    cat = Catalog()
    if name not in cat.targets:
        sys.exit("fuzz: no decoder named %s" % name)
    payload = bytes.fromhex(hexed)
    result = cat.check(name, payload)
    if result is None:
        print("%s %s: decoded and checked" % (name, hexed))
        return 0
    if result == "r":
        try:
            cat.decode(cat.targets[name], payload) if name != ATTR_KIND else cat.targets[name]("x")._decode(payload)
        except cat.allowed as exc:
            print("%s %s: rejected with %s" % (name, hexed, describe(exc)))
        return 0
    print("%s %s: FAIL %s: %s" % (name, hexed, result[0], result[1]))
    return 1


def main():
    p = argparse.ArgumentParser(prog="fuzz/run", description=__doc__.split("\n\n")[0])
    budget = p.add_mutually_exclusive_group()
    budget.add_argument("--seconds", type=float, default=None, help="time budget, split evenly across classes "
                        "(default 60)")
    budget.add_argument("--cases", type=int, default=None, help="cases per class (deterministic)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--only", nargs="+", metavar="NAME", help="fuzz only these classes")
    p.add_argument("--timeout", type=float, default=None, help="seconds one case may take (default 2, "
                   "10 under the sanitizers)")
    p.add_argument("--max-growth-mib", type=float, default=20.0, help="bound on the child's RSS growth")
    p.add_argument("--max-crashes", type=int, default=10, help="crashes and hangs after which a class is given up")
    p.add_argument("--repro", nargs=2, metavar=("NAME", "HEX"), help="run one payload in this process")
    p.add_argument("--sanitize", action="store_true", help="build and run under AddressSanitizer and "
                   "UndefinedBehaviorSanitizer (taken by fuzz/run)")
    p.add_argument("--child", action="store_true", help=argparse.SUPPRESS)
    p.add_argument("--no-warmup", action="store_true", help=argparse.SUPPRESS)
    args = p.parse_args()
    args.sanitized = bool(os.environ.get("RLX_FUZZ_SANITIZED"))
    if args.child:
        return child_main(args)
    if args.repro:
        return repro(*args.repro)
    if args.seconds is None and args.cases is None:
        args.seconds = 60.0
    if args.timeout is None:
        args.timeout = 10.0 if args.sanitized else 2.0
    return run_parent(args)


if __name__ == "__main__":
    sys.exit(main())
