// The type slots of a class whose `__init__`, `__str__` or `__repr__` is a
// method of this module, and construction that skips the generic call.
#include "runtime/dispatch.hpp"

#include <cstdint>

namespace pdi {

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
}  // namespace pdi
