// Time synchronization items: ticks, clock readings, network locks, clock
// domains and synchronization statistics.
#include "catalog.hpp"

namespace pdi {
namespace {

using K = Kind;

#define ITEM_DOC(title) "RLX Data Item: Norvane Data Protocol " title " Data Item Definition"
#define PRIVATE_DOC(title, use) ITEM_DOC(title) ". Private.\n    " use

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
};

}  // namespace

const Table kTimeSyncTable = table(kSpecs);

}  // namespace pdi
