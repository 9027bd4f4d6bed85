#!/usr/bin/python3
"""Writes the catalog reference, docs/catalog.md, from the built module.

    PYTHONPATH=$stage /usr/bin/python3 -P tools/make_reference.py [--check]

Every class of rlx.data_items.private_data_items in declaration order: what
it is for (rlx/data_items/purposes.txt), its kind, type code, documentation
string, payload layout (offset, field, kind, width), the fields of a record
that an attribute kind of the catalog packs whole (DomainInformation), the
count attributes and the lists they hold the length of, and the methods it
defines with the signatures inspect.signature() reads (types from their
annotations). Layouts and counts come from the tool's own helpers
(rlx.data_items.capture, rlx.data_items.cli), so the reference says what
`python3 -m rlx.data_items show` says. Run on the stand-in framework: the
widths of the framework's own kinds are its choice.

--check writes nothing: it compares the checked-in reference with the one the
built module yields and exits 1 with a unified diff when they differ.
"""

import argparse
import inspect
import os
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(TOP, "tools"))
from make_stubs import write_or_check  # noqa: E402  (the generators' one way to write or check)
REFERENCE = os.path.join(TOP, "docs", "catalog.md")
PURPOSES = os.path.join(TOP, "rlx", "data_items", "purposes.txt")


class Annotation(str):
    """An annotation text that inspect shows as it is, not quoted."""

    def __repr__(self):
        return str(self)


def signature(function, constructor=False):
    """`(self, /, data: int) -> None`: the signature with the types of the method's annotations; of a
    constructor, the parameters a caller passes: `(data: int = 0)`."""
    found = inspect.signature(function)
    notes = getattr(function, "__annotations__", None) or {}
    parameters = [p.replace(annotation=Annotation(notes[p.name])) if p.name in notes else p
                  for p in found.parameters.values()]
    if constructor:
        return str(found.replace(parameters=parameters[1:], return_annotation=inspect.Signature.empty))
    returns = Annotation(notes["return"]) if "return" in notes else inspect.Signature.empty
    return str(found.replace(parameters=parameters, return_annotation=returns))


def plural(n, unit):
    return "%d %s%s" % (n, unit, "" if n == 1 else "es" if unit.endswith("s") else "s")


def link(cls, classes):
    """A link to the class's section, or its name where the catalog does not declare it."""
    return "[%s](#%s)" % (cls.__name__, cls.__name__.lower()) if cls in classes else "`%s`" % cls.__name__


def width(field, classes, fixed_size, count=None):
    """The width column: bytes, or the rest of the payload, or as many elements as the count attribute says."""
    if field.size is not None:
        return str(field.size)
    if field.element is None:
        return "`%s` elements" % count if count else "rest"
    size = fixed_size(field.element) if field.element in classes else None
    each = "" if size is None else ", %d bytes each" % size
    return "%s: list of %s%s" % ("`%s` elements" % count if count else "rest", link(field.element, classes), each)


def methods(cls, skip=()):
    """`name(signature)` of every method the class defines, in its order."""
    out = []
    for name, value in vars(cls).items():
        if name in skip:
            continue
        if isinstance(value, (classmethod, staticmethod)):
            what = "class method" if isinstance(value, classmethod) else "static method"
            out.append("`%s%s` (%s)" % (name, signature(getattr(cls, name)), what))
        elif callable(value) and not isinstance(value, type):
            out.append("`%s%s`" % (name, signature(value)))
    return out


def packed(cls, classes):
    """The fields of the records that attribute kinds of the catalog pack whole, where the class is such a
    kind, such a record or an item with a field of such a kind: offsets within the packed structure."""
    from rlx.data_items.capture import layout, packed_records
    lines = []
    for kind, (record, fields) in packed_records().items():
        if cls not in (kind, record) and not any(f.kind == kind.__name__ for f in layout(cls)):
            continue
        lines += ["%s packs a %s whole in %s (struct format `%s`, little-endian, no padding); offsets within "
                  "those bytes:" % (link(kind, classes), link(record, classes), plural(sum(f.size for f in fields),
                                                                                   "byte"), kind("name").format), ""]
        lines += ["| Offset | Field | Wire kind | Width |", "|---:|---|---|---|"]
        lines += ["| %d | `%s` | %s | %d |" % (f.offset, f.name, f.kind, f.size) for f in fields]
        lines.append("")
        floats = [f.name for f in fields if f.kind in ("f16", "f32")]
        if floats:
            lines += ["%s: held as a Python float (a double) in memory, rounded to the nearest value of the "
                      "narrower wire kind on encoding." % ", ".join("`%s`" % n for n in floats), ""]
    return lines


def section(module, classes, cls, index, purposes):
    from rlx.data_items.capture import fixed_size, layout, packed_fields
    from rlx.data_items.cli import class_kind, count_fields
    kind = class_kind(module, cls)
    lines = ["## " + cls.__name__, "", purposes[cls.__name__] + ".", ""]
    facts = ["%s %d of the catalog" % (kind.capitalize(), index)]
    if kind == "item":
        facts.append("type code `0x%04X`" % cls.type)
    if kind == "attribute kind":
        sample = cls("name")
        facts.append("format `%s`, %s" % (sample.format, plural(sample.size, "byte")))
    elif kind == "record" and packed_fields(cls):
        facts.append("packed in %s" % plural(sum(f.size for f in packed_fields(cls)), "byte"))
    else:
        size = fixed_size(cls)
        facts.append("payload %s" % ("of variable width" if size is None else plural(size, "byte")))
    lines += [", ".join(facts) + ".", ""]
    if cls.__doc__:
        lines += ["    " + line if line.strip() else "" for line in inspect.cleandoc(cls.__doc__).splitlines()]
        lines.append("")
    counts = count_fields(cls) if kind == "item" else []
    if kind != "attribute kind":
        fields = layout(cls)
        if kind == "record" and packed_fields(cls):
            lines += ["No `definition`: an attribute kind packs it whole, as below.", ""]
        elif "definition" not in vars(cls):
            lines += ["No `definition` of its own: the framework's base item class provides it.", ""]
        elif not fields:
            lines += ["Empty `definition`: the payload is empty.", ""]
        else:
            counted = {lst: count for count, lst in counts}
            lines += ["| Offset | Field | Kind | Width |", "|---:|---|---|---|"]
            lines += ["| %s | `%s` | %s | %s |" % ("—" if f.offset is None else f.offset, f.name, f.kind,
                                                  width(f, classes, fixed_size, counted.get(f.name)))
                      for f in fields]
            lines.append("")
    lines += packed(cls, classes)
    if counts:
        lines += ["Count attributes and the lists they bound (each set from its list's length on encoding):", ""]
        lines += ["- `%s`: the number of elements of `%s`" % pair for pair in counts]
        lines.append("")
    constructor = kind == "record" and "__init__" in vars(cls)
    if constructor:
        lines += ["Constructor: `%s%s`" % (cls.__name__, signature(vars(cls)["__init__"], constructor=True)), ""]
    found = methods(cls, skip=("__init__",) if constructor else ())
    if found:
        lines += ["Methods:", ""] + ["- " + m for m in found] + [""]
    return lines


def render(module, purposes):
    from rlx.data_items.capture import declared_classes, fixed_size, packed_fields
    from rlx.data_items.cli import class_kind
    classes = declared_classes(module)
    missing = [c.__name__ for c in classes if not purposes.get(c.__name__)]
    if missing:
        raise ValueError("no purpose in %s for %s" % (os.path.relpath(PURPOSES, TOP), ", ".join(missing)))
    kinds = [class_kind(module, c) for c in classes]
    lines = [
        "# Catalog reference",
        "",
        "<!-- Generated from the built module by tools/make_reference.py; do not edit. -->",
        "",
        "The classes of `%s` in declaration order: %s, %s and %s." % (
            module.__name__, plural(kinds.count("item"), "item class"),
            plural(kinds.count("record"), "auxiliary record"), plural(kinds.count("attribute kind"), "attribute kind")),
        "Offsets and widths are in bytes, little-endian, without padding; an offset of — follows a field of",
        "variable width, and *rest* is the remainder of the payload, bounded only where a count attribute says so.",
        "Widths of the framework's own kinds are those of the project's stand-in framework.",
        "",
        "| # | Class | Kind | Type code | Payload | Purpose |",
        "|---:|---|---|---|---|---|",
    ]
    for index, (cls, kind) in enumerate(zip(classes, kinds), 1):
        size = fixed_size(cls) if kind != "attribute kind" else None
        if kind == "record" and packed_fields(cls):
            size = "%d packed" % sum(f.size for f in packed_fields(cls))
        lines.append("| %d | %s | %s | %s | %s | %s |" % (
            index, link(cls, classes), kind, "0x%04X" % cls.type if kind == "item" else "",
            "" if kind == "attribute kind" else "variable" if size is None else size, purposes[cls.__name__]))
    lines.append("")
    for index, cls in enumerate(classes, 1):
        lines += section(module, classes, cls, index, purposes)
    return "\n".join(lines).rstrip("\n") + "\n"


def main(argv=None):
    parser = argparse.ArgumentParser(description="Generate the catalog reference from the built module.")
    parser.add_argument("--check", action="store_true",
                        help="compare with the checked-in reference instead of writing it; "
                             "exit 1 with a diff if it differs")
    parser.add_argument("--output", default=REFERENCE, help="reference file (default: %(default)s)")
    args = parser.parse_args(argv)
    try:
        from rlx.data_items import private_data_items as module
    except ImportError as exc:
        sys.stderr.write("make_reference: cannot import the built module (%s); run with PYTHONPATH=$(tools/build)\n"
                         % exc)
        return 2
    from rlx.data_items.capture import purposes
    try:
        text = render(module, purposes(PURPOSES))
    except ValueError as exc:
        sys.stderr.write("make_reference: %s\n" % exc)
        return 2
    return write_or_check(args.output, text, args.check, "make_reference")


if __name__ == "__main__":
    sys.exit(main())
