# Module state: the catalog and the tool's module work in a second interpreter
# of the process, and a second module object of the catalog in one interpreter
# has classes and state of its own, which outlive the module object as long as
# anything holds its classes.
import os
import subprocess
import sys
import textwrap

# Run in each interpreter: the catalog declared on that interpreter's
# framework, an item through its codec, the texts, a constructor, and the
# tool's text and JSON lines (its module `_capture`) of the bundled sample.
WORK = """
import sys
import rlx.rlx as fw
import rlx.data_items.private_data_items as m
from rlx.data_items import cli
assert issubclass(m.ClockDomain, fw.RLXDataItem), "a class of another interpreter's module"
c = m.ClockDomain(); c.deca_domain.slope = 0.5
d = m.ClockDomain(); d.di_data = c._encode()[4:]; d._decode()
print(d.deca_domain.slope, m.PinConfig(5), repr(m.MultiRangeRx(1)), m.MultiRangeRx(*range(7)))
for args in (["decode", "--sample", "-c", "3"], ["decode", "--sample", "-c", "3", "--json"]):
    try:
        cli.main(args)
    except SystemExit as e:
        assert not e.code, e.code
sys.stdout.flush()
"""

# The driver: WORK in the main interpreter (which imports the modules first),
# then in a new interpreter made through the public C API. Py_EndInterpreter
# leaves no thread state, where ctypes still needs one: the new interpreter is
# left to the finalization, which ends it from 3.13 on (earlier ones refuse
# to finalize with it: the process ends without).
DRIVER = """
import ctypes, os, sys
api = ctypes.pythonapi
api.PyThreadState_Get.restype = ctypes.c_void_p
api.PyThreadState_Swap.argtypes = [ctypes.c_void_p]
api.PyThreadState_Swap.restype = ctypes.c_void_p
api.Py_NewInterpreter.restype = None  # nothing made in the new interpreter for the caller
api.PyRun_SimpleString.argtypes = [ctypes.c_char_p]
work = sys.argv[1]
exec(work)
print("--", flush=True)
main = api.PyThreadState_Get()
api.Py_NewInterpreter()
sub = api.PyThreadState_Swap(main)
assert sub, "no interpreter made"
api.PyThreadState_Swap(sub)
rc = api.PyRun_SimpleString(work.encode())
api.PyThreadState_Swap(main)
sys.stdout.flush()
sys.exit(rc) if sys.version_info >= (3, 13) else os._exit(rc)
"""


def test_second_interpreter():
    result = subprocess.run([sys.executable, "-P", "-c", textwrap.dedent(DRIVER), WORK], capture_output=True,
                            text=True, env=dict(os.environ))
    assert result.returncode == 0, result.stderr
    first, second = result.stdout.split("--\n")
    assert first == second and first.count("\n") == 7 and '"fields"' in first


# Run in a process of its own: the new module objects' classes join the
# framework's registry, which the other tests read.
MORE = """
import gc, importlib.util
import rlx.data_items.private_data_items as pdi


def new_module():
    found = importlib.util.find_spec(pdi.__name__)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def use(m):
    c = m.ClockDomain()
    c.deca_domain.slope = 0.5
    d = m.ClockDomain()
    d.di_data = c._encode()[4:]
    d._decode()
    item = m.AcknowledgeListResponse()
    item.add_acknowledged_serial(7)
    return d.deca_domain.slope, str(m.PinConfig(5)), repr(m.MultiRangeRx(1)), item._encode()


first, second = new_module(), new_module()
names = [n for n, v in vars(pdi).items() if isinstance(v, type) and v.__module__ == pdi.__name__]
assert len(names) == 193
assert not any(getattr(second, n) in (getattr(pdi, n), getattr(first, n)) for n in names)
expected = use(pdi)
assert use(first) == use(second) == expected
# One module object gone, another's classes (which the framework's
# registry may hold too) still working once their module object goes.
del first
gc.collect()
assert use(second) == expected
kept = {n: getattr(second, n) for n in ("ClockDomain", "PinConfig", "MultiRangeRx", "AcknowledgeListResponse")}
del second
gc.collect()
assert use(type("Kept", (), kept)) == use(pdi) == expected
# A change of a class's namespace behind its back reaches its own module's slot cache.
item = kept["PinConfig"](5)
assert str(item) == "5"
gc.get_referents(kept["PinConfig"].__dict__)[0]["__str__"] = lambda self: "changed"
assert str(item) == "changed" and str(pdi.PinConfig(5)) == "5"
print("ok")
"""


def test_more_module_objects():
    result = subprocess.run([sys.executable, "-P", "-c", MORE], capture_output=True, text=True, env=dict(os.environ))
    assert result.returncode == 0 and result.stdout == "ok\n", result.stderr
