// Membership and ownership items: system and tag ownership, serial-number lists,
// acknowledgement lists.
#pragma once

#include "../catalog.hpp"

namespace pdi::ownership {
namespace {

using K = Kind;


// Serial numbers take 4 bytes on the wire.
constexpr Py_ssize_t kSerialSize = 4;

// The builder of the serial-number lists: appends NorvaneSerialNumber(serial_number).
constexpr MethodSpec add_serial(const char* name, const char* list, const char* count = nullptr) noexcept {
    return append(name, list, "NorvaneSerialNumber", kSerialParam, count);
}

// ---------------------------------------------------------------------------
// The periodic ownership reports share one layout and one codec under two type codes.
#define OWNERSHIP_REPORT_ATTRS                                                   \
    {attr("num_tags_owned", K::U32), attr("num_tags_unowned", K::U32),          \
     attr("owned_tags", K::SerialList),                                          \
     list_of("tag_ownership_reports", "TagOwnershipReport")}
// Only the owned tags are bounded; the reports always run to the end of the payload.
#define OWNERSHIP_REPORT_METHODS                                                 \
    {counted("owned_tags", "num_tags_owned", kSerialSize),                      \
     counted("tag_ownership_reports", "num_tags_unowned", 0)}

constexpr ClassSpec kSpecs[] = {
    {6, "RFSchedule", What::Item, 0x0122, ITEM_DOC("RF Schedule"),
     {attr("serial_number", K::Serial), attr("packet_type", K::U32), attr("start_time", K::U32),
      attr("repeat_rate", K::U32)}},
    {47, "SystemOwnershipRequest", What::Item, 0x8021, ITEM_DOC("System Ownership Request"),
     {attr("version", K::U8)}},
    {48, "UserDataConfiguration", What::Item, 0x8022, ITEM_DOC("User Data Configuration"),
     {attr("size", K::U8), attr("headroom", K::U8), attr("frequency", K::U8)}},
    {49, "SystemOwnershipReply", What::Item, 0x8023, ITEM_DOC("System Ownership Reply"),
     {attr("rf_channel", K::U8), attr("rf_prf", K::U8), attr("preamble_code", K::U8), attr("tag_count", K::U16),
      attr("serial_numbers", K::SerialList)},
     {add_serial("add_serial_number", "serial_numbers")}},
    {50, "InactiveSerialNumbers", What::Item, 0x8024, ITEM_DOC("Inactive Serial Numbers"),
     {attr("serial_numbers", K::SerialList)},
     {add_serial("add_serial_number", "serial_numbers")}},
    {94, "SystemOwnershipReleaseUnconfigured", What::Item, 0x8056,
     "RLX Data Item: Norvane Data Protocol\n    System Ownership Release Unconfigured\n    Data Item Definition",
     {attr("server_instance", K::U32), attr("serial_numbers", K::SerialList)},
     {add_serial("add_serial_number", "serial_numbers")}},
    {99, "AcknowledgeListResponse", What::Item, 0x805B, ITEM_DOC("Acknowledge List Response"),
     {attr("num_acknowledged", K::U16), attr("num_not_acknowledged", K::U16),
      attr("acknowledged_serials", K::SerialList), attr("not_acknowledged_serials", K::SerialList),
      fixed_str("ack_string", 32)},
     {add_serial("add_acknowledged_serial", "acknowledged_serials", "num_acknowledged"),
      add_serial("add_not_acknowledged_serial", "not_acknowledged_serials", "num_not_acknowledged"),
      counted("acknowledged_serials", "num_acknowledged", kSerialSize),
      counted("not_acknowledged_serials", "num_not_acknowledged", kSerialSize)}},
    {112, "TagOwnershipReport", What::Record, 0, RECORD_DOC("Tag Ownership Report"),
     {wrapped_serial("tag_serial_number"), attr("num_packets_heard", K::U32),
      attr("avg_receiving_anchors", K::U16)}},
    {113, "PeriodicSystemOwnershipReport", What::Item, 0x806C, ITEM_DOC("Periodic System Ownership Report"),
     OWNERSHIP_REPORT_ATTRS, OWNERSHIP_REPORT_METHODS},
    {114, "TransferTagOwnership", What::Item, 0x806D, ITEM_DOC("Transfer Tag Ownership"),
     {attr("serial_number", K::Serial), attr("new_network", K::Serial)}},
    {116, "PeriodicSystemOwnershipReportV2", What::Item, 0x806E, ITEM_DOC("Periodic System Ownership Report"),
     OWNERSHIP_REPORT_ATTRS, OWNERSHIP_REPORT_METHODS},
    {157, "NetworkIdSerialNumberMapEntry", What::Record, 0, RECORD_DOC("Network ID Serial Number Map Entry"),
     {attr("network_id", K::U32), attr("serial_number", K::Serial)},
     {},
     kNoRecordInit | kNoRecordStr},
    {158, "NetworkIdSerialNumberMap", What::Item, 0x80AB,
     PRIVATE_DOC("Network ID Serial Number Map Data", "Maps network IDs to the serial numbers of the devices."),
     {attr("network_id_devices", K::U8), attr("network_id_length", K::U8), attr("map_length", K::U16),
      list_of("map_entries", "NetworkIdSerialNumberMapEntry")}},
    {176, "RFScheduleV3", What::Item, 0x80BF,
     PRIVATE_DOC("RF Schedule V3", "Carries the scheduling information of a slot and the devices it concerns."),
     {attr("command_type", K::U8), attr("start_time", K::U32), attr("duration", K::U32), attr("period", K::U32),
      attr("flags", K::U8), attr("serial_numbers", K::SerialList)},
     {add_serial("add_serial_number", "serial_numbers")}},
    {177, "PreallocatedSlotAssignments", What::Item, 0x80C1,
     PRIVATE_DOC("Preallocated Slot Assignments",
                 "Tells which devices use the preallocated slots of a role and device configuration."),
     {attr("role_id", K::U16), attr("device_config_id", K::U16), attr("num_slots", K::U16),
      attr("serial_number_list", K::SerialList)}},
    {182, "ForceConflict", What::Item, 0x80CA, ITEM_DOC("Force Conflict"),
     {attr("device_count", K::U16), attr("serial_numbers", K::SerialList)},
     {add_serial("add_serial_number", "serial_numbers", "device_count")}},
    {186, "ZoneBreachDataV2", What::Item, 0x80CE,
     PRIVATE_DOC("Zone Breach V2", "Reports a zone breach: its time, the zone, its status and the tags involved."),
     {attr("network_time", K::U64), fixed_str("zone_name", 32), attr("breach_status", K::U8),
      attr("number_of_tags", K::U16), attr("serial_numbers", K::SerialList)}},
};

}  // namespace

constexpr Table kTable = packed_table<kSpecs>();

}  // namespace pdi::ownership
