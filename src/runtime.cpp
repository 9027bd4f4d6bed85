// The method runtime: the method object type, the one argument binder, the
// behaviour rows (bit-field accessors, builders, count-bounded lists, the
// generic record constructor and rendering) and the one decode walker.
#include "runtime.hpp"
#include "text.hpp"

#include <cstdarg>
#include <string>

namespace pdi {

namespace {
Names& names() noexcept {
    static Names made{};
    return made;
}
}  // namespace

const Names& N = names();

PyObject* intern_name(const char* member) {
    // `struct` cannot name a C++ member: the member is `struct_`.
    std::string name(member);
    if (name.back() == '_' && name.front() != '_') name.pop_back();
    return check(PyUnicode_InternFromString(name.c_str()));
}

void intern_names() {
    Names& n = names();
    if (n.zero) return;  // a second initialization finds them made
#define PDI_INTERN(name) n.name = intern_name(#name);
    PDI_SHARED_NAMES(PDI_INTERN)
#undef PDI_INTERN
    n.zero_float = check(PyFloat_FromDouble(0.0));
    n.one = check(PyLong_FromLong(1));
    n.no_args = check(PyTuple_New(0));
    n.zero = check(PyLong_FromLong(0));  // last: it marks the names made
}

// ---------------------------------------------------------------------------
// Method objects.

namespace {

constexpr Py_ssize_t kMaxParams = 16;

// The type of each catalog method: a descriptor the interpreter calls with
// the instance directly (no bound method is made for `item.method(...)`).
// Readied once; the interpreter changes nothing of it afterwards.
PyTypeObject& method_type() {
    static PyTypeObject type{};
    return type;
}

[[noreturn]] void fail(PyObject* type, const char* format, ...) {
    va_list va;
    va_start(va, format);
    PyErr_FormatV(type, format, va);
    va_end(va);
    throw PyErr{};
}

bool same_name(PyObject* name, PyObject* interned) {
    if (name == interned) return true;
    if (!PyUnicode_Check(name)) return false;
    return PyUnicode_Compare(name, interned) == 0;
}

Dflt param_default(const Method* m, Py_ssize_t i) {
    return i < m->row->nparams ? m->table->params_of(*m->row)[i].dflt : Dflt::Zero;
}

// Binds the arguments after the bound one to the method's parameters, the
// way a Python signature takes them: by position first, then by keyword.
void bind(Method* m, PyObject* const* args, Py_ssize_t npos, PyObject* kwnames, PyObject** out,
          py::object& fresh) {
    const Py_ssize_t n = PyTuple_GET_SIZE(m->params);
    if (npos > n) {
        Py_ssize_t required = 0;
        while (required < n && (param_default(m, required) == Dflt::Required ||
                                param_default(m, required) == Dflt::Positional)) {
            ++required;
        }
        if (required == n) {
            fail(PyExc_TypeError, "%U() takes %zd positional arguments but %zd were given", m->name, n + 1, npos + 1);
        }
        fail(PyExc_TypeError, "%U() takes from %zd to %zd positional arguments but %zd were given", m->name,
             required + 1, n + 1, npos + 1);
    }
    for (Py_ssize_t i = 0; i < npos; ++i) out[i] = args[i];
    for (Py_ssize_t i = npos; i < n; ++i) out[i] = nullptr;
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        Py_ssize_t i = 0;
        while (i < n && PyTuple_GET_ITEM(m->params, i) != key) ++i;
        if (i == n) {
            i = 0;
            while (i < n && !same_name(key, PyTuple_GET_ITEM(m->params, i))) ++i;
        }
        if (i >= n || param_default(m, i) == Dflt::Positional) {
            fail(PyExc_TypeError, "%U() got an unexpected keyword argument '%U'", m->name, key);
        }
        if (out[i]) fail(PyExc_TypeError, "%U() got multiple values for argument '%U'", m->name, key);
        out[i] = args[npos + k];
    }
    // The parameters left out take their defaults.
    const ParamRow* ps = m->table->params_of(*m->row);
    const Py_ssize_t listed = m->row->nparams;
    for (Py_ssize_t i = npos; i < n; ++i) {
        if (out[i]) continue;
        switch (i < listed ? ps[i].dflt : Dflt::Zero) {
            case Dflt::Required:
            case Dflt::Positional:
                fail(PyExc_TypeError, "%U() missing required argument '%U'", m->name, PyTuple_GET_ITEM(m->params, i));
            case Dflt::Zero:
                out[i] = N.zero;
                break;
            case Dflt::NewList:  // at most one parameter of a row (checked when the method is made)
                fresh = steal(PyList_New(0));
                out[i] = fresh.ptr();
                break;
        }
    }
}

py::object run_bitfield(Call& c);
py::object run_append(Call& c);

// Whether `m` is a constructor that stores its arguments (the generic record
// constructor, or a row storing each parameter under its own name) and can
// take `nargs` positional arguments alone: every parameter after them has a
// default.
bool stores_positionally(const Method* m, Py_ssize_t nargs) {
    return m->positional_from >= 0 && nargs >= m->positional_from && nargs <= PyTuple_GET_SIZE(m->params);
}

// Such a constructor called with positional arguments only (as the list
// decoders and most callers do): each value stored in order through the
// instance's own attribute store, with no binding and no C++ unwinding on the
// way. Returns None, or NULL with the error set.
PDI_HOT PyObject* store_positional(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs) {
    const bool record = m->body == record_init_body;
    PyObject* names = record ? m->data : m->params;
    if (m->stores_as_given) {
        // The arguments, then 0 for each parameter left out.
        const Py_ssize_t n = PyTuple_GET_SIZE(names);
        for (Py_ssize_t i = 0; i < nargs; ++i) {
            if (set_attr(self, PyTuple_GET_ITEM(names, i), args[i]) < 0) return nullptr;
        }
        for (Py_ssize_t i = nargs; i < n; ++i) {
            if (set_attr(self, PyTuple_GET_ITEM(names, i), N.zero) < 0) return nullptr;
        }
        Py_RETURN_NONE;
    }
    const AttrRow* a = m->owner_table->attrs_of(*m->owner);
    const ParamRow* p = m->table->params_of(*m->row);
    const Py_ssize_t n = PyTuple_GET_SIZE(names);
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* v = i < nargs ? args[i] : N.zero;
        PyObject* made = nullptr;
        if (record && (a[i].flags & kWrapSerial)) {
            PyObject* make = find_global(m->globals, N.NorvaneSerialNumber);  // held while it runs
            if (!make) return nullptr;
            made = PyObject_CallOneArg(make, v);
            Py_DECREF(make);
            if (!made) return nullptr;
        } else if (!record && i >= nargs && p[i].dflt == Dflt::NewList) {
            if (!(made = PyList_New(0))) return nullptr;
        }
        const int rc = set_attr(self, PyTuple_GET_ITEM(names, i), made ? made : v);
        Py_XDECREF(made);
        if (rc < 0) return nullptr;
    }
    Py_RETURN_NONE;
}

// Carries out method `m`'s row on `self` with the arguments bound. Inlined
// into its callers, as is what `run` does without binding: the calls between
// the interpreter's slot and a body are few, so that a framework object's own
// Python `str()`, called from a body, does not reach past the processor's
// return stack (each level beyond it costs a mispredicted return).
PDI_INLINE PyObject* dispatch(Method* m, PyObject* self, PyObject* const* bound) noexcept {
    try {
        Call c{m, self, bound};
        switch (m->row->does) {
            case Does::Field:
            case Does::Flag:
                return run_bitfield(c).release().ptr();
            case Does::Append:
                return run_append(c).release().ptr();
            default:
                return m->body(c).release().ptr();
        }
    } catch (...) {
        restore_error();
        return nullptr;
    }
}

// `run` with the arguments to bind first.
PDI_HOT PyObject* run_binding(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (!m->globals) {
        PyErr_Format(PyExc_SystemError, "%U() called after its module was torn down", m->name);
        return nullptr;
    }
    PyObject* bound[kMaxParams];
    py::object fresh;
    try {
        bind(m, args, nargs, kwnames, bound, fresh);
    } catch (...) {
        restore_error();
        return nullptr;
    }
    return dispatch(m, self, bound);
}

// Runs method `m` on `self` with the arguments after it.
PDI_INLINE PyObject* run(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (m->globals && !kwnames) {
        // A row without parameters called without arguments (texts, accessors) binds nothing.
        if (!nargs && PyTuple_GET_SIZE(m->params) == 0) return dispatch(m, self, nullptr);
        if (stores_positionally(m, nargs)) return store_positional(m, self, args, nargs);
    }
    return run_binding(m, self, args, nargs, kwnames);
}

PDI_HOT PyObject* method_vectorcall(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    Method* m = reinterpret_cast<Method*>(callable);
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    if (nargs < 1) {
        PyErr_Format(PyExc_TypeError, "%U() needs its bound argument", m->name);
        return nullptr;
    }
    return run(m, args[0], args + 1, nargs - 1, kwnames);
}

PyObject* method_get(PyObject* self, PyObject* obj, PyObject*) {
    if (!obj || obj == Py_None) {
        Py_INCREF(self);
        return self;
    }
    return PyMethod_New(self, obj);
}

int method_traverse(PyObject* self, visitproc visit, void* arg) {
    Method* m = reinterpret_cast<Method*>(self);
    Py_VISIT(m->cls);
    Py_VISIT(m->globals);
    Py_VISIT(m->params);
    Py_VISIT(m->data);
    return 0;
}

// Only the class and the module namespace can close a cycle; the name
// tuples stay until the method goes.
int method_clear(PyObject* self) {
    Method* m = reinterpret_cast<Method*>(self);
    Py_CLEAR(m->cls);
    Py_CLEAR(m->globals);
    return 0;
}

void method_dealloc(PyObject* self) {
    PyObject_GC_UnTrack(self);
    method_clear(self);
    Method* m = reinterpret_cast<Method*>(self);
    Py_CLEAR(m->params);
    Py_CLEAR(m->data);
    Py_CLEAR(m->name);
    PyObject_GC_Del(self);
}

const char* class_name(const Method* m) { return m->owner_table->str(m->owner->name); }

PyObject* method_repr(PyObject* self) {
    Method* m = reinterpret_cast<Method*>(self);
    return PyUnicode_FromFormat("<method '%U' of '%s' objects>", m->name, class_name(m));
}

PyObject* get_name(PyObject* self, void*) {
    PyObject* name = reinterpret_cast<Method*>(self)->name;
    Py_INCREF(name);
    return name;
}

PyObject* get_qualname(PyObject* self, void*) {
    Method* m = reinterpret_cast<Method*>(self);
    return PyUnicode_FromFormat("%s.%U", class_name(m), m->name);
}

PyObject* get_objclass(PyObject* self, void*) {
    PyObject* cls = reinterpret_cast<Method*>(self)->cls;
    if (!cls) cls = Py_None;
    Py_INCREF(cls);
    return cls;
}

PyObject* get_doc(PyObject*, void*) { Py_RETURN_NONE; }

// The type a stub gives a record constructor's parameter filling `a`, a row of `t`.
std::string param_type(const Table& t, const AttrRow& a) {
    switch (a.kind) {
        case Kind::Float:
        case Kind::Double:
            return "float";
        case Kind::Serial:
            return "int | NorvaneSerialNumber";
        case Kind::SerialList:
            return "list[NorvaneSerialNumber]";
        case Kind::U16List:
            return "list[int]";
        case Kind::List:
            return std::string("list[") + t.str(a.element()) + "]";
        case Kind::FixedBytes:
        case Kind::VarBytes:
            return "bytes";
        case Kind::FixedStr:
        case Kind::VarStr:
            return "str";
        case Kind::Bool:
            return "bool";
        case Kind::RxStats:
            return "tuple[int, int, int, int]";
        case Kind::DomainInfo:
            return "DomainInformation";
        default:
            return "int";
    }
}

// Calls `put(name, type, default)` for each parameter after the bound one.
template <class F>
void each_param(const Method* m, F put) {
    if (m->body == record_init_body) {
        const Table& t = *m->owner_table;
        const AttrRow* a = t.attrs_of(*m->owner);
        for (std::size_t i = 0; i < m->owner->nattrs; ++i) put(t.str(a[i].param()), param_type(t, a[i]), Dflt::Zero);
    } else {
        const Table& t = *m->table;
        const ParamRow* p = t.params_of(*m->row);
        for (std::size_t i = 0; i < m->row->nparams; ++i) put(t.str(p[i].name), std::string(t.str(p[i].type)), p[i].dflt);
    }
}

// "($self, /, name, other=0)", as inspect.signature() and help() read it
// (they take no annotations from it: those are in __annotations__).
PyObject* get_text_signature(PyObject* self, void*) {
    Method* m = reinterpret_cast<Method*>(self);
    std::string sig = m->row->bind == Bind::Class ? "($cls" : "($self";
    bool slash = false;
    each_param(m, [&](const char* name, const std::string&, Dflt d) {
        if (d != Dflt::Positional && !slash) {
            sig += ", /";
            slash = true;
        }
        sig += ", ";
        sig += name;
        if (d == Dflt::Zero) sig += "=0";
        if (d == Dflt::NewList) sig += "=[]";
    });
    if (!slash) sig += ", /";
    sig += ")";
    return PyUnicode_FromStringAndSize(sig.data(), static_cast<Py_ssize_t>(sig.size()));
}

// {parameter: type, "return": type}, the types as a stub writes them.
PyObject* get_annotations(PyObject* self, void*) {
    Method* m = reinterpret_cast<Method*>(self);
    PyObject* result = nullptr;
    guarded([&] {
        py::object out = steal(PyDict_New());
        each_param(m, [&](const char* name, const std::string& type, Dflt) {
            py::object t = steal(PyUnicode_FromStringAndSize(type.data(), static_cast<Py_ssize_t>(type.size())));
            check_status(PyDict_SetItemString(out.ptr(), name, t.ptr()));
        });
        py::object returns = steal(PyUnicode_FromString(m->table->str(m->row->returns)));
        check_status(PyDict_SetItemString(out.ptr(), "return", returns.ptr()));
        result = out.release().ptr();
    });
    return result;
}

PyGetSetDef* method_getset() {
    static PyGetSetDef getset[] = {
    {"__name__", get_name, nullptr, nullptr, nullptr},
    {"__qualname__", get_qualname, nullptr, nullptr, nullptr},
    {"__objclass__", get_objclass, nullptr, nullptr, nullptr},
    {"__doc__", get_doc, nullptr, nullptr, nullptr},
    {"__text_signature__", get_text_signature, nullptr, nullptr, nullptr},
    {"__annotations__", get_annotations, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    return getset;
}

void ready(PyTypeObject& t, const char* name) {
    Py_SET_REFCNT(reinterpret_cast<PyObject*>(&t), 1);  // a static type is never freed
    t.tp_name = name;
    t.tp_basicsize = sizeof(Method);
    t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR;
    t.tp_vectorcall_offset = offsetof(Method, vectorcall);
    t.tp_call = PyVectorcall_Call;
    t.tp_descr_get = method_get;
    t.tp_traverse = method_traverse;
    t.tp_clear = method_clear;
    t.tp_dealloc = method_dealloc;
    t.tp_repr = method_repr;
    t.tp_getset = method_getset();
    check_status(PyType_Ready(&t));
}

}  // namespace

void ready_method_types() {
    if (method_type().tp_name) return;
    ready(method_type(), "rlx.data_items.private_data_items.method");
}

py::object new_method(const Table& t, const MethodRow& row, const Table& ot, const ClassRow& owner,
                      PyObject* globals, PyObject* data, Interner& intern) {
    const Body body = t.body_of(row);
    const char* owner_name = ot.str(owner.name);
    const char* row_name = row.name == kNoStr ? "?" : t.str(row.name);
    if (row.does == Does::Body && !body) fail(PyExc_SystemError, "%s.%s has no body", owner_name, row_name);
    // The parameter names, interned: a keyword argument is then usually found by identity.
    const bool record_init = body == record_init_body;
    const Py_ssize_t n = record_init ? owner.nattrs : row.nparams;
    if (n > kMaxParams) fail(PyExc_SystemError, "%s.%s has too many parameters", owner_name, row_name);
    const ParamRow* ps = t.params_of(row);
    std::size_t new_lists = 0;
    for (std::size_t i = 0; i < row.nparams; ++i) new_lists += ps[i].dflt == Dflt::NewList;
    if (new_lists > 1) fail(PyExc_SystemError, "%s.%s has more than one list default", owner_name, row_name);
    py::object params = steal(PyTuple_New(n));
    if (record_init) {
        const AttrRow* a = ot.attrs_of(owner);
        for (Py_ssize_t i = 0; i < n; ++i) PyTuple_SET_ITEM(params.ptr(), i, intern.ref(ot, a[i].param()).release().ptr());
    } else {
        for (Py_ssize_t i = 0; i < n; ++i) PyTuple_SET_ITEM(params.ptr(), i, intern.ref(t, ps[i].name).release().ptr());
    }
    py::object name = intern.ref(t, row.name);
    Method* m = PyObject_GC_New(Method, &method_type());
    if (!m) throw PyErr{};
    m->vectorcall = method_vectorcall;
    m->table = &t;
    m->row = &row;
    m->owner_table = &ot;
    m->owner = &owner;
    m->body = body;
    m->name = name.release().ptr();
    m->cls = nullptr;
    Py_INCREF(globals);
    m->globals = globals;
    m->params = params.release().ptr();
    Py_XINCREF(data);
    m->data = data;
    m->positional_from = -1;
    m->stores_as_given = false;
    if (record_init) {
        m->positional_from = 0;
        const AttrRow* a = ot.attrs_of(owner);
        m->stores_as_given = true;
        for (Py_ssize_t i = 0; i < n; ++i) m->stores_as_given = m->stores_as_given && !(a[i].flags & kWrapSerial);
    } else if (body == store_params_body) {
        m->positional_from = n;
        while (m->positional_from > 0 && ps[m->positional_from - 1].dflt != Dflt::Required &&
               ps[m->positional_from - 1].dflt != Dflt::Positional) {
            --m->positional_from;
        }
        m->stores_as_given = new_lists == 0;
    }
    PyObject_GC_Track(m);
    return steal(reinterpret_cast<PyObject*>(m));
}

void set_defining_class(PyObject* method, PyObject* cls) {
    Method* m = reinterpret_cast<Method*>(method);
    Py_INCREF(cls);
    Py_XSETREF(m->cls, cls);
}

// ---------------------------------------------------------------------------
// Helpers of the bodies.

PyObject* Call::cls() const {
    if (!method->cls) fail(PyExc_SystemError, "%U() called before its class was made", method->name);
    return method->cls;
}

PDI_HOT PyObject* find_global(PyObject* globals, PyObject* name) noexcept {
    PyObject* v = PyDict_GetItemWithError(globals, name);
    if (!v) {
        if (PyErr_Occurred()) return nullptr;
        PyObject* builtins = PyEval_GetBuiltins();
        v = builtins ? PyDict_GetItemWithError(builtins, name) : nullptr;
        if (!v) {
            if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
            return nullptr;
        }
    }
    Py_INCREF(v);
    return v;
}

py::object lookup_global(PyObject* globals, PyObject* name) { return steal(find_global(globals, name)); }

py::object Call::global(PyObject* name) const { return lookup_global(method->globals, name); }

// The slots of a class whose `__init__`, `__str__` or `__repr__` is a method
// of this module. The interpreter's generic slots look the method up, copy
// the arguments and call it through the generic protocol; these run it
// straight on the instance (and the argument tuple). Each runs whatever the
// class holds at the time (rebinding the name also resets the slot); a
// foreign method, or keyword arguments, go the generic way.
namespace {

PDI_HOT PyObject* call_found(PyObject* found, PyObject* self, PyObject* args, PyObject* kwds) {
    if (Py_TYPE(found) == &method_type() && (!kwds || PyDict_GET_SIZE(kwds) == 0)) {
        const Py_ssize_t n = args ? PyTuple_GET_SIZE(args) : 0;
        PyObject* const* items = n ? &PyTuple_GET_ITEM(args, 0) : nullptr;
        return run(reinterpret_cast<Method*>(found), self, items, n, nullptr);
    }
    descrgetfunc bind_to = Py_TYPE(found)->tp_descr_get;
    py::object bound = bind_to ? py::reinterpret_steal<py::object>(
                                     bind_to(found, self, reinterpret_cast<PyObject*>(Py_TYPE(self))))
                               : py::reinterpret_borrow<py::object>(found);
    if (!bound) return nullptr;
    return args ? PyObject_Call(bound.ptr(), args, kwds) : PyObject_CallNoArgs(bound.ptr());
}

// What the type holds under `name`, looked up as attribute access finds a
// class attribute: a new reference, or NULL (a failed look-up included, as
// attribute access takes it).
PDI_HOT PyObject* class_attr(PyTypeObject* type, PyObject* name) noexcept {
    PyObject* found = nullptr;
    // The class's own namespace first, where a class given these slots holds
    // its methods (a heap type's namespace is its tp_dict); the whole method
    // resolution order only when that does not hold the name.
    PyObject* own = PyType_HasFeature(type, Py_TPFLAGS_HEAPTYPE) ? type->tp_dict : nullptr;
    int rc = 0;
    if (own) {
#if PY_VERSION_HEX >= 0x030D0000
        rc = PyDict_GetItemRef(own, name, &found);
#else
        found = PyDict_GetItemWithError(own, name);
        Py_XINCREF(found);
        rc = found ? 1 : PyErr_Occurred() ? -1 : 0;
#endif
    }
    if (rc == 0) rc = PyType_Lookup(type, name, &found);
    if (rc < 0) PyErr_Clear();
    return found;
}

// The names the direct slots look up, as indexes of the slot cache.
enum SlotName : int { kInit, kStr, kRepr, kSlotNames };

#if PY_VERSION_HEX >= 0x030C0000
PDI_HOT int init_slot(PyObject* self, PyObject* args, PyObject* kwds);
PDI_HOT PyObject* str_slot(PyObject* self);
PDI_HOT PyObject* repr_slot(PyObject* self);

// Whether the class still has the direct slot of `slot`: rebinding or
// deleting the name through the class gives it another, for good.
bool slot_is_ours(PyTypeObject* type, SlotName slot) {
    switch (slot) {
        case kInit:
            return type->tp_init == init_slot;
        case kStr:
            return type->tp_str == str_slot;
        default:
            return type->tp_repr == repr_slot;
    }
}

// What a class that defines one of these methods holds under its name, kept
// per class and slot name (3.12 and later) so that a slot call does not
// search the class's namespace. An entry is a class and the method of this
// module its own namespace holds (a new reference to the method, which holds
// the class, so the class cannot go and another take its address), used
// while the class keeps the direct slot. A dict watcher on the namespace
// drops the class's entries before any change of it takes effect, made
// through the class or behind its back. (3.11 has no watchers: its slots
// search the namespace on every call.)
struct SlotCache {
    static constexpr std::size_t kEntries = 64;
    struct Entry {
        PyTypeObject* type;
        PyObject* method;
    };
    Entry entries[kSlotNames][kEntries];
    int watcher = -1;           // -1: no watcher (none left, or not made yet)
    std::uint64_t changes = 0;  // calls of the watcher
};

SlotCache& slot_cache() {
    static SlotCache cache{};
    return cache;
}

std::size_t slot_entry(PyTypeObject* type) {
    // A class object takes hundreds of bytes: its address over 64 spreads the classes.
    return (reinterpret_cast<std::uintptr_t>(type) >> 6) % SlotCache::kEntries;
}

// The watcher: the entries of the class whose namespace changes no longer
// match. Their methods are released when the entries are next filled, not
// here, where the release could free the namespace being changed.
int forget_namespace(PyDict_WatchEvent, PyObject* dict, PyObject*, PyObject*) {
    SlotCache& cache = slot_cache();
    ++cache.changes;
    for (auto& row : cache.entries) {
        for (SlotCache::Entry& e : row) {
            if (e.type && e.type->tp_dict == dict) e.type = nullptr;
        }
    }
    return 0;
}

void watch_namespaces() {
    SlotCache& cache = slot_cache();
    if (cache.watcher >= 0) return;
    cache.watcher = PyDict_AddWatcher(forget_namespace);
    if (cache.watcher < 0) PyErr_Clear();  // every watcher taken: the slots search each time
}

// slot_attr() when the cache does not hold the class: looked up, and kept
// when it may be.
__attribute__((noinline)) PyObject* slot_attr_missed(PyTypeObject* type, PyObject* name, SlotCache::Entry& e,
                                                     bool ours) noexcept {
    SlotCache& cache = slot_cache();
    PyObject* own = PyType_HasFeature(type, Py_TPFLAGS_HEAPTYPE) ? type->tp_dict : nullptr;
    // Watched first: a change while the namespace is searched is then seen.
    bool watched = ours && own && cache.watcher >= 0;
    if (watched && PyDict_Watch(cache.watcher, own) < 0) {
        PyErr_Clear();  // searched each time
        watched = false;
    }
    const std::uint64_t changes = cache.changes;
    PyObject* found = class_attr(type, name);
    // Kept only for the class whose own namespace holds it.
    if (found && watched && cache.changes == changes && Py_TYPE(found) == &method_type() &&
        reinterpret_cast<Method*>(found)->cls == reinterpret_cast<PyObject*>(type)) {
        PyObject* old = e.method;
        Py_INCREF(found);
        e = SlotCache::Entry{type, found};
        Py_XDECREF(old);  // after the entry is made: the release may run code
    }
    return found;
}
#endif

// class_attr(type, slot name) for the direct slots: from the slot cache when
// it holds the class.
PDI_INLINE PyObject* slot_attr(PyTypeObject* type, SlotName slot, PyObject* name) noexcept {
#if PY_VERSION_HEX >= 0x030C0000
    SlotCache::Entry& e = slot_cache().entries[slot][slot_entry(type)];
    const bool ours = slot_is_ours(type, slot);
    if (e.type == type && ours) {
        Py_INCREF(e.method);
        return e.method;
    }
    return slot_attr_missed(type, name, e, ours);
#else
    (void)slot;
    return class_attr(type, name);
#endif
}

// `self.<name>(*args, **kwds)` as the class holds it now; `otherwise` when it holds none.
template <class Otherwise>
PyObject* call_own(PyObject* self, SlotName slot, PyObject* name, PyObject* args, PyObject* kwds,
                   Otherwise otherwise) {
    PyObject* found = slot_attr(Py_TYPE(self), slot, name);
    if (!found) return otherwise();
    PyObject* result = call_found(found, self, args, kwds);
    Py_DECREF(found);  // held while it ran: a body may rebind the name
    return result;
}

PDI_HOT int init_slot(PyObject* self, PyObject* args, PyObject* kwds) {
    PyObject* result = call_own(self, kInit, N.__init__, args, kwds, [&]() -> PyObject* {
        if (PyBaseObject_Type.tp_init(self, args, kwds) < 0) return nullptr;
        Py_INCREF(Py_None);
        return Py_None;
    });
    if (!result) return -1;
    if (result != Py_None) {
        PyErr_Format(PyExc_TypeError, "__init__() should return None, not '%.200s'", Py_TYPE(result)->tp_name);
        Py_DECREF(result);
        return -1;
    }
    Py_DECREF(result);
    return 0;
}

PDI_HOT PyObject* str_slot(PyObject* self) {
    return call_own(self, kStr, N.__str__, nullptr, nullptr, [&] { return PyBaseObject_Type.tp_str(self); });
}

PDI_HOT PyObject* repr_slot(PyObject* self) {
    return call_own(self, kRepr, N.__repr__, nullptr, nullptr, [&] { return PyBaseObject_Type.tp_repr(self); });
}

bool holds_own(PyTypeObject* type, PyObject* name) {
    py::object dict = steal(PyType_GetDict(type));
    PyObject* found = PyDict_GetItemWithError(dict.ptr(), name);
    if (!found && PyErr_Occurred()) throw PyErr{};
    return found && Py_TYPE(found) == &method_type();
}

// `cls(*args, **kwargs)` the generic way: the argument tuple and keyword dict
// handed to the metaclass's call.
PyObject* generic_construct(PyObject* cls, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    const Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    PyObject* tuple = PyTuple_New(nargs);
    if (!tuple) return nullptr;
    for (Py_ssize_t i = 0; i < nargs; ++i) {
        Py_INCREF(args[i]);
        PyTuple_SET_ITEM(tuple, i, args[i]);
    }
    PyObject* kwargs = nkw ? PyDict_New() : nullptr;
    PyObject* result = nullptr;
    if (!nkw || kwargs) {
        Py_ssize_t k = 0;
        while (k < nkw && PyDict_SetItem(kwargs, PyTuple_GET_ITEM(kwnames, k), args[nargs + k]) == 0) ++k;
        if (k == nkw) result = Py_TYPE(cls)->tp_call(cls, tuple, kwargs);
    }
    Py_XDECREF(kwargs);
    Py_DECREF(tuple);
    return result;
}

// The call of a class made by `type` whose own constructor is a method of
// this module: what the metaclass's call does (the instance made by
// object's allocation, then the constructor run on it), but on the caller's
// argument array, without the argument tuple, the keyword dict and the slot
// dispatch between. A class changed since (another `__new__` or `__init__`,
// an abstract class) is called the generic way.
PDI_HOT PyObject* construct(PyObject* cls, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls);
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    PyObject* found = nullptr;
    if (type->tp_new != PyBaseObject_Type.tp_new || type->tp_init != init_slot ||
        PyType_HasFeature(type, Py_TPFLAGS_IS_ABSTRACT) || !(found = slot_attr(type, kInit, N.__init__)) ||
        Py_TYPE(found) != &method_type()) {
        Py_XDECREF(found);
        return generic_construct(cls, args, nargs, kwnames);
    }
    // object's own __new__ (it also readies the instance's attribute storage).
    PyObject* self = type->tp_new(type, N.no_args, nullptr);
    if (!self) {
        Py_DECREF(found);
        return nullptr;
    }
    // found is held while the constructor runs: it may rebind the name.
    PyObject* result = run(reinterpret_cast<Method*>(found), self, args, nargs, kwnames);
    Py_DECREF(found);
    if (result == Py_None) {
        Py_DECREF(result);
        return self;
    }
    if (result) {
        PyErr_Format(PyExc_TypeError, "__init__() should return None, not '%.200s'", Py_TYPE(result)->tp_name);
        Py_DECREF(result);
    }
    Py_DECREF(self);
    return nullptr;
}

}  // namespace

void use_direct_slots(PyObject* cls) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls);
#if PY_VERSION_HEX >= 0x030C0000
    watch_namespaces();
#endif
    if (holds_own(type, N.__init__)) {
        type->tp_init = init_slot;
        // Only the plain metaclass calls a class through its vectorcall.
        if (Py_TYPE(cls) == &PyType_Type) type->tp_vectorcall = construct;
    }
    if (holds_own(type, N.__str__)) type->tp_str = str_slot;
    if (holds_own(type, N.__repr__)) type->tp_repr = repr_slot;
}

py::object new_instance(PyObject* cls, Body init) {
    if (Py_TYPE(cls) == &PyType_Type) {
        auto* type = reinterpret_cast<PyTypeObject*>(cls);
        const py::object ctor = py::reinterpret_steal<py::object>(slot_attr(type, kInit, N.__init__));
        if (type->tp_new == PyBaseObject_Type.tp_new && ctor && Py_TYPE(ctor.ptr()) == &method_type() &&
            reinterpret_cast<Method*>(ctor.ptr())->body == init) {
            return steal(type->tp_new(type, N.no_args, nullptr));
        }
    }
    return steal(PyObject_CallNoArgs(cls));
}

Py_ssize_t length(PyObject* o) {
    if (PyBytes_CheckExact(o)) return PyBytes_GET_SIZE(o);
    const Py_ssize_t n = PyObject_Length(o);
    if (n < 0) throw PyErr{};
    return n;
}

py::object call_super(const Call& c, PyObject* name) {
    PyObject* cls = c.cls();
    // What super() finds: the first class after the defining one in the
    // instance's method resolution order that holds the name. A plain
    // function (or any method descriptor) is called with the instance
    // directly, without the super object and the bound method it would make.
    PyTypeObject* type = Py_TYPE(c.self);
    PyObject* mro = type->tp_mro;
    if (mro && PyTuple_Check(mro) && PyType_IsSubtype(type, reinterpret_cast<PyTypeObject*>(cls))) {
        const Py_ssize_t n = PyTuple_GET_SIZE(mro);
        Py_ssize_t i = 0;
        while (i < n && PyTuple_GET_ITEM(mro, i) != cls) ++i;
        for (++i; i < n; ++i) {
            PyObject* base = PyTuple_GET_ITEM(mro, i);
            if (!PyType_Check(base)) continue;
            py::object dict = py::reinterpret_steal<py::object>(PyType_GetDict(reinterpret_cast<PyTypeObject*>(base)));
            PyObject* found = dict ? PyDict_GetItemWithError(dict.ptr(), name) : nullptr;
            if (!found) {
                if (PyErr_Occurred()) throw PyErr{};
                continue;
            }
            if (!PyType_HasFeature(Py_TYPE(found), Py_TPFLAGS_METHOD_DESCRIPTOR)) break;
            py::object held = borrow(found);  // the call may change the class
            PyObject* args[] = {c.self};
            return steal(PyObject_Vectorcall(found, args, 1, nullptr));
        }
    }
    PyObject* args[] = {cls, c.self};
    py::object sup = steal(PyObject_Vectorcall(reinterpret_cast<PyObject*>(&PySuper_Type), args, 2, nullptr));
    return steal(PyObject_CallMethodNoArgs(sup.ptr(), name));
}

py::object decode_entry(PyObject* entry, PyObject* name, PyObject* chunk, Py_ssize_t& used) {
    py::object result = steal(PyObject_CallMethodOneArg(entry, N._decode, chunk));
    if (!PyTuple_Check(result.ptr()) || PyTuple_GET_SIZE(result.ptr()) != 2) {
        fail(PyExc_TypeError, "attribute _decode must return a (value, consumed) pair");
    }
    used = PyLong_AsSsize_t(PyTuple_GET_ITEM(result.ptr(), 1));
    if (used == -1 && PyErr_Occurred()) throw PyErr{};
    const Py_ssize_t have = length(chunk);
    if (used < 0 || used > have) fail(PyExc_ValueError, "attribute %R consumed %zd of %zd bytes", name, used, have);
    return borrow(PyTuple_GET_ITEM(result.ptr(), 0));
}

py::object slice(PyObject* data, Py_ssize_t from, Py_ssize_t to) {
    if (PyBytes_CheckExact(data)) {
        const Py_ssize_t n = PyBytes_GET_SIZE(data);
        if (to > n) to = n;
        if (from > to) from = to;
        // The whole of it is the object itself, as the host's slicing gives it.
        if (from == 0 && to == n) return borrow(data);
        return steal(PyBytes_FromStringAndSize(PyBytes_AS_STRING(data) + from, to - from));
    }
    return steal(PySequence_GetSlice(data, from, to));
}

void consume(PyObject* self, PyObject* data, Py_ssize_t n) {
    py::object rest = slice(data, n, PY_SSIZE_T_MAX);
    set(self, N.di_data, rest.ptr());
}

void walk_decode(const Call& c, Walk& walk) {
    PyObject* self = c.self;
    // A snapshot: an attribute kind that changes `definition` while it
    // decodes changes nothing of this walk.
    py::object definition = get(reinterpret_cast<PyObject*>(Py_TYPE(self)), N.definition);
    py::object entries = steal(PySequence_Tuple(definition.ptr()));
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(entries.ptr()); ++i) {
        PyObject* entry = PyTuple_GET_ITEM(entries.ptr(), i);
        py::object name = get(entry, N.name);
        py::object data = get(self, N.di_data);
        py::object value;
        py::object chunk = walk.chunk(c, entry, name.ptr(), data.ptr(), value);
        if (chunk) {
            Py_ssize_t used = 0;
            value = decode_entry(entry, name.ptr(), chunk.ptr(), used);
            consume(self, data.ptr(), used);
        }
        set(self, name.ptr(), value.ptr());
    }
    set(self, N.di_data, Py_None);
}

// ---------------------------------------------------------------------------
// Behaviour rows.

namespace {

// data: (attribute, mask or None, shift)
PDI_HOT py::object run_bitfield(Call& c) {
    const MethodRow& s = *c.method->row;
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
    const int set = PyObject_RichCompareBool(v.ptr(), N.zero, Py_NE);
    check_status(set);
    return steal(PyBool_FromLong(set));
}

// `self.<count> = len(self.<list>)`
void recount(PyObject* self, PyObject* count, PyObject* list) {
    py::object value = get(self, list);
    py::object n = steal(PyLong_FromSsize_t(length(value.ptr())));
    set(self, count, n.ptr());
}

// `self.<count> += 1`
void count_one_more(PyObject* self, PyObject* count) {
    py::object value = get(self, count);
    py::object sum = steal(PyNumber_InPlaceAdd(value.ptr(), N.one));
    set(self, count, sum.ptr());
}

// data: (list, element, count or None). `self.<list>.append(<element>(args...))`,
// evaluated in that order, then the count.
PDI_HOT py::object run_append(Call& c) {
    py::object target = get(c.self, c.data(0));
    py::object append_fn;
    if (!PyList_CheckExact(target.ptr())) append_fn = get(target.ptr(), N.append);
    py::object make = c.global(c.data(1));
    const Py_ssize_t n = c.nparams();
    py::object element = steal(PyObject_Vectorcall(make.ptr(), c.args, static_cast<size_t>(n), nullptr));
    if (append_fn) {
        steal(PyObject_CallOneArg(append_fn.ptr(), element.ptr()));
    } else {
        check_status(PyList_Append(target.ptr(), element.ptr()));
    }
    if (c.data(2) != Py_None) count_one_more(c.self, c.data(2));
    return py::none();
}

// data of the count-bounded codecs: (list, count, element size) per row.
py::object counted_encode(Call& c) {
    const Py_ssize_t n = PyTuple_GET_SIZE(c.method->data);
    for (Py_ssize_t i = 0; i < n; i += 3) recount(c.self, c.data(i + 1), c.data(i));
    return call_super(c, N._encode);
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


}  // namespace

// The generic constructor of an auxiliary record: one parameter per
// definition entry, in order, each defaulting to 0, stored under the entry's
// name; a serial number is stored wrapped where the table says so.
PDI_HOT py::object record_init_body(Call& c) {
    // Bound, every argument is there: the positional store does the rest.
    return steal(store_positional(c.method, c.self, c.args, c.nparams()));
}

PDI_HOT py::object store_params_body(Call& c) {
    return steal(store_positional(c.method, c.self, c.args, c.nparams()));
}

// The generic rendering of an auxiliary record: its values in definition
// order, each in its plain string form, joined by ", ".
PDI_HOT py::object record_str_body(Call& c) {
    Text text;
    const Py_ssize_t n = PyTuple_GET_SIZE(c.method->data);
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (i) text.ascii(", ", 2);
        text.as_str(get(c.self, c.data(i)).ptr());
    }
    return text.finish();
}

// The representation of an auxiliary record, as a constructor call reads
// (`MultiRangeRx(rx_serial_number=..., ...)`): its class name and the fields
// it holds by name, each in its own representation. The fields are those of
// the instance's `definition` when its class has one (a subclass's own, or
// another object's when called unbound), else those of the record without a
// definition, which the row's data holds. All are read before anything is
// written; a record met again inside its own fields shows as `...`.
PDI_HOT py::object record_repr_body(Call& c) {
    const int seen = Py_ReprEnter(c.self);
    if (seen < 0) throw PyErr{};
    if (seen) return steal(PyUnicode_FromString("..."));
    struct Leave {
        PyObject* self;
        ~Leave() { Py_ReprLeave(self); }
    } leave{c.self};
    PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(c.self));
    py::object names = borrow(c.method->data);
    PyObject* found = nullptr;
    if (PyObject_GetOptionalAttr(type, N.definition, &found) < 0) throw PyErr{};
    if (found) {
        Py_DECREF(found);
        py::object entries = steal(PyObject_GetIter(get(c.self, N.definition).ptr()));
        names = steal(PyList_New(0));
        while (PyObject* next = PyIter_Next(entries.ptr())) {
            py::object entry = steal(next);
            check_status(PyList_Append(names.ptr(), get(entry.ptr(), N.name).ptr()));
        }
        if (PyErr_Occurred()) throw PyErr{};
    }
    py::object fields = steal(PySequence_Fast(names.ptr(), "the field names are not a sequence"));
    py::object held = steal(PyList_New(0));
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(fields.ptr()); ++i) {
        PyObject* field = PySequence_Fast_GET_ITEM(fields.ptr(), i);
        PyObject* v = nullptr;
        if (PyObject_GetOptionalAttr(c.self, field, &v) < 0) throw PyErr{};
        if (!v) continue;
        Py_DECREF(v);  // hasattr, then getattr: each its own look-up
        py::object value = steal(PyObject_GetAttr(c.self, field));
        py::object pair = steal(PyTuple_Pack(2, field, value.ptr()));
        check_status(PyList_Append(held.ptr(), pair.ptr()));
    }
    py::object name = get(type, N.__name__);
    Text text;
    text.as_str(name.ptr()).ascii("(");
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(held.ptr()); ++i) {
        PyObject* pair = PyList_GET_ITEM(held.ptr(), i);
        if (i) text.ascii(", ");
        text.as_str(PyTuple_GET_ITEM(pair, 0)).ascii("=").repr(PyTuple_GET_ITEM(pair, 1));
    }
    return text.ascii(")").finish();
}

namespace {

// The rows the runtime itself gives classes (records, count-bounded lists),
// packed like a subsystem's table under one nameless entry.
constexpr ClassSpec kGenericSpecs[] = {
    {kNoPlace, "", What::Record, 0, nullptr, {},
     {body("_encode", counted_encode, "bytes"), body("_decode", counted_decode),
      body("__init__", record_init_body), body("__str__", record_str_body, "str"),
      body("__repr__", record_repr_body, "str")}},
};
constexpr Table kGeneric = packed_table<kGenericSpecs>();
enum GenericRow : std::size_t { kCountedEncode, kCountedDecode, kRecordInit, kRecordStr, kRecordRepr };

py::object names_of(const Table& t, const ClassRow& decl, Interner& intern) {
    py::object names = steal(PyTuple_New(decl.nattrs));
    const AttrRow* a = t.attrs_of(decl);
    for (Py_ssize_t i = 0; i < decl.nattrs; ++i) PyTuple_SET_ITEM(names.ptr(), i, intern.ref(t, a[i].name).release().ptr());
    return names;
}

// The data a row's method carries, interned.
py::object row_data(const Table& t, const MethodRow& m, Interner& intern) {
    switch (m.does) {
        case Does::Field:
        case Does::Flag: {
            py::object mask = m.mask >= 0 ? steal(PyLong_FromLongLong(m.mask)) : py::none();
            py::object shift = steal(PyLong_FromLong(m.shift));
            return steal(PyTuple_Pack(3, intern(t, m.attr), mask.ptr(), shift.ptr()));
        }
        case Does::Append: {
            PyObject* count = m.count != kNoStr ? intern(t, m.count) : Py_None;
            return steal(PyTuple_Pack(3, intern(t, m.list), intern(t, m.element), count));
        }
        default:
            return py::object();
    }
}

// Adds the method of row `row` of table `t` to `decl`, an entry of table `ot`.
void add(PyObject* ns, const Table& t, std::size_t row, const Table& ot, const ClassRow& decl, PyObject* globals,
         PyObject* data, Interner& intern, std::vector<py::object>& made) {
    const MethodRow& r = t.methods[row];
    py::object m = new_method(t, r, ot, decl, globals, data, intern);
    // A class method binds the class, also when reached through an instance.
    py::object entry = r.bind == Bind::Class ? steal(PyClassMethod_New(m.ptr())) : m;
    check_status(PyDict_SetItem(ns, reinterpret_cast<Method*>(m.ptr())->name, entry.ptr()));
    made.push_back(std::move(m));
}

}  // namespace

void add_methods(PyObject* ns, const Table& t, const ClassRow& decl, PyObject* globals, Interner& intern,
                 std::vector<py::object>& made) {
    if (decl.what == What::Record) {
        py::object names = names_of(t, decl, intern);
        if (!(decl.flags & kNoRecordInit)) add(ns, kGeneric, kRecordInit, t, decl, globals, names.ptr(), intern, made);
        if (!(decl.flags & kNoRecordStr)) add(ns, kGeneric, kRecordStr, t, decl, globals, names.ptr(), intern, made);
        py::object bare = steal(PyTuple_New(0));
        if (kCatalog.bare_record != kNoPlace) {
            const Place p = kCatalog.order[kCatalog.bare_record];
            const Table& bt = *kCatalog.tables[p.table];
            bare = names_of(bt, bt.classes[p.row], intern);
        }
        add(ns, kGeneric, kRecordRepr, t, decl, globals, bare.ptr(), intern, made);
    }
    const MethodRow* rows = t.methods_of(decl);
    bool counted_done = false;
    for (std::size_t i = 0; i < decl.nmethods; ++i) {
        if (rows[i].does != Does::Counted) {
            py::object data = row_data(t, rows[i], intern);
            add(ns, t, decl.methods + i, t, decl, globals, data.ptr(), intern, made);
            continue;
        }
        if (counted_done) continue;
        // All count-bounded lists of the class make one encoder and one decoder.
        counted_done = true;
        py::object data = steal(PyList_New(0));
        bool bounds = false;
        for (std::size_t j = 0; j < decl.nmethods; ++j) {
            const MethodRow& r = rows[j];
            if (r.does != Does::Counted) continue;
            check_status(PyList_Append(data.ptr(), intern(t, r.list)));
            check_status(PyList_Append(data.ptr(), intern(t, r.count)));
            check_status(PyList_Append(data.ptr(), steal(PyLong_FromSsize_t(r.element_size)).ptr()));
            bounds = bounds || r.element_size > 0;
        }
        py::object tuple = steal(PyList_AsTuple(data.ptr()));
        add(ns, kGeneric, kCountedEncode, t, decl, globals, tuple.ptr(), intern, made);
        if (bounds) add(ns, kGeneric, kCountedDecode, t, decl, globals, tuple.ptr(), intern, made);
    }
}

}  // namespace pdi
