// Direct stores into an instance's own attribute values.
//
// On this interpreter an instance of a class made by `type` keeps its
// attributes in an array of values beside the object, indexed by the keys the
// class shares among its instances. The interpreter's own specialised
// attribute store writes that array directly, guarded by the class's version
// tag (which changes whenever the class or a base changes) and by the
// instance still having the array (it goes once its `__dict__` is made). The
// constructors do the same under the same guard, and take the instance's own
// attribute store whenever the guard does not hold. On any other interpreter
// version only the generic store is used.
#pragma once

#include "catalog.hpp"

#include <cstdint>

#if PY_VERSION_HEX >= 0x030B0000 && PY_VERSION_HEX < 0x030C0000 && !defined(Py_LIMITED_API) && defined(__has_include)
#if __has_include(<internal/pycore_dict.h>)
#define PDI_INSTANCE_VALUES 1
#endif
#endif

#ifdef PDI_INSTANCE_VALUES
// The layout of the keys and values, from the interpreter's own header.
#ifndef Py_BUILD_CORE
#define Py_BUILD_CORE 1
#define PDI_UNDEF_BUILD_CORE 1
#endif
#include <internal/pycore_dict.h>
#ifdef PDI_UNDEF_BUILD_CORE
#undef Py_BUILD_CORE
#undef PDI_UNDEF_BUILD_CORE
#endif
#endif

namespace pdi {

#ifdef PDI_INSTANCE_VALUES

// The instance's values: four words before the object on this interpreter,
// for a class whose instances keep their attributes so; NULL once the
// instance's dict is made.
inline PyDictValues* values_of(PyObject* self) { return *(reinterpret_cast<PyDictValues**>(self) - 4); }

// Finds where `names` (interned) sit in the values of instances of self's
// class, in the class's present state: every name among the shared keys, no
// data descriptor for any of them, the generic attribute store. False when
// not so (yet: the names enter the keys with the first generic stores).
inline bool fill_slots(Slots& s, PyObject* self, PyObject* names) {
    PyTypeObject* tp = Py_TYPE(self);
    const Py_ssize_t n = PyTuple_GET_SIZE(names);
    if (n > kMaxSlots || !PyType_HasFeature(tp, Py_TPFLAGS_HEAPTYPE) ||
        !PyType_HasFeature(tp, Py_TPFLAGS_MANAGED_DICT) || tp->tp_setattro != PyObject_GenericSetAttr) {
        return false;
    }
    PyDictKeysObject* keys = reinterpret_cast<PyHeapTypeObject*>(tp)->ht_cached_keys;
    if (!keys || keys->dk_kind != DICT_KEYS_SPLIT) return false;
    // A look-up gives the class a version tag; one that changes while the
    // names are looked up (a look-up can run Python code) fails the check.
    if (n) _PyType_Lookup(tp, PyTuple_GET_ITEM(names, 0));
    const std::uint32_t version = tp->tp_version_tag;
    if (!version || !PyType_HasFeature(tp, Py_TPFLAGS_VALID_VERSION_TAG)) return false;
    std::uint8_t index[kMaxSlots];
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* name = PyTuple_GET_ITEM(names, i);
        PyObject* found = _PyType_Lookup(tp, name);
        if (found && Py_TYPE(found)->tp_descr_set) {
            s.refused = version;
            return false;
        }
        const PyDictUnicodeEntry* entries = DK_UNICODE_ENTRIES(keys);
        Py_ssize_t ix = 0;
        while (ix < keys->dk_nentries && entries[ix].me_key != name) ++ix;
        if (ix == keys->dk_nentries || ix >= SHARED_KEYS_MAX_SIZE) return false;
        index[i] = static_cast<std::uint8_t>(ix);
    }
    if (tp->tp_version_tag != version) return false;
    for (Py_ssize_t i = 0; i < n; ++i) s.index[i] = index[i];
    s.version = version;
    return true;
}

// Whether `names` can be stored straight into self's values at s.index,
// finding the places first when self's class is not the one (or not in the
// state) they were found for.
inline bool direct_slots(Slots& s, PyObject* self, PyObject* names) {
    const std::uint32_t version = Py_TYPE(self)->tp_version_tag;
    if (!version || version != s.version) {
        if (version && version == s.refused) return false;
        if (!fill_slots(s, self, names)) return false;
    }
    return values_of(self) != nullptr;
}

// Whether that still holds: checked before each store, since a value's
// constructor or an old value's release may have changed the class or made
// the instance's dict.
inline bool still_direct(const Slots& s, PyObject* self) {
    return Py_TYPE(self)->tp_version_tag == s.version && values_of(self);
}

// Stores v (borrowed) at place ix of self's values, as the interpreter's
// specialised store does.
inline void put_direct(PyObject* self, std::uint8_t ix, PyObject* v) {
    PyDictValues* values = values_of(self);
    PyObject* old = values->values[ix];
    Py_INCREF(v);
    values->values[ix] = v;
    if (old) {
        Py_DECREF(old);
    } else {
        _PyDictValues_AddToInsertionOrder(values, ix);
    }
}

#else

inline bool direct_slots(Slots&, PyObject*, PyObject*) { return false; }
inline bool still_direct(const Slots&, PyObject*) { return false; }
inline void put_direct(PyObject*, std::uint8_t, PyObject*) {}

#endif

}  // namespace pdi
