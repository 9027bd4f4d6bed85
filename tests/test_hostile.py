"""Hostile callers cannot crash, hang or corrupt the interpreter through the
catalog: each case runs in a child process, which must end cleanly and print
what the catalog did; the cases of AS_PLAIN print the same with the plain
catalog of bench/plain_catalog.py."""
import os
import subprocess
import sys
import textwrap

import pytest

PRELUDE = """
import gc, sys, functools
if sys.argv[1:] == ["plain"]:
    sys.path.insert(0, %r)
    import plain_catalog as m
else:
    import rlx.data_items.private_data_items as m
""" % os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "bench")

CASES = {
    # A method's data is out of reach: nothing mutable but the module (whose state it reads) hangs off it.
    "method context": """
        methods = [getattr(v, "__func__", v) for c in vars(m).values() if getattr(c, "__module__", "") == m.__name__
                   for v in vars(c).values() if callable(getattr(v, "__func__", v))]
        assert len(methods) >= 100
        for meth in methods:
            assert not hasattr(meth, "__self__")
            for held in gc.get_referents(meth):
                assert isinstance(held, (type, tuple)) or held is vars(m) or held is m, (meth, held)
        print(str(m.PinConfig(5)), m.MultiRangeRx(1).rx_serial_number == 1)
    """,
    # Attribute kinds that empty `definition` while a custom decoder walks it.
    "definition emptied while decoding": """
        def emptying(kind):
            def _decode(self, data):
                owner.definition.clear()
                gc.collect()
                return kind._decode(self, data)
            return type("Emptying", (kind,), {"_decode": _decode})
        out = []
        for base, payload in [(m.MrTransmissionV1, bytes(17) + b"hi"), (m.RadarDebugV5, bytes(20 + 18)),
                              (m.AcknowledgeListResponse, bytes(36)), (m.PeriodicSystemOwnershipReport, bytes(8))]:
            first, *rest = base.definition
            entries = [emptying(type(first))(first.name)] + rest
            owner = type(base)("Hostile" + base.__name__, (base,), {"definition": entries, "type": 0x7000 + len(out)})
            item = owner()
            item.di_data = payload
            try:
                item._decode()
                out.append(item.di_data)
            except Exception as exc:
                out.append(type(exc).__name__)
        print(out)
    """,
    # A serial-number maker that rebinds its own global while it runs (and is freed unless held).
    "global rebound mid-call": """
        def rebind(value):
            m.NorvaneSerialNumber = int
            return value + 1
        m.NorvaneSerialNumber = functools.lru_cache(maxsize=None)(rebind)
        print(m.MultiRangeRx(5).rx_serial_number, m.MultiRangeRx(5).rx_serial_number)
        # Rebound again in a namespace that no longer holds any class of the module.
        A = m.AnchorStampRx
        for name, value in list(vars(m).items()):
            if isinstance(value, type) and value.__module__ == m.__name__:
                delattr(m, name)
        m.NorvaneSerialNumber = lambda value: value + 2
        A(1)
        m.NorvaneSerialNumber = lambda value: value + 3
        print(A(1).anchor_serial_number)
    """,
    # Command frame lengths near the largest index, or negative, from a rebound packing module.
    "frame length overflow": """
        class Packing:
            def unpack(self, layout, header):
                return (1, 2, self.length)
        for length in (sys.maxsize, sys.maxsize - 3, -7):
            m.struct = Packing()
            m.struct.length = length
            item = m.ExecuteDeviceCommandV2()
            item.di_data = bytearray(b"0123456789")
            try:
                item._decode()
                print(len(item.commands), item.di_data)
            except ValueError as exc:
                print("ValueError", item.di_data)
    """,
    # Constructors and texts rebound, removed (even by the constructor while it runs) or inherited; records
    # holding themselves.
    "slots rebound": """
        def remove(value):
            del m.AnchorStampRx.__init__
            gc.collect()
            return value
        keep, m.NorvaneSerialNumber = m.NorvaneSerialNumber, remove
        print(m.AnchorStampRx(9, 1).rx_dt32, m.AnchorStampRx().__dict__)
        m.NorvaneSerialNumber = keep
        m.PortInformation.__init__ = lambda self, *a, **k: setattr(self, "got", (a, k))
        print(m.PortInformation(1, x=2).got)
        class Sub(m.MultiRangeRx):
            pass
        print(Sub(7, quality=3).quality, Sub.__init__ is m.MultiRangeRx.__init__)
        r = m.RadarPositionDebugData()
        r.interface_data.append(r)
        del r.channel
        print(repr(r).replace("=0, ", ""))
        m.PinConfig.__str__ = lambda self: "text"
        del m.PinConfig.__repr__
        print(str(m.PinConfig(3)), repr(m.PinConfig(3)).startswith("<"))
        m.BucketSettings.__new__ = staticmethod(lambda cls, *a: "made")
        print(m.BucketSettings(1, 2), m.MultiRangeRx(quality=4).quality)
        for init in (7, lambda self, *a: 5):
            gc.get_referents(m.EthernetPortStatus.__dict__)[0]["__init__"] = init  # behind the class's back
            try:
                m.EthernetPortStatus(1)
            except TypeError as exc:
                print(exc)
    """,
    # Constructors store as attribute assignment does while the class and the instance change under them:
    # descriptors added (even by a serial maker or an old value's release mid-call), the instance's dict made,
    # another class's instance, a subclass's own __setattr__.
    "stores under change": """
        R, A, seen = m.RadarPositionDebugData, m.AnchorStampRx, []
        R(), R(1, 2)
        print(list(vars(R(1, 2, 3)))[:3])
        R.azimuth = property(lambda s: -1, lambda s, v: seen.append(v))
        print(R(1, 2, 3).azimuth, seen)
        del R.azimuth
        def peek(value):
            for o in gc.get_objects():
                if type(o) is A and not hasattr(o, "rx_dt32"):
                    o.__dict__["extra"] = value
            return value
        def change(value):
            A.first_path = property(lambda s: "p", lambda s, v: seen.append(v))
            return value
        keep, m.NorvaneSerialNumber = m.NorvaneSerialNumber, peek
        print(sorted(vars(A(7, 8, 9)).items()))
        m.NorvaneSerialNumber = change
        print(A(1, 2, 3, 4).first_path, seen)
        m.NorvaneSerialNumber = keep
        class Old:
            def __del__(self):
                R.elevation = property(lambda s: "e", lambda s, v: seen.append(v))
        r = R(Old(), 2, 3)
        r.__init__(5, 6, 7)
        vars(r)
        r.__init__(8)
        p = m.PinConfig(5)
        R.__init__(p, 9)
        class Logged(R):
            def __setattr__(self, k, v):
                seen.append(k)
                object.__setattr__(self, k, v)
        print(r.channel, r.azimuth, r.elevation, seen, p.channel, Logged(3).channel, seen[4:6])
        S = m.RadarInterfaceDataV4  # and texts read as attribute access does
        s, d = S(1, 2, 3), S(4, 5, 6)
        vars(d)[1] = 2  # its dict made
        del s.first_path, d.first_path
        S.first_path = "class"
        texts = [str(s), repr(s), str(d)]
        del S.first_path
        S.weight = property(lambda self: "w", lambda self, v: None)
        class Hook(S):
            def __getattribute__(self, k):
                return "g" if k == "status" else object.__getattribute__(self, k)
        print(*texts, repr(s), str(S(1, 2, 3, 4, 5, 6)), str(Hook(1)), sep="; ")
    """,
    # A record's text whose field's own str() deletes or replaces later fields, makes the instance's dict or
    # changes its class.
    "texts under change": """
        S = m.RadarInterfaceDataV4
        class Meddle:
            def __init__(self, act):
                self.act = act
            def __str__(self):
                self.act(self.owner)
                return "m"
        class T(S):
            status = "t"
        str(S())
        for act in (lambda s: delattr(s, "total_path"), lambda s: (vars(s).update({1: 2}), setattr(s, "weight", [9])),
                    lambda s: (setattr(s, "rx_phase", 7), setattr(s, "first_path", "f")), lambda s: setattr(s, "__class__", T)):
            s = S(1, 2, 3, 4, 5, 6)
            s.rx_phase = Meddle(act)
            s.rx_phase.owner = s
            try:
                print(str(s))
            except AttributeError as exc:
                print(exc)
    """,
    # A class attribute whose own class gains __set__ later turns into a data descriptor without any change to
    # the record class: constructors and texts go through it from then on, as attribute access does.
    "descriptor gains __set__": """
        P, R, seen = m.PortInformation, m.DomainInformation, []
        class Field:
            def __get__(self, obj, cls):
                return "d"
        P.voltage = R.slope = Field()
        p, r = P(1, 2), R()
        texts = [str(p), str(r)]
        Field.__set__ = lambda self, obj, v: seen.append(v)
        print(*texts, str(p), str(P(3, 4)), str(R()), seen, sep="; ")
    """,
    # A constructor rebound after the class was used: decoding makes the record through it from then on.
    "constructor rebound after use": """
        D, attr = m.DomainInformation, m.DIDomainInfoAttr("x")
        print(sorted(vars(D())), sorted(vars(attr._decode(bytes(36))[0])))
        D.__init__ = lambda self: setattr(self, "made", 1)
        print("made" in vars(attr._decode(bytes(36))[0]), vars(D()))
        P = m.PortInformation  # and the namespace changed behind the class's back after use
        print(str(P(1, 2)), repr(P(3)))
        space = gc.get_referents(P.__dict__)[0]
        space["__str__"], space["__repr__"], space["__init__"] = lambda s: "s", lambda s: "r", lambda s, *a: None
        print(str(P(1, 2)), repr(P(3)), vars(P(5)))
    """,
    # Record texts evaluated as Python evaluates them: a record holding itself, a subclass's own layout, another
    # object's (with or without a layout), fields read (twice) before anything is written, format()'s arguments
    # before the format.
    "record texts as Python writes them": """
        P, D, seen = m.PortInformation, m.DomainInformation, []
        p = P(1, 2)
        p.current = [p]
        class Sub(P):
            definition = P.definition[1:]
        class Bare:
            pass
        b = Bare()
        b.nt64, b.voltage = 5, 6
        print(repr(p), repr(Sub(3, 4)), P.__repr__(D()), D.__repr__(p), P.__repr__(b), sep="; ")
        class Counted(P):
            @property
            def current(self):
                seen.append("read")
                return 9
        print(repr(object.__new__(Counted)), seen)
        item = m.DamrPacket()
        item.damr_type, item.packet = 1.5, 0
        try:
            str(item)
        except Exception as exc:
            print(type(exc).__name__, exc)
    """,
    # The framework's encoding reached past the item class as super() reaches it, whatever stands next.
    "super resolution": """
        class Mixin(m.AcknowledgeListResponse.__mro__[1]):
            def _encode(self):
                return b"mixin %d" % self.num_acknowledged
        class Sub(m.AcknowledgeListResponse, Mixin):
            pass
        item = Sub()
        item.add_acknowledged_serial(1)
        print(item._encode())
        Mixin._encode = staticmethod(lambda: b"static")
        print(item._encode())
    """,
}

EXPECTED = {
    "method context": "5 True",
    "constructor rebound after use": "['domaint', 'intercept', 'nt64', 'quality', 'slope'] "
                                     "['domaint', 'intercept', 'nt64', 'quality', 'slope']\nTrue {'made': 1}\n"
                                     "1, 2 PortInformation(voltage=3, current=0)\ns r {}",
    "definition emptied while decoding": "[None, None, None, None]",
    "descriptor gains __set__": "1, 2; 0, 0, 0, 0.0, 0; d, 2; d, 4; 0, 0, 0, d, 0; [3, 0.0]",
    "global rebound mid-call": "6 5\n4",
    "frame length overflow": "1 None\n1 None\nValueError bytearray(b'0123456789')",
    "record texts as Python writes them": "PortInformation(voltage=1, current=[...]); Sub(current=4); "
                                          "DomainInformation(nt64=0, domaint=0, quality=0, slope=0.0, intercept=0); "
                                          "PortInformation(voltage=1, current=[...]); Bare(nt64=5)\n"
                                          "Counted(current=9) ['read', 'read']\n"
                                          "TypeError cannot convert 'int' object to bytes",
    "super resolution": "b'mixin 1'\nb'static'",
    "texts under change": "'RadarInterfaceDataV4' object has no attribute 'total_path'\n1, m, 3, 4, [9], 6\n"
                          "1, m, f, 4, 5, 6\n1, m, 3, 4, 5, 6",
    "stores under change": "['channel', 'distance', 'azimuth']\n-1 [3]\n[('anchor_serial_number', 7), ('extra', 7), "
                           "('first_path', 9), ('rx_dt32', 8), ('total_path', 0)]\np [3, 3]\n"
                           "8 0 e [3, 3, 0, 0, 'channel', 'distance', 'azimuth', 'elevation', 0, "
                           "'pos_quality', 'dist_quality', 'sum_of_phase_error', 'dt_search_angle', 'short_dt_angular_difference', "
                           "'long_dt_angular_difference', 'num_interfaces', 'interface_data'] 9 3 ['channel', 'distance']\n"
                           "1, 2, class, 0, 0, 0; RadarInterfaceDataV4(rx_dt=1, rx_phase=2, first_path='class', "
                           "total_path=0, weight=0, status=0); 4, 5, class, 0, 0, 0; RadarInterfaceDataV4(rx_dt=1, rx_phase=2, total_path=0, "
                           "weight='w', status=0); 1, 2, 3, 4, w, 6; 1, 0, 0, 0, w, g",
    "slots rebound": "1 {}\n((1,), {'x': 2})\n3 True\nRadarPositionDebugData(azimuthelevationpos_quality"
                           "sum_of_phase_errordt_search_angleshort_dt_angular_differencelong_dt_angular_difference"
                           "num_interfacesinterface_data=[...])\ntext True\n"
                           "made 4\n'int' object is not callable\n__init__() should return None, not 'int'",
}


# The cases whose every line Python code gives as well.
AS_PLAIN = {"record texts as Python writes them"}


@pytest.mark.parametrize("case, side", [(c, "extension") for c in sorted(CASES)] + [(c, "plain") for c in sorted(AS_PLAIN)])
def test_hostile_caller(case, side):
    code = PRELUDE + textwrap.dedent(CASES[case])
    result = subprocess.run([sys.executable, "-P", "-c", code, side], capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, result.stderr[-2000:]
    assert result.stdout.strip() == EXPECTED[case]
