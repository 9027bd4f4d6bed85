// The generic class builder: walks the catalog order and creates every class
// from its table entry, through the metaclass of RLXDataItem for data items,
// of DataItemAttribute for the attribute kind, and through `type` for records.
#include "runtime.hpp"

#include <array>
#include <cstring>
#include <iterator>

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

// What the builder works with: the module namespace and the framework's
// kinds and bases, each looked up once, when first needed, as a class body
// naming it would (a missing name is a NameError).
struct Builder {
    PyObject* globals;
    py::object module_name;
    std::array<py::object, static_cast<std::size_t>(Kind::Count_)> kinds;
    py::object item_base, kind_base;
    Interner intern;
    std::vector<py::object> methods;  // of the class being built

    py::object lookup(const char* name) { return lookup_global(globals, intern(name)); }

    PyObject* kind(Kind k) {
        py::object& slot = kinds[static_cast<std::size_t>(k)];
        if (!slot) slot = lookup(kKindNames[static_cast<std::size_t>(k)]);
        return slot.ptr();
    }

    // The attribute object of one table row, e.g. DIFixedLengthStrAttr("ack_string", 32).
    py::object attribute(const AttrSpec& a) {
        PyObject* cls = kind(a.kind);
        py::object name = intern.ref(a.name);
        switch (a.kind) {
            case Kind::List: {
                py::object element = lookup(a.element());
                PyObject* args[] = {name.ptr(), element.ptr()};
                return steal(PyObject_Vectorcall(cls, args, 2, nullptr));
            }
            case Kind::FixedBytes:
            case Kind::FixedStr: {
                py::object n = steal(PyLong_FromLong(a.length));
                PyObject* args[] = {name.ptr(), n.ptr()};
                return steal(PyObject_Vectorcall(cls, args, 2, nullptr));
            }
            default:
                return steal(PyObject_CallOneArg(cls, name.ptr()));
        }
    }

    void build(const ClassSpec& decl) {
        py::object name = intern.ref(decl.name);
        py::object ns = steal(PyDict_New());
        check_status(PyDict_SetItem(ns.ptr(), N.__module__, module_name.ptr()));
        check_status(PyDict_SetItem(ns.ptr(), intern("__qualname__"), name.ptr()));
        py::object doc = decl.doc ? steal(PyUnicode_FromString(decl.doc)) : py::none();
        check_status(PyDict_SetItem(ns.ptr(), intern("__doc__"), doc.ptr()));
        if (decl.what == What::Item) {
            py::object code = steal(PyLong_FromLong(decl.type));
            check_status(PyDict_SetItem(ns.ptr(), N.type, code.ptr()));
        }
        if (!(decl.flags & kNoDefinition)) {
            py::object definition = steal(PyList_New(static_cast<Py_ssize_t>(decl.attrs.size())));
            Py_ssize_t i = 0;
            for (const AttrSpec& a : decl.attrs) PyList_SET_ITEM(definition.ptr(), i++, attribute(a).release().ptr());
            check_status(PyDict_SetItem(ns.ptr(), N.definition, definition.ptr()));
        }
        methods.clear();
        add_methods(ns.ptr(), decl, globals, intern, methods);
        if (decl.populate) decl.populate(ns.ptr());

        // Items through the metaclass of RLXDataItem, the attribute kind
        // through that of DataItemAttribute, records through `type`.
        py::object bases;
        PyObject* meta = reinterpret_cast<PyObject*>(&PyType_Type);
        if (decl.what == What::Record) {
            bases = steal(PyTuple_New(0));
        } else {
            py::object& base = decl.what == What::Item ? item_base : kind_base;
            if (!base) base = lookup(decl.what == What::Item ? "RLXDataItem" : "DataItemAttribute");
            bases = steal(PyTuple_Pack(1, base.ptr()));
            meta = reinterpret_cast<PyObject*>(Py_TYPE(base.ptr()));
        }
        PyObject* args[] = {name.ptr(), bases.ptr(), ns.ptr()};
        py::object cls = steal(PyObject_Vectorcall(meta, args, 3, nullptr));
        for (const py::object& m : methods) set_defining_class(m.ptr(), cls.ptr());
        // A class without methods of its own holds none the slots could run.
        if (!methods.empty()) use_direct_slots(cls.ptr());
        check_status(PyDict_SetItem(globals, name.ptr(), cls.ptr()));
    }
};

// The place of `name` in the catalog order, or kClasses. Equal literals
// share one address (the linker keeps one copy), so a name is matched by
// address first, starting after the previous match (a table lists its
// classes in catalog order); by text only in a build that keeps copies.
constexpr std::size_t kClasses = std::size(kCatalogOrder);

std::size_t catalog_place(const char* name, std::size_t after) {
    for (std::size_t k = 1; k <= kClasses; ++k) {
        const std::size_t i = (after + k) % kClasses;
        if (kCatalogOrder[i] == name) return i;
    }
    for (std::size_t i = 0; i < kClasses; ++i) {
        if (std::strcmp(kCatalogOrder[i], name) == 0) return i;
    }
    return kClasses;
}

}  // namespace

void build_catalog(PyObject* module_dict) {
    intern_names();
    ready_method_types();
    // Gathered here, at call time, so no table depends on another source's static initialization.
    const Table tables[] = {
        kTimeSyncTable, kRangingTable, kRadarTable, kOwnershipTable,
        kDeviceControlTable, kDistributionTable, kDiagnosticsTable,
    };
    // Every table entry at its place in the catalog order; a place left
    // empty is skipped, so a partial catalog keeps the relative order of
    // what it declares.
    std::array<const ClassSpec*, kClasses> by_place{};
    for (const Table& t : tables) {
        std::size_t place = kClasses - 1;
        for (const ClassSpec* s = t.begin; s != t.end; ++s) {
            place = catalog_place(s->name, place);
            if (place == kClasses || by_place[place]) {
                PyErr_SetString(PyExc_SystemError, "catalog tables hold a class outside the catalog order or twice");
                throw PyErr{};
            }
            by_place[place] = s;
        }
    }
    Builder builder{module_dict, {}, {}, {}, {}, {}, {}};
    builder.module_name = builder.lookup("__name__");
    for (const ClassSpec* s : by_place) {
        if (s) builder.build(*s);
    }
}

}  // namespace pdi
