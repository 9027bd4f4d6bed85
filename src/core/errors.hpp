// Errors, one convention in both modules, and the object wrappers every
// source uses.
#pragma once

// Only the object wrappers: the binding machinery is not used, and each
// source including it would carry its code and symbols into the module.
#include <pybind11/pytypes.h>

// The newer public API functions on older interpreters.
#include "core/pycompat.hpp"

#include <exception>
#include <new>

namespace pdi {

namespace py = pybind11;

// C++ code that meets a Python error (a call returned NULL or -1) throws
// PyErr with the error indicator set; check, steal, borrow and check_status
// do that for a result. Every entry point the interpreter calls catches it
// (guarded(), restore_error()) and returns NULL or -1. Only the noexcept
// helpers of paths that must not unwind (get_attr, set_attr, find_global,
// the constructors' direct paths) return NULL or -1 themselves.
struct PyErr {};

// Called in a handler: sets the Python error that the C++ exception being
// handled stands for.
inline void restore_error() noexcept {
    try {
        throw;
    } catch (const PyErr&) {
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception");
    }
}

// Runs `f`; a C++ exception ends it as the Python error it stands for, and
// then the result is false (with the error indicator set).
template <class F>
bool guarded(F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        restore_error();
    }
    return false;
}

inline PyObject* check(PyObject* p) {
    if (!p) throw PyErr{};
    return p;
}
inline py::object steal(PyObject* p) { return py::reinterpret_steal<py::object>(check(p)); }
inline py::object borrow(PyObject* p) { return py::reinterpret_borrow<py::object>(check(p)); }
inline void check_status(int rc) {
    if (rc < 0) throw PyErr{};
}

// f(item) for each item of `iterable`, as a for loop takes them.
template <class F>
void for_each(PyObject* iterable, F&& f) {
    py::object it = steal(PyObject_GetIter(iterable));
    while (PyObject* next = PyIter_Next(it.ptr())) {
        py::object item = steal(next);
        f(item.ptr());
    }
    if (PyErr_Occurred()) throw PyErr{};
}

}  // namespace pdi
