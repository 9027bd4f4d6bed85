"""The catalog's distribution: what it installs, its type stub and reference describing the built module,
user code type-checking against it."""
import ast
import json
import os
import re
import subprocess
import sys
import tomllib

import pytest

from conftest import declared_classes

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STUB = os.path.join(REPO, "rlx", "data_items", "private_data_items.pyi")


# The catalog installs every file of the checkout's rlx/data_items and its two extensions, and nothing of the
# package rlx itself: that is the framework's (the real one's or the stand-in's), which it must not overwrite.
def test_catalog_installs_its_own_files_only(pdi):
    build = os.path.dirname(os.path.realpath(pdi.__file__))
    if not os.path.isdir(os.path.join(build, "meson-info")):
        pytest.skip("the catalog is not imported from a meson build directory")
    with open(os.path.join(build, "meson-info", "intro-install_plan.json"), encoding="utf-8") as f:
        plan = json.load(f)
    installed = {entry["destination"].split("}/", 1)[1] for group in plan.values() for entry in group.values()}
    sources = os.path.join(REPO, "rlx", "data_items")
    from rlx.data_items import _capture
    built = [os.path.basename(m.__file__) for m in (pdi, _capture)]
    wanted = {"rlx/data_items/" + name for name in os.listdir(sources) + built if name != "__pycache__"}
    assert installed == wanted


# Both distributions declare the Python versions that tools/test runs the suite on, and this one among them.
@pytest.mark.parametrize("project", ["pyproject.toml", "framework/pyproject.toml"])
def test_declared_python_versions_are_the_tested_ones(project):
    with open(os.path.join(REPO, project), "rb") as f:
        metadata = tomllib.load(f)["project"]
    with open(os.path.join(REPO, "tools", "test"), encoding="utf-8") as f:
        tested = re.search(r"^supported=\((.*)\)$", f.read(), re.M).group(1).split()
    declared = [c.rsplit(" :: ", 1)[1] for c in metadata["classifiers"]
                if re.fullmatch(r"Programming Language :: Python :: 3\.\d+", c)]
    assert declared == tested and "%d.%d" % sys.version_info[:2] in tested
    assert metadata["requires-python"] == ">=" + tested[0]


# The checked-in stub and reference are generated over the project's stand-in framework, whose value types
# and widths they name.
@pytest.mark.standin
@pytest.mark.parametrize("tool", ["make_stubs.py", "make_reference.py"])
def test_checked_in_file_is_what_the_built_module_yields(tool):
    result = subprocess.run([sys.executable, "-P", os.path.join(REPO, "tools", tool), "--check"],
                            capture_output=True, text=True, cwd=REPO)
    assert result.returncode == 0, result.stdout[-3000:] + result.stderr


@pytest.mark.standin
def test_stub_reexports_every_name_the_module_imports(pdi):
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
from rlx.data_items import capture
total = 0
for offset, read in capture.iter_items(wire * 2, filter="nt64 > 0", on_diagnostic=print):
    if isinstance(read, pdi.TickV2):
        total += offset + read.nt64
"""
# One error each, on the line's own number after the user code.
MISTAKES = ["tick.nt_qualty = 3", "tick.nt64 = 'five'", "text: str = tick._encode()",
            "pdi.PortInformation(voltage='5')", "found.type", "read.nt64", "capture.iter_items(wire, filter=5)"]


# A user's script type-checks against the catalog's stub and the stand-in's annotations as installed, strictly and
# with no value of type Any on the way (reading a capture, filtering it, reading an item's fields).
@pytest.mark.standin
def test_user_code_type_checks_and_its_mistakes_do_not(pdi, tmp_path):
    (tmp_path / "good.py").write_text(USER_CODE)
    (tmp_path / "bad.py").write_text(USER_CODE + "\n".join(MISTAKES) + "\n")
    installed = os.path.dirname(os.path.dirname(os.path.dirname(pdi.__file__)))
    result = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--disallow-any-expr",
                             "--python-executable", sys.executable, "--no-error-summary",
                             "--cache-dir", os.path.join(REPO, "build", "mypy-cache"), "good.py", "bad.py"],
                            capture_output=True, text=True, cwd=tmp_path, env=dict(os.environ, PYTHONPATH=installed))
    lines = {int(line.split(":")[1]) for line in result.stdout.splitlines() if line.startswith("bad.py:")}
    first = USER_CODE.count("\n") + 1
    assert "good.py" not in result.stdout + result.stderr and lines == set(range(first, first + len(MISTAKES))), \
        result.stdout + result.stderr
