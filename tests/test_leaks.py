# One operation per mechanism of the module (an accessor, a builder, a
# constructor, a rendering, each custom codec, the registry), repeated many
# times: neither the process's memory nor the reference counts of the objects
# the operations share (classes, their attribute lists and attribute objects,
# the defaults those hold, the method contexts, the command registry, None, True
# and False; from 3.12 on only those that are not immortal) may change. Each operation includes its failing calls: a decode
# that stops half-way, a rendering that raises, builders and constructors
# called wrongly.
#
# RLX_LEAK_LONG=1 repeats each operation 100000 times instead of a few thousand.
from array import array
import contextlib
from functools import partial
import gc
import os
import struct
import sys

import pytest

import rlx.data_items.private_data_items as pdi
from conftest import SANITIZED, decode

LONG = os.environ.get("RLX_LEAK_LONG") == "1"
# Under AddressSanitizer freed memory stays resident in its quarantine and the
# object allocator is off: only reference counts are checked there, on fewer
# calls (lost allocations are LeakSanitizer's to find).
REPS = 100_000 if LONG else 300 if SANITIZED else 3000
WARM_UP = 100 if SANITIZED else 300
PAGE = os.sysconf("SC_PAGE_SIZE")
# Python objects leaked once per call show as allocator blocks, anything larger
# (or not from the object allocator) as resident memory; both get slack for
# the allocator's own bookkeeping.
BLOCK_SLACK = REPS // 20
RSS_SLACK = 256 * 1024 + 16 * REPS


class Bad:
    """A value whose text form fails."""

    def __str__(self, *args):
        raise ValueError("no text")

    __format__ = __str__


def make(name, **values):
    item = getattr(pdi, name)()
    vars(item).update(values)
    return item


def wire(item):
    return item._encode()[4:]


class Command(pdi.UWBNetworkCommandItem):
    type = 0x21


def commands():
    item = pdi.ExecuteDeviceCommandV2()
    item.add_uwb_network_command(1, 0x21, 3, b"abc")
    item.add_uwb_network_command(destination_group=2, type=0xEE, length=1, data=b"z")
    return item


@pytest.fixture(scope="module", autouse=True)
def registry():
    """Command 0x21 registered; the registry as it was afterwards."""
    saved = pdi.ExecuteDeviceCommandV2.cmd_classes.copy()
    pdi.ExecuteDeviceCommandV2.register_cmd_item(Command)
    yield
    pdi.ExecuteDeviceCommandV2.cmd_classes.clear()
    pdi.ExecuteDeviceCommandV2.cmd_classes.update(saved)


def attempt(*ops):
    """One operation of several steps, failing ones among them: each step runs, its error is kept quiet."""
    def op():
        for step in ops:
            try:
                step()
            except Exception:
                pass
    return op


info = pdi.DomainInformation()
domain = pdi.DIDomainInfoAttr("domain")
mr = make("MrReceptionV1", mr_rx_list=[pdi.MultiRangeRx(7, 1, 2, 3, 4, 5, 6)] * 2, payload="tail")
ack = make("AcknowledgeListResponse", acknowledged_serials=[1, 2], not_acknowledged_serials=[3], ack_string="ok")
report = make("PeriodicSystemOwnershipReport", owned_tags=[5], tag_ownership_reports=[pdi.TagOwnershipReport(6, 7, 8)])
inner = [pdi.RadarInterfaceDataV4(1, 0.5, 0, 0, 0, 2)]
v5 = make("RadarDebugV5", num_channels=1, position_data=[
    pdi.RadarPositionDebugData(1, num_interfaces=1, interface_data=inner)])
aoa = make("AngleOfArrivalV4", acc_mem=bytes(range(16)), rlx_header_serial=1)
cmd_wire = struct.pack("<IBH", 1, 0x21, 3) + b"abc" + struct.pack("<IBH", 2, 0xEE, 1) + b"z"

# One operation per mechanism, each with its failing calls: an accessor, a
# builder, a constructor, a rendering, each custom codec and the registry.
OPERATIONS = [
    ("accessor", attempt(make("PinConfiguration", pin_bank=0xE5).get_send_report_flag,
                         make("PinConfiguration", pin_bank=None).get_send_report_flag)),
    ("builder", attempt(lambda: make("ForceConflict").add_serial_number(serial_number=5),
                        lambda: make("ForceConflict").add_serial_number(-1),
                        lambda: make("ForceConflict", device_count=None).add_serial_number(1),
                        make("ForceConflict").add_serial_number)),
    ("constructor", attempt(lambda: pdi.AnchorMrStampRx(1, 2, 3, 4, sequence=5),
                            lambda: pdi.PortInformation(1, voltage=2), lambda: pdi.PortInformation(1, 2, 3),
                            lambda: pdi.RadarPositionDebugData(1, 2, azimuth=3, interface_data=inner),
                            lambda: pdi.RadarPositionDebugData(1, chanel=2))),
    ("rendering", attempt(lambda: str(aoa), lambda: str(pdi.BucketSettings(*range(12))),
                          lambda: str(make("AngleOfArrivalV6", acc_mem=b"short", rlx_header_serial=1)),
                          lambda: str(pdi.PortInformation(1, Bad())))),
    ("domain codec", attempt(lambda: domain._decode(domain._encode(info) + b"x"), lambda: domain._decode(bytes(35)),
                             lambda: domain._encode(make("DomainInformation", slope="x")),
                             lambda: str(make("DomainInformation", slope=Bad())))),
    ("multi-range codec", attempt(mr._encode, partial(decode, pdi.MrReceptionV1, wire(mr)),
                                  partial(decode, pdi.MrReceptionV1, wire(mr)[:40]))),
    ("radar position codec", attempt(partial(decode, pdi.RadarDebugV5, wire(v5)),
                                     partial(decode, pdi.RadarDebugV5, wire(v5)[:-3]),
                                     lambda: str(v5.position_data[0]))),
    ("acknowledge list codec", attempt(ack._encode, partial(decode, pdi.AcknowledgeListResponse, wire(ack)),
                                       partial(decode, pdi.AcknowledgeListResponse, wire(ack)[:-4]))),
    ("ownership report codec", attempt(report._encode,
                                       partial(decode, pdi.PeriodicSystemOwnershipReportV2, wire(report)),
                                       partial(decode, pdi.PeriodicSystemOwnershipReport, wire(report)[:-3]))),
    ("command list codec", attempt(lambda: commands()._encode(), lambda: str(commands()),
                                   partial(decode, pdi.ExecuteDeviceCommandV2, cmd_wire),
                                   partial(decode, pdi.ExecuteDeviceCommandV2, cmd_wire[:-6]),
                                   make("ExecuteDeviceCommandV2", commands=[Command(0, 1, 5.5)])._encode)),
    ("command registry", attempt(lambda: pdi.ExecuteDeviceCommandV2.register_cmd_item(cmd_class=Command),
                                 lambda: pdi.ExecuteDeviceCommandV2.register_cmd_item(object()),
                                 pdi.ExecuteDeviceCommandV2.get_known_cmd_types,
                                 lambda: (decode(pdi.ExecuteDeviceCommandV2, cmd_wire.replace(b"\xEE", b"\x77")),
                                          pdi.ExecuteDeviceCommandV2.cmd_classes.pop(0x77)))),
]


def tracked():
    """The objects the operations share, each once; not numbers, whose counts
    any code changes (the small ints are shared)."""
    objs = {id(o): o for o in (None, True, False, vars(pdi), pdi.ExecuteDeviceCommandV2.cmd_classes, Command)}
    held = [info, domain, mr, ack, report, v5, aoa] + inner  # and the instances of bound methods
    held += [getattr(step, "__self__", None) for _, op in OPERATIONS for step in op.__closure__[0].cell_contents]
    for item in held:
        if hasattr(item, "__dict__") and not isinstance(item, type) and type(item).__module__ != "builtins":
            objs.update({id(o): o for o in [item] + list(vars(item).values()) if not isinstance(o, (int, float))})
    for cls in [v for v in vars(pdi).values() if isinstance(v, type) and v.__module__ == pdi.__name__]:
        objs[id(cls)] = cls
        for attr in vars(cls).get("definition", []):
            objs.update({id(o): o for o in (vars(cls)["definition"], attr, attr.name, getattr(attr, "default", None))
                         if not isinstance(o, (int, float))})
        for value in vars(cls).values():
            ctx = getattr(getattr(value, "__func__", None), "__self__", None)
            if isinstance(ctx, list):
                objs.update({id(o): o for o in [value, value.__func__, ctx] + ctx})
    return list(objs.values())


def immortal(obj):
    """Whether ``obj``'s reference count never changes (3.12 on): its count shows no leak."""
    if hasattr(sys, "_is_immortal"):
        return sys._is_immortal(obj)
    return sys.version_info >= (3, 12) and sys.getrefcount(obj) >= 2**32 - 1


SHARED = [o for o in tracked() if not immortal(o)]
# The counts of two snapshots, allocated once: filling them allocates nothing
# that outlives the snapshot (counts beyond the small ints are objects of their
# own), so that a snapshot's bookkeeping does not show as blocks in the next.
BEFORE, AFTER = array("q", bytes(8 * len(SHARED))), array("q", bytes(8 * len(SHARED)))


def resident():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * PAGE


def state(counts):
    """Fills ``counts`` with the reference counts of SHARED; the registry's size, the allocated blocks and the
    resident bytes."""
    # The interpreter's type attribute cache holds references to attribute
    # names (and to None in its empty slots): emptied, it holds none.
    gc.collect()
    sys._clear_type_cache()
    for i, obj in enumerate(SHARED):
        counts[i] = sys.getrefcount(obj)
    return len(pdi.ExecuteDeviceCommandV2.cmd_classes), sys.getallocatedblocks(), resident()


@pytest.mark.parametrize("name, op", OPERATIONS, ids=[n for n, _ in OPERATIONS])
def test_no_leak(name, op):
    with open(os.devnull, "w") as sink, contextlib.redirect_stdout(sink):
        state(BEFORE)
        for _ in range(WARM_UP):
            op()
        registered, blocks, rss = state(BEFORE)
        for _ in range(REPS):
            op()
        registered_after, blocks_after, rss_after = state(AFTER)
    changed = [(SHARED[i], after - before) for i, (before, after) in enumerate(zip(BEFORE, AFTER))
               if after != before]
    assert not changed, "reference counts changed after %d calls: %r" % (REPS, changed[:5])
    assert registered_after == registered
    if not SANITIZED:
        assert blocks_after - blocks <= BLOCK_SLACK, "%d blocks more after %d calls" % (blocks_after - blocks, REPS)
        assert rss_after - rss <= RSS_SLACK, "%d bytes more resident after %d calls" % (rss_after - rss, REPS)
    if LONG:
        print("\n%-50s %7d calls: %+6d blocks %+8d bytes" % (name, REPS, blocks_after - blocks, rss_after - rss))
