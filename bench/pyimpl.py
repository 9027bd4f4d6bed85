"""Plain-Python implementations of the catalog's methods, for the codec and
rendering benchmarks.

Every class of the built catalog that has methods of its own gets a subclass
here whose methods are Python functions doing what the C++ methods do. The
function bodies are those of the generated twin (``make_twin.method_sources``),
so the twin that the import benchmark loads and the code timed here are the
same. A subclass whose layout names another class with a Python version (a
list element, or the domain information attribute kind) gets a ``definition``
naming the Python version, so that decoding builds Python records throughout.

The methods run with the catalog module's names as globals, except that each
class name with a Python version means that version.

    impl = PyImpl(module)
    impl.classes["MrTransmissionV1"]   # the Python subclass
    impl.convert(item)                 # the same values, as instances of the Python classes
"""

import make_twin


class PyImpl:
    def __init__(self, module):
        self.module = module
        self.globals = dict(vars(module))
        self.classes = {}
        names = make_twin.kind_names(module)
        for cls in make_twin.declared_classes(module):
            namespace = {"__module__": __name__, "__qualname__": "Py" + cls.__name__}
            for name, bind, source in make_twin.method_sources(module, cls):
                local = {}
                exec(compile(source, "<python %s.%s>" % (cls.__name__, name), "exec"), self.globals, local)
                namespace[name] = classmethod(local[name]) if bind == "class" else local[name]
            definition = self._definition(cls, names)
            if definition is not None:
                namespace["definition"] = definition
            if len(namespace) == 2:
                continue
            py = type(cls)(cls.__name__, (cls,), namespace)
            self.classes[cls.__name__] = py
            self.globals[cls.__name__] = py
        self._by_base = {c.__bases__[0]: c for c in self.classes.values()}

    def _definition(self, cls, names):
        """The class's definition with Python versions of element classes and kinds, or None when
        nothing in it has one."""
        if "definition" not in vars(cls):
            return None
        changed = False
        entries = []
        for attr in cls.definition:
            kind = make_twin.kind_name(self.module, attr, names)
            if kind == "DIListAttr" and make_twin.element_class(attr).__name__ in self.classes:
                attr = self.module.DIListAttr(attr.name, self.classes[make_twin.element_class(attr).__name__])
                changed = True
            elif kind in self.classes:
                attr = self.classes[kind](attr.name)
                changed = True
            entries.append(attr)
        return entries if changed else None

    def convert(self, value):
        """A deep copy of `value` whose instances of built classes are instances of their Python versions."""
        if isinstance(value, list):
            return [self.convert(v) for v in value]
        py = self._by_base.get(type(value))
        if py is None:
            return value
        copy = object.__new__(py)
        copy.__dict__.update({k: self.convert(v) for k, v in vars(value).items()})
        return copy
