// What the rows declare, as plain data for tools: a C entry point of the shared object, read by
// `rlx.data_items._capture.declarations`, so that the namespace holds the catalog alone. A new form of
// the data gets a new symbol name: a tool never reads a form it does not know.
#include "runtime/build.hpp"

#include <string_view>

namespace pdi {
namespace {

// An attribute kind of this module and the record it packs whole.
constexpr Kind kPackingKind = Kind::DomainInfo;
constexpr const char* kPackedRecord = "DomainInformation";

const char* what_name(What w) noexcept {
    switch (w) {
        case What::Item: return "item";
        case What::Record: return "record";
        default: return "attribute kind";
    }
}

const Entry* find_entry(const std::vector<Entry>& entries, const char* name) noexcept {
    for (const Entry& e : entries) {
        if (std::string_view(e.row->name) == name) return &e;
    }
    return nullptr;
}

// Bytes on the wire as the rows fix them (kRest, kFramework: not fixed); `packed`: the width of the
// record the packing kind packs.
Py_ssize_t kind_width(const AttrSpec& a, Py_ssize_t packed) noexcept {
#define PDI_KIND_WIDTH(kind, name, stub, width) width,
    static constexpr int kWidths[] = {PDI_KINDS(PDI_KIND_WIDTH)};
    const int w = kWidths[static_cast<std::size_t>(a.kind)];
    return w == kLength ? a.length : w == kPacked ? packed : w;
}

// The bytes of a record whose every width the rows fix; kRest otherwise.
Py_ssize_t record_width(const Entry* e) noexcept {
    if (!e) return kRest;
    Py_ssize_t sum = 0;
    for (const AttrSpec& a : e->row->attrs) {
        const Py_ssize_t w = kind_width(a, kRest);
        if (w < 0) return kRest;
        sum += w;
    }
    return sum;
}

py::object str(const char* s) { return steal(PyUnicode_FromString(s)); }
py::object opt_str(const char* s) { return s ? str(s) : py::none(); }
py::object size(Py_ssize_t n) { return steal(PyLong_FromSsize_t(n)); }
py::object opt_size(Py_ssize_t n) { return n < 0 ? py::none() : size(n); }

// `cls.definition[i].size`: the width a kind of the framework's choosing has there.
Py_ssize_t framework_width(PyObject* cls, std::size_t i) {
    py::object definition = steal(PyObject_GetAttrString(cls, "definition"));
    py::object entry = steal(PySequence_GetItem(definition.ptr(), static_cast<Py_ssize_t>(i)));
    py::object width = steal(PyObject_GetAttrString(entry.ptr(), "size"));
    const Py_ssize_t n = PyLong_AsSsize_t(width.ptr());
    if (n == -1 && PyErr_Occurred()) throw PyErr{};
    return n;
}

py::object fields_of(const Entry& e, Py_ssize_t packed, PyObject* globals) {
    const ClassSpec& c = *e.row;
    const AttrSpec* a = c.attrs.begin();
    py::object fields = steal(PyTuple_New(static_cast<Py_ssize_t>(c.attrs.size())));
    Py_ssize_t offset = 0;
    for (std::size_t i = 0; i < c.attrs.size(); ++i) {
        Py_ssize_t width = kind_width(a[i], packed);
        if (width == kFramework) {
            py::object cls = lookup_global(globals, steal(PyUnicode_FromString(c.name)).ptr());
            width = framework_width(cls.ptr(), i);
        }
        PyObject* field = check(PyTuple_Pack(5, str(a[i].name).ptr(), str(kind_name(a[i].kind)).ptr(),
                                             opt_size(offset).ptr(), opt_size(width).ptr(),
                                             opt_str(a[i].element()).ptr()));
        PyTuple_SET_ITEM(fields.ptr(), static_cast<Py_ssize_t>(i), field);
        offset = offset < 0 || width < 0 ? kRest : offset + width;
    }
    return fields;
}

// (count, list, bounds) of the count-bounded lists, in the layout's order of the lists.
py::object counts_of(const Entry& e) {
    py::object counts = steal(PyList_New(0));
    for (const AttrSpec& a : e.row->attrs) {
        for (const MethodSpec& m : e.row->methods) {
            if (m.does != Does::Counted || std::string_view(m.list) != a.name) continue;
            py::object count = steal(PyTuple_Pack(3, str(m.count).ptr(), str(m.list).ptr(),
                                                  m.element_size > 0 ? Py_True : Py_False));
            check_status(PyList_Append(counts.ptr(), count.ptr()));
        }
    }
    return steal(PyList_AsTuple(counts.ptr()));
}

// The names of the methods the rows give the class, as add_methods() adds them.
py::object methods_of(const Entry& e) {
    const ClassSpec& c = *e.row;
    py::object names = steal(PyList_New(0));
    auto add = [&names](const char* name) {
        py::object s = str(name);
        if (!PySequence_Contains(names.ptr(), s.ptr())) check_status(PyList_Append(names.ptr(), s.ptr()));
    };
    if (c.what == What::Record) {
        if (!(c.flags & kNoRecordInit)) add("__init__");
        if (!(c.flags & kNoRecordStr)) add("__str__");
        add("__repr__");
    }
    for (const MethodSpec& m : c.methods) {
        if (m.does != Does::Counted) {
            add(m.name);
            continue;
        }
        add("_encode");
        if (m.element_size > 0) add("_decode");
    }
    return steal(PyList_AsTuple(names.ptr()));
}

py::object declarations(PyObject* module) {
    PyObject* globals = PyModule_GetDict(module);
    if (!globals) throw PyErr{};
    const std::vector<Entry> entries = catalog_entries();
    const Py_ssize_t packed = record_width(find_entry(entries, kPackedRecord));
    py::object out = steal(PyList_New(0));
    for (const Entry& e : entries) {
        const ClassSpec& c = *e.row;
        py::object d = steal(PyDict_New());
        auto put = [&d](const char* key, const py::object& v) { check_status(PyDict_SetItemString(d.ptr(), key, v.ptr())); };
        put("name", str(c.name));
        put("what", str(what_name(c.what)));
        put("type", c.what == What::Item ? size(c.type) : py::none());
        put("definition", py::bool_(!(c.flags & kNoDefinition)));
        put("fields", fields_of(e, packed, globals));
        put("counts", counts_of(e));
        put("methods", methods_of(e));
        put("packs", py::object(c.what == What::AttrKind && std::string_view(c.name) == kind_name(kPackingKind)
                                    ? str(kPackedRecord)
                                    : py::none()));
        check_status(PyList_Append(out.ptr(), d.ptr()));
    }
    return steal(PyList_AsTuple(out.ptr()));
}

}  // namespace
}  // namespace pdi

// The rows' declarations of `module` (this shared object's) as a new tuple, or NULL with an exception set.
extern "C" Py_EXPORTED_SYMBOL PyObject* rlx_pdi_declarations_v1(PyObject* module) {
    PyObject* result = nullptr;
    pdi::guarded([&] { result = pdi::declarations(module).release().ptr(); });
    return result;
}
