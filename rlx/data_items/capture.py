"""Reading captures of the private data items and turning items into plain data and back.

The public Python API behind the command-line tool: the tool's ``decode`` and
``encode`` use these functions and nothing else to frame, decode and convert.

A capture is a stream of items, each a type code (u16 little-endian), a payload
length (u16 little-endian) and the payload, back to back, either as raw bytes
or as hex text (whitespace anywhere, ``#`` comments to the end of a line, a
UTF-8 byte-order mark, CRLF line ends). Captures are read in chunks, never
whole, however long their lines::

    from rlx.data_items import capture

    with open("capture.bin", "rb") as f:                # binary or hex text, told apart
        for offset, item in capture.iter_items(f, on_diagnostic=print):
            print(offset, type(item).__name__)

    data = capture.to_data(item)       # dicts, lists, numbers and text: json.dumps() writes it
    same = capture.from_data(data)     # a new item; same._encode() gives the item's bytes back

``filter`` selects items by their fields, ``iter_items(f, filter="port_information.voltage > 1000")``
(the expressions of :mod:`rlx.data_items.filters`, as ``decode -Y`` takes them).

Layouts (:func:`layout`: each field's kind, offset and width, a list's element class) and count fields are
what the catalog's rows declare, asked of the catalog module through ``rlx.data_items._capture.declarations``
(:func:`declarations`). On a catalog module built without that entry point the same is found out from the
classes' ``definition`` entries and by trial encodes.

What cannot be decoded (an unknown type code, a payload too short for its
item, a stream that ends inside an item, a mistake in hex text) is reported as
a :class:`Diagnostic`, to ``on_diagnostic`` when one is given, else raised as
:class:`CaptureError`. A payload longer than its item's layout decodes, with a
warning diagnostic naming the bytes left over (reported to ``on_diagnostic``
only).

Plain data of an item: ``{"class": "TickV2", "type": "0x8015", "fields": {...}}``.
Field values map to JSON types one to one: integers and booleans as
themselves, finite floats as numbers and the others as the strings ``"NaN"``,
``"Infinity"`` and ``"-Infinity"`` (a NaN with a payload of its own as
``"NaN(0x...)"``, its 64 bits, so that it encodes back bit for bit), text as
strings, bytes as ``{"bytes": "<hex>"}``, serial numbers as ``{"serial": n}``,
lists (nested ones too) as arrays, records as objects of their fields, and the
network commands of a command list as ``{"group": g, "type": "0x2A",
"length": n, "data": {"bytes": "<hex>"}}``, read from the command's own frame;
``value_data(value)`` gives one value's plain data. The output is strict JSON
(RFC 8259) whatever the payload held.
"""

from __future__ import annotations

import binascii
import functools
import itertools
import math
import operator
import re
import struct
from types import ModuleType
from typing import TYPE_CHECKING, Any, Callable, Dict, Iterable, Iterator, List, NamedTuple, NoReturn, Sequence, Tuple, Union

import importlib

if TYPE_CHECKING:
    from typing import Protocol

    from rlx.rlx import DataItemAttribute, NorvaneSerialNumber, RLXDataItem

    class Readable(Protocol):
        """A binary stream: a file opened for reading bytes, a pipe, a socket's file."""

        def read(self, size: int, /) -> bytes: ...

    class DisplayFilter(Protocol):
        """A display filter as compiled (rlx.data_items.filters.Filter): what a capture asks of it."""

        def pairs(self, capture: Capture, /) -> Iterator[tuple[int, RLXDataItem]]: ...

    class Texts(Protocol):
        """rlx.data_items._capture.Texts: the text of a field value, and the tool's line functions."""

        def __call__(self, value: object, /) -> str: ...
        def line(self, head: str, names: tuple[str, ...] | None, /) -> Callable[[Any, Any], str]: ...
        def json_line(self, head: str, names: tuple[str, ...], data: Callable[[Any], Any], own_text: bool,
                      fallback: Callable[[Any, Any], str], converters: dict[type, Any], /) \
            -> Callable[[Any, Any], str]: ...
        def lines(self, frames: list[Any], decode: Callable[[Any], Any], lines: dict[int, Any],
                  line_for: Callable[[Any, Any, Any], Any], robust: Callable[[Any, Any], str], /) -> str: ...

# The tool's framing loop and text lines, in C++ (rlx.data_items._capture).
_capture: Any = importlib.import_module("rlx.data_items._capture")

Bytes = Union[bytes, bytearray, memoryview]
# A frame of a capture: the item's byte offset, its type code and its payload.
Frame = Tuple[int, int, bytes]
# What a capture is read from: its bytes, its hex text, or a binary stream.
Source = Union[bytes, bytearray, memoryview, str, "Readable"]
# Plain data of a value (what json.dumps writes): numbers, text, None, lists and objects of them.
PlainData = Union[None, bool, int, float, str, List["PlainData"], Dict[str, "PlainData"]]

__all__ = ["catalog", "Capture", "CaptureError", "Diagnostic", "Field", "iter_items", "to_data", "from_data",
           "item_classes", "declared_classes", "declarations", "layout", "fixed_size", "kind_name", "element_class",
           "own_text", "record_fields", "command_frame", "value_data", "SERIAL_MAX", "undecoded_data",
           "undecoded_bytes"]

SERIAL_MAX = 0xFFFFFFFF          # a serial number is 4 bytes on the wire
CHUNK = 1 << 16                  # bytes read at a time

_HEADER = struct.Struct("<HH")
_DOUBLE_BITS = struct.Struct("<Q")
_DOUBLE = struct.Struct("<d")
_COMMAND_HEADER = struct.Struct("<IBH")
_QUIET_NAN = 0x7FF8000000000000


_MODULE: list[ModuleType] = []


def catalog() -> ModuleType:
    """The catalog module, imported on first use."""
    if not _MODULE:
        from rlx.data_items import private_data_items
        _MODULE.append(private_data_items)
    return _MODULE[0]


# ---------------------------------------------------------------------------
# The catalog's classes and layouts


def declared_classes(module: ModuleType | None = None) -> list[type]:
    """The classes the catalog declares, in declaration order."""
    module = module or catalog()
    return [v for v in vars(module).values() if isinstance(v, type) and v.__module__ == module.__name__]


_ITEMS: dict[int, type[RLXDataItem]] | None = None


def item_classes() -> dict[int, type[RLXDataItem]]:
    """{type code: item class} of every item class of the catalog."""
    global _ITEMS
    if _ITEMS is None:
        module = catalog()
        _ITEMS = {getattr(c, "type"): c for c in declared_classes(module)
                  if issubclass(c, module.RLXDataItem) and isinstance(getattr(c, "type"), int)}
    return _ITEMS


def _code(cls: type) -> int:
    """The type code of an item class."""
    code: int = getattr(cls, "type")
    return code


_FLOAT_KINDS = frozenset(["DIFloatAttr", "DIDoubleAttr"])
# Kinds that take the rest of the payload, and the width of one element where they are lists.
_REST_KINDS: dict[str, int | None] = {"DIListAttr": None, "DISerialNumberListAttr": 4, "DIUInt16ListAttr": 2,
                                      "DIVariableLengthBytesAttr": 1, "DIVariableLengthStrAttr": 1}
_EXPORTED: dict[type, list[str]] = {}  # class -> the names the catalog module binds it under


def kind_name(attr: DataItemAttribute) -> str:
    """The name the framework exports an attribute's kind under (``DIUInt32Attr``, ``DIDomainInfoAttr``...);
    the names of its classes are its own affair, so the name is looked up among the catalog's attributes."""
    if not _EXPORTED:
        for key, value in vars(catalog()).items():
            if isinstance(value, type) and not key.startswith("_"):
                _EXPORTED.setdefault(value, []).append(key)
    for cls in type(attr).__mro__:
        names = _EXPORTED.get(cls)
        if names:
            return cls.__name__ if cls.__name__ in names else names[0]
    return type(attr).__name__


def element_class(attr: object) -> type | None:
    """The element class a list attribute was built with: the one value it holds that is a class (where
    the framework keeps it is its own affair); None if there is no such value."""
    found = [v for v in vars(attr).values() if isinstance(v, type)]
    return found[0] if len(found) == 1 else None


class Field(NamedTuple):
    """One field of a payload layout: ``offset`` in the payload (None after a field of variable width),
    ``size`` in bytes (None: the rest of the payload), ``element`` the element class of a list of records
    (else None)."""

    name: str
    kind: str
    offset: int | None
    size: int | None
    element: type | None


_DECLARED: list[dict[type, dict[str, Any]]] = []


def declarations() -> dict[type, dict[str, Any]]:
    """{class: what its rows declare} of the catalog's classes, as ``rlx.data_items._capture.declarations``
    gives it (fields with kinds, offsets and widths, list element classes, count fields, methods), made
    once. Empty when the catalog module does not tell (a build without the entry point, or a ``_capture``
    without the function): the functions below then find it all out from the classes, by reflection."""
    if not _DECLARED:
        module = catalog()
        ask = getattr(_capture, "declarations", None)
        found: dict[type, dict[str, Any]] = {}
        for entry in (ask(module) if ask is not None else None) or ():
            cls = vars(module).get(entry["name"])
            if isinstance(cls, type):
                found[cls] = entry
        _DECLARED.append(found)
    return _DECLARED[0]


def _declared_fields(entry: dict[str, Any]) -> list[Field]:
    module = catalog()
    return [Field(name, kind, offset, size, getattr(module, element) if element else None)
            for name, kind, offset, size, element in entry["fields"]]


def layout(cls: type) -> list[Field]:
    """The payload layout of an item or record class as a list of :class:`Field`, in wire order."""
    entry = declarations().get(cls)
    if entry is not None and entry["definition"]:
        return _declared_fields(entry)
    definition = getattr(cls, "definition", None)
    if not isinstance(definition, list):
        return []
    fields: list[Field] = []
    offset: int | None = 0
    for attr in definition:
        kind = kind_name(attr)
        rest = kind in _REST_KINDS
        element = element_class(attr) if kind == "DIListAttr" else None
        fields.append(Field(attr.name, kind, offset, None if rest else attr.size, element))
        offset = None if rest or offset is None else offset + attr.size
    return fields


def fixed_size(cls: type) -> int | None:
    """The payload size of a class whose fields all have fixed widths, else None."""
    fields = layout(cls)
    if any(f.size is None for f in fields):
        return None
    return sum(f.size or 0 for f in fields)


def _element_size(field: Field) -> int | None:
    """Bytes per element of a field that takes the rest of the payload; None if elements vary."""
    if field.kind != "DIListAttr":
        return _REST_KINDS.get(field.kind)
    return fixed_size(field.element) if field.element is not None else None


def _has_own(cls: type, name: str) -> bool:
    """Whether an item class defines ``name`` (``_encode``, ``_decode``, ``__str__``) below the framework's base."""
    entry = declarations().get(cls)
    if entry is not None:
        return name in entry["methods"]
    module = catalog()
    return any(name in vars(k) for k in cls.__mro__[:cls.__mro__.index(module.RLXDataItem)])


def _has_own_decoder(cls: type) -> bool:
    return _has_own(cls, "_decode")


# Kinds whose decoding keeps every bit of the bytes it takes, so that encoding the value gives them back:
# integers, serial numbers and their lists are exact, a double is unpacked bit for bit, bytes are the
# bytes; a list of records is as exact as its element's kinds. A single is exact but for a signalling
# NaN (unpacked to a double it comes back quieted). The other kinds are the framework's to convert.
_EXACT_KINDS = frozenset({"DIUInt8Attr", "DIUInt16Attr", "DIUInt32Attr", "DIUInt64Attr", "DIInt8Attr",
                          "DIInt16Attr", "DIInt32Attr", "DIInt64Attr", "DIDoubleAttr", "DISerialNumberAttr",
                          "DISerialNumberListAttr", "DIUInt16ListAttr", "DIFixedLengthBytesAttr",
                          "DIVariableLengthBytesAttr"})
_FAITHFUL: dict[type, Callable[[Any, bytes], bool] | None] = {}


def _exact_field(field: Field, attr: Any) -> bool:
    """Whether a field keeps every bit: a kind that does, or a list of records whose every field does."""
    if field.kind != "DIListAttr":
        return _kept_whole(field, attr)
    element = field.element
    definition = getattr(element, "definition", None)
    return element is not None and bool(definition) and \
        all(_exact_field(f, a) for f, a in zip(layout(element), definition or ()))


def _encodes_back(item: Any, payload: bytes) -> bool:
    try:
        wire = item._encode()
    except Exception:  # decoded, but a value it cannot encode: not these bytes either
        return False
    return bool(wire[4:] == payload)


_LIST_KINDS = frozenset({"DIListAttr", "DISerialNumberListAttr", "DIUInt16ListAttr"})
_PROBED: dict[str, bool] = {}


def _kept_whole(field: Field, attr: Any) -> bool:
    """Whether the framework's kind of a field keeps every bit: a kind of the exact ones, or a one-byte kind
    that gives back each of its 256 values (``attr``, the field's entry, tried once per kind)."""
    kind = field.kind
    if kind in _EXACT_KINDS:
        return True
    if field.size != 1:
        return False
    if kind not in _PROBED:
        try:
            _PROBED[kind] = all(attr._encode(attr._decode(raw)[0]) == raw for raw in (bytes([v]) for v in range(256)))
        except Exception:  # a value it decodes but does not encode
            _PROBED[kind] = False
    return _PROBED[kind]


def faithful(cls: type) -> Callable[[Any, bytes], bool] | None:
    """How to tell that an item of ``cls``, decoded without a diagnostic from ``payload``, encodes back to
    those bytes: None where that always holds (kinds that keep every bit, the class's layout alone
    decoding), else a test ``(item, payload) -> bool``: each field of another kind encoded and compared
    with its bytes where its place is fixed, else the item encoded."""
    if cls in _FAITHFUL:
        return _FAITHFUL[cls]
    test: Callable[[Any, bytes], bool] | None = _encodes_back
    if not _has_own_decoder(cls):
        checks: list[tuple[Any, str, int, int, bool]] = []
        fixed = True                # every field of another kind lies at a known place
        for field, attr in zip(layout(cls), getattr(cls, "definition", ())):
            if not _exact_field(field, attr):
                if field.offset is None or field.size is None:
                    fixed = False
                    break
                # A single other than a NaN comes back as it was sent: only a NaN is encoded to tell.
                checks.append((attr._encode, field.name, field.offset, field.offset + field.size,
                               field.kind == "DIFloatAttr"))
        if fixed and not checks:
            test = None
        elif fixed:
            fields = tuple(checks)

            def test(item: Any, payload: bytes) -> bool:
                try:
                    for encode, name, start, end, single in fields:
                        value = getattr(item, name)
                        if not (single and value == value) and encode(value) != payload[start:end]:
                            return False
                    return True
                except Exception:  # decoded, but a value it cannot encode: not these bytes either
                    return False
    _FAITHFUL[cls] = test
    return test


def _shape(cls: type) -> tuple[int, int | None]:
    """How many bytes an item's layout takes of a payload: (fixed size, 0), (size before a trailing list
    of fixed-width elements, element width) for items the generic decoder walks, else (0, None)."""
    fields = layout(cls)
    sizes = [f.size for f in fields]
    if None not in sizes:
        return sum(size or 0 for size in sizes), 0
    if sizes.count(None) != 1 or sizes[-1] is not None or _has_own_decoder(cls):
        return 0, None
    step = _element_size(fields[-1])
    return (fields[-1].offset or 0, step) if step else (0, None)


# The wire kinds of the struct format codes a packed record may use.
_PACKED_KINDS = {"b": "i8", "B": "u8", "?": "bool", "h": "i16", "H": "u16", "i": "i32", "I": "u32", "l": "i32",
                 "L": "u32", "q": "i64", "Q": "u64", "e": "f16", "f": "f32", "d": "f64"}
# The same of the kinds the rows declare.
_WIRE_KINDS = {"DIInt8Attr": "i8", "DIUInt8Attr": "u8", "DIInt16Attr": "i16", "DIUInt16Attr": "u16",
               "DIInt32Attr": "i32", "DIUInt32Attr": "u32", "DIInt64Attr": "i64", "DIUInt64Attr": "u64",
               "DIFloatAttr": "f32", "DIDoubleAttr": "f64"}
_PACKED: list[dict[type, tuple[type, list[Field]]]] = []  # [{attribute kind: (record class, [Field])}], on first use


def packed_records() -> dict[type, tuple[type, list[Field]]]:
    """{kind: (record class, [:class:`Field`])} of the catalog's own attribute kinds that pack a record
    whole with a struct format of one code per record attribute (``DIDomainInfoAttr``: "QQqfq"): the
    record's fields come in their order, with their offsets within the packed structure and kinds such as
    ``u64`` or ``f32``: as the rows declare them, else found out (the record is what the kind decodes from
    zero bytes, its fields those its constructor sets)."""
    declared = declarations()
    if not _PACKED and declared:
        module, found = catalog(), {}
        for kind, entry in declared.items():
            if entry["packs"]:
                record = getattr(module, entry["packs"])
                found[kind] = (record, [f._replace(kind=_WIRE_KINDS[f.kind]) for f in _declared_fields(declared[record])])
        _PACKED.append(found)
    if not _PACKED:
        module, found = catalog(), {}
        for kind in declared_classes(module):
            if not issubclass(kind, module.DataItemAttribute):
                continue
            try:
                sample = kind("x")
                codes, size = sample.format, sample.size
                record = type(sample._decode(bytes(size))[0])
                names = [name for name, _ in record_fields(record())]
            except (struct.error, TypeError, ValueError, AttributeError, IndexError):
                continue
            if isinstance(codes, str) and len(codes) == len(names) and all(c in _PACKED_KINDS for c in codes) \
                    and struct.calcsize("<" + codes) == size:
                found[kind] = (record, [Field(name, _PACKED_KINDS[c], struct.calcsize("<" + codes[:i]),
                                              struct.calcsize("<" + c), None)
                                        for i, (name, c) in enumerate(zip(names, codes))])
        _PACKED.append(found)
    return _PACKED[0]


def packed_fields(cls: type) -> list[Field]:
    """The fields of a record packed whole by one of the catalog's own attribute kinds (see
    :func:`packed_records`), given the kind or the record; [] for any other class."""
    for kind, (record, fields) in packed_records().items():
        if cls is kind or cls is record:
            return fields
    return []


_PURPOSES: dict[str, str] = {}


def purposes(path: str | None = None) -> dict[str, str]:
    """{class name: what the class is for in the network}, one line each, from purposes.txt (``Name:
    purpose`` a line, in declaration order; ``#`` starts a comment line): the package's own, or the file
    at ``path``. Empty if the package's own is not installed."""
    if path is None and _PURPOSES:
        return dict(_PURPOSES)
    import os
    try:
        with open(path or os.path.join(os.path.dirname(__file__), "purposes.txt"), encoding="utf-8") as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        if path:
            raise
        return {}
    found = {}
    for line in lines:
        if line.strip() and not line.startswith("#"):
            name, _, text = line.partition(":")
            found[name.strip()] = text.strip()
    if path is None:
        _PURPOSES.update(found)
    return found


# ---------------------------------------------------------------------------
# Values


def own_text(obj: object) -> bool:
    """True if the object's class renders itself as text (defines a ``__str__`` of its own below the
    framework's item base), False if ``str()`` would only give object's default form."""
    cls = type(obj)
    if cls.__str__ is object.__str__:
        return False
    module = catalog()
    if isinstance(obj, module.RLXDataItem):
        return any("__str__" in vars(k) for k in cls.__mro__[:cls.__mro__.index(module.RLXDataItem)])
    return True


def record_fields(record: object) -> list[tuple[str, Any]]:
    """[(name, value)] of a record: its instance attributes in the order they were set (a record's
    constructor sets them in its declared order), then any field of its ``definition`` not among them."""
    names = [k for k in getattr(record, "__dict__", ()) if not k.startswith("_")]
    definition = getattr(type(record), "definition", None)
    if isinstance(definition, list):
        names += [a.name for a in definition if a.name not in names and hasattr(record, a.name)]
    return [(n, getattr(record, n)) for n in names]


def command_frame(command: Any) -> tuple[int, int, int, bytes] | None:
    """(destination group, command type, payload length, payload) of a network command, read from the
    frame it encodes to; None if it does not encode to one."""
    try:
        frame = command._encode(2)
        group, code, length = _COMMAND_HEADER.unpack_from(frame)
    except Exception:  # a command that cannot frame itself is shown by its text alone
        return None
    return group, code, length, bytes(frame[7:])


def _float_data(value: float) -> float | str:
    if value - value == 0.0:
        return value
    if value != value:
        bits = _DOUBLE_BITS.unpack(_DOUBLE.pack(value))[0]
        return "NaN" if bits == _QUIET_NAN else "NaN(0x%016x)" % bits
    return "Infinity" if value > 0 else "-Infinity"


def value_data(value: object) -> PlainData:
    """A field value as plain data (see the module documentation)."""
    to_data = _DATA_OF.get(type(value))
    if to_data is None:
        to_data = _DATA_OF[type(value)] = _data_of(value)
    return to_data(value)


def _same(value: Any) -> Any:
    return value


def _bytes_data(value: Bytes) -> dict[str, PlainData]:
    return {"bytes": bytes(value).hex()}


def _list_data(value: Sequence[Any]) -> list[PlainData]:
    kinds = set(map(type, value))
    if len(kinds) == 1:
        kind = kinds.pop()
        to_data = _DATA_OF.get(kind)
        if to_data is not None:
            # Each element by its own type: a conversion may change the list as it goes.
            return [to_data(e) if type(e) is kind else value_data(e) for e in value]
    return list(map(value_data, value))


# How to turn a value of each type met so far into plain data.
_DATA_OF: dict[type, Callable[[Any], PlainData]] = {
    int: _same, bool: _same, str: _same, float: _float_data, bytes: _bytes_data, bytearray: _bytes_data,
    memoryview: _bytes_data, list: _list_data, tuple: _list_data}
# For the tool's JSON lines, which read records as their converters do.
value_data.converters = _DATA_OF  # type: ignore[attr-defined]


def _data_of(sample: object) -> Callable[[Any], PlainData]:
    """How to turn values of the type of ``sample`` (a type not met before) into plain data."""
    module = catalog()
    kinds: tuple[tuple[Any, Callable[[Any], PlainData]], ...] = (
        (module.NorvaneSerialNumber, lambda v: {"serial": int(v)}), ((bytes, bytearray, memoryview), _bytes_data),
        ((list, tuple), _list_data), (bool, bool), (int, int), (float, lambda v: _float_data(float(v))), (str, str))
    for kind, to_data in kinds:
        if isinstance(sample, kind):
            return to_data
    if isinstance(sample, module.UWBNetworkCommandItem):
        return _command_data
    names = list(_record_shape(sample)[0])
    if names:
        return _fields_function(names, sample)
    return str


def _command_data(command: Any) -> PlainData:
    frame = command_frame(command)
    if frame is None:
        return str(command)
    return {"group": frame[0], "type": "0x%02X" % frame[1], "length": frame[2], "data": {"bytes": frame[3].hex()}}


def to_data(item: RLXDataItem) -> dict[str, PlainData]:
    """An item as plain data: ``{"class": name, "type": "0x%04X", "fields": {name: value}}``, the fields in
    wire order, values as the module documentation says; json.dumps(allow_nan=False) writes it."""
    cls = type(item)
    fields = _FIELDS_OF.get(cls)
    if fields is None:
        fields = _FIELDS_OF[cls] = _fields_function([a.name for a in cls.definition], item)
    return {"class": cls.__name__, "type": "0x%04X" % _code(cls), "fields": fields(item)}


_FIELDS_OF: dict[type, Callable[[Any], dict[str, PlainData]]] = {}


def _fields_function(names: list[str], sample: object) -> Callable[[Any], dict[str, PlainData]]:
    """A function object -> {name: plain data} of the fields ``names`` of an item or record class, written
    for the class at its first object (``sample``): one dict display that takes integers, flags and text as
    they are and converts the rest, so that most values cost no call. A later value of another type than
    the first object's goes through value_data as well."""
    if not names:
        return lambda obj: {}
    scope: dict[str, Any] = {"get": operator.attrgetter(*names), "data": value_data, "plain": _PLAIN}
    values = scope["get"](sample) if len(names) > 1 else (scope["get"](sample),)
    entries = []
    for i, (name, v) in enumerate(zip(names, values)):
        read = "v[%d]" % i if len(names) > 1 else "v"
        if type(v) in _PLAIN:
            read = "%s if type(%s) in plain else data(%s)" % (read, read, read)
        else:
            if type(v) not in _DATA_OF:  # the conversion of its type, made once (converting nothing yet)
                _DATA_OF[type(v)] = _data_of(v)
            scope["c%d" % i], scope["t%d" % i] = _DATA_OF[type(v)], type(v)
            read = "c%d(%s) if type(%s) is t%d else data(%s)" % (i, read, read, i, read)
        entries.append("%r: %s" % (name, read))
    exec("def fields(obj):\n    v = get(obj)\n    return {%s}\n" % ", ".join(entries), scope)
    fields: Callable[[Any], dict[str, PlainData]] = scope["fields"]
    scope["fields"].names = tuple(names)  # what the tool's JSON lines read such an object by
    return fields


_PLAIN = frozenset([int, bool, str])


_NONFINITE = {"NaN": math.nan, "Infinity": math.inf, "-Infinity": -math.inf}
_NAN_BITS = re.compile(r"NaN\(0x([0-9a-fA-F]{16})\)\Z")


def _float_value(value: object, where: str) -> float:
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return float(value)
    if isinstance(value, str):
        if value in _NONFINITE:
            return _NONFINITE[value]
        bits = _NAN_BITS.match(value)
        if bits:
            return float(_DOUBLE.unpack(_DOUBLE_BITS.pack(int(bits.group(1), 16)))[0])
    raise ValueError("%s: expected a number, not %s" % (where, _show(value)))


def _show(value: object) -> str:
    text = repr(value)
    return text if len(text) <= 40 else text[:37] + "..."


def _serial_value(value: object, where: str) -> NorvaneSerialNumber:
    module = catalog()
    if isinstance(value, dict) and set(value) == {"serial"}:
        value = value["serial"]
    if isinstance(value, int) and not isinstance(value, bool) and 0 <= value <= SERIAL_MAX:
        serial: NorvaneSerialNumber = module.NorvaneSerialNumber(value)
        return serial
    raise ValueError("%s: expected a serial number ({\"serial\": 0 to %d}), not %s" % (where, SERIAL_MAX,
                                                                                      _show(value)))


def _bytes_value(value: object, where: str) -> bytes:
    if isinstance(value, dict) and set(value) == {"bytes"} and isinstance(value["bytes"], str):
        try:
            return bytes.fromhex(value["bytes"])
        except ValueError:
            pass
    raise ValueError("%s: expected bytes ({\"bytes\": \"<hex>\"}), not %s" % (where, _show(value)))


def _record_value(cls: type, value: object, where: str, template: object = None) -> Any:
    if not isinstance(value, dict):
        raise ValueError("%s: expected the fields of a %s as an object, not %s" % (where, cls.__name__,
                                                                                   _show(value)))
    record = cls()
    kinds = {f.name: f for f in layout(cls)}
    known = dict(record_fields(record))
    if template is not None:
        known.update(record_fields(template))
    for name, v in value.items():
        if name in kinds:
            v = _attr_value(kinds[name], v, known.get(name), "%s.%s" % (where, name), None)
        elif name in known:
            v = _plain_value(v, known[name], "%s.%s" % (where, name))
        else:
            raise ValueError("%s: a %s has no field %r" % (where, cls.__name__, name))
        setattr(record, name, v)
    return record


def _plain_value(value: Any, template: object, where: str) -> Any:
    """A value for a field known only by the value a new instance holds (records without a layout)."""
    if isinstance(template, float):
        return _float_value(value, where)
    module = catalog()
    if isinstance(template, module.NorvaneSerialNumber):
        return _serial_value(value, where)
    if isinstance(template, (bytes, bytearray)):
        return _bytes_value(value, where)
    if isinstance(template, (list, tuple)):
        if not isinstance(value, list):
            raise ValueError("%s: expected an array, not %s" % (where, _show(value)))
        inner = template[0] if template else None
        out = [_plain_value(v, inner, "%s[%d]" % (where, i)) for i, v in enumerate(value)]
        return tuple(out) if isinstance(template, tuple) else out
    if isinstance(template, bool):
        if isinstance(value, bool):
            return value
        raise ValueError("%s: expected true or false, not %s" % (where, _show(value)))
    if isinstance(template, int):
        return _int_value(value, where)
    if template is not None and not isinstance(template, str) and record_fields(template):
        return _record_value(type(template), value, where, template)
    if isinstance(value, dict):
        if set(value) == {"bytes"}:
            return _bytes_value(value, where)
        if set(value) == {"serial"}:
            return _serial_value(value, where)
        raise ValueError("%s: unexpected object %s" % (where, _show(value)))
    if isinstance(value, list):
        return [_plain_value(v, None, "%s[%d]" % (where, i)) for i, v in enumerate(value)]
    return value


def _attr_value(field: Field, value: Any, template: object, where: str, item: Any) -> Any:
    """A field value from plain data, by the field's kind (and, for kinds of the framework's own choosing,
    by the value a new item holds)."""
    kind = field.kind
    if kind in _FLOAT_KINDS:
        return _float_value(value, where)
    if kind == "DISerialNumberAttr":
        return _serial_value(value, where)
    if kind in ("DIFixedLengthBytesAttr", "DIVariableLengthBytesAttr"):
        return _bytes_value(value, where)
    if kind in ("DIFixedLengthStrAttr", "DIVariableLengthStrAttr"):
        if not isinstance(value, str):
            raise ValueError("%s: expected text, not %s" % (where, _show(value)))
        return value
    if kind in ("DISerialNumberListAttr", "DIUInt16ListAttr", "DIListAttr"):
        if not isinstance(value, list):
            raise ValueError("%s: expected an array, not %s" % (where, _show(value)))
        if kind == "DISerialNumberListAttr":
            return [_serial_value(v, "%s[%d]" % (where, i)) for i, v in enumerate(value)]
        if kind == "DIUInt16ListAttr":
            return [_int_value(v, "%s[%d]" % (where, i)) for i, v in enumerate(value)]
        element = field.element
        module = catalog()
        if element is not None and issubclass(element, module.UWBNetworkCommandItem):
            return _commands_value(item, value, where)
        if element is None:
            return _plain_value(value, template, where)
        return [_record_value(element, v, "%s[%d]" % (where, i)) for i, v in enumerate(value)]
    return _plain_value(value, template, where)


def _int_value(value: object, where: str) -> int:
    if isinstance(value, int):
        return value
    raise ValueError("%s: expected an integer, not %s" % (where, _show(value)))


def _commands_value(item: Any, value: Any, where: str) -> Any:
    """Rebuilds a command list through the item's own builder, which finds (or makes) each type's class."""
    add = getattr(item, "add_uwb_network_command", None)
    if add is None:
        raise ValueError("%s: %s has no command builder" % (where, type(item).__name__))
    item.commands = []
    for i, v in enumerate(value):
        here = "%s[%d]" % (where, i)
        if not isinstance(v, dict) or set(v) - {"group", "type", "length", "data"} or "type" not in v:
            raise ValueError("%s: expected a command {\"group\", \"type\", \"length\", \"data\"}, not %s"
                             % (here, _show(v)))
        code = _code_value(v["type"], here + ".type", 0xFF)
        data = _bytes_value(v.get("data", {"bytes": ""}), here + ".data")
        add(_int_value(v.get("group", 0), here + ".group"), code,
            _int_value(v.get("length", len(data)), here + ".length"), data)
    return item.commands


def _code_value(value: object, where: str, top: int = 0xFFFF) -> int:
    if isinstance(value, str):
        try:
            value = int(value, 0)
        except ValueError:
            pass
    if isinstance(value, int) and not isinstance(value, bool) and 0 <= value <= top:
        return value
    raise ValueError("%s: expected a type code such as \"0x%0*X\", not %s" % (where, 4 if top > 0xFF else 2,
                                                                              top, _show(value)))


def did_you_mean(name: str, candidates: Iterable[str] | dict[str, str]) -> str:
    """"; did you mean A or B?" naming up to three of ``candidates`` close to ``name`` in any case (a dict
    gives for each candidate what to show), or ""."""
    import difflib
    shown = candidates if isinstance(candidates, dict) else {c: c for c in candidates}
    folded = {c.lower(): c for c in shown}
    found = difflib.get_close_matches(name.lower(), list(folded), n=3, cutoff=0.6)
    return "; did you mean %s?" % " or ".join(shown[folded[c]] for c in found) if found else ""


def _named_class(classes: dict[int, type[RLXDataItem]], name: Any) -> type[RLXDataItem]:
    """The item class called ``name``: exactly, else in any case; ValueError naming close names."""
    by_name = {c.__name__: c for c in classes.values()}
    folded = {n.lower(): c for n, c in by_name.items()}
    found = by_name.get(name) or (folded.get(name.lower()) if isinstance(name, str) else None)
    if found is None:
        hint = did_you_mean(name, list(by_name)) if isinstance(name, str) else ""
        raise ValueError("no item class named %s%s" % (_show(name), hint))
    return found


# Struct format letters of the integer fields: (signed, bits).
_INT_FORMATS = {"b": (True, 8), "B": (False, 8), "h": (True, 16), "H": (False, 16), "i": (True, 32),
                "I": (False, 32), "l": (True, 32), "L": (False, 32), "q": (True, 64), "Q": (False, 64)}
PAYLOAD_MAX = 0xFFFF


class EncodeError(ValueError):
    """An item that cannot be encoded: the message names the class, the field, the value and what the
    field holds."""


def _field_problem(attr: DataItemAttribute | None, value: object, exc: Exception) -> str:
    """Why ``value`` does not encode as ``attr``, in a user's words."""
    fmt = (getattr(attr, "format", "") or "").lstrip("<>=!")
    if len(fmt) == 1 and fmt in _INT_FORMATS and isinstance(value, int) and not isinstance(value, bool):
        signed, bits = _INT_FORMATS[fmt]
        low, high = (-(1 << bits - 1), (1 << bits - 1) - 1) if signed else (0, (1 << bits) - 1)
        if not low <= value <= high:
            return "%d is out of range for %s %d-bit field (%d to %d)" % (
                value, "a signed" if signed else "an unsigned", bits, low, high)
    text = str(exc)
    return text if isinstance(exc, struct.error) else "%s: %s" % (type(exc).__name__, text)


def encode(item: RLXDataItem) -> bytes:
    """``item._encode()``: the item's bytes (type code, payload length, payload). A value that its field
    cannot hold raises :class:`EncodeError` naming the class, type code, field, value and the field's
    range, or the payload's size where the whole is too long for an item."""
    try:
        return item._encode()
    except Exception as exc:  # whatever a field or a custom encoder raises is named below
        cls = type(item)
        where = "%s 0x%04X" % (cls.__name__, _code(cls))
        sizes = {}
        for attr in cls.definition:
            value = getattr(item, attr.name, None)
            try:
                sizes[attr.name] = len(attr._encode(value))
            except Exception as found:  # the first field that fails is the one to name
                raise EncodeError("%s: field %s: %s" % (where, attr.name, _field_problem(attr, value, found))) \
                    from exc
        total = sum(sizes.values())
        if total > PAYLOAD_MAX:
            widest = max(sizes, key=lambda name: sizes[name])
            raise EncodeError("%s: the payload would be %d bytes, an item carries at most %d (field %s takes %d)"
                              % (where, total, PAYLOAD_MAX, widest, sizes[widest])) from exc
        raise EncodeError("%s: %s" % (where, _field_problem(None, None, exc))) from exc


def undecoded_data(offset: int, reason: str, raw: bytes, code: int | None = None,
                   name: str | None = None) -> dict[str, PlainData]:
    """Plain data of bytes that did not decode, so that nothing of a capture is lost: with ``code``, a
    whole item (``raw`` its payload; ``name`` its class where known), else bytes that make no item (the
    end of a stream cut inside an item). :func:`undecoded_bytes` gives the bytes back."""
    data: dict[str, PlainData] = {"offset": offset}
    if code is not None:
        if name is not None:
            data["class"] = name
        data["type"] = "0x%04X" % code
    data["error"] = reason
    data["raw"] = {"bytes": raw.hex()}
    return data


def undecoded_bytes(data: dict[str, Any]) -> bytes:
    """The capture bytes of an object with ``"raw"`` (see :func:`undecoded_data`): a whole item (type code,
    payload length, the raw payload) when it has ``"type"``, else the raw bytes as they stand. Raises
    ValueError naming what is wrong."""
    unknown = set(data) - {"offset", "class", "type", "error", "raw"}
    if unknown:
        raise ValueError("unexpected key %r beside \"raw\"" % sorted(unknown)[0])
    raw = _bytes_value(data["raw"], "raw")
    if "type" not in data:
        return raw
    code = _code_value(data["type"], "type")
    if len(raw) > PAYLOAD_MAX:
        raise ValueError("raw: a payload of %d bytes, an item carries at most %d" % (len(raw), PAYLOAD_MAX))
    return _HEADER.pack(code, len(raw)) + raw


def from_data(data: object) -> RLXDataItem:
    """A new item from plain data as :func:`to_data` gives it (or as written by hand: ``type`` may stand
    for ``class``, fields left out keep what a new item holds). Raises ValueError naming the field that
    is wrong; the item's ``_encode()`` raises Python's errors for values its fields cannot hold."""
    if not isinstance(data, dict):
        raise ValueError("expected an object with \"class\" and \"fields\", not %s" % _show(data))
    unknown = set(data) - {"class", "type", "fields", "offset", "text"}
    if unknown:
        raise ValueError("unexpected key %r (an item has \"class\", \"type\" and \"fields\")" % sorted(unknown)[0])
    classes = item_classes()
    cls = None
    if "type" in data:
        code = _code_value(data["type"], "type")
        cls = classes.get(code)
        if cls is None:
            raise ValueError("unknown type code 0x%04X" % code)
    if "class" in data:
        named = _named_class(classes, data["class"])
        if cls is not None and cls is not named:
            raise ValueError("class %s has type code 0x%04X, not 0x%04X" % (named.__name__, _code(named), _code(cls)))
        cls = named
    if cls is None:
        raise ValueError("no \"class\" or \"type\" to say which item this is")
    fields = data.get("fields", {})
    if not isinstance(fields, dict):
        raise ValueError("\"fields\" must be an object, not %s" % _show(fields))
    item = cls()
    declared = {f.name: f for f in layout(cls)}
    for name, value in fields.items():
        field = declared.get(name)
        if field is None:
            raise ValueError("%s has no field %r" % (cls.__name__, name))
        setattr(item, name, _attr_value(field, value, getattr(item, name, None), name, item))
    return item


# ---------------------------------------------------------------------------
# Diagnostics


class Diagnostic(NamedTuple):
    """Something a capture held that could not be decoded, or a warning.

    ``offset``: byte offset of the item in the capture (of the decoded bytes, for hex text);
    ``problem``: ``"unknown"`` (type code not in the catalog), ``"malformed"`` (the payload does not
    decode), ``"leftover"`` (a warning: bytes past the item's layout, ignored), ``"truncated"`` (the stream
    ends inside an item), ``"hex"`` (hex text that is not hex); ``message``: what was wrong, in words;
    ``code`` and ``name``: the item's type code and class name where known; ``warning``: True for a
    warning (the item was decoded); ``raw``: for a stream that ends inside an item, the bytes after the
    last whole item."""

    offset: int
    problem: str
    message: str
    code: int | None
    name: str | None
    warning: bool
    raw: bytes | None = None

    def __str__(self) -> str:
        head = "offset %d: " % self.offset
        if self.name is not None:
            head += "%s 0x%04X: " % (self.name, self.code or 0)
        return head + self.message


class CaptureError(ValueError):
    """Raised for a :class:`Diagnostic` (its ``diagnostic``) when no ``on_diagnostic`` takes it."""

    def __init__(self, diagnostic: Diagnostic) -> None:
        ValueError.__init__(self, str(diagnostic))
        self.diagnostic = diagnostic


def _plural(n: int, word: str) -> str:
    return "%d %s%s" % (n, word, "" if n == 1 else "s")


def _why(cls: type, payload: bytes, item: Any, exc: Exception) -> str:
    """In words, why a payload did not decode: the field that ran short and the bytes it needed where the
    layout tells, else the field the decoder stopped at and the error it met."""
    size = len(payload)
    fields = layout(cls)
    for f in fields:
        if f.offset is None:
            break
        if f.size is not None and f.offset + f.size > size:
            if size <= f.offset:
                return ("payload of %s ends before field %s, which needs %s at payload offset %d"
                        % (_plural(size, "byte"), f.name, _plural(f.size, "byte"), f.offset))
            return ("payload of %s ends inside field %s, which needs %s at payload offset %d (%d there)"
                    % (_plural(size, "byte"), f.name, _plural(f.size, "byte"), f.offset, size - f.offset))
        if f.size is None and not _has_own_decoder(cls):
            step = _element_size(f)
            rest = size - f.offset
            if step and rest % step:
                return ("field %s: %s after %s of %d bytes do not make a whole element"
                        % (f.name, _plural(rest % step, "byte"), _plural(rest // step, "element"), step))
    left = getattr(item, "di_data", None)
    at = ""
    if isinstance(left, (bytes, bytearray, memoryview)) and 0 < len(left) <= size:
        where = size - len(left)
        at = "at payload offset %d of %d" % (where, size)
        named = [f for f in fields if f.offset is not None and f.offset <= where]
        if named and (named[-1].size is None or where < (named[-1].offset or 0) + named[-1].size):
            at = "field %s (payload offset %d of %d)" % (named[-1].name, where, size)
        at += ": "
    return "%scannot decode (%s: %s)" % (at, type(exc).__name__, exc)


# ---------------------------------------------------------------------------
# Reading


_HEX_DIGITS = frozenset(b"0123456789abcdefABCDEF")
_SPACE = b" \t\r\n\v\f"
_NOT_HEX = re.compile(rb"[^0-9A-Fa-f \t\r\n\v\f]")
_BOM = b"\xef\xbb\xbf"


def _undecided(head: bytes) -> bool:
    """Whether the start of a capture is too short to tell hex text from binary: nothing, a part of a
    byte-order mark or white space alone."""
    if _BOM.startswith(head):
        return True
    return not (head[3:] if head.startswith(_BOM) else head).lstrip(_SPACE)


def _looks_like_hex(head: bytes) -> bool:
    """Whether the first bytes of a capture are hex text: no NUL byte (binary items hold one in almost every
    header), and the first byte that is not white space a hex digit or a comment."""
    if b"\0" in head:
        return False
    text = head[3:] if head.startswith(_BOM) else head
    text = text.lstrip(_SPACE)
    return not text or text[0] in _HEX_DIGITS or text[:1] == b"#"


class _HexText:
    """Turns chunks of hex text into bytes, keeping the line and column of every byte of text so that a
    mistake is named where it stands. A comment runs from ``#`` to the end of its line and may hold any
    bytes; the two digits of a byte may be parted by white space or a line end."""

    def __init__(self) -> None:
        self.line = 1
        self.line_start = 0      # text position where the current line starts
        self.base = 0            # text position of the chunk being read
        self.comment = False
        self.odd = b""           # a digit waiting for its partner
        self.odd_at: tuple[int, int] | None = None       # (line, column) of that digit

    def _where(self, chunk: bytes, start: int, i: int) -> tuple[int, int]:
        """(line, column) of byte i of a chunk whose lines are counted up to ``start``."""
        line = self.line + chunk.count(b"\n", start, i)
        nl = chunk.rfind(b"\n", 0, i)
        column = i - nl if nl >= 0 else self.base + i - self.line_start + 1
        return line, column

    def _fail(self, chunk: bytes, start: int, end: int, digits: bytes, out: list[bytes]) -> NoReturn:
        """Raises _HexError for the first byte of chunk[start:end] that is neither a hex digit nor white space,
        with the bytes of the digits before it (``digits``: those of the segment, ``out``: the chunk's bytes so
        far), which are good and belong to the items before the mistake."""
        i = next(_NOT_HEX.finditer(chunk, start, end)).start()
        line, column = self._where(chunk, start, i)
        good = digits[:next(_NOT_HEX.finditer(digits)).start()]
        out.append(binascii.a2b_hex(good[:len(good) // 2 * 2]))
        char = chunk[i:i + 4].decode("utf-8", "replace")[:1]
        raise _HexError(b"".join(out), "line %d, column %d: %s is not a hex digit" % (line, column, _show(char)))

    def feed(self, chunk: bytes) -> bytes:
        """The bytes of one chunk of text."""
        out = []
        pos, n = 0, len(chunk)
        while pos < n:
            if self.comment:
                nl = chunk.find(b"\n", pos)
                if nl < 0:
                    break
                self.comment = False
                self.line += 1
                self.line_start = self.base + nl + 1
                pos = nl + 1
                continue
            mark = chunk.find(b"#", pos)
            end = n if mark < 0 else mark
            digits = chunk[pos:end].translate(None, _SPACE)
            if digits:
                if self.odd:
                    digits = self.odd + digits
                    self.odd = b""
                if len(digits) % 2:
                    last = max(chunk.rfind(bytes([digits[-1]]), pos, end), pos)
                    self.odd, digits, self.odd_at = digits[-1:], digits[:-1], self._where(chunk, pos, last)
                try:
                    out.append(binascii.a2b_hex(digits))
                except (binascii.Error, ValueError):
                    self._fail(chunk, pos, end, digits, out)
            lines = chunk.count(b"\n", pos, end)
            if lines:
                self.line += lines
                self.line_start = self.base + chunk.rfind(b"\n", pos, end) + 1
            if mark < 0:
                break
            self.comment = True
            pos = mark + 1
        self.base += n
        return b"".join(out)

    def finish(self) -> None:
        if self.odd:
            raise _HexError(b"", "line %d, column %d: a lone hex digit at the end of the text (the digits "
                                     "of a byte come in pairs)" % (self.odd_at or (0, 0)))


class _HexError(Exception):
    """Hex text that is not hex; ``data``: the good bytes of the chunk before the mistake."""

    def __init__(self, data: bytes, message: str) -> None:
        Exception.__init__(self, message)
        self.data = data


_ROWS: dict[int, tuple[type[RLXDataItem], int, int | None]] = {}


def _rows() -> dict[int, tuple[type[RLXDataItem], int, int | None]]:
    """{type code: (item class, bytes its layout takes, element width)} (see _shape), made once."""
    if not _ROWS:
        for code, cls in item_classes().items():
            _ROWS[code] = (cls,) + _shape(cls)
    return _ROWS


class Capture:
    """The items of one capture, read in chunks.

    ``source``: bytes-like (a binary capture), a str (hex text), or a binary file object (binary or hex
    text, told apart by the first bytes unless ``hex`` says which). ``serial``: the serial number of the
    packet header the items came in, given to every item as ``rlx_header_serial``. ``on_diagnostic``:
    called with each :class:`Diagnostic`; without it errors raise :class:`CaptureError` and warnings are
    dropped. Errors of the source itself (``OSError``) propagate. ``filter``: a display filter (its text
    or a ``filters.Filter``, see :mod:`rlx.data_items.filters`): iterating yields only the items it
    selects, and the items of a class it can never select are not decoded; a bad filter raises ValueError.

    ``items`` and ``size`` count the complete items framed so far and their bytes."""

    def __init__(self, source: Source, serial: int = 0, hex: bool | None = None,
                 on_diagnostic: Callable[[Diagnostic], object] | None = None,
                 filter: str | DisplayFilter | None = None) -> None:
        if not (isinstance(serial, int) and 0 <= serial <= SERIAL_MAX):
            raise ValueError("a serial number is 0 to %d, not %s" % (SERIAL_MAX, _show(serial)))
        self.filter = _filter(filter)
        self.serial = catalog().NorvaneSerialNumber(serial)
        self.on_diagnostic = on_diagnostic
        self.items = 0
        self.size = 0
        self._source = source
        self._hex = hex
        self._rows = _rows()

    def report(self, diagnostic: Diagnostic) -> None:
        if self.on_diagnostic is None:
            if not diagnostic.warning:
                raise CaptureError(diagnostic)
        else:
            self.on_diagnostic(diagnostic)

    def _chunks(self) -> Iterator[bytes]:
        """The capture's bytes, chunk by chunk as the source gives them (hex text already turned to bytes)."""
        source = self._source
        if isinstance(source, str):
            source = source.encode("utf-8")
            if self._hex is None:
                self._hex = True
        if isinstance(source, (bytes, bytearray, memoryview)):
            chunks = [bytes(source[i:i + CHUNK]) for i in range(0, len(source), CHUNK)]
            read = None
        else:
            read = getattr(source, "read1", None) or source.read
            chunks = []
        first = chunks[0] if chunks else b""
        if read is not None:
            # Enough of the start to tell hex text from binary: its first byte that is not white space
            # (reading on only while there is none, so that a live stream is never held up).
            while _undecided(first):
                more = read(CHUNK)
                if not more:
                    break
                first += more
        rest = iter(chunks[1:]) if read is None else iter(functools.partial(read, CHUNK), b"")
        hex_text = self._hex if self._hex is not None else _looks_like_hex(first)
        if hex_text and first.startswith(_BOM):
            first = first[3:]
        stream = itertools.chain([first] if first else [], rest)
        if not hex_text:
            yield from stream
            return
        text = _HexText()
        for chunk in stream:
            try:
                out = text.feed(chunk)
            except _HexError as exc:
                if exc.data:
                    yield exc.data
                raise
            if out:
                yield out
        text.finish()

    def batches(self, keep: bytearray | None = None) -> Iterator[list[Frame]]:
        """Lists of frames, tuples (offset, type code, payload), one list per chunk read, so that a reader
        of a live stream sees each item as soon as it has come in. A stream that ends inside an item, or
        hex text that is not hex, is reported and ends the iteration. With ``keep``, one byte per type code
        (it may change between batches), the frames whose byte is 0 are left out of the lists: ``items``
        and ``size`` count them all, and a list may be empty."""
        unpack_from = _HEADER.unpack_from
        frames = _capture.frames        # the framing loop, in C++
        buf, pos, base = b"", 0, 0
        try:
            for chunk in self._chunks():
                if pos < len(buf):
                    buf = buf[pos:] + chunk
                else:
                    buf = chunk if type(chunk) is bytes else bytes(chunk)
                base += pos
                if keep is None:
                    batch, pos = frames(buf, base)
                    framed = len(batch)
                else:
                    batch, pos, framed = frames(buf, base, keep)
                    framed += len(batch)
                if framed:
                    self.items += framed
                    self.size = base + pos
                    yield batch
        except _HexError as exc:
            self.report(Diagnostic(base + len(buf), "hex", "hex text: %s" % exc, None, None, False))
            return
        left = len(buf) - pos
        if left:
            offset = base + pos
            if left < 4:
                self.report(Diagnostic(offset, "truncated", "the stream ends inside an item header (%d of 4 bytes)"
                                       % left, None, None, False, bytes(buf[pos:])))
            else:
                code, length = unpack_from(buf, pos)
                cls = self._rows.get(code, (None,))[0]
                self.report(Diagnostic(offset, "truncated", "the stream ends after %d of the item's %s"
                                       % (left - 4, _plural(length, "payload byte")),
                                       code, cls.__name__ if cls else "item", False, bytes(buf[pos:])))

    def frames(self) -> Iterator[Frame]:
        """Every frame (offset, type code, payload) of the capture, undecoded."""
        for batch in self.batches():
            yield from batch

    def decode(self, frame: Frame) -> RLXDataItem | None:
        """The item of one frame (offset, type code, payload), or None after reporting why it could not be
        decoded."""
        offset, code, payload = frame
        row = self._rows.get(code)
        if row is None:
            self.report(Diagnostic(offset, "unknown", "unknown type code 0x%04X (%s)"
                                   % (code, _plural(len(payload), "payload byte")), code, None, False))
            return None
        cls, limit, step = row
        item = cls()
        item.rlx_header_serial = self.serial
        size = len(payload)
        item.di_size = size
        item.di_data = payload
        try:
            item._decode()
        except Exception as exc:  # whatever a decoder raises is reported, and reading goes on
            self.report(Diagnostic(offset, "malformed", _why(cls, payload, item, exc), code, cls.__name__, False))
            return None
        if step is not None and size > limit:
            extra = size - limit if step == 0 else (size - limit) % step
            if extra:
                self.report(Diagnostic(offset, "leftover", "payload of %s, the layout takes %d: %s left over, "
                                       "ignored" % (_plural(size, "byte"), size - extra, _plural(extra, "byte")),
                                       code, cls.__name__, True))
        return item

    def __iter__(self) -> Iterator[tuple[int, RLXDataItem]]:
        return self._pairs() if self.filter is None else self.filter.pairs(self)

    def _pairs(self) -> Iterator[tuple[int, RLXDataItem]]:
        decode = self.decode
        for batch in self.batches():
            for frame in batch:
                item = decode(frame)
                if item is not None:
                    yield frame[0], item


def iter_items(source: Source, serial: int = 0, hex: bool | None = None,
               on_diagnostic: Callable[[Diagnostic], object] | None = None,
               filter: str | DisplayFilter | None = None) -> Iterator[tuple[int, RLXDataItem]]:
    """(offset, item) for every item of a capture that decodes (and that ``filter`` selects); see
    :class:`Capture` for the arguments."""
    return iter(Capture(source, serial=serial, hex=hex, on_diagnostic=on_diagnostic, filter=filter))


def _filter(given: str | DisplayFilter | None) -> DisplayFilter | None:
    """The filters.Filter of a filter's text (or the Filter given), None for None."""
    if given is None:
        return None
    from rlx.data_items import filters  # only where a filter is given: it reads the catalog's names
    make: Callable[[Any], DisplayFilter] = filters.Filter
    return given if isinstance(given, filters.Filter) else make(given)


# ---------------------------------------------------------------------------
# Texts, trees and dumps


_TEXTS: list[Texts] = []


def texts() -> Texts:
    """The text of a field value as decode's lines show it (rlx.data_items._capture.Texts): numbers as the
    host writes them, text quoted, bytes as h'<hex>', serial numbers in the framework's form, lists in
    brackets (nesting kept), records in parentheses: their own text where they have one and hold no list,
    else their fields as name=value (_text_of says which, once per type). Raises whatever a value's own
    text raises."""
    if not _TEXTS:
        _TEXTS.append(_capture.Texts(catalog().NorvaneSerialNumber, _text_of))
    return _TEXTS[0]


def value_text(value: object) -> str:
    """A field value's text as decode's lines show it (see :func:`texts`)."""
    return texts()(value)


def _bytes_text(value: Bytes) -> str:
    return "h'%s'" % bytes(value).hex()


def _text_of(sample: object) -> bool | tuple[str, ...] | Callable[[Any], str]:
    """How texts() shows the values of the type of ``sample``, one it leaves to Python (met for the first
    time): True for a record's own text in parentheses, a tuple of field names for its fields as
    name=value, else a function of the value giving its text."""
    if isinstance(sample, (bytes, bytearray, memoryview)):
        return _bytes_text
    if isinstance(sample, catalog().UWBNetworkCommandItem):
        return str
    names, lists = _record_shape(sample)
    if own_text(sample) and not lists:
        return True if names else str
    return names


def _record_shape(sample: object) -> tuple[tuple[str, ...], bool]:
    """(field names, whether a field is a list) of a record's class, the same for every record of it
    whatever values they hold: from its ``definition``, or for a record without one from the fields its
    constructor sets (those of ``sample``)."""
    if isinstance(getattr(type(sample), "definition", None), list):
        declared = layout(type(sample))
        return tuple(f.name for f in declared), any(f.kind in _LIST_KINDS for f in declared)
    fields = record_fields(sample)
    return tuple(n for n, _ in fields), any(isinstance(v, (list, tuple)) for _, v in fields)


class _Span(NamedTuple):
    """Where a field lies in a payload: its offset and width in bytes; for a list of records, where each
    element lies and where each of its fields does."""
    at: int
    width: int
    elements: list[tuple[_Span, dict[str, _Span]]] | None = None


def _spans(obj: object, definition: list[Any], start: int) -> dict[str, _Span]:
    """{field name: span} of the fields of ``definition`` on ``obj`` from payload offset ``start``, each as
    wide as its kind encodes its value; stops at a field that does not encode."""
    spans = {}
    at = start
    for attr in definition:
        value = getattr(obj, attr.name, None)
        try:
            width = len(attr._encode(value))
        except Exception:  # a value its field cannot hold: the fields from here on have no known place
            break
        elements: list[tuple[_Span, dict[str, _Span]]] | None = None
        if isinstance(value, list) and value:
            elements, pos = [], at
            for element in value:
                inner = getattr(type(element), "definition", None)
                fields = _spans(element, inner, pos) if isinstance(inner, list) else {}
                if not isinstance(inner, list) or len(fields) != len(inner):
                    elements = None
                    break
                size = sum(s.width for s in fields.values())
                elements.append((_Span(pos, size), fields))
                pos += size
            if pos != at + width:
                elements = None
        spans[attr.name] = _Span(at, width, elements)
        at += width
    return spans


def _item_spans(item: RLXDataItem) -> tuple[dict[str, _Span], bool]:
    """({field name: span} of an item's fields in its payload, whether every field has one). An item's own
    encoder may write other than its fields encode to: where its bytes say so, only the fields at fixed
    places before any difference."""
    cls = type(item)
    spans = _spans(item, cls.definition, 0)
    if len(spans) == len(cls.definition) and not _has_own(cls, "_encode"):
        return spans, True
    try:
        import copy
        size: int | None = len(copy.copy(item)._encode()) - 4   # (an encoder may set count fields)
    except Exception:  # an item that does not encode: the fixed places alone
        size = None
    if len(spans) == len(cls.definition) and sum(s.width for s in spans.values()) == size:
        return spans, True
    fixed = {}
    for f in layout(cls):
        s = spans.get(f.name)
        if f.offset is None or s is None or (s.at, s.width) != (f.offset, f.size):
            break
        fixed[f.name] = _Span(s.at, s.width)
    return fixed, False


def show(item: RLXDataItem, offsets: bool = True, head: bool = True) -> str:
    """An item's fields as a tree, one a line (decode -V): each field by name and value as decode's lines
    show it, records and lists of records opened up one level per indent. With ``offsets`` each field
    (record, list element) gives where it lies in the payload, its byte offset and width: ``nt64 @0 +8: 1``.
    The first line (``head``) names the class and type code, with the payload size where every field's
    place is known."""
    cls = type(item)
    spans, complete = _item_spans(item) if offsets else ({}, False)
    lines = []
    if head:
        lines.append("%s 0x%04X" % (cls.__name__, _code(cls)))
        if complete:
            lines[0] += " (%s)" % _plural(sum(s.width for s in spans.values()), "payload byte")
    for attr in cls.definition:
        _tree(attr.name, getattr(item, attr.name, None), 1, lines, spans.get(attr.name))
    return "".join(line + "\n" for line in lines)


def _tree(label: str, value: object, indent: int, out: list[str], span: _Span | None = None,
          inner: dict[str, _Span] | None = None) -> None:
    """Lines of show(): a value by name, records and lists opened up one level per indent."""
    pad = "  " * indent
    if span is not None:
        label = "%s @%d +%d" % (label, span.at, span.width)
    module = catalog()
    plain = (int, float, str, bytes, bytearray, memoryview, module.NorvaneSerialNumber)
    if isinstance(value, (list, tuple)):
        if all(isinstance(v, plain) for v in value):
            out.append("%s%s: %s" % (pad, label, value_text(value)))
            return
        out.append("%s%s: %s" % (pad, label, _plural(len(value), "element")))
        elements = span.elements if span is not None else None
        for i, v in enumerate(value):
            at, fields = elements[i] if elements else (None, None)
            _tree("[%d]" % i, v, indent + 1, out, at, fields)
        return
    if isinstance(value, plain):
        out.append("%s%s: %s" % (pad, label, value_text(value)))
        return
    if isinstance(value, module.UWBNetworkCommandItem):
        frame = command_frame(value)
        out.append("%s%s: %s" % (pad, label, type(value).__name__))
        if frame is not None:
            for name, v in zip(("group", "type", "length", "data"), frame):
                out.append("%s  %s: %s" % (pad, name, "0x%02X" % v if name == "type" else value_text(v)))
        return
    out.append("%s%s: %s" % (pad, label, type(value).__name__))
    for name, v in record_fields(value):
        _tree(name, v, indent + 1, out, (inner or {}).get(name))


def hexdump(data: RLXDataItem | Bytes, indent: str = "") -> str:
    """A hex dump (decode -x), 16 bytes a line: the offset, the bytes in two groups of 8, the printable
    ASCII between bars. An item is encoded first: type code, payload length, payload (see :func:`encode`)."""
    raw = bytes(data) if isinstance(data, (bytes, bytearray, memoryview)) else encode(data)
    lines = []
    for at in range(0, len(raw), 16):
        row = raw[at:at + 16]
        cells = row.hex(" ")
        if len(row) > 8:
            cells = cells[:23] + " " + cells[23:]
        text = "".join(chr(b) if 32 <= b < 127 else "." for b in row)
        lines.append("%s%04x  %-49s |%s|\n" % (indent, at, cells, text))
    return "".join(lines)


# ---------------------------------------------------------------------------
# Field columns


# The columns that every item has: its byte offset in the capture, its class name and its type code.
PSEUDO_FIELDS = ("offset", "class", "type")
_PATH = re.compile(r"([A-Za-z_]\w*)(?:\[(-?\d+)\])?\Z")
_QUOTES = {"n": "", "d": '"', "s": "'", "csv": '"'}
_MISSING = object()
# The parts of a network command a path names, read from the frame it encodes to.
_COMMAND_PARTS = ("group", "type", "length", "data")


def _steps(path: str) -> list[tuple[str, int | None]]:
    """The steps of a field path, [(name, index or None)]: ``port_information[0].voltage``."""
    steps = []
    for part in (path[1:] if path.startswith(".") else path).split("."):
        found = _PATH.match(part)
        if found is None:
            raise ValueError("%s is not a field path (names with optional [index], joined by dots: "
                             "port_information[0].voltage)" % _show(path))
        steps.append((found.group(1), None if found.group(2) is None else int(found.group(2))))
    return steps


_PATHS: list[dict[str, set[str]]] = []


def field_paths() -> dict[str, set[str]]:
    """{field path without indexes: names of the item classes that have it} of every field of the catalog's
    items, the fields of their records and of their lists' records included (``port_information.voltage``)."""
    if _PATHS:
        return _PATHS[0]
    found: dict[str, set[str]] = {}
    commands = catalog().UWBNetworkCommandItem

    def new(cls: type) -> object:
        try:
            return cls()
        except Exception:  # a class that takes arguments: the fields of its layout alone
            return None

    def walk(prefix: str, owner: str, cls: type, sample: object) -> None:
        fields = {f.name: f for f in layout(cls)}
        names = list(fields) if fields else [n for n, _ in record_fields(sample)] if sample is not None else []
        for name in names:
            path = prefix + name
            found.setdefault(path, set()).add(owner)
            element = fields[name].element if name in fields else None
            value = getattr(sample, name, None)
            if element is not None and issubclass(element, commands):
                for part in _COMMAND_PARTS:
                    found.setdefault(path + "." + part, set()).add(owner)
            elif element is not None:
                walk(path + ".", owner, element, new(element))
            elif value is not None and not isinstance(value, _PLAIN_TYPES) and record_fields(value):
                walk(path + ".", owner, type(value), value)

    for cls in item_classes().values():
        walk("", cls.__name__, cls, new(cls))
    _PATHS.append(found)
    return found


_PLAIN_TYPES = (int, float, str, bytes, bytearray, memoryview, list, tuple)


def _check_path(path: str) -> list[tuple[str, int | None]]:
    """The steps of a field path that some item of the catalog has; ValueError naming close paths otherwise."""
    steps = _steps(path)
    known = field_paths()
    bare = ".".join(name for name, _ in steps)
    if bare in known:
        return steps
    import difflib
    names = sorted(set(known) | set(PSEUDO_FIELDS))
    close = difflib.get_close_matches(bare, names, n=3, cutoff=0.6)
    close += [p for p in names if p.endswith("." + bare) and p not in close][:3]
    hint = "; did you mean %s?" % " or ".join(close) if close else ""
    raise ValueError("no item of the catalog has a field %s%s" % (bare, hint))


def _resolve(item: object, steps: list[tuple[str, int | None]]) -> list[object]:
    """The values a field path reaches in an item: a list on the way is walked element by element, an index
    picks one element (from the end where negative), a list at the end gives its elements; [] where the
    item has no such field."""
    commands = catalog().UWBNetworkCommandItem
    current = [item]
    for name, index in steps:
        reached = []
        for value in current:
            for obj in value if isinstance(value, list) else (value,):
                if isinstance(obj, commands):
                    frame = command_frame(obj)
                    v = frame[_COMMAND_PARTS.index(name)] if frame is not None and name in _COMMAND_PARTS \
                        else _MISSING
                    if name == "type" and frame is not None:
                        v = "0x%02X" % frame[1]
                else:
                    v = getattr(obj, name, _MISSING)
                if v is _MISSING:
                    continue
                if index is not None:
                    if not (isinstance(v, (list, tuple)) and -len(v) <= index < len(v)):
                        continue
                    v = v[index]
                reached.append(v)
        current = reached
    out: list[object] = []
    for v in current:
        if isinstance(v, list):
            out.extend(v)
        else:
            out.append(v)
    return out


def cell_text(value: object, text: Callable[[object], str] = value_text) -> str:
    """A value's text in a column: as decode's lines show it (``text``), but text unquoted where it holds no
    control character and bytes as bare hex."""
    kind = type(value)
    if kind is str:
        return value if value.isprintable() else text(value)  # type: ignore[attr-defined,return-value]
    if kind is bytes or kind is bytearray or kind is memoryview:
        return bytes(value).hex()  # type: ignore[call-overload,no-any-return]
    return text(value)


class Columns:
    """Field columns of items, one line per item, as a packet analyser's field output writes them.

    ``fields``: field paths such as ``nt64``, ``port_information.voltage`` (every element's value),
    ``port_information[0].voltage`` (an index picks an element; negative from the end), or the pseudo-fields
    ``offset``, ``class`` and ``type`` (an item's own field of such a name is ``.offset``, ``.type``). A path
    that no item of the catalog has raises ValueError, naming close ones. An item without a field gives an
    empty cell.

    A field may occur more than once in an item (a path through a list, a list at its end): ``occurrence``
    ``"a"`` joins all with ``aggregator``, ``"f"`` takes the first, ``"l"`` the last, a number n the n-th
    (from 1; negative from the end). ``separator`` goes between cells; ``quote``: ``"n"`` none, ``"d"`` or
    ``"s"`` every cell in double or single quotes (a quote inside doubled), ``"csv"`` double quotes where
    a cell holds the separator or a quote (RFC 4180). ``line_end`` ends each line.

    Values are shown as decode's lines show them (numbers as Python writes them, serial numbers in the
    framework's form, records in parentheses), text unquoted and bytes as bare hex; text holding a control
    character is shown quoted with escapes, so that no cell breaks a line."""

    def __init__(self, fields: Sequence[str], occurrence: str | int = "a", aggregator: str = ",",
                 separator: str = "\t", quote: str = "n", line_end: str = "\n") -> None:
        if not fields:
            raise ValueError("no fields to show")
        if quote not in _QUOTES:
            raise ValueError("quote is one of %s, not %s" % (", ".join(_QUOTES), _show(quote)))
        if not (occurrence in ("a", "f", "l") or (type(occurrence) is int and occurrence != 0)):
            raise ValueError("occurrence is a (all), f (first), l (last) or a number from 1 (or from -1, counting "
                             "from the end), not %s" % _show(occurrence))
        if not separator:
            raise ValueError("the separator is empty")
        self.fields = tuple(fields)
        self.occurrence, self.aggregator = occurrence, aggregator
        self.separator, self.quote, self.line_end = separator, quote, line_end
        self._steps = [None if f in PSEUDO_FIELDS else _check_path(f) for f in self.fields]
        self._functions: dict[type, Callable[[Any, Any], str]] = {}

    def _quoted(self, cell: str) -> str:
        mark = _QUOTES[self.quote]
        if not mark or (self.quote == "csv" and self.separator not in cell and mark not in cell
                        and "\r" not in cell and "\n" not in cell):
            return cell
        return mark + cell.replace(mark, mark + mark) + mark

    def header(self) -> str:
        """The line of the field names."""
        return self.separator.join(map(self._quoted, self.fields)) + self.line_end

    def _pick(self, texts: list[str]) -> str:
        if self.occurrence == "a":
            return self.aggregator.join(texts)
        at = {"f": 0, "l": -1}.get(self.occurrence, self.occurrence)  # type: ignore[arg-type]
        at = at - 1 if type(at) is int and at > 0 else at
        return texts[at] if -len(texts) <= at < len(texts) else ""  # type: ignore[operator,index]

    def cells(self, offset: int, item: RLXDataItem, text: Callable[[object], str] = value_text) -> list[str]:
        """The cells of an item (unquoted), each value's text made by ``text``."""
        cls = type(item)
        names = {a.name for a in getattr(cls, "definition", ())}
        out = []
        for field, steps in zip(self.fields, self._steps):
            if steps is None:
                out.append(str(offset) if field == "offset" else cls.__name__ if field == "class"
                           else "0x%04X" % _code(cls))
            elif steps[0][0] not in names:      # (an attribute of the item that is none of its fields)
                out.append("")
            else:
                out.append(self._pick([cell_text(v, text) for v in _resolve(item, steps)]))
        return out

    def line(self, offset: int, item: RLXDataItem, text: Callable[[object], str] = value_text) -> str:
        """The line of an item, quoted and separated, line end included."""
        return self.separator.join(map(self._quoted, self.cells(offset, item, text))) + self.line_end

    def line_function(self, cls: type) -> Callable[[Any, Any], str]:
        """A function (frame, item) -> the line of an item of ``cls`` (frame: (offset, ...)), written once per
        class: the class's constant cells written into it, a top-level field read straight from the item, any
        other path walked by :func:`_resolve`. It raises where a value's own text does (:meth:`line` with
        another ``text`` then gives the line)."""
        function = self._functions.get(cls)
        if function is None:
            function = self._functions[cls] = self._make(cls)
        return function

    def _make(self, cls: type) -> Callable[[Any, Any], str]:
        names = {a.name for a in getattr(cls, "definition", ())}
        scope: dict[str, Any] = {"str": str, "resolve": _resolve, "cell": cell_text, "pick": self._pick,
                                 "q": self._quoted, "isinstance": isinstance, "list": list}
        form, args = [], []
        mark = _QUOTES[self.quote]
        for i, (field, steps) in enumerate(zip(self.fields, self._steps)):
            if steps is None and field == "offset":
                form.append("%s%%d%s" % (mark, mark) if self.quote != "csv" else "%d")
                args.append("frame[0]")
            elif steps is None:
                text = cls.__name__ if field == "class" else "0x%04X" % _code(cls)
                form.append(self._quoted(text).replace("%", "%%"))
            elif steps[0][0] not in names:
                form.append(self._quoted("").replace("%", "%%"))
            else:
                if len(steps) == 1 and steps[0][1] is None and self.occurrence in ("a", "f", "l", 1, -1):
                    # A field of the item itself: an int as it is (most values), a list as its occurrences.
                    expr = "(%s if (v := item.%s).__class__ is int else pick([cell(e) for e in v]) " \
                           "if isinstance(v, list) else cell(v))" % ("str(v)" if mark else "v", steps[0][0])
                else:
                    scope["s%d" % i] = steps
                    expr = "pick([cell(e) for e in resolve(item, s%d)])" % i
                form.append("%s")
                args.append("q(%s)" % expr if mark else expr)
        text = self.separator.replace("%", "%%").join(form) + self.line_end.replace("%", "%%")
        exec("def line(frame, item):\n    return %r %% (%s)\n" % (text, "".join(a + ", " for a in args)), scope)
        return scope["line"]  # type: ignore[no-any-return]
