"""Every operation of the module with behaviour of its own, repeated many times:
neither the process's memory nor the reference counts of the objects the
operations share (classes, their attribute lists and attribute objects, the
defaults those hold, the method contexts, the command registry, None, True and
False) may change. Failing operations are repeated too: a decode that stops
half-way, a rendering that raises, builders and constructors called wrongly.

RLX_LEAK_LONG=1 repeats each operation 100000 times instead of a few thousand."""
import contextlib
import gc
import os
import struct
import sys

import pytest

import rlx.data_items.private_data_items as pdi

LONG = os.environ.get("RLX_LEAK_LONG") == "1"
# Under AddressSanitizer freed memory stays resident in its quarantine and the
# object allocator is off: only reference counts are checked there, on fewer
# calls (lost allocations are LeakSanitizer's to find).
SANITIZED = "asan" in os.environ.get("LD_PRELOAD", "")
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

    def __str__(self):
        raise ValueError("no text")

    def __format__(self, fmt):
        raise ValueError("no text")


class Sink:
    def write(self, text):
        return len(text)

    def flush(self):
        pass


def fails(fn, *args, **kwargs):
    def op():
        try:
            fn(*args, **kwargs)
        except Exception:
            return
        raise AssertionError("%s did not fail" % getattr(fn, "__name__", fn))
    return op


def make(name, **values):
    item = getattr(pdi, name)()
    for key, value in values.items():
        setattr(item, key, value)
    return item


def decoder(name, payload):
    def op():
        item = getattr(pdi, name)()
        item.di_data = payload
        item._decode()
    return op


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
    reg = pdi.ExecuteDeviceCommandV2.cmd_classes
    saved = dict(reg)
    pdi.ExecuteDeviceCommandV2.register_cmd_item(Command)
    yield
    reg.clear()
    reg.update(saved)


info = pdi.DomainInformation()
domain = pdi.DIDomainInfoAttr("domain")
mr = make("MrReceptionV1", mr_rx_list=[pdi.MultiRangeRx(7, 1, 2, 3, 4, 5, 6)] * 2, payload="tail")
ack = make("AcknowledgeListResponse", acknowledged_serials=[1, 2], not_acknowledged_serials=[3], ack_string="ok")
report = make("PeriodicSystemOwnershipReport", owned_tags=[5], tag_ownership_reports=[pdi.TagOwnershipReport(6, 7, 8)])
inner = [pdi.RadarInterfaceDataV4(1, 0.5, 0, 0, 0, 2)]
v5 = make("RadarDebugV5", num_channels=1, position_data=[
    pdi.RadarPositionDebugData(1, num_interfaces=1, interface_data=inner)])
position = pdi.RadarPositionDebugData(9, 44, 1, 2, num_interfaces=1, interface_data=inner)
aoa4 = make("AngleOfArrivalV4", acc_mem=bytes(range(16)), rlx_header_serial=1)
aoa6 = make("AngleOfArrivalV6", rlx_header_serial=2)
calibrations = [make(n, phase_cal_1=1.5, rlx_header_serial=3) for n in
                ("SelfCalibrationDebug", "SelfCalibrationDebugV2", "SelfCalibrationDebugV3", "SelfCalibrationDebugV4")]
pin = pdi.PinConfig(0xFF)
stats = make("ParticleUpdaterStats", status=3, image_type=9)
cmd_wire = struct.pack("<IBH", 1, 0x21, 3) + b"abc" + struct.pack("<IBH", 2, 0xEE, 1) + b"z"

OPERATIONS = [
    # clock domains
    ("DomainInformation()", pdi.DomainInformation),
    ("DomainInformation(1)", fails(pdi.DomainInformation, 1)),
    ("str(DomainInformation)", lambda: str(info)),
    ("str(DomainInformation) raising", fails(str, make("DomainInformation", slope=Bad()))),
    ("DIDomainInfoAttr()", lambda: pdi.DIDomainInfoAttr(name="d")),
    ("DIDomainInfoAttr() bad keyword", fails(pdi.DIDomainInfoAttr, nam="d")),
    ("DIDomainInfoAttr._encode", lambda: domain._encode(info)),
    ("DIDomainInfoAttr._encode bad info", fails(domain._encode, make("DomainInformation", slope="x"))),
    ("DIDomainInfoAttr._encode missing value", fails(domain._encode, object())),
    ("DIDomainInfoAttr._decode", lambda: domain._decode(bytes(40))),
    ("DIDomainInfoAttr._decode truncated", fails(domain._decode, bytes(35))),
    ("ClockDomain round trip", lambda: decoder("ClockDomain", wire(make("ClockDomain")))()),
    # generic records
    ("record()", lambda: pdi.SeederIndexSerialNumberMapEntry(1, serial_number=2)),
    ("record() wrapped serial", lambda: pdi.AnchorMrStampRx(1, 2, 3, 4, sequence=5)),
    ("record() bad keyword", fails(pdi.PortInformation, 1, power=2)),
    ("record() twice the same", fails(pdi.PortInformation, 1, voltage=2)),
    ("record() too many", fails(pdi.PortInformation, 1, 2, 3)),
    ("record() serial out of range", fails(pdi.TagOwnershipReport, -1)),
    ("str(record)", lambda: str(pdi.BucketSettings(*range(12)))),
    ("str(record) raising", fails(str, pdi.PortInformation(1, Bad()))),
    # multi-range packets
    ("MrReceptionV1._encode", mr._encode),
    ("MrReceptionV1._decode", decoder("MrReceptionV1", wire(mr))),
    ("MrReceptionV1._decode truncated head", fails(decoder("MrReceptionV1", wire(mr)[:12]))),
    ("MrReceptionV1._decode truncated list", fails(decoder("MrReceptionV1", wire(mr)[:40]))),
    ("MrTransmissionV1._encode bad list", fails(make("MrTransmissionV1", mr_rx_list=5)._encode)),
    ("str(AngleOfArrivalV4)", lambda: str(aoa4)),
    ("str(AngleOfArrivalV6)", lambda: str(aoa6)),
    ("str(AngleOfArrivalV6) raising", fails(str, make("AngleOfArrivalV6", acc_mem=b"short", rlx_header_serial=1))),
    # radar
    ("RadarPositionDebugData()", lambda: pdi.RadarPositionDebugData(1, 2, azimuth=3, interface_data=inner)),
    ("RadarPositionDebugData() bad keyword", fails(pdi.RadarPositionDebugData, 1, chanel=2)),
    ("RadarPositionDebugData() twice the same", fails(pdi.RadarPositionDebugData, 1, channel=2)),
    ("RadarPositionDebugData() too many", fails(pdi.RadarPositionDebugData, *range(13))),
    ("str(RadarPositionDebugData)", lambda: str(position)),
    ("str(RadarPositionDebugData) raising",
     fails(str, pdi.RadarPositionDebugData(num_interfaces=2, interface_data=inner))),
    ("RadarDebugV5._decode", decoder("RadarDebugV5", wire(v5))),
    ("RadarDebugV5._decode truncated", fails(decoder("RadarDebugV5", wire(v5)[:-3]))),
    ("RadarDebugV5._decode truncated head", fails(decoder("RadarDebugV5", wire(v5)[:30]))),
] + [("str(%s)" % type(c).__name__, c.__str__) for c in calibrations] + [
    ("str(SelfCalibrationDebug) raising",
     fails(str, make("SelfCalibrationDebug", phase_cal_3="x", rlx_header_serial=1))),
    # ownership builders and codecs
] + [("%s.add_serial_number" % n, lambda n=n: make(n).add_serial_number(5)) for n in (
    "SystemOwnershipReply", "InactiveSerialNumbers", "SystemOwnershipReleaseUnconfigured", "RFScheduleV3",
    "ForceConflict")] + [
    ("add_serial_number() missing", fails(make("ForceConflict").add_serial_number)),
    ("add_serial_number() bad keyword", fails(make("ForceConflict").add_serial_number, serial=1)),
    ("add_serial_number() too many", fails(make("InactiveSerialNumbers").add_serial_number, 1, 2)),
    ("add_serial_number() out of range", fails(lambda: make("ForceConflict").add_serial_number(-1))),
    ("add_serial_number() bad count", fails(lambda: make("ForceConflict", device_count=None).add_serial_number(1))),
    ("add_acknowledged_serial", lambda: make("AcknowledgeListResponse").add_acknowledged_serial(serial_number=1)),
    ("add_not_acknowledged_serial", lambda: make("AcknowledgeListResponse").add_not_acknowledged_serial(2)),
    ("AcknowledgeListResponse._encode", ack._encode),
    ("AcknowledgeListResponse._encode bad list",
     fails(make("AcknowledgeListResponse", acknowledged_serials=1)._encode)),
    ("AcknowledgeListResponse._decode", decoder("AcknowledgeListResponse", wire(ack))),
    ("AcknowledgeListResponse._decode truncated", fails(decoder("AcknowledgeListResponse", wire(ack)[:-4]))),
    ("PeriodicSystemOwnershipReport._encode", report._encode),
    ("PeriodicSystemOwnershipReportV2._decode", decoder("PeriodicSystemOwnershipReportV2", wire(report))),
    ("PeriodicSystemOwnershipReport._decode truncated",
     fails(decoder("PeriodicSystemOwnershipReport", wire(report)[:-3]))),
    # device control
    ("get_command_type", make("ExecuteDeviceCommandV1", command_type_length=0xFFFF).get_command_type),
    ("get_command_length", make("ExecuteDeviceCommandV1", command_type_length=0xFFFF).get_command_length),
    ("get_command_length on None", fails(make("ExecuteDeviceCommandV1", command_type_length=None).get_command_length)),
    ("get_command_type(1)", fails(make("ExecuteDeviceCommandV1").get_command_type, 1)),
    ("get_reported_pin_bank", make("PinStateReportV1", pin_bank=0xE5).get_reported_pin_bank),
    ("get_send_report_flag", make("PinConfiguration", pin_bank=0xE5).get_send_report_flag),
    ("get_send_report_flag on None", fails(make("PinConfiguration", pin_bank=None).get_send_report_flag)),
    ("PinConfig fields", lambda: (pin.get_poll_interval(), pin.get_change_report_flag(), pin.get_pin_configuration())),
    ("PinConfig text", lambda: (str(pin), repr(pin))),
    ("PinConfig ==", lambda: (pin == pdi.PinConfig(0xFF), pin == 0xFF, pin == "x")),
    ("add_pin_configurations", lambda: make("PinConfiguration").add_pin_configurations(data=3)),
    ("add_pin_configurations()", fails(make("PinConfigurationReportV1").add_pin_configurations)),
    ("add_port_information", lambda: make("PowerReport").add_port_information(current=2)),
    ("add_bucket_settings", lambda: make("RFAgilityWrite").add_bucket_settings(*range(11), max_off_time=1)),
    ("add_bucket_settings() bad keyword", fails(make("RFAgilityWrite").add_bucket_settings, prf=1)),
    ("set/clear_persistent_property", lambda: (make("SetProtectedPersistentProperty").set_persistent_property(),
                                               make("SetProtectedPersistentProperty").clear_persistent_property())),
    # network commands and their registry
    ("register_cmd_item", lambda: pdi.ExecuteDeviceCommandV2.register_cmd_item(cmd_class=Command)),
    ("register_cmd_item typeless", fails(pdi.ExecuteDeviceCommandV2.register_cmd_item, object())),
    ("get_known_cmd_types", pdi.ExecuteDeviceCommandV2.get_known_cmd_types),
    ("add_uwb_network_command", commands),
    ("ExecuteDeviceCommandV2._encode", lambda: commands()._encode()),
    ("ExecuteDeviceCommandV2._encode bad command",
     fails(make("ExecuteDeviceCommandV2", commands=[Command(0, 1, 5.5)])._encode)),
    ("ExecuteDeviceCommandV2._decode", decoder("ExecuteDeviceCommandV2", cmd_wire)),
    ("placeholder command class", lambda: (decoder("ExecuteDeviceCommandV2", cmd_wire.replace(b"\xEE", b"\x77"))(),
                                           pdi.ExecuteDeviceCommandV2.cmd_classes.pop(0x77))),
    ("ExecuteDeviceCommandV2._decode truncated", fails(decoder("ExecuteDeviceCommandV2", cmd_wire[:-6]))),
    ("str(ExecuteDeviceCommandV2)", lambda: str(commands())),
    ("str(ExecuteDeviceCommandV2) raising", fails(str, make("ExecuteDeviceCommandV2", commands=[1, Bad()]))),
    # distribution
    ("updater flags", lambda: [make("ParticleUpdater", flags=0x60).get_content_flag(),
                               make("ParticleUpdater", flags=0x60).get_firmware_flag(),
                               make("ParticleUpdater", flags=0x60).get_almanac_flag()]),
    ("updater flags on None", fails(make("ParticleUpdater", flags=None).get_almanac_flag)),
    ("hardware byte", lambda: (make("UWBDiscoveryV2", hardware_version=0x25).get_hardware_version(),
                               make("UWBDiscoveryV2", hardware_version=0x25).get_ota_upgrade())),
    ("updater tables", lambda: (stats.image_name(), stats.sector_status())),
    ("updater tables on None", fails(make("ParticleUpdaterStats", status=None).sector_status)),
    ("str(DamrPacket)", lambda: str(make("DamrPacket", damr_type=3, packet=b"\x01\x02"))),
    ("str(DamrPacket) raising", fails(str, make("DamrPacket", packet=5))),
]


def tracked():
    """The objects the operations share, each once; not numbers, whose counts
    the snapshots of counts themselves hold."""
    objs = {id(o): o for o in (None, True, False, vars(pdi), pdi.ExecuteDeviceCommandV2.cmd_classes, Command)}
    held = [info, domain, mr, ack, report, v5, position, aoa4, aoa6, pin, stats] + calibrations + inner
    for _, op in OPERATIONS:  # what the operations hold: bound instances, arguments of failing calls
        cells = [c.cell_contents for c in getattr(op, "__closure__", None) or ()]
        for value in [op] + cells + [v for c in cells if isinstance(c, tuple) for v in c]:
            held.append(getattr(value, "__self__", value))
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


SHARED = tracked()


def resident():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * PAGE


def state():
    # The interpreter's type attribute cache holds references to attribute
    # names (and to None in its empty slots): emptied, it holds none.
    gc.collect()
    sys._clear_type_cache()
    return [sys.getrefcount(o) for o in SHARED], len(pdi.ExecuteDeviceCommandV2.cmd_classes), \
        sys.getallocatedblocks(), resident()


# Failures that only the project's stand-in framework raises.
STANDIN = {"record() serial out of range", "add_serial_number() out of range",
           "ExecuteDeviceCommandV2._encode bad command"}


@pytest.mark.parametrize("name, op", [pytest.param(n, op, id=n, marks=[pytest.mark.standin] if n in STANDIN else [])
                                      for n, op in OPERATIONS])
def test_no_leak(name, op):
    with contextlib.redirect_stdout(Sink()):
        state()
        for _ in range(WARM_UP):
            op()
        refs, registered, blocks, rss = state()
        for _ in range(REPS):
            op()
        refs_after, registered_after, blocks_after, rss_after = state()
    changed = [(SHARED[i], after - before) for i, (before, after) in enumerate(zip(refs, refs_after))
               if after != before]
    assert not changed, "reference counts changed after %d calls: %r" % (REPS, changed[:5])
    assert registered_after == registered
    if not SANITIZED:
        assert blocks_after - blocks <= BLOCK_SLACK, "%d blocks more after %d calls" % (blocks_after - blocks, REPS)
        assert rss_after - rss <= RSS_SLACK, "%d bytes more resident after %d calls" % (rss_after - rss, REPS)
    if LONG:
        print("\n%-50s %7d calls: %+6d blocks %+8d bytes" % (name, REPS, blocks_after - blocks, rss_after - rss))
