// Newer public C API functions for the older interpreters the module builds on (3.11 on), each written
// with public functions only; an interpreter that has one uses its own: PyType_GetDict (3.12),
// PyObject_GetOptionalAttr (3.13), PyType_Lookup (3.15), Py_T_PYSSIZET, Py_T_OBJECT_EX, Py_READONLY (3.12).
#pragma once

#ifndef PY_SSIZE_T_CLEAN
#define PY_SSIZE_T_CLEAN
#endif
#include <Python.h>

#if PY_VERSION_HEX < 0x030C0000
#include <structmember.h>
#define Py_T_PYSSIZET T_PYSSIZET
#define Py_T_OBJECT_EX T_OBJECT_EX
#define Py_READONLY READONLY
#endif

// type's namespace, a new reference (3.12 keeps a static builtin type's outside tp_dict).
#if PY_VERSION_HEX < 0x030C0000
static inline PyObject* PyType_GetDict(PyTypeObject* type) {
    Py_XINCREF(type->tp_dict);
    return type->tp_dict;
}
#endif

// getattr(obj, name) with AttributeError taken as "not there": 1 and a new
// reference in *result, 0 and NULL (no error set), or -1 with the error set.
#if PY_VERSION_HEX < 0x030D0000
static inline int PyObject_GetOptionalAttr(PyObject* obj, PyObject* name, PyObject** result) {
    *result = PyObject_GetAttr(obj, name);
    if (*result) return 1;
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return -1;
    PyErr_Clear();
    return 0;
}
#endif

// `name` looked up along type's MRO, in each class's own namespace, descriptors not called: 1 and a
// new reference in *attr, 0 and NULL when no class holds it, or -1 with the error set.
#if PY_VERSION_HEX < 0x030F0000
static inline int PyType_Lookup(PyTypeObject* type, PyObject* name, PyObject** attr) {
    *attr = nullptr;
    PyObject* mro = type->tp_mro;
    if (!mro || !PyTuple_Check(mro)) return 0;
    Py_INCREF(mro);  // a key's comparison may run code that replaces it
    int rc = 0;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro) && rc == 0; ++i) {
        auto* base = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i));
        if (!PyType_Check(base)) continue;
        // 3.12 and later keep a static builtin type's namespace outside tp_dict.
        PyObject* dict = base->tp_dict ? Py_NewRef(base->tp_dict) : PyType_GetDict(base);
        if (!dict) continue;
#if PY_VERSION_HEX >= 0x030D0000
        rc = PyDict_GetItemRef(dict, name, attr);
#else
        *attr = Py_XNewRef(PyDict_GetItemWithError(dict, name));
        rc = *attr ? 1 : PyErr_Occurred() ? -1 : 0;
#endif
        Py_DECREF(dict);
    }
    Py_DECREF(mro);
    return rc;
}
#endif
