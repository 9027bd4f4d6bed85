// The one error convention of both modules, and the object wrappers every source uses.
#pragma once

// Only the object wrappers: the unused binding machinery would carry its code and symbols into the module.
#include <pybind11/pytypes.h>

// The newer public API functions on older interpreters.
#include "core/pycompat.hpp"

#include <exception>
#include <new>

namespace pdi {

namespace py = pybind11;

// C++ code that meets a Python error (a call returned NULL or -1) throws PyErr with the error indicator
// set (check, steal, borrow, check_status). Every entry point the interpreter calls catches it (guarded(),
// restore_error()) and returns NULL or -1; only the noexcept helpers of paths that must not unwind
// (get_attr, set_attr, find_global, the constructors' direct paths) return NULL or -1 themselves.
struct PyErr {};

// In a handler: sets the Python error that the C++ exception being handled stands for.
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

// Runs `f`: true, or false with the Python error that a C++ exception out of it stands for.
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
