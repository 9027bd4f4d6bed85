// Time synchronization items: ticks, clock readings, network locks, clock
// domains and synchronization statistics.
#pragma once

#include "../catalog.hpp"
#include "../text.hpp"

#include <cstring>

namespace pdi::time_sync {
namespace {

using K = Kind;

// The names the bodies below use besides the shared ones.
#define BODY_NAMES(X) \
    X(DomainInformation) X(domaint) X(intercept) X(nt64) X(pack) X(quality) X(slope) X(struct_) \
    X(unpack_from)
PDI_BODY_NAMES(BODY_NAMES)
#undef BODY_NAMES

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
constexpr int kDomainFieldCount = 5;
constexpr int kDomainSlope = 3;  // the one float among the five

// The five names, in wire order.
struct DomainFields {
    PyObject* names[kDomainFieldCount];
    DomainFields() : names{N.nt64, N.domaint, N.quality, N.slope, N.intercept} {}
};

// DomainInformation(): every value zero, the slope as a float.
py::object domain_info_init(Call& c) {
    const DomainFields f;
    for (int i = 0; i < kDomainFieldCount; ++i) {
        set(c.self, f.names[i], i == kDomainSlope ? N.zero_float : N.zero);
    }
    return py::none();
}

// "nt64, domaint, quality, slope, intercept", each value in its default text form.
py::object domain_info_str(Call& c) {
    Text text;
    const DomainFields f;
    for (int i = 0; i < kDomainFieldCount; ++i) {
        if (i) text.ascii(", ", 2);
        text.plain(get(c.self, f.names[i]).ptr());
    }
    return text.finish();
}

// DIDomainInfoAttr(name): a 36-byte field whose default is a new DomainInformation.
py::object domain_attr_init(Call& c) {
    py::object base_init = get(c.global(N.DataItemAttribute).ptr(), N.__init__);
    py::object format = steal(PyUnicode_FromString(kDomainFormat));
    py::object size = steal(PyLong_FromSsize_t(kDomainSize));
    py::object fresh = steal(PyObject_CallNoArgs(c.global(N.DomainInformation).ptr()));
    PyObject* call[] = {c.self, c.args[0], format.ptr(), size.ptr(), fresh.ptr()};
    steal(PyObject_Vectorcall(base_init.ptr(), call, 5, nullptr));
    return py::none();
}

// Little-endian bytes of a 64-bit integer, whatever the host's byte order.
void put_le(unsigned char* p, std::uint64_t v) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    std::memcpy(p, &v, sizeof v);
}
std::uint64_t get_le(const unsigned char* p) {
    std::uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Packs the five values into `out` when each is an ordinary value in its
// field's range; false leaves anything else to the host's packing.
bool pack_domain(PyObject* const* v, unsigned char* out) {
    static const int offsets[] = {0, 8, 16, 24, 28};
    for (int i = 0; i < kDomainFieldCount; ++i) {
        unsigned char* p = out + offsets[i];
        if (i == kDomainSlope) {
            if (!PyFloat_CheckExact(v[i])) return false;
            if (PyFloat_Pack4(PyFloat_AS_DOUBLE(v[i]), reinterpret_cast<char*>(p), 1) < 0) {
                PyErr_Clear();
                return false;
            }
            continue;
        }
        if (!PyLong_CheckExact(v[i])) return false;
        if (i < 2) {  // unsigned
            const unsigned long long x = PyLong_AsUnsignedLongLong(v[i]);
            if (x == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
                PyErr_Clear();
                return false;
            }
            put_le(p, x);
        } else {
            int overflow = 0;
            const long long x = PyLong_AsLongLongAndOverflow(v[i], &overflow);
            if (overflow) return false;
            put_le(p, static_cast<unsigned long long>(x));
        }
    }
    return true;
}

// The five values of a DomainInformation packed little-endian, 36 bytes.
py::object domain_attr_encode(Call& c) {
    const DomainFields f;
    py::object values[kDomainFieldCount];
    PyObject* call[1 + kDomainFieldCount] = {nullptr};
    for (int i = 0; i < kDomainFieldCount; ++i) {
        values[i] = get(c.args[0], f.names[i]);
        call[1 + i] = values[i].ptr();
    }
    unsigned char out[kDomainSize];
    if (pack_domain(call + 1, out)) return steal(PyBytes_FromStringAndSize(reinterpret_cast<char*>(out), kDomainSize));
    // Out of range or of another type: the host's packing says what is wrong.
    py::object pack = get(c.global(N.struct_).ptr(), N.pack);
    py::object packing = steal(PyUnicode_FromString(kDomainPacking));
    call[0] = packing.ptr();
    return steal(PyObject_Vectorcall(pack.ptr(), call, 1 + kDomainFieldCount, nullptr));
}

// A new DomainInformation from the first 36 bytes of `data`; the rest is left alone.
py::object domain_attr_decode(Call& c) {
    PyObject* data = c.args[0];
    // Every value the constructor sets is set again below.
    py::object info = new_instance(c.global(N.DomainInformation).ptr(), domain_info_init);
    py::object values[kDomainFieldCount];
    if (PyBytes_CheckExact(data) && PyBytes_GET_SIZE(data) >= kDomainSize) {
        const auto* p = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(data));
        values[0] = steal(PyLong_FromUnsignedLongLong(get_le(p)));
        values[1] = steal(PyLong_FromUnsignedLongLong(get_le(p + 8)));
        values[2] = steal(PyLong_FromLongLong(static_cast<long long>(get_le(p + 16))));
        const double slope = PyFloat_Unpack4(reinterpret_cast<const char*>(p + 24), 1);
        if (slope == -1.0 && PyErr_Occurred()) throw PyErr{};
        values[3] = steal(PyFloat_FromDouble(slope));
        values[4] = steal(PyLong_FromLongLong(static_cast<long long>(get_le(p + 28))));
    } else {
        // Short, or not plain bytes: the host's unpacking reads it or says why not.
        py::object unpack_from = get(c.global(N.struct_).ptr(), N.unpack_from);
        py::object packing = steal(PyUnicode_FromString(kDomainPacking));
        PyObject* call[] = {packing.ptr(), data};
        py::object unpacked = steal(PyObject_Vectorcall(unpack_from.ptr(), call, 2, nullptr));
        if (!PyTuple_Check(unpacked.ptr()) || PyTuple_GET_SIZE(unpacked.ptr()) != kDomainFieldCount) {
            PyErr_SetString(PyExc_TypeError, "domain information must unpack to five values");
            throw PyErr{};
        }
        for (int i = 0; i < kDomainFieldCount; ++i) values[i] = borrow(PyTuple_GET_ITEM(unpacked.ptr(), i));
    }
    const DomainFields f;
    for (int i = 0; i < kDomainFieldCount; ++i) set(info.ptr(), f.names[i], values[i].ptr());
    py::object size = steal(PyLong_FromSsize_t(kDomainSize));
    return steal(PyTuple_Pack(2, info.ptr(), size.ptr()));
}

constexpr Param kNameParam[] = {{"name", "str", Dflt::Required}};
constexpr Param kDomainInfoParam[] = {{"domain_info", "DomainInformation", Dflt::Required}};
constexpr Param kDataParam[] = {{"data", "bytes", Dflt::Required}};

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

constexpr ClassSpec kSpecs[] = {
    {12, "TickV1", What::Item, 0x8000, ITEM_DOC("Tick"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("source_id", K::U16),
      attr("gnt", K::U32), attr("gnt_quality", K::U8), attr("announce_offset", K::U32),
      attr("announce_prob", K::U8), attr("cmd_countdown", K::U8), attr("cmd_count", K::U8),
      attr("sync_period", K::U32), attr("tx_timestamp", K::U64)}},
    {17, "SmoothingFactorV1", What::Item, 0x8005, ITEM_DOC("Smoothing Factor"),
     {attr("src_address", K::U16), attr("dest_address", K::U16), attr("smoothing_factor", K::U32)}},
    {32, "TickV2", What::Item, 0x8015, ITEM_DOC("Tick"),
     {attr("nt64", K::U64), attr("dt40", K::U64), attr("nt_quality", K::U8)}},
    {35, "SyncStatsV1", What::Item, 0x8017, ITEM_DOC("Sync Stats"),
     {attr("tx_dt64", K::U64), attr("error", K::Double), attr("clock_adjustment", K::Double)}},
    {36, "DomainInformation", What::Record, 0, "Domain Information: Domain Information Class Definition ",
     {attr("nt64", K::U64), attr("domaint", K::U64), attr("quality", K::I64), attr("slope", K::Float),
      attr("intercept", K::I64)},
     {body("__init__", domain_info_init), body("__str__", domain_info_str, "str")},
     kNoDefinition | kNoRecordInit | kNoRecordStr},
    {37, "DIDomainInfoAttr", What::AttrKind, 0,
     "Data Item Attribute: RLX Data Item Domain Information Attribute Class Definition", {},
     {body("__init__", domain_attr_init, "None", kNameParam),
      body("_encode", domain_attr_encode, "bytes", kDomainInfoParam),
      body("_decode", domain_attr_decode, "tuple[DomainInformation, int]", kDataParam)},
     kNoDefinition},
    {38, "ClockDomain", What::Item, 0x8018, ITEM_DOC("Clock Domain"),
     {attr("proc_domain", K::DomainInfo), attr("deca_domain", K::DomainInfo)}},
    {42, "NetworkLockV1", What::Item, 0x801C, ITEM_DOC("Network Lock"),
     {attr("dt40", K::U64), attr("nt64", K::U64), attr("adjustment", K::Float)}},
    {43, "ClockNTDTV1", What::Item, 0x801D, ITEM_DOC("Clock NT and DT"),
     {attr("nt64", K::U64), attr("dt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("ntdt_slope", K::Double), attr("dtnt_slope", K::Double), attr("ntdt_error", K::I64),
      attr("dtnt_error", K::I64)}},
    {44, "ClockPTDT", What::Item, 0x801E, ITEM_DOC("Clock PT and DT"),
     {attr("pt64", K::U64), attr("dt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("ptdt_slope", K::Double), attr("dtpt_slope", K::Double), attr("ptdt_error", K::I64),
      attr("dtpt_error", K::I64)}},
    {45, "ClockNTPTV1", What::Item, 0x801F, ITEM_DOC("Clock NT and PT"),
     {attr("nt64", K::U64), attr("pt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("ntpt_slope", K::Double), attr("ptnt_slope", K::Double), attr("ntpt_error", K::I64),
      attr("ptnt_error", K::I64)}},
    {56, "TickV3", What::Item, 0x802A, ITEM_DOC("Tick"),
     {attr("nt64", K::U64), attr("dt40", K::U64), attr("nt_quality", K::U8), attr("interface_id", K::U8)}},
    {58, "NetworkLockV2", What::Item, 0x802E, ITEM_DOC("Network Lock"),
     {attr("dt64", K::U64), attr("nt64", K::U64), attr("adjustment", K::Float), attr("interface_id", K::U8),
      attr("nt_quality", K::U8)}},
    {61, "ClockNTDTV2", What::Item, 0x8032, ITEM_DOC("Clock NT and DT"),
     {attr("interface_id", K::U8), attr("nt64", K::U64), attr("dt64", K::U64), attr("ntdt_slope", K::Double),
      attr("dtnt_slope", K::Double), attr("ntdt_error", K::I64), attr("dtnt_error", K::I64)}},
    {62, "ClockNTPTV2", What::Item, 0x8033, ITEM_DOC("Clock NT and PT"),
     {attr("nt64", K::U64), attr("pt64", K::U64), attr("ntpt_slope", K::Double), attr("ptnt_slope", K::Double),
      attr("ntpt_error", K::I64), attr("ptnt_error", K::I64)}},
    {63, "ClockSeeder", What::Item, 0x8034, ITEM_DOC("Clock Seeder"),
     {attr("nt64", K::U64), attr("interface_id", K::U8), attr("serial_number", K::Serial)}},
    {64, "ClockDT", What::Item, 0x8035, ITEM_DOC("Clock DT"),
     {attr("interface_id", K::U8), attr("dt64_adjusted", K::U64), attr("dt64_raw", K::U64),
      attr("signal_strength", K::SignalStrength)}},
    {70, "NetworkLockV3", What::Item, 0x803B, ITEM_DOC("Network Lock"),
     {attr("intercept", K::U64), attr("adjustment", K::Float), attr("interface_id", K::U8),
      attr("nt_quality", K::U8)}},
    {77, "EthernetTick", What::Item, 0x8044, ITEM_DOC("Ethernet Tick"),
     {attr("tx_nt64", K::U64), attr("tx_pt64", K::U64), attr("nt_quality", K::U8)}},
    {79, "SyncStatsV2", What::Item, 0x8046, ITEM_DOC("Sync Stats"), {SYNC_STATS_COMMON}},
    {92, "SyncStatsV3", What::Item, 0x8053, ITEM_DOC("Sync Stats"), {SYNC_STATS_COMMON, SYNC_STATS_FAILURES}},
    {102, "NetAppTimeModelStats", What::Item, 0x805F, ITEM_DOC("Net App Time Model"),
     {attr("calculated_nt", K::I64), attr("reported_nt", K::I64), attr("slope", K::Double),
      attr("nt_was_used", K::U8)}},
    {111, "WiredNtLockAnnounceV1", What::Item, 0x806A, ITEM_DOC("Wired NT Lock Announce"),
     {attr("network_time", K::U64), attr("announce_packet", K::VarBytes)}},
    {144, "RepeatedSyncRx", What::Item, 0x8090, ITEM_DOC("Repeated Sync Rx"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("tx_timestamp", K::U64),
      attr("sync_offset", K::U32), attr("rx_timestamp", K::U64), attr("num_commands", K::U8),
      attr("signal_strength", K::SignalStrength)}},
    {159, "ClockPacket", What::Item, 0x80AD,
     PRIVATE_DOC("Clock Packet",
                 "Updates network time and tells the network application when to send commands in NTC mode."),
     {attr("network_time", K::U64), attr("nt_quality", K::U8)}},
    {161, "NTCCommandAcknowledge", What::Item, 0x80B0,
     PRIVATE_DOC("NTC Command Acknowledge", "Acknowledges reception of NTC commands."),
     {attr("command_tx_nt", K::U64), attr("network_time_received", K::U64), attr("transmit_success", K::U8)}},
    {170, "SeederIndexSerialNumberMapEntry", What::Record, 0, "Seeder Index Serial Number Map Entry Class Definition",
     {attr("seeder_index", K::U16), attr("serial_number", K::Serial)}},
    {171, "SeederIndexSerialNumberMap", What::Item, 0x80BA,
     PRIVATE_DOC("Seeder Index Serial Number Map", "Sends the mapping of seeder indexes to serial numbers."),
     {attr("map_length", K::U16), list_of("map_entries", "SeederIndexSerialNumberMapEntry")}},
    {183, "SyncStatsPair", What::Item, 0x80CB,
     PRIVATE_DOC("Sync Stats Pair", "Synchronization statistics of an anchor pair."),
     {attr("tx_serial_number", K::Serial), attr("tx_interface_id", K::U8), attr("rx_serial_number", K::Serial),
      attr("rx_interface_id", K::U8), attr("link_good_count", K::U16), attr("link_invalid_range_count", K::U16),
      attr("link_twr_failure_count", K::U16), attr("link_rogue_node_count", K::U16),
      attr("link_not_los_db_count", K::U16), attr("surveyed_uwb_air_time", K::Double),
      attr("error_average", K::Double), attr("error_std_dev", K::Double), attr("data_count", K::U16),
      attr("line_of_sight_first_path", K::Float), attr("line_of_sight_total_path", K::Float)}},
    {184, "SyncStatsV4", What::Item, 0x80CC, PRIVATE_DOC("Sync Stats V4", SYNC_STATS_ANCHORS_USE),
     {SYNC_STATS_COMMON, attr("tx_weight_ramp", K::Double), attr("rx_weight_ramp", K::Double), SYNC_STATS_FAILURES}},
    {187, "SyncStatsV5", What::Item, 0x80D2, PRIVATE_DOC("Sync Stats V5", SYNC_STATS_ANCHORS_USE),
     {SYNC_STATS_COMMON, attr("tx_weight_ramp", K::Double), attr("rx_weight_ramp", K::Double), SYNC_STATS_FAILURES,
      attr("tx_positive_drift_failure_count", K::U64), attr("tx_negative_drift_failure_count", K::U64),
      attr("rx_positive_drift_failure_count", K::U64), attr("rx_negative_drift_failure_count", K::U64)}},
};

#undef SYNC_STATS_ANCHORS_USE
#undef SYNC_STATS_FAILURES
#undef SYNC_STATS_COMMON

}  // namespace

constexpr Table kTable = packed_table<kSpecs>();

}  // namespace pdi::time_sync
