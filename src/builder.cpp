// The generic class builder: walks the catalog order and creates every class
// from its table entry, through the metaclass of RLXDataItem for data items,
// of DataItemAttribute for the attribute kind, and through `type` for records.
#include "runtime.hpp"

#include <array>
#include <cstring>

namespace pdi {

namespace {

// Declaration order of the catalog. A name without a table entry is skipped,
// so a partial catalog keeps the relative order of what it declares.
constexpr const char* kCatalogOrder[] = {
#include "catalog_order.inc"
};
constexpr std::size_t kOrderSize = sizeof kCatalogOrder / sizeof kCatalogOrder[0];

// FNV-1a of a class name, the same at compile time and at run time.
constexpr std::uint32_t name_hash(const char* s) noexcept {
    std::uint32_t h = 2166136261u;
    for (; *s; ++s) h = (h ^ static_cast<unsigned char>(*s)) * 16777619u;
    return h;
}

// Where each name of the catalog order stands, found by its hash: an
// open-addressed table made by the compiler, so the build looks a class up
// without allocating or hashing beyond its own name.
constexpr std::size_t kSlotBits = 9;
constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
static_assert(kOrderSize * 2 <= kSlots, "the order's slot table must stay at most half full");
struct OrderSlots {
    std::int16_t at[kSlots];
};
constexpr OrderSlots make_order_slots() noexcept {
    OrderSlots t{};
    for (std::size_t i = 0; i < kSlots; ++i) t.at[i] = -1;
    for (std::size_t k = 0; k < kOrderSize; ++k) {
        std::size_t i = name_hash(kCatalogOrder[k]) & (kSlots - 1);
        while (t.at[i] >= 0) i = (i + 1) & (kSlots - 1);
        t.at[i] = static_cast<std::int16_t>(k);
    }
    return t;
}
constexpr OrderSlots kOrderSlots = make_order_slots();

// The position of `name` in the catalog order, or -1.
int order_of(const char* name) noexcept {
    for (std::size_t i = name_hash(name) & (kSlots - 1); kOrderSlots.at[i] >= 0; i = (i + 1) & (kSlots - 1)) {
        if (std::strcmp(kCatalogOrder[kOrderSlots.at[i]], name) == 0) return kOrderSlots.at[i];
    }
    return -1;
}

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
                py::object element = lookup(a.element);
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
        // Sized for what goes in, so that filling it never resizes it.
        const std::size_t entries = 5 + decl.methods.size() + (decl.what == What::Record ? 3 : 0) +
                                    (decl.populate ? 4 : 0);
        py::object ns = steal(_PyDict_NewPresized(static_cast<Py_ssize_t>(entries)));
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
        use_direct_slots(cls.ptr());
        check_status(PyDict_SetItem(globals, name.ptr(), cls.ptr()));
    }
};

}  // namespace

void build_catalog(PyObject* module_dict) {
    intern_names();
    ready_method_types();
    // Gathered here, at call time, so no table depends on another source's static initialization.
    const Table tables[] = {
        kTimeSyncTable, kRangingTable, kRadarTable, kOwnershipTable,
        kDeviceControlTable, kDistributionTable, kDiagnosticsTable,
    };
    // Each table entry at its place in the catalog order; an entry outside
    // the order or declared twice is a fault of the tables.
    std::array<const ClassSpec*, kOrderSize> order{};
    bool misplaced = false;
    for (const Table& t : tables) {
        for (const ClassSpec* s = t.begin; s != t.end; ++s) {
            const int at = order_of(s->name);
            if (at < 0 || order[static_cast<std::size_t>(at)]) {
                misplaced = true;
            } else {
                order[static_cast<std::size_t>(at)] = s;
            }
        }
    }
    if (misplaced) {
        PyErr_SetString(PyExc_SystemError, "catalog tables hold a class outside the catalog order or twice");
        throw PyErr{};
    }
    Builder builder{module_dict, {}, {}, {}, {}, {}, {}};
    builder.module_name = builder.lookup("__name__");
    for (const ClassSpec* spec : order) {
        if (spec) builder.build(*spec);
    }
}

}  // namespace pdi
