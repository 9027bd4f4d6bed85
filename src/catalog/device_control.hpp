// Device control and configuration items: device commands and their registry, pins,
// power, RF agility, persistent properties.
#pragma once

#include "../catalog.hpp"
#include "../text.hpp"

#include <cstring>

namespace pdi::device_control {
namespace {

using K = Kind;

// The names the bodies below use besides the shared ones.
#define BODY_NAMES(X) \
    X(UWBNetworkCommandItem) X(cmd_classes) X(commands) X(config) X(data) X(di_size) X(pack) \
    X(print) X(struct_) X(unpack)
PDI_BODY_NAMES(BODY_NAMES)
#undef BODY_NAMES

// ---------------------------------------------------------------------------
// Network command list and the command-class registry.

// The command class registered for command type `t` in the registry held by
// ExecuteDeviceCommandV2 itself (the class defining the calling method). A
// type nobody registered gets a placeholder class "Unknown0x.." derived from
// the network command base, stored in the registry at once so that every
// later command of that type shares it.
py::object command_class(const Call& c, PyObject* t) {
    py::object reg = get(c.cls(), N.cmd_classes);
    if (PyObject* found = PyObject_GetItem(reg.ptr(), t)) return steal(found);
    if (!PyErr_ExceptionMatches(PyExc_KeyError)) throw PyErr{};
    PyErr_Clear();
    py::object two_digits = steal(PyUnicode_FromString("02X"));
    py::object digits = steal(PyObject_Format(t, two_digits.ptr()));
    py::object name = steal(PyUnicode_FromFormat("Unknown0x%U", digits.ptr()));
    py::object base = c.global(N.UWBNetworkCommandItem);
    py::object bases = steal(PyTuple_Pack(1, base.ptr()));
    py::object ns = steal(PyDict_New());
    check_status(PyDict_SetItem(ns.ptr(), N.type, t));
    PyObject* args[] = {name.ptr(), bases.ptr(), ns.ptr()};
    py::object cls = steal(PyObject_Vectorcall(reinterpret_cast<PyObject*>(&PyType_Type), args, 3, nullptr));
    // A class made here belongs to this module, whoever triggered it.
    set(cls.ptr(), N.__module__, c.global(N.__name__).ptr());
    check_status(PyObject_SetItem(reg.ptr(), t, cls.ptr()));
    return cls;
}

py::object register_cmd_item(Call& c) {
    PyObject* cmd_class = c.args[0];
    py::object reg = get(c.self, N.cmd_classes);
    py::object key = get(cmd_class, N.type);
    check_status(PyObject_SetItem(reg.ptr(), key.ptr(), cmd_class));
    return py::none();
}

// Prints the registered command types, ascending, as one line "0x01, 0x03, 0x10".
py::object get_known_cmd_types(Call& c) {
    py::object reg = get(c.self, N.cmd_classes);
    py::object keys = steal(PyMapping_Keys(reg.ptr()));
    py::object sorted = steal(PySequence_List(keys.ptr()));
    check_status(PyList_Sort(sorted.ptr()));
    Text line;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(sorted.ptr()); ++i) {
        if (i) line.ascii(", ");
        line.ascii("0x").hex(PyList_GET_ITEM(sorted.ptr(), i), 2);
    }
    py::object text = line.finish();
    steal(PyObject_CallOneArg(c.global(N.print).ptr(), text.ptr()));
    return py::none();
}

py::object add_uwb_network_command(Call& c) {
    py::object cls = command_class(c, c.args[1]);
    PyObject* args[] = {c.args[0], c.args[2], c.args[3]};
    py::object command = steal(PyObject_Vectorcall(cls.ptr(), args, 3, nullptr));
    py::object commands = get(c.self, N.commands);
    steal(PyObject_CallMethodOneArg(commands.ptr(), N.append, command.ptr()));
    return py::none();
}

// Frames of the commands back to back, each as the command encodes itself,
// behind the type code and the payload length.
py::object command_list_encode(Call& c) {
    PyObject* self = c.self;
    py::object commands = get(self, N.commands);
    py::object it = steal(PyObject_GetIter(commands.ptr()));
    py::object frames = steal(PyList_New(0));
    py::object header_format = steal(PyLong_FromLong(2));
    while (PyObject* raw = PyIter_Next(it.ptr())) {
        py::object command = steal(raw);
        py::object frame = steal(PyObject_CallMethodOneArg(command.ptr(), N._encode, header_format.ptr()));
        check_status(PyList_Append(frames.ptr(), frame.ptr()));
    }
    if (PyErr_Occurred()) throw PyErr{};
    py::object empty = steal(PyBytes_FromStringAndSize(nullptr, 0));
    py::object payload = steal(PyBytes_Join(empty.ptr(), frames.ptr()));
    const Py_ssize_t size = PyBytes_GET_SIZE(payload.ptr());
    py::object size_obj = steal(PyLong_FromSsize_t(size));
    set(self, N.di_size, size_obj.ptr());
    py::object code = get(self, N.type);
    long type = -1;
    if (PyLong_CheckExact(code.ptr())) {
        type = PyLong_AsLong(code.ptr());
        if (type == -1 && PyErr_Occurred()) PyErr_Clear();
    }
    if (type < 0 || type > 0xFFFF || size > 0xFFFF) {
        // Out of range or not a plain number: the host's packing says what is wrong.
        py::object pack = get(c.global(N.struct_).ptr(), N.pack);
        py::object layout = steal(PyUnicode_FromString("<HH"));
        PyObject* args[] = {layout.ptr(), code.ptr(), size_obj.ptr()};
        py::object head = steal(PyObject_Vectorcall(pack.ptr(), args, 3, nullptr));
        return steal(PyNumber_Add(head.ptr(), payload.ptr()));
    }
    py::object out = steal(PyBytes_FromStringAndSize(nullptr, 4 + size));
    auto* p = reinterpret_cast<unsigned char*>(PyBytes_AS_STRING(out.ptr()));
    p[0] = static_cast<unsigned char>(type);
    p[1] = static_cast<unsigned char>(type >> 8);
    p[2] = static_cast<unsigned char>(size);
    p[3] = static_cast<unsigned char>(size >> 8);
    std::memcpy(p + 4, PyBytes_AS_STRING(payload.ptr()), static_cast<std::size_t>(size));
    return out;
}

// Splits the payload into command frames: destination group (u32), command
// type (u8), payload length n (u16), n bytes of payload. On a failure the
// commands decoded so far stay in `commands` and `di_data` holds the bytes
// not yet decoded.
py::object command_list_decode(Call& c) {
    PyObject* self = c.self;
    py::object commands = steal(PyList_New(0));
    set(self, N.commands, commands.ptr());
    constexpr Py_ssize_t kHeader = 7;
    for (;;) {
        py::object data = get(self, N.di_data);
        const int more = PyObject_IsTrue(data.ptr());
        check_status(more);
        if (!more) break;
        py::object group, cmd_type, length_obj;
        if (PyBytes_CheckExact(data.ptr()) && PyBytes_GET_SIZE(data.ptr()) >= kHeader) {
            const auto* p = reinterpret_cast<const unsigned char*>(PyBytes_AS_STRING(data.ptr()));
            const unsigned long g = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<unsigned long>(p[3]) << 24);
            group = steal(PyLong_FromUnsignedLong(g));
            cmd_type = steal(PyLong_FromLong(p[4]));
            length_obj = steal(PyLong_FromLong(p[5] | (p[6] << 8)));
        } else {
            // Short, or not plain bytes: the host's unpacking reads it or says why not.
            py::object header = slice(data.ptr(), 0, kHeader);
            py::object unpack = get(c.global(N.struct_).ptr(), N.unpack);
            py::object layout = steal(PyUnicode_FromString("<IBH"));
            PyObject* args[] = {layout.ptr(), header.ptr()};
            py::object fields = steal(PyObject_Vectorcall(unpack.ptr(), args, 2, nullptr));
            if (!PyTuple_Check(fields.ptr()) || PyTuple_GET_SIZE(fields.ptr()) != 3) {
                PyErr_SetString(PyExc_TypeError, "command frame header must unpack to three fields");
                throw PyErr{};
            }
            group = borrow(PyTuple_GET_ITEM(fields.ptr(), 0));
            cmd_type = borrow(PyTuple_GET_ITEM(fields.ptr(), 1));
            length_obj = borrow(PyTuple_GET_ITEM(fields.ptr(), 2));
        }
        const Py_ssize_t n = PyLong_AsSsize_t(length_obj.ptr());
        if (n == -1 && PyErr_Occurred()) throw PyErr{};
        if (n < 0) {
            PyErr_SetString(PyExc_ValueError, "command frame length must not be negative");
            throw PyErr{};
        }
        // A length beyond what remains takes what remains (and never wraps around).
        const Py_ssize_t end = n > PY_SSIZE_T_MAX - kHeader ? PY_SSIZE_T_MAX : kHeader + n;
        py::object payload = slice(data.ptr(), kHeader, end);
        py::object cls = command_class(c, cmd_type.ptr());
        PyObject* args[] = {group.ptr(), length_obj.ptr(), payload.ptr()};
        py::object command = steal(PyObject_Vectorcall(cls.ptr(), args, 3, nullptr));
        check_status(PyList_Append(commands.ptr(), command.ptr()));
        consume(self, data.ptr(), end);
    }
    set(self, N.di_data, Py_None);
    return py::none();
}

// "0x8029, <size>:" and then one line per command, in the command's own text.
py::object command_list_str(Call& c) {
    PyObject* self = c.self;
    py::object code = get(self, N.type);
    py::object size = get(self, N.di_size);
    Text t;
    t.ascii("0x").hex(code.ptr(), 4).ascii(", ").plain(size.ptr()).ascii(":");
    py::object commands = get(self, N.commands);
    py::object it = steal(PyObject_GetIter(commands.ptr()));
    while (PyObject* raw = PyIter_Next(it.ptr())) {
        py::object command = steal(raw);
        t.ascii("\n").as_str(command.ptr());
    }
    if (PyErr_Occurred()) throw PyErr{};
    return t.finish();
}

void command_registry(PyObject* ns) { check_status(PyDict_SetItem(ns, N.cmd_classes, steal(PyDict_New()).ptr())); }

constexpr Param kCommandParams[] = {
    {"destination_group", "int"}, {"type", "int"}, {"length", "int"}, {"data", "bytes | int"}};
constexpr Param kCmdClassParam[] = {{"cmd_class", "builtins.type[UWBNetworkCommandItem]", Dflt::Required}};

// ---------------------------------------------------------------------------
// Pin configuration.

// The configuration byte as it is stored: its text for both str() and repr().
py::object pin_config_str(Call& c) {
    py::object data = get(c.self, N.data);
    Text text;
    return text.as_str(data.ptr()).finish();
}

// Equal to another record with the same byte, or to the plain number in the byte.
py::object pin_config_eq(Call& c) {
    PyObject* other = c.args[0];
    py::object mine = get(c.self, N.data);
    const int is_record = PyObject_IsInstance(other, c.cls());
    check_status(is_record);
    if (is_record) {
        py::object theirs = get(other, N.data);
        return steal(PyObject_RichCompare(mine.ptr(), theirs.ptr(), Py_EQ));
    }
    if (PyLong_Check(other)) return steal(PyObject_RichCompare(mine.ptr(), other, Py_EQ));
    return borrow(Py_False);
}

constexpr Param kOtherParam[] = {{"other", "object", Dflt::Positional}};
constexpr Param kPinDataParam[] = {{"data", "int", Dflt::Required}};

// The builder of the pin configuration lists: appends PinConfig(data).
constexpr MethodSpec add_pin_configurations(const char* list) noexcept {
    return append("add_pin_configurations", list, "PinConfig", kPinDataParam);
}

constexpr MethodSpec kReportedPinBank = field("get_reported_pin_bank", "pin_bank", 0x1F);

// ---------------------------------------------------------------------------
// Power, RF agility and persistent properties.

constexpr Param kPortParams[] = {{"voltage", "int"}, {"current", "int"}};
constexpr Param kBucketParams[] = {
    {"channel", "int"}, {"rpf", "int"}, {"preamble_code", "int"}, {"preamble_length", "int"},
    {"bit_rate", "int"}, {"power_mode", "int"}, {"phr_power", "int"}, {"data_power", "int"},
    {"on_time", "int"}, {"initial_off_time", "int"}, {"backoff", "int"}, {"max_off_time", "int"},
};

py::object set_persistent_property(Call& c) {
    set(c.self, N.config, N.one);
    return py::none();
}
py::object clear_persistent_property(Call& c) {
    set(c.self, N.config, N.zero);
    return py::none();
}

// ---------------------------------------------------------------------------

constexpr ClassSpec kSpecs[] = {
    {0, "UserDefinedCommandV1", What::Item, 0x000B, ITEM_DOC("User Defined Command"),
     {attr("serial_number", K::Serial), attr("command_type", K::U8), attr("payload", K::VarBytes)}},
    {1, "PinStateReportV1", What::Item, 0x000C, ITEM_DOC("Pin State Report"),
     {attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8)},
     {kReportedPinBank}},
    {2, "PinConfig", What::Record, 0, RECORD_DOC("Pin Config"),
     {attr("data", K::U8)},
     {field("get_poll_interval", "data", -1, 5), field("get_change_report_flag", "data", 0x18, 3),
      field("get_pin_configuration", "data", 0x07), body("__str__", pin_config_str, "str"),
      body("__repr__", pin_config_str, "str"), body("__eq__", pin_config_eq, "bool", kOtherParam)},
     kNoRecordStr},
    {3, "PinConfigurationReportV1", What::Item, 0x000D, ITEM_DOC("Pin Configuration Report"),
     {attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("pin_configurations", "PinConfig")},
     {kReportedPinBank, add_pin_configurations("pin_configurations")}},
    {4, "PinConfiguration", What::Item, 0x000E, ITEM_DOC("Pin Configuration"),
     {attr("serial_number", K::Serial), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("config_options", "PinConfig")},
     {kReportedPinBank, flag("get_send_report_flag", "pin_bank", -1, 7),
      add_pin_configurations("config_options")}},
    {7, "PinStateReportV2", What::Item, 0x0146, ITEM_DOC("Pin State Report"),
     {attr("serial_number", K::Serial), attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8)},
     {kReportedPinBank}},
    {8, "PinStateReportV3", What::Item, 0x0174, ITEM_DOC("Pin State Report"),
     {attr("serial_number", K::Serial), attr("nt64", K::U64), attr("pin_bank", K::U8), attr("pin_mask", K::U8)},
     {kReportedPinBank}},
    {9, "PinConfigurationReportV2", What::Item, 0x0147, ITEM_DOC("Pin Configuration Report"),
     {attr("serial_number", K::Serial), attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("pin_configurations", "PinConfig")},
     {kReportedPinBank, add_pin_configurations("pin_configurations")}},
    // The time field keeps its name but is 32 bits wide on the wire.
    {10, "PinConfigurationReportV3", What::Item, 0x0175, ITEM_DOC("Pin Configuration Report"),
     {attr("serial_number", K::Serial), attr("nt64", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("pin_configurations", "PinConfig")},
     {kReportedPinBank, add_pin_configurations("pin_configurations")}},
    {11, "DiagnosticAlert", What::Item, 0x0180, ITEM_DOC("Diagnostic Alert"),
     {attr("serial_number", K::Serial), attr("diagnostic_code", K::U16), attr("state", K::U8),
      attr("message", K::VarStr)}},
    {16, "SSPV1", What::Item, 0x8004, ITEM_DOC("SSP"), {attr("response_type", K::U8)}},
    {18, "ConfigurationDumpV1", What::Item, 0x8006, ITEM_DOC("Configuration Dump"),
     {attr("binary_config_data", K::VarBytes)}},
    {29, "ExecuteDeviceCommandV1", What::Item, 0x8012, ITEM_DOC("Execute Device Command"),
     {attr("destination_group", K::U32), attr("command_type_length", K::U16), attr("command_data", K::VarBytes)},
     {field("get_command_type", "command_type_length", -1, 10),
      field("get_command_length", "command_type_length", 0x3FF)}},
    {33, "PortInformation", What::Record, 0, RECORD_DOC("Port Information"),
     {attr("voltage", K::U16), attr("current", K::U16)}},
    {34, "PowerReport", What::Item, 0x8016, ITEM_DOC("Power Report"),
     {attr("port_mask", K::U8), attr("output_enable_mask", K::U8), list_of("port_information", "PortInformation")},
     {append("add_port_information", "port_information", "PortInformation", kPortParams)}},
    {55, "ExecuteDeviceCommandV2", What::Item, 0x8029, ITEM_DOC("Execute Device Command"),
     {list_of("commands", "UWBNetworkCommandItem")},
     {body("register_cmd_item", register_cmd_item, "None", kCmdClassParam, Bind::Class),
      body("get_known_cmd_types", get_known_cmd_types, "None", {}, Bind::Class),
      body("add_uwb_network_command", add_uwb_network_command, "None", kCommandParams),
      body("_encode", command_list_encode, "bytes"), body("_decode", command_list_decode),
      body("__str__", command_list_str, "str")},
     0, command_registry},
    {59, "SendDeviceCommand", What::Item, 0x8030, ITEM_DOC("Send Device Command"),
     {attr("serial_number", K::Serial), attr("debug_data", K::VarBytes)}},
    {95, "RFAgilityRead", What::Item, 0x8058, ITEM_DOC("RF Agility Read"), {attr("serial_number", K::Serial)}},
    {96, "BucketSettings", What::Record, 0, RECORD_DOC("Bucket Settings"),
     {attr("channel", K::U8), renamed(attr("prf", K::U8), "rpf"), attr("preamble_code", K::U8),
      attr("preamble_length", K::U16), attr("bit_rate", K::U16), attr("power_mode", K::U16),
      attr("phr_power", K::U8), attr("data_power", K::U8), attr("on_time", K::U8), attr("initial_off_time", K::U8),
      attr("backoff", K::U8), attr("max_off_time", K::U8)}},
    {97, "RFAgilityWrite", What::Item, 0x8059, ITEM_DOC("RF Agility Write"),
     {attr("serial_number_mask", K::Serial), list_of("bucket_settings", "BucketSettings")},
     {append("add_bucket_settings", "bucket_settings", "BucketSettings", kBucketParams)}},
    {106, "RedundantPowerCommand", What::Item, 0x8063, ITEM_DOC("Redundant Power Command"), {attr("enable", K::Bool)}},
    {107, "RstpConfigCommand", What::Item, 0x8064, ITEM_DOC("RSTP Config Command"),
     {attr("enable", K::Bool), attr("max_age", K::U16), attr("forward_delay", K::U16)}},
    {127, "PersistentPropertyTypes", What::Item, 0x807C, ITEM_DOC("Persistent Property Types") ".",
     {attr("offset", K::U16), attr("total_types", K::U16), attr("data", K::VarBytes)}},
    {128, "PersistentPropertyData", What::Item, 0x807D, ITEM_DOC("Persistent Property Data") ".",
     {attr("prop_id", K::U16), attr("offset", K::U16), attr("total_size", K::U16), attr("payload", K::VarBytes)}},
    {145, "SetProtectedPersistentProperty", What::Item, 0x8091, ITEM_DOC("Set Protected Persistent Property") ".",
     {attr("serial_number", K::Serial), attr("config", K::U8), attr("property_id", K::U16),
      attr("property_value", K::VarBytes)},
     {body("set_persistent_property", set_persistent_property),
      body("clear_persistent_property", clear_persistent_property)}},
    {146, "GetProtectedPersistentPropertyValue", What::Item, 0x8092,
     ITEM_DOC("Get Protected Persistent Property Value") ".",
     {attr("serial_number", K::Serial), attr("property_id", K::U16)}},
    {147, "GetProtectedPersistentPropertyList", What::Item, 0x8093, ITEM_DOC("Get Protected Persistent Property List") ".",
     {attr("serial_number", K::Serial)}},
    {149, "LEDReport", What::Item, 0x8099, ITEM_DOC("LED Report") ".",
     {attr("timestamp_ms", K::U64), attr("red", K::U8), attr("green", K::U8), attr("blue", K::U8),
      attr("intensity", K::U8)}},
};

}  // namespace

constexpr Table kTable = packed_table<kSpecs>();

}  // namespace pdi::device_control
