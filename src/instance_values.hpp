// Direct reads and stores of an instance's own attribute values.
//
// On this interpreter an instance of a class made by `type` keeps its
// attributes in an array of values beside the object, indexed by the keys the
// class shares among its instances. The interpreter's own adaptive
// attribute store writes that array directly, guarded by the class's version
// tag (which changes whenever the class or a base changes) and by the
// instance still having the array (it goes once its `__dict__` is made). The
// constructors and the texts do the same under the same guard, and take the
// generic attribute access whenever the guard does not hold. On any other
// interpreter version only the generic access is used.
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

// What a class lets the methods do straight on its instances' values.
enum : std::uint8_t { kDirectRead = 1, kDirectStore = 2 };
// Slots::place marks: the name not found among the keys (yet), or a data
// descriptor of the class taking its reads and stores.
constexpr std::uint8_t kNotFound = 0xFF, kGenericWay = 0xFE;

// self.name = v by the instance's own attribute store (looked up for every
// store, as the interpreter does: a value's constructor may change the class).
inline int generic_store(PyObject* self, PyObject* name, PyObject* v) {
    setattrofunc store = Py_TYPE(self)->tp_setattro;
    return store ? store(self, name, v) : PyObject_SetAttr(self, name, v);
}

#ifdef PDI_INSTANCE_VALUES

// The instance's values: four words before the object on this interpreter,
// for a class whose instances keep their attributes so; NULL once the
// instance's dict is made.
inline PyDictValues* values_of(PyObject* self) { return *(reinterpret_cast<PyDictValues**>(self) - 4); }
// Its dict once made (the word after the values), or NULL.
inline PyObject* dict_of(PyObject* self) { return *(reinterpret_cast<PyObject**>(self) - 3); }

// Finds the place of `name` (the method's name number i) for self's class in
// its present state, starting over when the class is not the one, or not in
// the state, the places were found for. -1: the generic way.
inline int find_place(Slots& s, PyTypeObject* tp, Py_ssize_t i, PyObject* name, std::uint8_t access) {
    if (i >= kMaxSlots || !PyType_HasFeature(tp, Py_TPFLAGS_HEAPTYPE) ||
        !PyType_HasFeature(tp, Py_TPFLAGS_MANAGED_DICT)) {
        return -1;
    }
    PyDictKeysObject* keys = reinterpret_cast<PyHeapTypeObject*>(tp)->ht_cached_keys;
    if (!keys || keys->dk_kind != DICT_KEYS_SPLIT) return -1;
    // The look-up also gives the class a version tag, as the interpreter's
    // adaptive attribute access reads it.
    PyObject* found = _PyType_Lookup(tp, name);
    const std::uint32_t version = tp->tp_version_tag;
    if (!version || !PyType_HasFeature(tp, Py_TPFLAGS_VALID_VERSION_TAG)) return -1;
    if (version != s.version) {
        s.version = version;
        s.access = (tp->tp_getattro == PyObject_GenericGetAttr ? kDirectRead : 0) |
                   (tp->tp_setattro == PyObject_GenericSetAttr ? kDirectStore : 0);
        for (std::uint8_t& p : s.place) p = kNotFound;
    }
    if (found && Py_TYPE(found)->tp_descr_set) {
        s.place[i] = kGenericWay;
        return -1;
    }
    // The entries follow the index table (where the interpreter's DK_UNICODE_ENTRIES finds them).
    const auto* entries =
        reinterpret_cast<const PyDictUnicodeEntry*>(keys->dk_indices + (std::size_t{1} << keys->dk_log2_index_bytes));
    const Py_ssize_t n = keys->dk_nentries < SHARED_KEYS_MAX_SIZE ? keys->dk_nentries : SHARED_KEYS_MAX_SIZE;
    for (Py_ssize_t ix = 0; ix < n; ++ix) {
        if (entries[ix].me_key == name) {
            s.place[i] = static_cast<std::uint8_t>(ix);
            return s.access & access ? static_cast<int>(ix) : -1;
        }
    }
    return -1;  // left as not found: the name enters the keys with its first generic store
}

// The place of `name` (the method's name number i) among self's values, or
// -1 for the generic way.
inline int place(Slots& s, PyObject* self, Py_ssize_t i, PyObject* name, std::uint8_t access) {
    PyTypeObject* tp = Py_TYPE(self);
    if (tp->tp_version_tag == s.version && s.version && i < kMaxSlots) {
        const std::uint8_t p = s.place[i];
        if (p < kGenericWay) return s.access & access ? p : -1;
        if (p == kGenericWay) return -1;
    }
    return find_place(s, tp, i, name, access);
}

// self.name, a new reference (NULL with the error set): straight from the
// instance's values, or from its dict once that is made, when it holds the
// value there (the class has no data descriptor of the name).
inline PyObject* read_field(Slots& s, PyObject* self, Py_ssize_t i, PyObject* name) {
    const int ix = place(s, self, i, name, kDirectRead);
    if (ix >= 0) {
        PyDictValues* values = values_of(self);
        PyObject* dict = values ? nullptr : dict_of(self);
        PyObject* v = values ? values->values[ix] : dict ? PyDict_GetItemWithError(dict, name) : nullptr;
        if (v) {
            Py_INCREF(v);
            return v;
        }
        if (PyErr_Occurred()) return nullptr;
    }
    return PyObject_GetAttr(self, name);
}

// The instance's values when each of the method's first n names has its
// place known among them and may be read there; NULL otherwise (the reads
// then go field by field). Holds only while no Python code runs: anything
// that runs it may change the class or make the instance's dict.
inline PyObject* const* readable_values(const Slots& s, PyObject* self, Py_ssize_t n) {
    if (Py_TYPE(self)->tp_version_tag != s.version || !s.version || !(s.access & kDirectRead) || n > kMaxSlots) {
        return nullptr;
    }
    for (Py_ssize_t i = 0; i < n; ++i) {
        if (s.place[i] >= kGenericWay) return nullptr;
    }
    PyDictValues* values = values_of(self);
    return values ? values->values : nullptr;
}

// self.name = v: straight into the instance's values, as the interpreter's
// adaptive store does, when the class and the instance allow it. 0, or -1
// with the error set.
inline int store_field(Slots& s, PyObject* self, Py_ssize_t i, PyObject* name, PyObject* v) {
    const int ix = place(s, self, i, name, kDirectStore);
    PyDictValues* values = ix >= 0 ? values_of(self) : nullptr;
    if (!values) return generic_store(self, name, v);
    PyObject* old = values->values[ix];
    Py_INCREF(v);
    values->values[ix] = v;
    if (old) {
        Py_DECREF(old);
    } else {
        _PyDictValues_AddToInsertionOrder(values, ix);
    }
    return 0;
}

#else

inline PyObject* read_field(Slots&, PyObject* self, Py_ssize_t, PyObject* name) { return PyObject_GetAttr(self, name); }
inline PyObject* const* readable_values(const Slots&, PyObject*, Py_ssize_t) { return nullptr; }
inline int store_field(Slots&, PyObject* self, Py_ssize_t, PyObject* name, PyObject* v) {
    return generic_store(self, name, v);
}

#endif

}  // namespace pdi
