"""Display filters and statistics of captures: which items to show, and what a capture holds.

A filter is an expression over an item's fields, checked against the catalog and compiled once::

    port_information.voltage > 1000 && !TickV2
    serial_number == 0x00010000 || type == 0x8015
    PowerReport.port_information[0].voltage >= 1333 and offset < 4096

- comparisons ``== != < <= > >=`` of a field with a number (``42``, ``0x2A``, ``-1.5``), text in quotes
  (``'sample22'`` or ``"sample22"``), bytes (``h'0201'``) or a serial number as the tool writes it; an
  integer compares with a serial number's value;
- ``&&`` or ``and``, ``||`` or ``or``, ``!`` or ``not``, parentheses;
- a class name alone (any case) holds for the items of that class, a field alone for the items that have it;
- ``type`` is the item's type code, ``offset`` its byte offset in the capture; ``Class.field`` names the
  field of that class (``BridgeCommand.type``, a field of its own);
- a path into records and lists (``port_information.voltage``) holds when any element's value does, ``!=``
  when there is one and none equals; ``list[i]`` takes one element (none past the end, ``-1`` the last);
- a value of another kind than the literal (text against a number, a record) never compares: false.

Field names are checked when the filter is made: a name no item has, or that no class named in the same
conjunction has, raises :class:`FilterError` (a ValueError) naming the column and close names.

For each type code the filter is specialised once (class names, ``type`` and fields the class lacks become
constants) and compiled to one Python function; the items of a class the filter can never select are not
even decoded.
"""

import collections
import functools
import keyword
import math
import operator
import re

from rlx.data_items import capture

__all__ = ["Filter", "FilterError", "Statistics"]

_OPS = {"==": operator.eq, "!=": operator.ne, "<": operator.lt, "<=": operator.le, ">": operator.gt,
        ">=": operator.ge}
_FLIP = {"==": "==", "!=": "!=", "<": ">", "<=": ">=", ">": "<", ">=": "<="}
_PSEUDO = ("type", "offset")
_MISSING = object()


class FilterError(ValueError):
    """A filter (or a field path) that does not parse or names what the catalog lacks; ``column`` counts
    from 1."""

    def __init__(self, what, column, message):
        ValueError.__init__(self, "%s, column %d: %s" % (what, column, message))
        self.column = column


# ---------------------------------------------------------------------------
# The catalog's names


_MEMBERS = {}
_INDEX = []


def _new(cls):
    try:
        return cls()
    except Exception:  # a class that cannot be made empty tells its fields by its layout alone
        return None


def _members(cls):
    """{field name: the class whose fields its value has, or None} of an item or record class: its layout,
    and for a record what a new one holds besides (records set fields their layout does not name); which
    class a value of a kind of the framework's own choosing has, a new instance tells."""
    found = _MEMBERS.get(cls)
    if found is None:
        found = {}
        sample = _new(cls)
        fields = {f.name: f for f in capture.layout(cls)}
        names = list(fields)
        if sample is not None and not isinstance(sample, capture.catalog().RLXDataItem):
            names += [n for n, _ in capture.record_fields(sample) if n not in fields]
        for name in names:
            field = fields.get(name)
            inner = field.element if field is not None else None
            if inner is None and sample is not None:
                value = getattr(sample, name, None)
                if not isinstance(value, (int, float, str, bytes, bytearray, list, tuple, type(None))) \
                        and capture.record_fields(value):
                    inner = type(value)
            found[name] = inner
        _MEMBERS[cls] = found
    return found


def _index():
    """({field name: item classes that have it}, {class name in lower case: item class},
    {field name of a record: its first path from an item}), made once."""
    if not _INDEX:
        fields, deeper = collections.defaultdict(list), {}
        classes = sorted(capture.item_classes().values(), key=lambda c: c.type)
        for cls in classes:
            for name, inner in _members(cls).items():
                fields[name].append(cls)
                if inner is not None:
                    for sub in _members(inner):
                        deeper.setdefault(sub, "%s.%s" % (name, sub))
        _INDEX.append((dict(fields), {c.__name__.lower(): c for c in classes}, deeper))
    return _INDEX[0]


def _close(name, candidates, deeper=None):
    """"; did you mean ...?" naming the candidates close to ``name`` (and the paths of ``deeper``, the
    fields of records, where one of those is close), or ""."""
    shown = dict(deeper or {})
    shown.update((c, c) for c in candidates)
    return capture.did_you_mean(name, shown)


# ---------------------------------------------------------------------------
# Parsing


def _serial_syntax():
    """(regular expression, base) of a serial number as the framework writes it, found from the text of
    one serial number and checked on others; None if it cannot be told."""
    serial = capture.catalog().NorvaneSerialNumber
    probe = 0x1A2B3C4D
    try:
        text = str(serial(probe))
    except Exception:  # a serial number without a text of its own: integers only
        return None
    for digits, base, pattern in (("%X" % probe, 16, "[0-9A-Fa-f]+"), ("%x" % probe, 16, "[0-9A-Fa-f]+"),
                                  ("%d" % probe, 10, "[0-9]+")):
        at = text.find(digits)
        if at < 0:
            continue
        regex = re.compile(re.escape(text[:at]) + "(" + pattern + ")" + re.escape(text[at + len(digits):])
                           + "(?![A-Za-z0-9_.])", re.I)
        try:
            if all(int(regex.match(str(serial(n))).group(1), base) == n for n in (0, 5, 0xFFFFFFFF)):
                return regex, base
        except Exception:  # a form that does not read back: integers only
            pass
    return None


_SERIAL = []
_TOKEN = re.compile(r"""
    (?P<space>\s+)
  | (?P<op>&&|\|\||==|!=|<=|>=|<|>|!|\(|\)|\[|\]|\.)
  | (?P<bytes>[hH]'[0-9A-Fa-f\s]*')
  | (?P<text>'(?:[^'\\\n]|\\.)*'|"(?:[^"\\\n]|\\.)*")
  | (?P<number>-?(?:0[xX][0-9A-Fa-f]+|0[bB][01]+|0[oO][0-7]+|[0-9]+(?:\.[0-9]*)?(?:[eE][-+]?[0-9]+)?)
                 (?![A-Za-z0-9_]))
  | (?P<name>[A-Za-z_][A-Za-z0-9_]*)
""", re.X)
_WORDS = {"and": "&&", "or": "||", "not": "!"}

Token = collections.namedtuple("Token", "kind text value column")


def _tokens(text, what):
    """The tokens of a filter: ("op", "&&"...), ("value", literal) or ("name", identifier), with columns."""
    if not _SERIAL:
        _SERIAL.append(_serial_syntax())
    serial = _SERIAL[0]
    pos = 0
    while pos < len(text):
        column = pos + 1
        found = serial[0].match(text, pos) if serial else None
        if found:
            yield Token("value", found.group(), int(found.group(1), serial[1]), column)
            pos = found.end()
            continue
        found = _TOKEN.match(text, pos)
        if found is None:
            char = text[pos]
            if char in "'\"":
                raise FilterError(what, column, "the text in quotes does not end")
            if char == "=":
                raise FilterError(what, column, "'=' alone: compare with '=='")
            if char in "&|":
                raise FilterError(what, column, "%r alone: write %s" % (char, char * 2))
            raise FilterError(what, column, "unexpected %r" % char)
        kind, word = found.lastgroup, found.group()
        pos = found.end()
        if kind == "space":
            continue
        if kind == "op":
            yield Token("op", word, None, column)
        elif kind == "name":
            yield Token("op", _WORDS[word], None, column) if word in _WORDS else Token("name", word, None, column)
        elif kind == "bytes":
            digits = "".join(word[2:-1].split())
            if len(digits) % 2:
                raise FilterError(what, column, "bytes take two hex digits each")
            yield Token("value", word, bytes.fromhex(digits), column)
        elif kind == "text":
            import ast  # (only a quoted text needs it: not imported at every start)
            try:
                yield Token("value", word, ast.literal_eval(word), column)
            except (SyntaxError, ValueError):
                raise FilterError(what, column, "bad escape in %s" % word)
        else:
            digits = word.lstrip("-")
            if digits[:2].lower() in ("0x", "0b", "0o"):
                value = int(word, 0)
            elif "." in digits or "e" in digits.lower():
                value = float(word)
            else:
                value = int(word, 10)
            yield Token("value", word, value, column)
    yield Token("end", "", None, len(text) + 1)


Path = collections.namedtuple("Path", "qualifier steps column")
Path.__doc__ = """A field path: ``qualifier`` the class of ``Class.field`` (else None), ``steps`` tuples
(name, index or None)."""


class _Parser:
    """Recursive descent: disjunction of conjunctions of negations of comparisons, predicates and
    parenthesised filters. Nodes are tuples: ("or", [nodes]), ("and", [nodes]), ("not", node),
    ("const", bool), ("class", cls), ("pseudo", name, op, value), ("cmp", Path, op, value), ("has", Path)."""

    def __init__(self, text, what):
        self.what = what
        self.tokens = list(_tokens(text, what))
        self.at = 0

    def peek(self):
        return self.tokens[self.at]

    def take(self):
        token = self.tokens[self.at]
        self.at += 1
        return token

    def fail(self, token, message):
        raise FilterError(self.what, token.column, message)

    def expect_end(self):
        token = self.peek()
        if token.kind != "end":
            self.fail(token, "unexpected %r (join conditions with && or ||)" % token.text)

    def filter(self):
        if self.peek().kind == "end":
            self.fail(self.peek(), "empty filter")
        node = self.disjunction()
        self.expect_end()
        return node

    def _joined(self, op, part):
        nodes = [part()]
        while self.peek().kind == "op" and self.peek().text == op:
            self.take()
            nodes.append(part())
        return nodes[0] if len(nodes) == 1 else ("or" if op == "||" else "and", nodes)

    def disjunction(self):
        return self._joined("||", self.conjunction)

    def conjunction(self):
        return self._joined("&&", self.negation)

    def negation(self):
        token = self.peek()
        if token.kind == "op" and token.text == "!":
            self.take()
            return ("not", self.negation())
        return self.primary()

    def primary(self):
        token = self.peek()
        if token.kind == "op" and token.text == "(":
            self.take()
            node = self.disjunction()
            if self.peek().kind != "op" or self.peek().text != ")":
                self.fail(self.peek(), "expected ')' to close the '(' of column %d" % token.column)
            self.take()
            return node
        if token.kind == "value":
            self.take()
            op = self.operator()
            if op is None:
                self.fail(self.peek(), "expected a comparison after %s" % token.text)
            self.column = self.peek().column
            return self.comparison(self.path(), _FLIP[op], token)
        if token.kind == "name":
            self.column = token.column
            path = self.path()
            op = self.operator()
            if op is None:
                return self.predicate(path)
            value = self.take()
            if value.kind != "value":
                self.fail(value, "expected a number, text in quotes, bytes or a serial number after %r" % op)
            return self.comparison(path, op, value)
        if token.kind == "end":
            self.fail(token, "the filter ends where a field, a class name or '(' belongs")
        self.fail(token, "expected a field, a class name or '(', not %r" % token.text)

    def operator(self):
        token = self.peek()
        if token.kind == "op" and token.text in _OPS:
            self.take()
            return token.text
        return None

    def raw_path(self):
        """[(name, index, column)] of a dotted path with optional [index] after each name."""
        steps = []
        while True:
            token = self.take()
            if token.kind != "name":
                self.fail(token, "expected a field name, not %r" % (token.text or "the end"))
            index = None
            if self.peek().kind == "op" and self.peek().text == "[":
                self.take()
                number = self.take()
                if number.kind != "value" or type(number.value) is not int:
                    self.fail(number, "expected an element number in brackets")
                index = number.value
                if self.peek().kind != "op" or self.peek().text != "]":
                    self.fail(self.peek(), "expected ']' after the element number")
                self.take()
            steps.append((token.text, index, token.column))
            if self.peek().kind != "op" or self.peek().text != ".":
                return steps
            self.take()

    def path(self):
        """A field path, a pseudo-field (a 1-tuple of its name) or a class (the class itself)."""
        steps = self.raw_path()
        name, index, column = steps[0]
        fields, classes, deeper = _index()
        if name in _PSEUDO and len(steps) == 1 and index is None:
            return (name,)
        qualifier = None
        if name not in fields:
            qualifier = classes.get(name.lower())
            if qualifier is None:
                hint = ("; did you mean %s?" % deeper[name]) if name in deeper else \
                    _close(name, list(fields) + [c.__name__ for c in classes.values()], deeper)
                raise FilterError(self.what, column, "no item has a field or class named %r%s" % (name, hint))
            if index is not None:
                raise FilterError(self.what, column, "%s is a class, not a list" % qualifier.__name__)
            steps = steps[1:]
            if not steps:
                return qualifier
        return Path(qualifier, tuple((n, i) for n, i, _ in steps), column)

    def comparison(self, path, op, token):
        if isinstance(path, type):
            raise FilterError(self.what, self.column, "%s is a class: compare one of its fields or name the class "
                                                      "alone" % path.__name__)
        if isinstance(path, tuple) and not isinstance(path, Path):
            return ("pseudo", path[0], op, token.value)
        return ("cmp", path, op, token.value)

    def predicate(self, path):
        if isinstance(path, type):
            return ("class", path)
        if not isinstance(path, Path):
            return ("const", True)
        return ("has", path)


# ---------------------------------------------------------------------------
# Checking names against the classes a conjunction names


def _constraint(node):
    """The item classes a node can hold for by the class names and type codes it tests, None for any."""
    kind = node[0]
    if kind == "class":
        return {node[1]}
    if kind == "pseudo" and node[1] == "type":
        return {c for c in capture.item_classes().values() if _holds_for([c.type], node[2], node[3])}
    if kind in ("cmp", "has") and node[1].qualifier is not None:
        return {node[1].qualifier}
    if kind == "and":
        found = [s for s in map(_constraint, node[1]) if s is not None]
        return set.intersection(*found) if found else None
    if kind == "or":
        found = list(map(_constraint, node[1]))
        return None if None in found else set.union(*found)
    return None


def _check(node, context, what):
    kind = node[0]
    if kind == "and":
        inner = _constraint(node)
        narrowed = inner if context is None else context & inner if inner is not None else context
        for kid in node[1]:
            _check(kid, narrowed or context, what)
    elif kind == "or":
        for kid in node[1]:
            _check(kid, context, what)
    elif kind == "not":
        _check(node[1], context, what)
    elif kind in ("cmp", "has"):
        _check_path(node[1], context, what)


def _check_path(path, context, what):
    """Raises FilterError where a step of ``path`` names a field that none of the classes before it has."""
    name = path.steps[0][0]
    owners = {path.qualifier} if path.qualifier is not None else context
    if owners is None:
        holders = set(_index()[0][name])
    else:
        holders = {c for c in owners if name in _members(c)}
        if not holders:
            deeper = {n: "%s.%s" % (field, n) for c in owners for field, inner in _members(c).items()
                      if inner is not None for n in _members(inner)}
            close = "; did you mean %s?" % deeper[name] if name in deeper else \
                _close(name, {n for c in owners for n in _members(c)}, deeper)
            if len(owners) == 1:
                message = "%s has no field %r%s" % (next(iter(owners)).__name__, name, close)
            else:
                message = "none of %s has a field %r%s" % (", ".join(sorted(c.__name__ for c in owners)), name,
                                                           close)
            raise FilterError(what, path.column, message)
    done = name
    for step, _ in path.steps[1:]:
        inner = {_members(c)[name] for c in holders} - {None}
        if not inner:
            raise FilterError(what, path.column, "%s holds no fields (%r after it)" % (done, step))
        holders = {c for c in inner if step in _members(c)}
        if not holders:
            close = _close(step, {n for c in inner for n in _members(c)})
            raise FilterError(what, path.column, "%s has no field %r%s" % (done, step, close))
        name = step
        done += "." + step


# ---------------------------------------------------------------------------
# Evaluating


_SERIAL_TYPE = []


def _serial_type():
    if not _SERIAL_TYPE:
        _SERIAL_TYPE.append(capture.catalog().NorvaneSerialNumber)
    return _SERIAL_TYPE[0]


def _comparable(value, literal):
    """``value`` as what compares with ``literal`` (a serial number as its integer), or _MISSING: text only
    with text, bytes with bytes, numbers with numbers."""
    kind = type(literal)
    if kind is str:
        return value if isinstance(value, str) else _MISSING
    if kind is bytes:
        return bytes(value) if isinstance(value, (bytes, bytearray, memoryview)) else _MISSING
    if isinstance(value, (int, float)):
        return value
    if isinstance(value, _serial_type()):
        return int(value)
    return _MISSING


def _flat(values):
    out = []
    for value in values:
        if isinstance(value, (list, tuple)):
            out += _flat(value)
        else:
            out.append(value)
    return out


def _holds_for(values, op, literal):
    """Whether a comparison holds for any of the values, lists opened (``!=``: some value compares and none
    equals)."""
    if op == "!=":
        seen = False
        for value in _flat(values):
            value = _comparable(value, literal)
            if value is not _MISSING:
                if value == literal:
                    return False
                seen = True
        return seen
    test = _OPS[op]
    for value in _flat(values):
        value = _comparable(value, literal)
        if value is not _MISSING and test(value, literal):
            return True
    return False


def _walk(item, steps):
    """The values a path reaches from an item: lists on the way are opened, [i] takes one element."""
    found = [item]
    last = len(steps) - 1
    for at, (name, index) in enumerate(steps):
        reached = []
        for obj in found:
            try:
                value = getattr(obj, name, _MISSING)
            except Exception:  # a property that fails holds no value
                continue
            if value is _MISSING:
                continue
            if index is not None:
                if not isinstance(value, (list, tuple)):
                    continue
                try:
                    value = value[index]
                except IndexError:
                    continue
            reached.append(value)
        found = reached if at == last else _flat(reached)
    return found


def _holds(node, cls, code, item, offset):
    """The filter's value for one item (None for an unknown type code): the reference the compiled tests
    fall back on, reading every value with care."""
    kind = node[0]
    if kind == "and":
        return all(_holds(kid, cls, code, item, offset) for kid in node[1])
    if kind == "or":
        return any(_holds(kid, cls, code, item, offset) for kid in node[1])
    if kind == "not":
        return not _holds(node[1], cls, code, item, offset)
    if kind == "const":
        return node[1]
    if kind == "class":
        return node[1] is cls
    if kind == "pseudo":
        return _holds_for([code if node[1] == "type" else offset], node[2], node[3])
    path = node[1]
    if item is None or cls is None or path.qualifier not in (None, cls) or path.steps[0][0] not in _members(cls):
        return False
    values = _walk(item, path.steps)
    return bool(values) if kind == "has" else _holds_for(values, node[2], node[3])


def _value_holds(op, literal, value):
    return _holds_for([value], op, literal)


def _path_holds(steps, op, literal, item):
    return _holds_for(_walk(item, steps), op, literal)


def _path_values(steps, item):
    return _walk(item, steps)


def _has(steps, item):
    return bool(_walk(item, steps))


_CODES = {}  # source -> code of the compiled tests and pickers


class _Compiler:
    """One type code's test as Python source: class names, ``type`` and the fields its class lacks are
    constants and fold away; a comparison of a field of the item reads it once and compares it inline when
    it is a plain number, text or bytes (else the careful comparison decides)."""

    def __init__(self, cls, code):
        self.cls, self.code = cls, code
        self.scope = {"_NUM": (int, float), "_SER": _serial_type()}
        self.uses_item = self.uses_offset = False

    def constant(self, value):
        name = "_k%d" % len(self.scope)
        self.scope[name] = value
        return name

    def literal(self, value):
        if type(value) is float and not math.isfinite(value):
            return self.constant(value)
        return repr(value)

    def node(self, node):
        """True, False or the source of an expression."""
        kind = node[0]
        if kind in ("and", "or"):
            absorbing = kind == "or"
            parts = []
            for kid in node[1]:
                part = self.node(kid)
                if part is absorbing:
                    return absorbing
                if part is not (not absorbing):
                    parts.append(part)
            if not parts:
                return not absorbing
            return parts[0] if len(parts) == 1 else "(" + (" %s " % kind).join(parts) + ")"
        if kind == "not":
            part = self.node(node[1])
            return (not part) if isinstance(part, bool) else "(not %s)" % part
        if kind == "const":
            return node[1]
        if kind == "class":
            return node[1] is self.cls
        if kind == "pseudo":
            if node[1] == "type":
                return _holds_for([self.code], node[2], node[3])
            if _comparable(0, node[3]) is _MISSING:
                return False
            self.uses_offset = True
            return "(offset %s %s)" % (node[2], self.literal(node[3]))
        path = node[1]
        cls = self.cls
        if cls is None or path.qualifier not in (None, cls) or path.steps[0][0] not in _members(cls):
            return False
        self.uses_item = True
        name, index = path.steps[0]
        single = len(path.steps) == 1 and index is None
        if kind == "has":
            return True if single else "%s(item)" % self.constant(functools.partial(_has, path.steps))
        op, value = node[2], node[3]
        if not single:
            return "%s(item)" % self.constant(functools.partial(_path_holds, path.steps, op, value))
        read = "item." + name if name.isidentifier() and not keyword.iskeyword(name) else "getattr(item, %r)" % name
        slow = self.constant(functools.partial(_value_holds, op, value))
        literal = self.literal(value)
        if type(value) in (str, bytes):
            return "(v %s %s if type(v := %s) is %s else %s(v))" % (op, literal, read, type(value).__name__, slow)
        return "(v %s %s if type(v := %s) in _NUM else int(v) %s %s if type(v) is _SER else %s(v))" % (
            op, literal, read, op, literal, slow)

    def define(self, tree, body, source, **scope):
        """The function ``source`` defines, its EXPRESSION the test's ``body``."""
        self.scope.update(scope, _careful=functools.partial(_holds, tree, self.cls, self.code))
        source = source.replace("EXPRESSION", body)
        code = _CODES.get(source)
        if code is None:  # the classes that share a field mostly share the source: compiled once
            code = _CODES[source] = compile(source, "<filter>", "exec")
        exec(code, self.scope)
        return self.scope["function"]

    def test(self, tree):
        """(test, needs_item): see Filter.verdict."""
        body = self.node(tree)
        if isinstance(body, bool):
            return body, False
        return self.define(tree, body, _TEST), self.uses_item

    def picker(self, tree, decode, rejected):
        """A function frame -> item for the frames of this type code (see Filter.decoder): ``decode`` itself
        where the filter selects them all, ``rejected.append`` where it selects none, else one function that
        decodes and tests (or tests the offset, then decodes)."""
        body = self.node(tree)
        if isinstance(body, bool):
            return decode if body else rejected.append
        source = _PICK_ITEM if self.uses_item else _PICK_OFFSET
        if not self.uses_offset:
            source = source.replace("    offset = frame[0]\n", "")
        return self.define(tree, body, source, _decode=decode, _reject=rejected.append)


# The compiled functions: where the inline comparisons meet a value of a kind they do not take, the careful
# evaluation decides.
_TEST = """def function(item, offset):
    try:
        return EXPRESSION
    except Exception:
        return _careful(item, offset)
"""
_PICK_ITEM = """def function(frame):
    item = _decode(frame)
    if item is None:
        return None
    offset = frame[0]
    try:
        if EXPRESSION:
            return item
    except Exception:
        if _careful(item, frame[0]):
            return item
    _reject(frame)
"""
_PICK_OFFSET = """def function(frame):
    offset = frame[0]
    try:
        keep = EXPRESSION
    except Exception:
        keep = _careful(None, offset)
    if keep:
        return _decode(frame)
    _reject(frame)
"""


class Filter:
    """A display filter (see the module documentation), checked against the catalog and compiled per type
    code on first use. ``Filter(text)`` raises :class:`FilterError` (a ValueError) for a filter that does
    not parse or names a field the catalog lacks. ``filter(item, offset=0)`` tells whether it selects an
    item."""

    def __init__(self, text, what="filter"):
        if not isinstance(text, str):
            raise TypeError("a filter is a str, not %s" % type(text).__name__)
        self.text = text
        self.tree = _Parser(text, what).filter()
        _check(self.tree, None, what)
        self._verdicts = {}

    def __repr__(self):
        return "Filter(%r)" % self.text

    def verdict(self, code):
        """(test, needs_item) for the items of a type code: ``test`` is True or False where the filter's
        value does not depend on the item, else a function (item, offset) -> bool; ``needs_item`` is False
        when that function reads the offset alone (it takes None for the item)."""
        found = self._verdicts.get(code)
        if found is None:
            found = self._verdicts[code] = _Compiler(capture.item_classes().get(code), code).test(self.tree)
        return found

    def __call__(self, item, offset=0):
        test = self.verdict(type(item).type)[0]
        return test if isinstance(test, bool) else test(item, offset)

    def decoder(self, decode, rejected):
        """A function frame -> item for the frames this filter selects, else None: ``decode(frame)`` gives
        the item (None after reporting why there is none); a frame the filter does not select is appended
        to ``rejected``, and decoded only where the filter must see the item to tell. The function of each
        type code is compiled at its first frame."""
        pickers, tree, classes = {}, self.tree, capture.item_classes()

        def select(frame):
            pick = pickers.get(frame[1])
            if pick is None:
                pick = pickers[frame[1]] = _Compiler(classes.get(frame[1]), frame[1]).picker(tree, decode,
                                                                                             rejected)
            return pick(frame)
        return select

    def pairs(self, cap):
        """(offset, item) for every item of a capture.Capture that decodes and that this filter selects."""
        rejected = []
        select = self.decoder(cap.decode, rejected)
        for batch in cap.batches():
            for frame in batch:
                item = select(frame)
                if item is not None:
                    yield frame[0], item
            del rejected[:]


# ---------------------------------------------------------------------------
# Statistics


class _FieldStats:
    """Count, least, greatest and mean value of one field path: every element of a list counts; serial
    numbers count as their value; text, bytes, records and NaN are counted and not measured."""

    def __init__(self, text):
        what = "field %r" % text
        parser = _Parser(text, what)
        path = parser.path()
        parser.expect_end()
        if not isinstance(path, Path):
            raise FilterError(what, 1, "name a field: CLASS.FIELD (a path into its records and lists)")
        _check_path(path, None, what)
        self.text, self.path = text, path
        self.count = self.numbers = self.serials = self.total = 0
        self.serial = _serial_type()
        self.low, self.high = math.inf, -math.inf

    def getter(self, cls):
        """A function item -> the field's value (a list of values for a path), None where ``cls`` lacks it."""
        path = self.path
        if path.qualifier not in (None, cls) or path.steps[0][0] not in _members(cls):
            return None
        name, index = path.steps[0]
        if len(path.steps) == 1 and index is None:
            return operator.attrgetter(name)
        return functools.partial(_path_values, path.steps)

    def add(self, value):
        kind = type(value)
        if kind is int or kind is float and value == value:
            number = value
        elif kind is self.serial:
            number = int(value)
            self.serials += 1
        elif isinstance(value, (list, tuple)):
            for element in value:
                self.add(element)
            return
        else:
            number = _comparable(value, 0)
            if number is _MISSING or number != number:
                self.count += 1  # text, bytes, records and NaN are counted, not measured
                return
            self.serials += isinstance(value, self.serial)
            number = int(number) if isinstance(number, int) else float(number)
        self.count += 1
        self.numbers += 1
        self.total += number
        if number < self.low:
            self.low = number
        if number > self.high:
            self.high = number

    def bounds(self):
        """(least, greatest) value, serial numbers where all values were; (None, None) without numbers."""
        if not self.numbers:
            return None, None
        if self.serials == self.numbers:
            return _serial_type()(self.low), _serial_type()(self.high)
        return self.low, self.high

    def data(self):
        low, high = (None if v is None else capture.value_data(v) for v in self.bounds())
        return {"field": self.text, "count": self.count, "min": low, "max": high,
                "mean": capture.value_data(self.total / self.numbers) if self.numbers else None}


def _number_text(value):
    if value is None:
        return "-"
    if isinstance(value, float) and math.isfinite(value) and abs(value) < 1e15:
        return format(value, ".6g") if abs(value) < 1e6 else format(value, ".1f")
    return str(value)


class Statistics:
    """What a capture holds: items and bytes per class, per unknown type code and per class of malformed
    items; the items a filter does not select; count, least, greatest and mean value of chosen fields
    (``fields``: paths ``Class.field``, ``Class.list.field``, or a field of every class that has it).
    Raises FilterError for a filter or field the catalog lacks."""

    def __init__(self, fields=(), filter=None):
        self.filter = filter if filter is None or isinstance(filter, Filter) else Filter(filter)
        self.fields = [_FieldStats(text) for text in fields]
        self.decoded, self.unknown, self.malformed = {}, {}, {}    # type code -> [items, bytes]
        self.skipped = [0, 0]                                       # items not selected, their bytes
        self.leftover = 0                                           # items with bytes past their layout
        self.stream_error = None
        self._probes = {}

    def note(self, diagnostic):
        """A diagnostic of the capture read: a warning or the error that ended the stream."""
        if diagnostic.warning:
            self.leftover += 1
        elif diagnostic.problem in ("truncated", "hex", "read"):
            self.stream_error = str(diagnostic)

    def _probes_for(self, code):
        cls = capture.item_classes().get(code)
        found = []
        for stats in self.fields:
            get = stats.getter(cls) if cls is not None else None
            if get is not None:
                found.append((get, stats))
        return found

    def read(self, cap):
        """Counts the items of a capture.Capture (send its diagnostics to ``note`` as well)."""
        classes = capture.item_classes()
        rejected = []
        select = cap.decode if self.filter is None else self.filter.decoder(cap.decode, rejected)
        decoded, probes, skipped = self.decoded, self._probes, self.skipped
        for batch in cap.batches():
            for frame in batch:
                item = select(frame)
                code = frame[1]
                if item is None:
                    if rejected and rejected[-1] is frame:
                        skipped[0] += 1
                        skipped[1] += 4 + len(frame[2])
                    else:
                        row = (self.malformed if code in classes else self.unknown).setdefault(code, [0, 0])
                        row[0] += 1
                        row[1] += 4 + len(frame[2])
                    continue
                row = decoded.get(code)
                if row is None:
                    row = decoded[code] = [0, 0]
                row[0] += 1
                row[1] += 4 + len(frame[2])
                found = probes.get(code)
                if found is None:
                    found = probes[code] = self._probes_for(code)
                for get, stats in found:
                    try:
                        value = get(item)
                    except Exception:  # an item without the field: nothing to count
                        continue
                    stats.add(value)
            del rejected[:]

    def _rows(self):
        """[(label, class name or None, type code, items, bytes, what)] by most items first."""
        classes = capture.item_classes()
        rows = []
        for table, what in ((self.decoded, "decoded"), (self.unknown, "unknown"), (self.malformed, "malformed")):
            for code, (n, size) in table.items():
                rows.append((classes[code].__name__ if code in classes else None, code, n, size, what))
        order = {"decoded": 0, "unknown": 1, "malformed": 2}
        return sorted(rows, key=lambda r: (order[r[4]], -r[2], r[0] or "", r[1]))

    def _totals(self):
        sums = [sum(n for n, _ in t.values()) for t in (self.decoded, self.unknown, self.malformed)]
        size = sum(s for t in (self.decoded, self.unknown, self.malformed) for _, s in t.values())
        return sums, sum(sums) + self.skipped[0], size + self.skipped[1]

    def data(self, interrupted=False):
        """The statistics as one JSON-ready object."""
        (decoded, unknown, malformed), items, size = self._totals()
        selected = decoded + unknown + malformed
        out = {"items": items, "bytes": size, "decoded": decoded, "unknown": unknown, "malformed": malformed,
               "not_selected": self.skipped[0], "not_selected_bytes": self.skipped[1],
               "with_bytes_left_over": self.leftover, "classes": [], "unknown_types": [], "malformed_items": []}
        for name, code, n, nbytes, what in self._rows():
            row = {"class": name} if name is not None else {}
            row.update({"type": "0x%04X" % code, "items": n, "share": round(n / selected, 6), "bytes": nbytes})
            out[{"decoded": "classes", "unknown": "unknown_types", "malformed": "malformed_items"}[what]].append(row)
        out["fields"] = [stats.data() for stats in self.fields]
        out["stream_error"] = self.stream_error
        out["interrupted"] = interrupted
        return out

    def lines(self, interrupted=False):
        """The statistics as a text table, a list of lines."""
        (decoded, unknown, malformed), items, size = self._totals()
        selected = decoded + unknown + malformed
        head = "%d items, %d bytes: %d decoded, %d unknown, %d malformed" % (items, size, decoded, unknown,
                                                                            malformed)
        if self.skipped[0]:
            head += ", %d not selected (%d bytes)" % tuple(self.skipped)
        if self.leftover:
            head += ", %d with bytes left over" % self.leftover
        lines = [head + (" (interrupted)" if interrupted else "")]
        rows = self._rows()
        if rows:
            lines.append("%-44s %-7s %9s %8s %11s" % ("class", "type", "items", "share", "bytes"))
            for name, code, n, nbytes, what in rows:
                label = {"decoded": name, "unknown": "(unknown)", "malformed": "%s (malformed)" % name}[what]
                lines.append("%-44s 0x%04X %9d %6.1f %% %11d" % (label, code, n, 100.0 * n / selected, nbytes))
        if self.fields:
            lines.append("%-44s %9s %14s %14s %14s" % ("field", "count", "min", "max", "mean"))
            for stats in self.fields:
                low, high = stats.bounds()
                mean = stats.total / stats.numbers if stats.numbers else None
                lines.append("%-44s %9d %14s %14s %14s" % (stats.text, stats.count, _number_text(low),
                                                          _number_text(high), _number_text(mean)))
        if self.stream_error:
            lines.append("stream: %s" % self.stream_error)
        return lines
