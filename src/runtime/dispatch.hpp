// What the runtime's files share of the method type and the way a call runs: the
// method's own call, the class slots and construction all end in run(), inlined.
#pragma once

#include "runtime/build.hpp"

namespace pdi {

// Whether `o` is a catalog method (of any module object): its type binds with method_get.
PyObject* method_get(PyObject* self, PyObject* obj, PyObject* type);
inline bool is_method(PyObject* o) { return Py_TYPE(o)->tp_descr_get == method_get; }
// Sets the error and throws PyErr.
[[noreturn]] void fail(PyObject* type, const char* format, ...);

// Whether a name given as an argument is the interned `interned`.
inline bool same_name(PyObject* name, PyObject* interned) {
    return name == interned || (PyUnicode_Check(name) && PyUnicode_Compare(name, interned) == 0);
}

// A method carrying out `row` for the class `owner`, an entry of table `t`; `data`: what the row uses, or NULL.
py::object new_method(const MethodSpec& row, const Table& t, const ClassSpec& owner, const Home& home, PyObject* data,
                      Interner& intern);

// The bodies of the bit-field accessors and the builders.
py::object run_bitfield(Call& c);
py::object run_append(Call& c);

// Each of `names` (a tuple) set on `self`: the arguments, then 0 for each name left. 0, or -1 with the error set.
// Two loops: one loop choosing per name cost the smallest constructors 4-5 % (3.12, bench/run --against).
inline __attribute__((always_inline)) int store_given(Method* m, PyObject* names, PyObject* self,
                                                      PyObject* const* args, Py_ssize_t nargs) {
    for (Py_ssize_t i = 0; i < nargs; ++i) {
        if (set_attr(self, PyTuple_GET_ITEM(names, i), args[i]) < 0) return -1;
    }
    for (Py_ssize_t i = nargs; i < PyTuple_GET_SIZE(names); ++i) {
        if (set_attr(self, PyTuple_GET_ITEM(names, i), m->names->zero) < 0) return -1;
    }
    return 0;
}

// A record's constructor called with positional arguments only (no more than its fields): each field its
// argument or 0, a serial number wrapped as NorvaneSerialNumber(value). 0, or -1 with the error set.
inline __attribute__((always_inline)) int store_record(Method* m, PyObject* self, PyObject* const* args,
                                                       Py_ssize_t nargs) {
    PyObject* names = m->data;
    const Py_ssize_t n = PyTuple_GET_SIZE(names);
    if (m->stores_as_given) return store_given(m, names, self, args, nargs);
    const AttrSpec* a = m->owner->attrs.begin();
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* v = i < nargs ? args[i] : m->names->zero;
        PyObject* made = nullptr;
        if (a[i].flags & kWrapSerial) {
            PyObject* make = find_global(m->globals, m->names->NorvaneSerialNumber);  // held while it runs
            made = make ? PyObject_CallOneArg(make, v) : nullptr;
            Py_XDECREF(make);
            if (!made) return -1;
        }
        const int rc = set_attr(self, PyTuple_GET_ITEM(names, i), made ? made : v);
        Py_XDECREF(made);
        if (rc < 0) return -1;
    }
    return 0;
}

// A constructor storing its arguments, called with positional ones only: None, or NULL with the error set.
PyObject* store_positional(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs);
PyObject* run_binding(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// Carries out method `m`'s row on `self` with the arguments bound.
inline PyObject* dispatch(Method* m, PyObject* self, PyObject* const* bound) noexcept {
    try {
        Call c{m, self, bound};
        return m->body(c).release().ptr();
    } catch (...) {
        restore_error();
        return nullptr;
    }
}

// Runs method `m` on `self` with the arguments after it.
inline PyObject* run(Method* m, PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    if (m->globals && !kwnames) {
        // A row without parameters called without arguments (texts, accessors) binds nothing.
        if (!nargs && PyTuple_GET_SIZE(m->params) == 0) return dispatch(m, self, nullptr);
        if (m->positional_from >= 0 && nargs >= m->positional_from && nargs <= PyTuple_GET_SIZE(m->params)) {
            return store_positional(m, self, args, nargs);
        }
    }
    return run_binding(m, self, args, nargs, kwnames);
}

}  // namespace pdi
