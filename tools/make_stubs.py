#!/usr/bin/python3
"""Writes the type stub of the catalog module, rlx/data_items/private_data_items.pyi.

    PYTHONPATH=$stage /usr/bin/python3 -P tools/make_stubs.py [--check]

What the built module tells about itself comes from importing it: its classes
in declaration order with their bases, documentation strings and class
attributes, the `definition` entries of every class (instance attributes,
typed by their attribute kind), the methods each class defines, and the
values a default instance holds. What it cannot tell, the parameters of the
methods written in C++, is read from the method tables and method bodies in
src/*.cpp: a `bind_args` call names the parameters, `expect_args` counts
positional ones, a one-parameter helper names its parameter. A method's
`__text_signature__`, when it has one, takes precedence over the sources.

--check writes nothing: it compares the checked-in stub with the one the
built module yields and exits 1 with a unified diff when they differ.
"""

import argparse
import difflib
import importlib
import inspect
import os
import re
import sys
import types

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STUB = os.path.join(TOP, "rlx", "data_items", "private_data_items.pyi")
MODULE = "rlx.data_items.private_data_items"

# Parameter and class attribute types that neither the module nor the method
# bodies can tell (the values are Python types, not numbers of the catalog).
PARAM_TYPES = {
    ("add_uwb_network_command", "destination_group"): "int",
    ("add_uwb_network_command", "type"): "int",
    ("add_uwb_network_command", "length"): "int",
    ("add_uwb_network_command", "data"): "bytes",
    ("register_cmd_item", "cmd_class"): "builtins.type[UWBNetworkCommandItem]",
    ("__eq__", "other"): "object",
}
CLASS_ATTR_TYPES = {
    "cmd_classes": "dict[int, builtins.type[UWBNetworkCommandItem]]",
}
# Names of the positional-only parameters counted by `expect_args`.
POSITIONAL_NAMES = {"__eq__": ["other"]}

SERIAL_PARAM = "int | NorvaneSerialNumber"


def warn(message):
    sys.stderr.write("make_stubs: %s\n" % message)


# ---------------------------------------------------------------------------
# Reading the C++ sources.

_LITERAL_OR_COMMENT = re.compile(r'//[^\n]*|/\*.*?\*/|("(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])+\')', re.S)


def strip_comments(text):
    return _LITERAL_OR_COMMENT.sub(lambda m: m.group(1) or " ", text)


def matching(text, start):
    """Index just past the bracket closing the one at `start`, string literals skipped."""
    pairs = {"{": "}", "(": ")", "[": "]"}
    opening, closing = text[start], pairs[text[start]]
    depth, i = 0, start
    while i < len(text):
        c = text[i]
        if c in "\"'":
            i += 1
            while text[i] != c:
                i += 2 if text[i] == "\\" else 1
        elif c == opening:
            depth += 1
        elif c == closing:
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    raise ValueError("unbalanced %r at offset %d" % (opening, start))


def top_level_groups(text):
    """The brace groups at the outermost level of `text` (the rows of a table)."""
    groups, i = [], 0
    while i < len(text):
        c = text[i]
        if c in "\"'":
            i = _LITERAL_OR_COMMENT.match(text, i).end()
            continue
        if c == "{":
            end = matching(text, i)
            groups.append(text[i:end])
            i = end
            continue
        i += 1
    return groups


class Sources:
    """Method tables and method bodies of the subsystem sources."""

    _DEFINE = re.compile(r"^[ \t]*#[ \t]*define[ \t]+(\w+)(?!\()[ \t]*((?:[^\n]*\\\n)*[^\n]*)", re.M)
    _METHOD_CONST = re.compile(r"\bconst\s+\w+\s+(k\w+)\s*=\s*((?:instance|class)_method\(.*?\));", re.S)
    _FUNCTION = re.compile(r"^(?:template\s*<[^;{}]*>\s*)?[\w:]+[\s*&]+(\w+)\s*\(", re.M)
    _STR_ARRAY = re.compile(r"\bconst\s+char\s*\*\s*(?:const\s+)?(\w+)\s*\[\s*\]\s*=\s*\{(.*?)\};", re.S)
    _METHOD = re.compile(r"\b(instance_method|class_method)\(\s*\"(\w+)\"\s*,\s*method<\s*(\w+)")

    def __init__(self, directory):
        self.functions = {}   # C++ function name -> body text
        self.arrays = {}      # constexpr string array name -> its strings
        self.methods = {}     # class name -> {method name: C++ function name}
        for name in sorted(os.listdir(directory)):
            if name.endswith(".cpp"):
                with open(os.path.join(directory, name), encoding="utf-8") as f:
                    self._read(strip_comments(f.read()))

    def _read(self, text):
        macros = {m.group(1): m.group(2).replace("\\\n", " ") for m in self._DEFINE.finditer(text)}
        for m in self._STR_ARRAY.finditer(text):
            self.arrays[m.group(1)] = re.findall(r'"((?:\\.|[^"\\])*)"', m.group(2))
        for m in self._FUNCTION.finditer(text):
            close = matching(text, m.end() - 1)
            after = re.match(r"\s*(?:const\s*)?\{", text[close:])
            if after:
                body_start = close + after.end() - 1
                self.functions[m.group(1)] = text[body_start:matching(text, body_start)]
        constants = {m.group(1): m.group(2) for m in self._METHOD_CONST.finditer(text)}
        # The class tables: arrays whose rows open with a class name and what it is.
        for m in re.finditer(r"\bconst\s+\w+\s+\w+\s*\[\s*\]\s*=\s*\{", text):
            table = text[m.end() - 1:matching(text, m.end() - 1)]
            table = self._expand(table, macros)
            for row in top_level_groups(table[1:-1]):
                name = re.match(r'\{\s*"(\w+)"\s*,\s*What::', row)
                if not name:
                    continue
                row = self._expand(row, constants)
                self.methods[name.group(1)] = {pm.group(2): pm.group(3) for pm in self._METHOD.finditer(row)}

    @staticmethod
    def _expand(text, names):
        if not names:
            return text
        pattern = re.compile(r"\b(%s)\b" % "|".join(map(re.escape, names)))
        for _ in range(8):
            expanded = pattern.sub(lambda m: names[m.group(1)], text)
            if expanded == text:
                break
            text = expanded
        return text

    def body(self, function, seen=None):
        """The text of `function` and of the method bodies it delegates to."""
        seen = set() if seen is None else seen
        if function in seen or function not in self.functions:
            return ""
        seen.add(function)
        text = self.functions[function]
        for callee in re.findall(r"\b(\w+)\s*(?:<[^<>()]*>)?\s*\(\s*ctx\s*,\s*args\s*,\s*nargs\s*,\s*kwnames\s*\)", text):
            text += "\n" + self.body(callee, seen)
        return text

    def parameters(self, function):
        """[(name, required, keyword)] of a method body, or None when the body does not say."""
        text = self.body(function)
        m = re.search(r"\bbind_args\([^;]*?\{([^{}]*)\}\s*,\s*[^,;]+,\s*(\d+)\s*\)", text)
        if m:
            names = re.findall(r'"(\w+)"', m.group(1))
            required = int(m.group(2))
            return [(n, i < required, True) for i, n in enumerate(names)]
        m = re.search(r'\b\w+\(\s*"\w+"\s*,\s*"(\w+)"\s*,\s*args\s*,\s*nargs\s*,\s*kwnames\s*\)', text)
        if m:
            return [(m.group(1), True, True)]
        m = re.search(r"\bexpect_args\([^;]*?,\s*nargs\s*,\s*kwnames\s*,\s*(\d+)\s*\)", text)
        if m:
            return [(None, True, False)] * int(m.group(1))
        # A constructor walking its own table of parameter names, each optional.
        for array in re.findall(r"\b(k\w*Params)\b", text):
            if array in self.arrays:
                return [(n, False, True) for n in self.arrays[array]]
        return None

    def returns_nothing(self, function):
        text = self.body(function)
        returns = re.findall(r"\breturn\b([^;]*);", text)
        return bool(returns) and all(r.strip() == "py::none()" for r in returns)

    def writes(self, function):
        return bool(re.search(r"SetAttr|SetItem|\bappend\b|\"print\"", self.body(function)))

    def appended_record(self, function):
        m = re.search(r'\bappend_record\(\s*[^,;]+,\s*[^,;]+,\s*[^,;]+,\s*"(\w+)"', self.body(function))
        return m.group(1) if m else None

    def wraps_serial(self, function):
        return "NorvaneSerialNumber" in self.body(function) or "append_serial" in self.body(function)


# ---------------------------------------------------------------------------
# Types of values.

class Namer:
    """Renders type expressions, qualifying builtins a class member shadows."""

    BUILTINS = ("int", "float", "bool", "str", "bytes", "list", "tuple", "dict", "object", "type")

    def __init__(self, module):
        self.module = module
        self.shadowed = frozenset()
        self.typing = set()

    def fix(self, expression):
        """`expression` with every shadowed builtin name qualified."""
        if not self.shadowed:
            return expression
        return re.sub(r"(?<![\w.])(%s)\b" % "|".join(sorted(self.shadowed)), r"builtins.\1", expression)

    def any(self):
        self.typing.add("Any")
        return "Any"

    def of_value(self, value):
        """The type of a value a class or an instance holds."""
        if isinstance(value, bool):
            return "bool"
        for t in (int, float, str, bytes):
            if isinstance(value, t):
                return t.__name__
        if isinstance(value, tuple):
            return "tuple[%s]" % ", ".join(self.of_value(v) for v in value) if value else "tuple[()]"
        if isinstance(value, (list, dict)):
            elements = {self.of_value(v) for v in value} if isinstance(value, list) else \
                {"%s, %s" % (self.of_value(k), self.of_value(v)) for k, v in value.items()}
            inner = elements.pop() if len(elements) == 1 else None
            if inner is None:
                inner = self.any() if isinstance(value, list) else "%s, %s" % (self.any(), self.any())
            return "%s[%s]" % (type(value).__name__, inner)
        name = type(value).__name__
        if getattr(self.module, name, None) is type(value):
            return name
        return self.any()

    def kind_name(self, attr):
        """The name under which the module holds the kind of `attr` (a framework may bind one class twice)."""
        for name in ("DISerialNumberAttr", "DISerialNumberListAttr", "DIUInt16ListAttr", "DIListAttr"):
            if type(attr) is getattr(self.module, name, None):
                return name
        return type(attr).__name__

    def of_attribute(self, attr, held=None):
        """The type of the instance attribute that definition entry `attr` fills.

        `held` is the value a default instance holds there, when there is one."""
        kind = self.kind_name(attr)
        if kind == "DISerialNumberAttr":
            serial = getattr(self.module, "NorvaneSerialNumber", None)
            return "NorvaneSerialNumber" if serial and isinstance(held, serial) else "NorvaneSerialNumber | int"
        if kind == "DISerialNumberListAttr":
            return "list[NorvaneSerialNumber]"
        if kind == "DIUInt16ListAttr":
            return "list[int]"
        if kind == "DIListAttr":
            # The element class, under whatever name the framework keeps it.
            element = getattr(attr, "element_class", None)
            if not isinstance(element, type):
                element = next((v for v in vars(attr).values() if isinstance(v, type)), None)
            return "list[%s]" % (element.__name__ if isinstance(element, type) else self.any())
        default = getattr(attr, "default", None)
        if default is None:
            return self.any() if held is None else self.of_value(held)
        return self.of_value(default)


# ---------------------------------------------------------------------------
# The stub.

def declared_classes(module):
    return [v for v in vars(module).values() if isinstance(v, type) and v.__module__ == module.__name__]


def default_instance(module, cls):
    """A new instance as the framework or a caller builds it, or None."""
    try:
        if issubclass(cls, module.DataItemAttribute):
            return cls("name")
        return cls()
    except Exception:  # a class that needs arguments: its attributes are then the definition's only
        return None


def render_params(params):
    out = ["self"]
    positional_only = params and not params[0][2]
    for text, _, _ in params:
        out.append(text)
    if positional_only:
        out.append("/")
    return ", ".join(out)


class StubWriter:
    def __init__(self, module, sources):
        self.module = module
        self.sources = sources
        self.namer = Namer(module)
        self.base_instance_names = set()
        item = getattr(module, "RLXDataItem", None)
        if isinstance(item, type):
            probe = default_instance(module, item)
            self.base_instance_names = set(vars(probe)) if probe is not None else set()

    # -- members of one class

    def instance_attributes(self, cls, instance):
        """[(name, type)] of the definition entries, then of the other values of a default instance."""
        held = vars(instance) if instance is not None and hasattr(instance, "__dict__") else {}
        out, seen = [], set()
        definition = cls.__dict__.get("definition")
        if isinstance(definition, list):
            for attr in definition:
                name = getattr(attr, "name", None)
                if isinstance(name, str) and name not in seen:
                    seen.add(name)
                    out.append((name, self.namer.of_attribute(attr, held.get(name))))
        if not issubclass(cls, self.module.DataItemAttribute):
            for name, value in held.items():
                if name not in seen and name not in self.base_instance_names and not name.startswith("_"):
                    seen.add(name)
                    out.append((name, self.namer.of_value(value)))
        return out

    def param_type(self, cls, method, function, index, name, attributes):
        if (method, name) in PARAM_TYPES:
            return PARAM_TYPES[(method, name)]
        if issubclass(cls, self.module.DataItemAttribute):
            if method == "__init__":
                return "str"
            if method == "_encode":
                return self.value_type_of_kind(cls)
            if method == "_decode":
                return "bytes"
        if function:
            record = self.sources.appended_record(function)
            if record and isinstance(getattr(self.module, record, None), type):
                ctor = self.constructor_params(getattr(self.module, record))
                if ctor and index < len(ctor):
                    return ctor[index][1]
            if self.sources.wraps_serial(function) and "serial" in (name or ""):
                return SERIAL_PARAM
        if name in attributes:
            return attributes[name]
        return self.namer.any()

    def value_type_of_kind(self, cls):
        probe = default_instance(self.module, cls)
        default = getattr(probe, "default", None)
        return self.namer.of_value(default) if default is not None else self.namer.any()

    def constructor_params(self, record):
        """[(name, type)] of the generic record constructor: one parameter per definition entry."""
        init = record.__dict__.get("__init__")
        definition = record.__dict__.get("definition")
        if init is None or not isinstance(definition, list) or "__init__" in self.sources.methods.get(record.__name__, {}):
            return None
        # The constructor's context holds its parameter names and flags, in definition order.
        context = getattr(getattr(init, "__func__", None), "__self__", None)
        names = [a.name for a in definition]
        wrapped = [False] * len(names)
        if isinstance(context, list) and len(context) >= 5 and isinstance(context[3], tuple) \
                and len(context[3]) == len(names) and isinstance(context[4], bytes):
            names = list(context[3])
            wrapped = [bool(b & 1) for b in context[4]]
        out = []
        for attr, name, wrap in zip(definition, names, wrapped):
            out.append((name, SERIAL_PARAM if wrap or type(attr).__name__ == "DISerialNumberAttr"
                        else self.namer.of_attribute(attr)))
        return out

    def return_type(self, cls, method, function, params, instance):
        if method in ("__init__",):
            return "None"
        if method in ("__str__", "__repr__"):
            return "str"
        if method == "__eq__":
            return "bool"
        if method == "_encode":
            return "bytes"
        if method == "_decode":
            if issubclass(cls, self.module.DataItemAttribute):
                return "tuple[%s, int]" % self.value_type_of_kind(cls)
            return "None"
        if function and self.sources.returns_nothing(function):
            return "None"
        # An accessor that takes nothing and writes nothing: ask a default instance.
        if function and not params and not self.sources.writes(function) and instance is not None:
            try:
                return self.namer.of_value(getattr(instance, method)())
            except Exception:
                pass
        return self.namer.any()

    def methods(self, cls, instance, attributes):
        lines = []
        table = self.sources.methods.get(cls.__name__, {})
        for method, value in cls.__dict__.items():
            if isinstance(value, property):
                result = None
                if instance is not None:
                    try:
                        result = self.namer.of_value(getattr(instance, method))
                    except Exception:
                        pass
                result = result or self.namer.any()
                lines += ["    @property", "    def %s(self) -> %s: ..." % (method, result)]
                continue
            if isinstance(value, classmethod):
                bound, function = "cls", value.__func__
            elif isinstance(value, (types.FunctionType, types.BuiltinFunctionType)) or \
                    type(value).__name__ == "instancemethod":
                bound, function = "self", getattr(value, "__func__", value)
            else:
                continue
            source = table.get(method)
            params = self.signature(cls, method, function, source, attributes)
            if params is None:
                warn("%s.%s: parameters unknown" % (cls.__name__, method))
                rendered = "%s, *args: %s, **kwargs: %s" % (bound, self.namer.any(), self.namer.any())
            else:
                rendered = render_params(params).replace("self", bound, 1)
            result = self.return_type(cls, method, source, params, instance)
            if bound == "cls":
                lines.append("    @classmethod")
            lines.append("    def %s(%s) -> %s: ..." % (method, rendered, self.namer.fix(result)))
        return lines

    def signature(self, cls, method, function, source, attributes):
        """[(text, required, keyword)] of the parameters after the bound one, or None."""
        text_signature = getattr(function, "__text_signature__", None)
        if text_signature:
            try:
                sig = inspect.signature(function)
            except (TypeError, ValueError):
                sig = None
            if sig is not None:
                out = []
                for p in list(sig.parameters.values())[1:]:
                    t = self.param_type(cls, method, source, len(out), p.name, attributes)
                    default = "" if p.default is inspect.Parameter.empty else " = ..."
                    out.append(("%s: %s%s" % (p.name, self.namer.fix(t), default), not default,
                                p.kind is not inspect.Parameter.POSITIONAL_ONLY))
                return out
        if source is None and method == "__init__":
            ctor = self.constructor_params(cls)
            if ctor is not None:
                return [("%s: %s = ..." % (n, self.namer.fix(t)), False, True) for n, t in ctor]
        if source is None and method == "__str__" and "__str__" in cls.__dict__:
            return []
        if source is None:
            return None
        found = self.sources.parameters(source)
        if found is None:
            return None
        out = []
        for index, (name, required, keyword) in enumerate(found):
            if name is None:
                names = POSITIONAL_NAMES.get(method, [])
                name = names[index] if index < len(names) else "arg%d" % index
            t = self.namer.fix(self.param_type(cls, method, source, index, name, attributes))
            out.append(("%s: %s%s" % (name, t, "" if required else " = ..."), required, keyword))
        return out

    def class_lines(self, cls):
        instance = default_instance(self.module, cls)
        attributes = self.instance_attributes(cls, instance)
        members = set(cls.__dict__) | {n for n, _ in attributes}
        self.namer.shadowed = frozenset(n for n in Namer.BUILTINS if n in members)
        bases = [b.__name__ for b in cls.__bases__ if b is not object]
        lines = ["class %s%s:" % (cls.__name__, "(%s)" % ", ".join(bases) if bases else "")]
        doc = cls.__dict__.get("__doc__")
        if isinstance(doc, str):
            lines.append("    " + docstring(doc))
        code = cls.__dict__.get("type")
        instance_names = {n for n, _ in attributes}
        # An item with a payload field named `type` declares it in the field's place.
        if isinstance(code, int) and "type" not in instance_names:
            lines.append("    type: %s" % self.classvar("int"))
        if "definition" in cls.__dict__:
            lines.append("    definition: %s" % self.classvar("list[DataItemAttribute]"))
        for name, value in cls.__dict__.items():
            if name.startswith("_") or name in ("type", "definition") or callable(value) or \
                    isinstance(value, (property, classmethod, staticmethod)) or type(value).__name__ == "instancemethod":
                continue
            t = CLASS_ATTR_TYPES.get(name) or self.namer.of_value(value)
            lines.append("    %s: %s" % (name, self.classvar(self.namer.fix(t))))
        for name, t in attributes:
            lines.append("    %s: %s" % (name, self.namer.fix(t)))
        lines += self.methods(cls, instance, dict(attributes))
        self.namer.shadowed = frozenset()
        if len(lines) == 1:
            lines.append("    ...")
        return lines

    def classvar(self, t):
        self.namer.typing.add("ClassVar")
        return "ClassVar[%s]" % t

    # -- the module

    def imports(self):
        """Import lines for the module's names that come from elsewhere, re-exported."""
        modules, froms = [], {}
        for name, value in vars(self.module).items():
            if name.startswith("__"):
                continue
            if isinstance(value, types.ModuleType):
                modules.append("import %s as %s" % (value.__name__, name) if value.__name__ != name
                               else "import %s as %s" % (name, name))
                continue
            origin = getattr(value, "__module__", None)
            if origin and origin != self.module.__name__:
                froms.setdefault(origin, []).append(name)
        lines = sorted(modules)
        for origin in sorted(froms):
            lines.append("from %s import (" % origin)
            lines += ["    %s as %s," % (n, n) for n in froms[origin]]
            lines.append(")")
        return lines

    def render(self):
        body = []
        for cls in declared_classes(self.module):
            body.append("")
            body += self.class_lines(cls)
        head = [
            "# Type stub of %s, generated from the built module by tools/make_stubs.py." % MODULE,
            "# Do not edit: run the script again after changing the catalog.",
            "",
            "import builtins",
        ]
        head += self.imports()
        if self.namer.typing:
            head.append("from typing import %s" % ", ".join(sorted(self.namer.typing)))
        return "\n".join(head + body) + "\n"


def docstring(doc):
    text = doc.replace("\\", "\\\\").replace('"""', '\\"""')
    return '"""%s"""' % text


def main(argv=None):
    parser = argparse.ArgumentParser(description="Generate the catalog module's type stub from the built module.")
    parser.add_argument("--check", action="store_true",
                        help="compare with the checked-in stub instead of writing it; exit 1 with a diff if it differs")
    parser.add_argument("--output", default=STUB, help="stub file (default: %(default)s)")
    args = parser.parse_args(argv)
    try:
        module = importlib.import_module(MODULE)
    except ImportError as exc:
        warn("cannot import the built module (%s); run with PYTHONPATH=$(tools/build)" % exc)
        return 2
    text = StubWriter(module, Sources(os.path.join(TOP, "src"))).render()
    if args.check:
        try:
            with open(args.output, encoding="utf-8") as f:
                current = f.read()
        except FileNotFoundError:
            current = ""
        if current == text:
            return 0
        sys.stdout.writelines(difflib.unified_diff(current.splitlines(True), text.splitlines(True),
                                                   args.output, "generated from the built module"))
        sys.stderr.write("make_stubs: %s is out of date; run tools/make_stubs.py\n" % args.output)
        return 1
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
