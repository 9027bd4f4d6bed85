// Steps of Python semantics that method bodies take: globals, super(), len(), slicing, decoding.
#include "runtime/dispatch.hpp"

namespace pdi {

PyObject* Call::cls() const {
    if (!method->cls) fail(PyExc_SystemError, "%U() called before its class was made", method->name);
    return method->cls;
}

PyObject* find_global(PyObject* globals, PyObject* name) noexcept {
    PyObject* v = PyDict_GetItemWithError(globals, name);
    if (!v && !PyErr_Occurred()) {
        PyObject* builtins = PyEval_GetBuiltins();
        v = builtins ? PyDict_GetItemWithError(builtins, name) : nullptr;
        if (!v && !PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
    }
    return Py_XNewRef(v);
}

Py_ssize_t length(PyObject* o) {
    if (PyBytes_CheckExact(o)) return PyBytes_GET_SIZE(o);
    const Py_ssize_t n = PyObject_Length(o);
    if (n < 0) throw PyErr{};
    return n;
}

py::object call_super(const Call& c, PyObject* name) {
    PyObject* cls = c.cls();
    // What super() finds, a method descriptor called with the instance directly: no super
    // object nor bound method made, 600 instructions fewer per count-bounded encode.
    PyTypeObject* type = Py_TYPE(c.self);
    PyObject* mro = type->tp_mro;
    if (mro && PyTuple_Check(mro) && PyType_IsSubtype(type, reinterpret_cast<PyTypeObject*>(cls))) {
        const Py_ssize_t n = PyTuple_GET_SIZE(mro);
        Py_ssize_t i = 0;
        while (i < n && PyTuple_GET_ITEM(mro, i) != cls) ++i;
        for (++i; i < n; ++i) {
            PyObject* base = PyTuple_GET_ITEM(mro, i);
            if (!PyType_Check(base)) continue;
            py::object dict = py::reinterpret_steal<py::object>(PyType_GetDict(reinterpret_cast<PyTypeObject*>(base)));
            PyObject* found = dict ? PyDict_GetItemWithError(dict.ptr(), name) : nullptr;
            if (!found && PyErr_Occurred()) throw PyErr{};
            if (!found) continue;
            if (!PyType_HasFeature(Py_TYPE(found), Py_TPFLAGS_METHOD_DESCRIPTOR)) break;
            py::object held = borrow(found);  // the call may change the class
            PyObject* args[] = {c.self};
            return steal(PyObject_Vectorcall(found, args, 1, nullptr));
        }
    }
    PyObject* args[] = {cls, c.self};
    py::object sup = steal(PyObject_Vectorcall(reinterpret_cast<PyObject*>(&PySuper_Type), args, 2, nullptr));
    return steal(PyObject_CallMethodNoArgs(sup.ptr(), name));
}

py::object decode_entry(const Call& c, PyObject* entry, PyObject* name, PyObject* chunk, Py_ssize_t& used) {
    py::object result = steal(PyObject_CallMethodOneArg(entry, c.names()._decode, chunk));
    if (!PyTuple_Check(result.ptr()) || PyTuple_GET_SIZE(result.ptr()) != 2) {
        fail(PyExc_TypeError, "attribute _decode must return a (value, consumed) pair");
    }
    used = PyLong_AsSsize_t(PyTuple_GET_ITEM(result.ptr(), 1));
    if (used == -1 && PyErr_Occurred()) throw PyErr{};
    const Py_ssize_t have = length(chunk);
    if (used < 0 || used > have) fail(PyExc_ValueError, "attribute %R consumed %zd of %zd bytes", name, used, have);
    return borrow(PyTuple_GET_ITEM(result.ptr(), 0));
}

py::object slice(PyObject* data, Py_ssize_t from, Py_ssize_t to) {
    if (PyBytes_CheckExact(data)) {
        const Py_ssize_t n = PyBytes_GET_SIZE(data);
        if (to > n) to = n;
        if (from > to) from = to;
        // The whole of it is the object itself, as Python's slicing gives it.
        if (from == 0 && to == n) return borrow(data);
        return steal(PyBytes_FromStringAndSize(PyBytes_AS_STRING(data) + from, to - from));
    }
    return steal(PySequence_GetSlice(data, from, to));
}

void consume(const Call& c, PyObject* data, Py_ssize_t n) {
    py::object rest = slice(data, n, PY_SSIZE_T_MAX);
    set(c.self, c.names().di_data, rest.ptr());
}

void walk_decode(const Call& c, Walk& walk) {
    PyObject* self = c.self;
    const Names& N = c.names();
    // A snapshot: an attribute kind changing `definition` as it decodes leaves this walk alone.
    py::object definition = get(reinterpret_cast<PyObject*>(Py_TYPE(self)), N.definition);
    py::object entries = steal(PySequence_Tuple(definition.ptr()));
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(entries.ptr()); ++i) {
        PyObject* entry = PyTuple_GET_ITEM(entries.ptr(), i);
        py::object name = get(entry, N.name);
        py::object data = get(self, N.di_data);
        py::object value;
        py::object chunk = walk.chunk(c, entry, name.ptr(), data.ptr(), value);
        if (chunk) {
            Py_ssize_t used = 0;
            value = decode_entry(c, entry, name.ptr(), chunk.ptr(), used);
            consume(c, data.ptr(), used);
        }
        set(self, name.ptr(), value.ptr());
    }
    set(self, N.di_data, Py_None);
}

}  // namespace pdi
