#!/usr/bin/python3
"""The floor under the record constructors, measured.

A C loop that only makes an instance and stores seven attributes through the
C API (no call, binding or dispatch of a constructor) against a C loop that
calls a whole Python constructor storing the same seven attributes. When
the loop is not faster, no C constructor of a seven-field record can beat
the Python one: the interpreter's specialised store instructions write at a
cached index, the C API looks every name up.

    /usr/bin/python3 -P bench/host_bounds.py      # needs gcc and python3-dev
"""
import os
import subprocess
import sys
import sysconfig
import tempfile
import timeit

HERE = os.path.dirname(os.path.abspath(__file__))
ROUNDS = 200_000


class Plain:
    pass


class Lean:
    pass


class Record:
    def __init__(self, a=0, b=0, c=0, d=0, e=0, f=0, g=0):
        self.a = a
        self.b = b
        self.c = c
        self.d = d
        self.e = e
        self.f = f
        self.g = g


def main():
    with tempfile.TemporaryDirectory() as tmp:
        so = os.path.join(tmp, "host_bounds" + sysconfig.get_config_var("EXT_SUFFIX"))
        subprocess.run(["gcc", "-O2", "-shared", "-fPIC", "-I" + sysconfig.get_paths()["include"],
                        os.path.join(HERE, "host_bounds.c"), "-o", so], check=True)
        sys.path.insert(0, tmp)
        import host_bounds
        host_bounds.lean_init(Lean)
        c_loop, python, lean, lean_py, record_py = [], [], [], [], []
        for _ in range(7):  # interleaved, best of 7
            c_loop.append(timeit.timeit(lambda: host_bounds.stores(Plain, 1, ROUNDS), number=1) / ROUNDS)
            python.append(timeit.timeit(lambda: host_bounds.calls(Record, 1, ROUNDS), number=1) / ROUNDS)
            lean.append(timeit.timeit(lambda: host_bounds.calls(Lean, 1, ROUNDS), number=1) / ROUNDS)
            # As a caller writes it: a call in Python code.
            lean_py.append(timeit.timeit("C(1, 1, 1, 1, 1, 1, 1)", globals={"C": Lean}, number=ROUNDS) / ROUNDS)
            record_py.append(timeit.timeit("C(1, 1, 1, 1, 1, 1, 1)", globals={"C": Record}, number=ROUNDS) / ROUNDS)
    c, p = min(c_loop), min(python)
    print("instance + seven stores, C API loop:           %5.0f ns" % (c * 1e9))
    print("Record(1, 1, 1, 1, 1, 1, 1) called from C:     %5.0f ns" % (p * 1e9))
    print("the same, leanest C init slot, called from C:  %5.0f ns" % (min(lean) * 1e9))
    print("called from Python code: Python %5.0f ns, leanest C %5.0f ns: %.2fx"
          % (min(record_py) * 1e9, min(lean_py) * 1e9, min(record_py) / min(lean_py)))
    print("Python / C floor: %.2fx" % (p / c))


if __name__ == "__main__":
    main()
