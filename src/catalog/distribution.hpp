// Distribution and discovery items: firmware and content images, updater status,
// device discovery and network services.
#pragma once

#include "../catalog.hpp"
#include "../text.hpp"

namespace pdi::distribution {
namespace {

using K = Kind;

// The names the bodies below use besides the shared ones.
#define BODY_NAMES(X) \
    X(damr_type) X(image_names) X(image_type) X(packet) X(status) X(status_strings)
PDI_BODY_NAMES(BODY_NAMES)
#undef BODY_NAMES

// ---------------------------------------------------------------------------
// Discovery hardware byte: version in bits 4..0, over-the-air upgrade in bit 5.

constexpr MethodSpec kHardwareVersion = field("get_hardware_version", "hardware_version", 0x1F);
constexpr MethodSpec kOtaUpgrade = flag("get_ota_upgrade", "hardware_version", 0x20);

// ---------------------------------------------------------------------------
// Updater status texts, indexed by status code and by image type.

constexpr const char* kStatusStrings[] = {
    "?", "saved", "already saved", "complete", "?", "?", "?", "?", "?", "?",
    "too big", "failed malloc", "failed qpush", "no processor", "failed write to flash", "bad sha",
    "cannot load program",
};
constexpr const char* kImageNames[] = {"recovery", "bootloader", "firmware", "almanac"};

template <std::size_t Count>
py::object str_list(const char* const (&texts)[Count]) {
    py::object list = steal(PyList_New(static_cast<Py_ssize_t>(Count)));
    for (std::size_t i = 0; i < Count; ++i) {
        PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), check(PyUnicode_FromString(texts[i])));
    }
    return list;
}

void updater_stats_tables(PyObject* ns) {
    check_status(PyDict_SetItem(ns, N.status_strings, str_list(kStatusStrings).ptr()));
    check_status(PyDict_SetItem(ns, N.image_names, str_list(kImageNames).ptr()));
}

// The entry of the class's table `table` at index self.<name>, or "?" when
// the value lies outside the table (a negative value included: it never
// counts from the end).
py::object table_text(const Call& c, PyObject* table, PyObject* name) {
    py::object entries = get(c.cls(), table);
    py::object value = get(c.self, name);
    py::object size = steal(PyLong_FromSsize_t(length(entries.ptr())));
    const int below_end = PyObject_RichCompareBool(value.ptr(), size.ptr(), Py_LT);
    check_status(below_end);
    if (below_end) {
        const int from_start = PyObject_RichCompareBool(value.ptr(), N.zero, Py_GE);
        check_status(from_start);
        if (from_start) return steal(PyObject_GetItem(entries.ptr(), value.ptr()));
    }
    return steal(PyUnicode_FromString("?"));
}

py::object image_name(Call& c) { return table_text(c, N.image_names, N.image_type); }
py::object sector_status(Call& c) { return table_text(c, N.status_strings, N.status); }

// ---------------------------------------------------------------------------
// DAMR packet: "0x{:02X}, {}" of the packet type and the packet's bytes read
// as one little-endian unsigned number, in the host's hexadecimal form.
py::object damr_str(Call& c) {
    py::object damr_type = get(c.self, N.damr_type);
    py::object packet = get(c.self, N.packet);
    py::object tail;
    if (!PyBytes_CheckExact(packet.ptr())) {
        // Made before the type is formatted, as Python evaluates the arguments of format() first.
        py::object little = steal(PyUnicode_FromString("little"));
        py::object from_bytes = get(reinterpret_cast<PyObject*>(&PyLong_Type), steal(PyUnicode_FromString("from_bytes")).ptr());
        PyObject* args[] = {packet.ptr(), little.ptr()};
        py::object number = steal(PyObject_Vectorcall(from_bytes.ptr(), args, 2, nullptr));
        tail = steal(PyNumber_ToBase(number.ptr(), 16));
    }
    Text t;
    t.ascii("0x").hex(damr_type.ptr(), 2).ascii(", ");
    if (tail) return t.str(tail.ptr()).finish();
    // Most significant byte first, leading zeros dropped; zero is "0x0".
    const auto* p = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(packet.ptr()));
    Py_ssize_t top = PyBytes_GET_SIZE(packet.ptr());
    while (top > 0 && p[top - 1] == 0) --top;
    static const char digits[] = "0123456789abcdef";
    char chunk[64];
    Py_ssize_t n = 0;
    chunk[n++] = '0';
    chunk[n++] = 'x';
    if (top == 0) chunk[n++] = '0';
    if (top > 0 && p[top - 1] < 16) chunk[n++] = digits[p[--top]];
    for (Py_ssize_t i = top - 1; i >= 0; --i) {
        if (n + 2 > static_cast<Py_ssize_t>(sizeof chunk)) {
            t.ascii(chunk, n);
            n = 0;
        }
        chunk[n++] = digits[p[i] >> 4];
        chunk[n++] = digits[p[i] & 15];
    }
    return t.ascii(chunk, n).finish();
}

// ---------------------------------------------------------------------------

constexpr ClassSpec kSpecs[] = {
    {21, "ImageNotificationV1", What::Item, 0x800A, ITEM_DOC("Image Notification"),
     {attr("image_type", K::U8), fixed_str("image_version", 32), fixed_bytes("image_sha1", 20),
      attr("image_size", K::U32), attr("sector_size", K::U16), attr("image_serial", K::Serial),
      fixed_bytes("hardware_match", 20)}},
    {22, "ImageRequestV1", What::Item, 0x800B, ITEM_DOC("Image Request"),
     {attr("image_serial", K::Serial), attr("sha1_end", K::U32), attr("sector_number", K::U16)}},
    {23, "ImageSectorV1", What::Item, 0x800C, ITEM_DOC("Image Sector"),
     {attr("image_serial", K::Serial), attr("sha1_end", K::U32), attr("sector_number", K::U16),
      attr("sector", K::VarBytes)}},
    {24, "IPDiscoveryV1", What::Item, 0x800D, ITEM_DOC("IP Discovery"),
     {attr("transaction_id", K::U32), fixed_bytes("mac_address", 6), attr("ip_address", K::U32),
      attr("subnet_mask", K::U32), attr("default_gateway", K::U32), attr("vlan_id", K::U16),
      attr("config_type", K::U8), attr("listen_ip", K::U32)}},
    {25, "IPAssignmentV1", What::Item, 0x800E, ITEM_DOC("IP Assignment"),
     {attr("transaction_id", K::U32), fixed_bytes("mac_address", 6), attr("ip_address", K::U32),
      attr("subnet_mask", K::U32), attr("default_gateway", K::U32), attr("vlan_id", K::U16),
      attr("config_type", K::U8)}},
    {26, "WiredDiscoveryV1", What::Item, 0x800F, ITEM_DOC("Wired Discovery"),
     {attr("hardware_version", K::U8), attr("server_instance", K::Serial), attr("capabilities", K::U64),
      attr("payload", K::VarBytes)},
     {kHardwareVersion}},
    {40, "UWBDiscoveryV1", What::Item, 0x801A, ITEM_DOC("UWB Discovery"),
     {attr("source_serial_number", K::Serial), attr("server_instance", K::U32), attr("nt64", K::U64),
      attr("signal_strength", K::SignalStrength), attr("nt_quality", K::U8), attr("hardware_version", K::U8),
      attr("payload", K::VarBytes)},
     {kHardwareVersion}},
    {41, "NetworkTraffic", What::Item, 0x801B, ITEM_DOC("Network Traffic"),
     {attr("server_ip", K::U32), attr("server_port", K::U16)}},
    {53, "UWBDiscoveryV3", What::Item, 0x8027, ITEM_DOC("UWB Discovery"),
     {attr("source_serial_number", K::Serial), attr("nt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("interface_id", K::U8), attr("nt_quality", K::U8), attr("hardware_version", K::U8),
      attr("recovery_sha1", K::U32), attr("bootloader_sha1", K::U32), attr("firmware_sha1", K::U32),
      attr("payload", K::VarBytes)},
     {kHardwareVersion, kOtaUpgrade}},
    {54, "UWBDiscoveryV2", What::Item, 0x8028, ITEM_DOC("UWB Discovery"),
     {attr("source_serial_number", K::Serial), attr("nt64", K::U64), attr("signal_strength", K::SignalStrength),
      attr("nt_quality", K::U8), attr("hardware_version", K::U8), attr("recovery_sha1", K::U32),
      attr("bootloader_sha1", K::U32), attr("firmware_sha1", K::U32), attr("payload", K::VarBytes)},
     {kHardwareVersion, kOtaUpgrade}},
    {57, "DBChanged", What::Item, 0x802B, ITEM_DOC("DB Changed"), {}},
    {65, "ContentDiscoveryV1", What::Item, 0x8036, ITEM_DOC("Content Discovery"), {fixed_bytes("sha256", 32)}},
    {66, "ContentNotificationV1", What::Item, 0x8037, ITEM_DOC("Content Notification"),
     {fixed_bytes("sha256", 32), attr("content_size", K::U64), attr("sector_size", K::U16)}},
    {67, "ContentRequestV1", What::Item, 0x8038, ITEM_DOC("Content Request"),
     {attr("sha256_end", K::U64), attr("sector_number", K::U32)}},
    {68, "ContentSectorV1", What::Item, 0x8039, ITEM_DOC("Content Sector"),
     {attr("sha256_end", K::U64), attr("sector_number", K::U32), attr("sector", K::VarBytes)}},
    {69, "Ack", What::Item, 0x803A, ITEM_DOC("Acknowledge"), {attr("source_serial_number", K::Serial)}},
    // The payload field `type` lives on the instance; the class keeps the type code.
    {71, "BridgeCommand", What::Item, 0x803C, ITEM_DOC("Bridge Command"),
     {attr("type", K::U8), attr("size", K::U16), attr("data", K::VarBytes)}},
    {72, "RLXBandwidthTestCommand", What::Item, 0x803E, ITEM_DOC("RLX Bandwidth Test Command"),
     {attr("packet_length", K::U16), attr("packet_interval", K::U16), attr("test_duration", K::U16)}},
    {73, "RLXBandwidthTestPacket", What::Item, 0x803F, ITEM_DOC("RLX Bandwidth Test Packet"),
     {attr("sequence", K::U16), attr("data", K::VarBytes)}},
    {74, "UWBDiscoveryV4", What::Item, 0x8040, ITEM_DOC("UWB Discovery"),
     {attr("nt64", K::U64), attr("signal_strength", K::SignalStrength), attr("interface_id", K::U8),
      attr("nt_quality", K::U8), attr("announce_header", K::U8), attr("server_instance", K::Serial),
      attr("serial_number", K::Serial), attr("sequence_number_and_capabilities", K::U32),
      attr("firmware_IVSHA_ending", K::U32), attr("optional_capability_data", K::VarBytes)}},
    {75, "DevicesReady", What::Item, 0x8041, ITEM_DOC("Devices Ready"), {attr("server_instance", K::U32)}},
    {78, "ServerReady", What::Item, 0x8045, ITEM_DOC("Server Ready"), {attr("server_instance", K::U32)}},
    {80, "ContentSectorV2", What::Item, 0x8047, ITEM_DOC("Content Sector"),
     {fixed_bytes("sha256", 32), fixed_str("version_string", 32), attr("content_size", K::U64),
      attr("sector_size", K::U32), attr("sector_count", K::U32), attr("sector_index", K::U32),
      attr("data", K::VarBytes)}},
    {89, "ParticleUpdater", What::Item, 0x8050, ITEM_DOC("Particle Updater"),
     {attr("flags", K::U8)},
     {flag("get_almanac_flag", "flags", 0x20), flag("get_firmware_flag", "flags", 0x40),
      flag("get_content_flag", "flags", 0x80)}},
    {90, "DebugTraffic", What::Item, 0x8051, ITEM_DOC("Debug Traffic"),
     {attr("server_ip", K::U32), attr("server_port", K::U16)}},
    {91, "UWBSnifferPacket", What::Item, 0x8052, nullptr, {attr("data", K::VarBytes)}},
    // As in BridgeCommand, the payload field `type` does not replace the class's type code.
    {98, "CacheRequest", What::Item, 0x805A, ITEM_DOC("Cache Request"),
     {attr("transaction_id", K::U32), attr("type", K::U16)}},
    {100, "CacheReadResult", What::Item, 0x805C, ITEM_DOC("Cache Read Result"),
     {attr("transaction_id", K::U32), attr("error_string", K::VarStr)}},
    {117, "AckTagResponseMapping", What::Item, 0x8073, ITEM_DOC("Ack Tag Response Mapping"),
     {fixed_bytes("command_sha1", 20)}},
    {129, "ParticleUpdaterStats", What::Item, 0x807E, ITEM_DOC("Particle Updater Stats"),
     {fixed_str("image_version", 32), fixed_bytes("image_sha1", 20), attr("image_size", K::U32),
      attr("bytes_saved", K::U32), attr("sector_number", K::U16), attr("sector_size", K::U16),
      attr("image_type", K::U8), attr("status", K::U8)},
     {body("image_name", image_name, "str"), body("sector_status", sector_status, "str")},
     0, updater_stats_tables},
    {131, "OtaImageRequest", What::Item, 0x8083, ITEM_DOC("OTA Image Request"),
     {attr("rx_stats", K::RxStats), attr("serial_number", K::Serial), attr("ivsha1_ending", K::U32),
      attr("sector_number", K::U16)}},
    {188, "DamrPacket", What::Item, 0x80D3,
     PRIVATE_DOC("DAMR Packet", "Carries one packet of the DAMR protocol inside an RLX data item."),
     {attr("damr_type", K::U8), attr("packet", K::VarBytes)},
     {body("__str__", damr_str, "str")}},
    {189, "BackupRegisterContents", What::Item, 0x80D5,
     PRIVATE_DOC("Backup Register Contents", "Reports the contents of a device's backup registers."),
     {attr("total_registers", K::U16), attr("backup_registers", K::VarBytes)}},
    // The type code alone is the command: no layout of its own.
    {190, "SwapImageCommand", What::Item, 0x80D7,
     PRIVATE_DOC("Swap Image Command", "Tells an anchor's bootloader to load its backup image."),
     {}, {}, kNoDefinition},
};

}  // namespace

constexpr Table kTable = packed_table<kSpecs>();

}  // namespace pdi::distribution
