// Ranging and reception items: timed receptions, pings, residuals, CAMR, MR and RAMR stamps,
// multi-range packets, angle of arrival and phase data.
#include "catalog.hpp"

namespace pdi {
namespace {

using K = Kind;


// ---------------------------------------------------------------------------
// Multi-range packets: the reception list is bounded by the count byte in
// front of it, so the free text payload behind it is never read as entries.

// Wire size of one MultiRangeRx entry: serial number and 14 bytes of fixed fields.
constexpr Py_ssize_t kMultiRangeRxSize = 18;

py::object mr_encode(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("_encode", nargs, kwnames, 0);
    recount(args[0], "number_of_mr_packets", "mr_rx_list");
    return call_super(ctx, args[0], "_encode");
}

py::object mr_decode(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("_decode", nargs, kwnames, 0);
    bounded_decode(args[0], {{"mr_rx_list", "number_of_mr_packets", kMultiRangeRxSize}});
    return py::none();
}

// ---------------------------------------------------------------------------
// Angle of arrival: one line of text per reception.

constexpr const char* kAoaV4Line = "{}, 0x{:04X}, {}, {}, 0x{:02X}, {}, {}, {}, {}, {}, {}, {}, {}";
constexpr const char* kAoaV6Line = "{}, 0x{:04X}, {}, {}, 0x{:02X}, {}, {}, {}, {}, {}, {}, {}, {}, {}";

py::object get(PyObject* self, const char* name) { return steal(PyObject_GetAttrString(self, name)); }

// The values of the line, in order; the V6 line adds the phase of arrival at the end.
py::object aoa_str(Ctx ctx, PyObject* self, bool with_poa) {
    py::object fields = steal(PyList_New(0));
    auto push = [&](const py::object& v) { check_status(PyList_Append(fields.ptr(), v.ptr())); };
    for (const char* name : {"rlx_header_serial", "type", "rx_interface_id", "source_serial_number", "packet_type",
                             "channel", "tx_sequence", "rx_dt", "rx_nt", "rc_phase"}) {
        push(get(self, name));
    }
    // The first-path index carries six fractional bits.
    py::object sixty_four = steal(PyFloat_FromDouble(64.0));
    push(steal(PyNumber_TrueDivide(get(self, "fp_index").ptr(), sixty_four.ptr())));
    push(get(self, "signal_strength"));
    // The accumulator sample: eight signed 16-bit little-endian values.
    py::object unpack = steal(PyObject_GetAttrString(global(ctx, "struct").ptr(), "unpack"));
    py::object acc_mem = get(self, "acc_mem");
    push(steal(PyObject_CallFunction(unpack.ptr(), "sO", "<8h", acc_mem.ptr())));
    if (with_poa) push(get(self, "ip_poa"));

    py::object line = steal(PyUnicode_FromString(with_poa ? kAoaV6Line : kAoaV4Line));
    py::object format = steal(PyObject_GetAttrString(line.ptr(), "format"));
    py::object values = steal(PyList_AsTuple(fields.ptr()));
    return steal(PyObject_Call(format.ptr(), values.ptr(), nullptr));
}

py::object aoa_v4_str(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    return aoa_str(ctx, args[0], false);
}

py::object aoa_v6_str(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    return aoa_str(ctx, args[0], true);
}

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

const ClassSpec kSpecs[] = {
    {"NavigationModePosition", What::Item, 0x0120, ITEM_DOC("Navigation Mode Position"),
     {attr("serial_number", K::Serial), attr("position_x", K::U32), attr("position_y", K::U32),
      attr("position_z", K::U32)}},
    {"TimedRxV1", What::Item, 0x8001, ITEM_DOC("Timed Rx"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("source_id", K::U16),
      attr("rx_packet_type", K::U8), attr("tx_timestamp", K::U64), attr("rx_timestamp", K::U64),
      attr("signal_strength", K::SignalStrength)}},
    {"PingV1", What::Item, 0x8002, ITEM_DOC("Ping"),
     {attr("sequence", K::U8), attr("source_serial_number", K::Serial), attr("source_id", K::U16),
      attr("flags", K::U8), attr("rx_timestamp", K::U64), attr("signal_strength", K::SignalStrength),
      attr("payload", K::VarBytes)}},
    {"DiscoveryV1", What::Item, 0x8003, ITEM_DOC("Discovery"),
     {attr("source_serial_number", K::Serial), attr("rx_timestamp", K::U64),
      attr("signal_strength", K::SignalStrength)}},
    {"PositionStatsV1", What::Item, 0x8007, ITEM_DOC("Position Stats"),
     {attr("x0", K::I32), attr("y0", K::I32), attr("z0", K::I32), attr("iterations", K::U16)}},
    {"AnchorResiduals", What::Item, 0x8008, ITEM_DOC("Anchor Residuals"),
     {attr("serial_number", K::Serial), attr("rx_timestamp", K::U64), attr("weight", K::U32),
      attr("adjustment_magnitude", K::I32)}},
    {"TimedRxV2", What::Item, 0x8010, ITEM_DOC("Timed Rx"),
     {attr("tx_dt40", K::U64), attr("tx_nt64", K::U64), attr("rx_dt40", K::U64), attr("rx_nt64", K::U64),
      attr("source_serial_number", K::Serial), attr("signal_strength", K::SignalStrength),
      attr("tx_nt_quality", K::U8), attr("rx_nt_quality", K::U8), attr("rx_packet_type", K::U8)}},
    {"TimedRxV3", What::Item, 0x8011, ITEM_DOC("Timed Rx"),
     {attr("tx_dt40", K::U64), attr("tx_nt64", K::U64), attr("rx_dt40", K::U64), attr("rx_nt64", K::U64),
      attr("source_serial_number", K::Serial), attr("condensed_signal_strength", K::CondensedSignalStrength),
      attr("tx_nt_quality", K::U8), attr("rx_nt_quality", K::U8), attr("rx_packet_type", K::U8)}},
    {"PingV2", What::Item, 0x8013, ITEM_DOC("Ping"),
     {attr("source_serial_number", K::Serial), attr("sequence", K::U16), attr("beacon_type", K::U8),
      attr("nt_quality", K::U8), attr("dt40", K::U64), attr("nt64", K::U64),
      attr("signal_strength", K::SignalStrength), attr("payload", K::VarBytes)}},
    {"PingV3", What::Item, 0x8014, ITEM_DOC("Ping"),
     {attr("source_serial_number", K::Serial), attr("sequence", K::U16), attr("packet_type", K::U8),
      attr("nt_quality", K::U8), attr("dt40", K::U64), attr("nt64", K::U64),
      attr("condensed_signal_strength", K::CondensedSignalStrength), attr("payload", K::VarBytes)}},
    {"TimedRxV4", What::Item, 0x8025, ITEM_DOC("Timed Rx"),
     {attr("tx_dt40", K::U64), attr("tx_nt64", K::U64), attr("rx_dt40", K::U64), attr("rx_nt64", K::U64),
      attr("source_serial_number", K::Serial), attr("source_interface_id", K::U8),
      attr("signal_strength", K::SignalStrength), attr("interface_id", K::U8), attr("tx_nt_quality", K::U8),
      attr("rx_nt_quality", K::U8), attr("rx_packet_type", K::U8)}},
    {"PingV4", What::Item, 0x8026, ITEM_DOC("Ping"),
     {attr("source_serial_number", K::Serial), attr("sequence", K::U16), attr("beacon_type", K::U8),
      attr("nt_quality", K::U8), attr("dt40", K::U64), attr("nt64", K::U64),
      attr("signal_strength", K::SignalStrength), attr("interface_id", K::U8), attr("payload", K::VarBytes)}},
    {"AnchorResidualsV2", What::Item, 0x8031, ITEM_DOC("Anchor Residuals"),
     {attr("serial_number", K::Serial), attr("interface_id", K::U8), attr("rx_timestamp", K::U64),
      attr("weight", K::U32), attr("adjustment_magnitude", K::I32)}},
    {"EthernetTimedRx", What::Item, 0x8043, ITEM_DOC("Ethernet Timed Rx"),
     {attr("sequence", K::U16), attr("rx_dt64", K::U64), attr("rx_nt64", K::U64), attr("rx_pt64", K::U64),
      attr("source_serial_number", K::Serial), attr("interface_id", K::U8), attr("tx_nt_quality", K::U8),
      attr("rx_nt_quality", K::U8)}},
    {"AnchorResidualsV3", What::Item, 0x8055, ITEM_DOC("Anchor Residuals"),
     {attr("serial_number", K::Serial), attr("interface_id", K::U8), attr("rx_timestamp", K::U64),
      attr("weight", K::U32), attr("adjustment_magnitude", K::I32), attr("sequence", K::U16),
      attr("first_path", K::I16), attr("total_path", K::I16)}},
    {"NavigationModeDataBackhaulCommand", What::Item, 0x805D, ITEM_DOC("Navigation Mode Data Backhaul Command"),
     {attr("serial_number", K::Serial), attr("enable", K::U8)}},

    // Multi-range packets.
    {"MultiRangeRx", What::Record, 0, RECORD_DOC("Multi Range Rx"),
     {wrapped_serial("rx_serial_number"), attr("rx_interface_identifier", K::U8), attr("sequence_number", K::U8),
      attr("dt_rx", K::U64), attr("quality", K::U16), attr("first_path", K::U8), attr("total_path", K::U8)}},
    {"MrTransmissionV1", What::Item, 0x8060, ITEM_DOC("MR Transmission"),
     {MR_SHARED_FIELDS},
     {instance_method("_encode", method<mr_encode>), instance_method("_decode", method<mr_decode>)}},
    {"MrReceptionV1", What::Item, 0x8061, ITEM_DOC("MR Reception"),
     {attr("signal_strength", K::SignalStrength), attr("rx_nt", K::U64), MR_SHARED_FIELDS},
     {instance_method("_encode", method<mr_encode>), instance_method("_decode", method<mr_decode>)}},

    {"PositionStatsV2", What::Item, 0x8066, ITEM_DOC("Position Stats"),
     {attr("serial_number", K::Serial), attr("x0", K::I32), attr("y0", K::I32), attr("z0", K::I32),
      attr("iterations", K::U16)}},
    {"AnchorResidualsV4", What::Item, 0x8067, ITEM_DOC("Anchor Residuals"),
     {attr("tag_serial_number", K::Serial), attr("anchor_serial_number", K::Serial),
      attr("anchor_interface_id", K::U8), attr("rx_timestamp", K::U64), attr("weight", K::U32),
      attr("adjustment_magnitude", K::I32), attr("sequence", K::U16), attr("first_path", K::I16),
      attr("total_path", K::I16)}},
    {"AnchorResidualsV5", What::Item, 0x806B, ITEM_DOC("Anchor Residuals"),
     {attr("tag_serial_number", K::Serial), attr("anchor_serial_number", K::Serial),
      attr("anchor_interface_id", K::U8), attr("status", K::U8), attr("rx_timestamp", K::U64),
      attr("twr_distance", K::I32), attr("weight", K::U32), attr("adjustment_magnitude", K::I32),
      attr("sequence", K::U16), attr("first_path", K::I16), attr("total_path", K::I16)}},

    // CAMR exchange.
    {"CamrDiscovery", What::Item, 0x8074, ITEM_DOC("CAMR Discovery"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("server_instance", K::Serial),
      attr("command_window_offset", K::U16), attr("period", K::U16)}},
    {"AnchorAnnounceRx", What::Item, 0x8075, ITEM_DOC("Anchor Announce Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {"CamrStartRx", What::Item, 0x8076, ITEM_DOC("CAMR Start Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("info", K::U8),
      attr("sequence_number", K::U8)}},
    {"CamrStampRx", What::Item, 0x8077, ITEM_DOC("CAMR Stamp Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {"AnchorStampRx", What::Record, 0, RECORD_DOC("Anchor Stamp Rx"),
     {wrapped_serial("anchor_serial_number"), attr("rx_dt32", K::U32), attr("first_path", K::U8),
      attr("total_path", K::U8)}},
    {"CamrEndRx", What::Item, 0x8078, ITEM_DOC("CAMR End Rx"),
     {attr("rx_stats", K::RxStats), attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8),
      attr("tx_dt32", K::U32), list_of("stamps", "AnchorStampRx")}},
    {"CamrStampTx", What::Item, 0x8079, ITEM_DOC("CAMR Stamp Tx"),
     {attr("tag_serial_number", K::Serial), attr("interface_id", K::U8), attr("sequence_number", K::U8),
      attr("tx_dt64", K::U64)}},
    {"AnchorAnnounceTx", What::Item, 0x807A, ITEM_DOC("Anchor Announce Tx"),
     {attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("tx_dt64", K::U64)}},
    {"TrickleBufferDataRx", What::Item, 0x807B, ITEM_DOC("Trickle Buffer Data Rx"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("sequence_number", K::U8),
      attr("rx_nt64", K::U64), attr("payload", K::VarBytes)}},
    {"CamrDiscoveryV2", What::Item, 0x8082, ITEM_DOC("CAMR Discovery"),
     {attr("rx_stats", K::RxStats), attr("source_serial_number", K::Serial), attr("server_instance", K::Serial),
      attr("command_window_offset", K::U16), attr("period", K::U16), attr("firmware_ivsha1_ending", K::U32),
      attr("device_info", K::U32), attr("optional_data", K::VarBytes)}},

    // MR exchange.
    {"MrStartRx", What::Item, 0x8086, ITEM_DOC("MR Start Rx"),
     {attr("rx_stats", K::RxStats), attr("rx_nt", K::U64), attr("source_serial_number", K::Serial),
      attr("info", K::U8), attr("payload", K::VarBytes)}},
    {"MrStampTx", What::Item, 0x8087, ITEM_DOC("MR Stamp Tx"),
     {attr("tx_dt64", K::U64), attr("tx_nt64", K::U64), attr("tag_serial_number", K::Serial),
      attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("info", K::U8)}},
    {"MrStampRx", What::Item, 0x8088, ITEM_DOC("MR Stamp Rx"),
     {attr("rx_stats", K::RxStats), attr("rx_nt64", K::U64), attr("source_serial_number", K::Serial),
      attr("info", K::U8)}},
    {"AnchorMrStampRx", What::Record, 0, RECORD_DOC("Anchor MR Stamp Rx"),
     {wrapped_serial("anchor_serial_number"), attr("rx_dt32", K::U32), attr("first_path", K::U8),
      attr("total_path", K::U8), renamed(attr("sequence_number", K::U8), "sequence")}},
    {"MrEndRx", What::Item, 0x8089, ITEM_DOC("MR End Rx"),
     {attr("rx_stats", K::RxStats), attr("rx_nt64", K::U64), attr("tx_dt32", K::U32),
      attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8), list_of("stamps", "AnchorMrStampRx")}},

    {"AnchorResidualsV6", What::Item, 0x808A, ITEM_DOC("Anchor Residuals"),
     {attr("tag_serial_number", K::Serial), attr("anchor_serial_number", K::Serial),
      attr("anchor_interface_id", K::U8), attr("status", K::U8), attr("rx_timestamp", K::U64),
      attr("twr_distance", K::I32), attr("weight", K::U32), attr("adjustment_magnitude", K::I32),
      attr("sequence", K::U16)}},
    {"AngleOfArrivalV4", What::Item, 0x808C, ITEM_DOC("Angle of Arrival"),
     {AOA_FIELDS},
     {instance_method("__str__", method<aoa_v4_str>)}},

    // RAMR exchange and phase data.
    {"RamrNotificationRx", What::Item, 0x80A2, DOTTED_DOC("RAMR Notification Rx"),
     {attr("rx_stats", K::RxStats), attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {"RamrSelfCalibrationTx", What::Item, 0x80A3, DOTTED_DOC("RAMR Self Calibration Tx"),
     {attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("tx_dt64", K::U64)}},
    {"RamrSelfCalibrationRx", What::Item, 0x80A4, DOTTED_DOC("RAMR Self Calibration Rx"),
     {attr("source_serial_number", K::Serial), attr("rx_interface_id", K::U8), attr("tx_interface_id", K::U8),
      attr("sequence_number", K::U8)}},
    {"PhaseBackhaul", What::Item, 0x80A7,
     PRIVATE_DOC("Phase Backhaul", "Carries the phase data of a phase array for processing and debugging."),
     {attr("phase_array_serial", K::Serial), attr("source_serial", K::Serial), attr("sequence_number", K::U8),
      fixed_bytes("quality", 5), attr("phase_data", K::U16List)}},
    {"RamrSelfCalibrationTxV2", What::Item, 0x80B5, DOTTED_DOC("RAMR Self Calibration Tx"),
     {attr("interface_id", K::U8), attr("sequence_number", K::U8), attr("tx_dt64", K::U64),
      attr("channel", K::U8)}},
    {"RamrRiderRx", What::Item, 0x80B9, DOTTED_DOC("RAMR Rider Rx"),
     {attr("rx_stats", K::RxStats), attr("tag_serial_number", K::Serial), attr("sequence_number", K::U8)}},
    {"AnchorAngleData", What::Record, 0, RECORD_DOC("Anchor Angle Data"),
     {attr("serial_number", K::Serial), attr("angle", K::U16), attr("status", K::U8), attr("weight", K::U16)},
     {},
     kNoRecordInit | kNoRecordStr},
    {"PhaseOrientationDebug", What::Item, 0x80BD,
     PRIVATE_DOC("Phase Orientation Debug",
                 "Reports the orientation quaternion of a tag with the angle of arrival that each anchor measured."),
     {attr("tag_serial_number", K::Serial), attr("network_time", K::U64), attr("x", K::I32), attr("y", K::I32),
      attr("z", K::I32), attr("w", K::I32), attr("quality", K::U16), list_of("angle_data", "AnchorAngleData")}},
    {"AngleOfArrivalV6", What::Item, 0x80C9, ITEM_DOC("Angle of Arrival"),
     {AOA_FIELDS, attr("ip_poa", K::I16)},
     {instance_method("__str__", method<aoa_v6_str>)}},
};

#undef MR_SHARED_FIELDS
#undef AOA_FIELDS

}  // namespace

const Table kRangingTable = table(kSpecs);

}  // namespace pdi
