// Time synchronization items: ticks, clock readings, network locks, clock
// domains and synchronization statistics.
#include "catalog.hpp"

namespace pdi {
namespace {

using K = Kind;


// ---------------------------------------------------------------------------
// Clock domains.
//
// A clock domain travels as one fixed 36-byte field: network time, the
// domain's own time, quality, slope (a single on the wire) and intercept.
// DomainInformation holds the five values in memory; DIDomainInfoAttr packs
// and unpacks them.

constexpr const char* kDomainFormat = "QQqfq";
constexpr const char* kDomainPacking = "<QQqfq";
constexpr Py_ssize_t kDomainSize = 36;
constexpr const char* kDomainFields[] = {"nt64", "domaint", "quality", "slope", "intercept"};
constexpr Py_ssize_t kDomainFieldCount = 5;
constexpr Py_ssize_t kDomainSlope = 3;  // the one float among the five

// The single argument `param` of a method taking one, given by position or by keyword.
PyObject* single_arg(const char* fn, const char* param, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* value = nullptr;
    bind_args(fn, args, nargs, kwnames, {param}, &value, 1);
    return value;
}

// DomainInformation(): every value zero, the slope as a float.
py::object domain_info_init(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__init__", nargs, kwnames, 0);
    PyObject* self = args[0];
    py::object zero = steal(PyLong_FromLong(0));
    py::object zero_float = steal(PyFloat_FromDouble(0.0));
    for (Py_ssize_t i = 0; i < kDomainFieldCount; ++i) {
        PyObject* value = i == kDomainSlope ? zero_float.ptr() : zero.ptr();
        check_status(PyObject_SetAttrString(self, kDomainFields[i], value));
    }
    return py::none();
}

// "nt64, domaint, quality, slope, intercept", each value in its default text form.
py::object domain_info_str(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    py::object parts = steal(PyList_New(kDomainFieldCount));
    py::object plain = steal(PyUnicode_FromStringAndSize("", 0));
    Py_ssize_t i = 0;
    for (const char* field : kDomainFields) {
        py::object value = steal(PyObject_GetAttrString(args[0], field));
        PyList_SET_ITEM(parts.ptr(), i++, check(PyObject_Format(value.ptr(), plain.ptr())));
    }
    py::object sep = steal(PyUnicode_FromString(", "));
    return steal(PyUnicode_Join(sep.ptr(), parts.ptr()));
}

// DIDomainInfoAttr(name): a 36-byte field whose default is a new DomainInformation.
py::object domain_attr_init(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* name = single_arg("__init__", "name", args, nargs, kwnames);
    py::object base_init = steal(PyObject_GetAttrString(global(ctx, "DataItemAttribute").ptr(), "__init__"));
    py::object format = steal(PyUnicode_FromString(kDomainFormat));
    py::object size = steal(PyLong_FromSsize_t(kDomainSize));
    py::object fresh = steal(PyObject_CallNoArgs(global(ctx, "DomainInformation").ptr()));
    PyObject* call[] = {args[0], name, format.ptr(), size.ptr(), fresh.ptr()};
    steal(PyObject_Vectorcall(base_init.ptr(), call, 5, nullptr));
    return py::none();
}

// The five values of a DomainInformation packed little-endian, 36 bytes.
py::object domain_attr_encode(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* info = single_arg("_encode", "domain_info", args, nargs, kwnames);
    py::object pack = steal(PyObject_GetAttrString(global(ctx, "struct").ptr(), "pack"));
    py::object packing = steal(PyUnicode_FromString(kDomainPacking));
    py::object values[kDomainFieldCount];
    PyObject* call[1 + kDomainFieldCount] = {packing.ptr()};
    for (Py_ssize_t i = 0; i < kDomainFieldCount; ++i) {
        values[i] = steal(PyObject_GetAttrString(info, kDomainFields[i]));
        call[1 + i] = values[i].ptr();
    }
    return steal(PyObject_Vectorcall(pack.ptr(), call, 1 + kDomainFieldCount, nullptr));
}

// A new DomainInformation from the first 36 bytes of `data`; the rest is left alone.
py::object domain_attr_decode(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* data = single_arg("_decode", "data", args, nargs, kwnames);
    py::object info = steal(PyObject_CallNoArgs(global(ctx, "DomainInformation").ptr()));
    py::object unpack_from = steal(PyObject_GetAttrString(global(ctx, "struct").ptr(), "unpack_from"));
    py::object packing = steal(PyUnicode_FromString(kDomainPacking));
    PyObject* call[] = {packing.ptr(), data};
    py::object values = steal(PyObject_Vectorcall(unpack_from.ptr(), call, 2, nullptr));
    if (!PyTuple_Check(values.ptr()) || PyTuple_GET_SIZE(values.ptr()) != kDomainFieldCount) {
        PyErr_SetString(PyExc_TypeError, "domain information must unpack to five values");
        throw PyErr{};
    }
    for (Py_ssize_t i = 0; i < kDomainFieldCount; ++i) {
        check_status(PyObject_SetAttrString(info.ptr(), kDomainFields[i], PyTuple_GET_ITEM(values.ptr(), i)));
    }
    return steal(Py_BuildValue("(On)", info.ptr(), kDomainSize));
}

// The first 104 bytes shared by every synchronization statistics layout from the second on.
#define SYNC_STATS_COMMON                                                                                             \
    attr("tx_dt64", K::U64), attr("tx_avg_error", K::Double), attr("tx_std_dev_error", K::Double),                    \
        attr("tx_error_count", K::Double), attr("rx_avg_error", K::Double), attr("rx_std_dev_error", K::Double),      \
        attr("rx_error_count", K::Double), attr("tx_intercept_nt", K::U64), attr("tx_intercept_dt", K::U64),          \
        attr("rx_intercept_nt", K::U64), attr("rx_intercept_dt", K::U64), attr("clock_adjustment", K::Double),        \
        attr("tx_locked_count", K::U16), attr("tx_locking_count", K::U16), attr("rx_locked_count", K::U16),           \
        attr("rx_locking_count", K::U16)

// The six failure counters, transmit side then receive side.
#define SYNC_STATS_FAILURES                                                                                           \
    attr("tx_rogue_node_fail_count", K::U64), attr("tx_twr_threshold_fail_count", K::U64),                            \
        attr("tx_invalid_range_count", K::U64), attr("rx_rogue_node_fail_count", K::U64),                             \
        attr("rx_twr_threshold_fail_count", K::U64), attr("rx_invalid_range_count", K::U64)

#define SYNC_STATS_ANCHORS_USE "Synchronization statistics of the network application and of individual anchors."

const ClassSpec kSpecs[] = {
    {"TickV1", What::Item, 0x8000, ITEM_DOC("Tick"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("source_id", K::U16),
      attr("gnt", K::U32), attr("gnt_quality", K::U8), attr("announce_offset", K::U32),
      attr("announce_prob", K::U8), attr("cmd_countdown", K::U8), attr("cmd_count", K::U8),
      attr("sync_period", K::U32), attr("tx_timestamp", K::U64)}},
    {"SmoothingFactorV1", What::Item, 0x8005, ITEM_DOC("Smoothing Factor"),
     {attr("src_address", K::U16), attr("dest_address", K::U16), attr("smoothing_factor", K::U32)}},
    {"TickV2", What::Item, 0x8015, ITEM_DOC("Tick"),
     {attr("nt64", K::U64), attr("dt40", K::U64), attr("nt_quality", K::U8)}},
    {"SyncStatsV1", What::Item, 0x8017, ITEM_DOC("Sync Stats"),
     {attr("tx_dt64", K::U64), attr("error", K::Double), attr("clock_adjustment", K::Double)}},
    {"DomainInformation", What::Record, 0, "Domain Information: Domain Information Class Definition ", {},
     {instance_method("__init__", method<domain_info_init>), instance_method("__str__", method<domain_info_str>)},
     kNoDefinition | kNoRecordInit | kNoRecordStr},
    {"DIDomainInfoAttr", What::AttrKind, 0,
     "Data Item Attribute: RLX Data Item Domain Information Attribute Class Definition", {},
     {instance_method("__init__", method<domain_attr_init>), instance_method("_encode", method<domain_attr_encode>),
      instance_method("_decode", method<domain_attr_decode>)},
     kNoDefinition},
    {"ClockDomain", What::Item, 0x8018, ITEM_DOC("Clock Domain"),
     {attr("proc_domain", K::DomainInfo), attr("deca_domain", K::DomainInfo)}},
    {"NetworkLockV1", What::Item, 0x801C, ITEM_DOC("Network Lock"),
     {attr("dt40", K::U64), attr("nt64", K::U64), attr("adjustment", K::Float)}},
    {"ClockNTDTV1", What::Item, 0x801D, ITEM_DOC("Clock NT and DT"),
     {attr("nt64", K::U64), attr("dt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("ntdt_slope", K::Double), attr("dtnt_slope", K::Double), attr("ntdt_error", K::I64),
      attr("dtnt_error", K::I64)}},
    {"ClockPTDT", What::Item, 0x801E, ITEM_DOC("Clock PT and DT"),
     {attr("pt64", K::U64), attr("dt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("ptdt_slope", K::Double), attr("dtpt_slope", K::Double), attr("ptdt_error", K::I64),
      attr("dtpt_error", K::I64)}},
    {"ClockNTPTV1", What::Item, 0x801F, ITEM_DOC("Clock NT and PT"),
     {attr("nt64", K::U64), attr("pt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("ntpt_slope", K::Double), attr("ptnt_slope", K::Double), attr("ntpt_error", K::I64),
      attr("ptnt_error", K::I64)}},
    {"TickV3", What::Item, 0x802A, ITEM_DOC("Tick"),
     {attr("nt64", K::U64), attr("dt40", K::U64), attr("nt_quality", K::U8), attr("interface_id", K::U8)}},
    {"NetworkLockV2", What::Item, 0x802E, ITEM_DOC("Network Lock"),
     {attr("dt64", K::U64), attr("nt64", K::U64), attr("adjustment", K::Float), attr("interface_id", K::U8),
      attr("nt_quality", K::U8)}},
    {"ClockNTDTV2", What::Item, 0x8032, ITEM_DOC("Clock NT and DT"),
     {attr("interface_id", K::U8), attr("nt64", K::U64), attr("dt64", K::U64), attr("ntdt_slope", K::Double),
      attr("dtnt_slope", K::Double), attr("ntdt_error", K::I64), attr("dtnt_error", K::I64)}},
    {"ClockNTPTV2", What::Item, 0x8033, ITEM_DOC("Clock NT and PT"),
     {attr("nt64", K::U64), attr("pt64", K::U64), attr("ntpt_slope", K::Double), attr("ptnt_slope", K::Double),
      attr("ntpt_error", K::I64), attr("ptnt_error", K::I64)}},
    {"ClockSeeder", What::Item, 0x8034, ITEM_DOC("Clock Seeder"),
     {attr("nt64", K::U64), attr("interface_id", K::U8), attr("serial_number", K::Serial)}},
    {"ClockDT", What::Item, 0x8035, ITEM_DOC("Clock DT"),
     {attr("interface_id", K::U8), attr("dt64_adjusted", K::U64), attr("dt64_raw", K::U64),
      attr("signal_strength", K::SignalStrength)}},
    {"NetworkLockV3", What::Item, 0x803B, ITEM_DOC("Network Lock"),
     {attr("intercept", K::U64), attr("adjustment", K::Float), attr("interface_id", K::U8),
      attr("nt_quality", K::U8)}},
    {"EthernetTick", What::Item, 0x8044, ITEM_DOC("Ethernet Tick"),
     {attr("tx_nt64", K::U64), attr("tx_pt64", K::U64), attr("nt_quality", K::U8)}},
    {"SyncStatsV2", What::Item, 0x8046, ITEM_DOC("Sync Stats"), {SYNC_STATS_COMMON}},
    {"SyncStatsV3", What::Item, 0x8053, ITEM_DOC("Sync Stats"), {SYNC_STATS_COMMON, SYNC_STATS_FAILURES}},
    {"NetAppTimeModelStats", What::Item, 0x805F, ITEM_DOC("Net App Time Model"),
     {attr("calculated_nt", K::I64), attr("reported_nt", K::I64), attr("slope", K::Double),
      attr("nt_was_used", K::U8)}},
    {"WiredNtLockAnnounceV1", What::Item, 0x806A, ITEM_DOC("Wired NT Lock Announce"),
     {attr("network_time", K::U64), attr("announce_packet", K::VarBytes)}},
    {"RepeatedSyncRx", What::Item, 0x8090, ITEM_DOC("Repeated Sync Rx"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("tx_timestamp", K::U64),
      attr("sync_offset", K::U32), attr("rx_timestamp", K::U64), attr("num_commands", K::U8),
      attr("signal_strength", K::SignalStrength)}},
    {"ClockPacket", What::Item, 0x80AD,
     PRIVATE_DOC("Clock Packet",
                 "Updates network time and tells the network application when to send commands in NTC mode."),
     {attr("network_time", K::U64), attr("nt_quality", K::U8)}},
    {"NTCCommandAcknowledge", What::Item, 0x80B0,
     PRIVATE_DOC("NTC Command Acknowledge", "Acknowledges reception of NTC commands."),
     {attr("command_tx_nt", K::U64), attr("network_time_received", K::U64), attr("transmit_success", K::U8)}},
    {"SeederIndexSerialNumberMapEntry", What::Record, 0, "Seeder Index Serial Number Map Entry Class Definition",
     {attr("seeder_index", K::U16), attr("serial_number", K::Serial)}},
    {"SeederIndexSerialNumberMap", What::Item, 0x80BA,
     PRIVATE_DOC("Seeder Index Serial Number Map", "Sends the mapping of seeder indexes to serial numbers."),
     {attr("map_length", K::U16), list_of("map_entries", "SeederIndexSerialNumberMapEntry")}},
    {"SyncStatsPair", What::Item, 0x80CB,
     PRIVATE_DOC("Sync Stats Pair", "Synchronization statistics of an anchor pair."),
     {attr("tx_serial_number", K::Serial), attr("tx_interface_id", K::U8), attr("rx_serial_number", K::Serial),
      attr("rx_interface_id", K::U8), attr("link_good_count", K::U16), attr("link_invalid_range_count", K::U16),
      attr("link_twr_failure_count", K::U16), attr("link_rogue_node_count", K::U16),
      attr("link_not_los_db_count", K::U16), attr("surveyed_uwb_air_time", K::Double),
      attr("error_average", K::Double), attr("error_std_dev", K::Double), attr("data_count", K::U16),
      attr("line_of_sight_first_path", K::Float), attr("line_of_sight_total_path", K::Float)}},
    {"SyncStatsV4", What::Item, 0x80CC, PRIVATE_DOC("Sync Stats V4", SYNC_STATS_ANCHORS_USE),
     {SYNC_STATS_COMMON, attr("tx_weight_ramp", K::Double), attr("rx_weight_ramp", K::Double), SYNC_STATS_FAILURES}},
    {"SyncStatsV5", What::Item, 0x80D2, PRIVATE_DOC("Sync Stats V5", SYNC_STATS_ANCHORS_USE),
     {SYNC_STATS_COMMON, attr("tx_weight_ramp", K::Double), attr("rx_weight_ramp", K::Double), SYNC_STATS_FAILURES,
      attr("tx_positive_drift_failure_count", K::U64), attr("tx_negative_drift_failure_count", K::U64),
      attr("rx_positive_drift_failure_count", K::U64), attr("rx_negative_drift_failure_count", K::U64)}},
};

#undef SYNC_STATS_ANCHORS_USE
#undef SYNC_STATS_FAILURES
#undef SYNC_STATS_COMMON

}  // namespace

const Table kTimeSyncTable = table(kSpecs);

}  // namespace pdi
