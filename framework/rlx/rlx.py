"""RLX data item framework (project stand-in).

This module is the generic machinery the private data item catalog rests on:
the base item class ``RLXDataItem`` with its registering metaclass, the
attribute base class ``DataItemAttribute`` and its kinds, and serial numbers.
The catalog relies only on the names exported here and on their documented
behaviour; everything marked "choice" below is this framework's own decision
and may differ in another framework that meets the same contract.

Choices of this framework:

* Signal strength (``DISignalStrengthAttr``): signed 16-bit integer in
  hundredths of a dBm, 2 bytes. ``DICondensedSignalStrengthAttr``: one
  unsigned byte.
* ``DIRxStatsAttribute``: four unsigned 16-bit counters (8 bytes), held as a
  tuple of four integers.
* ``DIBoolAttr``: one byte, 0 or 1 on encoding; any non-zero byte decodes as
  True.
* Strings are UTF-8. A fixed-length string is padded with NUL bytes and ends
  at the first NUL on decoding; a string longer than its field is an error
  (``ValueError``), never silently cut. Fixed-length bytes shorter than the
  field are padded with NUL bytes, longer ones are an error.
* List kinds consume every whole element they are given; a trailing partial
  element raises ``struct.error`` rather than being dropped silently.
* ``NorvaneSerialNumber`` renders as eight upper-case hexadecimal digits with
  a ``0x`` prefix, e.g. ``0x0000002A``; it compares equal to its integer value.

The module is typed (``py.typed``): to a type checker ``RLXDataItem`` and the
kinds are classes, an item class's attributes are those its stub declares.
"""

from __future__ import annotations

import copy
import struct
from typing import Any, ClassVar, Dict, Iterator, List, Optional, Protocol, Tuple, Type, Union, cast

__all__ = [
    "struct",
    "NorvaneSerialNumber",
    "DataItemAttribute",
    "DIUInt8Attr", "DIUInt16Attr", "DIUInt32Attr", "DIUInt64Attr",
    "DIInt8Attr", "DIInt16Attr", "DIInt32Attr", "DIInt64Attr",
    "DIFloatAttr", "DIDoubleAttr",
    "DISerialNumberAttr", "DISerialNumberListAttr", "DIUInt16ListAttr",
    "DIListAttr",
    "DIFixedLengthBytesAttr", "DIFixedLengthStrAttr",
    "DIVariableLengthBytesAttr", "DIVariableLengthStrAttr",
    "DIBoolAttr", "DISignalStrengthAttr", "DICondensedSignalStrengthAttr",
    "DIRxStatsAttribute",
    "RLXDataItem", "RLXDataItemMeta", "RLXStreamError",
    "get_item_class", "known_item_types", "decode_item", "iter_items",
]

_ITEM_HEADER = struct.Struct("<HH")
_U32 = struct.Struct("<I")

# What a payload or a part of one may be held in.
Buffer = Union[bytes, bytearray, memoryview]


class _Reader(Protocol):
    def read(self, size: int, /) -> bytes: ...


class RLXStreamError(ValueError):
    """A byte stream of items could not be split into items (truncated header or payload)."""


class NorvaneSerialNumber:
    """A device serial number: an unsigned 32-bit value with value semantics."""

    __slots__ = ("value",)

    def __init__(self, value: Union[int, NorvaneSerialNumber] = 0) -> None:
        value = int(value)
        if not 0 <= value <= 0xFFFFFFFF:
            raise ValueError("serial number out of range: %d" % value)
        self.value = value

    def __int__(self) -> int:
        return self.value

    __index__ = __int__

    def __eq__(self, other: object) -> bool:
        if isinstance(other, NorvaneSerialNumber):
            return self.value == other.value
        if isinstance(other, int):
            return self.value == other
        return NotImplemented

    def __hash__(self) -> int:
        return hash(self.value)

    def __str__(self) -> str:
        return "0x%08X" % self.value

    def __repr__(self) -> str:
        return "NorvaneSerialNumber(0x%08X)" % self.value


class DataItemAttribute:
    """One field of a payload layout: name, packing format, size and default value.

    ``_encode(value)`` returns the field's bytes; ``_decode(data)`` reads the
    field from the front of ``data`` and returns ``(value, bytes consumed)``.
    """

    def __init__(self, name: str, format: str, size: int, default: Any = None) -> None:
        self.name = name
        self.format = format
        self.size = size
        self.default = default
        # Every kind that packs through it has a format; the others override both codecs.
        self._struct = cast(struct.Struct, struct.Struct("<" + format) if format else None)

    def default_value(self) -> Any:
        """A fresh default for a new item: a mutable default (a list, a record)
        is copied, so that changing one item's value never shows in another's."""
        default = self.default
        if isinstance(default, (int, float, str, bytes, tuple, bool, type(None))):
            return default
        return copy.copy(default)

    def _encode(self, value: Any) -> bytes:
        return self._struct.pack(value)

    def _decode(self, data: Buffer) -> Tuple[Any, int]:
        return self._struct.unpack_from(data)[0], self.size

    def __repr__(self) -> str:
        return "%s(%r)" % (type(self).__name__, self.name)


class _Scalar(DataItemAttribute):
    """A number of a fixed width: the class's ``FORMAT`` and ``DEFAULT``."""

    FORMAT: ClassVar[str]
    DEFAULT: ClassVar[Union[int, float]] = 0

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, self.FORMAT, struct.calcsize("<" + self.FORMAT), self.DEFAULT)


class DIUInt8Attr(_Scalar):
    """1-byte field, format 'B'."""
    FORMAT = "B"


class DIUInt16Attr(_Scalar):
    """2-byte field, format 'H'."""
    FORMAT = "H"


class DIUInt32Attr(_Scalar):
    """4-byte field, format 'I'."""
    FORMAT = "I"


class DIUInt64Attr(_Scalar):
    """8-byte field, format 'Q'."""
    FORMAT = "Q"


class DIInt8Attr(_Scalar):
    """1-byte field, format 'b'."""
    FORMAT = "b"


class DIInt16Attr(_Scalar):
    """2-byte field, format 'h'."""
    FORMAT = "h"


class DIInt32Attr(_Scalar):
    """4-byte field, format 'i'."""
    FORMAT = "i"


class DIInt64Attr(_Scalar):
    """8-byte field, format 'q'."""
    FORMAT = "q"


class DIFloatAttr(_Scalar):
    """4-byte field, format 'f'."""
    FORMAT, DEFAULT = "f", 0.0


class DIDoubleAttr(_Scalar):
    """8-byte field, format 'd'."""
    FORMAT, DEFAULT = "d", 0.0


class DISignalStrengthAttr(_Scalar):
    """2-byte field, format 'h'."""
    FORMAT = "h"


class DICondensedSignalStrengthAttr(_Scalar):
    """1-byte field, format 'B'."""
    FORMAT = "B"


class DIBoolAttr(DataItemAttribute):
    """One byte: 0 is False, anything else True."""

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, "B", 1, False)

    def _encode(self, value: Any) -> bytes:
        return b"\x01" if value else b"\x00"

    def _decode(self, data: Buffer) -> Tuple[bool, int]:
        return self._struct.unpack_from(data)[0] != 0, 1


class DIRxStatsAttribute(DataItemAttribute):
    """Reception statistics: four unsigned 16-bit counters, held as a tuple."""

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, "HHHH", 8, (0, 0, 0, 0))

    def _encode(self, value: Any) -> bytes:
        return self._struct.pack(*value)

    def _decode(self, data: Buffer) -> Tuple[Tuple[int, ...], int]:
        return self._struct.unpack_from(data), 8


class DISerialNumberAttr(DataItemAttribute):
    """A serial number, 4 bytes; decodes to a NorvaneSerialNumber."""

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, "I", 4, 0)

    def _encode(self, value: Any) -> bytes:
        return _U32.pack(int(value))

    def _decode(self, data: Buffer) -> Tuple[NorvaneSerialNumber, int]:
        return NorvaneSerialNumber(_U32.unpack_from(data)[0]), 4


def _whole_elements(data: Buffer, size: int, what: str) -> int:
    count, rest = divmod(len(data), size)
    if rest:
        raise struct.error("%s: %d trailing bytes do not make a whole %d-byte element" % (what, rest, size))
    return count


class DISerialNumberListAttr(DataItemAttribute):
    """Serial numbers back to back, 4 bytes each, no count."""

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, "I", 4, [])

    def _encode(self, value: Any) -> bytes:
        return b"".join(_U32.pack(int(v)) for v in value)

    def _decode(self, data: Buffer) -> Tuple[List[NorvaneSerialNumber], int]:
        count = _whole_elements(data, 4, self.name)
        return [NorvaneSerialNumber(v) for (v,) in _U32.iter_unpack(bytes(data[:count * 4]))], count * 4


class DIUInt16ListAttr(DataItemAttribute):
    """Unsigned 16-bit values back to back, no count."""

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, "H", 2, [])

    def _encode(self, value: Any) -> bytes:
        return struct.pack("<%dH" % len(value), *value)

    def _decode(self, data: Buffer) -> Tuple[List[int], int]:
        count = _whole_elements(data, 2, self.name)
        return list(struct.unpack_from("<%dH" % count, data)), count * 2


class DIListAttr(DataItemAttribute):
    """Elements of a record class back to back, each laid out by the class's ``definition``; no count."""

    def __init__(self, name: str, element_class: Type[Any]) -> None:
        DataItemAttribute.__init__(self, name, "", 0, [])
        self.element_class = element_class

    def _encode(self, value: Any) -> bytes:
        parts = []
        for element in value:
            for attr in type(element).definition:
                parts.append(attr._encode(getattr(element, attr.name)))
        return b"".join(parts)

    def _decode(self, data: Buffer) -> Tuple[List[Any], int]:
        element_class = self.element_class
        definition: List[DataItemAttribute] = element_class.definition
        elements = []
        offset = 0
        end = len(data)
        view = memoryview(data)
        while offset < end:
            element = element_class()
            start = offset
            for attr in definition:
                value, used = attr._decode(view[offset:])
                offset += used
                setattr(element, attr.name, value)
            if offset == start:
                raise ValueError("%s: element class %s consumes no bytes" % (self.name, element_class.__name__))
            elements.append(element)
        return elements, offset


class DIFixedLengthBytesAttr(DataItemAttribute):
    """Exactly ``length`` bytes; shorter values are padded with NUL bytes."""

    def __init__(self, name: str, length: int) -> None:
        DataItemAttribute.__init__(self, name, "%ds" % length, length, bytes(length))

    def _encode(self, value: Any) -> bytes:
        value = bytes(value)
        if len(value) > self.size:
            raise ValueError("%s: %d bytes do not fit a %d-byte field" % (self.name, len(value), self.size))
        return self._struct.pack(value)


class DIFixedLengthStrAttr(DataItemAttribute):
    """A UTF-8 string in exactly ``length`` bytes, NUL padded; decoding stops at the first NUL."""

    def __init__(self, name: str, length: int) -> None:
        DataItemAttribute.__init__(self, name, "%ds" % length, length, "")

    def _encode(self, value: Any) -> bytes:
        raw = value.encode("utf-8")
        if len(raw) > self.size:
            raise ValueError("%s: %d bytes do not fit a %d-byte field" % (self.name, len(raw), self.size))
        return self._struct.pack(raw)

    def _decode(self, data: Buffer) -> Tuple[str, int]:
        raw: bytes = self._struct.unpack_from(data)[0]
        return raw.split(b"\x00", 1)[0].decode("utf-8"), self.size


class DIVariableLengthBytesAttr(DataItemAttribute):
    """All remaining bytes, no length prefix."""

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, "", 0, b"")

    def _encode(self, value: Any) -> bytes:
        return bytes(value)

    def _decode(self, data: Buffer) -> Tuple[bytes, int]:
        return bytes(data), len(data)


class DIVariableLengthStrAttr(DataItemAttribute):
    """All remaining bytes as a UTF-8 string, no length prefix."""

    def __init__(self, name: str) -> None:
        DataItemAttribute.__init__(self, name, "", 0, "")

    def _encode(self, value: Any) -> bytes:
        text: str = value
        return text.encode("utf-8")

    def _decode(self, data: Buffer) -> Tuple[str, int]:
        return bytes(data).decode("utf-8"), len(data)


_registry: Dict[int, Type[RLXDataItem]] = {}


class RLXDataItemMeta(type):
    """Registers every item class under its ``type`` code when the class is created."""

    def __init__(cls, name: str, bases: Tuple[type, ...], namespace: Dict[str, Any], **kwargs: Any) -> None:
        super().__init__(name, bases, namespace, **kwargs)
        code = namespace.get("type")
        if isinstance(code, int):
            _registry[code] = cast(Type[RLXDataItem], cls)


class RLXDataItem(metaclass=RLXDataItemMeta):
    """Base of every data item: ``type`` (16-bit code) and ``definition`` (payload layout)."""

    type: ClassVar[Optional[int]] = None
    definition: ClassVar[List[DataItemAttribute]] = []
    rlx_header_serial: Optional[NorvaneSerialNumber]
    di_data: Optional[Buffer]
    di_size: int

    def __init__(self) -> None:
        for attr in type(self).definition:
            setattr(self, attr.name, attr.default_value())
        self.rlx_header_serial = None
        self.di_data = None
        self.di_size = 0

    def _encode(self) -> bytes:
        payload = b"".join([attr._encode(getattr(self, attr.name)) for attr in type(self).definition])
        self.di_size = len(payload)
        # The class's code: an item may carry a payload field that is itself named `type`.
        return _ITEM_HEADER.pack(type(self).type, self.di_size) + payload

    def _decode(self) -> None:
        # Without a payload the first entry fails in struct's unpacking, as any short payload does.
        data: Any = self.di_data
        for attr in type(self).definition:
            value, used = attr._decode(data)
            data = self.di_data = data[used:]
            setattr(self, attr.name, value)
        self.di_data = None

    def __repr__(self) -> str:
        fields = ", ".join("%s=%r" % (a.name, getattr(self, a.name, None)) for a in type(self).definition)
        return "%s(%s)" % (type(self).__name__, fields)


def get_item_class(type_code: int) -> Optional[Type[RLXDataItem]]:
    """The item class registered for ``type_code``, or None."""
    return _registry.get(type_code)


def known_item_types() -> List[int]:
    """The registered type codes, ascending."""
    return sorted(_registry)


def decode_item(type_code: int, payload: Buffer, serial: int = 0) -> RLXDataItem:
    """Build and decode the item of ``type_code`` from its payload, as a receiver does.

    Raises KeyError for an unknown type code; decoding errors propagate.
    """
    cls = _registry[type_code]
    item = cls()
    item.rlx_header_serial = NorvaneSerialNumber(serial)
    item.di_size = len(payload)
    item.di_data = bytes(payload)
    item._decode()
    return item


def iter_items(stream: _Reader) -> Iterator[Tuple[int, int, bytes]]:
    """Split a binary stream (a file object) into ``(offset, type_code, payload)`` triples.

    Each item is a type code (u16 LE), a payload length (u16 LE) and the
    payload. Reads incrementally; a stream that ends inside an item raises
    RLXStreamError after the complete items before it were yielded.
    """
    offset = 0
    while True:
        header = stream.read(4)
        if not header:
            return
        if len(header) < 4:
            raise RLXStreamError("offset %d: stream ends inside an item header (%d of 4 bytes)" % (offset, len(header)))
        type_code, length = _ITEM_HEADER.unpack(header)
        payload = stream.read(length) if length else b""
        if len(payload) < length:
            raise RLXStreamError("offset %d: item 0x%04X announces %d payload bytes, stream holds %d"
                                 % (offset, type_code, length, len(payload)))
        yield offset, type_code, payload
        offset += 4 + length
