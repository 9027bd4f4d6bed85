"""The type stub shipped with the catalog module describes the built module."""
import ast
import os
import subprocess
import sys

import pytest

from conftest import declared_classes

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STUB = os.path.join(REPO, "rlx", "data_items", "private_data_items.pyi")


# The checked-in stub is generated over the project's stand-in framework, whose value types it names.
@pytest.mark.standin
def test_checked_in_stub_is_what_the_built_module_yields(pdi):
    # PYTHONPATH made absolute: the generator runs from the checkout
    path = [os.path.abspath(p) for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p]
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(path))
    result = subprocess.run([sys.executable, "-P", os.path.join(REPO, "tools", "make_stubs.py"), "--check"],
                            capture_output=True, text=True, cwd=REPO, env=env)
    assert result.returncode == 0, result.stdout[-3000:] + result.stderr
    with open(STUB, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    reexported = {a.asname for n in tree.body if isinstance(n, (ast.Import, ast.ImportFrom)) for a in n.names}
    declared = declared_classes(pdi)
    assert {n for n, v in vars(pdi).items() if not n.startswith("__") and v not in declared} <= reexported
