# The catalog against broken frameworks, in fresh interpreters (the whole
# suite runs on a second framework written only from the contract with
# RLX_TEST_FRAMEWORK=alt, as tools/test runs it): an import failure must
# propagate unchanged, leave no module behind, and let a later import, once the
# cause is repaired, declare the whole catalog, each item registered once; that
# module then reloads without declaring anything anew.
import os
import shutil
import subprocess
import sys
import textwrap

import pytest

import rlx.data_items.private_data_items as pdi

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
FRAMEWORK = open(os.path.join(REPO, "framework", "rlx", "rlx.py")).read()
COMMANDS = os.path.join(REPO, "framework", "rlx", "private_network_commands.py")

# Appended to the framework: its metaclass records every class it registers
# and refuses the class named REFUSE.
WATCHED = FRAMEWORK + """
import os as _os
REFUSE = None
_seen = []
_init = RLXDataItemMeta.__init__


def _watch(cls, name, bases, namespace, **kwargs):
    if name == REFUSE:
        raise RuntimeError("metaclass refuses " + name)
    _init(cls, name, bases, namespace, **kwargs)
    _seen.append(name)


RLXDataItemMeta.__init__ = _watch
"""

def make_tree(tmp_path, framework=None, commands=None):
    """An importable `rlx` package with the given framework sources and the built extension."""
    pkg = tmp_path / "rlx"
    (pkg / "data_items").mkdir(parents=True)
    (pkg / "__init__.py").write_text("")
    (pkg / "data_items" / "__init__.py").write_text("")
    os.symlink(os.path.realpath(pdi.__file__), pkg / "data_items" / os.path.basename(pdi.__file__))
    for name, src in (("rlx.py", framework), ("private_network_commands.py", commands)):
        if src is not None:
            shutil.copy(src, pkg / name) if os.path.exists(str(src)) else (pkg / name).write_text(src)
    return tmp_path


def run(tree, code):
    env = dict(os.environ, PYTHONPATH=str(tree))
    return subprocess.run([sys.executable, "-P", "-c", textwrap.dedent(code)], env=env, capture_output=True,
                          text=True, cwd=str(tree))


@pytest.mark.parametrize("framework, commands, repair, error", [
    (None, COMMANDS, "open('rlx/rlx.py', 'w').write(WATCHED)", "ModuleNotFoundError: No module named 'rlx.rlx'"),
    (WATCHED, None, "shutil.copy(COMMANDS, 'rlx')",
     "ModuleNotFoundError: No module named 'rlx.private_network_commands'"),
    (WATCHED, "X = 1\n", "shutil.copy(COMMANDS, 'rlx'); del sys.modules['rlx.private_network_commands']",
     "ImportError: cannot import name 'UWBNetworkCommandItem'"),
    (WATCHED + "_kept = DIDoubleAttr\n__all__.remove('DIDoubleAttr')\ndel DIDoubleAttr\n", COMMANDS,
     "fw.DIDoubleAttr = fw._kept; fw.__all__.append('DIDoubleAttr')", "NameError: name 'DIDoubleAttr' is not defined"),
    (WATCHED + "__all__.append(1)\n", COMMANDS, "fw.__all__.remove(1)",
     "TypeError: Item in rlx.rlx.__all__ must be str, not int"),
    (WATCHED + "REFUSE = 'ClockDomain'\n", COMMANDS, "fw.REFUSE = None", "RuntimeError: metaclass refuses ClockDomain"),
    (WATCHED + "if _os.path.exists(_os.path.join(_os.path.dirname(__file__), 'BROKEN')):\n"
     "    raise OSError('framework start-up failed')\n", COMMANDS, "os.remove('rlx/BROKEN')",
     "OSError: framework start-up failed"),
], ids=["no framework", "no command module", "no command class", "missing name", "name not a str", "metaclass raises",
        "framework raises"])
def test_failed_import_then_repaired(tmp_path, framework, commands, repair, error):
    tree = make_tree(tmp_path, framework, commands)
    (tree / "rlx" / "BROKEN").write_text("")
    result = run(tree, """
        import importlib, os, shutil, sys
        NAME, COMMANDS, WATCHED = "rlx.data_items.private_data_items", %r, %r
        try:
            importlib.import_module(NAME)
        except Exception as e:
            print("%%s: %%s" %% (type(e).__name__, e))
        else:
            raise SystemExit("the import did not fail")
        assert NAME not in sys.modules and "private_data_items" not in vars(sys.modules["rlx.data_items"])
        fw = sys.modules.get("rlx.rlx")
        %s
        importlib.invalidate_caches()
        import rlx.rlx as fw
        before = len(fw._seen)
        m = importlib.import_module(NAME)
        assert importlib.import_module(NAME) is m and sys.modules[NAME] is m
        # the whole catalog, each item registered once, and working
        classes = [v for v in vars(m).values() if isinstance(v, type) and v.__module__ == NAME]
        items = [c for c in classes if issubclass(c, fw.RLXDataItem)]
        assert (len(classes), len(items)) == (193, 174)
        assert fw._registry == {c.type: c for c in items}, "the registry holds other classes"
        c = m.ClockDomain(); c.deca_domain.slope = 0.5
        d = m.ClockDomain(); d.di_data = c._encode()[4:]; d._decode(); assert d.deca_domain.slope == 0.5
        assert sorted(fw._seen[before:]) == sorted(c.__name__ for c in items), "registered twice or not at all"
        # Reloading runs nothing again (the module keeps its state); imported again once dropped from
        # sys.modules, it is a new module object that declares the catalog anew, each item registered once more.
        seen = list(fw._seen)
        assert importlib.reload(m) is m and fw._seen == seen
        del sys.modules[NAME]
        again = importlib.import_module(NAME)
        assert again is not m and not any(getattr(again, c.__name__) is c for c in classes)
        assert fw._seen[len(seen):] == seen[before:] and fw._registry == {c.type: getattr(again, c.__name__) for c in items}
        assert importlib.reload(again) is again and len(fw._seen) == len(seen) + len(items)
    """ % (COMMANDS, WATCHED, repair))
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines()[0].startswith(error)
