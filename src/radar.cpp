// Radar debug items, radar interface records and self-calibration items.
//
// The radar debug items carry one measurement (distance and two angles) with
// the reception details of every interface that took part; the position
// debug item nests a list of interface records inside each channel's
// position record and so cuts every position record to its exact length
// before decoding it. The self-calibration debug items render one line for
// consoles, with their phase corrections shown in whole degrees.
#include "catalog.hpp"

#include <cstdio>

namespace pdi {
namespace {

using K = Kind;


py::object text(const char* s) { return steal(PyUnicode_FromString(s)); }

bool is_name(PyObject* name, const char* wanted) {
    return PyUnicode_Check(name) && PyUnicode_CompareWithASCIIString(name, wanted) == 0;
}

// ---------------------------------------------------------------------------
// Position record of one channel.

// Constructor parameters, in order; all but the last default to 0, the last
// (the interface records) to a new empty list.
constexpr const char* kPositionParams[] = {
    "channel",         "distance",           "azimuth",         "elevation",
    "pos_quality",     "dist_quality",       "sum_of_phase_error", "dt_search_angle",
    "short_dt_angular_difference", "long_dt_angular_difference", "num_interfaces", "interface_data",
};
constexpr Py_ssize_t kPositionParamCount = sizeof(kPositionParams) / sizeof(kPositionParams[0]);

py::object position_init(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (nargs < 1) {
        PyErr_SetString(PyExc_TypeError, "__init__() needs an instance");
        throw PyErr{};
    }
    PyObject* self = args[0];
    const Py_ssize_t npos = nargs - 1;
    if (npos > kPositionParamCount) {
        PyErr_Format(PyExc_TypeError,
                     "RadarPositionDebugData.__init__() takes from 1 to %zd positional arguments but %zd were given",
                     kPositionParamCount + 1, nargs);
        throw PyErr{};
    }
    PyObject* values[kPositionParamCount] = {};
    for (Py_ssize_t i = 0; i < npos; ++i) values[i] = args[i + 1];
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        Py_ssize_t i = 0;
        while (i < kPositionParamCount && !is_name(key, kPositionParams[i])) ++i;
        if (i == kPositionParamCount) {
            PyErr_Format(PyExc_TypeError,
                         "RadarPositionDebugData.__init__() got an unexpected keyword argument '%U'", key);
            throw PyErr{};
        }
        if (values[i]) {
            PyErr_Format(PyExc_TypeError, "RadarPositionDebugData.__init__() got multiple values for argument '%U'",
                         key);
            throw PyErr{};
        }
        values[i] = args[nargs + k];
    }
    py::object zero = steal(PyLong_FromLong(0));
    for (Py_ssize_t i = 0; i < kPositionParamCount; ++i) {
        py::object value;
        if (values[i]) {
            value = borrow(values[i]);
        } else if (i == kPositionParamCount - 1) {
            value = steal(PyList_New(0));  // never shared between records
        } else {
            value = zero;
        }
        check_status(PyObject_SetAttrString(self, kPositionParams[i], value.ptr()));
    }
    return py::none();
}

// The fixed values, each followed by ", ", then the first `num_interfaces`
// interface records' texts run together.
py::object position_str(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    PyObject* self = args[0];
    py::object parts = steal(PyList_New(0));
    py::object sep = text(", ");
    py::object definition = steal(PyObject_GetAttrString(self, "definition"));
    py::object entries = steal(PySequence_Fast(definition.ptr(), "definition must be a sequence"));
    for (Py_ssize_t e = 0; e < PySequence_Fast_GET_SIZE(entries.ptr()); ++e) {
        py::object name = steal(PyObject_GetAttrString(PySequence_Fast_GET_ITEM(entries.ptr(), e), "name"));
        if (!is_name(name.ptr(), "interface_data")) {
            py::object value = steal(PyObject_GetAttr(self, name.ptr()));
            py::object s = steal(PyObject_Str(value.ptr()));
            check_status(PyList_Append(parts.ptr(), s.ptr()));
            check_status(PyList_Append(parts.ptr(), sep.ptr()));
            continue;
        }
        py::object count_obj = steal(PyObject_GetAttrString(self, "num_interfaces"));
        // A count beyond the list ends in the list's index error at its end.
        const Py_ssize_t count = PyNumber_AsSsize_t(count_obj.ptr(), nullptr);
        if (count == -1 && PyErr_Occurred()) throw PyErr{};
        py::object records = steal(PyObject_GetAttr(self, name.ptr()));
        for (Py_ssize_t i = 0; i < count; ++i) {
            py::object index = steal(PyLong_FromSsize_t(i));
            py::object record = steal(PyObject_GetItem(records.ptr(), index.ptr()));
            py::object s = steal(PyObject_Str(record.ptr()));
            check_status(PyList_Append(parts.ptr(), s.ptr()));
        }
    }
    py::object empty = text("");
    return steal(PyUnicode_Join(empty.ptr(), parts.ptr()));
}

// ---------------------------------------------------------------------------
// Radar debug item with one position record per channel.

constexpr Py_ssize_t kPositionFixedSize = 18;    // channel .. num_interfaces
constexpr Py_ssize_t kInterfaceRecordSize = 25;  // one fourth-layout interface record

// Decodes `chunk` with `entry`; returns the value and the bytes consumed,
// which must lie within the chunk.
py::object decode_entry(PyObject* entry, PyObject* name, PyObject* chunk, Py_ssize_t& used) {
    py::object result = steal(PyObject_CallMethod(entry, "_decode", "O", chunk));
    if (!PyTuple_Check(result.ptr()) || PyTuple_GET_SIZE(result.ptr()) != 2) {
        PyErr_SetString(PyExc_TypeError, "attribute _decode must return a (value, consumed) pair");
        throw PyErr{};
    }
    used = PyLong_AsSsize_t(PyTuple_GET_ITEM(result.ptr(), 1));
    if (used == -1 && PyErr_Occurred()) throw PyErr{};
    const Py_ssize_t have = PyObject_Length(chunk);
    if (have < 0) throw PyErr{};
    if (used < 0 || used > have) {
        PyErr_Format(PyExc_ValueError, "attribute %R consumed %zd of %zd bytes", name, used, have);
        throw PyErr{};
    }
    return borrow(PyTuple_GET_ITEM(result.ptr(), 0));
}

// Cuts the first `n` bytes off `di_data`.
void consume(PyObject* self, PyObject* data, Py_ssize_t n) {
    py::object rest = steal(PySequence_GetSlice(data, n, PY_SSIZE_T_MAX));
    check_status(PyObject_SetAttrString(self, "di_data", rest.ptr()));
}

py::object first_record(PyObject* list) {
    py::object zero = steal(PyLong_FromLong(0));
    return steal(PyObject_GetItem(list, zero.ptr()));
}

// Position records one after another: the fixed part of each tells how many
// interface records follow, so each record is decoded from exactly its bytes.
py::object decode_positions(PyObject* self, PyObject* entry, PyObject* name) {
    py::object records = steal(PyList_New(0));
    for (;;) {
        py::object data = steal(PyObject_GetAttrString(self, "di_data"));
        const Py_ssize_t have = PyObject_Length(data.ptr());
        if (have < 0) throw PyErr{};
        if (have == 0) break;

        Py_ssize_t used = 0;
        py::object head = steal(PySequence_GetSlice(data.ptr(), 0, kPositionFixedSize));
        py::object fixed = decode_entry(entry, name, head.ptr(), used);
        py::object count_obj = steal(PyObject_GetAttrString(first_record(fixed.ptr()).ptr(), "num_interfaces"));
        const Py_ssize_t count = PyNumber_AsSsize_t(count_obj.ptr(), nullptr);
        if (count == -1 && PyErr_Occurred()) throw PyErr{};

        Py_ssize_t length = have;
        if (count <= 0) {
            length = kPositionFixedSize;
        } else if (count <= (have - kPositionFixedSize) / kInterfaceRecordSize) {
            length = kPositionFixedSize + count * kInterfaceRecordSize;
        }
        py::object chunk = steal(PySequence_GetSlice(data.ptr(), 0, length));
        py::object value = decode_entry(entry, name, chunk.ptr(), used);
        if (used == 0) {
            PyErr_Format(PyExc_ValueError, "attribute %R consumed no bytes of a %zd-byte position record", name,
                         PyObject_Length(chunk.ptr()));
            throw PyErr{};
        }
        consume(self, data.ptr(), used);
        check_status(PyList_Append(records.ptr(), first_record(value.ptr()).ptr()));
    }
    return records;
}

py::object position_item_decode(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("_decode", nargs, kwnames, 0);
    PyObject* self = args[0];
    py::object definition = steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(self)), "definition"));
    py::object entries = steal(PySequence_Fast(definition.ptr(), "definition must be a sequence"));
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(entries.ptr()); ++i) {
        PyObject* entry = PySequence_Fast_GET_ITEM(entries.ptr(), i);
        py::object name = steal(PyObject_GetAttrString(entry, "name"));
        py::object value;
        if (is_name(name.ptr(), "position_data")) {
            value = decode_positions(self, entry, name.ptr());
        } else {
            py::object data = steal(PyObject_GetAttrString(self, "di_data"));
            Py_ssize_t used = 0;
            value = decode_entry(entry, name.ptr(), data.ptr(), used);
            consume(self, data.ptr(), used);
        }
        check_status(PyObject_SetAttr(self, name.ptr(), value.ptr()));
    }
    check_status(PyObject_SetAttrString(self, "di_data", Py_None));
    return py::none();
}

// ---------------------------------------------------------------------------
// Self-calibration debug lines.

struct CalibrationLine {
    const char* format;
    int paths;               // phase and time corrections
    bool source;             // led by the anchor's serial number
    const char* tail[2];     // values after the time corrections
};

constexpr CalibrationLine kCalibrationV1{
    "{}, 0x{:04X}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}", 5, false, {nullptr, nullptr}};
constexpr CalibrationLine kCalibrationV2{
    "{}, 0x{:04X}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}, {}, {}", 6, false,
    {"num_interfaces", nullptr}};
constexpr CalibrationLine kCalibrationV3{
    "{}, 0x{:04X}, {}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}, {}, {}", 6, true,
    {"num_interfaces", nullptr}};
constexpr CalibrationLine kCalibrationV4{
    "{}, 0x{:04X}, {}, {}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {:.0f}, {}, {}, {}, {}, {}, {}, {}, {}", 6, true,
    {"num_interfaces", "channel"}};

template <const CalibrationLine& Line>
py::object calibration_str(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    PyObject* self = args[0];
    py::object values = steal(PyList_New(0));
    auto add = [&](const char* name) {
        py::object v = steal(PyObject_GetAttrString(self, name));
        check_status(PyList_Append(values.ptr(), v.ptr()));
    };
    add("rlx_header_serial");
    add("type");
    if (Line.source) add("source_serial_number");
    add("network_time");
    // Radians to degrees: (x * 180.0) / pi, as the host's numbers compute it.
    py::object pi = steal(PyObject_GetAttrString(global(ctx, "math").ptr(), "pi"));
    py::object half_turn = steal(PyFloat_FromDouble(180.0));
    // "phase_cal_<i>" with a one-digit path number always fits: the length is not needed.
    char name[16];
    for (int i = 0; i < Line.paths; ++i) {
        (void)std::snprintf(name, sizeof name, "phase_cal_%d", i);
        py::object phase = steal(PyObject_GetAttrString(self, name));
        py::object product = steal(PyNumber_Multiply(phase.ptr(), half_turn.ptr()));
        py::object degrees = steal(PyNumber_TrueDivide(product.ptr(), pi.ptr()));
        check_status(PyList_Append(values.ptr(), degrees.ptr()));
    }
    for (int i = 0; i < Line.paths; ++i) {
        (void)std::snprintf(name, sizeof name, "dt_cal_%d", i);
        add(name);
    }
    for (const char* t : Line.tail) {
        if (t) add(t);
    }
    py::object format = steal(PyObject_GetAttrString(text(Line.format).ptr(), "format"));
    py::object positional = steal(PyList_AsTuple(values.ptr()));
    return steal(PyObject_Call(format.ptr(), positional.ptr(), nullptr));
}

// ---------------------------------------------------------------------------

const ClassSpec kSpecs[] = {
    {"RadarInterfaceData", What::Record, 0, RECORD_DOC("Radar Interface Data"),
     {wrapped_serial("serial_number"), attr("interface_identifier", K::U8), attr("rx_dt", K::U64),
      attr("rx_phase", K::Double), attr("weight", K::Double), attr("status", K::U8)}},
    {"RadarDebugV1", What::Item, 0x808D, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("rho", K::U32), attr("theta", K::Double), attr("phi", K::Double), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceData")}},
    {"RadarInterfaceDataV2", What::Record, 0, RECORD_DOC("Radar Interface Data V2"),
     {wrapped_serial("serial_number"), attr("interface_identifier", K::U8), attr("uwb_packet_type", K::U8),
      attr("rx_dt", K::U64), attr("rx_phase", K::Double), attr("first_path", K::Double),
      attr("total_path", K::Double), attr("weight", K::Double), attr("status", K::U8)}},
    {"RadarDebugV2", What::Item, 0x808E, "RLX Data Item: Norvane Data Protocol Radar Debug Data V2 Item Definition",
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("rho", K::U32), attr("theta", K::Double), attr("phi", K::Double), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceDataV2")}},
    {"SelfCalibrationDebug", What::Item, 0x808F, ITEM_DOC("Self Calibration Debug"),
     {attr("network_time", K::U64), attr("phase_cal_0", K::Float), attr("phase_cal_1", K::Float),
      attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float), attr("phase_cal_4", K::Float),
      attr("dt_cal_0", K::I64), attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64), attr("dt_cal_3", K::I64),
      attr("dt_cal_4", K::I64)},
     {instance_method("__str__", method<calibration_str<kCalibrationV1>>)}},
    {"SingleAntennaSelfCalibration", What::Record, 0, RECORD_DOC("Single Antenna Self Calibration"),
     {attr("tx_dt", K::U8), attr("rx_phase_0", K::U16), attr("rx_dt_0", K::U16), attr("rx_phase_1", K::U16),
      attr("rx_dt_1", K::U16), attr("rx_phase_2", K::U16), attr("rx_dt_2", K::U16), attr("rx_phase_3", K::U16),
      attr("rx_dt_3", K::U16)}},
    {"SelfCalibrationInputData", What::Item, 0x80A8,
     PRIVATE_DOC("Self Calibration Input",
                 "Carries the raw per-antenna self-calibration measurements of one anchor, from which its "
                 "calibration is computed."),
     {attr("source_serial_number", K::Serial), list_of("antenna_data", "SingleAntennaSelfCalibration")}},
    {"SelfCalibrationDebugV2", What::Item, 0x80AF, ITEM_DOC("Self Calibration Debug"),
     {attr("network_time", K::U64), attr("phase_cal_0", K::Float), attr("phase_cal_1", K::Float),
      attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float), attr("phase_cal_4", K::Float),
      attr("phase_cal_5", K::Float), attr("dt_cal_0", K::I64), attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64),
      attr("dt_cal_3", K::I64), attr("dt_cal_4", K::I64), attr("dt_cal_5", K::I64), attr("num_interfaces", K::I8)},
     {instance_method("__str__", method<calibration_str<kCalibrationV2>>)}},
    {"SelfCalibrationDebugV3", What::Item, 0x80B4, ITEM_DOC("Self Calibration Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("phase_cal_0", K::Float),
      attr("phase_cal_1", K::Float), attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float),
      attr("phase_cal_4", K::Float), attr("phase_cal_5", K::Float), attr("dt_cal_0", K::I64),
      attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64), attr("dt_cal_3", K::I64), attr("dt_cal_4", K::I64),
      attr("dt_cal_5", K::I64), attr("num_interfaces", K::I8)},
     {instance_method("__str__", method<calibration_str<kCalibrationV3>>)}},
    {"SelfCalibrationDebugV4", What::Item, 0x80B6, ITEM_DOC("Self Calibration Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("phase_cal_0", K::Float),
      attr("phase_cal_1", K::Float), attr("phase_cal_2", K::Float), attr("phase_cal_3", K::Float),
      attr("phase_cal_4", K::Float), attr("phase_cal_5", K::Float), attr("dt_cal_0", K::I64),
      attr("dt_cal_1", K::I64), attr("dt_cal_2", K::I64), attr("dt_cal_3", K::I64), attr("dt_cal_4", K::I64),
      attr("dt_cal_5", K::I64), attr("num_interfaces", K::U8), attr("channel", K::U8)},
     {instance_method("__str__", method<calibration_str<kCalibrationV4>>)}},
    {"RadarInterfaceDataV3", What::Record, 0, RECORD_DOC("Radar Interface Data V3"),
     {attr("interface_identifier", K::U8), attr("uwb_packet_type", K::U8), attr("rx_dt", K::U64),
      attr("rx_phase", K::Double), attr("first_path", K::Double), attr("total_path", K::Double),
      attr("weight", K::Double), attr("status", K::U8)}},
    {"RadarDebugV3", What::Item, 0x80B7, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("distance", K::U32), attr("azimuth", K::Double), attr("elevation", K::Double),
      attr("pos_quality", K::U16), attr("dist_quality", K::U16), attr("dt_search_angle", K::U16),
      attr("start_phase_error", K::U32), attr("end_phase_error", K::U32), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceDataV3")}},
    {"RadarInterfaceDataV4", What::Record, 0, RECORD_DOC("Radar Interface Data V4"),
     {attr("rx_dt", K::U64), attr("rx_phase", K::Float), attr("first_path", K::Float), attr("total_path", K::Float),
      attr("weight", K::Float), attr("status", K::U8)}},
    {"RadarDebugV4", What::Item, 0x80B8, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U64),
      attr("distance", K::U32), attr("azimuth", K::U16), attr("elevation", K::U16), attr("pos_quality", K::U16),
      attr("dist_quality", K::U16), attr("dt_search_angle", K::U16), attr("start_phase_error", K::U32),
      attr("end_phase_error", K::U32), attr("short_dt_angular_difference", K::U16),
      attr("long_dt_angular_difference", K::U16), attr("num_interfaces", K::U8),
      list_of("interface_data", "RadarInterfaceDataV4")}},
    {"RadarPositionDebugData", What::Record, 0, RECORD_DOC("Radar Position Debug Data"),
     {attr("channel", K::U8), attr("azimuth", K::U16), attr("elevation", K::U16), attr("pos_quality", K::U16),
      attr("sum_of_phase_error", K::U32), attr("dt_search_angle", K::U16),
      attr("short_dt_angular_difference", K::U16), attr("long_dt_angular_difference", K::U16),
      attr("num_interfaces", K::U8), list_of("interface_data", "RadarInterfaceDataV4")},
     {instance_method("__init__", method<position_init>), instance_method("__str__", method<position_str>)},
     kNoRecordInit | kNoRecordStr},
    {"RadarDebugV5", What::Item, 0x80BB, ITEM_DOC("Radar Debug"),
     {attr("source_serial_number", K::Serial), attr("network_time", K::U64), attr("tx_sequence", K::U8),
      attr("distance", K::U32), attr("dist_quality", K::U16), attr("num_channels", K::U8),
      list_of("position_data", "RadarPositionDebugData")},
     {instance_method("_decode", method<position_item_decode>)}},
};

}  // namespace

const Table kRadarTable = table(kSpecs);

}  // namespace pdi
