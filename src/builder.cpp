// The generic class builder: walks the catalog order and creates every class
// from its table entry, through the metaclass of RLXDataItem for data items,
// of DataItemAttribute for the attribute kind, and through `type` for records.
#include "catalog.hpp"

#include <array>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace pdi {

namespace {

// Declaration order of the catalog. A name without a table entry is skipped,
// so a partial catalog keeps the relative order of what it declares.
constexpr const char* kCatalogOrder[] = {
#include "catalog_order.inc"
};

constexpr std::array<const char*, static_cast<std::size_t>(Kind::Count_)> kKindNames = {
    "DIUInt8Attr", "DIUInt16Attr", "DIUInt32Attr", "DIUInt64Attr",
    "DIInt8Attr", "DIInt16Attr", "DIInt32Attr", "DIInt64Attr",
    "DIFloatAttr", "DIDoubleAttr",
    "DISerialNumberAttr", "DISerialNumberListAttr", "DIUInt16ListAttr",
    "DIListAttr",
    "DIFixedLengthBytesAttr", "DIFixedLengthStrAttr",
    "DIVariableLengthBytesAttr", "DIVariableLengthStrAttr",
    "DIBoolAttr", "DISignalStrengthAttr", "DICondensedSignalStrengthAttr", "DIRxStatsAttribute",
    "DIDomainInfoAttr",
};

// Module globals and builtins, as a class body sees them: a missing name is a NameError.
PyObject* lookup_name(PyObject* globals, const char* name) {
    PyObject* v = PyDict_GetItemString(globals, name);  // borrowed
    if (!v) {
        PyObject* builtins = PyEval_GetBuiltins();
        v = builtins ? PyDict_GetItemString(builtins, name) : nullptr;
    }
    if (!v) {
        PyErr_Format(PyExc_NameError, "name '%s' is not defined", name);
        throw PyErr{};
    }
    return v;
}

py::object str(const char* s) { return steal(PyUnicode_InternFromString(s)); }

// The attribute object of one table row, e.g. DIFixedLengthStrAttr("ack_string", 32).
py::object make_attribute(PyObject* globals, const AttrSpec& a) {
    PyObject* kind = lookup_name(globals, kind_name(a.kind));
    py::object name = str(a.name);
    switch (a.kind) {
        case Kind::List:
            return steal(PyObject_CallFunctionObjArgs(kind, name.ptr(), lookup_name(globals, a.element), nullptr));
        case Kind::FixedBytes:
        case Kind::FixedStr: {
            py::object n = steal(PyLong_FromLong(a.length));
            return steal(PyObject_CallFunctionObjArgs(kind, name.ptr(), n.ptr(), nullptr));
        }
        default:
            return steal(PyObject_CallOneArg(kind, name.ptr()));
    }
}

py::object tuple_of(const std::initializer_list<AttrSpec>& attrs, bool params) {
    py::object t = steal(PyTuple_New(static_cast<Py_ssize_t>(attrs.size())));
    Py_ssize_t i = 0;
    for (const AttrSpec& a : attrs) {
        PyTuple_SET_ITEM(t.ptr(), i++, str(params && a.param ? a.param : a.name).release().ptr());
    }
    return t;
}

// The generic constructor of an auxiliary record: one parameter per
// definition entry, in order, each defaulting to 0; a serial number is
// stored wrapped where the table says so.
py::object record_init(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* params = ctx.params();
    PyObject* names = ctx.names();
    const char* flags = PyBytes_AS_STRING(ctx.flags());
    const Py_ssize_t n = PyTuple_GET_SIZE(params);
    if (nargs < 1) {
        PyErr_SetString(PyExc_TypeError, "__init__() needs an instance");
        throw PyErr{};
    }
    PyObject* self = args[0];
    const Py_ssize_t npos = nargs - 1;
    if (npos > n) {
        PyErr_Format(PyExc_TypeError, "__init__() takes from 1 to %zd positional arguments but %zd were given",
                     n + 1, nargs);
        throw PyErr{};
    }
    // Gather arguments by position, then by keyword.
    PyObject* values[64] = {};
    if (n > 64) {
        PyErr_SetString(PyExc_SystemError, "record has too many fields");
        throw PyErr{};
    }
    for (Py_ssize_t i = 0; i < npos; ++i) values[i] = args[i + 1];
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        Py_ssize_t i = 0;
        for (; i < n; ++i) {
            PyObject* p = PyTuple_GET_ITEM(params, i);
            if (p == key) break;
            int eq = PyUnicode_Compare(p, key) == 0;
            if (eq) break;
        }
        if (i == n) {
            PyErr_Format(PyExc_TypeError, "__init__() got an unexpected keyword argument '%U'", key);
            throw PyErr{};
        }
        if (values[i]) {
            PyErr_Format(PyExc_TypeError, "__init__() got multiple values for argument '%U'", key);
            throw PyErr{};
        }
        values[i] = args[nargs + k];
    }
    py::object zero = steal(PyLong_FromLong(0));
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* v = values[i] ? values[i] : zero.ptr();
        if (flags[i] & kWrapSerial) {
            py::object wrapped = steal(PyObject_CallOneArg(lookup_name(ctx.globals(), "NorvaneSerialNumber"), v));
            check_status(PyObject_SetAttr(self, PyTuple_GET_ITEM(names, i), wrapped.ptr()));
        } else {
            check_status(PyObject_SetAttr(self, PyTuple_GET_ITEM(names, i), v));
        }
    }
    return py::none();
}

// The generic rendering of an auxiliary record: its values in definition order, joined by ", ".
py::object record_str(Ctx ctx, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    expect_args("__str__", nargs, kwnames, 0);
    PyObject* names = ctx.names();
    const Py_ssize_t n = PyTuple_GET_SIZE(names);
    py::object parts = steal(PyList_New(n));
    for (Py_ssize_t i = 0; i < n; ++i) {
        py::object v = steal(PyObject_GetAttr(args[0], PyTuple_GET_ITEM(names, i)));
        PyList_SET_ITEM(parts.ptr(), i, check(PyObject_Str(v.ptr())));
    }
    py::object sep = steal(PyUnicode_FromString(", "));
    return steal(PyUnicode_Join(sep.ptr(), parts.ptr()));
}

const MethodSpec kRecordInit = instance_method("__init__", method<record_init>);
const MethodSpec kRecordStr = instance_method("__str__", method<record_str>);

void add_method(PyObject* ns, const MethodSpec& m, PyObject* ctx, PyObject* module_name) {
    py::object fn = steal(PyCFunction_NewEx(const_cast<PyMethodDef*>(&m.def), ctx, module_name));
    py::object bound = steal(m.bind == Bind::Class ? PyClassMethod_New(fn.ptr()) : PyInstanceMethod_New(fn.ptr()));
    check_status(PyDict_SetItemString(ns, m.def.ml_name, bound.ptr()));
}

void build_class(PyObject* globals, const ClassSpec& decl) {
    PyObject* module_name = lookup_name(globals, "__name__");
    py::object name = str(decl.name);
    py::object ns = steal(PyDict_New());
    check_status(PyDict_SetItemString(ns.ptr(), "__module__", module_name));
    check_status(PyDict_SetItemString(ns.ptr(), "__qualname__", name.ptr()));
    py::object doc = decl.doc ? steal(PyUnicode_FromString(decl.doc)) : py::none();
    check_status(PyDict_SetItemString(ns.ptr(), "__doc__", doc.ptr()));
    if (decl.what == What::Item) {
        py::object code = steal(PyLong_FromLong(decl.type));
        check_status(PyDict_SetItemString(ns.ptr(), "type", code.ptr()));
    }
    if (!(decl.flags & kNoDefinition)) {
        py::object definition = steal(PyList_New(static_cast<Py_ssize_t>(decl.attrs.size())));
        Py_ssize_t i = 0;
        for (const AttrSpec& a : decl.attrs) {
            PyList_SET_ITEM(definition.ptr(), i++, make_attribute(globals, a).release().ptr());
        }
        check_status(PyDict_SetItemString(ns.ptr(), "definition", definition.ptr()));
    }

    // The class context shared by the class's methods; a class without
    // methods has no use for one.
    py::object ctx;
    if (decl.what == What::Record || decl.methods.size() != 0 || decl.populate) {
        std::string flags;
        for (const AttrSpec& a : decl.attrs) flags.push_back(static_cast<char>(a.flags));
        py::object flag_bytes =
            steal(PyBytes_FromStringAndSize(flags.data(), static_cast<Py_ssize_t>(flags.size())));
        ctx = steal(PyList_New(5));
        PyList_SET_ITEM(ctx.ptr(), 0, py::reinterpret_borrow<py::object>(globals).release().ptr());
        PyList_SET_ITEM(ctx.ptr(), 1, py::none().release().ptr());
        PyList_SET_ITEM(ctx.ptr(), 2, tuple_of(decl.attrs, false).release().ptr());
        PyList_SET_ITEM(ctx.ptr(), 3, tuple_of(decl.attrs, true).release().ptr());
        PyList_SET_ITEM(ctx.ptr(), 4, flag_bytes.release().ptr());
    }

    if (decl.what == What::Record) {
        if (!(decl.flags & kNoRecordInit)) add_method(ns.ptr(), kRecordInit, ctx.ptr(), module_name);
        if (!(decl.flags & kNoRecordStr)) add_method(ns.ptr(), kRecordStr, ctx.ptr(), module_name);
    }
    for (const MethodSpec& m : decl.methods) add_method(ns.ptr(), m, ctx.ptr(), module_name);
    if (decl.populate) decl.populate(ns.ptr(), Ctx{ctx.ptr()});

    // Items through the metaclass of RLXDataItem, the attribute kind through
    // that of DataItemAttribute, records through `type`.
    py::object bases;
    PyObject* meta = reinterpret_cast<PyObject*>(&PyType_Type);
    if (decl.what == What::Record) {
        bases = steal(PyTuple_New(0));
    } else {
        PyObject* base = lookup_name(globals, decl.what == What::Item ? "RLXDataItem" : "DataItemAttribute");
        bases = steal(PyTuple_Pack(1, base));
        meta = reinterpret_cast<PyObject*>(Py_TYPE(base));
    }
    py::object cls = steal(PyObject_CallFunctionObjArgs(meta, name.ptr(), bases.ptr(), ns.ptr(), nullptr));
    if (ctx) check_status(PyList_SetItem(ctx.ptr(), 1, py::object(cls).release().ptr()));
    check_status(PyDict_SetItem(globals, name.ptr(), cls.ptr()));
}

}  // namespace

const char* kind_name(Kind k) { return kKindNames[static_cast<std::size_t>(k)]; }

py::object global(Ctx ctx, const char* name) { return borrow(lookup_name(ctx.globals(), name)); }

void expect_args(const char* fn, Py_ssize_t nargs, PyObject* kwnames, Py_ssize_t n) {
    if (kwnames && PyTuple_GET_SIZE(kwnames)) {
        PyErr_Format(PyExc_TypeError, "%s() takes no keyword arguments", fn);
        throw PyErr{};
    }
    if (nargs != n + 1) {
        PyErr_Format(PyExc_TypeError, "%s() takes %zd positional arguments but %zd were given", fn, n + 1, nargs);
        throw PyErr{};
    }
}

py::object call_super(Ctx ctx, PyObject* self, const char* name) {
    py::object sup = steal(PyObject_CallFunctionObjArgs(reinterpret_cast<PyObject*>(&PySuper_Type), ctx.cls(), self,
                                                        nullptr));
    py::object fn = steal(PyObject_GetAttrString(sup.ptr(), name));
    return steal(PyObject_CallNoArgs(fn.ptr()));
}

void recount(PyObject* self, const char* count, const char* list) {
    py::object value = steal(PyObject_GetAttrString(self, list));
    const Py_ssize_t n = PyObject_Length(value.ptr());
    if (n < 0) throw PyErr{};
    py::object length = steal(PyLong_FromSsize_t(n));
    check_status(PyObject_SetAttrString(self, count, length.ptr()));
}

void bounded_decode(PyObject* self, std::initializer_list<ListBound> bounds) {
    py::object definition = steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(self)), "definition"));
    py::object entries = steal(PySequence_Fast(definition.ptr(), "definition must be a sequence"));
    const Py_ssize_t n = PySequence_Fast_GET_SIZE(entries.ptr());
    // Names looked up on every entry, made once per call.
    const py::object k_name = str("name"), k_di_data = str("di_data"), k_decode = str("_decode");
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* entry = PySequence_Fast_GET_ITEM(entries.ptr(), i);
        py::object name = steal(PyObject_GetAttr(entry, k_name.ptr()));
        py::object data = steal(PyObject_GetAttr(self, k_di_data.ptr()));
        py::object chunk = data;
        for (const ListBound& b : bounds) {
            if (!PyUnicode_Check(name.ptr()) || PyUnicode_CompareWithASCIIString(name.ptr(), b.list) != 0) continue;
            py::object count_obj = steal(PyObject_GetAttrString(self, b.count));
            const Py_ssize_t count = PyLong_AsSsize_t(count_obj.ptr());
            if (count == -1 && PyErr_Occurred()) throw PyErr{};
            const Py_ssize_t have = PyObject_Length(data.ptr());
            if (have < 0) throw PyErr{};
            // A negative count bounds the list to nothing; a huge one to what remains.
            Py_ssize_t limit = count <= 0 ? 0 : (count > have / b.element_size ? have : count * b.element_size);
            if (limit > have) limit = have;
            chunk = steal(PySequence_GetSlice(data.ptr(), 0, limit));
            break;
        }
        py::object result = steal(PyObject_CallMethodOneArg(entry, k_decode.ptr(), chunk.ptr()));
        if (!PyTuple_Check(result.ptr()) || PyTuple_GET_SIZE(result.ptr()) != 2) {
            PyErr_SetString(PyExc_TypeError, "attribute _decode must return a (value, consumed) pair");
            throw PyErr{};
        }
        const Py_ssize_t used = PyLong_AsSsize_t(PyTuple_GET_ITEM(result.ptr(), 1));
        if (used == -1 && PyErr_Occurred()) throw PyErr{};
        const Py_ssize_t chunk_len = PyObject_Length(chunk.ptr());
        if (chunk_len < 0) throw PyErr{};
        if (used < 0 || used > chunk_len) {
            PyErr_Format(PyExc_ValueError, "attribute %R consumed %zd of %zd bytes", name.ptr(), used, chunk_len);
            throw PyErr{};
        }
        py::object rest = steal(PySequence_GetSlice(data.ptr(), used, PY_SSIZE_T_MAX));
        check_status(PyObject_SetAttr(self, k_di_data.ptr(), rest.ptr()));
        check_status(PyObject_SetAttr(self, name.ptr(), PyTuple_GET_ITEM(result.ptr(), 0)));
    }
    check_status(PyObject_SetAttr(self, k_di_data.ptr(), Py_None));
}

// Binds the arguments after the bound one to the named parameters, by
// position first and then by keyword, the way a Python signature takes them.
// `out[i]` receives a borrowed reference, or stays nullptr when parameter i
// was not given; the first `required` parameters must be given.
void bind_args(const char* fn, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
               std::initializer_list<const char*> names, PyObject** out, Py_ssize_t required) {
    const Py_ssize_t n = static_cast<Py_ssize_t>(names.size());
    const Py_ssize_t npos = nargs - 1;
    for (Py_ssize_t i = 0; i < n; ++i) out[i] = nullptr;
    if (npos < 0) {
        PyErr_Format(PyExc_TypeError, "%s() needs its bound argument", fn);
        throw PyErr{};
    }
    if (npos > n) {
        if (required == n) {
            PyErr_Format(PyExc_TypeError, "%s() takes %zd positional arguments but %zd were given", fn, n + 1, nargs);
        } else {
            PyErr_Format(PyExc_TypeError, "%s() takes from %zd to %zd positional arguments but %zd were given", fn,
                         required + 1, n + 1, nargs);
        }
        throw PyErr{};
    }
    for (Py_ssize_t i = 0; i < npos; ++i) out[i] = args[i + 1];
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        Py_ssize_t i = 0;
        for (const char* name : names) {
            if (PyUnicode_CompareWithASCIIString(key, name) == 0) break;
            ++i;
        }
        if (i == n) {
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", fn, key);
            throw PyErr{};
        }
        if (out[i]) {
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%U'", fn, key);
            throw PyErr{};
        }
        out[i] = args[nargs + k];
    }
    Py_ssize_t i = 0;
    for (const char* name : names) {
        if (i < required && !out[i]) {
            PyErr_Format(PyExc_TypeError, "%s() missing required argument '%s'", fn, name);
            throw PyErr{};
        }
        ++i;
    }
}

void build_catalog(PyObject* module_dict) {
    // Gathered here, at call time, so no table depends on another source's static initialization.
    const Table tables[] = {
        kTimeSyncTable, kRangingTable, kRadarTable, kOwnershipTable,
        kDeviceControlTable, kDistributionTable, kDiagnosticsTable,
    };
    std::unordered_map<std::string_view, const ClassSpec*> by_name;
    std::size_t declared = 0;
    for (const Table& t : tables) {
        for (const ClassSpec* s = t.begin; s != t.end; ++s) by_name.emplace(s->name, s);
        declared += static_cast<std::size_t>(t.end - t.begin);
    }
    std::size_t built = 0;
    for (const char* name : kCatalogOrder) {
        auto it = by_name.find(name);
        if (it == by_name.end()) continue;
        build_class(module_dict, *it->second);
        ++built;
    }
    if (built != declared || by_name.size() != declared) {
        PyErr_SetString(PyExc_SystemError, "catalog tables hold a class outside the catalog order or twice");
        throw PyErr{};
    }
}

}  // namespace pdi
