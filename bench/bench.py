#!/usr/bin/python3
"""Benchmarks of the private data item catalog: import, codecs and renderings,
command-line decoding. Run through bench/run, which builds the extension and
sets RLX_STAGE to the staged tree.

    bench/run [--quick] [--only import,codecs,cli] [--json FILE]

Every figure is measured several times in the same run and reported as the
median with its spread (min-max). Tables are printed as Markdown.
"""

import argparse
import gc
import glob
import json
import os
import platform
import random
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

BENCH = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(BENCH)
sys.path.insert(0, BENCH)

import make_twin  # noqa: E402

PY = "/usr/bin/python3"
MODULE = "rlx.data_items.private_data_items"


# ---------------------------------------------------------------------------
# Figures and tables


def spread(samples):
    return statistics.median(samples), min(samples), max(samples)


def fmt_time(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6), ("ns", 1e-9)):
        if abs(seconds) >= scale or unit == "ns":
            return "%.3g %s" % (seconds / scale, unit)


def fmt_bytes(n):
    sign = "-" if n < 0 else ""
    n = abs(n)
    for unit, scale in (("MiB", 1 << 20), ("KiB", 1 << 10)):
        if n >= scale:
            return "%s%.3g %s" % (sign, n / scale, unit)
    return "%s%d B" % (sign, n)


def cell(samples, fmt=fmt_time):
    med, lo, hi = spread(samples)
    return "%s [%s – %s]" % (fmt(med), fmt(lo), fmt(hi))


def table(title, header, rows):
    lines = ["", "### " + title, "", "| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
    text = "\n".join(lines)
    print(text, flush=True)
    return text


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def machine():
    model = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return {"nproc": os.cpu_count(), "cpu": model, "python": platform.python_version(),
            "date": time.strftime("%Y-%m-%d %H:%M:%S %Z"), "load": loadavg()}


# ---------------------------------------------------------------------------
# 1. Import

CHILD = r"""
import json, marshal, os, sys, time
PAGE = os.sysconf("SC_PAGE_SIZE")
def rss():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * PAGE
mode, warm, arg = sys.argv[1], sys.argv[2] == "warm", sys.argv[3] if len(sys.argv) > 3 else None
import rlx.rlx, rlx.private_network_commands, rlx.data_items
if mode.startswith("floor"):
    with open(%(floor)r) as f:
        prologue = f.read().split(%(mark)r)[0]
    ns = {"__name__": "floor"}
    exec(compile(prologue, %(floor)r, "exec"), ns)
    with open(%(code)r, "rb") as f:
        code = marshal.loads(f.read())
if warm:
    # The same untimed work in every variant: compiling the floor script leaves
    # the allocator with memory already faulted in.
    with open(%(floor)r) as f:
        compile(f.read(), %(floor)r, "exec")
out = {}
if mode in ("import", "import-mem", "floor", "floor-mem", "preload-import"):
    if mode == "preload-import":
        import ctypes
        ctypes.CDLL(arg)
    if mode.endswith("mem"):
        import tracemalloc
        tracemalloc.start()
    r0 = rss()
    t0 = time.perf_counter()
    if mode.startswith("floor"):
        exec(code, ns)
    else:
        import rlx.data_items.private_data_items
    t1 = time.perf_counter()
    r1 = rss()
    if mode.endswith("mem"):
        out["current"], out["peak"] = tracemalloc.get_traced_memory()
    out["time"], out["rss"] = t1 - t0, r1 - r0
elif mode == "init":
    import ctypes
    t0 = time.perf_counter()
    lib = ctypes.CDLL(arg)
    t1 = time.perf_counter()
    init = ctypes.PYFUNCTYPE(ctypes.py_object)(("PyInit_private_data_items", lib))
    t2 = time.perf_counter()
    module = init()
    t3 = time.perf_counter()
    out["dlopen"], out["init"] = t1 - t0, t3 - t2
elif mode == "dlopen":
    import ctypes
    t0 = time.perf_counter()
    ctypes.CDLL(arg)
    out["dlopen"] = time.perf_counter() - t0
elif mode == "prologue":
    code = compile("from rlx.rlx import *\nfrom rlx.private_network_commands import UWBNetworkCommandItem\n"
                   "import math\n", "prologue", "exec")
    t0 = time.perf_counter()
    exec(code, {})
    out["time"] = time.perf_counter() - t0
print(json.dumps(out))
"""


def child(script, pythonpath, *args, flags=()):
    env = dict(os.environ, PYTHONPATH=pythonpath)
    env.pop("PYTHONSTARTUP", None)
    proc = subprocess.run([PY, "-P", "-S", *flags, script, *args], env=env, capture_output=True, text=True,
                          cwd=tempfile.gettempdir())
    if proc.returncode != 0:
        raise RuntimeError("child %s %s failed:\n%s" % (script, args, proc.stderr))
    return json.loads(proc.stdout.strip().splitlines()[-1]), proc.stderr


def importtime_self(pythonpath):
    """Self time (s) of the catalog module in -X importtime."""
    env = dict(os.environ, PYTHONPATH=pythonpath)
    proc = subprocess.run([PY, "-P", "-S", "-X", "importtime", "-c",
                           "import rlx.rlx, rlx.private_network_commands, rlx.data_items; import " + MODULE],
                          env=env, capture_output=True, text=True, cwd=tempfile.gettempdir())
    for line in proc.stderr.splitlines():
        fields = [f.strip() for f in line.split(":", 1)[-1].split("|")]
        if len(fields) == 3 and fields[2] == MODULE:
            return int(fields[0]) * 1e-6
    raise RuntimeError("no importtime line for the catalog:\n" + proc.stderr)


def check_twin(stage, twin):
    """The twin describes exactly like the extension (classes, layouts, methods, behaviour of default instances)."""
    script = os.path.join(os.path.dirname(twin), "describe.py")
    with open(script, "w") as f:
        f.write("import json, sys\nsys.path.insert(0, %r)\nimport make_twin\nimport %s as m\n"
                "print(json.dumps(make_twin.describe(m), sort_keys=True))\n" % (BENCH, MODULE))
    ext, _ = child(script, stage)
    tw, _ = child(script, twin)
    if ext != tw:
        for a, b in zip(ext, tw):
            if a != b:
                raise SystemExit("twin differs from the extension at class %s:\n%s\n%s" % (a["name"], a, b))
        raise SystemExit("twin differs from the extension in its class count")
    return len(ext)


def bench_import(stage, tmp, quick):
    import marshal
    import rlx.data_items.private_data_items as module
    twin = os.path.join(tmp, "twin")
    make_twin.write_tree(module, twin, TOP)
    classes = check_twin(stage, twin)
    methods = make_twin.method_count(module)
    floor = os.path.join(twin, "floor.py")
    floor_code = os.path.join(twin, "floor.code")
    with open(floor) as f:
        body = f.read().split(make_twin.TIMED_MARK)[1]
    with open(floor_code, "wb") as f:
        f.write(marshal.dumps(compile(body, floor, "exec")))
    so = os.path.realpath(glob.glob(os.path.join(stage, "rlx", "data_items", "private_data_items*.so"))[0])
    ref_so = glob.glob(os.path.join(os.path.dirname(os.__file__), "lib-dynload", "_asyncio*.so"))
    script = os.path.join(tmp, "child_import.py")
    with open(script, "w") as f:
        f.write(CHILD % {"mark": make_twin.TIMED_MARK, "floor": floor, "code": floor_code})

    n_time, n_mem = (5, 2) if quick else (21, 5)
    runs = {}
    for heap in ("cold", "warm"):
        runs.update({
            ("ext", heap): (stage, "import", heap), ("twin", heap): (twin, "import", heap),
            ("floor", heap): (twin, "floor", heap),
            ("init", heap): (stage, "init", heap, so), ("preload", heap): (stage, "preload-import", heap, so),
        })
    runs.update({("ext-mem", "cold"): (stage, "import-mem", "cold"), ("twin-mem", "cold"): (twin, "import-mem", "cold"),
                 ("floor-mem", "cold"): (twin, "floor-mem", "cold"), ("prologue", "cold"): (twin, "prologue", "cold")})
    if ref_so:
        runs[("ref-dlopen", "cold")] = (stage, "dlopen", "cold", ref_so[0])
    for path, *args in runs.values():   # warm-up: bytecode caches, page cache
        child(script, path, *args)
    samples = {k: [] for k in runs}
    for i in range(n_time):
        for k, (path, *args) in runs.items():
            if k[0].endswith("-mem") and i >= n_mem:
                continue
            samples[k].append(child(script, path, *args)[0])
    imptime = {"ext": [], "twin": []}
    for _ in range(max(3, n_time // 3)):
        imptime["ext"].append(importtime_self(stage))
        imptime["twin"].append(importtime_self(twin))

    def col(key, field, heap="cold"):
        return [s[field] for s in samples[(key, heap)]]

    med = statistics.median

    def status(ok):
        return "met" if ok else "not met"

    rows = []
    for heap in ("cold", "warm"):
        t_ext, t_twin, t_floor = col("ext", "time", heap), col("twin", "time", heap), col("floor", "time", heap)
        r_twin, r_floor = med(t_ext) / med(t_twin), med(t_ext) / med(t_floor)
        rows += [
            ["import time, %s heap" % heap, cell(t_ext), "twin " + cell(t_twin), "%.2fx" % r_twin,
             "≤ 1.0x (moonshot 0.8x)", status(r_twin <= 1.0) + (", moonshot met" if r_twin <= 0.8 else "")],
            ["import time vs floor, %s heap" % heap, cell(t_ext), "floor " + cell(t_floor), "%.2fx" % r_floor,
             "≤ 1.15x", status(r_floor <= 1.15)],
            ["twin vs floor, %s heap (context)" % heap, cell(t_twin), "floor " + cell(t_floor),
             "%.2fx" % (med(t_twin) / med(t_floor)), "", ""],
        ]
    rows.append(["-X importtime self, cold heap", cell(imptime["ext"]), "twin " + cell(imptime["twin"]),
                 "%.2fx" % (med(imptime["ext"]) / med(imptime["twin"])), "", ""])
    for field, label in (("current", "memory kept (tracemalloc current)"), ("peak", "memory peak (tracemalloc)")):
        e, t, fl = col("ext-mem", field), col("twin-mem", field), col("floor-mem", field)
        ratio = med(e) / med(t)
        rows.append([label, cell(e, fmt_bytes), "twin " + cell(t, fmt_bytes) + "; floor " + cell(fl, fmt_bytes),
                     "%.3fx" % ratio, "≤ 1.0x", status(ratio <= 1.0)])
    e, t, fl = col("ext", "rss"), col("twin", "rss"), col("floor", "rss")
    ratio = med(e) / med(t)
    rows.append(["RSS delta, cold heap (includes the mapped .so)", cell(e, fmt_bytes),
                 "twin " + cell(t, fmt_bytes) + "; floor " + cell(fl, fmt_bytes), "%.3fx" % ratio, "≤ 1.0x",
                 status(ratio <= 1.0)])
    for heap in ("cold", "warm"):
        dl, init, pre = col("init", "dlopen", heap), col("init", "init", heap), col("preload", "time", heap)
        machinery = med(pre) - med(init)
        fixed = med(dl) + machinery
        in_import = med(col("ext", "time", heap)) - med(pre)
        rows += [
            ["dlopen of the .so (ctypes), %s heap" % heap, cell(dl), "", "", "", ""],
            ["import − import with the .so already loaded, %s heap" % heap, fmt_time(in_import),
             "what loading adds inside an import", "", "", ""],
            ["PyInit alone (module init + catalog, via ctypes), %s heap" % heap, cell(init), "", "", "", ""],
            ["import with the .so already loaded, %s heap" % heap, cell(pre), "", "", "", ""],
            ["fixed cost = dlopen + (import preloaded − PyInit), %s heap" % heap, fmt_time(fixed),
             "of which machinery %s" % fmt_time(machinery), "", "< 0.5 ms", status(fixed < 0.5e-3)],
        ]
    rows.append(["init prologue, Python equivalent (3 imports)", cell(col("prologue", "time")), "", "", "", ""])
    if ref_so:
        rows.append(["reference: dlopen of the stdlib's %s" % os.path.basename(ref_so[0]).split(".")[0],
                     cell(col("ref-dlopen", "dlopen")), "", "", "", ""])
    header = ["measure", "extension, median [min – max]", "reference", "ratio", "target", "status"]
    out = [table("Import (%d classes, %d methods; %d samples, memory %d; .so %s; load %s)"
                 % (classes, methods, n_time, n_mem, fmt_bytes(os.path.getsize(so)), loadavg()), header, rows)]
    raw = {"samples": {"/".join(k): v for k, v in samples.items()}, "importtime": imptime}
    return out, raw


# ---------------------------------------------------------------------------
# 2. Codecs and renderings


def run_timed(fns, repeats, target):
    """{label: [seconds per call] * repeats}, the labels interleaved within each repeat."""
    def timeit(fn, n):
        t0 = time.perf_counter()
        for _ in range(n):
            fn()
        return time.perf_counter() - t0

    loops = {}
    for label, fn in fns.items():
        n = 1
        while True:
            t = timeit(fn, n)
            if t >= target / 10:
                break
            n *= 4
        loops[label] = max(1, int(n * target / t))
    out = {label: [] for label in fns}
    enabled = gc.isenabled()
    gc.disable()
    try:
        for _ in range(repeats):
            for label, fn in fns.items():
                out[label].append(timeit(fn, loops[label]) / loops[label])
    finally:
        if enabled:
            gc.enable()
    return out


class Recorder:
    """Stands in for one definition entry and records every _decode call made on it."""

    def __init__(self, attr, log):
        self.attr, self.log, self.name = attr, log, attr.name

    def _decode(self, data):
        self.log.append((self.attr, data))
        return self.attr._decode(data)

    def __getattr__(self, name):
        return getattr(self.attr, name)


def attribute_calls(cls, payload):
    """The (attribute, bytes) pairs of the attribute decodes made while the class decodes `payload`."""
    log = []
    recording = type("Recording" + cls.__name__, (cls,),
                     {"definition": [Recorder(a, log) for a in cls.definition]})
    item = recording()
    item.di_data = payload
    item._decode()
    return log


def codec_items(m):
    """name -> a realistic C++-built item of each class with a custom codec."""
    mr = []
    for cls in (m.MrTransmissionV1, m.MrReceptionV1):
        item = cls()
        item.serial_number, item.interface_identifier, item.antenna_delay = m.NorvaneSerialNumber(0x1001), 2, 16450
        item.sequence_number, item.dt_tx = 17, 0x0123456789
        if cls is m.MrReceptionV1:
            item.signal_strength, item.rx_nt = -7812, 0x1122334455
        item.mr_rx_list = [m.MultiRangeRx(0x2000 + i, i % 4, i, 10 ** 9 + 12345 * i, 500 + i, 30 + i, 60 + i)
                           for i in range(10)]
        item.payload = "multi-range payload 0123456789"
        mr.append(item)
    radar = m.RadarDebugV5()
    radar.source_serial_number, radar.network_time, radar.tx_sequence = m.NorvaneSerialNumber(0x3003), 987654321, 9
    radar.distance, radar.dist_quality, radar.num_channels = 12345, 77, 4
    radar.position_data = [
        m.RadarPositionDebugData(ch, 0, 100 + ch, 200 + ch, 300 + ch, 0, 40000 + ch, 11, 12, 13, 4,
                                 [m.RadarInterfaceDataV4(10 ** 10 + 7 * i, 0.25 * i, 1.5 + i, 2.5 + i, 0.125, i)
                                  for i in range(4)])
        for ch in range(4)]
    reports = []
    for cls in (m.PeriodicSystemOwnershipReport, m.PeriodicSystemOwnershipReportV2):
        item = cls()
        item.owned_tags = [m.NorvaneSerialNumber(0x4000 + i) for i in range(50)]
        item.tag_ownership_reports = [m.TagOwnershipReport(0x5000 + i, 100 + i, 3) for i in range(10)]
        reports.append(item)
    ack = m.AcknowledgeListResponse()
    for i in range(25):
        ack.add_acknowledged_serial(0x6000 + i)
        ack.add_not_acknowledged_serial(0x7000 + i)
    ack.ack_string = "acknowledged"
    commands = m.ExecuteDeviceCommandV2()
    for i in range(8):
        commands.add_uwb_network_command(0x100 + i, 0x30 + i, 8, bytes(range(i, i + 8)))
    clock = m.ClockDomain()
    for info, k in ((clock.proc_domain, 1), (clock.deca_domain, 2)):
        info.nt64, info.domaint, info.quality, info.slope, info.intercept = 10 ** 12 * k, 10 ** 11 * k, -k, 0.5, -99
    return {"MrTransmissionV1 (10 entries)": mr[0], "MrReceptionV1 (10 entries)": mr[1],
            "RadarDebugV5 (4 records × 4 interfaces)": radar,
            "PeriodicSystemOwnershipReport (50 tags, 10 reports)": reports[0],
            "PeriodicSystemOwnershipReportV2 (50 tags, 10 reports)": reports[1],
            "AcknowledgeListResponse (25 + 25 serials)": ack,
            "ExecuteDeviceCommandV2 (8 framed commands)": commands,
            "ClockDomain (2 domain attributes)": clock}


def rendering_objects(m):
    """name -> a filled C++-built object of each class that defines its own __str__ (and PinConfig's __repr__)."""
    objs = {}
    serial = m.NorvaneSerialNumber(0xABCD)
    for cls in make_twin.declared_classes(m):
        if "__str__" not in vars(cls):
            continue
        kind = make_twin.what(m, cls)
        if kind == "record" and "definition" in vars(cls) and cls.__name__ != "RadarPositionDebugData":
            values = []
            for i, a in enumerate(cls.definition):
                k = make_twin.kind_name(m, a)
                values.append(1.25 + i if k in ("DIFloatAttr", "DIDoubleAttr") else 1000 + 37 * i)
            obj = cls(*values)
        elif cls.__name__ == "RadarPositionDebugData":
            obj = codec_items(m)["RadarDebugV5 (4 records × 4 interfaces)"].position_data[0]
        elif cls.__name__ == "DomainInformation":
            obj = cls()
            obj.nt64, obj.domaint, obj.quality, obj.slope, obj.intercept = 10 ** 12, 10 ** 11, -1, 0.5, -99
        elif cls.__name__ == "ExecuteDeviceCommandV2":
            obj = codec_items(m)["ExecuteDeviceCommandV2 (8 framed commands)"]
            obj._encode()
        else:   # items: every field filled, a header serial number as a received item has
            obj = cls()
            obj.rlx_header_serial = serial
            for i, a in enumerate(cls.definition):
                k = make_twin.kind_name(m, a)
                if k in ("DIFloatAttr", "DIDoubleAttr"):
                    value = 0.001 * (i + 1)
                elif k == "DISerialNumberAttr":
                    value = m.NorvaneSerialNumber(0x100 + i)
                elif k == "DIFixedLengthBytesAttr":
                    value = bytes(range(i, i + a.size))
                elif k == "DIVariableLengthBytesAttr":
                    value = bytes(range(24))
                elif k.startswith("DIInt") or k == "DISignalStrengthAttr":
                    value = -(100 + i)
                else:
                    value = 100 + i
                setattr(obj, a.name, value)
        objs[cls.__name__ + ".__str__"] = obj
    objs["PinConfig.__repr__"] = m.PinConfig(0x35)
    return objs


def framework_values(m, obj, seen=None):
    """The framework's objects (serial numbers, network commands) that a rendering of `obj` converts."""
    found = []
    for v in vars(obj).values():
        for x in (v if isinstance(v, list) else [v]):
            if isinstance(x, (m.NorvaneSerialNumber, m.UWBNetworkCommandItem)):
                found.append(x)
            elif hasattr(x, "__dict__") and not isinstance(x, type):
                found.extend(framework_values(m, x))
    return found


def bench_codecs(quick):
    import rlx.data_items.private_data_items as m
    from pyimpl import PyImpl
    impl = PyImpl(m)
    repeats, target = (3, 0.01) if quick else (7, 0.05)
    dump = lambda v: make_twin.dump(m, v)  # noqa: E731
    rows, raw = [], {}

    def record(label, fns, share_label):
        samples = run_timed(fns, repeats, target)
        raw[label] = samples
        c, p = statistics.median(samples["c"]), statistics.median(samples["py"])
        ratio = p / c
        share = ""
        if "share" in samples:
            s = statistics.median(samples["share"])
            share = "%s: %s = %.0f%% of C++, %.0f%% of Python" % (share_label, fmt_time(s), 100 * s / c, 100 * s / p)
        rows.append([label, cell(samples["c"]), "%.3g/s" % (1 / c), cell(samples["py"]), "%.2fx" % ratio,
                     "met" if ratio >= 2 else "not met", share])

    for name, item in codec_items(m).items():
        cls = type(item)
        py_item = impl.convert(item)
        pycls = type(py_item)
        wire = item._encode()
        py_wire = py_item._encode()
        assert wire == py_wire, "%s: Python encoding differs" % name
        payload = wire[4:]
        c_dec, p_dec = cls(), pycls()
        c_dec.di_data = payload
        c_dec._decode()
        p_dec.di_data = payload
        p_dec._decode()
        assert dump(c_dec) == dump(p_dec), "%s: Python decoding differs" % name
        assert dump({k: v for k, v in vars(c_dec).items() if k not in ("di_size",)}) == \
            dump({k: v for k, v in vars(item).items() if k not in ("di_size",)}), "%s: round trip differs" % name
        short = name.split(" (")[0]
        own_encode = "_encode" in vars(cls)
        if cls is m.ClockDomain:
            attr, py_attr = cls.definition[0], pycls.definition[0]
            info, py_info = item.proc_domain, py_item.proc_domain
            raw36 = attr._encode(info)
            assert raw36 == py_attr._encode(py_info)
            assert dump(attr._decode(raw36 + b"xx")) == dump(py_attr._decode(raw36 + b"xx"))
            fields = (info.nt64, info.domaint, info.quality, info.slope, info.intercept)
            record("DIDomainInfoAttr._encode (36 bytes)",
                   {"c": lambda: attr._encode(info), "py": lambda: py_attr._encode(py_info),
                    "share": lambda: struct.pack("<QQqfq", *fields)}, "host packing alone")
            record("DIDomainInfoAttr._decode (36 bytes)",
                   {"c": lambda: attr._decode(raw36), "py": lambda: py_attr._decode(raw36),
                    "share": lambda: struct.unpack_from("<QQqfq", raw36)}, "host unpacking alone")
        if own_encode or cls is m.ClockDomain:
            fns = {"c": item._encode, "py": py_item._encode}
            if cls is m.ExecuteDeviceCommandV2:
                cmds = item.commands
                fns["share"] = lambda: [c._encode(2) for c in cmds]
                share_label = "commands' own _encode"
            elif cls is not m.ClockDomain:
                fns["share"] = lambda: m.RLXDataItem._encode(item)
                share_label = "framework's generic _encode"
            else:
                share_label = ""
            record("%s encode, %d bytes" % (short, len(wire)), fns, share_label)

        def c_decode(i=c_dec):
            i.di_data = payload
            i._decode()

        def py_decode(i=p_dec):
            i.di_data = payload
            i._decode()

        fns = {"c": c_decode, "py": py_decode}
        if cls is m.ExecuteDeviceCommandV2:
            calls = [(type(c), (c.destination_group, c.length, c.data)) for c in c_dec.commands]
            fns["share"] = lambda: [k(*a) for k, a in calls]
            share_label = "command constructions alone"
        elif cls is not m.ClockDomain:
            calls = attribute_calls(cls, payload)
            fns["share"] = lambda: [a._decode(d) for a, d in calls]
            share_label = "attribute decodes alone"
        else:
            share_label = ""
        record("%s decode, %d bytes" % (short, len(payload)), fns, share_label)

    for name, obj in rendering_objects(m).items():
        py_obj = impl.convert(obj)
        fn = repr if name.endswith("__repr__") else str
        assert type(py_obj) is not type(obj), name
        assert fn(obj) == fn(py_obj), "%s: Python text differs:\n%r\n%r" % (name, fn(obj), fn(py_obj))
        fns = {"c": lambda o=obj: fn(o), "py": lambda o=py_obj: fn(o)}
        values = framework_values(m, obj)
        if values:
            fns["share"] = lambda v=values: [str(x) for x in v]
        record("%s, %d chars" % (name, len(fn(obj))), fns, "framework objects' str()")

    header = ["operation", "C++ per call, median [min – max]", "C++ calls/s", "Python per call", "speed-up",
              "≥ 2x", "framework share"]
    return [table("Codecs and renderings (%d repeats; load %s)" % (repeats, loadavg()), header, rows)], raw


# ---------------------------------------------------------------------------
# 3. Command-line decoding


def capture_pool(m):
    """Valid encoded items of many classes: the bundled sample capture (one of every item class)
    and the realistic items of the codec benchmark."""
    from rlx.data_items.cli import iter_raw_items, open_capture
    from importlib import resources
    pool = []
    with resources.files("rlx.data_items").joinpath("sample_capture.hex").open("rb") as f:
        for _, code, payload in iter_raw_items(open_capture(f)):
            pool.append(struct.pack("<HH", code, len(payload)) + payload)
    pool += [item._encode() for item in codec_items(m).values()]
    return pool


def write_capture(path, pool, n, seed=1234):
    rng = random.Random(seed)
    with open(path, "wb") as f:
        left = n
        while left:
            k = min(left, 100_000)
            f.write(b"".join(rng.choices(pool, k=k)))
            left -= k
    return os.path.getsize(path)


def run_cli(stage, path):
    """(seconds, peak RSS bytes) of one decode of the capture."""
    env = dict(os.environ, PYTHONPATH=stage)
    cmd = [PY, "-P", "-S", "-m", "rlx.data_items", "decode", path]
    timing = os.path.join(os.path.dirname(path), "time.txt")
    use_time = os.access("/usr/bin/time", os.X_OK)
    if use_time:
        cmd = ["/usr/bin/time", "-v", "-o", timing] + cmd
    with open(os.devnull, "wb") as null, open(path + ".err", "wb") as err:
        t0 = time.perf_counter()
        proc = subprocess.Popen(cmd, stdout=null, stderr=err, env=env, cwd=os.path.dirname(path))
        peak = 0
        while proc.poll() is None:
            if not use_time:
                try:
                    with open("/proc/%d/status" % proc.pid) as f:
                        peak = max(peak, next(int(l.split()[1]) * 1024 for l in f if l.startswith("VmHWM")))
                except (OSError, StopIteration):
                    pass
            time.sleep(0.05)
        elapsed = time.perf_counter() - t0
    if proc.returncode != 0 or os.path.getsize(path + ".err"):
        with open(path + ".err") as f:
            raise RuntimeError("decode of %s failed (%d): %s" % (path, proc.returncode, f.read(2000)))
    if use_time:
        with open(timing) as f:
            peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", f.read()).group(1)) * 1024
    return elapsed, peak


def bench_cli(stage, tmp, quick):
    import rlx.data_items.private_data_items as m
    pool = capture_pool(m)
    small_n, big_n, reps = (10_000, 100_000, 2) if quick else (100_000, 1_000_000, 3)
    rows, raw = [], {}
    peaks = {}
    for n in (small_n, big_n):
        path = os.path.join(tmp, "capture-%d.bin" % n)
        size = write_capture(path, pool, n)
        run_cli(stage, path)   # warm-up
        runs = [run_cli(stage, path) for _ in range(reps)]
        os.remove(path)
        secs = [r[0] for r in runs]
        peaks[n] = [r[1] for r in runs]
        raw[n] = {"size": size, "runs": runs}
        med = statistics.median(secs)
        rows.append(["%d items, %s" % (n, fmt_bytes(size)), cell(secs), "%.3g items/s" % (n / med),
                     "%s/s" % fmt_bytes(size / med), cell(peaks[n], fmt_bytes)])
    growth = statistics.median(peaks[big_n]) - statistics.median(peaks[small_n])
    rows.append(["peak RSS, %d minus %d items" % (big_n, small_n), "", "", "", fmt_bytes(growth)])
    header = ["capture (%d distinct encodings)" % len(pool), "time, median [min – max]", "items/s", "bytes/s",
              "peak RSS"]
    return [table("Command-line decoding, `decode FILE > /dev/null` (%d runs each; load %s)"
                  % (reps, loadavg()), header, rows)], raw


# ---------------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--quick", action="store_true", help="scale everything down (a quick look, not figures)")
    parser.add_argument("--only", default="import,codecs,cli", help="comma-separated sections to run")
    parser.add_argument("--json", help="write the raw samples to this file")
    args = parser.parse_args()
    stage = os.environ.get("RLX_STAGE")
    if not stage:
        sys.exit("RLX_STAGE is not set: run bench/run")
    stage = os.path.abspath(stage)
    sys.path.insert(0, stage)
    sections = args.only.split(",")
    info = machine()
    print("# Benchmarks%s\n\nmachine: %s cores, %s; Python %s; %s; load average at start %s"
          % (" (quick)" if args.quick else "", info["nproc"], info["cpu"], info["python"], info["date"],
             info["load"]), flush=True)
    tmp = tempfile.mkdtemp(prefix="rlx-bench-")
    raw = {"machine": info}
    try:
        if "import" in sections:
            raw["import"] = bench_import(stage, tmp, args.quick)[1]
        if "codecs" in sections:
            raw["codecs"] = bench_codecs(args.quick)[1]
        if "cli" in sections:
            raw["cli"] = bench_cli(stage, tmp, args.quick)[1]
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("\nload average at end: %s" % loadavg())
    if args.json:
        with open(args.json, "w") as f:
            json.dump(raw, f, indent=1, default=str)


if __name__ == "__main__":
    main()
