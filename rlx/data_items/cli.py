"""Command-line tool for the private data item catalog.

    python3 -m rlx.data_items decode [FILE] [--json | -V] [-c N] [--class NAME|0xCODE]... [-Y EXPR] [--offsets]
                                     [-x] [--serial N] [--summary] [--no-progress]
    python3 -m rlx.data_items stats [FILE] [--json] [--field CLASS.FIELD]... [-Y EXPR] [--sample]
    python3 -m rlx.data_items encode [FILE] [--hex]
    python3 -m rlx.data_items catalog
    python3 -m rlx.data_items show NAME|0xCODE
    python3 -m rlx.data_items --version

Reading, framing and converting items is the public API of
``rlx.data_items.capture``; this module chooses what to show and how.
``decode`` writes one line per item (or one JSON object), diagnostics go to
standard error, one line each. While a long decode runs with standard error on
a terminal that standard output does not write to, one line there tells how
far it got, rewritten in place and cleared at the end. ``--summary`` ends the
run with a summary on standard error.
"""

import argparse
import collections
import contextlib
import itertools
import operator
import os
import re
import signal
import struct
import sys
import time

from rlx.data_items import _capture, capture

EXIT_FAILED, EXIT_USAGE, EXIT_INTERRUPTED = 1, 2, 130
_HEADER = struct.Struct("<HH")


class Failure(Exception):
    """Ends the command with a one-line diagnostic and an exit status."""

    def __init__(self, message, status=EXIT_FAILED):
        Exception.__init__(self, message)
        self.status = status


class ReaderGone(Exception):
    """Standard output's reader closed it (``decode | head``): it has what it wanted, so the command ends
    quietly with status 0, as other command-line tools do."""


def say(text):
    """A line on standard error; a closed or failing standard error is ignored (the exit status still tells)."""
    try:
        sys.stderr.write(text + "\n")
        sys.stderr.flush()
    except (AttributeError, OSError, ValueError):
        pass


def _why(exc):
    return exc.strerror or str(exc) if isinstance(exc, OSError) else str(exc)


class Output:
    """Standard output as bytes: text is encoded as the stream's own encoding would (unencodable characters
    escaped), a write that fails becomes a Failure that names what happened."""

    def __init__(self):
        stream = sys.stdout
        if stream is None:
            raise Failure("standard output is closed")
        try:
            stream.flush()
            self.binary = stream.buffer
            self.encoding = stream.encoding or "utf-8"
        except (AttributeError, OSError, ValueError) as exc:
            raise Failure("cannot write standard output: %s" % _why(exc))

    def isatty(self):
        try:
            return self.binary.isatty()
        except (OSError, ValueError):
            return False

    def write(self, data):
        if isinstance(data, str):
            data = data.encode(self.encoding, "backslashreplace")
        try:
            self.binary.write(data)
        except BrokenPipeError:
            raise ReaderGone()
        except (OSError, ValueError) as exc:
            raise Failure("cannot write standard output: %s" % _why(exc))

    def flush(self):
        try:
            self.binary.flush()
        except BrokenPipeError:
            raise ReaderGone()
        except (OSError, ValueError) as exc:
            raise Failure("cannot write standard output: %s" % _why(exc))


def _silence_stdout():
    """After standard output failed: nothing left in its buffer may fail again when the interpreter exits."""
    try:
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, sys.stdout.fileno())
        os.close(null)
    except (AttributeError, OSError, ValueError):
        pass


def _terminal(stream):
    try:
        return stream is not None and stream.isatty()
    except (OSError, ValueError):
        return False


def open_input(name, what="capture"):
    """(binary stream, its name in diagnostics) of a FILE argument: '-' is standard input."""
    if name == "-":
        stream = sys.stdin
        if stream is None:
            raise Failure("standard input is closed")
        return stream.buffer, "standard input"
    try:
        return open(name, "rb"), name
    except OSError as exc:
        raise Failure("cannot open %s %s: %s" % (what, name, _why(exc)), EXIT_USAGE)


# ---------------------------------------------------------------------------
# Finding classes


def find_class(text, items_only=False):
    """The catalog class a user means: its name in any case, or a type code (0x8015 or 32789). Raises
    Failure (bad usage) naming close matches when there is none."""
    module = capture.catalog()
    classes = capture.declared_classes(module)
    if items_only:
        classes = [c for c in classes if issubclass(c, module.RLXDataItem)]
    for c in classes:
        if c.__name__ == text:
            return c
    folded = {c.__name__.lower(): c for c in classes}
    if text.lower() in folded:
        return folded[text.lower()]
    code = _type_code(text)
    if code is not None:
        found = capture.item_classes().get(code)
        if found is None:
            raise Failure("no item has type code 0x%04X" % code, EXIT_USAGE)
        return found
    hint = capture.did_you_mean(text, [c.__name__ for c in classes])
    raise Failure("no %s named %r in the catalog%s" % ("item" if items_only else "class", text, hint), EXIT_USAGE)


def _type_code(text):
    try:
        code = int(text, 0)
    except ValueError:
        return None
    return code if 0 <= code <= 0xFFFF else None


def _selected_codes(names):
    codes = set()
    for text in names:
        code = _type_code(text)
        codes.add(code if code is not None else find_class(text, items_only=True).type)
    return codes


# ---------------------------------------------------------------------------
# Text of items


# The text of a field value and how it shows values of the types it leaves to Python: the capture API's.
texts = capture.texts
_value_text = capture.value_text


def _robust_text(value):
    """_value_text, where a text that fails is replaced by the fields it would have shown."""
    try:
        return _value_text(value)
    except Exception:  # a value whose own text fails: its parts instead
        pass
    if isinstance(value, (list, tuple)):
        return "[" + "; ".join(map(_robust_text, value)) + "]"
    if isinstance(value, capture.catalog().UWBNetworkCommandItem):
        return _command_text(value)
    fields = capture.record_fields(value)
    return "(" + ", ".join(n + "=" + _robust_text(v) for n, v in fields) + ")"


def _command_text(command):
    frame = capture.command_frame(command)
    if frame is None:
        return type(command).__name__ + "()"
    return "%s(group=%d, type=0x%02X, length=%d, data=h'%s')" % (type(command).__name__, frame[0], frame[1],
                                                                 frame[2], frame[3].hex())


def robust_line(item):
    """An item's line (without line end) that never fails: its own text if that works, else its fields."""
    cls = type(item)
    head = "%s 0x%04X" % (cls.__name__, cls.type)
    if capture.own_text(item):
        try:
            return head + " " + str(item).replace("\n", " | ")
        except Exception:  # the fields instead
            pass
    return head + "".join(" %s=%s" % (a.name, _robust_text(getattr(item, a.name, None))) for a in cls.definition)


def class_line(cls, item):
    """A function (frame, item) -> the line of an item of ``cls``, line end included: the class name and
    type code, then the item's own text (its line ends as " | "), or its fields as name=value, each value
    as texts() writes it. It may raise where a value's own text does; robust_line then gives the line.
    The line is made in C++ (rlx.data_items._capture): most of the tool's time goes into showing items."""
    head = "%s 0x%04X" % (cls.__name__, cls.type)
    return texts().line(head, None if capture.own_text(item) else tuple(a.name for a in cls.definition))


class TextFormat:
    """decode's text: one line per item, with --offsets the offset first, with -V the tree of its fields
    after it, with -x the hex dump of its bytes. ``line_for(cls, frame, item)`` gives the function
    (frame, item) -> text for the items of one class."""

    def __init__(self, tree=False, offsets=False, dump=False):
        self.tree, self.offsets, self.dump = tree, offsets, dump

    def line_for(self, cls, frame, item):
        line = class_line(cls, item)
        if not (self.tree or self.dump or self.offsets):
            return line

        def full(frame, item):
            try:
                lines = [line(frame, item)[:-1]]
            except Exception:  # a value's own text failed: the line that does without it
                lines = [robust_line(item)]
            if self.offsets:
                lines[0] = "%8d  %s" % (frame[0], lines[0])
            text = "\n".join(lines) + "\n"
            if self.tree:
                text += capture.show(item, offsets=False, head=False)
            if self.dump:
                text += capture.hexdump(_HEADER.pack(frame[1], len(frame[2])) + frame[2], "    ")
            return text
        return full

    def robust(self, frame, item):
        """The line of an item whose own text failed: its fields instead."""
        return robust_line(item) + "\n"

    raw_leftover = False  # an item with bytes past its layout is shown decoded (with a warning)

    def undecoded(self, offset, reason, raw, code=None, name=None, item=True):
        """The line of bytes that did not decode: an item (``raw`` its payload) or, with ``item`` false,
        the end of a stream cut inside an item (``raw`` its bytes as they stand)."""
        head = "?" if name is None else name
        if code is not None:
            head += " 0x%04X" % code
        text = "%s not decoded: %s\n" % (head, reason)
        if self.offsets:
            text = "%8d  %s" % (offset, text)
        if self.dump:
            text += capture.hexdump(_HEADER.pack(code, len(raw)) + raw if item else raw, "    ")
        return text


def json_line(frame, item):
    """decode --json: the offset, the item's plain data (capture.to_data) and its own text if it has one."""
    record = {"offset": frame[0]}
    record.update(capture.to_data(item))
    if capture.own_text(item):
        try:
            record["text"] = str(item)
        except Exception:  # no text, the fields say it all
            pass
    import json  # (imported where used: most runs never write JSON, and startup is a share of every run)
    return json.dumps(record, allow_nan=False) + "\n"


class JsonFormat:
    """decode --json: ``line_for`` as TextFormat's. The line is made in C++ (rlx.data_items._capture) and is
    json_line's: values converted as capture.to_data converts them, written as json.dumps writes them;
    json_line itself makes the line of an item holding what the json module's encoder would treat its own way."""

    def line_for(self, cls, frame, item):
        import json
        head = json.dumps({"class": cls.__name__, "type": "0x%04X" % cls.type})[1:-1]
        names = tuple(a.name for a in cls.definition)
        return texts().json_line(head, names, capture.value_data, capture.own_text(item), json_line,
                                 capture.value_data.converters)

    robust = staticmethod(json_line)
    raw_leftover = True  # bytes past an item's layout would be lost by its fields: the item goes raw

    @staticmethod
    def undecoded(offset, reason, raw, code=None, name=None, item=True):
        """capture.undecoded_data as a line: encode writes the same bytes back."""
        import json
        return json.dumps(capture.undecoded_data(offset, reason, raw, code if item else None,
                                                 name if item else None)) + "\n"


class FieldsFormat:
    """decode -T fields: one line of field columns per item (capture.Columns), after a header line if one is
    wanted; ``line_for`` as TextFormat's."""

    def __init__(self, columns, header):
        self.columns = columns
        self.header = columns.header() if header else ""

    def line_for(self, cls, frame, item):
        return self.columns.line_function(cls)

    def robust(self, frame, item):
        """The line of an item a value's own text failed in: that value's fields instead."""
        return self.columns.line(frame[0], item, _robust_text)

    raw_leftover = False

    def undecoded(self, offset, reason, raw, code=None, name=None, item=True):
        """Bytes that did not decode have no fields: no row (the diagnostic names them)."""
        return None


_FIELD_OPTIONS = {"header": "y|n", "separator": "/t|/s|CHAR", "quote": "d|s|n", "occurrence": "f|l|a|N",
                  "aggregator": "/t|/s|TEXT"}


def _field_option(text):
    key, equals, value = text.partition("=")
    if not equals or key not in _FIELD_OPTIONS:
        raise argparse.ArgumentTypeError("%r: -E takes %s" % (text, ", ".join(
            "%s=%s" % kv for kv in _FIELD_OPTIONS.items())))
    return key, value


def decode_view(args):
    """decode's view of the items as the options say: TextFormat, JsonFormat or FieldsFormat; Failure (bad
    usage) for options that do not go together."""
    form = args.format or ("fields" if args.fields or args.csv else "json" if args.json else "text")
    if form != "fields":
        if args.fields or args.field_options or args.csv:
            raise Failure("-e, -E and --csv choose field columns: use them with -T fields", EXIT_USAGE)
        if form == "json" and (args.tree or args.offsets or args.dump):
            raise Failure("--offsets, -x and -V shape the text output; --json writes the offset already and "
                          "the fields in full", EXIT_USAGE)
        return JsonFormat() if form == "json" else TextFormat(args.tree, args.offsets, args.dump)
    if args.json or args.tree or args.offsets or args.dump:
        raise Failure("--json, -V, --offsets and -x shape other outputs than -T fields (whose pseudo-field "
                      "offset gives the offset)", EXIT_USAGE)
    if not args.fields:
        raise Failure("-T fields shows the fields named with -e FIELD (e.g. -e offset -e class -e nt64)", EXIT_USAGE)
    options = dict(separator="\t", quote="n", occurrence="a", aggregator=",")
    header = False
    if args.csv:
        options.update(separator=",", quote="csv", line_end="\r\n")
        header = True
    for key, value in args.field_options or ():
        if args.csv and key in ("separator", "quote"):
            raise Failure("--csv writes commas and double quotes where needed: -E %s does not go with it" % key,
                          EXIT_USAGE)
        value = {"/t": "\t", "/s": " "}.get(value, value) if key in ("separator", "aggregator") else value
        if key == "header" and value in ("y", "n"):
            header = value == "y"
        elif key == "occurrence" and re.fullmatch(r"-?\d+", value) and int(value):
            options[key] = int(value)
        elif (key, value) in (("quote", "d"), ("quote", "s"), ("quote", "n"), ("occurrence", "f"),
                              ("occurrence", "l"), ("occurrence", "a")) \
                or (key == "separator" and len(value) == 1) or (key == "aggregator" and value):
            options[key] = value
        else:
            raise Failure("-E %s=%s: %s is %s" % (key, value, key, _FIELD_OPTIONS[key]), EXIT_USAGE)
    try:
        return FieldsFormat(capture.Columns(args.fields, **options), header)
    except ValueError as exc:
        raise Failure(str(exc), EXIT_USAGE)


# ---------------------------------------------------------------------------
# decode


def _amount(n):
    for unit in ("B", "KiB", "MiB"):
        if n < 1024 or unit == "MiB":
            return "%d %s" % (n, unit) if unit == "B" else "%.1f %s" % (n, unit)
        n /= 1024.0


class Progress:
    """One line on a terminal telling how far a decode got, rewritten in place.

    The decoding loop calls ``update`` once per chunk read, so the clock is
    read rarely; the line first shows once ``interval`` seconds have passed, so
    a short decode shows nothing. ``clear`` blanks the line (before a
    diagnostic, and at the end)."""

    def __init__(self, stream, interval=0.5, clock=time.monotonic):
        self.stream = stream
        self.interval = interval
        self.clock = clock
        self.start = clock()
        self.due = self.start + interval
        self.width = 0

    def _put(self, text):
        try:
            self.stream.write(text)
            self.stream.flush()
        except (OSError, ValueError):
            self.stream = None

    def update(self, items, size):
        now = self.clock()
        if now < self.due or self.stream is None:
            return
        self.due = now + self.interval
        elapsed = now - self.start
        text = "decoding: %d items, %s, %.0f items/s" % (items, _amount(size), items / elapsed if elapsed > 0 else 0.0)
        self._put("\r" + text + " " * max(0, self.width - len(text)))
        self.width = len(text)

    def clear(self):
        if self.width and self.stream is not None:
            self._put("\r" + " " * self.width + "\r")
        self.width = 0


def progress_wanted(err, out):
    """A progress line only on a terminal, and not on the one the items are written to."""
    try:
        if err is None or not err.isatty():
            return False
        mine, theirs = os.fstat(err.fileno()), os.fstat(out.fileno())
    except (AttributeError, OSError, ValueError):
        return False
    return (mine.st_dev, mine.st_ino, mine.st_rdev) != (theirs.st_dev, theirs.st_ino, theirs.st_rdev)


_CODE = operator.itemgetter(1)  # a frame's type code


class Tally:
    """What a decode met: items per class, unknown type codes, malformed items, warnings, totals."""

    def __init__(self):
        self.selected = collections.Counter()    # type code -> items selected (decoded or not)
        self.unknown = collections.Counter()     # type code -> items
        self.malformed = collections.Counter()   # (class name, type code) -> items
        self.leftover = 0                        # items decoded with bytes past their layout
        self.skipped = 0                         # items not selected
        self.items = 0
        self.size = 0                            # bytes of the complete items
        self.stream_error = None
        self.failures = 0
        self._pending = []                       # diagnostics of the batch not yet written
        self.last = None                         # the last diagnostic of an item

    def note(self, diagnostic):
        """A diagnostic, shown already: it sets the exit status at once; an item's counts with its batch."""
        if not diagnostic.warning:
            self.failures += 1
        if diagnostic.problem in ("truncated", "hex", "read"):
            self.stream_error = str(diagnostic)
        else:
            self._pending.append(diagnostic)
            self.last = diagnostic

    def commit(self, batch, chosen, rejected=(), framed=None):
        """The lines of ``batch`` (of which ``chosen`` were selected by class or type code, and of those
        ``rejected`` by a filter after all) are written: its items count now, so that the totals, also after
        an interruption, count what was written and add up. ``framed``: (items, end offset) of a batch that
        left out the frames set aside, else the batch tells them."""
        for diagnostic in self._pending:
            if diagnostic.warning:
                self.leftover += 1
            elif diagnostic.problem == "unknown":
                self.unknown[diagnostic.code] += 1
            elif diagnostic.problem == "malformed":
                self.malformed[diagnostic.name, diagnostic.code] += 1
        self._pending.clear()
        code = _CODE
        self.selected.update(map(code, chosen))
        if rejected:  # counted in C by a Counter: subtract() alone would loop in Python
            self.selected.subtract(collections.Counter(map(code, rejected)))
        if framed is None and batch:
            framed = len(batch), batch[-1][0] + 4 + len(batch[-1][2])
        if framed is not None:
            self.skipped += framed[0] - len(chosen) + len(rejected)
            self.items += framed[0]
            self.size = framed[1]

    def write(self, say, interrupted=False):
        def by_count(counter):
            return sorted(counter.items(), key=lambda kv: (-kv[1], kv[0]))

        classes = capture.item_classes()
        named = collections.Counter()
        for code, n in self.selected.items():
            if code in classes:
                named[classes[code].__name__] += n
        named.subtract({name: n for (name, _), n in self.malformed.items()})
        named = +named
        line = "summary: %d items, %d bytes: %d decoded, %d unknown, %d malformed" % (
            self.items, self.size, sum(named.values()), sum(self.unknown.values()), sum(self.malformed.values()))
        if self.leftover:
            line += ", %d with bytes left over" % self.leftover
        if self.skipped:
            line += ", %d not selected" % self.skipped
        lines = [line + (" (interrupted)" if interrupted else "")]
        if named:
            lines.append("items per class:")
            lines += ["  %8d  %s" % (n, name) for name, n in by_count(named)]
        if self.unknown:
            lines.append("unknown type codes:")
            lines += ["  %8d  0x%04X" % (n, code) for code, n in by_count(self.unknown)]
        if self.malformed:
            lines.append("malformed items:")
            lines += ["  %8d  %s 0x%04X" % (n, name, code) for (name, code), n in by_count(self.malformed)]
        if self.stream_error:
            lines.append("stream: %s" % self.stream_error)
        say("\n".join(lines))


class _Interrupt:
    """SIGINT while a batch is written and counted: the first one waits until both are done, so that the
    summary counts exactly the lines written; a second one interrupts at once (a reader that stopped
    reading holds up the write). Elsewhere SIGINT raises KeyboardInterrupt as usual."""

    def __init__(self):
        self.holding = self.pending = False
        self.previous = None
        try:
            if signal.getsignal(signal.SIGINT) is signal.default_int_handler:
                self.previous = signal.signal(signal.SIGINT, self._handler)
        except ValueError:  # not the main thread: SIGINT is not ours to handle
            pass

    def _handler(self, signum, frame):
        if self.holding and not self.pending:
            self.pending = True
            return
        raise KeyboardInterrupt

    def restore(self):
        if self.previous is not None:
            signal.signal(signal.SIGINT, self.previous)


@contextlib.contextmanager
def _whole(interrupt):
    """The block runs to its end before a first SIGINT takes effect (see _Interrupt)."""
    interrupt.holding = True
    try:
        yield
    finally:
        interrupt.holding = False
    if interrupt.pending:
        raise KeyboardInterrupt


def decode_capture(cap, out, view, tally, select=None, limit=None, progress=None, chooser=None):
    """Writes every selected item of ``cap`` (a capture.Capture whose diagnostics reach ``tally``) as
    ``view`` (TextFormat or JsonFormat) shows it, at most ``limit`` items. The lines of a chunk are written
    together, and before any diagnostic, so that the two streams keep their order on one terminal.
    ``chooser`` (a filters.Filter) selects among the items of the selected type codes by their fields."""
    lines = {}                      # type code -> the function that shows its items
    # Each item decoded and its line made (by the view's function for its class, or view.robust where
    # that fails), the batch's lines as one text: in C++, the tool's hottest loop.
    render = texts().lines
    decode = cap.decode
    left = limit
    rejected, taken, room = [], [], [limit]
    seen = set()                    # type codes the filter has judged
    keep = None
    if limit is None and (select is not None or chooser is not None):
        # The frames of the type codes set aside (not of a class asked for, or never selected by the
        # filter) are left out by the framing loop in C++, one byte per type code: no frame is made for
        # them and no per-item call.
        keep = bytearray(b"\1" * 65536) if select is None else bytearray(65536)
        for code in select or ():
            keep[code] = 1
    if chooser is not None:
        decode = chooser.decoder(decode, rejected)
        if limit is not None:
            decode = _counted(decode, taken, room)
    decode = _lossless(decode, view, tally)
    interrupt = _Interrupt()
    counted = 0                     # cap.items before the batch
    try:
        for batch in cap.batches(keep):
            framed, counted = cap.items - counted, cap.items
            chosen = batch if select is None or keep is not None else [f for f in batch if f[1] in select]
            done = chooser is None and left is not None and len(chosen) >= left
            if done:
                chosen = chosen[:left]
                batch = batch[:batch.index(chosen[-1]) + 1] if chosen else []
            room[0] = left
            if chooser is not None and keep is not None and chosen:
                codes = list(map(_CODE, chosen))
                new = set(codes) - seen
                if new:  # judged at their first frame, then left out of the batches that follow
                    for code in new:
                        seen.add(code)
                        if chooser.verdict(code)[0] is False:
                            keep[code] = 0
                    chosen = list(itertools.compress(chosen, map(keep.__getitem__, codes)))
            text = render(chosen, decode, lines, view.line_for, view.robust)
            if chooser is not None and left is not None:
                done = len(taken) >= left
                if done:  # the batch ends with the last item written
                    chosen = chosen[:chosen.index(taken[-1]) + 1] if taken else []
                    batch = batch[:batch.index(taken[-1]) + 1] if taken else []
                left -= len(taken)
                del taken[:]
            elif left is not None:
                left -= len(chosen)
            with _whole(interrupt):
                if text:
                    out.write(text)
                    out.flush()
                tally.commit(batch, chosen, rejected, None if keep is None else (framed, cap.size))
            del rejected[:]
            if progress is not None:
                progress.update(tally.items, tally.size)
            if done:
                break
    finally:
        interrupt.restore()


def _lossless(decode, view, tally):
    """decode that gives the line of a frame that did not decode (view.undecoded: its reason and bytes)
    in its place, and in JSON that of an item with bytes past its layout, so that every byte of the
    capture is shown and encode writes it back."""
    faithful, check = capture.faithful, view.raw_leftover

    def lossless(frame):
        item = decode(frame)
        found = tally.last
        if found is None or found.offset != frame[0] or (item is not None and not check):
            if check and item is not None:
                test = faithful(item.__class__)
                if test is not None and not test(item, frame[2]):
                    return view.undecoded(frame[0], "the item encodes to other bytes than these", frame[2],
                                          frame[1], item.__class__.__name__)
            return item
        tally.last = None
        return view.undecoded(frame[0], found.message, frame[2], frame[1], found.name)
    return lossless


def _counted(decode, taken, room):
    """decode of a filtered -c N: the frames of the items selected go to ``taken``; once ``room[0]`` are
    there, the frames after them are neither decoded nor counted."""
    def counted(frame):
        if len(taken) >= room[0]:
            return None
        item = decode(frame)
        if item is not None:
            taken.append(frame)
        return item
    return counted


def display_filter(text):
    """The filters.Filter of -Y EXPR (None without one); Failure (bad usage) naming what is wrong."""
    if text is None:
        return None
    from rlx.data_items import filters
    try:
        return filters.Filter(text)
    except ValueError as exc:
        raise Failure(str(exc), EXIT_USAGE)


def capture_source(args):
    """(binary stream, its name in diagnostics) of decode's and stats' input: FILE ('-': standard input),
    else standard input unless it is a terminal, else (and with --sample) the bundled sample."""
    if args.file is None and (args.sample or _terminal(sys.stdin)):
        from importlib import resources
        return resources.files("rlx.data_items").joinpath("sample_capture.hex").open("rb"), "sample"
    return open_input("-" if args.file is None else args.file)


def cmd_decode(args):
    out = Output()
    select = _selected_codes(args.classes) if args.classes else None
    chooser = display_filter(args.filter)
    source, name = capture_source(args)
    progress = None
    if args.progress and progress_wanted(sys.stderr, sys.stdout):
        progress = Progress(sys.stderr, interval=args.progress_interval)
    tally = Tally()
    view = decode_view(args)
    if getattr(view, "header", ""):
        out.write(view.header)

    def report(diagnostic):
        if progress is not None:
            progress.clear()
        out.flush()
        tally.note(diagnostic)
        if diagnostic.raw is not None:  # the end of the stream, cut inside an item
            line = view.undecoded(diagnostic.offset, diagnostic.message, diagnostic.raw, diagnostic.code,
                                  diagnostic.name, item=False)
            if line:
                out.write(line)
                out.flush()
        say(("warning: " if diagnostic.warning else "error: ") + str(diagnostic))

    cap = capture.Capture(source, serial=args.serial, hex=False if args.binary else None, on_diagnostic=report)
    interrupted = False
    try:
        try:
            decode_capture(cap, out, view, tally, select, args.count, progress, chooser)
        except KeyboardInterrupt:
            interrupted = True
        except OSError as exc:
            report(capture.Diagnostic(tally.size, "read", "cannot read %s: %s" % (name, _why(exc)),
                                      None, None, False))
        out.flush()
    finally:
        if progress is not None:
            progress.clear()
        if args.summary:
            tally.write(say, interrupted)
        try:
            source.close()
        except (OSError, ValueError):
            pass
    if interrupted:
        say("interrupted")
        return EXIT_INTERRUPTED
    return EXIT_FAILED if tally.failures else 0


def cmd_stats(args):
    from rlx.data_items import filters
    try:
        stats = filters.Statistics(args.fields or (), args.filter)
    except ValueError as exc:
        raise Failure(str(exc), EXIT_USAGE)
    out = Output()
    source, name = capture_source(args)
    failures = []

    def report(diagnostic):
        stats.note(diagnostic)
        if not diagnostic.warning:
            failures.append(diagnostic)
        say(("warning: " if diagnostic.warning else "error: ") + str(diagnostic))

    cap = capture.Capture(source, on_diagnostic=report)
    interrupted = False
    try:
        stats.read(cap)
    except KeyboardInterrupt:
        interrupted = True
    except OSError as exc:
        report(capture.Diagnostic(cap.size, "read", "cannot read %s: %s" % (name, _why(exc)), None, None, False))
    finally:
        try:
            source.close()
        except (OSError, ValueError):
            pass
    if args.json:
        import json
        out.write(json.dumps(stats.data(interrupted), allow_nan=False) + "\n")
    else:
        out.write("\n".join(stats.lines(interrupted)) + "\n")
    out.flush()
    if interrupted:
        say("interrupted")
        return EXIT_INTERRUPTED
    return EXIT_FAILED if failures else 0


# ---------------------------------------------------------------------------
# encode


def _reject_constant(name):
    raise ValueError("%s is not JSON (write a non-finite float as the string \"%s\")" % (name, name))


def cmd_encode(args):
    import json
    out = Output()
    if not args.hex and out.isatty():
        raise Failure("standard output is a terminal: redirect it to a file or use --hex", EXIT_USAGE)
    source, name = open_input(args.file, "JSON lines")
    failures = 0
    offset = 0
    try:
        for number, raw in enumerate(source, 1):
            try:
                text = raw.decode("utf-8-sig" if number == 1 else "utf-8").strip()
            except UnicodeDecodeError as exc:
                failures += 1
                say("error: %s line %d: not UTF-8 text (%s)" % (name, number, exc.reason))
                continue
            if not text or text.startswith("#"):
                continue
            try:
                data = json.loads(text, parse_constant=_reject_constant)
                if isinstance(data, dict) and "raw" in data:  # bytes decode wrote as they stood
                    wire, what = capture.undecoded_bytes(data), "not decoded"
                else:
                    item = capture.from_data(data)
                    wire, what = capture.encode(item), "%s 0x%04X" % (type(item).__name__, type(item).type)
            except ValueError as exc:  # also capture.EncodeError: values the item's fields cannot hold
                failures += 1
                say("error: %s line %d: %s" % (name, number, exc))
                continue
            if args.hex:
                out.write("# offset %d: %s\n%s\n" % (offset, what, wire.hex(" ")))
            else:
                out.write(wire)
            offset += len(wire)
    except OSError as exc:
        failures += 1
        say("error: cannot read %s: %s" % (name, _why(exc)))
    finally:
        try:
            source.close()
        except (OSError, ValueError):
            pass
    out.flush()
    return EXIT_FAILED if failures else 0


# ---------------------------------------------------------------------------
# catalog and show


def class_kind(module, cls):
    if issubclass(cls, module.RLXDataItem):
        return "item"
    if issubclass(cls, module.DataItemAttribute):
        return "attribute kind"
    return "record"


def cmd_catalog(args):
    module = capture.catalog()
    out = Output()
    lines = []
    for index, cls in enumerate(capture.declared_classes(module), 1):
        kind = class_kind(module, cls)
        code = "0x%04X" % cls.type if kind == "item" and isinstance(cls.type, int) else "-"
        size = capture.fixed_size(cls)
        size = "-" if kind == "attribute kind" else "variable" if size is None else size
        lines.append("%3d  %-40s %-14s %-6s %s\n" % (index, cls.__name__, kind, code, size))
    out.write("".join(lines))
    out.flush()
    return 0


def _signature(function):
    import inspect
    try:
        return str(inspect.signature(function))
    except (TypeError, ValueError):
        return "(...)"


def _filled_list(field, n):
    """n elements for a list field of a new item (None if the field's elements cannot be made)."""
    module = capture.catalog()
    if field.kind == "DISerialNumberListAttr":
        return [module.NorvaneSerialNumber(0) for _ in range(n)]
    if field.kind == "DIUInt16ListAttr":
        return [0] * n
    if field.element is None or issubclass(field.element, module.UWBNetworkCommandItem):
        return None
    out = []
    for _ in range(n):
        element = field.element()
        for attr in getattr(field.element, "definition", []):
            if not hasattr(element, attr.name):
                setattr(element, attr.name, 0)
        out.append(element)
    return out


def count_fields(cls):
    """[(count field, list field)] of an item whose own encoder sets a count from a list's length: as its rows
    declare them, else found by encoding new items with one and then two elements in each list and seeing
    which integer follows."""
    entry = capture.declarations().get(cls)
    if entry is not None:
        return [(count, lst) for count, lst, _ in entry["counts"]]
    module = capture.catalog()
    if not any("_encode" in vars(k) for k in cls.__mro__[:cls.__mro__.index(module.RLXDataItem)]):
        return []
    fields = capture.layout(cls)
    numbers = [f.name for f in fields if f.size is not None]
    found = []
    for lst in fields:
        if lst.kind not in ("DIListAttr", "DISerialNumberListAttr", "DIUInt16ListAttr"):
            continue
        seen = []
        for n in (1, 2):
            elements = _filled_list(lst, n)
            if elements is None:
                break
            item = cls()
            setattr(item, lst.name, elements)
            try:
                item._encode()
            except Exception:  # an item that cannot encode this way tells nothing
                break
            seen.append({name: getattr(item, name, None) for name in numbers})
        if len(seen) == 2:
            found += [(name, lst.name) for name in numbers if seen[0][name] == 1 and seen[1][name] == 2]
    return found


def _packed_lines(cls):
    """`show` lines for a record that one of the catalog's own attribute kinds packs whole (given the kind,
    the record or an item with a field of that kind): the record's fields within the packed structure."""
    lines = []
    for kind, (record, fields) in capture.packed_records().items():
        if cls in (kind, record) or any(f.kind == kind.__name__ for f in capture.layout(cls)):
            lines.append("  %s packs a %s whole, %d bytes (format %r):" % (
                kind.__name__, record.__name__, sum(f.size for f in fields), kind("x").format))
            lines.append("  %-8s %-32s %-30s %s" % ("offset", "field", "kind", "width"))
            lines += ["  %-8s %-32s %-30s %s" % (f.offset, f.name, f.kind, f.size) for f in fields]
    return lines


def cmd_show(args):
    module = capture.catalog()
    cls = find_class(args.name)
    out = Output()
    lines = []
    kind = class_kind(module, cls)
    head = "%s (%s" % (cls.__name__, kind)
    if kind == "item":
        head += ", type 0x%04X" % cls.type
    lines.append(head + ")")
    purpose = capture.purposes().get(cls.__name__)
    if purpose:
        lines.append("  purpose: " + purpose)
    if cls.__doc__:
        lines += ["  " + line.strip() for line in cls.__doc__.strip().splitlines() if line.strip()]
    counted = {}
    packed = _packed_lines(cls)
    if kind == "attribute kind":
        sample = cls("x")
        lines.append("  format %r, size %s" % (getattr(sample, "format", "?"), getattr(sample, "size", "?")))
    elif not isinstance(getattr(cls, "definition", None), list):
        lines += [] if packed else ["  no layout"]
    else:
        fields = capture.layout(cls)
        counted = {lst: count for count, lst in count_fields(cls)} if kind == "item" else {}
        lines.append("  %-8s %-32s %-30s %s" % ("offset", "field", "kind", "width"))
        for f in fields:
            width = "rest" if f.size is None else str(f.size)
            if f.element is not None:
                width = "rest: list of %s" % f.element.__name__
            if f.name in counted:
                width = "%s × %s" % (counted[f.name], f.element.__name__ if f.element is not None else
                                     {"DISerialNumberListAttr": 4, "DIUInt16ListAttr": 2}.get(f.kind, "?"))
            lines.append("  %-8s %-32s %-30s %s" % ("variable" if f.offset is None else f.offset, f.name, f.kind,
                                                   width))
        size = capture.fixed_size(cls)
        lines.append("  payload: %s" % ("%d bytes" % size if size is not None else "variable"))
    lines += packed
    if kind == "record":
        lines.append("  constructor: %s%s" % (cls.__name__, _signature(cls)))
    methods, own = [], []
    for name, value in vars(cls).items():
        if name in ("_encode", "_decode", "__str__"):
            own.append({"_encode": "encoder (_encode)", "_decode": "decoder (_decode)", "__str__": "text (__str__)"}[name])
        elif not name.startswith("_") and isinstance(value, classmethod):
            methods.append("%s%s  (class method)" % (name, _signature(getattr(cls, name))))
        elif not name.startswith("_") and callable(value):
            methods.append(name + _signature(value))
    if methods:
        lines.append("  methods:")
        lines += ["    " + m for m in methods]
    if own:
        lines.append("  its own: %s" % ", ".join(own))
    for lst, count in counted.items():
        lines.append("  %s counts the elements of %s (set on encoding, bounds the list on decoding)"
                     % (count, lst))
    out.write("\n".join(lines) + "\n")
    out.flush()
    return 0


# ---------------------------------------------------------------------------
# Arguments


def _seconds(text):
    try:
        value = float(text)
    except ValueError:
        value = -1.0
    if not 0 <= value < float("inf"):
        raise argparse.ArgumentTypeError("not a number of seconds: %r" % text)
    return value


def _count(text):
    if not re.fullmatch(r"\s*\d+\s*", text):
        raise argparse.ArgumentTypeError("not a count of items: %r" % text)
    return int(text)


def _serial(text):
    try:
        value = int(text, 0)
    except ValueError:
        raise argparse.ArgumentTypeError("not a serial number: %r (a whole number, e.g. 42 or 0x2A)" % text)
    if not 0 <= value <= capture.SERIAL_MAX:
        raise argparse.ArgumentTypeError("serial number %s out of range: a serial number is 4 bytes, 0 to 0x%X"
                                         % (text, capture.SERIAL_MAX))
    return value


def version():
    """The installed distribution's version, else the one the checkout's project file declares."""
    try:
        from importlib import metadata
        return metadata.version("rlx-private-data-items")
    except Exception:  # not installed (or no metadata): the source tree says
        pass
    here = os.path.dirname(os.path.realpath(__file__))
    try:
        with open(os.path.join(here, "..", "..", "pyproject.toml"), encoding="utf-8") as f:
            found = re.search(r'^version\s*=\s*"([^"]+)"', f.read(), re.M)
    except OSError:
        found = None
    return found.group(1) if found else "unknown"


class _Version(argparse.Action):
    def __init__(self, option_strings, dest, **kwargs):
        argparse.Action.__init__(self, option_strings, dest, nargs=0, help="print the version and exit")

    def __call__(self, parser, namespace, values, option_string=None):
        out = Output()
        out.write("rlx-private-data-items %s\n" % version())
        out.flush()
        parser.exit()


def _declare_decode(p):
    p.add_argument("file", nargs="?", help="capture file, binary or hex text; '-' for standard input (the "
                                           "default unless standard input is a terminal)")
    p.add_argument("--sample", action="store_true",
                   help="with no FILE, the bundled sample capture, wherever standard input comes from (the "
                        "default on a terminal)")
    p.add_argument("--binary", action="store_true",
                   help="read the capture as binary, even where its first bytes look like hex text")
    view = p.add_mutually_exclusive_group()
    view.add_argument("--json", action="store_true", help="one JSON object per item (strict JSON; encode reads it)")
    view.add_argument("-V", "--tree", action="store_true",
                      help="after each item's line, every field by name, records and lists opened up")
    p.add_argument("-T", dest="format", choices=("text", "json", "fields"),
                   help="what to write of each item: its line (text, the default), a JSON object (json, as "
                        "--json), or the fields named with -e as columns (fields)")
    p.add_argument("-e", dest="fields", action="append", metavar="FIELD",
                   help="with -T fields, a column: a field path (nt64, port_information.voltage, "
                        "port_information[0].voltage) or offset, class, type; may be repeated")
    p.add_argument("-E", dest="field_options", action="append", type=_field_option, metavar="KEY=VALUE",
                   help="with -T fields: header=y|n (a line of field names first), separator=/t|/s|CHAR "
                        "(default tab), quote=d|s|n (default n), occurrence=f|l|a|N (of a field met more "
                        "than once: first, last, all or the N-th; default a), aggregator=/t|/s|TEXT (joins "
                        "all occurrences, default ',')")
    p.add_argument("--csv", action="store_true",
                   help="-T fields as CSV (RFC 4180): a header line, commas, double quotes where needed, CRLF")
    p.add_argument("-c", "--count", type=_count, metavar="N", help="stop after N (selected) items")
    p.add_argument("--class", dest="classes", action="append", metavar="NAME|0xCODE",
                   help="decode only items of this class (any case) or type code; may be repeated")
    p.add_argument("-Y", "--filter", metavar="EXPR",
                   help="only the items this display filter selects, e.g. 'port_information.voltage > 1000 "
                        "&& !TickV2' (comparisons == != < <= > >=, && || !, class names, type, offset, paths "
                        "into records and lists)")
    p.add_argument("--offsets", action="store_true", help="the byte offset of each item first on its line")
    p.add_argument("-x", "--hex-dump", dest="dump", action="store_true",
                   help="a hex dump of each item's bytes after its line")
    p.add_argument("--serial", type=_serial, default=0,
                   help="serial number of the packet header the items came in (0 to 0xFFFFFFFF, default 0)")
    p.add_argument("--summary", action="store_true",
                   help="at the end (also when interrupted), a summary on standard error: items per class by "
                        "count, unknown type codes, malformed items, total items and bytes")
    p.add_argument("--no-progress", dest="progress", action="store_false",
                   help="no progress line; by default a long decode shows one on standard error when that is a "
                        "terminal that standard output does not write to")
    p.add_argument("--progress-interval", type=_seconds, default=0.5, metavar="SECONDS",
                   help="time between progress updates (default %(default)s)")
    p.set_defaults(run=cmd_decode)


def _declare_encode(p):
    p.add_argument("file", nargs="?", default="-", help="JSON lines file; '-' (the default) for standard input")
    p.add_argument("--hex", action="store_true", help="write hex text (one item per line) instead of binary")
    p.set_defaults(run=cmd_encode)


def _declare_catalog(p):
    p.set_defaults(run=cmd_catalog)


def _declare_show(p):
    p.add_argument("name", metavar="NAME|0xCODE", help="class name (any case) or an item's type code")
    p.set_defaults(run=cmd_show)


def _declare_stats(p):
    p.add_argument("file", nargs="?", help="capture file, binary or hex text; '-' for standard input (the "
                                           "default unless standard input is a terminal)")
    p.add_argument("--sample", action="store_true", help="with no FILE, the bundled sample capture")
    p.add_argument("--json", action="store_true", help="one JSON object instead of the table")
    p.add_argument("--field", dest="fields", action="append", metavar="CLASS.FIELD",
                   help="count, least, greatest and mean value of a field (a path: PowerReport.port_information."
                        "voltage; every element of a list counts; the class in any case); may be repeated")
    p.add_argument("-Y", "--filter", metavar="EXPR", help="only the items this display filter selects (as decode's)")
    p.set_defaults(run=cmd_stats)


# command -> (the function declaring its arguments, add_parser's options)
_COMMANDS = {
    "decode": (_declare_decode, dict(
        help="decode a capture (standard input, or the bundled sample on a terminal)",
        description="Decode a capture: one line per item on standard output, diagnostics on standard error. "
                    "Exit status 1 if anything could not be decoded, 2 for bad usage, 130 when interrupted.")),
    "encode": (_declare_encode, dict(
        help="write the capture of JSON lines as decode --json writes them",
        description="Read one JSON object per line (as decode --json writes them; blank lines and lines "
                    "starting with # are skipped) and write the items' bytes.")),
    "catalog": (_declare_catalog, dict(help="list every declared class in catalog order")),
    "show": (_declare_show, dict(help="show the layout, methods and count fields of one class")),
    "stats": (_declare_stats, dict(
        help="items and bytes per class, unknown and malformed items, field statistics",
        description="What a capture holds: items and bytes per class with their share of the items, unknown "
                    "type codes and malformed items; with --field the count, least, greatest and mean value of "
                    "a field. Input as decode's. Exit status 1 if anything could not be decoded, 2 for bad "
                    "usage, 130 when interrupted.")),
}


def parser(argv=None):
    """The command line's parser. Only the command named in ``argv`` gets its arguments declared (declaring
    every command's costs each run a few milliseconds of its start); all do where none is named, for the
    help and the errors."""
    named = next((a for a in (sys.argv[1:] if argv is None else argv) if not a.startswith("-")), None)
    named = named if named in _COMMANDS else None
    top = argparse.ArgumentParser(prog="python3 -m rlx.data_items",
                                  description="Decode and encode RLX private data items; inspect their catalog.")
    top.add_argument("--version", action=_Version)
    sub = top.add_subparsers(dest="command", required=True)
    for name, (declare, options) in _COMMANDS.items():
        p = sub.add_parser(name, **options)
        if named in (None, name):
            declare(p)
    return top


def main(argv=None):
    try:
        try:
            args = parser(argv).parse_args(argv)
            if args.command == "decode" and args.json and (args.offsets or args.dump):
                raise Failure("--offsets and -x shape the text output; --json writes the offset already and "
                              "the fields in full", EXIT_USAGE)
            return args.run(args)
        except ReaderGone:
            _silence_stdout()
            return 0
        except Failure as exc:
            if "standard output" in str(exc):
                _silence_stdout()
            say("error: %s" % exc)
            return exc.status
    except KeyboardInterrupt:
        say("interrupted")
        return EXIT_INTERRUPTED


if __name__ == "__main__":
    sys.exit(main())
