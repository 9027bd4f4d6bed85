#!/usr/bin/python3
"""Generates the plain-Python twin of the catalog and the floor script, from
the built extension's own introspection.

    PYTHONPATH=<stage> /usr/bin/python3 bench/make_twin.py OUTDIR

writes an importable tree under OUTDIR:

* ``OUTDIR/rlx/...``: copies of the framework, the network commands and the
  package ``rlx.data_items``, with the twin as
  ``rlx/data_items/private_data_items.py``: the same 193 classes in the same
  order, with the same bases, ``type``, ``__doc__``, ``definition`` (the
  attribute constructions with their arguments) and class attributes, and one
  plain-Python function per method of the extension, with a body that does
  what the C++ method does (none is a stub);
* ``OUTDIR/floor.py``: only the framework's own work: the same metaclass
  calls with namespaces of the same keys, the same attribute constructions
  and class attributes; every method slot holds one shared placeholder
  function, so no function object is made. The part after the line
  ``# --- timed ---`` is what the benchmark times.

Everything is compiled to bytecode (compileall) before the benchmark runs.

``method_sources(module, cls)`` is also used by ``bench/pyimpl.py``, so the
twin's methods and the Python implementations timed against the C++ codecs
are the same code.
"""

import compileall
import os
import re
import shutil
import sys
import textwrap

STANDARD_KEYS = {"__module__", "__qualname__", "__doc__", "__dict__", "__weakref__", "type", "definition"}
TIMED_MARK = "# --- timed ---"


# ---------------------------------------------------------------------------
# Introspection


def declared_classes(module):
    return [v for v in vars(module).values() if isinstance(v, type) and v.__module__ == module.__name__]


def kind_names(module):
    """Attribute kind class -> the name the module exports it under."""
    names = {}
    for name, value in vars(module).items():
        if isinstance(value, type) and issubclass(value, module.DataItemAttribute):
            names.setdefault(value, name)
    return names


def kind_name(module, attr, names=None):
    names = names or kind_names(module)
    return next((names[c] for c in type(attr).__mro__ if c in names), type(attr).__name__)


def element_class(attr):
    """The element class of a list attribute: the one attribute value that is a class with a definition
    (or the network command base, which has one too)."""
    return next(v for v in vars(attr).values() if isinstance(v, type) and hasattr(v, "definition"))


def attr_call(module, attr, names=None):
    """(kind name, argument source texts) of the construction of one definition entry."""
    kind = kind_name(module, attr, names)
    if kind == "DIListAttr":
        return kind, [repr(attr.name), element_class(attr).__name__]
    if kind in ("DIFixedLengthBytesAttr", "DIFixedLengthStrAttr"):
        return kind, [repr(attr.name), str(attr.size)]
    return kind, [repr(attr.name)]


def what(module, cls):
    if issubclass(cls, module.RLXDataItem):
        return "item"
    if issubclass(cls, module.DataItemAttribute):
        return "attrkind"
    return "record"


def methods_of(cls):
    """[(name, 'class' | 'instance')] of the class's own methods, in namespace order."""
    out = []
    for name, value in vars(cls).items():
        if name in STANDARD_KEYS or name == "__hash__":
            continue
        if isinstance(value, classmethod):
            out.append((name, "class"))
        elif callable(value) or type(value).__name__ == "instancemethod":
            out.append((name, "instance"))
    return out


def extras_of(cls):
    """Class attributes other than type, definition and methods: {name: value}."""
    methods = {n for n, _ in methods_of(cls)}
    return {k: v for k, v in vars(cls).items()
            if k not in STANDARD_KEYS and k not in methods and k != "__hash__"}


def context(cls, name):
    """The class context the builder handed to a method: [globals, class, names, params, flags]."""
    fn = vars(cls)[name]
    fn = getattr(fn, "__func__", fn)
    return fn.__self__


def literal(value):
    """Source text of a class attribute value; only plain literals are expected."""
    if isinstance(value, dict) and not value:
        return "{}"
    if isinstance(value, list) and all(isinstance(v, str) for v in value):
        return repr(value)
    raise ValueError("class attribute value %r has no literal form" % (value,))


# ---------------------------------------------------------------------------
# Method bodies: what each C++ method does, written as Python.


def _bounded_decode(bounds):
    """Source of a _decode that walks the definition with the given lists bounded
    by their counts: bounds = [(list name, count name, element size)]."""
    lines = ["def _decode(self):",
             "    for attr in type(self).definition:",
             "        name = attr.name",
             "        data = self.di_data",
             "        chunk = data"]
    for i, (lst, count, size) in enumerate(bounds):
        lines += ["        %s name == %r:" % ("if" if i == 0 else "elif", lst),
                  "            count = self.%s" % count,
                  "            have = len(data)",
                  "            chunk = data[:0 if count <= 0 else (have if count > have // %d else count * %d)]"
                  % (size, size)]
    lines += ["        value, used = attr._decode(chunk)",
              "        if used < 0 or used > len(chunk):",
              "            raise ValueError('attribute %r consumed %d of %d bytes' % (name, used, len(chunk)))",
              "        self.di_data = data[used:]",
              "        setattr(self, name, value)",
              "    self.di_data = None"]
    return "\n".join(lines) + "\n"


def _recounting_encode(pairs):
    lines = ["def _encode(self):"]
    lines += ["    self.%s = len(self.%s)" % (count, lst) for count, lst in pairs]
    lines += ["    return RLXDataItem._encode(self)"]
    return "\n".join(lines) + "\n"


# Bit-field accessors: (attribute, mask or None, shift, as truth value).
_FIELDS = {
    "get_command_type": ("command_type_length", None, 10, False),
    "get_command_length": ("command_type_length", 0x3FF, 0, False),
    "get_reported_pin_bank": ("pin_bank", 0x1F, 0, False),
    "get_send_report_flag": ("pin_bank", None, 7, True),
    "get_poll_interval": ("data", None, 5, False),
    "get_change_report_flag": ("data", 0x18, 3, False),
    "get_pin_configuration": ("data", 0x07, 0, False),
    "get_hardware_version": ("hardware_version", 0x1F, 0, False),
    "get_ota_upgrade": ("hardware_version", 0x20, 0, True),
    "get_almanac_flag": ("flags", 0x20, 0, True),
    "get_firmware_flag": ("flags", 0x40, 0, True),
    "get_content_flag": ("flags", 0x80, 0, True),
}


def _field(name):
    attr, mask, shift, flag = _FIELDS[name]
    expr = "self.%s" % attr
    if mask is not None:
        expr = "(%s & 0x%X)" % (expr, mask)
    if shift:
        expr = "(%s >> %d)" % (expr, shift)
    if flag:
        expr = "%s != 0" % expr
    return "def %s(self):\n    return %s\n" % (name, expr)


_AOA_V4 = "{}, 0x{:04X}, {}, {}, 0x{:02X}, {}, {}, {}, {}, {}, {}, {}, {}"
_AOA_VALUES = ("self.rlx_header_serial, self.type, self.rx_interface_id, self.source_serial_number, "
               "self.packet_type, self.channel, self.tx_sequence, self.rx_dt, self.rx_nt, self.rc_phase, "
               "self.fp_index / 64.0, self.signal_strength, struct.unpack('<8h', self.acc_mem)")

# Self-calibration lines: format, number of paths, led by the source serial, tail fields.
_CALIBRATION = {
    "SelfCalibrationDebug": (
        "{}, 0x{:04X}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}", 5, False, ()),
    "SelfCalibrationDebugV2": (
        "{}, 0x{:04X}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}, {}, {}", 6, False,
        ("num_interfaces",)),
    "SelfCalibrationDebugV3": (
        "{}, 0x{:04X}, {}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}, {}, {}", 6, True,
        ("num_interfaces",)),
    "SelfCalibrationDebugV4": (
        "{}, 0x{:04X}, {}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}, {}, {}, {}", 6, True,
        ("num_interfaces", "channel")),
}

_POSITION_PARAMS = ("channel", "distance", "azimuth", "elevation", "pos_quality", "dist_quality",
                    "sum_of_phase_error", "dt_search_angle", "short_dt_angular_difference",
                    "long_dt_angular_difference", "num_interfaces")

_PLACEHOLDER = """\
try:
    cls = ExecuteDeviceCommandV2.cmd_classes[{t}]
except KeyError:
    # object.__class__ is the host's class constructor (the parameter `type` may hide the builtin).
    cls = object.__class__("Unknown0x%02X" % {t}, (UWBNetworkCommandItem,), {{"type": {t}}})
    cls.__module__ = __name__
    ExecuteDeviceCommandV2.cmd_classes[{t}] = cls
"""


def _placeholder(t, indent):
    return textwrap.indent(_PLACEHOLDER.format(t=t), " " * indent)


_FIXED_SOURCES = {
    ("ExecuteDeviceCommandV2", "register_cmd_item"): """\
def register_cmd_item(cls, cmd_class):
    cls.cmd_classes[cmd_class.type] = cmd_class
""",
    ("ExecuteDeviceCommandV2", "get_known_cmd_types"): """\
def get_known_cmd_types(cls):
    print(", ".join(["0x{:02X}".format(t) for t in sorted(cls.cmd_classes)]))
""",
    ("ExecuteDeviceCommandV2", "add_uwb_network_command"): """\
def add_uwb_network_command(self, destination_group=0, type=0, length=0, data=0):
""" + _placeholder("type", 4) + """\
    self.commands.append(cls(destination_group, length, data))
""",
    ("ExecuteDeviceCommandV2", "_encode"): """\
def _encode(self):
    body = b"".join([command._encode(2) for command in self.commands])
    size = self.di_size = len(body)
    return struct.pack("<HH", self.type, size) + body
""",
    ("ExecuteDeviceCommandV2", "_decode"): """\
def _decode(self):
    self.commands = commands = []
    while self.di_data:
        data = self.di_data
        group, t, n = struct.unpack("<IBH", data[:7])
        payload = data[7:7 + n]
""" + _placeholder("t", 8) + """\
        commands.append(cls(group, n, payload))
        self.di_data = data[7 + n:]
    self.di_data = None
""",
    ("ExecuteDeviceCommandV2", "__str__"): """\
def __str__(self):
    return "\\n".join(["0x{:04X}, {}:".format(self.type, self.di_size)] + [str(command) for command in self.commands])
""",
    ("PinConfig", "__str__"): "def __str__(self):\n    return str(self.data)\n",
    ("PinConfig", "__repr__"): "def __repr__(self):\n    return str(self.data)\n",
    ("PinConfig", "__eq__"): """\
def __eq__(self, other):
    if isinstance(other, PinConfig):
        return self.data == other.data
    if isinstance(other, int):
        return self.data == other
    return False
""",
    ("PowerReport", "add_port_information"): """\
def add_port_information(self, voltage=0, current=0):
    self.port_information.append(PortInformation(voltage, current))
""",
    ("RFAgilityWrite", "add_bucket_settings"): """\
def add_bucket_settings(self, channel=0, rpf=0, preamble_code=0, preamble_length=0, bit_rate=0, power_mode=0,
                        phr_power=0, data_power=0, on_time=0, initial_off_time=0, backoff=0, max_off_time=0):
    self.bucket_settings.append(BucketSettings(channel, rpf, preamble_code, preamble_length, bit_rate, power_mode,
                                               phr_power, data_power, on_time, initial_off_time, backoff,
                                               max_off_time))
""",
    ("AcknowledgeListResponse", "add_acknowledged_serial"): """\
def add_acknowledged_serial(self, serial_number):
    self.acknowledged_serials.append(NorvaneSerialNumber(serial_number))
    self.num_acknowledged += 1
""",
    ("AcknowledgeListResponse", "add_not_acknowledged_serial"): """\
def add_not_acknowledged_serial(self, serial_number):
    self.not_acknowledged_serials.append(NorvaneSerialNumber(serial_number))
    self.num_not_acknowledged += 1
""",
    ("AcknowledgeListResponse", "_encode"): _recounting_encode(
        [("num_acknowledged", "acknowledged_serials"), ("num_not_acknowledged", "not_acknowledged_serials")]),
    ("AcknowledgeListResponse", "_decode"): _bounded_decode(
        [("acknowledged_serials", "num_acknowledged", 4), ("not_acknowledged_serials", "num_not_acknowledged", 4)]),
    ("ForceConflict", "add_serial_number"): """\
def add_serial_number(self, serial_number):
    self.serial_numbers.append(NorvaneSerialNumber(serial_number))
    self.device_count += 1
""",
    ("SetProtectedPersistentProperty", "set_persistent_property"):
        "def set_persistent_property(self):\n    self.config = 1\n",
    ("SetProtectedPersistentProperty", "clear_persistent_property"):
        "def clear_persistent_property(self):\n    self.config = 0\n",
    ("ParticleUpdaterStats", "image_name"): """\
def image_name(self):
    entries = ParticleUpdaterStats.image_names
    value = self.image_type
    if value < len(entries) and value >= 0:
        return entries[value]
    return "?"
""",
    ("ParticleUpdaterStats", "sector_status"): """\
def sector_status(self):
    entries = ParticleUpdaterStats.status_strings
    value = self.status
    if value < len(entries) and value >= 0:
        return entries[value]
    return "?"
""",
    ("DomainInformation", "__init__"): """\
def __init__(self):
    self.nt64 = 0
    self.domaint = 0
    self.quality = 0
    self.slope = 0.0
    self.intercept = 0
""",
    ("DomainInformation", "__str__"): """\
def __str__(self):
    return f"{self.nt64}, {self.domaint}, {self.quality}, {self.slope}, {self.intercept}"
""",
    ("DIDomainInfoAttr", "__init__"): """\
def __init__(self, name):
    DataItemAttribute.__init__(self, name, "QQqfq", 36, DomainInformation())
""",
    ("DIDomainInfoAttr", "_encode"): """\
def _encode(self, domain_info):
    return struct.pack("<QQqfq", domain_info.nt64, domain_info.domaint, domain_info.quality, domain_info.slope,
                       domain_info.intercept)
""",
    ("DIDomainInfoAttr", "_decode"): """\
def _decode(self, data):
    info = DomainInformation()
    info.nt64, info.domaint, info.quality, info.slope, info.intercept = struct.unpack_from("<QQqfq", data)
    return info, 36
""",
    ("RadarPositionDebugData", "__init__"):
        "def __init__(self, " + ", ".join("%s=0" % p for p in _POSITION_PARAMS) + ", interface_data=None):\n"
        + "".join("    self.%s = %s\n" % (p, p) for p in _POSITION_PARAMS)
        + "    self.interface_data = [] if interface_data is None else interface_data\n",
    ("RadarPositionDebugData", "__str__"): """\
def __str__(self):
    parts = []
    for attr in self.definition:
        name = attr.name
        if name == "interface_data":
            records = self.interface_data
            for i in range(self.num_interfaces):
                parts.append(str(records[i]))
        else:
            parts.append(str(getattr(self, name)))
            parts.append(", ")
    return "".join(parts)
""",
    ("RadarDebugV5", "_decode"): """\
def _decode(self):
    for attr in type(self).definition:
        name = attr.name
        if name == "position_data":
            value = []
            while True:
                data = self.di_data
                have = len(data)
                if have == 0:
                    break
                head = data[:18]
                fixed, used = attr._decode(head)
                if used < 0 or used > len(head):
                    raise ValueError("attribute %r consumed %d of %d bytes" % (name, used, len(head)))
                count = fixed[0].num_interfaces
                if count <= 0:
                    length = 18
                elif count <= (have - 18) // 25:
                    length = 18 + count * 25
                else:
                    length = have
                chunk = data[:length]
                records, used = attr._decode(chunk)
                if used < 0 or used > len(chunk):
                    raise ValueError("attribute %r consumed %d of %d bytes" % (name, used, len(chunk)))
                if used == 0:
                    raise ValueError("attribute %r consumed no bytes of a %d-byte position record"
                                     % (name, len(chunk)))
                self.di_data = data[used:]
                value.append(records[0])
        else:
            data = self.di_data
            value, used = attr._decode(data)
            if used < 0 or used > len(data):
                raise ValueError("attribute %r consumed %d of %d bytes" % (name, used, len(data)))
            self.di_data = data[used:]
        setattr(self, name, value)
    self.di_data = None
""",
    ("DamrPacket", "__str__"): """\
def __str__(self):
    return "0x%s, %s" % (format(self.damr_type, "02X"), hex(int.from_bytes(self.packet, "little")))
""",
    ("AngleOfArrivalV4", "__str__"):
        "def __str__(self):\n    return %r.format(%s)\n" % (_AOA_V4, _AOA_VALUES),
    ("AngleOfArrivalV6", "__str__"):
        "def __str__(self):\n    return %r.format(%s, self.ip_poa)\n" % (_AOA_V4 + ", {}", _AOA_VALUES),
}

for _name in ("MrTransmissionV1", "MrReceptionV1"):
    _FIXED_SOURCES[(_name, "_encode")] = _recounting_encode([("number_of_mr_packets", "mr_rx_list")])
    _FIXED_SOURCES[(_name, "_decode")] = _bounded_decode([("mr_rx_list", "number_of_mr_packets", 18)])
for _name in ("PeriodicSystemOwnershipReport", "PeriodicSystemOwnershipReportV2"):
    _FIXED_SOURCES[(_name, "_encode")] = _recounting_encode(
        [("num_tags_owned", "owned_tags"), ("num_tags_unowned", "tag_ownership_reports")])
    _FIXED_SOURCES[(_name, "_decode")] = _bounded_decode([("owned_tags", "num_tags_owned", 4)])
for _name, (_fmt, _paths, _source, _tail) in _CALIBRATION.items():
    _values = ["self.rlx_header_serial", "self.type"] + (["self.source_serial_number"] if _source else [])
    _values += ["self.network_time"]
    _values += ["self.phase_cal_%d * 180.0 / math.pi" % i for i in range(_paths)]
    _values += ["self.dt_cal_%d" % i for i in range(_paths)] + ["self.%s" % t for t in _tail]
    _FIXED_SOURCES[(_name, "__str__")] = "def __str__(self):\n    return %r.format(%s)\n" % (_fmt, ", ".join(_values))


def method_source(module, cls, name):
    """Python source of the method `name` of `cls`, a top-level `def`."""
    key = (cls.__name__, name)
    if key in _FIXED_SOURCES:
        return _FIXED_SOURCES[key]
    if name in _FIELDS:
        return _field(name)
    if name == "add_serial_number":
        return ("def add_serial_number(self, serial_number):\n"
                "    self.serial_numbers.append(NorvaneSerialNumber(serial_number))\n")
    if name == "add_pin_configurations":
        lst = "config_options" if cls.__name__ == "PinConfiguration" else "pin_configurations"
        return "def add_pin_configurations(self, data):\n    self.%s.append(PinConfig(data))\n" % lst
    if what(module, cls) == "record" and name in ("__init__", "__str__"):
        ctx = context(cls, name)
        names, params, flags = ctx[2], ctx[3], ctx[4]
        if name == "__init__":
            lines = ["def __init__(self%s):" % "".join(", %s=0" % p for p in params)]
            for n, p, f in zip(names, params, flags):
                lines.append("    self.%s = %s" % (n, "NorvaneSerialNumber(%s)" % p if f & 1 else p))
            if not names:
                lines.append("    pass")
            return "\n".join(lines) + "\n"
        return "def __str__(self):\n    return f%r\n" % ", ".join("{self.%s!s}" % n for n in names)
    raise KeyError("no Python body for %s.%s" % key)


def method_sources(module, cls):
    """[(name, 'class' | 'instance', source)] of every method of the class."""
    return [(n, k, method_source(module, cls, n)) for n, k in methods_of(cls)]


# ---------------------------------------------------------------------------
# Generation


def _definition_source(module, cls, names, indent):
    calls = ["%s(%s)" % (k, ", ".join(a)) for k, a in (attr_call(module, x, names) for x in cls.definition)]
    if not calls:
        return "[]"
    pad = " " * (indent + 4)
    return "[\n" + "".join("%s%s,\n" % (pad, c) for c in calls) + " " * indent + "]"


def _bases(module, cls):
    kind = what(module, cls)
    return {"item": "RLXDataItem", "attrkind": "DataItemAttribute", "record": ""}[kind]


HEADER = '''"""Plain-Python twin of the private data item catalog: the same classes in the
same order, written as an ordinary Python module on the same framework.
Generated by bench/make_twin.py for the import benchmark; not part of the product."""

from rlx.rlx import *
from rlx.private_network_commands import UWBNetworkCommandItem
import math
'''


def twin_source(module):
    names = kind_names(module)
    out = [HEADER]
    for cls in declared_classes(module):
        bases = _bases(module, cls)
        out.append("\n\nclass %s%s:\n" % (cls.__name__, "(%s)" % bases if bases else ""))
        body = []
        if cls.__doc__ is not None:
            body.append("    %s\n" % repr(cls.__doc__))
        if "type" in vars(cls):
            body.append("    type = 0x%04X\n" % cls.type)
        if "definition" in vars(cls):
            body.append("    definition = %s\n" % _definition_source(module, cls, names, 4))
        for k, v in extras_of(cls).items():
            body.append("    %s = %s\n" % (k, literal(v)))
        for name, bind, src in method_sources(module, cls):
            body.append("\n" + ("    @classmethod\n" if bind == "class" else "") + textwrap.indent(src, "    "))
        out.append("".join(body) or "    pass\n")
    return "".join(out)


def floor_source(module):
    names = kind_names(module)
    out = ['"""Floor of the import benchmark: the framework\'s own work for the catalog, nothing else.',
           'Generated by bench/make_twin.py."""',
           "from rlx.rlx import *",
           "from rlx.private_network_commands import UWBNetworkCommandItem",
           "import math",
           "",
           "def _method(*args, **kwargs):",
           "    pass",
           "",
           "_class_method = classmethod(_method)",
           "_MODULE = 'rlx.data_items.private_data_items'",
           "_ITEM_META = type(RLXDataItem)",
           "_ATTR_META = type(DataItemAttribute)",
           "_ITEM_BASES = (RLXDataItem,)",
           "_ATTR_BASES = (DataItemAttribute,)",
           "_NO_BASES = ()",
           TIMED_MARK]
    for cls in declared_classes(module):
        kind = what(module, cls)
        entries = ["'__module__': _MODULE", "'__qualname__': %r" % cls.__name__, "'__doc__': %r" % cls.__doc__]
        if "type" in vars(cls):
            entries.append("'type': 0x%04X" % cls.type)
        if "definition" in vars(cls):
            entries.append("'definition': %s" % _definition_source(module, cls, names, 4))
        for k, v in extras_of(cls).items():
            entries.append("%r: %s" % (k, literal(v)))
        for name, bind in methods_of(cls):
            entries.append("%r: %s" % (name, "_class_method" if bind == "class" else "_method"))
        meta, bases = {"item": ("_ITEM_META", "_ITEM_BASES"), "attrkind": ("_ATTR_META", "_ATTR_BASES"),
                       "record": ("type", "_NO_BASES")}[kind]
        out.append("%s = %s(%r, %s, {\n    %s,\n})" % (cls.__name__, meta, cls.__name__, bases,
                                                     ",\n    ".join(entries)))
    return "\n".join(out) + "\n"


def write_tree(module, outdir, top):
    """Writes the twin tree and the floor script under `outdir`; `top` is the checkout."""
    pkg = os.path.join(outdir, "rlx")
    os.makedirs(os.path.join(pkg, "data_items"), exist_ok=True)
    for name in ("__init__.py", "rlx.py", "private_network_commands.py"):
        shutil.copyfile(os.path.join(top, "rlx", name), os.path.join(pkg, name))
    shutil.copyfile(os.path.join(top, "rlx", "data_items", "__init__.py"),
                    os.path.join(pkg, "data_items", "__init__.py"))
    with open(os.path.join(pkg, "data_items", "private_data_items.py"), "w") as f:
        f.write(twin_source(module))
    with open(os.path.join(outdir, "floor.py"), "w") as f:
        f.write(floor_source(module))
    if not compileall.compile_dir(outdir, quiet=1):
        raise RuntimeError("compileall failed in %s" % outdir)


def method_count(module):
    return sum(len(methods_of(c)) for c in declared_classes(module))


# ---------------------------------------------------------------------------
# Description, for checking the twin against the extension (each in its own process).


def dump(module, value, depth=0):
    """A JSON-able canonical form of a value."""
    if depth > 6:
        return "..."
    if isinstance(value, module.NorvaneSerialNumber):
        return ["serial", int(value)]
    if isinstance(value, (bool, int, float, str)) or value is None:
        return value
    if isinstance(value, (bytes, bytearray, memoryview)):
        return ["bytes", bytes(value).hex()]
    if isinstance(value, (list, tuple)):
        return [dump(module, v, depth + 1) for v in value]
    if isinstance(value, type):
        return ["class", value.__name__, [b.__name__ for b in value.__bases__]]
    if isinstance(value, dict):
        return {str(k): dump(module, v, depth + 1) for k, v in value.items()}
    attrs = getattr(value, "__dict__", None)
    if attrs is not None:
        return ["object", type(value).__name__,
                {k: dump(module, v, depth + 1) for k, v in sorted(attrs.items()) if k != "_struct"}]
    return ["text", str(value)]


def _try(fn):
    try:
        return fn()
    except Exception as exc:  # the error itself is part of the behaviour compared
        return ["error", type(exc).__name__]


def _probe_item(module, cls):
    import contextlib
    import io
    out = {}
    item = cls()
    for name, _ in methods_of(cls):
        if name in _FIELDS or name in ("image_name", "sector_status"):
            out[name] = _try(getattr(item, name))
    calls = {"add_serial_number": (7,), "add_acknowledged_serial": (7,), "add_not_acknowledged_serial": (8,),
             "add_pin_configurations": (0x35,), "add_port_information": (1, 2),
             "add_bucket_settings": tuple(range(12)), "add_uwb_network_command": (1, 0x2B, 2, b"ab"),
             "set_persistent_property": (), "clear_persistent_property": ()}
    for name, args in calls.items():
        if hasattr(cls, name):
            out["call " + name] = _try(lambda: getattr(item, name)(*args))
    if hasattr(cls, "get_known_cmd_types"):
        text = io.StringIO()
        with contextlib.redirect_stdout(text):
            cls.get_known_cmd_types()
        out["get_known_cmd_types"] = text.getvalue()
    wire = _try(item._encode)
    out["encode"] = dump(module, wire)
    out["fields"] = dump(module, {k: v for k, v in vars(item).items()})
    out["str"] = _try(lambda: re.sub(r" at 0x[0-9a-f]+", "", str(item)))
    if isinstance(wire, bytes):
        back = cls()
        back.di_data = wire[4:]
        _try(back._decode)
        out["decoded"] = dump(module, dict(vars(back)))
    return out


def _probe_record(module, cls):
    out = {"default": _try(lambda: dump(module, cls()))}
    for label, fn in (("str", str), ("repr", repr)):
        if "__" + label + "__" in vars(cls):
            out[label] = _try(lambda: fn(cls()))
    if "definition" in vars(cls) and "__init__" in vars(cls):
        args = tuple(range(1, len(cls.definition) + 1))
        out["built"] = _try(lambda: dump(module, cls(*args)))
        if "__str__" in vars(cls):
            out["built str"] = _try(lambda: str(cls(*args)))
    if "__eq__" in vars(cls):
        out["eq"] = _try(lambda: [cls(3) == cls(3), cls(3) == 3, cls(3) == "3", cls(3) == cls(4)])
    return out


def _probe_attrkind(module, cls):
    attr = cls("x")
    info = module.DomainInformation()
    info.nt64, info.domaint, info.quality, info.slope, info.intercept = 1, 2, -3, 0.5, -4
    wire = _try(lambda: attr._encode(info))
    return {"attr": dump(module, attr), "encode": dump(module, wire),
            "decode": _try(lambda: dump(module, attr._decode(bytes(range(40)))))}


def describe(module):
    """Everything the benchmark compares between the extension and its twin."""
    names = kind_names(module)
    out = []
    for cls in declared_classes(module):
        kind = what(module, cls)
        entry = {"name": cls.__name__, "what": kind, "bases": [b.__name__ for b in cls.__bases__],
                 "meta": type(cls).__name__, "doc": cls.__doc__, "qualname": cls.__qualname__,
                 "type": vars(cls).get("type"), "methods": methods_of(cls),
                 "extras": dump(module, extras_of(cls))}
        if "definition" in vars(cls):
            entry["definition"] = [[kind_name(module, a, names), dump(module, a)] for a in cls.definition]
        probe = {"item": _probe_item, "record": _probe_record, "attrkind": _probe_attrkind}[kind]
        entry["probe"] = probe(module, cls)
        out.append(entry)
    return out


def main(argv):
    if len(argv) != 2:
        sys.exit("usage: make_twin.py OUTDIR")
    import rlx.data_items.private_data_items as module
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    write_tree(module, argv[1], top)
    print("%d classes, %d methods -> %s" % (len(declared_classes(module)), method_count(module), argv[1]))


if __name__ == "__main__":
    main(sys.argv)
