"""Module initialization in fresh interpreters: an import that fails leaves no
module behind, raises the original error, and a later import once the cause is
repaired declares the whole catalog, each item class registered exactly once;
importing again and reloading keep the one catalog."""
import os

import pytest

import test_contract as contract

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FRAMEWORK = open(os.path.join(REPO, "rlx", "rlx.py")).read()
COMMANDS = os.path.join(REPO, "rlx", "private_network_commands.py")

# Appended to the framework: its metaclass records every class it registers
# and refuses the class named REFUSE.
WATCHED = """
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

# The catalog `m` is complete, registered with the framework `fw` and works.
WORKS = """
        classes = [v for v in vars(m).values() if isinstance(v, type) and v.__module__ == NAME]
        items = [c for c in classes if issubclass(c, fw.RLXDataItem)]
        assert (len(classes), len(items)) == (193, 174)
        assert fw._registry == {c.type: c for c in items}, "the registry holds other classes"
        t = m.TickV2(); t.nt64 = 7
        d = m.TickV2(); d.di_data = t._encode()[4:]; d._decode(); assert d.nt64 == 7
        c = m.ClockDomain(); c.deca_domain.slope = 0.5
        d = m.ClockDomain(); d.di_data = c._encode()[4:]; d._decode(); assert d.deca_domain.slope == 0.5
"""


@pytest.mark.parametrize("framework, commands, repair, error", [
    (FRAMEWORK + WATCHED + "_kept = DIDoubleAttr\n__all__.remove('DIDoubleAttr')\ndel DIDoubleAttr\n", COMMANDS,
     "fw.DIDoubleAttr = fw._kept; fw.__all__.append('DIDoubleAttr')", "NameError: name 'DIDoubleAttr' is not defined"),
    (FRAMEWORK + WATCHED, None, "shutil.copy(COMMANDS, 'rlx'); importlib.invalidate_caches()",
     "ModuleNotFoundError: No module named 'rlx.private_network_commands'"),
    (FRAMEWORK + WATCHED + "REFUSE = 'ClockDomain'\n", COMMANDS, "fw.REFUSE = None",
     "RuntimeError: metaclass refuses ClockDomain"),
    (FRAMEWORK + WATCHED + "if _os.path.exists(_os.path.join(_os.path.dirname(__file__), 'BROKEN')):\n"
     "    raise OSError('framework start-up failed')\n", COMMANDS, "os.remove('rlx/BROKEN')",
     "OSError: framework start-up failed"),
], ids=["missing name", "missing sibling", "metaclass raises", "framework raises"])
def test_failed_import_then_repaired(tmp_path, framework, commands, repair, error):
    tree = contract.make_tree(tmp_path, framework, commands)
    (tree / "rlx" / "BROKEN").write_text("")
    result = contract.run(tree, """
        import importlib, os, shutil, sys
        NAME, COMMANDS = "rlx.data_items.private_data_items", %r
        try:
            importlib.import_module(NAME)
        except Exception as e:
            print("%%s: %%s" %% (type(e).__name__, e))
        else:
            raise SystemExit("the import did not fail")
        assert NAME not in sys.modules and "private_data_items" not in vars(sys.modules["rlx.data_items"])
        try:
            import rlx.rlx as fw
        except OSError:
            pass
        %s
        import rlx.rlx as fw
        before = len(fw._seen)
        m = importlib.import_module(NAME)
        assert importlib.import_module(NAME) is m and sys.modules[NAME] is m
    """ % (COMMANDS, repair) + WORKS + """
        assert sorted(fw._seen[before:]) == sorted(c.__name__ for c in items), "registered twice or not at all"
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith(error + "\n")


def test_import_again_and_reload(tmp_path):
    tree = contract.make_tree(tmp_path, FRAMEWORK + WATCHED, COMMANDS)
    result = contract.run(tree, """
        import importlib, sys
        NAME = "rlx.data_items.private_data_items"
        import rlx.data_items.private_data_items as first
        import rlx.rlx as fw
        classes = {n: v for n, v in vars(first).items() if isinstance(v, type) and v.__module__ == NAME}
        seen = list(fw._seen)
        # A module of single-phase initialization: reloading runs nothing again.
        assert importlib.reload(first) is first and importlib.import_module(NAME) is first
        # Imported again once dropped from sys.modules: a new module object with
        # a copy of the first one's namespace, the same classes.
        del sys.modules[NAME]
        again = importlib.import_module(NAME)
        assert again is not first and sys.modules[NAME] is again
        assert {n: getattr(again, n) for n in classes} == classes
        assert importlib.reload(again) is again and fw._seen == seen
        m = again
    """ + WORKS)
    assert result.returncode == 0, result.stderr
