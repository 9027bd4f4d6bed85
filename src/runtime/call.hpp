// What method bodies work with: the method object, one call of it, and the
// steps of Python semantics that bodies and the shared behaviours take.
#pragma once

#include "core/names.hpp"
#include "model/rows.hpp"

namespace pdi {

// A method of a catalog class: the row it carries out, its class, the
// interned names its row uses and its module. Python reaches none of it.
struct Method {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    const MethodSpec* row;
    const ClassSpec* owner;    // the defining class's entry
    Body body;                 // the row's hand-written body, or nullptr
    PyObject* name;      // interned
    PyObject* cls;       // the defining class, set once it exists
    PyObject* globals;   // the module dict
    PyObject* params;    // tuple of the interned parameter names
    PyObject* data;      // tuple of what the row uses, or NULL
    PyObject* module;    // the module object (held: its state stays while the method does)
    const Names* names;  // the names of the row's subsystem, in the module's state
    // A constructor that stores its arguments: how many of them it needs at
    // least when called with positional arguments only (-1: it binds them
    // the generic way).
    Py_ssize_t positional_from;
    // Such a constructor whose every value is stored as given (no serial
    // number wrapped, no new list for a default).
    bool stores_as_given;
};

// One call of a method: the method object, the bound instance (or class) and
// the arguments bound to the row's parameters (borrowed; the defaults of
// parameters left out filled in).
struct Call {
    Method* method;
    PyObject* self;
    PyObject* const* args;       // one per parameter of the row
    // The class that defines the method (for `super()` and class-held state).
    PyObject* cls() const;
    // The names of the method's subsystem (a body binds them as `N`).
    const Names& names() const { return *method->names; }
    // Item i of the row's data (interned names and numbers made with the method).
    PyObject* data(Py_ssize_t i) const { return PyTuple_GET_ITEM(method->data, i); }
    // The row's parameters: how many, and the interned name of parameter i.
    Py_ssize_t nparams() const { return PyTuple_GET_SIZE(method->params); }
    PyObject* param(Py_ssize_t i) const { return PyTuple_GET_ITEM(method->params, i); }
    // A module global (or builtin), looked up now, as Python code would: a
    // caller may have rebound it. NameError when absent.
    py::object global(PyObject* name) const;
};

// `getattr(o, name)` with an interned name: a new reference, or NULL with the
// error set. The generic attribute access is called directly when the type
// uses it (it names the object and the attribute in its AttributeError, as
// PyObject_GetAttr does for any other type's).
inline PyObject* get_attr(PyObject* o, PyObject* name) noexcept {
    return Py_TYPE(o)->tp_getattro == PyObject_GenericGetAttr ? PyObject_GenericGetAttr(o, name)
                                                              : PyObject_GetAttr(o, name);
}
// `setattr(o, name, v)` with an interned name: 0, or -1 with the error set.
// The type's store is looked up for every call, as the interpreter does (a
// value's making may have changed the class).
inline int set_attr(PyObject* o, PyObject* name, PyObject* v) noexcept {
    setattrofunc store = Py_TYPE(o)->tp_setattro;
    if (store == PyObject_GenericSetAttr) return PyObject_GenericSetAttr(o, name, v);
    return store ? store(o, name, v) : PyObject_SetAttr(o, name, v);
}
inline py::object get(PyObject* o, PyObject* name) { return steal(get_attr(o, name)); }
inline void set(PyObject* o, PyObject* name, PyObject* v) { check_status(set_attr(o, name, v)); }
// A module global or builtin, as Python code finds a name; NameError when absent.
py::object lookup_global(PyObject* globals, PyObject* name);
// The same as a new reference, or NULL with the error set.
PyObject* find_global(PyObject* globals, PyObject* name) noexcept;

// `super(<defining class>, self).<name>()`.
py::object call_super(const Call& c, PyObject* name);

// `cls()`, except that when `cls` is a plain class (made by `type`, allocated
// by object) whose constructor is the body `init` of this module, that
// constructor is skipped: the caller then sets every attribute it would have
// set, in the same order, so the instance comes out the same.
py::object new_instance(PyObject* cls, Body init);

// A length as len() gives it.
Py_ssize_t length(PyObject* o);
// `data[from:to]` (0 <= from, to may be PY_SSIZE_T_MAX), as Python slices
// it; a bytes object is cut directly.
py::object slice(PyObject* data, Py_ssize_t from, Py_ssize_t to);

// The framework's decoding walk over a snapshot of the class's `definition`:
// each entry decodes from the front of `di_data`, which loses the bytes
// consumed, and its value is stored under its name; then `di_data` becomes
// None. On a failure the values decoded so far stay, `di_data` holds the rest.
struct Walk {
    virtual ~Walk() = default;
    // What the entry decodes out of `data`, the remaining payload; or nullptr
    // once it decoded the entry itself (cutting what it used) into `value`.
    virtual py::object chunk(const Call& c, PyObject* entry, PyObject* name, PyObject* data, py::object& value) = 0;
};
void walk_decode(const Call& c, Walk& walk);
// Calls `entry._decode(chunk)`: returns the value and sets `used`, the bytes
// consumed, which must lie within the chunk.
py::object decode_entry(const Call& c, PyObject* entry, PyObject* name, PyObject* chunk, Py_ssize_t& used);
// Cuts the first `n` bytes off the instance's `di_data` (`data` is its current value).
void consume(const Call& c, PyObject* data, Py_ssize_t n);


}  // namespace pdi
