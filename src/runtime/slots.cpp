// The type slots of a class whose `__init__`, `__str__` or `__repr__` is a
// method of this module, and construction that skips the generic call.
#include "runtime/dispatch.hpp"

#include <cstdint>

namespace pdi {

// Unlike the interpreter's generic slots, these run what the class holds now straight on
// the instance, unbound; a foreign method, or keyword arguments, go the generic way.
namespace {

// Always inlined into the slots: out of line, call_found costs a slot call about 40 instructions.
#define PDI_INLINE inline __attribute__((always_inline))

PDI_INLINE PyObject* call_found(PyObject* found, PyObject* self, PyObject* args, PyObject* kwds) {
    if (is_method(found) && (!kwds || PyDict_GET_SIZE(kwds) == 0)) {
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

// class_attr() past the class's own namespace (rc 0: not there, -1: failed), out of line.
__attribute__((noinline)) PyObject* class_attr_inherited(PyTypeObject* type, PyObject* name, int rc) noexcept {
    PyObject* found = nullptr;
    if (rc == 0) rc = PyType_Lookup(type, name, &found);
    if (rc < 0) PyErr_Clear();
    return found;
}

// What the type holds under `name`, as attribute access finds a class attribute: a new reference,
// or NULL (a failed look-up too). Its own namespace first: a class given these slots holds its methods.
PDI_INLINE PyObject* class_attr(PyTypeObject* type, PyObject* name) noexcept {
    PyObject* found = nullptr;
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
    return rc > 0 ? found : class_attr_inherited(type, name, rc);
}

PyObject* construct(PyObject* cls, PyObject* const* args, size_t nargsf, PyObject* kwnames);
PyObject* construct_record(PyObject* cls, PyObject* const* args, size_t nargsf, PyObject* kwnames);

// The state of the module whose class `type` is or derives from: through the class's
// ht_module (set by the builder), else its bases. NULL, with the error set, when none.
PDI_INLINE State* state_of(PyTypeObject* type) noexcept {
    PyObject* module = PyType_HasFeature(type, Py_TPFLAGS_HEAPTYPE)
                           ? reinterpret_cast<PyHeapTypeObject*>(type)->ht_module
                           : nullptr;
    // A class called through construct() is the builder's own (tp_vectorcall is never inherited): no check.
    if (!module || (type->tp_vectorcall != construct && type->tp_vectorcall != construct_record &&
                    PyModule_GetDef(module) != &module_def)) {
        module = PyType_GetModuleByDef(type, &module_def);
        if (!module) return nullptr;
    }
    return static_cast<State*>(PyModule_GetState(module));
}

#if PY_VERSION_HEX >= 0x030C0000
// The watcher: a class namespace about to change leaves the caches of the methods it holds. Nothing is
// released here (entries are released when refilled): a release could run code, and the change is not made yet.
int forget_namespace(PyDict_WatchEvent, PyObject* dict, PyObject*, PyObject*) {
    Py_ssize_t pos = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(dict, &pos, &key, &value)) {
        if (!is_method(value)) continue;
        SlotCache& cache = static_cast<State*>(PyModule_GetState(reinterpret_cast<Method*>(value)->module))->slots;
        ++cache.changes;
        for (auto& row : cache.entries) {
            for (SlotCache::Entry& e : row) {
                if (e.type && e.type->tp_dict == dict) e.type = nullptr;
            }
        }
    }
    return 0;
}

// slot_attr() when the cache does not hold the class: looked up, and kept when it may be.
__attribute__((noinline)) PyObject* slot_attr_missed(SlotCache& cache, PyTypeObject* type, PyObject* name,
                                                     SlotCache::Entry& e, bool ours) noexcept {
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
    if (found && watched && cache.changes == changes && is_method(found) &&
        reinterpret_cast<Method*>(found)->cls == reinterpret_cast<PyObject*>(type)) {
        PyObject* old = e.method;
        Py_INCREF(found);
        e = SlotCache::Entry{type, found};
        Py_XDECREF(old);  // after the entry is made: the release may run code
    }
    return found;
}
#endif

// class_attr() for a direct slot, cached; `ours`: the class still has the slot (rebinding the name takes it).
PDI_INLINE PyObject* slot_attr(State& s, PyTypeObject* type, SlotName slot, PyObject* name, bool ours) noexcept {
#if PY_VERSION_HEX >= 0x030C0000
    // A class object takes hundreds of bytes: its address over 64 spreads the classes.
    SlotCache::Entry& e = s.slots.entries[slot][(reinterpret_cast<std::uintptr_t>(type) >> 6) % SlotCache::kEntries];
    if (e.type == type && ours) {
        Py_INCREF(e.method);
        return e.method;
    }
    return slot_attr_missed(s.slots, type, name, e, ours);
#else
    (void)s;
    (void)slot;
    (void)ours;
    return class_attr(type, name);
#endif
}

// `self.<the slot's name>(*args, **kwds)` as the class holds it now; `otherwise` when it holds none.
template <class Otherwise>
PyObject* call_own(PyObject* self, SlotName slot, PyObject* Names::*member, bool ours, PyObject* args, PyObject* kwds,
                   Otherwise otherwise) {
    State* s = state_of(Py_TYPE(self));
    if (!s) return nullptr;
    PyObject* found = slot_attr(*s, Py_TYPE(self), slot, s->names.*member, ours);
    if (!found) return otherwise();
    PyObject* result = call_found(found, self, args, kwds);
    Py_DECREF(found);  // held while it ran: a body may rebind the name
    return result;
}

// Whether a constructor's result (taken) is None; else TypeError, unless it is NULL.
PDI_INLINE bool returned_none(PyObject* result) {
    if (result == Py_None) {
        Py_DECREF(result);
        return true;
    }
    if (result) {
        PyErr_Format(PyExc_TypeError, "__init__() should return None, not '%.200s'", Py_TYPE(result)->tp_name);
        Py_DECREF(result);
    }
    return false;
}

int init_slot(PyObject* self, PyObject* args, PyObject* kwds) {
    const bool ours = Py_TYPE(self)->tp_init == init_slot;
    PyObject* result = call_own(self, kInit, &Names::__init__, ours, args, kwds, [&]() -> PyObject* {
        return PyBaseObject_Type.tp_init(self, args, kwds) < 0 ? nullptr : Py_NewRef(Py_None);
    });
    return returned_none(result) ? 0 : -1;
}

PyObject* str_slot(PyObject* self) {
    const bool ours = Py_TYPE(self)->tp_str == str_slot;
    return call_own(self, kStr, &Names::__str__, ours, nullptr, nullptr,
                    [&] { return PyBaseObject_Type.tp_str(self); });
}

PyObject* repr_slot(PyObject* self) {
    const bool ours = Py_TYPE(self)->tp_repr == repr_slot;
    return call_own(self, kRepr, &Names::__repr__, ours, nullptr, nullptr,
                    [&] { return PyBaseObject_Type.tp_repr(self); });
}

// The method a class's own namespace holds under `name` (borrowed), or NULL.
Method* own_method(PyTypeObject* type, PyObject* name) {
    PyObject* found = PyDict_GetItemWithError(type->tp_dict, name);  // a heap type's namespace
    if (!found && PyErr_Occurred()) throw PyErr{};
    return found && is_method(found) ? reinterpret_cast<Method*>(found) : nullptr;
}

// `cls(*args, **kwargs)` the generic way, through the metaclass's call.
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

// The constructor method a call of class `type` (made by `type`) runs directly, held, and its module's state:
// NULL, no error set, for a class changed since (another `__new__` or `__init__`, made abstract).
PDI_INLINE Method* direct_init(PyTypeObject* type, State*& s) noexcept {
    PyObject* found = nullptr;
    // object's tp_new read from the state, which this path reads anyway, rather than through the import table.
    if (type->tp_init != init_slot || PyType_HasFeature(type, Py_TPFLAGS_IS_ABSTRACT) || !(s = state_of(type)) ||
        type->tp_new != s->object_new || !(found = slot_attr(*s, type, kInit, s->names.__init__, true)) ||
        !is_method(found)) {
        PyErr_Clear();  // the generic call tells
        Py_XDECREF(found);
        return nullptr;
    }
    return reinterpret_cast<Method*>(found);
}

// Calling such a class: object's allocation, then the constructor on the caller's arguments; the generic call
// for a class changed since.
PyObject* construct(PyObject* cls, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls);
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    State* s = nullptr;
    Method* m = direct_init(type, s);
    if (!m) return generic_construct(cls, args, nargs, kwnames);
    // object's own __new__ (it also readies the instance's attribute storage).
    PyObject* self = type->tp_new(type, s->names.no_args, nullptr);
    // m is held while the constructor runs: it may rebind the name.
    PyObject* result = self ? run(m, self, args, nargs, kwnames) : nullptr;
    Py_DECREF(m);
    if (returned_none(result)) return self;
    Py_XDECREF(self);
    return nullptr;
}

// construct() for a record class, its own constructor's store inlined (1-5 % of a record's construction,
// bench/RESULTS.md). Any other call goes through construct().
PyObject* construct_record(PyObject* cls, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls);
    const Py_ssize_t nargs = PyVectorcall_NARGS(nargsf);
    State* s = nullptr;
    Method* m = kwnames ? nullptr : direct_init(type, s);
    if (!m || m->body != record_init_body || !m->globals || nargs > PyTuple_GET_SIZE(m->data)) {
        Py_XDECREF(m);
        return construct(cls, args, nargsf, kwnames);
    }
    PyObject* self = type->tp_new(type, s->names.no_args, nullptr);
    const bool done = self && store_record(m, self, args, nargs) == 0;
    Py_DECREF(m);  // held while the constructor ran: it may rebind the name
    if (done) return self;
    Py_XDECREF(self);
    return nullptr;
}

}  // namespace

void use_direct_slots(PyObject* cls, PyObject* module) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls);
    // Released with the class, as any heap type's.
    Py_XSETREF(reinterpret_cast<PyHeapTypeObject*>(cls)->ht_module, Py_NewRef(module));
    State& s = *static_cast<State*>(PyModule_GetState(module));
    const Names& N = s.names;
#if PY_VERSION_HEX >= 0x030C0000
    // One watcher per module object: the interpreter's watchers are its own.
    if (s.slots.watcher < 0) {
        s.slots.watcher = PyDict_AddWatcher(forget_namespace);
        if (s.slots.watcher < 0) PyErr_Clear();  // every watcher taken: the slots search each time
    }
#endif
    if (const Method* init = own_method(type, N.__init__)) {
        type->tp_init = init_slot;
        // Only the plain metaclass calls a class through its vectorcall.
        if (Py_TYPE(cls) == &PyType_Type) {
            type->tp_vectorcall = init->body == record_init_body ? construct_record : construct;
        }
    }
    if (own_method(type, N.__str__)) type->tp_str = str_slot;
    if (own_method(type, N.__repr__)) type->tp_repr = repr_slot;
}

py::object new_instance(PyObject* cls, Body init) {
    auto* type = reinterpret_cast<PyTypeObject*>(cls);
    if (Py_TYPE(cls) == &PyType_Type && type->tp_init == init_slot) {
        // A class of a module object: the one whose cache may hold it.
        State* s = state_of(type);
        if (!s) throw PyErr{};
        const py::object ctor = py::reinterpret_steal<py::object>(slot_attr(*s, type, kInit, s->names.__init__, true));
        if (type->tp_new == s->object_new && ctor && is_method(ctor.ptr()) &&
            reinterpret_cast<Method*>(ctor.ptr())->body == init) {
            return steal(type->tp_new(type, s->names.no_args, nullptr));
        }
    }
    return steal(PyObject_CallNoArgs(cls));
}
}  // namespace pdi
