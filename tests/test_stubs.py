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
    result = subprocess.run([sys.executable, "-P", os.path.join(REPO, "tools", "make_stubs.py"), "--check"],
                            capture_output=True, text=True, cwd=REPO)
    assert result.returncode == 0, result.stdout[-3000:] + result.stderr
    with open(STUB, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    reexported = {a.asname for n in tree.body if isinstance(n, (ast.Import, ast.ImportFrom)) for a in n.names}
    declared = declared_classes(pdi)
    assert {n for n, v in vars(pdi).items() if not n.startswith("__") and v not in declared} <= reexported


USER_CODE = """\
import rlx.data_items.private_data_items as pdi
from rlx.rlx import RLXDataItem, get_item_class
tick = pdi.TickV2()
tick.nt64, tick.dt40, tick.nt_quality = 1, 2, 3
item: RLXDataItem = tick
wire: bytes = item._encode() + bytes([pdi.TickV2.type & 0xFF])
port = pdi.PortInformation(voltage=5)
found = get_item_class(0x8015)
"""
# One error each, on the line's own number after the user code.
MISTAKES = ["tick.nt_qualty = 3", "tick.nt64 = 'five'", "text: str = tick._encode()",
            "pdi.PortInformation(voltage='5')", "found.type"]


# A user's script type-checks against the catalog's stub and the stand-in's annotations as installed.
@pytest.mark.standin
def test_user_code_type_checks_and_its_mistakes_do_not(pdi, tmp_path):
    (tmp_path / "good.py").write_text(USER_CODE)
    (tmp_path / "bad.py").write_text(USER_CODE + "\n".join(MISTAKES) + "\n")
    installed = os.path.dirname(os.path.dirname(os.path.dirname(pdi.__file__)))
    result = subprocess.run([sys.executable, "-m", "mypy", "--python-executable", sys.executable, "--no-error-summary",
                             "--cache-dir", os.path.join(REPO, "build", "mypy-cache"), "good.py", "bad.py"],
                            capture_output=True, text=True, cwd=tmp_path, env=dict(os.environ, PYTHONPATH=installed))
    lines = {int(line.split(":")[1]) for line in result.stdout.splitlines() if line.startswith("bad.py:")}
    first = USER_CODE.count("\n") + 1
    assert "good.py" not in result.stdout + result.stderr and lines == set(range(first, first + len(MISTAKES))), \
        result.stdout + result.stderr
