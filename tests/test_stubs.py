"""The type stub shipped with the catalog module describes the built module."""
import ast
import os
import subprocess
import sys
import textwrap

import pytest

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STUB = os.path.join(REPO, "rlx", "data_items", "private_data_items.pyi")
try:
    import mypy  # noqa: F401  (only whether it is there)
    HAVE_MYPY = True
except ImportError:
    HAVE_MYPY = False
# Under the sanitizers the type checker's own processes are left out: they check
# no memory of the extension, and LeakSanitizer's tracer crashes in some of them.
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")
needs_mypy = pytest.mark.skipif(not HAVE_MYPY or SANITIZED,
                                reason="mypy is not installed (Debian package python3-mypy) or runs sanitized")


def environment():
    """This process's environment with an absolute PYTHONPATH, for children started elsewhere."""
    env = dict(os.environ)
    if env.get("PYTHONPATH"):
        env["PYTHONPATH"] = os.pathsep.join(os.path.abspath(p) for p in env["PYTHONPATH"].split(os.pathsep) if p)
    return env


def run(*args, cwd=REPO):
    return subprocess.run([sys.executable, "-P", *args], capture_output=True, text=True, cwd=cwd, env=environment())


def parsed_stub():
    return ast.parse(open(STUB, encoding="utf-8").read())


def declared_classes(pdi):
    return [v for v in vars(pdi).values() if isinstance(v, type) and v.__module__ == pdi.__name__]


# The checked-in stub is generated over the project's stand-in framework, whose value types it names.
@pytest.mark.standin
def test_checked_in_stub_is_what_the_built_module_yields(pdi):
    result = run(os.path.join(REPO, "tools", "make_stubs.py"), "--check")
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


@pytest.mark.standin
@needs_mypy
def test_typed_code_checks_against_the_stub_and_mistakes_are_caught(tmp_path):
    good = tmp_path / "good.py"
    good.write_text(textwrap.dedent("""\
        import rlx.data_items.private_data_items as pdi

        tick = pdi.TickV2()
        tick.nt64 = 5
        wire: bytes = tick._encode()
        flag: bool = pdi.PinConfiguration().get_send_report_flag()
        reply = pdi.SystemOwnershipReply()
        reply.add_serial_number(7)
        first: pdi.NorvaneSerialNumber = reply.serial_numbers[0]
        settings = pdi.BucketSettings(channel=1, rpf=2)
        slope: float = pdi.ClockDomain().proc_domain.slope
        code: int = pdi.TickV2.type
        stats: tuple[int, int, int, int] = pdi.OtaImageRequest().rx_stats
        pdi.ExecuteDeviceCommandV2().add_uwb_network_command(1, 0x2A, 3, b"abc")
        """))
    bad = tmp_path / "bad.py"
    bad_lines = [
        'pdi.TickV2().nt64 = "five"',
        "pdi.BucketSettings(prf=2)",  # the constructor parameter is rpf
        'pdi.PinConfig().get_poll_interval() + ""',
        "pdi.NoSuchItem()",
        "pdi.ClockDomain().proc_domain.slope.hex(1)",
        "pdi.SystemOwnershipReply().add_serial_number()",
    ]
    bad.write_text("import rlx.data_items.private_data_items as pdi\n" + "\n".join(bad_lines) + "\n")
    # Run outside the checkout, whose untyped sources would shadow the installed package.
    mypy = ["-m", "mypy", "--cache-dir", str(tmp_path / "cache"), "--no-error-summary"]
    result = run(*mypy, str(good), cwd=str(tmp_path))
    assert result.returncode == 0, result.stdout + result.stderr
    result = run(*mypy, str(bad), cwd=str(tmp_path))
    flagged = {int(line.split(":")[1]) for line in result.stdout.splitlines() if ": error:" in line}
    assert flagged == set(range(2, len(bad_lines) + 2)), result.stdout


@pytest.mark.standin
@needs_mypy
def test_stub_agrees_with_the_runtime_module(tmp_path):
    # The framework module is untyped, so its metaclass is unknown to the stub.
    config = tmp_path / "mypy.ini"
    config.write_text("[mypy]\nignore_missing_imports = True\n")
    result = run("-m", "mypy.stubtest", "--mypy-config-file", str(config), "rlx.data_items.private_data_items",
                 cwd=str(tmp_path))
    errors = [line for line in result.stdout.splitlines()
              if line.startswith("error:") and not line.endswith("metaclass differs")]
    assert not errors and "checked 1 module" in result.stdout, result.stdout[-3000:] + result.stderr
