// Ranging and reception items: timed receptions, pings, residuals, CAMR, MR and RAMR stamps,
// multi-range packets, angle of arrival and phase data.
#pragma once

#include "../catalog.hpp"
#include "../text.hpp"

namespace pdi::ranging {
namespace {

using K = Kind;

// The names the bodies below use besides the shared ones.
#define BODY_NAMES(X) \
    X(acc_mem) X(channel) X(fp_index) X(ip_poa) X(packet_type) X(rc_phase) X(rlx_header_serial) \
    X(rx_dt) X(rx_interface_id) X(rx_nt) X(signal_strength) X(source_serial_number) X(struct_) \
    X(tx_sequence) X(unpack)
PDI_BODY_NAMES(BODY_NAMES)
#undef BODY_NAMES

// ---------------------------------------------------------------------------
// Multi-range packets: the reception list is bounded by the count byte in
// front of it, so the free text payload behind it is never read as entries.

// Wire size of one MultiRangeRx entry: serial number and 14 bytes of fixed fields.
constexpr Py_ssize_t kMultiRangeRxSize = 18;

// ---------------------------------------------------------------------------
// Angle of arrival: one line of text per reception,
// "{}, 0x{:04X}, {}, {}, 0x{:02X}, {}, {}, {}, {}, {}, {}, {}, {}" and, for the
// sixth version, ", {}" of the phase of arrival.

py::object aoa_text(Call& c, bool with_poa) {
    PyObject* self = c.self;
    // Every value is read (and the two derived ones computed) before any is
    // formatted, as a call of str.format evaluates its arguments first.
    PyObject* const names[] = {N.rlx_header_serial, N.type, N.rx_interface_id, N.source_serial_number,
                               N.packet_type, N.channel, N.tx_sequence, N.rx_dt, N.rx_nt, N.rc_phase};
    py::object v[10];
    for (int i = 0; i < 10; ++i) v[i] = get(self, names[i]);
    // The first-path index carries six fractional bits.
    py::object fp = get(self, N.fp_index);
    double fp_value = 0;
    const bool fp_plain = PyLong_CheckExact(fp.ptr()) && [&] {
        int overflow = 0;
        const long long x = PyLong_AsLongLongAndOverflow(fp.ptr(), &overflow);
        if (overflow || x > (1LL << 53) || x < -(1LL << 53)) return false;
        fp_value = static_cast<double>(x) / 64.0;
        return true;
    }();
    if (!fp_plain) {
        py::object sixty_four = steal(PyFloat_FromDouble(64.0));
        fp = steal(PyNumber_TrueDivide(fp.ptr(), sixty_four.ptr()));
    }
    py::object strength = get(self, N.signal_strength);
    // The accumulator sample: eight signed 16-bit little-endian values.
    py::object acc = get(self, N.acc_mem);
    const bool acc_plain = PyBytes_CheckExact(acc.ptr()) && PyBytes_GET_SIZE(acc.ptr()) == 16;
    if (!acc_plain) {
        py::object unpack = get(c.global(N.struct_).ptr(), N.unpack);
        py::object layout = steal(PyUnicode_FromString("<8h"));
        PyObject* args[] = {layout.ptr(), acc.ptr()};
        acc = steal(PyObject_Vectorcall(unpack.ptr(), args, 2, nullptr));
    }
    py::object poa;
    if (with_poa) poa = get(self, N.ip_poa);

    Text t;
    t.plain(v[0].ptr()).ascii(", 0x").hex(v[1].ptr(), 4).ascii(", ");
    t.plain(v[2].ptr()).ascii(", ").plain(v[3].ptr()).ascii(", 0x").hex(v[4].ptr(), 2);
    for (int i = 5; i < 10; ++i) t.ascii(", ").plain(v[i].ptr());
    t.ascii(", ");
    if (fp_plain) {
        t.real(fp_value);
    } else {
        t.plain(fp.ptr());
    }
    t.ascii(", ").plain(strength.ptr()).ascii(", ");
    if (acc_plain) {
        const auto* p = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(acc.ptr()));
        t.ascii("(");
        for (std::size_t k = 0; k < 8; ++k) {
            if (k) t.ascii(", ");
            t.integer(static_cast<std::int16_t>(p[2 * k] | (p[2 * k + 1] << 8)));
        }
        t.ascii(")");
    } else {
        t.plain(acc.ptr());
    }
    if (with_poa) t.ascii(", ").plain(poa.ptr());
    return t.finish();
}

py::object aoa_v4_str(Call& c) { return aoa_text(c, false); }
py::object aoa_v6_str(Call& c) { return aoa_text(c, true); }

// ---------------------------------------------------------------------------

#define MR_SHARED_FIELDS                                                                                         \
    attr("serial_number", K::Serial), attr("interface_identifier", K::U8), attr("antenna_delay", K::U16),       \
        attr("sequence_number", K::U8), attr("dt_tx", K::U64), attr("number_of_mr_packets", K::U8),             \
        list_of("mr_rx_list", "MultiRangeRx"), attr("payload", K::VarStr)

#define AOA_FIELDS                                                                                               \
    attr("source_serial_number", K::Serial), attr("rx_interface_id", K::U8), attr("packet_type", K::U8),        \
        attr("channel", K::U8), attr("preamble_code", K::U8), attr("unused", K::U16),                           \
        attr("tx_sequence", K::U32), attr("rx_dt", K::U64), attr("rx_nt", K::U64), attr("rc_phase", K::U8),     \
        attr("fp_index", K::U16), attr("signal_strength", K::SignalStrength), fixed_bytes("acc_mem", 16)

constexpr ClassSpec kSpecs[] = {
    {5, "NavigationModePosition", What::Item, 0x0120, ITEM_DOC("Navigation Mode Position"),
     {attr("serial_number", K::Serial), attr("position_x", K::U32), attr("position_y", K::U32),
      attr("position_z", K::U32)}},
    {13, "TimedRxV1", What::Item, 0x8001, ITEM_DOC("Timed Rx"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("source_id", K::U16),
      attr("rx_packet_type", K::U8), attr("tx_timestamp", K::U64), attr("rx_timestamp", K::U64),
      attr("signal_strength", K::SignalStrength)}},
    {14, "PingV1", What::Item, 0x8002, ITEM_DOC("Ping"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("source_id", K::U16),
      attr("flags", K::U8), attr("rx_timestamp", K::U64), attr("signal_strength", K::SignalStrength),
      attr("payload", K::VarBytes)}},
    {15, "DiscoveryV1", What::Item, 0x8003, ITEM_DOC("Discovery"),
     {attr("source_serial_number", K::Serial), attr("rx_timestamp", K::U64),
      attr("signal_strength", K::SignalStrength)}},
    {19, "PositionStatsV1", What::Item, 0x8007, ITEM_DOC("Position Stats"),
     {attr("x0", K::I32), attr("y0", K::I32), attr("z0", K::I32), attr("iterations", K::U16)}},
    {20, "AnchorResiduals", What::Item, 0x8008, ITEM_DOC("Anchor Residuals"),
     {attr("serial_number", K::Serial), attr("rx_timestamp", K::U64), attr("weight", K::U32),
      attr("adjustment_magnitude", K::I32)}},
    {27, "TimedRxV2", What::Item, 0x8010, ITEM_DOC("Timed Rx"),
     {attr("tx_dt40", K::U64), attr("tx_nt64", K::U64), attr("rx_dt40", K::U64), attr("rx_nt64", K::U64),
      attr("source_serial_number", K::Serial), attr("signal_strength", K::SignalStrength),
      attr("tx_nt_quality", K::U8), attr("rx_nt_quality", K::U8), attr("rx_packet_type", K::U8)}},
    {28, "TimedRxV3", What::Item, 0x8011, ITEM_DOC("Timed Rx"),
     {attr("tx_dt40", K::U64), attr("tx_nt64", K::U64), attr("rx_dt40", K::U64), attr("rx_nt64", K::U64),
      attr("source_serial_number", K::Serial), attr("condensed_signal_strength", K::CondensedSignalStrength),
      attr("tx_nt_quality", K::U8), attr("rx_nt_quality", K::U8), attr("rx_packet_type", K::U8)}},
    {30, "PingV2", What::Item, 0x8013, ITEM_DOC("Ping"),
     {attr("source_serial_number", K::Serial), attr("sequence", K::U16), attr("beacon_type", K::U8),
      attr("nt_quality", K::U8), attr("dt40", K::U64), attr("nt64", K::U64),
      attr("signal_strength", K::SignalStrength), attr("payload", K::VarBytes)}},
    {31, "PingV3", What::Item, 0x8014, ITEM_DOC("Ping"),
     {attr("source_serial_number", K::Serial), attr("sequence", K::U16), attr("packet_type", K::U8),
      attr("nt_quality", K::U8), attr("dt40", K::U64), attr("nt64", K::U64),
      attr("condensed_signal_strength", K::CondensedSignalStrength), attr("payload", K::VarBytes)}},
    {51, "TimedRxV4", What::Item, 0x8025, ITEM_DOC("Timed Rx"),
     {attr("tx_dt40", K::U64), attr("tx_nt64", K::U64), attr("rx_dt40", K::U64), attr("rx_nt64", K::U64),
      attr("source_serial_number", K::Serial), attr("source_interface_id", K::U8),
      attr("signal_strength", K::SignalStrength), attr("interface_id", K::U8), attr("tx_nt_quality", K::U8),
      attr("rx_nt_quality", K::U8), attr("rx_packet_type", K::U8)}},
    {52, "PingV4", What::Item, 0x8026, ITEM_DOC("Ping"),
     {attr("source_serial_number", K::Serial), attr("sequence", K::U16), attr("beacon_type", K::U8),
      attr("nt_quality", K::U8), attr("dt40", K::U64), attr("nt64", K::U64),
      attr("signal_strength", K::SignalStrength), attr("interface_id", K::U8), attr("payload", K::VarBytes)}},
    {60, "AnchorResidualsV2", What::Item, 0x8031, ITEM_DOC("Anchor Residuals"),
     {attr("serial_number", K::Serial), attr("interface_id", K::U8), attr("rx_timestamp", K::U64),
      attr("weight", K::U32), attr("adjustment_magnitude", K::I32)}},
    {76, "EthernetTimedRx", What::Item, 0x8043, ITEM_DOC("Ethernet Timed Rx"),
     {attr("sequence", K::U16), attr("rx_dt64", K::U64), attr("rx_nt64", K::U64), attr("rx_pt64", K::U64),
      attr("source_serial_number", K::Serial), attr("interface_id", K::U8), attr("tx_nt_quality", K::U8),
      attr("rx_nt_quality", K::U8)}},
    {93, "AnchorResidualsV3", What::Item, 0x8055, ITEM_DOC("Anchor Residuals"),
     {attr("serial_number", K::Serial), attr("interface_id", K::U8), attr("rx_timestamp", K::U64),
      attr("weight", K::U32), attr("adjustment_magnitude", K::I32), attr("sequence", K::U16),
      attr("first_path", K::I16), attr("total_path", K::I16)}},
    {101, "NavigationModeDataBackhaulCommand", What::Item, 0x805D, ITEM_DOC("Navigation Mode Data Backhaul Command"),
     {attr("serial_number", K::Serial), attr("enable", K::U8)}},

    // Multi-range packets.
    {103, "MultiRangeRx", What::Record, 0, RECORD_DOC("Multi Range Rx"),
     {wrapped_serial("rx_serial_number"), attr("rx_interface_identifier", K::U8), attr("sequence_number", K::U8),
      attr("dt_rx", K::U64), attr("quality", K::U16), attr("first_path", K::U8), attr("total_path", K::U8)}},
    {104, "MrTransmissionV1", What::Item, 0x8060, ITEM_DOC("MR Transmission"),
     {MR_SHARED_FIELDS},
     {counted("mr_rx_list", "number_of_mr_packets", kMultiRangeRxSize)}},
    {105, "MrReceptionV1", What::Item, 0x8061, ITEM_DOC("MR Reception"),
     {attr("signal_strength", K::SignalStrength), attr("rx_nt", K::U64), MR_SHARED_FIELDS},
     {counted("mr_rx_list", "number_of_mr_packets", kMultiRangeRxSize)}},

    {108, "PositionStatsV2", What::Item, 0x8066, ITEM_DOC("Position Stats"),
     {attr("serial_number", K::Serial), attr("x0", K::I32), attr("y0", K::I32), attr("z0", K::I32),
      attr("iterations", K::U16)}},
    {109, "AnchorResidualsV4", What::Item, 0x8067, ITEM_DOC("Anchor Residuals"),
     {attr("tag_serial_number", K::Serial), attr("anchor_serial_number", K::Serial),
      attr("anchor_interface_id", K::U8), attr("rx_timestamp", K::U64), attr("weight", K::U32),
      attr("adjustment_magnitude", K::I32), attr("sequence", K::U16), attr("first_path", K::I16),
      attr("total_path", K::I16)}},
    {115, "AnchorResidualsV5", What::Item, 0x806B, ITEM_DOC("Anchor Residuals"),
     {attr("tag_serial_number", K::Serial), attr("anchor_serial_number", K::Serial),
      attr("anchor_interface_id", K::U8), attr("status", K::U8), attr("rx_timestamp", K::U64),
      attr("twr_distance", K::I32), attr("weight", K::U32), attr("adjustment_magnitude", K::I32),
      attr("sequence", K::U16), attr("first_path", K::I16), attr("total_path", K::I16)}},

    // CAMR exchange.
    {118, "CamrDiscovery", What::Item, 0x8074, ITEM_DOC("CAMR Discovery"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("server_instance", K::Serial),
      attr("command_window_offset", K::U16), attr("period", K::U16)}},
    {119, "AnchorAnnounceRx", What::Item, 0x8075, ITEM_DOC("Anchor Announce Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {120, "CamrStartRx", What::Item, 0x8076, ITEM_DOC("CAMR Start Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("info", K::U8),
      attr("sequence_number", K::U8)}},
    {121, "CamrStampRx", What::Item, 0x8077, ITEM_DOC("CAMR Stamp Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {122, "AnchorStampRx", What::Record, 0, RECORD_DOC("Anchor Stamp Rx"),
     {wrapped_serial("anchor_serial_number"), attr("rx_dt32", K::U32), attr("first_path", K::U8),
      attr("total_path", K::U8)}},
    {123, "CamrEndRx", What::Item, 0x8078, ITEM_DOC("CAMR End Rx"),
     {attr("rx_stats", K::RxStats), attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8),
      attr("tx_dt32", K::U32), list_of("stamps", "AnchorStampRx")}},
    {124, "CamrStampTx", What::Item, 0x8079, ITEM_DOC("CAMR Stamp Tx"),
     {attr("tag_serial_number", K::Serial), attr("interface_id", K::U8), attr("sequence_number", K::U8),
      attr("tx_dt64", K::U64)}},
    {125, "AnchorAnnounceTx", What::Item, 0x807A, ITEM_DOC("Anchor Announce Tx"),
     {attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("tx_dt64", K::U64)}},
    {126, "TrickleBufferDataRx", What::Item, 0x807B, ITEM_DOC("Trickle Buffer Data Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("sequence_number", K::U8),
      attr("rx_nt64", K::U64), attr("payload", K::VarBytes)}},
    {130, "CamrDiscoveryV2", What::Item, 0x8082, ITEM_DOC("CAMR Discovery"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("server_instance", K::Serial),
      attr("command_window_offset", K::U16), attr("period", K::U16), attr("firmware_ivsha1_ending", K::U32),
      attr("device_info", K::U32), attr("optional_data", K::VarBytes)}},

    // MR exchange.
    {132, "MrStartRx", What::Item, 0x8086, ITEM_DOC("MR Start Rx"),
     {attr("rx_stats", K::RxStats), attr("rx_nt", K::U64), attr("source_serial_number", K::Serial),
      attr("info", K::U8), attr("payload", K::VarBytes)}},
    {133, "MrStampTx", What::Item, 0x8087, ITEM_DOC("MR Stamp Tx"),
     {attr("tx_dt64", K::U64), attr("tx_nt64", K::U64), attr("tag_serial_number", K::Serial),
      attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("info", K::U8)}},
    {134, "MrStampRx", What::Item, 0x8088, ITEM_DOC("MR Stamp Rx"),
     {attr("rx_stats", K::RxStats), attr("rx_nt64", K::U64), attr("source_serial_number", K::Serial),
      attr("info", K::U8)}},
    {135, "AnchorMrStampRx", What::Record, 0, RECORD_DOC("Anchor MR Stamp Rx"),
     {wrapped_serial("anchor_serial_number"), attr("rx_dt32", K::U32), attr("first_path", K::U8),
      attr("total_path", K::U8), renamed(attr("sequence_number", K::U8), "sequence")}},
    {136, "MrEndRx", What::Item, 0x8089, ITEM_DOC("MR End Rx"),
     {attr("rx_stats", K::RxStats), attr("rx_nt64", K::U64), attr("tx_dt32", K::U32),
      attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8), list_of("stamps", "AnchorMrStampRx")}},

    {137, "AnchorResidualsV6", What::Item, 0x808A, ITEM_DOC("Anchor Residuals"),
     {attr("tag_serial_number", K::Serial), attr("anchor_serial_number", K::Serial),
      attr("anchor_interface_id", K::U8), attr("status", K::U8), attr("rx_timestamp", K::U64),
      attr("twr_distance", K::I32), attr("weight", K::U32), attr("adjustment_magnitude", K::I32),
      attr("sequence", K::U16)}},
    {138, "AngleOfArrivalV4", What::Item, 0x808C, ITEM_DOC("Angle of Arrival"),
     {AOA_FIELDS},
     {body("__str__", aoa_v4_str, "str")}},

    // RAMR exchange and phase data.
    {151, "RamrNotificationRx", What::Item, 0x80A2, DOTTED_DOC("RAMR Notification Rx"),
     {attr("rx_stats", K::RxStats), attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {152, "RamrSelfCalibrationTx", What::Item, 0x80A3, DOTTED_DOC("RAMR Self Calibration Tx"),
     {attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("tx_dt64", K::U64)}},
    {153, "RamrSelfCalibrationRx", What::Item, 0x80A4, DOTTED_DOC("RAMR Self Calibration Rx"),
     {attr("source_serial_number", K::Serial), attr("rx_interface_id", K::U8), attr("tx_interface_id", K::U8),
      attr("sequence_number", K::U8)}},
    {154, "PhaseBackhaul", What::Item, 0x80A7,
     PRIVATE_DOC("Phase Backhaul", "Carries the phase data of a phase array for processing and debugging."),
     {attr("phase_array_serial", K::Serial), attr("source_serial", K::Serial), attr("sequence_number", K::U8),
      fixed_bytes("quality", 5), attr("phase_data", K::U16List)}},
    {163, "RamrSelfCalibrationTxV2", What::Item, 0x80B5, DOTTED_DOC("RAMR Self Calibration Tx"),
     {attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("tx_dt64", K::U64),
      attr("channel", K::U8)}},
    {169, "RamrRiderRx", What::Item, 0x80B9, DOTTED_DOC("RAMR Rider Rx"),
     {attr("rx_stats", K::RxStats), attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {174, "AnchorAngleData", What::Record, 0, RECORD_DOC("Anchor Angle Data"),
     {attr("serial_number", K::Serial), attr("angle", K::U16), attr("status", K::U8), attr("weight", K::U16)},
     {},
     kNoRecordInit | kNoRecordStr},
    {175, "PhaseOrientationDebug", What::Item, 0x80BD,
     PRIVATE_DOC("Phase Orientation Debug",
                 "Reports the orientation quaternion of a tag with the angle of arrival that each anchor measured."),
     {attr("tag_serial_number", K::Serial), attr("network_time", K::U64), attr("x", K::I32), attr("y", K::I32),
      attr("z", K::I32), attr("w", K::I32), attr("quality", K::U16), list_of("angle_data", "AnchorAngleData")}},
    {181, "AngleOfArrivalV6", What::Item, 0x80C9, ITEM_DOC("Angle of Arrival"),
     {AOA_FIELDS, attr("ip_poa", K::I16)},
     {body("__str__", aoa_v6_str, "str")}},
};

#undef MR_SHARED_FIELDS
#undef AOA_FIELDS

}  // namespace

constexpr Table kTable = packed_table<kSpecs>();

}  // namespace pdi::ranging
