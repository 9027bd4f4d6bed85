// What method bodies work with: the method object, one call of it, and the
// steps of Python semantics that bodies and the shared behaviours take.
#pragma once

#include "core/names.hpp"
#include "model/rows.hpp"

namespace pdi {

// A method of a catalog class: the row it carries out and what running it needs.
struct Method {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    const MethodSpec* row;
    const ClassSpec* owner;    // the defining class's entry
    Body body;                 // what a call runs
    PyObject* name;      // interned
    PyObject* cls;       // the defining class, set once it exists
    PyObject* globals;   // the module dict
    PyObject* params;    // tuple of the interned parameter names
    PyObject* data;      // tuple of what the row uses, or NULL
    PyObject* module;    // the module object (held: its state stays while the method does)
    const Names* names;  // the names of the row's subsystem, in the module's state
    // A constructor that stores its arguments: the fewest positional ones it takes (-1: none such).
    Py_ssize_t positional_from;
    bool stores_as_given;  // no serial number wrapped, no new list for a default
};

// One call of a method: the bound instance (or class) and one argument per parameter, defaults filled in.
struct Call {
    Method* method;
    PyObject* self;
    PyObject* const* args;
    // The class that defines the method (for `super()` and class-held state).
    PyObject* cls() const;
    const Names& names() const { return *method->names; }
    // Item i of the row's data (interned names and numbers made with the method).
    PyObject* data(Py_ssize_t i) const { return PyTuple_GET_ITEM(method->data, i); }
    Py_ssize_t nparams() const { return PyTuple_GET_SIZE(method->params); }
    // A module global (or builtin), looked up now: a caller may have rebound it.
    py::object global(PyObject* name) const;
};

// `getattr(o, name)`, interned name: the generic access called directly when the type uses it.
inline PyObject* get_attr(PyObject* o, PyObject* name) noexcept {
    return Py_TYPE(o)->tp_getattro == PyObject_GenericGetAttr ? PyObject_GenericGetAttr(o, name)
                                                              : PyObject_GetAttr(o, name);
}
// `setattr(o, name, v)`, interned name; the store looked up each time: making `v` may change the class. Called
// through the type's slot, whose line is already read, rather than by the generic store's name, which also
// reads the import table: 2-4 % of a record's construction on 3.12 (bench/RESULTS.md).
inline int set_attr(PyObject* o, PyObject* name, PyObject* v) noexcept {
    setattrofunc store = Py_TYPE(o)->tp_setattro;
    return store ? store(o, name, v) : PyObject_SetAttr(o, name, v);
}
inline py::object get(PyObject* o, PyObject* name) { return steal(get_attr(o, name)); }
inline void set(PyObject* o, PyObject* name, PyObject* v) { check_status(set_attr(o, name, v)); }
// A module global or builtin, as Python code finds a name: a new reference, or NULL with the error set.
PyObject* find_global(PyObject* globals, PyObject* name) noexcept;
inline py::object lookup_global(PyObject* globals, PyObject* name) { return steal(find_global(globals, name)); }
inline py::object Call::global(PyObject* name) const { return lookup_global(method->globals, name); }

// `super(<defining class>, self).<name>()`.
py::object call_super(const Call& c, PyObject* name);

// `cls()`, the constructor skipped when it is the body `init` of a plain class:
// the caller then sets every attribute it would have set, in the same order.
py::object new_instance(PyObject* cls, Body init);

// A length as len() gives it.
Py_ssize_t length(PyObject* o);
// `data[from:to]` (0 <= from, to may be PY_SSIZE_T_MAX); a bytes object cut directly.
py::object slice(PyObject* data, Py_ssize_t from, Py_ssize_t to);

// The framework's decoding walk: each entry of the class's `definition` decodes from the
// front of `di_data`, which loses the bytes used; then `di_data` is None (on a failure, the rest).
struct Walk {
    virtual ~Walk() = default;
    // What the entry decodes out of `data` (the rest); nullptr once it decoded itself (cut) into `value`.
    virtual py::object chunk(const Call& c, PyObject* entry, PyObject* name, PyObject* data, py::object& value) = 0;
};
void walk_decode(const Call& c, Walk& walk);
// `entry._decode(chunk)`: the value, and in `used` the bytes consumed (within the chunk).
py::object decode_entry(const Call& c, PyObject* entry, PyObject* name, PyObject* chunk, Py_ssize_t& used);
// Cuts the first `n` bytes off the instance's `di_data` (`data` is its current value).
void consume(const Call& c, PyObject* data, Py_ssize_t n);

}  // namespace pdi
