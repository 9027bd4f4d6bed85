// Radar debug items, radar interface records and self-calibration items.
//
// The radar debug items carry one measurement (distance and two angles) with
// the reception details of every interface that took part; the position
// debug item nests a list of interface records inside each channel's
// position record and so cuts every position record to its exact length
// before decoding it. The self-calibration debug items render one line for
// consoles, with their phase corrections shown in whole degrees.
#pragma once

#include "../catalog.hpp"
#include "../text.hpp"

#include <cstdio>

namespace pdi::radar {
namespace {

using K = Kind;

// The names the bodies below use besides the shared ones.
#define BODY_NAMES(X) \
    X(channel) X(dt_cal_0) X(dt_cal_1) X(dt_cal_2) X(dt_cal_3) X(dt_cal_4) X(dt_cal_5) \
    X(interface_data) X(math) X(network_time) X(num_interfaces) X(phase_cal_0) X(phase_cal_1) \
    X(phase_cal_2) X(phase_cal_3) X(phase_cal_4) X(phase_cal_5) X(pi) X(position_data) \
    X(rlx_header_serial) X(source_serial_number)
PDI_BODY_NAMES(BODY_NAMES)
#undef BODY_NAMES

// ---------------------------------------------------------------------------
// Position record of one channel.

// Constructor parameters, in order; all but the last default to 0, the last
// (the interface records) to a new empty list. `distance` and `dist_quality`
// are stored although the record's layout does not hold them.
constexpr Param kPositionParams[] = {
    {"channel", "int"}, {"distance", "int"}, {"azimuth", "int"}, {"elevation", "int"},
    {"pos_quality", "int"}, {"dist_quality", "int"}, {"sum_of_phase_error", "int"},
    {"dt_search_angle", "int"}, {"short_dt_angular_difference", "int"},
    {"long_dt_angular_difference", "int"}, {"num_interfaces", "int"},
    {"interface_data", "list[RadarInterfaceDataV4]", Dflt::NewList},
};

// The fixed values, each followed by ", ", then the first `num_interfaces`
// interface records' texts run together.
py::object position_str(Call& c) {
    PyObject* self = c.self;
    Text text;
    py::object definition = get(self, N.definition);
    py::object entries = steal(PySequence_Tuple(definition.ptr()));
    for (Py_ssize_t e = 0; e < PyTuple_GET_SIZE(entries.ptr()); ++e) {
        py::object name = get(PyTuple_GET_ITEM(entries.ptr(), e), N.name);
        if (!PyUnicode_Check(name.ptr()) || PyUnicode_Compare(name.ptr(), N.interface_data) != 0) {
            text.as_str(get(self, name.ptr()).ptr()).ascii(", ", 2);
            continue;
        }
        // A count beyond the list ends in the list's index error at its end.
        py::object count_obj = get(self, N.num_interfaces);
        const Py_ssize_t count = PyNumber_AsSsize_t(count_obj.ptr(), nullptr);
        if (count == -1 && PyErr_Occurred()) throw PyErr{};
        py::object records = get(self, name.ptr());
        for (Py_ssize_t i = 0; i < count; ++i) {
            py::object index = steal(PyLong_FromSsize_t(i));
            py::object record = steal(PyObject_GetItem(records.ptr(), index.ptr()));
            text.as_str(record.ptr());
        }
    }
    return text.finish();
}

// ---------------------------------------------------------------------------
// Radar debug item with one position record per channel.

constexpr Py_ssize_t kPositionFixedSize = 18;    // channel .. num_interfaces
constexpr Py_ssize_t kInterfaceRecordSize = 25;  // one fourth-layout interface record

py::object first_record(PyObject* list) {
    if (PyList_CheckExact(list) && PyList_GET_SIZE(list) > 0) return borrow(PyList_GET_ITEM(list, 0));
    return steal(PyObject_GetItem(list, N.zero));
}

// Position records one after another: the fixed part of each tells how many
// interface records follow, so each record is decoded from exactly its bytes.
struct PositionWalk final : Walk {
    py::object chunk(const Call& c, PyObject* entry, PyObject* name, PyObject* data, py::object& value) override {
        if (!PyUnicode_Check(name) || PyUnicode_Compare(name, N.position_data) != 0) return borrow(data);
        PyObject* self = c.self;
        py::object records = steal(PyList_New(0));
        for (;;) {
            py::object rest = get(self, N.di_data);
            const Py_ssize_t have = length(rest.ptr());
            if (have == 0) break;

            Py_ssize_t used = 0;
            py::object head = slice(rest.ptr(), 0, kPositionFixedSize);
            py::object fixed = decode_entry(entry, name, head.ptr(), used);
            py::object count_obj = get(first_record(fixed.ptr()).ptr(), N.num_interfaces);
            const Py_ssize_t count = PyNumber_AsSsize_t(count_obj.ptr(), nullptr);
            if (count == -1 && PyErr_Occurred()) throw PyErr{};

            Py_ssize_t size = have;
            if (count <= 0) {
                size = kPositionFixedSize;
            } else if (count <= (have - kPositionFixedSize) / kInterfaceRecordSize) {
                size = kPositionFixedSize + count * kInterfaceRecordSize;
            }
            py::object record_bytes = slice(rest.ptr(), 0, size);
            py::object decoded = decode_entry(entry, name, record_bytes.ptr(), used);
            if (used == 0) {
                PyErr_Format(PyExc_ValueError, "attribute %R consumed no bytes of a %zd-byte position record", name,
                             length(record_bytes.ptr()));
                throw PyErr{};
            }
            consume(self, rest.ptr(), used);
            check_status(PyList_Append(records.ptr(), first_record(decoded.ptr()).ptr()));
        }
        value = records;
        return py::object();
    }
};

py::object position_item_decode(Call& c) {
    PositionWalk walk;
    walk_decode(c, walk);
    return py::none();
}

// ---------------------------------------------------------------------------
// Self-calibration debug lines: the header serial, the type code as
// "0x{:04X}", the source serial (from the third version on), the network
// time, each phase correction in whole degrees ("{:.0f}"), each time
// correction, then the interface count and channel where the version has them.

struct CalibrationLine {
    int paths;               // phase and time corrections
    bool source;             // led by the anchor's serial number
    int tail;                // values after the time corrections: num_interfaces, channel
};

constexpr CalibrationLine kCalibrationV1{5, false, 0};
constexpr CalibrationLine kCalibrationV2{6, false, 1};
constexpr CalibrationLine kCalibrationV3{6, true, 1};
constexpr CalibrationLine kCalibrationV4{6, true, 2};

py::object calibration_text(Call& c, const CalibrationLine& line) {
    PyObject* self = c.self;
    PyObject* const phases[] = {N.phase_cal_0, N.phase_cal_1, N.phase_cal_2, N.phase_cal_3, N.phase_cal_4, N.phase_cal_5};
    PyObject* const times[] = {N.dt_cal_0, N.dt_cal_1, N.dt_cal_2, N.dt_cal_3, N.dt_cal_4, N.dt_cal_5};
    PyObject* const tail[] = {N.num_interfaces, N.channel};
    // Every value is read and converted before any is formatted.
    py::object head[4];
    int nhead = 0;
    head[nhead++] = get(self, N.rlx_header_serial);
    head[nhead++] = get(self, N.type);
    if (line.source) head[nhead++] = get(self, N.source_serial_number);
    head[nhead++] = get(self, N.network_time);
    // Radians to degrees: (x * 180.0) / pi, as the host's numbers compute it.
    py::object pi = get(c.global(N.math).ptr(), N.pi);
    py::object degrees[6];
    double fast[6];
    for (int i = 0; i < line.paths; ++i) {
        py::object phase = get(self, phases[i]);
        if (PyFloat_CheckExact(phase.ptr()) && PyFloat_CheckExact(pi.ptr())) {
            fast[i] = (PyFloat_AS_DOUBLE(phase.ptr()) * 180.0) / PyFloat_AS_DOUBLE(pi.ptr());
            continue;
        }
        py::object half_turn = steal(PyFloat_FromDouble(180.0));
        py::object product = steal(PyNumber_Multiply(phase.ptr(), half_turn.ptr()));
        degrees[i] = steal(PyNumber_TrueDivide(product.ptr(), pi.ptr()));
    }
    py::object rest[8];
    for (int i = 0; i < line.paths; ++i) rest[i] = get(self, times[i]);
    for (int i = 0; i < line.tail; ++i) rest[line.paths + i] = get(self, tail[i]);

    Text t;
    t.plain(head[0].ptr()).ascii(", 0x").hex(head[1].ptr(), 4);
    for (int i = 2; i < nhead; ++i) t.ascii(", ").plain(head[i].ptr());
    for (int i = 0; i < line.paths; ++i) {
        t.ascii(", ");
        if (degrees[i]) {
            t.fixed0(degrees[i].ptr());
        } else {
            t.fixed0(fast[i]);
        }
    }
    for (int i = 0; i < line.paths + line.tail; ++i) t.ascii(", ").plain(rest[i].ptr());
    return t.finish();
}

py::object calibration_v1_str(Call& c) { return calibration_text(c, kCalibrationV1); }
py::object calibration_v2_str(Call& c) { return calibration_text(c, kCalibrationV2); }
py::object calibration_v3_str(Call& c) { return calibration_text(c, kCalibrationV3); }
py::object calibration_v4_str(Call& c) { return calibration_text(c, kCalibrationV4); }

// ---------------------------------------------------------------------------

constexpr ClassSpec kSpecs[] = {
    {139, "RadarInterfaceData", What::Record, 0, RECORD_DOC("Radar Interface Data"),
     {wrapped_serial("serial_number"), attr("interface_identifier", K::U8), attr("rx_dt", K::U64),
      attr("rx_phase", K::Double), attr("weight", K::Double), attr("status", K::U8)}},
    {140, "RadarDebugV1", What::Item, 0x808D, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("rho", K::U32), attr("theta", K::Double), attr("phi", K::Double), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceData")}},
    {141, "RadarInterfaceDataV2", What::Record, 0, RECORD_DOC("Radar Interface Data V2"),
     {wrapped_serial("serial_number"), attr("interface_identifier", K::U8), attr("uwb_packet_type", K::U8),
      attr("rx_dt", K::U64), attr("rx_phase", K::Double), attr("first_path", K::Double),
      attr("total_path", K::Double), attr("weight", K::Double), attr("status", K::U8)}},
    {142, "RadarDebugV2", What::Item, 0x808E, "RLX Data Item: Norvane Data Protocol Radar Debug Data V2 Item Definition",
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("rho", K::U32), attr("theta", K::Double), attr("phi", K::Double), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceDataV2")}},
    {143, "SelfCalibrationDebug", What::Item, 0x808F, ITEM_DOC("Self Calibration Debug"),
     {attr("network_time", K::U64), attr("phase_cal_0", K::Float), attr("phase_cal_1", K::Float),
      attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float), attr("phase_cal_4", K::Float),
      attr("dt_cal_0", K::I64), attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64), attr("dt_cal_3", K::I64),
      attr("dt_cal_4", K::I64)},
     {body("__str__", calibration_v1_str, "str")}},
    {155, "SingleAntennaSelfCalibration", What::Record, 0, RECORD_DOC("Single Antenna Self Calibration"),
     {attr("tx_dt", K::U8), attr("rx_phase_0", K::U16), attr("rx_dt_0", K::U16), attr("rx_phase_1", K::U16),
      attr("rx_dt_1", K::U16), attr("rx_phase_2", K::U16), attr("rx_dt_2", K::U16), attr("rx_phase_3", K::U16),
      attr("rx_dt_3", K::U16)}},
    {156, "SelfCalibrationInputData", What::Item, 0x80A8,
     PRIVATE_DOC("Self Calibration Input",
                 "Carries the raw per-antenna self-calibration measurements of one anchor, from which its "
                 "calibration is computed."),
     {attr("source_serial_number", K::Serial), list_of("antenna_data", "SingleAntennaSelfCalibration")}},
    {160, "SelfCalibrationDebugV2", What::Item, 0x80AF, ITEM_DOC("Self Calibration Debug"),
     {attr("network_time", K::U64), attr("phase_cal_0", K::Float), attr("phase_cal_1", K::Float),
      attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float), attr("phase_cal_4", K::Float),
      attr("phase_cal_5", K::Float), attr("dt_cal_0", K::I64), attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64),
      attr("dt_cal_3", K::I64), attr("dt_cal_4", K::I64), attr("dt_cal_5", K::I64), attr("num_interfaces", K::I8)},
     {body("__str__", calibration_v2_str, "str")}},
    {162, "SelfCalibrationDebugV3", What::Item, 0x80B4, ITEM_DOC("Self Calibration Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("phase_cal_0", K::Float),
      attr("phase_cal_1", K::Float), attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float),
      attr("phase_cal_4", K::Float), attr("phase_cal_5", K::Float), attr("dt_cal_0", K::I64),
      attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64), attr("dt_cal_3", K::I64), attr("dt_cal_4", K::I64),
      attr("dt_cal_5", K::I64), attr("num_interfaces", K::I8)},
     {body("__str__", calibration_v3_str, "str")}},
    {164, "SelfCalibrationDebugV4", What::Item, 0x80B6, ITEM_DOC("Self Calibration Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("phase_cal_0", K::Float),
      attr("phase_cal_1", K::Float), attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float),
      attr("phase_cal_4", K::Float), attr("phase_cal_5", K::Float), attr("dt_cal_0", K::I64),
      attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64), attr("dt_cal_3", K::I64), attr("dt_cal_4", K::I64),
      attr("dt_cal_5", K::I64), attr("num_interfaces", K::U8), attr("channel", K::U8)},
     {body("__str__", calibration_v4_str, "str")}},
    {165, "RadarInterfaceDataV3", What::Record, 0, RECORD_DOC("Radar Interface Data V3"),
     {attr("interface_identifier", K::U8), attr("uwb_packet_type", K::U8), attr("rx_dt", K::U64),
      attr("rx_phase", K::Double), attr("first_path", K::Double), attr("total_path", K::Double),
      attr("weight", K::Double), attr("status", K::U8)}},
    {166, "RadarDebugV3", What::Item, 0x80B7, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("distance", K::U32), attr("azimuth", K::Double), attr("elevation", K::Double),
      attr("pos_quality", K::U16), attr("dist_quality", K::U16), attr("dt_search_angle", K::U16),
      attr("start_phase_error", K::U32), attr("end_phase_error", K::U32), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceDataV3")}},
    {167, "RadarInterfaceDataV4", What::Record, 0, RECORD_DOC("Radar Interface Data V4"),
     {attr("rx_dt", K::U64), attr("rx_phase", K::Float), attr("first_path", K::Float), attr("total_path", K::Float),
      attr("weight", K::Float), attr("status", K::U8)}},
    {168, "RadarDebugV4", What::Item, 0x80B8, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("distance", K::U32), attr("azimuth", K::U16), attr("elevation", K::U16), attr("pos_quality", K::U16),
      attr("dist_quality", K::U16), attr("dt_search_angle", K::U16), attr("start_phase_error", K::U32),
      attr("end_phase_error", K::U32), attr("short_dt_angular_difference", K::U16),
      attr("long_dt_angular_difference", K::U16), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceDataV4")}},
    {172, "RadarPositionDebugData", What::Record, 0, RECORD_DOC("Radar Position Debug Data"),
     {attr("channel", K::U8), attr("azimuth", K::U16), attr("elevation", K::U16), attr("pos_quality", K::U16),
      attr("sum_of_phase_error", K::U32), attr("dt_search_angle", K::U16),
      attr("short_dt_angular_difference", K::U16), attr("long_dt_angular_difference", K::U16),
      attr("num_interfaces", K::U8), list_of("interface_data", "RadarInterfaceDataV4")},
     {constructor(kPositionParams),
      body("__str__", position_str, "str")},
     kNoRecordInit | kNoRecordStr},
    {173, "RadarDebugV5", What::Item, 0x80BB, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U8),
      attr("distance", K::U32), attr("dist_quality", K::U16), attr("num_channels", K::U8),
      list_of("position_data", "RadarPositionDebugData")},
     {body("_decode", position_item_decode)}},
};

}  // namespace

constexpr Table kTable = packed_table<kSpecs>();

}  // namespace pdi::radar
