"""The type stub shipped with the catalog module describes the built module."""
import ast
import os
import subprocess
import sys

import pytest

from conftest import declared_classes

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STUB = os.path.join(REPO, "rlx", "data_items", "private_data_items.pyi")


def parsed_stub():
    return ast.parse(open(STUB, encoding="utf-8").read())


# The checked-in stub is generated over the project's stand-in framework, whose value types it names.
@pytest.mark.standin
def test_checked_in_stub_is_what_the_built_module_yields(pdi):
    # PYTHONPATH made absolute: the generator runs from the checkout
    path = [os.path.abspath(p) for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p]
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(path))
    result = subprocess.run([sys.executable, "-P", os.path.join(REPO, "tools", "make_stubs.py"), "--check"],
                            capture_output=True, text=True, cwd=REPO, env=env)
    assert result.returncode == 0, result.stdout[-3000:] + result.stderr
    tree = parsed_stub()
    reexported = {a.asname for n in tree.body if isinstance(n, (ast.Import, ast.ImportFrom)) for a in n.names}
    declared = declared_classes(pdi)
    assert {n for n, v in vars(pdi).items() if not n.startswith("__") and v not in declared} <= reexported


def test_stub_declares_every_class_with_its_bases_attributes_and_methods(pdi):
    nodes = [n for n in parsed_stub().body if isinstance(n, ast.ClassDef)]
    declared = declared_classes(pdi)
    assert [n.name for n in nodes] == [c.__name__ for c in declared]
    for node, cls in zip(nodes, declared):
        assert [ast.unparse(b) for b in node.bases] == [b.__name__ for b in cls.__bases__ if b is not object]
        annotated = [s.target.id for s in node.body if isinstance(s, ast.AnnAssign)]
        fields = [a.name for a in cls.__dict__.get("definition", [])]
        assert [n for n in annotated if n in fields] == fields, cls.__name__
        class_attrs = {n for n, v in cls.__dict__.items() if not n.startswith("_") and isinstance(v, (int, list, dict))}
        assert class_attrs <= set(annotated), cls.__name__
        methods = {n for n, v in cls.__dict__.items() if callable(v) or isinstance(v, classmethod)} - {"__doc__"}
        assert {f.name for f in node.body if isinstance(f, ast.FunctionDef)} == methods, cls.__name__
