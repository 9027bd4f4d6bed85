"""Field columns (decode -T fields and capture.Columns), an item's tree with offsets and its hex dump."""
import csv
import io
import os
import subprocess
import sys

import pytest

import rlx.data_items.private_data_items as pdi
from rlx.data_items import capture

TOOL = [sys.executable, "-m", "rlx.data_items", "decode", "-"]
SAMPLE = os.path.join(os.path.dirname(pdi.__file__), "sample_capture.hex")


def item(cls, **fields):
    new = cls()
    for name, value in fields.items():
        setattr(new, name, value)
    return new


TICK = item(pdi.TickV2, nt64=5, dt40=6, nt_quality=7)
POWER = item(pdi.PowerReport, port_mask=3, port_information=[pdi.PortInformation(voltage=1333, current=1370),
                                                             pdi.PortInformation(voltage=1370, current=1407)])
PAIR = item(pdi.SyncStatsPair, rx_serial_number=pdi.NorvaneSerialNumber(0x10020))
ALERT = item(pdi.DiagnosticAlert, message='say "hi", ok')
ODD = item(pdi.DiagnosticAlert, message="tab\there")
COMMAND = item(pdi.UserDefinedCommandV1, payload=b"\x02\x01")
ITEMS = [TICK, POWER, PAIR, ALERT, ODD, COMMAND]
WIRE = b"".join(i._encode() for i in ITEMS)
OFFSETS = [sum(len(i._encode()) for i in ITEMS[:n]) for n in range(len(ITEMS))]
SERIAL = str(pdi.NorvaneSerialNumber(0x10020))


def decode(*args):
    result = subprocess.run(TOOL + list(args), input=WIRE, capture_output=True)
    return result.returncode, result.stdout.decode(), result.stderr.decode()


def rows(*cells):
    return "".join("\t".join(row) + "\n" for row in cells)


@pytest.mark.parametrize("args, want", [
    # every cell in its text form: numbers plain, serial numbers as the framework writes them, text unquoted
    # unless it holds a control character, bytes as hex, every occurrence joined; an item without a field: ""
    (["-e", "offset", "-e", "class", "-e", "type", "-e", "nt64", "-e", "port_information.voltage",
      "-e", "rx_serial_number", "-e", "message", "-e", "payload"],
     rows([str(OFFSETS[0]), "TickV2", "0x8015", "5", "", "", "", ""],
          [str(OFFSETS[1]), "PowerReport", "0x8016", "", "1333,1370", "", "", ""],
          [str(OFFSETS[2]), "SyncStatsPair", "0x80CB", "", "", SERIAL, "", ""],
          [str(OFFSETS[3]), "DiagnosticAlert", "0x0180", "", "", "", 'say "hi", ok', ""],
          [str(OFFSETS[4]), "DiagnosticAlert", "0x0180", "", "", "", "'tab\\there'", ""],
          [str(OFFSETS[5]), "UserDefinedCommandV1", "0x000B", "", "", "", "", "0201"])),
    # indexes (from the end where negative; past the end: nothing), a list of records as its elements' texts
    (["--class", "powerreport", "-e", "port_information[1].current", "-e", "port_information[-1].voltage",
      "-e", "port_information[2].voltage", "-e", "port_information"],
     None),
    # occurrence and aggregator; header, separator and quotes
    (["--class", "0x8016", "-e", "port_information.current", "-E", "occurrence=l"], rows(["1407"])),
    (["--class", "0x8016", "-e", "port_information.current", "-E", "occurrence=f"], rows(["1370"])),
    (["--class", "0x8016", "-e", "port_information.current", "-E", "occurrence=-2"], rows(["1370"])),
    (["--class", "0x8016", "-e", "port_information.current", "-E", "occurrence=3"], rows([""])),
    (["--class", "0x8016", "-e", "port_information.current", "-E", "aggregator=/s"], rows(["1370 1407"])),
    (["--class", "0x8016", "-e", "class", "-e", "nt64", "-E", "header=y", "-E", "separator=/s", "-E", "quote=d"],
     '"class" "nt64"\n"PowerReport" ""\n'),
    (["--class", "diagnosticalert", "-c", "1", "-e", "message", "-E", "quote=s", "-E", "separator=;"],
     "'say \"hi\", ok'\n"),
])
def test_field_columns(args, want):
    status, out, err = decode(*args)
    if want is None:    # the record texts are the framework's: the cells are the list's elements' texts
        want = rows(["1407", "1370", "", ",".join(capture.value_text(p) for p in POWER.port_information)])
    assert (status, out, err) == (0, want, "")


def test_csv_reads_back_as_the_cells_and_counts_go_on():
    status, out, err = decode("--csv", "-e", "class", "-e", "port_information.voltage", "-e", "message",
                              "--summary", "-c", "4")
    assert status == 0 and out.count("\r\n") == 5 and "\n" not in out.replace("\r\n", "")
    assert list(csv.reader(io.StringIO(out, newline=""))) == [
        ["class", "port_information.voltage", "message"], ["TickV2", "", ""], ["PowerReport", "1333,1370", ""],
        ["SyncStatsPair", "", ""], ["DiagnosticAlert", "", 'say "hi", ok']]
    assert err.startswith("summary: 4 items, %d bytes: 4 decoded" % OFFSETS[4])


@pytest.mark.parametrize("args, message", [
    (["-e", "nt46"], "no item of the catalog has a field nt46; did you mean nt64?"),
    (["-e", "voltage"], "did you mean node_voltage or port_information.voltage?"),
    (["-e", "port_information..voltage"], "is not a field path"),
    (["-T", "fields"], "-T fields shows the fields named with -e FIELD"),
    (["-e", "nt64", "-E", "quote=x"], "-E quote=x: quote is d|s|n"),
    (["-e", "nt64", "-E", "separator=ab"], "separator is /t|/s|CHAR"),
    (["-e", "nt64", "-E", "occurrence=0"], "occurrence is f|l|a|N"),
    (["-e", "nt64", "--csv", "-E", "separator=;"], "-E separator does not go with it"),
    (["-e", "nt64", "-V"], "shape other outputs than -T fields"),
    (["-T", "json", "-e", "nt64"], "use them with -T fields"),
])
def test_bad_field_usage_is_one_line_and_status_2(args, message):
    status, out, err = decode(*args)
    assert (status, out) == (2, "") and message in err and err.count("\n") == 1


# The line function written for each class gives the line the generic walk gives, on every item of the sample.
@pytest.mark.parametrize("options", [{}, {"quote": "csv", "separator": ",", "occurrence": "l"},
                                     {"quote": "d", "occurrence": 2, "aggregator": "|"}])
def test_written_lines_are_the_walked_ones(options):
    columns = capture.Columns(["offset", "class", "type", ".type", "nt64", "serial_number", "payload", "rx_stats",
                               "port_information", "mr_rx_list.rx_serial_number", "stamps[0].rx_dt32",
                               "commands.type", "commands.data", "proc_domain.slope", "serial_numbers"], **options)
    with open(SAMPLE, "rb") as f:
        pairs = list(capture.iter_items(f, on_diagnostic=lambda d: None))
    for offset, read in pairs:
        assert columns.line_function(type(read))((offset,), read) == columns.line(offset, read)
    # the parts of a network command, read from its frame
    found = [capture.Columns(["commands.type", "commands.data"]).cells(o, i) for o, i in pairs]
    assert [cells for cells in found if cells != ["", ""]] == [["0x2A", "616263"]]


def test_show_gives_offsets_and_widths_and_hexdump_the_bytes():
    assert capture.show(TICK) == ("TickV2 0x8015 (17 payload bytes)\n  nt64 @0 +8: 5\n  dt40 @8 +8: 6\n"
                                  "  nt_quality @16 +1: 7\n")
    assert capture.show(POWER).splitlines()[3:6] == ["  port_information @2 +8: 2 elements",
                                                     "    [0] @2 +4: PortInformation", "      voltage @2 +2: 1333"]
    assert capture.show(POWER, offsets=False, head=False).splitlines()[2:4] == [
        "  port_information: 2 elements", "    [0]: PortInformation"]
    assert capture.hexdump(TICK) == capture.hexdump(TICK._encode()) == (
        "0000  15 80 11 00 05 00 00 00  00 00 00 00 06 00 00 00  |................|\n"
        "0010  00 00 00 00 07                                    |.....|\n")
    # An encoder of the item's own writes other than its fields encode to: no places given where unknown.
    commands = pdi.ExecuteDeviceCommandV2()
    commands.add_uwb_network_command(17, 0x2A, 3, b"abc")
    assert capture.show(commands).startswith("ExecuteDeviceCommandV2 0x8029\n  commands: 1 element\n")
