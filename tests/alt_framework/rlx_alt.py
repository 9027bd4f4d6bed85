"""A second framework written only from the catalog's contract, deliberately
unlike the project's own: no __all__, 4-byte float signal strength, a serial
text form of its own, a list-based registry, memoryview slicing in the walk."""
import struct

_items = []          # registry: every item class in creation order


class NorvaneSerialNumber(int):
    def __new__(cls, value=0):
        return int.__new__(cls, int(value))

    def __str__(self):
        return "SN-%d" % int(self)


class DataItemAttribute(object):
    def __init__(self, name, format, size, default):
        self.name, self.format, self.size, self.default = name, format, size, default

    def fresh(self):
        return list(self.default) if isinstance(self.default, list) else self.default

    def _encode(self, value):
        return struct.pack("<" + self.format, value)

    def _decode(self, data):
        return struct.unpack("<" + self.format, bytes(data[:self.size]))[0], self.size


def _kind(fmt, default=0):
    class Kind(DataItemAttribute):
        def __init__(self, name):
            DataItemAttribute.__init__(self, name, fmt, struct.calcsize("<" + fmt), default)
    return Kind


DIUInt8Attr, DIUInt16Attr, DIUInt32Attr, DIUInt64Attr = (_kind(f) for f in "BHIQ")
DIInt8Attr, DIInt16Attr, DIInt32Attr, DIInt64Attr = (_kind(f) for f in "bhiq")
DIFloatAttr, DIDoubleAttr = _kind("f", 0.0), _kind("d", 0.0)
DISignalStrengthAttr = _kind("f", 0.0)
DICondensedSignalStrengthAttr = _kind("b")
DIBoolAttr = _kind("?", False)
DIRxStatsAttribute = _kind("I")


class DISerialNumberAttr(DataItemAttribute):
    def __init__(self, name):
        DataItemAttribute.__init__(self, name, "I", 4, 0)

    def _decode(self, data):
        value, used = DataItemAttribute._decode(self, data)
        return NorvaneSerialNumber(value), used


class _Rest(DataItemAttribute):
    def __init__(self, name, default):
        DataItemAttribute.__init__(self, name, "", 0, default)


class DIVariableLengthBytesAttr(_Rest):
    def __init__(self, name):
        _Rest.__init__(self, name, b"")

    def _encode(self, value):
        return bytes(value)

    def _decode(self, data):
        return bytes(data), len(data)


class DIVariableLengthStrAttr(_Rest):
    def __init__(self, name):
        _Rest.__init__(self, name, "")

    def _encode(self, value):
        return value.encode("latin-1")

    def _decode(self, data):
        return bytes(data).decode("latin-1"), len(data)


class DIFixedLengthBytesAttr(DataItemAttribute):
    def __init__(self, name, length):
        DataItemAttribute.__init__(self, name, "%ds" % length, length, b"\0" * length)


class DIFixedLengthStrAttr(DIFixedLengthBytesAttr):
    def __init__(self, name, length):
        DataItemAttribute.__init__(self, name, "%ds" % length, length, "")

    def _encode(self, value):
        return DIFixedLengthBytesAttr._encode(self, value.encode("latin-1"))

    def _decode(self, data):
        raw, used = DIFixedLengthBytesAttr._decode(self, data)
        return raw.rstrip(b"\0").decode("latin-1"), used


class _ListKind(_Rest):
    step = 4
    fmt = "I"

    def __init__(self, name):
        _Rest.__init__(self, name, [])

    def _encode(self, value):
        return b"".join(struct.pack("<" + self.fmt, int(v)) for v in value)

    def _decode(self, data):
        n = len(data) // self.step
        return [self.wrap(v) for v in struct.unpack("<%d%s" % (n, self.fmt), bytes(data[:n * self.step]))], len(data)

    wrap = staticmethod(NorvaneSerialNumber)


DISerialNumberListAttr = _ListKind


class DIUInt16ListAttr(_ListKind):
    step, fmt, wrap = 2, "H", staticmethod(int)


class DIListAttr(_Rest):
    def __init__(self, name, element):
        _Rest.__init__(self, name, [])
        self.element = element

    def _encode(self, value):
        return b"".join(a._encode(getattr(e, a.name)) for e in value for a in self.element.definition)

    def _decode(self, data):
        out, pos = [], 0
        while pos < len(data):
            e = self.element()
            for a in self.element.definition:
                v, used = a._decode(data[pos:])
                setattr(e, a.name, v)
                pos += used
            out.append(e)
        return out, len(data)


class _Meta(type):
    def __new__(mcs, name, bases, ns):
        cls = type.__new__(mcs, name, bases, ns)
        if "type" in ns:
            _items.append(cls)
        return cls


class RLXDataItem(object, metaclass=_Meta):
    definition = []

    def __init__(self):
        for a in self.definition:
            setattr(self, a.name, a.fresh())
        self.di_data = None
        self.di_size = 0

    def _encode(self):
        body = b"".join(a._encode(getattr(self, a.name)) for a in self.definition)
        self.di_size = len(body)
        return struct.pack("<HH", type(self).type, self.di_size) + body

    def _decode(self):
        view = memoryview(self.di_data)
        for a in self.definition:
            value, used = a._decode(view)
            view = view[used:]
            self.di_data = bytes(view)
            setattr(self, a.name, value)
        self.di_data = None


def find(code):
    return [c for c in _items if c.type == code]
