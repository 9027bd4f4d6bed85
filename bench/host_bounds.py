#!/usr/bin/python3
"""The floor under the catalog's constructors and texts, measured.

For each operation below a plain class gets the leanest C the host's API
allows (bench/host_bounds.c): a constructor that makes the instance and
stores its fields by the cheapest store the C API has (a serial number
wrapped by the same call the plain constructor makes), with no keywords,
binding or look-up; a text that reads its fields and writes integers straight
into one buffer. It is timed beside the extension and the plain catalog in
one process (best of 7 interleaved repeats, each a `timeit` loop called from
Python code). Python time / leanest C time is the most any C implementation
can gain: where it is below a target, the target is out of reach of the
module, whatever it does.

    /usr/bin/python3 -P bench/host_bounds.py   # needs gcc, python3-dev and a staged build
                                               # (RLX_STAGE, default build/bench/stage)
"""
import importlib.util
import os
import subprocess
import sys
import sysconfig
import tempfile
import timeit

HERE = os.path.dirname(os.path.abspath(__file__))
ROUNDS = 200_000

# Constructors: (statement, class). Each field of the leanest C constructor
# takes its positional argument or the default the plain constructor gives it.
CONSTRUCTORS = [
    ("DomainInformation()", "DomainInformation"),
    ("RadarPositionDebugData()", "RadarPositionDebugData"),
    ("RadarInterfaceDataV3(1, 2, 3, 0.5, 1.5, 2.5, 0.25, 1)", "RadarInterfaceDataV3"),
    ("BucketSettings(*range(12))", "BucketSettings"),
    ("AnchorStampRx(1, 2, 3, 4)", "AnchorStampRx"),
    ("EthernetPortStatus(*range(8))", "EthernetPortStatus"),
]
# Texts of records whose rendering joins their fields with ", ", on the
# objects the benchmark renders; serial numbers go through their own str().
TEXTS = ["PinConfig", "SeederIndexSerialNumberMapEntry", "MultiRangeRx", "AnchorStampRx", "AnchorMrStampRx",
         "TagOwnershipReport"]


def load(stage):
    sys.path.insert(0, stage)
    sys.path.insert(0, HERE)
    import rlx.data_items.private_data_items as ext
    import bench
    spec_ = importlib.util.spec_from_file_location("plain_catalog", os.path.join(HERE, "plain_catalog.py"))
    plain = importlib.util.module_from_spec(spec_)
    spec_.loader.exec_module(plain)
    return ext, plain, bench


def build(directory):
    """Compiles host_bounds.c into `directory` as the module host_bounds."""
    so = os.path.join(directory, "host_bounds" + sysconfig.get_config_var("EXT_SUFFIX"))
    subprocess.run(["gcc", "-O2", "-shared", "-fPIC", "-I" + sysconfig.get_paths()["include"],
                    os.path.join(HERE, "host_bounds.c"), "-o", so], check=True)


def best(statement, namespace):
    return min(timeit.repeat(statement, globals=namespace, number=ROUNDS, repeat=1)) / ROUNDS


def constructor_case(host_bounds, ext, plain, statement, name):
    lean = type("Lean" + name, (), {})
    made = vars(getattr(plain, name)())
    # A serial number the plain constructor wraps is wrapped by the same maker.
    makers = tuple(plain.NorvaneSerialNumber if isinstance(v, plain.NorvaneSerialNumber) else None
                   for v in made.values())
    host_bounds.lean_constructor(lean, tuple(made), tuple(None if isinstance(v, list) else v for v in made.values()),
                                 makers)
    stmt = statement.replace(name, "C", 1)
    return {side: (stmt, {"C": cls}) for side, cls in
            (("extension", getattr(ext, name)), ("leanest C", lean), ("Python", getattr(plain, name)))}


def text_case(host_bounds, ext, plain, bench, name):
    label = "str(%s)" % name
    py_obj = bench.rendering_objects(plain)[label]
    lean = type("Lean" + name, (), {})
    host_bounds.lean_str(lean, tuple(a.name for a in getattr(plain, name).definition))
    lean_obj = lean()
    vars(lean_obj).update(vars(py_obj))
    assert str(lean_obj) == str(py_obj)
    return {side: ("str(o)", {"o": obj}) for side, obj in
            (("extension", bench.rendering_objects(ext)[label]), ("leanest C", lean_obj), ("Python", py_obj))}


def main():
    stage = os.environ.get("RLX_STAGE", os.path.join(HERE, "..", "build", "bench", "stage"))
    ext, plain, bench = load(stage)
    with tempfile.TemporaryDirectory() as tmp:
        build(tmp)
        sys.path.insert(0, tmp)
        import host_bounds
    cases = [(statement, constructor_case(host_bounds, ext, plain, statement, name))
             for statement, name in CONSTRUCTORS]
    cases += [("str(%s)" % name, text_case(host_bounds, ext, plain, bench, name)) for name in TEXTS]
    rows = []
    for statement, sides in cases:
        times = {side: [] for side in sides}
        for _ in range(7):
            for side, (stmt, ns) in sides.items():
                times[side].append(best(stmt, ns))
        rows.append((statement, {side: min(t) for side, t in times.items()}))
    print("| operation | extension | leanest C | plain Python | Python / leanest C | Python / extension |")
    print("|---|---|---|---|---|---|")
    for statement, t in rows:
        print("| %s | %.1f ns | %.1f ns | %.1f ns | %.2fx | %.2fx |" % (
            statement, t["extension"] * 1e9, t["leanest C"] * 1e9, t["Python"] * 1e9,
            t["Python"] / t["leanest C"], t["Python"] / t["extension"]))


if __name__ == "__main__":
    main()
