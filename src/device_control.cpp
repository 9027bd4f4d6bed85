// Device control and configuration items: device commands and their registry, pins,
// power, RF agility, persistent properties.
#include "catalog.hpp"

namespace pdi {
namespace {

using K = Kind;


// ---------------------------------------------------------------------------
// Small helpers shared by the method bodies.

py::object get(PyObject* o, const char* name) { return steal(PyObject_GetAttrString(o, name)); }
py::object integer(long v) { return steal(PyLong_FromLong(v)); }
py::object text(const char* s) { return steal(PyUnicode_FromString(s)); }
// format(value, fmt), as the host's formatting does it.
py::object format(PyObject* value, const char* fmt) { return steal(PyObject_Format(value, text(fmt).ptr())); }


// Appends `element` to the list attribute `list` of `self`.
void append_to(PyObject* self, const char* list, PyObject* element) {
    py::object target = get(self, list);
    py::object done = steal(PyObject_CallMethod(target.ptr(), "append", "O", element));
}

// Builds the record `element` from `values` (positional) and appends it to `list`.
void append_record(Ctx ctx, PyObject* self, const char* list, const char* element, PyObject* const* values,
                   std::size_t n) {
    py::object cls = global(ctx, element);
    py::object record = steal(PyObject_Vectorcall(cls.ptr(), values, n, nullptr));
    append_to(self, list, record.ptr());
}

// ---------------------------------------------------------------------------
// Bit-field accessors: (attribute AND mask) shifted right, on the stored value
// as it is (a negative mask applies no mask).

template <class F>
py::object field_body(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args(F::fn, nargs, kwnames, 0);
    py::object v = get(args[0], F::attr);
    if (F::mask >= 0) v = steal(PyNumber_And(v.ptr(), integer(F::mask).ptr()));
    if (F::shift) v = steal(PyNumber_Rshift(v.ptr(), integer(F::shift).ptr()));
    return v;
}

// A one-bit flag as a truth value: the field shifted down is not zero.
template <class F>
py::object flag_body(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    py::object v = field_body<F>(ctx, args, nargs, kwnames);
    py::object ne = steal(PyObject_RichCompare(v.ptr(), integer(0).ptr(), Py_NE));
    const int set = PyObject_IsTrue(ne.ptr());
    check_status(set);
    return py::bool_(set != 0);
}

#define FIELD(Struct, Fn, Attr, Shift, Mask)                 \
    struct Struct {                                          \
        static constexpr const char* fn = Fn;                \
        static constexpr const char* attr = Attr;            \
        static constexpr int shift = Shift;                  \
        static constexpr long mask = Mask;                   \
    }

FIELD(CommandType, "get_command_type", "command_type_length", 10, -1);
FIELD(CommandLength, "get_command_length", "command_type_length", 0, 0x3FF);
FIELD(ReportedPinBank, "get_reported_pin_bank", "pin_bank", 0, 0x1F);
FIELD(SendReportFlag, "get_send_report_flag", "pin_bank", 7, -1);
FIELD(PollInterval, "get_poll_interval", "data", 5, -1);
FIELD(ChangeReportFlag, "get_change_report_flag", "data", 3, 0x18);
FIELD(PinConfiguration, "get_pin_configuration", "data", 0, 0x07);

#undef FIELD

const MethodSpec kReportedPinBank = instance_method("get_reported_pin_bank", method<field_body<ReportedPinBank>>);

// ---------------------------------------------------------------------------
// Network command list and the command-class registry.

// The registry held by ExecuteDeviceCommandV2 itself (the class defining the calling method).
py::object registry(Ctx ctx) { return get(ctx.cls(), "cmd_classes"); }

// The command class registered for command type `t`. A type nobody
// registered gets a placeholder class "Unknown0x.." derived from the network
// command base, stored in the registry at once so that every later command
// of that type shares it.
py::object command_class(Ctx ctx, PyObject* t) {
    py::object reg = registry(ctx);
    if (PyObject* found = PyObject_GetItem(reg.ptr(), t)) return steal(found);
    if (!PyErr_ExceptionMatches(PyExc_KeyError)) throw PyErr{};
    PyErr_Clear();
    py::object digits = format(t, "02X");
    py::object name = steal(PyUnicode_FromFormat("Unknown0x%U", digits.ptr()));
    py::object bases = steal(PyTuple_Pack(1, global(ctx, "UWBNetworkCommandItem").ptr()));
    py::object ns = steal(PyDict_New());
    check_status(PyDict_SetItemString(ns.ptr(), "type", t));
    py::object cls = steal(PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject*>(&PyType_Type), name.ptr(),
                                                        bases.ptr(), ns.ptr(), nullptr));
    // A class made here belongs to this module, whoever triggered it.
    check_status(PyObject_SetAttrString(cls.ptr(), "__module__", global(ctx, "__name__").ptr()));
    check_status(PyObject_SetItem(reg.ptr(), t, cls.ptr()));
    return cls;
}

py::object register_cmd_item(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* cmd_class = nullptr;
    bind_args("register_cmd_item", args, nargs, kwnames, {"cmd_class"}, &cmd_class, 1);
    py::object reg = get(args[0], "cmd_classes");
    py::object key = get(cmd_class, "type");
    check_status(PyObject_SetItem(reg.ptr(), key.ptr(), cmd_class));
    return py::none();
}

// Prints the registered command types, ascending, as one line "0x01, 0x03, 0x10".
py::object get_known_cmd_types(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("get_known_cmd_types", nargs, kwnames, 0);
    py::object reg = get(args[0], "cmd_classes");
    py::object keys = steal(PyMapping_Keys(reg.ptr()));
    py::object sorted = steal(PySequence_List(keys.ptr()));
    check_status(PyList_Sort(sorted.ptr()));
    const Py_ssize_t n = PyList_GET_SIZE(sorted.ptr());
    py::object parts = steal(PyList_New(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        py::object hex = format(PyList_GET_ITEM(sorted.ptr(), i), "02X");
        PyList_SET_ITEM(parts.ptr(), i, check(PyUnicode_FromFormat("0x%U", hex.ptr())));
    }
    py::object line = steal(PyUnicode_Join(text(", ").ptr(), parts.ptr()));
    py::object print = global(ctx, "print");
    py::object done = steal(PyObject_CallOneArg(print.ptr(), line.ptr()));
    return py::none();
}

py::object add_uwb_network_command(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* given[4];
    bind_args("add_uwb_network_command", args, nargs, kwnames, {"destination_group", "type", "length", "data"},
              given, 0);
    py::object zero = integer(0);
    for (PyObject*& v : given) {
        if (!v) v = zero.ptr();
    }
    py::object cls = command_class(ctx, given[1]);
    py::object command = steal(PyObject_CallFunctionObjArgs(cls.ptr(), given[0], given[2], given[3], nullptr));
    append_to(args[0], "commands", command.ptr());
    return py::none();
}

// Frames of the commands back to back, each as the command encodes itself.
py::object command_list_encode(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("_encode", nargs, kwnames, 0);
    PyObject* self = args[0];
    py::object commands = get(self, "commands");
    py::object it = steal(PyObject_GetIter(commands.ptr()));
    py::object frames = steal(PyList_New(0));
    py::object header_format = integer(2);
    while (PyObject* raw = PyIter_Next(it.ptr())) {
        py::object command = steal(raw);
        py::object frame = steal(PyObject_CallMethod(command.ptr(), "_encode", "O", header_format.ptr()));
        check_status(PyList_Append(frames.ptr(), frame.ptr()));
    }
    if (PyErr_Occurred()) throw PyErr{};
    py::object empty = steal(PyBytes_FromStringAndSize(nullptr, 0));
    py::object body = steal(PyObject_CallMethod(empty.ptr(), "join", "O", frames.ptr()));
    py::object size = steal(PyLong_FromSsize_t(PyBytes_GET_SIZE(body.ptr())));
    check_status(PyObject_SetAttrString(self, "di_size", size.ptr()));
    py::object code = get(self, "type");
    py::object pack = get(global(ctx, "struct").ptr(), "pack");
    py::object head = steal(PyObject_CallFunctionObjArgs(pack.ptr(), text("<HH").ptr(), code.ptr(), size.ptr(), nullptr));
    return steal(PyNumber_Add(head.ptr(), body.ptr()));
}

// Splits the payload into command frames. On a failure the commands decoded
// so far stay in `commands` and `di_data` holds the bytes not yet decoded.
py::object command_list_decode(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("_decode", nargs, kwnames, 0);
    PyObject* self = args[0];
    py::object commands = steal(PyList_New(0));
    check_status(PyObject_SetAttrString(self, "commands", commands.ptr()));
    py::object unpack = get(global(ctx, "struct").ptr(), "unpack");
    py::object layout = text("<IBH");
    constexpr Py_ssize_t kHeader = 7;
    for (;;) {
        py::object data = get(self, "di_data");
        const int more = PyObject_IsTrue(data.ptr());
        check_status(more);
        if (!more) break;
        py::object header = steal(PySequence_GetSlice(data.ptr(), 0, kHeader));
        py::object fields = steal(PyObject_CallFunctionObjArgs(unpack.ptr(), layout.ptr(), header.ptr(), nullptr));
        if (!PyTuple_Check(fields.ptr()) || PyTuple_GET_SIZE(fields.ptr()) != 3) {
            PyErr_SetString(PyExc_TypeError, "command frame header must unpack to three fields");
            throw PyErr{};
        }
        PyObject* group = PyTuple_GET_ITEM(fields.ptr(), 0);
        PyObject* cmd_type = PyTuple_GET_ITEM(fields.ptr(), 1);
        PyObject* length = PyTuple_GET_ITEM(fields.ptr(), 2);
        const Py_ssize_t n = PyLong_AsSsize_t(length);
        if (n == -1 && PyErr_Occurred()) throw PyErr{};
        const Py_ssize_t end = kHeader + n;
        py::object payload = steal(PySequence_GetSlice(data.ptr(), kHeader, end));
        py::object cls = command_class(ctx, cmd_type);
        py::object command = steal(PyObject_CallFunctionObjArgs(cls.ptr(), group, length, payload.ptr(), nullptr));
        check_status(PyList_Append(commands.ptr(), command.ptr()));
        py::object rest = steal(PySequence_GetSlice(data.ptr(), end, PY_SSIZE_T_MAX));
        check_status(PyObject_SetAttrString(self, "di_data", rest.ptr()));
    }
    check_status(PyObject_SetAttrString(self, "di_data", Py_None));
    return py::none();
}

// "0x8029, <size>:" and then one line per command, in the command's own text.
py::object command_list_str(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    PyObject* self = args[0];
    py::object code = format(get(self, "type").ptr(), "04X");
    py::object size = format(get(self, "di_size").ptr(), "");
    py::object parts = steal(PyList_New(0));
    py::object first = steal(PyUnicode_FromFormat("0x%U, %U:", code.ptr(), size.ptr()));
    check_status(PyList_Append(parts.ptr(), first.ptr()));
    py::object commands = get(self, "commands");
    py::object it = steal(PyObject_GetIter(commands.ptr()));
    while (PyObject* raw = PyIter_Next(it.ptr())) {
        py::object command = steal(raw);
        check_status(PyList_Append(parts.ptr(), steal(PyObject_Str(command.ptr())).ptr()));
    }
    if (PyErr_Occurred()) throw PyErr{};
    return steal(PyUnicode_Join(text("\n").ptr(), parts.ptr()));
}

void command_registry(PyObject* ns, Ctx) {
    check_status(PyDict_SetItemString(ns, "cmd_classes", steal(PyDict_New()).ptr()));
}

// ---------------------------------------------------------------------------
// Pin configuration.

// The configuration byte as it is stored: its text for both str() and repr().
py::object pin_config_str(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    return steal(PyObject_Str(get(args[0], "data").ptr()));
}

// Equal to another record with the same byte, or to the plain number in the byte.
py::object pin_config_eq(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__eq__", nargs, kwnames, 1);
    PyObject* other = args[1];
    py::object mine = get(args[0], "data");
    const int is_record = PyObject_IsInstance(other, ctx.cls());
    check_status(is_record);
    if (is_record) {
        py::object theirs = get(other, "data");
        return steal(PyObject_RichCompare(mine.ptr(), theirs.ptr(), Py_EQ));
    }
    if (PyLong_Check(other)) return steal(PyObject_RichCompare(mine.ptr(), other, Py_EQ));
    return py::bool_(false);
}

struct PinConfigurationsList {
    static constexpr const char* list = "pin_configurations";
};
struct ConfigOptionsList {
    static constexpr const char* list = "config_options";
};

template <class L>
py::object add_pin_configurations(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* data = nullptr;
    bind_args("add_pin_configurations", args, nargs, kwnames, {"data"}, &data, 1);
    append_record(ctx, args[0], L::list, "PinConfig", &data, 1);
    return py::none();
}

const MethodSpec kAddPinConfigurations =
    instance_method("add_pin_configurations", method<add_pin_configurations<PinConfigurationsList>>);

// ---------------------------------------------------------------------------
// Power, RF agility and persistent properties.

py::object add_port_information(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* given[2];
    bind_args("add_port_information", args, nargs, kwnames, {"voltage", "current"}, given, 0);
    py::object zero = integer(0);
    for (PyObject*& v : given) {
        if (!v) v = zero.ptr();
    }
    append_record(ctx, args[0], "port_information", "PortInformation", given, 2);
    return py::none();
}

py::object add_bucket_settings(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* given[12];
    bind_args("add_bucket_settings", args, nargs, kwnames,
              {"channel", "rpf", "preamble_code", "preamble_length", "bit_rate", "power_mode", "phr_power",
               "data_power", "on_time", "initial_off_time", "backoff", "max_off_time"},
              given, 0);
    py::object zero = integer(0);
    for (PyObject*& v : given) {
        if (!v) v = zero.ptr();
    }
    append_record(ctx, args[0], "bucket_settings", "BucketSettings", given, 12);
    return py::none();
}

template <long Value>
py::object set_config(Ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args(Value ? "set_persistent_property" : "clear_persistent_property", nargs, kwnames, 0);
    check_status(PyObject_SetAttrString(args[0], "config", integer(Value).ptr()));
    return py::none();
}

// ---------------------------------------------------------------------------

const ClassSpec kSpecs[] = {
    {"UserDefinedCommandV1", What::Item, 0x000B, ITEM_DOC("User Defined Command"),
     {attr("serial_number", K::Serial), attr("command_type", K::U8), attr("payload", K::VarBytes)}},
    {"PinStateReportV1", What::Item, 0x000C, ITEM_DOC("Pin State Report"),
     {attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8)},
     {kReportedPinBank}},
    {"PinConfig", What::Record, 0, RECORD_DOC("Pin Config"),
     {attr("data", K::U8)},
     {instance_method("get_poll_interval", method<field_body<PollInterval>>),
      instance_method("get_change_report_flag", method<field_body<ChangeReportFlag>>),
      instance_method("get_pin_configuration", method<field_body<PinConfiguration>>),
      instance_method("__str__", method<pin_config_str>), instance_method("__repr__", method<pin_config_str>),
      instance_method("__eq__", method<pin_config_eq>)},
     kNoRecordStr},
    {"PinConfigurationReportV1", What::Item, 0x000D, ITEM_DOC("Pin Configuration Report"),
     {attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("pin_configurations", "PinConfig")},
     {kReportedPinBank, kAddPinConfigurations}},
    {"PinConfiguration", What::Item, 0x000E, ITEM_DOC("Pin Configuration"),
     {attr("serial_number", K::Serial), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("config_options", "PinConfig")},
     {kReportedPinBank, instance_method("get_send_report_flag", method<flag_body<SendReportFlag>>),
      instance_method("add_pin_configurations", method<add_pin_configurations<ConfigOptionsList>>)}},
    {"PinStateReportV2", What::Item, 0x0146, ITEM_DOC("Pin State Report"),
     {attr("serial_number", K::Serial), attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8)},
     {kReportedPinBank}},
    {"PinStateReportV3", What::Item, 0x0174, ITEM_DOC("Pin State Report"),
     {attr("serial_number", K::Serial), attr("nt64", K::U64), attr("pin_bank", K::U8), attr("pin_mask", K::U8)},
     {kReportedPinBank}},
    {"PinConfigurationReportV2", What::Item, 0x0147, ITEM_DOC("Pin Configuration Report"),
     {attr("serial_number", K::Serial), attr("gnt", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("pin_configurations", "PinConfig")},
     {kReportedPinBank, kAddPinConfigurations}},
    // The time field keeps its name but is 32 bits wide on the wire.
    {"PinConfigurationReportV3", What::Item, 0x0175, ITEM_DOC("Pin Configuration Report"),
     {attr("serial_number", K::Serial), attr("nt64", K::U32), attr("pin_bank", K::U8), attr("pin_mask", K::U8),
      list_of("pin_configurations", "PinConfig")},
     {kReportedPinBank, kAddPinConfigurations}},
    {"DiagnosticAlert", What::Item, 0x0180, ITEM_DOC("Diagnostic Alert"),
     {attr("serial_number", K::Serial), attr("diagnostic_code", K::U16), attr("state", K::U8),
      attr("message", K::VarStr)}},
    {"SSPV1", What::Item, 0x8004, ITEM_DOC("SSP"), {attr("response_type", K::U8)}},
    {"ConfigurationDumpV1", What::Item, 0x8006, ITEM_DOC("Configuration Dump"),
     {attr("binary_config_data", K::VarBytes)}},
    {"ExecuteDeviceCommandV1", What::Item, 0x8012, ITEM_DOC("Execute Device Command"),
     {attr("destination_group", K::U32), attr("command_type_length", K::U16), attr("command_data", K::VarBytes)},
     {instance_method("get_command_type", method<field_body<CommandType>>),
      instance_method("get_command_length", method<field_body<CommandLength>>)}},
    {"PortInformation", What::Record, 0, RECORD_DOC("Port Information"),
     {attr("voltage", K::U16), attr("current", K::U16)}},
    {"PowerReport", What::Item, 0x8016, ITEM_DOC("Power Report"),
     {attr("port_mask", K::U8), attr("output_enable_mask", K::U8), list_of("port_information", "PortInformation")},
     {instance_method("add_port_information", method<add_port_information>)}},
    {"ExecuteDeviceCommandV2", What::Item, 0x8029, ITEM_DOC("Execute Device Command"),
     {list_of("commands", "UWBNetworkCommandItem")},
     {class_method("register_cmd_item", method<register_cmd_item>),
      class_method("get_known_cmd_types", method<get_known_cmd_types>),
      instance_method("add_uwb_network_command", method<add_uwb_network_command>),
      instance_method("_encode", method<command_list_encode>), instance_method("_decode", method<command_list_decode>),
      instance_method("__str__", method<command_list_str>)},
     0, command_registry},
    {"SendDeviceCommand", What::Item, 0x8030, ITEM_DOC("Send Device Command"),
     {attr("serial_number", K::Serial), attr("debug_data", K::VarBytes)}},
    {"RFAgilityRead", What::Item, 0x8058, ITEM_DOC("RF Agility Read"), {attr("serial_number", K::Serial)}},
    {"BucketSettings", What::Record, 0, RECORD_DOC("Bucket Settings"),
     {attr("channel", K::U8), renamed(attr("prf", K::U8), "rpf"), attr("preamble_code", K::U8),
      attr("preamble_length", K::U16), attr("bit_rate", K::U16), attr("power_mode", K::U16),
      attr("phr_power", K::U8), attr("data_power", K::U8), attr("on_time", K::U8), attr("initial_off_time", K::U8),
      attr("backoff", K::U8), attr("max_off_time", K::U8)}},
    {"RFAgilityWrite", What::Item, 0x8059, ITEM_DOC("RF Agility Write"),
     {attr("serial_number_mask", K::Serial), list_of("bucket_settings", "BucketSettings")},
     {instance_method("add_bucket_settings", method<add_bucket_settings>)}},
    {"RedundantPowerCommand", What::Item, 0x8063, ITEM_DOC("Redundant Power Command"), {attr("enable", K::Bool)}},
    {"RstpConfigCommand", What::Item, 0x8064, ITEM_DOC("RSTP Config Command"),
     {attr("enable", K::Bool), attr("max_age", K::U16), attr("forward_delay", K::U16)}},
    {"PersistentPropertyTypes", What::Item, 0x807C, ITEM_DOC("Persistent Property Types") ".",
     {attr("offset", K::U16), attr("total_types", K::U16), attr("data", K::VarBytes)}},
    {"PersistentPropertyData", What::Item, 0x807D, ITEM_DOC("Persistent Property Data") ".",
     {attr("prop_id", K::U16), attr("offset", K::U16), attr("total_size", K::U16), attr("payload", K::VarBytes)}},
    {"SetProtectedPersistentProperty", What::Item, 0x8091, ITEM_DOC("Set Protected Persistent Property") ".",
     {attr("serial_number", K::Serial), attr("config", K::U8), attr("property_id", K::U16),
      attr("property_value", K::VarBytes)},
     {instance_method("set_persistent_property", method<set_config<1>>),
      instance_method("clear_persistent_property", method<set_config<0>>)}},
    {"GetProtectedPersistentPropertyValue", What::Item, 0x8092,
     ITEM_DOC("Get Protected Persistent Property Value") ".",
     {attr("serial_number", K::Serial), attr("property_id", K::U16)}},
    {"GetProtectedPersistentPropertyList", What::Item, 0x8093, ITEM_DOC("Get Protected Persistent Property List") ".",
     {attr("serial_number", K::Serial)}},
    {"LEDReport", What::Item, 0x8099, ITEM_DOC("LED Report") ".",
     {attr("timestamp_ms", K::U64), attr("red", K::U8), attr("green", K::U8), attr("blue", K::U8),
      attr("intensity", K::U8)}},
};

}  // namespace

const Table kDeviceControlTable = table(kSpecs);

}  // namespace pdi
