"""The catalog against other frameworks: a second one written only from the
contract, and broken ones that must make the import fail with their own error."""
import os
import shutil
import subprocess
import sys
import textwrap

import pytest

import rlx.data_items.private_data_items as pdi

HERE = os.path.dirname(__file__)
ALT = os.path.join(HERE, "alt_framework")


def make_tree(tmp_path, framework=None, commands=None):
    """An importable `rlx` package with the given framework sources and the built extension."""
    pkg = tmp_path / "rlx"
    (pkg / "data_items").mkdir(parents=True)
    (pkg / "__init__.py").write_text("")
    (pkg / "data_items" / "__init__.py").write_text("")
    so = os.path.realpath(pdi.__file__)
    os.symlink(so, pkg / "data_items" / os.path.basename(pdi.__file__))
    for name, src in (("rlx.py", framework), ("private_network_commands.py", commands)):
        if src is not None:
            shutil.copy(src, pkg / name) if os.path.exists(str(src)) else (pkg / name).write_text(src)
    return tmp_path


def run(tree, code):
    env = dict(os.environ, PYTHONPATH=str(tree))
    return subprocess.run([sys.executable, "-P", "-c", textwrap.dedent(code)], env=env, capture_output=True,
                          text=True, cwd=str(tree))


def test_runs_on_a_different_framework(tmp_path):
    tree = make_tree(tmp_path, os.path.join(ALT, "rlx_alt.py"), os.path.join(ALT, "commands_alt.py"))
    result = run(tree, """
        import rlx.rlx as fw
        import rlx.data_items.private_data_items as m
        # every item class known to the other registry, exactly once
        items = [v for v in vars(m).values() if isinstance(v, type) and issubclass(v, fw.RLXDataItem)
                 and v.__module__ == m.__name__]
        assert all(fw.find(c.type) == [c] for c in items)
        t = m.TickV2(); t.nt64, t.dt40, t.nt_quality = 1, 2, 3
        assert t._encode() == bytes.fromhex("15801100") + (1).to_bytes(8, "little") + (2).to_bytes(8, "little") + b"\\x03"
        c = m.ClockNTDTV1(); c.signal_strength = -61.5
        enc = c._encode()
        assert len(enc) == 4 + 48 + 4
        d = m.ClockNTDTV1(); d.di_data = enc[4:]; d._decode(); assert d.signal_strength == -61.5
        for cls in items:
            item = cls(); enc = item._encode(); back = cls(); back.di_data = enc[4:]; back._decode()
            assert back._encode() == enc, cls.__name__
        print("ok", len(items))
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith("ok")


@pytest.mark.parametrize("framework, commands, error", [
    (None, os.path.join(ALT, "commands_alt.py"), "ModuleNotFoundError: No module named 'rlx.rlx'"),
    (os.path.join(ALT, "rlx_alt.py"), None, "ModuleNotFoundError: No module named 'rlx.private_network_commands'"),
    (os.path.join(ALT, "rlx_alt.py"), "X = 1\n", "ImportError: cannot import name 'UWBNetworkCommandItem'"),
    ("from rlx_alt_src import *\ndel DIUInt64Attr\n", os.path.join(ALT, "commands_alt.py"),
     "NameError: name 'DIUInt64Attr' is not defined"),
])
def test_import_fails_with_the_original_error(tmp_path, framework, commands, error):
    if framework and not os.path.exists(framework):
        shutil.copy(os.path.join(ALT, "rlx_alt.py"), tmp_path / "rlx_alt_src.py")
    tree = make_tree(tmp_path, framework, commands)
    result = run(tree, """
        import sys
        try:
            import rlx.data_items.private_data_items
        except Exception as e:
            print(type(e).__name__ + ": " + str(e))
        assert "rlx.data_items.private_data_items" not in sys.modules
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith(error)
