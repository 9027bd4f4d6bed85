"""Command-line tool for the private data item catalog.

    python3 -m rlx.data_items decode [FILE] [--json] [--serial N] [--summary] [--no-progress]
    python3 -m rlx.data_items catalog
    python3 -m rlx.data_items show NAME

A capture is a stream of items, each a type code (u16 LE), a payload length
(u16 LE) and the payload; either raw binary or hex text (whitespace and
``#`` comments ignored). The stream is read incrementally, never whole.

While a long decode runs with standard error on a terminal, one line there
tells how far it got (items, bytes, rate), rewritten in place and cleared at
the end. ``--summary`` ends the run with a summary on standard error, so that
standard output stays one line per item.
"""

import argparse
import collections
import json
import string
import struct
import sys
import time
from importlib import resources

_HEADER = struct.Struct("<HH")
_HEX_CHARS = frozenset(string.hexdigits + string.whitespace)
_VARIABLE_KINDS = ("DIListAttr", "DISerialNumberListAttr", "DIUInt16ListAttr",
                   "DIVariableLengthBytesAttr", "DIVariableLengthStrAttr")


def _catalog():
    from rlx.data_items import private_data_items
    return private_data_items


def declared_classes(module):
    """The classes the catalog declares, in catalog (declaration) order."""
    return [v for v in vars(module).values()
            if isinstance(v, type) and v.__module__ == module.__name__]


def class_kind(module, cls):
    if issubclass(cls, module.RLXDataItem):
        return "item"
    if issubclass(cls, module.DataItemAttribute):
        return "attribute kind"
    return "record"


def kind_name(module, attr):
    """The name the framework exports an attribute's kind under (its classes' own names are its affair)."""
    for cls in type(attr).__mro__:
        names = [k for k, v in vars(module).items() if v is cls and not k.startswith("_")]
        if names:
            return cls.__name__ if cls.__name__ in names else names[0]
    return type(attr).__name__


def element_class(attr):
    """The element class a list attribute was built with: the one value it holds that is a class with a
    ``definition`` (where the framework keeps it is its own affair); None if there is no such value."""
    found = [v for v in vars(attr).values() if isinstance(v, type) and hasattr(v, "definition")]
    return found[0] if len(found) == 1 else None


def _is_variable(module, attr):
    return any(isinstance(attr, getattr(module, name)) for name in _VARIABLE_KINDS if hasattr(module, name))


def fixed_size(module, cls):
    """Payload size when every attribute has a fixed width, else None."""
    definition = getattr(cls, "definition", None)
    if not isinstance(definition, list) or class_kind(module, cls) == "attribute kind":
        return None
    if any(_is_variable(module, a) for a in definition):
        return None
    return sum(a.size for a in definition)


# ---------------------------------------------------------------------------
# Input streams


class _HexReader:
    """A binary ``read(n)`` over a text stream of hex digits."""

    def __init__(self, text):
        self._text = text
        self._odd = ""          # a digit waiting for its partner on the next line
        self._buffer = bytearray()
        self._eof = False

    def _fill(self, n):
        while len(self._buffer) < n and not self._eof:
            line = self._text.readline()
            if not line:
                self._eof = True
                if self._odd:
                    raise ValueError("hex text ends with an odd number of digits")
                break
            digits = self._odd + "".join(line.split("#", 1)[0].split())
            self._odd = ""
            if len(digits) % 2:
                self._odd, digits = digits[-1], digits[:-1]
            self._buffer += bytes.fromhex(digits)

    def read(self, n):
        self._fill(n)
        out = bytes(self._buffer[:n])
        del self._buffer[:n]
        return out


def _looks_like_hex(sample):
    try:
        text = sample.decode("ascii")
    except UnicodeDecodeError:
        return False
    lines = [line.split("#", 1)[0] for line in text.splitlines()]
    return all(c in _HEX_CHARS for line in lines for c in line)


def open_capture(binary):
    """A ``read(n)`` object for a binary stream holding raw items or hex text."""
    peek = binary.peek(4096)[:4096] if hasattr(binary, "peek") else b""
    if peek and _looks_like_hex(peek):
        import io
        return _HexReader(io.TextIOWrapper(binary, encoding="ascii"))
    return binary


def iter_raw_items(reader):
    """Yields (offset, type code, payload); raises EOFError for a stream ending inside an item."""
    offset = 0
    while True:
        header = reader.read(4)
        if not header:
            return
        if len(header) < 4:
            raise EOFError("offset %d: stream ends inside an item header (%d of 4 bytes)" % (offset, len(header)))
        code, length = _HEADER.unpack(header)
        payload = reader.read(length) if length else b""
        if len(payload) < length:
            raise EOFError("offset %d: item 0x%04X announces %d payload bytes, the stream ends after %d"
                           % (offset, code, length, len(payload)))
        yield offset, code, payload
        offset += 4 + length


# ---------------------------------------------------------------------------
# Rendering


def own_text(module, item):
    """The item's own text rendering, or None when it defines none."""
    for klass in type(item).__mro__:
        if klass is module.RLXDataItem or klass is object:
            return None
        if "__str__" in vars(klass):
            return str(item)
    return None


def _plain(module, value):
    """A value in a form json can write."""
    if isinstance(value, (bytes, bytearray, memoryview)):
        return bytes(value).hex()
    if isinstance(value, (list, tuple)):
        return [_plain(module, v) for v in value]
    if isinstance(value, (bool, int, float, str)) or value is None:
        return value
    if isinstance(value, module.NorvaneSerialNumber):
        return str(value)
    definition = getattr(type(value), "definition", None)
    if isinstance(definition, list) and definition:
        return {a.name: _plain(module, getattr(value, a.name, None)) for a in definition}
    return str(value)


def _text(module, value):
    if isinstance(value, (bytes, bytearray, memoryview)):
        return bytes(value).hex() or "''"
    if isinstance(value, str):
        return repr(value)
    if isinstance(value, (list, tuple)):
        return "[" + "; ".join(_text(module, v) for v in value) + "]"
    if isinstance(value, float):
        return repr(value)
    text = str(value)
    return "(" + text + ")" if ", " in text else text


def _fields(item):
    return [(a.name, getattr(item, a.name, None)) for a in getattr(type(item), "definition", [])]


def render_line(module, item):
    head = "%s 0x%04X" % (type(item).__name__, type(item).type)
    text = own_text(module, item)
    if text is not None:
        return head + " " + " | ".join(text.splitlines())
    fields = " ".join("%s=%s" % (n, _text(module, v)) for n, v in _fields(item))
    return head + (" " + fields if fields else "")


def render_json(module, offset, item):
    record = {"offset": offset, "class": type(item).__name__, "type": type(item).type,
              "fields": {n: _plain(module, v) for n, v in _fields(item)}}
    text = own_text(module, item)
    if text is not None:
        record["text"] = text
    return json.dumps(record)


# ---------------------------------------------------------------------------
# Commands


def _amount(n):
    for unit in ("B", "KiB", "MiB"):
        if n < 1024 or unit == "MiB":
            return "%d %s" % (n, unit) if unit == "B" else "%.1f %s" % (n, unit)
        n /= 1024.0


class Progress:
    """One line on a terminal telling how far a decode got, rewritten in place.

    The decoding loop calls ``update`` every ``EVERY`` items only, so the
    clock is read rarely; the line first shows once ``interval`` seconds have
    passed, so a short decode shows nothing. ``clear`` blanks the line (before
    a diagnostic, and at the end)."""

    EVERY = 256

    def __init__(self, stream, interval=0.5, clock=time.monotonic):
        self.stream = stream
        self.interval = interval
        self.clock = clock
        self.start = clock()
        self.due = self.start + interval
        self.width = 0

    def update(self, items, size):
        now = self.clock()
        if now < self.due:
            return
        self.due = now + self.interval
        elapsed = now - self.start
        text = "decoding: %d items, %s, %.0f items/s" % (items, _amount(size), items / elapsed if elapsed > 0 else 0.0)
        self.stream.write("\r" + text + " " * max(0, self.width - len(text)))
        self.stream.flush()
        self.width = len(text)

    def clear(self):
        if self.width:
            self.stream.write("\r" + " " * self.width + "\r")
            self.stream.flush()
            self.width = 0


class Tally:
    """What a decode met: items per class, unknown type codes, malformed items, totals."""

    def __init__(self):
        self.decoded = collections.Counter()     # class name -> items decoded
        self.unknown = collections.Counter()     # type code -> items
        self.malformed = collections.Counter()   # (class name, type code) -> items
        self.items = 0
        self.size = 0                            # bytes of the complete items
        self.stream_error = None

    def write(self, stream):
        def by_count(counter):
            return sorted(counter.items(), key=lambda kv: (-kv[1], kv[0]))

        lines = ["summary: %d items, %d bytes: %d decoded, %d unknown, %d malformed"
                 % (self.items, self.size, sum(self.decoded.values()), sum(self.unknown.values()),
                    sum(self.malformed.values()))]
        if self.decoded:
            lines.append("items per class:")
            lines += ["  %8d  %s" % (n, name) for name, n in by_count(self.decoded)]
        if self.unknown:
            lines.append("unknown type codes:")
            lines += ["  %8d  0x%04X" % (n, code) for code, n in by_count(self.unknown)]
        if self.malformed:
            lines.append("malformed items:")
            lines += ["  %8d  %s 0x%04X" % (n, name, code) for (name, code), n in by_count(self.malformed)]
        if self.stream_error:
            lines.append("stream: %s" % self.stream_error)
        stream.write("\n".join(lines) + "\n")


def decode_stream(module, reader, out, err, as_json=False, serial=0, progress=None, tally=None):
    """Decodes every item of the stream; returns the number of failures.

    ``progress`` (a Progress) is updated as items go by; ``tally`` (a Tally)
    counts what was met."""
    by_code = {c.type: c for c in declared_classes(module)
               if class_kind(module, c) == "item" and isinstance(c.type, int)}
    tally = Tally() if tally is None else tally
    decoded, unknown, malformed = tally.decoded, tally.unknown, tally.malformed

    def report(message):
        if progress is not None:
            progress.clear()
        err.write(message)

    failures = 0
    items = 0
    size = 0
    check_at = Progress.EVERY
    try:
        for offset, code, payload in iter_raw_items(reader):
            items += 1
            size = offset + 4 + len(payload)
            if items >= check_at and progress is not None:
                check_at = items + Progress.EVERY
                progress.update(items, size)
            cls = by_code.get(code)
            if cls is None:
                report("error: offset %d: unknown type code 0x%04X (%d payload bytes)\n" % (offset, code, len(payload)))
                unknown[code] += 1
                failures += 1
                continue
            try:
                item = cls()
                item.rlx_header_serial = module.NorvaneSerialNumber(serial)
                item.di_size = len(payload)
                item.di_data = payload
                item._decode()
                line = render_json(module, offset, item) if as_json else render_line(module, item)
            except Exception as exc:  # every decoding failure is reported, then the next item follows
                report("error: offset %d: %s 0x%04X: %s: %s\n" % (offset, cls.__name__, code, type(exc).__name__, exc))
                malformed[cls.__name__, code] += 1
                failures += 1
                continue
            decoded[cls.__name__] += 1
            out.write(line + "\n")
    except (EOFError, ValueError) as exc:
        report("error: %s\n" % exc)
        tally.stream_error = str(exc)
        failures += 1
    finally:
        tally.items += items
        tally.size += size
        if progress is not None:
            progress.clear()
    return failures


def cmd_decode(args):
    module = _catalog()
    if args.file is None:
        source = resources.files("rlx.data_items").joinpath("sample_capture.hex").open("rb")
    elif args.file == "-":
        source = sys.stdin.buffer
    else:
        try:
            source = open(args.file, "rb")
        except OSError as exc:
            sys.stderr.write("error: %s\n" % exc)
            return 2
    progress = None
    if args.progress and sys.stderr.isatty():
        progress = Progress(sys.stderr, interval=args.progress_interval)
    tally = Tally()
    with source:
        failures = decode_stream(module, open_capture(source), sys.stdout, sys.stderr,
                                 as_json=args.json, serial=args.serial, progress=progress, tally=tally)
    if args.summary:
        sys.stdout.flush()
        tally.write(sys.stderr)
    return 1 if failures else 0


def _seconds(text):
    value = float(text)
    if not value >= 0:
        raise argparse.ArgumentTypeError("not a number of seconds: %r" % text)
    return value


def cmd_catalog(args):
    module = _catalog()
    for index, cls in enumerate(declared_classes(module), 1):
        kind = class_kind(module, cls)
        code = "0x%04X" % cls.type if kind == "item" and isinstance(cls.type, int) else "-"
        size = fixed_size(module, cls)
        if kind == "attribute kind":
            size = "-"
        elif size is None:
            size = "variable"
        print("%3d  %-40s %-14s %-6s %s" % (index, cls.__name__, kind, code, size))
    return 0


def cmd_show(args):
    module = _catalog()
    cls = next((c for c in declared_classes(module) if c.__name__ == args.name), None)
    if cls is None:
        sys.stderr.write("error: no class named %r in the catalog\n" % args.name)
        return 2
    kind = class_kind(module, cls)
    head = "%s (%s" % (cls.__name__, kind)
    if kind == "item":
        head += ", type 0x%04X" % cls.type
    print(head + ")")
    if cls.__doc__:
        print("  " + cls.__doc__.strip().splitlines()[0])
    definition = getattr(cls, "definition", None)
    if kind == "attribute kind":
        print("  format %r, size %s" % (getattr(cls("x"), "format", "?"), getattr(cls("x"), "size", "?")))
        return 0
    if not isinstance(definition, list):
        print("  no definition")
        return 0
    offset = 0
    print("  %-8s %-32s %-30s %s" % ("offset", "attribute", "kind", "width"))
    for a in definition:
        variable = _is_variable(module, a)
        width = "rest" if variable else str(a.size)
        if isinstance(a, getattr(module, "DIListAttr", ())):
            element = element_class(a)
            width = "list of %s" % element.__name__ if element else "list"
        print("  %-8s %-32s %-30s %s" % (offset, a.name, kind_name(module, a), width))
        offset = "variable" if variable or not isinstance(offset, int) else offset + a.size
    if isinstance(offset, int):
        print("  payload: %d bytes" % offset)
    return 0


def main(argv=None):
    parser = argparse.ArgumentParser(prog="python3 -m rlx.data_items",
                                     description="Decode RLX private data items and inspect their catalog.")
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("decode", help="decode a capture (default: the bundled sample)")
    p.add_argument("file", nargs="?", help="capture file, binary or hex text; '-' for standard input")
    p.add_argument("--json", action="store_true", help="one JSON object per item")
    p.add_argument("--serial", type=lambda s: int(s, 0), default=0,
                   help="serial number of the packet header the items came in (default 0)")
    p.add_argument("--summary", action="store_true",
                   help="at the end, print a summary on standard error (standard output keeps one line per "
                        "item): items per class by count, unknown type codes, malformed items, total items "
                        "and bytes")
    p.add_argument("--no-progress", dest="progress", action="store_false",
                   help="no progress line; by default a long decode shows one on standard error, rewritten "
                        "in place, when standard error is a terminal (never otherwise)")
    p.add_argument("--progress-interval", type=_seconds, default=0.5, metavar="SECONDS",
                   help="time between progress updates (default %(default)s)")
    p.set_defaults(run=cmd_decode)
    p = sub.add_parser("catalog", help="list every declared class in catalog order")
    p.set_defaults(run=cmd_catalog)
    p = sub.add_parser("show", help="show the layout of one class")
    p.add_argument("name")
    p.set_defaults(run=cmd_show)
    args = parser.parse_args(argv)
    try:
        return args.run(args)
    except BrokenPipeError:
        return 0


if __name__ == "__main__":
    sys.exit(main())
