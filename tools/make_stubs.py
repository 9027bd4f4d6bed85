#!/usr/bin/python3
"""Writes the type stub of the catalog module, rlx/data_items/private_data_items.pyi.

    PYTHONPATH=$stage /usr/bin/python3 -P tools/make_stubs.py [--check]

Everything comes from importing the built module: its classes in declaration
order with their bases, documentation strings and class attributes, the
`definition` entries of every class (instance attributes, typed by their
attribute kind as rlx.data_items.capture.layout gives it), the values a
default instance holds, and the methods each class defines. Every method carries a `__text_signature__` such as

    ($self, /, voltage=0, current=0)

(what inspect.signature() reads; defaults as literals) and `__annotations__`
with the type of every parameter and of the result, in stub syntax; class
methods are those whose signature starts with `($cls`. A method without
them, or with a signature that does not parse or a type that names an unknown
name, stops the script with a message naming the class and the method.

--check writes nothing: it compares the checked-in stub with the one the
built module yields and exits 1 with a unified diff when they differ.
"""

import argparse
import ast
import builtins
import difflib
import importlib
import os
import re
import sys
import types
import typing

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STUB = os.path.join(TOP, "rlx", "data_items", "private_data_items.pyi")
MODULE = "rlx.data_items.private_data_items"

# Class attribute types the module cannot tell (the registry is empty at import).
CLASS_ATTR_TYPES = {
    "cmd_classes": "dict[int, builtins.type[UWBNetworkCommandItem]]",
}


class StubError(Exception):
    """The built module cannot be described: a method lacks a usable signature."""


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

    def of_attribute(self, field, attr, held=None):
        """The type of the instance attribute that a layout field fills (a `capture.Field`: its kind and
        element class as the module declares them); `attr` is its definition entry, `held` the value a
        default instance holds there, when there is one."""
        kind = field.kind
        if kind == "DISerialNumberAttr":
            serial = getattr(self.module, "NorvaneSerialNumber", None)
            return "NorvaneSerialNumber" if serial and isinstance(held, serial) else "NorvaneSerialNumber | int"
        if kind == "DISerialNumberListAttr":
            return "list[NorvaneSerialNumber]"
        if kind == "DIUInt16ListAttr":
            return "list[int]"
        if kind == "DIListAttr":
            return "list[%s]" % (field.element.__name__ if field.element is not None else self.any())
        default = getattr(attr, "default", None)
        if default is None:
            return self.any() if held is None else self.of_value(held)
        return self.of_value(default)


# ---------------------------------------------------------------------------
# Method signatures.

def text_signature(value):
    """The `__text_signature__` of a method as a class's `__dict__` holds it, or None."""
    function = value.__func__ if isinstance(value, (classmethod, staticmethod)) else value
    sig = getattr(function, "__text_signature__", None)
    return sig if isinstance(sig, str) and sig else None


def parse_signature(sig, annotations):
    """(bound parameter name, ast.arguments, return annotation node) of a method's text signature,
    annotated from its `__annotations__`."""
    bound = re.match(r"\(\$(self|cls)\b", sig)
    if not bound:
        raise StubError("text signature %r does not start with $self or $cls" % sig)
    try:
        tree = ast.parse("def f" + sig.replace("$", "", 1) + ": ...")
    except SyntaxError as exc:
        raise StubError("text signature %r does not parse: %s" % (sig, exc.msg)) from None
    function = tree.body[0]
    arguments = function.args
    for arg in arguments.posonlyargs[1:] + arguments.args + arguments.kwonlyargs:
        if arg.arg in annotations:
            arg.annotation = annotation(annotations[arg.arg])
    if "return" not in annotations:
        raise StubError("no return annotation")
    return bound.group(1), arguments, annotation(annotations["return"])


def annotation(text):
    try:
        return ast.parse(text, mode="eval").body
    except SyntaxError as exc:
        raise StubError("annotation %r does not parse: %s" % (text, exc.msg)) from None


class Annotations:
    """Renders the annotations of text signatures for the stub, checking the names they use."""

    def __init__(self, module, namer):
        self.module = module
        self.namer = namer

    def render(self, node):
        for name in ast.walk(node):
            if isinstance(name, ast.Name) and not self.known(name.id):
                raise StubError("annotation %r: %r is neither a builtin nor a name of the module"
                                % (ast.unparse(node), name.id))
        return self.namer.fix(ast.unparse(node))

    def known(self, name):
        if name == "builtins" or hasattr(builtins, name) or hasattr(self.module, name):
            return True
        if name in typing.__all__:
            self.namer.typing.add(name)
            return True
        return False


def render_arguments(arguments, annotations):
    """The parameter list of a stub method; `arguments` starts with the bound parameter."""
    positional = arguments.posonlyargs + arguments.args
    defaults = [None] * (len(positional) - len(arguments.defaults)) + list(arguments.defaults)

    def one(arg, default, stars=""):
        if arg.annotation is None:
            if arg is positional[0]:
                return arg.arg
            raise StubError("parameter %r has no annotation" % arg.arg)
        return "%s%s: %s%s" % (stars, arg.arg, annotations.render(arg.annotation),
                               "" if default is None else " = ...")

    out = [one(arg, default) for arg, default in zip(positional, defaults)]
    # The positional-only marker, unless only the bound parameter precedes it.
    if len(arguments.posonlyargs) > 1:
        out.insert(len(arguments.posonlyargs), "/")
    if arguments.vararg:
        out.append(one(arguments.vararg, None, "*"))
    elif arguments.kwonlyargs:
        out.append("*")
    out += [one(arg, default) for arg, default in zip(arguments.kwonlyargs, arguments.kw_defaults)]
    if arguments.kwarg:
        out.append(one(arguments.kwarg, None, "**"))
    return ", ".join(out)


def method_lines(cls, name, value, annotations):
    """The stub lines of method `name` of `cls`, from its text signature."""
    sig = text_signature(value)
    if sig is None:
        raise StubError("%s.%s has no __text_signature__" % (cls.__name__, name))
    try:
        function = value.__func__ if isinstance(value, (classmethod, staticmethod)) else value
        bound, arguments, returns = parse_signature(sig, getattr(function, "__annotations__", None) or {})
        rendered = render_arguments(arguments, annotations)
        result = annotations.render(returns)
    except StubError as exc:
        raise StubError("%s.%s: %s" % (cls.__name__, name, exc)) from None
    line = "    def %s(%s) -> %s: ..." % (name, rendered, result)
    return ["    @classmethod", line] if bound == "cls" else [line]


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


def is_method(value):
    return isinstance(value, (classmethod, staticmethod)) or (callable(value) and not isinstance(value, type))


class StubWriter:
    def __init__(self, module):
        from rlx.data_items.capture import layout  # the layouts as the module declares them
        self.layout = layout
        self.module = module
        self.namer = Namer(module)
        self.annotations = Annotations(module, self.namer)
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
            for field, attr in zip(self.layout(cls), definition):
                if field.name not in seen:
                    seen.add(field.name)
                    out.append((field.name, self.namer.of_attribute(field, attr, held.get(field.name))))
        if not issubclass(cls, self.module.DataItemAttribute):
            for name, value in held.items():
                if name not in seen and name not in self.base_instance_names and not name.startswith("_"):
                    seen.add(name)
                    out.append((name, self.namer.of_value(value)))
        return out

    def methods(self, cls, instance):
        lines = []
        for name, value in cls.__dict__.items():
            if isinstance(value, property):
                result = None
                if instance is not None:
                    try:
                        result = self.namer.of_value(getattr(instance, name))
                    except Exception:
                        pass
                lines += ["    @property", "    def %s(self) -> %s: ..." % (name, self.namer.fix(result or self.namer.any()))]
            elif is_method(value):
                lines += method_lines(cls, name, value, self.annotations)
        return lines

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
                    isinstance(value, (property, classmethod, staticmethod)):
                continue
            t = CLASS_ATTR_TYPES.get(name) or self.namer.of_value(value)
            lines.append("    %s: %s" % (name, self.classvar(self.namer.fix(t))))
        for name, t in attributes:
            lines.append("    %s: %s" % (name, self.namer.fix(t)))
        lines += self.methods(cls, instance)
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
        sys.stderr.write("make_stubs: cannot import the built module (%s); run with PYTHONPATH=$(tools/build)\n" % exc)
        return 2
    try:
        text = StubWriter(module).render()
    except StubError as exc:
        sys.stderr.write("make_stubs: %s\n" % exc)
        return 2
    return write_or_check(args.output, text, args.check, "make_stubs")


def write_or_check(path, text, check, tool):
    """Writes the generated text to path; with check, compares instead: 0 when the file holds it,
    else 1 after a diff on standard output. Shared by the generators of tools/."""
    if check:
        try:
            with open(path, encoding="utf-8") as f:
                current = f.read()
        except FileNotFoundError:
            current = ""
        if current == text:
            return 0
        sys.stdout.writelines(difflib.unified_diff(current.splitlines(True), text.splitlines(True),
                                                   path, "generated from the built module"))
        sys.stderr.write("%s: %s is out of date; run tools/%s.py\n" % (tool, path, tool))
        return 1
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
