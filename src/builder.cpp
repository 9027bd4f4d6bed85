// The generic class builder: walks the catalog order and creates each class from its row, through the
// metaclass of RLXDataItem (items) or DataItemAttribute (the attribute kind), or `type` (records).
#include "runtime/build.hpp"

#include <array>

namespace pdi {

namespace {

#define PDI_KIND_NAME(kind, name, stub, width) name,
constexpr const char* kKindNames[] = {PDI_KINDS(PDI_KIND_NAME)};

}  // namespace

const char* kind_name(Kind k) noexcept { return kKindNames[static_cast<std::size_t>(k)]; }

std::vector<Entry> catalog_entries() {
    std::vector<Entry> entries;
    entries.reserve(kCatalog.nclasses);
    for (std::size_t i = 0; i < kCatalog.nclasses; ++i) {
        const Table& t = *kCatalog.tables[kCatalog.order[i].table];
        entries.push_back(Entry{&t, &t.classes[kCatalog.order[i].row]});
    }
    return entries;
}

namespace {

// The module namespace and the framework's kinds and bases, each looked up once, when first needed,
// as a class body naming it would (a missing name is a NameError).
struct Builder {
    const Home& home;
    PyObject* globals;
    py::object module_name;
    std::array<py::object, static_cast<std::size_t>(Kind::Count_)> kinds;
    py::object item_base, kind_base;
    Interner intern;
    std::vector<py::object> methods;  // of the class being built

    // A framework name, looked up once for the whole catalog.
    py::object lookup(const char* name) const {
        py::object interned = steal(PyUnicode_InternFromString(name));
        return lookup_global(globals, interned.ptr());
    }

    PyObject* kind(Kind k) {
        py::object& slot = kinds[static_cast<std::size_t>(k)];
        if (!slot) slot = lookup(kind_name(k));
        return slot.ptr();
    }

    // The attribute object of one layout row, e.g. DIFixedLengthStrAttr("ack_string", 32).
    py::object attribute(const AttrSpec& a) {
        PyObject* cls = kind(a.kind);
        PyObject* name = intern(a.name);
        switch (a.kind) {
            case Kind::List: {
                py::object element = lookup_global(globals, intern(a.element()));
                PyObject* args[] = {name, element.ptr()};
                return steal(PyObject_Vectorcall(cls, args, 2, nullptr));
            }
            case Kind::FixedBytes:
            case Kind::FixedStr: {
                py::object n = steal(PyLong_FromLong(a.length));
                PyObject* args[] = {name, n.ptr()};
                return steal(PyObject_Vectorcall(cls, args, 2, nullptr));
            }
            default:
                return steal(PyObject_CallOneArg(cls, name));
        }
    }

    void build(const Table& t, const ClassSpec& decl) {
        const Names& N = home.state->names;
        py::object name = intern.ref(decl.name);
        py::object ns = steal(PyDict_New());
        check_status(PyDict_SetItem(ns.ptr(), N.__module__, module_name.ptr()));
        check_status(PyDict_SetItem(ns.ptr(), N.__qualname__, name.ptr()));
        py::object doc = decl.doc != nullptr ? steal(PyUnicode_FromString(decl.doc)) : py::none();
        check_status(PyDict_SetItem(ns.ptr(), N.__doc__, doc.ptr()));
        if (decl.what == What::Item) {
            py::object code = steal(PyLong_FromLong(decl.type));
            check_status(PyDict_SetItem(ns.ptr(), N.type, code.ptr()));
        }
        if (!(decl.flags & kNoDefinition)) {
            py::object definition = steal(PyList_New(static_cast<Py_ssize_t>(decl.attrs.size())));
            const AttrSpec* a = decl.attrs.begin();
            for (Py_ssize_t i = 0; i < static_cast<Py_ssize_t>(decl.attrs.size()); ++i) {
                PyList_SET_ITEM(definition.ptr(), i, attribute(a[i]).release().ptr());
            }
            check_status(PyDict_SetItem(ns.ptr(), N.definition, definition.ptr()));
        }
        methods.clear();
        add_methods(ns.ptr(), t, decl, home, intern, methods);
        if (Populate populate = decl.populate) {
            populate(ns.ptr(), kCatalog.names_of(home.state->body_names, N, t));
        }

        // Items and the attribute kind through their base's metaclass, records through `type`.
        py::object bases;
        PyObject* meta = reinterpret_cast<PyObject*>(&PyType_Type);
        if (decl.what == What::Record) {
            bases = steal(PyTuple_New(0));
        } else {
            py::object& base = decl.what == What::Item ? item_base : kind_base;
            if (!base) base = lookup_global(globals, decl.what == What::Item ? N.RLXDataItem : N.DataItemAttribute);
            bases = steal(PyTuple_Pack(1, base.ptr()));
            meta = reinterpret_cast<PyObject*>(Py_TYPE(base.ptr()));
        }
        PyObject* args[] = {name.ptr(), bases.ptr(), ns.ptr()};
        py::object cls = steal(PyObject_Vectorcall(meta, args, 3, nullptr));
        for (const py::object& m : methods) set_defining_class(m.ptr(), cls.ptr());
        // A class without methods of its own holds none the slots could run.
        if (!methods.empty()) use_direct_slots(cls.ptr(), home.module);
        check_status(PyDict_SetItem(globals, name.ptr(), cls.ptr()));
    }
};

}  // namespace

void build_catalog(const Home& home) {
    Builder builder{home, home.globals, {}, {}, {}, {}, {}, {}};
    builder.module_name = lookup_global(home.globals, home.state->names.__name__);
    for (const Entry& e : catalog_entries()) builder.build(*e.table, *e.row);
}

}  // namespace pdi
