#!/usr/bin/python3
"""Benchmark of the private data item catalog: the C++ extension against the
same catalog written in plain Python (bench/plain_catalog.py).

    bench/run [--python PY] [--quick] [--only GROUP_OR_TEXT,...] [--json FILE] [--against SO]

Prints one Markdown table: for each operation the time per call of the
extension and of plain Python, the speed-up (Python time / C++ time), what the
framework's own work costs within the call where that matters, and the target.
Groups: render, construct, domain, codec, access, import, cli.

In-process operations run in one process on objects built the same way from
either catalog, the C++ and the Python case alternating within each repeat;
the time per call is the best of 7 repeats of about 50 ms each. The import
and the command line run in fresh processes, C++ and Python paired process by
process, and report the median.

Before anything is timed, the plain catalog is checked against the extension
(classes, layouts, methods, and the behaviour of every class), and every
operation must give identical results (bytes, texts, decoded values) on both
sides; any difference stops the run.

--against SO times the in-process operations of this build and of another
build's extension file instead, both loaded into one process, alternating
round by round (20 rounds of about 10 ms) in each of 6 processes (--processes
N), and prints this/other per operation: the median over the processes. One
process's ratio of a row moves by up to 10 % with where the two builds' code
and objects land, so a verdict on a few per cent takes 24 processes or more.

Everything runs on the interpreter that runs this file (bench/run: PY, default /usr/bin/python3).
RLX_STAGE names the staged tree that holds the extension built for it; bench/run sets it.
"""

import argparse
import compileall
import contextlib
import gc
import glob
import importlib.machinery
import importlib.util
import io
import json
import os
import platform
import random
import shutil
import statistics
import struct
import subprocess
import sys
import sysconfig
import tempfile
import time
import timeit
import types

BENCH = os.path.dirname(os.path.abspath(__file__))
PY = sys.executable  # the interpreter measured, also for every child process


# ---------------------------------------------------------------------------
# Comparing the two catalogs


def canon(value, depth=0):
    """A comparable form of a value; records and items by class name and attributes."""
    from rlx.rlx import NorvaneSerialNumber
    if depth > 8:
        return "..."
    if isinstance(value, NorvaneSerialNumber):
        return ["serial", int(value)]
    if isinstance(value, float):
        return ["float", value.hex()]
    if value is None or isinstance(value, (bool, int, str)):
        return [type(value).__name__, value]
    if isinstance(value, (bytes, bytearray, memoryview)):
        return ["bytes", bytes(value).hex()]
    if isinstance(value, (list, tuple)):
        return [type(value).__name__, [canon(v, depth + 1) for v in value]]
    if isinstance(value, dict):
        return ["dict", sorted((repr(k), canon(v, depth + 1)) for k, v in value.items())]
    if isinstance(value, type):
        return ["class", value.__name__, [b.__name__ for b in value.__bases__]]
    names = set(getattr(value, "__dict__", ()))
    names.update(a.name for a in getattr(type(value), "definition", None) or ())
    return [type(value).__name__, {n: canon(getattr(value, n, "<missing>"), depth + 1) for n in sorted(names)}]


def attempt(fn):
    try:
        return fn()
    except Exception as exc:  # an error is a result to compare like any other
        return ["error", type(exc).__name__]


def declared(m):
    return [v for v in vars(m).values() if isinstance(v, type) and v.__module__ == m.__name__]


def kind_of(m, cls):
    if issubclass(cls, m.RLXDataItem):
        return "item"
    return "attribute kind" if issubclass(cls, m.DataItemAttribute) else "record"


def element_class(attr):
    # What the attribute object refers to, read without vars(): the attribute objects of the classes'
    # layouts are the timed codecs' own, and a dict of their own would make every later look-up on them slower.
    found = [v for v in gc.get_referents(attr) if isinstance(v, type) and hasattr(v, "definition")]
    return found[0].__name__ if found else None


def compiled(doc):
    """A docstring as this interpreter's compiler keeps it in a class statement (3.13 strips the lines' common
    indentation): the plain catalog's are kept so, the extension's as given."""
    ns = {}
    exec("class C:\n    %r\n" % doc, ns)
    return ns["C"].__doc__


def statement_names():
    """The names a class statement of this interpreter adds to every class's namespace beyond those a class made
    by type() is given (3.13: __firstlineno__, __static_attributes__)."""
    ns = {}
    exec("class C:\n    def f(self):\n        self.x = 1\n", ns)
    made = type("C", (), {"__module__": ns["C"].__module__, "__qualname__": "C", "f": ns["C"].f})
    return set(vars(ns["C"])) - set(vars(made))


def describe(m, cls):
    """Everything declared about a class: bases, doc, type code, layout, class attributes, methods."""
    ns = vars(cls)
    doc = compiled(cls.__doc__) if isinstance(cls.__doc__, str) else cls.__doc__
    out = {"kind": kind_of(m, cls), "bases": [b.__name__ for b in cls.__bases__], "doc": doc, "type": ns.get("type")}
    if "definition" in ns:
        out["definition"] = [(type(a).__name__, a.name, a.size, element_class(a)) for a in cls.definition]
    std = {"__module__", "__qualname__", "__doc__", "__dict__", "__weakref__", "type", "definition",
           *statement_names()}
    for name, value in ns.items():
        if name in std:
            continue
        if isinstance(value, classmethod):
            out[name] = "classmethod"
        elif callable(value):
            out[name] = "method"
        else:
            out[name] = canon(value)
    return out


# Values for filling an item or record, by attribute kind (i: the attribute's position).
def fill_value(m, attr, i, wrap=True):
    if isinstance(attr, m.DISerialNumberAttr):
        return m.NorvaneSerialNumber(0x1000 + i) if wrap else 0x1000 + i
    table = [(m.DIUInt8Attr, 0xA0 + i % 32), (m.DIUInt16Attr, 0xBEE0 + i), (m.DIUInt32Attr, 0xDEAD0000 + i),
             (m.DIUInt64Attr, 0x0123456789AB0000 + i), (m.DIInt8Attr, -100 + i), (m.DIInt16Attr, -30000 + i),
             (m.DIInt32Attr, -2_000_000_000 + i), (m.DIInt64Attr, -(1 << 62) + i),
             (m.DIFloatAttr, 0.25 * (i + 1) - 3), (m.DIDoubleAttr, 1 / 3 + i)]
    for kind, value in table:
        if type(attr) is kind:
            return value
    if isinstance(attr, m.DIFixedLengthBytesAttr):
        return bytes((i + k) % 256 for k in range(attr.size))
    if isinstance(attr, m.DIFixedLengthStrAttr):
        return ("text %d" % i)[:attr.size]
    if isinstance(attr, m.DIVariableLengthBytesAttr):
        return bytes(range(i, i + 12))
    if isinstance(attr, m.DIVariableLengthStrAttr):
        return "payload %d" % i
    if isinstance(attr, m.DISerialNumberListAttr):
        return [m.NorvaneSerialNumber(0x2000 + k) for k in range(3)]
    if isinstance(attr, m.DIUInt16ListAttr):
        return [1, 0x1234, 0xFFFF]
    if isinstance(attr, m.DIDomainInfoAttr):
        return domain_info(m, i)
    return None     # framework-specific kinds and record lists keep what a new item holds


def domain_info(m, k=1):
    info = m.DomainInformation()
    info.nt64, info.domaint, info.quality, info.slope, info.intercept = 10 ** 12 * k, 10 ** 11 * k, -k, 0.5, -99
    return info


def filled_item(m, cls):
    item = cls()
    item.rlx_header_serial = m.NorvaneSerialNumber(0xABCD)
    for i, attr in enumerate(cls.definition):
        value = fill_value(m, attr, i)
        if value is not None:
            setattr(item, attr.name, value)
    return item


def filled_record(m, cls):
    return cls(*[fill_value(m, a, i, wrap=False) for i, a in enumerate(cls.definition)])


# Arguments of the methods probed on every class that has them (no entry: called without arguments).
METHOD_ARGS = {
    "add_serial_number": (7,), "add_acknowledged_serial": (7,), "add_not_acknowledged_serial": (8,),
    "add_pin_configurations": (0x35,), "add_port_information": (1, 2), "add_bucket_settings": tuple(range(12)),
    "add_uwb_network_command": (1, 0x2A, 2, b"ab"), "__eq__": (0x35,),
}
NOT_PROBED = {"__init__", "__str__", "__repr__", "__hash__", "_encode", "_decode", "register_cmd_item"}


class Marked:
    """A value whose str() and format() differ."""

    def __str__(self):
        return "str()"

    def __format__(self, layout):
        return "format()"


def marked(obj, name):
    setattr(obj, name, Marked())
    return obj


def probe(m, cls):
    """The behaviour of one class, as comparable values."""
    out = {}
    ns = vars(cls)
    kind = kind_of(m, cls)
    if kind == "attribute kind":
        attr = cls("domain")
        raw = attempt(lambda: attr._encode(domain_info(m)))
        return {"encode": canon(raw), "decode": attempt(lambda: canon(attr._decode(bytes(range(40)))))}
    if kind == "record":
        if "__init__" not in ns:
            return {}
        out["default"] = canon(cls())
        obj = cls() if cls.__name__ in ("DomainInformation", "RadarPositionDebugData") else filled_record(m, cls)
        out["built"] = canon(obj)
        if cls.__name__ == "PinConfig":
            out["compare"] = [obj == obj.data, obj == cls(obj.data), obj == str(obj.data), obj == cls(obj.data + 1)]
        if "__str__" in ns:
            # Each field in turn holding a value whose str() and format() differ.
            out["str, a field marked"] = [attempt(lambda: str(marked(cls(), name))) for name in vars(cls())]
    else:
        obj = filled_item(m, cls)
        raw = attempt(obj._encode)
        out["encode"] = canon(raw)
        if isinstance(raw, bytes):
            back = cls()
            back.di_data = raw[4:]
            out["decode"] = [attempt(back._decode), canon(back)]
    for fn in (str, repr):
        if "__%s__" % fn.__name__ in ns:
            out[fn.__name__] = attempt(lambda: fn(obj))
    for name, value in ns.items():
        if name not in NOT_PROBED and (callable(value) or isinstance(value, classmethod)):
            printed = io.StringIO()
            with contextlib.redirect_stdout(printed):
                result = attempt(lambda: getattr(obj, name)(*METHOD_ARGS.get(name, ())))
            out[name] = [canon(result), printed.getvalue(), canon(obj)]
    return out


def check_catalog(ext, py):
    """The plain catalog declares and does what the extension does; stops the run on the first difference."""
    a, b = declared(ext), declared(py)
    if [c.__name__ for c in a] != [c.__name__ for c in b]:
        sys.exit("the plain catalog does not declare the extension's classes in its order")
    for what in (describe, probe):
        for x, y in zip(a, b):
            dx, dy = what(ext, x), what(py, y)
            if dx != dy:
                keys = sorted(k for k in set(dx) | set(dy) if dx.get(k) != dy.get(k))
                sys.exit("plain catalog differs from the extension: %s, %s:\n  C++:    %s\n  Python: %s"
                         % (x.__name__, keys, {k: dx.get(k) for k in keys}, {k: dy.get(k) for k in keys}))
    return len(a)


# ---------------------------------------------------------------------------
# The operations


class Case:
    """One timed operation. `setup(m)` returns the namespace in which `stmt` runs for catalog `m`;
    `check` (an expression, default `stmt`) is evaluated after one run to compare the sides; `reset`
    runs before each repeat; `share` is a statement timing the framework's part of the call;
    `lean(probes, py)` returns the namespace in which `stmt` runs the leanest C of the operation."""

    def __init__(self, group, label, stmt, setup, check=None, reset=None, share=None, share_label="", lean=None):
        self.group, self.label, self.stmt, self.setup = group, label, stmt, setup
        self.check, self.reset, self.share, self.share_label = check or stmt, reset, share, share_label
        self.lean = lean


def codec_items(m):
    """Realistic items of the classes with custom codecs, built the same way from either catalog."""
    items = {}
    for cls in (m.MrTransmissionV1, m.MrReceptionV1):
        item = cls()
        item.serial_number, item.interface_identifier, item.antenna_delay = m.NorvaneSerialNumber(0x1001), 2, 16450
        item.sequence_number, item.dt_tx = 17, 0x0123456789
        if cls is m.MrReceptionV1:
            item.signal_strength, item.rx_nt = -7812, 0x1122334455
        item.mr_rx_list = [m.MultiRangeRx(0x2000 + i, i % 4, i, 10 ** 9 + 12345 * i, 500 + i, 30 + i, 60 + i)
                           for i in range(10)]
        item.payload = "multi-range payload 0123456789"
        items[cls.__name__ + " (10 entries)"] = item
    for cls in (m.PeriodicSystemOwnershipReport, m.PeriodicSystemOwnershipReportV2):
        item = cls()
        item.owned_tags = [m.NorvaneSerialNumber(0x4000 + i) for i in range(50)]
        item.tag_ownership_reports = [m.TagOwnershipReport(0x5000 + i, 100 + i, 3) for i in range(10)]
        items[cls.__name__ + " (50 tags, 10 reports)"] = item
    ack = m.AcknowledgeListResponse()
    for i in range(25):
        ack.add_acknowledged_serial(0x6000 + i)
        ack.add_not_acknowledged_serial(0x7000 + i)
    ack.ack_string = "acknowledged"
    items["AcknowledgeListResponse (25 + 25 serials)"] = ack
    radar = m.RadarDebugV5()
    radar.source_serial_number, radar.network_time, radar.tx_sequence = m.NorvaneSerialNumber(0x3003), 987654321, 9
    radar.distance, radar.dist_quality, radar.num_channels = 12345, 77, 4
    radar.position_data = [
        m.RadarPositionDebugData(ch, 0, 100 + ch, 200 + ch, 300 + ch, 0, 40000 + ch, 11, 12, 13, 4,
                                 [m.RadarInterfaceDataV4(10 ** 10 + 7 * i, 0.25 * i, 1.5 + i, 2.5 + i, 0.125, i)
                                  for i in range(4)])
        for ch in range(4)]
    items["RadarDebugV5 (4 positions × 4 interfaces)"] = radar
    commands = m.ExecuteDeviceCommandV2()
    for i in range(8):
        commands.add_uwb_network_command(0x100 + i, 0x30 + i, 8, bytes(range(i, i + 8)))
    items["ExecuteDeviceCommandV2 (8 commands)"] = commands
    return items


class Recorder:
    """Stands in for one definition entry and records the bytes each _decode call is handed."""

    def __init__(self, index, attr, log):
        self.index, self.attr, self.log, self.name = index, attr, log, attr.name

    def _decode(self, data):
        self.log.append((self.index, bytes(data)))
        return self.attr._decode(data)

    def __getattr__(self, name):
        return getattr(self.attr, name)


def attribute_calls(py_cls, payload):
    """(definition index, bytes) of every attribute decode that the plain decoder makes for `payload`."""
    log = []
    recording = type("Recording", (py_cls,), {"definition": [Recorder(i, a, log)
                                                             for i, a in enumerate(py_cls.definition)]})
    item = recording()
    item.di_data = payload
    item._decode()
    return log


def command_calls(m, payload):
    """(command class, arguments) of every command construction that decoding `payload` makes."""
    calls = []
    while payload:
        group, command_type, length = struct.unpack_from("<IBH", payload)
        calls.append((m.ExecuteDeviceCommandV2.cmd_classes[command_type], (group, length, payload[7:7 + length])))
        payload = payload[7 + length:]
    return calls


def field_values(obj):
    """The values of obj's fields, each read as an attribute: `vars(obj)` would give the instance a dict of its
    own, a slower state (for both catalogs) than the one objects are made and decoded in."""
    names = dict.fromkeys([*vars(type(obj)()), *(a.name for a in getattr(type(obj), "definition", ()))])
    return [getattr(obj, name) for name in names if hasattr(obj, name)]


def framework_objects(m, obj):
    """The framework's objects (serial numbers, network commands) that a text rendering of `obj` converts."""
    found = []
    for value in field_values(obj):
        for v in value if isinstance(value, list) else [value]:
            if isinstance(v, (m.NorvaneSerialNumber, m.UWBNetworkCommandItem)):
                found.append(v)
            elif type(v).__module__ == m.__name__:
                found.extend(framework_objects(m, v))
    return found


def rendering_objects(m):
    """label -> a filled object of every class that renders itself (and PinConfig for its repr)."""
    objects = {}
    for cls in declared(m):
        if "__str__" not in vars(cls):
            continue
        name = cls.__name__
        if name == "DomainInformation":
            obj = domain_info(m)
        elif name == "RadarPositionDebugData":
            obj = codec_items(m)["RadarDebugV5 (4 positions × 4 interfaces)"].position_data[0]
        elif name == "ExecuteDeviceCommandV2":
            obj = codec_items(m)["ExecuteDeviceCommandV2 (8 commands)"]
            obj._encode()
        elif kind_of(m, cls) == "item":
            obj = filled_item(m, cls)
        else:
            obj = filled_record(m, cls)
        objects["str(%s)" % name] = obj
    objects["repr(PinConfig)"] = m.PinConfig(0x35)
    return objects


# ---------------------------------------------------------------------------
# The leanest C: the floor under a constructor or a text, measured beside the
# two catalogs. A plain class gets, from bench/host_bounds.c, the least C the
# public C API allows for the operation: a constructor that makes the
# instance and stores its fields by the generic attribute store (a serial
# number wrapped by the same call the plain constructor makes), with no
# keywords, binding, look-up or check; a text that reads its fields by the
# generic attribute read and writes integers straight into one buffer
# (anything else through its own str()). Python time / leanest C time is the
# most any C implementation of it on the public C API can gain, as long as it
# makes its text on every call (the extension hands out PinConfig's, one of
# the byte's 256 texts, made once, and so goes past it).

# Records whose text is their fields' plain forms joined by ", " (PinConfig's: its one field's), the fields
# integers and serial numbers. (The radar interface records hold floats, whose str() the extension writes with
# a formatter of its own: the leanest C's float str() would be no floor for them.)
LEAN_TEXTS = ("PinConfig", "PortInformation", "BucketSettings", "MultiRangeRx", "TagOwnershipReport", "AnchorStampRx",
              "AnchorMrStampRx", "SingleAntennaSelfCalibration", "SeederIndexSerialNumberMapEntry",
              "EthernetPortStatus")


def build_probes(directory):
    """Compiles host_bounds.c into `directory` and imports it, or None without a compiler."""
    if not shutil.which("gcc"):
        return None
    so = os.path.join(directory, "host_bounds" + sysconfig.get_config_var("EXT_SUFFIX"))
    subprocess.run(["gcc", "-O2", "-shared", "-fPIC", "-I" + sysconfig.get_paths()["include"],
                    os.path.join(BENCH, "host_bounds.c"), "-o", so], check=True)
    sys.path.insert(0, directory)
    import host_bounds
    return host_bounds


def lean_text(label, name):
    def lean(probes, py):
        py_obj = rendering_objects(py)[label]
        cls = type("Lean" + name, (), {})
        probes.lean_str(cls, tuple(a.name for a in getattr(py, name).definition))
        obj = cls()
        for field, value in vars(py_obj).items():  # stored one by one: the instance keeps no dict of its own
            setattr(obj, field, value)
        if str(obj) != str(py_obj) or repr(obj) != str(obj):
            sys.exit("%s: the leanest C gives %r, the plain catalog %r" % (label, str(obj), str(py_obj)))
        return {"o": obj}
    return lean


def lean_constructor(stmt):
    name = stmt.split("(")[0]

    def lean(probes, py):
        made = vars(getattr(py, name)())
        cls = type("Lean" + name, (), {})
        makers = tuple(py.NorvaneSerialNumber if isinstance(v, py.NorvaneSerialNumber) else None
                       for v in made.values())
        probes.lean_constructor(cls, tuple(made), tuple(None if isinstance(v, list) else v for v in made.values()),
                                makers)
        ns = dict(vars(py), **{name: cls})
        lean_made, py_made = ({k: canon(v) for k, v in vars(eval(stmt, space)).items()} for space in (ns, vars(py)))
        if lean_made != py_made:
            sys.exit("%s: the leanest C makes %s, the plain catalog %s" % (stmt, lean_made, py_made))
        return ns
    return lean


def cases(py):
    """The timed operations; `py` is the plain catalog (its decoders show which bytes the framework decodes)."""
    out = []
    for label in rendering_objects(py):
        fn = label.split("(")[0]

        def setup(m, label=label):
            obj = rendering_objects(m)[label]
            return {"o": obj, "fw": framework_objects(m, obj)}
        share = "[str(x) for x in fw]" if setup(py)["fw"] else None
        name = label[len(fn) + 1:-1]
        # PinConfig's representation is its text.
        lean = lean_text(label, name) if name in LEAN_TEXTS and (fn == "str" or name == "PinConfig") else None
        out.append(Case("render", label, fn + "(o)", setup, share=share, share_label="str() of its framework objects",
                        lean=lean))

    for stmt in ("MultiRangeRx(5, 1, 2, 3, 4, 6, 7)", "DomainInformation()", "PortInformation(1, 2)",
                 "BucketSettings(*range(12))", "RadarPositionDebugData()", "PinConfig(5)",
                 "TagOwnershipReport(7, 100, 3)", "AnchorStampRx(1, 2, 3, 4)", "AnchorMrStampRx(1, 2, 3, 4, 5)",
                 "SeederIndexSerialNumberMapEntry(3, 0)", "EthernetPortStatus(*range(8))",
                 "SingleAntennaSelfCalibration(*range(9))", "RadarInterfaceData(1, 2, 3, 0.5, 0.25, 1)",
                 "RadarInterfaceDataV2(1, 2, 3, 4, 0.5, 1.5, 2.5, 0.25, 1)",
                 "RadarInterfaceDataV3(1, 2, 3, 0.5, 1.5, 2.5, 0.25, 1)",
                 "RadarInterfaceDataV4(10 ** 10, 0.25, 1.5, 2.5, 0.125, 1)"):
        out.append(Case("construct", stmt, stmt, lambda m: dict(vars(m)), lean=lean_constructor(stmt)))

    def domain(m):
        info = domain_info(m)
        attr = m.DIDomainInfoAttr("proc_domain")
        clock = m.ClockDomain()
        clock.proc_domain, clock.deca_domain = domain_info(m, 1), domain_info(m, 2)
        return {"a": attr, "info": info, "raw": attr._encode(info), "o": clock, "d": m.ClockDomain(),
                "p": clock._encode()[4:]}
    def lean_domain(probes, py):
        ns = dict(domain(py), a=types.SimpleNamespace(_encode=probes.domain_encode))
        if probes.domain_encode(ns["info"]) != py.DIDomainInfoAttr("x")._encode(ns["info"]):
            sys.exit("DIDomainInfoAttr._encode: the leanest C packs differently from the plain catalog")
        return ns
    out += [Case("domain", "DIDomainInfoAttr._encode(info)", "a._encode(info)", domain, lean=lean_domain),
            Case("domain", "DIDomainInfoAttr._decode(36 bytes)", "a._decode(raw)", domain),
            Case("domain", "ClockDomain._encode()", "o._encode()", domain),
            Case("domain", "ClockDomain._decode(), 72 bytes", "d.di_data = p; d._decode()", domain, check="d")]

    for name, item in codec_items(py).items():
        cls_name, contents = name[:-1].split(" (")
        size = len(item._encode()) - 4

        def codec(m, name=name, cls_name=cls_name):
            item = codec_items(m)[name]
            payload = item._encode()[4:]
            ns = {"o": item, "d": getattr(m, cls_name)(), "p": payload, "generic": m.RLXDataItem._encode}
            if cls_name == "ExecuteDeviceCommandV2":
                ns["calls"] = command_calls(m, payload)
            else:
                definition = getattr(m, cls_name).definition
                ns["calls"] = [(definition[i], chunk) for i, chunk in attribute_calls(getattr(py, cls_name), payload)]
            return ns
        if "_encode" in vars(type(item)):
            commands = cls_name == "ExecuteDeviceCommandV2"
            out.append(Case("codec", "%s._encode() (%s, %d bytes)" % (cls_name, contents, size), "o._encode()", codec,
                            share="[c._encode(2) for c in o.commands]" if commands else "generic(o)",
                            share_label="the commands' own _encode" if commands else "the generic item _encode"))
        out.append(Case("codec", "%s._decode() (%s, %d bytes)" % (cls_name, contents, size), "d.di_data = p; d._decode()", codec,
                        check="d",
                        share="[k(*a) for k, a in calls]" if cls_name == "ExecuteDeviceCommandV2"
                        else "[a._decode(c) for a, c in calls]",
                        share_label="the command constructions" if cls_name == "ExecuteDeviceCommandV2"
                        else "the attribute decodes it makes"))

    def accessors(m):
        command = filled_item(m, m.ExecuteDeviceCommandV1)
        command.command_type_length = 0xABCD
        pins = filled_item(m, m.PinConfiguration)
        pins.pin_bank = 0xE5
        stats = filled_item(m, m.ParticleUpdaterStats)
        stats.status = 3
        return {"command": command, "pins": pins, "pin": m.PinConfig(0x35), "stats": stats,
                "discovery": filled_item(m, m.UWBDiscoveryV3), "conflict": m.ForceConflict(),
                "power": m.PowerReport(), "ack": m.AcknowledgeListResponse(), "rf": m.RFAgilityWrite(),
                "execute": m.ExecuteDeviceCommandV2()}
    for label, stmt, reset in (
            ("ExecuteDeviceCommandV1.get_command_type()", "command.get_command_type()", None),
            ("PinConfiguration.get_send_report_flag()", "pins.get_send_report_flag()", None),
            ("PinConfig.get_poll_interval()", "pin.get_poll_interval()", None),
            ("UWBDiscoveryV3.get_ota_upgrade()", "discovery.get_ota_upgrade()", None),
            ("ParticleUpdaterStats.sector_status()", "stats.sector_status()", None),
            ("ForceConflict.add_serial_number(7)", "conflict.add_serial_number(7)",
             "conflict.serial_numbers = []; conflict.device_count = 0"),
            ("PowerReport.add_port_information(1, 2)", "power.add_port_information(1, 2)",
             "power.port_information = []"),
            ("AcknowledgeListResponse.add_acknowledged_serial(7)", "ack.add_acknowledged_serial(7)",
             "ack.acknowledged_serials = []; ack.num_acknowledged = 0"),
            ("RFAgilityWrite.add_bucket_settings(*range(12))", "rf.add_bucket_settings(*range(12))",
             "rf.bucket_settings = []"),
            ("ExecuteDeviceCommandV2.add_uwb_network_command(1, 0x30, 2, b'ab')",
             "execute.add_uwb_network_command(1, 0x30, 2, b'ab')", "execute.commands = []")):
        target = stmt.split(".")[0]
        out.append(Case("access", label, stmt, accessors, check=None if reset is None else target, reset=reset))
    return out


# ---------------------------------------------------------------------------
# Timing in process


def loops_for(timer, target):
    n = 1
    while True:
        t = timer.timeit(n)
        if t >= target / 10:
            return max(1, int(n * target / t))
        n *= 10


def once(case, ns):
    """One run of the operation from the start."""
    if case.reset:
        exec(case.reset, ns)
    exec(case.stmt, ns)


def time_case(case, ext, py, repeats, target, probes=None):
    """{side: [seconds per call] * repeats}; the sides alternate within every repeat."""
    spaces = {"c": case.setup(ext), "py": case.setup(py)}
    for ns in spaces.values():
        once(case, ns)
    if case.lean and probes:
        spaces["lean"] = case.lean(probes, py)
    timers = {side: (timeit.Timer(case.stmt, globals=ns), ns) for side, ns in spaces.items()}
    if case.share:
        timers.update({"share " + side: (timeit.Timer(case.share, globals=ns), ns) for side, ns in spaces.items()
                       if side != "lean"})
    loops = {side: loops_for(timer, target) for side, (timer, ns) in timers.items()}
    samples = {side: [] for side in timers}
    for _ in range(repeats):
        for side, (timer, ns) in timers.items():
            if case.reset:
                exec(case.reset, ns)
            samples[side].append(timer.timeit(loops[side]) / loops[side])
    # Compared once timed, after one more run from the start: reading an object whole (canon) gives it a
    # dict of its own, a slower state.
    for side in ("c", "py"):
        once(case, spaces[side])
    c, p = (canon(eval(case.check, spaces[s])) for s in ("c", "py"))
    if c != p:
        sys.exit("%s: the plain catalog gives a different result\n  C++:    %s\n  Python: %s" % (case.label, c, p))
    return samples


# ---------------------------------------------------------------------------
# Two builds of the extension side by side. Separate runs of one build differ
# by more than the changes worth measuring (the machine's speed drifts between
# processes); two module objects in one process, timed alternately round by
# round, share the drift. Where each build's code and objects land still moves
# a row by a few per cent from process to process (a copy of the same build
# too), so several processes are taken and their ratios' median reported.


def load_build(path):
    """Another build of the extension (its file), a module object of its own beside the one imported."""
    name = "rlx.data_items.private_data_items"
    found = importlib.util.spec_from_file_location(name, path, loader=importlib.machinery.ExtensionFileLoader(name, path))
    other = importlib.util.module_from_spec(found)
    found.loader.exec_module(other)
    return other


def compare_builds(ext, other, py, rounds, target, wanted):
    """[operation, best time on `ext`, best on `other`, median of the per-round ratios ext/other] for each
    in-process operation, the two timed alternately."""
    rows = []
    for case in cases(py):
        if not wanted(case.group, case.label):
            continue
        spaces = [case.setup(ext), case.setup(other)]
        for ns in spaces:
            once(case, ns)
        timers = [timeit.Timer(case.stmt, globals=ns) for ns in spaces]
        loops = loops_for(timers[0], target)
        samples = ([], [])
        for r in range(rounds):
            for i in ((0, 1) if r % 2 == 0 else (1, 0)):  # each build first in every other round
                if case.reset:
                    exec(case.reset, spaces[i])
                samples[i].append(timers[i].timeit(loops) / loops)
        for ns in spaces:
            once(case, ns)
        if canon(eval(case.check, spaces[0])) != canon(eval(case.check, spaces[1])):
            sys.exit("%s: the two builds give different results" % case.label)
        rows.append([case.label, min(samples[0]), min(samples[1]), statistics.median(a / b for a, b in zip(*samples))])
    return rows


def compare_in_processes(args, processes):
    """Table rows of compare_builds() run in `processes` fresh processes: the median ratio and each one's."""
    argv = [PY, "-P", "-S", os.path.abspath(__file__), "--against", args.against]
    argv += ["--quick"] if args.quick else []
    argv += ["--only", args.only] if args.only else []
    runs = []
    for i in range(processes):
        proc = subprocess.run(argv + ["--rows-only", str(i % 2)], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True)
        if proc.returncode != 0:
            sys.exit("bench.py --against failed (%d):\n%s" % (proc.returncode, proc.stderr[-2000:]))
        runs.append(json.loads(proc.stdout))
    rows = []
    for i, (label, *_) in enumerate(runs[0]):
        ratios = [run[i][3] for run in runs]
        rows.append([label, fmt_time(min(run[i][1] for run in runs)), fmt_time(min(run[i][2] for run in runs)),
                     "%.3f" % statistics.median(ratios), " ".join("%.3f" % r for r in ratios)])
    return rows


# ---------------------------------------------------------------------------
# Import and command line: fresh processes


CHILD = r"""
import sys, time
import rlx.rlx, rlx.private_network_commands, rlx.data_items
if sys.argv[1] == "warm":
    # untimed allocation-heavy work: the allocator has memory at hand afterwards
    source = "\n".join("def f%d(a, b=%d):\n    return [a + b * k for k in range(%d)]" % (i, i, i)
                       for i in range(4000))
    code = compile(source, "warm", "exec")
    del code, source
t0 = time.perf_counter()
import rlx.data_items.private_data_items
t1 = time.perf_counter()
print(t1 - t0)
"""


def make_trees(stage, tmp):
    """Two importable trees with the same framework copies: one with the extension, one with the plain
    catalog as rlx/data_items/private_data_items.py; both compiled to bytecode."""
    trees = {}
    for side in ("c", "py"):
        root = os.path.join(tmp, side)
        for path in glob.glob(os.path.join(stage, "rlx", "**", "*.py"), recursive=True):
            dest = os.path.join(root, os.path.relpath(path, stage))
            os.makedirs(os.path.dirname(dest), exist_ok=True)
            shutil.copyfile(path, dest)
        target = os.path.join(root, "rlx", "data_items")
        # The capture tool's own extension serves both sides: only the catalog differs.
        for so in glob.glob(os.path.join(stage, "rlx", "data_items", "_capture*.so")):
            shutil.copyfile(so, os.path.join(target, os.path.basename(so)))
        if side == "c":
            so = glob.glob(os.path.join(stage, "rlx", "data_items", "private_data_items*.so"))[0]
            shutil.copyfile(so, os.path.join(target, os.path.basename(so)))
        else:
            shutil.copyfile(os.path.join(BENCH, "plain_catalog.py"), os.path.join(target, "private_data_items.py"))
        if not compileall.compile_dir(root, quiet=1):
            sys.exit("compileall failed in %s" % root)
        trees[side] = root
    return trees


def run_child(tree, *args, stdout=subprocess.PIPE, cwd=None):
    env = dict(os.environ, PYTHONPATH=tree)
    env.pop("PYTHONSTARTUP", None)
    proc = subprocess.run([PY, "-P", "-S", *args], env=env, stdout=stdout, stderr=subprocess.PIPE,
                          text=True, cwd=cwd or tempfile.gettempdir())
    if proc.returncode != 0 or proc.stderr:
        sys.exit("child %s %s failed (%d):\n%s" % (tree, args, proc.returncode, proc.stderr[-2000:]))
    return proc.stdout


def time_imports(trees, processes):
    """{heap: {side: [seconds]}}: one fresh process per sample, the sides paired and alternating."""
    for side in trees:                       # warm-up: page cache, bytecode caches
        for heap in ("cold", "warm"):
            run_child(trees[side], "-c", CHILD, heap)
    samples = {heap: {"c": [], "py": []} for heap in ("cold", "warm")}
    for i in range(processes):
        for heap in ("cold", "warm"):
            for side in (("c", "py") if i % 2 == 0 else ("py", "c")):
                samples[heap][side].append(float(run_child(trees[side], "-c", CHILD, heap)))
    return samples


# The bare decode loop of a capture: what any reader of the items does, without the tool. With field
# names after the path, only the items of the classes that have one of them (those a filter on them can
# select; the tool does not decode the others).
BARE_DECODE = r"""
import struct, sys
import rlx.data_items.private_data_items as m
wanted = set(sys.argv[2:])
classes = {c.type: c for c in vars(m).values() if isinstance(c, type) and c.__module__ == m.__name__
           and issubclass(c, m.RLXDataItem) and isinstance(c.type, int)
           and (not wanted or wanted & {a.name for a in c.definition})}
serial, header = m.NorvaneSerialNumber(0), struct.Struct("<HH")
with open(sys.argv[1], "rb") as f:
    data = f.read()
pos, end = 0, len(data)
while pos < end:
    code, size = header.unpack_from(data, pos)
    cls = classes.get(code)
    if cls is not None:
        item = cls()
        item.rlx_header_serial, item.di_size, item.di_data = serial, size, data[pos + 4:pos + 4 + size]
        item._decode()
    pos += 4 + size
"""
# The tool as it was before its rewrite, taken from the repository's history for the comparison.
TOOL_BEFORE = "55312ae"


def tool_before(tree, tmp):
    """A copy of a tree with the command-line tool as of TOOL_BEFORE, or None without the history."""
    found = subprocess.run(["git", "-C", BENCH, "show", TOOL_BEFORE + ":rlx/data_items/cli.py"],
                           capture_output=True)
    if found.returncode != 0:
        return None
    root = os.path.join(tmp, "before")
    shutil.copytree(tree, root)
    with open(os.path.join(root, "rlx", "data_items", "cli.py"), "wb") as f:
        f.write(found.stdout)
    for cached in glob.glob(os.path.join(root, "rlx", "data_items", "__pycache__", "cli.*")):
        os.remove(cached)
    return root


def capture_file(encodings, items, path):
    rng = random.Random(1234)
    with open(path, "wb") as f:
        for start in range(0, items, 100_000):
            f.write(b"".join(rng.choices(encodings, k=min(100_000, items - start))))
    return path


def run_measured(tree, *args):
    """Seconds of one child process, its output discarded."""
    env = dict(os.environ, PYTHONPATH=tree)
    env.pop("PYTHONSTARTUP", None)
    t0 = time.perf_counter()
    proc = subprocess.Popen([PY, "-P", "-S", *args], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            cwd=tempfile.gettempdir())
    err = proc.stderr.read()
    status = proc.wait()
    seconds = time.perf_counter() - t0
    if status != 0 or err:
        sys.exit("child %s %s failed (%d):\n%s" % (tree, args, status, err.decode()[-2000:]))
    return seconds


# The tool run as `python3 -m rlx.data_items ARGS`, writing its own peak resident size (the high-water
# mark of its memory since it started; the rusage of a child also counts the parent's pages it was
# forked with) to the file named by the first argument when it exits.
PEAK_CHILD = r"""
import atexit, runpy, sys
out = sys.argv.pop(1)
def peak():
    with open("/proc/self/status") as f, open(out, "w") as o:
        o.write(next(line for line in f if line.startswith("VmHWM:")).split()[1])
atexit.register(peak)
sys.argv[0] = "rlx-data-items"
runpy.run_module("rlx.data_items", run_name="__main__", alter_sys=True)
"""


def peak_memory(tree, tmp, args):
    """Peak resident KiB of the tool run with `args` on `tree`."""
    out = os.path.join(tmp, "peak")
    run_measured(tree, "-c", PEAK_CHILD, out, *args)
    with open(out) as f:
        return int(f.read())


# The tool's runs timed against a bare decode loop: (name, label, arguments before the capture's path,
# the loop's name). The filter and the fields are ones that many classes have; the capture holds every class.
CLI_RUNS = [
    ("tool", "decode", ["decode", "--no-progress"], "bare"),
    ("json", "decode --json", ["decode", "--no-progress", "--json"], "bare"),
    ("filter", "decode -Y 'serial_number == 0x1000'", ["decode", "--no-progress", "-Y", "serial_number == 0x1000"],
     "bare serial_number"),
    ("fields", "decode -T fields -e offset -e class -e serial_number -e nt64",
     ["decode", "--no-progress", "-T", "fields", "-e", "offset", "-e", "class", "-e", "serial_number", "-e", "nt64"],
     "bare"),
    ("csv", "decode --csv -e offset -e class -e serial_number",
     ["decode", "--no-progress", "--csv", "-e", "offset", "-e", "class", "-e", "serial_number"], "bare"),
    ("stats", "stats --field PinStateReportV3.nt64", ["stats", "--field", "PinStateReportV3.nt64"], "bare"),
]


def time_cli(trees, encodings, items, runs, tmp):
    """{run: {side: [seconds]}} on a synthetic capture of ``items`` items, all runs of one round back to back,
    the sides alternating: each of CLI_RUNS > /dev/null, the bare decode loops (of every item, of the items
    the filter can select), and the tool before its rewrite (C++ side only, where the history is at hand).
    Also the tool's peak memory on that capture and on one ten times as long."""
    path = capture_file(encodings, items, os.path.join(tmp, "capture.bin"))
    before = tool_before(trees["c"], tmp)
    decode = ["-m", "rlx.data_items", "decode", "--no-progress"]
    commands = {name: ["-m", "rlx.data_items"] + args + [path] for name, _, args, _ in CLI_RUNS}
    commands["bare"] = ["-c", BARE_DECODE, path]
    commands["bare serial_number"] = ["-c", BARE_DECODE, path, "serial_number"]
    samples = {name: {"c": [], "py": []} for name in commands}
    if before:
        samples["before"] = {"c": []}
    for i in range(runs + 1):
        for side in (("c", "py") if i % 2 == 0 else ("py", "c")):
            for name, args in commands.items():
                seconds = run_measured(trees[side], *args)
                if i:                        # the first round warms up
                    samples[name][side].append(seconds)
            if before and side == "c":
                seconds = run_measured(before, *commands["tool"])
                if i:
                    samples["before"]["c"].append(seconds)
    longer = capture_file(encodings, items * 10, os.path.join(tmp, "longer.bin"))
    memory = [peak_memory(trees["c"], tmp, decode[2:] + [capture]) for capture in (path, longer)]
    os.remove(longer)
    return samples, os.path.getsize(path), memory


def cli_rows(samples, items, size, runs, memory):
    """The command line's rows: each run's time and items per second, the tool's share of a decode run
    (what it adds to the bare decode loop of the same items, over the whole run) before and after, the
    peak memory on captures of N and 10 N items."""
    median = {name: {side: statistics.median(v) for side, v in s.items()} for name, s in samples.items()}

    def rate(seconds):
        return "%s (%s items/s)" % (fmt_time(seconds), format(round(items / seconds), ","))

    rows = []
    labels = [("before", "decode, the tool as of %s (before)" % TOOL_BEFORE)]
    labels += [(name, label + (" (after)" if name in ("tool", "json") else "")) for name, label, _, _ in CLI_RUNS]
    labels += [("bare", "the bare decode loop of the same items, no tool"),
               ("bare serial_number", "the bare decode loop of the items of the classes with a serial_number, "
                                      "no tool")]
    for name, label in labels:
        if name not in median:
            continue
        c, p = median[name]["c"], median[name].get("py")
        cells = row("cli", "command line: %s, %d items (%.1f MiB) > /dev/null, median of %d"
                    % (label, items, size / 2 ** 20, runs), c, p or c)
        cells[1] = rate(c)
        cells[2], cells[3] = (rate(p), cells[3]) if p else ("", "")
        rows.append(cells)

    def share(name, side, bare="bare"):
        return (median[name][side] - median[bare][side]) / median[name][side]

    for name, label, _, bare in CLI_RUNS:
        if name not in median or bare not in median:   # raw samples of an earlier run, without this one
            continue
        label = {"tool": "text", "json": "--json"}.get(name, label)
        if bare != "bare":
            label += ", against the loop over the " + bare[5:] + " classes' items"
        after = {side: share(name, side, bare) for side in ("c", "py")}
        was = " (before: %.0f %%)" % (100 * share("before", "c")) if "before" in median and name == "tool" else ""
        rows.append(["command line: the tool's share of a run (%s): its time less the bare loop's, over "
                     "its time" % label, "%.0f %%%s" % (100 * after["c"], was), "%.0f %%" % (100 * after["py"]), "",
                     "", "", "≤ 25 %", "met" if after["c"] <= 0.25 else "not met"])
    grow = memory[1] / memory[0]
    rows.append(["command line: peak memory of decode, %d items against %d" % (items, items * 10),
                 "%.1f MiB against %.1f MiB" % (memory[0] / 1024, memory[1] / 1024), "", "", "", "",
                 "flat (within 10 %)", "met (%+.0f %%)" % (100 * (grow - 1)) if grow <= 1.1 else
                 "not met (%+.0f %%)" % (100 * (grow - 1))])
    return rows


# ---------------------------------------------------------------------------
# Table


def fmt_time(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6), ("ns", 1e-9)):
        if abs(seconds) >= scale or unit == "ns":
            return "%.3g %s" % (seconds / scale, unit)


TARGETS = {"render": (2.0, 3.0), "construct": (1.0, 1.5), "domain": (1.0, 1.5)}


def row(group, label, c, p, share=None, extra=None, lean=None):
    """A table row from per-call times; share = (label, C++ side, Python side) of the framework's part;
    extra: for the import, (ratio of the medians, median of the per-pair ratios, goal); for the codecs, (custom part C++, Python, noise, and the custom parts
    in instructions or None)."""
    speed = p / c
    cells = [label, fmt_time(c), fmt_time(p), "%.2fx" % speed, "", "", "", ""]
    if lean:
        cells[4] = "%s (%.2fx)" % (fmt_time(lean), p / lean)
    if share:
        cells[5] = "%s / %s (%s)" % (fmt_time(share[1]), fmt_time(share[2]), share[0])
    if group in TARGETS:
        goal, moon = TARGETS[group]
        cells[6] = "≥ %gx (moonshot %gx)" % (goal, moon)
        cells[7] = "moonshot met" if speed >= moon else "met" if speed >= goal else "not met"
        if speed < goal and lean and p / lean < goal:
            cells[7] += " (bounded: the leanest C reaches %.2fx)" % (p / lean)
        elif speed < goal and share and p / share[2] < goal and not (lean and p / lean >= goal):
            # What the framework's own code takes of the plain call, no implementation saves (unless the
            # leanest C, which runs the same framework code, shows otherwise: the share is timed as a
            # comprehension, whose own cost it includes).
            cells[7] += " (bounded: %s alone leaves at most %.2fx)" % (share[0], p / share[2])
    elif group == "codec":
        own_c, own_p, noise, counted = extra
        cells[6] = "C++ part ≤ Python part"
        verdict = "within noise" if abs(own_c - own_p) <= noise else "met" if own_c <= own_p else "not met"
        clock = "%s vs %s, noise %s" % (fmt_time(own_c), fmt_time(own_p), fmt_time(noise))
        if counted:
            # The instruction count decides; the clock's view beside it.
            cells[7] = "%s (instructions per call: %.0f vs %.0f; clock: %s, %s)" % (
                "met" if counted[0] <= counted[1] else "not met", counted[0], counted[1], verdict, clock)
        else:
            cells[7] = "%s (%s)" % (verdict, clock)
    elif group == "import":
        ratio, paired, goal = extra
        cells[6] = "extension/plain ≤ %gx" % goal
        # Decided by the median of the ratios of the pairs (the processes of a pair run back to back, so a slow
        # phase of the shared machine weighs on both); the ratio of the two medians beside it.
        cells[7] = "%s (per pair %.3fx; medians %.3fx)" % ("met" if paired <= goal else "not met", paired, ratio)
    return cells


def print_table(rows):
    header = ["operation", "C++", "plain Python", "speed-up", "leanest C (speed-up)", "framework share (C++ / Python)",
              "target", "status"]
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(r) + " |" for r in rows]
    print("\n".join(lines), flush=True)


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def load_catalogs():
    """(the extension, the plain catalog), the stage already on sys.path."""
    import rlx.data_items.private_data_items as ext
    found = importlib.util.spec_from_file_location("plain_catalog", os.path.join(BENCH, "plain_catalog.py"))
    py = sys.modules["plain_catalog"] = importlib.util.module_from_spec(found)
    found.loader.exec_module(py)
    return ext, py


# ---------------------------------------------------------------------------
# Instructions of the custom codecs: what the clock cannot resolve (a few
# hundred nanoseconds of the module's own work inside 10-60 µs of the
# framework's Python) counted exactly, with valgrind's callgrind.

COUNT_CALLS = 200


def codec_cases(py):
    return [c for c in cases(py) if c.group == "codec"]


def count_child(m, py):
    """In a child under callgrind: an empty loop, then each codec case's operation and framework share on
    catalog `m`, each as one loop of COUNT_CALLS calls inside host_bounds.counted_loop (one dump each)."""
    import host_bounds
    host_bounds.counted_loop(lambda: None, COUNT_CALLS)
    for case in codec_cases(py):
        ns = case.setup(m)
        for stmt in (case.stmt, case.share):
            exec("def _call():\n" + "".join("    %s\n" % part for part in stmt.split("; ")), ns)
            for _ in range(50):  # the interpreter's adaptive instructions settle first, uncounted
                ns["_call"]()
            host_bounds.counted_loop(ns["_call"], COUNT_CALLS)


def count_codecs(stage, tmp, py):
    """{label: {side: (operation, framework share)}} in instructions per call, or None without valgrind."""
    if not shutil.which("valgrind"):
        return None
    counts = {}
    for side in ("c", "py"):
        out = os.path.join(tmp, "callgrind." + side)
        env = dict(os.environ, RLX_STAGE=stage, PYTHONPATH=tmp, PYTHONHASHSEED="0")
        subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no", "--toggle-collect=counted_loop",
                        "--dump-after=counted_loop", "--callgrind-out-file=" + out, PY, "-P", "-S",
                        os.path.abspath(__file__), "--count-codecs", side],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        totals = []
        for n in range(1, 2 + 2 * len(codec_cases(py))):
            with open("%s.%d" % (out, n)) as f:
                totals.append(int(next(line for line in f if line.startswith("summary:")).split()[1]))
        empty = totals[0]
        per_call = [(t - empty) / COUNT_CALLS for t in totals[1:]]
        for i, case in enumerate(codec_cases(py)):
            counts.setdefault(case.label, {})[side] = (per_call[2 * i], per_call[2 * i + 1])
    return counts


def case_row(case, samples, counted):
    """The table row of an in-process case from its samples {side: [seconds per call]}."""
    best = {side: min(v) for side, v in samples.items()}
    share, custom = None, None
    if case.share:
        share = (case.share_label, best["share c"], best["share py"])
        # The custom part: time − framework share, both measured back to back within each repeat;
        # median over the repeats, noise = the median absolute deviations of both sides added.
        own = {side: [t - f for t, f in zip(samples[side], samples["share " + side])] for side in ("c", "py")}
        mid = {side: statistics.median(v) for side, v in own.items()}
        noise = sum(statistics.median([abs(x - mid[side]) for x in v]) for side, v in own.items())
        custom = (mid["c"], mid["py"], noise, None)
        if counted and case.label in counted:
            (op_c, share_c), (op_p, share_p) = counted[case.label]["c"], counted[case.label]["py"]
            custom = custom[:3] + ((op_c - share_c, op_p - share_p),)
    return row(case.group, case.label, best["c"], best["py"], share, custom, best.get("lean"))


def table_rows(raw, py):
    """Every row of the table from the raw samples of one run (or of several, merged)."""
    rows = [case_row(case, raw[case.label], raw.get("instructions")) for case in cases(py) if case.label in raw]
    if "import" in raw:
        for heap, goal in (("cold", 0.95), ("warm", 1.0)):
            samples = raw["import"][heap]
            c, p = (statistics.median(samples[s]) for s in ("c", "py"))
            paired = statistics.median(a / b for a, b in zip(samples["c"], samples["py"]))
            rows.append(row("import", "import, %s heap (median of %d processes)"
                            % (heap, len(samples["c"])), c, p, extra=(c / p, paired, goal)))
    if "cli" in raw:
        rows += cli_rows(raw["cli"], raw["cli items"], raw["cli size"], len(raw["cli"]["tool"]["c"]),
                         raw["cli memory KiB"])
    return rows


def merge(runs):
    """The raw samples of several runs as one: every sample of every run (so a best of 7 repeats becomes a
    best of 7 × runs, a median of 101 processes one of 101 × runs), the larger peak memory, one instruction
    count (they do not vary)."""
    merged = {}
    for raw in runs:
        for key, value in raw.items():
            if key in ("cli items", "cli size", "instructions", "quick") or not isinstance(value, (dict, list)):
                merged.setdefault(key, value)
            elif key == "cli memory KiB":
                merged[key] = [max(a, b) for a, b in zip(merged.get(key, value), value)]
            else:
                def add(into, more):
                    for k, v in more.items():
                        if isinstance(v, dict):
                            add(into.setdefault(k, {}), v)
                        else:
                            into[k] = into.get(k, []) + v
                add(merged.setdefault(key, {}), value)
    return merged


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--quick", action="store_true", help="scaled down: a quick look, not figures")
    parser.add_argument("--only", help="comma-separated groups or parts of operation names")
    parser.add_argument("--json", help="write the raw samples to this file")
    parser.add_argument("--combine", nargs="+", metavar="JSON",
                        help="print the table of several runs' raw samples taken together, measure nothing")
    parser.add_argument("--against", metavar="SO",
                        help="another build's extension file: both timed alternately, in 6 processes (--processes), nothing else")
    parser.add_argument("--processes", type=int, default=6, metavar="N",
                        help="with --against: fresh processes (default 6, rounded up to even)")
    parser.add_argument("--rows-only", type=int, choices=(0, 1), help=argparse.SUPPRESS)
    parser.add_argument("--count-codecs", choices=("c", "py"), help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.processes < 1:
        parser.error("--processes must be 1 or more")
    stage = os.environ.get("RLX_STAGE")
    if not stage:
        sys.exit("RLX_STAGE is not set: run bench/run")
    stage = os.path.abspath(stage)
    sys.path.insert(0, stage)
    patterns = args.only.split(",") if args.only else None

    def wanted(group, label):
        return patterns is None or any(p == group or p in label for p in patterns)

    ext, py = load_catalogs()
    if args.count_codecs:
        count_child(ext if args.count_codecs == "c" else py, py)
        return
    if args.combine:
        runs = []
        for path in args.combine:
            with open(path) as f:
                runs.append(json.load(f))
        print("%d runs taken together: %s" % (len(runs), ", ".join(
            "load %s to %s" % (r["load at start"], r.get("load at end")) for r in runs)))
        print_table(table_rows(merge(runs), py))
        return
    rounds, round_time = (5, 0.002) if args.quick else (20, 0.01)  # of --against
    if args.rows_only is not None:  # one process of --against
        # Both builds loaded alike, neither checked, the other one first in every other process: the module
        # imported first, or checked, runs some operations faster than an identical copy beside it.
        paths = [ext.__file__, args.against]
        builds = {i: load_build(paths[i]) for i in ((1, 0) if args.rows_only else (0, 1))}
        json.dump(compare_builds(builds[0], builds[1], py, rounds, round_time, wanted), sys.stdout)
        return
    classes = check_catalog(ext, py)
    if args.against:
        # Even: each build loaded first in half of them.
        processes = 1 if args.quick else args.processes + args.processes % 2
        print("Two builds, each operation timed alternately (%d rounds of about %g ms) in each of %d processes: "
              "this %s, the other %s; Python %s, load %s\n" % (rounds, round_time * 1000, processes, ext.__file__,
                                                             args.against, platform.python_version(), loadavg()),
              flush=True)
        header = ["operation", "this", "the other", "this / other", "in each process"]
        print("\n".join(["| " + " | ".join(header) + " |", "|" + "---|" * len(header)] +
                        ["| " + " | ".join(r) + " |" for r in compare_in_processes(args, processes)]))
        print("\nthis, the other: the best round of all processes; this / other: the median over the processes "
              "of the median of one process's per-round ratios; load at end %s" % loadavg())
        return

    repeats, target, processes, cli_items, cli_runs = (3, 0.005, 7, 10_000, 1) if args.quick else \
        (7, 0.05, 101, 100_000, 3)
    started = time.time()
    print("Catalog benchmark%s: %s, %d cores, Python %s (%s), load %s\nextension %s; plain catalog checked "
          "identical to it (%d classes)\n" % (" (quick)" if args.quick else "", time.strftime("%Y-%m-%d %H:%M %Z"),
                                              os.cpu_count(), platform.python_version(), PY, loadavg(), ext.__file__,
                                              classes), flush=True)
    raw = {"load at start": loadavg(), "quick": args.quick}
    tmp = tempfile.mkdtemp(prefix="rlx-bench-")
    try:
        probes = build_probes(tmp)
        if probes and any(wanted(c.group, c.label) for c in codec_cases(py)):
            raw["instructions"] = count_codecs(stage, tmp, py)
        for case in cases(py):
            if wanted(case.group, case.label):
                raw[case.label] = time_case(case, ext, py, repeats, target, probes)
        if wanted("import", "import") or wanted("cli", "command line"):
            trees = make_trees(stage, tmp)
        if wanted("import", "import"):
            raw["import"] = time_imports(trees, processes)
        if wanted("cli", "command line"):
            encodings = [filled_item(ext, cls)._encode() for cls in declared(ext) if kind_of(ext, cls) == "item"]
            encodings += [item._encode() for item in codec_items(ext).values()]
            raw["cli"], raw["cli size"], raw["cli memory KiB"] = time_cli(trees, encodings, cli_items, cli_runs, tmp)
            raw["cli items"] = cli_items
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    print_table(table_rows(raw, py))
    spreads = [(statistics.median(v) - min(v)) / min(v) for k, s in raw.items() if isinstance(s, dict) and
               k not in ("import", "cli", "instructions") for v in s.values()]
    if spreads:
        print("\nin-process rows: best of %d repeats; the median repeat is above the best by %.1f%% "
              "(median over rows), %.0f%% at worst" % (repeats, 100 * statistics.median(spreads), 100 * max(spreads)))
    print("load at end %s; %.0f s" % (loadavg(), time.time() - started))
    if args.json:
        raw["load at end"] = loadavg()
        with open(args.json, "w") as f:
            json.dump(raw, f, indent=1)


if __name__ == "__main__":
    main()
