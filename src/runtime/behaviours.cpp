// The behaviour rows (bit-field accessors, builders, count-bounded lists, the
// generic records) and the methods of a class made from its rows.
#include "runtime/dispatch.hpp"
#include "text/text.hpp"

#include <utility>
#include <vector>

namespace pdi {

// data: (attribute, mask or None, shift)
py::object run_bitfield(Call& c) {
    const MethodSpec& s = *c.method->row;
    py::object v = get(c.self, c.data(0));
    if (PyLong_CheckExact(v.ptr())) {
        int overflow = 0;
        long long x = PyLong_AsLongLongAndOverflow(v.ptr(), &overflow);
        if (!overflow) {
            if (s.mask >= 0) x &= s.mask;
            x >>= s.shift;
            if (s.does == Does::Flag) return steal(PyBool_FromLong(x != 0));
            return steal(PyLong_FromLongLong(x));
        }
    }
    if (s.mask >= 0) v = steal(PyNumber_And(v.ptr(), c.data(1)));
    if (s.shift) v = steal(PyNumber_Rshift(v.ptr(), c.data(2)));
    if (s.does == Does::Field) return v;
    const int set = PyObject_RichCompareBool(v.ptr(), c.names().zero, Py_NE);
    check_status(set);
    return steal(PyBool_FromLong(set));
}

// data: (list, element, count or None). `self.<list>.append(<element>(args...))`, then the count.
py::object run_append(Call& c) {
    py::object target = get(c.self, c.data(0));
    py::object append_fn;
    if (!PyList_CheckExact(target.ptr())) append_fn = get(target.ptr(), c.names().append);
    py::object make = c.global(c.data(1));
    py::object element = steal(PyObject_Vectorcall(make.ptr(), c.args, static_cast<size_t>(c.nparams()), nullptr));
    if (append_fn) {
        steal(PyObject_CallOneArg(append_fn.ptr(), element.ptr()));
    } else {
        check_status(PyList_Append(target.ptr(), element.ptr()));
    }
    if (c.data(2) != Py_None) {
        py::object count = get(c.self, c.data(2));
        set(c.self, c.data(2), steal(PyNumber_InPlaceAdd(count.ptr(), c.names().one)).ptr());
    }
    return py::none();
}

// The generic constructor of an auxiliary record: one parameter per definition entry,
// each defaulting to 0. Bound, every argument is there: the positional store does the rest.
py::object record_init_body(Call& c) {
    return steal(store_positional(c.method, c.self, c.args, c.nparams()));
}

py::object store_params_body(Call& c) {
    return steal(store_positional(c.method, c.self, c.args, c.nparams()));
}

// An auxiliary record's text: its values in definition order, each as str() gives it, joined by ", ".
py::object record_str_body(Call& c) {
    Text text;
    const Py_ssize_t n = PyTuple_GET_SIZE(c.method->data);
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (i) text.ascii(", ", 2);
        text.as_str(get(c.self, c.data(i)).ptr());
    }
    return text.finish();
}

// An auxiliary record as a call reads (`MultiRangeRx(rx_serial_number=..., ...)`): the fields it holds of its
// `definition` (else of the row's data), all read before any is written; met again inside them, it is `...`.
py::object record_repr_body(Call& c) {
    const int seen = Py_ReprEnter(c.self);
    if (seen < 0) throw PyErr{};
    if (seen) return steal(PyUnicode_FromString("..."));
    struct Leave {
        PyObject* self;
        ~Leave() { Py_ReprLeave(self); }
    } leave{c.self};
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(c.self));
    const Names& N = c.names();
    py::object names = borrow(c.method->data);
    PyObject* found = nullptr;
    if (PyObject_GetOptionalAttr(type, N.definition, &found) < 0) throw PyErr{};
    if (found) {
        Py_DECREF(found);
        py::object definition = get(c.self, N.definition);
        names = steal(PyList_New(0));
        for_each(definition.ptr(), [&](PyObject* entry) {
            check_status(PyList_Append(names.ptr(), get(entry, N.name).ptr()));
        });
    }
    py::object fields = steal(PySequence_Fast(names.ptr(), "the field names are not a sequence"));
    std::vector<std::pair<PyObject*, py::object>> held;  // the names borrowed from `fields`
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(fields.ptr()); ++i) {
        PyObject* field = PySequence_Fast_GET_ITEM(fields.ptr(), i);
        PyObject* v = nullptr;
        if (PyObject_GetOptionalAttr(c.self, field, &v) < 0) throw PyErr{};
        if (!v) continue;
        Py_DECREF(v);  // hasattr, then getattr: each its own look-up
        held.emplace_back(field, steal(PyObject_GetAttr(c.self, field)));
    }
    py::object name = get(type, N.__name__);
    Text text;
    text.as_str(name.ptr()).ascii("(");
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (i) text.ascii(", ");
        text.as_str(held[i].first).ascii("=").repr(held[i].second.ptr());
    }
    return text.ascii(")").finish();
}

namespace {

// data of the count-bounded codecs: (list, count, element size) per row.
py::object counted_encode(Call& c) {
    const Py_ssize_t n = PyTuple_GET_SIZE(c.method->data);
    for (Py_ssize_t i = 0; i < n; i += 3) {  // `self.<count> = len(self.<list>)`
        py::object list = get(c.self, c.data(i));
        set(c.self, c.data(i + 1), steal(PyLong_FromSsize_t(length(list.ptr()))).ptr());
    }
    return call_super(c, c.names()._encode);
}

struct BoundedWalk final : Walk {
    py::object chunk(const Call& c, PyObject*, PyObject* name, PyObject* data, py::object&) override {
        const Py_ssize_t n = PyTuple_GET_SIZE(c.method->data);
        for (Py_ssize_t i = 0; i < n; i += 3) {
            const Py_ssize_t size = PyLong_AsSsize_t(c.data(i + 2));
            if (size <= 0 || !same_name(name, c.data(i))) continue;
            py::object count_obj = get(c.self, c.data(i + 1));
            const Py_ssize_t count = PyLong_AsSsize_t(count_obj.ptr());
            if (count == -1 && PyErr_Occurred()) throw PyErr{};
            const Py_ssize_t have = length(data);
            // A negative count bounds the list to nothing; a huge one to what remains.
            const Py_ssize_t limit = count <= 0 ? 0 : (count > have / size ? have : count * size);
            return slice(data, 0, limit);
        }
        return borrow(data);
    }
};

py::object counted_decode(Call& c) {
    BoundedWalk walk;
    walk_decode(c, walk);
    return py::none();
}

// The rows the runtime itself gives classes (records, count-bounded lists).
constexpr MethodSpec kCountedEncode = body("_encode", counted_encode, "bytes");
constexpr MethodSpec kCountedDecode = body("_decode", counted_decode);
constexpr MethodSpec kRecordInit = body("__init__", record_init_body);
constexpr MethodSpec kRecordStr = body("__str__", record_str_body, "str");
constexpr MethodSpec kRecordRepr = body("__repr__", record_repr_body, "str");

py::object names_of(const ClassSpec& decl, Interner& intern) {
    py::object names = steal(PyTuple_New(static_cast<Py_ssize_t>(decl.attrs.size())));
    Py_ssize_t i = 0;
    for (const AttrSpec& a : decl.attrs) PyTuple_SET_ITEM(names.ptr(), i++, intern.ref(a.name).release().ptr());
    return names;
}

// The data a row's method carries, interned.
py::object row_data(const MethodSpec& m, Interner& intern) {
    switch (m.does) {
        case Does::Field:
        case Does::Flag: {
            py::object mask = m.mask >= 0 ? steal(PyLong_FromLongLong(m.mask)) : py::none();
            py::object shift = steal(PyLong_FromLong(m.shift));
            return steal(PyTuple_Pack(3, intern(m.attr), mask.ptr(), shift.ptr()));
        }
        case Does::Append: {
            PyObject* count = m.count != nullptr ? intern(m.count) : Py_None;
            return steal(PyTuple_Pack(3, intern(m.list), intern(m.element), count));
        }
        default:
            return py::object();
    }
}

// Adds the method of row `r` to `decl`, an entry of table `t`.
void add(PyObject* ns, const MethodSpec& r, const Table& t, const ClassSpec& decl, const Home& home,
         PyObject* data, Interner& intern, std::vector<py::object>& made) {
    py::object m = new_method(r, t, decl, home, data, intern);
    // A class method binds the class, also when reached through an instance.
    py::object entry = r.bind == Bind::Class ? steal(PyClassMethod_New(m.ptr())) : m;
    check_status(PyDict_SetItem(ns, reinterpret_cast<Method*>(m.ptr())->name, entry.ptr()));
    made.push_back(std::move(m));
}

}  // namespace

void add_methods(PyObject* ns, const Table& t, const ClassSpec& decl, const Home& home, Interner& intern,
                 std::vector<py::object>& made) {
    if (decl.what == What::Record) {
        py::object names = names_of(decl, intern);
        if (!(decl.flags & kNoRecordInit)) add(ns, kRecordInit, t, decl, home, names.ptr(), intern, made);
        if (!(decl.flags & kNoRecordStr)) add(ns, kRecordStr, t, decl, home, names.ptr(), intern, made);
        py::object bare = steal(PyTuple_New(0));
        if (kCatalog.bare_record != kNoPlace) {
            const Place p = kCatalog.order[kCatalog.bare_record];
            bare = names_of(kCatalog.tables[p.table]->classes[p.row], intern);
        }
        add(ns, kRecordRepr, t, decl, home, bare.ptr(), intern, made);
    }
    bool counted_done = false;
    for (const MethodSpec& row : decl.methods) {
        if (row.does != Does::Counted) {
            py::object data = row_data(row, intern);
            add(ns, row, t, decl, home, data.ptr(), intern, made);
            continue;
        }
        if (counted_done) continue;
        // All count-bounded lists of the class make one encoder and one decoder.
        counted_done = true;
        py::object data = steal(PyList_New(0));
        bool bounds = false;
        for (const MethodSpec& r : decl.methods) {
            if (r.does != Does::Counted) continue;
            check_status(PyList_Append(data.ptr(), intern(r.list)));
            check_status(PyList_Append(data.ptr(), intern(r.count)));
            check_status(PyList_Append(data.ptr(), steal(PyLong_FromSsize_t(r.element_size)).ptr()));
            bounds = bounds || r.element_size > 0;
        }
        py::object tuple = steal(PyList_AsTuple(data.ptr()));
        add(ns, kCountedEncode, t, decl, home, tuple.ptr(), intern, made);
        if (bounds) add(ns, kCountedDecode, t, decl, home, tuple.ptr(), intern, made);
    }
}

}  // namespace pdi